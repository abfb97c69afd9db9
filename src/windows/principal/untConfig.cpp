#include "windows/principal/untConfig.h"

#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/regras/Configuracao.h"
#include "windows/principal/regras/PosInstalacao.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {
QString numero(const QVariant &v, const char *mascara)
{
    return v.isNull() || !v.isValid() ? QString() : fmt::formatFloat(QString::fromLatin1(mascara), v.toDouble());
}
} // namespace

TfmConfig::TfmConfig(QWidget *dono, std::vector<IServidorEndereco *> servidores)
    : TfmTelaSimples(dono)
    , m_servidores(std::move(servidores))
{
    setObjectName(QStringLiteral("fmConfig"));
    setWindowTitle(QStringLiteral("Configurador"));
    CriaControles();
    FormCreate();
}

void TfmConfig::CriaControles()
{
    QWidget *corpo = Corpo();
    auto *grade = new QGridLayout(corpo);
    const auto campo = [corpo](const char *nome) {
        auto *e = new QLineEdit(corpo);
        e->setObjectName(QString::fromLatin1(nome));
        return e;
    };
    EdtCnpjCpf = campo("EdtCnpjCpf");
    EdtCodigo = campo("EdtCodigo");
    EdtServidor = campo("EdtServidor");
    EdtPorta = campo("EdtPorta");
    EdtEndereco = campo("EdtEndereco");
    EdtUsuario = campo("EdtUsuario");
    EdtSenha = campo("EdtSenha");
    EdtEmail = campo("EdtEmail");
    EdtFone = campo("EdtFone");
    EdtCelular = campo("EdtCelular");
    EdtPedido = campo("EdtPedido");
    EdtValidade = campo("EdtValidade");
    EdtVlMinimo = campo("EdtVlMinimo");
    EdtVlMinimoPed = campo("EdtVlMinimoPed");
    EdtQtdeMaxItem = campo("EdtQtdeMaxItem");

    const std::pair<const char *, QLineEdit *> linhas[] = {
        {"CNPJ / CPF", EdtCnpjCpf}, {"Código", EdtCodigo},   {"Servidor", EdtServidor}, {"Porta", EdtPorta},
        {"Endereço", EdtEndereco},  {"Usuário", EdtUsuario}, {"Senha", EdtSenha},       {"E-Mail", EdtEmail},
        {"Fone", EdtFone},          {"Celular", EdtCelular}, {"Pedido", EdtPedido},     {"Validade", EdtValidade},
    };
    int linha = 0;
    for (const auto &[rotulo, edit] : linhas) {
        auto *l = new QLabel(QString::fromUtf8(rotulo), corpo);
        l->setBuddy(edit);
        grade->addWidget(l, linha, 0);
        grade->addWidget(edit, linha, 1);
        ++linha;
    }
    const auto grupo = [corpo](const char *titulo, std::initializer_list<std::pair<const char *, QLineEdit *>> itens) {
        auto *g = new QGroupBox(QString::fromUtf8(titulo), corpo);
        auto *l = new QHBoxLayout(g);
        for (const auto &[rotulo, edit] : itens) {
            l->addWidget(new QLabel(QString::fromUtf8(rotulo), g));
            edit->setParent(g);
            l->addWidget(edit);
        }
        return g;
    };
    grade->addWidget(grupo("Valor Mínimo", {{"Por Duplicata", EdtVlMinimo}, {"Por Pedido", EdtVlMinimoPed}}), linha++,
                     0, 1, 2);
    grade->addWidget(grupo("Qtde Máxima", {{"Por Cor e Tam", EdtQtdeMaxItem}}), linha++, 0, 1, 2);
    grade->setRowStretch(linha, 1);
    grade->setColumnStretch(2, 1);

    // shown only: no key reaches them
    EdtCodigo->setReadOnly(true);
    for (QLineEdit *e : {EdtValidade, EdtVlMinimo, EdtVlMinimoPed, EdtQtdeMaxItem}) {
        e->setReadOnly(true);
        e->setEnabled(false);
    }
    for (QLineEdit *e : {EdtCodigo, EdtValidade, EdtVlMinimo, EdtVlMinimoPed, EdtQtdeMaxItem}) {
        e->installEventFilter(this);
        e->setContextMenuPolicy(Qt::NoContextMenu);
    }

    BtnGravar = new QPushButton(QStringLiteral("&Gravar"), PnBotoes);
    BtnGravar->setObjectName(QStringLiteral("BtnGravar"));
    BtnGravar->setFixedSize(90, 30);
    static_cast<QHBoxLayout *>(PnBotoes->layout())->insertWidget(0, BtnGravar);
    PnBotoes->show();
    connect(BtnGravar, &QPushButton::clicked, this, &TfmConfig::GravaConfig);
}

