#include "TestDb.h"

#include "data/XRFuncoesDB.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QStringList logLines(const ScratchInstall &inst)
{
    QFile f(ArquivoLog(NomeMaquina()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    (void)inst;
    return lines;
}

// Message field of a log line: "|ip|form|user|when|message|".
QString logMessage(const QString &line)
{
    const QStringList parts = line.split('|');
    return parts.size() >= 7 ? parts[5] : QString();
}

class XRQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = inst.connect();
        execSql(*db, "INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA, NRLOTE) VALUES ('001', 'ANA', 'X', 0)");
    }
    void TearDown() override { TXRQuery::SetTempoLimiteMs(60000, 30000); TXRQuery::SetIntervaloTentativaMs(1000); }

    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db;
};

TEST_F(XRQueryTest, OpenOfLowerCaseUpdateExecutesIt)
{
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("update CONFIG set NRLOTE = 7");
    q.Open();
    EXPECT_FALSE(q.active());
    EXPECT_EQ(scalar(*db, "SELECT NRLOTE FROM CONFIG").toInt(), 7);
}

TEST_F(XRQueryTest, OpenOfFailingDeleteLogsOnceAndWrapsTheMessage)
{
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("DELETE FROM TABELA_QUE_NAO_EXISTE");
    try {
        q.Open();
        FAIL() << "no error";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith("Erro XRQuery.Open: ")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("TABELA_QUE_NAO_EXISTE"));
    }
    const QStringList lines = logLines(inst);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(logMessage(lines[0]).startsWith("ExecSQL (")) << lines[0].toStdString();
    EXPECT_TRUE(logMessage(lines[0]).endsWith("DELETE FROM TABELA_QUE_NAO_EXISTE"));
}

TEST_F(XRQueryTest, FailedCursorOpenIsNotLogged)
{
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT NADA FROM CONFIG");
    EXPECT_THROW(q.Open(), EDatabaseError);
    EXPECT_TRUE(logLines(inst).isEmpty());
}

TEST_F(XRQueryTest, TimeoutBecomesProbableDeadlockAndTransactionStaysUsable)
{
    // a second attachment holds the row, so our update waits on its lock
    auto other = inst.connect();
    execSql(*other, "SELECT 1 FROM RDB$DATABASE"); // start its transaction
    {
        TXRQuery lock;
        lock.SetDatabase(other.get());
        lock.SQL().Add("UPDATE CONFIG SET NRLOTE = 1");
        lock.ExecSQL();
    }

    execSql(*db, "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('A', 'BIA')"); // work before the failure
    TXRQuery::SetTempoLimiteMs(300, 300);
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("UPDATE CONFIG SET NRLOTE = 2");
    const QString sql = "UPDATE CONFIG SET NRLOTE = 2\r\n";
    QElapsedTimer t;
    t.start();
    try {
        q.ExecSQL();
        FAIL() << "no time-out";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("ERRO PROVÁVEL DE DEADLOCK :\r\r") + sql);
    }
    EXPECT_LT(t.elapsed(), 10000);
    const QStringList lines = logLines(inst);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(logMessage(lines[0]).contains("Timeout expired"));
    EXPECT_FALSE(logMessage(lines[0]).contains("DEADLOCK :"));

    other->Transaction()->Rollback();
    db->Transaction()->Commit();
    // the next statement must not be hit by the old cancel request
    EXPECT_EQ(scalar(*db, "SELECT COL_DESCRICAO FROM COLECAO").toString(), "BIA");
}

TEST_F(XRQueryTest, TryExecSQLRetriesLockConflictsFourTimes)
{
    auto other = inst.connect();
    {
        TXRQuery lock;
        lock.SetDatabase(other.get());
        lock.SQL().Add("UPDATE CONFIG SET NRLOTE = 1");
        lock.ExecSQL();
    }
    TXRQuery::SetTempoLimiteMs(200, 200);
    TXRQuery::SetIntervaloTentativaMs(10);
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("UPDATE CONFIG SET NRLOTE = 2");
    QElapsedTimer t;
    t.start();
    EXPECT_THROW(q.TryExecSQL(), EDatabaseError);
    EXPECT_GE(t.elapsed(), 4 * 200 - 50);
    const QStringList lines = logLines(inst);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(logMessage(lines[0]).startsWith("TryExecSQL (Tentativa: 4) (")) << lines[0].toStdString();
    other->Transaction()->Rollback();
}

