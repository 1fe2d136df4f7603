#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

/// Turns the signals with which a desktop or a terminal ends a program (SIGTERM at log-out,
/// SIGHUP when the terminal goes, SIGINT for Ctrl+C) into terminationRequested() on the main
/// thread, so the application can save before it ends instead of being cut off.
///
/// The handler only writes the signal's number to a pipe (all a handler may safely do); a socket
/// notifier reads it on the main thread's event loop. While an instance lives it owns the three
/// signals' handlers; destroying it gives them back their previous handlers. One instance at a
/// time per process.
///
/// Threading: create, use and destroy on the main thread.
class KTTerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit KTTerminationSignals(QObject *parent = nullptr);
    ~KTTerminationSignals() override;

    /// False when the pipe or the handlers could not be set up (the signals then end the process
    /// as they did before).
    bool isListening() const { return m_listening; }

signals:
    /// A termination signal arrived; `signalNumber` is the signal's.
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    bool m_listening = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
