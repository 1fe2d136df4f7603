#include "KTDuplicatesSearchSettingsController.h"

#include "KTAbstractButton.h"
#include "KTDuplicatesSearchSettingsApplyDelegate.h"
#include "KTPropertyList.h"
#include "KTSavePanel.h"
#include "KTScriptedOpenPanel.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeWeakeningFactorView.h"
#include "KTValueSlider.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <deque>
#include <thread>

namespace {

/// Answers save panels from a script (an empty answer cancels) while it lives.
class ScriptedSavePanels : public KTSavePanelPresenter
{
public:
    ScriptedSavePanels()
        : m_previous(
              KTSavePanelPresenter::install(std::shared_ptr<KTSavePanelPresenter>(this, [](auto *) {})))
    {}
    ~ScriptedSavePanels() override { KTSavePanelPresenter::install(m_previous); }

    void beginSheet(QWidget *, const KTSavePanelOptions &options, Completion completion) override
    {
        requests.push_back(options);
        QString answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        completion(answer);
    }

    std::deque<QString> answers;
    std::vector<KTSavePanelOptions> requests;

private:
    std::shared_ptr<KTSavePanelPresenter> m_previous;
};

class CountingApplyDelegate : public QObject, public KTDuplicatesSearchSettingsApplyDelegate
{
public:
    void applySettings() override { ++applied; }
    int applied = 0;
};

QByteArray recordBytes(const KTDuplicatesSearchSettingsController &controller)
{
    return controller.searchSettingsPtr()->bytes();
}

/// Controls set away from every preset and from the sliders' steps, with an unsorted curve.
void setUnusualControls(KTDuplicatesSearchSettingsController &c)
{
    c.imageSizeSlider()->setDoubleValue(64);
    c.blurCheck()->setChecked(false);
    c.blurRadiusSlider()->setDoubleValue(2.345);
    c.histEqCheck()->setChecked(true);
    c.contrastScretchingCheck()->setChecked(false);
    c.colorCheck()->setChecked(true);
    c.colorSensitivitySlider()->setDoubleValue(47.25);
    c.zoneCheck()->setChecked(true);
    c.zoneSensitivitySlider()->setDoubleValue(0.333);
    c.matchingLevelSlider()->setDoubleValue(91.3);
    c.minimumMatchingLevelSlider()->setDoubleValue(55.5);
    c.timeWeakeningFactorView()->setWeakeningFactorPoints({{0.7, 0.9}, {0.1, 0.6}, {0.4, 0.8}});
}

void postFromWorker(const std::function<void(KTTasksNotifier &)> &posts)
{
    std::thread worker([&] { posts(KTTasksNotifier::sharedNotifier()); });
    worker.join();
    drainMainQueue();
}

} // namespace

// The window starts from its default curve; a preset loads into it exactly as the search itself
// reads that preset; Save writes the twelve keys from the controls (curve sorted, picture size
// twice the slider) and Load brings back the same record bytes, padding included.
TEST(KTDuplicatesSearchSettingsControllerTest, SaveAndLoadGiveBackTheRecordByteForByte)
{
    QTemporaryDir dir;
    ScriptedSavePanels saves;
    auto opens = KTScriptedOpenPanelPresenter::install();
    KTDuplicatesSearchSettingsController controller;
    EXPECT_EQ(controller.searchSettingsPtr()->weakCount, 5);
    EXPECT_EQ(recordBytes(controller), controller.settingsFromControls().bytes());

    const QString normal = presetPathForIndex(2);
    ASSERT_TRUE(controller.loadSettingsFromPath(normal));
    EXPECT_EQ(recordBytes(controller), loadSettingsFromFile(normal)->bytes());

    setUnusualControls(controller);
    // Moving the controls alone changes nothing the search reads.
    EXPECT_EQ(recordBytes(controller), loadSettingsFromFile(normal)->bytes());
    controller.applyButton()->click();
    const QByteArray applied = recordBytes(controller);
    EXPECT_NE(applied, loadSettingsFromFile(normal)->bytes());

    const QString path = dir.filePath("mine.plist");
    saves.answers = {path};
    controller.saveButton()->click();
    ASSERT_EQ(saves.requests.size(), 1u);
    EXPECT_EQ(saves.requests[0].defaultSuffix, "plist");
    const QVariantMap saved = KTPropertyList::readFile(path).value_or(QVariant()).toMap();
    EXPECT_EQ(saved.size(), 12);
    EXPECT_EQ(saved.value("PictureSize").toInt(), 128);
    EXPECT_EQ(saved.value("IsUseHistEqKey"), QVariant(true));
    const QVariantList curve{QVariantMap{{"X", 0.1}, {"Y", 0.6}}, QVariantMap{{"X", 0.4}, {"Y", 0.8}},
                             QVariantMap{{"X", 0.7}, {"Y", 0.9}}};
    EXPECT_EQ(saved.value("WeakeningFactorPoints").toList(), curve);

    ASSERT_TRUE(controller.loadSettingsFromPath(normal));
    controller.loadButton()->click();
    opens->answer({path});
    EXPECT_EQ(recordBytes(controller), applied);
    EXPECT_EQ(loadSettingsFromFile(path)->bytes(), applied);
    EXPECT_EQ(controller.imageSizeSlider()->doubleValue(), 64.0);

    // A cancelled panel changes nothing.
    controller.loadButton()->click();
    opens->answer({});
    EXPECT_EQ(recordBytes(controller), applied);
}

