#include "KTTextGeometrics.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>

namespace {

/// Text layout keeps positions in 26.6 fixed point; a far larger box only overflows it.
constexpr double kLargestLayoutExtent = 1.0e6;

QFont fontOf(const KTTextAttributes &attributes)
{
    return attributes.font.value_or(QGuiApplication::font());
}

} // namespace

QSizeF KTTextGeometrics::sizeForWidth(const QString &text, double width, double height, const QFont &font)
{
    if (text.isEmpty())
        return {0, 0};
    const double lineWidth = std::clamp(width, 0.0, kLargestLayoutExtent);
    const double boxHeight = std::max(0.0, height);
    QStringList paragraphs = text.split(QRegularExpression(QStringLiteral("\r\n|[\n\r\u2028\u2029]")));
    // The empty line after a final line break is no line of the text.
    if (paragraphs.size() > 1 && paragraphs.last().isEmpty())
        paragraphs.removeLast();

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    double used = 0;
    double widest = 0;
    for (const QString &paragraph : paragraphs) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        bool full = false;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            if (used + line.height() > boxHeight) {
                full = true;
                break;
            }
            used += line.height();
            widest = std::max(widest, line.naturalTextWidth());
        }
        layout.endLayout();
        if (full)
            break;
    }
    return {widest, used};
}

double KTTextGeometrics::heightForWidth(const QString &text, double width, const QFont &font)
{
    return sizeForWidth(text, width, kUnlimited, font).height();
}

double KTTextGeometrics::widthForHeight(const QString &text, double height, const QFont &font)
{
    return sizeForWidth(text, kUnlimited, height, font).width();
}

QSizeF KTTextGeometrics::sizeForWidth(const QString &text, double width, double height,
                                      const KTTextAttributes &attributes)
{
    return sizeForWidth(text, width, height, fontOf(attributes));
}

double KTTextGeometrics::heightForWidth(const QString &text, double width, const KTTextAttributes &attributes)
{
    return heightForWidth(text, width, fontOf(attributes));
}

double KTTextGeometrics::widthForHeight(const QString &text, double height,
                                        const KTTextAttributes &attributes)
{
    return widthForHeight(text, height, fontOf(attributes));
}
