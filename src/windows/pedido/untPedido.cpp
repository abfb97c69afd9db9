#include "windows/pedido/untPedido.h"

#include "windows/pedido/untGradeItem.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"
#include "windows/pedido/regras/GravacaoPedido.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/pedido/untCopiaPedido.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QScopeGuard>
#include <QTimer>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

TfmPedido *fmPedido = nullptr;

namespace {

using Pesquisa = PedidoControlador::Pesquisa;

const QString kFormatoTotal = QStringLiteral("#,##0.00");

// Refuses what the local database cannot hold: every code and filter typed
// here goes into a look-up as soon as it changes.
class TextoGravavel : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &texto, int &) const override
    {
        return pedido::TextoRecusado(QString(), texto, std::numeric_limits<int>::max()).isEmpty() ? Acceptable
                                                                                                  : Invalid;
    }
};

QLineEdit *novaEdicao(const QString &nome, QWidget *pai, int maximo = 0)
{
    auto *e = new QLineEdit(pai);
    e->setObjectName(nome);
    if (maximo > 0)
        e->setMaxLength(maximo);
    e->setValidator(new TextoGravavel(e));
    return e;
}

// Grey, out of the tab order and deaf to keys: only the program writes them.
QLineEdit *novoTotal(const QString &nome, QWidget *pai)
{
    QLineEdit *e = novaEdicao(nome, pai);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignRight);
    e->setStyleSheet(QStringLiteral("background: #d4d0c8"));
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("9.999.999,99")) + 12);
    return e;
}

QDateEdit *novaData(const QString &nome, QWidget *pai)
{
    auto *d = new QDateEdit(pai);
    d->setObjectName(nome);
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    d->setCalendarPopup(true);
    return d;
}

QPushButton *novoBotao(const QString &nome, const QString &texto, QWidget *pai)
{
    auto *b = new QPushButton(texto, pai);
    b->setObjectName(nome);
    return b;
}

TPesquisa *novaPesquisa(const QString &nome, QWidget *pai)
{
    auto *p = new TPesquisa(pai);
    p->setObjectName(nome);
    p->setText(QStringLiteral("..."));
    p->setFocusPolicy(Qt::NoFocus);
    return p;
}

void poe(QLineEdit *e, const QString &t)
{
    if (e->text() != t)
        e->setText(t);
}

void poe(QDateEdit *d, const QDate &v)
{
    if (v.isValid() && d->date() != v)
        d->setDate(v);
}

// A code edit with its search button and its disabled description.
QWidget *linhaCodigo(QLineEdit *codigo, TPesquisa *pq, QLineEdit *descricao, QWidget *pai)
{
    auto *w = new QWidget(pai);
    auto *l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2); // F4 finds the button only right beside the edit
    codigo->setMaximumWidth(90);
    l->addWidget(codigo);
    if (pq)
        l->addWidget(pq);
    if (descricao) {
        descricao->setEnabled(false);
        l->addWidget(descricao, 1);
    }
    return w;
}

} // namespace

TfmPedido::TfmPedido(QWidget *dono)
    : TfmTelaSimples(dono)
    , m_c(std::make_unique<PedidoControlador>(DMRepres))
    , m_itens(std::make_unique<ItensPedido>(*m_c, *DMRepres))
{
    setObjectName(QStringLiteral("fmPedido"));
    setWindowTitle(QStringLiteral("Cadastro de Pedidos"));
    PnBotoes->hide(); // this window has its own button panels

    PControlCliente = new QTabWidget(Corpo());
    PControlCliente->setObjectName(QStringLiteral("PControlCliente"));
    if (!Corpo()->layout())
        new QVBoxLayout(Corpo());
    Corpo()->layout()->addWidget(PControlCliente);
    CriaAcesso();
    CriaManutencao();
    Conecta();
    ConectaItens();

    // creation steps
    PControlCliente->setCurrentWidget(TabManutencao);
    m_c->nVlrMinimo = m_c->BuscaConfigPedido();
    m_c->vQtdeMaxItem = m_c->BuscaQtdeMaxItem();
    fmPedido = this;
    XRDBGrid2->setContextMenuPolicy(Qt::NoContextMenu);
    PqTab->BuscaSQL = m_c->SqlPesquisa(Pesquisa::Tab);
    QTimer::singleShot(0, this, [this] { PerguntaLinhaCedo(); });
    m_c->carregaItens = [this](DataSet &q) { CarregaItens(q); };
    m_c->abrePesquisa = [this](Pesquisa p) { return AbreBusca(p); };
    setWindowState(Qt::WindowMaximized);
}

TfmPedido::~TfmPedido()
{
    // the grid's widgets outlive the order state while the children are deleted
    XRDBGrid2->OnKeyDown = nullptr;
    XRDBGrid2->OnEnter = nullptr;
    XRDBGrid2->OnExit = nullptr;
    XRDBGrid2->OnColExit = nullptr;
    XRDBGrid2->OnColEnter = nullptr;
    if (fmPedido == this)
        fmPedido = nullptr;
}

