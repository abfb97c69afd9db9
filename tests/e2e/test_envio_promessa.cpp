// The send's promise: whatever step fails, once the fault is gone and the
// user does what the program told them, the back office holds every ticked
// order exactly once and each is marked locally with the batch the server
// stored it under. No order is ever marked while the server does not hold it.
#include "EnvioFixture.h"

using namespace envio;

namespace {

struct Falha {
    const char *passo;
    json rest;     // scenario additions on the JSON back-end
    json dataSnap; // and on DataSnap
    const char *alvoLocal = nullptr; // FALHA_TESTE row during the first send
};

// Every order the local database marks is held by the server.
void semMarcaSemServidor(Instalacao &base, const FakeLoja &fake)
{
    TXRQuery q;
    q.SetDatabase(base.dm->XRDtRepres);
    q.SQL().SetText(QStringLiteral("SELECT PED_NUME, PED_NRLOTE FROM PEDIDO WHERE PED_NRLOTE > 0"));
    q.Open();
    const json loja = fake.loja();
    for (q.first(); !q.eof(); q.next()) {
        const std::string numero = q.fieldByName(QStringLiteral("PED_NUME"))->asString().toStdString();
        bool achou = false;
        for (const auto &e : loja)
            achou = achou || e["pedido"] == numero;
        EXPECT_TRUE(achou) << "order " << numero << " marked but not on the server";
    }
}

} // namespace

