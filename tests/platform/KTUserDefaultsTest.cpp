#include "KTUserDefaults.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

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

namespace {

/// What the file holds under `key` now, as another process would read it.
QVariant valueOnDisk(const QString &path, const QString &key)
{
    return KTUserDefaults(path).objectForKey(key);
}

} // namespace

// A zoom slider dragged across its range stores a value and synchronises at every step: the file
// is written behind the calls, once for the whole burst, off the calling thread, and the next
// burst waits a second after the last write.
TEST(KTUserDefaultsTest, WritesAreCoalescedOffTheCallingThreadAtMostOnceASecond)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.ini");
    KTUserDefaults defaults(path);
    QList<QThread *> writers;
    QElapsedTimer clock;
    QList<qint64> writtenAt;
    QObject::connect(
        &defaults, &KTUserDefaults::written, &defaults,
        [&](bool ok) {
            EXPECT_TRUE(ok);
            writers.append(QThread::currentThread());
            writtenAt.append(clock.elapsed());
        },
        Qt::DirectConnection);
    QSignalSpy spy(&defaults, &KTUserDefaults::written);
    clock.start();
    for (int step = 0; step <= 50; ++step) {
        defaults.setDouble(step / 50.0, "zoom");
        EXPECT_TRUE(defaults.synchronize());
    }
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("zoom"), 1.0);
    EXPECT_FALSE(valueOnDisk(path, "zoom").isValid());

    ASSERT_TRUE(spy.wait());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_DOUBLE_EQ(valueOnDisk(path, "zoom").toDouble(), 1.0);
    ASSERT_EQ(writers.size(), 1);
    EXPECT_NE(writers.front(), QThread::currentThread());

    defaults.setBool(true, "compare");
    defaults.removeObjectForKey("zoom");
    ASSERT_TRUE(spy.wait());
    EXPECT_EQ(spy.count(), 2);
    ASSERT_EQ(writtenAt.size(), 2);
    // The second write starts a second after the first one started, which was after the clock
    // started (the first write's own length is left out).
    EXPECT_GE(writtenAt[1], 1000);
    EXPECT_TRUE(valueOnDisk(path, "compare").toBool());
    EXPECT_FALSE(valueOnDisk(path, "zoom").isValid());
}

// Changes still waiting for their write reach the file when the defaults are flushed or
// destroyed, without an event loop in between.
TEST(KTUserDefaultsTest, PendingChangesAreWrittenByFlushAndAtTheEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.ini");
    {
        KTUserDefaults defaults(path);
        defaults.setInteger(7, "first");
        ASSERT_TRUE(defaults.flush());
        EXPECT_EQ(valueOnDisk(path, "first").toLongLong(), 7);
        defaults.setInteger(8, "second");
        defaults.synchronize();
    }
    EXPECT_EQ(valueOnDisk(path, "first").toLongLong(), 7);
    EXPECT_EQ(valueOnDisk(path, "second").toLongLong(), 8);
}
