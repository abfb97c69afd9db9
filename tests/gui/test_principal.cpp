#include "test_shell_fixture.h"

#include "components/untTelaSimples.h"
#include "platform/Formats.h"
#include "platform/IniFile.h"
#include "windows/principal/regras/EstadoFTP.h"
#include "windows/principal/regras/GraficosPrincipal.h"
#include "windows/principal/regras/RegrasPrincipal.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untPrincipal.h"

#include <QAction>
#include <QLabel>
#include <QDir>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

void espera(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct ServidorGravado : IServidorEndereco {
    void SetEndereco(const QString &host, int porta) override { chamadas << QStringLiteral("%1|%2").arg(host).arg(porta); }
    QStringList chamadas;
};

TGanchosPrincipal loginFixo(bool ok)
{
    TGanchosPrincipal g;
    g.Login = [ok](QWidget *) { return ok; };
    return g;
}

// ---------------------------------------------------------------- creation and show

TEST(JanelaPrincipal, WithoutLoginTheFirstShowEndsTheRunBeforeAnythingRuns)
{
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    ServidorGravado servidor;
    TfmPrincipal fm(loginFixo(false));
    fm.DefineServidores({&servidor});
    fm.show();
    EXPECT_FALSE(fm.isVisible());
    EXPECT_TRUE(AplicacaoTerminada());
    EXPECT_TRUE(servidor.chamadas.isEmpty());
    EXPECT_TRUE(fm.Widgets()[0].sql.isEmpty());
    EXPECT_TRUE(fm.TextoPainel(2).isEmpty());
}

struct CasoEndereco {
    const char *config;
    const char *esperado;
};

TEST(JanelaPrincipal, ShowHandsTheServerAddressFromConfigToTheClients)
{
    const CasoEndereco casos[] = {
        {"DSENDERECOSERV = 'http://srv ', DSHOSTSERV = 'outro', NRPORTASERV = 211", "http://srv |211"},
        {"DSENDERECOSERV = '   ', DSHOSTSERV = '10.0.0.5', NRPORTASERV = 8080", "10.0.0.5|8080"},
        {"DSENDERECOSERV = NULL, DSHOSTSERV = 'host3', NRPORTASERV = NULL", "host3|0"},
    };
    for (const CasoEndereco &c : casos) {
        SCOPED_TRACE(c.config);
        InstalacaoTeste instalacao(QString::fromLatin1(c.config));
        ScopedDialogRecorder rec;
        ServidorGravado cliente1;
        ServidorGravado cliente2;
        TfmPrincipal fm(loginFixo(true));
        fm.DefineServidores({&cliente1, &cliente2});
        fm.show();
        EXPECT_EQ(cliente1.chamadas, QStringList{QString::fromLatin1(c.esperado)});
        EXPECT_EQ(cliente2.chamadas, cliente1.chamadas);
        EXPECT_TRUE(rec->texts().isEmpty());
    }
}

TEST(JanelaPrincipal, ShowSetsCaptionPicturesReportEntryAndTiles)
{
    const std::pair<const char *, bool> casos[] = {{"'S'", true}, {"'N'", false}, {"NULL", false}};
    for (const auto &[valor, relatorioVisivel] : casos) {
        SCOPED_TRACE(valor);
        InstalacaoTeste instalacao(QStringLiteral("IDRELESTOQUE = ") + QString::fromLatin1(valor));
        ScopedDialogRecorder rec;
        TfmPrincipal fm(loginFixo(true));
        fm.show();
        EXPECT_TRUE(fm.isVisible());
        EXPECT_EQ(fm.windowTitle(), QStringLiteral("ORVAN ZID (" XR_VERSION_TEXT ")"));
        EXPECT_EQ(fm.TextoPainel(2), QStringLiteral("ORVAN Duzovuve"));
        EXPECT_EQ(!fm.pnlRelatorio->isHidden(), relatorioVisivel);
        // no CONFIG_IMAGEM row: the default picture
        EXPECT_FALSE(fm.imgFundoXR->isHidden());
        EXPECT_TRUE(fm.ImgFundo->isHidden());
        for (const TWidgetPainel &w : fm.Widgets()) {
            EXPECT_FALSE(w.sql.isEmpty()) << w.nome.toStdString();
            EXPECT_FALSE(w.retangulo.isEmpty()) << w.nome.toStdString();
        }
        EXPECT_TRUE(rec->texts().isEmpty());
    }
}

TEST(JanelaPrincipal, ClockPanelsShowDateAndTime)
{
    InstalacaoTeste instalacao;
    TfmPrincipal fm(loginFixo(true));
    fm.TimerBarTimer();
    const QDateTime agora = QDateTime::currentDateTime();
    EXPECT_EQ(fm.TextoPainel(0), QStringLiteral("Data: ") + agora.date().toString(QStringLiteral("dd/MM/yyyy")));
    const QTime hora = QTime::fromString(fm.TextoPainel(1).mid(6), QStringLiteral("HH:mm:ss"));
    ASSERT_TRUE(fm.TextoPainel(1).startsWith(QStringLiteral("Hora: ")) && hora.isValid()) << fm.TextoPainel(1).toStdString();
    EXPECT_LE(std::abs(hora.secsTo(agora.time())), 2);
}

TEST(JanelaPrincipal, OneSecondAfterShowTheIniHoldsTodayAndTheUpdateCheckRuns)
{
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    int verificacoes = 0;
    TGanchosPrincipal g = loginFixo(true);
    g.VerificaAtualizacao = [&verificacoes] { ++verificacoes; };
    const QString ini = instalacao.inst.path(QStringLiteral("XR.ini"));
    {
        TfmPrincipal fm(g);
        fm.show();
        EXPECT_TRUE(IniFile(ini).readString(QStringLiteral("Banco"), QStringLiteral("Data")).isEmpty());
        espera(1500);
        EXPECT_EQ(IniFile(ini).readString(QStringLiteral("Banco"), QStringLiteral("Data")),
                  QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        EXPECT_EQ(verificacoes, 1);
        espera(1200);
        EXPECT_EQ(verificacoes, 1) << "the start-up timer fires once";
        instalacao.dm->sTpGrade = QStringLiteral("S");
        instalacao.dm->sIdOrdemPedidos = QStringLiteral("2");
    }
    // the program's shutdown order: the window, then the module
    instalacao.dm.reset();
    const IniFile arq(ini);
    EXPECT_EQ(arq.readString(QStringLiteral("Banco"), QStringLiteral("Grade")), QStringLiteral("S"));
    EXPECT_EQ(arq.readString(QStringLiteral("Banco"), QStringLiteral("CargaCliente")), QStringLiteral("N"));
    EXPECT_EQ(arq.readString(QStringLiteral("Banco"), QStringLiteral("OrdemPedido")), QStringLiteral("2"));
}

// ---------------------------------------------------------------- SQL console and closing

class EditorFalso : public TfmTelaSimples {
public:
    explicit EditorFalso(QWidget *dono)
        : TfmTelaSimples(dono)
    {
        setObjectName(QStringLiteral("fmEditorSQL"));
    }
};

class PedidoFalso : public TfmTelaSimples, public IPedidoEmEdicao {
public:
    explicit PedidoFalso(QWidget *dono)
        : TfmTelaSimples(dono)
    {
        setObjectName(QStringLiteral("fmPedido"));
    }
    bool EmEdicao() const override { return true; }
};

class JanelaPrincipalAberta : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterClass(QStringLiteral("TfmEditorSQL"), [](QWidget *dono) { return new EditorFalso(dono); });
        RegisterClass(QStringLiteral("TfmPedido"), [](QWidget *dono) { return new PedidoFalso(dono); });
        fm = std::make_unique<TfmPrincipal>(loginFixo(true));
        fm->show();
        rec->clear();
    }
    void TearDown() override
    {
        fm.reset();
        UnRegisterClass(QStringLiteral("TfmEditorSQL"));
        UnRegisterClass(QStringLiteral("TfmPedido"));
    }
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    std::unique_ptr<TfmPrincipal> fm;
};

