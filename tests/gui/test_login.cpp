#include "test_shell_fixture.h"

#include "windows/nucleo/Aplicacao.h"
#include "windows/principal/untLogin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class JanelaLogin : public ::testing::Test {
protected:
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
};

struct Tentativa {
    const char *usuario;
    const char *senha;
};

struct CasoLogin {
    const char *nome;
    std::vector<Tentativa> tentativas;
    const char *alerta;
    QStringList caixas; // texts of the "Login" boxes, in order
    const char *foco;   // objectName of the focused edit after the last press
    bool fechada;
    bool loginOk;
};

TEST_F(JanelaLogin, SequenceOfPresses)
{
    const QString senhaErrada = QStringLiteral("Senha inválida!");
    const CasoLogin casos[] = {
        {"usuario em branco", {{"  ", "SEGREDO"}}, "Favor informar o nome do Usuário", {}, "edtUsuario", false, false},
        {"senha em branco", {{"ANA", " "}}, "Favor informar a Senha", {}, "edtSenha", false, false},
        {"senha errada", {{"ANA", "OUTRA"}}, "", {senhaErrada}, "edtUsuario", false, false},
        {"usuario desconhecido", {{"BIA", "SEGREDO"}}, "", {QStringLiteral("Usuário inválido!")}, "edtUsuario",
         false, false},
        {"sucesso em qualquer caixa", {{"AnA", "sEgReDo"}}, "", {}, nullptr, true, true},
        {"sexta tentativa fecha mesmo correta",
         {{"", "X"}, {"ANA", ""}, {"ANA", "A"}, {"ANA", "B"}, {"ANA", "C"}, {"ANA", "SEGREDO"}},
         "Número de tentativas excedidas",
         {senhaErrada, senhaErrada, senhaErrada},
         nullptr,
         true,
         false},
    };
    for (const CasoLogin &c : casos) {
        SCOPED_TRACE(c.nome);
        rec->clear();
        TfmLogin login;
        login.show();
        for (const Tentativa &t : c.tentativas) {
            login.edtUsuario->setText(QString::fromUtf8(t.usuario));
            login.edtSenha->setText(QString::fromUtf8(t.senha));
            login.btnEntrar->click();
        }
        EXPECT_EQ(login.lblAlerta->text(), QString::fromUtf8(c.alerta));
        EXPECT_EQ(rec->texts(), c.caixas);
        for (const DialogEntry &e : rec->entries()) {
            EXPECT_EQ(e.title, QStringLiteral("Login"));
            EXPECT_EQ(e.icon, MsgIcon::Information);
        }
        EXPECT_EQ(login.isVisible(), !c.fechada);
        EXPECT_EQ(login.FLoginOk, c.loginOk);
        if (c.foco) {
            ASSERT_NE(login.focusWidget(), nullptr);
            EXPECT_EQ(login.focusWidget()->objectName(), QString::fromLatin1(c.foco));
        }
    }
}

TEST_F(JanelaLogin, ProposesTheStoredUserAndUpperCasesWhatIsTyped)
{
    TfmLogin login;
    EXPECT_EQ(login.edtUsuario->text(), QStringLiteral("ANA"));
    login.edtUsuario->clear();
    digita(login.edtUsuario, QStringLiteral("bia"));
    digita(login.edtSenha, QStringLiteral("xy"));
    EXPECT_EQ(login.edtUsuario->text(), QStringLiteral("BIA"));
    EXPECT_EQ(login.edtSenha->text(), QStringLiteral("XY"));
    EXPECT_EQ(login.edtSenha->echoMode(), QLineEdit::Password);
}

TEST_F(JanelaLogin, EnterInAnEditPressesAcessar)
{
    TfmLogin login;
    login.show();
    login.edtSenha->setText(QStringLiteral("SEGREDO"));
    teclaClique(login.edtSenha, Qt::Key_Return);
    EXPECT_EQ(login.nrTentativas, 1);
    EXPECT_TRUE(login.FLoginOk);
    EXPECT_FALSE(login.isVisible());
}

TEST_F(JanelaLogin, EscEndsTheModalLoginAndTheProgram)
{
    TfmLogin login;
    QTimer::singleShot(0, &login, [&login] { teclaClique(login.edtSenha, Qt::Key_Escape); });
    QTimer guarda; // never hang the suite on the modal loop
    guarda.setSingleShot(true);
    QObject::connect(&guarda, &QTimer::timeout, &login, [&login] { login.hide(); });
    guarda.start(5000);
    login.ShowModal();
    EXPECT_TRUE(guarda.isActive()) << "the modal loop did not end on Esc";
    EXPECT_FALSE(login.isVisible());
    EXPECT_FALSE(login.FLoginOk);
    EXPECT_TRUE(AplicacaoTerminada());
    EXPECT_TRUE(rec->entries().empty());
}

} // namespace
