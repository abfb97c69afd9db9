#pragma once

#include "platform/DataSet.h"
#include "sync/EscolhaRetaguarda.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The JSON REST API back-end. Every operation is one blocking request; a
// failed request is reported once with ShowMessage (never in the silent
// connection test) and then behaves as "no answer".
class TDMComunicacao : public QObject {
    Q_OBJECT
public:
    explicit TDMComunicacao(QObject *owner = nullptr);
    ~TDMComunicacao() override;

    QString DsHost;
    int NrPorta = 0;
    int TimeoutMs = 90000;

    static constexpr const char *kToken = "d1c0b2e9f4a7d5c8b6e3f0a1c9d2e7b4";

    bool RetornaConexao(bool pbInicio);
    QString GetVersaoServ();
    int ConfereSenha(const QString &psUsuario, const QString &psSenha, const QString &psCodRep);
    QDateTime DataServidor(const QString &psTipo);
    // The same, but none when the server gave no answer.
    std::optional<QDateTime> RespostaDataServidor(const QString &psTipo);
    void GetCfgDisponivel(int piConfig, const QString &psCodRep, DataSet *poCDSUltSinc, DataSet *poCDSCfgDisp);
    bool CarregaTabelas(int piCodigo, const QString &psCodRep, bool pbRecarregaClientes);
    bool GravaDadosEmpresa(int piCodigo);
    QString AtualizaNmRepresentante(const QString &psCodRep);
    QString AtualizaEmailFone(const QString &psCodRep, QString &psNrFone);
    bool AtualizaConfigRepres(int psConfig, const QString &psRepres);
    void PostVersaoRepresen(const QString &psVersao, const QString &psCodRep);
    // Progress: (position, maximum). Throws EAbort after showing an error.
    void AtualizaEstoque(int piCodigo, const std::function<void(int, int)> &pBarraProgresso = {});
    bool ExistePedido(const QString &psCodRep, const QString &psPedido, int &piNrLote, QDateTime &pDataSinc,
                      QDateTime &pHoraSinc);
    bool RetornaCodCliRepres(DataSet *poCodClientes);
    bool CarregaPedidos(const QString &psCodRep, const QString &psPedidos, int piNrLote, QString &psLPedRejeitados,
                        DataSet *poCDSCodCliente);
    // CarregaPedidos telling a refused upload from one the server may have stored.
    TResultadoEnvio EnviaPedidos(const QString &psCodRep, const QString &psPedidos, int piNrLote,
                                 QString &psLPedRejeitados, DataSet *poCDSCodCliente);

    // How the last request ended: the send must tell "the server never got
    // it" from "it may have acted on it".
    enum class TFalha { Nenhuma, SemConexao, Incerta };
    TFalha UltimaFalha() const { return m_falha; }
    // The last request brought no answer array (a failure or an empty body).
    bool UltimaSemResposta() const { return m_semResposta; }
    // A transfer error that happened before the server could read anything.
    static bool FalhaDeConexao(const QString &mensagem);
    void BuscaDadosSQL(const QString &psSQL, DataSet *poResultado, DataSet *poParametros);
    std::optional<nlohmann::ordered_json> ExecutaSqlSelect(const QString &sBaseDados, const QString &sSQL);

    static QString TrataCampo(const QString &psCampo, bool bMaiuscula);

    // Pure helpers, public for tests.
    static double ConverteNumero(const QString &texto);
    static QDate ConverteData(const QString &texto);
    static QVariant ConverteValorCampo(FieldType tipo, const QString &texto);
    // Text form of a JSON value as the key readers see it.
    static QString TextoValor(const nlohmann::ordered_json &v);
    // Reads a key of an answer object: cleaned text, empty when missing.
    static QString LeChave(const nlohmann::ordered_json &obj, const char *chave, bool bMaiuscula = false);
    // Both ways of filling a memory table from a row list.
    static void PreencheAdaptador(const nlohmann::ordered_json &linhas, DataSet &tabela);
    static void PreencheChaves(const nlohmann::ordered_json &linhas, DataSet &tabela, bool nomesMaiusculos);
    // The order-upload body from the local orders listed (quoted, ", ").
    static nlohmann::ordered_json MontaCorpoPedidos(const QString &psPedidos);
    // Query text of BuscaDadosSQL's parameter table ("a=1&b=2").
    static QString MontaParametrosSQL(DataSet *poParametros);

    // The base URL of a resource: scheme added when missing, trailing "/" dropped.
    QString UrlBase(const QString &recurso) const;

private:
    enum class Verbo { Get, Get1, Post, Put };
    // The request core: the answer array, or none (reported unless silent).
    std::optional<nlohmann::ordered_json> ExecutaRequisicao(const QString &recurso, Verbo verbo);
    void LimpaParametros();
    // Element 0 of an answer when it is an object.
    static const nlohmann::ordered_json *Objeto(const std::optional<nlohmann::ordered_json> &resposta);

    std::vector<std::pair<QString, QString>> m_parametros;
    std::optional<nlohmann::ordered_json> m_corpo;
    TFalha m_falha = TFalha::Nenhuma;
    bool m_semResposta = false;
};

extern TDMComunicacao *DMComunicacao;
