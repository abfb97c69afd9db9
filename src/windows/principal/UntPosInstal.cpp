#include "windows/principal/UntPosInstal.h"

#include "components/Enter.h"
#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/principal/regras/PosInstalacao.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QValidator>
#include <QVBoxLayout>

#include <exception>

namespace {
std::function<bool(QString &)> &verificaInternet()
{
    static std::function<bool(QString &)> f;
    return f;
}

class Maiusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

const char *const kCaption = "Pós-Instalador";
} // namespace

void TFmPosInstall::InstalaVerificaInternet(std::function<bool(QString &)> verifica)
{
    verificaInternet() = std::move(verifica);
}

TFmPosInstall::TFmPosInstall(TDMRepres &dm, IServidorPosInstal *servidor, QWidget *dono)
    : QDialog(dono, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_dm(dm)
    , m_servidor(servidor)
{
    setObjectName(QStringLiteral("FmPosInstall"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(405, 154);
    CriaControles();
    if (const QScreen *tela = QGuiApplication::primaryScreen())
        move(tela->geometry().center() - QPoint(width() / 2, height() / 2));
    FPosInstall = false;
}

TFmPosInstall::~TFmPosInstall() = default;

void TFmPosInstall::CriaControles()
{
    // made in the order the required-field check walks them
    auto edita = [this](const char *nome) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(nome));
        return e;
    };
    EdtCodRep = edita("EdtCodRep");
    EdtPorta = edita("EdtPorta");
    EdtSenha = edita("EdtSenha");
    EdtServidor = edita("EdtServidor");
    EdtUsuario = edita("EdtUsuario");
    EdtUsuario->setValidator(new Maiusculas(EdtUsuario));
    EdtSenha->setValidator(new Maiusculas(EdtSenha));
    EdtSenha->setEchoMode(QLineEdit::Password);

    auto *grade = new QGridLayout;
    grade->setContentsMargins(0, 0, 0, 0);
    grade->setVerticalSpacing(2);
    auto rotulo = [this](const QString &t, QLineEdit *e) {
        auto *l = new QLabel(t, this);
        l->setBuddy(e);
        return l;
    };
    grade->addWidget(rotulo(QStringLiteral("Servidor"), EdtServidor), 0, 0);
    grade->addWidget(rotulo(QStringLiteral("Porta"), EdtPorta), 0, 1);
    grade->addWidget(EdtServidor, 1, 0);
    grade->addWidget(EdtPorta, 1, 1);
    grade->addWidget(rotulo(QStringLiteral("Representante"), EdtCodRep), 2, 0);
    grade->addWidget(EdtCodRep, 3, 0);
    auto *credenciais = new QHBoxLayout;
    auto *usuario = new QVBoxLayout;
    usuario->addWidget(rotulo(QStringLiteral("Usuário"), EdtUsuario));
    usuario->addWidget(EdtUsuario);
    auto *senha = new QVBoxLayout;
    senha->addWidget(rotulo(QStringLiteral("Senha"), EdtSenha));
    senha->addWidget(EdtSenha);
    credenciais->addLayout(usuario);
    credenciais->addLayout(senha);
    grade->addLayout(credenciais, 2, 1, 2, 1);
    grade->setColumnStretch(0, 3);
    grade->setColumnStretch(1, 2);

    auto *nota = new QLabel(QStringLiteral("Para concluir a configuração é necessário conexão com a Internet."), this);
    nota->setObjectName(QStringLiteral("LblNota"));
    nota->setWordWrap(true);
    BtnGravar = new QPushButton(QStringLiteral("Gravar"), this);
    BtnGravar->setObjectName(QStringLiteral("BtnGravar"));
    BtnFechar = new QPushButton(QStringLiteral("Fechar"), this);
    BtnFechar->setObjectName(QStringLiteral("BtnFechar"));
    BtnGravar->setAutoDefault(false);
    BtnFechar->setAutoDefault(false);
    auto *rodape = new QHBoxLayout;
    rodape->addWidget(nota, 1);
    rodape->addWidget(BtnGravar);
    rodape->addWidget(BtnFechar);

    auto *tudo = new QVBoxLayout(this);
    tudo->setContentsMargins(8, 6, 8, 6);
    tudo->addLayout(grade);
    tudo->addLayout(rodape);

    setTabOrder(EdtServidor, EdtPorta);
    setTabOrder(EdtPorta, EdtCodRep);
    setTabOrder(EdtCodRep, EdtUsuario);
    setTabOrder(EdtUsuario, EdtSenha);
    setTabOrder(EdtSenha, BtnGravar);
    setTabOrder(BtnGravar, BtnFechar);

    ZVEnter = new TZVEnter(this);
    ZVEnter->ClassList = {QStringLiteral("TMaskEdit"), QStringLiteral("TEdit"), QStringLiteral("TDBEdit"),
                          QStringLiteral("TDBCheckBox"), QStringLiteral("TTabbedNoteBook"),
                          QStringLiteral("TDBCheckDocEdit"), QStringLiteral("TZVDBExtEdit"),
                          QStringLiteral("TDBDateEdit")};

    connect(BtnGravar, &QPushButton::clicked, this, &TFmPosInstall::BtnGravarClick);
    connect(BtnFechar, &QPushButton::clicked, this, &QDialog::reject);
}

void TFmPosInstall::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (EdtServidor->isEnabled())
        EdtServidor->setFocus();
}