void TfmPedido::CriaAcesso()
{
    TabAcesso = new QWidget;
    TabAcesso->setObjectName(QStringLiteral("TabAcesso"));
    PControlCliente->addTab(TabAcesso, QStringLiteral("Acesso"));
    auto *v = new QVBoxLayout(TabAcesso);

    auto *filtros = new QGroupBox(TabAcesso);
    auto *g = new QGridLayout(filtros);
    edtCodCli = novaEdicao(QStringLiteral("edtCodCli"), filtros, 5);
    edtDescCli = novaEdicao(QStringLiteral("edtDescCli"), filtros);
    edtCodTabela = novaEdicao(QStringLiteral("edtCodTabela"), filtros, 10);
    edtDescTabela = novaEdicao(QStringLiteral("edtDescTabela"), filtros);
    EdtNum = novaEdicao(QStringLiteral("EdtNum"), filtros, 5);
    edtCidade = novaEdicao(QStringLiteral("edtCidade"), filtros);
    EdtCnpj = novaEdicao(QStringLiteral("EdtCnpj"), filtros, 18);
    EdtCnpj->setToolTip(QStringLiteral("Favor informar somente os números"));
    EdtEmiIni = novaData(QStringLiteral("EdtEmiIni"), filtros);
    EdtEmiIni->setDate(QDate(2000, 1, 1));
    EdtEmiFim = novaData(QStringLiteral("EdtEmiFim"), filtros);
    EdtEmiFim->setDate(QDate(2050, 12, 31));
    CBStatus = new QCheckBox(QStringLiteral("Não Transmitidos"), filtros);
    CBStatus->setObjectName(QStringLiteral("CBStatus"));
    CBStatus->setChecked(true);
    auto *ordem = new QGroupBox(filtros);
    ordem->setObjectName(QStringLiteral("RGOrdem"));
    auto *lo = new QHBoxLayout(ordem);
    RGOrdemDesc = new QRadioButton(QStringLiteral("Descrescente"), ordem);
    RGOrdemCresc = new QRadioButton(QStringLiteral("Crescente"), ordem);
    RGOrdemDesc->setChecked(true);
    lo->addWidget(RGOrdemDesc);
    lo->addWidget(RGOrdemCresc);
    BtnConsultar = novoBotao(QStringLiteral("BtnConsultar"), QStringLiteral("&Consultar"), filtros);
    btFechar = novoBotao(QStringLiteral("btFechar"), QStringLiteral("&Fechar"), filtros);
    edtDescCli->setEnabled(false);
    edtDescTabela->setEnabled(false);

    int r = 0;
    g->addWidget(new QLabel(QStringLiteral("Cliente"), filtros), r, 0);
    PqCliente = novaPesquisa(QStringLiteral("PqCliente"), filtros);
    PqCliente->BuscaSQL = m_c->SqlPesquisa(Pesquisa::Cli);
    PqCliente->OnFechaPesquisa = [this](TPesquisa *p) {
        edtCodCli->setText(p->RetornoPesquisa(QStringLiteral("CLI_CODI")).toString());
    };
    PqTabela = novaPesquisa(QStringLiteral("PqTabela"), filtros);
    PqTabela->BuscaSQL = {QStringLiteral("SELECT TABP_REGIAO, TABP_DESCRICAO FROM TABPRECO")};
    PqTabela->OnFechaPesquisa = [this](TPesquisa *p) {
        edtCodTabela->setText(p->RetornoPesquisa(QStringLiteral("TABP_REGIAO")).toString());
    };
    for (TPesquisa *p : {PqCliente, PqTabela})
        p->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
    g->addWidget(linhaCodigo(edtCodCli, PqCliente, edtDescCli, filtros), r, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Pedido"), filtros), r, 4);
    g->addWidget(EdtNum, r++, 5);
    g->addWidget(new QLabel(QStringLiteral("Tabela"), filtros), r, 0);
    g->addWidget(linhaCodigo(edtCodTabela, PqTabela, edtDescTabela, filtros), r, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Cidade"), filtros), r, 4);
    g->addWidget(edtCidade, r++, 5);
    g->addWidget(new QLabel(QStringLiteral("Emissão"), filtros), r, 0);
    g->addWidget(EdtEmiIni, r, 1);
    g->addWidget(EdtEmiFim, r, 2);
    g->addWidget(CBStatus, r, 3);
    g->addWidget(new QLabel(QStringLiteral("CNPJ"), filtros), r, 4);
    g->addWidget(EdtCnpj, r++, 5);
    g->addWidget(ordem, r, 0, 1, 3);
    g->addWidget(BtnConsultar, r, 4);
    g->addWidget(btFechar, r, 5);
    v->addWidget(filtros);

    CriaConsulta();
    v->addWidget(DBGrid2, 1);
    v->addWidget(new QLabel(
        QStringLiteral("Para fechar o pedido selecionado, clique com o botão direito do mouse sobre ele."), TabAcesso));

    auto *tot = new QHBoxLayout;
    edtQtdeTotPed = novoTotal(QStringLiteral("edtQtdeTotPed"), TabAcesso);
    edtValorTotPed = novoTotal(QStringLiteral("edtValorTotPed"), TabAcesso);
    edtValorLiqPed = novoTotal(QStringLiteral("edtValorLiqPed"), TabAcesso);
    tot->addWidget(new QLabel(QStringLiteral("Qtde Peças Total"), TabAcesso));
    tot->addWidget(edtQtdeTotPed);
    tot->addWidget(new QLabel(QStringLiteral("Valor Total"), TabAcesso));
    tot->addWidget(edtValorTotPed);
    tot->addWidget(new QLabel(QStringLiteral("Valor Líquido"), TabAcesso));
    tot->addWidget(edtValorLiqPed);
    v->addLayout(tot);
}

void TfmPedido::CriaConsulta()
{
    CDSConsulta = new DataSet(this);
    CDSConsulta->setObjectName(QStringLiteral("CDSConsulta"));
    using T = FieldType;
    CDSConsulta->setFieldDefs({
        {QStringLiteral("SEL"), T::String, 1},          {QStringLiteral("NUMERO"), T::String, 5},
        {QStringLiteral("CODIGO_CLI"), T::String, 5},   {QStringLiteral("NOME"), T::String, 80},
        {QStringLiteral("EMISSAO"), T::Date},           {QStringLiteral("ENTREGA"), T::Date},
        {QStringLiteral("FATURAMENTO"), T::Date},       {QStringLiteral("COD_TABELA"), T::String, 5},
        {QStringLiteral("DESC_TABELA"), T::String, 30}, {QStringLiteral("LOTE"), T::Integer},
        {QStringLiteral("SINCRONIZACAO"), T::Date},     {QStringLiteral("STATUS"), T::String, 15},
        {QStringLiteral("QTDTOT"), T::Float},           {QStringLiteral("PDESC"), T::Float},
        {QStringLiteral("VLRLIQ"), T::Float},           {QStringLiteral("NOMECOMPLETO"), T::String, 90},
        {QStringLiteral("VLRTOT"), T::Float},
    });
    CDSConsulta->open();
    CDSConsulta->fieldByName(QStringLiteral("VLRLIQ"))->displayFormat = QStringLiteral("0.00");
    CDSConsulta->fieldByName(QStringLiteral("VLRTOT"))->displayFormat = QStringLiteral("0.00");

    DBGrid2 = new TXRDBGrid(TabAcesso);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->SetDataSet(CDSConsulta);
    DBGrid2->ClearColumns();
    TXRColumn *sel = DBGrid2->AddColumn(QStringLiteral("SEL"), QStringLiteral("Sel."));
    sel->CheckBox = true;
    sel->ValueChecked = QStringLiteral("S");
    sel->ValueUnChecked = QStringLiteral("N");
    const struct {
        const char *campo, *titulo;
        int largura;
    } colunas[] = {
        {"NUMERO", "Pedido", 48},       {"NOMECOMPLETO", "Código e Razão Social/Nome do Cliente", 370},
        {"EMISSAO", "Emissão", 71},     {"QTDTOT", "Qtd. Peças", 68},
        {"VLRTOT", "Valor Pedido", 85}, {"VLRLIQ", "Valor Líquido", 0},
        {"STATUS", "Situação", 0},      {"SINCRONIZACAO", "Sincronização", 86},
        {"LOTE", "Lote", 54},
    };
    for (const auto &c : colunas) {
        TXRColumn *col = DBGrid2->AddColumn(QString::fromUtf8(c.campo), QString::fromUtf8(c.titulo));
        col->Width = c.largura;
        col->ReadOnly = true;
    }
    DBGrid2->LayoutChanged();
    // the widths above fit a narrower font: no title is clipped and a date
    // column shows a whole date
    QHeaderView *titulos = DBGrid2->horizontalHeader();
    const int data = DBGrid2->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 8;
    for (int i = 0; i < DBGrid2->ColumnCount(); ++i) {
        TXRColumn *col = DBGrid2->Column(i);
        if (col->CheckBox)
            continue;
        int largura = std::max(col->Width > 0 ? col->Width : titulos->defaultSectionSize(), titulos->sectionSizeHint(i));
        if (col->FieldName == QLatin1String("EMISSAO") || col->FieldName == QLatin1String("SINCRONIZACAO"))
            largura = std::max(largura, data);
        col->Width = largura;
    }
    DBGrid2->LayoutChanged();

    PMConsulta = new QMenu(DBGrid2);
    PMConsulta->setObjectName(QStringLiteral("PMConsulta"));
    FechamentodePedido1 = PMConsulta->addAction(QStringLiteral("Fechar o Pedido"));
    FechamentodePedido1->setObjectName(QStringLiteral("FechamentodePedido1"));
    FecharTodososPedidos1 = PMConsulta->addAction(QStringLiteral("Fechar Todos os Pedidos"));
    FecharTodososPedidos1->setObjectName(QStringLiteral("FecharTodososPedidos1"));
    DBGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { PMConsulta->popup(DBGrid2->viewport()->mapToGlobal(p)); });
}

QWidget *TfmPedido::CriaCabecalho()
{
    PnPedidos = new QWidget(TabManutencao);
    PnPedidos->setObjectName(QStringLiteral("PnPedidos"));
    auto *f = new QFormLayout(PnPedidos);

    EdtNumero = novaEdicao(QStringLiteral("EdtNumero"), PnPedidos, 5);
    EdtNumero->setStyleSheet(QStringLiteral("background: #d4d0c8"));
    CBFechado = new QCheckBox(QStringLiteral("Pedido Fechado"), PnPedidos);
    CBFechado->setObjectName(QStringLiteral("CBFechado"));
    CBFechado->setFocusPolicy(Qt::ClickFocus);
    auto *num = new QWidget(PnPedidos);
    auto *ln = new QHBoxLayout(num);
    ln->setContentsMargins(0, 0, 0, 0);
    ln->addWidget(EdtNumero);
    ln->addWidget(CBFechado);
    f->addRow(QStringLiteral("Número"), num);

    edtCodCliente = novaEdicao(QStringLiteral("edtCodCliente"), PnPedidos, 5);
    edtDescCliente = novaEdicao(QStringLiteral("edtDescCliente"), PnPedidos);
    PqCli = novaPesquisa(QStringLiteral("PqCli"), PnPedidos);
    f->addRow(QStringLiteral("Cliente"), linhaCodigo(edtCodCliente, PqCli, edtDescCliente, PnPedidos));
    edtCodTab = novaEdicao(QStringLiteral("edtCodTab"), PnPedidos, 10);
    edtDescTab = novaEdicao(QStringLiteral("edtDescTab"), PnPedidos);
    PqTab = novaPesquisa(QStringLiteral("PqTab"), PnPedidos);
    f->addRow(QStringLiteral("Tabela"), linhaCodigo(edtCodTab, PqTab, edtDescTab, PnPedidos));
    dtDt_Emi = novaData(QStringLiteral("dtDt_Emi"), PnPedidos);
    f->addRow(QStringLiteral("Data Emissão"), dtDt_Emi);
    edtVen_Fatura = novaData(QStringLiteral("edtVen_Fatura"), PnPedidos);
    f->addRow(QStringLiteral("Data Fatura"), edtVen_Fatura);
    EdtEntrega = novaData(QStringLiteral("EdtEntrega"), PnPedidos);
    f->addRow(QStringLiteral("Data Entrega"), EdtEntrega);
    CbCif = new QComboBox(PnPedidos);
    CbCif->setObjectName(QStringLiteral("CbCif"));
    CbCif->addItems({QStringLiteral("CIF"), QStringLiteral("FOB")});
    f->addRow(QStringLiteral("Modalidade"), CbCif);
    edtCodPrazo = novaEdicao(QStringLiteral("edtCodPrazo"), PnPedidos, 4);
    edtDescPrazo = novaEdicao(QStringLiteral("edtDescPrazo"), PnPedidos);
    PqPrazo = novaPesquisa(QStringLiteral("PqPrazo"), PnPedidos);
    f->addRow(QStringLiteral("Período Entrega"), linhaCodigo(edtCodPrazo, PqPrazo, edtDescPrazo, PnPedidos));
    edtCodCond = novaEdicao(QStringLiteral("edtCodCond"), PnPedidos, 10);
    edtDescCond = novaEdicao(QStringLiteral("edtDescCond"), PnPedidos);
    PqCondicao = novaPesquisa(QStringLiteral("PqCondicao"), PnPedidos);
    f->addRow(QStringLiteral("Condição de Pagamento"), linhaCodigo(edtCodCond, PqCondicao, edtDescCond, PnPedidos));

    auto *desc = new QWidget(PnPedidos);
    auto *ld = new QHBoxLayout(desc);
    ld->setContentsMargins(0, 0, 0, 0);
    QLineEdit **campos[] = {&edtDesc1, &edtDesc2, &edtDesc3, &edtDesc4, &EdtDesc};
    const char *nomes[] = {"edtDesc1", "edtDesc2", "edtDesc3", "edtDesc4", "EdtDesc"};
    for (int i = 0; i < 5; ++i) {
        *campos[i] = novaEdicao(QString::fromLatin1(nomes[i]), desc);
        (*campos[i])->setAlignment(Qt::AlignRight);
        ld->addWidget(*campos[i]);
    }
    EdtDesc->setEnabled(false);
    f->addRow(QStringLiteral("Desconto"), desc);
    EdtObs = new QPlainTextEdit(PnPedidos);
    EdtObs->setObjectName(QStringLiteral("EdtObs"));
    EdtObs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    EdtObs->setTabChangesFocus(true);
    EdtObs->setFixedHeight(EdtObs->fontMetrics().lineSpacing() * 3 + 12); // the item grid gets the height
    // no more than the column holds: what goes past it is cut from what was
    // just typed or pasted, before the cursor
    connect(EdtObs, &QPlainTextEdit::textChanged, this, [this] {
        const int excesso = EdtObs->document()->characterCount() - 1 - pedido::kMaxObservacao;
        if (excesso <= 0)
            return;
        QTextCursor cur = EdtObs->textCursor();
        const int fim = cur.position();
        cur.setPosition(std::max(0, fim - excesso));
        cur.setPosition(fim, QTextCursor::KeepAnchor);
        if (cur.selectedText().size() < excesso) {
            cur.setPosition(pedido::kMaxObservacao);
            cur.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        }
        cur.removeSelectedText();
    });
    f->addRow(QStringLiteral("Observação"), EdtObs);
    return PnPedidos;
}

void TfmPedido::CriaManutencao()
{
    TabManutencao = new QWidget;
    TabManutencao->setObjectName(QStringLiteral("TabManutencao"));
    PControlCliente->addTab(TabManutencao, QStringLiteral("Manutenção"));
    auto *v = new QVBoxLayout(TabManutencao);

    auto *topo = new QHBoxLayout;
    topo->addWidget(CriaCabecalho(), 1);
    auto *direita = new QTabWidget(TabManutencao);
    direita->setObjectName(QStringLiteral("PageControl1"));
    auto *info = new QWidget;
    auto *fi = new QFormLayout(info);
    const struct {
        QLineEdit **e;
        const char *nome, *rotulo;
    } infos[] = {
        {&edtSincStatus, "edtSincStatus", "Situação do Pedido"},
        {&edtSincLote, "edtSincLote", "Lote"},
        {&edtSincData, "edtSincData", "Sincronização"},
        {&edtinfCliEndereco, "edtinfCliEndereco", "Endereço"},
        {&edtInfCliNumero, "edtInfCliNumero", "Número"},
        {&edtInfCliBairro, "edtInfCliBairro", "Bairro"},
        {&edtInfCliCEP, "edtInfCliCEP", "CEP"},
        {&edtInfCliCidade, "edtInfCliCidade", "Cidade"},
        {&edtInfCliCNPJ, "edtInfCliCNPJ", "CNPJ"},
        {&edtInfCliInscEstadual, "edtInfCliInscEstadual", "Insc. Est."},
        {&edtInfCliSituacao, "edtInfCliSituacao", "Situação"},
    };
    for (const auto &i : infos) {
        *i.e = novaEdicao(QString::fromLatin1(i.nome), info);
        (*i.e)->setEnabled(false);
        fi->addRow(QString::fromUtf8(i.rotulo), *i.e);
    }
    direita->addTab(info, QStringLiteral("Informações"));
    CriaResumo(direita);
    topo->addWidget(direita, 1);
    v->addLayout(topo);

    CriaItens(v);
    auto *lt = static_cast<QHBoxLayout *>(pnTotaisPed->layout());
    const struct {
        QLineEdit **e;
        const char *nome, *rotulo;
    } totais[] = {
        {&EdtTotQtde, "EdtTotQtde", "Quantidade"},
        {&EdtVAlBruto, "EdtVAlBruto", "Valor Bruto"},
        {&EdtTotDesc, "EdtTotDesc", "Valor Desconto"},
        {&EdtTotVal, "EdtTotVal", "Valor Líquido"},
    };
    for (const auto &t : totais) {
        *t.e = novoTotal(QString::fromLatin1(t.nome), pnTotaisPed);
        lt->addWidget(new QLabel(QString::fromUtf8(t.rotulo), pnTotaisPed));
        lt->addWidget(*t.e);
    }
    v->addWidget(pnTotaisPed);

    pnConf = new QWidget(TabManutencao);
    pnConf->setObjectName(QStringLiteral("pnConf"));
    auto *lc = new QHBoxLayout(pnConf);
    BtnConfirmar = novoBotao(QStringLiteral("BtnConfirmar"), QStringLiteral("Confirmar"), pnConf);
    BtnDesistir = novoBotao(QStringLiteral("BtnDesistir"), QStringLiteral("Desistir"), pnConf);
    lc->addWidget(BtnConfirmar);
    lc->addWidget(BtnDesistir);
    lc->addWidget(new QLabel(QStringLiteral("F3 - Abrir grade para inclusão de itens."), pnConf));
    lc->addStretch();
    v->addWidget(pnConf);

    PnManBotoes = new QWidget(TabManutencao);
    PnManBotoes->setObjectName(QStringLiteral("PnManBotoes"));
    auto *lb = new QHBoxLayout(PnManBotoes);
    btnNovo = novoBotao(QStringLiteral("btnNovo"), QStringLiteral("&Incluir"), PnManBotoes);
    btnAltera = novoBotao(QStringLiteral("btnAltera"), QStringLiteral("&Alterar"), PnManBotoes);
    btnCopia = novoBotao(QStringLiteral("btnCopia"), QStringLiteral("&Duplicar"), PnManBotoes);
    btnExclui = novoBotao(QStringLiteral("btnExclui"), QStringLiteral("&Excluir"), PnManBotoes);
    btnImprime = novoBotao(QStringLiteral("btnImprime"), QStringLiteral("&Imprimir"), PnManBotoes);
    btn_Fechar = novoBotao(QStringLiteral("btn_Fechar"), QStringLiteral("&Fechar"), PnManBotoes);
    for (QPushButton *b : {btnNovo, btnAltera, btnCopia, btnExclui, btnImprime, btn_Fechar})
        lb->addWidget(b);
    lb->addStretch();
    v->addWidget(PnManBotoes);
}

void TfmPedido::Conecta()
{
    connect(btnNovo, &QPushButton::clicked, this, [this] { btnNovoClick(); });
    connect(btnAltera, &QPushButton::clicked, this, [this] { btnAlteraClick(); });
    connect(BtnDesistir, &QPushButton::clicked, this, [this] { BtnDesistirClick(); });
    connect(BtnConsultar, &QPushButton::clicked, this, [this] { BtnConsultarClick(); });
    connect(btFechar, &QPushButton::clicked, this, [this] { BtnFecharClick(); });
    connect(btn_Fechar, &QPushButton::clicked, this, [this] { BtnFecharClick(); });
    DBGrid2->OnDblClick = [this](TXRDBGrid *) { DBGrid2DblClick(); };
    connect(BtnConfirmar, &QPushButton::clicked, this, [this] { BtnConfirmarClick(); });
    connect(btnExclui, &QPushButton::clicked, this, [this] { btnExcluiClick(); });
    connect(btnCopia, &QPushButton::clicked, this, [this] { btnCopiaClick(); });
    connect(btnImprime, &QPushButton::clicked, this, [this] { btnImprimeClick(); });
    // clicked, not toggled: ticking the box from code runs no close
    connect(CBFechado, &QCheckBox::clicked, this, [this](bool marcado) { CBFechadoClick(marcado); });
    connect(FechamentodePedido1, &QAction::triggered, this, [this] { FechamentodePedido1Click(); });
    connect(FecharTodososPedidos1, &QAction::triggered, this, [this] { FecharTodososPedidos1Click(); });

    // the page stays on the order while it is being edited
    connect(PControlCliente, &QTabWidget::currentChanged, this, [this](int i) {
        if (EmEdicao() && PControlCliente->widget(i) != TabManutencao)
            PControlCliente->setCurrentWidget(TabManutencao);
        else if (m_listaVelha && PControlCliente->widget(i) == TabAcesso)
            BtnConsultarClick();
    });

    CDSConsulta->afterScroll = [this](DataSet &) { CDSConsultaAfterScroll(); };
    CDSConsulta->fieldByName(QStringLiteral("SEL"))->onValidate = [this](Field &f) {
        if (f.asString() == QLatin1String("S") &&
            CDSConsulta->fieldByName(QStringLiteral("STATUS"))->asString().toUpper() != QLatin1String("ABERTO")) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (CDSConsulta->state() == DataSet::State::Edit)
                        CDSConsulta->cancel();
                },
                Qt::QueuedConnection);
            throw EAbort();
        }
    };

    connect(edtCodCli, &QLineEdit::textChanged, this, [this](const QString &t) {
        edtDescCli->setText(
            t.trimmed().isEmpty() ? QString()
                                  : BuscaValorCampo(QStringLiteral("CLI_NOME"), QStringLiteral("CLIENTE"),
                                                    QStringLiteral("CLI_CODI"), t.trimmed())
                                        .toString());
    });
    connect(edtCodTabela, &QLineEdit::textChanged, this, [this](const QString &t) {
        edtDescTabela->setText(
            t.trimmed().isEmpty() ? QString()
                                  : BuscaValorCampo(QStringLiteral("TABP_DESCRICAO"), QStringLiteral("TABPRECO"),
                                                    QStringLiteral("TABP_REGIAO"), t.trimmed())
                                        .toString());
    });
    connect(edtCidade, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (t != t.toUpper())
            edtCidade->setText(t.toUpper());
    });

    // the change handlers of the header codes
    const std::pair<QLineEdit *, void (PedidoControlador::*)()> mudancas[] = {
        {edtCodCliente, &PedidoControlador::edtCodClienteChange},
        {edtCodTab, &PedidoControlador::edtCodTabChange},
        {edtCodCond, &PedidoControlador::edtCodCondChange},
        {edtCodPrazo, &PedidoControlador::edtCodPrazoChange},
    };
    for (const auto &[edit, regra] : mudancas) {
        connect(edit, &QLineEdit::textChanged, this, [this, regra = regra] {
            if (m_mostrando)
                return;
            Le();
            ((*m_c).*regra)();
            Mostra();
        });
    }

    for (QWidget *w : std::initializer_list<QWidget *>{EdtNumero, edtCodCliente, edtCodTab, edtCodCond, edtCodPrazo,
                                                       dtDt_Emi, edtVen_Fatura, EdtEntrega, edtDesc1, edtDesc2,
                                                       edtDesc3, edtDesc4})
        w->installEventFilter(this);

    const std::pair<TPesquisa *, Pesquisa> buscas[] = {
        {PqCli, Pesquisa::Cli}, {PqTab, Pesquisa::Tab}, {PqCondicao, Pesquisa::Condicao}, {PqPrazo, Pesquisa::Prazo}};
    for (const auto &[pq, tipo] : buscas) {
        pq->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
        pq->BuscaSQL = m_c->SqlPesquisa(tipo);
        pq->OnFechaPesquisa = [this, tipo = tipo](TPesquisa *p) { FechaBusca(tipo, p); };
    }
}

