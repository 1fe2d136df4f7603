#include "KTError.h"

#include "KTDispatch.h"

#include <QApplication>
#include <QMessageBox>

#include <mutex>
#include <utility>

namespace {

class KTMessageBoxErrorPresenter : public KTErrorPresenter
{
public:
    void presentError(const KTError &error) override
    {
        Q_ASSERT(isMainThread());
        qWarning().noquote() << "Error:" << error.domain << error.code << error.localizedDescription;
        QMessageBox::critical(QApplication::activeWindow(), QString(), error.localizedDescription);
    }
};

class KTQuitTerminator : public KTApplicationTerminator
{
public:
    void terminate(int exitCode) override
    {
        postToMain([exitCode] { QCoreApplication::exit(exitCode); });
    }
};

std::mutex s_mutex;
std::shared_ptr<KTErrorPresenter> s_errorPresenter;
std::shared_ptr<KTApplicationTerminator> s_terminator;

} // namespace

KTErrorPresenter &KTErrorPresenter::shared()
{
    static KTMessageBoxErrorPresenter messageBox;
    std::lock_guard lock(s_mutex);
    return s_errorPresenter ? *s_errorPresenter : messageBox;
}

std::shared_ptr<KTErrorPresenter> KTErrorPresenter::install(std::shared_ptr<KTErrorPresenter> presenter)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_errorPresenter, std::move(presenter));
}

KTApplicationTerminator &KTApplicationTerminator::shared()
{
    static KTQuitTerminator quit;
    std::lock_guard lock(s_mutex);
    return s_terminator ? *s_terminator : quit;
}

std::shared_ptr<KTApplicationTerminator>
KTApplicationTerminator::install(std::shared_ptr<KTApplicationTerminator> terminator)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_terminator, std::move(terminator));
}
