#include "KTSaveNResize.h"

#include "KTDecodingFixtures.h"
#include "KTTestSupport.h"

#include <gtest/gtest.h>

TEST(KTSaveNResizeTest, StretchesToTheTargetSize)
{
    const QImage resized = KTSaveNResize::imageResize(makeQuadrantImage({400, 300}), QSizeF(128, 128));
    ASSERT_EQ(resized.size(), QSize(128, 128));
    // Stretched, not cropped or letterboxed: each corner keeps its quadrant's colour.
    EXPECT_EQ(resized.pixelColor(2, 2), kQuadrantTopLeft);
    EXPECT_EQ(resized.pixelColor(125, 125), kQuadrantBottomRight);
}

TEST(KTSaveNResizeTest, DataThatIsNotAnImageGivesNothingAndOneLogLine)
{
    KTLogCapture log;
    EXPECT_TRUE(
        KTSaveNResize::imageResize(QImage::fromData(QByteArray("no image here")), QSizeF(64, 64)).isNull());
    EXPECT_EQ(log.lines().count(QStringLiteral("Invalid Image")), 1);
}
