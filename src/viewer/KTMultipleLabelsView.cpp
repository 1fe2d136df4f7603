#include "KTMultipleLabelsView.h"

#include "KTColor.h"
#include "KTFont.h"
#include "KTNamedImages.h"
#include "KTUIImageView.h"

#include <QHBoxLayout>
#include <QLabel>

KTMultipleLabelsView::KTMultipleLabelsView(QWidget *parent) : QWidget(parent) {}

QLabel *KTMultipleLabelsView::defaultTextField()
{
    auto *label = new QLabel;
    label->setFont(ktFont(QStringLiteral("Helvetica"), 13));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ktColor(163, 163, 163));
    label->setPalette(palette);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAutoFillBackground(false);
    return label;
}

void KTMultipleLabelsView::setStrings(const QStringList &strings)
{
    m_strings = strings;
    delete layout();
    qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
    if (strings.isEmpty())
        return;
    const QString separatorName = QStringLiteral("infobar-separator");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(kSpacing);
    int index = 0;
    for (qsizetype i = 0; i < strings.size(); ++i) {
        QLabel *label = defaultTextField();
        label->setText(strings[i]);
        label->setObjectName(QStringLiteral("view%1").arg(index++));
        row->addWidget(label, 0, Qt::AlignVCenter);
        if (i + 1 == strings.size())
            break;
        auto *separator = new KTUIImageView;
        separator->setIsMouseDownCanMoveWindow(false);
        separator->setImage(KTNamedImages::shared().image(separatorName, devicePixelRatioF()));
        separator->setFixedSize(KTNamedImages::shared().naturalSize(separatorName).toSize());
        separator->setObjectName(QStringLiteral("view%1").arg(index++));
        row->addWidget(separator, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
}