bool TfmConfig::eventFilter(QObject *obj, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod: return true;
    default: return TfmTelaSimples::eventFilter(obj, event);
    }
}

void TfmConfig::FormShow()
{
    // the caption stays as it is: no version here
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMaximized();
    CarregaConfig();
}

void TfmConfig::CarregaConfig()
{
    if (!DMRepres)
        return;
    const std::optional<TDadosConfig> d = LeConfig(*DMRepres->XRDtRepres);
    if (!d)
        return;
    EdtCnpjCpf->setText(d->cnpjCpf);
    EdtCodigo->setText(d->codRep);
    EdtServidor->setText(d->servidor);
    EdtPorta->setText(d->porta);
    EdtEndereco->setText(d->endereco);
    EdtUsuario->setText(d->usuario);
    EdtSenha->setText(d->senha);
    EdtEmail->setText(d->email);
    EdtFone->setText(d->fone);
    EdtCelular->setText(d->celular);
    EdtPedido->setText(d->pedido);
    EdtValidade->setText(d->validade.isNull() ? QString() : fmt::formatDate(d->validade.toDate()));
    EdtVlMinimo->setText(numero(d->vlMinimo, "0.00"));
    EdtVlMinimoPed->setText(numero(d->vlMinimoPed, "0.00"));
    EdtQtdeMaxItem->setText(numero(d->qtdeMaxItem, "0.00;-0.00"));
}

void TfmConfig::GravaConfig()
{
    TDadosConfig d;
    d.cnpjCpf = EdtCnpjCpf->text();
    d.codRep = EdtCodigo->text();
    d.servidor = EdtServidor->text();
    d.porta = EdtPorta->text();
    d.endereco = EdtEndereco->text();
    d.usuario = EdtUsuario->text();
    d.senha = EdtSenha->text();
    d.email = EdtEmail->text();
    d.fone = EdtFone->text();
    d.celular = EdtCelular->text();
    d.pedido = EdtPedido->text();
    int linhas = 0;
    try {
        if (!DMRepres)
            throw EDatabaseError(QStringLiteral("Conexão com o banco de dados não está aberta."));
        linhas = ::GravaConfig(*DMRepres, d);
    } catch (const std::exception &) {
        dialogs().messageBox(QStringLiteral("Problema na Alteração dos Dados."), windowTitle(), MsgButtons::Ok,
                             MsgIcon::Information);
        return;
    }
    // the running program follows what was stored, by the same rule as the
    // next start, whichever back-end the run picks later
    if (linhas == 0)
        return;
    const QString host = EnderecoServidorConfig(d.endereco, d.servidor);
    const int porta = PortaComoInteiro(d.porta);
    for (IServidorEndereco *s : m_servidores)
        s->SetEndereco(host, porta);
}

void RegistraJanelaConfig(std::vector<IServidorEndereco *> servidores)
{
    RegisterClass(QStringLiteral("TfmConfig"), [servidores](QWidget *dono) {
        auto *j = new TfmConfig(dono, servidores);
        j->setWindowState(Qt::WindowMaximized);
        return j;
    });
}
