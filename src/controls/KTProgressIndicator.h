#pragma once

#include "KTDrawView.h"

#include <QImage>

class QVariantAnimation;

/// The progress bar of the progress sheet, drawn from the pictures "loader_left",
/// "loader_center", "loader_right" (the bar), "loader_fill_center" (the fill) and "loader_anim"
/// (the stripe tile). Determinate, it fills from the left in proportion to its value;
/// indeterminate, stripes slide to the right, one tile every 10 s. Fill and stripes are clipped
/// to the bar's shape, and every picture is rebuilt when the bar is resized.
///
/// A new bar is indeterminate and animating, with the range 0 to 1 and the value 0.5. The stripe
/// animation runs until stopAnimation() whatever the mode, but costs nothing while the stripes
/// are not shown (determinate, or the bar hidden).
///
/// Threading: main thread only.
class KTProgressIndicator : public KTDrawView
{
    Q_OBJECT
public:
    /// Seconds for the stripes to move by one tile.
    static constexpr double kStripePeriod = 10.0;

    explicit KTProgressIndicator(QWidget *parent = nullptr);
    ~KTProgressIndicator() override;

    double minValue() const { return m_minValue; }
    double maxValue() const { return m_maxValue; }
    double value() const { return m_value; }
    /// Each rebuilds the fill when the value changes.
    void setMinValue(double value);
    void setMaxValue(double value);
    void setValue(double value);

    bool isIndeterminate() const { return m_indeterminate; }
    /// Shows the stripes (true) or the fill, at once.
    void setIndeterminate(bool indeterminate);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }

    /// The filled part of the bar, 0 to 1: (value - min) / (max - min) within that range; 0 for
    /// an empty or reversed range (a job of zero steps).
    double fraction() const;
    /// The area the fill covers, in widget coordinates.
    QRectF fillRect() const;
    /// The width of the stripe strip: whole tiles, at least one tile wider than the bar.
    double stripesWidth() const;
    /// The strip's current x, from minus one tile width to 0.
    double stripesOffset() const { return m_stripesOffset; }
    /// True while the stripes actually move (animating, indeterminate and shown).
    bool isStripeAnimationRunning() const;

    QSize sizeHint() const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void resizeEvent(QResizeEvent *event) override;
    void viewDidHide() override;
    void viewDidUnhide() override;

private:
    void rebuildImages();
    void rebuildFill();
    void updateStripeAnimation();
    double tileWidth() const;

    double m_minValue = 0.0;
    double m_maxValue = 1.0;
    double m_value = 0.5;
    bool m_indeterminate = true;
    bool m_animating = false;
    double m_stripesOffset = 0.0;
    QVariantAnimation *m_stripes;
    QImage m_bar;
    QImage m_fill;
    QImage m_strip;
    QImage m_composed;
};
