#include "KTTipsWindow.h"

#include "KTDialogPictures.h"
#include "KTFakeHttpServer.h"
#include "KTHelpPage.h"
#include "KTNamedImages.h"
#include "KTSubscriptionClient.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

/// Forgets the tips' defaults before and after each test.
class TipsWindow : public ::testing::Test
{
protected:
    TipsWindow() { forget(); }
    ~TipsWindow() override { forget(); }
    static void forget()
    {
        KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(kKTShowTipsKey);
        defaults.removeObjectForKey(kKTTipIndexKey);
    }
    static bool shown(const KTTipsWindow &window, QWidget *part) { return part->isVisibleTo(&window); }
};

/// The network client on private defaults pointing at a local fake server.
class TipsForm : public TipsWindow
{
protected:
    TipsForm()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        previous = KTSubscriptionClient::install(client);
    }
    ~TipsForm() override { KTSubscriptionClient::install(previous); }

    /// A window on the last page, with the form.
    std::unique_ptr<KTTipsWindow> lastPage()
    {
        auto window = std::make_unique<KTTipsWindow>();
        window->setSelectedIndex(window->numberOfPages() - 1);
        return window;
    }

    QTemporaryDir dir;
    KTUserDefaults defaults{dir.filePath("defaults.ini")};
    std::shared_ptr<KTNetworkSubscriptionClient> client =
        std::make_shared<KTNetworkSubscriptionClient>(&defaults);
    std::shared_ptr<KTSubscriptionClient> previous;
    KTFakeHttpServer server;
    std::shared_ptr<KTScriptedAlertPresenter> alerts = KTScriptedAlertPresenter::install();
};

} // namespace

TEST_F(TipsWindow, TheFirstLaunchOpensOnWelcomeAndEachOpeningStartsOnePageOn)
{
    EXPECT_TRUE(KTTipsWindow::wantsShowAtStartup()) << "nothing stored: the first launch";
    EXPECT_FALSE(KTTipsWindow::wantsShowAtStartup()) << "the first answer stored NO";
    std::vector<int> firstPages;
    for (int opening = 0; opening < 12; ++opening)
        firstPages.push_back(KTTipsWindow().selectedIndex());
    EXPECT_EQ(firstPages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().integerForKey(kKTTipIndexKey), 12);
}

TEST_F(TipsWindow, TheCheckBoxShowsAndStoresTheStartUpChoice)
{
    KTTipsWindow::setWantsShowAtStartup(true);
    KTTipsWindow window;
    EXPECT_TRUE(window.showAtStartupCheckbox()->isChecked());
    window.showAtStartupCheckbox()->click();
    EXPECT_FALSE(KTTipsWindow::wantsShowAtStartup());
    window.showAtStartupCheckbox()->click();
    EXPECT_TRUE(KTTipsWindow::wantsShowAtStartup());
}

