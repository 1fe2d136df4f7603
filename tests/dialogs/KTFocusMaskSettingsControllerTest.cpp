#include "KTFocusMaskSettingsController.h"

#include "KTAbstractButton.h"
#include "KTFocusMaskDefaults.h"
#include "KTNotificationCenter.h"
#include "KTUserDefaults.h"
#include "KTValueSlider.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct FocusMaskFixture
{
    FocusMaskFixture() { KTFocusMaskDefaults::registerDefaults(defaults); }

    QList<double> sliders() const
    {
        return {window.thresholdSlider()->doubleValue(), window.opacitySlider()->doubleValue(),
                window.radius1Slider()->doubleValue(), window.radius2Slider()->doubleValue(),
                window.regionSizeSlider()->doubleValue()};
    }

    QTemporaryDir dir;
    KTUserDefaults defaults{dir.filePath("defaults.ini")};
    KTFocusMaskSettingsController window{defaults};
    std::vector<KTNotification> reloads;
    KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        kReloadFocusMaskNotificationName, nullptr,
        [this](const KTNotification &note) { reloads.push_back(note); });
};

const QList<double> kDefaultSliders{double(0.319f), double(0.657f), double(0.099f), double(0.277f), 0.5};

} // namespace

// A slider move is stored at once, as a single-precision number, and announced to nobody; Reset
// brings back the five defaults and the sliders follow; only Apply broadcasts, once, with no
// object, and it closes the window.
TEST(KTFocusMaskSettingsControllerTest, SlidersStoreAtOnceResetRestoresAndApplyBroadcastsOnce)
{
    FocusMaskFixture f;
    EXPECT_EQ(f.sliders(), kDefaultSliders);

    f.window.thresholdSlider()->setValue(60);
    f.window.regionSizeSlider()->setValue(20);
    EXPECT_EQ(f.defaults.objectForKey(kFocusMaskThresholdDefaultsKey), QVariant(0.6f));
    EXPECT_EQ(f.defaults.objectForKey(kFocusMaskRegionSizeDefaultsKey), QVariant(0.2));
    EXPECT_EQ(f.window.focusMaskThreshold(), 0.6f);
    EXPECT_TRUE(f.reloads.empty());

    // A value written elsewhere moves the slider.
    f.defaults.setObject(0.25f, kFocusMaskOpacityDefaultsKey);
    EXPECT_EQ(f.window.opacitySlider()->doubleValue(), 0.25);

    f.window.resetButton()->click();
    EXPECT_EQ(f.sliders(), kDefaultSliders);
    EXPECT_EQ(f.defaults.floatForKey(kFocusMaskThresholdDefaultsKey), 0.319f);
    EXPECT_TRUE(f.reloads.empty());

    f.window.show();
    f.window.applyButton()->click();
    ASSERT_EQ(f.reloads.size(), 1u);
    EXPECT_EQ(f.reloads[0].object, nullptr);
    EXPECT_TRUE(f.reloads[0].userInfo.isEmpty());
    EXPECT_FALSE(f.window.isVisible());
}

// Closing without Apply keeps the changed values for the next mask.
TEST(KTFocusMaskSettingsControllerTest, ClosingWithoutApplyKeepsTheValues)
{
    FocusMaskFixture f;
    f.window.show();
    f.window.radius1Slider()->setValue(50);
    f.window.close();
    EXPECT_TRUE(f.reloads.empty());
    EXPECT_EQ(KTFocusMaskDefaults::read(f.defaults).highPassSize, 0.5f * 24 + 1);
}
