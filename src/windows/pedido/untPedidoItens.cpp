// The item lines of the order window: the grid they are typed in, its
// look-ups, the grade hand-over and the "Resumo" page.
#include "windows/pedido/untPedido.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/untDMRepres.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

std::function<void(TfmPedido &, EntregaGradeItem &)> TfmPedido::AbreGradeItem;
std::function<void(TfmPedido &)> TfmPedido::AbreGradeGeral;

namespace {

const QColor kCorBotao(0xd4, 0xd0, 0xc8); // the classic button face of locked columns

QColor corJanela() { return QColor(Qt::white); }

} // namespace

void TfmPedido::CriaItens(QVBoxLayout *v)
{
    XRDBGrid2 = new TXRDBGrid(TabManutencao);
    XRDBGrid2->setObjectName(QStringLiteral("XRDBGrid2"));
    XRDBGrid2->SetDataSet(&m_c->CDSItens);
    v->addWidget(XRDBGrid2, 1);
    PMGrade = new QMenu(XRDBGrid2);
    PMGrade->setObjectName(QStringLiteral("PMGrade"));
    GradeItens1 = PMGrade->addAction(QStringLiteral("Grade Itens"));
    GradeItens1->setObjectName(QStringLiteral("GradeItens1"));

    pnTotaisPed = new QWidget(TabManutencao);
    pnTotaisPed->setObjectName(QStringLiteral("pnTotaisPed"));
    auto *lt = new QHBoxLayout(pnTotaisPed);
    btnExcluiItem = new QPushButton(QStringLiteral("Excluir Item"), pnTotaisPed);
    btnExcluiItem->setObjectName(QStringLiteral("btnExcluiItem"));
    btnGradeGeral = new QPushButton(QStringLiteral("G&rade"), pnTotaisPed);
    btnGradeGeral->setObjectName(QStringLiteral("btnGradeGeral"));
    lt->addWidget(btnExcluiItem);
    lt->addWidget(btnGradeGeral);
    lt->addStretch();
}

void TfmPedido::CriaResumo(QTabWidget *paginas)
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    paginas->addTab(TabSheet2, QStringLiteral("Resumo"));
    auto *l = new QHBoxLayout(TabSheet2);
    l->setContentsMargins(0, 0, 0, 0);

    auto *porData = new QGroupBox(QStringLiteral("Distribuição por Data de Entrega"), TabSheet2);
    auto *ld = new QVBoxLayout(porData);
    XRDBGrid1 = new TXRDBGrid(porData);
    XRDBGrid1->setObjectName(QStringLiteral("XRDBGrid1"));
    XRDBGrid1->SetDataSet(&m_itens->TbItensData);
    XRDBGrid1->SetReadOnly(true);
    for (const auto &[campo, largura] : {std::pair{"Data", 80}, std::pair{"Qtde", 60}, std::pair{"Valor", 80}})
        XRDBGrid1->AddColumn(QLatin1String(campo), QLatin1String(campo))->Width = largura;
    XRDBGrid1->LayoutChanged();
    ld->addWidget(XRDBGrid1);
    porData->setFixedWidth(265); // the chart takes the rest of the page
    l->addWidget(porData);

    PnlGraficoLinha = new QWidget(TabSheet2);
    PnlGraficoLinha->setObjectName(QStringLiteral("PnlGraficoLinha"));
    auto *lg = new QVBoxLayout(PnlGraficoLinha);
    lg->setContentsMargins(0, 0, 0, 0);
    auto *grafico = new QChart;
    grafico->setTitle(QStringLiteral("Distribuição por Linha"));
    grafico->legend()->hide();
    Series1 = new QPieSeries(grafico);
    Series1->setObjectName(QStringLiteral("Series1"));
    Series1->setPieSize(0.5); // room for the marks around it
    grafico->addSeries(Series1);
    DBChart2 = new QChartView(grafico, PnlGraficoLinha);
    DBChart2->setObjectName(QStringLiteral("DBChart2"));
    DBChart2->setRenderHint(QPainter::Antialiasing);
    lg->addWidget(DBChart2);
    l->addWidget(PnlGraficoLinha, 1);
}

