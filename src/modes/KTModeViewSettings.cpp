#include "KTModeViewSettings.h"

#include "KTSortDescriptor.h"
#include "KTUserDefaults.h"

#include <QDebug>

namespace {

KTUserDefaults *s_userDefaults = nullptr;

// The secondary sort keys, in their fixed order.
const QStringList &sortKeys()
{
    static const QStringList s_keys{QStringLiteral("name"), QStringLiteral("creationDate"),
                                    QStringLiteral("size"), QStringLiteral("resolveDate"),
                                    QStringLiteral("modificationDate")};
    return s_keys;
}

const QString kResolveDateKey = QStringLiteral("resolveDate");

} // namespace

const QString KTModeViewSettings::kImageListZoomKey = QStringLiteral("imageListZoom");
const QString KTModeViewSettings::kIsNavigationBarVisibleKey = QStringLiteral("isNavigationBarVisible");
const QString KTModeViewSettings::kIsExifPanelVisibleKey = QStringLiteral("isExifPanelVisible");
const QString KTModeViewSettings::kShowsExposurePixelsKey = QStringLiteral("showsExposurePixels");
const QString KTModeViewSettings::kSortKeyKey = QStringLiteral("sortKey");
const QString KTModeViewSettings::kSortOrderKey = QStringLiteral("sortOrder");
const QString KTModeViewSettings::kIsZoomLockKey = QStringLiteral("isZoomLock");
const QString KTModeViewSettings::kUIModeKey = QStringLiteral("UIMode");

KTUserDefaults &KTModeViewSettings::userDefaults()
{
    return s_userDefaults ? *s_userDefaults : KTUserDefaults::standardUserDefaults();
}

void KTModeViewSettings::setUserDefaults(KTUserDefaults *defaults)
{
    s_userDefaults = defaults;
}

KTModeViewSettings::KTModeViewSettings(std::function<QString()> modeID, QObject *parent)
    : QObject(parent), m_modeID(std::move(modeID))
{}

void KTModeViewSettings::registerDefaults()
{
    userDefaults().registerDefaults({
        {kImageListZoomKey, 0.0},
        {defaultsKeyPathForKey(kIsNavigationBarVisibleKey), true},
        {kIsExifPanelVisibleKey, false},
        {kShowsExposurePixelsKey, false},
        {defaultsKeyPathForKey(kSortKeyKey), QStringLiteral("creationDate")},
        {defaultsKeyPathForKey(kSortOrderKey), true},
        {defaultsKeyPathForKey(kIsZoomLockKey), false},
    });
}

void KTModeViewSettings::bindShared(const QString &name, std::function<void(const QVariant &value)> apply)
{
    KTUserDefaults &defaults = userDefaults();
    const auto pull = [&defaults, name, apply = std::move(apply)] {
        const QVariant value = defaults.objectForKey(name);
        if (value.isValid())
            apply(value);
    };
    pull();
    defaults.observeKey(name, this, pull);
}

void KTModeViewSettings::bindPerMode(const QString &name, std::function<void(const QVariant &value)> apply)
{
    bindShared(defaultsKeyPathForKey(name), std::move(apply));
}

QString KTModeViewSettings::defaultsKeyPathForKey(const QString &key) const
{
    Q_ASSERT_X(!key.isEmpty(), "defaultsKeyPathForKey", "Defaults key cannot be nil");
    return QStringLiteral("%1_%2").arg(m_modeID(), key);
}

void KTModeViewSettings::saveDefaultsValue(const QVariant &value, const QString &key, const QString &prefix)
{
    Q_ASSERT_X(!key.isEmpty(), "saveDefaultsValue", "Cannot save defaults value for nil key");
    if (key.isEmpty())
        return;
    KTUserDefaults &defaults = userDefaults();
    defaults.setObject(value, prefix.isEmpty() ? key : QStringLiteral("%1_%2").arg(prefix, key));
    defaults.synchronize();
}

void KTModeViewSettings::savePerMode(const QVariant &value, const QString &key) const
{
    saveDefaultsValue(value, key, m_modeID());
}

bool KTModeViewSettings::setSortKey(const QString &key)
{
    if (key == m_sortKey)
        return false;
    m_sortKey = key;
    savePerMode(key, kSortKeyKey);
    return true;
}

bool KTModeViewSettings::setSortOrder(bool ascending)
{
    if (ascending == m_sortOrder)
        return false;
    m_sortOrder = ascending;
    savePerMode(ascending, kSortOrderKey);
    return true;
}

bool KTModeViewSettings::setIsZoomLock(bool zoomLock)
{
    if (zoomLock == m_isZoomLock)
        return false;
    m_isZoomLock = zoomLock;
    savePerMode(zoomLock, kIsZoomLockKey);
    return true;
}

bool KTModeViewSettings::setImageListZoom(double zoom)
{
    if (zoom == m_imageListZoom)
        return false;
    m_imageListZoom = zoom;
    saveDefaultsValue(zoom, kImageListZoomKey, {});
    return true;
}

bool KTModeViewSettings::setIsExifPanelVisible(bool visible)
{
    if (visible == m_isExifPanelVisible)
        return false;
    m_isExifPanelVisible = visible;
    saveDefaultsValue(visible, kIsExifPanelVisibleKey, {});
    return true;
}

bool KTModeViewSettings::setIsNavigationBarVisible(bool visible)
{
    if (visible == m_isNavigationBarVisible)
        return false;
    m_isNavigationBarVisible = visible;
    savePerMode(visible, kIsNavigationBarVisibleKey);
    return true;
}

void KTModeViewSettings::setShowsExposurePixels(bool shows)
{
    m_showsExposurePixels = shows;
    saveDefaultsValue(shows, kShowsExposurePixelsKey, {});
}

QList<KTSortDescriptor> KTModeViewSettings::imagesSortDescriptors() const
{
    const auto order = [this](const QString &key) {
        const bool ascending = key == kResolveDateKey ? !m_sortOrder : m_sortOrder;
        return ascending ? KTSortOrder::Ascending : KTSortOrder::Descending;
    };
    QList<KTSortDescriptor> descriptors{KTSortDescriptor(m_sortKey, order(m_sortKey))};
    if (!sortKeys().contains(m_sortKey))
        qWarning().noquote() << QStringLiteral("Warning: Unexpected sort key: %1").arg(m_sortKey);
    for (const QString &key : sortKeys()) {
        if (key != m_sortKey)
            descriptors.append(KTSortDescriptor(key, order(key)));
    }
    return descriptors;
}
