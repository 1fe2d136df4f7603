#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>

/// One broadcast: a name, the object that sent it (may be null) and a dictionary of details.
struct KTNotification
{
    QString name;
    QObject *object = nullptr;
    QVariantMap userInfo;
};

class KTNotificationCenterState;

/// Keeps one observer registered; destroying or resetting the token removes it. Move-only.
class KTObserverToken
{
public:
    KTObserverToken() = default;
    KTObserverToken(std::weak_ptr<KTNotificationCenterState> state, std::uint64_t id);
    ~KTObserverToken();
    KTObserverToken(KTObserverToken &&other) noexcept;
    KTObserverToken &operator=(KTObserverToken &&other) noexcept;
    KTObserverToken(const KTObserverToken &) = delete;
    KTObserverToken &operator=(const KTObserverToken &) = delete;

    /// Removes the observer now. A delivery running at that moment on another thread may still
    /// finish; no delivery starts after this returns.
    void reset();
    bool isActive() const { return m_id != 0; }

private:
    std::weak_ptr<KTNotificationCenterState> m_state;
    std::uint64_t m_id = 0;
};

/// Broadcasts notifications by name to the observers registered for them.
///
/// Threading: every method may be called from any thread. Delivery is synchronous, on the
/// posting thread, in the order the observers were added; an observer added or removed during a
/// delivery takes effect from the next post. Posts that must reach the main thread go through
/// the main queue first (see KTTasksNotifier).
class KTNotificationCenter
{
public:
    using Callback = std::function<void(const KTNotification &)>;

    KTNotificationCenter();
    ~KTNotificationCenter();

    static KTNotificationCenter &defaultCenter();

    /// Observes notifications named `name` (every name when empty) sent by `sender` (any sender
    /// when null). The observer stays registered as long as the returned token lives.
    [[nodiscard]] KTObserverToken addObserver(const QString &name, const QObject *sender, Callback callback);

    void post(const KTNotification &notification);
    void post(const QString &name, QObject *object = nullptr, const QVariantMap &userInfo = {});

private:
    std::shared_ptr<KTNotificationCenterState> m_state;
};
