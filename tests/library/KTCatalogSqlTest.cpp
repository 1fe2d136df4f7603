#include "KTCatalogSql.h"

#include "KTSqliteDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(KTCatalogSqlTest, IdentifierListsBeyondTheVariableLimitRunInChunks)
{
    QTemporaryDir dir;
    KTSqliteDatabase db;
    ASSERT_TRUE(db.open(dir.filePath("t.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(db.execute("CREATE TABLE t (id TEXT, flag INTEGER DEFAULT 0)"));
    QStringList ids;
    for (int i = 0; i < 1201; ++i)
        ids.append(QStringLiteral("id%1").arg(i));
    for (const QString &id : ids)
        ASSERT_TRUE(KTCatalogSql::run(db, "INSERT INTO t (id) VALUES (?)", {id}));

    EXPECT_EQ(KTCatalogSql::chunks(ids).size(), 3u);
    ASSERT_TRUE(KTCatalogSql::runForIds(db, "UPDATE t SET flag = ? WHERE id IN %1", ids, {1}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t WHERE flag = 1").value_or(0).toInt(), 1201);

    int rows = 0;
    ASSERT_TRUE(KTCatalogSql::queryForIds(db, "SELECT id FROM t WHERE id IN %1 AND flag = ?", ids, {}, {1},
                                          [&rows](const KTSqliteStatement &) {
                                              ++rows;
                                              return true;
                                          }));
    EXPECT_EQ(rows, 1201);
}

TEST(KTCatalogSqlTest, SchemaProbeNamesWhatIsMissing)
{
    QTemporaryDir dir;
    KTSqliteDatabase db;
    ASSERT_TRUE(db.open(dir.filePath("c.db"), KTSqliteDatabase::Mode::ReadWriteCreate));
    ASSERT_TRUE(db.execute("CREATE TABLE A (x, Y)"));
    EXPECT_EQ(KTCatalogSql::missingSchema(db, {{"A", {"x", "y"}}}), QString());
    EXPECT_EQ(KTCatalogSql::missingSchema(db, {{"A", {"x", "z"}}}),
              "The catalog c.db has no column z in table A.");
    EXPECT_EQ(KTCatalogSql::missingSchema(db, {{"B", {}}}), "The catalog c.db has no table B.");
}
