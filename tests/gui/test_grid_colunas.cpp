#include "components/XRDBGrid.h"
#include "platform/DialogService.h"

#include "TestDb.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

namespace {

// A scratch database with the table directory and a layout table, and a
// registry of our own for the user name.
struct ColunasFixture : ::testing::Test {
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db = inst.connect();
    QTemporaryDir registro;
    DataSet ds;
    TXRDBGrid grid;
    ScopedDialogRecorder rec;

    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, registro.path());
        execSql(*db, "CREATE TABLE ARQLOCAL (ARQUIVO VARCHAR(60))");
        for (const char *t : {"OPCOES_USUARIO", "OPCOES_USUARIO_001", "OPCOES_USUARIO_X", "OUTRA"})
            execSql(*db, QStringLiteral("INSERT INTO ARQLOCAL VALUES ('%1')").arg(t));
        // a value starting with FALHA is refused, to see the old layout survive a failed write
        execSql(*db, "CREATE TABLE OPCOES_USUARIO_001 (TELA VARCHAR(60), USUARIO VARCHAR(60), "
                     "COMPONENTE VARCHAR(60), VALOR VARCHAR(1024) CHECK (VALOR NOT STARTING WITH 'FALHA'))");

        std::vector<FieldDef> campos;
        for (int i = 0; i < 40; ++i)
            campos.push_back({QStringLiteral("CAMPO_COM_UM_NOME_BEM_COMPRIDO_%1").arg(i, 2, 10, QLatin1Char('0')),
                              FieldType::String, 10});
        campos[0].name = "FALHA";
        campos[1].name = "O'NOME";
        ds.setFieldDefs(campos);
        ds.open();
        grid.setObjectName("grade'1");
        grid.SetDataSet(&ds);
        grid.BaseDados = db.get();
    }
    void TearDown() override { QSettings(QStringLiteral("Venda"), QStringLiteral("Parametros")).clear(); }

    void usuario(const QString &nome)
    {
        QSettings s(QStringLiteral("Venda"), QStringLiteral("Parametros"));
        s.setValue(QStringLiteral("Usuario"), nome);
        s.sync();
    }
    QString esperado() const
    {
        QString v;
        for (int i = 0; i < grid.ColumnCount(); ++i)
            if (grid.Column(i)->Visible)
                v += grid.Column(i)->FieldName + ",";
        return v;
    }
    // What another connection sees: only what was committed.
    QStringList gravado() const
    {
        auto outra = inst.connect();
        TXRQuery q;
        q.SetDatabase(outra.get());
        q.SQL().Add("SELECT TELA, USUARIO, COMPONENTE, VALOR FROM OPCOES_USUARIO_001");
        q.Open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.field(0)->asString() + "|" + q.field(1)->asString() + "|" + q.field(2)->asString() + "|" +
                       q.field(3)->asString();
        return out;
    }
};

} // namespace

TEST_F(ColunasFixture, ResolveTabelaTable)
{
    const struct {
        const char *texto, *esperado;
    } casos[] = {
        {"{OPCOES_USUARIO}", "OPCOES_USUARIO_001"}, // the numbered name sorts highest
        {"{ OUTRA }", "OUTRA"},
        {"{outra}", ""}, // names are compared as written
        {"SELECT * FROM {OUTRA} JOIN {NENHUMA} ON 1=1", "SELECT * FROM OUTRA JOIN  ON 1=1"},
        {"{ }x", "x"},
        {"a}b{c", "a}b{c"}, // no closing brace after the opening one
        {"{X'Y}", ""},      // a quote in the name stays inside the quoted text
    };
    for (const auto &c : casos)
        EXPECT_EQ(grid.ResolveTabela(c.texto), QString(c.esperado)) << c.texto;
}

TEST_F(ColunasFixture, StoresVisibleColumnsQuotedCutAndCommitted)
{
    usuario("o'Neil");
    grid.iColumnIndex = 0;
    grid.OcultarColuna(); // FALHA goes to the end, hidden
    const QStringList linhas = gravado();
    ASSERT_EQ(linhas.size(), 1);
    const QStringList partes = linhas[0].split('|');
    EXPECT_EQ(partes[0], "TXRDBGrid");
    EXPECT_EQ(partes[1], "o'Neil");
    EXPECT_EQ(partes[2], "grade'1");
    ASSERT_GT(esperado().size(), 1024);
    EXPECT_EQ(partes[3].size(), 1024);
    EXPECT_EQ(partes[3], esperado().left(1024));
    EXPECT_TRUE(partes[3].startsWith("O'NOME,CAMPO_COM_UM_NOME_BEM_COMPRIDO_02,"));

    // one row per window, user and grid: replaced, not added
    grid.iColumnIndex = 0;
    grid.OcultarColuna();
    ASSERT_EQ(gravado().size(), 1);
    EXPECT_TRUE(gravado()[0].endsWith("|" + esperado().left(1024)));
    EXPECT_TRUE(rec->entries().empty());
}

TEST_F(ColunasFixture, AFailedWriteKeepsTheStoredLayout)
{
    usuario("ana");
    grid.iColumnIndex = 0;
    grid.OcultarColuna();
    const QStringList antes = gravado();
    ASSERT_EQ(antes.size(), 1);

    // showing FALHA first makes a value the table refuses: the delete before it is undone
    QAction mostra;
    mostra.setProperty("Tag", grid.ColumnCount() - 1);
    EXPECT_THROW(grid.ExibirColuna(&mostra), EDatabaseError);
    EXPECT_EQ(gravado(), antes);

    grid.iColumnIndex = 0;
    grid.OcultarColuna();
    EXPECT_EQ(gravado(), antes);
    grid.iColumnIndex = 0;
    grid.OcultarColuna();
    EXPECT_EQ(gravado().size(), 1);
    EXPECT_NE(gravado(), antes);
}

TEST_F(ColunasFixture, NothingWithoutUserDatabaseOrTable)
{
    grid.iColumnIndex = 1;
    grid.OcultarColuna();
    EXPECT_TRUE(gravado().isEmpty());

    usuario("ana");
    grid.BaseDados = nullptr;
    grid.OcultarColuna();
    EXPECT_TRUE(gravado().isEmpty());

    // no directory row: the table name resolves empty and nothing is written
    grid.BaseDados = db.get();
    execSql(*db, "DELETE FROM ARQLOCAL");
    EXPECT_EQ(grid.ResolveTabela("{OPCOES_USUARIO}"), "");
    grid.OcultarColuna();
    EXPECT_TRUE(gravado().isEmpty());
    EXPECT_TRUE(rec->entries().empty());
}
