#pragma once

#include <QString>
#include <QWidget>

class KTAbstractButton;
class KTBadgeButton;
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
    /// One half of a two-part switch ("tab_select" pictures), pushed while its part is on.
    enum class Segment
    {
        Left,
        Right,
    };
    static KTAbstractButton *segmentButton(Segment segment, const QString &pictogram, const QString &toolTip,
                                           QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_left = nullptr;
    QHBoxLayout *m_center = nullptr;
    QHBoxLayout *m_right = nullptr;
};
