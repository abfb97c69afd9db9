// Statements kept prepared by their transaction, INSERTs of literals sharing
// one prepared form, and the list read on a connection of its own.
#include "TestDb.h"

#include "data/XRTransaction.h"
#include "platform/fb/FbApi.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class PreparadosTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = inst.connect();
        for (const char *s : {"INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('A', 'BIA')",
                              "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('B', 'CAIO')"})
            execSql(*db, s);
        db->Transaction()->Commit();
    }
    int mantidos() { return db->Transaction()->Engine().preparedCount(); }
    // Runs a statement and leaves the transaction open.
    void roda(const QString &sql)
    {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add(sql);
        q.ExecSQL();
    }
    QString descricao(const QString &colecao)
    {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add("SELECT COL_DESCRICAO FROM COLECAO");
        q.SQL().Add("WHERE COL_COLECAO = :C");
        q.ParamByName("C")->SetAsString(colecao);
        q.Open();
        return q.isEmpty() ? QString() : q.fieldByName("COL_DESCRICAO")->asString();
    }
    QStringList linhas(const QString &sql)
    {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add(sql);
        q.Open();
        QStringList out;
        for (q.first(); !q.eof(); q.next()) {
            QStringList l;
            for (int i = 0; i < q.fieldCount(); ++i)
                l << (q.field(i)->isNull() ? QStringLiteral("<null>") : q.field(i)->value().toString());
            out << l.join('|');
        }
        return out;
    }

    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db;
};

TEST_F(PreparadosTest, AKeptStatementServesEveryRunWithThatRunsValues)
{
    EXPECT_EQ(descricao("A"), "BIA");
    const int depois = mantidos();
    EXPECT_EQ(descricao("B"), "CAIO");
    EXPECT_EQ(descricao("Z"), "");
    EXPECT_EQ(mantidos(), depois); // the same text, prepared once

    // a parameter this run leaves unset is null, not the last run's value
    const QString texto = "SELECT COUNT(*) FROM COLECAO WHERE COL_COLECAO = :C OR :D = 1";
    {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add(texto);
        q.ParamByName("C")->SetAsString("A");
        q.ParamByName("D")->SetAsInteger(1);
        q.Open();
        EXPECT_EQ(q.field(0)->asInteger(), 2);
    }
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add(texto);
    q.ParamByName("C")->SetAsString("A");
    q.Open();
    EXPECT_EQ(q.field(0)->asInteger(), 1);
}

TEST_F(PreparadosTest, TheEndOfTheTransactionOrDdlDropsWhatWasKept)
{
    const struct {
        const char *caso;
        std::function<void(TXRDatabase &)> fim;
    } casos[] = {
        {"commit", [](TXRDatabase &d) { d.Transaction()->Commit(); }},
        {"commit retaining", [](TXRDatabase &d) { d.Transaction()->CommitRetaining(); }},
        {"rollback", [](TXRDatabase &d) { d.Transaction()->Rollback(); }},
        {"rollback retaining", [](TXRDatabase &d) { d.Transaction()->RollbackRetaining(); }},
        {"ddl", [this](TXRDatabase &) { roda("CREATE TABLE T_DDL_PREP (X INTEGER)"); }},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        EXPECT_EQ(descricao("A"), "BIA");
        ASSERT_GT(mantidos(), 0);
        c.fim(*db);
        EXPECT_EQ(mantidos(), 0);
        EXPECT_EQ(descricao("B"), "CAIO");
    }
}

// Each row written once with its literals in the text as the engine reads
// them, once through the query (which binds them): both rows must be equal.
TEST_F(PreparadosTest, InsertedLiteralsStoreWhatTheTextSays)
{
    const char *colunas = "(S VARCHAR(20), C CHAR(3), N NUMERIC(15,2), D DATE, F DOUBLE PRECISION, B BIGINT, "
                          "M BLOB SUB_TYPE TEXT, I INTEGER, K INTEGER)";
    execSql(*db, QStringLiteral("CREATE TABLE T_TEXTO ") + colunas);
    execSql(*db, QStringLiteral("CREATE TABLE T_QUERY ") + colunas);
    db->Transaction()->Commit();
    const char *valores[] = {
        "('O''Brien', '7', 10.345, '03/01/2026', 0.1, 123456789012, 'texto', -3, 1)",
        "('', 7, -0.005, NULL, 1.5, -9, NULL, 0, 2)",
        "('a,b', 'xy', 12, '12/31/2025', 2, 0, 'x''y', 2147483647, 3)",
        "(UPPER('abc'), '1', 0.50, CAST('2026-02-03' AS DATE), -1.25, 1, '', +4, 4)",
        "('(x)', 'z', 99.999, '2026-5-6', 1e2, 12.0, '?', 1, 5)",
    };
    const QString campos = " (S, C, N, D, F, B, M, I, K) VALUES ";
    fb::Transaction bruta(db->Attachment());
    for (const char *v : valores) {
        SCOPED_TRACE(v);
        fb::executeImmediate(db->Attachment(), bruta, QStringLiteral("INSERT INTO T_TEXTO") + campos + v);
        roda(QStringLiteral("INSERT INTO T_QUERY") + campos + v);
    }
    bruta.commit();
    db->Transaction()->Commit();
    const QStringList texto = linhas("SELECT * FROM T_TEXTO ORDER BY K");
    ASSERT_EQ(texto.size(), 5);
    EXPECT_EQ(linhas("SELECT * FROM T_QUERY ORDER BY K"), texto);
    EXPECT_EQ(texto[0].section('|', 0, 2), "O'Brien|7|10.35"); // rounded as written, not as a double

    // rows differing only in their values share one prepared form
    const int antes = mantidos();
    for (int i = 0; i < 40; ++i)
        roda(QStringLiteral("INSERT INTO T_QUERY (S, N, K) VALUES ('%1', %2.25, %1)").arg(i + 10).arg(i));
    EXPECT_EQ(mantidos(), antes + 1);
    EXPECT_EQ(linhas("SELECT SUM(N), COUNT(*) FROM T_QUERY WHERE K >= 10"), QStringList{"790|40"});
}

