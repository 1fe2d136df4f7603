#include "KTHashing.h"
#include "KTPropertyList.h"
#include "KTSearchSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

QVariantMap pointsPlist(int count)
{
    QVariantList points;
    for (int k = 0; k < count; ++k)
        points.append(QVariantMap{{QStringLiteral("X"), double(k)}, {QStringLiteral("Y"), 0.5 + 0.01 * k}});
    return {{QStringLiteral("PictureSize"), 64}, {QStringLiteral("WeakeningFactorPoints"), points}};
}

QString writePlist(const QTemporaryDir &dir, const QString &name, const QVariant &value)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(KTPropertyList::writeFile(value, path));
    return path;
}

template <typename T> T at(const QByteArray &bytes, int offset)
{
    T value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

} // namespace

TEST(KTSearchSettingsTest, BytesPutEachFieldAtItsOffsetAndZeroElsewhere)
{
    KTSearchSettings settings;
    settings.imageSize = 64;
    settings.isUseHistEq = true;
    settings.isUseBlur = true;
    settings.blurRadius = 4.5;
    settings.colorSensitivity = 80;
    settings.isUseZone = true;
    settings.zoneSensitivity = 0.25;
    settings.weakCount = 2;
    settings.weakTimeRanges[1] = 4;
    settings.weakTimeKoeff[1] = 0.9;
    settings.overalMatchingLevel = 88;
    settings.minimumMatchingLevel = 75;

    const QByteArray bytes = settings.bytes();
    ASSERT_EQ(bytes.size(), 384);
    EXPECT_EQ(at<int32_t>(bytes, 0), 64);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bytes[6], 1);
    EXPECT_EQ(bytes[7], 0);
    EXPECT_EQ(at<double>(bytes, 8), 4.5);
    EXPECT_EQ(at<double>(bytes, 16), 80.0);
    EXPECT_EQ(bytes[24], 1);
    for (int padding : {25, 26, 27, 28, 29, 30, 31, 44, 45, 46, 47})
        EXPECT_EQ(bytes[padding], 0) << padding;
    EXPECT_EQ(at<double>(bytes, 32), 0.25);
    EXPECT_EQ(at<int32_t>(bytes, 40), 2);
    EXPECT_EQ(at<double>(bytes, 48 + 8), 4.0);
    EXPECT_EQ(at<double>(bytes, 208 + 8), 0.9);
    EXPECT_EQ(at<double>(bytes, 368), 88.0);
    EXPECT_EQ(at<double>(bytes, 376), 75.0);
    EXPECT_EQ(settings.digest(), md5String(bytes));
}

TEST(KTSearchSettingsTest, DigestIsLowerCaseMd5Hex)
{
    EXPECT_EQ(md5String(QByteArray()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(md5String(QStringLiteral("abc")), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
}

TEST(KTSearchSettingsTest, EqualRecordsShareADigestAndAnyChangeMakesANewOne)
{
    const QTemporaryDir dir;
    const QString path = writePlist(dir, QStringLiteral("a.plist"), pointsPlist(3));
    const auto first = loadSettingsFromFile(path);
    const auto second = loadSettingsFromFile(path);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->bytes(), second->bytes());

    const QString digest = first->digest();
    auto changed = [&](auto change) {
        KTSearchSettings copy = *first;
        change(copy);
        return copy.digest() != digest;
    };
    EXPECT_TRUE(changed([](KTSearchSettings &s) { s.blurRadius = 1; }));
    EXPECT_TRUE(changed([](KTSearchSettings &s) { s.isUseColor = true; }));
    EXPECT_TRUE(changed([](KTSearchSettings &s) { s.weakTimeKoeff[2] += 0.01; }));
    EXPECT_TRUE(changed([](KTSearchSettings &s) { s.minimumMatchingLevel = 1; }));
}

TEST(KTSearchSettingsTest, LoaderTakesUpToTwentyWeakeningPoints)
{
    const QTemporaryDir dir;
    const auto none = loadSettingsFromFile(writePlist(dir, QStringLiteral("0.plist"), pointsPlist(0)));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->weakCount, 0);
    EXPECT_EQ(none->imageSize, 64);

    const auto twenty = loadSettingsFromFile(writePlist(dir, QStringLiteral("20.plist"), pointsPlist(20)));
    ASSERT_TRUE(twenty);
    EXPECT_EQ(twenty->weakCount, 20);
    EXPECT_EQ(twenty->weakTimeRanges[19], 19.0);
    EXPECT_DOUBLE_EQ(twenty->weakTimeKoeff[19], 0.69);

    EXPECT_FALSE(loadSettingsFromFile(writePlist(dir, QStringLiteral("21.plist"), pointsPlist(21))));
}

TEST(KTSearchSettingsTest, UnreadableFileGivesNoRecord)
{
    const QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("broken.plist")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<plist><dict><key>PictureSize</key>");
    broken.close();
    EXPECT_FALSE(loadSettingsFromFile(broken.fileName()));
    EXPECT_FALSE(loadSettingsFromFile(writePlist(dir, QStringLiteral("array.plist"), QVariantList{1, 2})));
    EXPECT_FALSE(loadSettingsFromFile(dir.filePath(QStringLiteral("missing.plist"))));
    EXPECT_FALSE(loadSettingsFromFile(QString()));
}

TEST(KTSearchSettingsTest, SavedSettingsLoadBackByteForByte)
{
    const QTemporaryDir dir;
    auto settings = loadSettingsFromFile(writePlist(dir, QStringLiteral("a.plist"), pointsPlist(5)));
    ASSERT_TRUE(settings);
    settings->blurRadius = 0.1 + 0.2; // a value that needs all 17 digits
    settings->isUseContrastScretching = true;
    const QString path = dir.filePath(QStringLiteral("saved.plist"));
    ASSERT_TRUE(saveSettingsToFile(*settings, path));
    const auto loaded = loadSettingsFromFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->bytes(), settings->bytes());
}

