#include "KTHashing.h"

#include <QCryptographicHash>

QString md5String(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

QString md5String(const QString &text)
{
    return md5String(text.toUtf8());
}