// The picture size is stored as twice the slider's whole value; a missing key reads as false, 0
// or an empty curve (the sliders keep within their ranges).
TEST(KTDuplicatesSearchSettingsControllerTest, LoadHalvesThePictureSizeAndReadsMissingKeysAsZero)
{
    QTemporaryDir dir;
    KTDuplicatesSearchSettingsController controller;
    const QString odd = dir.filePath("odd.plist");
    ASSERT_TRUE(KTPropertyList::writeFile(QVariantMap{{"PictureSize", 129}, {"IsUseBlur", true}}, odd));
    ASSERT_TRUE(controller.loadSettingsFromPath(odd, KTSettingsFileOrigin::UserFile));
    EXPECT_EQ(controller.imageSizeSlider()->doubleValue(), 64.0);
    EXPECT_EQ(controller.imageSize(), 128u);
    EXPECT_TRUE(controller.isUseBlur());
    EXPECT_FALSE(controller.isUseColor());
    EXPECT_EQ(controller.matchingLevel(), 0.0);
    EXPECT_TRUE(controller.timeWeakeningFactorPoints().isEmpty());
    EXPECT_EQ(controller.searchSettingsPtr()->weakCount, 0);
}

// A file the user chose that is not a settings dictionary, or whose curve is longer than a
// record holds, is refused with an alert; the settings in force stay as they were.
TEST(KTDuplicatesSearchSettingsControllerTest, AFileThatCannotBeSettingsIsRefusedWithAnAlert)
{
    QTemporaryDir dir;
    QVariantList tooManyPoints;
    for (int i = 0; i < 21; ++i)
        tooManyPoints.append(QVariantMap{{"X", i / 21.0}, {"Y", 0.5}});
    struct Case
    {
        const char *name;
        QByteArray contents;
        QString reason;
    };
    const Case cases[] = {
        {"not a property list", "JFIF and nothing else", "It is not a settings file"},
        {"an array, not a dictionary", KTPropertyList::toXml(QVariantList{1, 2}),
         "It is not a settings file"},
        {"21 curve points", KTPropertyList::toXml(QVariantMap{{"WeakeningFactorPoints", tooManyPoints}}),
         "more than 20 points"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromUtf8(c.name) + ".plist");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.contents);
        file.close();
        auto alerts = KTScriptedAlertPresenter::install();
        auto opens = KTScriptedOpenPanelPresenter::install();
        KTDuplicatesSearchSettingsController controller;
        setUnusualControls(controller);
        controller.onApply();
        const QByteArray before = recordBytes(controller);
        const QList<QPointF> curve = controller.timeWeakeningFactorPoints();

        controller.onLoad();
        opens->answer({path});

        ASSERT_EQ(alerts->shown().size(), 1u);
        EXPECT_TRUE(alerts->shown()[0].messageText.contains(QFileInfo(path).fileName()));
        EXPECT_TRUE(alerts->shown()[0].informativeText.contains(c.reason))
            << alerts->shown()[0].informativeText.toStdString();
        EXPECT_EQ(recordBytes(controller), before);
        EXPECT_EQ(controller.timeWeakeningFactorPoints(), curve);
        EXPECT_EQ(controller.matchingLevel(), 91.3);
    }
}

TEST(KTDuplicatesSearchSettingsControllerTest, AFailedSaveIsReported)
{
    QTemporaryDir dir;
    auto alerts = KTScriptedAlertPresenter::install();
    ScriptedSavePanels saves;
    KTDuplicatesSearchSettingsController controller;
    saves.answers = {dir.filePath("no such folder/settings.plist")};
    controller.onSave();
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_TRUE(alerts->shown()[0].messageText.startsWith("The settings could not be saved"));
}

