#include "KTModeToolbar.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTColor.h"
#include "KTNamedImages.h"
#include "KTResizablePopUpButton.h"
#include "KTZoomSlider.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
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
    const bool right = segment == Segment::Right;
    button->setNormalStateImageWithImageNames(
        left ? QStringLiteral("tab_select_round_left") : QStringLiteral("tab_select_left"),
        QStringLiteral("tab_select_center"),
        right ? QStringLiteral("tab_select_round_right") : QStringLiteral("tab_select_right"));
    button->setPushedStateImageWithImageNames(
        left ? QStringLiteral("tab_select_on_round_left") : QStringLiteral("tab_select_on_left"),
        QStringLiteral("tab_select_on_center"),
        right ? QStringLiteral("tab_select_on_round_right") : QStringLiteral("tab_select_on_right"));
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

QWidget *KTModeToolbar::controlRow(QWidget *parent, QHBoxLayout **row, int spacing)
{
    auto *view = new QWidget(parent);
    auto *layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    if (row)
        *row = layout;
    return view;
}

QWidget *KTModeToolbar::zoomSliderView(QWidget *parent, KTZoomSlider **slider)
{
    QHBoxLayout *row = nullptr;
    QWidget *view = controlRow(parent, &row);
    const auto icon = [view](const QString &name) {
        auto *button = roundButton(name, {}, KTAbstractButton::Momentary, view);
        button->setNormalStateThreeImageName({});
        button->setPushedStateThreeImageName({});
        button->setFixedSize(16, 28);
        button->setAttribute(Qt::WA_TransparentForMouseEvents);
        return button;
    };
    auto *zoom = new KTZoomSlider(view);
    zoom->setObjectName(QStringLiteral("zoomSlider"));
    zoom->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    zoom->setRange(0.0, 1.0);
    zoom->setToolTip(tr("Thumbnail size"));
    row->addWidget(icon(QStringLiteral("thumbs_small")));
    row->addWidget(zoom);
    row->addWidget(icon(QStringLiteral("thumbs_large")));
    if (slider)
        *slider = zoom;
    return view;
}

namespace {

KTResizablePopUpButton *popUpButton(const QStringList &titles, const QString &toolTip, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    for (int tag = 0; tag < titles.size(); ++tag)
        menu->addAction(titles.at(tag))->setData(tag);
    auto *button = new KTResizablePopUpButton(parent);
    button->setNormalStateThreeImageName(QStringLiteral("dropdown"));
    button->setPushedStateThreeImageName(QStringLiteral("dropdown_on"));
    button->setPopUpMenu(menu);
    button->setToolTip(toolTip);
    return button;
}

} // namespace

KTResizablePopUpButton *KTModeToolbar::zoomPopUpButton(QWidget *parent)
{
    KTResizablePopUpButton *button = popUpButton({QStringLiteral("50%"), QStringLiteral("100%"),
                                                  QStringLiteral("200%"), QStringLiteral("400%"), tr("Fit")},
                                                 tr("Zoom"), parent);
    button->setObjectName(QStringLiteral("switchZoomButton"));
    button->setFixedSize(104, 24);
    return button;
}

KTResizablePopUpButton *KTModeToolbar::sortKeyPopUpButton(const QStringList &titles, const QString &toolTip,
                                                          QWidget *parent)
{
    KTResizablePopUpButton *button = popUpButton(titles, toolTip, parent);
    button->setObjectName(QStringLiteral("switchSortKeyButton"));
    button->setFixedSize(128, 24);
    return button;
}

void KTModeToolbar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), KTPalette::kPanel);
    painter.fillRect(QRect(0, 0, width(), 1), KTPalette::kLine);
}