TEST_F(TipsWindow, PagesWrapAroundAndShowOnlyTheirOwnParts)
{
    KTTipsWindow window;
    ASSERT_EQ(window.numberOfPages(), 11);
    ASSERT_EQ(window.selectedIndex(), 0);
    window.prevTip();
    EXPECT_EQ(window.selectedIndex(), 10);
    window.nextTip();
    EXPECT_EQ(window.selectedIndex(), 0);
    QTest::keyClick(&window, Qt::Key_Left);
    EXPECT_EQ(window.selectedIndex(), 10);
    QTest::keyClick(&window, Qt::Key_Right);
    EXPECT_EQ(window.selectedIndex(), 0);

    const struct
    {
        int page;
        const char *title;
        const char *previous;
        const char *next;
        bool picture, description, info, first, last;
    } cases[] = {
        {0, "Welcome", nullptr, "Where to Start?", false, false, true, true, false},
        {1, "Where to Start?", "Welcome", "Import from Libraries", true, true, false, false, false},
        {6, "Select Multiple Images", "Groups of Similars", "Timeline View", true, true, false, false, false},
        {9, "Rejects View", "Picks View", "Get Started!", true, true, false, false, false},
        {10, "Get Started!", "Rejects View", nullptr, false, false, true, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        window.setSelectedIndex(c.page);
        EXPECT_EQ(window.tipTitleLabel()->text(), c.title);
        EXPECT_EQ(shown(window, window.previousTipContainer()), c.previous != nullptr);
        EXPECT_EQ(shown(window, window.nextTipContainer()), c.next != nullptr);
        if (c.previous) {
            EXPECT_EQ(window.previousTipTitleLabel()->text(), c.previous);
        }
        if (c.next) {
            EXPECT_EQ(window.nextTipTitleLabel()->text(), c.next);
        }
        EXPECT_EQ(shown(window, window.tipsContainerView()), c.picture);
        EXPECT_EQ(shown(window, window.tipDescriptionLabel()), c.description);
        EXPECT_EQ(shown(window, window.infoContainerView()), c.info);
        EXPECT_EQ(shown(window, window.firstTipContent()), c.first);
        EXPECT_EQ(shown(window, window.lastTipContent()), c.last);
        EXPECT_EQ(window.pageControl()->selectedIndex(), c.page);
        if (c.picture) {
            const QString picture = KTDialogPictures::tipImageName(c.page + 1);
            EXPECT_EQ(window.tipImageView()->imageName(), picture);
            EXPECT_FALSE(KTNamedImages::shared().image(picture).isNull());
        }
    }
}

TEST_F(TipsWindow, DescriptionsKeepTheirTwoParagraphsInTheDescriptionStyle)
{
    const KTTipsWindow::Tip &tip = KTTipsWindow::tips()[8];
    EXPECT_EQ(tip.desc.count("\n\n"), 1);
    EXPECT_TRUE(tip.desc.contains("a folder on your computer")) << "the desktop's words, not the platform's";
    const QString html = KTTipsWindow::attributedDescriptionWithText("a < b\n\nc");
    EXPECT_TRUE(html.contains("a &lt; b<br><br>c"));
    EXPECT_TRUE(html.contains("line-height:24px"));
    EXPECT_TRUE(html.contains("font-size:16px"));
}

// The tour names the controls as they are: the pick control is a flag, the sources window's button
// says "Start". Its last page links the help page shipped with the program, and names no address
// that would not answer; its button opens that page.
TEST_F(TipsWindow, TheTourNamesTheControlsAsTheyAreAndLeadsToTheHelpPage)
{
    for (const KTTipsWindow::Tip &tip : KTTipsWindow::tips()) {
        EXPECT_FALSE(tip.desc.contains(QStringLiteral("“Star”"))) << tip.title.toStdString();
        EXPECT_FALSE(tip.desc.contains(QStringLiteral("Start Session"))) << tip.title.toStdString();
    }
    EXPECT_TRUE(KTTipsWindow::tips()[1].desc.contains(QStringLiteral("Then click Start.")));
    EXPECT_TRUE(KTTipsWindow::tips()[5].desc.contains(QStringLiteral("click on the “Flag” icon")));

    const QString closing = KTTipsWindow::lastTipDescription();
    ASSERT_FALSE(KTHelpPage::url().isEmpty());
    EXPECT_TRUE(closing.contains("href=\"" + KTHelpPage::url().toString(QUrl::FullyEncoded) + "\""));
    EXPECT_FALSE(closing.contains(QStringLiteral("mailto:")));
    EXPECT_FALSE(closing.contains(QStringLiteral("http")));

    QList<QUrl> opened;
    KTUrlRecorder desktop(QStringLiteral("file"), [&](const QUrl &url) { opened.append(url); });
    KTTipsWindow window;
    window.setSelectedIndex(window.numberOfPages() - 1);
    window.helpButton()->click();
    EXPECT_EQ(opened, QList<QUrl>{KTHelpPage::url()});
}

TEST_F(TipsWindow, PresentingRunsUntilClosedAndCountsTheOpening)
{
    QWidget mainWindow;
    mainWindow.resize(900, 700);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    int seen = 0;
    QTimer::singleShot(0, qApp, [&] {
        if (auto *tips = qobject_cast<KTTipsWindow *>(QApplication::activeModalWidget())) {
            ++seen;
            QTest::keyClick(tips, Qt::Key_Escape);
        }
    });
    KTTipsWindow::presentOver(&mainWindow);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().integerForKey(kKTTipIndexKey), 1);
}

