#pragma once

#include "KTSingleInstance.h"

#include <QString>
#include <QStringList>

#include <memory>

class KTAppDelegate;

/// One start of the application, once its QApplication exists: hands the paths to an instance
/// that runs already, or becomes the running instance and launches. The launch prepares the
/// process (the controls' look, decoding limits, focus-mask defaults, pictures, the migration
/// window), installs the layers above the catalogue into it (similarity search, external
/// catalogues), gives the main window the review modes and runs the application delegate, which
/// shows the main window. The program's entry and the end-to-end tests start the application
/// through this one class, so both start it alike.
///
/// Threading: main thread only; handOffToRunningInstance() blocks while it talks to the other
/// instance (it runs before the event loop).
class KTApplicationStart
{
public:
    /// The names under which the application keeps its settings and shows itself.
    static void nameApplication();

    /// A start with `paths` (folders or a catalogue; empty for a plain start) that listens for
    /// later starts on `serverName`.
    explicit KTApplicationStart(QStringList paths,
                                const QString &serverName = KTSingleInstance::defaultServerName());
    /// After a launch, the application's end: the delegate and the main window (with its modes)
    /// go, before the QApplication does.
    ~KTApplicationStart();
    KTApplicationStart(const KTApplicationStart &) = delete;
    KTApplicationStart &operator=(const KTApplicationStart &) = delete;

    /// True when an instance that runs already took the paths: this start is over. Otherwise
    /// this start listens for later ones (false).
    bool handOffToRunningInstance();
    /// Prepares the process and launches the application delegate with the paths; later starts
    /// reach the delegate through the single-instance socket. Once per process.
    void launch();

    /// Null until launch().
    KTAppDelegate *delegate() const { return m_delegate.get(); }
    KTSingleInstance &instance() { return m_instance; }

private:
    QStringList m_paths;
    KTSingleInstance m_instance;
    std::unique_ptr<KTAppDelegate> m_delegate;
};