void TfmPedido::ConectaItens()
{
    XRDBGrid2->OnKeyDown = [this](TXRDBGrid *, int &key, Qt::KeyboardModifiers m) { XRDBGrid2KeyDown(key, m); };
    XRDBGrid2->OnEnter = [this](TXRDBGrid *) { XRDBGrid2Enter(); };
    XRDBGrid2->OnExit = [this](TXRDBGrid *) { XRDBGrid2Exit(); };
    XRDBGrid2->OnColExit = [this](TXRDBGrid *, int) { XRDBGrid2ColExit(); };
    XRDBGrid2->OnColEnter = [this](TXRDBGrid *) { XRDBGrid2ColEnter(); };
    m_c->CDSItens.afterScroll = [this](DataSet &) { CDSItensAfterScroll(); };
    // typing posts a line per column left: the chart is drawn once per
    // event-loop turn, however many posts the turn saw
    m_itens->aoAtualizarResumo = [this] {
        if (m_graficoPendente)
            return;
        m_graficoPendente = true;
        QTimer::singleShot(0, this, [this] {
            m_graficoPendente = false;
            DesenhaGrafico();
        });
    };
    connect(btnExcluiItem, &QPushButton::clicked, this, [this] { btnExcluiItemClick(); });
    connect(btnGradeGeral, &QPushButton::clicked, this, [this] { btnGradeGeralClick(); });
    connect(GradeItens1, &QAction::triggered, this, [this] { GradeItensClick(); });
}

void TfmPedido::ColunasItens()
{
    XRDBGrid2->ClearColumns();
    const struct {
        const char *campo, *titulo;
        int largura;
        bool cinza;
    } colunas[] = {
        {"Codigo", "Código", 90, false},       {"Descricao", "Descrição", 286, true},
        {"Cor", "Cor", 0, false},              {"DsCor", "DescCor", 121, true},
        {"Tam", "Tam", 0, false},              {"Qtde", "Qtde", 76, false},
        {"PrecoOrig", "Preço Orig.", 0, true}, {"Desconto", "Desconto", 0, false},
        {"Preco", "Preço Liq.", 76, false},    {"Valor", "Valor", 76, true},
        {"QtdeEst", "Qtde Estoque", 0, true},
    };
    const bool digPreco = m_c->precos.digPreco;
    for (const auto &c : colunas) {
        TXRColumn *col = XRDBGrid2->AddColumn(QString::fromLatin1(c.campo), QString::fromUtf8(c.titulo));
        col->Width = c.largura;
        col->ReadOnly = c.cinza;
        if (c.cinza)
            col->Color = kCorBotao;
    }
    TXRColumn *preco = XRDBGrid2->GetColumn(QStringLiteral("Preco"));
    preco->ReadOnly = !digPreco;
    preco->Color = digPreco ? corJanela() : kCorBotao;
    XRDBGrid2->LayoutChanged();
}

void TfmPedido::LiberaMenuGrade(bool liberar)
{
    GradeItens1->setEnabled(liberar && AbreGradeItem != nullptr);
    btnGradeGeral->setEnabled(AbreGradeGeral != nullptr);
}

// Leaving a column or the grid keeps what was typed and goes on editing.
void TfmPedido::ConfirmaLinha()
{
    DataSet &itens = m_c->CDSItens;
    if (itens.state() == DataSet::State::Insert && !itens.modified())
        return; // a new line nothing was typed in is not stored
    itens.postIfEditing();
    if (!itens.isEmpty())
        itens.edit();
}

void TfmPedido::XRDBGrid2KeyDown(int &key, Qt::KeyboardModifiers)
{
    const TXRColumn *col = XRDBGrid2->ColunaSelecionada();
    if (key == Qt::Key_F3 && GradeAbreLinhaVazia())
        return;
    const ItensPedido::Efeito e = m_itens->Tecla(col ? col->FieldName : QString(), key, XRDBGrid2->ReadOnly());
    if (!e.pesquisa.isEmpty())
        AbrePesquisaItem(e.pesquisa, e.sqlPesquisa);
    if (e.grade)
        AbreGradeItemAtual();
    if (e.travaPreco)
        TravaColunaPreco(false);
    if (e.focoCondicao && edtCodCond->isEnabled() && edtCodCond->isVisible())
        edtCodCond->setFocus(Qt::OtherFocusReason);
    if (!e.parar)
        MostraTotais();
}

void TfmPedido::XRDBGrid2ColEnter()
{
    const TXRColumn *col = XRDBGrid2->ColunaSelecionada();
    if (col && col->FieldName == QLatin1String("Preco") && !m_c->precos.digPreco)
        TravaColunaPreco(true);
}

void TfmPedido::XRDBGrid2ColExit() { ConfirmaLinha(); }

void TfmPedido::XRDBGrid2Exit() { ConfirmaLinha(); }

void TfmPedido::XRDBGrid2Enter()
{
    if (!XRDBGrid2->ReadOnly())
        m_c->CDSItens.edit();
}

