#include "KTCommon.h"

#include <QWidget>

QString KTCommon::applicationName()
{
    return QStringLiteral("Vireoscope");
}

QString KTCommon::stringWithCorrectAppNameFromString(const QString &string)
{
    QString result = string;
    return result.replace(applicationName(), applicationName(), Qt::CaseInsensitive);
}

void KTCommon::fixZPosition(QWidget *view)
{
    if (!view)
        return;
    for (QWidget *child : view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->raise();
}