bool TfmPedido::EmEdicao() const { return PnPedidos->isEnabled() && !pnConf->isHidden(); }

void TfmPedido::FormShow()
{
    m_c->LeConfigPedido();
    ColunasItens();
    const int ordem = DMRepres ? DMRepres->sIdOrdemPedidos.toInt() : 0;
    (ordem == 1 ? RGOrdemCresc : RGOrdemDesc)->setChecked(true);
    dtDt_Emi->setDate(QDate::currentDate());
    ModoConsulta(true);
    btnAltera->setEnabled(false);
    btnExclui->setEnabled(false);
    btnNovo->setFocus();
}

void TfmPedido::FormClose(TCloseAction &action)
{
    if (m_consultando) {
        action = TCloseAction::None;
        return;
    }
    if (EmEdicao()) {
        dialogs().messageBox(QStringLiteral("Cancele a edição do Pedido antes de sair"), windowTitle(), MsgButtons::Ok,
                             MsgIcon::Information);
        action = TCloseAction::None;
        return;
    }
    if (DMRepres)
        DMRepres->sIdOrdemPedidos = QString::number(RGOrdemCresc->isChecked() ? 1 : 0);
    TfmTelaSimples::FormClose(action);
}

void TfmPedido::ModoConsulta(bool Value)
{
    PnPedidos->setEnabled(!Value);
    XRDBGrid2->SetReadOnly(Value);
    pnConf->setVisible(!Value);
    PnManBotoes->setVisible(Value);
    pnTotaisPed->setEnabled(!Value);
    LiberaMenuGrade(!Value);
}

