#include "KTStringAdditions.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

namespace {

/// The room the shorteners fill: the width less their margin, measured on one line.
class Room
{
public:
    Room(double width, const QFont &font)
        : m_metrics(font), m_room(width - KTStringAdditions::kTruncationMargin)
    {}
    bool fits(const QString &text) const { return m_metrics.horizontalAdvance(text) <= m_room; }

private:
    QFontMetricsF m_metrics;
    double m_room;
};

} // namespace

QVector<int> KTStringAdditions::graphemeBoundaries(const QString &text)
{
    QVector<int> boundaries{0};
    if (text.isEmpty())
        return boundaries;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary())
        boundaries.append(next);
    if (boundaries.last() != text.size())
        boundaries.append(int(text.size()));
    return boundaries;
}

QString KTStringAdditions::constrainedStringToWidth(const QString &text, double width, const QFont &font)
{
    const Room room(width, font);
    // An empty text has nothing to cut, so it never turns into "...".
    if (text.isEmpty() || room.fits(text))
        return text;
    const QString ellipsis = QString::fromLatin1(kEllipsis);
    const QVector<int> boundaries = graphemeBoundaries(text);
    // Boundary n ends the first n grapheme clusters; the last one is the whole text.
    for (qsizetype n = boundaries.size() - 2; n > 0; --n) {
        const QString candidate = text.left(boundaries[n]) + ellipsis;
        if (room.fits(candidate))
            return candidate;
    }
    return ellipsis;
}

QString KTStringAdditions::constrainedStringInCenterToWidth(const QString &text, double width,
                                                            const QFont &font)
{
    const Room room(width, font);
    // An empty text has nothing to cut, so it never turns into "...".
    if (text.isEmpty() || room.fits(text))
        return text;
    const QString ellipsis = QString::fromLatin1(kEllipsis);
    const QVector<int> boundaries = graphemeBoundaries(text);
    const qsizetype clusters = boundaries.size() - 1;
    const qsizetype half = clusters / 2;
    for (qsizetype k = 1;; ++k) {
        // Step k keeps the clusters before `head` and from `tail` on: k - 1 removed, the first
        // right of the middle, then alternately left and right.
        const qsizetype head = std::max<qsizetype>(0, half - (k - 1) / 2);
        const qsizetype tail = std::min<qsizetype>(clusters, half + k / 2);
        if (head == 0 && tail == clusters)
            return ellipsis;
        const QString candidate = text.left(boundaries[head]) + ellipsis + text.mid(boundaries[tail]);
        if (room.fits(candidate))
            return candidate;
    }
}

bool KTStringAdditions::willBeTruncatedForWidth(const QString &text, double width, const QFont &font)
{
    return QFontMetricsF(font).horizontalAdvance(text) > width;
}