TEST_F(JanelaPrincipalAberta, EditorSqlAccessCodeIsComparedInUpperCaseUntrimmed)
{
    EXPECT_EQ(fm->AEditorSQL->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    struct Caso {
        bool confirma;
        const char *resposta;
        bool abre;
    };
    const Caso casos[] = {
        {true, "queryboxkey", true},
        {true, "QueryBoxKey", true},
        {true, "QUERYBOXKEY ", false},
        {true, " QUERYBOXKEY", false},
        {true, "", false},
        {false, "QUERYBOXKEY", false},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(std::string("'") + c.resposta + "'");
        rec->clear();
        rec->pushInput(c.confirma, QString::fromLatin1(c.resposta));
        fm->AEditorSQL->trigger();
        ASSERT_EQ(rec->entries().size(), 1u);
        EXPECT_EQ(rec->entries()[0].kind, QStringLiteral("input"));
        EXPECT_EQ(rec->entries()[0].title, QStringLiteral("EditorSQL"));
        EXPECT_EQ(rec->entries()[0].text, QStringLiteral("Senha:"));
        QWidget *editor = BuscaForm(QStringLiteral("TfmEditorSQL"));
        EXPECT_EQ(editor != nullptr, c.abre);
        delete editor;
    }
}

TEST_F(JanelaPrincipalAberta, EditorSqlOpenMeansNoPrompt)
{
    QWidget *editor = AbreForm(QStringLiteral("TfmEditorSQL"));
    ASSERT_NE(editor, nullptr);
    auto *sub = qobject_cast<QMdiSubWindow *>(editor->parentWidget());
    ASSERT_NE(sub, nullptr) << "opened windows live in the MDI area";
    EXPECT_EQ(sub->mdiArea(), fm->MdiArea);
    EXPECT_EQ(static_cast<TfmXRSkin *>(editor)->Owner(), fm.get());
    fm->AEditorSQL->trigger();
    EXPECT_TRUE(rec->entries().empty());
}

TEST_F(JanelaPrincipalAberta, ClosingWhileAnOrderIsEditedAsksFirst)
{
    AbreForm(QStringLiteral("TfmPedido"));
    rec->pushAnswer(MsgResult::No);
    EXPECT_FALSE(fm->close());
    EXPECT_TRUE(fm->isVisible());
    EXPECT_EQ(rec->texts(), QStringList{kMsgPedidoEmEdicao});
    EXPECT_EQ(rec->entries()[0].title, fm->windowTitle());
    EXPECT_FALSE(AplicacaoTerminada());

    rec->clear();
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_TRUE(fm->close());
    EXPECT_TRUE(AplicacaoTerminada());
}

TEST_F(JanelaPrincipalAberta, ReportsEntryOffersTheSyncOnlyWhileTheMenuIsEmpty)
{
    int sincronizacoes = 0;
    TGanchosPrincipal g = loginFixo(true);
    g.SincronizaRelatorios = [&sincronizacoes] { ++sincronizacoes; };
    fm = std::make_unique<TfmPrincipal>(g);
    fm->show();
    rec->clear();

    fm->pnlRelatorioClick(); // default answer: No
    fm->PMenuRelatorio->hide();
    EXPECT_EQ(sincronizacoes, 0);
    rec->pushAnswer(MsgResult::Yes);
    fm->pnlRelatorioClick();
    fm->PMenuRelatorio->hide();
    EXPECT_EQ(sincronizacoes, 1);
    const QString pergunta = QStringLiteral("Deseja sincronizar os relatórios com o ERP XR?");
    EXPECT_EQ(rec->texts(), (QStringList{pergunta, pergunta}));

    rec->clear();
    fm->PMenuRelatorio->addAction(QStringLiteral("Vendas"));
    fm->pnlRelatorioClick();
    fm->PMenuRelatorio->hide();
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(sincronizacoes, 1);
}

// A recorder that starts the download while the FTP question is on screen.
class RecorderQueIniciaDownload : public DialogRecorder {
public:
    explicit RecorderQueIniciaDownload(TEstadoFTP &ftp)
        : m_ftp(ftp)
    {
    }
    MsgResult messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override
    {
        if (text == kMsgConexaoFTP)
            m_ftp.SetProgressoLigado(true);
        return DialogRecorder::messageBox(text, title, buttons, icon, defaultButton);
    }

private:
    TEstadoFTP &m_ftp;
};

struct CasoFechamento {
    const char *nome;
    bool pedidoEmEdicao;
    bool ftpConectado;
    int tempoConexao;
    bool progresso;
    std::vector<MsgResult> respostas;
    QStringList textos;
    bool fecha;
    bool encerraFtp;
};

TEST(FechamentoPrincipal, QuestionsInOrder)
{
    const CasoFechamento casos[] = {
        {"nada pendente", false, false, 90000, false, {}, {}, true, false},
        {"ftp desconectado", false, false, 90000, true, {}, {}, true, false},
        {"pedido: nao", true, false, 90000, false, {MsgResult::No}, {kMsgPedidoEmEdicao}, false, false},
        {"pedido: sim", true, false, 90000, false, {MsgResult::Yes}, {kMsgPedidoEmEdicao}, true, false},
        {"pedido sim, depois download",
         true,
         true,
         90000,
         true,
         {MsgResult::Yes},
         {kMsgPedidoEmEdicao, kMsgDownloadEmAndamento},
         false,
         false},
        {"tempo de conexao mudado conta como download", false, true, 5000, false, {}, {kMsgDownloadEmAndamento},
         false, false},
        {"ftp ocioso: sim", false, true, 90000, false, {MsgResult::Yes}, {kMsgConexaoFTP}, true, true},
        {"ftp ocioso: nao", false, true, 90000, false, {MsgResult::No}, {kMsgConexaoFTP}, false, false},
        {"ftp ocioso: padrao e nao", false, true, 90000, false, {}, {kMsgConexaoFTP}, false, false},
    };
    for (const CasoFechamento &c : casos) {
        SCOPED_TRACE(c.nome);
        ScopedDialogRecorder rec;
        for (MsgResult r : c.respostas)
            rec->pushAnswer(r);
        int encerrou = 0;
        TEstadoFTP ftp([&encerrou] { ++encerrou; });
        ftp.SetConectado(c.ftpConectado);
        ftp.SetTempoConexaoMs(c.tempoConexao);
        ftp.SetProgressoLigado(c.progresso);
        EXPECT_EQ(ConfereFechamento(c.pedidoEmEdicao, &ftp, QStringLiteral("ORVAN ZID")), c.fecha);
        EXPECT_EQ(rec->texts(), c.textos);
        EXPECT_EQ(encerrou, c.encerraFtp ? 1 : 0);
    }
}

TEST(FechamentoPrincipal, DownloadStartedDuringTheFtpQuestionRefusesTheClose)
{
    int encerrou = 0;
    TEstadoFTP ftp([&encerrou] { ++encerrou; });
    ftp.SetConectado(true);
    auto recorder = std::make_unique<RecorderQueIniciaDownload>(ftp);
    RecorderQueIniciaDownload *rec = recorder.get();
    rec->pushAnswer(MsgResult::Yes);
    auto anterior = setDialogService(std::move(recorder));
    const bool fecha = ConfereFechamento(false, &ftp, QStringLiteral("X"));
    const QStringList textos = rec->texts();
    setDialogService(std::move(anterior));
    EXPECT_FALSE(fecha);
    EXPECT_EQ(textos, (QStringList{kMsgConexaoFTP, kMsgDownloadEmAndamento}));
    EXPECT_EQ(encerrou, 0);
}

// ---------------------------------------------------------------- dashboard

class GraficosNaBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto db = instalacao.inst.connect();
        const char *comandos[] = {
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_NOMCID) VALUES ('00001', 'CLIENTE UM', 'CIDADE A')",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_NOMCID) VALUES ('00002', 'CLIENTE DOIS', 'CIDADE B')",
            "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P1', 'CAMISA')",
            "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P2', 'CALCA')",
            // two lines of 6 x 46.80 with 5% off: 533.52
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEN, PED_PDESC) VALUES ('00001', '00001', CURRENT_DATE - 10, 5)",
            "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00001', 1, 'P1', 6, 46.80)",
            "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00001', 2, 'P2', 6, 46.80)",
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEN, PED_PDESC) VALUES ('00003', '00002', CURRENT_DATE - 1, 0)",
            "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00003', 1, 'P1', 1, 10)",
            // delivered 366 days ago: outside every tile
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEN, PED_PDESC) VALUES ('00002', '00002', CURRENT_DATE - 366, 0)",
            "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00002', 1, 'P2', 100, 99)",
            // exactly 365 days ago is outside too
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEN, PED_PDESC) VALUES ('00004', '00001', CURRENT_DATE - 365, 0)",
            "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) VALUES ('00004', 1, 'P2', 1, 1000)",
        };
        for (const char *sql : comandos)
            execSql(*db, QString::fromLatin1(sql));
        db->Transaction()->Commit();
    }

    // Rows of a tile's SQL as "label=value", value with two decimals.
    QStringList linhas(TfmPrincipal &fm, TGrafico g, const char *rotulo, const char *valor)
    {
        auto db = instalacao.inst.connect();
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().SetText(fm.Widgets()[std::size_t(g)].sql);
        q.Open();
        QStringList r;
        for (q.first(); !q.eof(); q.next()) {
            const QString v = QString::number(q.fieldByName(QString::fromLatin1(valor))->asFloat(), 'f', 2);
            r << (rotulo ? q.fieldByName(QString::fromLatin1(rotulo))->asString().trimmed() + '=' + v : v);
        }
        return r;
    }

    InstalacaoTeste instalacao;
};

