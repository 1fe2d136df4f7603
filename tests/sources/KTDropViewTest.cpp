#include "KTDropView.h"

#include "KTSourcesTestSupport.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// Answers a fixed value and counts what it was asked.
class FixedDelegate : public KTDropViewDelegate
{
public:
    bool canReadDataFromPasteboard(const QMimeData *) override
    {
        ++asked;
        return answer;
    }
    void readDataFromPasteboard(const QMimeData *data) override { readFormats.append(data->formats()); }

    QString refusalOfPasteboard(const QMimeData *) override { return answer ? QString() : refusal; }

    bool answer = true;
    QString refusal;
    int asked = 0;
    QList<QStringList> readFormats;
};

std::unique_ptr<QMimeData> plainText()
{
    auto data = std::make_unique<QMimeData>();
    data->setText(QStringLiteral("hello"));
    return data;
}

std::unique_ptr<QMimeData> imageListDrag()
{
    auto data = std::make_unique<QMimeData>();
    data->setData(kImageListPasteboardType, "n");
    return data;
}

} // namespace

TEST(KTDropViewTest, RegistersTheBrowserTypesThenFileURLs)
{
    EXPECT_EQ(KTDropView::registeredDraggedTypes(),
              (QStringList{"ImageDataListFolderPboardType", "com.imedia.nodeItemIDDrag", "text/uri-list"}));
}

// The view's own rules come before the delegate's answer: registered types only, copying only,
// and never a drag that started inside the view (the sources table and its rows).
TEST(KTDropViewTest, OperationFollowsTypesCopyingSourceAndTheDelegate)
{
    QWidget window;
    auto *view = new KTDropView(&window);
    auto *inside = new QWidget(view);
    auto *outside = new QWidget(&window);
    FixedDelegate delegate;
    view->setDelegate(&delegate);

    enum class Data
    {
        Files,
        Node,
        ImageList,
        Text
    };
    struct Case
    {
        const char *name;
        Data data;
        Qt::DropActions offered;
        QObject *source;
        bool delegateAnswer;
        Qt::DropAction expected;
        bool delegateAsked;
    };
    const Case cases[] = {
        {"folders from another program", Data::Files, Qt::CopyAction | Qt::MoveAction, nullptr, true,
         Qt::CopyAction, true},
        {"a node from the browser window", Data::Node, Qt::CopyAction, outside, true, Qt::CopyAction, true},
        {"an image list", Data::ImageList, Qt::CopyAction, nullptr, true, Qt::CopyAction, true},
        {"the delegate refuses", Data::Files, Qt::CopyAction, nullptr, false, Qt::IgnoreAction, true},
        {"move only", Data::Files, Qt::MoveAction | Qt::LinkAction, nullptr, true, Qt::IgnoreAction, false},
        {"an unregistered type", Data::Text, Qt::CopyAction, nullptr, true, Qt::IgnoreAction, false},
        {"a drag out of the table inside", Data::Files, Qt::CopyAction, inside, true, Qt::IgnoreAction,
         false},
        {"a drag of the view itself", Data::Node, Qt::CopyAction, view, true, Qt::IgnoreAction, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QMimeData> data = c.data == Data::Files       ? fileDrag({"/tmp"})
                                                : c.data == Data::Node      ? nodeDrag("a.lrcat#folder:1")
                                                : c.data == Data::ImageList ? imageListDrag()
                                                                            : plainText();
        delegate.answer = c.delegateAnswer;
        delegate.asked = 0;
        EXPECT_EQ(view->dragOperation(data.get(), c.offered, c.source), c.expected);
        EXPECT_EQ(delegate.asked > 0, c.delegateAsked);
    }
    view->setDelegate(nullptr);
    EXPECT_EQ(view->dragOperation(fileDrag({"/tmp"}).get(), Qt::CopyAction, nullptr), Qt::IgnoreAction);
}

// Through real drag events: an accepted enter lights the outline and the drop reaches the
// delegate once; a drop the delegate no longer takes (its state changed while dragging) is not
// read.
TEST(KTDropViewTest, DropEventsAskAgainAndReadOnlyWhatTheDelegateTakes)
{
    KTDropView view;
    view.resize(200, 120);
    FixedDelegate delegate;
    view.setDelegate(&delegate);
    const std::unique_ptr<QMimeData> data = fileDrag({"/tmp"});
    const QPoint middle(100, 60);

    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_TRUE(view.isHighlighted());

    QDropEvent drop(QPointF(middle), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(delegate.readFormats.size(), 1);
    EXPECT_FALSE(view.isHighlighted());

    QDragEnterEvent again(middle, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &again);
    delegate.answer = false;
    QDropEvent refused(QPointF(middle), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_EQ(delegate.readFormats.size(), 1);

    delegate.answer = true;
    QDragEnterEvent moveOnly(middle, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &moveOnly);
    EXPECT_FALSE(moveOnly.isAccepted());
    EXPECT_FALSE(view.isHighlighted());
}

// A drag the delegate refuses with a reason is taken in only to show the reason over the panel:
// it never drops, and leaving clears the reason. Without a reason it is refused as before.
TEST(KTDropViewTest, ARefusedDragShowsTheReasonUntilItLeaves)
{
    KTDropView view;
    view.resize(200, 120);
    FixedDelegate delegate;
    delegate.answer = false;
    delegate.refusal = QStringLiteral("A session takes folders, or one catalog on its own.");
    view.setDelegate(&delegate);
    const std::unique_ptr<QMimeData> data = fileDrag({"/tmp"});
    const QPoint middle(100, 60);

    QDragEnterEvent enter(middle, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_EQ(enter.dropAction(), Qt::IgnoreAction);
    EXPECT_EQ(view.refusal(), delegate.refusal);
    EXPECT_FALSE(view.isHighlighted());
    QDragMoveEvent move(middle, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_FALSE(move.isAccepted());
    QDropEvent drop(QPointF(middle), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_TRUE(delegate.readFormats.isEmpty());
    EXPECT_TRUE(view.refusal().isEmpty());

    QApplication::sendEvent(&view, &enter);
    ASSERT_FALSE(view.refusal().isEmpty());
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_TRUE(view.refusal().isEmpty());

    delegate.refusal.clear();
    QDragEnterEvent silent(middle, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &silent);
    EXPECT_FALSE(silent.isAccepted());
    EXPECT_TRUE(view.refusal().isEmpty());
}
