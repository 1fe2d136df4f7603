#pragma once

#include "KTWindow.h"

#include <functional>
#include <optional>

/// The main window itself: a KTWindow that hands the events its controller acts on to it
/// (KTMainWindowController owns both and sets the handlers).
///
/// - Closing asks shouldClose (when set) and closes only on true; then willClose() is emitted.
/// - A key press that no widget took goes to keyEquivalent (the active review mode's key
///   equivalents), then to keyDown (the window's own keys); unhandled, it goes on as usual.
/// - A pinch on a touchpad goes to magnify with the gesture's magnification.
/// - Becoming the active window emits becameKey(); minimising emits miniaturized().
/// - Its minimum size is the preferred one where the screen has room; on a smaller screen (or
///   under a large scale factor) it shrinks to the screen's available area less the window
///   frame, so the window fits and the bars at its bottom stay reachable. Checked again when the
///   window is shown, activated or moved to another screen.
///
/// Threading: main thread only.
class KTMainWindow : public KTWindow
{
    Q_OBJECT
public:
    explicit KTMainWindow(QWidget *parent = nullptr);
    ~KTMainWindow() override;

    std::function<bool()> shouldClose;
    std::function<bool(const QKeyEvent &event)> keyEquivalent;
    std::function<bool(const QKeyEvent &event)> keyDown;
    std::function<void(double magnification)> magnify;

    void setPreferredMinimumSize(const QSize &size);
    /// `preferred` bounded by `available` less `frame` (what the window manager adds around the
    /// window); never below 1 x 1.
    static QSize minimumSizeFitting(const QSize &preferred, const QSize &available, const QSize &frame);
    /// `geometry` (the window's, without its frame) when it fits in `available` with `frame`
    /// around it; otherwise shrunk to fit and moved so that its frame lies within `available`.
    static QRect geometryFitting(const QRect &geometry, const QRect &available, const QMargins &frame);

signals:
    void willClose();
    void becameKey();
    void miniaturized();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    /// Fits the minimum size to the screen; with `boundSize`, shrinks a window larger than the
    /// screen onto it too.
    void fitToScreen(bool boundSize);

    QSize m_preferredMinimumSize;
    /// The window's size is fitted at its first showing, again at its first activation (once the
    /// window manager has framed it) and on a change of screen; never on a user's later resize.
    bool m_shownOnce = false;
    /// Its size at its first showing, until its first activation.
    std::optional<QSize> m_sizeToFitAtActivation;
};
