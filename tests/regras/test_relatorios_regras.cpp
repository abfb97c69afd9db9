// Rules of the server-defined reports and of the stock report.
#include "windows/relatorios/regras/RegrasRelEstoque.h"
#include "windows/relatorios/regras/RegrasRelatorio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace relatorio;

TEST(RelatorioRegras, ParameterScreenLayout)
{
    const auto p = [](const char *campo, int tipo, const char *tabela = "", const char *cod = "", const char *desc = "") {
        return TParametroTela{QString::fromLatin1(campo), tipo, QString::fromLatin1(tabela), QString::fromLatin1(cod),
                              QString::fromLatin1(desc)};
    };
    // no parameters: the panel and buttons at their least
    TLayoutParametros vazio = LayoutParametros({});
    EXPECT_EQ(vazio.alturaPainel, 105);
    EXPECT_EQ(vazio.topoFechar, 70);
    EXPECT_EQ(vazio.topoConfirmar, 41);

    const TLayoutParametros l = LayoutParametros({
        p("CLIENTE", 0, "CLIENTE", "CLI_CODI", "CLI_NOME"), // look-up
        p("PCODREP", 0),                                   // no control, no spacing
        p("VALOR", 1),
        p("DATA", 2),
        p("OUTRO", 7),                                     // no control, spacing kept
        p("HOSTIL", 0, "CLIENTE; DELETE FROM CLIENTE", "CLI_CODI", "CLI_NOME"),
        p("COLUNA", 0, "CLIENTE", "CLI_CODI", "CLI_NOME, (SELECT 1)"),
    });
    struct Esperado {
        int topo;
        bool rotulo, edit, pesquisa;
    } esperado[] = {
        {5, true, true, true},   {35, false, false, false}, {35, true, true, false},  {65, true, true, false},
        {95, false, false, false}, {125, true, true, false}, {155, true, true, false},
    };
    ASSERT_EQ(l.itens.size(), std::size(esperado));
    for (std::size_t i = 0; i < l.itens.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(l.itens[i].topo, esperado[i].topo);
        EXPECT_EQ(l.itens[i].rotulo, esperado[i].rotulo);
        EXPECT_EQ(l.itens[i].edit, esperado[i].edit);
        EXPECT_EQ(l.itens[i].pesquisa, esperado[i].pesquisa);
    }
    EXPECT_EQ(l.alturaPainel, 190);
    EXPECT_EQ(l.topoFechar, 155);
    EXPECT_EQ(l.topoConfirmar, 126);
    EXPECT_EQ(kEsquerdaPesquisa, 245);
    EXPECT_EQ(kEsquerdaDescricao, 270);
}

TEST(RelatorioRegras, TextsVersionsAndNames)
{
    EXPECT_EQ(SqlDoRelatorio("SELECT * FROM V WHERE A = 1 \\\nORDER BY 1"),
              "SELECT * FROM V WHERE 1 = 1 AND  A = 1 \nORDER BY 1");
    EXPECT_EQ(SqlDoRelatorio("select * from v where a = 1"), "select * from v where a = 1");

    const struct {
        const char *versao;
        bool ok;
    } versoes[] = {{"5", true}, {" 12 ", true}, {"4", false}, {"0", false}, {"abc", false}, {"", false}, {"5.1", false}};
    for (const auto &v : versoes)
        EXPECT_EQ(VersaoCompativel(QString::fromLatin1(v.versao)), v.ok) << v.versao;

    const struct {
        const char *nome;
        bool ok;
    } nomes[] = {{"CLIENTE", true}, {"RDB$RELATIONS", true}, {"cli_codi2", true}, {"", false}, {"A B", false},
                 {"CLIENTE;", false}, {"X'--", false}, {"A.B", false}, {"(SELECT", false}};
    for (const auto &n : nomes)
        EXPECT_EQ(IdentificadorSimples(QString::fromLatin1(n.nome)), n.ok) << n.nome;
}

