#pragma once

#include <QPointer>
#include <QWidget>

/// The look settings of a KTLevelIndicator: its style and whether empty rating positions show
/// placeholder dots.
///
/// Threading: main thread only.
class KTLevelIndicatorCell
{
public:
    enum LevelIndicatorStyle
    {
        RelevancyLevelIndicatorStyle = 0,
        ContinuousCapacityLevelIndicatorStyle = 1,
        DiscreteCapacityLevelIndicatorStyle = 2,
        RatingLevelIndicatorStyle = 3,
    };

    /// `controlView` is redrawn when the look changes.
    explicit KTLevelIndicatorCell(QWidget *controlView = nullptr) : m_controlView(controlView) {}

    int levelIndicatorStyle() const { return m_style; }
    void setLevelIndicatorStyle(int style);

    bool displayDots() const { return m_displayDots; }
    /// Redraws the control only when the value changes.
    void setDisplayDots(bool display);
    /// The rating style draws its placeholder dots while highlighted: the same as displayDots().
    bool isHighlighted() const { return m_displayDots; }

private:
    QPointer<QWidget> m_controlView;
    int m_style = RatingLevelIndicatorStyle;
    bool m_displayDots = false;
};
