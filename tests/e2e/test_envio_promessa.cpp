// The send's promise: whatever step fails, once the fault is gone and the
// user does what the program told them, the back office holds every ticked
// order exactly once and each is marked locally with the batch the server
// stored it under. No order is ever marked while the server does not hold it.
#include "EnvioFixture.h"

#include <QDir>
#include <QFileInfo>

using namespace envio;

namespace {

struct Falha {
    const char *passo;
    json rest;     // scenario additions on the JSON back-end
    json dataSnap; // and on DataSnap
    // what the first send leaves, per back-end (JSON, DataSnap): orders the
    // server holds and how the send ended: 'S' success, 'C' "cannot
    // confirm", '-' stopped before the upload
    const char *efeito;
    const char *alvoLocal = nullptr; // FALHA_TESTE row during the first send
};

char Fim(const QStringList &vistos)
{
    if (vistos.contains(QStringLiteral("Envio de Pedidos efetuado com Sucesso!")))
        return 'S';
    for (const QString &t : vistos)
        if (t.startsWith(QStringLiteral("Não foi possível confirmar o envio do lote 8.")))
            return 'C';
    return '-';
}

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
    const json e500 = {{"status", 500}, {"times", 1}};
    // the k-th call of a key fails once
    auto naChamada = [](int k) { return json{{"status", 500}, {"from", k}, {"times", k}}; };
    const json cai = {{"drop", true}, {"times", 1}};
    const json naoJson = {{"raw", "<html>ok</html>"}, {"times", 1}};
    const json demora = {{"delay", 4}, {"times", 1}};
    const json ambas = {{"status", 500}, {"times", 2}}; // date and time
    auto em = [](const char *onde, const char *chave, const json &falha) { return json{{onde, {{chave, falha}}}}; };
    const char *const sel = "executaSQLSelect";
    const char *const up = "UpdateEnviaInformacoes";
    const char *const dsUp = "TServerMethods1.CarregaPedidos";
    // On DataSnap the checks that cannot ask the server pass, as they always did.
    const Falha falhas[] = {
        {"connection test", em("answers", "TesteConexao", e500), em("answers", "TServerMethods1.TesteConexao", e500),
         "0- 0-"},
        {"version", em("answers", "GetVersaoServ", e500), em("answers", "GetVersaoServ", e500), "0- 2S"},
        {"fingerprint query", em("answers", sel, naChamada(1)), em("answers", sel, naChamada(1)), "0- 2S"},
        {"allowed customers query", em("answers", sel, naChamada(2)), em("answers", sel, naChamada(2)), "0- 2S"},
        {"one customer query", em("answers", sel, naChamada(3)), em("answers", sel, naChamada(3)), "0- 2S"},
        {"login", em("answers", "UpdateLogin", e500), em("answers", "TServerMethods1.Login", e500), "0- 0-"},
        {"renumbering query", em("answers", sel, naChamada(5)), em("answers", sel, naChamada(5)), "0- 2S"},
        {"upload fails before storing", em("answers", up, e500), em("answers", dsUp, e500), "0C 0C"},
        {"upload dropped before storing", em("answers", up, cai), em("answers", dsUp, cai), "0C 0C"},
        {"stored, then 500", em("apos", up, e500), em("apos", dsUp, e500), "2C 2C"},
        {"stored, then dropped", em("apos", up, cai), em("apos", dsUp, cai), "2C 2C"},
        {"stored, then not JSON", em("apos", up, naoJson), em("apos", dsUp, naoJson), "2C 2C"},
        {"stored, then past the time-out", em("apos", up, demora), em("apos", dsUp, demora), "2C 2C"},
        {"date request", em("answers", "UpdateDataServidor", ambas), em("answers", "TServerMethods1.DataServidor", ambas),
         "2S 2S"},
        {"local batch marking", json::object(), json::object(), "2C 2C", "PEDIDO"},
        {"local customer marking", json::object(), json::object(), "2S 2S", "CLIENTE"},
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
            if (QLatin1String(f.passo) == QLatin1String("date request")) {
                QString log;
                for (const QFileInfo &i : QDir(base.inst.path(QStringLiteral("Logs"))).entryInfoList(QDir::Files))
                    log += QString::fromUtf8(base.inst.readFile(QStringLiteral("Logs/") + i.fileName()));
                EXPECT_TRUE(log.contains(QStringLiteral("Lote 8: servidor sem data ou hora"))) << log.toStdString();
                EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_DTSINCRONIZACAO = CURRENT_DATE").toInt(), 2);
            }
            const char *efeito = f.efeito + (rest ? 0 : 3);
            EXPECT_EQ(int(fake.loja().size()), efeito[0] - '0');
            EXPECT_EQ(Fim(textos(rec)), efeito[1]) << textos(rec).join(" | ").toStdString();
            base.sql(QStringLiteral("DELETE FROM FALHA_TESTE"));

            // the user goes on as told until nothing is left to send
            for (int volta = 0; volta < 4 && !listados(c).isEmpty(); ++volta) {
                const QStringList vistos = textos(rec);
                const bool conferir = std::any_of(vistos.begin(), vistos.end(), [](const QString &t) {
                    return t.contains(QLatin1String("Considerar Enviado"))
                        || t.startsWith(QStringLiteral("Envio cancelado. Pedido(s) já enviado(s)"));
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
