#include "test_pedido_fixture.h"

#include "windows/pedido/regras/PedidoControlador.h"

#include <optional>

namespace {

using Pesquisa = PedidoControlador::Pesquisa;

class CabecalhoTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        PedidoDbTest::SetUp();
        c = std::make_unique<PedidoControlador>(dm.get());
        c->abrePesquisa = [this](Pesquisa p) {
            pesquisas.push_back(p);
            return respostaPesquisa;
        };
    }
    void TearDown() override
    {
        c.reset();
        PedidoDbTest::TearDown();
    }

    std::unique_ptr<PedidoControlador> c;
    std::vector<Pesquisa> pesquisas;
    QString respostaPesquisa;
};

} // namespace

TEST_F(CabecalhoTest, OrderNumberOnExit)
{
    struct Caso {
        const char *numeroConfig; // CONFIG.NUMERO, nullptr for NULL
        QString digitado;
        QString esperado;
        QStringList mensagens;
        bool carregado;
    } casos[] = {
        {"00042", "123", "00042", {}, false},
        {"00042", "", "00042", {}, false},
        // already used, even when written without its zeros
        {"6", "", "00013", {}, false},
        {"00006", "", "00013", {}, false},
        {nullptr, "", "00013", {}, false},
        {nullptr, "12", "", {"Pedido 12 Inválido."}, false},
        {nullptr, "00012", "00012", {}, true},
        {"00006", "6", "", {"Pedido 6 Inválido."}, false},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(QString(QString::fromLatin1(k.numeroConfig ? k.numeroConfig : "NULL") + " / " + k.digitado)
                         .toStdString());
        sql(k.numeroConfig ? QStringLiteral("UPDATE CONFIG SET NUMERO = '%1'").arg(k.numeroConfig)
                           : QStringLiteral("UPDATE CONFIG SET NUMERO = NULL"));
        rec->clear();
        c->LimpaTela();
        c->cliente = "lixo";
        c->numero = k.digitado;
        c->EdtNumeroExit();
        EXPECT_EQ(c->numero, k.esperado);
        EXPECT_EQ(rec->texts(), k.mensagens);
        EXPECT_EQ(c->bData, k.carregado);
        EXPECT_EQ(c->foco, k.mensagens.isEmpty() ? QString() : QString("EdtNumero"));
        if (!k.carregado && !k.mensagens.isEmpty()) {
            EXPECT_EQ(c->cliente, ""); // the window was cleared
        }
    }
}

TEST_F(CabecalhoTest, LoadedOrderReplacesEverythingShownBefore)
{
    c->descontos.campos = {"5", "5", "5", "5"};
    c->descontos.unificado = 18.55;
    c->prazo = "P1";
    c->numero = "00006";
    ASSERT_TRUE(c->BuscaPedidos());
    EXPECT_EQ(c->descontos.campos, (std::array<QString, 4>{"9,50", "", "", ""}));
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 9.5);
    EXPECT_EQ(c->prazo, "");
    EXPECT_EQ(c->cliente, "00001");
    EXPECT_EQ(c->descCliente, "Loja Azul");
    EXPECT_EQ(c->infSituacao, "Liberado");
    EXPECT_EQ(c->descTabela, "Tabela Sul");
    EXPECT_EQ(c->descCondicao, "30/60/90");
    EXPECT_DOUBLE_EQ(c->precos.nTaxa, 1.04);
    EXPECT_DOUBLE_EQ(c->precos.nDescMax, 10);
    EXPECT_EQ(c->cif, 1);
    EXPECT_EQ(c->fatura, QDate(2026, 1, 10));
    EXPECT_FALSE(c->FbFechado);
    EXPECT_FALSE(c->FbEnviado);
    EXPECT_EQ(c->FCondicoesSel, QStringList{"306090"});

    // leaving a discount field recomputes this order's discount
    c->SaiDesconto("2");
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 9.5);
    EXPECT_TRUE(rec->texts().isEmpty());

    c->numero = "00012";
    ASSERT_TRUE(c->BuscaPedidos());
    EXPECT_TRUE(c->FbFechado);
    EXPECT_TRUE(c->FbEnviado);
    EXPECT_EQ(c->statusPedido, "Transmitido");
    EXPECT_EQ(c->lotePedido, "7");

    c->numero = "00099";
    EXPECT_FALSE(c->BuscaPedidos());
    EXPECT_EQ(c->cliente, "00004"); // nothing changed but the closed flag
    EXPECT_FALSE(c->FbFechado);
}

