#include "windows/principal/regras/GraficosPrincipal.h"

namespace {
const QString V1 = QStringLiteral("CAST(SUM(PEDITEN.PEDIT_QTDE*PEDITEN.PEDIT_PREC) AS NUMERIC(10,2)) AS VALOR,");
const QString V2
    = QStringLiteral("CAST(((SUM(PEDITEN.PEDIT_QTDE*PEDITEN.PEDIT_PREC)*0.01)*PED.PED_PDESC) AS NUMERIC(10,2)) AS DESCONTO");
const QString V3 = QStringLiteral("FROM PEDIDO PED");
const QString V4 = QStringLiteral("LEFT JOIN PED_ITEN PEDITEN ON (PED.PED_NUME = PEDITEN.PEDIT_NUME)");
const QString W = QStringLiteral("WHERE PED.PED_DTEN > CAST(CURRENT_DATE-365 AS DATE)");
const QString O = QStringLiteral("ORDER BY COALESCE(SUM(PEDITEN.PEDIT_QTDE*PEDITEN.PEDIT_PREC),0) DESC)");
const QString S = QStringLiteral("SUM(CAST(COALESCE(VALOR-DESCONTO,0) AS NUMERIC(10,2))) AS VALOR");
} // namespace

const std::array<TDefGrafico, kNumGraficos> &DefinicoesGraficos()
{
    static const std::array<TDefGrafico, kNumGraficos> defs{{
        {TGrafico::Produto, "XRWdgProduto", "Análise de Produtos"},
        {TGrafico::Cliente, "XRWdgCliente", "Análise de Clientes"},
        {TGrafico::Cidade, "XRWdgCidade", "Análise por Cidade"},
        {TGrafico::VlrTotPed, "XRWdgVlrTotPed", "Valor total dos pedidos"},
        {TGrafico::QtdeCliComp, "XRWdgQtdeCliComp", "Clientes com compras"},
        {TGrafico::MedCliComp, "XRWdgMedCliComp", "Valor médio dos pedidos"},
        {TGrafico::Mes, "XRWdgMes", "Análise por Mês"},
    }};
    return defs;
}

QStringList LinhasGrafico(TGrafico grafico)
{
    switch (grafico) {
    case TGrafico::Produto:
        return {QStringLiteral("SELECT CASE WHEN (PROD_DESC <> '') THEN SUBSTRING(PROD_DESC FROM 1 FOR 20) "),
                QStringLiteral("ELSE PEDIT_CODI END AS PRODUTO, SUM(QTDE) AS QTDE, SUM(PRECO) AS PRECO, "),
                S,
                QStringLiteral("FROM ( "),
                QStringLiteral("SELECT PROD.PROD_DESC, PEDITEN.PEDIT_CODI, "),
                QStringLiteral("SUM(PEDITEN.PEDIT_QTDE) AS QTDE, SUM(PEDITEN.PEDIT_PREC) AS PRECO,"),
                V1,
                V2,
                V3,
                V4,
                QStringLiteral("LEFT JOIN PRODUTO PROD ON (PROD.PROD_CODI = PEDITEN.PEDIT_CODI)"),
                W,
                QStringLiteral("GROUP BY PEDITEN.PEDIT_CODI, PROD.PROD_DESC, PED.PED_PDESC"),
                O,
                QStringLiteral("GROUP BY PEDIT_CODI, PROD_DESC")};
    case TGrafico::Cliente:
        return {QStringLiteral(
                    "SELECT SUBSTRING(CLI_NOME FROM 1 FOR 15) AS CLIENTE, SUM(QTDE) AS QTDE, SUM(PRECO) PRECO,"),
                S,
                QStringLiteral("FROM ( "),
                QStringLiteral("SELECT CLI.CLI_NOME, SUM(PEDITEN.PEDIT_QTDE) AS QTDE, SUM(PEDITEN.PEDIT_PREC) AS PRECO,"),
                V1,
                V2,
                V3,
                V4,
                QStringLiteral("LEFT JOIN CLIENTE CLI ON (CLI.CLI_CODI = PED.PED_CCLI)"),
                W,
                QStringLiteral("GROUP BY CLI.CLI_NOME, PED.PED_PDESC"),
                O,
                QStringLiteral("GROUP BY SUBSTRING(CLI_NOME FROM 1 FOR 15)")};
    case TGrafico::Cidade:
        return {QStringLiteral(
                    "SELECT SUBSTRING(CLI_NOMCID FROM 1 FOR 20) AS CIDADE, SUM(QTDE) AS QTDE, SUM(PRECO) AS PRECO,"),
                S,
                QStringLiteral("FROM ( "),
                QStringLiteral(
                    "SELECT CLI.CLI_NOMCID, SUM(PEDITEN.PEDIT_QTDE) AS QTDE, SUM(PEDITEN.PEDIT_PREC) AS PRECO,"),
                V1,
                V2,
                V3,
                V4,
                QStringLiteral("LEFT JOIN CLIENTE CLI ON (PED.PED_CCLI = CLI.CLI_CODI)"),
                W,
                QStringLiteral("GROUP BY CLI.CLI_NOMCID, PED.PED_PDESC"),
                O,
                QStringLiteral("GROUP BY SUBSTRING(CLI_NOMCID FROM 1 FOR 20)")};
    case TGrafico::VlrTotPed:
        return {QStringLiteral("SELECT CAST(COALESCE(SUM(VALOR)-SUM(DESCONTO),0) AS NUMERIC(10,2)) AS VALOR FROM ("),
                QStringLiteral("SELECT PED.PED_NUME,"),
                V1,
                V2,
                V3,
                V4,
                W,
                QStringLiteral("GROUP BY PED.PED_NUME, PED.PED_PDESC)")};
    case TGrafico::QtdeCliComp:
        return {QStringLiteral("SELECT COUNT(DISTINCT PED.PED_CCLI)"), QStringLiteral("FROM PEDIDO PED"), W};
    case TGrafico::MedCliComp:
        return {QStringLiteral("SELECT CASE WHEN (CAST(COALESCE(SUM(VALOR)-SUM(DESCONTO),0) AS NUMERIC(10,2)) > 0) "
                               "AND (COUNT(DISTINCT CLI) > 0)  THEN"),
                QStringLiteral("CAST(COALESCE(SUM(VALOR)-SUM(DESCONTO),0)/COUNT(DISTINCT CLI) AS NUMERIC(10,2)) "
                               "ELSE 0 END AS VALOR FROM ("),
                QStringLiteral("SELECT PED.PED_NUME, PED.PED_CCLI as CLI, "),
                V1,
                V2,
                V3,
                V4,
                W,
                QStringLiteral("GROUP BY PED.PED_NUME, PED.PED_CCLI, PED.PED_PDESC)")};
    case TGrafico::Mes:
        break;
    }
    return {};
}

