#include "data/untSelectsRep.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Each line followed by one blank, as the statements are joined.
QString Linhas(std::initializer_list<const char*> linhas)
{
    QString r;
    for (const char* l : linhas)
        r += QString::fromUtf8(l) + " ";
    return r;
}

QSet<QString> Parametros(const QString& sql)
{
    QSet<QString> r;
    for (const auto& m : QRegularExpression(":(\\w+)").globalMatch(sql))
        r.insert(m.captured(1));
    return r;
}

} // namespace

TEST(SelectsRep, ListaParaSQLAppendsEachLineAndABlank)
{
    QString r = "antes";
    ListaParaSQL({}, r);
    EXPECT_EQ(r, "antes");
    QString um;
    ListaParaSQL({"X"}, um);
    EXPECT_EQ(um, "X ");
}

TEST(SelectsRep, ConsultaPedidosWithEveryFilter)
{
    const QLocale antes;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // "." as date separator
    const QString sql = SqlConsultaPedidos("00012", "T'1", "00005", " 12.345.678/0001-95 ",
                                           "São Paulo", true, QDate(2023, 1, 5),
                                           QDate(2023, 12, 31), false);
    QLocale::setDefault(antes);

    const QString cauda = Linhas({
        "WHERE P.PED_DTEM >= '01/05/2023'",
        "AND P.PED_DTEM <= '12/31/2023'",
        "AND P.PED_CCLI = '00012'",
        "AND P.PED_TABPRE = 'T''1'",
        "AND P.PED_NUME = '00005'",
        "AND E.CLI_NOMCID LIKE '%São Paulo%'",
        "AND REPLACE(REPLACE(REPLACE(REPLACE(E.CLI_CNPJ,'.',''),'-',''),'/',''),' ','')  LIKE "
        "'%12345678000195%'",
        "AND ((P.PED_NRLOTE = 0) OR (P.PED_NRLOTE IS NULL))",
        "ORDER BY PED_NUME DESC",
    });
    const QString cabeca = Linhas({
        "SELECT",
        "P.PED_NUME AS NUMERO,",
        "P.PED_CCLI AS CODIGO_CLI,",
        "E.CLI_NOME AS NOME,",
        "P.PED_DTEM AS EMISSAO,",
        "P.PED_DTEN AS ENTREGA,",
        "P.PED_DTFAT AS FATURAMENTO,",
        "P.PED_TABPRE AS COD_TABELA,",
        "RG.TABP_DESCRICAO AS DESC_TABELA,",
        "P.PED_NRLOTE AS LOTE,",
        "P.PED_DTSINCRONIZACAO AS SINCRONIZACAO,",
        "CASE WHEN (P.PED_NRLOTE IS NULL) OR (P.PED_NRLOTE = 0) THEN ",
        "CASE WHEN (P.PED_IDFECHADO = 'S') THEN 'Fechado'",
        " else 'Aberto'end  else 'Transmitido'",
        " END AS STATUS, ",
        "ITENS.QTDTOT AS QTDTOT,",
        "P.PED_PDESC AS PDESC,",
        "CASE WHEN (P.PED_PDESC) > 0 THEN ITENS.VLRLIQ-((ITENS.VLRLIQ*0.01)*P.PED_PDESC) ELSE",
        "CASE WHEN (P.PED_PDESC) = 0 THEN ITENS.VLRLIQ END END AS VLRLIQ,",
        "P.PED_CCLI || ' - '|| E.CLI_NOME AS NOMECOMPLETO,",
        "CASE WHEN (ITENS.VLRTOT) = 0 THEN ITENS.VLRLIQ ELSE ITENS.VLRTOT END AS VLRTOT ",
        "FROM PEDIDO P ",
        "LEFT JOIN CLIENTE E ON (P.PED_CCLI = E.CLI_CODI)",
        "LEFT JOIN TABPRECO RG ON (P.PED_TABPRE = RG.TABP_REGIAO)",
        "LEFT JOIN (SELECT PI.PEDIT_NUME, SUM(PI.PEDIT_QTDE) AS QtdTot,",
        "SUM((PI.PEDIT_QTDE*PI.PEDIT_PREC_ORI)) AS VlrTot, SUM((PI.PEDIT_QTDE*PI.PEDIT_PREC)) AS "
        "VLRLIQ from",
        "PED_ITEN PI GROUP BY PI.PEDIT_NUME) Itens on (ITENS.PEDIT_NUME = P.PED_NUME)",
    });
    EXPECT_EQ(sql, cabeca + cauda);
}

