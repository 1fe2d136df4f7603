#pragma once

#include "KTTopBarLessWindow.h"

#include <QPointer>

#include <functional>

/// The base of the modal information windows (tips, about, acknowledgements): a frameless
/// panel shown over a parent window whose content, and for a KTWindow its title strip, are
/// dimmed by black veils at alpha 0.6 that fade in and out. The veils follow the parent's
/// resizes and are removed after the fade-out.
///
/// Show one with KTOverlayWindow::present<KTAboutWindow>(mainWindow): it makes a fresh overlay
/// of the class and runs it; subclasses add their content in their constructors and close with
/// closeOverlay() (Escape does the same).
///
/// Threading: main thread only; showing runs a nested modal event loop.
class KTOverlayWindow : public KTTopBarLessWindow
{
    Q_OBJECT
public:
    using Completion = std::function<void()>;
    enum PositionType : unsigned
    {
        /// Centred over the parent.
        PositionCentered = 0,
        /// Where the overlay already is (set by the subclass before showing).
        PositionKept = 1,
    };

    /// Seconds of the veils' fade in and out.
    static constexpr double kFadeDuration = 0.25;

    explicit KTOverlayWindow(QWidget *parent = nullptr);
    ~KTOverlayWindow() override;

    /// Makes an overlay of class `Overlay` and shows it over `parent`; returns when it has been
    /// closed (the veils are still fading out then).
    template <class Overlay = KTOverlayWindow>
    static void present(QWidget *parent, unsigned positionType = PositionCentered, Completion completion = {})
    {
        Overlay overlay;
        overlay.showInWindow(parent, positionType, std::move(completion));
    }

    /// Dims `parent`'s window, places the overlay by `positionType`, and runs it modally. Returns
    /// after the overlay has been closed; the veils then fade out, go away, and the parent
    /// becomes the active window again. A null parent shows the overlay without veils. The parent
    /// window, and the overlay with it when it is the parent's child, may be deleted while the
    /// overlay runs: the call then returns without touching either.
    void showInWindow(QWidget *parent, unsigned positionType = PositionCentered, Completion completion = {});

    /// Runs the completion block (when set), ends the modal loop with code 0 and hides the
    /// overlay. The action of the overlay's close button.
    void closeOverlay();

    /// Centres the overlay over windowToCenter() when the position type is PositionCentered;
    /// otherwise centres it on its screen.
    void center();

    Completion completionBlock() const { return m_completion; }
    void setCompletionBlock(Completion completion) { m_completion = std::move(completion); }
    QWidget *windowToCenter() const { return m_windowToCenter; }
    void setWindowToCenter(QWidget *window) { m_windowToCenter = window; }
    unsigned positionType() const { return m_positionType; }
    void setPositionType(unsigned type) { m_positionType = type; }

public slots:
    /// Escape closes the overlay as its close button does.
    void reject() override;

private:
    Completion m_completion;
    QPointer<QWidget> m_windowToCenter;
    unsigned m_positionType = PositionCentered;
};
