#include "KTCoreDataMigrationWindow.h"

#include "KTAbstractProgressIndicator.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTDispatch.h"
#include "KTFont.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>

namespace {

/// Runs the window modally until the catalogue ends the session.
class KTMigrationWindowModalPresenter : public KTMigrationWindowPresenter
{
public:
    void runModal(const std::function<void(std::function<void()> endModal)> &start) override
    {
        KTCoreDataMigrationWindow window;
        QPointer<KTCoreDataMigrationWindow> guard(&window);
        // Posted, so the session ends inside exec() even when the job is done before it starts.
        start([guard] {
            postToMain([guard] {
                if (guard)
                    guard->done(QDialog::Accepted);
            });
        });
        window.exec();
    }
};

} // namespace

KTCoreDataMigrationWindow::KTCoreDataMigrationWindow(QWidget *parent)
    : KTTopBarLessWindow(parent),
      m_label(ktDialogLabel(tr("Restoring previous session. It may take some time..."), ktBodyFont(),
                            KTPalette::kText, this)),
      m_progressIndicator(new KTAbstractProgressIndicator(this))
{
    setWindowTitle(tr("Restoring Session"));
    setWindowModality(Qt::ApplicationModal);
    m_progressIndicator->setColor(KTPalette::kText);
    m_progressIndicator->setFixedSize(24, 24);
    m_progressIndicator->startAnimation();
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(24, 20, 28, 20);
    row->setSpacing(14);
    row->addWidget(m_progressIndicator);
    row->addWidget(m_label, 1);
    adjustSize();
}

void KTCoreDataMigrationWindow::installAsMigrationWindow()
{
    KTMigrationWindowPresenter::install(std::make_shared<KTMigrationWindowModalPresenter>());
}

void KTCoreDataMigrationWindow::reject() {}
