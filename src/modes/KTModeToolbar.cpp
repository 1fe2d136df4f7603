#include "KTModeToolbar.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTColor.h"
#include "KTNamedImages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>

namespace {

constexpr int kRoundButtonHeight = 28;
constexpr int kSegmentHeight = 22;
constexpr int kSegmentWidth = 34;

void dressRoundButton(KTAbstractButton *button, const QString &pictogram, const QString &toolTip,
                      int behavior)
{
    button->setNormalStateThreeImageName(QStringLiteral("round_btn"));
    button->setPushedStateThreeImageName(QStringLiteral("round_btn_on"));
    button->setPictogramName(pictogram);
    const QString pushed = pictogram + QStringLiteral("_on");
    if (KTNamedImages::shared().contains(pushed))
        button->setPushedPictogramName(pushed);
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->setBehavior(behavior);
    button->setToolTip(toolTip);
    button->setFixedSize(kRoundButtonHeight + 6, kRoundButtonHeight);
}

} // namespace

KTModeToolbar::KTModeToolbar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("bottomToolBar"));
    setFixedHeight(kHeight);
    // Three groups in one row: the centre one centred whatever the sides hold.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 1, 10, 0);
    grid->setHorizontalSpacing(8);
    m_left = new QHBoxLayout;
    m_center = new QHBoxLayout;
    m_right = new QHBoxLayout;
    for (QHBoxLayout *group : {m_left, m_center, m_right}) {
        group->setContentsMargins(0, 0, 0, 0);
        group->setSpacing(6);
    }
    grid->addLayout(m_left, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addLayout(m_center, 0, 1, Qt::AlignCenter);
    grid->addLayout(m_right, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
}

KTAbstractButton *KTModeToolbar::roundButton(const QString &pictogram, const QString &toolTip, int behavior,
                                             QWidget *parent)
{
    auto *button = new KTAbstractButton(parent);
    dressRoundButton(button, pictogram, toolTip, behavior);
    return button;
}

KTBadgeButton *KTModeToolbar::badgeButton(const QString &pictogram, const QString &toolTip, int behavior,
                                          QWidget *parent)
{
    auto *button = new KTBadgeButton(parent);
    dressRoundButton(button, pictogram, toolTip, behavior);
    // Room for a badge of a few digits right of the pictogram.
    button->setFixedSize(kRoundButtonHeight + 30, kRoundButtonHeight);
    return button;
}

KTAbstractButton *KTModeToolbar::segmentButton(Segment segment, const QString &pictogram,
                                               const QString &toolTip, QWidget *parent)
{
    auto *button = new KTAbstractButton(parent);
    const bool left = segment == Segment::Left;
    button->setNormalStateImageWithImageNames(
        left ? QStringLiteral("tab_select_round_left") : QStringLiteral("tab_select_left"),
        QStringLiteral("tab_select_center"),
        left ? QStringLiteral("tab_select_right") : QStringLiteral("tab_select_round_right"));
    button->setPushedStateImageWithImageNames(
        left ? QStringLiteral("tab_select_on_round_left") : QStringLiteral("tab_select_on_left"),
        QStringLiteral("tab_select_on_center"),
        left ? QStringLiteral("tab_select_on_right") : QStringLiteral("tab_select_on_round_right"));
    button->setPictogramName(pictogram);
    const QString pushed = pictogram + QStringLiteral("_on");
    if (KTNamedImages::shared().contains(pushed))
        button->setPushedPictogramName(pushed);
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    // The mode sets the pushed state; a click only asks for the sub-mode.
    button->setBehavior(KTAbstractButton::Momentary);
    button->setToolTip(toolTip);
    button->setFixedSize(kSegmentWidth, kSegmentHeight);
    return button;
}

void KTModeToolbar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), KTPalette::kPanel);
    painter.fillRect(QRect(0, 0, width(), 1), KTPalette::kLine);
}
