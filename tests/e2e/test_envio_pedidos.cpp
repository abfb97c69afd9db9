// Sending closed orders through both back-ends against the fake back office
// with its order store.
#include "EnvioFixture.h"

using namespace envio;

namespace {

const char *nome(bool rest) { return rest ? "json" : "datasnap"; }

json codigosClientes()
{
    return {{"codclientes", json::array({{{"CodCliRep", "00001"}, {"CodCli", "E77"}}})},
            {"ds_codclientes", json::parse(R"({"fields": [["CodCliRep", "String", 5, 0, false],
                                               ["CodCli", "String", 5, 0, false]], "rows": [["00001", "E77"]]})")}};
}

} // namespace

TEST(EnvioPedidos, TickedOrdersGoAsOneNumberedBatchAndAreMarked)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        json cenario = codigosClientes();
        cenario["versao"] = "17";
        FakeLoja fake(cenario);
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        EXPECT_EQ(c.NrLote, 8);
        EXPECT_EQ(listados(c), (QStringList{"00003", "00005"}));
        marca(c, {"00003", "00005"});
        rec->pushAnswer(MsgResult::Yes);
        c.Envia();

        EXPECT_EQ(textos(rec).last(), QStringLiteral("Envio de Pedidos efetuado com Sucesso!")) << textos(rec).join('|').toStdString();
        const auto entries = rec->entries();
        EXPECT_EQ(entries.back().title, QStringLiteral("Envio de Pedido"));
        EXPECT_EQ(entries.back().icon, MsgIcon::Information);
        const json loja = fake.loja();
        ASSERT_EQ(loja.size(), 2u);
        for (const auto &e : loja) {
            EXPECT_EQ(e["lote"], 8);
            EXPECT_EQ(e["vezes"], 1);
            EXPECT_EQ(e["codrep"], "001");
        }
        EXPECT_EQ(loja[0]["md5"], "MD5A");
        EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NRLOTE = 8 AND PED_DTSINCRONIZACAO = '2024-12-31' "
                             "AND PED_HRSINCRONIZACAO = '10:20:30'")
                      .toInt(),
                  2);
        EXPECT_EQ(base.valor("SELECT NRLOTE FROM CONFIG").toInt(), 8);
        EXPECT_EQ(base.valor("SELECT CLI_IDENVIADO || CLI_CODCLIEMP FROM CLIENTE WHERE CLI_CODI = '00001'").toString(),
                  QStringLiteral("SE77"));
        EXPECT_EQ(c.NrLote, 9);
        EXPECT_TRUE(listados(c).isEmpty());
    }
}

TEST(EnvioPedidos, NothingTickedLogsInAndSendsNothing)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        FakeLoja fake(json{{"versao", "17"}});
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        rec->pushAnswer(MsgResult::Yes);
        c.Envia();
        EXPECT_EQ(textos(rec), QStringList{"Confirma o Envio dos Pedidos Selecionados?"});
        EXPECT_EQ(fake.chamadas(rest ? "UpdateLogin" : "TServerMethods1.Login"), 1);
        EXPECT_EQ(fake.chamadas(rest ? "UpdateEnviaInformacoes" : "TServerMethods1.CarregaPedidos"), 0);
        EXPECT_EQ(listados(c).size(), 2);
    }
}

TEST(EnvioPedidos, AnAnswerThatAcceptsNothingIsAFailureAndMarksNothing)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        FakeLoja fake(json{{"versao", "17"}, {"aceita", false}});
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        marca(c, {"00003"});
        rec->pushAnswer(MsgResult::Yes);
        c.Envia();
        EXPECT_EQ(textos(rec).last(), QStringLiteral("Falha no Envio de Pedidos!"));
        EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NRLOTE > 0").toInt(), 0);
        EXPECT_EQ(base.valor("SELECT NRLOTE FROM CONFIG").toInt(), 7);
        EXPECT_EQ(listados(c).size(), 2);
    }
}

