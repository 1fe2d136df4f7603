#include "KTUserDefaults.h"

#include "KTSerialQueue.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QSettings>

#include <algorithm>
#include <cstdlib>

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

void flushStandardUserDefaults()
{
    KTUserDefaults::standardUserDefaults().flush();
}

} // namespace

KTUserDefaults &KTUserDefaults::standardUserDefaults()
{
    static auto *defaults = [] {
        QSettings locate(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vireoscope"),
                         QStringLiteral("Vireoscope"));
        auto *made = new KTUserDefaults(locate.fileName());
        // Kept for the whole process (objects may read it while they are destroyed): the last
        // changes are written when the application ends and, failing that, at exit.
        if (QCoreApplication *application = QCoreApplication::instance())
            QObject::connect(application, &QCoreApplication::aboutToQuit, made, [made] { made->flush(); });
        qAddPostRoutine(flushStandardUserDefaults);
        std::atexit(flushStandardUserDefaults);
        return made;
    }();
    return *defaults;
}

KTUserDefaults::KTUserDefaults(const QString &path)
    : m_path(path), m_writeQueue(std::make_unique<KTSerialQueue>(QStringLiteral("KTUserDefaults")))
{
    QSettings settings(path, QSettings::IniFormat);
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys)
        m_values.insert(key, decode(settings.value(key)));
    m_writeTimer.setSingleShot(true);
    connect(&m_writeTimer, &QTimer::timeout, this, [this] {
        {
            std::lock_guard lock(m_mutex);
            m_writeScheduled = false;
            m_lastWrite = std::chrono::steady_clock::now();
        }
        m_writeQueue->async([this] { writePending(); });
    });
}

KTUserDefaults::~KTUserDefaults()
{
    m_writeTimer.stop();
    flush();
    m_writeQueue.reset();
}

void KTUserDefaults::registerDefaults(const QVariantMap &defaults)
{
    QStringList changed;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
            if (!m_values.contains(it.key()) && m_registered.value(it.key()) != it.value())
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
    return m_values.contains(key);
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
        const auto stored = m_values.constFind(key);
        if (stored != m_values.cend() && stored->typeId() == value.typeId() && *stored == value)
            return;
        m_values.insert(key, value);
        noteChange(key, encode(value));
    }
    scheduleWrite();
    if (changed)
        emit valueChanged(key);
}

void KTUserDefaults::removeObjectForKey(const QString &key)
{
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_values.contains(key))
            return;
        const QVariant before = effectiveValue(key);
        m_values.remove(key);
        noteChange(key, std::nullopt);
        changed = effectiveValue(key) != before;
    }
    scheduleWrite();
    if (changed)
        emit valueChanged(key);
}

QVariant KTUserDefaults::effectiveValue(const QString &key) const
{
    const auto stored = m_values.constFind(key);
    if (stored != m_values.cend())
        return *stored;
    return m_registered.value(key);
}

void KTUserDefaults::noteChange(const QString &key, std::optional<QVariant> stored)
{
    m_pending.insert(key, std::move(stored));
}

void KTUserDefaults::scheduleWrite()
{
    std::chrono::milliseconds delay{0};
    {
        std::lock_guard lock(m_mutex);
        if (m_writeScheduled || m_pending.isEmpty())
            return;
        m_writeScheduled = true;
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_lastWrite);
        delay = std::clamp(kWriteInterval - since, std::chrono::milliseconds{0}, kWriteInterval);
    }
    // The timer belongs to the thread that made this object.
    QMetaObject::invokeMethod(&m_writeTimer, [this, delay] { m_writeTimer.start(delay); });
}

bool KTUserDefaults::synchronize()
{
    scheduleWrite();
    std::lock_guard lock(m_mutex);
    return m_lastWriteSucceeded;
}

bool KTUserDefaults::flush()
{
    return writePending();
}

bool KTUserDefaults::writePending()
{
    std::lock_guard writing(m_writeMutex);
    QHash<QString, std::optional<QVariant>> changes;
    {
        std::lock_guard lock(m_mutex);
        changes.swap(m_pending);
        if (changes.isEmpty())
            return m_lastWriteSucceeded;
    }
    QSettings settings(m_path, QSettings::IniFormat);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value())
            settings.setValue(it.key(), *it.value());
        else
            settings.remove(it.key());
    }
    settings.sync();
    const bool ok = settings.status() == QSettings::NoError;
    {
        std::lock_guard lock(m_mutex);
        m_lastWriteSucceeded = ok;
        // What could not be written waits for the next write, unless a newer change replaced it.
        if (!ok) {
            for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
                if (!m_pending.contains(it.key()))
                    m_pending.insert(it.key(), it.value());
            }
        }
    }
    emit written(ok);
    return ok;
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
