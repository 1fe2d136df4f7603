#include "KTModalWindowController.h"

#include "KTTopBarLessWindow.h"

KTModalWindowController::KTModalWindowController(QDialog *window, QObject *parent)
    : QObject(parent), m_window(window ? window : new KTTopBarLessWindow)
{}

KTModalWindowController::~KTModalWindowController()
{
    delete m_window.data();
}

int KTModalWindowController::runModal()
{
    if (!m_window || m_running)
        return QDialog::Rejected;
    m_running = true;
    m_window->setWindowModality(Qt::ApplicationModal);
    const int code = m_window->exec();
    m_running = false;
    emit modalDidEnd(code);
    return code;
}

void KTModalWindowController::stopModal(int code)
{
    if (m_window && m_running)
        m_window->done(code);
}
