#include "windows/pedido/untGradeItem.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kCorBotao(0xd4, 0xd0, 0xc8);
constexpr int kPrimeiroTam = 2; // Sel, colour, then the sizes

QString numero(const QString &mascara, double v) { return fmt::formatFloat(mascara, v); }

// Tab in a cell being typed: the value is kept and the window decides where
// the cursor goes; the view would otherwise just step to the next column.
class DelegadoTab : public QStyledItemDelegate {
public:
    DelegadoTab(std::function<bool()> aoTab, QObject *pai)
        : QStyledItemDelegate(pai)
        , m_aoTab(std::move(aoTab))
    {
    }

protected:
    bool eventFilter(QObject *obj, QEvent *event) override
    {
        auto *editor = qobject_cast<QWidget *>(obj);
        if (editor && event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Tab
            && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            if (m_aoTab())
                return true;
            // not the last size column: the ordinary step to the next cell
            if (auto *t = qobject_cast<QTableWidget *>(parent())) {
                const int c = t->currentColumn() + 1;
                if (c < t->columnCount())
                    t->setCurrentCell(t->currentRow(), c);
            }
            return true;
        }
        return QStyledItemDelegate::eventFilter(obj, event);
    }

private:
    std::function<bool()> m_aoTab;
};

} // namespace

