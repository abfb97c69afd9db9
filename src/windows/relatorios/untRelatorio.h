#pragma once

#include "components/untFormXRSkin.h"
#include "windows/nucleo/InterfacesJanelas.h"
#include "windows/relatorios/regras/RegrasRelatorio.h"

#include <QPointer>

#include <vector>

class QLineEdit;
class QPushButton;
class TPesquisa;
class TXRDBGrid;

// "Gerador de Relatório": the parameter screen of a server-defined report,
// its answer in a read-only grid. One at a time; freed when closed.
class TfmGeraRel : public TfmXRSkin {
    Q_OBJECT
public:
    TfmGeraRel(QWidget *dono, IServidorConsultas *servidor, int pausaEsperaMs = 1000);

    // Views on the main window's tables, filtered to the chosen report.
    DataSet *CDSRelatorio;
    DataSet *CDSRelParam;
    // The values sent with the report: CAMPO, VALOR, TIPO.
    DataSet *CDSParametros;
    // The answer.
    DataSet *CDSConsRelatorio;

    QWidget *pnGeraRel;
    QPushButton *btnConfirmar;
    QPushButton *btnFechar;
    TPesquisa *PqImagem;
    TXRDBGrid *DBGrid1;
    int PausaEsperaMs;

    // Run by AbreForm for a new or an open generator: the chosen report's
    // views, its parameter screen and an empty answer.
    void PreparaRelatorio(IRelatoriosPrincipal &principal);
    void MontaTela();
    void ParametroExit(QLineEdit *edit);
    void PesquisaFechaPesquisa(QObject *sender);
    void ExecutaRelatorio();
    // Each column as wide as its title or its widest value, plus 15.
    void AjustaColunas(TXRDBGrid *grid);

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;

private:
    void CriaControles();
    void CriaParametro(int linha, const relatorio::TPosicaoParametro &pos);
    QString ValorLinha(int linha, const char *campo) const;
    void LimpaParametros();
    void MostraResposta(DataSet &select);
    void FormataNumeros();

    IServidorConsultas *m_servidor;
    std::vector<QPointer<QWidget>> m_controles;
};
