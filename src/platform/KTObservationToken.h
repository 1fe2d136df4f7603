#pragma once

#include <functional>

/// Keeps one observation of an object context registered; destroying or resetting the token
/// ends it. Move-only. Use and destroy it on the thread of the context it observes.
class KTObservationToken
{
public:
    KTObservationToken() = default;
    explicit KTObservationToken(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    ~KTObservationToken() { reset(); }
    KTObservationToken(KTObservationToken &&other) noexcept : m_cancel(std::move(other.m_cancel))
    {
        other.m_cancel = nullptr;
    }
    KTObservationToken &operator=(KTObservationToken &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_cancel = std::move(other.m_cancel);
            other.m_cancel = nullptr;
        }
        return *this;
    }
    KTObservationToken(const KTObservationToken &) = delete;
    KTObservationToken &operator=(const KTObservationToken &) = delete;

    /// Ends the observation now; a callback already running finishes.
    void reset()
    {
        if (auto cancel = std::move(m_cancel)) {
            m_cancel = nullptr;
            cancel();
        }
    }
    bool isActive() const { return bool(m_cancel); }

private:
    std::function<void()> m_cancel;
};