TfmGradeItem::TfmGradeItem(TfmPedido &pedido, const EntregaGradeItem &dados, QWidget *dono)
    : QDialog(dono), m_pedido(pedido), m_g(std::make_unique<GradeItem>(pedido.Pedido(), *DMRepres))
{
    setObjectName(QStringLiteral("fmGradeItem"));
    setWindowTitle(QStringLiteral("Grade Itens"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    m_g->FCodigo = dados.FCodigo;
    m_g->FColecao = dados.FColecao;
    m_g->FNumeroPedido = dados.FNumeroPedido;
    m_g->FTabelaPreco = dados.FTabelaPreco;
    m_g->FDtEntrega = dados.FDtEntrega;
    m_g->dataEntregaMostrada = dados.FDtEntrega; // shown, so an untouched confirm keeps it
    m_g->FQtdeMaxGrade = dados.FQtdeMaxGrade;
    if (dados.CDSProdutos)
        m_g->CDSProdutos.copyRowsFrom(*dados.CDSProdutos);
    cria();
    conecta();
    if (!m_g->FCodigo.trimmed().isEmpty())
        m_g->CarregaProduto();
    mostraGrade();
    edtCodigo->setFocus();
}

TfmGradeItem::~TfmGradeItem() = default;

void TfmGradeItem::cria()
{
    auto *v = new QVBoxLayout(this);
    auto *topo = new QHBoxLayout;
    topo->addWidget(new QLabel(QStringLiteral("Código"), this));
    edtCodigo = new QLineEdit(this);
    edtCodigo->setObjectName(QStringLiteral("edtCodigo"));
    edtCodigo->setText(m_g->FCodigo);
    topo->addWidget(edtCodigo);
    PqProduto = new QPushButton(QStringLiteral("..."), this);
    PqProduto->setObjectName(QStringLiteral("PqProduto"));
    PqProduto->setFocusPolicy(Qt::NoFocus);
    topo->addWidget(PqProduto);
    edtDescricao = new QLineEdit(this);
    edtDescricao->setObjectName(QStringLiteral("edtDescricao"));
    edtDescricao->setEnabled(false);
    topo->addWidget(edtDescricao, 1);
    topo->addWidget(new QLabel(QStringLiteral("Data Entrega"), this));
    EdtEntrega = new QDateEdit(this);
    EdtEntrega->setObjectName(QStringLiteral("EdtEntrega"));
    EdtEntrega->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    EdtEntrega->setSpecialValueText(QStringLiteral(" "));
    EdtEntrega->setMinimumDate(QDate(1899, 12, 30));
    topo->addWidget(EdtEntrega);
    v->addLayout(topo);

    auto *grupo = new QGroupBox(QStringLiteral("Quantidade Cor/Tamanho"), this);
    auto *lg = new QVBoxLayout(grupo);
    DBGrid1CorTam = new QTableWidget(grupo);
    DBGrid1CorTam->setObjectName(QStringLiteral("DBGrid1CorTam"));
    DBGrid1CorTam->verticalHeader()->hide();
    DBGrid1CorTam->setContextMenuPolicy(Qt::ActionsContextMenu);
    DBGrid1CorTam->installEventFilter(this);
    DBGrid1CorTam->setItemDelegate(new DelegadoTab([this] { return tabNaGrade(); }, DBGrid1CorTam));
    lg->addWidget(DBGrid1CorTam);
    v->addWidget(grupo, 1);
    PMGridCor = new QMenu(DBGrid1CorTam);
    Sortir1 = PMGridCor->addAction(QStringLiteral("Sortir"));
    Sortir1->setObjectName(QStringLiteral("Sortir1"));
    SortirProporcoes = PMGridCor->addAction(QStringLiteral("Sortimento Proporcional"));
    SortirProporcoes->setObjectName(QStringLiteral("SortirProporcoes"));
    DBGrid1CorTam->addActions(PMGridCor->actions());

    spSkinDBGrid1 = new TXRDBGrid(this);
    spSkinDBGrid1->setObjectName(QStringLiteral("spSkinDBGrid1"));
    spSkinDBGrid1->SetDataSet(&m_g->TbItens);
    const struct {
        const char *campo, *titulo;
        int largura;
    } colunas[] = {{"Codigo", "Código", 90}, {"Descricao", "Descrição", 260}, {"Cor", "Cor", 50},
                   {"DsCor", "Desc. Cor", 121}, {"Tam", "Tam.", 32},       {"Qtde", "Qtde", 76},
                   {"Preco", "Preço", 76},      {"Valor", "Valor", 76},     {"QtdeEst", "Qtde Estoque", 76}};
    const bool digPreco = m_pedido.Pedido().precos.digPreco;
    for (const auto &c : colunas) {
        TXRColumn *col = spSkinDBGrid1->AddColumn(QLatin1String(c.campo), QString::fromUtf8(c.titulo));
        col->Width = c.largura;
        const bool livre = QLatin1String(c.campo) == QLatin1String("Preco") && digPreco;
        col->ReadOnly = !livre;
        col->Color = livre ? QColor(Qt::white) : kCorBotao;
    }
    spSkinDBGrid1->LayoutChanged();
    spSkinDBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    PMGridItens = new QMenu(spSkinDBGrid1);
    AplicarTodos = PMGridItens->addAction(QStringLiteral("Aplicar para todos"));
    AplicarTodos->setObjectName(QStringLiteral("AplicarTodos"));
    spSkinDBGrid1->addActions(PMGridItens->actions());
    v->addWidget(spSkinDBGrid1, 1);

    auto *base = new QHBoxLayout;
    base->addWidget(new QLabel(QStringLiteral("Valor Unitário"), this));
    cbPrecos = new QComboBox(this);
    cbPrecos->setObjectName(QStringLiteral("cbPrecos"));
    base->addWidget(cbPrecos);
    base->addWidget(new QLabel(QStringLiteral("Quantidade"), this));
    EdtQtdItem = new QLineEdit(this);
    EdtQtdItem->setObjectName(QStringLiteral("EdtQtdItem"));
    EdtQtdItem->setReadOnly(true);
    base->addWidget(EdtQtdItem);
    base->addWidget(new QLabel(QStringLiteral("Valor Total"), this));
    EdtTotValor = new QLineEdit(this);
    EdtTotValor->setObjectName(QStringLiteral("EdtTotValor"));
    EdtTotValor->setReadOnly(true);
    base->addWidget(EdtTotValor);
    base->addStretch();
    btnConfirmar = new QPushButton(QStringLiteral("Confirmar"), this);
    btnConfirmar->setObjectName(QStringLiteral("btnConfirmar"));
    btnConfirmar->setAutoDefault(false);
    BtnFechar = new QPushButton(QStringLiteral("&Fechar"), this);
    BtnFechar->setObjectName(QStringLiteral("BtnFechar"));
    BtnFechar->setAutoDefault(false);
    base->addWidget(btnConfirmar);
    base->addWidget(BtnFechar);
    v->addLayout(base);
    resize(820, 560);
}

void TfmGradeItem::conecta()
{
    connect(edtCodigo, &QLineEdit::textChanged, this, [this] { edtCodigoChange(); });
    connect(edtCodigo, &QLineEdit::editingFinished, this, [this] { edtCodigoExit(); });
    connect(EdtEntrega, &QDateEdit::editingFinished, this, [this] { EdtEntregaExit(); });
    connect(btnConfirmar, &QPushButton::clicked, this, [this] { btnConfirmarClick(); });
    connect(BtnFechar, &QPushButton::clicked, this, [this] { BtnFecharClick(); });
    connect(PqProduto, &QPushButton::clicked, this, [this] { PqProdutoClick(); });
    connect(Sortir1, &QAction::triggered, this, [this] { Sortir1Click(); });
    connect(SortirProporcoes, &QAction::triggered, this, [this] { SortirProporcoesClick(); });
    connect(AplicarTodos, &QAction::triggered, this, [this] { AplicarTodosClick(); });
    connect(DBGrid1CorTam, &QTableWidget::cellChanged, this, [this](int l, int c) { celulaMudou(l, c); });
    connect(DBGrid1CorTam, &QTableWidget::currentCellChanged, this, [this](int, int c) {
        if (c >= kPrimeiroTam && c - kPrimeiroTam < m_g->tamanhos.size()) {
            m_g->SelecionaPrecoTamanho(m_g->tamanhos[c - kPrimeiroTam]);
            m_mostrando = true;
            cbPrecos->setCurrentIndex(m_g->faixaAtual);
            m_mostrando = false;
        }
    });
    connect(cbPrecos, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!m_mostrando)
            m_g->faixaAtual = i;
    });
    spSkinDBGrid1->OnKeyDown = [this](TXRDBGrid *, int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Escape || key == Qt::Key_Delete) {
            key = 0;
            return;
        }
        const TXRColumn *col = spSkinDBGrid1->ColunaSelecionada();
        if (col && col->FieldName == QLatin1String("Preco") && key == Qt::Key_Tab) {
            m_g->SaiPreco();
            mostraTotais();
        }
    };
    AplicarTodos->setEnabled(m_g->PodeAplicarTodos());
}

