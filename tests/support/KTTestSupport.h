#pragma once

#include "KTAlert.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

/// Runs the main queue until nothing is left to do (posted jobs that post more run too).
void drainMainQueue();

/// Turns the event loop until `condition` holds or `timeout` passes; returns the final value.
bool waitUntil(const std::function<bool()> &condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

/// Starts an asynchronous call with `start(completion)`, where the completion takes one `Value`,
/// and turns the event loop until the completion has run or `timeout` passes. Returns what the
/// completion received, or nullopt when it did not run in time.
template <typename Value, typename Start>
std::optional<Value> awaitCompletion(Start start,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    // Shared, so a completion that runs after the timeout writes into something that still lives.
    const auto received = std::make_shared<std::optional<Value>>();
    start([received](const Value &value) { *received = value; });
    waitUntil([&] { return received->has_value(); }, timeout);
    return *received;
}

/// The end of a run of the current test in a process of its own.
struct KTChildProcessRun
{
    /// Ended within the limit, normally, with exit code 0.
    bool passed = false;
    /// Its standard output and error, merged.
    QByteArray output;
};

/// Runs the current test again in a new process of this test program, with `variable` set to
/// "1" in its environment (the test's body tells the two runs apart by it). Blocks until that
/// process ends or `limit` passes.
KTChildProcessRun runCurrentTestInChildProcess(const char *variable,
                                               std::chrono::milliseconds limit = std::chrono::seconds(60));

/// The largest single heap allocation made on any thread while it lives. Measured only in
/// builds with AddressSanitizer (largest() is nullopt elsewhere); one at a time.
class KTLargestAllocation
{
public:
    KTLargestAllocation();
    ~KTLargestAllocation();
    KTLargestAllocation(const KTLargestAllocation &) = delete;
    KTLargestAllocation &operator=(const KTLargestAllocation &) = delete;

    std::optional<std::size_t> largest() const;
};

/// Captures log lines (every Qt message category) while it lives; still forwards them.
class KTLogCapture
{
public:
    KTLogCapture();
    ~KTLogCapture();
    KTLogCapture(const KTLogCapture &) = delete;
    KTLogCapture &operator=(const KTLogCapture &) = delete;

    QStringList lines() const;
    bool contains(const QString &text) const;
};

/// An alert presenter that answers from a script and records what it was shown.
/// Installed while the returned pointer lives (the previous presenter comes back when it is
/// destroyed); an alert with no scripted answer gets the first button.
class KTScriptedAlertPresenter : public KTAlertPresenter
{
public:
    /// An answer worked out when the alert shows (so a test can change the world between two
    /// showings of one question).
    using Answer = std::function<int(const KTAlert &alert)>;

    static std::shared_ptr<KTScriptedAlertPresenter> install();
    ~KTScriptedAlertPresenter() override;

    void answer(int returnCode, bool suppressionChecked = false);
    void answer(Answer answer);
    KTAlertResponse runModal(const KTAlert &alert) override;
    std::vector<KTAlert> shown() const;

private:
    using Response = std::function<KTAlertResponse(const KTAlert &alert)>;
    mutable std::mutex m_mutex;
    std::deque<Response> m_answers;
    std::vector<KTAlert> m_shown;
    std::shared_ptr<KTAlertPresenter> m_previous;
};

/// Stands in for the desktop's handler of the URLs of `scheme` while it lives (QDesktopServices
/// then opens nothing): `opened` is told each URL instead.
class KTUrlRecorder : public QObject
{
    Q_OBJECT
public:
    KTUrlRecorder(const QString &scheme, std::function<void(const QUrl &url)> opened);
    ~KTUrlRecorder() override;

public slots:
    void open(const QUrl &url);

private:
    QString m_scheme;
    std::function<void(const QUrl &url)> m_opened;
};
