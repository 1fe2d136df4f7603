#pragma once

#include <QObject>
#include <QPointer>

/// A delegate or data source held without ownership. When the object behind the interface is
/// also a QObject, its end is noticed (the reference reads as null from then on); any other
/// object must be cleared by its owner, or outlive its registration.
///
/// Threading: as the object that holds it (the main thread for views and windows).
template <class Delegate> class KTWeakDelegate
{
public:
    KTWeakDelegate() = default;
    KTWeakDelegate(Delegate *delegate) { set(delegate); }

    KTWeakDelegate &operator=(Delegate *delegate)
    {
        set(delegate);
        return *this;
    }
    void set(Delegate *delegate)
    {
        m_delegate = delegate;
        m_guard = dynamic_cast<QObject *>(delegate);
        m_guarded = !m_guard.isNull();
    }

    Delegate *get() const { return m_guarded && m_guard.isNull() ? nullptr : m_delegate; }
    Delegate *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Delegate *m_delegate = nullptr;
    QPointer<QObject> m_guard;
    bool m_guarded = false;
};