void TfmPedido::LimpaTela()
{
    m_c->LimpaTela();
    AtualizaGrafico();
    Mostra();
    CBFechado->setChecked(false);
    CBFechado->setEnabled(true);
    if (btnNovo->isVisible() && btnNovo->isEnabled())
        btnNovo->setFocus();
}

void TfmPedido::btnNovoClick()
{
    if (!m_c->Incluir())
        return;
    ModoConsulta(false);
    LimpaTela();
    m_c->emissao = QDate::currentDate();
    Mostra();
    EdtNumero->setEnabled(true);
    EdtNumero->setFocus();
    XRDBGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);
    XRDBGrid2->addActions(PMGrade->actions());
}

void TfmPedido::btnAlteraClick()
{
    ModoConsulta(false);
    EdtNumero->setEnabled(false);
    XRDBGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);
    XRDBGrid2->addActions(PMGrade->actions());
    MontaTotalItem();
}

void TfmPedido::BtnDesistirClick()
{
    if (dialogs().messageBox(QStringLiteral("Deseja realmente cancelar o pedido?"), windowTitle(), MsgButtons::YesNo,
                             MsgIcon::Question, 2) != MsgResult::Yes)
        return;
    LimpaTela();
    btnAltera->setEnabled(false);
    EdtNumero->setEnabled(true);
    ModoConsulta(true);
    XRDBGrid2->setContextMenuPolicy(Qt::NoContextMenu);
    for (QAction *a : PMGrade->actions())
        XRDBGrid2->removeAction(a);
}