TEST_F(TipsForm, WithoutAnEndpointTheFormSaysSoAndTakesNoInput)
{
    ASSERT_FALSE(client->isAvailable());
    auto window = lastPage();
    EXPECT_FALSE(window->emailTextField()->isEnabled());
    EXPECT_FALSE(window->subscribeButton()->isButtonEnabled());
    EXPECT_TRUE(shown(*window, window->subscriptionNote()));
    window->emailTextField()->setText("anna@example.com");
    window->subscribe();
    drainMainQueue();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(alerts->shown().empty());
}

TEST_F(TipsForm, ABadAddressIsRefusedBeforeAnythingIsSent)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    auto window = lastPage();
    EXPECT_FALSE(shown(*window, window->subscriptionNote()));
    const struct
    {
        const char *typed;
        const char *message;
        const char *information;
    } cases[] = {
        {"", "Error", "E-mail Address field cannot be empty"},
        {" \t\n ", "Error", "E-mail Address field cannot be empty"},
        {"anna@example", "Incorrect E-mail format", ""},
    };
    for (const auto &c : cases) {
        window->emailTextField()->setText(c.typed);
        window->subscribeButton()->click();
        ASSERT_FALSE(alerts->shown().empty()) << c.typed;
        EXPECT_EQ(alerts->shown().back().messageText, c.message);
        EXPECT_EQ(alerts->shown().back().informativeText, c.information);
        EXPECT_EQ(alerts->shown().back().buttons, QStringList{"OK"});
        EXPECT_TRUE(window->emailTextField()->isEnabled());
    }
    drainMainQueue();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(TipsForm, ASubscriptionSendsTheTrimmedAddressAndThanks)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    auto window = lastPage();
    window->emailTextField()->setText("  anna+news@example.com \n");
    QTest::keyClick(window->emailTextField(), Qt::Key_Return);
    EXPECT_FALSE(window->emailTextField()->isEnabled()) << "the form waits for the answer";
    EXPECT_FALSE(window->subscribeButton()->isButtonEnabled());
    EXPECT_TRUE(window->progressIndicator()->isAnimating());
    ASSERT_TRUE(waitUntil([&] { return window->emailTextField()->text() == "Thank you!"; }));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests().front().body,
              "version=1.1&type=subscribeMac&app=Vireoscope&email=anna%2Bnews%40example.com&&approved=1");
    EXPECT_FALSE(window->progressIndicator()->isAnimating());
    EXPECT_FALSE(window->emailTextField()->isEnabled());
    EXPECT_FALSE(shown(*window, window->subscribeButton()));
    EXPECT_TRUE(alerts->shown().empty());
}

TEST_F(TipsForm, AFailedSubscriptionSaysSoAndTheFormCanBeSentAgain)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    server.answer(200, R"({"status": "failed"})");
    auto window = lastPage();
    window->emailTextField()->setText("anna@example.com");
    window->subscribeButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !alerts->shown().empty(); }));
    EXPECT_EQ(alerts->shown().front().messageText, "Error");
    EXPECT_EQ(alerts->shown().front().informativeText,
              "Could not subscribe you. Please check your internet connection.");
    EXPECT_TRUE(window->emailTextField()->isEnabled());
    EXPECT_TRUE(window->subscribeButton()->isButtonEnabled());
    EXPECT_EQ(window->emailTextField()->text(), "anna@example.com");
    EXPECT_FALSE(window->progressIndicator()->isAnimating());

    server.answer(200, R"({"status": "success"})");
    window->subscribeButton()->click();
    EXPECT_TRUE(waitUntil([&] { return window->emailTextField()->text() == "Thank you!"; }));
    EXPECT_EQ(server.requests().size(), 2u);
}
