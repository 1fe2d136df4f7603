#pragma once

#include "KTDrawView.h"

class QPainter;

/// The default view inside a KTWindow's title strip: paints the strip (a grey gradient with a
/// separator line and a faint noise, or the window's drawing block) and maximises the window on
/// a double click, as title bars of this desktop do. Anything put into it (the toolbar) should
/// be transparent so the strip shows through.
///
/// Threading: main thread only.
class KTTitlebarView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTTitlebarView(QWidget *parent = nullptr);

    /// Screens the process-wide noise texture (124 x 124 grey values, one texture pixel per
    /// device pixel) over the painter's clip at `opacity`.
    void drawNoiseWithOpacity(QPainter &painter, double opacity) const;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void drawDefaultBar(QPainter &painter, bool active, bool fullScreen, bool separator);
};
