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

    void SetJanelaPrincipal(IJanelaPrincipalRepres *janela) { m_janela = janela; }
    void BuscaImagemFundo();
    void BuscaConfigAcesso();

    // The configuration file in use: "Quintel.ini" beside the executable,
    // else "XR.ini", else empty.
    static QString ArquivoIni(const QString &pasta);

    // Driver for the "Banco" and "versao" keys.
    static QString TipoDriver(const QString &sBanco, const QString &sVersao);

private:
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