TEST(RelatorioRegras, ValuesSentWithTheReport)
{
    const QDate hoje(2026, 3, 4);
    const struct {
        const char *campo;
        int tipo;
        TControleValor controle;
        const char *texto;
        const char *valor;
        const char *tipoValor;
    } casos[] = {
        {"CLIENTE", 0, TControleValor::Texto, "00001", "00001", ""},
        {"DTINI", 2, TControleValor::Data, "01/02/2026", "01/02/2026", "ftDate"},
        {"DTFIM", 2, TControleValor::Data, "31/02/2026", "04/03/2026", "ftDate"},
        {"VALOR", 1, TControleValor::Numero, "1.234,5", "1234,5", "ftFloat"},
        {"VALOR", 1, TControleValor::Numero, "abc", "0", "ftFloat"},
        {"PCODREP", 0, TControleValor::Nenhum, "", "R01", ""},
        {"PCODREP", 1, TControleValor::Numero, "7", "R01", ""},
        {"OUTRO", 9, TControleValor::Texto, "x", "", ""},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.campo);
        const TValorParametro v = ValorParametro(c.campo, c.tipo, c.controle, c.texto, "R01", hoje);
        EXPECT_EQ(v.campo, c.campo);
        EXPECT_EQ(v.valor, c.valor);
        EXPECT_EQ(v.tipo, c.tipoValor);
    }
    const std::vector<TValorParametro> comCodRep{{"PCODREP", "R01", ""}};
    EXPECT_TRUE(PrecisaLinhaCodRep(comCodRep, "SELECT 1 FROM V WHERE REP = :codrep"));
    EXPECT_FALSE(PrecisaLinhaCodRep(comCodRep, "SELECT 1 FROM V"));
    EXPECT_FALSE(PrecisaLinhaCodRep({{"CLIENTE", "1", ""}}, "SELECT 1 FROM V WHERE REP = :CODREP"));
}

// ---------------------------------------------------------------- stock report

TEST(RelEstoqueRegras, StockTextsQuoteAndFilter)
{
    using namespace estoque;
    EXPECT_EQ(SqlDeposito("_001"), "SELECT CODIGO FROM DEPOSITO_001 WHERE PRIORIDADE = 1 ");
    EXPECT_EQ(RegioesSql({"SUL", "O'ESTE"}), "'SUL', 'O''ESTE'");
    for (const char *bom : {"_001", "EMP2", ""})
        EXPECT_TRUE(EmpPatValido(bom)) << bom;
    for (const char *ruim : {"_001 X", "_0'1", "A;B", "$1"})
        EXPECT_FALSE(EmpPatValido(ruim)) << ruim;

    const QString regioes = RegioesSql({"SUL"});
    const QString produto = SqlEstoque("P", "_001", regioes, {"", "P'1", "", "0007"});
    EXPECT_EQ(produto,
              "SELECT PI.CODIGO, PR.DESCRICAO, PI.COR, CR.DESCRICAO AS DESC_COR, PI.TAM, FI.POSICAO AS POSICAO, "
              "SUM(PI.QUANTIDADE) AS ESTOQUE FROM PA_ITEN_001 PI  INNER JOIN PRODUTO_001 PR ON (PR.CODIGO = "
              "PI.CODIGO) LEFT JOIN CADCOR_001 CR ON (CR.COR = PI.COR) LEFT JOIN (SELECT DISTINCT PR1.CODIGO, "
              "FI1.POSICAO, FI1.TAMANHO FROM FAIXA_ITEN_001 FI1  INNER JOIN PRODUTO_001 PR1 ON (PR1.FAIXA = "
              "FI1.FAIXA)) AS FI ON (PI.CODIGO = FI.CODIGO) AND (PI.TAM = FI.TAMANHO) WHERE EXISTS (SELECT "
              "DISTINCT 1 FROM PRODUTO_001 PR  INNER JOIN TABPRECO_001 TP  ON (TP.REGIAO IN ('SUL')) AND "
              "(TP.CODIGO = PR.CODIGO) WHERE PR.CODIGO = PI.CODIGO AND TP.TIPO = 'P' AND PR.ATIVO = 'S') AND "
              "PI.ATIVO = 'S' AND PI.DEPOSITO = '0007' AND PR.CODIGO = 'P''1' GROUP BY PI.CODIGO, PR.DESCRICAO, "
              "PI.COR, CR.DESCRICAO, PI.TAM, FI.POSICAO HAVING SUM(PI.QUANTIDADE) > 0 ");
    const QString colecao = SqlEstoque("P", "_001", regioes, {"V'25", "", "AZ'UL", "0'7"});
    EXPECT_TRUE(colecao.contains("WHERE PR.CODIGO = PI.CODIGO AND PR.COLECAO = 'V''25' AND TP.TIPO = 'P'"));
    EXPECT_TRUE(colecao.contains("AND PI.DEPOSITO = '0''7' AND PR.COLECAO = 'V''25' AND PR.DESCRICAO LIKE UPPER "
                                 "('%AZ''UL%') GROUP BY"));
    const QString material = SqlEstoque("M", "_001", regioes, {"", "", "", "0007"});
    EXPECT_TRUE(material.startsWith("SELECT MI.CODIGO, MAT.DESCRICAO, MI.COR, CR.DESCRICAO AS DESC_COR, '0' AS TAM, "
                                    "1 AS POSICAO, SUM(MI.QUANTIDADE) AS ESTOQUE FROM MAT_ITEN_001 MI "));
    EXPECT_TRUE(material.contains("WHERE MT.CODIGO = MI.CODIGO AND TP.TIPO = 'M' AND MT.ATIVO = 'S') AND "
                                  "MI.DEPOSITO = '0007' GROUP BY"));
    EXPECT_TRUE(SqlEstoque("M", "_001", regioes, {"G1", "", "", "0007"}).contains("AND MT.GRUPO = 'G1' AND TP.TIPO"));
}