TEST_F(CabecalhoTest, CustomerExit)
{
    struct Caso {
        QString codigo, pesquisado;
        bool aceito;
        QString mensagem, situacao;
    } casos[] = {
        {"00001", "", true, "", "Liberado"},
        {"", "00001", true, "", "Liberado"},
        {"00002", "", false, "Cliente Bloqueado.", "Bloqueado"},
        {"00003", "", false, "Cliente Inativo.", "Inativo"},
        {"00077", "", false, "Cliente não encontrado.", ""},
        {"", "", false, "Cliente não encontrado.", ""},
        {"0'1", "", false, "Cliente não encontrado.", ""},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.codigo.toStdString());
        rec->clear();
        pesquisas.clear();
        c->LimpaTela();
        c->emissao = QDate::currentDate();
        respostaPesquisa = k.pesquisado;
        c->cliente = k.codigo;
        EXPECT_EQ(c->edtCodClienteExit(), k.aceito);
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
        EXPECT_EQ(c->foco, k.aceito ? QString() : QString("edtCodCliente"));
        if (!k.situacao.isEmpty()) {
            EXPECT_EQ(c->infSituacao, k.situacao);
        }
        EXPECT_EQ(pesquisas.size(), k.codigo.isEmpty() ? 1u : 0u);
    }
    // a released customer's delivery days set the dates of a new order
    c->LimpaTela();
    c->emissao = QDate::currentDate();
    c->cliente = "00001";
    ASSERT_TRUE(c->edtCodClienteExit());
    EXPECT_EQ(c->fatura, QDate::currentDate());
    EXPECT_EQ(c->entrega, QDate::currentDate().addDays(10));
    EXPECT_EQ(c->NrDias, 10);
    EXPECT_EQ(c->infCidade, "Recife");
}

TEST_F(CabecalhoTest, ConditionsAllowedByTheCustomersAverageTerm)
{
    c->tabela = "SUL";
    c->cliente = "00001"; // average term 60
    ASSERT_TRUE(c->edtCodClienteExit());
    EXPECT_EQ(c->FCondicoesSel, QStringList{"306090"}); // a condition without instalments matches none
    EXPECT_EQ(c->SqlPesquisa(Pesquisa::Condicao),
              (QStringList{"SELECT COND_DESCRICAO, COND_CODCOND", "FROM CONDICAO", "WHERE COND_CODCOND IN ('306090')"}));

    struct Caso {
        QString codigo;
        bool aceito;
        QString mensagem;
    } casos[] = {
        {"45", false, "Cond. Pagto 45 não pertence ao cliente. "},
        {"AVISTA", false, "Cond. Pagto AVISTA não pertence ao cliente. "},
        {"X9", false, "Condição de Pagamento Inválida."},
        {"306090", true, ""},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.codigo.toStdString());
        rec->clear();
        c->condicao = k.codigo;
        EXPECT_EQ(c->edtCodCondExit(), k.aceito);
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
        EXPECT_EQ(c->foco, k.aceito ? QString() : QString("edtCodCond"));
    }
    EXPECT_DOUBLE_EQ(c->precos.nTaxa, 1.04);
    EXPECT_DOUBLE_EQ(c->precos.nDescMax, 10);

    // no condition averages 75 days: every one is offered and accepted
    c->LimpaTela();
    c->tabela = "SUL";
    c->cliente = "00004";
    ASSERT_TRUE(c->edtCodClienteExit());
    EXPECT_TRUE(c->FCondicoesSel.isEmpty());
    EXPECT_EQ(c->SqlPesquisa(Pesquisa::Condicao).size(), 2);
    c->condicao = "45";
    EXPECT_TRUE(c->edtCodCondExit());
    EXPECT_DOUBLE_EQ(c->precos.nTaxa, 1);
}

