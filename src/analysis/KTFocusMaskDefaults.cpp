#include "KTFocusMaskDefaults.h"

#include "KTUserDefaults.h"

QVariantMap KTFocusMaskDefaults::defaultValues()
{
    return {
        {kFocusMaskThresholdDefaultsKey, 0.319f}, {kFocusMaskOpacityDefaultsKey, 0.657f},
        {kFocusMaskRadius1DefaultsKey, 0.099f},   {kFocusMaskRadius2DefaultsKey, 0.277f},
        {kFocusMaskRegionSizeDefaultsKey, 0.5},
    };
}

void KTFocusMaskDefaults::registerDefaults(KTUserDefaults &defaults)
{
    defaults.registerDefaults(defaultValues());
}

void KTFocusMaskDefaults::registerDefaults()
{
    registerDefaults(KTUserDefaults::standardUserDefaults());
}

KTFocusMaskDefaults KTFocusMaskDefaults::read(const KTUserDefaults &defaults)
{
    KTFocusMaskDefaults settings;
    settings.threshold = defaults.floatForKey(kFocusMaskThresholdDefaultsKey) * 25.0f;
    settings.highPassSize = defaults.floatForKey(kFocusMaskRadius1DefaultsKey) * 24.0f + 1.0f;
    settings.secondSize = defaults.floatForKey(kFocusMaskRadius2DefaultsKey) * 24.0f + 1.0f;
    return settings;
}

KTFocusMaskDefaults KTFocusMaskDefaults::read()
{
    return read(KTUserDefaults::standardUserDefaults());
}
