#include "KTUserDefaults.h"

#include <QDataStream>
#include <QIODevice>
#include <QSettings>

namespace {

// Values whose type the INI format would lose are stored as a serialised QVariant behind
// this marker.
const QByteArray kTypedValueMarker = QByteArrayLiteral("\x01KTV1");

bool isStoredAsItself(const QVariant &value)
{
    return value.typeId() == QMetaType::QString;
}

QVariant encode(const QVariant &value)
{
    if (isStoredAsItself(value))
        return value;
    QByteArray bytes = kTypedValueMarker;
    QDataStream stream(&bytes, QIODevice::Append);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << value;
    return bytes;
}

QVariant decode(const QVariant &stored)
{
    if (stored.typeId() != QMetaType::QByteArray)
        return stored;
    const QByteArray bytes = stored.toByteArray();
    if (!bytes.startsWith(kTypedValueMarker))
        return stored;
    QDataStream stream(bytes.mid(kTypedValueMarker.size()));
    stream.setVersion(QDataStream::Qt_6_0);
    QVariant value;
    stream >> value;
    return stream.status() == QDataStream::Ok ? value : QVariant();
}

} // namespace

KTUserDefaults &KTUserDefaults::standardUserDefaults()
{
    static auto *defaults = [] {
        QSettings locate(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vireoscope"),
                         QStringLiteral("Vireoscope"));
        return new KTUserDefaults(locate.fileName());
    }();
    return *defaults;
}

KTUserDefaults::KTUserDefaults(const QString &path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
}

KTUserDefaults::~KTUserDefaults() = default;

void KTUserDefaults::registerDefaults(const QVariantMap &defaults)
{
    QStringList changed;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
            if (!m_settings->contains(it.key()) && m_registered.value(it.key()) != it.value())
                changed.append(it.key());
        }
        m_registered.insert(defaults);
    }
    for (const QString &key : std::as_const(changed))
        emit valueChanged(key);
}

QVariant KTUserDefaults::objectForKey(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    return effectiveValue(key);
}

bool KTUserDefaults::hasStoredValue(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    return m_settings->contains(key);
}

bool KTUserDefaults::boolForKey(const QString &key) const
{
    return objectForKey(key).toBool();
}

qint64 KTUserDefaults::integerForKey(const QString &key) const
{
    return objectForKey(key).toLongLong();
}

double KTUserDefaults::doubleForKey(const QString &key) const
{
    return objectForKey(key).toDouble();
}

float KTUserDefaults::floatForKey(const QString &key) const
{
    return objectForKey(key).toFloat();
}

QString KTUserDefaults::stringForKey(const QString &key) const
{
    return objectForKey(key).toString();
}

QStringList KTUserDefaults::stringArrayForKey(const QString &key) const
{
    return objectForKey(key).toStringList();
}

QVariantList KTUserDefaults::arrayForKey(const QString &key) const
{
    return objectForKey(key).toList();
}

QVariantMap KTUserDefaults::dictionaryForKey(const QString &key) const
{
    return objectForKey(key).toMap();
}

void KTUserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        changed = effectiveValue(key) != value;
        m_settings->setValue(key, encode(value));
    }
    if (changed)
        emit valueChanged(key);
}

void KTUserDefaults::removeObjectForKey(const QString &key)
{
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_settings->contains(key))
            return;
        const QVariant before = effectiveValue(key);
        m_settings->remove(key);
        changed = effectiveValue(key) != before;
    }
    if (changed)
        emit valueChanged(key);
}

QVariant KTUserDefaults::effectiveValue(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    if (stored.isValid())
        return decode(stored);
    return m_registered.value(key);
}

QMetaObject::Connection KTUserDefaults::observeKey(const QString &key, QObject *receiver,
                                                   std::function<void()> callback)
{
    return connect(this, &KTUserDefaults::valueChanged, receiver,
                   [key, callback = std::move(callback)](const QString &changedKey) {
                       if (changedKey == key)
                           callback();
                   });
}

bool KTUserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