TEST(RelEstoqueRegras, PrintRowsPutSizesInEightCharacterSlots)
{
    using namespace estoque;
    const std::vector<TLinhaEstoque> linhas = {
        // sizes come in POSICAO order whatever the row order; long ones are cut
        {"P1", "Camisa", "01", "Azul", "GG", 3, 3},
        {"P1", "Camisa", "01", "Azul", "P", 2, 1},
        {"P1", "Camisa", "01", "Azul", "M", 1.5, 2},
        {"P1", "Camisa", "02", "Verde", "P", 4, 1},
        {"P1", "Camisa", "02", "Verde", "EXTRA", 9, 4},
        {"P2", "Calça", "02", "Verde", "38", 6, 1},
    };
    const std::map<QString, QByteArray> imagens{{"P1", QByteArray("jpg-p1")}};
    std::vector<int> progresso;
    const auto r = LinhasImpressao(linhas, imagens, QByteArray("padrao"), [&](int n) { progresso.push_back(n); });
    EXPECT_EQ(progresso, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(r.size(), 3u); // P1/01, P1/02, and P2/02 although its colour equals the previous row's

    // each text goes in at the start of its slot; the blanks after it stay
    const QString cabecalho = QStringLiteral("P       M       GG      EXTR") + QString(59 + 8 - 28, ' ');
    const struct {
        const char *codigo, *cor, *dsCor;
        QString dsTamanho, dsQuantidade;
        double quantidade;
        const char *imagem;
    } esperado[] = {
        {"P1", "01", "Azul", cabecalho, QStringLiteral("2       1,5     3       0") + QString(58 + 6 - 25, ' '), 6.5,
         "jpg-p1"},
        {"P1", "02", "Verde", QString(), QStringLiteral("4       0       0       9") + QString(58 + 4 - 25, ' '), 13,
         ""},
        {"P2", "02", "Verde", QStringLiteral("38") + QString(59, ' '), QStringLiteral("6") + QString(58, ' '), 6,
         "padrao"},
    };
    for (std::size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r[i].codigo, esperado[i].codigo);
        EXPECT_EQ(r[i].cdCor, esperado[i].cor);
        EXPECT_EQ(r[i].dsCor, esperado[i].dsCor);
        EXPECT_EQ(r[i].dsTamanho, esperado[i].dsTamanho);
        EXPECT_EQ(r[i].dsQuantidade, esperado[i].dsQuantidade);
        EXPECT_DOUBLE_EQ(r[i].quantidade, esperado[i].quantidade);
        EXPECT_EQ(r[i].imagem, QByteArray(esperado[i].imagem));
    }
    // without a picture anywhere the product prints without one
    EXPECT_TRUE(LinhasImpressao({linhas.back()}, {}, {}).front().imagem.isEmpty());
}

TEST(RelEstoqueRegras, DefaultPictureIsTheFileBesideTheProgram)
{
    QTemporaryDir pasta;
    EXPECT_TRUE(estoque::ImagemPadrao(pasta.path()).isEmpty());
    QFile f(QDir(pasta.path()).filePath("imagem.jpg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xff\xd8jpeg");
    f.close();
    EXPECT_EQ(estoque::ImagemPadrao(pasta.path()), QByteArray("\xff\xd8jpeg"));
}
