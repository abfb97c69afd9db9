#pragma once

#include "platform/DataSet.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TDMRepres;

// The order being entered and its header rules, without widgets: the order
// window copies its controls into these members, calls the rule of the
// control being left and copies the members back.
class PedidoControlador {
public:
    enum class Pesquisa { Cli, Tab, Condicao, Prazo };

    explicit PedidoControlador(TDMRepres *dm);

    // Header
    QString numero, cliente, descCliente, tabela, descTabela, condicao, descCondicao, prazo, descPrazo, obs;
    QDate emissao, fatura, entrega;
    int cif = 0;
    DescontosPedido descontos;
    QString FCampo;

    // Customer data shown beside the header
    QString infNome, infCidade, infSituacao, infEndereco, infNumero, infBairro, infCEP, infCNPJ, infInscEst;

    // Synchronisation data of the loaded order
    QString statusPedido, lotePedido;
    QDate sincronizacao;

    // Window state
    PrecosPedido precos; // nTaxa, nDescMax, FbDigPreco
    int NrDias = 0;
    QString FIdStatus;
    int FCliPrazoMedio = 0;
    QString FCondPrazoMedio;
    QStringList FCondicoesSel;
    bool bData = false, bFocoCli = false, bFocoCond = false, bFocoPrz = false;
    bool FbFechado = false, FbEnviado = false, FbDigColecao = false;
    // some product has a product line: asked of the database on first need
    std::optional<bool> FbLinha;
    bool TemLinha();
    QString FColecao;              // the order's collection while one per order applies
    QStringList oSLCodigos;        // codes whose price may be typed; one entry per addition

    // Limits read from CONFIG
    double nVlrMinimo = 0, nVlrMinimoPed = 0, vQtdeMaxItem = 0;
    QDateTime DtValidade;
    bool bBloqValidade = false;
    int NrConfiguracao = 0;

    DataSet CDSItens;
    TotaisPedido totais;

    // objectName of the control a rule wants focused; empty for none.
    QString foco;

    // Opens a look-up and answers the chosen code ("" when none).
    std::function<QString(Pesquisa)> abrePesquisa;
    // Fills CDSItens from the item query of a loaded order.
    std::function<void(DataSet &query)> carregaItens;
    // Today's date; replaceable for tests.
    std::function<QDate()> hoje = [] { return QDate::currentDate(); };

    // The SQL lines each look-up lists.
    QStringList SqlPesquisa(Pesquisa p) const;

    double BuscaConfigPedido();
    double BuscaQtdeMaxItem();
    // NRULTCONFIG, IDDIGPRECO and IDDIGCOLECAO of CONFIG.
    void LeConfigPedido();
    bool ExisteLinhaProduto();

    void LimpaTela();
    // The checks of starting a new order; clears the order when they pass.
    bool Incluir();
    // Loads the order whose number is in numero; false when there is none.
    bool BuscaPedidos();

    QString BuscaNumeroConfig();
    void EdtNumeroExit();

    void edtCodClienteChange();
    bool edtCodClienteExit();
    // Status letter to its text; FIdStatus := the letter ("S" for blank).
    QString DescreveSituacaoCliente(const QString &status);
    void BuscaCondicoesCliente();

    void edtCodTabChange();
    bool edtCodTabExit();
    void edtCodCondChange();
    bool edtCodCondExit();
    void edtCodPrazoChange();
    bool edtCodPrazoExit();

    void dtDt_EmiExit();
    bool edtVen_FaturaExit();
    bool EdtEntregaExit();

    // Leaving a discount field: "1".."4", "5" for the unified one.
    ResultadoDesconto SaiDesconto(const QString &campo);
    void GeraTotais();

private:
    bool confereData(QDate data, const QString &campo);
    QString pesquisa(Pesquisa p);

    TDMRepres *m_dm;
    QString m_condAceita; // the condition whose factor the prices carry
};
