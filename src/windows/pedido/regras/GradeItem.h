#pragma once

#include "platform/DataSet.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class PedidoControlador;
class TDMRepres;

// One product of an order typed as a colour x size grid. No widgets: the
// grade window shows the grid and the lines and hands every cell over here.
class GradeItem {
public:
    GradeItem(PedidoControlador &pedido, TDMRepres &dm);

    // Handed over by the order window.
    QString FCodigo, FColecao, FNumeroPedido, FTabelaPreco;
    QDate FDtEntrega;
    double FQtdeMaxGrade = 0;
    DataSet CDSProdutos; // the order's lines at hand-over

    QString FCodLinha, FDesLinha, descricao;

    struct LinhaCor {
        QString sel = QStringLiteral("N");
        QString cdCor, dsCor;
        QStringList celulas; // one per size: "", a quantity or "Esgotado"
        double total = 0;
    };
    QStringList tamanhos;
    std::vector<LinhaCor> linhas; // the colours, then the total row ("-999")
    struct Faixa {
        QString tam;
        int qtMaxima = 0;
        double preco = 0; // before the condition factor
    };
    std::vector<Faixa> CDSPrecos; // in the reverse of the query's order
    int faixaAtual = 0;           // the combo's line; -1 when empty

    DataSet TbItens;
    double qtdItem = 0, totValor = 0;

    bool temTotal() const { return !linhas.empty() && linhas.back().cdCor == QLatin1String("-999"); }
    int colunaDe(const QString &tam) const { return tamanhos.indexOf(tam); }
    int linhaDe(const QString &cor) const;
    double precoCombo() const;
    QString textoCombo(int i) const;

    // Leaving the code edit with a typed code; false when it was refused.
    bool SaiCodigo(const QString &digitado);
    // Loads FCodigo: grid, tiers and the product's loadable lines.
    void CarregaProduto();
    // A value written into a size cell, typed or by an assortment.
    void ValidaQuantidadeCelula(int linha, int coluna, const QString &valor);
    // Price of the smallest tier of the size covering the total, times the factor.
    double BuscaPreco(const QString &tam, double total);
    void SelecionaPrecoTamanho(const QString &tam);
    // A typed price in the current line of TbItens.
    void SaiPreco();
    void AplicarTodos();
    bool PodeAplicarTodos() const;
    // The date edit left with data (null for empty); false when refused.
    bool EdtEntregaExit(const QDate &data);
    QDate dataEntregaMostrada; // what the date edit shows after a rule
    bool Confirmar();
    void GeraTotais();

    void ZeraGrade();
    void Sortir();
    void SortirProporcoes();
    void CarregaProporcoes(int n, DataSet &proporcoes);

    // The colour description of a grid row text "CODE - description".
    static QString DescricaoCor(const QString &cdCor, const QString &dsCor);
    // Whether the product's line (code, colour, size) can be shown here.
    bool Carregavel(const QString &codigo, const QString &cor, const QString &tam) const;

private:
    void montaGradeProduto();
    void acumulaQuantidade(const QString &cor, double qtde, const QString &tam);
    void atualizaLinhaTotal(int coluna, double antes, double depois);
    void atualizaTotaisItens();
    void recalculaLinha();
    bool achaLinha(const QString &cor, const QString &tam);
    void escreve(int linha, int coluna, double q);

    PedidoControlador &c;
    TDMRepres &m_dm;
};
