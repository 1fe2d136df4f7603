#include "KTMultiBindingsController.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

KTMultiBindingsController::KTMultiBindingsController(QObject *parent) : QObject(parent) {}

KTMultiBindingsController::~KTMultiBindingsController() = default;

void KTMultiBindingsController::bindBoolValueToObjects(const QList<KTBindingSource> &objects,
                                                       const QString &key)
{
    m_watches.clear();
    m_objects = objects;
    m_key = key;
    adjustBoolValue();
    for (const KTBindingSource &object : objects) {
        if (auto watch = object.observe(key, [this] { valueDidChange(); }))
            m_watches.push_back(std::move(watch));
    }
}

void KTMultiBindingsController::valueDidChange()
{
    if (m_needsAdjustBoolValue.exchange(true))
        return;
    QPointer<KTMultiBindingsController> self(this);
    QMetaObject::invokeMethod(
        qApp,
        [self] {
            if (self && self->m_needsAdjustBoolValue.load())
                self->adjustBoolValue();
        },
        Qt::QueuedConnection);
}

void KTMultiBindingsController::adjustBoolValue()
{
    ++m_adjustCount;
    bool result = !m_objects.isEmpty();
    for (const KTBindingSource &object : std::as_const(m_objects)) {
        if (!object.value(m_key).toBool()) {
            result = false;
            break;
        }
    }
    m_needsAdjustBoolValue.store(false);
    if (result != m_boolValue) {
        m_boolValue = result;
        emit boolValueChanged(result);
    }
}
