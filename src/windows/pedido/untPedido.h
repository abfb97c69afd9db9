#pragma once

#include "components/untTelaSimples.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/pedido/regras/ItensPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"

#include <QDate>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;
class QChartView;
class QPieSeries;
class TPesquisa;
class TXRDBGrid;

// What the grade window receives of the order for one product.
struct EntregaGradeItem {
    DataSet *CDSProdutos = nullptr; // a copy of every item line
    QString FCodigo;
    QDate FDtEntrega;
    QString FColecao; // blank unless one collection per order applies
    QString FNumeroPedido;
    QString FTabelaPreco;
    double FQtdeMaxGrade = 0;
};

// The orders: their list, and one order's header, items and totals.
class TfmPedido : public TfmTelaSimples, public IPedidoEmEdicao {
    Q_OBJECT
public:
    explicit TfmPedido(QWidget *dono = nullptr);
    ~TfmPedido() override;

    bool EmEdicao() const override;

    PedidoControlador &Pedido() { return *m_c; }
    ItensPedido &Itens() { return *m_itens; }
    DataSet *CDSItens() const { return &m_c->CDSItens; }
    DataSet *CDSConsulta;

    QTabWidget *PControlCliente;
    QWidget *TabAcesso, *TabManutencao;

    // Order list and its filters
    QLineEdit *edtCodCli, *edtDescCli, *edtCodTabela, *edtDescTabela, *EdtNum, *edtCidade, *EdtCnpj;
    QDateEdit *EdtEmiIni, *EdtEmiFim;
    QRadioButton *RGOrdemDesc, *RGOrdemCresc;
    QCheckBox *CBStatus;
    TPesquisa *PqCliente, *PqTabela;
    QPushButton *BtnConsultar, *btFechar;
    TXRDBGrid *DBGrid2;
    QLineEdit *edtQtdeTotPed, *edtValorTotPed, *edtValorLiqPed;
    QMenu *PMConsulta;
    QAction *FechamentodePedido1, *FecharTodososPedidos1;

    // Header
    QWidget *PnPedidos;
    QLineEdit *EdtNumero, *edtCodCliente, *edtDescCliente, *edtCodTab, *edtDescTab, *edtCodPrazo, *edtDescPrazo,
        *edtCodCond, *edtDescCond;
    QLineEdit *edtDesc1, *edtDesc2, *edtDesc3, *edtDesc4, *EdtDesc;
    QCheckBox *CBFechado;
    QDateEdit *dtDt_Emi, *edtVen_Fatura, *EdtEntrega;
    QComboBox *CbCif;
    QPlainTextEdit *EdtObs;
    TPesquisa *PqCli, *PqTab, *PqCondicao, *PqPrazo;
    QLineEdit *edtinfCliEndereco, *edtInfCliNumero, *edtInfCliBairro, *edtInfCliCEP, *edtInfCliCidade, *edtInfCliCNPJ,
        *edtInfCliInscEstadual, *edtInfCliSituacao;
    QLineEdit *edtSincStatus, *edtSincLote, *edtSincData;

    // Items and totals
    TXRDBGrid *XRDBGrid2;
    QWidget *pnTotaisPed;
    QLineEdit *EdtTotQtde, *EdtVAlBruto, *EdtTotDesc, *EdtTotVal;
    QMenu *PMGrade;
    QAction *GradeItens1;
    QPushButton *btnExcluiItem, *btnGradeGeral;

    // "Resumo": per delivery date and per product line
    QWidget *TabSheet2, *PnlGraficoLinha;
    TXRDBGrid *XRDBGrid1;
    QChartView *DBChart2;
    QPieSeries *Series1;

    // The grade window and the order matrix, installed by their own unit;
    // without them their entries stay disabled.
    static std::function<void(TfmPedido &, EntregaGradeItem &)> AbreGradeItem;
    static std::function<void(TfmPedido &)> AbreGradeGeral;

    QWidget *pnConf, *PnManBotoes;
    QPushButton *BtnConfirmar, *BtnDesistir;
    QPushButton *btnNovo, *btnAltera, *btnCopia, *btnExclui, *btnImprime, *btn_Fechar;

    void LimpaTela();
    void BuscaPedidos(bool pbMostraTela);
    void ModoConsulta(bool Value);
    void btnNovoClick();
    void btnAlteraClick();
    void BtnDesistirClick();
    void BtnConsultarClick();
    // Lists now when the list is in sight, else when its page is next shown.
    void AtualizaListaQuandoVisivel();
    void PerguntaLinhaCedo();
    void DBGrid2DblClick();
    void BtnConfirmarClick();
    void CBFechadoClick(bool marcado);
    void FechamentodePedido1Click();
    void FecharTodososPedidos1Click();
    void btnExcluiClick();
    void btnCopiaClick();
    void btnImprimeClick();

    void XRDBGrid2KeyDown(int &key, Qt::KeyboardModifiers shift);
    void XRDBGrid2ColEnter();
    void XRDBGrid2ColExit();
    void XRDBGrid2Exit();
    void XRDBGrid2Enter();
    void CDSItensAfterScroll();
    void btnExcluiItemClick();
    void btnGradeGeralClick();
    void GradeItensClick();
    void MontaTotalItem();
    void AtualizaGrafico();

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;
    bool eventFilter(QObject *obj, QEvent *event) override;
    // Fills the item table from a loaded order's item query.
    virtual void CarregaItens(DataSet &query);

private:
    void CriaAcesso();
    void CriaManutencao();
    QWidget *CriaCabecalho();
    void CriaConsulta();
    void Conecta();

    void Le();     // controls -> order
    void Mostra(); // order -> controls
    void MostraTotais();
    // The closed box and the modes of a loaded order.
    void MostraCarregado(bool pbMostraTela);
    void FocaPedido();
    void SaiCampo(QObject *campo);
    QString AbreBusca(PedidoControlador::Pesquisa p);
    void FechaBusca(PedidoControlador::Pesquisa p, TPesquisa *pq);
    void CDSConsultaAfterScroll();

    // item grid and summaries
    void CriaItens(QVBoxLayout *v);
    void CriaResumo(QTabWidget *paginas);
    void ConectaItens();
    void ColunasItens();
    void LiberaMenuGrade(bool liberar);
    void TravaColunaPreco(bool porLinha);
    void ConfirmaLinha();
    void AbrePesquisaItem(const QString &nome, const QStringList &sql);
    void AbreGradeItemAtual();
    bool GradeAbreLinhaVazia();
    void DesenhaGrafico();

    std::unique_ptr<PedidoControlador> m_c;
    std::unique_ptr<ItensPedido> m_itens;
    bool m_mostrando = false;
    bool m_graficoPendente = false; // a chart draw waits for the next turn
    bool m_buscando = false;
    bool m_consultando = false; // the list query runs
    bool m_listaVelha = false;  // a save changed the orders while the list was out of sight
    QString m_escolha;
};

extern TfmPedido *fmPedido;

// Makes the order window openable by its class name.
void RegistraJanelaPedido();
