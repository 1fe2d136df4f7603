#pragma once

#include <QFont>
#include <QWidget>

/// The "Loading..." badge a viewer shows near its bottom edge while the full-size image decodes:
/// white text on black at alpha 0.8, corner radius 4, 10 points of padding, the text at least 40
/// points wide. It lets the mouse through.
///
/// Threading: main thread only.
class KTLoadingBadge : public QWidget
{
public:
    static constexpr double kPadding = 10.0;
    static constexpr double kMinimumTextWidth = 40.0;
    /// The gap between the badge and the bottom of the view it is placed in.
    static constexpr double kBottomOffset = 40.0;

    explicit KTLoadingBadge(QWidget *parent);

    QString text() const { return m_text; }
    /// Centred near the bottom of its parent.
    void place();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QFont m_font;
};
