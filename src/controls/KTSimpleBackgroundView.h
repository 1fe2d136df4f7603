#pragma once

#include "KTDrawView.h"

#include <QColor>
#include <QString>

/// The background of the review modes' content area: a tiled pattern, a colour over it, and a side
/// gradient (the gradient colour at both edges, clear in the middle) over both. Each layer is
/// optional; an invalid colour means "none".
///
/// The gradient spans the whole width whatever area is repainted, so a partial repaint paints the
/// same pixels as a full one.
///
/// Threading: main thread only.
class KTSimpleBackgroundView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTSimpleBackgroundView(QWidget *parent = nullptr);

    QString patternImageName() const { return m_patternImageName; }
    /// A KTNamedImages name; a name that names no image paints no pattern.
    void setPatternImageName(const QString &name);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    QColor gradientColor() const { return m_gradientColor; }
    void setGradientColor(const QColor &color);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    QString m_patternImageName;
    QColor m_backgroundColor;
    QColor m_gradientColor;
};
