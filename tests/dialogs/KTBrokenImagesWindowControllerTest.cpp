#include "KTBrokenImagesWindowController.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTTestSupport.h"
#include "KTWindow.h"

#include <QLabel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// Turns every animation into a jump to its end while it lives.
struct AnimationsOff
{
    AnimationsOff() { KTAnimations::setEnabled(false); }
    ~AnimationsOff() { KTAnimations::setEnabled(m_previous); }
    bool m_previous = KTAnimations::isEnabled();
};

class RecordingDelegate : public QObject, public KTBrokenImagesWindowControllerDelegate
{
public:
    void hideBrokenImagesWindow() override { ++hides; }
    int hides = 0;
};

} // namespace

TEST(KTBrokenImagesWindowControllerTest, CountLineAndTableColumns)
{
    struct Case
    {
        int images;
        int folders;
        const char *line;
    };
    const Case cases[] = {{1, 0, "1 total image"},
                          {2, 0, "2 total images"},
                          {12, 0, "12 total images"},
                          {2, 1, "2 total images, 1 folder"},
                          {1, 3, "1 total image, 3 folders"},
                          {0, 1, "1 folder"}};
    KTBrokenImagesWindowController sheet;
    for (const Case &c : cases) {
        QList<KTBrokenImage> images;
        for (int i = 0; i < c.folders; ++i)
            images.append(
                {QStringLiteral("Folder %1").arg(i), QStringLiteral("shut"), KTBrokenImage::Kind::Folder});
        for (int i = 0; i < c.images; ++i)
            images.append({QStringLiteral("IMG_%1.CR2").arg(i), QStringLiteral("gone")});
        sheet.setBrokenImages(images);
        EXPECT_EQ(sheet.imagesCountLabel()->text(), QString::fromUtf8(c.line));
        EXPECT_EQ(sheet.tableView()->model()->rowCount(), c.images + c.folders);
    }
    sheet.setBrokenImages({{"a.jpg", "The file is no longer there."}});
    EXPECT_EQ(sheet.objectValueForTableColumn(KTBrokenImagesWindowController::kImageNameColumn, 0), "a.jpg");
    // Every column but the name shows the reason.
    EXPECT_EQ(sheet.objectValueForTableColumn("anything", 0), "The file is no longer there.");
    EXPECT_EQ(sheet.tableView()->model()->index(0, 1).data().toString(), "The file is no longer there.");
    EXPECT_TRUE(sheet.objectValueForTableColumn("anything", 1).isEmpty());
}

// Unfolding grows the sheet downwards under the title strip and lets it be resized; folding
// brings back the folded height with the top edge in place, and the folded sheet cannot be
// resized. OK tells the delegate.
TEST(KTBrokenImagesWindowControllerTest, UnfoldAndFoldKeepTheTopEdge)
{
    AnimationsOff animationsOff;
    KTWindow window;
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    RecordingDelegate delegate;
    KTBrokenImagesWindowController sheet;
    sheet.setDelegate(&delegate);
    sheet.setBrokenImages({{"a.jpg", "gone"}, {"b.jpg", "unreadable"}});
    sheet.beginSheet(&window);
    drainMainQueue();
    const QRect folded = sheet.geometry();
    EXPECT_EQ(folded.top(), window.mapToGlobal(QPoint(0, int(window.sheetTopY()))).y());
    EXPECT_EQ(sheet.minimumSize(), sheet.maximumSize());
    EXPECT_FALSE(sheet.tableView()->isVisible());

    sheet.detailsButton()->click();
    drainMainQueue();
    EXPECT_TRUE(sheet.isUnfolded());
    EXPECT_TRUE(sheet.tableView()->isVisible());
    EXPECT_GT(sheet.height(), folded.height() + 100);
    EXPECT_EQ(sheet.geometry().top(), folded.top());
    EXPECT_NE(sheet.minimumSize(), sheet.maximumSize());

    sheet.detailsButton()->click();
    drainMainQueue();
    EXPECT_FALSE(sheet.isUnfolded());
    EXPECT_EQ(sheet.geometry(), folded);
    EXPECT_EQ(sheet.minimumSize(), folded.size());
    EXPECT_EQ(sheet.maximumSize(), folded.size());

    sheet.okButton()->click();
    EXPECT_EQ(delegate.hides, 1);
}