// While any task runs, Apply, Save and Load are off; they come back when the last one ends, a
// stray finish leaves the count at 0, and a file chosen while a task started is not loaded.
TEST(KTDuplicatesSearchSettingsControllerTest, TasksDisableApplySaveAndLoad)
{
    QTemporaryDir dir;
    KTDuplicatesSearchSettingsController controller;
    const auto enabled = [&] {
        return QList<bool>{controller.applyButton()->isButtonEnabled(),
                           controller.saveButton()->isButtonEnabled(),
                           controller.loadButton()->isButtonEnabled()};
    };
    const QList<bool> on{true, true, true};
    const QList<bool> off{false, false, false};
    QObject catalogue;
    postFromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidStart(kLoadImagesTaskName, &catalogue);
        bus.taskDidStart(kSearchDuplicatesTaskName, &catalogue);
        bus.taskDidFinish(kSearchDuplicatesTaskName, &catalogue);
    });
    EXPECT_EQ(controller.startedTasksCount(), 1);
    EXPECT_EQ(enabled(), off);

    auto alerts = KTScriptedAlertPresenter::install();
    auto opens = KTScriptedOpenPanelPresenter::install();
    const QByteArray before = recordBytes(controller);
    controller.onLoad();
    opens->answer({presetPathForIndex(0)});
    EXPECT_EQ(recordBytes(controller), before);
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown()[0].messageText, "The settings were not loaded.");

    postFromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidFinish(kLoadImagesTaskName, &catalogue);
        bus.taskDidFinish(kLoadImagesTaskName, &catalogue);
    });
    EXPECT_EQ(controller.startedTasksCount(), 0);
    EXPECT_EQ(enabled(), on);
}

// Apply refills the record and tells the window's sender when it implements the delegate; a
// sender that does not, or that is gone, only gets the record refilled.
TEST(KTDuplicatesSearchSettingsControllerTest, ApplyTellsTheSenderThatImplementsTheDelegate)
{
    KTDuplicatesSearchSettingsController controller;
    auto delegate = std::make_unique<CountingApplyDelegate>();
    controller.showWindow(delegate.get());
    EXPECT_EQ(controller.applyDelegate(), delegate.get());
    controller.matchingLevelSlider()->setDoubleValue(77);
    controller.applyButton()->click();
    EXPECT_EQ(delegate->applied, 1);
    EXPECT_EQ(controller.searchSettingsPtr()->overalMatchingLevel, 77.0);

    QObject plain;
    controller.showWindow(&plain);
    controller.matchingLevelSlider()->setDoubleValue(78);
    controller.onApply();
    EXPECT_EQ(controller.searchSettingsPtr()->overalMatchingLevel, 78.0);
    EXPECT_EQ(delegate->applied, 1);

    controller.showWindow(delegate.get());
    delegate.reset();
    controller.onApply();
    EXPECT_EQ(controller.applyDelegate(), nullptr);
}

// Opened from the main window (Ctrl+Alt+S), the window is that window's transient child, so the
// window system keeps it above; Escape closes it, and it opens again on the next command.
TEST(KTDuplicatesSearchSettingsControllerTest, StaysAboveTheWindowItIsOpenedFromAndEscapeClosesIt)
{
    QWidget mainWindow;
    mainWindow.resize(400, 300);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    QApplication::setActiveWindow(&mainWindow);
    ASSERT_EQ(QApplication::activeWindow(), &mainWindow);
    KTDuplicatesSearchSettingsController controller;
    QObject mode;

    controller.showWindow(&mode);
    ASSERT_TRUE(controller.isVisible());
    ASSERT_NE(controller.windowHandle(), nullptr);
    EXPECT_EQ(controller.windowHandle()->transientParent(), mainWindow.windowHandle());
    // The X11 platform tells the window manager of the transient parent for dialogs only.
    EXPECT_EQ(controller.windowHandle()->type(), Qt::Dialog);

    QTest::keyClick(controller.matchingLevelSlider(), Qt::Key_Escape);
    EXPECT_FALSE(controller.isVisible());
    controller.showWindow(&mode);
    EXPECT_TRUE(controller.isVisible());
    EXPECT_EQ(controller.windowHandle()->transientParent(), mainWindow.windowHandle());
}
