#include "TestDb.h"

#include "data/XRTable.h"

#include <gtest/gtest.h>

namespace {

TEST(XRTable, OpensOrderedByItsIndexAndWritesThroughItsKey)
{
    ScratchInstall inst;
    auto db = inst.connect();
    execSql(*db, "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('B', 'Inverno')");
    execSql(*db, "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('A', 'Verão')");

    TXRTable t;
    t.SetDatabase(db.get());
    t.TableName = "COLECAO";
    t.IndexFieldNames = "COL_COLECAO ASC";
    t.open();
    EXPECT_EQ(t.IndexFieldNames, "COL_COLECAO");
    EXPECT_TRUE(t.Carregado());
    EXPECT_EQ(t.KeyFields(), QStringList{"COL_COLECAO"});
    ASSERT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.fieldByName("COL_COLECAO")->asString(), "A");

    t.Append();
    t.fieldByName("COL_COLECAO")->setValue("C");
    t.fieldByName("COL_DESCRICAO")->setValue("O'Neil");
    t.Post();
    t.first();
    t.edit();
    t.fieldByName("COL_DESCRICAO")->setValue("Primavera");
    t.Post();
    t.next(); // B
    t.deleteRecord();

    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT COL_COLECAO || '=' || COL_DESCRICAO FROM COLECAO ORDER BY 1");
    q.Open();
    QStringList got;
    for (q.first(); !q.eof(); q.next())
        got << q.field(0)->asString();
    EXPECT_EQ(got, (QStringList{"A=Primavera", "C=O'Neil"}));
}

TEST(XRTable, WriteFailuresArriveAsDatabaseErrors)
{
    ScratchInstall inst;
    auto db = inst.connect();
    execSql(*db, "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('A', 'x')");
    TXRTable t;
    t.SetDatabase(db.get());
    t.TableName = "COLECAO";
    t.IndexFieldNames = "COL_COLECAO";
    t.open();
    t.Append();
    t.fieldByName("COL_COLECAO")->setValue("A"); // duplicate key
    EXPECT_THROW(t.Post(), EDatabaseError);
}

} // namespace
