#include "KTLocalization.h"

#include <QCoreApplication>

QString ktLocalizedString(const QString &key)
{
    if (key.isEmpty())
        return key;
    const QByteArray utf8 = key.toUtf8();
    return QCoreApplication::translate("Localizable", utf8.constData());
}
