// The stock report against the fake back office (always DataSnap).
#include "RelatoriosFixture.h"

#include "components/RelatorioBandas.h"
#include "components/XRDBGrid.h"
#include "windows/relatorios/untRelEstoque.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace relatorios;

namespace {

const QStringList kSeed = {
    "INSERT INTO EMPRESA (EMP_PAT, EMP_NOME) VALUES ('_001', 'Empresa')",
    "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('SUL', 'Sul')",
    "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('O''ESTE', 'Oeste')",
    "INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('V25', 'Verão')",
    "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P1', 'Camisa')",
    "UPDATE CONFIG SET NRULTCONFIG = 7",
};

json cenario(const char *versao = "9", const char *tipoItem = "P", const json &deposito = {{"0007"}})
{
    return {{"versao", versao},
            {"tipo_item", tipoItem},
            {"por_sql",
             {{{"contem", "FROM DEPOSITO"}, {"select", tabela(R"([["CODIGO","String",4]])", deposito)}},
              {{"contem", "SUM("},
               {"select",
                tabela(R"([["CODIGO","String",15],["DESCRICAO","String",100],["COR","String",6],
                           ["DESC_COR","String",80],["TAM","String",4],["POSICAO","Integer"],["ESTOQUE","Float"]])",
                       {{"P1", "Camisa", "01", "Azul", "M", 2, 3}, {"P1", "Camisa", "01", "Azul", "P", 1, 2},
                        {"P2", "Calça", "01", "Azul", "38", 1, 5}})},
               {"imagens", tabela(R"([["CODIGO","String",15],["IMAGEM","Blob"]])", json::array({json::array({"P1", {{"b64", "/9j/AA=="}}})}))}}}}};
}

class RelEstoque : public ::testing::Test {
protected:
    void abre(const json &c, const QStringList &seed = kSeed)
    {
        amb = std::make_unique<Ambiente>(false, c, seed);
        janela = std::make_unique<TfmRelEstoque>(nullptr, &amb->servidor, 0, [this](QString &) { return amb->online; });
    }
    // The stock text sent, after "&Carregar".
    QString carrega(const char *colecao, const char *produto, const char *descricao = "")
    {
        janela->edtColecao->setText(colecao);
        janela->edtProduto->setText(produto);
        janela->edtDescricao->setText(descricao);
        amb->rec->clear();
        janela->btnCarregar->click();
        const QStringList s = amb->sqls();
        return s.size() == 2 ? s[1] : QString();
    }
    void TearDown() override
    {
        janela.reset();
        amb.reset();
    }
    std::unique_ptr<Ambiente> amb;
    std::unique_ptr<TfmRelEstoque> janela;
};

} // namespace

TEST_F(RelEstoque, StockTextFollowsTheFilters)
{
    const struct {
        const char *colecao, *produto, *descricao;
        QStringList tem, naoTem;
    } casos[] = {
        {"", "P1", "", {"AND PI.DEPOSITO = '0007' AND PR.CODIGO = 'P1' GROUP BY"}, {"COLECAO", "LIKE"}},
        {"V25", "", "", {"WHERE PR.CODIGO = PI.CODIGO AND PR.COLECAO = 'V25' AND TP.TIPO",
                         "AND PI.DEPOSITO = '0007' AND PR.COLECAO = 'V25' GROUP BY"}, {"PR.CODIGO = 'P", "LIKE"}},
        {"V25", "P1", "", {"AND PR.CODIGO = 'P1'"}, {"COLECAO"}},
        {"V'2", "", "AZ'UL", {"AND PR.COLECAO = 'V''2' AND PR.DESCRICAO LIKE UPPER ('%AZ''UL%') GROUP BY"}, {}},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(std::string(c.colecao) + "/" + c.produto + "/" + c.descricao);
        abre(cenario());
        const QString sql = carrega(c.colecao, c.produto, c.descricao);
        EXPECT_TRUE(amb->rec->texts().isEmpty()) << amb->rec->texts().join('|').toStdString();
        EXPECT_TRUE(sql.startsWith("SELECT PI.CODIGO, PR.DESCRICAO,")) << sql.toStdString();
        EXPECT_TRUE(sql.contains("FROM PA_ITEN_001 PI ")) << sql.toStdString();
        EXPECT_TRUE(sql.contains("ON (TP.REGIAO IN ('SUL', 'O''ESTE'))")) << sql.toStdString();
        for (const QString &t : c.tem)
            EXPECT_TRUE(sql.contains(t)) << t.toStdString() << "\n" << sql.toStdString();
        for (const QString &t : c.naoTem)
            EXPECT_FALSE(sql.contains(t)) << t.toStdString() << "\n" << sql.toStdString();
        TearDown();
    }
}

