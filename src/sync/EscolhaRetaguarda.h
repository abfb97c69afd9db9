#pragma once

#include "platform/DataSet.h"

#include <QDateTime>
#include <QString>

#include <optional>

// How an order upload ended. Incerto: the server may have stored the batch
// (time-out, dropped connection, unreadable or error answer), so nothing may
// be marked; Recusado: it surely holds nothing of it.
enum class TResultadoEnvio { Aceito, Recusado, Incerto };

// The server operations that exist once per back-end with the same
// arguments. The JSON side reports its own failures and answers "nothing";
// the DataSnap side raises them to the caller.
class IRetaguarda {
public:
    virtual ~IRetaguarda() = default;
    virtual bool EhRest() const = 0;
    virtual bool RetornaConexao() = 0; // with messages
    virtual int ConfereSenha(const QString &sUsuario, const QString &sSenha, const QString &sCodRep) = 0;
    virtual QString GetVersaoServ() = 0;
    virtual QDateTime DataServidor(const QString &sTipo) = 0;
    virtual void GetCfgDisponivel(int iConfig, const QString &sCodRep, DataSet *oCDSUltSinc, DataSet *oCDSCfgDisp) = 0;
    virtual bool CarregaTabelas(int iCodigo, const QString &sCodRep, bool bRecarregaClientes) = 0;
    virtual bool GravaDadosEmpresa(int iCodigo) = 0;
    virtual bool RetornaCodCliRepres(DataSet *oCodClientes) = 0;
    virtual QString AtualizaNmRepresentante(const QString &sCodRep) = 0;
    virtual QString AtualizaEmailFone(const QString &sCodRep, QString &sNrFone) = 0;
    virtual bool AtualizaConfigRepres(int iConfig, const QString &sCodRep) = 0;
    // Reports the program version (JSON: PostVersaoRepresen; DataSnap: GetVersaoRepresen).
    virtual void InformaVersao(const QString &sVersao, const QString &sCodRep) = 0;
    virtual bool ExistePedido(const QString &sCodRep, const QString &sPedido, int &iNrLote, QDateTime &dDataSinc,
                              QDateTime &dHoraSinc) = 0;

    // The order batch upload; its own failures are reported to the user.
    // Customer codes of the answer are appended to oCDSRetClientes.
    virtual TResultadoEnvio EnviaPedidos(const QString &sCodRep, const QString &sPedidos, int iNrLote,
                                         QString &sRejeitados, DataSet *oCDSRetClientes) = 0;
    // DataServidor that tells a missing answer from a date.
    virtual std::optional<QDateTime> DataServidorEnvio(const QString &sTipo) = 0;
};

// The twin of the run's back-end (DMRepres->bConexaoRest(), asked once per run).
IRetaguarda &Retaguarda();

// The server's date ("D") or time ("H") through the run's back-end; none
// when the server gave no answer (a JSON failure was shown already).
std::optional<QDateTime> DataHoraServidor(const QString &sTipo);

// Installs the silent JSON connection test as the local-database module's
// back-end probe; the program body calls it before creating that module.
void InstalaEscolhaRetaguarda();
