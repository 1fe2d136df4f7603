#include "KTDialogControls.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTValueSlider.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

QLabel *ktDialogLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLabel *ktSectionCaption(const QString &text, QWidget *parent)
{
    return ktDialogLabel(text.toUpper(), ktSmallFont(), KTPalette::kSecondaryText, parent);
}

QCheckBox *ktCheckBox(const QString &title, QWidget *parent)
{
    auto *check = new QCheckBox(title, parent);
    check->setFont(ktBodyFont());
    return check;
}

KTAbstractButton *ktPushButton(const QString &title, QWidget *parent, int minimumWidth)
{
    auto *button = new KTAbstractButton(title, parent);
    button->setBehavior(KTAbstractButton::Momentary);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFixedSize(std::max(button->sizeHint().width() + 16, minimumWidth), 24);
    return button;
}

void ktAddSliderRow(QGridLayout *grid, int row, QWidget *title, KTValueSlider *slider,
                    std::function<QString(double)> format)
{
    auto *value = ktDialogLabel(format(slider->doubleValue()), ktSmallFont(), KTPalette::kSecondaryText,
                                slider->parentWidget());
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the longest text the range gives, so the column does not jump.
    const QFontMetrics metrics(value->font());
    value->setMinimumWidth(std::max(metrics.horizontalAdvance(format(slider->minimumValue())),
                                    metrics.horizontalAdvance(format(slider->maximumValue()))) +
                           4);
    QObject::connect(slider, &KTValueSlider::doubleValueChanged, value,
                     [value, format = std::move(format)](double v) { value->setText(format(v)); });
    grid->addWidget(title, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
}

void ktFillWindowBackground(QWidget *widget)
{
    QPainter(widget).fillRect(widget->rect(), KTPalette::kWindow);
}
