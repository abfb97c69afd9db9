#pragma once

#include "platform/DataSet.h"
#include "platform/DataSetStream.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <stdexcept>

// The server answered the call with an error: HTTP status and answer text.
class EDSRestProtocolError : public std::runtime_error {
public:
    EDSRestProtocolError(int status, const QString &responseText, const QString &message);
    int Status() const { return m_status; }
    const QString &ResponseText() const { return m_response; }
    const QString &message() const { return m_message; }

private:
    int m_status;
    QString m_response;
    QString m_message;
};

// The output parameters and the result, each as its own JSON text.
using TDSResultado = std::vector<QByteArray>;

// One input of a server method, in parameter order.
struct TDSParam {
    enum class Tipo { Texto, Inteiro, Logico, Lista };
    Tipo tipo = Tipo::Texto;
    QString texto;
    qint64 inteiro = 0;
    bool logico = false;
    std::optional<QByteArray> lista; // JSON text; none = null list

    static TDSParam Str(const QString &v);
    static TDSParam Int(qint64 v);
    static TDSParam Bool(bool v);
    static TDSParam List(std::optional<QByteArray> v);
};

// The DataSnap REST connection: URL forms, headers and the session id.
class TDSRestConnection : public QObject {
    Q_OBJECT
public:
    explicit TDSRestConnection(QObject *owner = nullptr);

    QString Host;
    int Port = 8181;
    QString SessionId;
    int TimeoutMs = 90000;
    // Runs before every call (the module hands over its address here).
    std::function<void(TDSRestConnection &)> AntesDeExecutar;

    // GET puts every input in the path; POST the leading simple inputs and
    // the rest in the body. Returns the answer's "result" array. Transport
    // failures raise NetError, error answers EDSRestProtocolError.
    TDSResultado Executa(const QString &verbo, const QString &classe, const QString &metodo,
                                   const std::vector<TDSParam> &entradas);

    QString UrlDe(const QString &verbo, const QString &classe, const QString &metodo,
                  const std::vector<TDSParam> &entradas, QByteArray *corpo) const;
};

// Date-time as the server writes it: "yyyy-MM-dd HH:mm:ss[.zzz]", ISO with
// a "T", or a day count from 30/12/1899.
QDateTime DSLeDataHora(const nlohmann::ordered_json &v);

class TServerMethods1Client : public QObject {
    Q_OBJECT
public:
    TServerMethods1Client(TDSRestConnection *conexao, QObject *owner = nullptr);

    QString GetVersaoServ();
    bool TesteConexao();
    int Login(const QString &pUsuario, const QString &pSenha, const QString &pCodRep, int iTipo);
    NamedDataSets GetCfgDisponivel(int piConfig, const QString &psCodRep);
    NamedDataSets CarregaDadosConfig(int piConfig, const QString &psCodRep, bool pbRecargaClientes);
    bool RetornaCodCliRepres(const QByteArray &poCDSCodigos);
    QDateTime DataServidor(const QString &pTipo);
    bool AtualizaConfigRepres(int pConfig, const QString &pRepres);
    QString AtualizaNmRepresentante(const QString &pCodRep);
    QString AtualizaEmailFone(const QString &pCodRep, QString &pNrFone);
    bool CarregaPedidos(const QString &sCodRep, int iNrLote, const QByteArray &oCDSList,
                        QString &sLPedRejeitados, NamedDataSets &oCDSCodCliente);
    NamedDataSets DadosEmpresa(int pNrConfig);
    bool ExistePedido(const QString &sCodRep, const QString &sPedido, int &piNrLote, QDateTime &pDataSinc,
                      QDateTime &pHoraSinc);
    void SetVersaoRepres(const QString &psVersao);
    void GetVersaoRepresen(const QString &psVersao, const QString &psCodRep);

private:
    TDSResultado Chama(const char *verbo, const char *metodo, const std::vector<TDSParam> &entradas);
    TDSRestConnection *m_conexao;
};

class TFuncoesGClient : public QObject {
    Q_OBJECT
public:
    TFuncoesGClient(TDSRestConnection *conexao, QObject *owner = nullptr);

    QString BuscaTipoItem(int iConfig);
    // oCDSParametros: an encoded dataset list, or none.
    NamedDataSets ESelect(const QString &sSQL, QString &sMsgERRO, bool bCarregaImagens, const QString &sTipo,
                          const QString &sChave, const std::optional<QByteArray> &oCDSParametros);

private:
    TDSRestConnection *m_conexao;
};
