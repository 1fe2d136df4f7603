#include "KTUserDefaults.h"

#include <QDateTime>
#include <QTimeZone>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct RoundTripCase
{
    const char *label;
    QVariant value;
};

} // namespace

TEST(KTUserDefaultsTest, ValuesKeepTheirTypeAcrossARestart)
{
    const RoundTripCase cases[] = {
        {"bool no", false},
        {"bool yes", true},
        {"integer", qint64(42)},
        {"double", 0.319},
        {"string", QStringLiteral("@looks like a QSettings escape")},
        {"empty string list", QStringList()},
        {"one-element string list", QStringList{QStringLiteral("/photos")}},
        {"string list", QStringList{QStringLiteral("a"), QStringLiteral("b,c")}},
        {"empty list", QVariantList()},
        {"dictionary", QVariantMap{{"/photos", QByteArray("\x00\x01", 2)}, {"n", 3}}},
        {"date", QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC)},
    };

    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.ini");
    {
        KTUserDefaults defaults(path);
        for (const auto &c : cases)
            defaults.setObject(c.value, QString::fromLatin1(c.label));
        ASSERT_TRUE(defaults.synchronize());
    }
    KTUserDefaults reopened(path);
    for (const auto &c : cases) {
        const QVariant read = reopened.objectForKey(QString::fromLatin1(c.label));
        EXPECT_EQ(read.typeId(), c.value.typeId()) << c.label;
        EXPECT_EQ(read, c.value) << c.label;
    }
}

TEST(KTUserDefaultsTest, RegisteredDefaultsLieUnderStoredValues)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath("d.ini"));
    defaults.registerDefaults({{"focusMaskThreshold", 0.319f}, {"flag", true}});

    EXPECT_FLOAT_EQ(defaults.floatForKey("focusMaskThreshold"), 0.319f);
    EXPECT_TRUE(defaults.boolForKey("flag"));
    EXPECT_FALSE(defaults.hasStoredValue("flag"));
    // Never registered, never stored: numbers read 0, booleans NO, objects invalid.
    EXPECT_EQ(defaults.doubleForKey("unknown"), 0.0);
    EXPECT_EQ(defaults.integerForKey("unknown"), 0);
    EXPECT_FALSE(defaults.boolForKey("unknown"));
    EXPECT_FALSE(defaults.objectForKey("unknown").isValid());

    defaults.setBool(false, "flag");
    EXPECT_FALSE(defaults.boolForKey("flag"));
    defaults.removeObjectForKey("flag");
    EXPECT_TRUE(defaults.boolForKey("flag"));
}

// The bindings of the controls depend on one signal per real change of the value read.
TEST(KTUserDefaultsTest, ValueChangedFollowsTheValueRead)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath("d.ini"));
    QStringList heard;
    QObject receiver;
    int flagCalls = 0;
    QObject::connect(&defaults, &KTUserDefaults::valueChanged, &receiver,
                     [&](const QString &key) { heard.append(key); });
    defaults.observeKey("flag", &receiver, [&] { ++flagCalls; });

    defaults.registerDefaults({{"flag", true}});
    defaults.setBool(true, "flag"); // stored, but the value read stays YES
    defaults.setBool(false, "flag");
    defaults.setBool(false, "flag");
    defaults.registerDefaults({{"flag", false}}); // hidden under the stored value
    defaults.setInteger(3, "other");
    defaults.removeObjectForKey("flag"); // back to the registered NO: no change
    defaults.removeObjectForKey("missing");
    defaults.removeObjectForKey("other");

    EXPECT_EQ(heard, (QStringList{"flag", "flag", "other", "other"}));
    EXPECT_EQ(flagCalls, 2);
}
