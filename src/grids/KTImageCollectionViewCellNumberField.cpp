#include "KTImageCollectionViewCellNumberField.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kPadding = 3;

const QFont &numberFont()
{
    static const QFont font = ktSmallFont();
    return font;
}

const QFontMetricsF &numberMetrics()
{
    static const QFontMetricsF metrics(numberFont());
    return metrics;
}

/// The digits of the number font as glyphs, so that a cell's number is laid out without shaping
/// text: every scroll step numbers dozens of cells. Usable only when laying digits side by side
/// gives what shaping gives (no digit pair is kerned); otherwise numbers are shaped.
struct DigitGlyphs
{
    QRawFont font;
    std::array<quint32, 10> glyphs{};
    std::array<double, 10> advances{};
    bool usable = false;

    static const DigitGlyphs &shared()
    {
        static const DigitGlyphs digits = make();
        return digits;
    }

private:
    static DigitGlyphs make()
    {
        DigitGlyphs digits;
        digits.font = QRawFont::fromFont(numberFont());
        const QString all = QStringLiteral("0123456789");
        const QList<quint32> glyphs = digits.font.glyphIndexesForString(all);
        if (!digits.font.isValid() || glyphs.size() != all.size() || glyphs.contains(0))
            return digits;
        const QList<QPointF> advances = digits.font.advancesForGlyphIndexes(glyphs);
        for (int d = 0; d < 10; ++d) {
            digits.glyphs[std::size_t(d)] = glyphs[d];
            digits.advances[std::size_t(d)] = advances[d].x();
        }
        for (QChar a : all) {
            for (QChar b : all) {
                const double shaped = numberMetrics().horizontalAdvance(QString(a) + b);
                const double laid = digits.advances[std::size_t(a.digitValue())] +
                                    digits.advances[std::size_t(b.digitValue())];
                if (std::abs(shaped - laid) > 0.01)
                    return digits;
            }
        }
        digits.usable = true;
        return digits;
    }
};

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

KTImageCollectionViewCellNumberField::KTImageCollectionViewCellNumberField(QWidget *parent)
    : KTDrawView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_staticText.setTextFormat(Qt::PlainText);
}

void KTImageCollectionViewCellNumberField::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    double width = 0;
    const DigitGlyphs &digits = DigitGlyphs::shared();
    m_usesDigitGlyphs = digits.usable && isDigits(text);
    if (m_usesDigitGlyphs) {
        m_glyphs.clear();
        m_positions.clear();
        for (QChar c : text) {
            const auto digit = std::size_t(c.digitValue());
            m_glyphs.append(digits.glyphs[digit]);
            m_positions.append(QPointF(width, 0));
            width += digits.advances[digit];
        }
    } else {
        m_staticText.setText(text);
        m_staticText.prepare(QTransform(), numberFont());
        width = numberMetrics().horizontalAdvance(text);
    }
    m_textWidth = width;
    resize(int(std::ceil(width + 2 * kPadding)), int(std::ceil(numberMetrics().height())));
    update();
}

void KTImageCollectionViewCellNumberField::drawInRect(QPainter &painter, const QRectF &)
{
    painter.fillRect(rect(), QColor(0, 0, 0, 150));
    painter.setPen(KTPalette::kSecondaryText);
    const QSizeF size(m_textWidth, numberMetrics().height());
    const QPointF topLeft((width() - size.width()) / 2, (height() - size.height()) / 2);
    if (m_usesDigitGlyphs) {
        QGlyphRun run;
        run.setRawFont(DigitGlyphs::shared().font);
        run.setGlyphIndexes(m_glyphs);
        run.setPositions(m_positions);
        painter.drawGlyphRun(topLeft + QPointF(0, numberMetrics().ascent()), run);
    } else {
        painter.setFont(numberFont());
        painter.drawStaticText(topLeft, m_staticText);
    }
}
