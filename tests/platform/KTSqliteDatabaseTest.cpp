#include "KTSqliteDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(KTSqliteDatabaseTest, ValuesRoundTripWithTheirStorageClass)
{
    QTemporaryDir dir;
    KTSqliteDatabase db;
    ASSERT_TRUE(db.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(db.execute("CREATE TABLE t (v)"));

    const QVariant values[] = {QVariant(), true, qint64(1) << 40, 2.5, QStringLiteral("päth/ü"), QByteArray(),
                               QByteArray("\x00\x01", 2)};
    auto insert = db.prepare("INSERT INTO t (v) VALUES (?)");
    ASSERT_TRUE(insert.isValid());
    for (const QVariant &v : values) {
        ASSERT_TRUE(insert.bind(1, v));
        ASSERT_EQ(insert.step(), KTSqliteStatement::Step::Done);
        insert.reset();
    }

    auto select = db.prepare("SELECT v FROM t ORDER BY rowid");
    std::vector<QVariant> read;
    while (select.step() == KTSqliteStatement::Step::Row)
        read.push_back(select.columnValue(0));
    ASSERT_EQ(read.size(), std::size(values));
    EXPECT_FALSE(read[0].isValid());
    EXPECT_EQ(read[1].toLongLong(), 1);
    EXPECT_EQ(read[2].toLongLong(), qint64(1) << 40);
    EXPECT_EQ(read[3].toDouble(), 2.5);
    EXPECT_EQ(read[4].toString(), QStringLiteral("päth/ü"));
    // An empty blob stays an empty blob, not NULL.
    EXPECT_EQ(read[5].typeId(), QMetaType::QByteArray);
    EXPECT_EQ(read[6].toByteArray(), QByteArray("\x00\x01", 2));
}

TEST(KTSqliteDatabaseTest, UncommittedTransactionRollsBack)
{
    QTemporaryDir dir;
    KTSqliteDatabase db;
    ASSERT_TRUE(db.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(db.execute("CREATE TABLE t (v INTEGER)"));
    {
        KTSqliteTransaction transaction(db);
        ASSERT_TRUE(transaction.isActive());
        ASSERT_TRUE(db.execute("INSERT INTO t VALUES (1)"));
    }
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t").value_or(-1).toInt(), 0);
    {
        KTSqliteTransaction transaction(db);
        ASSERT_TRUE(db.execute("INSERT INTO t VALUES (2)"));
        ASSERT_TRUE(transaction.commit());
    }
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t").value_or(-1).toInt(), 1);
}

TEST(KTSqliteDatabaseTest, FailuresAreReportedNotThrown)
{
    QTemporaryDir dir;
    KTSqliteDatabase db;
    EXPECT_FALSE(db.open(dir.filePath("missing.db"), KTSqliteDatabase::Mode::ReadOnly));
    EXPECT_FALSE(db.lastError().isEmpty());
    EXPECT_FALSE(db.prepare("SELECT 1").isValid());

    ASSERT_TRUE(db.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(db.execute("CREATE TABLE t (v INTEGER NOT NULL)"));
    EXPECT_FALSE(db.prepare("SELEKT").isValid());
    EXPECT_TRUE(db.lastError().contains("syntax"));
    auto insert = db.prepare("INSERT INTO t VALUES (NULL)");
    EXPECT_EQ(insert.step(), KTSqliteStatement::Step::Error);
    EXPECT_TRUE(db.lastError().contains("NOT NULL"));
    db.close();

    KTSqliteDatabase readOnly;
    ASSERT_TRUE(readOnly.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadOnly));
    EXPECT_FALSE(readOnly.execute("INSERT INTO t VALUES (1)"));
    EXPECT_FALSE(readOnly.scalar("SELECT v FROM t").has_value());
}

TEST(KTSqliteDatabaseTest, AnotherConnectionsLockReadsAsBusy)
{
    QTemporaryDir dir;
    KTSqliteDatabase holder;
    ASSERT_TRUE(holder.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(holder.execute("CREATE TABLE t (v)"));
    ASSERT_TRUE(holder.beginTransaction());

    KTSqliteDatabase other;
    ASSERT_TRUE(other.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWrite, 10));
    EXPECT_FALSE(other.beginTransaction());
    EXPECT_TRUE(other.lastErrorIsBusy());
    EXPECT_FALSE(other.execute("SELECT * FROM nothing"));
    EXPECT_FALSE(other.lastErrorIsBusy());
}