// A scan of every product: asked once the window shows, while the user looks
// at it, not before it opens, and not while the list the user waits for is
// being read.
void TfmPedido::PerguntaLinhaCedo()
{
    if (m_consultando)
        return; // asked again when the list is in
    try {
        m_c->TemLinha();
    } catch (const std::exception &) {
        // asked again where it is needed, and reported there
    }
}

void TfmPedido::AtualizaListaQuandoVisivel()
{
    if (PControlCliente->currentWidget() == TabAcesso)
        BtnConsultarClick();
    else
        m_listaVelha = true;
}

void TfmPedido::BtnConsultarClick()
{
    if (m_consultando)
        return;
    m_listaVelha = false;
    double qtde = 0, total = 0, liquido = 0;
    CDSConsulta->emptyTable();
    TXRQuery q;
    q.SetDatabase(DMRepres->XRDtRepres);
    q.SQL().SetText(SqlConsultaPedidos(edtCodCli->text().trimmed(), edtCodTabela->text().trimmed(),
                                       EdtNum->text().trimmed(), EdtCnpj->text().trimmed(),
                                       edtCidade->text().trimmed(), CBStatus->isChecked(), EdtEmiIni->date(),
                                       EdtEmiFim->date(), RGOrdemCresc->isChecked()));
    {
        // a long list keeps the window painting; nothing here closes it meanwhile
        m_consultando = true;
        const auto fim = qScopeGuard([this] { m_consultando = false; });
        q.AbreSemTravar();
    }

    Field *sel = CDSConsulta->fieldByName(QStringLiteral("SEL"));
    auto validacao = std::move(sel->onValidate);
    auto rolagem = std::move(CDSConsulta->afterScroll);
    sel->onValidate = nullptr;
    CDSConsulta->afterScroll = nullptr;
    CDSConsulta->disableControls();
    // the columns are matched once per query, and the rows built apart and
    // handed over at once: no edit buffer and no placing per row
    const std::vector<FieldDef> &defs = CDSConsulta->fieldDefs();
    std::vector<std::pair<size_t, int>> copia; // this list's column, the query's
    for (size_t i = 0; i < defs.size(); ++i) {
        const int origem = q.fieldIndex(defs[i].name);
        if (origem >= 0)
            copia.emplace_back(i, origem);
    }
    auto coluna = [this](const char *nome) { return size_t(CDSConsulta->fieldIndex(QLatin1String(nome))); };
    const size_t colSel = coluna("SEL"), colSinc = coluna("SINCRONIZACAO"), colVlrTot = coluna("VLRTOT"),
                 colQtdTot = coluna("QTDTOT"), colVlrLiq = coluna("VLRLIQ");
    const QVariant nao = coerceToFieldType(QStringLiteral("N"), defs[colSel].type);
    auto real = [](const QVariant &v) { return v.isNull() ? 0.0 : v.toDouble(); };
    std::vector<Row> linhas;
    linhas.reserve(size_t(q.recordCount()));
    for (int k = 0; k < q.recordCount(); ++k) {
        const Row &origem = q.rowAt(k);
        Row r(defs.size());
        for (const auto &[destino, de] : copia)
            r[destino] = coerceToFieldType(origem[size_t(de)], defs[destino].type);
        r[colSel] = nao;
        if (!r[colSinc].isNull() && r[colSinc].toDate() <= QDate(1899, 12, 30))
            r[colSinc] = QVariant();
        total += real(r[colVlrTot]);
        qtde += real(r[colQtdTot]);
        liquido += real(r[colVlrLiq]);
        linhas.push_back(std::move(r));
    }
    CDSConsulta->setRows(std::move(linhas));
    CDSConsulta->enableControls();
    sel->onValidate = std::move(validacao);
    CDSConsulta->afterScroll = std::move(rolagem);
    CDSConsulta->first();
    edtQtdeTotPed->setText(fmt::formatFloat(kFormatoTotal, qtde));
    edtValorTotPed->setText(fmt::formatFloat(kFormatoTotal, total));
    edtValorLiqPed->setText(fmt::formatFloat(kFormatoTotal, liquido));
    CDSConsultaAfterScroll();
    if (!m_c->FbLinha)
        QTimer::singleShot(0, this, [this] { PerguntaLinhaCedo(); });
}

