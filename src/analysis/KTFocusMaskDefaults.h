#pragma once

#include <QString>
#include <QVariantMap>

class KTUserDefaults;

inline const QString kFocusMaskThresholdDefaultsKey = QStringLiteral("focusMaskThreshold");
inline const QString kFocusMaskOpacityDefaultsKey = QStringLiteral("focusMaskOpacity");
inline const QString kFocusMaskRadius1DefaultsKey = QStringLiteral("focusMaskRadius1");
inline const QString kFocusMaskRadius2DefaultsKey = QStringLiteral("focusMaskRadius2");
inline const QString kFocusMaskRegionSizeDefaultsKey = QStringLiteral("focusMaskRegionSize");
/// Posted (no object) by the focus-mask settings after Apply; every focus-mask overlay recomputes.
inline const QString kReloadFocusMaskNotificationName = QStringLiteral("reloadFocusMaskNotificationName");
/// The one focus-mask switch (a bool) shared by the viewers and the group modes.
inline const QString kShowsFocusMaskDefaultsKey = QStringLiteral("showsFocusMask");

/// The focus-mask settings as user defaults, and the kernel arguments made from them. The
/// settings window edits the defaults; every focus-mask run reads them afresh, so an edit
/// applies to the next run.
///
/// Threading: safe on any thread (KTUserDefaults serialises access).
struct KTFocusMaskDefaults
{
    /// The five keys with their default values: threshold 0.319, opacity 0.657, radius1 0.099 and
    /// radius2 0.277 as floats, region size 0.5 as a double.
    static QVariantMap defaultValues();
    /// Registers defaultValues(). The shell calls it at start-up.
    static void registerDefaults(KTUserDefaults &defaults);
    static void registerDefaults();

    /// Reads the settings now; a key never registered reads 0.
    static KTFocusMaskDefaults read(const KTUserDefaults &defaults);
    static KTFocusMaskDefaults read();

    // The kernels' arguments, in single precision as the kernels take them.
    /// "focusMaskRadius1" * 24 + 1.
    float highPassSize = 0;
    /// "focusMaskRadius2" * 24 + 1.
    float secondSize = 0;
    /// "focusMaskThreshold" * 25.
    float threshold = 0;
};
