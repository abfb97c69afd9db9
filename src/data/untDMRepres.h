#pragma once

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class TDMRepres;

// What the local-database module needs of the main window; the window
// implements it and registers itself.
class IJanelaPrincipalRepres {
public:
    virtual ~IJanelaPrincipalRepres() = default;
    // Default picture (imgFundoXR) shown or hidden.
    virtual void MostraImagemPadrao(bool visivel) = 0;
    // Background picture (ImgFundo) from JPEG bytes, shown; false when the
    // bytes are not a picture (the window then clears and hides it).
    virtual bool MostraImagemFundo(const QByteArray &jpeg) = 0;
    // Background picture cleared and hidden.
    virtual void LimpaImagemFundo() = 0;
    // Side-bar report entry (pnlRelatorio) hidden.
    virtual void EscondeRelatorio() = 0;
};

// Parts of the program that the module calls but that live above it.
struct TDMRepresGanchos {
    // The first-run window, shown modally; true when it saved a configuration.
    std::function<bool(TDMRepres &)> PosInstalacao;
    // The start-up schema upgrade.
    std::function<void(TDMRepres &)> AtualizaBase;
    // Whether the JSON REST back-end answers (silent test).
    std::function<bool()> RetornaConexaoRest;
};

// The local-database module: configuration file, the one connection and
// transaction, standing queries, configuration properties and the
// back-end choice.
class TDMRepres : public QObject {
    Q_OBJECT
public:
    // Throws, without touching any database, when the configuration file
    // exists but cannot be read.
    explicit TDMRepres(QObject *owner = nullptr);
    TDMRepres(const TDMRepresGanchos &ganchos, QObject *owner = nullptr);
    ~TDMRepres() override;

    // Hooks used by modules created without explicit hooks (the program
    // body installs them before creating the module).
    static TDMRepresGanchos &GanchosPadrao();

    // Components
    TXRDatabase *XRDtRepres;
    TXRQuery *XRQConfig;
    TXRQuery *XRQUltSincr;
    TXRQuery *XRQPedEnviar;
    TXRQuery *XRQConfigPed;
    TXRQuery *XRQSenha;
    TXRQuery *XRQEnderecoServ;
    TXRQuery *XRQLog;
    DataSet *CDSCodClientes;
    DataSet *Tela;
    TXRTransaction *XRTransaction;

    // Published properties
    QString sTpGrade;
    QString sIdCargaCliente;
    QString sIdOrdemPedidos;
    QString sCodRep;
    QString sNmRep;
    QString sIdBloq;
    int iConfig = 0;
    int iNrRefer = 0;
    QDateTime dData;
    QDateTime hHora;
    QDateTime dDtValidade;
    double eVlrMinimo = 0;
    double eVlrMinimoPed = 0;
    double eQtdeMaxItem = 0;
    QString sDsEmail;
    QString sNrFone;
    QString sIdDigPreco;
    QString sIdCliEmailObr;
    QString sIdRelEstoque;
    QString sIdImgProduto;
    QString sObservacao;
    QDateTime dDtDeEntrega;
    QDateTime dDtAteEntrega;
    QString sIdDigColecao;

    bool bConexaoRest();

    // Login check: 0 accepted, 1 no such user, 2 wrong password.
    int ConfereSenha(const QString &pUsuario, const QString &pSenha);
    static QString MensErroLogin(int pErro);
    QString BuscaNomeRep();
    // True when the column is MISSING (what the upgrade has to add).
    bool CampoExiste(const QString &pTabela, const QString &pCampo);
    // "-999" without a CONFIG row.
    QString BuscaCodRep();
    int BuscaNrRefer();

    // Writes the loaded configuration (the properties above) into CONFIG.
    // iVersaoRepres: the client version without its points (2.0.3.3 -> 2033).
    // Failures are shown; false when any statement failed.
    bool AtualizaConfig(int iVersaoServidor, int iVersaoRepres);
    // Marks the configuration as not fully loaded (NRULTCONFIG -1).
    void SetCargaInvalida(const QString &sCodRep);
    // Gives the sent orders their batch and advances CONFIG.NRLOTE, both or
    // neither. pPedidos: comma-separated quoted order numbers. Failures are
    // shown; false then.
    bool AtualizaLote(const QString &pCodRep, int pNrLote, const QString &pPedidos, const QDateTime &pData,
                      const QDateTime &pHora);
    // Rows with "CodCliRep" (local code) and "CodCli" (back-office code).
    void GravaCodCliEmp(DataSet *pCDSCodigos);
    // A customer with this tax number, punctuation ignored on both sides.
    bool LeClienteCNPJ(const QString &pCNPJ);

    // Price of the smallest quantity tier that holds pQtd; 0 when none.
    double BuscaPreco(const QString &pCodProduto, const QString &pTabPreco, const QString &pTam, double pQtd);
    // List price of the tier BuscaPreco picks, rounded to cents; pPreco
    // when that is 0.
    double BuscaPrecoOri(const QString &pCodProduto, const QString &pTabPreco, const QString &pTam, double pQtd,
                         double pPreco);
    // Stock of the cell less what other unsent orders hold; never below 0.
    int BuscaQtdeEstoque(const QString &pNumero, const QString &pCodigo, const QString &pCor, const QString &pTam,
                         QString &sBloqEst);
    // CLI_NRDIAS of the customer (0 when there is none) and its data.
    int BuscaDadosAdic(const QString &pCliente, QString &psCliNome, QString &psCidade, QString &psIdStatus,
                       QString &psEndereco, QString &psNumero, QString &psBairro, QString &psCEP, QString &psCNPJ,
                       QString &psInscEst);
    QString BuscaEMailCliente(const QString &sCliente);
    // The product's sizes carry grade positions.
    bool VerPosicaoTam(const QString &sCodigo);
    // Some colour and size of the product is not sold out.
    bool CoresOK(const QString &sProduto);

    void SetJanelaPrincipal(IJanelaPrincipalRepres *janela) { m_janela = janela; }
    void BuscaImagemFundo();
    void BuscaConfigAcesso();

    // The configuration file in use: "Quintel.ini" beside the executable,
    // else "XR.ini", else empty.
    static QString ArquivoIni(const QString &pasta);

    // Driver for the "Banco" and "versao" keys.
    static QString TipoDriver(const QString &sBanco, const QString &sVersao);

private:
    // The scratch query XRQConfig closed, given new lines and left ready for
    // parameters.
    void PreparaRascunho(const QStringList &linhas);
    void CriaComponentes();
    void DataModuleCreate();
    void DataModuleDestroy();
    bool VerificaIni();
    bool ConectaBanco(const QString &sPastaExe); // folder of the executable
    bool VerificaPosInstalacao();

    TDMRepresGanchos m_ganchos;
    IJanelaPrincipalRepres *m_janela = nullptr;
    bool FbConexaoRest = false;
    bool FbJaConectou = false;
};

extern TDMRepres *DMRepres;
