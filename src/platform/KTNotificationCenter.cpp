#include "KTNotificationCenter.h"

#include <atomic>
#include <utility>
#include <mutex>
#include <vector>

namespace {

struct Observer
{
    std::uint64_t id;
    QString name;
    const QObject *sender;
    KTNotificationCenter::Callback callback;
    std::atomic<bool> removed{false};
};

} // namespace

class KTNotificationCenterState
{
public:
    std::mutex mutex;
    std::uint64_t nextId = 1;
    std::vector<std::shared_ptr<Observer>> observers;

    void remove(std::uint64_t id)
    {
        std::lock_guard lock(mutex);
        for (auto it = observers.begin(); it != observers.end(); ++it) {
            if ((*it)->id == id) {
                (*it)->removed = true;
                observers.erase(it);
                return;
            }
        }
    }
};

KTObserverToken::KTObserverToken(std::weak_ptr<KTNotificationCenterState> state, std::uint64_t id)
    : m_state(std::move(state)), m_id(id)
{
}

KTObserverToken::~KTObserverToken()
{
    reset();
}

KTObserverToken::KTObserverToken(KTObserverToken &&other) noexcept
    : m_state(std::move(other.m_state)), m_id(std::exchange(other.m_id, 0))
{
}

KTObserverToken &KTObserverToken::operator=(KTObserverToken &&other) noexcept
{
    if (this != &other) {
        reset();
        m_state = std::move(other.m_state);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void KTObserverToken::reset()
{
    if (m_id == 0)
        return;
    if (auto state = m_state.lock())
        state->remove(m_id);
    m_id = 0;
    m_state.reset();
}

KTNotificationCenter::KTNotificationCenter() : m_state(std::make_shared<KTNotificationCenterState>()) {}

KTNotificationCenter::~KTNotificationCenter() = default;

KTNotificationCenter &KTNotificationCenter::defaultCenter()
{
    // Never destroyed: tokens held by other statics may outlive any exit-time destructor order.
    static auto *center = new KTNotificationCenter;
    return *center;
}

KTObserverToken KTNotificationCenter::addObserver(const QString &name, const QObject *sender, Callback callback)
{
    auto observer = std::make_shared<Observer>();
    observer->name = name;
    observer->sender = sender;
    observer->callback = std::move(callback);
    std::lock_guard lock(m_state->mutex);
    observer->id = m_state->nextId++;
    m_state->observers.push_back(observer);
    return KTObserverToken(m_state, observer->id);
}

void KTNotificationCenter::post(const KTNotification &notification)
{
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto &observer : m_state->observers) {
            if (!observer->name.isEmpty() && observer->name != notification.name)
                continue;
            if (observer->sender && observer->sender != notification.object)
                continue;
            matching.push_back(observer);
        }
    }
    for (const auto &observer : matching) {
        if (!observer->removed)
            observer->callback(notification);
    }
}

void KTNotificationCenter::post(const QString &name, QObject *object, const QVariantMap &userInfo)
{
    post(KTNotification{name, object, userInfo});
}
