#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>

class KTWindowWithCustomButtons;
class QPainterPath;
class VQTitlebarContainer;

/// A window with a tall, custom-drawn title strip (56 pixels by default) at the top of its
/// content that hosts an application view (the main window's toolbar). The window system keeps
/// its own frame and buttons above it; dragging the strip moves the window and a double click
/// maximises it. Sheets and window-modal panels open below the strip (sheetTopY()).
///
/// In full screen the window has no frame, so the strip shows the custom close, minimise and
/// full-screen buttons (windowButtons()) at its left, and the title-bar view's left contents
/// margin makes a layout in it keep clear of them; with hideTitleBarInFullScreen the strip
/// collapses instead and comes back at its previous height afterwards. Only this window's own
/// full-screen changes count.
///
/// Use setContentView() for the content, not setCentralWidget(); a menu bar, if any, sits above
/// the strip.
///
/// Threading: main thread only.
class KTWindow : public QMainWindow
{
    Q_OBJECT
public:
    /// Paints the strip in place of the default look: `active` is true while the window is the
    /// active window of the active application, `rect` is the title-bar view's bounds and `clip`
    /// the outline of those bounds with the two top corners rounded by kCornerClipRadius.
    using TitleBarDrawingBlock =
        std::function<void(QPainter &painter, bool active, const QRectF &rect, const QPainterPath &clip)>;

    /// Radius of the rounded top corners of every strip outline.
    static constexpr double kCornerClipRadius = 4.0;
    /// Gap between the top of the strip and the window buttons when they are not centred.
    static constexpr double kButtonTopOffset = 3.0;
    static constexpr double kDefaultTitleBarHeight = 56.0;
    static constexpr double kDefaultButtonsLeftMargin = 7.0;

    explicit KTWindow(QWidget *parent = nullptr);
    ~KTWindow() override;

    /// The view that fills the strip; a KTTitlebarView unless replaced.
    QWidget *titleBarView() const { return m_titleBarView; }
    /// Ignored for null or the current view; the old view is deleted.
    void setTitleBarView(QWidget *view);
    /// The strip itself: it holds titleBarView() and the window buttons.
    QWidget *titleBarContainer() const;

    QWidget *contentView() const { return m_contentView; }
    /// Takes `view` as the content below the strip; the old content view is deleted.
    void setContentView(QWidget *view);

    /// The strip's height in pixels; 0 while it is collapsed in full screen.
    double titleBarHeight() const { return m_titleBarHeight; }
    /// Sets the height (and the height full screen comes back to); lays out at once.
    void setTitleBarHeight(double height);
    double cachedTitleBarHeight() const { return m_cachedTitleBarHeight; }

    bool showsBaselineSeparator() const { return m_showsBaselineSeparator; }
    void setShowsBaselineSeparator(bool shows);
    /// x of the close button in the strip (full screen).
    double trafficLightButtonsLeftMargin() const { return m_buttonsLeftMargin; }
    void setTrafficLightButtonsLeftMargin(double margin);
    /// Centre the window buttons vertically in the strip (otherwise kButtonTopOffset from its top).
    bool centerTrafficLightButtons() const { return m_centerButtons; }
    void setCenterTrafficLightButtons(bool center);
    /// Collapse the strip while the window is in full screen. Takes effect at the next change.
    bool hideTitleBarInFullScreen() const { return m_hideTitleBarInFullScreen; }
    void setHideTitleBarInFullScreen(bool hide) { m_hideTitleBarInFullScreen = hide; }

    TitleBarDrawingBlock titleBarDrawingBlock() const { return m_drawingBlock; }
    /// An empty block restores the default look.
    void setTitleBarDrawingBlock(TitleBarDrawingBlock block);

    /// The only receiver of the window's key equivalents (key presses that reach the window
    /// unhandled): they are offered to it and the controls below it. Not owned.
    QWidget *keyEquivalentHandler() const { return m_keyEquivalentHandler; }
    void setKeyEquivalentHandler(QWidget *handler) { m_keyEquivalentHandler = handler; }
    /// The handler's answer for `event`; false without a handler. The window's own views are
    /// not searched.
    bool performKeyEquivalent(const QKeyEvent &event);

    /// The custom window buttons, shown in the strip only in full screen.
    KTWindowWithCustomButtons *windowButtons() const { return m_windowButtons; }

    /// y (in window coordinates, from the top of the client area) where sheets and
    /// window-modal panels open: the bottom of the strip.
    double sheetTopY() const;

    /// The look of the strip: the window is active in an active application.
    bool isActiveLook() const;

    /// The outline of `rect` with its two top corners rounded by kCornerClipRadius.
    static QPainterPath titleBarClipPath(const QRectF &rect);

signals:
    void enteredFullScreen();
    void exitedFullScreen();

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutTitleBar();
    void updateTitleBarState();
    void fullScreenDidChange(bool fullScreen);

    QWidget *m_frame;
    VQTitlebarContainer *m_container;
    QWidget *m_titleBarView = nullptr;
    QWidget *m_contentView = nullptr;
    KTWindowWithCustomButtons *m_windowButtons;
    QPointer<QWidget> m_keyEquivalentHandler;
    TitleBarDrawingBlock m_drawingBlock;
    double m_titleBarHeight = kDefaultTitleBarHeight;
    double m_cachedTitleBarHeight = kDefaultTitleBarHeight;
    double m_buttonsLeftMargin = kDefaultButtonsLeftMargin;
    bool m_showsBaselineSeparator = true;
    bool m_centerButtons = true;
    bool m_hideTitleBarInFullScreen = false;
    bool m_fullScreen = false;
};
