#include "KTFont.h"
#include "KTStringAdditions.h"
#include "KTTextGeometrics.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>

using namespace KTStringAdditions;

namespace {

const QFont &font()
{
    static const QFont f = ktFont(QStringLiteral("DejaVu Sans"), 13);
    return f;
}

double widthOf(const QString &text)
{
    return QFontMetricsF(font()).horizontalAdvance(text);
}

/// Names that code-unit cuts would break: a decomposed accent, surrogate pairs, a joined emoji
/// sequence, a flag, and plain text.
const QString kNames[] = {
    QStringLiteral("Cafe\u0301 de Flore, Re\u0301publique.jpg"),
    QString::fromUtf8("\xF0\x9F\x93\xB7\xF0\x9F\x93\xB7 beach \xF0\x9F\x8C\x85 sunset.cr2"),
    QString::fromUtf8(
        "family \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7 day.nef"),
    QString::fromUtf8("trip \xF0\x9F\x87\xAE\xF0\x9F\x87\xB9 2014.jpg"),
    QStringLiteral("IMG_0001.CR2"),
};

} // namespace

// At every width the result is the text itself when it fits, otherwise the longest start that
// ends on a grapheme boundary and fits with "...".
TEST(KTStringAdditionsTest, EndTruncationCutsOnlyBetweenGraphemesAndKeepsTheLongestStartThatFits)
{
    const QString dots = QStringLiteral("...");
    for (const QString &name : kNames) {
        const QVector<int> bounds = graphemeBoundaries(name);
        const double full = widthOf(name);
        for (double width = 0; width <= full + 10; width += 1) {
            const QString result = constrainedStringToWidth(name, width, font());
            if (full <= width - kTruncationMargin) {
                EXPECT_EQ(result, name) << width;
                continue;
            }
            ASSERT_TRUE(result.endsWith(dots)) << qPrintable(result);
            const qsizetype kept = result.size() - 3;
            ASSERT_TRUE(bounds.contains(int(kept))) << "cut inside a grapheme: " << qPrintable(result);
            EXPECT_TRUE(name.startsWith(result.left(kept)));
            if (kept > 0) {
                EXPECT_LE(widthOf(result), width - kTruncationMargin) << qPrintable(result);
            }
            const qsizetype next = bounds.indexOf(int(kept)) + 1;
            if (next < bounds.size() - 1) {
                EXPECT_GT(widthOf(name.left(bounds[next]) + dots), width - kTruncationMargin)
                    << "a longer start would have fitted: " << qPrintable(result);
            }
        }
    }
    EXPECT_EQ(constrainedStringToWidth(QStringLiteral("IMG_0001.CR2"), 0, font()), dots) << "shortest result";
    EXPECT_EQ(constrainedStringToWidth(QString(), 0, font()), QString()) << "nothing to cut";
}

// Each step removes one more grapheme, right of the middle first, then alternately left and right.
TEST(KTStringAdditionsTest, MiddleTruncationKeepsBothEndsAndRemovesFromTheMiddleRightFirst)
{
    const QString dots = QStringLiteral("...");
    for (const QString &name : kNames) {
        const QVector<int> bounds = graphemeBoundaries(name);
        const qsizetype clusters = bounds.size() - 1;
        const qsizetype half = clusters / 2;
        const double full = widthOf(name);
        for (double width = 0; width <= full + 10; width += 1) {
            const QString result = constrainedStringInCenterToWidth(name, width, font());
            if (full <= width - kTruncationMargin) {
                EXPECT_EQ(result, name);
                continue;
            }
            if (result == dots)
                continue;
            // The split around "..." that this step made (a dot of the name next to the
            // ellipsis makes more than one reading possible).
            bool found = false;
            for (qsizetype at = result.indexOf(dots); at >= 0 && !found; at = result.indexOf(dots, at + 1)) {
                const QString head = result.left(at);
                const QString tail = result.mid(at + 3);
                if (!name.startsWith(head) || !name.endsWith(tail))
                    continue;
                const qsizetype headClusters = bounds.indexOf(int(head.size()));
                const qsizetype tailStart = bounds.indexOf(int(name.size() - tail.size()));
                if (headClusters < 0 || tailStart < 0)
                    continue;
                const qsizetype removed = tailStart - headClusters;
                found = headClusters == half - removed / 2 && tailStart == half + (removed + 1) / 2;
            }
            EXPECT_TRUE(found) << "not a middle cut between graphemes: " << qPrintable(result);
            EXPECT_LE(widthOf(result), width - kTruncationMargin);
        }
    }
}

TEST(KTStringAdditionsTest, WillBeTruncatedKeepsNoMarginWhileTheShortenersDo)
{
    const QString name = QStringLiteral("Harbour at dusk.jpg");
    const double width = widthOf(name) + 2;
    EXPECT_FALSE(willBeTruncatedForWidth(name, width, font()));
    EXPECT_NE(constrainedStringToWidth(name, width, font()), name);
    EXPECT_NE(constrainedStringInCenterToWidth(name, width, font()), name);
    EXPECT_TRUE(willBeTruncatedForWidth(name, widthOf(name) - 1, font()));
}

TEST(KTTextGeometricsTest, MeasuresLaidOutLinesWithoutTheEmptyLastLine)
{
    using namespace KTTextGeometrics;
    const double line = QFontMetricsF(font()).height();
    EXPECT_EQ(sizeForWidth(QString(), 100, 100, font()), QSizeF(0, 0));
    EXPECT_EQ(widthForHeight(QString(), 100, font()), 0.0);
    EXPECT_NEAR(widthForHeight(QStringLiteral("Similar Groups"), kUnlimited, font()),
                widthOf(QStringLiteral("Similar Groups")), 0.5);

    const double one = heightForWidth(QStringLiteral("Line one"), 500, font());
    EXPECT_NEAR(one, line, 1.0);
    EXPECT_EQ(heightForWidth(QStringLiteral("Line one\n"), 500, font()), one)
        << "the final line break adds no line";
    EXPECT_NEAR(heightForWidth(QStringLiteral("a\n\nb"), 500, font()), 3 * one, 0.01);

    const QString sentence =
        QStringLiteral("Every image of those sources is imported into a session catalogue");
    const double wrapped = heightForWidth(sentence, 120, font());
    EXPECT_GT(wrapped, 2 * one);
    EXPECT_LE(widthForHeight(sentence, kUnlimited, font()), widthOf(sentence) + 0.5);
    const QSizeF boxed = sizeForWidth(sentence, 120, 1.5 * one, font());
    EXPECT_NEAR(boxed.height(), one, 0.01) << "only lines that fit the height are laid out";
    EXPECT_LE(boxed.width(), 120.0);

    KTTextAttributes attributes;
    attributes.font = font();
    EXPECT_EQ(heightForWidth(sentence, 120, attributes), wrapped);
}
