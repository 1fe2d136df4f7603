#include "KTRateWindow.h"

#include "KTSButton.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

/// Takes the URLs the application opens instead of the desktop.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder()
    {
        QDesktopServices::setUrlHandler("https", this, "open");
        QDesktopServices::setUrlHandler("appstream", this, "open");
    }
    ~UrlRecorder() override
    {
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("appstream");
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

/// Answers the next rate window with its review or cancel button; counts the windows it saw.
struct RateAnswer
{
    bool review = true;
    int shown = 0;

    void arm()
    {
        QTimer::singleShot(0, qApp, [this] {
            if (auto *window = qobject_cast<KTRateWindow *>(QApplication::activeModalWidget())) {
                ++shown;
                (review ? window->reviewButton() : window->cancelButton())->click();
            }
        });
    }
};

class RateWindow : public ::testing::Test
{
protected:
    RateWindow()
    {
        defaults.removeObjectForKey(kRateWindowShareCountKey);
        defaults.setObject(QStringLiteral("https://store.example.org/vireoscope"), kKTRateStorePageKey);
    }
    ~RateWindow() override
    {
        defaults.removeObjectForKey(kRateWindowShareCountKey);
        defaults.removeObjectForKey(kKTRateStorePageKey);
    }

    /// One close of the main window; drains what the answer left queued.
    void closeMainWindow()
    {
        answer.arm();
        KTRateWindow::runWindowIfNeeded();
        drainMainQueue();
    }

    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    UrlRecorder urls;
    RateAnswer answer;
};

} // namespace

TEST_F(RateWindow, OnlyTheThirdCloseAsksAndReviewOpensTheStorePageOnce)
{
    std::vector<int> shownAfter;
    for (int close = 1; close <= 5; ++close) {
        closeMainWindow();
        shownAfter.push_back(answer.shown);
        EXPECT_EQ(defaults.integerForKey(kRateWindowShareCountKey), close);
    }
    EXPECT_EQ(shownAfter, (std::vector<int>{0, 0, 1, 1, 1}));
    EXPECT_EQ(urls.opened, QList<QUrl>{QUrl("https://store.example.org/vireoscope")});
}

TEST_F(RateWindow, CancelOpensNothing)
{
    answer.review = false;
    for (int close = 1; close <= 3; ++close)
        closeMainWindow();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_TRUE(urls.opened.isEmpty());
}

TEST_F(RateWindow, WithoutAStorePageItIsNeverOfferedButTheClosesCount)
{
    defaults.removeObjectForKey(kKTRateStorePageKey);
    for (int close = 1; close <= 3; ++close)
        closeMainWindow();
    EXPECT_EQ(answer.shown, 0);
    EXPECT_EQ(defaults.integerForKey(kRateWindowShareCountKey), 3);
    EXPECT_TRUE(urls.opened.isEmpty());
}

TEST_F(RateWindow, TheThanksTextSpellsTheProductName)
{
    KTRateWindow window;
    EXPECT_TRUE(window.thanksForUsingTextField()->text().contains("Vireoscope"));
}

#include "KTRateWindowTest.moc"
