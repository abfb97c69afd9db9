// The search form over a stored definition: table names, captions, the
// user's rights and the registration window it offers.
#include "components/XRDBGrid.h"
#include "components/untCpoBusca.h"
#include "components/untCpoPesquisa.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"
#include "windows/nucleo/WindowRegistry.h"

#include "TestDb.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QToolButton>

namespace {

struct PesquisaGravadaTest : ::testing::Test {
    ScratchInstall inst;
    std::unique_ptr<TXRDatabase> db = inst.connect();
    ScopedDialogRecorder rec;
    TPesquisa botao;

    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, inst.dir());
        usuario("ANA");
        for (const char *sql : {
                 "CREATE TABLE PESQUISA (PESQ_TAB VARCHAR(30), PESQ_SQL VARCHAR(500), PESQ_DESC VARCHAR(60), "
                 "PESQ_FORM VARCHAR(60), PESQ_BPL VARCHAR(60), PESQ_CAPT BLOB SUB_TYPE TEXT)",
                 "CREATE TABLE ARQLOCAL (ARQUIVO VARCHAR(31))",
                 "CREATE TABLE ACESSO (USUARIO INTEGER, LOCAL INTEGER, ALTERA VARCHAR(3))",
                 "CREATE TABLE ACESSO_USUARIOS (CODIGO INTEGER, NOME VARCHAR(30), TIPO VARCHAR(10))",
                 "CREATE TABLE ACESSO_MENU (NIVEL INTEGER, NOME_FORM VARCHAR(60), DESCRICAO VARCHAR(60))",
                 "CREATE TABLE EMPRESA (EMP_PAT VARCHAR(4))",
                 "CREATE TABLE CLIENTE_001 (CLI_CODI VARCHAR(5), CLI_NOME VARCHAR(30))",
                 "CREATE TABLE CLIENTE_002 (CLI_CODI VARCHAR(5), CLI_NOME VARCHAR(30))",
                 "CREATE TABLE CLIENTE7 (CLI_CODI VARCHAR(5), CLI_NOME VARCHAR(30))",
             })
            execSql(*db, sql);
        for (const char *sql : {
                 "INSERT INTO CLIENTE_001 VALUES ('1', 'UM')",
                 "INSERT INTO CLIENTE_002 VALUES ('2', 'DOIS')",
                 "INSERT INTO CLIENTE7 VALUES ('7', 'SETE')",
                 "INSERT INTO EMPRESA VALUES (' 7 ')",
                 "INSERT INTO PESQUISA VALUES ('CLIENTE', 'SELECT CLI_CODI, CLI_NOME FROM {CLIENTE}', "
                 "'Clientes da empresa', 'TfmCadastroTeste', 'Cadastros.bpl', 'Código' || ASCII_CHAR(13) || "
                 "ASCII_CHAR(10) || 'Nome' || ASCII_CHAR(13) || ASCII_CHAR(10))",
                 "INSERT INTO ACESSO_USUARIOS VALUES (1, 'ANA', 'A')",
                 "INSERT INTO ACESSO_USUARIOS VALUES (2, 'BIA', 'A')",
                 "INSERT INTO ACESSO_USUARIOS VALUES (3, 'D''ARC', 'A')",
                 "INSERT INTO ACESSO_MENU VALUES (10, 'TFMCADASTROTESTE', 'Clientes')",
                 "INSERT INTO ACESSO VALUES (1, 10, 'Sim')",
                 "INSERT INTO ACESSO VALUES (2, 10, 'Não')",
                 "INSERT INTO ACESSO VALUES (3, 10, 'Sim')",
             })
            execSql(*db, sql);
        botao.BaseDados = db.get();
        botao.BuscaTabela = "CLIENTE";
    }

    void TearDown() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    static void usuario(const QString &nome)
    {
        QSettings s(QStringLiteral("Venda"));
        s.setValue(QStringLiteral("Parametros/Usuario"), nome);
    }

    TfrmCpoBusca *abre()
    {
        TfrmCpoBusca *f = botao.CriaPesquisa();
        f->show();
        EXPECT_TRUE(f->AguardaBusca());
        return f;
    }

    static void liberaFechados() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

TEST_F(PesquisaGravadaTest, TableMacrosResolveToTheCompanysTable)
{
    TXRTable empresa;
    empresa.SetDatabase(db.get());
    empresa.TableName = "EMPRESA";
    empresa.open();
    struct Caso {
        QStringList arqlocal;
        bool comEmpresa;
        QString tabela;
        QString primeiroNome; // empty: no row
    } casos[] = {
        {{"CLIENTE_001", "CLIENTE_002"}, true, "CLIENTE_002", "DOIS"},
        {{}, true, "CLIENTE7", "SETE"},
        {{"CLIENTE"}, true, "CLIENTE", ""},
        {{}, false, "CLIENTE", ""},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.tabela.toStdString());
        rec->clear();
        execSql(*db, "DELETE FROM ARQLOCAL");
        for (const QString &a : c.arqlocal)
            execSql(*db, "INSERT INTO ARQLOCAL VALUES ('" + a + "')");
        botao.TabelaEmpresa = c.comEmpresa ? &empresa : nullptr;
        TfrmCpoBusca *f = abre();
        EXPECT_EQ(f->FSQL, "SELECT CLI_CODI, CLI_NOME FROM " + c.tabela);
        EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
        EXPECT_EQ(f->QryBusca->recordCount(), c.primeiroNome.isEmpty() ? 0 : 1);
        if (!c.primeiroNome.isEmpty()) {
            EXPECT_EQ(f->QryBusca->fieldByName("CLI_NOME")->asString(), c.primeiroNome);
        }
        EXPECT_EQ(f->windowTitle(), "Clientes da empresa");
        // blanks around a name, a stray brace and an empty name
        EXPECT_EQ(f->ResolveTabela("X { CLIENTE } } {}"), "X " + c.tabela + "  ");
        f->close();
        liberaFechados();
    }
}