void TfmPedido::CDSConsultaAfterScroll()
{
    const bool aberto = !CDSConsulta->isEmpty() &&
                        CDSConsulta->fieldByName(QStringLiteral("STATUS"))->asString().toUpper() == QLatin1String("ABERTO");
    FechamentodePedido1->setVisible(aberto);
}

void TfmPedido::DBGrid2DblClick()
{
    if (CDSConsulta->isEmpty())
        return;
    EdtNumero->setText(CDSConsulta->fieldByName(QStringLiteral("NUMERO"))->asString());
    BuscaPedidos(true);
    btnAltera->setEnabled(!m_c->FbFechado);
    btnExclui->setEnabled(!m_c->FbEnviado);
}

void TfmPedido::BtnConfirmarClick()
{
    Le();
    GravacaoPedido g(*m_c, *DMRepres);
    g.fechado = CBFechado->isChecked();
    const bool ok = g.Confirmar();
    if (ok) {
        const QString numero = m_c->numero;
        EdtNumero->setEnabled(true);
        LimpaTela();
        ModoConsulta(true);
        btnNovo->setFocus();
        // the list of every order is re-read when it is looked at, not on
        // each save of an order
        AtualizaListaQuandoVisivel();
        if (!numero.trimmed().isEmpty()) {
            Le();
            m_c->numero = numero;
            m_c->EdtNumeroExit();
            Mostra();
            MostraCarregado(false);
            btnAltera->setEnabled(!m_c->FbFechado);
            btnExclui->setEnabled(!m_c->FbEnviado);
        }
    } else {
        Mostra();
        FocaPedido();
    }
    XRDBGrid2->setContextMenuPolicy(Qt::NoContextMenu);
    for (QAction *a : PMGrade->actions())
        XRDBGrid2->removeAction(a);
}

