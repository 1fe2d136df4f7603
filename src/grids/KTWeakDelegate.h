#pragma once

#include <QObject>
#include <QPointer>

/// A delegate or data source held without ownership. When the object behind the interface is a
/// QObject, the reference clears itself when that object is destroyed (get() answers null);
/// any other object must outlive its registration.
///
/// Threading: main thread only, like the views that hold it.
template <class Protocol> class KTWeakDelegate
{
public:
    KTWeakDelegate() = default;

    void set(Protocol *delegate)
    {
        m_delegate = delegate;
        m_object = dynamic_cast<QObject *>(delegate);
        m_isObject = m_object != nullptr;
    }
    Protocol *get() const { return m_isObject && !m_object ? nullptr : m_delegate; }
    Protocol *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Protocol *m_delegate = nullptr;
    QPointer<QObject> m_object;
    bool m_isObject = false;
};
