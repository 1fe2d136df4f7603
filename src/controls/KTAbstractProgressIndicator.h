#pragma once

#include "KTDrawView.h"

#include <QColor>
#include <QTimer>
#include <QVector>

/// A self-drawn spinner of 12 fins whose brightness runs clockwise round the circle, with a
/// determinate pie mode (doubleValue of maxValue, clockwise from twelve o'clock).
///
/// The fins move on a main-thread timer of 50 ms, which runs only while the indicator is shown;
/// usesThreadedAnimation is kept as a setting but both drivers are that timer (widgets cannot
/// paint from another thread). Removing the indicator from its parent stops it for good.
///
/// Threading: main thread only.
class KTAbstractProgressIndicator : public KTDrawView
{
    Q_OBJECT
public:
    /// The only style there is (the platform's spinning style).
    static constexpr int kSpinningStyle = 1;

    explicit KTAbstractProgressIndicator(QWidget *parent = nullptr);
    ~KTAbstractProgressIndicator() override;

    /// Starts the fins when the indicator is indeterminate and not already running.
    void startAnimation();
    /// Stops at once (no fade-out).
    void stopAnimation();
    bool isAnimating() const { return m_animating; }

    /// Only kSpinningStyle is accepted; anything else is a programming error.
    void setStyle(int style);

    QColor color() const { return m_color; }
    /// The colour of fins, ring and pie (black by default); recolours every fin at its alpha.
    void setColor(const QColor &color);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws);
    /// While stopped and not displayed, the indicator is hidden.
    bool isDisplayedWhenStopped() const { return m_displayedWhenStopped; }
    void setDisplayedWhenStopped(bool displayed);
    bool usesThreadedAnimation() const { return m_usesThreadedAnimation; }
    /// A change restarts a running indicator.
    void setUsesThreadedAnimation(bool threaded);
    bool isIndeterminate() const { return m_indeterminate; }
    /// Turning determinate stops a running indicator.
    void setIndeterminate(bool indeterminate);
    double doubleValue() const { return m_doubleValue; }
    /// Makes the indicator determinate (stopping it) and shows the value.
    void setDoubleValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);

    /// The part of the circle the determinate pie covers, 0 to 1: doubleValue / maxValue within
    /// that range, and 0 for a maximum of 0 or less.
    double determinateFraction() const;

    int position() const { return m_position; }
    int numFins() const { return m_numFins; }
    /// The alpha of fin `index`'s colour; 0 for a fin not coloured yet.
    double finAlpha(int index) const;

    /// One step of the fins: the bright fin moves on clockwise and the others fade. The timer
    /// calls it; tests call it to step by hand.
    void updateFrame();
    /// Recolours every fin in the foreground colour at its current alpha.
    void generateFinColorsStartAtPosition(int position);
    /// True while the step timer runs (animating and shown).
    bool isTicking() const { return m_timer.isActive(); }

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidHide() override;
    void viewDidUnhide() override;
    bool event(QEvent *event) override;

private:
    void actuallyStartAnimation();
    void actuallyStopAnimation();
    void updateTimer();

    int m_position = 0;
    int m_numFins = 12;
    QVector<QColor> m_finColors;
    bool m_animating = false;
    QTimer m_timer;
    QColor m_color = Qt::black;
    QColor m_backgroundColor = Qt::transparent;
    bool m_drawsBackground = false;
    bool m_displayedWhenStopped = true;
    bool m_usesThreadedAnimation = true;
    bool m_indeterminate = true;
    double m_doubleValue = 0.0;
    double m_maxValue = 100.0;
};