TEST(SelectsRep, ConsultaPedidosWithBlankFiltersEndsWithTheDates)
{
    const QString sql = SqlConsultaPedidos("  ", "", " ", "", "", false, QDate(2024, 2, 29),
                                           QDate(2024, 3, 1), true);
    EXPECT_TRUE(sql.endsWith(Linhas({
        "PED_ITEN PI GROUP BY PI.PEDIT_NUME) Itens on (ITENS.PEDIT_NUME = P.PED_NUME)",
        "WHERE P.PED_DTEM >= '02/29/2024'",
        "AND P.PED_DTEM <= '03/01/2024'",
        "ORDER BY PED_NUME",
    })))
        << sql.toStdString();
}

TEST(SelectsRep, CorTamanhoPrecoByFlag)
{
    EXPECT_EQ(SqlCorTamanhoPreco(false),
              Linhas({
                  "SELECT",
                  "DISTINCT P.PAIT_COR AS COR,",
                  "TRIM(P.PAIT_COR) || ' - ' || P.PAIT_DSCOR AS DSCOR, ",
                  "P.PAIT_TAM AS TAM, ",
                  "CASE WHEN (TB.PREC_PRECO IS NULL) THEN 0 ELSE TB.PREC_PRECO END AS PRECO,",
                  "P.PAIT_IDESGOTADO AS ESGOTADO ",
                  "FROM PA_ITEN P",
                  "LEFT JOIN TABPRE_PRODUTO TB ON (TB.PREC_PRODUTO = P.PAIT_CODI) AND",
                  "(TB.PREC_FAIXA_TAM = ( CASE WHEN ((TRIM(P.PAIT_FAIXA_TAM) IS NULL) OR "
                  "(TRIM(P.PAIT_FAIXA_TAM) = '')) THEN",
                  "'UU' ELSE P.PAIT_FAIXA_TAM  END)) AND (TB.PREC_TABELA = :TABELA)",
                  "WHERE P.PAIT_CODI = :PRODUTO",
                  "AND EXISTS (SELECT DISTINCT 1 FROM PA_ITEN P1 WHERE P1.PAIT_CODI = P.PAIT_CODI",
                  "AND P1.PAIT_COR = P.PAIT_COR AND P1.PAIT_IDESGOTADO = 'N')",
                  "ORDER BY P.PAIT_COR",
              }));
    EXPECT_EQ(SqlCorTamanhoPreco(true), Linhas({
                                            "SELECT",
                                            "DISTINCT P.PAIT_COR AS COR,",
                                            "P.PAIT_DSCOR AS DSCOR, ",
                                            "P.PAIT_TAM AS TAM, ",
                                            "P.PAIT_IDESGOTADO AS ESGOTADO ",
                                            "FROM PA_ITEN P",
                                            "WHERE P.PAIT_CODI = :PRODUTO",
                                            "AND P.PAIT_COR = :COR",
                                            "AND P.PAIT_TAM = :TAM",
                                        }));
}

TEST(SelectsRep, PrecoTamanhoExtendsPrecosTamanhos)
{
    EXPECT_EQ(SqlPrecoTamanho(), SqlPrecosTamanhos() + "AND P.PAIT_TAM = :TAM ");
    EXPECT_TRUE(SqlPrecosTamanhos().endsWith(Linhas({
        "'UU' ELSE P.PAIT_FAIXA_TAM  END))",
        "WHERE P.PAIT_CODI = :PRODUTO ",
        "AND TB.PREC_TABELA = :TABELA",
    })));
}

TEST(SelectsRep, PedidosEnviarCustomerClauseOnlyWithFlag)
{
    const QString todos = SqlPedidosEnviar(false);
    const QString um = SqlPedidosEnviar(true);
    EXPECT_FALSE(todos.contains(":CLIENTE"));
    EXPECT_TRUE(todos.endsWith("AND (PD.PED_IDFECHADO = 'S') ORDER BY PD.PED_DTCA, PD.PED_NUME "));
    EXPECT_TRUE(um.endsWith("AND (PD.PED_IDFECHADO = 'S') AND (PD.PED_CCLI = :CLIENTE) "
                            "ORDER BY PD.PED_DTCA, PD.PED_NUME "));
    EXPECT_EQ(Parametros(um), (QSet<QString>{"DTINI", "DTFIM", "CLIENTE"}));
}

