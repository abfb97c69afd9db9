#pragma once

#include "components/untTelaSimples.h"
#include "windows/InterfacesJanelas.h"
#include "windows/PedidoControlador.h"

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
class TPesquisa;
class TXRDBGrid;

// The orders: their list, and one order's header, items and totals.
class TfmPedido : public TfmTelaSimples, public IPedidoEmEdicao {
    Q_OBJECT
public:
    explicit TfmPedido(QWidget *dono = nullptr);
    ~TfmPedido() override;

    bool EmEdicao() const override;

    PedidoControlador &Pedido() { return *m_c; }
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
    void DBGrid2DblClick();
    void BtnConfirmarClick();
    void CBFechadoClick(bool marcado);
    void FechamentodePedido1Click();
    void FecharTodososPedidos1Click();
    void btnExcluiClick();

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

    std::unique_ptr<PedidoControlador> m_c;
    bool m_mostrando = false;
    bool m_buscando = false;
    QString m_escolha;
};

extern TfmPedido *fmPedido;

// Makes the order window openable by its class name.
void RegistraJanelaPedido();