TEST_F(GraficosNaBase, TileSqlGivesTheDiscountedTotalsOfTheLast365Days)
{
    TfmPrincipal fm(loginFixo(true));
    fm.MontaGraficos();

    EXPECT_EQ(linhas(fm, TGrafico::VlrTotPed, nullptr, "VALOR"), QStringList{"543.52"});
    EXPECT_EQ(linhas(fm, TGrafico::MedCliComp, nullptr, "VALOR"), QStringList{"271.76"});
    EXPECT_EQ(linhas(fm, TGrafico::Cliente, "CLIENTE", "VALOR"), (QStringList{"CLIENTE DOIS=10.00", "CLIENTE UM=533.52"}));
    EXPECT_EQ(linhas(fm, TGrafico::Cidade, "CIDADE", "VALOR"), (QStringList{"CIDADE A=533.52", "CIDADE B=10.00"}));
    QStringList produtos = linhas(fm, TGrafico::Produto, "PRODUTO", "VALOR");
    produtos.sort();
    EXPECT_EQ(produtos, (QStringList{"CALCA=266.76", "CAMISA=276.76"}));

    {
        auto db = instalacao.inst.connect();
        TXRQuery q;
        q.SetDatabase(db.get());
        q.SQL().SetText(fm.Widgets()[std::size_t(TGrafico::QtdeCliComp)].sql);
        q.Open();
        EXPECT_EQ(q.field(0)->asInteger(), 2);
    }

    const QStringList meses = linhas(fm, TGrafico::Mes, "MES", "VALOR");
    ASSERT_EQ(meses.size(), 12);
    const QDate hoje = QDate::currentDate();
    EXPECT_TRUE(meses.last().startsWith(AbreviaMes(hoje.month()) + ' ' + QString::number(hoje.year()) + '='))
        << meses.last().toStdString();
    double soma = 0;
    for (const QString &m : meses)
        soma += m.section('=', 1).toDouble();
    EXPECT_NEAR(soma, 543.52, 0.001);
}

