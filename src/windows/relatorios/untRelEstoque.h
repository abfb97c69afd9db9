#pragma once

#include "components/untTelaSimples.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/relatorios/regras/RegrasRelEstoque.h"

#include <functional>
#include <vector>

class QLineEdit;
class QProgressBar;
class QPushButton;
class TPesquisa;
class TXRDBGrid;

// "Relatório de Estoque": the back office's current stock of a collection,
// a product or a description, always through DataSnap.
class TfmRelEstoque : public TfmTelaSimples {
    Q_OBJECT
public:
    // verificaInternet: the operating system's connection state (empty:
    // VerificaInternet).
    TfmRelEstoque(QWidget *dono, IServidorConsultas *servidor, int pausaEsperaMs = 1000,
                  std::function<bool(QString &)> verificaInternet = {});

    QString FEmpPat;
    QString FDeposito;
    QString FsCodigo;
    QString FsColecao;
    QString FsDescricao;
    int FnrOkConnect = 9;
    int PausaEsperaMs;

    QLineEdit *edtColecao;
    TPesquisa *PqColecao;
    QLineEdit *edtDescColecao;
    QLineEdit *edtProduto;
    TPesquisa *PqProduto;
    QLineEdit *edtDescProduto;
    QLineEdit *edtDescricao;
    QPushButton *btnCarregar;
    QPushButton *btnImprimir;
    QProgressBar *ProgressBar1;
    TXRDBGrid *DBGrid1;

    DataSet *CDSEstoques;
    DataSet *CDSImagens;
    // The print rows of the last "&Imprimir".
    std::vector<estoque::TLinhaImpressao> CDSRelProdutos;

    void CarregaEstoque();
    bool BuscaDeposito();
    void PesquisaEstoque();
    void MontaRelatorio();

private:
    void CriaControles();
    void TomaFiltros();
    void MostraDescricao(QLineEdit *desc, const QString &campo, const QString &tabela, const QString &chave,
                         const QString &valor);
    QString Titulo() const { return QStringLiteral("Relatório de Estoque"); }

    IServidorConsultas *m_servidor;
    std::function<bool(QString &)> m_verificaInternet;
};

// The printed stock report of the print rows, shown in the preview.
void ImprimeRelatorioEstoque(QWidget *janela, const std::vector<estoque::TLinhaImpressao> &linhas);
