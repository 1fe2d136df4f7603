#pragma once

#include <QObject>
#include <QPointer>

class QDialog;

/// Owns a window and runs it modally: runModal() returns when stopModal() is called or the window
/// is closed, with the code given (QDialog's result when closed otherwise).
///
/// runModal() turns a nested event loop; tests stop it from a queued call or a timer.
///
/// Threading: main thread only.
class KTModalWindowController : public QObject
{
    Q_OBJECT
public:
    /// Takes `window`; without one, a KTTopBarLessWindow is made.
    explicit KTModalWindowController(QDialog *window = nullptr, QObject *parent = nullptr);
    ~KTModalWindowController() override;

    QDialog *window() const { return m_window; }
    /// Shows the window modally and returns the code it ended with.
    int runModal();
    /// Ends the running modal session with `code`; nothing when none runs.
    void stopModal(int code);
    bool isRunningModal() const { return m_running; }

signals:
    void modalDidEnd(int code);

private:
    QPointer<QDialog> m_window;
    bool m_running = false;
};
