#include "KTCoreDataMigrationWindow.h"

#include "KTDispatch.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include <mutex>
#include <utility>

KTCoreDataMigrationWindow::KTCoreDataMigrationWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_label(new QLabel(tr("Restoring previous session. It may take some time..."), this)),
      m_progressIndicator(new QProgressBar(this))
{
    setWindowModality(Qt::ApplicationModal);
    // A range of 0..0 makes the bar an indeterminate (busy) indicator that animates by itself.
    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->setTextVisible(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_progressIndicator);
}

void KTCoreDataMigrationWindow::reject() {}

namespace {

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

std::mutex s_mutex;
std::shared_ptr<KTMigrationWindowPresenter> s_installed;

} // namespace

KTMigrationWindowPresenter &KTMigrationWindowPresenter::shared()
{
    static KTMigrationWindowModalPresenter modal;
    std::lock_guard lock(s_mutex);
    return s_installed ? *s_installed : modal;
}

std::shared_ptr<KTMigrationWindowPresenter>
KTMigrationWindowPresenter::install(std::shared_ptr<KTMigrationWindowPresenter> presenter)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_installed, std::move(presenter));
}