void TfmPedido::CBFechadoClick(bool marcado)
{
    if (!marcado || m_c->FbFechado)
        return;
    Le();
    GravacaoPedido g(*m_c, *DMRepres);
    if (!g.FechaPedido()) {
        Mostra();
        CBFechado->setChecked(false);
        FocaPedido();
        return;
    }
    // no order is loaded any more: nothing to change or delete
    LimpaTela();
    ModoConsulta(true);
    btnAltera->setEnabled(false);
    btnExclui->setEnabled(false);
    EdtNumero->setEnabled(true);
    XRDBGrid2->setContextMenuPolicy(Qt::NoContextMenu);
    for (QAction *a : PMGrade->actions())
        XRDBGrid2->removeAction(a);
    btnNovo->setFocus();
    BtnConsultarClick();
}

void TfmPedido::FechamentodePedido1Click()
{
    if (CDSConsulta->isEmpty())
        return;
    Le();
    GravacaoPedido g(*m_c, *DMRepres);
    const QString numero = CDSConsulta->fieldByName(QStringLiteral("NUMERO"))->asString();
    const QString cliente = CDSConsulta->fieldByName(QStringLiteral("CODIGO_CLI"))->asString();
    const bool ok = g.FechaPedidoLista(numero, cliente);
    Mostra();
    CBFechado->setChecked(ok);
    // the order shown is closed now: nothing in it may change
    if (ok) {
        CBFechado->setEnabled(false);
        btnAltera->setEnabled(false);
    }
    if (ok) {
        const int pos = CDSConsulta->recNo();
        BtnConsultarClick();
        if (pos > 0 && pos <= CDSConsulta->recordCount())
            CDSConsulta->setRecNo(pos);
    }
}

void TfmPedido::FecharTodososPedidos1Click()
{
    Le();
    GravacaoPedido g(*m_c, *DMRepres);
    bool atualiza = false;
    {
        // the handler comes back whatever happens on the way
        auto rolagem = std::move(CDSConsulta->afterScroll);
        CDSConsulta->afterScroll = nullptr;
        struct Volta {
            DataSet *ds;
            std::function<void(DataSet &)> &f;
            ~Volta() { ds->afterScroll = std::move(f); }
        } volta{CDSConsulta, rolagem};
        atualiza = g.FechaTodos(*CDSConsulta);
    }
    Mostra();
    CBFechado->setChecked(false);
    if (m_c->FbFechado)
        btnAltera->setEnabled(false);
    if (atualiza)
        BtnConsultarClick();
}

void TfmPedido::btnExcluiClick()
{
    Le();
    GravacaoPedido g(*m_c, *DMRepres);
    if (!g.ExcluiPedido())
        return;
    btnAltera->setEnabled(false);
    btnExclui->setEnabled(false);
    LimpaTela();
    BtnConsultarClick();
}

void TfmPedido::BuscaPedidos(bool pbMostraTela)
{
    Le();
    const bool achou = m_c->BuscaPedidos();
    Mostra();
    if (achou)
        MostraCarregado(pbMostraTela);
}

void TfmPedido::MostraCarregado(bool pbMostraTela)
{
    CBFechado->setChecked(m_c->FbFechado);
    CBFechado->setEnabled(!m_c->FbFechado);
    if (!pbMostraTela)
        return;
    PControlCliente->setCurrentWidget(TabManutencao);
    if (m_c->FbFechado) {
        ModoConsulta(true);
        btnAltera->setEnabled(false);
    }
    if (m_c->FbEnviado)
        btnExclui->setEnabled(false);
}

void TfmPedido::CarregaItens(DataSet &query)
{
    m_itens->CarregaItens(query);
}

void TfmPedido::Le()
{
    PedidoControlador &c = *m_c;
    c.numero = EdtNumero->text();
    c.cliente = edtCodCliente->text();
    c.tabela = edtCodTab->text();
    c.condicao = edtCodCond->text();
    c.prazo = edtCodPrazo->text();
    c.emissao = dtDt_Emi->date();
    c.fatura = edtVen_Fatura->date();
    c.entrega = EdtEntrega->date();
    c.cif = CbCif->currentIndex();
    c.obs = EdtObs->toPlainText();
    c.descontos.campos = {edtDesc1->text(), edtDesc2->text(), edtDesc3->text(), edtDesc4->text()};
}

void TfmPedido::Mostra()
{
    const bool antes = m_mostrando;
    m_mostrando = true;
    const PedidoControlador &c = *m_c;
    poe(EdtNumero, c.numero);
    poe(edtCodCliente, c.cliente);
    poe(edtDescCliente, c.descCliente);
    poe(edtCodTab, c.tabela);
    poe(edtDescTab, c.descTabela);
    poe(edtCodCond, c.condicao);
    poe(edtDescCond, c.descCondicao);
    poe(edtCodPrazo, c.prazo);
    poe(edtDescPrazo, c.descPrazo);
    poe(dtDt_Emi, c.emissao);
    poe(edtVen_Fatura, c.fatura);
    poe(EdtEntrega, c.entrega);
    CbCif->setCurrentIndex(c.cif >= 0 && c.cif < CbCif->count() ? c.cif : 0);
    if (EdtObs->toPlainText() != c.obs)
        EdtObs->setPlainText(c.obs);
    QLineEdit *desc[] = {edtDesc1, edtDesc2, edtDesc3, edtDesc4};
    for (size_t i = 0; i < 4; ++i)
        poe(desc[i], c.descontos.campos[i]);
    poe(EdtDesc, fmt::formatFloat(QStringLiteral(",0.00"), c.descontos.unificado));
    poe(edtinfCliEndereco, c.infEndereco);
    poe(edtInfCliNumero, c.infNumero);
    poe(edtInfCliBairro, c.infBairro);
    poe(edtInfCliCEP, c.infCEP);
    poe(edtInfCliCidade, c.infCidade);
    poe(edtInfCliCNPJ, c.infCNPJ);
    poe(edtInfCliInscEstadual, c.infInscEst);
    poe(edtInfCliSituacao, c.infSituacao);
    poe(edtSincStatus, c.statusPedido);
    poe(edtSincLote, c.lotePedido);
    poe(edtSincData, c.sincronizacao.isValid() ? fmt::formatDate(c.sincronizacao) : QString());
    PqCondicao->BuscaSQL = c.SqlPesquisa(Pesquisa::Condicao);
    MostraTotais();
    m_mostrando = antes;
}

