#pragma once

#include <QString>

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
