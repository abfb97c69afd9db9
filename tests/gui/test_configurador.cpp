// The settings window on an upgraded database, through its objectNames.
#include "TestDb.h"
#include "test_shell_fixture.h"

#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untConfig.h"
#include "windows/principal/untPrincipal.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct ClienteGravado : IServidorEndereco {
    void SetEndereco(const QString &host, int porta) override { chamadas << QStringLiteral("%1|%2").arg(host).arg(porta); }
    QStringList chamadas;
};

QString baseConfig()
{
    return upgradedTemplate({
        "UPDATE CONFIG SET NRCNPJCPF = '11.222.333/0001-81', DSHOSTSERV = 'velho', DSENDERECOSERV = 'http://velho', "
        "NRPORTASERV = 211, DTVALIDADE = '2026-12-31', DSEMAIL = 'ana@x.com', NRFONE = '(81)3333-0000', "
        "NRCELULAR = '(81)99999-0000', VLMINIMO = 1234.5, VLMINIMOPED = 300, QTDEMAXITEM = -3.5, NUMERO = '00042'",
    });
}

class Configurador : public ::testing::Test {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        installTemplate(inst, baseConfig());
        TDMRepresGanchos g;
        // the back-end probe tests whatever address the JSON client holds
        g.RetornaConexaoRest = [this] {
            sondagens << rest.chamadas.value(rest.chamadas.size() - 1);
            return true;
        };
        dm = std::make_unique<TDMRepres>(g);
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        rec->clear();
    }
    void TearDown() override
    {
        fm.reset();
        dm.reset();
        ReiniciaAplicacao();
    }

    TfmConfig &abre()
    {
        fm = std::make_unique<TfmConfig>(nullptr, std::vector<IServidorEndereco *>{&rest, &dataSnap});
        fm->show();
        return *fm;
    }
    // A column as another reader of the database sees it.
    QVariant coluna(const char *nome)
    {
        auto db = inst.connect();
        return scalar(*db, QStringLiteral("SELECT %1 FROM CONFIG").arg(QLatin1String(nome)));
    }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
    std::unique_ptr<TfmConfig> fm;
    ClienteGravado rest;
    ClienteGravado dataSnap;
    QStringList sondagens;
};

