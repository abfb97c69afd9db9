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