// The list read on a connection of its own while the event loop runs: the
// query below ends only when a timer of this thread has written its row.
TEST_F(PreparadosTest, AListOutlastingAFrameLetsTheEventLoopRun)
{
    execSql(*db, "CREATE TABLE SINAL (X INTEGER)");
    db->Transaction()->Commit();
    bool disparou = false;
    QTimer::singleShot(30, [&] {
        disparou = true;
        execSql(*db, "INSERT INTO SINAL (X) VALUES (1)");
        db->Transaction()->Commit();
    });
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("EXECUTE BLOCK RETURNS (N INTEGER) AS BEGIN N = 0;");
    q.SQL().Add("WHILE (NOT EXISTS (SELECT 1 FROM SINAL) AND N < 3000000) DO N = N + 1;");
    q.SQL().Add("SUSPEND; END");
    q.AbreSemTravar();
    EXPECT_TRUE(disparou);
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_LT(q.field(0)->asInteger(), 3000000);
}

TEST_F(PreparadosTest, AListSeesWhatThisConnectionWroteAndReportsAsOpenDoes)
{
    roda("INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('C', 'DANI')");
    const auto lista = [this](const QString &sql, const QVariant &c = {}) {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add(sql);
        if (c.isValid())
            q.ParamByName("C")->Value = c;
        q.AbreSemTravar();
        QStringList l;
        for (q.first(); !q.eof(); q.next())
            l << q.field(0)->asString();
        return l;
    };
    const QString todas = "SELECT COL_DESCRICAO FROM COLECAO ORDER BY 1";
    EXPECT_EQ(lista(todas), (QStringList{"BIA", "CAIO", "DANI"})); // not committed yet
    db->Transaction()->Commit();
    EXPECT_EQ(lista(todas), (QStringList{"BIA", "CAIO", "DANI"}));
    EXPECT_EQ(lista("SELECT COL_DESCRICAO FROM COLECAO WHERE COL_COLECAO = :C", "B"), QStringList{"CAIO"});

    QString aberta, semTravar;
    for (const bool viaLista : {false, true}) {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add("SELECT NADA FROM COLECAO");
        try {
            viaLista ? q.AbreSemTravar() : q.Open();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError &e) {
            (viaLista ? semTravar : aberta) = e.message();
        }
    }
    EXPECT_TRUE(aberta.startsWith("Erro XRQuery.Open: ")) << aberta.toStdString();
    EXPECT_EQ(semTravar, aberta);
}

} // namespace

TEST(LiteraisInsert, PlainLiteralsOfAValuesListBecomeParameters)
{
    const struct {
        const char *sql;
        const char *forma; // nullptr: left as it is
        QVariantList valores;
    } casos[] = {
        {"INSERT INTO T (A, B) VALUES ('x,y', F(1, 2))", "INSERT INTO T (A, B) VALUES (?, F(1, 2))", {QString("x,y")}},
        {"insert into T values (1, -2.50, 'it''s') returning A", "insert into T values (?,?,?) returning A",
         {qlonglong(1), QVariant::fromValue(fb::Decimal{-250, 2}), QString("it's")}},
        {"INSERT INTO T (A) VALUES ('?')", "INSERT INTO T (A) VALUES (?)", {QString("?")}},
        {"INSERT INTO T (A, B) VALUES (NULL, 5.)", nullptr, {}},
        {"INSERT INTO T (A) VALUES (1234567890123456789)", nullptr, {}},
        {"INSERT INTO T (A) VALUES (:A)", nullptr, {}},
        {"INSERT INTO T (A) VALUES (?)", nullptr, {}},
        {"INSERT INTO T SELECT 'VALUES (1)' FROM U", nullptr, {}},
        {"UPDATE T SET A = 1", nullptr, {}},
        {"SELECT 1 FROM T", nullptr, {}},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.sql);
        const auto r = fb::insertLiteralsAsParams(QString::fromUtf8(c.sql));
        if (!c.forma) {
            EXPECT_FALSE(r.has_value());
            continue;
        }
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->sql, QString::fromUtf8(c.forma));
        ASSERT_EQ(r->values.size(), c.valores.size());
        for (int i = 0; i < c.valores.size(); ++i) {
            if (c.valores[i].metaType() == QMetaType::fromType<fb::Decimal>()) {
                ASSERT_EQ(r->values[i].metaType(), QMetaType::fromType<fb::Decimal>());
                EXPECT_EQ(r->values[i].value<fb::Decimal>().units, c.valores[i].value<fb::Decimal>().units);
                EXPECT_EQ(r->values[i].value<fb::Decimal>().scale, c.valores[i].value<fb::Decimal>().scale);
            } else {
                EXPECT_EQ(r->values[i], c.valores[i]);
            }
        }
    }
}
