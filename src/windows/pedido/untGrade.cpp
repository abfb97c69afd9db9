#include "windows/pedido/untGrade.h"

#include "platform/DataSet.h"
#include "windows/pedido/regras/MatrizGrade.h"
#include "windows/pedido/untPedido.h"

#include <QHeaderView>
#include <QPointer>
#include <QTableWidget>
#include <QVBoxLayout>

std::function<void(TfmGrade &)> TfmGrade::ExibeModal = [](TfmGrade &j) { j.ShowModal(); };

namespace {

// Totals and headers are shown, never picked.
QTableWidgetItem *celula(const QString &texto, bool selecionavel, bool fixa)
{
    auto *item = new QTableWidgetItem(texto);
    Qt::ItemFlags f = Qt::ItemIsEnabled;
    if (selecionavel)
        f |= Qt::ItemIsSelectable;
    item->setFlags(f);
    if (fixa)
        item->setBackground(QColor(0xd4, 0xd0, 0xc8));
    else
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TfmGrade::TfmGrade(QWidget *dono, DataSet &itens)
    : TfmTelaSimples(dono)
    , m_itens(itens)
{
    SetFormStyleMdi(false);
    setObjectName(QStringLiteral("fmGrade"));
    setWindowTitle(QStringLiteral("Grade"));
    StgGrade = new QTableWidget(Corpo());
    StgGrade->setObjectName(QStringLiteral("StgGrade"));
    StgGrade->horizontalHeader()->hide();
    StgGrade->verticalHeader()->hide();
    StgGrade->verticalHeader()->setDefaultSectionSize(20);
    StgGrade->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StgGrade->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StgGrade->setSelectionMode(QAbstractItemView::SingleSelection);
    StgGrade->setTabKeyNavigation(true);
    StgGrade->setShowGrid(true);
    auto *v = new QVBoxLayout(Corpo());
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(StgGrade);
    PnBotoes->show();
}

void TfmGrade::FormShow()
{
    TfmTelaSimples::FormShow();
    if (m_itens.active() && !m_itens.isEmpty())
        m_codigo = m_itens.fieldByName(QStringLiteral("Codigo"))->asString();
    MontaGrade(m_codigo);
}

// The code is kept for a single-product matrix; the order window always
// asks for the whole order.
void TfmGrade::MontaGrade(const QString &codigo)
{
    m_codigo = codigo;
    const MatrizGrade m = MontaMatrizGrade(m_itens);
    const int linhas = int(m.cores.size()) + 2, colunas = int(m.tamanhos.size()) + 2;
    StgGrade->clear();
    StgGrade->setRowCount(linhas);
    StgGrade->setColumnCount(colunas);
    StgGrade->setColumnWidth(0, 120);

    StgGrade->setItem(0, 0, celula(QStringLiteral("Cor"), false, true));
    for (int i = 0; i < m.cores.size(); ++i)
        StgGrade->setItem(i + 1, 0, celula(m.cores[i], false, true));
    StgGrade->setItem(linhas - 1, 0, celula(QStringLiteral("Total"), false, true));
    for (int j = 0; j < m.tamanhos.size(); ++j)
        StgGrade->setItem(0, j + 1, celula(m.tamanhos[j], false, true));
    StgGrade->setItem(0, colunas - 1, celula(QStringLiteral("Total"), false, true));

    for (int i = 0; i < m.cores.size(); ++i)
        for (int j = 0; j < m.tamanhos.size(); ++j)
            StgGrade->setItem(i + 1, j + 1,
                              celula(FormataQtdeGrade(m.qtde[std::size_t(i)][std::size_t(j)]), true, false));
    for (int i = 0; i < m.cores.size(); ++i)
        StgGrade->setItem(i + 1, colunas - 1, celula(FormataQtdeGrade(m.aQtdCor[std::size_t(i)]), false, false));
    for (int j = 0; j < m.tamanhos.size(); ++j)
        StgGrade->setItem(linhas - 1, j + 1, celula(FormataQtdeGrade(m.aQtdTam[std::size_t(j)]), false, false));
    StgGrade->setItem(linhas - 1, colunas - 1, celula(FormataQtdeGrade(m.total), false, false));
}

void TfmGrade::StgGradeSelectCell(int coluna, int linha, bool &podeSelecionar) const
{
    podeSelecionar = coluna < StgGrade->columnCount() - 1 && linha < StgGrade->rowCount() - 1;
}

void InstalaGradeGeral()
{
    TfmPedido::AbreGradeGeral = [](TfmPedido &pedido) {
        QPointer<TfmGrade> g = new TfmGrade(&pedido, *pedido.CDSItens());
        TfmGrade::ExibeModal(*g);
        delete g.data();
    };
}