void TFmPosInstall::Aviso(const QString &texto, const QString &titulo)
{
    dialogs().messageBox(texto, titulo, MsgButtons::Ok, MsgIcon::Information);
}

bool TFmPosInstall::CamposPreenchidos()
{
    const std::pair<QLineEdit *, const char *> campos[] = {
        {EdtCodRep, "Código do Representante"}, {EdtPorta, "Porta de Comunicação"}, {EdtSenha, "Senha"},
        {EdtServidor, "Endereço do Servidor"},   {EdtUsuario, "Nome do Usuário"},
    };
    QStringList faltando;
    for (const auto &[edit, nome] : campos)
        if (edit->text().trimmed().isEmpty())
            faltando << QString::fromUtf8(nome);
    if (faltando.isEmpty())
        return true;
    Aviso(MensagemCamposFaltando(faltando), windowTitle());
    return false;
}

bool TFmPosInstall::TestaConexao(bool &rest)
{
    if (!m_servidor)
        return false;
    const QString host = EdtServidor->text();
    const int porta = PortaComoInteiro(EdtPorta->text());
    m_servidor->EnderecoRest(host, porta);
    rest = m_dm.bConexaoRest();
    if (!rest)
        m_servidor->EnderecoDataSnap(host, porta);
    try {
        return m_servidor->RetornaConexao(rest);
    } catch (...) {
        Aviso(QStringLiteral("Erro de Comunicação:\r") + TextoExcecao(std::current_exception()), windowTitle());
        return false;
    }
}

bool TFmPosInstall::ValidaLogin(bool rest)
{
    int resultado = 0;
    try {
        resultado = m_servidor->ConfereSenha(rest, EdtUsuario->text(), EdtSenha->text(), EdtCodRep->text());
    } catch (...) {
        Aviso(QStringLiteral("Erro de Comunicação:\r") + TextoExcecao(std::current_exception()), windowTitle());
        return false;
    }
    if (resultado == 0)
        return true;
    Aviso(TDMRepres::MensErroLogin(resultado), QStringLiteral("Login"));
    return false;
}

bool TFmPosInstall::GravaConfig()
{
    const TDadosPosInstal d{EdtServidor->text(), EdtPorta->text(), EdtCodRep->text(), EdtUsuario->text(),
                            EdtSenha->text()};
    QString erro;
    FPosInstall = GravaConfigPosInstal(m_dm, d, erro);
    if (!FPosInstall)
        dialogs().showMessage(erro);
    return FPosInstall;
}

void TFmPosInstall::BtnGravarClick()
{
    FPosInstall = false;
    if (!CamposPreenchidos())
        return;
    QString mensagem;
    const bool conectado = verificaInternet() ? verificaInternet()(mensagem) : VerificaInternet(mensagem);
    if (!conectado) {
        Aviso(mensagem, windowTitle());
        return;
    }
    bool rest = false;
    if (!TestaConexao(rest))
        return;
    if (!ValidaLogin(rest))
        return;
    if (GravaConfig())
        Aviso(QStringLiteral("Configuração Concluída com Sucesso"), windowTitle());
    else
        Aviso(QStringLiteral("Erro na Gravação dos Dados"), windowTitle());
    if (FPosInstall)
        accept();
    else
        reject();
}

void InstalaPosInstalacao(IServidorPosInstal *servidor)
{
    TDMRepres::GanchosPadrao().PosInstalacao = [servidor](TDMRepres &dm) {
        bool salvo = false;
        {
            TFmPosInstall janela(dm, servidor);
            janela.exec();
            salvo = janela.FPosInstall;
        }
        if (!salvo)
            TerminaAplicacao();
        return salvo;
    };
}
