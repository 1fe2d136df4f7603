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
#include <memory>
#include <vector>

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

/// The digit glyphs drawn once per colour and pixel ratio: a number is then blended from ten small
/// pictures, where drawing its glyphs would rasterise and blend every glyph pixel by pixel again.
struct DigitImages
{
    QRgb color = 0;
    qreal ratio = 1;
    std::array<QImage, 10> images;
    /// Where each picture's top left lies from the glyph's origin on the baseline, in whole
    /// device pixels.
    std::array<QPointF, 10> offsets;

    static const DigitImages &shared(const QColor &color, qreal ratio)
    {
        static std::vector<std::unique_ptr<DigitImages>> made;
        for (const auto &images : made)
            if (images->color == color.rgba() && images->ratio == ratio)
                return *images;
        made.push_back(std::make_unique<DigitImages>(make(color, ratio)));
        return *made.back();
    }

private:
    static DigitImages make(const QColor &color, qreal ratio)
    {
        DigitImages result;
        result.color = color.rgba();
        result.ratio = ratio;
        const DigitGlyphs &digits = DigitGlyphs::shared();
        for (std::size_t d = 0; d < 10; ++d) {
            const QRectF box = digits.font.boundingRect(digits.glyphs[d]);
            const QRect device =
                QRectF(box.topLeft() * ratio, box.size() * ratio).toAlignedRect().adjusted(-1, -1, 1, 1);
            QImage image(device.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            image.setDevicePixelRatio(ratio);
            const QPointF offset = QPointF(device.topLeft()) / ratio;
            QPainter painter(&image);
            painter.setPen(color);
            QGlyphRun run;
            run.setRawFont(digits.font);
            run.setGlyphIndexes({digits.glyphs[d]});
            run.setPositions({QPointF()});
            painter.drawGlyphRun(-offset, run);
            painter.end();
            result.images[d] = image;
            result.offsets[d] = offset;
        }
        return result;
    }
};

/// `point` moved to the nearest device pixel.
QPointF snapped(const QPointF &point, qreal ratio)
{
    return {std::round(point.x() * ratio) / ratio, std::round(point.y() * ratio) / ratio};
}

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

KTImageCollectionViewCellNumberField::KTImageCollectionViewCellNumberField(QWidget *canvas)
    : KTImageCollectionViewCellMark(canvas)
{
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
        m_positions.clear();
        for (QChar c : text) {
            const auto digit = std::size_t(c.digitValue());
            m_positions.append(QPointF(width, 0));
            width += digits.advances[digit];
        }
    } else {
        m_staticText.setText(text);
        m_staticText.prepare(QTransform(), numberFont());
        width = numberMetrics().horizontalAdvance(text);
    }
    m_textWidth = width;
    const QSize size(int(std::ceil(width + 2 * kPadding)), int(std::ceil(numberMetrics().height())));
    if (size == this->size())
        update();
    else
        resize(size);
}

void KTImageCollectionViewCellNumberField::draw(QPainter &painter) const
{
    const QRectF bounds = geometry();
    const qreal ratio = painter.device()->devicePixelRatioF();
    painter.fillRect(geometry(), QColor(0, 0, 0, 150));
    const QSizeF size(m_textWidth, numberMetrics().height());
    const QPointF topLeft(bounds.x() + (bounds.width() - size.width()) / 2,
                          bounds.y() + (bounds.height() - size.height()) / 2);
    if (m_usesDigitGlyphs) {
        const DigitImages &digits = DigitImages::shared(KTPalette::kSecondaryText, ratio);
        const QPointF origin = topLeft + QPointF(0, numberMetrics().ascent());
        for (qsizetype i = 0; i < m_text.size(); ++i) {
            const auto digit = std::size_t(m_text[i].digitValue());
            painter.drawImage(snapped(origin + m_positions[i] + digits.offsets[digit], ratio),
                              digits.images[digit]);
        }
    } else {
        painter.setPen(KTPalette::kSecondaryText);
        painter.setFont(numberFont());
        painter.drawStaticText(topLeft, m_staticText);
    }
}
