#include "KTExifViewController.h"

#include "KTCatalogModel.h"
#include "KTDictionaryExif.h"
#include "KTExifTableView.h"
#include "KTHistogramView.h"
#include "KTImageExifView.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageUtils.h"
#include "KTInfoStrings.h"
#include "KTTestSupport.h"
#include "KTViewerFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

namespace {

class ExifPanel : public KTViewerFixture
{
public:
    ExifPanel() : controller(services()) {}

    /// Shows `record` and lets its preview answer.
    void show(KTImageMO *record)
    {
        openThumbnails();
        controller.setImageMO(record);
        ASSERT_TRUE(waitUntil([&] { return !controller.hasPendingRequest(); }));
    }
    QString value(const QString &title) const { return controller.exifView()->valueForInfoKey(title); }
    QStringList shownValues() const
    {
        QStringList values;
        for (int row = 0; row < controller.exifView()->exifTableView()->rowCount(); ++row)
            values.append(controller.exifView()->exifTableView()->valueAt(row));
        return values;
    }

    KTExifViewController controller;
};

const QStringList kTitles{
    "Name",     "Catalog",      "Type",         "Size",          "Time",       "Resolution",       "DPI",
    "Exposure", "F-Stop",       "Focal Length", "Exposure Bias", "ISO",        "Exposure Program", "Flash",
    "Lens",     "Camera Maker", "Camera Model", "Color Model",   "Color Space"};

} // namespace

TEST_F(ExifPanel, RowsOfACameraJpeg)
{
    KTImageMO *record = cameraRecord("IMG_0042.JPG");
    show(record);
    const QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(record->path());
    EXPECT_EQ(controller.exifView()->namesArray(), kTitles);
    EXPECT_EQ(controller.exifView()->separators(), (QSet<int>{6, 13}));
    const QStringList expected{
        "IMG_0042.JPG",
        QFileInfo(dir.path()).fileName(),
        QMimeDatabase().mimeTypeForName("image/jpeg").comment(),
        KTInfoStrings::byteCount(QFileInfo(record->path()).size()),
        KTDictionaryExif::dateString(metadata),
        "640x480",
        "72.0x72.0",
        "1/250 sec",
        "f/5.6",
        "105mm",
        "-0.3 EV",
        "400",
        "Aperture priority",
        "NO",
        KTDictionaryExif::lensModel(metadata).isEmpty() ? "---" : KTDictionaryExif::lensModel(metadata),
        "Canon",
        "Canon EOS 5D Mark IV",
        KTDictionaryExif::colorModel(metadata).isEmpty() ? "---" : KTDictionaryExif::colorModel(metadata),
        "sRGB IEC61966-2.1",
    };
    EXPECT_EQ(shownValues(), expected);
    EXPECT_FALSE(controller.histogramView()->image().isNull());
    EXPECT_EQ(controller.histogramView()->image().width(), 300);
}

TEST_F(ExifPanel, RowsOfADng)
{
    show(dngRecord("TINY.DNG"));
    EXPECT_EQ(value("Camera Maker"), QStringLiteral("Vireo"));
    EXPECT_EQ(value("Camera Model"), QStringLiteral("Tiny DNG"));
    EXPECT_EQ(value("Exposure"), QStringLiteral("1/125 sec"));
    EXPECT_EQ(value("Name"), QStringLiteral("TINY.DNG"));
    EXPECT_NE(value("Resolution"), QStringLiteral("---"));
    EXPECT_NE(value("Time"), QStringLiteral("---"));
}

TEST_F(ExifPanel, RecordSwitchedWhileThePreviewIsAskedShowsOnlyTheNewValues)
{
    KTImageMO *first = cameraRecord("first.jpg");
    KTImageMO *second =
        cameraRecord("second.jpg", {{"Exif.Image.Make", "Other"}, {"Exif.Image.Model", "Second"}});
    controller.setImageMO(first);
    ASSERT_TRUE(controller.hasPendingRequest());
    EXPECT_EQ(value("Name"), QStringLiteral("---")); // cleared at once
    controller.setImageMO(second);
    openThumbnails();
    ASSERT_TRUE(waitUntil([&] { return !controller.hasPendingRequest(); }));
    drainMainQueue();
    EXPECT_EQ(value("Name"), QStringLiteral("second.jpg"));
    EXPECT_EQ(value("Camera Maker"), QStringLiteral("Other"));
    EXPECT_EQ(value("ISO"), QStringLiteral("---"));
}

// A hidden panel asks for nothing and keeps what it showed; shown again, it fills once with the
// last record it was given.
TEST_F(ExifPanel, HiddenPanelWaitsForItsShowAndFillsOnceWithTheLastRecord)
{
    QWidget window;
    controller.exifView()->setParent(&window);
    window.show();
    show(cameraRecord("shown.jpg"));
    ASSERT_EQ(value("Name"), QStringLiteral("shown.jpg"));

    window.hide();
    KTImageMO *last = cameraRecord("last.jpg", {{"Exif.Image.Make", "Other"}});
    for (KTImageMO *record : {cameraRecord("skipped.jpg"), last}) {
        controller.setImageMO(record);
        EXPECT_FALSE(controller.hasPendingRequest());
        EXPECT_TRUE(entities.operations().isEmpty());
    }
    EXPECT_EQ(controller.document(), nullptr);
    EXPECT_EQ(value("Name"), QStringLiteral("shown.jpg"));
    EXPECT_TRUE(controller.isUpdatePending());

    window.show();
    EXPECT_FALSE(controller.isUpdatePending());
    EXPECT_EQ(value("Name"), QStringLiteral("---")); // cleared before it is painted
    ASSERT_TRUE(waitUntil([&] { return !controller.hasPendingRequest(); }));
    drainMainQueue();
    EXPECT_EQ(value("Name"), QStringLiteral("last.jpg"));
    EXPECT_EQ(value("Camera Maker"), QStringLiteral("Other"));
    controller.exifView()->setParent(nullptr);
}

