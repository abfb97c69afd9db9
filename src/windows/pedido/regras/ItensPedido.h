#pragma once

#include "platform/DataSet.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class PedidoControlador;
class TDMRepres;

// Typing the item lines of the order held by a controller, column by column,
// and the summaries of its lines. No widgets: the order window hands over the
// key and the column, and carries out what the answer asks of it.
class ItensPedido {
public:
    ItensPedido(PedidoControlador &c, TDMRepres &dm);
    ~ItensPedido();

    // What a key press asks of the window besides the values of the line.
    struct Efeito {
        bool parar = false;         // the order totals are not recomputed
        bool focoCondicao = false;  // the payment condition is to take the focus
        bool grade = false;         // the grade window is to open for the line
        bool travaPreco = false;    // the price column is locked again
        QString pesquisa;           // a look-up to open for this key: its name
        QStringList sqlPesquisa;    // and what it lists
    };

    // A key pressed in the item grid while the column of field campo is
    // selected. A swallowed key comes back as 0.
    Efeito Tecla(const QString &campo, int &key, bool somenteLeitura);

    // Writes the row chosen in the look-up named nome into the current line;
    // valor answers a column of that row.
    void FechaPesquisaItem(const QString &nome, const std::function<QVariant(const QString &)> &valor);

    // "Excluir Item": asks, deletes the current line and one unlock of its code.
    void ExcluiItem();
    // Whether the order matrix may open: every line has product, colour and size.
    bool PodeAbrirGradeGeral();
    // Whether the current line's price may be typed, prices being locked.
    bool PrecoLiberado() const;

    // Lets the price of every product without a tier for its total be typed.
    void MontaTotalItem();
    // Price of the smallest tier covering the product total, times the
    // condition factor; 0 when no tier covers it.
    double BuscaPrecoFaixa(const QString &produto, const QString &tabela, const QString &tam, double total);

    // Fills the item lines from a loaded order's item query.
    void CarregaItens(DataSet &query);

    // The "Resumo" page: quantity and value per delivery date, and the lines
    // behind the chart per product line.
    DataSet TbItensData;
    DataSet CDSItensGrafico;
    void AtualizaGrafico();
    void AtualizaGridDataEntrega();
    // Sum of Valor per product line of CDSItensGrafico, in order of appearance.
    std::vector<std::pair<QString, double>> ValoresPorLinha() const;

    // Called after the summaries were rebuilt (the window redraws its chart).
    std::function<void()> aoAtualizarResumo;

private:
    void confirma();
    void estoque();
    void precosDaFaixa(double total);
    bool descontoRecusado(int &key, Efeito &e);
    bool soTab(int key, Efeito &e, const QString &pesquisa, const QStringList &sql, bool grade);
    Efeito teclaCodigo(int &key, bool somenteLeitura);
    Efeito teclaCor(int &key, bool somenteLeitura);
    Efeito teclaTam(int &key, bool somenteLeitura);
    Efeito teclaQtde(int &key, bool somenteLeitura);
    Efeito teclaPreco(int &key, bool somenteLeitura);
    Efeito teclaDesconto(int &key, bool somenteLeitura);
    void ligaEventos(bool ligar);

    PedidoControlador &c;
    TDMRepres &m_dm;
    DataSet &itens;
    const FontePrecos m_fonte;
};
