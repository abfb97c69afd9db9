#pragma once

#include "platform/DataSet.h"
#include "platform/DataSetStream.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The server clients, as the main window hands them the server address.
class IServidorEndereco {
public:
    virtual ~IServidorEndereco() = default;
    virtual void SetEndereco(const QString &host, int porta) = 0;
};

// The order window, as the main window asks whether an order is being edited.
class IPedidoEmEdicao {
public:
    virtual ~IPedidoEmEdicao() = default;
    // The confirmation panel is visible.
    virtual bool EmEdicao() const = 0;
};

// The server clients, as the first-run window tests the typed server and
// login through the run's back-end.
class IServidorPosInstal {
public:
    virtual ~IServidorPosInstal() = default;
    // Address and port for the JSON client (given first, before the
    // back-end choice tests it).
    virtual void EnderecoRest(const QString &host, int porta) = 0;
    // The same for the DataSnap client; false when it does not exist.
    virtual bool EnderecoDataSnap(const QString &host, int porta) = 0;
    // Connection test of the chosen back-end. The JSON side shows its own
    // failure and answers false; the DataSnap side throws.
    virtual bool RetornaConexao(bool rest) = 0;
    // Server login: 0 accepted, else the login error number.
    virtual int ConfereSenha(bool rest, const QString &usuario, const QString &senha, const QString &codRep) = 0;
};

// The server, as the reports and the stock report query it. The JSON side
// shows its own failures and leaves the answer empty; the DataSnap side
// throws.
class IServidorConsultas {
public:
    virtual ~IServidorConsultas() = default;
    // The back-end the run chose: true for the JSON REST API.
    virtual bool EhRest() = 0;
    virtual bool RetornaConexao(bool rest) = 0;
    virtual QString GetVersaoServ(bool rest) = 0;
    // JSON REST API: the rows of a SELECT (parametros: CAMPO, VALOR, TIPO; or
    // none); false when no answer came (the failure was shown).
    virtual bool BuscaDadosSQL(const QString &sql, DataSet *resultado, DataSet *parametros) = 0;
    // DataSnap: the answer's dataset list ("SELECT", "IMAGENS"); msgErro the
    // server's own error text. parametros: an encoded dataset list, or none.
    virtual NamedDataSets ESelect(const QString &sql, QString &msgErro, bool carregaImagens, const QString &tipo,
                                  const QString &chave, const std::optional<QByteArray> &parametros) = 0;
    // DataSnap: server login, 0 accepted, else the login error number.
    virtual int ConfereSenhaDataSnap(const QString &usuario, const QString &senha, const QString &codRep) = 0;
    // DataSnap: the item type of a configuration ("P" products).
    virtual QString BuscaTipoItem(int config) = 0;
};

// The main window's report definitions, as the report generator views them.
class IRelatoriosPrincipal {
public:
    virtual ~IRelatoriosPrincipal() = default;
    virtual DataSet *TabelaRelatorios() = 0;  // CODIGO, DESCRICAO, CODIGOSQL
    virtual DataSet *TabelaParametros() = 0;  // the parameter rows as the server sent them
    virtual QString RelatorioEscolhido() const = 0;
};
