#include "KTAutofocusInfo.h"

#include <QDebug>
#include <QFile>

// Exiv2 0.27 hands out std::auto_ptr; the deprecation is Exiv2's, not ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <mutex>
#include <optional>

namespace {

const QString kInFocusMark = QStringLiteral("F");
const QString kSelectedMark = QStringLiteral("f");
const QString kOtherMark = QStringLiteral("-");

void appendGroup(QVariantList &groups, double x, double y, double width, double height, const QString &mark)
{
    groups << x << y << width << height << mark;
}

bool bitIsSet(const QList<uint16_t> &words, qsizetype firstWord, int index)
{
    const qsizetype word = firstWord + index / 16;
    return word < words.size() && (words.at(word) >> (index % 16)) & 1u;
}

QList<uint16_t> wordsOf(const Exiv2::ExifData &exif, const char *key)
{
    QList<uint16_t> words;
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return words;
    const long count = it->count();
    words.reserve(count);
    for (long i = 0; i < count; ++i)
        words.append(uint16_t(it->toLong(i)));
    return words;
}

std::optional<long> longOf(const Exiv2::ExifData &exif, const char *key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0)
        return std::nullopt;
    return it->toLong();
}

QVariantList nikonGroups(const Exiv2::ExifData &exif)
{
    KTAutofocusInfo::NikonContrastDetectArea area;
    const auto used = longOf(exif, "Exif.NikonAf2.ContrastDetectAF");
    if (!used)
        return {};
    area.contrastDetectAF = *used != 0;
    area.imageWidth = int(longOf(exif, "Exif.NikonAf2.AFImageWidth").value_or(0));
    area.imageHeight = int(longOf(exif, "Exif.NikonAf2.AFImageHeight").value_or(0));
    area.centreX = int(longOf(exif, "Exif.NikonAf2.AFAreaXPosition").value_or(0));
    area.centreY = int(longOf(exif, "Exif.NikonAf2.AFAreaYPosition").value_or(0));
    area.width = int(longOf(exif, "Exif.NikonAf2.AFAreaWidth").value_or(0));
    area.height = int(longOf(exif, "Exif.NikonAf2.AFAreaHeight").value_or(0));
    area.inFocus = longOf(exif, "Exif.NikonAf2.ContrastDetectAFInFocus").value_or(0) != 0;
    return KTAutofocusInfo::afInfoFromNikonContrastDetectArea(area);
}

} // namespace

QVariantList KTAutofocusInfo::afInfoFromCanonAFInfo(const QList<uint16_t> &words)
{
    if (words.size() < 8)
        return {};
    const int count = words.at(2);
    const int valid = words.at(3);
    const double imageWidth = words.at(6);
    const double imageHeight = words.at(7);
    const qsizetype maskWords = (count + 15) / 16;
    const qsizetype inFocusStart = 8 + 4 * qsizetype(count);
    if (count == 0 || imageWidth == 0 || imageHeight == 0 || words.size() < inFocusStart + maskWords)
        return {};
    const qsizetype selectedStart = inFocusStart + maskWords;
    const bool hasSelected = words.size() >= selectedStart + maskWords;

    QVariantList groups;
    const int points = valid > 0 && valid < count ? valid : count;
    for (int i = 0; i < points; ++i) {
        const double width = int16_t(words.at(8 + i));
        const double height = int16_t(words.at(8 + count + i));
        const double x = int16_t(words.at(8 + 2 * count + i));
        const double y = int16_t(words.at(8 + 3 * count + i));
        if (width <= 0 || height <= 0)
            continue;
        QString mark = kOtherMark;
        if (bitIsSet(words, inFocusStart, i))
            mark = kInFocusMark;
        else if (hasSelected && bitIsSet(words, selectedStart, i))
            mark = kSelectedMark;
        appendGroup(groups, (imageWidth / 2 + x - width / 2) / imageWidth,
                    (imageHeight / 2 + y - height / 2) / imageHeight, width / imageWidth,
                    height / imageHeight, mark);
    }
    return groups;
}

QVariantList KTAutofocusInfo::afInfoFromNikonContrastDetectArea(const NikonContrastDetectArea &area)
{
    if (!area.contrastDetectAF || area.imageWidth <= 0 || area.imageHeight <= 0 || area.width <= 0 ||
        area.height <= 0)
        return {};
    const double imageWidth = area.imageWidth;
    const double imageHeight = area.imageHeight;
    QVariantList groups;
    appendGroup(groups, (area.centreX - area.width / 2.0) / imageWidth,
                1.0 - (area.centreY + area.height / 2.0) / imageHeight, area.width / imageWidth,
                area.height / imageHeight, area.inFocus ? kInFocusMark : kSelectedMark);
    return groups;
}

QVariantList KTAutofocusInfo::afInfoAtPath(const QString &path)
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString(), false);
        if (!image.get())
            return {};
        image->readMetadata();
        const Exiv2::ExifData &exif = image->exifData();
        for (const char *key : {"Exif.Canon.AFInfo", "Exif.Canon.AFInfo3"}) {
            const QVariantList groups = afInfoFromCanonAFInfo(wordsOf(exif, key));
            if (!groups.isEmpty())
                return groups;
        }
        return nikonGroups(exif);
    } catch (const std::exception &error) {
        qDebug().noquote() << "Warning: cannot read autofocus points of" << path << ":" << error.what();
        return {};
    }
}

#pragma GCC diagnostic pop
