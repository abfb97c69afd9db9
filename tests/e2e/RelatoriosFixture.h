#pragma once
// The report windows against the fake back office: a scratch database,
// both server clients on the fake, the program's own server wiring.

#include "FakeBackOffice.h"
#include "TestDb.h"

#include "LigacaoServidores.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/relatorios/JanelasRelatorios.h"

#include <nlohmann/json.hpp>

#include <memory>

namespace relatorios {

using nlohmann::json;

inline json tabela(const char *campos, const json &linhas)
{
    return {{"fields", json::parse(campos)}, {"rows", linhas}};
}

// One install, the module on the chosen back-end, both clients on the fake.
class Ambiente {
public:
    Ambiente(bool rest, const json &cenario, const QStringList &seed = {})
        : fake(cenario)
    {
        installTemplate(inst, upgradedTemplate(seed));
        dmc.DsHost = cm.DsHost = QStringLiteral("127.0.0.1");
        dmc.NrPorta = cm.NrPorta = fake.porta;
        dmc.TimeoutMs = 8000;
        cm.DSRestConnection->TimeoutMs = 8000;
        TDMRepresGanchos g;
        g.RetornaConexaoRest = [rest] { return rest; };
        dm = std::make_unique<TDMRepres>(g);
        TOpcoesRelatorios opcoes;
        opcoes.pausaEsperaMs = 0;
        opcoes.verificaInternet = [this](QString &) { return online; };
        RegistraJanelasRelatorios(&servidor, opcoes);
        rec->clear();
    }
    ~Ambiente()
    {
        // the registry must not keep this test's server
        UnRegisterClass(QStringLiteral("TfmGeraRel"));
        UnRegisterClass(QStringLiteral("TfmRelEstoque"));
    }
    QVariant valor(const QString &sql) { return scalar(*dm->XRDtRepres, sql); }
    // The SQL texts the fake received, in order: the JSON body's "sql" or
    // the DataSnap ESelect's first argument.
    QStringList sqls() const
    {
        QStringList r;
        for (const auto &q : fake.requisicoes()) {
            if (q["key"] == "UpdateCarregaDados")
                r << QString::fromStdString(json::parse(q["body"].get<std::string>())[0]["sql"].get<std::string>());
            else if (q["key"] == "TFuncoesG.ESelect")
                r << QString::fromStdString(q["args"][0].get<std::string>());
        }
        return r;
    }

    bool online = true;
    ScratchInstall inst;
    ScopedDialogRecorder rec;
    FakeBackOffice fake;
    TDMComunicacao dmc;
    TClientModule1 cm;
    std::unique_ptr<TDMRepres> dm;
    ServidorConsultasProgram servidor;
};

} // namespace relatorios
