#include "KTSegmentedTimeRangeView.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTViewAdditions.h"

#include <QHBoxLayout>

KTSegmentedTimeRangeView::KTSegmentedTimeRangeView(QWidget *parent) : KTSegmentedView(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
}

void KTSegmentedTimeRangeView::setButtonTitles(const QStringList &titles, QObject *target,
                                               std::function<void(KTAbstractButton *sender)> action)
{
    for (QWidget *child : childWidgets(this))
        delete child;
    const int count = int(titles.size());
    for (int i = 0; i < count; ++i) {
        auto *button = new KTAbstractButton(titles[i]);
        button->setTag(i);
        button->setBehavior(KTAbstractButton::Toggle);
        button->setSelectedFontColor(ktColor(255, 179, 33, 1.0));
        if (i == 0) {
            button->setNormalStateImageWithImageNames(QStringLiteral("tab_select_round_left"),
                                                      QStringLiteral("tab_select_center"),
                                                      QStringLiteral("tab_select_right"));
            button->setPushedStateImageWithImageNames(QStringLiteral("tab_select_on_round_left"),
                                                      QStringLiteral("tab_select_on_center"),
                                                      QStringLiteral("tab_select_on_right"));
        } else if (i == count - 1) {
            button->setNormalStateImageWithImageNames(QStringLiteral("tab_select_left"),
                                                      QStringLiteral("tab_select_left"),
                                                      QStringLiteral("tab_select_round_right"));
            button->setPushedStateImageWithImageNames(QStringLiteral("tab_select_on_left"),
                                                      QStringLiteral("tab_select_on_left"),
                                                      QStringLiteral("tab_select_on_round_right"));
        } else {
            button->setNormalStateThreeImageName(QStringLiteral("tab_select"));
            button->setPushedStateThreeImageName(QStringLiteral("tab_select_on"));
        }
        // Equal shares of the row, never narrower than the minimum.
        button->setMinimumWidth(kMinimumButtonWidth);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        if (action) {
            connect(button, &KTControl::clicked, target ? target : this,
                    [button, action] { action(button); });
        }
        addSubview(button);
        static_cast<QHBoxLayout *>(layout())->addWidget(button, 1);
    }
}

void KTSegmentedTimeRangeView::setIconWithName(const QString &name, int index)
{
    const QList<KTAbstractButton *> all = buttons();
    if (index < 0 || index >= all.size())
        return;
    all[index]->setPictogramName(name);
    all[index]->setPushedPictogramName(name + QStringLiteral("_on"));
}

QList<KTAbstractButton *> KTSegmentedTimeRangeView::buttons() const
{
    QList<KTAbstractButton *> result;
    for (QWidget *child : childWidgets(this)) {
        if (auto *button = qobject_cast<KTAbstractButton *>(child))
            result.append(button);
    }
    return result;
}