TEST_F(ExifPanel, SameFileKeepsTheRecordAndMissingOrNoneClears)
{
    KTImageMO *record = cameraRecord("same.jpg");
    show(record);
    auto *twin = context->insert<KTImageMO>(kImageEntityName);
    twin->setPath(record->path());
    controller.setImageMO(twin);
    EXPECT_EQ(controller.imageMO(), record);

    // A record without a path is never "the same" as another record without one.
    record->setPath(QString());
    auto *pathless = context->insert<KTImageMO>(kImageEntityName);
    controller.setImageMO(pathless);
    EXPECT_EQ(controller.imageMO(), nullptr);
    EXPECT_EQ(value("Name"), QStringLiteral("---"));

    KTImageMO *gone = cameraRecord("gone.jpg");
    QFile::remove(gone->path());
    controller.setImageMO(gone);
    EXPECT_EQ(controller.imageMO(), nullptr);
    EXPECT_TRUE(controller.histogramView()->image().isNull());
}

TEST_F(ExifPanel, FileWithoutPropertiesShowsOnlyTheFileFacts)
{
    show(brokenRecord("noexif.jpg"));
    EXPECT_EQ(value("Name"), QStringLiteral("noexif.jpg"));
    EXPECT_NE(value("Size"), QStringLiteral("---"));
    EXPECT_NE(value("Type"), QStringLiteral("---"));
    for (const QString &title : {QStringLiteral("Time"), QStringLiteral("Resolution"), QStringLiteral("DPI"),
                                 QStringLiteral("Exposure Bias"), QStringLiteral("Color Space")})
        EXPECT_EQ(value(title), QStringLiteral("---")) << qPrintable(title);
}

// A photo without EXIF has its size but no camera values: none of them reads as a value of 0.
TEST_F(ExifPanel, PhotoWithoutExifShowsNoCameraValues)
{
    const QString path = dir.filePath("plain.jpg");
    ASSERT_TRUE(writeJpegWithExif(path, {}, QSize(320, 200)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    show(recordForFile("plain.jpg", file.readAll()));
    EXPECT_EQ(value("Resolution"), QStringLiteral("320x200"));
    for (const QString &title :
         {QStringLiteral("Exposure"), QStringLiteral("F-Stop"), QStringLiteral("Exposure Bias"),
          QStringLiteral("ISO"), QStringLiteral("Color Space")})
        EXPECT_EQ(value(title), QStringLiteral("---")) << qPrintable(title);
}

TEST_F(ExifPanel, UnreadableSizeIsLoggedAndShownAsMissing)
{
    KTImageExifView view;
    KTLogCapture log;
    view.setFileURL(QUrl::fromLocalFile(dir.filePath("absent.jpg")));
    EXPECT_EQ(view.valueForInfoKey("Size"), QStringLiteral("---"));
    EXPECT_TRUE(log.contains("Failed to retreive file size at path"));
    // Zero pixel size and no resolution.
    view.setMetadata({{"PixelWidth", 0}, {"PixelHeight", 0}, {"Orientation", 1}});
    EXPECT_EQ(view.valueForInfoKey("Resolution"), QStringLiteral("---"));
    EXPECT_EQ(view.valueForInfoKey("DPI"), QStringLiteral("72.0x72.0"));
    EXPECT_EQ(view.valueForInfoKey("No such row"), QStringLiteral("---"));
}

TEST(KTExifTableViewTest, RowsAndSeparatorsAreNamedAfterTheirRow)
{
    KTExifTableView table;
    table.setRowsTitles({"A", "B", "C"}, {"1", "2", "3"}, {1});
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_NE(table.findChild<QWidget *>("separator1"), nullptr);
    EXPECT_EQ(table.findChild<QWidget *>("separator0"), nullptr);
    EXPECT_EQ(table.titleAt(2), QStringLiteral("C"));
    EXPECT_EQ(table.valueAt(1), QStringLiteral("2"));
    table.setRowsTitles({"X"}, {"9"}, {});
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.findChild<QWidget *>("separator1"), nullptr);
}

// The creation date of a file whose file system keeps no birth time (procfs) is its modification
// time, not an empty row.
TEST(KTInfoStringsTest, CreationDateWithoutABirthTimeIsTheModificationTime)
{
    const QString path = QStringLiteral("/proc/self/status");
    EXPECT_EQ(KTInfoStrings::fileCreationDate(path),
              KTDictionaryExif::mediumDateString(QFileInfo(path).lastModified()));
    EXPECT_FALSE(KTInfoStrings::fileCreationDate(path).isEmpty());
}