TEST(SelectsRep, OrderListsAreInsertedAsGiven)
{
    const QString lista = "'00001','00002'";
    EXPECT_TRUE(SqlItensEnviar(lista).endsWith("WHERE PEDIT_NUME IN ('00001','00002') "));
    EXPECT_TRUE(SqlPedidosEnvio(lista).endsWith("WHERE PED_NUME IN ('00001','00002') "));
    EXPECT_TRUE(SqlPedidosCarga(lista).endsWith("WHERE PED_NUME IN ('00001','00002') "));
    EXPECT_EQ(SqlLotePedidos(""), Linhas({
                                      "UPDATE",
                                      "PEDIDO SET",
                                      "PED_NRLOTE = :NRLOTE,",
                                      "PED_DTSINCRONIZACAO = :DATA,",
                                      "PED_HRSINCRONIZACAO = :HORA",
                                      "WHERE",
                                      "PED_NUME IN ()",
                                  }));
}

TEST(SelectsRep, GravaEmpresaUpdateAndInsertBindTheSameParameters)
{
    const QSet<QString> esperados{"EMP_PAT",    "EMP_NOME",   "EMP_ENDERECO", "EMP_BAIRRO",
                                  "EMP_CIDADE", "EMP_ESTADO", "EMP_TELEFONE", "EMP_EMAIL",
                                  "EMP_LOGO",   "EMP_NUMERO", "EMP_CEP"};
    EXPECT_EQ(Parametros(SqlGravaEmpresa(true)), esperados);
    EXPECT_EQ(Parametros(SqlGravaEmpresa(false)), esperados);
    EXPECT_TRUE(SqlGravaEmpresa(true).startsWith("UPDATE EMPRESA SET EMP_NOME     = :EMP_NOME, "));
    EXPECT_TRUE(SqlGravaEmpresa(false).startsWith("INSERT INTO EMPRESA ( EMP_PAT ,EMP_NOME, "));
}

TEST(SelectsRep, ProductFiltersQuoteCallerValues)
{
    EXPECT_EQ(SqlProdutoTabela("P'1", "01"),
              Linhas({
                  "SELECT ",
                  "PROD_CODI,",
                  "PROD_DESC,",
                  "PROD_UNID,",
                  "PROD_PESO,",
                  "PROD_COLECAO,",
                  "PROD_LINHA,",
                  "PROD_DESCLINHA,",
                  "PROD_DT_ENTREGA",
                  "FROM PRODUTO PR",
                  "WHERE",
                  "PR.PROD_CODI = ",
                  "(SELECT DISTINCT TP.PREC_PRODUTO FROM TABPRE_PRODUTO TP",
                  " WHERE TP.PREC_PRODUTO = PR.PROD_CODI ",
                  " AND TP.PREC_TABELA = '01')",
                  "AND PROD_CODI = 'P''1'",
              }));
    EXPECT_TRUE(SqlProdutoTabela(" ", "01").endsWith(" AND TP.PREC_TABELA = '01') "));

    EXPECT_EQ(SqlCoresDisponiveis("", " "),
              "SELECT DISTINCT PAIT_CODI, PAIT_COR, PAIT_DSCOR  FROM PA_ITEN WHERE "
              "PAIT_IDESGOTADO = 'N' ");
    EXPECT_TRUE(SqlCoresDisponiveis("X1", "0'2")
                    .endsWith("WHERE PAIT_IDESGOTADO = 'N' AND PAIT_CODI = 'X1' AND PAIT_COR = '0''2' "));
}

TEST(SelectsRep, PedidoImpressaoMarksClosedOrOpen)
{
    EXPECT_TRUE(SqlPedidoImpressao(true).contains(" CD.COND_DESCRICAO, 'F'AS IDSITUACAO FROM PEDIDO PD "));
    EXPECT_TRUE(SqlPedidoImpressao(false).contains(" CD.COND_DESCRICAO, 'A'AS IDSITUACAO FROM PEDIDO PD "));
    EXPECT_TRUE(SqlPedidoImpressao(false).contains(QString::fromUtf8("WHEN 'T' THEN 'NÃO TRANSMITIR' ")));
}
