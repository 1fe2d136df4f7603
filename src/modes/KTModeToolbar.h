#pragma once

#include <QString>
#include <QWidget>

class KTAbstractButton;
class KTBadgeButton;
class KTResizablePopUpButton;
class KTZoomSlider;
class QHBoxLayout;

/// The bottom toolbar of a review mode: a panel-coloured bar with a dividing line on top and three
/// groups of controls (left, centre, right); the centre group stays centred in the bar. It also
/// makes the round toolbar buttons and the two-part sub-mode switch the modes share.
///
/// Threading: main thread only.
class KTModeToolbar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 40;

    explicit KTModeToolbar(QWidget *parent = nullptr);

    QHBoxLayout *leftLayout() const { return m_left; }
    QHBoxLayout *centerLayout() const { return m_center; }
    QHBoxLayout *rightLayout() const { return m_right; }

    /// A round button with the pictogram `pictogram` ("<pictogram>_on" while pushed when that
    /// picture exists), a tool tip and the behaviour given (KTAbstractButton::Behavior).
    static KTAbstractButton *roundButton(const QString &pictogram, const QString &toolTip, int behavior,
                                         QWidget *parent);
    /// The same as a badge button (a count on its pictogram).
    static KTBadgeButton *badgeButton(const QString &pictogram, const QString &toolTip, int behavior,
                                      QWidget *parent);
    /// One part of a switch ("tab_select" pictures), pushed while its part is on: the rounded
    /// left end, a middle part, or the rounded right end.
    enum class Segment
    {
        Left,
        Middle,
        Right,
    };
    static KTAbstractButton *segmentButton(Segment segment, const QString &pictogram, const QString &toolTip,
                                           QWidget *parent);

    /// A row of controls: a plain widget under `parent` whose horizontal layout (no margins,
    /// `spacing` between the controls) is returned in `row`.
    static QWidget *controlRow(QWidget *parent, QHBoxLayout **row, int spacing = 6);
    /// The thumbnail zoom: the slider (0.0 to 1.0, in `slider`) between a small and a large
    /// thumbnail pictogram.
    static QWidget *zoomSliderView(QWidget *parent, KTZoomSlider **slider);
    /// The viewer's zoom pop-up: tags 0 "50%", 1 "100%", 2 "200%", 3 "400%", 4 "Fit".
    static KTResizablePopUpButton *zoomPopUpButton(QWidget *parent);
    /// A pop-up of the sort keys titled `titles`, tagged by position.
    static KTResizablePopUpButton *sortKeyPopUpButton(const QStringList &titles, const QString &toolTip,
                                                      QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_left = nullptr;
    QHBoxLayout *m_center = nullptr;
    QHBoxLayout *m_right = nullptr;
};
