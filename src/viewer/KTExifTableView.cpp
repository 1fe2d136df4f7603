#include "KTExifTableView.h"

#include "KTAbstractBackgroundView.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTLocalizedTextField.h"
#include "KTMultiLineTextField.h"

#include <QHBoxLayout>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

const char *const kTitleName = "titleLabel";
const char *const kValueName = "valueLabel";

void styleField(QLabel *field, const QColor &color)
{
    field->setFont(ktFont(QStringLiteral("Helvetica"), 13));
    QPalette palette = field->palette();
    palette.setColor(QPalette::WindowText, color);
    field->setPalette(palette);
    field->setTextInteractionFlags(Qt::NoTextInteraction);
    field->setAutoFillBackground(false);
}

} // namespace

KTExifTableView::KTExifTableView(QWidget *parent)
    : QWidget(parent), m_darkColor(ktColor(86, 86, 86)), m_lightColor(ktColor(163, 163, 163))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, kMainOffset, 0, kMainOffset);
    column->setSpacing(0);
}

void KTExifTableView::setRowsTitles(const QStringList &titles, const QStringList &values,
                                    const QSet<int> &separators)
{
    Q_ASSERT_X(titles.size() == values.size(), "KTExifTableView", "There should be as many titles as values");
    auto *column = static_cast<QVBoxLayout *>(layout());
    while (QLayoutItem *item = column->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const qsizetype count = std::min(titles.size(), values.size());
    for (qsizetype i = 0; i < count; ++i) {
        QWidget *row = rowViewWithTitle(titles[i], values[i]);
        row->setObjectName(QStringLiteral("rowView%1").arg(i));
        column->addWidget(row);
        if (separators.contains(int(i))) {
            QWidget *separator = separatorView();
            separator->setObjectName(QStringLiteral("separator%1").arg(i));
            column->addWidget(separator);
        }
    }
    column->addStretch(1);
}

QWidget *KTExifTableView::rowViewWithTitle(const QString &title, const QString &value)
{
    auto *row = new QWidget(this);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 4);
    line->setSpacing(kColumnOffset);
    auto *titleLabel = new KTLocalizedTextField(title, row);
    titleLabel->setObjectName(QLatin1String(kTitleName));
    styleField(titleLabel, m_darkColor);
    titleLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    titleLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *valueLabel = new KTMultiLineTextField(value, row);
    valueLabel->setObjectName(QLatin1String(kValueName));
    styleField(valueLabel, m_lightColor);
    valueLabel->setWordWrap(true);
    valueLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    valueLabel->setFixedWidth(kValueWidth);
    line->addStretch(1);
    line->addWidget(titleLabel, 0, Qt::AlignTop);
    line->addWidget(valueLabel, 0, Qt::AlignTop);
    return row;
}

QWidget *KTExifTableView::separatorView()
{
    auto *container = new QWidget(this);
    auto *box = new QVBoxLayout(container);
    box->setContentsMargins(0, 5, 0, 5);
    auto *line = new KTAbstractBackgroundView(container);
    line->setBackgroundColor(m_darkColor);
    line->setFixedHeight(1);
    box->addWidget(line);
    return container;
}

int KTExifTableView::rowCount() const
{
    return int(findChildren<QWidget *>(QRegularExpression(QStringLiteral("^rowView\\d+$")),
                                       Qt::FindDirectChildrenOnly)
                   .size());
}

QString KTExifTableView::valueAt(int row) const
{
    const auto *rowView =
        findChild<QWidget *>(QStringLiteral("rowView%1").arg(row), Qt::FindDirectChildrenOnly);
    const auto *value =
        rowView ? rowView->findChild<KTLocalizedTextField *>(QLatin1String(kValueName)) : nullptr;
    return value ? value->stringValue() : QString();
}

QString KTExifTableView::titleAt(int row) const
{
    const auto *rowView =
        findChild<QWidget *>(QStringLiteral("rowView%1").arg(row), Qt::FindDirectChildrenOnly);
    const auto *title =
        rowView ? rowView->findChild<KTLocalizedTextField *>(QLatin1String(kTitleName)) : nullptr;
    return title ? title->stringValue() : QString();
}
