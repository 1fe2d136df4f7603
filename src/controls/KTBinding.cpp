#include "KTBinding.h"

#include "KTAbstractButton.h"
#include "KTBOOLToButtonStateValueTransformer.h"
#include "KTButton.h"
#include "KTSButton.h"
#include "KTUserDefaults.h"

#include <QAbstractButton>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>

namespace {

void setButtonState(QWidget *button, int state)
{
    if (auto *bitmap = qobject_cast<KTButton *>(button))
        bitmap->setState(state);
    else if (auto *styled = qobject_cast<KTSButton *>(button))
        styled->setState(state);
    else if (auto *framework = qobject_cast<KTAbstractButton *>(button))
        framework->setPushed(state == 1);
    else if (auto *platform = qobject_cast<QAbstractButton *>(button); platform && platform->isCheckable())
        platform->setChecked(state == 1);
}

/// Replaces the binding named `name` on `button` with `watch` (null: just removes it).
void replaceBinding(QWidget *button, const QString &name, std::unique_ptr<QObject> watch)
{
    const QString objectName = QStringLiteral("ktBinding_") + name;
    delete button->findChild<QObject *>(objectName, Qt::FindDirectChildrenOnly);
    if (!watch)
        return;
    watch->setObjectName(objectName);
    watch.release()->setParent(button);
}

bool checkKeyPath(const QString &keyPath)
{
    Q_ASSERT_X(!keyPath.isNull(), "KTBinding", "Nil keypath");
    Q_ASSERT_X(!keyPath.isEmpty(), "KTBinding", "Empty keypath");
    return !keyPath.isEmpty();
}

/// Re-entrancy guard of a two-way binding.
struct DefaultsBinding : QObject
{
    bool updating = false;
};

} // namespace

void bindPropertyToDefaultsKey(QObject *receiver, const QString &name)
{
    bindPropertyToDefaultsKey(receiver, name, KTUserDefaults::standardUserDefaults());
}

void bindPropertyToDefaultsKey(QObject *receiver, const QString &name, KTUserDefaults &defaults)
{
    const QByteArray propertyName = name.toUtf8();
    const int index = receiver ? receiver->metaObject()->indexOfProperty(propertyName.constData()) : -1;
    Q_ASSERT_X(index >= 0, "bindPropertyToDefaultsKey",
               qPrintable(QStringLiteral("Don't have property with name %1").arg(name)));
    if (index < 0)
        return;
    const QMetaProperty property = receiver->metaObject()->property(index);
    auto *binding = new DefaultsBinding;
    binding->setParent(receiver);
    QPointer<QObject> target(receiver);
    const auto pull = [binding, target, propertyName, name, &defaults] {
        const QVariant stored = defaults.objectForKey(name);
        if (!target || !stored.isValid() || binding->updating)
            return;
        binding->updating = true;
        target->setProperty(propertyName.constData(), stored);
        binding->updating = false;
    };
    pull();
    defaults.observeKey(name, binding, pull);
    if (property.hasNotifySignal()) {
        const auto push = [binding, target, propertyName, name, &defaults] {
            if (!target || binding->updating)
                return;
            binding->updating = true;
            defaults.setObject(target->property(propertyName.constData()), name);
            binding->updating = false;
        };
        if (auto watch = KTBindingSource(receiver).observe(name, push))
            watch.release()->setParent(binding);
    }
}

void kt_bindStateToObject(QWidget *button, const KTBindingSource &object, const QString &keyPath)
{
    if (!button || object.isNull() || !checkKeyPath(keyPath))
        return;
    replaceBinding(button, QStringLiteral("state"), nullptr);
    setButtonState(button, 0);
    QPointer<QWidget> target(button);
    const auto apply = [target, object, keyPath] {
        if (target)
            setButtonState(
                target, KTBOOLToButtonStateValueTransformer::transformedValue(object.value(keyPath)).toInt());
    };
    apply();
    replaceBinding(button, QStringLiteral("state"), object.observe(keyPath, apply));
}

void kt_bindVisibilityToObject(QWidget *button, const KTBindingSource &object, const QString &keyPath)
{
    if (!button || object.isNull() || !checkKeyPath(keyPath))
        return;
    replaceBinding(button, QStringLiteral("hidden"), nullptr);
    button->hide();
    QPointer<QWidget> target(button);
    const auto apply = [target, object, keyPath] {
        if (target)
            target->setVisible(object.value(keyPath).toBool());
    };
    apply();
    replaceBinding(button, QStringLiteral("hidden"), object.observe(keyPath, apply));
}