TEST_F(PesquisaGravadaTest, CaptionsComeByPositionAndTooFewOfThemFailTheSearch)
{
    execSql(*db, "INSERT INTO ARQLOCAL VALUES ('CLIENTE_002')");
    TfrmCpoBusca *f = abre();
    QStringList titulos, chaves;
    for (int i = 0; i < f->CbCaption->count(); ++i)
        titulos << f->CbCaption->itemText(i);
    for (int i = 0; i < f->CbChave->count(); ++i)
        chaves << f->CbChave->itemText(i);
    EXPECT_EQ(titulos, (QStringList{"Código", "Nome"}));
    EXPECT_EQ(chaves, (QStringList{"CLI_CODI", "CLI_NOME"}));
    EXPECT_EQ(f->DBGrid1->Column(1)->Title, "Nome");
    f->close();
    liberaFechados();

    execSql(*db, "UPDATE PESQUISA SET PESQ_CAPT = 'Código'");
    f = abre();
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_TRUE(e[0].text.startsWith("A Consulta não pode ser executada.\r\r")) << e[0].text.toStdString();
    EXPECT_EQ(e[0].icon, MsgIcon::Error);
    EXPECT_TRUE(f->isVisible());
    f->close();
}

TEST_F(PesquisaGravadaTest, OnlyAUserAllowedToChangeSeesIncluirNovo)
{
    struct Caso {
        QString usuario;
        bool ve;
    } casos[] = {{"ANA", true}, {"BIA", false}, {"CAIO", false}, {"D'ARC", true}, {"", false}};
    for (const Caso &c : casos) {
        usuario(c.usuario);
        TfrmCpoBusca *f = abre();
        EXPECT_EQ(f->ImgCadastra->isVisible(), c.ve) << c.usuario.toStdString();
        f->close();
        liberaFechados();
    }
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();

    // a table name with a quote finds no definition and breaks nothing
    botao.BuscaTabela = "CLI'ENTE";
    TfrmCpoBusca *f = abre();
    EXPECT_EQ(f->CbChave->count(), 0);
    EXPECT_FALSE(f->ImgCadastra->isVisible());
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    f->close();
}

TEST_F(PesquisaGravadaTest, IncluirNovoOpensTheRegisteredWindowRestyled)
{
    InstalaConsultasJanelas();
    QPointer<QWidget> aberta;
    RegisterClass("TfmCadastroTeste", [&aberta](QWidget *) {
        auto *w = new QWidget(nullptr, Qt::Window);
        w->setObjectName("fmCadastroTeste");
        auto *ok = new QPushButton("Gravar", w);
        ok->setObjectName("ok");
        ok->setProperty("Tag", 1);
        auto *apaga = new QPushButton("Excluir", w);
        apaga->setObjectName("apaga");
        apaga->setProperty("Tag", 3);
        auto *livre = new QPushButton("Ajuda", w);
        livre->setObjectName("livre");
        auto *rapido = new QToolButton(w);
        rapido->setObjectName("rapido");
        rapido->setFixedWidth(20);
        auto *grade = new TXRDBGrid(w);
        grade->setObjectName("grade");
        aberta = w;
        return w;
    });
    QPointer<TfrmCpoBusca> f = abre();
    ASSERT_TRUE(f->ImgCadastra->isVisible());
    f->ImgCadastra->click();
    liberaFechados();
    EXPECT_TRUE(f.isNull()); // the search closes
    ASSERT_FALSE(aberta.isNull());
    EXPECT_TRUE(aberta->isVisible());
    EXPECT_TRUE(aberta->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(aberta->findChild<QPushButton *>("ok")->font().family(), "Tahoma");
    EXPECT_TRUE(aberta->findChild<QPushButton *>("ok")->isEnabled());
    EXPECT_FALSE(aberta->findChild<QPushButton *>("apaga")->isEnabled());
    EXPECT_TRUE(aberta->findChild<QPushButton *>("livre")->isEnabled());
    EXPECT_TRUE(aberta->findChild<QToolButton *>("rapido")->autoRaise());
    EXPECT_EQ(aberta->findChild<TXRDBGrid *>("grade")->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    delete aberta;

    // a class nobody registered
    UnRegisterClass("TfmCadastroTeste");
    f = abre();
    f->ImgCadastra->click();
    liberaFechados();
    EXPECT_TRUE(f.isNull());
    const auto e = rec->entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].text, "Não foi possível encontrar a classe da Tela!");
    EXPECT_EQ(e[0].title, "Erro");
    EXPECT_EQ(e[0].icon, MsgIcon::Error);
}
