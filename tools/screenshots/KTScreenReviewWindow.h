#pragma once

#include <QString>

#include <functional>
#include <memory>

class KTBaseUIModeController;
class KTImageStorage;
class KTMainWindowController;
class QWidget;

/// The application's main window over a catalogue with the review modes the application installs
/// (KTReviewModeFactory), showing one UI mode at the screens' window size, the tips closed and the
/// pointer away from it. The mode factory is installed while the window lives.
///
/// Threading: main thread only.
class KTScreenReviewWindow
{
public:
    KTScreenReviewWindow(KTImageStorage &storage, const QString &uiMode);
    ~KTScreenReviewWindow();
    KTScreenReviewWindow(const KTScreenReviewWindow &) = delete;
    KTScreenReviewWindow &operator=(const KTScreenReviewWindow &) = delete;

    KTMainWindowController &controller() const { return *m_controller; }
    QWidget &window() const;
    /// The mode on screen; null when the window has none.
    KTBaseUIModeController *mode() const;

private:
    std::unique_ptr<KTMainWindowController> m_controller;
};

/// Turns the event loop until `done` holds or `milliseconds` have passed.
void settle(const std::function<bool()> &done, int milliseconds = 5000);

/// Turns the event loop until every thumbnail on screen in `window` shows its picture of the
/// cell's size (or its file is missing) and every image view on screen its preview.
void settlePictures(const QWidget &window);
