#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

/// Reads and writes XML property lists: <dict> as QVariantMap, <array> as QVariantList,
/// <string>, <integer> (qlonglong), <real> (double), <true/>/<false/> (bool), <date> (QDateTime,
/// UTC) and <data> (QByteArray). The search presets and the settings files the user saves and
/// loads share this form.
///
/// Arrays and dictionaries nest at most 64 deep: a deeper list is refused on reading and on
/// writing, as a malformed one is.
///
/// Threading: reentrant.
class KTPropertyList
{
public:
    /// The root value of the property list in `xml`; no value when the text is not a well-formed
    /// property list.
    static std::optional<QVariant> fromXml(const QByteArray &xml);
    /// fromXml of the file's contents; no value when the file cannot be read or parsed.
    static std::optional<QVariant> readFile(const QString &path);

    /// The property list of `value`. Maps, lists, strings, integers, doubles, booleans, dates and
    /// byte arrays are written as their tags; any other value is written as its string form.
    /// Empty when the value nests too deep.
    static QByteArray toXml(const QVariant &value);
    /// Writes toXml(value) atomically; false, leaving any file there as it was, when the value
    /// nests too deep or the file cannot be written.
    static bool writeFile(const QVariant &value, const QString &path);
};
