#pragma once

#include <QWidget>

/// Base of every custom-drawn view: subclasses draw in drawInRect() and learn of being hidden and
/// shown again through viewDidHide() and viewDidUnhide().
///
/// Qt drops paints of hidden widgets and repaints a widget in full when it is shown again, so no
/// dirty area is collected while hidden; drawInRect() is never called while the view or one of
/// its ancestors is hidden, even when something renders it explicitly.
///
/// Threading: main thread only.
class KTDrawView : public QWidget
{
    Q_OBJECT
public:
    explicit KTDrawView(QWidget *parent = nullptr);

protected:
    /// The drawing of the subclass; `dirty` is the area to paint in widget coordinates (the
    /// bounding rectangle of the region being painted, to which the painter is clipped). Empty here.
    virtual void drawInRect(QPainter &painter, const QRectF &dirty);
    /// The view or an ancestor was hidden by the program (not by the window system).
    virtual void viewDidHide();
    /// The view became visible again; it is repainted in full right after. Overrides call the base.
    virtual void viewDidUnhide();

    void paintEvent(QPaintEvent *event) final;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};