TEST(GraficosMes, TwelveMonthsEndingInTheCurrentOne)
{
    struct Caso {
        QDate hoje;
        const char *primeiro;
        const char *ultimo;
    };
    const Caso casos[] = {
        {QDate(2025, 3, 10), "ABR. 2024", "MARC. 2025"},
        // 365 days back lies in December
        {QDate(2025, 12, 20), "JAN. 2025", "DEZ. 2025"},
        {QDate(2026, 1, 31), "FEV. 2025", "JAN. 2026"},
        // 365 days back is 1 March 2023: still ends in February
        {QDate(2024, 2, 29), "MARC. 2023", "FEV. 2024"},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.hoje.toString(Qt::ISODate).toStdString());
        const QStringList sql = LinhasGraficoMes(c.hoje);
        QStringList rotulos;
        for (const QString &l : sql) {
            if (l.endsWith(QStringLiteral("' AS MES,")))
                rotulos << l.section('\'', 1, 1);
        }
        ASSERT_EQ(rotulos.size(), 12);
        EXPECT_EQ(rotulos.first(), QString::fromLatin1(c.primeiro));
        EXPECT_EQ(rotulos.last(), QString::fromLatin1(c.ultimo));
        EXPECT_EQ(sql.last(), QStringLiteral("ORDER BY 1"));
    }
}