TEST_F(XRQueryTest, TryExecSQLDoesNotRetryOtherErrors)
{
    TXRQuery::SetIntervaloTentativaMs(10);
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("UPDATE TABELA_QUE_NAO_EXISTE SET X = 1");
    EXPECT_THROW(q.TryExecSQL(), EDatabaseError);
    const QStringList lines = logLines(inst);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(logMessage(lines[0]).startsWith("TryExecSQL (Tentativa: 1) ("));
}

TEST_F(XRQueryTest, CloneSeesCommittedRowsOnly)
{
    TXRDatabase clone;
    db->Transaction()->Commit();
    clone.GetDatabase(db.get());
    ASSERT_TRUE(clone.Connected());
    execSql(*db, "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('A', 'Verão')");
    {
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().Add("INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('B', 'Inverno')");
        q.ExecSQL(); // not committed
    }
    TXRQuery q;
    q.SetDatabase(&clone);
    q.SQL().Add("SELECT COL_COLECAO, COL_DESCRICAO FROM COLECAO ORDER BY 1");
    q.Open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("col_colecao")->asString(), "A");
    EXPECT_EQ(q.fieldByName("COL_DESCRICAO")->asString(), QString::fromUtf8("Verão"));
}

TEST_F(XRQueryTest, CloneErrors)
{
    TXRDatabase clone;
    try {
        clone.GetDatabase(nullptr);
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), "Conexão pai não existe.");
    }
    TXRDatabase broken;
    broken.DriverName = "FB";
    broken.SetDatabaseName("127.0.0.1:/nao/existe.fdb");
    broken.Port = 1; // nothing listens there
    try {
        clone.GetDatabase(&broken);
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith("Erro ao abrir a base \r")) << e.message().toStdString();
        EXPECT_GT(e.message().size(), QString("Erro ao abrir a base \r").size());
    }
}

