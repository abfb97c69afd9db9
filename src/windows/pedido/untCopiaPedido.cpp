#include "windows/pedido/untCopiaPedido.h"

#include "components/untCpoPesquisa.h"
#include "data/untDMRepres.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

std::function<void(TfmCopiaPedido &)> TfmCopiaPedido::ExibeModal = [](TfmCopiaPedido &j) { j.ShowModal(); };

namespace {

QLineEdit *novoEdit(const QString &nome, QWidget *pai)
{
    auto *e = new QLineEdit(pai);
    e->setObjectName(nome);
    return e;
}

QPushButton *novoBotao(const QString &nome, const QString &texto, QWidget *pai)
{
    auto *b = new QPushButton(texto, pai);
    b->setObjectName(nome);
    return b;
}

} // namespace

TfmCopiaPedido::TfmCopiaPedido(QWidget *dono, TDMRepres &dm, const QString &pedido, const QString &codCliente,
                               const QString &nomeCliente)
    : TfmTelaSimples(dono)
    , m_copia(dm)
{
    SetFormStyleMdi(false);
    setObjectName(QStringLiteral("fmCopiaPedido"));
    setWindowTitle(QStringLiteral("Cópia do Pedido"));
    m_copia.titulo = windowTitle();

    QWidget *corpo = Corpo();
    auto *f = new QFormLayout;
    edtPedido = novoEdit(QStringLiteral("edtPedido"), corpo);
    edtPedido->setReadOnly(true);
    edtCliente = novoEdit(QStringLiteral("edtCliente"), corpo);
    edtCliente->setReadOnly(true);
    edtCodCli = novoEdit(QStringLiteral("edtCodCli"), corpo);
    edtCodCli->setMaxLength(5);
    PqCliente = new TPesquisa(corpo);
    PqCliente->setObjectName(QStringLiteral("PqCliente"));
    PqCliente->setText(QStringLiteral("..."));
    PqCliente->setFocusPolicy(Qt::NoFocus);
    PqCliente->BaseDados = dm.XRDtRepres;
    PqCliente->BuscaSQL = QStringList{QStringLiteral("SELECT CLI_NOME, CLI_CODI, CLI_CNPJ FROM CLIENTE")};
    edtDescCli = novoEdit(QStringLiteral("edtDescCli"), corpo);
    edtDescCli->setEnabled(false);
    auto *linhaCli = new QHBoxLayout;
    linhaCli->addWidget(edtCodCli);
    linhaCli->addWidget(PqCliente);
    linhaCli->addWidget(edtDescCli, 1);
    EdtCopia = new QSpinBox(corpo);
    EdtCopia->setObjectName(QStringLiteral("EdtCopia"));
    EdtCopia->setRange(0, 99);
    f->addRow(QStringLiteral("Pedido"), edtPedido);
    f->addRow(QStringLiteral("Cliente"), edtCliente);
    f->addRow(QStringLiteral("Cliente Novo"), linhaCli);
    f->addRow(QStringLiteral("Cópias"), EdtCopia);

    BtDuplicar = novoBotao(QStringLiteral("BtDuplicar"), QStringLiteral("Duplicar"), corpo);
    BtFechar = novoBotao(QStringLiteral("BtFechar"), QStringLiteral("Fechar"), corpo);
    auto *botoes = new QHBoxLayout;
    botoes->addStretch(1);
    botoes->addWidget(BtDuplicar);
    botoes->addWidget(BtFechar);
    auto *v = new QVBoxLayout(corpo);
    v->addLayout(f);
    v->addStretch(1);
    v->addLayout(botoes);
    resize(480, 200);

    connect(edtCodCli, &QLineEdit::textChanged, this, [this] { edtCodCliChange(); });
    PqCliente->OnFechaPesquisa = [this](TPesquisa *pq) { PqClienteFechaPesquisa(pq); };
    connect(BtDuplicar, &QPushButton::clicked, this, [this] { BtDuplicarClick(); });
    connect(BtFechar, &QPushButton::clicked, this, [this] { BtFecharClick(); });

    // filled from the order on display
    edtPedido->setText(pedido);
    edtCliente->setText(nomeCliente);
    edtCodCli->setText(codCliente);
    edtDescCli->setText(nomeCliente);
    EdtCopia->setValue(1);
}

void TfmCopiaPedido::edtCodCliChange()
{
    const QString codigo = edtCodCli->text();
    if (codigo.trimmed().isEmpty())
        return;
    try {
        edtDescCli->setText(m_copia.NomeCliente(codigo));
    } catch (const EDatabaseError &e) {
        edtDescCli->clear();
        dialogs().messageBox(e.message(), windowTitle(), MsgButtons::Ok, MsgIcon::Error);
    }
}

void TfmCopiaPedido::PqClienteFechaPesquisa(TPesquisa *pq)
{
    edtCodCli->setText(pq->RetornoPesquisa(QStringLiteral("CLI_CODI")).toString());
}

void TfmCopiaPedido::BtDuplicarClick()
{
    if (m_copia.Duplica(edtPedido->text().trimmed(), edtCodCli->text(), EdtCopia->cleanText()))
        close();
}

void TfmCopiaPedido::BtFecharClick() { close(); }