TEST(GraficosMes, EmptyOrderTableStillGivesTwelveZeroMonths)
{
    InstalacaoTeste instalacao;
    TfmPrincipal fm(loginFixo(true));
    fm.MontaGraficos();
    auto db = instalacao.inst.connect();
    TXRQuery q;
    q.SetDatabase(db.get());
    q.SQL().SetText(fm.Widgets()[std::size_t(TGrafico::Mes)].sql);
    q.Open();
    int n = 0;
    for (q.first(); !q.eof(); q.next(), ++n) {
        EXPECT_FALSE(q.fieldByName(QStringLiteral("MES"))->asString().contains(QLatin1String(" 0")));
        EXPECT_EQ(q.fieldByName(QStringLiteral("VALOR"))->asFloat(), 0.0);
    }
    EXPECT_EQ(n, 12);
}

TEST(GraficosPosicao, ChartsInTwoRowsAndCardsInAThirdColumn)
{
    // 768 - 40 taskbar - 23 status bar - 64 = 641
    const auto r = PosicoesGraficos(QSize(1366, 768), 40, 23);
    EXPECT_EQ(r[int(TGrafico::Cliente)], QRect(0, 0, 510, 320));
    EXPECT_EQ(r[int(TGrafico::Mes)], QRect(510, 320, 510, 320));
    EXPECT_EQ(r[int(TGrafico::MedCliComp)], QRect(1020, 426, 291, 213));
}