TEST_F(CabecalhoTest, ConditionWithALowerLimitZeroesTheOrderDiscount)
{
    c->tabela = "SUL";
    c->condicao = "45";
    ASSERT_TRUE(c->edtCodCondExit());
    c->descontos.campos = {"8", "5", "", ""};
    c->SaiDesconto("2");
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 12.6);

    rec->clear();
    c->condicao = "306090";
    ASSERT_TRUE(c->edtCodCondExit());
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Pedido maior que Desconto máximo da Condição (máx: 10,00%)\r"
                                        "Desconto do Pedido será zerado"});
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 0);

    rec->clear();
    c->descontos.campos = {"8", "5", "", ""};
    c->SaiDesconto("2");
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Pedido acima do permitido (máx: 10,00%)"});
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 8);

    rec->clear();
    c->condicao = "";
    c->descontos.campos = {"3", "", "", ""};
    c->SaiDesconto("1");
    EXPECT_EQ(rec->texts(),
              QStringList{"Antes de conceder Desconto do Pedido, deve-se informar a Condição de Pagamento"});
    EXPECT_DOUBLE_EQ(c->descontos.unificado, 0);
}

TEST_F(CabecalhoTest, TableAndPeriodExits)
{
    struct Caso {
        QString codigo;
        bool comPrazos;
        bool aceito;
        QString mensagem;
    } tabelas[] = {
        {"SUL", false, true, ""},
        {"NORTE", false, false, "Tabela não encontrada."},
    };
    for (const Caso &k : tabelas) {
        rec->clear();
        c->tabela = k.codigo;
        EXPECT_EQ(c->edtCodTabExit(), k.aceito) << k.codigo.toStdString();
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
    }

    const Caso prazos[] = {
        {"QQ", false, true, ""}, // no periods: optional and unchecked
        {"", false, true, ""},
        {"P1", true, true, ""},
        {"QQ", true, false, "Período não encontrado."},
    };
    for (const Caso &k : prazos) {
        if (k.comPrazos)
            sql("UPDATE OR INSERT INTO TABPRZ (TABP_PRAZO, TABP_DESCRICAO) VALUES ('P1', 'Primeira quinzena') "
                "MATCHING (TABP_PRAZO)");
        rec->clear();
        c->prazo = k.codigo;
        EXPECT_EQ(c->edtCodPrazoExit(), k.aceito) << k.codigo.toStdString();
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
        EXPECT_TRUE(pesquisas.empty());
    }
    c->prazo = "P1";
    c->edtCodPrazoChange();
    EXPECT_EQ(c->descPrazo, "Primeira quinzena");
}

