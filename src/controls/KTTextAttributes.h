#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

/// A text shadow: colour and offset, y-up (a positive y moves the shadow up).
struct KTTextShadow
{
    QColor color;
    QPointF offset;

    /// The shadow of text on dark controls: black at alpha 0.5, offset (1, -1).
    static KTTextShadow controlShadow();
    bool operator==(const KTTextShadow &other) const = default;
};

/// The look of a run of text, each entry optional ("not given"): font, colour, shadow and
/// underline. Fields and helpers merge these the way the text's own attributes are merged with
/// a control's.
struct KTTextAttributes
{
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<KTTextShadow> shadow;
    std::optional<bool> underline;
    std::optional<QColor> underlineColor;

    /// These attributes with every entry they lack taken from `fallback`.
    KTTextAttributes unitedWith(const KTTextAttributes &fallback) const;
    bool operator==(const KTTextAttributes &other) const = default;
};

/// Draws `text` on one line in `rect` with `alignment`: shadow first, then the text, each
/// underlined when asked; entries not given take `font` and `color`. Text wider than the
/// rectangle is clipped.
void drawAttributedText(QPainter &painter, const QRectF &rect, const QString &text,
                        const KTTextAttributes &attributes, const QFont &font, const QColor &color,
                        Qt::Alignment alignment);
