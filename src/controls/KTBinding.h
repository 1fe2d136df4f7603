#pragma once

#include "KTBindingSource.h"

#include <QString>

class KTUserDefaults;
class QObject;
class QWidget;

// Bindings of properties and button looks to values that change elsewhere. Each binding lives as
// long as the bound object, and binding the same thing again replaces the previous binding.
// Threading: main thread only.

/// Binds the property `name` of `receiver` both ways to the user-defaults value of the same key:
/// the property takes the stored value now and on every change of the key, and a change of the
/// property (its NOTIFY signal) is stored. The receiver must have the property (asserted:
/// "Don't have property with name <name>").
void bindPropertyToDefaultsKey(QObject *receiver, const QString &name);
void bindPropertyToDefaultsKey(QObject *receiver, const QString &name, KTUserDefaults &defaults);

/// Shows `button` on while the key of `object` is true and off otherwise (through
/// KTBOOLToButtonStateValueTransformer): KTButton and KTSButton by their state, KTAbstractButton
/// by pushed, a checkable QAbstractButton by checked. The previous state binding is removed and
/// the button is set off first. A null object leaves the button as it is; a null or empty key
/// asserts ("Nil keypath", "Empty keypath").
void kt_bindStateToObject(QWidget *button, const KTBindingSource &object, const QString &keyPath);

/// Shows `button` exactly while the key of `object` is true; it is hidden first. Same rules as
/// kt_bindStateToObject().
void kt_bindVisibilityToObject(QWidget *button, const KTBindingSource &object, const QString &keyPath);
