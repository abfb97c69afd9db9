#include "TestDb.h"

#include "data/UntScriptsRep.h"
#include "data/XRTraduzSQL.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/fb/FbApi.h"

#include <gtest/gtest.h>

namespace {

class SqlBuilders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { upgradedTemplate(); }
    void SetUp() override
    {
        installTemplate(inst, upgradedTemplate());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        ASSERT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    }

    // First column of every row.
    QStringList primeiraColuna(const QString &texto)
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().SetText(texto);
        q.Open();
        QStringList r;
        for (q.first(); !q.eof(); q.next())
            r << q.field(0)->asString();
        return r;
    }
    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
};

// Every statement text is prepared (not run) on an upgraded database, so a
// typo, an unknown column or broken quoting fails here.
TEST_F(SqlBuilders, EveryTextPreparesOnTheUpgradedDatabase)
{
    // values with the characters that break careless quoting
    const QString lista = "'00001','0''2'";
    const QString ruim = "O'Neil, 50%_x";
    const QDate de(2026, 1, 31), ate(2026, 12, 1);

    const std::pair<const char *, QString> textos[] = {
        {"SqlConfig", SqlConfig()},
        {"SqlSenha", SqlSenha()},
        {"SqlEnderecoServidor", SqlEnderecoServidor()},
        {"SqlValoresMinimos", SqlValoresMinimos()},
        {"SqlPeriodoEntrega", SqlPeriodoEntrega()},
        {"SqlQtdeMaxItem", SqlQtdeMaxItem()},
        {"SqlNumeroConfig", SqlNumeroConfig()},
        {"SqlLoteConfig", SqlLoteConfig()},
        {"SqlPedidosEnviar(false)", SqlPedidosEnviar(false)},
        {"SqlPedidosEnviar(true)", SqlPedidosEnviar(true)},
        {"SqlItensEnviar", SqlItensEnviar(lista)},
        {"SqlPedidosEnvio", SqlPedidosEnvio(lista)},
        {"SqlClientesEnviar", SqlClientesEnviar()},
        {"SqlContatosEnviar", SqlContatosEnviar()},
        {"SqlLotePedidos", SqlLotePedidos(lista)},
        {"SqlMarcaClienteEnviado", SqlMarcaClienteEnviado()},
        {"SqlPedidosCarga", SqlPedidosCarga(lista)},
        {"SqlContatosCliente", SqlContatosCliente()},
        {"SqlAtualizaEstoque", SqlAtualizaEstoque()},
        {"SqlEmpresaExiste", SqlEmpresaExiste()},
        {"SqlGravaEmpresa(true)", SqlGravaEmpresa(true)},
        {"SqlGravaEmpresa(false)", SqlGravaEmpresa(false)},
        {"SqlEmpresa", SqlEmpresa()},
        {"SqlConsultaPedidos(all)", SqlConsultaPedidos(ruim, ruim, ruim, "12.345.678/0001-95", ruim, true, de, ate, true)},
        {"SqlConsultaPedidos(none)", SqlConsultaPedidos("", " ", "", "", "", false, de, ate, false)},
        {"SqlPedido", SqlPedido()},
        {"SqlItensPedido", SqlItensPedido()},
        {"SqlParcelasCondicao", SqlParcelasCondicao()},
        {"SqlTipoCliente", SqlTipoCliente()},
        {"SqlPrazos", SqlPrazos()},
        {"SqlValorMinimoRegiao", SqlValorMinimoRegiao()},
        {"SqlPedidoImpressao(true)", SqlPedidoImpressao(true)},
        {"SqlPedidoImpressao(false)", SqlPedidoImpressao(false)},
        {"SqlTamanhosProduto", SqlTamanhosProduto()},
        {"SqlCorTamanhoPreco(true)", SqlCorTamanhoPreco(true)},
        {"SqlCorTamanhoPreco(false)", SqlCorTamanhoPreco(false)},
        {"SqlPrecosTamanhos", SqlPrecosTamanhos()},
        {"SqlPrecoTamanho", SqlPrecoTamanho()},
        {"SqlProdutoTabela(code)", SqlProdutoTabela(ruim, ruim)},
        {"SqlProdutoTabela(blank)", SqlProdutoTabela("", "T1")},
        {"SqlCoresDisponiveis(both)", SqlCoresDisponiveis(ruim, ruim)},
        {"SqlCoresDisponiveis(blank)", SqlCoresDisponiveis("", "")},
        {"SqlCopiaPedido", SqlCopiaPedido()},
        {"SqlCopiaItens", SqlCopiaItens()},
    };

    fb::Attachment &att = dm->XRDtRepres->Attachment();
    fb::Transaction &tra = dm->XRDtRepres->Transaction()->Engine();
    for (const auto &[nome, texto] : textos) {
        try {
            fb::Statement st(att, tra, TraduzSQL(texto, "FB"));
            EXPECT_NE(st.type(), fb::StatementType::Other) << nome;
        } catch (const fb::Error &e) {
            ADD_FAILURE() << nome << ": " << e.message().toStdString() << "\n" << texto.toStdString();
        }
    }
}

TEST_F(SqlBuilders, TypedValuesSelectTheRightOrders)
{
    sql(QString::fromUtf8("INSERT INTO CLIENTE (CLI_CODI, CLI_NOMCID, CLI_CNPJ) "
                          "VALUES ('00001', 'Santa Bárbara D''Oeste', '11.222.333/0001-81')"));
    sql("INSERT INTO CLIENTE (CLI_CODI, CLI_NOMCID, CLI_CNPJ) VALUES ('0''2', 'Campos, RJ', '44555666000172')");
    sql("INSERT INTO TABPRECO (TABP_REGIAO) VALUES ('T''1')");
    const char *pedidos[] = {
        "'00001', '00001', '02/10/2026', 'T''1', NULL",
        "'00002', '0''2', '02/11/2026', 'T2', 3",
        "'00003', '0''2', '01/01/2025', 'T2', NULL",
    };
    for (const char *p : pedidos)
        sql(QString("INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEM, PED_TABPRE, PED_NRLOTE) VALUES (%1)").arg(p));

    struct Caso {
        const char *cliente;
        const char *tabela;
        const char *cnpj;
        QString cidade;
        bool soNaoEnviados;
        QStringList esperados;
    };
    const Caso casos[] = {
        {"", "", "", "", false, {"00001", "00002"}}, // the third is before the period
        {"", "", "", "", true, {"00001"}},
        {"0'2", "", "", "", false, {"00002"}},
        {"", "T'1", "", "", false, {"00001"}},
        {"", "", "11222333000181", "", false, {"00001"}},
        {"", "", "44.555.666/0001-72", "", false, {"00002"}},
        {"", "", "", QString::fromUtf8("D'Oeste"), false, {"00001"}},
        {"", "", "", "Campos,", false, {"00002"}},
        {"x' OR '1'='1", "", "", "", false, {}},
    };
    for (const Caso &c : casos) {
        const QString texto = SqlConsultaPedidos(c.cliente, c.tabela, "", c.cnpj, c.cidade, c.soNaoEnviados,
                                                 QDate(2026, 2, 1), QDate(2026, 2, 28), true);
        EXPECT_EQ(primeiraColuna(texto), c.esperados) << c.cliente << c.tabela << c.cnpj << c.cidade.toStdString();
    }
    EXPECT_EQ(primeiraColuna(SqlConsultaPedidos("", "", "0'2", "", "", false, QDate(2026, 2, 1), QDate(2026, 2, 28),
                                                true)),
              QStringList{});
}

} // namespace
