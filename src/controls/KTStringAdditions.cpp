#include "KTStringAdditions.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

namespace {

double oneLineWidth(const QString &text, const QFontMetricsF &metrics)
{
    return metrics.horizontalAdvance(text);
}

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
    const QFontMetricsF metrics(font);
    const double room = width - kTruncationMargin;
    // An empty text has nothing to cut, so it never turns into "...".
    if (text.isEmpty() || oneLineWidth(text, metrics) <= room)
        return text;
    const QString ellipsis = QString::fromLatin1(kEllipsis);
    const QVector<int> boundaries = graphemeBoundaries(text);
    // Boundary n ends the first n grapheme clusters; the last one is the whole text.
    for (qsizetype n = boundaries.size() - 2; n > 0; --n) {
        const QString candidate = text.left(boundaries[n]) + ellipsis;
        if (oneLineWidth(candidate, metrics) <= room)
            return candidate;
    }
    return ellipsis;
}

QString KTStringAdditions::constrainedStringInCenterToWidth(const QString &text, double width, const QFont &font)
{
    const QFontMetricsF metrics(font);
    const double room = width - kTruncationMargin;
    // An empty text has nothing to cut, so it never turns into "...".
    if (text.isEmpty() || oneLineWidth(text, metrics) <= room)
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
        const QString candidate =
            text.left(boundaries[head]) + ellipsis + text.mid(boundaries[tail]);
        if (oneLineWidth(candidate, metrics) <= room)
            return candidate;
    }
}

bool KTStringAdditions::willBeTruncatedForWidth(const QString &text, double width, const QFont &font)
{
    return oneLineWidth(text, QFontMetricsF(font)) > width;
}
