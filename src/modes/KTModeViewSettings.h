#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class KTSortDescriptor;
class KTUserDefaults;

/// A review mode's view state as the user defaults keep it. Per-mode settings are stored under
/// the mode's identifier, an underscore and the name ("sortKey", "sortOrder", "isZoomLock",
/// "isNavigationBarVisible", "UIMode", and what a mode adds); settings shared by all modes under
/// the bare name ("imageListZoom", "isExifPanelVisible", "showsExposurePixels"). Each setting
/// has a registered default, is read when the mode is set up, written at once when it changes
/// (the value and a synchronisation), and followed when something else writes it (another mode
/// writing a shared setting).
///
/// Threading: main thread only.
class KTModeViewSettings : public QObject
{
    Q_OBJECT
public:
    /// The user defaults every mode reads and writes: the standard ones unless a test installed
    /// others (for a restart). Install before making modes; null restores the standard ones.
    static KTUserDefaults &userDefaults();
    static void setUserDefaults(KTUserDefaults *defaults);

    /// The settings of the mode `modeID` answers (asked each time: a mode answers it only once it
    /// is built).
    explicit KTModeViewSettings(std::function<QString()> modeID, QObject *parent = nullptr);

    /// Registers the defaults of the seven settings; a mode registers its own beside them.
    void registerDefaults();
    /// Reads the per-mode setting `name` now and whenever it changes, into `apply`.
    void bindPerMode(const QString &name, std::function<void(const QVariant &value)> apply);
    /// The same for a setting shared by all modes.
    void bindShared(const QString &name, std::function<void(const QVariant &value)> apply);

    /// "<modeID>_<key>"; an empty key asserts ("Defaults key cannot be nil").
    QString defaultsKeyPathForKey(const QString &key) const;
    /// Writes `value` under "<prefix>_<key>", or under `key` alone when `prefix` is empty, then
    /// synchronises; an empty key asserts ("Cannot save defaults value for nil key").
    static void saveDefaultsValue(const QVariant &value, const QString &key, const QString &prefix);
    /// The same for a per-mode setting.
    void savePerMode(const QVariant &value, const QString &key) const;

    // Each setter stores the value and writes it when it differs (showsExposurePixels on every
    // call); it answers whether the value changed.
    QString sortKey() const { return m_sortKey; }
    bool setSortKey(const QString &key);
    /// True = ascending.
    bool sortOrder() const { return m_sortOrder; }
    bool setSortOrder(bool ascending);
    bool isZoomLock() const { return m_isZoomLock; }
    bool setIsZoomLock(bool zoomLock);
    double imageListZoom() const { return m_imageListZoom; }
    bool setImageListZoom(double zoom);
    bool isExifPanelVisible() const { return m_isExifPanelVisible; }
    bool setIsExifPanelVisible(bool visible);
    bool isNavigationBarVisible() const { return m_isNavigationBarVisible; }
    bool setIsNavigationBarVisible(bool visible);
    bool showsExposurePixels() const { return m_showsExposurePixels; }
    void setShowsExposurePixels(bool shows);

    /// The list order: `sortKey` first (ascending with `sortOrder`, reversed for "resolveDate"),
    /// then "name", "creationDate", "size", "resolveDate", "modificationDate" without the sort
    /// key, in the same direction ("resolveDate" reversed). An unknown sort key logs "Warning:
    /// Unexpected sort key: <key>" and is followed by all five.
    QList<KTSortDescriptor> imagesSortDescriptors() const;

    // The names of the settings.
    static const QString kImageListZoomKey;
    static const QString kIsNavigationBarVisibleKey;
    static const QString kIsExifPanelVisibleKey;
    static const QString kShowsExposurePixelsKey;
    static const QString kSortKeyKey;
    static const QString kSortOrderKey;
    static const QString kIsZoomLockKey;
    static const QString kUIModeKey;

private:
    std::function<QString()> m_modeID;
    QString m_sortKey = QStringLiteral("creationDate");
    bool m_sortOrder = true;
    bool m_isZoomLock = false;
    double m_imageListZoom = 0.0;
    bool m_isExifPanelVisible = false;
    bool m_isNavigationBarVisible = true;
    bool m_showsExposurePixels = false;
};