TEST(EnvioPedidos, DataSnapCodeListThatIsNotOneDatasetMarksNothing)
{
    const json vazio = json::parse(R"({"fields": [["CodCliRep", "String", 5, 0, false]], "rows": []})");
    FakeLoja fake(json{{"versao", "17"},
                       {"answers",
                        {{"TServerMethods1.CarregaPedidos",
                          {{"body", {{"result", {"", {{"$datasets", {{"a", vazio}, {"b", vazio}}}}, true}}}}}}}}});
    Instalacao base(false, fake.porta);
    ScopedDialogRecorder rec;
    TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
    c.AtualizaListaPedidos();
    marca(c, {"00003"});
    rec->pushAnswer(MsgResult::Yes);
    c.Envia();
    EXPECT_EQ(textos(rec).last(), QStringLiteral("Não foi possível confirmar o envio do lote 8. Verifique os pedidos com "
                                                 "\"Considerar Enviado\" antes de enviar novamente."));
    EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NRLOTE > 0").toInt(), 0);
    EXPECT_EQ(base.valor("SELECT NRLOTE FROM CONFIG").toInt(), 7);
}

TEST(EnvioPedidos, RejectedOrdersAreShownAndLeftUnsent)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        FakeLoja fake({{"versao", "17"}, {"rejeitar", {{"00005", "cliente sem limite, bloqueado"}}}});
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        QStringList mostrados;
        c.MostraRejeitados = [&](const QStringList &l) { mostrados = l; };
        c.AtualizaListaPedidos();
        marca(c, {"00003", "00005"});
        rec->pushAnswer(MsgResult::Yes);
        c.Envia();
        EXPECT_EQ(textos(rec).last(),
                  QStringLiteral("Envio de Pedidos efetuado com Sucesso!\rPorém, contém Pedidos Rejeitados!"));
        EXPECT_EQ(mostrados, QStringList{"Pedido Rejeitado: 00005 - cliente sem limite, bloqueado"});
        EXPECT_EQ(base.valor("SELECT PED_NRLOTE FROM PEDIDO WHERE PED_NUME = '00003'").toInt(), 8);
        EXPECT_TRUE(base.valor("SELECT PED_NRLOTE FROM PEDIDO WHERE PED_NUME = '00005'").isNull());
        EXPECT_EQ(listados(c), QStringList{"00005"});
    }
}

TEST(EnvioPedidos, ServerChecksCancelBeforeAnythingIsSent)
{
    const struct {
        const char *caso;
        json cenario;
        const char *mensagem;
    } casos[] = {
        {"already sent",
         {{"versao", "7"}, {"pedidos", {{{"pedido", "00090"}, {"md5", "MD5A"}}}}},
         "Envio cancelado. Pedido(s) já enviado(s) anteriormente: \r\rPedido 00003, no configurador 00090.\r"},
        {"customer blocked in the ERP",
         {{"versao", "7"}, {"erp_clientes", {{"11.111.111/0001-11", "C1"}}}},
         "Envio cancelado. Pedido(s) com cliente não vinculado ao representante, inativo ou bloqueado.\rFavor "
         "entrar em contato com o departamento comercial.\r\rPedido 00003\r"},
    };
    for (const bool rest : {true, false})
        for (const auto &k : casos) {
            SCOPED_TRACE(std::string(nome(rest)) + " " + k.caso);
            FakeLoja fake(k.cenario);
            Instalacao base(rest, fake.porta);
            ScopedDialogRecorder rec;
            TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
            c.AtualizaListaPedidos();
            marca(c, {"00003", "00005"});
            rec->pushAnswer(MsgResult::Yes);
            c.Envia();
            EXPECT_EQ(textos(rec), QStringList{QString::fromUtf8(k.mensagem)});
            EXPECT_EQ(fake.chamadas(rest ? "UpdateEnviaInformacoes" : "TServerMethods1.CarregaPedidos"), 0);
            EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NRLOTE > 0").toInt(), 0);
        }
}

