#include "KTNamedImages.h"
#include "KTThreePartImage.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

/// Solid test parts registered under "t3_*" while the fixture lives.
class ThreePart : public ::testing::Test
{
protected:
    ThreePart()
    {
        add("t3_left", {5, 10}, Qt::red);
        add("t3_center", {1, 10}, Qt::green);
        add("t3_right", {7, 10}, Qt::blue);
    }
    ~ThreePart() override
    {
        for (const char *name : {"t3_left", "t3_center", "t3_right"})
            KTNamedImages::shared().unregisterPainter(QString::fromLatin1(name));
    }
    static void add(const char *name, QSizeF natural, QColor colour)
    {
        KTNamedImages::shared().registerPainter(
            QString::fromLatin1(name), natural,
            [colour](QPainter &p, const QSizeF &size) { p.fillRect(QRectF(QPointF(), size), colour); });
    }
    /// The colour of each column of the middle row, run-length encoded: "r5 g28 b7".
    static QString columns(const QImage &image)
    {
        QString result;
        QColor last;
        int run = 0;
        const auto flush = [&] {
            if (run)
                result += QString("%1%2 ")
                              .arg(last == Qt::red     ? 'r'
                                   : last == Qt::green ? 'g'
                                   : last == Qt::blue  ? 'b'
                                                       : '.')
                              .arg(run);
        };
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, image.height() / 2);
            if (c != last) {
                flush();
                last = c;
                run = 0;
            }
            ++run;
        }
        flush();
        return result.trimmed();
    }
};

} // namespace

TEST(KTNamedImagesTest, SvgsThenPaintersThenNothing)
{
    KTNamedImages &images = KTNamedImages::shared();
    // An SVG of ours at its natural size, and at twice the pixels for a ratio of 2.
    EXPECT_EQ(images.naturalSize("flag"), QSizeF(16, 16));
    const QImage sharp = images.image("flag", 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
    // A painted cap, at its natural size and stretched.
    EXPECT_EQ(images.naturalSize("btn_left"), QSizeF(6, 24));
    EXPECT_EQ(images.image("btn_center", QSizeF(40, 30)).size(), QSize(40, 30));
    // An unknown name.
    EXPECT_TRUE(images.image("no_such_picture").isNull());
    EXPECT_FALSE(images.contains("no_such_picture"));
    EXPECT_TRUE(images.names().contains("tab_select_on_round_left"));
}

TEST(KTNamedImagesTest, EveryPictureTheControlsAskForExists)
{
    QStringList missing;
    QStringList wanted{"flag",     "flag_on",  "cross",         "cross_on", "share",
                       "share_on", "put_back", "put_back_on",   "infinity", "infinity_on",
                       "page_off", "page_on",  "dropdown_arrow"};
    for (const QString base : {"btn", "dropdown", "button"}) {
        for (const QString part : {"_left", "_center", "_right"})
            wanted << base + part << base + part + "_on";
    }
    for (const QString base : {"round_btn", "round_btn_on", "tab_select", "tab_select_on"}) {
        for (const QString part : {"_left", "_center", "_right"})
            wanted << base + part;
    }
    wanted << "tab_select_round_left"
           << "tab_select_round_right"
           << "tab_select_on_round_left"
           << "tab_select_on_round_right";
    for (const QString &name : wanted) {
        if (KTNamedImages::shared().image(name, 2.0).isNull())
            missing << name;
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
}

TEST_F(ThreePart, CapsKeepTheirWidthTheCentreStretchesAndAMissingPartDrawsNothing)
{
    const QSizeF size(40, 10);
    EXPECT_EQ(columns(threePartImage({"t3_left", "t3_center", "t3_right"}, size, 1)), "r5 g28 b7");
    EXPECT_EQ(columns(threePartImage({"t3_left", "t3_center", "t3_right"}, size, 2)), "r10 g56 b14");
    EXPECT_EQ(columns(threePartImage({"t3_left", "missing", "t3_right"}, size, 1)), "r5 .28 b7");
    EXPECT_EQ(columns(threePartImage({"missing", "t3_center", "t3_right"}, size, 1)), "g33 b7");
    // Caps wider than the rectangle are cut, the left one first.
    EXPECT_EQ(columns(threePartImage({"t3_left", "t3_center", "t3_right"}, QSizeF(8, 10), 1)), "r5 b3");
}

// A control stretched to a window's width asks for a new size at every step of a resize: each
// size is rendered once and kept, and the renderings stay within the cache's limit.
TEST(KTNamedImagesTest, RenderingsAreKeptBySizeAndRatioWithinALimit)
{
    KTNamedImages images;
    int painted = 0;
    images.registerPainter("wide", {10, 100}, [&](QPainter &p, const QSizeF &size) {
        ++painted;
        p.fillRect(QRectF(QPointF(), size), Qt::gray);
    });
    const QImage first = images.image("wide", QSizeF(640, 100), 2.0);
    EXPECT_EQ(images.image("wide", QSizeF(640, 100), 2.0).cacheKey(), first.cacheKey());
    EXPECT_NE(images.image("wide", QSizeF(640, 100), 1.0).cacheKey(), first.cacheKey());
    EXPECT_EQ(painted, 2);
    // At its natural size, through the name alone.
    EXPECT_EQ(images.image("wide", 1.0).cacheKey(), images.image("wide", QSizeF(10, 100), 1.0).cacheKey());

    for (int width = 400; width < 2400; width += 4)
        images.image("wide", QSizeF(width, 100), 2.0);
    EXPECT_LE(images.cachedBytes(), KTNamedImages::kCacheLimitBytes);
    EXPECT_GT(images.cachedBytes(), KTNamedImages::kCacheLimitBytes / 2);

    // A painter registered again replaces what was drawn with the old one.
    images.registerPainter("wide", {20, 100}, [](QPainter &p, const QSizeF &size) {
        p.fillRect(QRectF(QPointF(), size), Qt::red);
    });
    EXPECT_EQ(images.naturalSize("wide"), QSizeF(20, 100));
    EXPECT_EQ(images.image("wide", QSizeF(640, 100), 2.0).pixelColor(5, 5), QColor(Qt::red));
}
