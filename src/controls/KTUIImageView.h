#pragma once

#include "KTDrawView.h"

#include <QImage>

#include <optional>

/// An image view that ignores clicks and drags (no selection, no dragging the picture out) and,
/// unless told otherwise, lets a press on it drag the window. The image is drawn as large as
/// fits without enlarging it, centred.
///
/// Threading: main thread only.
class KTUIImageView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTUIImageView(QWidget *parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);

    /// Unset means true.
    std::optional<bool> isMouseDownCanMoveWindow() const { return m_mouseDownCanMoveWindow; }
    void setIsMouseDownCanMoveWindow(std::optional<bool> canMove) { m_mouseDownCanMoveWindow = canMove; }
    bool mouseDownCanMoveWindow() const { return m_mouseDownCanMoveWindow.value_or(true); }

    QSize sizeHint() const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_image;
    std::optional<bool> m_mouseDownCanMoveWindow;
};
