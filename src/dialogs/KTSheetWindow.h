#pragma once

#include "KTTopBarLessWindow.h"

#include <QPointer>

/// A sheet: a frameless panel that hangs from the bottom of a window's title strip, centred on
/// the window, and keeps the window from taking input while it is shown (window-modal). It is a
/// window of its own that follows its presenting window's moves and resizes.
///
/// beginSheet() shows it and returns at once: no nested event loop runs, so the caller and the
/// main loop go on while the sheet is up.
///
/// Threading: main thread only.
class KTSheetWindow : public KTTopBarLessWindow
{
    Q_OBJECT
public:
    explicit KTSheetWindow(QWidget *parent = nullptr);
    ~KTSheetWindow() override;

    /// Where sheets of `window` open, in its own coordinates: the bottom of its title strip for a
    /// KTWindow (sheetTopY()), the top of the window otherwise.
    static double sheetTopY(const QWidget *window);

    /// Shows the sheet on `window`'s window; nothing for a null window. A sheet already shown on
    /// another window moves to this one.
    void beginSheet(QWidget *window);
    /// Hides the sheet and gives the activation back to the window that had it when the sheet
    /// began (the presenting window, or one shown over it), or else to the presenting window.
    void endSheet();
    bool isSheetShown() const { return isVisible(); }
    QWidget *presentingWindow() const { return m_presentingWindow; }

    /// Places the sheet at the presenting window's sheet top, centred; nothing without one.
    void positionSheet();

public slots:
    /// Escape does not close a sheet: its owner ends it.
    void reject() override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    /// Gives the activation back to the presenting window when it landed on the sheet after the
    /// sheet was hidden.
    void returnStrayActivation();
    /// The window active when the sheet began, while it is shown; else the presenting window.
    QWidget *windowToReactivate() const;

    QPointer<QWidget> m_presentingWindow;
    QPointer<QWidget> m_activeBeforeSheet;
};
