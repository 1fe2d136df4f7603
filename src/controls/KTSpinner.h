#pragma once

#include "KTDrawView.h"

#include <QTimer>

/// A spinner that plays the twelve pictures "spinner00" to "spinner11" in a loop, one turn a
/// second, centred at their natural size. It runs from its creation and cannot be stopped; its
/// timer rests while it is hidden.
///
/// Threading: main thread only.
class KTSpinner : public KTDrawView
{
    Q_OBJECT
public:
    static constexpr int kFrameCount = 12;

    explicit KTSpinner(QWidget *parent = nullptr);

    /// "spinner00" ... "spinner11".
    static QString frameName(int index);

    /// The frame shown now, 0 to 11.
    int frameIndex() const { return m_frame; }
    /// Moves on to the next frame (after 11 comes 0). The timer calls it; tests step by hand.
    void showNextFrame();
    /// True while the frame timer runs.
    bool isSpinning() const { return m_timer.isActive(); }

    QSize sizeHint() const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidHide() override;
    void viewDidUnhide() override;

private:
    int m_frame = 0;
    QTimer m_timer;
};
