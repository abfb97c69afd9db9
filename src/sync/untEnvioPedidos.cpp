#include "sync/untEnvioPedidos.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"
#include "sync/untPedRejeitados.h"

#include <QAction>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDateEdit *NovaData(const QString &nome, const QDate &d, QWidget *pai)
{
    auto *e = new QDateEdit(d, pai);
    e->setObjectName(nome);
    e->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    e->setCalendarPopup(true);
    return e;
}

QPushButton *NovoBotao(const QString &nome, const QString &texto, QWidget *pai)
{
    auto *b = new QPushButton(texto, pai);
    b->setObjectName(nome);
    return b;
}

} // namespace

TfmEnvioPedidos::TfmEnvioPedidos(QWidget *dono)
    : TfmTelaSimples(dono)
    , m_c(QStringLiteral("Envio de Pedido"))
{
    setObjectName(QStringLiteral("fmEnvioPedidos"));
    setWindowTitle(QStringLiteral("Envio de Pedido"));
    CriaControles();
    m_c.Progresso = [this](int posicao, int maximo) {
        pbEnvio->setMaximum(maximo);
        pbEnvio->setValue(posicao);
    };
    m_c.CongelaGrade = [this](bool congelar) { DBGPadrao->setUpdatesEnabled(!congelar); };
    m_c.MostraRejeitados = [this](const QStringList &linhas) { MostraRejeitados(linhas); };
    FWidthOri = 900;
    FHeigthOri = 560;
    FormCreate();
    AtualizaListaPedidos();
}

void TfmEnvioPedidos::CriaControles()
{
    if (!Corpo()->layout())
        new QVBoxLayout(Corpo());
    auto *v = qobject_cast<QVBoxLayout *>(Corpo()->layout());

    auto *filtros = new QGroupBox(Corpo());
    auto *h = new QHBoxLayout(filtros);
    auto *emissao = new QGroupBox(QStringLiteral("Emissão"), filtros);
    auto *he = new QHBoxLayout(emissao);
    EdtEmiIni = NovaData(QStringLiteral("EdtEmiIni"), QDate(2000, 1, 1), emissao);
    EdtEmiFim = NovaData(QStringLiteral("EdtEmiFim"), QDate(2050, 12, 31), emissao);
    he->addWidget(EdtEmiIni);
    he->addWidget(EdtEmiFim);
    h->addWidget(emissao);

    auto *cliente = new QGroupBox(QStringLiteral("Cliente"), filtros);
    auto *hc = new QHBoxLayout(cliente);
    edtCodCli = new QLineEdit(cliente);
    edtCodCli->setObjectName(QStringLiteral("edtCodCli"));
    edtCodCli->setMaxLength(20);
    edtCodCli->setMaximumWidth(90);
    PqCliente = new TPesquisa(cliente);
    PqCliente->setObjectName(QStringLiteral("PqCliente"));
    PqCliente->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
    PqCliente->BuscaSQL = {QStringLiteral("SELECT CLI_CODI,  CLI_NOME,  CLI_CNPJ FROM CLIENTE")};
    PqCliente->OnFechaPesquisa = [this](TPesquisa *p) {
        edtCodCli->setText(p->RetornoPesquisa(QStringLiteral("CLI_CODI")).toString());
    };
    edtNomeCli = new QLineEdit(cliente);
    edtNomeCli->setObjectName(QStringLiteral("edtNomeCli"));
    edtNomeCli->setReadOnly(true);
    hc->addWidget(edtCodCli);
    hc->addWidget(PqCliente);
    hc->addWidget(edtNomeCli, 1);
    h->addWidget(cliente, 1);

    BtnConsultar = NovoBotao(QStringLiteral("BtnConsultar"), QStringLiteral("&Consultar"), filtros);
    h->addWidget(BtnConsultar);
    v->addWidget(filtros);

    LbLote = new QLabel(Corpo());
    LbLote->setObjectName(QStringLiteral("LbLote"));
    v->addWidget(LbLote);

    DBGPadrao = new TXRDBGrid(Corpo());
    DBGPadrao->setObjectName(QStringLiteral("DBGPadrao"));
    DBGPadrao->SetDataSet(&m_c.CDSPedidos);
    DBGPadrao->ClearColumns();
    TXRColumn *sel = DBGPadrao->AddColumn(QStringLiteral("IdSelecionado"), QStringLiteral("Sel."));
    sel->CheckBox = true;
    sel->ValueChecked = QStringLiteral("S");
    sel->ValueUnChecked = QStringLiteral("N");
    const struct {
        const char *campo, *titulo;
        int largura;
    } colunas[] = {
        {"PED_NUME", "Pedido", 60},         {"PED_DTCA", "Data", 80},
        {"CLI_NOME", "Cliente", 320},       {"QTDTOTAL", "Qtd. Peças", 80},
        {"VLRTOTAL", "Valor Pedido", 100},  {"VLRLIQ", "Valor Líquido", 100},
    };
    for (const auto &c : colunas) {
        TXRColumn *col = DBGPadrao->AddColumn(QString::fromUtf8(c.campo), QString::fromUtf8(c.titulo));
        col->Width = c.largura;
        col->ReadOnly = true;
    }
    DBGPadrao->LayoutChanged();
    v->addWidget(DBGPadrao, 1);

    pmEnvioPed = new QMenu(DBGPadrao);
    pmEnvioPed->setObjectName(QStringLiteral("pmEnvioPed"));
    ConsiderarEnviado = pmEnvioPed->addAction(QStringLiteral("Considerar Enviado"));
    ConsiderarEnviado->setObjectName(QStringLiteral("ConsiderarEnviado"));
    DBGPadrao->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGPadrao, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        pmEnvioPedPopup();
        pmEnvioPed->popup(DBGPadrao->viewport()->mapToGlobal(p));
    });

    pbEnvio = new QProgressBar(Corpo());
    pbEnvio->setObjectName(QStringLiteral("pbEnvio"));
    pbEnvio->setValue(0);
    v->addWidget(pbEnvio);

    PnBotoes->show();
    btnSincronizar = NovoBotao(QStringLiteral("btnSincronizar"), QStringLiteral("&Enviar"), PnBotoes);
    btnSincronizar->setFixedSize(90, 30);
    if (auto *lb = qobject_cast<QBoxLayout *>(PnBotoes->layout()))
        lb->insertWidget(0, btnSincronizar);
    else
        btnSincronizar->move(0, 0);

    connect(BtnConsultar, &QPushButton::clicked, this, [this] { BtnConsultarClick(); });
    connect(btnSincronizar, &QPushButton::clicked, this, [this] { btnSincronizarClick(); });
    connect(ConsiderarEnviado, &QAction::triggered, this, [this] { ConsiderarEnviadoClick(); });
    connect(edtCodCli, &QLineEdit::textChanged, this, [this] { edtCodCliChange(); });
}

