#include "KTPropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

// Nesting of arrays and dictionaries beyond any file of ours; reading and writing recurse once
// per level, so a deeper (hostile) file is refused instead of overflowing the stack.
constexpr int kMaxDepth = 64;

// Reads the element the reader stands on (a start element) and leaves the reader on its end.
// `depth` counts the arrays and dictionaries around it.
std::optional<QVariant> readValue(QXmlStreamReader &xml, int depth)
{
    const QStringView tag = xml.name();
    if ((tag == u"dict" || tag == u"array") && depth >= kMaxDepth)
        return std::nullopt;
    if (tag == u"dict") {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key")
                return std::nullopt;
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement())
                return std::nullopt;
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            map.insert(key, *value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(map);
    }
    if (tag == u"array") {
        QVariantList list;
        while (xml.readNextStartElement()) {
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            list.append(*value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(list);
    }
    if (tag == u"true" || tag == u"false") {
        const bool value = tag == u"true";
        xml.skipCurrentElement();
        return QVariant(value);
    }
    const QString text = xml.readElementText();
    if (xml.hasError())
        return std::nullopt;
    bool ok = true;
    if (tag == u"string")
        return QVariant(text);
    if (tag == u"integer") {
        const qlonglong value = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(value) : std::nullopt;
    }
    if (tag == u"real") {
        const double value = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(value) : std::nullopt;
    }
    if (tag == u"date") {
        QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
        return date.isValid() ? std::optional<QVariant>(date.toUTC()) : std::nullopt;
    }
    if (tag == u"data")
        return QVariant(QByteArray::fromBase64(text.toLatin1()));
    return std::nullopt;
}

// The number of nested arrays and dictionaries in `value`, counted no further than kMaxDepth + 1.
int depthOf(const QVariant &value, int depth = 0)
{
    if (depth > kMaxDepth)
        return depth;
    int deepest = depth;
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        for (const QVariant &item : *static_cast<const QVariantMap *>(value.constData()))
            deepest = std::max(deepest, depthOf(item, depth + 1));
        return std::max(deepest, depth + 1);
    case QMetaType::QVariantList:
        for (const QVariant &item : *static_cast<const QVariantList *>(value.constData()))
            deepest = std::max(deepest, depthOf(item, depth + 1));
        return std::max(deepest, depth + 1);
    case QMetaType::QStringList:
        return depth + 1;
    default:
        return depth;
    }
}

void writeValue(QXmlStreamWriter &xml, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            xml.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(xml, it.value());
        }
        xml.writeEndElement();
        return;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant &item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        return;
    }
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        xml.writeTextElement(QStringLiteral("integer"), value.toString());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        // 17 significant digits read back to the same double.
        xml.writeTextElement(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 17));
        return;
    case QMetaType::QDateTime:
        xml.writeTextElement(QStringLiteral("date"), value.toDateTime().toUTC().toString(Qt::ISODate));
        return;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("data"), QString::fromLatin1(value.toByteArray().toBase64()));
        return;
    default:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        return;
    }
}

} // namespace

std::optional<QVariant> KTPropertyList::fromXml(const QByteArray &data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return std::nullopt;
    if (!xml.readNextStartElement())
        return std::nullopt;
    auto value = readValue(xml, 0);
    if (!value)
        return std::nullopt;
    // Nothing but the closing plist tag may follow the root value.
    if (xml.readNextStartElement() || xml.hasError())
        return std::nullopt;
    return value;
}

std::optional<QVariant> KTPropertyList::readFile(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromXml(file.readAll());
}

QByteArray KTPropertyList::toXml(const QVariant &value)
{
    if (depthOf(value) > kMaxDepth)
        return {};
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(xml, value);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool KTPropertyList::writeFile(const QVariant &value, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = toXml(value);
    if (data.isEmpty() || file.write(data) != data.size())
        return false;
    return file.commit();
}