QString AbreviaMes(int mes)
{
    static const char *const nomes[] = {"JAN.", "FEV.", "MARC.", "ABR.", "MAIO", "JUN.",
                                        "JUL.", "AGO.", "SET.",  "OUT.", "NOV.", "DEZ."};
    if (mes < 1 || mes > 12)
        return QString();
    return QString::fromLatin1(nomes[mes - 1]);
}

QList<QPair<int, int>> MesesGrafico(const QDate &hoje)
{
    // From the calendar, not from the orders (an empty PEDIDO still has
    // months), and always ending with the current month: the month after
    // the one 365 days back, except on the leap-year days where that would
    // run one month into the future.
    int mes = hoje.month() + 1;
    int ano = hoje.year() - 1;
    QList<QPair<int, int>> meses;
    for (int i = 0; i < 12; ++i) {
        if (mes > 12) {
            mes = 1;
            ++ano;
        }
        meses.append({mes, ano});
        ++mes;
    }
    return meses;
}

QStringList LinhasGraficoMes(const QDate &hoje)
{
    QStringList l;
    const QList<QPair<int, int>> meses = MesesGrafico(hoje);
    for (int k = 1; k <= meses.size(); ++k) {
        const int mes = meses[k - 1].first;
        const int ano = meses[k - 1].second;
        if (k == 1) {
            l << QStringLiteral("SELECT 1 AS ORDEM,");
        } else {
            l << QStringLiteral("UNION");
            l << QStringLiteral("SELECT ") + QString::number(k) + QStringLiteral(" AS ORDEM,");
        }
        l << '\'' + AbreviaMes(mes) + ' ' + QString::number(ano) + QStringLiteral("' AS MES,");
        l << QStringLiteral("COALESCE(SUM(CAST(COALESCE(VALOR-DESCONTO,0) AS NUMERIC(10,2))),0) AS VALOR");
        l << QStringLiteral("FROM ( ");
        l << QStringLiteral("SELECT CAST(SUM(PEDITEN.PEDIT_QTDE*PEDITEN.PEDIT_PREC) AS NUMERIC(10,2)) AS VALOR,");
        l << V2 << V3 << V4;
        l << QStringLiteral("WHERE (UDF_MONTH(PED.PED_DTEN) = ") + QString::number(mes) + ')';
        l << QStringLiteral("AND (UDF_YEAR(PED.PED_DTEN) = ") + QString::number(ano) + ')';
        l << QStringLiteral("GROUP BY PED.PED_PDESC)");
    }
    l << QStringLiteral("ORDER BY 1");
    return l;
}

std::array<QRect, kNumGraficos> PosicoesGraficos(QSize tela, int alturaBarraTarefas, int alturaSBar)
{
    const int a = tela.height() - alturaBarraTarefas - alturaSBar - 64;
    const int h3 = a / 3;
    const int h2 = a / 2;
    const int c = (tela.width() - 50) / 3;
    const int w = c + 72;
    std::array<QRect, kNumGraficos> r;
    r[int(TGrafico::Cliente)] = QRect(0, 0, w, h2);
    r[int(TGrafico::Cidade)] = QRect(w, 0, w, h2);
    r[int(TGrafico::Produto)] = QRect(0, h2, w, h2);
    r[int(TGrafico::Mes)] = QRect(w, h2, w, h2);
    r[int(TGrafico::VlrTotPed)] = QRect(2 * w, 0, c - 147, h3);
    r[int(TGrafico::QtdeCliComp)] = QRect(2 * w, h3, c - 147, h3);
    r[int(TGrafico::MedCliComp)] = QRect(2 * w, 2 * h3, c - 147, h3);
    return r;
}
