#include "KTTestSupport.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

void drainMainQueue()
{
    // A posted job may post another; a few rounds settle any finite chain.
    for (int round = 0; round < 16; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    return true;
}

namespace {

std::mutex s_logMutex;
QStringList s_lines;
QtMessageHandler s_previousHandler = nullptr;
int s_captureDepth = 0;

void captureHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler forward = nullptr;
    {
        std::lock_guard lock(s_logMutex);
        s_lines.append(message);
        forward = s_previousHandler;
    }
    if (forward)
        forward(type, context, message);
}

} // namespace

#ifdef __SANITIZE_ADDRESS__
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void *, size_t),
                                                         void (*free_hook)(const volatile void *));
#endif

namespace {

std::atomic<bool> s_recordingAllocations{false};
std::atomic<std::size_t> s_largestAllocation{0};

#ifdef __SANITIZE_ADDRESS__
void noteAllocation(const volatile void *, size_t size)
{
    if (!s_recordingAllocations.load(std::memory_order_relaxed))
        return;
    std::size_t largest = s_largestAllocation.load(std::memory_order_relaxed);
    while (size > largest && !s_largestAllocation.compare_exchange_weak(largest, size)) {
    }
}

void noteFree(const volatile void *) {}
#endif

} // namespace

KTLargestAllocation::KTLargestAllocation()
{
#ifdef __SANITIZE_ADDRESS__
    // Hooks cannot be removed once installed: install them once and switch them on and off.
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree) != 0;
    Q_UNUSED(installed);
#endif
    s_largestAllocation = 0;
    s_recordingAllocations = true;
}

KTLargestAllocation::~KTLargestAllocation()
{
    s_recordingAllocations = false;
}

std::optional<std::size_t> KTLargestAllocation::largest() const
{
#ifdef __SANITIZE_ADDRESS__
    return s_largestAllocation.load();
#else
    return std::nullopt;
#endif
}

KTLogCapture::KTLogCapture()
{
    std::lock_guard lock(s_logMutex);
    if (s_captureDepth++ == 0) {
        s_lines.clear();
        s_previousHandler = qInstallMessageHandler(captureHandler);
    }
}

KTLogCapture::~KTLogCapture()
{
    std::lock_guard lock(s_logMutex);
    if (--s_captureDepth == 0)
        qInstallMessageHandler(s_previousHandler);
}

QStringList KTLogCapture::lines() const
{
    std::lock_guard lock(s_logMutex);
    return s_lines;
}

bool KTLogCapture::contains(const QString &text) const
{
    const QStringList all = lines();
    for (const QString &line : all) {
        if (line.contains(text))
            return true;
    }
    return false;
}

namespace {

// Installed in the scripted presenter's place so the platform does not keep it alive: the test
// owns the presenter, and its destruction restores the previous one.
class KTForwardingAlertPresenter : public KTAlertPresenter
{
public:
    explicit KTForwardingAlertPresenter(std::weak_ptr<KTScriptedAlertPresenter> target)
        : m_target(std::move(target))
    {}

    KTAlertResponse runModal(const KTAlert &alert) override
    {
        auto target = m_target.lock();
        return target ? target->runModal(alert) : KTAlertResponse{alert.returnCodeForButton(0), false};
    }

private:
    std::weak_ptr<KTScriptedAlertPresenter> m_target;
};

} // namespace

std::shared_ptr<KTScriptedAlertPresenter> KTScriptedAlertPresenter::install()
{
    auto presenter = std::shared_ptr<KTScriptedAlertPresenter>(new KTScriptedAlertPresenter);
    presenter->m_previous =
        KTAlertPresenter::install(std::make_shared<KTForwardingAlertPresenter>(presenter));
    return presenter;
}

KTScriptedAlertPresenter::~KTScriptedAlertPresenter()
{
    KTAlertPresenter::install(m_previous);
}

void KTScriptedAlertPresenter::answer(int returnCode, bool suppressionChecked)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back([returnCode, suppressionChecked](const KTAlert &) {
        return KTAlertResponse{returnCode, suppressionChecked};
    });
}

void KTScriptedAlertPresenter::answer(Answer answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back([answer = std::move(answer)](const KTAlert &alert) {
        return KTAlertResponse{answer(alert), false};
    });
}

KTAlertResponse KTScriptedAlertPresenter::runModal(const KTAlert &alert)
{
    Response response;
    {
        std::lock_guard lock(m_mutex);
        m_shown.push_back(alert);
        if (m_answers.empty())
            return {alert.returnCodeForButton(0), false};
        response = std::move(m_answers.front());
        m_answers.pop_front();
    }
    // Outside the lock: the answer may show another alert.
    return response(alert);
}

std::vector<KTAlert> KTScriptedAlertPresenter::shown() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

KTUrlRecorder::KTUrlRecorder(const QString &scheme, std::function<void(const QUrl &url)> opened)
    : m_scheme(scheme), m_opened(std::move(opened))
{
    QDesktopServices::setUrlHandler(m_scheme, this, "open");
}

KTUrlRecorder::~KTUrlRecorder()
{
    QDesktopServices::unsetUrlHandler(m_scheme);
}

void KTUrlRecorder::open(const QUrl &url)
{
    if (m_opened)
        m_opened(url);
}

KTChildProcessRun runCurrentTestInChildProcess(const char *variable, std::chrono::milliseconds limit)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    KTChildProcessRun run;
    const bool finished = child.waitForFinished(int(limit.count()));
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    run.output = child.readAll();
    run.passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return run;
}