void TfmPedido::CDSItensAfterScroll() { XRDBGrid2ColEnter(); }

// porLinha: the current line's code may unlock the column; otherwise the
// column goes back to the state the window gave it.
void TfmPedido::TravaColunaPreco(bool porLinha)
{
    TXRColumn *col = XRDBGrid2->GetColumn(QStringLiteral("Preco"));
    if (!col)
        return;
    const bool livre = m_c->precos.digPreco || (porLinha && m_itens->PrecoLiberado());
    col->ReadOnly = !livre;
    col->Color = livre ? corJanela() : kCorBotao;
    XRDBGrid2->viewport()->update();
}

void TfmPedido::AbrePesquisaItem(const QString &nome, const QStringList &sql)
{
    auto *pq = new TPesquisa(this);
    pq->hide();
    pq->setObjectName(nome);
    pq->BaseDados = DMRepres->XRDtRepres;
    pq->BuscaSQL = sql;
    pq->OnFechaPesquisa = [this](TPesquisa *p) {
        m_itens->FechaPesquisaItem(p->objectName(), [p](const QString &campo) { return p->RetornoPesquisa(campo); });
    };
    pq->AbrePesquisa();
    delete pq;
}

void TfmPedido::btnExcluiItemClick()
{
    m_itens->ExcluiItem();
    MostraTotais();
}

void TfmPedido::GradeItensClick()
{
    if (!GradeAbreLinhaVazia())
        AbreGradeItemAtual();
}

// A new order's untouched first line: committed, and the grade opens without
// a product so the first items can be typed there.
bool TfmPedido::GradeAbreLinhaVazia()
{
    DataSet &itens = m_c->CDSItens;
    if (!AbreGradeItem || XRDBGrid2->ReadOnly() || itens.state() != DataSet::State::Insert || itens.modified()
        || itens.recordCount() > 0)
        return false;
    itens.post();
    AbreGradeItemAtual();
    return true;
}

void TfmPedido::AbreGradeItemAtual()
{
    DataSet &itens = m_c->CDSItens;
    if (!AbreGradeItem || itens.isEmpty())
        return;
    DataSet copia;
    copia.setFieldDefs(itens.fieldDefs());
    copia.open();
    copia.copyRowsFrom(itens);
    EntregaGradeItem dados;
    dados.CDSProdutos = &copia;
    dados.FCodigo = itens.fieldByName(QStringLiteral("Codigo"))->asString();
    dados.FDtEntrega = itens.fieldByName(QStringLiteral("DtEntrega"))->asDate();
    if (m_c->FbDigColecao && !m_c->FColecao.trimmed().isEmpty())
        dados.FColecao = m_c->FColecao;
    dados.FNumeroPedido = EdtNumero->text().trimmed();
    dados.FTabelaPreco = edtCodTab->text().trimmed();
    dados.FQtdeMaxGrade = m_c->vQtdeMaxItem;
    {
        const pedido::LinhasEmLote lote(itens);
        AbreGradeItem(*this, dados);
    }
    MontaTotalItem();
    m_c->GeraTotais();
    MostraTotais();
    itens.postIfEditing();
    itens.last();
}

void TfmPedido::btnGradeGeralClick()
{
    if (!m_itens->PodeAbrirGradeGeral() || !AbreGradeGeral)
        return;
    const pedido::LinhasEmLote lote(m_c->CDSItens);
    AbreGradeGeral(*this);
}

void TfmPedido::MontaTotalItem() { m_itens->MontaTotalItem(); }

void TfmPedido::AtualizaGrafico() { m_itens->AtualizaGrafico(); }

void TfmPedido::DesenhaGrafico()
{
    Series1->clear();
    const auto valores = m_itens->ValoresPorLinha();
    double total = 0;
    for (const auto &v : valores)
        total += v.second;
    // all slices in one call: each append lays every label out again
    QList<QPieSlice *> fatias;
    for (const auto &[linha, valor] : valores) {
        const double pct = total != 0 ? valor / total * 100 : 0;
        auto *fatia = new QPieSlice(linha + QStringLiteral(" (") + fmt::formatFloat(QStringLiteral("##0.00"), pct)
                                        + QStringLiteral(" %) (") + fmt::formatFloat(QStringLiteral("#,##0.00"), valor)
                                        + QLatin1Char(')'),
                                    valor);
        fatia->setLabelVisible(true);
        fatias << fatia;
    }
    if (!fatias.isEmpty())
        Series1->append(fatias);
}