void TfmEnvioPedidos::AtualizaListaPedidos()
{
    m_c.DtIni = EdtEmiIni->date();
    m_c.DtFim = EdtEmiFim->date();
    m_c.Cliente = edtCodCli->text();
    m_c.AtualizaListaPedidos();
    LbLote->setText(QStringLiteral("Número do Lote de Envio ") + QString::number(m_c.NrLote));
}

void TfmEnvioPedidos::BtnConsultarClick() { AtualizaListaPedidos(); }

void TfmEnvioPedidos::btnSincronizarClick()
{
    if (m_c.Enviando())
        return;
    btnSincronizar->setEnabled(false);
    m_c.DtIni = EdtEmiIni->date();
    m_c.DtFim = EdtEmiFim->date();
    m_c.Cliente = edtCodCli->text();
    m_c.Envia();
    LbLote->setText(QStringLiteral("Número do Lote de Envio ") + QString::number(m_c.NrLote));
    btnSincronizar->setEnabled(true);
}

void TfmEnvioPedidos::ConsiderarEnviadoClick()
{
    m_c.ConsiderarEnviado();
    LbLote->setText(QStringLiteral("Número do Lote de Envio ") + QString::number(m_c.NrLote));
}

void TfmEnvioPedidos::pmEnvioPedPopup() { ConsiderarEnviado->setEnabled(!m_c.CDSPedidos.isEmpty()); }

void TfmEnvioPedidos::edtCodCliChange()
{
    const QString codigo = edtCodCli->text().trimmed();
    const QVariant nome = codigo.isEmpty() ? QVariant()
                                           : BuscaValorCampo(QStringLiteral("CLI_NOME"), QStringLiteral("CLIENTE"),
                                                             QStringLiteral("CLI_CODI"), codigo);
    edtNomeCli->setText(nome.isValid() ? nome.toString() : QString());
}

void TfmEnvioPedidos::MostraRejeitados(const QStringList &linhas)
{
    TfmPedRejeitados janela(this);
    janela.Memo->setPlainText(linhas.join('\n'));
    janela.Exibe();
}

void TfmEnvioPedidos::FormShow()
{
    TfmTelaSimples::FormShow();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMaximized();
}

void TfmEnvioPedidos::FormClose(TCloseAction &action)
{
    if (DMRepres)
        DMRepres->XRQConfigPed->Close();
    m_c.CDSPedidos.emptyTable();
    TfmTelaSimples::FormClose(action);
}
