#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

/// The application's name and the small helpers built on it.
///
/// Threading: the string functions may be called from any thread; fixZPosition is main-thread only.
class KTCommon
{
public:
    /// The product name, "Vireoscope", whatever QCoreApplication was told.
    static QString applicationName();
    /// Every occurrence of the product name, in any case, spelled as applicationName().
    static QString stringWithCorrectAppNameFromString(const QString &string);
    /// Re-stacks the children of `view` in the order of its child list, so a child that was
    /// raised or lowered on the way returns to its place (the last child on top).
    static void fixZPosition(QWidget *view);
};