TEST_F(RelEstoque, LoadFillsGridAndPicturesAndPrintRows)
{
    abre(cenario());
    EXPECT_EQ(janela->windowTitle(), "Relatório de Estoque");
    carrega("V25", "");
    EXPECT_TRUE(amb->rec->texts().isEmpty()) << amb->rec->texts().join('|').toStdString();
    EXPECT_EQ(amb->sqls()[0], "SELECT CODIGO FROM DEPOSITO_001 WHERE PRIORIDADE = 1 ");
    const auto pedido = amb->fake.ultima("TFuncoesG.ESelect");
    EXPECT_EQ(pedido["args"][1], "true");
    EXPECT_EQ(pedido["args"][2], "PRODUTO");
    EXPECT_EQ(pedido["args"][3], "CODIGO");
    EXPECT_EQ(amb->fake.ultima("TFuncoesG.BuscaTipoItem")["args"][0], "7");
    const auto login = amb->fake.ultima("TServerMethods1.Login")["args"];
    EXPECT_EQ(login[0], "Ana");
    EXPECT_EQ(login[2], "001");
    EXPECT_EQ(janela->FnrOkConnect, 0);
    EXPECT_EQ(janela->FDeposito, "0007");
    EXPECT_EQ(janela->CDSEstoques->recordCount(), 3);
    EXPECT_EQ(janela->DBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(janela->DBGrid1->model()->headerData(3, Qt::Horizontal).toString(), "Descrição Cor");
    ASSERT_EQ(janela->CDSImagens->recordCount(), 1);

    amb->rec->clear();
    int previas = 0;
    const auto anterior = bandas::Relatorio::InstalaVisualizador([&previas](bandas::Relatorio &, QWidget *) { ++previas; });
    janela->btnImprimir->click();
    bandas::Relatorio::InstalaVisualizador(anterior);
    EXPECT_EQ(previas, 1);
    EXPECT_TRUE(amb->rec->texts().isEmpty()) << amb->rec->texts().join('|').toStdString();
    ASSERT_EQ(janela->CDSRelProdutos.size(), 2u);
    EXPECT_EQ(janela->CDSRelProdutos[0].dsTamanho.trimmed(), "P       M");
    EXPECT_EQ(janela->CDSRelProdutos[0].dsQuantidade.trimmed(), "2       3");
    EXPECT_EQ(janela->CDSRelProdutos[0].imagem, QByteArray::fromBase64("/9j/AA=="));
    EXPECT_DOUBLE_EQ(janela->CDSRelProdutos[1].quantidade, 5);
    EXPECT_EQ(janela->ProgressBar1->value(), 3);
}

TEST_F(RelEstoque, EachFailedStepReportsOnceAndLoadsNothing)
{
    const char *const kVersao = "Versão não compátivel com a atual versão do servidor. Impossível Continuar.";
    struct Caso {
        const char *nome;
        json cenario;
        const char *colecao;
        bool online;
        QStringList textos;
        QString titulo;
        QStringList seed;
    };
    json recusado = cenario();
    recusado["login"] = 2;
    json falhaDeposito = cenario();
    falhaDeposito["answers"] = {{"TFuncoesG.ESelect", {{"status", 500}, {"body", {{"error", "sem tabela"}}}}}};
    QStringList empPatHostil = kSeed;
    empPatHostil[0] = "INSERT INTO EMPRESA (EMP_PAT, EMP_NOME) VALUES ('_0''X', 'Empresa')";
    const Caso casos[] = {
        {"sem filtro", cenario(), "", true, {"Favor informar uma Coleção ou um Produto"}, "Relatório de Estoque", kSeed},
        {"versao 4", cenario("4"), "V25", true, {kVersao}, "", kSeed},
        {"offline", cenario(), "V25", false, {}, "", kSeed},
        {"login recusado", recusado, "V25", true, {"Senha inválida!"}, "Login", kSeed},
        {"deposito", falhaDeposito, "V25", true, {"Problema ao buscar os dados \r\n\r\n"}, "", kSeed},
        {"emp_pat", cenario(), "V25", true, {"Problema ao buscar os dados \r\n\r\n"}, "", empPatHostil},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nome);
        abre(c.cenario, c.seed);
        amb->online = c.online;
        carrega(c.colecao, "");
        const QStringList textos = amb->rec->texts();
        ASSERT_EQ(textos.size(), c.textos.size()) << textos.join('|').toStdString();
        for (int i = 0; i < textos.size(); ++i)
            EXPECT_TRUE(textos[i].startsWith(c.textos[i])) << textos[i].toStdString();
        if (!c.titulo.isEmpty()) {
            EXPECT_EQ(amb->rec->entries().back().title, c.titulo);
        }
        EXPECT_EQ(janela->CDSEstoques->recordCount(), 0);
        EXPECT_EQ(amb->fake.de("TFuncoesG.BuscaTipoItem").size(), 0u);
        TearDown();
    }
}

TEST_F(RelEstoque, DepositDefaultsAndMaterials)
{
    abre(cenario("9", "M", json::array()));
    const QString sql = carrega("G1", "");
    EXPECT_EQ(janela->FDeposito, "0000");
    EXPECT_TRUE(sql.contains("FROM MAT_ITEN_001 MI ")) << sql.toStdString();
    EXPECT_TRUE(sql.contains("AND MT.GRUPO = 'G1'")) << sql.toStdString();
    EXPECT_TRUE(sql.contains("AND MI.DEPOSITO = '0000'")) << sql.toStdString();
    EXPECT_EQ(amb->fake.ultima("TFuncoesG.ESelect")["args"][2], "MATERIAL");
}
