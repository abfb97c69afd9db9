#include "data/UntFuncoes.h"
#include "components/QtDialogService.h"
#include "components/untMensagemSkin.h"
#include "components/untTelaSimples.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/WindowRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class JanelaTeste : public TfmTelaSimples {
public:
    explicit JanelaTeste(QWidget *dono)
        : TfmTelaSimples(dono)
    {
        setObjectName(QStringLiteral("fmTeste"));
        SetFormStyleMdi(false);
    }
    QString estado = QStringLiteral("novo");
};

// Captures qWarning texts for the life of the object.
class CapturaAvisos {
public:
    CapturaAvisos() { s_textos = &textos; s_anterior = qInstallMessageHandler(&CapturaAvisos::trata); }
    ~CapturaAvisos()
    {
        qInstallMessageHandler(s_anterior);
        s_textos = nullptr;
    }
    QStringList textos;

private:
    static void trata(QtMsgType, const QMessageLogContext &, const QString &msg)
    {
        if (s_textos)
            *s_textos << msg;
    }
    static inline QStringList *s_textos = nullptr;
    static inline QtMessageHandler s_anterior = nullptr;
};

class RegistroJanelas : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterClass(QStringLiteral("TfmTeste"), [this](QWidget *dono) {
            ++criadas;
            return new JanelaTeste(dono);
        });
    }
    void TearDown() override
    {
        if (QWidget *w = BuscaForm(QStringLiteral("TfmTeste")))
            delete w;
        UnRegisterClass(QStringLiteral("TfmTeste"));
    }
    static void processaExclusoes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    int criadas = 0;
};

TEST_F(RegistroJanelas, OpeningAnOpenWindowBringsTheSameInstanceForward)
{
    QWidget *primeira = AbreForm(QStringLiteral("TfmTeste"));
    ASSERT_NE(primeira, nullptr);
    EXPECT_EQ(AbreForm(QStringLiteral("TfmTeste")), primeira);
    EXPECT_EQ(criadas, 1);
    EXPECT_TRUE(primeira->isVisible());
    EXPECT_EQ(BuscaForm(QStringLiteral("TfmTeste")), primeira);
}

TEST_F(RegistroJanelas, ClosingThenReopeningMakesAFreshInstance)
{
    auto *primeira = static_cast<JanelaTeste *>(AbreForm(QStringLiteral("TfmTeste")));
    primeira->estado = QStringLiteral("usado");
    QPointer<QWidget> guarda(primeira);
    ASSERT_TRUE(primeira->close());
    // not found while its deletion is still pending
    EXPECT_EQ(BuscaForm(QStringLiteral("TfmTeste")), nullptr);
    processaExclusoes();
    EXPECT_TRUE(guarda.isNull());

    auto *segunda = static_cast<JanelaTeste *>(AbreForm(QStringLiteral("TfmTeste")));
    ASSERT_NE(segunda, nullptr);
    EXPECT_EQ(segunda->estado, QStringLiteral("novo"));
    EXPECT_EQ(criadas, 2);
}

TEST_F(RegistroJanelas, CodeBelowTheWindowsAsksTheRegistryWhetherAFormIsOpen)
{
    InstalaConsultasJanelas();
    EXPECT_FALSE(FormAberto(QStringLiteral("TfmTeste")));
    AbreForm(QStringLiteral("TfmTeste"));
    EXPECT_TRUE(FormAberto(QStringLiteral("TfmTeste")));
    EXPECT_FALSE(FormAberto(QStringLiteral("TfmOutra")));
}

TEST_F(RegistroJanelas, AnUnregisteredNameOnlyLogsAWarning)
{
    ScopedDialogRecorder rec;
    CapturaAvisos avisos;
    const int antes = QApplication::topLevelWidgets().size();
    EXPECT_EQ(AbreForm(QStringLiteral("TfmNaoExiste")), nullptr);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), antes);
    EXPECT_TRUE(rec->texts().isEmpty());
    ASSERT_EQ(avisos.textos.size(), 1);
    EXPECT_TRUE(avisos.textos[0].contains(QStringLiteral("TfmNaoExiste")));
}

TEST(NomeDaClasse, DropsEverythingUpToTheFirstCapitalT)
{
    const std::pair<const char *, const char *> casos[] = {
        {"TfmCliente", "fmCliente"},
        {"TfmEditorSQL", "fmEditorSQL"},
        {"XTfmA", "fmA"},
        {"tfmMinusculo", "tfmMinusculo"},
    };
    for (const auto &[classe, nome] : casos)
        EXPECT_EQ(NomeDaClasse(QString::fromLatin1(classe)), QString::fromLatin1(nome)) << classe;
}

// ---------------------------------------------------------------- base windows

class JanelaComShowProprio : public TfmXRSkin {
protected:
    void FormShow() override {}
};

TEST(JanelaBase, CaptionGetsTheVersionOnlyThroughTheBaseShowHandler)
{
    TfmXRSkin base;
    base.setWindowTitle(QStringLiteral("X"));
    base.show();
    EXPECT_EQ(base.windowTitle(), QStringLiteral("X (" XR_VERSION_TEXT ")"));
    EXPECT_TRUE(base.windowTitle().contains(QRegularExpression(QStringLiteral(R"(^X \(\d+\.\d+\.\d+\.\d+\)$)"))));

    JanelaComShowProprio propria;
    propria.setWindowTitle(QStringLiteral("Y"));
    propria.show();
    EXPECT_EQ(propria.windowTitle(), QStringLiteral("Y"));
}