TEST(EnvioPromessa, EveryTickedOrderEndsOnTheServerOnceAndMarkedWithItsBatch)
{
    const json erro500 = {{"status", 500}, {"times", 1}};
    const Falha falhas[] = {
        {"connection test", {{"answers", {{"TesteConexao", erro500}}}},
         {{"answers", {{"TServerMethods1.TesteConexao", erro500}}}}},
        {"version", {{"answers", {{"GetVersaoServ", erro500}}}}, {{"answers", {{"GetVersaoServ", erro500}}}}},
        {"fingerprint query", {{"answers", {{"executaSQLSelect", erro500}}}},
         {{"answers", {{"executaSQLSelect", erro500}}}}},
        {"allowed customers query", {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 2}, {"times", 2}}}}}},
         {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 2}, {"times", 2}}}}}}},
        {"one customer query", {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 3}, {"times", 3}}}}}},
         {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 3}, {"times", 3}}}}}}},
        {"login", {{"answers", {{"UpdateLogin", erro500}}}}, {{"answers", {{"TServerMethods1.Login", erro500}}}}},
        {"renumbering query", {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 5}, {"times", 5}}}}}},
         {{"answers", {{"executaSQLSelect", {{"status", 500}, {"from", 5}, {"times", 5}}}}}}},
        {"upload refused before storing", {{"answers", {{"UpdateEnviaInformacoes", erro500}}}},
         {{"answers", {{"TServerMethods1.CarregaPedidos", erro500}}}}},
        {"upload dropped before storing",
         {{"answers", {{"UpdateEnviaInformacoes", {{"drop", true}, {"times", 1}}}}}},
         {{"answers", {{"TServerMethods1.CarregaPedidos", {{"drop", true}, {"times", 1}}}}}}},
        {"stored, then 500", {{"apos", {{"UpdateEnviaInformacoes", erro500}}}},
         {{"apos", {{"TServerMethods1.CarregaPedidos", erro500}}}}},
        {"stored, then dropped", {{"apos", {{"UpdateEnviaInformacoes", {{"drop", true}, {"times", 1}}}}}},
         {{"apos", {{"TServerMethods1.CarregaPedidos", {{"drop", true}, {"times", 1}}}}}}},
        {"stored, then not JSON", {{"apos", {{"UpdateEnviaInformacoes", {{"raw", "<html>ok</html>"}, {"times", 1}}}}}},
         {{"apos", {{"TServerMethods1.CarregaPedidos", {{"raw", "<html>ok</html>"}, {"times", 1}}}}}}},
        {"stored, then past the time-out",
         {{"apos", {{"UpdateEnviaInformacoes", {{"delay", 4}, {"times", 1}}}}}},
         {{"apos", {{"TServerMethods1.CarregaPedidos", {{"delay", 4}, {"times", 1}}}}}}},
        {"date request", {{"answers", {{"UpdateDataServidor", {{"status", 500}, {"times", 2}}}}}},
         {{"answers", {{"TServerMethods1.DataServidor", {{"status", 500}, {"times", 2}}}}}}},
        {"local batch marking", json::object(), json::object(), "PEDIDO"},
        {"local customer marking", json::object(), json::object(), "CLIENTE"},
    };

    for (const bool rest : {true, false})
        for (const Falha &f : falhas) {
            SCOPED_TRACE(std::string(rest ? "json: " : "datasnap: ") + f.passo);
            json cenario = rest ? f.rest : f.dataSnap;
            cenario["versao"] = "9";
            cenario["codclientes"] = json::array({{{"CodCliRep", "00001"}, {"CodCli", "E77"}}});
            cenario["ds_codclientes"] = json::parse(R"({"fields": [["CodCliRep", "String", 5, 0, false],
                                                    ["CodCli", "String", 5, 0, false]], "rows": [["00001", "E77"]]})");
            FakeLoja fake(cenario);
            Instalacao base(rest, fake.porta, 2500);
            if (f.alvoLocal)
                base.sql(QStringLiteral("INSERT INTO FALHA_TESTE (ALVO) VALUES ('%1')").arg(QLatin1String(f.alvoLocal)));
            ScopedDialogRecorder rec;
            TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
            c.AtualizaListaPedidos();
            marca(c, {"00003", "00005"});
            rec->pushAnswer(MsgResult::Yes);
            c.Envia();
            semMarcaSemServidor(base, fake);
            base.sql(QStringLiteral("DELETE FROM FALHA_TESTE"));

            // the user goes on as told until nothing is left to send
            for (int volta = 0; volta < 4 && !listados(c).isEmpty(); ++volta) {
                const QStringList vistos = textos(rec);
                const bool conferir = std::any_of(vistos.begin(), vistos.end(), [](const QString &t) {
                    return t.contains(QLatin1String("Considerar Enviado"))
                        || t.startsWith(QLatin1String("Envio cancelado. Pedido(s) já enviado(s)"));
                });
                rec->clear();
                if (conferir)
                    for (const QString &n : listados(c)) {
                        ASSERT_TRUE(c.CDSPedidos.locate({"PED_NUME"}, {n}));
                        rec->pushAnswer(MsgResult::Yes);
                        c.ConsiderarEnviado();
                        semMarcaSemServidor(base, fake);
                    }
                if (conferir && listados(c).isEmpty())
                    break;
                rec->clear();
                marca(c, listados(c));
                rec->pushAnswer(MsgResult::Yes);
                c.Envia();
                semMarcaSemServidor(base, fake);
            }
            EXPECT_TRUE(listados(c).isEmpty()) << textos(rec).join(" | ").toStdString();

            std::map<std::string, int> porMd5;
            for (const auto &e : fake.loja()) {
                porMd5[e["md5"].get<std::string>()] += e["vezes"].get<int>();
                const QString numero = QString::fromStdString(e["pedido"].get<std::string>());
                EXPECT_EQ(base.valor("SELECT PED_NRLOTE FROM PEDIDO WHERE PED_NUME = '" + numero + "'").toInt(),
                          e["lote"].get<int>())
                    << numero.toStdString();
            }
            EXPECT_EQ(porMd5, (std::map<std::string, int>{{"MD5A", 1}, {"MD5B", 1}}));
            EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_IDFECHADO = 'S' AND (PED_DTSINCRONIZACAO IS NULL "
                                 "OR PED_DTSINCRONIZACAO < '2000-01-01')")
                          .toInt(),
                      0);
        }
}