TEST_F(XRQueryTest, ValueTypesRoundTrip)
{
    execSql(*db, "CREATE TABLE T_TIPOS (N152 NUMERIC(15,2), N90 NUMERIC(9,0), N183 NUMERIC(18,3), "
                 "D DATE, H TIME, TS TIMESTAMP, B BLOB SUB_TYPE 0, M BLOB SUB_TYPE 1, V VARCHAR(10), C CHAR(4), "
                 "W BLOB SUB_TYPE 1 CHARACTER SET NONE)");
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i)
        bytes.append(char(i % 256));
    TXRQuery ins;
    ins.SetDatabase(db.get());
    ins.SQL().Add("INSERT INTO T_TIPOS VALUES (:N152, :N90, :N183, :D, :H, :TS, :B, :M, :V, :C, :W)");
    ins.ParamByName("N152")->SetAsFloat(1234567.89);
    ins.ParamByName("N90")->SetAsInteger(123456789);
    ins.ParamByName("N183")->SetAsString("-12.345");
    ins.ParamByName("D")->SetAsDate(QDate(2050, 12, 31));
    ins.ParamByName("H")->SetAsTime(QTime(23, 59, 58));
    ins.ParamByName("TS")->SetAsDateTime(QDateTime(QDate(2026, 2, 28), QTime(1, 2, 3)));
    ins.ParamByName("B")->SetAsBlob(bytes);
    ins.ParamByName("M")->SetAsString(QString::fromUtf8("Observação ç"));
    ins.ParamByName("V")->SetAsString("O'Neil");
    ins.ParamByName("C")->Clear();
    ins.ParamByName("W")->SetAsBlob(QByteArray("pre\x80o \xe7", 7)); // Windows-1252 bytes
    ins.ExecSQL();

    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT * FROM T_TIPOS");
    q.Open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("N152")->dataType(), FieldType::Float);
    EXPECT_EQ(q.fieldByName("N152")->value().typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(q.fieldByName("N152")->asFloat(), 1234567.89);
    EXPECT_EQ(q.fieldByName("N90")->dataType(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("N90")->value().typeId(), QMetaType::Int);
    EXPECT_EQ(q.fieldByName("N90")->asInteger(), 123456789);
    EXPECT_DOUBLE_EQ(q.fieldByName("N183")->asFloat(), -12.345);
    EXPECT_EQ(q.fieldByName("D")->asDate(), QDate(2050, 12, 31));
    EXPECT_EQ(q.fieldByName("H")->asTime(), QTime(23, 59, 58));
    EXPECT_EQ(q.fieldByName("TS")->asDateTime(), QDateTime(QDate(2026, 2, 28), QTime(1, 2, 3)));
    EXPECT_EQ(q.fieldByName("B")->asBytes(), bytes);
    EXPECT_EQ(q.fieldByName("M")->asString(), QString::fromUtf8("Observação ç"));
    EXPECT_EQ(q.fieldByName("V")->asString(), "O'Neil");
    EXPECT_TRUE(q.fieldByName("C")->isNull());
    EXPECT_EQ(q.fieldByName("W")->asString(), QString::fromUtf8("pre€o ç"));
}

TEST_F(XRQueryTest, RepeatedParameterBindsEveryPosition)
{
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT COUNT(*) FROM CONFIG WHERE CODREP = :C OR NMUSUARIO = :C OR ':C' = 'x'");
    q.ParamByName("C")->SetAsString("001");
    q.Open();
    EXPECT_EQ(q.field(0)->asInteger(), 1);
    EXPECT_EQ(q.Params().size(), 1u);
}

TEST_F(XRQueryTest, ParametersFollowTheTextAsItIsBuiltAndReplaced)
{
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT COUNT(*) FROM CONFIG");
    q.SQL().Add("WHERE CODREP = :C");
    q.ParamByName("C")->SetAsString("001");
    q.SQL().Add("AND NMUSUARIO <> :U");
    q.SQL().Add("AND ':X' <> NMUSUARIO -- :Y");
    q.ParamByName("U")->SetAsString("ZE");
    ASSERT_EQ(q.Params().size(), 2u); // none inside quotes or comments
    EXPECT_EQ(q.ParamByName("C")->Value.toString(), "001"); // kept while lines are added
    q.Open();
    EXPECT_EQ(q.field(0)->asInteger(), 1);
    q.Close();

    q.SQL().SetText("SELECT COUNT(*) FROM CONFIG WHERE CODREP = :C");
    EXPECT_EQ(q.ParamByName("C")->Value.toString(), "001"); // a name the new text keeps keeps its value
    EXPECT_EQ(q.FindParam("U"), nullptr);
    q.SQL().Clear();
    q.SQL().Add("SELECT COUNT(*) FROM CONFIG WHERE CODREP = :C");
    EXPECT_TRUE(q.ParamByName("C")->IsNull()); // a cleared text forgets it
    EXPECT_THROW(q.ParamByName("U"), EDatabaseError);
}

TEST_F(XRQueryTest, DeleteThroughTheDatasetIsRefusedSilently)
{
    DialogRecorder *rec = new DialogRecorder;
    auto previous = setDialogService(std::unique_ptr<DialogService>(rec));
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("SELECT CODREP FROM CONFIG");
    q.Open();
    EXPECT_THROW(q.deleteRecord(), EAbort);
    EXPECT_EQ(q.recordCount(), 1);
    EXPECT_TRUE(rec->entries().empty());
    setDialogService(std::move(previous));
}

TEST_F(XRQueryTest, QueryAdoptsItsConnectionOnActivation)
{
    TXRQuery q;
    q.SetConnection(db.get());
    q.SQL().Add("SELECT CODREP FROM CONFIG");
    q.SetActive(true);
    EXPECT_EQ(q.Database(), db.get());
    EXPECT_EQ(q.fieldByName("CODREP")->asString(), "001");
}

TEST_F(XRQueryTest, StatementsEndingInSemicolonAndTypedCommit)
{
    execSql(*db, "CREATE INDEX IDX_TESTE ON CONFIG(NMUSUARIO);");
    execSql(*db, "UPDATE CONFIG SET NRLOTE = 5 ;");
    auto other = inst.connect();
    EXPECT_EQ(scalar(*other, "SELECT NRLOTE FROM CONFIG").toInt(), 5);

    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("UPDATE CONFIG SET NRLOTE = 6");
    q.ExecSQL();
    TXRQuery c;
    c.SetDatabase(db.get());
    c.SQL().Add("COMMIT");
    c.ExecSQL();
    EXPECT_FALSE(db->Transaction()->Active());
    other->Transaction()->Commit();
    EXPECT_EQ(scalar(*other, "SELECT NRLOTE FROM CONFIG").toInt(), 6);
}

} // namespace

namespace {
TEST(XRQueryLog, AnUnwritableLogNeverHidesTheDatabaseError)
{
    ScratchInstall inst;
    auto db = inst.connect();
    QDir().mkpath(ArquivoLog(NomeMaquina())); // a folder where the log file should go
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().Add("DELETE FROM TABELA_QUE_NAO_EXISTE");
    try {
        q.ExecSQL();
        FAIL() << "no error";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().contains("TABELA_QUE_NAO_EXISTE")) << e.message().toStdString();
    }
}
} // namespace
