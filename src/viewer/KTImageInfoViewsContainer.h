#pragma once

#include "KTDrawView.h"

#include <QPointer>

/// The background behind the information strips of the group modes: the panel colour above
/// the transparent bottom band, and, while the EXIF panel is shown, a separator line at the
/// right edge of the background view.
///
/// Threading: main thread only.
class KTImageInfoViewsContainer : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTImageInfoViewsContainer(QWidget *parent = nullptr);

    /// The view whose right edge the separator line follows.
    QWidget *backgroundView() const { return m_backgroundView; }
    void setBackgroundView(QWidget *view) { m_backgroundView = view; }
    bool drawsSeparator() const { return m_drawsSeparator; }
    /// Takes effect at the next drawing.
    void setDrawsSeparator(bool draws) { m_drawsSeparator = draws; }

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    QPointer<QWidget> m_backgroundView;
    bool m_drawsSeparator = false;
};
