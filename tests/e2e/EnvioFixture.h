#pragma once
// The order send against the stateful fake back office: a scratch database
// with closed orders and both clients pointed at the fake.

#include "FakeBackOffice.h"
#include "TestDb.h"

#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/net/HttpClient.h"
#include "sync/EnvioPedidosControle.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"


#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

namespace envio {

using nlohmann::json;

// The fake back office with its order store, on its own port.
class FakeLoja : public FakeBackOffice {
public:
    explicit FakeLoja(const json &cenario = json::object(), int vidaSegundos = 60)
        : FakeBackOffice(cenario, vidaSegundos)
    {
    }
    json loja() const { return get("/__store"); }
    int chamadas(const std::string &chave) const { return int(de(chave).size()); }
};

// Customers 00001 (CNPJ 11.111.111/0001-11) and 00002, closed unsent
// orders 00003 and 00005 with fingerprints MD5A and MD5B (items delivered
// with their order), an open order 00004, CONFIG.NRLOTE 7.
inline QString baseEnvio()
{
    return upgradedTemplate({
        "UPDATE CONFIG SET NRLOTE = 7",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ, CLI_IDENVIADO) VALUES ('00001', 'Loja Azul', "
        "'11.111.111/0001-11', 'N')",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ, CLI_IDENVIADO) VALUES ('00002', 'Loja Roxa', "
        "'22.222.222/0001-22', 'S')",
        "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_PDESC, PED_IDFECHADO, PED_MD5, "
        "PED_OBSE) VALUES ('00003', '00001', '2026-01-05', '2026-01-05', '2026-02-01', 0, 'S', 'MD5A', 'urgente')",
        "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_PDESC, PED_IDFECHADO, PED_MD5) "
        "VALUES ('00005', '00002', '2026-01-06', '2026-01-06', '2026-02-01', 10, 'S', 'MD5B')",
        "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_PDESC, PED_IDFECHADO) "
        "VALUES ('00004', '00001', '2026-01-06', '2026-01-06', '2026-02-01', 0, 'N')",
        "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, "
        "PEDIT_PREC_ORI, PEDIT_DT_ENTREGA) VALUES ('00003', 1, 'P1', 'AZ', 'M', 2, 10, 10, '2026-02-01')",
        "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, "
        "PEDIT_PREC_ORI, PEDIT_DT_ENTREGA) VALUES ('00003', 2, 'P2', 'VD', 'G', 1, 5, 5, '2026-02-01')",
        "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, "
        "PEDIT_PREC_ORI, PEDIT_DT_ENTREGA) VALUES ('00005', 1, 'P1', 'AZ', 'P', 3, 20, 20, '2026-02-01')",
        // local faults on demand: a row in FALHA_TESTE names the table whose
        // updates fail
        "CREATE TABLE FALHA_TESTE (ALVO VARCHAR(20))",
        "CREATE EXCEPTION E_FALHA_TESTE 'falha local de teste'",
        "CREATE TRIGGER T_FALHA_PEDIDO FOR PEDIDO BEFORE UPDATE AS BEGIN IF (NEW.PED_NRLOTE IS NOT NULL AND "
        "EXISTS (SELECT 1 FROM FALHA_TESTE WHERE ALVO = 'PEDIDO')) THEN EXCEPTION E_FALHA_TESTE; END",
        "CREATE TRIGGER T_FALHA_CLIENTE FOR CLIENTE BEFORE UPDATE AS BEGIN IF (EXISTS (SELECT 1 FROM FALHA_TESTE "
        "WHERE ALVO = 'CLIENTE')) THEN EXCEPTION E_FALHA_TESTE; END",
    });
}

// One install, the local-database module on the chosen back-end and both
// clients on the fake's port.
class Instalacao {
public:
    Instalacao(bool rest, int porta, int timeoutMs = 4000)
    {
        installTemplate(inst, baseEnvio());
        TDMRepresGanchos g;
        g.RetornaConexaoRest = [rest] { return rest; };
        dm = std::make_unique<TDMRepres>(g);
        dmc.DsHost = QStringLiteral("127.0.0.1");
        dmc.NrPorta = porta;
        dmc.TimeoutMs = timeoutMs;
        cm.DsHost = QStringLiteral("127.0.0.1");
        cm.NrPorta = porta;
        cm.DSRestConnection->TimeoutMs = timeoutMs;
    }
    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }
    QVariant valor(const QString &texto) { return scalar(*dm->XRDtRepres, texto); }

    ScratchInstall inst;
    std::unique_ptr<TDMRepres> dm;
    TDMComunicacao dmc;
    TClientModule1 cm;
};

// Ticks the listed orders of the controller's list.
inline void marca(TEnvioPedidosControle &c, const QStringList &numeros)
{
    for (const QString &n : numeros)
        if (c.CDSPedidos.locate({QStringLiteral("PED_NUME")}, {n}))
            c.Marca(true);
}

inline QStringList textos(const ScopedDialogRecorder &rec) { return rec.recorder().texts(); }

inline QStringList listados(TEnvioPedidosControle &c)
{
    QStringList r;
    for (int i = 0; i < c.CDSPedidos.recordCount(); ++i)
        r << c.CDSPedidos.valueAt(i, c.CDSPedidos.fieldIndex(QStringLiteral("PED_NUME"))).toString();
    return r;
}

} // namespace envio