TEST_F(Configurador, ShowsTheRowAsText)
{
    TfmConfig &j = abre();
    EXPECT_EQ(j.windowTitle(), QStringLiteral("Configurador"));
    EXPECT_EQ(j.EdtCnpjCpf->text(), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(j.EdtCodigo->text(), QStringLiteral("001"));
    EXPECT_EQ(j.EdtServidor->text(), QStringLiteral("velho"));
    EXPECT_EQ(j.EdtEndereco->text(), QStringLiteral("http://velho"));
    EXPECT_EQ(j.EdtPorta->text(), QStringLiteral("211"));
    EXPECT_EQ(j.EdtUsuario->text(), QStringLiteral("Ana"));
    EXPECT_EQ(j.EdtSenha->text(), QStringLiteral("Segredo"));
    EXPECT_EQ(j.EdtSenha->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(j.EdtPedido->text(), QStringLiteral("00042"));
    EXPECT_EQ(j.EdtValidade->text(), QStringLiteral("31/12/2026"));
    EXPECT_EQ(j.EdtVlMinimo->text(), QStringLiteral("1234,50"));
    EXPECT_EQ(j.EdtVlMinimoPed->text(), QStringLiteral("300,00"));
    EXPECT_EQ(j.EdtQtdeMaxItem->text(), QStringLiteral("-3,50"));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(Configurador, ReadOnlyFieldsRefuseEveryKey)
{
    TfmConfig &j = abre();
    QApplication::clipboard()->setText(QStringLiteral("999"));
    for (QLineEdit *e : {j.EdtCodigo, j.EdtValidade, j.EdtVlMinimo, j.EdtVlMinimoPed, j.EdtQtdeMaxItem}) {
        SCOPED_TRACE(e->objectName().toStdString());
        const QString antes = e->text();
        e->setCursorPosition(antes.size());
        digita(e, QStringLiteral("7x"));
        teclaClique(e, Qt::Key_Backspace);
        teclaClique(e, Qt::Key_Home);
        teclaClique(e, Qt::Key_Delete);
        teclaClique(e, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(e->text(), antes);
    }
    EXPECT_TRUE(j.EdtCodigo->isEnabled()) << "the code is shown read-only, not greyed";
    EXPECT_FALSE(j.EdtValidade->isEnabled());
}

TEST_F(Configurador, SavesWhatWasTypedApostrophesIncludedAndKeepsTheValidity)
{
    for (const char *validade : {"'2026-12-31'", "NULL"}) {
        SCOPED_TRACE(validade);
        execSql(*dm->XRDtRepres, QStringLiteral("UPDATE CONFIG SET DTVALIDADE = ") + QLatin1String(validade));
        TfmConfig &j = abre();
        j.EdtCnpjCpf->setText(QStringLiteral("22.333.444/0001-'5"));
        j.EdtUsuario->clear();
        digita(j.EdtUsuario, QStringLiteral("D'Avila"));
        j.EdtSenha->setText(QStringLiteral("x' OR '1'='1"));
        j.EdtEmail->setText(QStringLiteral("o'neil@loja.com"));
        j.EdtFone->setText(QStringLiteral("(11)4444-'1"));
        j.EdtCelular->setText(QString());
        j.EdtPedido->setText(QStringLiteral("0'7"));
        j.BtnGravar->click();
        EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
        EXPECT_EQ(coluna("NRCNPJCPF").toString(), QStringLiteral("22.333.444/0001-'5"));
        EXPECT_EQ(coluna("NMUSUARIO").toString(), QStringLiteral("D'Avila"));
        EXPECT_EQ(coluna("DSSENHA").toString(), QStringLiteral("x' OR '1'='1"));
        EXPECT_EQ(coluna("DSEMAIL").toString(), QStringLiteral("o'neil@loja.com"));
        EXPECT_EQ(coluna("NRFONE").toString(), QStringLiteral("(11)4444-'1"));
        EXPECT_EQ(coluna("NRCELULAR").toString(), QString());
        EXPECT_EQ(coluna("NUMERO").toString(), QStringLiteral("0'7"));
        EXPECT_EQ(coluna("COUNT(*)").toInt(), 1);
        const QVariant dt = coluna("DTVALIDADE");
        if (QLatin1String(validade) == QLatin1String("NULL"))
            EXPECT_TRUE(dt.isNull());
        else
            EXPECT_EQ(dt.toDate(), QDate(2026, 12, 31));
        EXPECT_EQ(coluna("VLMINIMO").toDouble(), 1234.5);
        EXPECT_TRUE(j.isVisible()) << "the window stays open";
        fm.reset();
    }
}

struct CasoEndereco {
    const char *servidor;
    const char *endereco;
    const char *porta;
    const char *esperado;
    QVariant portaGravada;
};

TEST_F(Configurador, SavedAddressGoesToBothClientsNowAndAfterARestart)
{
    const CasoEndereco casos[] = {
        {"10.0.0.9", "http://novo:9000", "8080", "http://novo:9000|8080", 8080},
        {"10.0.0.9", "   ", " 8081 ", "10.0.0.9|8081", 8081},
        {"", "http://so-endereco", "", "http://so-endereco|0", QVariant()},
    };
    for (const CasoEndereco &c : casos) {
        SCOPED_TRACE(c.esperado);
        rest.chamadas.clear();
        dataSnap.chamadas.clear();
        TfmConfig &j = abre();
        j.EdtServidor->setText(QString::fromLatin1(c.servidor));
        j.EdtEndereco->setText(QString::fromLatin1(c.endereco));
        j.EdtPorta->setText(QString::fromLatin1(c.porta));
        j.BtnGravar->click();
        EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
        EXPECT_EQ(rest.chamadas, QStringList{QString::fromLatin1(c.esperado)});
        EXPECT_EQ(dataSnap.chamadas, rest.chamadas);
        EXPECT_EQ(coluna("DSHOSTSERV").toString(), QString::fromLatin1(c.servidor));
        EXPECT_EQ(coluna("NRPORTASERV"), c.portaGravada);
        fm.reset();
        if (sondagens.isEmpty()) {
            // saving did not pick the back-end; the first pick tests the new server
            EXPECT_TRUE(dm->bConexaoRest());
            EXPECT_EQ(sondagens, QStringList{QString::fromLatin1(c.esperado)});
        }

        // the next start reads the stored columns and lands on the same server
        ClienteGravado depois;
        TGanchosPrincipal g;
        g.Login = [](QWidget *) { return true; };
        TfmPrincipal principal(g);
        principal.DefineServidores({&depois});
        principal.show();
        EXPECT_EQ(depois.chamadas, rest.chamadas);
        principal.hide();
    }
}

TEST_F(Configurador, AnEmptyCodeUpdatesNoRowAndSaysNothing)
{
    TfmConfig &j = abre();
    j.EdtCodigo->clear();
    j.EdtUsuario->setText(QStringLiteral("Outro"));
    j.EdtEndereco->setText(QStringLiteral("http://nenhum"));
    j.BtnGravar->click();
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(coluna("NMUSUARIO").toString(), QStringLiteral("Ana"));
    EXPECT_TRUE(rest.chamadas.isEmpty()) << "nothing stored: the clients keep their server";
    EXPECT_TRUE(dataSnap.chamadas.isEmpty());
}

TEST_F(Configurador, AFailedSaveIsReportedOnceAndKeepsTheTypedValues)
{
    // a port that is no number cannot go into the integer column; an order
    // number longer than its column is refused by the engine
    const std::pair<const char *, const char *> casos[] = {{"80a", "00043"}, {"8080", "123456"}};
    for (const auto &[porta, pedido] : casos) {
        SCOPED_TRACE(porta);
        rec->clear();
        TfmConfig &j = abre();
        j.EdtUsuario->setText(QStringLiteral("Bia"));
        j.EdtEndereco->setText(QStringLiteral("http://falhou"));
        j.EdtPorta->setText(QString::fromLatin1(porta));
        j.EdtPedido->setText(QString::fromLatin1(pedido));
        j.BtnGravar->click();
        const auto entradas = rec->entries();
        ASSERT_EQ(entradas.size(), 1u);
        EXPECT_EQ(entradas[0].text, QStringLiteral("Problema na Alteração dos Dados."));
        EXPECT_EQ(entradas[0].title, QStringLiteral("Configurador"));
        EXPECT_EQ(entradas[0].icon, MsgIcon::Information);
        EXPECT_EQ(entradas[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(j.EdtUsuario->text(), QStringLiteral("Bia"));
        EXPECT_EQ(j.EdtPorta->text(), QString::fromLatin1(porta));
        EXPECT_EQ(j.EdtPedido->text(), QString::fromLatin1(pedido));
        EXPECT_EQ(coluna("NMUSUARIO").toString(), QStringLiteral("Ana"));
        EXPECT_EQ(coluna("NRPORTASERV").toInt(), 211);
        EXPECT_TRUE(rest.chamadas.isEmpty());
        EXPECT_TRUE(dataSnap.chamadas.isEmpty());
        fm.reset();
    }
}

TEST_F(Configurador, TheMainWindowsSideBarOpensItMaximisedInTheMdiArea)
{
    RegistraJanelaConfig({&rest});
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    TfmPrincipal principal(g);
    principal.show();
    QWidget *janela = AbreForm(QStringLiteral("TfmConfig"));
    ASSERT_NE(janela, nullptr);
    auto *sub = qobject_cast<QMdiSubWindow *>(janela->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->mdiArea(), principal.MdiArea);
    EXPECT_TRUE(janela->isMaximized() || sub->isMaximized());
    EXPECT_EQ(janela->findChild<QLineEdit *>(QStringLiteral("EdtCodigo"))->text(), QStringLiteral("001"));
    janela->findChild<QPushButton *>(QStringLiteral("BtnGravar"))->click();
    EXPECT_EQ(rest.chamadas, QStringList{QStringLiteral("http://velho|211")});
    UnRegisterClass(QStringLiteral("TfmConfig"));
    principal.hide();
}

} // namespace