void TfmPedido::MostraTotais()
{
    const TotaisPedido &t = m_c->totais;
    EdtTotQtde->setText(fmt::formatFloat(kFormatoTotal, t.qtde));
    EdtVAlBruto->setText(fmt::formatFloat(kFormatoTotal, t.bruto));
    EdtTotDesc->setText(fmt::formatFloat(kFormatoTotal, t.desconto));
    EdtTotVal->setText(fmt::formatFloat(kFormatoTotal, t.liquido));
}

void TfmPedido::FocaPedido()
{
    const QString nome = m_c->foco;
    if (nome.isEmpty())
        return;
    // after the focus change under way has finished
    QMetaObject::invokeMethod(
        this,
        [this, nome] {
            if (QWidget *w = findChild<QWidget *>(nome))
                w->setFocus();
        },
        Qt::QueuedConnection);
}

bool TfmPedido::eventFilter(QObject *obj, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (obj == edtCodCliente)
            m_c->bFocoCli = true;
        else if (obj == edtCodCond)
            m_c->bFocoCond = true;
        else if (obj == edtCodPrazo)
            m_c->bFocoPrz = true;
    } else if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason r = static_cast<QFocusEvent *>(event)->reason();
        // a message box or pop-up taking the focus is not leaving the field
        if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason && !m_mostrando && EmEdicao())
            SaiCampo(obj);
    }
    return TfmTelaSimples::eventFilter(obj, event);
}

void TfmPedido::SaiCampo(QObject *campo)
{
    const bool desistindo = QApplication::focusWidget() == BtnDesistir;
    PedidoControlador &c = *m_c;
    Le();
    m_mostrando = true; // no exit runs while a rule shows its messages
    if (campo == EdtNumero) {
        c.EdtNumeroExit();
    } else if (campo == edtCodCliente) {
        if (!desistindo)
            c.edtCodClienteExit();
    } else if (campo == edtCodTab) {
        if (!desistindo)
            c.edtCodTabExit();
    } else if (campo == edtCodCond) {
        if (!desistindo)
            c.edtCodCondExit();
    } else if (campo == edtCodPrazo) {
        if (!desistindo)
            c.edtCodPrazoExit();
    } else if (campo == dtDt_Emi) {
        c.foco.clear();
        c.dtDt_EmiExit();
    } else if (campo == edtVen_Fatura) {
        c.edtVen_FaturaExit();
    } else if (campo == EdtEntrega) {
        c.EdtEntregaExit();
    } else {
        QLineEdit *desc[] = {edtDesc1, edtDesc2, edtDesc3, edtDesc4};
        for (int i = 0; i < 4; ++i) {
            if (campo != desc[i])
                continue;
            const ResultadoDesconto r = c.SaiDesconto(QString::number(i + 1));
            using Foco = ResultadoDesconto::Foco;
            c.foco = r.foco == Foco::Condicao ? QStringLiteral("edtCodCond")
                     : r.foco == Foco::Campo  ? QStringLiteral("edtDesc%1").arg(r.campo)
                     : r.foco == Foco::Unificado ? QStringLiteral("EdtDesc")
                                                 : QString();
        }
    }
    m_mostrando = false;
    Mostra();
    if (campo == EdtNumero && c.bData)
        MostraCarregado(true);
    FocaPedido();
}

QString TfmPedido::AbreBusca(Pesquisa p)
{
    TPesquisa *pq = p == Pesquisa::Cli ? PqCli : p == Pesquisa::Tab ? PqTab : p == Pesquisa::Condicao ? PqCondicao : PqPrazo;
    pq->BuscaSQL = m_c->SqlPesquisa(p);
    m_escolha.clear();
    m_buscando = true;
    pq->AbrePesquisa();
    m_buscando = false;
    return m_escolha;
}

void TfmPedido::FechaBusca(Pesquisa p, TPesquisa *pq)
{
    const QString coluna = p == Pesquisa::Cli        ? QStringLiteral("CLI_CODI")
                           : p == Pesquisa::Tab      ? QStringLiteral("TABP_REGIAO")
                           : p == Pesquisa::Condicao ? QStringLiteral("COND_CODCOND")
                                                     : QStringLiteral("TABP_PRAZO");
    const QString valor = pq->RetornoPesquisa(coluna).toString();
    if (m_buscando) {
        m_escolha = valor; // the exit that opened it goes on with the value
        return;
    }
    QLineEdit *campo = p == Pesquisa::Cli ? edtCodCliente : p == Pesquisa::Tab ? edtCodTab : p == Pesquisa::Condicao ? edtCodCond : edtCodPrazo;
    campo->setText(valor);
    const bool foco = p == Pesquisa::Cli ? m_c->bFocoCli : p == Pesquisa::Condicao ? m_c->bFocoCond : true;
    if (!foco)
        SaiCampo(campo);
}

void TfmPedido::btnCopiaClick()
{
    if (m_c->NrConfiguracao < 0) {
        pedido::aviso(QStringLiteral("A carga de dados está incompleta. Favor baixar a carga novamente para continuar."));
        return;
    }
    if (!DMRepres)
        return;
    QPointer<TfmCopiaPedido> copia = new TfmCopiaPedido(this, *DMRepres, EdtNumero->text().trimmed(),
                                                        edtCodCliente->text(), edtDescCliente->text());
    TfmCopiaPedido::ExibeModal(*copia);
    delete copia.data();
}

void RegistraJanelaPedido()
{
    RegisterClass(QStringLiteral("TfmPedido"), [](QWidget *dono) { return new TfmPedido(dono); });
    InstalaGradeItem();
}