TEST_F(CabecalhoTest, InvoiceAndDeliveryDates)
{
    const QDate hoje = QDate::currentDate();
    const QString pergunta = "Data digitada é maior que um ano da atual\r      Confirma a data digitada?";
    struct Caso {
        int diasFatura, diasEntrega;
        std::optional<MsgResult> resposta;
        bool aceito;
        QString mensagem;
        int entregaDepois;
        QString foco;
    } casos[] = {
        {0, 5, {}, true, "", 5, ""},
        {-1, 5, {}, false, "Data digitada é menor que a atual.", 5, "edtVen_Fatura"},
        {365, 400, {}, true, "", 400, ""},
        {366, 400, MsgResult::No, false, pergunta, 400, "edtVen_Fatura"},
        {366, 400, MsgResult::Yes, true, pergunta, 400, ""},
        {20, 5, {}, true, "", 20, "EdtEntrega"}, // the delivery date follows
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.diasFatura);
        rec->clear();
        if (k.resposta)
            rec->pushAnswer(*k.resposta);
        c->bData = false;
        c->fatura = hoje.addDays(k.diasFatura);
        c->entrega = hoje.addDays(k.diasEntrega);
        EXPECT_EQ(c->edtVen_FaturaExit(), k.aceito);
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
        EXPECT_EQ(c->entrega, hoje.addDays(k.entregaDepois));
        EXPECT_EQ(c->foco, k.foco);
        if (k.resposta) {
            const auto e = rec->entries();
            EXPECT_EQ(e[0].buttons, MsgButtons::YesNo);
            EXPECT_EQ(e[0].defaultButton, 2);
        }
    }

    rec->clear();
    c->entrega = hoje.addDays(-3);
    EXPECT_FALSE(c->EdtEntregaExit());
    EXPECT_EQ(rec->texts(), QStringList{"Data digitada é menor que a atual."});

    // a loaded order skips the checks but still drags the delivery date
    rec->clear();
    c->bData = true;
    c->fatura = hoje.addDays(-30);
    c->entrega = hoje.addDays(-40);
    EXPECT_TRUE(c->edtVen_FaturaExit());
    EXPECT_TRUE(c->EdtEntregaExit());
    EXPECT_EQ(c->entrega, hoje.addDays(-30));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(CabecalhoTest, NewOrderChecksTheDataLoad)
{
    const QString incompleta = "A carga de dados está incompleta. Favor baixar a carga novamente para continuar.";
    const QString bloqueia = "Data Atual é superior a Validade da Carga de Pedidos\rOperação Cancelada";
    const QString pergunta = "Data Atual é superior a Validade da Carga de Pedidos\rDeseja continuar assim mesmo?";
    struct Caso {
        int nrConfig;
        int diasValidade;
        const char *bloqueio;
        std::optional<MsgResult> resposta;
        bool aceito;
        QString mensagem;
    } casos[] = {
        {3, 30, "S", {}, true, ""},
        {-1, 30, "S", {}, false, incompleta},
        {3, -1, "S", {}, false, bloqueia},
        {3, -1, "N", MsgResult::No, false, pergunta},
        {3, -1, "N", MsgResult::Yes, true, pergunta},
        {3, 0, "S", {}, true, ""},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.nrConfig * 100 + k.diasValidade);
        sql(QStringLiteral("UPDATE CONFIG SET NRULTCONFIG = %1, DTVALIDADE = CURRENT_DATE + %2, IDBLOQPEDDTSUP = '%3'")
                .arg(k.nrConfig)
                .arg(k.diasValidade)
                .arg(k.bloqueio));
        c->BuscaConfigPedido();
        c->LeConfigPedido();
        c->cliente = "00001";
        rec->clear();
        if (k.resposta)
            rec->pushAnswer(*k.resposta);
        EXPECT_EQ(c->Incluir(), k.aceito);
        EXPECT_EQ(rec->texts(), k.mensagem.isEmpty() ? QStringList() : QStringList{k.mensagem});
        EXPECT_EQ(c->cliente, k.aceito ? QString() : QString("00001")); // cleared only when accepted
        if (k.aceito) {
            EXPECT_EQ(c->emissao, QDate::currentDate());
        }
    }
}

TEST_F(CabecalhoTest, RefusedConditionChangeKeepsThePricedCondition)
{
    c->tabela = "SUL";
    c->condicao = "45";
    ASSERT_TRUE(c->edtCodCondExit());
    DataSet &itens = c->CDSItens;
    itens.append();
    itens.fieldByName("Codigo")->setAsString("SEMPRECO");
    itens.fieldByName("Tam")->setAsString("M");
    itens.fieldByName("Qtde")->setAsFloat(1);
    itens.fieldByName("Preco")->setAsFloat(9);
    itens.fieldByName("PrecoOrig")->setAsFloat(12);
    itens.fieldByName("Valor")->setAsFloat(9);
    itens.fieldByName("Desconto")->setAsFloat(25);
    itens.fieldByName("DescontoValor")->setAsFloat(3);
    itens.post();

    rec->clear();
    c->condicao = "306090"; // limit 10 below the line's 25 %
    EXPECT_FALSE(c->edtCodCondExit());
    EXPECT_EQ(rec->texts(), QStringList{"Desconto do Pedido acima do permitido (máx: 10,00%)"});
    EXPECT_EQ(c->condicao, "45");
    EXPECT_EQ(c->descCondicao, "45 dias");
    EXPECT_EQ(c->foco, "edtCodCond");
    EXPECT_DOUBLE_EQ(c->precos.nTaxa, 1);
    EXPECT_DOUBLE_EQ(c->precos.nDescMax, 0);
    EXPECT_DOUBLE_EQ(c->totais.liquido, 9);
}

TEST_F(CabecalhoTest, ConditionExitSendsAnUnknownTableBackToItsField)
{
    c->tabela = "NORTE";
    c->condicao = "45";
    c->edtCodCondExit();
    EXPECT_EQ(rec->texts(), QStringList{"Tabela não encontrada."});
    EXPECT_EQ(c->foco, "edtCodTab");

    rec->clear();
    c->tabela = "SUL";
    EXPECT_TRUE(c->edtCodCondExit());
    EXPECT_TRUE(rec->texts().isEmpty());
    EXPECT_EQ(c->foco, "");
}