struct CasoAjuste {
    const char *donoNome; // nullptr: no owner
    bool chamaFormCreate;
    QSize esperado;
    bool minimiza;
};

TEST(JanelaSimples, FitsADocumentWindowIntoTheMainWindowOnly)
{
    const CasoAjuste casos[] = {
        {"fmPrincipal", true, QSize(790, 667), true},
        {"fmOutra", true, QSize(1000, 900), false},
        {nullptr, true, QSize(1000, 900), false},
        // recorded size without the fitting (the update window's way)
        {"fmPrincipal", false, QSize(1000, 900), false},
    };
    for (const CasoAjuste &c : casos) {
        SCOPED_TRACE(c.donoNome ? c.donoNome : "sem dono");
        std::unique_ptr<QWidget> dono;
        if (c.donoNome) {
            dono = std::make_unique<QWidget>();
            dono->setObjectName(QString::fromLatin1(c.donoNome));
            dono->resize(800, 700);
            auto *barra = new QWidget(dono.get());
            barra->setObjectName(QStringLiteral("sBar"));
            barra->resize(800, 23);
        }
        auto *janela = new TfmTelaSimples(dono.get());
        janela->SetFormStyleMdi(false);
        janela->FWidthOri = 1000;
        janela->FHeigthOri = 900;
        if (c.chamaFormCreate)
            janela->FormCreate();
        EXPECT_EQ(janela->FbMinimizaToolBar, c.minimiza);
        janela->show();
        EXPECT_EQ(janela->size(), c.esperado);
        if (!dono)
            delete janela;
    }
}

TEST(JanelaSimples, ClosingACutWindowShowsTheMainStatusBarAgain)
{
    QWidget dono;
    dono.setObjectName(QStringLiteral("fmPrincipal"));
    dono.resize(800, 300);
    auto *barra = new QWidget(&dono);
    barra->setObjectName(QStringLiteral("SBAR"));
    barra->resize(800, 23);
    barra->hide();
    QPointer<TfmTelaSimples> janela = new TfmTelaSimples(&dono);
    janela->SetFormStyleMdi(false);
    janela->FormCreate();
    ASSERT_TRUE(janela->FbMinimizaToolBar);
    janela->show();
    janela->close();
    EXPECT_FALSE(barra->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(janela.isNull());
}

TEST(JanelaEspera, OneWaitWindowIsReusedAndShownAtItsSize)
{
    TfmMensagem &primeira = TfmMensagem::Compartilhada();
    primeira.LMensagem->setText(QStringLiteral("Aguarde..."));
    primeira.show();
    EXPECT_EQ(primeira.size(), QSize(518, 72));
    primeira.hide();
    EXPECT_EQ(&TfmMensagem::Compartilhada(), &primeira);
    EXPECT_EQ(TfmMensagem::Compartilhada().LMensagem->text(), QStringLiteral("Aguarde..."));
}

// ---------------------------------------------------------------- errors and dialogs

TEST(Excecoes, UncaughtErrorsAreShownWithTheirMessageAndAbortsStaySilent)
{
    ScopedDialogRecorder rec;
    MostraExcecao(std::make_exception_ptr(EAbort()));
    EXPECT_TRUE(rec->entries().empty());

    const std::pair<std::exception_ptr, const char *> casos[] = {
        {std::make_exception_ptr(EDatabaseError(QStringLiteral("Erro XRQuery.Open: falhou"))),
         "Erro XRQuery.Open: falhou."},
        {std::make_exception_ptr(std::runtime_error("Senha inválida!")), "Senha inválida!"},
        {std::make_exception_ptr(std::runtime_error("termina em ponto.")), "termina em ponto."},
    };
    for (const auto &[erro, texto] : casos) {
        rec->clear();
        MostraExcecao(erro);
        ASSERT_EQ(rec->entries().size(), 1u);
        EXPECT_EQ(rec->entries()[0].text, QString::fromUtf8(texto));
        EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Error);
    }
}

TEST(DialogosQt, FileFiltersAndButtonTexts)
{
    EXPECT_EQ(FiltroQt(QStringLiteral("Texto|*.txt|Todos|*.*")), QStringLiteral("Texto (*.txt);;Todos (*.*)"));
    EXPECT_EQ(FiltroQt(QStringLiteral("Planilha|*.xlsx;*.xls")), QStringLiteral("Planilha (*.xlsx *.xls)"));
    EXPECT_EQ(FiltroQt(QStringLiteral("Imagens (*.png)")), QStringLiteral("Imagens (*.png)"));
    EXPECT_EQ(TextoBotao(MsgResult::Yes), QStringLiteral("Sim"));
    EXPECT_EQ(TextoBotao(MsgResult::No), QStringLiteral("Não"));
    EXPECT_EQ(TextoBotao(MsgResult::Cancel), QStringLiteral("Cancelar"));
}

} // namespace