// ---------------------------------------------------------------- old installation

TEST(InstalacaoAntiga, WhatTheMovedProgramLooksFor)
{
    struct Caso {
        const char *pasta;
        const char *exe;
        const char *executavel; // nullptr: nothing
        const char *resto;
    };
    const Caso casos[] = {
        {"/home/u/ORVAN ZID", "ORVAN ZID", "/home/u/ORVAN ZID/ZIDirada", "/h/ZIDirada"},
        {"/home/u/ORVAN zid2", "ORVAN ZID", "/home/u/ORVAN zid2/ZIDirada", "/h/ZIDirada2"},
        {"/opt/app", "ORVAN ZID", "/opt/app/ZIDirada", "/h/ZIDiradapt/app"},
        {"/home/u/ORVAN ZID", "orvan zid", nullptr, nullptr},
        {"/home/u/ORVAN ZID", "ZIDiradaOffline", nullptr, nullptr},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.pasta + std::string(" ") + c.exe);
        const auto r = RestosInstalacaoAntiga(QString::fromUtf8(c.pasta), QString::fromUtf8(c.exe), QStringLiteral("/h"));
        ASSERT_EQ(r.has_value(), c.executavel != nullptr);
        if (!r)
            continue;
        EXPECT_EQ(r->executavel, QString::fromUtf8(c.executavel));
        EXPECT_EQ(r->pasta, QString::fromUtf8(c.resto));
    }
}

TEST(InstalacaoAntiga, DeletesOnlyInsideHomeAndNeverTheRunningFolder)
{
    QTemporaryDir raiz;
    const QString casa = raiz.path() + QStringLiteral("/casa");
    const QString programa = casa + QStringLiteral("/ORVAN ZID7");
    QDir().mkpath(programa);
    QDir().mkpath(casa + QStringLiteral("/ZIDirada7/sub"));
    QFile(casa + QStringLiteral("/ZIDirada7/sub/a.txt")).open(QIODevice::WriteOnly);
    QFile(programa + QStringLiteral("/ZIDirada")).open(QIODevice::WriteOnly);
    QDir().mkpath(raiz.path() + QStringLiteral("/fora"));

    const auto restos = RestosInstalacaoAntiga(programa, QStringLiteral("ORVAN ZID"), casa);
    ASSERT_TRUE(restos.has_value());
    ApagaRestosInstalacaoAntiga(*restos, programa, casa);
    EXPECT_FALSE(QFileInfo::exists(casa + QStringLiteral("/ZIDirada7")));
    EXPECT_FALSE(QFileInfo::exists(programa + QStringLiteral("/ZIDirada")));
    EXPECT_TRUE(QFileInfo::exists(programa));

    // a folder name that climbs out of home is left alone
    ApagaRestosInstalacaoAntiga({QString(), casa + QStringLiteral("/ZIDirada/../../fora")}, programa, casa);
    EXPECT_TRUE(QFileInfo::exists(raiz.path() + QStringLiteral("/fora")));
    // and so is one holding the running program
    ApagaRestosInstalacaoAntiga({QString(), casa}, programa, casa);
    EXPECT_TRUE(QFileInfo::exists(programa));
}

} // namespace