void TfmGradeItem::mostraGrade()
{
    m_mostrando = true;
    edtDescricao->setText(m_g->descricao);
    if (m_g->dataEntregaMostrada.isValid())
        EdtEntrega->setDate(m_g->dataEntregaMostrada);
    else
        EdtEntrega->setDate(EdtEntrega->minimumDate());
    QStringList titulos{QString(), QStringLiteral("Cor")};
    titulos << m_g->tamanhos << QStringLiteral("TOTAL");
    DBGrid1CorTam->clear();
    DBGrid1CorTam->setColumnCount(m_g->linhas.empty() ? 0 : int(titulos.size()));
    DBGrid1CorTam->setRowCount(int(m_g->linhas.size()));
    if (!m_g->linhas.empty()) {
        DBGrid1CorTam->setHorizontalHeaderLabels(titulos);
        DBGrid1CorTam->setColumnWidth(0, 22);
        DBGrid1CorTam->setColumnWidth(1, 200);
    }
    for (int r = 0; r < int(m_g->linhas.size()); ++r) {
        const GradeItem::LinhaCor &l = m_g->linhas[size_t(r)];
        const bool total = l.cdCor == QLatin1String("-999");
        auto *sel = new QTableWidgetItem;
        sel->setFlags(total ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        if (!total)
            sel->setCheckState(l.sel == QLatin1String("S") ? Qt::Checked : Qt::Unchecked);
        DBGrid1CorTam->setItem(r, 0, sel);
        auto *cor = new QTableWidgetItem(l.dsCor);
        cor->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        DBGrid1CorTam->setItem(r, 1, cor);
        for (int t = 0; t < m_g->tamanhos.size(); ++t) {
            auto *it = new QTableWidgetItem(l.celulas[t]);
            it->setTextAlignment(Qt::AlignCenter);
            const bool esgotado = l.celulas[t] == QLatin1String("Esgotado");
            it->setFlags(total || esgotado ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                           : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            if (total)
                it->setBackground(kCorBotao);
            DBGrid1CorTam->setItem(r, kPrimeiroTam + t, it);
            DBGrid1CorTam->setColumnWidth(kPrimeiroTam + t, 48);
        }
        auto *tot = new QTableWidgetItem(fmt::floatToStr(l.total));
        tot->setTextAlignment(Qt::AlignCenter);
        tot->setFlags(Qt::ItemIsEnabled);
        tot->setBackground(kCorBotao);
        DBGrid1CorTam->setItem(r, kPrimeiroTam + int(m_g->tamanhos.size()), tot);
    }
    cbPrecos->clear();
    for (int i = 0; i < int(m_g->CDSPrecos.size()); ++i)
        cbPrecos->addItem(m_g->textoCombo(i));
    cbPrecos->setCurrentIndex(m_g->faixaAtual);
    m_mostrando = false;
    mostraTotais();
}

void TfmGradeItem::mostraTotais()
{
    EdtQtdItem->setText(numero(QStringLiteral("0.00"), m_g->qtdItem));
    EdtTotValor->setText(numero(QStringLiteral("0.00"), m_g->totValor));
    AplicarTodos->setEnabled(m_g->PodeAplicarTodos());
    spSkinDBGrid1->viewport()->update();
}

void TfmGradeItem::celulaMudou(int linha, int coluna)
{
    if (m_mostrando)
        return;
    if (coluna == 0) {
        if (QTableWidgetItem *it = DBGrid1CorTam->item(linha, 0); it && linha < int(m_g->linhas.size()))
            m_g->linhas[size_t(linha)].sel = it->checkState() == Qt::Checked ? QStringLiteral("S") : QStringLiteral("N");
        return;
    }
    const int t = coluna - kPrimeiroTam;
    if (t < 0 || t >= m_g->tamanhos.size())
        return;
    m_g->ValidaQuantidadeCelula(linha, t, DBGrid1CorTam->item(linha, coluna)->text());
    atualizaCelulas();
}

// The cells' texts from the rules, the items kept: this runs inside the
// change signal of one of them.
void TfmGradeItem::atualizaCelulas()
{
    m_mostrando = true;
    const int colTotal = kPrimeiroTam + int(m_g->tamanhos.size());
    for (int r = 0; r < int(m_g->linhas.size()) && r < DBGrid1CorTam->rowCount(); ++r) {
        const GradeItem::LinhaCor &l = m_g->linhas[size_t(r)];
        for (int t = 0; t < m_g->tamanhos.size(); ++t)
            if (QTableWidgetItem *it = DBGrid1CorTam->item(r, kPrimeiroTam + t))
                it->setText(l.celulas[t]);
        if (QTableWidgetItem *it = DBGrid1CorTam->item(r, colTotal))
            it->setText(fmt::floatToStr(l.total));
        if (QTableWidgetItem *it = DBGrid1CorTam->item(r, 0); it && l.cdCor != QLatin1String("-999"))
            it->setCheckState(l.sel == QLatin1String("S") ? Qt::Checked : Qt::Unchecked);
    }
    m_mostrando = false;
    mostraTotais();
}

bool TfmGradeItem::tabNaGrade()
{
    const int ultimoTam = kPrimeiroTam + int(m_g->tamanhos.size()) - 1;
    if (m_g->tamanhos.isEmpty() || DBGrid1CorTam->currentColumn() != ultimoTam)
        return false;
    const int cores = int(m_g->linhas.size()) - (m_g->temTotal() ? 1 : 0);
    for (int r = DBGrid1CorTam->currentRow() + 1; r < cores; ++r)
        for (int c = kPrimeiroTam; c <= ultimoTam; ++c)
            if (const QTableWidgetItem *it = DBGrid1CorTam->item(r, c); it && (it->flags() & Qt::ItemIsEditable)) {
                DBGrid1CorTam->setCurrentCell(r, c);
                return true;
            }
    btnConfirmar->setFocus(Qt::TabFocusReason);
    return true;
}

bool TfmGradeItem::eventFilter(QObject *obj, QEvent *event)
{
    if (obj == DBGrid1CorTam && event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        QTableWidgetItem *it = DBGrid1CorTam->currentItem();
        if (k->key() == Qt::Key_Escape) {
            btnConfirmar->setFocus();
            return true;
        }
        if (k->key() == Qt::Key_Delete)
            return true;
        if (k->key() == Qt::Key_Tab && k->modifiers() == Qt::NoModifier && tabNaGrade())
            return true;
        if (it && it->text() == QLatin1String("Esgotado") && !k->text().isEmpty()) {
            pedido::aviso(QStringLiteral("Item Esgotado, não pode receber quantidades"));
            return true;
        }
    }
    return QDialog::eventFilter(obj, event);
}

void TfmGradeItem::edtCodigoChange()
{
    const QVariant d = BuscaValorCampo(QStringLiteral("PROD_DESC"), QStringLiteral("PRODUTO"),
                                       QStringLiteral("PROD_CODI"), edtCodigo->text());
    edtDescricao->setText(d.toString());
}

void TfmGradeItem::edtCodigoExit()
{
    if (BtnFechar->hasFocus() || edtCodigo->text().trimmed().isEmpty() || edtCodigo->text() == m_g->FCodigo)
        return;
    if (!m_g->SaiCodigo(edtCodigo->text())) {
        edtCodigo->setFocus();
        return;
    }
    edtCodigo->setText(m_g->FCodigo);
    mostraGrade();
    DBGrid1CorTam->setFocus();
    if (DBGrid1CorTam->columnCount() > kPrimeiroTam)
        DBGrid1CorTam->setCurrentCell(0, kPrimeiroTam);
}

void TfmGradeItem::PqProdutoClick()
{
    auto *pq = new TPesquisa(this);
    pq->hide();
    pq->setObjectName(QStringLiteral("PqProdutoPesquisa"));
    pq->BaseDados = DMRepres->XRDtRepres;
    pq->BuscaSQL = QStringList{SqlProdutoTabela(QString(), m_g->FTabelaPreco)};
    pq->OnFechaPesquisa = [this](TPesquisa *p) {
        edtCodigo->setText(p->RetornoPesquisa(QStringLiteral("PROD_CODI")).toString());
        edtCodigo->setFocus();
    };
    pq->AbrePesquisa();
    delete pq;
}

void TfmGradeItem::EdtEntregaExit()
{
    const QDate d = EdtEntrega->date() == EdtEntrega->minimumDate() ? QDate() : EdtEntrega->date();
    if (!m_g->EdtEntregaExit(d)) {
        m_mostrando = true;
        EdtEntrega->setDate(m_g->dataEntregaMostrada.isValid() ? m_g->dataEntregaMostrada : EdtEntrega->minimumDate());
        m_mostrando = false;
        EdtEntrega->setFocus();
    }
}

void TfmGradeItem::btnConfirmarClick()
{
    const QDate d = EdtEntrega->date() == EdtEntrega->minimumDate() ? QDate() : EdtEntrega->date();
    m_g->dataEntregaMostrada = d;
    const bool ok = m_g->Confirmar();
    if (ok) {
        m_pedido.MontaTotalItem();
        m_pedido.XRDBGrid2->viewport()->update();
        edtCodigo->setFocus();
    } else {
        mostraGrade();
    }
    m_pedido.AtualizaGrafico();
}

void TfmGradeItem::BtnFecharClick() { done(QDialog::Accepted); }

void TfmGradeItem::Sortir1Click()
{
    m_g->Sortir();
    atualizaCelulas();
}

void TfmGradeItem::SortirProporcoesClick()
{
    m_g->SortirProporcoes();
    atualizaCelulas();
}

void TfmGradeItem::AplicarTodosClick()
{
    m_g->AplicarTodos();
    mostraTotais();
}

void InstalaGradeItem()
{
    TfmPedido::AbreGradeItem = [](TfmPedido &pedido, EntregaGradeItem &dados) {
        TfmGradeItem janela(pedido, dados, &pedido);
        janela.exec();
    };
}
