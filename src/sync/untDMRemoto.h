#pragma once

#include "platform/DataSet.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untDMCRemoto.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Tables received in one load, in load order; each named after its table.
using TListaCDS = std::vector<std::unique_ptr<DataSet>>;

// Progress of the table being written: (position, maximum). Called at the
// start and the end of a table and in between at most every ~50 ms, so a
// window can repaint its bar and let its event loop run.
using TProgressoCarga = std::function<void(int, int)>;

// The DataSnap back-end: connection, proxies and the received load tables.
class TClientModule1 : public QObject {
    Q_OBJECT
public:
    explicit TClientModule1(QObject *owner = nullptr);
    ~TClientModule1() override;

    TDSRestConnection *DSRestConnection;
    DataSet *CDSCodClientes; // CodCli, CodCliEmp

    QString DsHost;
    int NrPorta = 8181;

    // Created on first use, on DSRestConnection.
    TServerMethods1Client *ServerMethods1Client();
    TFuncoesGClient *FuncoesGClient();

    // Exists from the load window's creation until LimpaLista.
    std::unique_ptr<TListaCDS> oLstCDS;

    bool RetornaConexao();
    int ConfereSenha(const QString &sUsuario, const QString &sSenha, const QString &sCodRep);
    void GetCfgDisponivel(int piConfig, const QString &psCodRep, DataSet *oCDSUltSinc, DataSet *oCDSCfgDisp);
    bool CarregaTabelas(int iCodigo, const QString &sCodRep, bool bRecarregaClientes);
    bool GravaDadosEmpresa(int iCodigo);
    bool RetornaCodCliRepres(DataSet *oCodClientes);
    void LimpaLista();

    // The order send: the four local datasets of the listed orders and of
    // every unsent customer, the program version, then CarregaPedidos.
    // Failures are shown here; the answer's customer codes are appended to
    // oCDSRetClientes.
    TResultadoEnvio EnviaPedidos(const QString &sCodRep, const QString &sPedidos, int iNrLote, QString &sRejeitados,
                                 DataSet *oCDSRetClientes);
    // Writes one received table into the local table of the same name:
    // replaces its rows, or merges customers (by tax number) and contacts.
    // Failures are shown; false then. Commits retaining unless the
    // transaction's commits are held.
    bool GravaDados(DataSet *pCDSDados, const TProgressoCarga &pBarraProgresso, bool pbCargaNormal);
    // "DELETE FROM" the table; failures shown, false then.
    bool LimpaTabela(const QString &pTabela);
    // Local code of a server customer code: this load's new customers
    // first, then the stored ones; empty when none.
    QString RetornaCodCliLocal(const QString &pCodCliEmp);
    // The contact is stored already, or its customer has no local row.
    bool ExisteContato(const QString &pCodCliEmp, int pItem, const QString &pNome);

    // Name of the load table at a 0-based position; empty past the known ones.
    static QString NomeTabelaCarga(int posicao);

private:
    void MostraErroServidor(TDSRestConnection *conexao, const QString &contexto, const EDSRestProtocolError &erro);

    TServerMethods1Client *FServerMethods1Client = nullptr;
    TFuncoesGClient *FFuncoesGClient = nullptr;
};

extern TClientModule1 *ClientModule1;

// Copies the structure and rows of a received dataset into a memory table.
void CopiaDataSet(const DataSet &origem, DataSet &destino, bool manterDestino);
