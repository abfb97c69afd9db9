#pragma once

// How the program body hands the server clients to the windows; kept in a
// header so the end-to-end tests wire the windows the same way.

#include "data/untDMRepres.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "windows/nucleo/InterfacesJanelas.h"

#include <stdexcept>

// The two server clients, made by the program body before any window asks.
namespace ligacao {
inline TDMComunicacao &Rest()
{
    if (!DMComunicacao)
        throw std::runtime_error("Cliente do servidor não criado.");
    return *DMComunicacao;
}
inline TClientModule1 &DataSnap()
{
    if (!ClientModule1)
        throw std::runtime_error("Cliente do servidor não criado.");
    return *ClientModule1;
}
} // namespace ligacao

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
        return rest ? ligacao::Rest().RetornaConexao(false) : ligacao::DataSnap().RetornaConexao();
    }
    int ConfereSenha(bool rest, const QString &usuario, const QString &senha, const QString &codRep) override
    {
        return rest ? ligacao::Rest().ConfereSenha(usuario, senha, codRep) : ligacao::DataSnap().ConfereSenha(usuario, senha, codRep);
    }
};

// The server as the report windows query it: the JSON client for the run
// that chose it, DataSnap for everything else.
class ServidorConsultasProgram final : public IServidorConsultas {
public:
    bool EhRest() override { return DMRepres && DMRepres->bConexaoRest(); }
    bool RetornaConexao(bool rest) override
    {
        return rest ? ligacao::Rest().RetornaConexao(false) : ligacao::DataSnap().RetornaConexao();
    }
    QString GetVersaoServ(bool rest) override
    {
        return rest ? ligacao::Rest().GetVersaoServ() : ligacao::DataSnap().ServerMethods1Client()->GetVersaoServ();
    }
    bool BuscaDadosSQL(const QString &sql, DataSet *resultado, DataSet *parametros) override
    {
        ligacao::Rest().BuscaDadosSQL(sql, resultado, parametros);
        return !ligacao::Rest().UltimaSemResposta();
    }
    NamedDataSets ESelect(const QString &sql, QString &msgErro, bool carregaImagens, const QString &tipo,
                          const QString &chave, const std::optional<QByteArray> &parametros) override
    {
        return ligacao::DataSnap().FuncoesGClient()->ESelect(sql, msgErro, carregaImagens, tipo, chave, parametros);
    }
    int ConfereSenhaDataSnap(const QString &usuario, const QString &senha, const QString &codRep) override
    {
        return ligacao::DataSnap().ConfereSenha(usuario, senha, codRep);
    }
    QString BuscaTipoItem(int config) override { return ligacao::DataSnap().FuncoesGClient()->BuscaTipoItem(config); }

};
