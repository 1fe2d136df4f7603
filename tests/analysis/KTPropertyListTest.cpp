#include "KTPropertyList.h"

#include "KTSearchSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QVariant nestedLists(int depth)
{
    QVariant value = QVariantList{1};
    for (int level = 1; level < depth; ++level)
        value = QVariantList{value};
    return value;
}

} // namespace

// A settings file of 20,000 nested arrays (300 KB, loadable from the settings window) is refused
// like any malformed file, by the reader and by the settings loader, instead of overflowing the
// stack. 64 levels of arrays and dictionaries read and write; one more is refused both ways.
TEST(KTPropertyListTest, DeeplyNestedPropertyListIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("settings.plist"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>PictureSize</key><integer>64</integer><key>WeakeningFactorPoints</key>");
    file.write(QByteArray("<array>").repeated(20000));
    file.write(QByteArray("</array>").repeated(20000));
    file.write("</dict></plist>\n");
    file.close();
    ASSERT_GT(QFileInfo(path).size(), 300000);
    EXPECT_FALSE(KTPropertyList::readFile(path));
    EXPECT_EQ(loadSettingsFromFile(path), nullptr);

    const auto deepest = KTPropertyList::fromXml(KTPropertyList::toXml(nestedLists(64)));
    ASSERT_TRUE(deepest);
    EXPECT_EQ(*deepest, nestedLists(64));
    const QVariant dictionaries = QVariantMap{{QStringLiteral("a"), nestedLists(63)}};
    EXPECT_TRUE(KTPropertyList::fromXml(KTPropertyList::toXml(dictionaries)));

    const QByteArray tooDeep =
        "<plist>" + QByteArray("<array>").repeated(65) + QByteArray("</array>").repeated(65) + "</plist>";
    EXPECT_FALSE(KTPropertyList::fromXml(tooDeep));
    EXPECT_TRUE(KTPropertyList::toXml(nestedLists(65)).isEmpty());
    const QString written = dir.filePath(QStringLiteral("deep.plist"));
    EXPECT_FALSE(KTPropertyList::writeFile(QVariantMap{{QStringLiteral("a"), nestedLists(64)}}, written));
    EXPECT_FALSE(QFileInfo::exists(written));
}