TEST(EnvioPedidos, DeliveryDateQuestionOnlyForServersBefore17)
{
    const QString pergunta = QStringLiteral(
        "Há itens com data de entrega diferente da data de entrega do pedido.\r\nA versão do servidor está "
        "desatualizada e os itens receberão a data de entrega da capa do pedido.\r\n\r\nDeseja continuar?");
    for (const char *versao : {"16", "17"}) {
        SCOPED_TRACE(versao);
        FakeLoja fake(json{{"versao", versao}});
        Instalacao base(true, fake.porta);
        base.sql("UPDATE PED_ITEN SET PEDIT_DT_ENTREGA = '2026-03-01' WHERE PEDIT_NUME = '00005'");
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        marca(c, {"00005"});
        rec->pushAnswer(MsgResult::No);
        c.Envia();
        const auto e = rec->entries();
        ASSERT_FALSE(e.empty());
        if (QLatin1String(versao) == QLatin1String("16")) {
            EXPECT_EQ(e.front().text, pergunta);
            EXPECT_EQ(e.front().buttons, MsgButtons::YesNo);
            EXPECT_EQ(e.front().defaultButton, 2);
            EXPECT_EQ(e.size(), 1u);
        } else {
            EXPECT_EQ(e.front().text, QStringLiteral("Confirma o Envio dos Pedidos Selecionados?"));
        }
        EXPECT_EQ(fake.chamadas("UpdateEnviaInformacoes"), 0);
    }
}

TEST(EnvioPedidos, ConsiderarEnviadoTakesTheServersBatch)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        {
            FakeLoja fake(json{{"versao", "2"}});
            Instalacao base(rest, fake.porta);
            ScopedDialogRecorder rec;
            TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
            c.AtualizaListaPedidos();
            c.ConsiderarEnviado();
            EXPECT_EQ(textos(rec),
                      QStringList{"Servidor da empresa desatualizado. Impossível considerar enviado."});
        }
        FakeLoja fake({{"versao", "9"},
                         {"pedidos",
                          {{{"pedido", "00005"}, {"md5", "MD5B"}, {"lote", 12}, {"data", "20/12/2024"},
                            {"hora", "08:09:10"}}}}});
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        ASSERT_TRUE(c.CDSPedidos.locate({"PED_NUME"}, {"00003"}));
        rec->pushAnswer(MsgResult::Yes);
        c.ConsiderarEnviado();
        EXPECT_EQ(textos(rec), (QStringList{"Deseja considerar o Pedido: 00003 enviado? ",
                                            "Pedido não cadastrado no configurador da empresa."}));
        ASSERT_TRUE(c.CDSPedidos.locate({"PED_NUME"}, {"00005"}));
        rec->pushAnswer(MsgResult::Yes);
        c.ConsiderarEnviado();
        EXPECT_EQ(base.valor("SELECT PED_NRLOTE || ' ' || PED_DTSINCRONIZACAO || ' ' || PED_HRSINCRONIZACAO FROM PEDIDO "
                             "WHERE PED_NUME = '00005'")
                      .toString(),
                  QStringLiteral("12 2024-12-20 08:09:10.0000"));
        // the server's batch number is not handed out again
        EXPECT_EQ(c.NrLote, 13);
        EXPECT_EQ(listados(c), QStringList{"00003"});
    }
}

TEST(EnvioPedidos, OrderWhoseNumberTheServerHoldsIsRenumberedAndSentOnce)
{
    for (const bool rest : {true, false}) {
        SCOPED_TRACE(nome(rest));
        FakeLoja fake({{"versao", "9"},
                         {"pedidos", {{{"pedido", "00003"}, {"md5", "OUTRO"}}, {{"pedido", "00040"}, {"md5", "X"}}}}});
        Instalacao base(rest, fake.porta);
        ScopedDialogRecorder rec;
        TEnvioPedidosControle c(QStringLiteral("Envio de Pedido"));
        c.AtualizaListaPedidos();
        marca(c, {"00003"});
        rec->pushAnswer(MsgResult::Yes);
        c.Envia();
        EXPECT_EQ(textos(rec).mid(1), (QStringList{"Envio de Pedidos efetuado com Sucesso!",
                                                   "PEDIDOS RENUMERADOS:\r\r\"00003\" renumerado para \"00041\"\r"}));
        EXPECT_EQ(base.valor("SELECT PED_OBSE FROM PEDIDO WHERE PED_NUME = '00041'").toString(),
                  QStringLiteral("NUMERO ORIGINAL 00003.\rurgente"));
        EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PED_ITEN WHERE PEDIT_NUME = '00041'").toInt(), 2);
        EXPECT_EQ(base.valor("SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME = '00003'").toInt(), 0);
        int vezes = 0;
        for (const auto &e : fake.loja())
            if (e["md5"] == "MD5A") {
                EXPECT_EQ(e["pedido"], "00041");
                vezes += e["vezes"].get<int>();
            }
        EXPECT_EQ(vezes, 1);
    }
}
