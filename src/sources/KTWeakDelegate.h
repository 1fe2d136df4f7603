#pragma once

#include <QObject>
#include <QPointer>

/// A delegate held without ownership. When the delegate is also a QObject its destruction is
/// noticed and the delegate then reads as null; a plain object must outlive the holder or be
/// cleared (set to null) before it goes.
///
/// Threading: the thread of the holder.
template <class Delegate> class KTWeakDelegate
{
public:
    KTWeakDelegate &operator=(Delegate *delegate)
    {
        m_delegate = delegate;
        m_guard = dynamic_cast<QObject *>(delegate);
        m_isObject = !m_guard.isNull();
        return *this;
    }

    Delegate *get() const { return m_isObject && m_guard.isNull() ? nullptr : m_delegate; }
    Delegate *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Delegate *m_delegate = nullptr;
    QPointer<QObject> m_guard;
    bool m_isObject = false;
};
