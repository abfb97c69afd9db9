#pragma once

// How the program body hands the server clients to the windows; kept in a
// header so the end-to-end tests wire the windows the same way.

#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "windows/nucleo/InterfacesJanelas.h"

#include <stdexcept>

// The first-run window's server test and login, through whichever client
// the run chose.
class ServidorPosInstalProgram final : public IServidorPosInstal {
public:
    void EnderecoRest(const QString &host, int porta) override
    {
        if (DMComunicacao) {
            DMComunicacao->DsHost = host;
            DMComunicacao->NrPorta = porta;
        }
    }
    bool EnderecoDataSnap(const QString &host, int porta) override
    {
        if (!ClientModule1)
            return false;
        ClientModule1->DsHost = host;
        ClientModule1->NrPorta = porta;
        return true;
    }
    bool RetornaConexao(bool rest) override
    {
        return rest ? Rest().RetornaConexao(false) : DataSnap().RetornaConexao();
    }
    int ConfereSenha(bool rest, const QString &usuario, const QString &senha, const QString &codRep) override
    {
        return rest ? Rest().ConfereSenha(usuario, senha, codRep) : DataSnap().ConfereSenha(usuario, senha, codRep);
    }

private:
    static TDMComunicacao &Rest()
    {
        if (!DMComunicacao)
            throw std::runtime_error("Cliente do servidor não criado.");
        return *DMComunicacao;
    }
    static TClientModule1 &DataSnap()
    {
        if (!ClientModule1)
            throw std::runtime_error("Cliente do servidor não criado.");
        return *ClientModule1;
    }
};