TEST(KTSearchSettingsTest, PresetsLoadAndTightenFromLowestToHighest)
{
    double previousMatching = 0;
    for (int index = 0; index < 5; ++index) {
        const auto preset = loadSettingsFromFile(presetPathForIndex(index));
        ASSERT_TRUE(preset) << KTSimilarFinderModes[index];
        EXPECT_TRUE(preset->hasValidImageSize());
        EXPECT_LE(preset->weakCount, KTSearchSettings::kMaxWeakPoints);
        EXPECT_GT(preset->overalMatchingLevel, previousMatching) << KTSimilarFinderModes[index];
        previousMatching = preset->overalMatchingLevel;
    }
    EXPECT_TRUE(presetPathForIndex(5).isEmpty());
    EXPECT_TRUE(presetPathForIndex(-1).isEmpty());
}

TEST(KTSearchSettingsTest, PrintWritesOneLabelledLinePerField)
{
    KTSearchSettings settings;
    settings.imageSize = 32;
    settings.weakCount = 1;
    settings.weakTimeRanges[0] = 2;
    FILE *out = std::tmpfile();
    ASSERT_TRUE(out);
    printKTSearchSettings(settings, out);
    std::rewind(out);
    char buffer[4096] = {};
    const std::size_t read = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    const QStringList lines = QString::fromLatin1(buffer, qsizetype(read)).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 15);
    EXPECT_EQ(lines[0], QStringLiteral("ImageSize 32"));
    EXPECT_EQ(lines[8], QStringLiteral("WeakCount 1"));
    EXPECT_TRUE(lines[9].startsWith(QStringLiteral("WeakTimeRanges: 2.000000 0.000000 ")));
    EXPECT_EQ(lines[9].count(QLatin1Char(' ')), 21);
    EXPECT_TRUE(lines[10].startsWith(QStringLiteral("WeakTimeKoeff: ")));
    EXPECT_EQ(lines[13], QStringLiteral("ColorSens 0.000000"));
}

TEST(KTPropertyListTest, RoundTripsEveryValueKind)
{
    const QVariantMap value{
        {QStringLiteral("text"), QStringLiteral("a < b & \"c\"")},
        {QStringLiteral("integer"), qlonglong(-42)},
        {QStringLiteral("real"), 0.1},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
        {QStringLiteral("list"), QVariantList{1, QVariantMap{{QStringLiteral("X"), 2.5}}, QVariantList{}}},
        {QStringLiteral("empty"), QVariantMap{}},
    };
    const auto back = KTPropertyList::fromXml(KTPropertyList::toXml(value));
    ASSERT_TRUE(back);
    const QVariantMap map = back->toMap();
    EXPECT_EQ(map.value(QStringLiteral("text")).toString(), value.value(QStringLiteral("text")).toString());
    EXPECT_EQ(map.value(QStringLiteral("integer")).toLongLong(), -42);
    EXPECT_EQ(map.value(QStringLiteral("real")).toDouble(), 0.1);
    EXPECT_EQ(map.value(QStringLiteral("yes")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(map.value(QStringLiteral("yes")).toBool());
    EXPECT_FALSE(map.value(QStringLiteral("no")).toBool());
    EXPECT_EQ(map.value(QStringLiteral("data")).toByteArray(), QByteArray("\x00\x01\xff", 3));
    const QVariantList list = map.value(QStringLiteral("list")).toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].toMap().value(QStringLiteral("X")).toDouble(), 2.5);
    EXPECT_TRUE(map.contains(QStringLiteral("empty")));
}

TEST(KTPropertyListTest, RefusesMalformedText)
{
    for (const char *text :
         {"", "<dict/>", "<plist><dict><string>no key</string></dict></plist>",
          "<plist><integer>x</integer></plist>", "<plist><dict><key>a</key></dict></plist>",
          "<plist><array><integer>1</integer></plist>"})
        EXPECT_FALSE(KTPropertyList::fromXml(text)) << text;
}
