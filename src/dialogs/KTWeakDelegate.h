#pragma once

#include <QObject>
#include <QPointer>

/// A delegate held without ownership. When the delegate is also a QObject its end is noticed (the
/// delegate reads as null from then on); a delegate that is not must be cleared by its owner
/// before it goes away.
///
/// Threading: as the object that holds it.
template <class Delegate> class KTWeakDelegate
{
public:
    KTWeakDelegate() = default;
    KTWeakDelegate(Delegate *delegate) { *this = delegate; }

    KTWeakDelegate &operator=(Delegate *delegate)
    {
        m_delegate = delegate;
        m_guard = dynamic_cast<QObject *>(delegate);
        m_guarded = !m_guard.isNull();
        return *this;
    }

    Delegate *get() const { return m_guarded && m_guard.isNull() ? nullptr : m_delegate; }
    Delegate *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Delegate *m_delegate = nullptr;
    QPointer<QObject> m_guard;
    bool m_guarded = false;
};
