// The shared image fixtures are only worth sharing if real readers accept them.

#include "KTImageFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <libraw/libraw.h>

#include <gtest/gtest.h>

#include <memory>

TEST(KTImageFixturesTest, TinyDngOpensUnpacksAndGivesItsPreviewInLibRaw)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tiny.dng");
    KTTinyDngFields fields;
    fields.orientation = 6;
    ASSERT_TRUE(writeTinyDng(path, fields));
    EXPECT_LT(QFileInfo(path).size(), 10 * 1024);

    auto raw = std::make_unique<LibRaw>(0);
    ASSERT_EQ(raw->open_file(QFile::encodeName(path).constData(), 262144000), LIBRAW_SUCCESS);
    EXPECT_STREQ(raw->imgdata.idata.make, "Vireo");
    EXPECT_EQ(raw->imgdata.sizes.raw_width, kTinyDngRawSize.width());
    EXPECT_EQ(raw->imgdata.sizes.raw_height, kTinyDngRawSize.height());
    EXPECT_EQ(raw->imgdata.sizes.flip, 6);
    ASSERT_EQ(raw->unpack(), LIBRAW_SUCCESS);
    ASSERT_EQ(raw->dcraw_process(), LIBRAW_SUCCESS);
    int error = 0;
    libraw_processed_image_t *image = raw->dcraw_make_mem_image(&error);
    ASSERT_NE(image, nullptr);
    EXPECT_GT(image->width, 0);
    LibRaw::dcraw_clear_mem(image);

    ASSERT_EQ(raw->unpack_thumb(), LIBRAW_SUCCESS);
    EXPECT_EQ(raw->imgdata.thumbnail.twidth, kTinyDngPreviewSize.width());
    EXPECT_EQ(raw->imgdata.thumbnail.theight, kTinyDngPreviewSize.height());
}

TEST(KTImageFixturesTest, JpegHasTheRequestedSizeAndCameraThumbnail)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("camera.jpg");
    ASSERT_TRUE(
        writeJpegWithExif(path, cameraExifFields(QSize(120, 80)), QSize(120, 80), KTExifThumbnail::Embedded));
    EXPECT_EQ(QImage(path).size(), QSize(120, 80));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // The thumbnail is a second JPEG inside the EXIF segment.
    EXPECT_GT(bytes.count("\xff\xd8"), 1);
}
