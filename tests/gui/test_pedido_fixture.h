#pragma once

#include "TestDb.h"

#include "components/Enter.h"
#include "data/UntScriptsRep.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/pedido/untPedido.h"
#include "windows/principal/untPrincipal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The upgraded database with a few customers, price tables, conditions and
// orders, made once and copied per test.
inline QString basePedidos()
{
    return upgradedTemplate({
            "UPDATE CONFIG SET NRULTCONFIG = 3, DTVALIDADE = CURRENT_DATE + 30, IDBLOQPEDDTSUP = 'S'",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS, CLI_NRDIAS, CLI_PRZMEDIO, CLI_NOMCID) "
            "VALUES ('00001', 'Loja Azul', NULL, 10, 60, 'Recife')",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS, CLI_NRDIAS, CLI_PRZMEDIO) "
            "VALUES ('00002', 'Loja Roxa', 'B', 0, 0)",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS, CLI_NRDIAS, CLI_PRZMEDIO) "
            "VALUES ('00003', 'Loja Cinza', 'N', 0, 0)",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS, CLI_NRDIAS, CLI_PRZMEDIO) "
            "VALUES ('00004', 'Loja Verde', 'S', 0, 75)",
            "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('SUL', 'Tabela Sul')",
            "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
            "COND_DESCMAX) VALUES ('306090', '30/60/90', 3, 30, 30, 2, 10)",
            "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
            "COND_DESCMAX) VALUES ('45', '45 dias', 1, 0, 45, 0, 0)",
            "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
            "COND_DESCMAX) VALUES ('AVISTA', 'A vista', 0, 0, 0, 0, 0)",
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, PED_CIF, "
            "PED_TABPRE, PED_IDFECHADO) VALUES ('00006', '00001', '2026-01-05', '2026-02-01', '2026-01-10', "
            "'306090', 9.5, '1', 'SUL', 'N')",
            "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, PED_CIF, "
            "PED_TABPRE, PED_IDFECHADO, PED_NRLOTE, PED_DTSINCRONIZACAO) VALUES ('00012', '00004', '2026-01-05', "
            "'2026-02-01', '2026-01-10', '45', 0, '0', 'SUL', 'S', 7, '2026-01-11')",
    });
}

class PedidoDbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { basePedidos(); }
    void SetUp() override
    {
        installTemplate(inst, basePedidos());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        rec->clear();
    }
    void TearDown() override { dm.reset(); }

    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
};

// The main window (login skipped) with the order window opened from its
// side bar; the caller keeps the main window.
inline TfmPedido *AbrePedidoPelaBarra(std::unique_ptr<TfmPrincipal> &principal)
{
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    principal = std::make_unique<TfmPrincipal>(g);
    CriaZVEnterPrincipal(principal.get()); // the keyboard rules, as the program installs them
    principal->show();
    RegistraJanelaPedido();
    QTest::mouseClick(principal->pnlPedido, Qt::LeftButton);
    return qobject_cast<TfmPedido *>(BuscaForm(QStringLiteral("TfmPedido")));
}

inline void FechaPedidoEPrincipal(std::unique_ptr<TfmPrincipal> &principal)
{
    principal.reset();
    UnRegisterClass(QStringLiteral("TfmPedido"));
}
