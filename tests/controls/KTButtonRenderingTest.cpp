#include "KTButtonRendering.h"
#include "KTFont.h"

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage solid(QSize size, QColor colour, qreal ratio = 1)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(colour);
    return image;
}

/// The box of pixels that differ from `background`, in device pixels.
QRect changed(const QImage &image, QColor background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != background)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

/// The box of the badge's orange-red fill.
QRect badgeBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 240 && c.green() > 50 && c.green() < 80 && c.blue() < 20)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

TEST(KTButtonRenderingTest, NothingToAddGivesTheInputBack)
{
    const QImage image = solid({40, 20}, Qt::gray);
    EXPECT_TRUE(imageByAddingTitle("T", QImage(), 0, std::nullopt, {}, {}, false).isNull());
    EXPECT_TRUE(imageByAddingTitleAndSubtitle("T", "S", QImage(), 0, std::nullopt, 0, 0, {}, {}).isNull());
    EXPECT_TRUE(imageByAddingBadge("3", QImage(), {}, {40, 20}).isNull());
    EXPECT_EQ(imageByAddingTitle("", image, 0, std::nullopt, {}, {}, false).cacheKey(), image.cacheKey());
    EXPECT_EQ(imageByAddingTitleAndSubtitle("", "S", image, 0, std::nullopt, 0, 0, {}, {}).cacheKey(),
              image.cacheKey());
    EXPECT_EQ(imageByAddingBadge("", image, {}, {40, 20}).cacheKey(), image.cacheKey());
}

TEST(KTButtonRenderingTest, TitleKeepsTheSizeAndCentresByTheLayoutBits)
{
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage image = solid({120, 30}, Qt::darkGray, ratio);
        const QImage left = imageByAddingTitle("Mode", image, 0, std::nullopt, Qt::white, {4, 0}, false);
        const QImage centred =
            imageByAddingTitle("Mode", image, KTTitleCentredHorizontally | KTTitleCentredVertically,
                               std::nullopt, Qt::white, {0, 0}, false);
        EXPECT_EQ(centred.size(), image.size());
        EXPECT_EQ(centred.devicePixelRatio(), ratio);
        const QRect atLeft = changed(left, Qt::darkGray);
        const QRect atCentre = changed(centred, Qt::darkGray);
        EXPECT_NEAR(atLeft.left(), 4 * ratio, 2 * ratio);
        EXPECT_GT(atLeft.top(), image.height() / 3) << "offset (4, 0) puts the line at the bottom";
        EXPECT_NEAR(atCentre.center().x(), image.width() / 2.0, 2 * ratio);
        EXPECT_NEAR(atCentre.center().y(), image.height() / 2.0, 3 * ratio);
    }
}

// The two-line title sits near the top; a font named "BebasNeue" raises it by half a line.
TEST(KTButtonRenderingTest, SubtitleGoesUnderTheTitleAndBebasNeueSitsHigher)
{
    const QImage image = solid({120, 60}, Qt::darkGray);
    const QImage plain = imageByAddingTitleAndSubtitle("Title", "sub", image, 0, ktFont("DejaVu Sans", 12),
                                                       14, 10, Qt::white, {6, 0});
    const QImage bebas = imageByAddingTitleAndSubtitle("Title", "sub", image, 0, ktFont("BebasNeue", 12), 14,
                                                       10, Qt::white, {6, 0});
    const QRect lines = changed(plain, Qt::darkGray);
    EXPECT_EQ(plain.size(), image.size());
    EXPECT_LT(lines.top(), 30) << "the title is not near the top";
    EXPECT_GT(lines.height(), 16) << "only one line was drawn";
    EXPECT_LT(changed(bebas, Qt::darkGray).top(), lines.top());
}

TEST(KTButtonRenderingTest, BadgeResultHasTheBoundsSizeTopAlignedAndStaysInside)
{
    const QSizeF bounds(80, 40);
    const QImage small = solid({40, 20}, Qt::blue);
    // A position far to the right and above is pulled back 2 inside the top-right corner.
    const QImage result = imageByAddingBadge("12", small, {500, 500}, bounds);
    EXPECT_EQ(result.deviceIndependentSize(), bounds);
    EXPECT_EQ(result.pixelColor(20, 0), QColor(Qt::blue)) << "the input is centred and top-aligned";
    EXPECT_EQ(qAlpha(result.pixel(20, 25)), 0);
    const QRect box = badgeBox(result);
    const QSizeF pill = badgeSize("12");
    EXPECT_NEAR(box.right(), bounds.width() - 2 - 2, 1) << "1 inset of the fill plus 2 from the edge";
    EXPECT_NEAR(box.top(), 2 + 1, 1);
    EXPECT_NEAR(box.width(), pill.width() - 2, 1);
    // A position inside stays where it is (bottom-left corner, y-up).
    const QRect placed = badgeBox(imageByAddingBadge("12", small, {10, 5}, bounds));
    EXPECT_NEAR(placed.left(), 10 + 1, 1);
    EXPECT_NEAR(placed.bottom(), bounds.height() - 5 - 1 - 1, 1);
}
