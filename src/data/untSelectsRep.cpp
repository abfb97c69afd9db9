#include "data/untSelectsRep.h"

#include "data/UntFuncoes.h"

namespace {

QString Junta(const QStringList& linhas)
{
    QString r;
    ListaParaSQL(linhas, r);
    return r;
}

bool Preenchido(const QString& s)
{
    return !s.trimmed().isEmpty();
}

// "MM/DD/YYYY", whatever the machine's locale.
QString DataSQL(const QDate& d)
{
    if (!d.isValid())
        return QString();
    return QStringLiteral("%1/%2/%3")
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

// Size band of a colour/size cell; a cell without one takes the prices of 'UU'.
const char* const kFaixa1 =
    "(TB.PREC_FAIXA_TAM = ( CASE WHEN ((TRIM(P.PAIT_FAIXA_TAM) IS NULL) OR (TRIM(P.PAIT_FAIXA_TAM) = '')) THEN";
const char* const kFaixa2 = "'UU' ELSE P.PAIT_FAIXA_TAM  END))";

} // namespace

void ListaParaSQL(const QStringList& lista, QString& resultado)
{
    for (const QString& linha : lista)
        resultado += linha + QLatin1Char(' ');
}

QString SqlConfig()
{
    return Junta({
        "SELECT",
        "CODREP,",
        "NRULTCONFIG,",
        "NRULTALTER,",
        "DTULTSINCRONIZACAO,",
        "HRULTSINCRONIZACAO,",
        "NRLOTE,",
        "NMUSUARIO,",
        "DSSENHA,",
        "DTVALIDADE,",
        "NMREPRESENTANTE,",
        "IDBLOQPEDDTSUP,",
        "IDAVISO,",
        "DSEMAIL,",
        "NRFONE,",
        "IDDIGPRECO,",
        "NRCELULAR,",
        "DTHRESTOQUE,",
        "OBSERVACAO,",
        "DTDEENTREGA,",
        "DTATEENTREGA,",
        "IDDIGCOLECAO",
        "FROM CONFIG",
    });
}

QString SqlSenha()
{
    return Junta({
        "SELECT",
        "NMUSUARIO,",
        "DSSENHA",
        "FROM CONFIG CF",
        "WHERE NMUSUARIO = :USUARIO",
    });
}

QString SqlEnderecoServidor()
{
    return Junta({
        "SELECT",
        "DSENDERECOSERV,",
        "DSHOSTSERV,",
        "NRPORTASERV",
        "FROM CONFIG CF",
    });
}

QString SqlValoresMinimos()
{
    return Junta({
        "SELECT",
        "VLMINIMO,",
        "VLMINIMOPED,",
        "DTVALIDADE,",
        "IDBLOQPEDDTSUP",
        "FROM CONFIG",
    });
}

QString SqlPeriodoEntrega()
{
    return Junta({
        "SELECT",
        "C.DTDEENTREGA,",
        "C.DTATEENTREGA",
        "FROM CONFIG C",
    });
}

QString SqlQtdeMaxItem()
{
    return Junta({
        "SELECT",
        "QTDEMAXITEM",
        "FROM CONFIG",
    });
}

QString SqlNumeroConfig()
{
    return Junta({
        "SELECT",
        "NUMERO",
        "FROM CONFIG",
    });
}

QString SqlLoteConfig()
{
    return Junta({
        "UPDATE",
        "CONFIG SET",
        "NRLOTE = :NRLOTE",
        "WHERE",
        "CODREP = :CODREP",
    });
}

QString SqlClientesEnviar()
{
    return Junta({
        "SELECT",
        "CLI_CODI,",
        "CLI_NOME,",
        "CLI_FANT,",
        "CLI_CNPJ,",
        "CLI_IEST,",
        "CLI_TELE,",
        "CLI_MAIL,",
        "CLI_ENDE,",
        "CLI_NEND,",
        "CLI_COMP,",
        "CLI_BAIR,",
        "CLI_TIPO,",
        "CLI_CEP,",
        "CLI_UF,",
        "CLI_DTCA,",
        "CLI_NOMCID,",
        "CLI_OBSERVACAO",
        "FROM CLIENTE",
        "WHERE",
        "(CLI_IDENVIADO = 'N')",
        "OR (CLI_IDENVIADO IS NULL)",
    });
}

QString SqlContatosEnviar()
{
    return Junta({
        "SELECT",
        "CT.CONT_CCLI,",
        "CT.CONT_ITEM,",
        "CT.CONT_NOME,",
        "CT.CONT_FONE,",
        "CT.CONT_MAIL,",
        "CT.CONT_NASC,",
        "CT.CONT_TIPO,",
        "CT.CONT_TEXT,",
        "CT.CONT_OBS,",
        "CASE WHEN TRIM(CT.CONT_CNPJ) IS NULL THEN",
        "(SELECT CL1.CLI_CNPJ FROM CLIENTE CL1 WHERE CL1.CLI_CODI = CT.CONT_CCLI)",
        "ELSE CT.CONT_CNPJ END CONT_CNPJ",
        "FROM CONTATO_CLI CT",
        "WHERE EXISTS",
        "(SELECT 1 FROM CLIENTE CL WHERE",
        "(CL.CLI_CODI = CT.CONT_CCLI)",
        "AND ((CL.CLI_IDENVIADO = 'N')",
        "OR (CL.CLI_IDENVIADO IS NULL)))",
    });
}

QString SqlMarcaClienteEnviado()
{
    return Junta({
        "UPDATE CLIENTE SET",
        "CLI_IDENVIADO = 'S',",
        "CLI_CODCLIEMP = :CODCLIEMP",
        "WHERE",
        "CLI_CODI = :CODCLI",
    });
}

QString SqlContatosCliente()
{
    return Junta({
        "SELECT",
        "CT.CONT_CCLI,",
        "CT.CONT_ITEM,",
        "CT.CONT_NOME,",
        "CT.CONT_FONE,",
        "CT.CONT_MAIL,",
        "CT.CONT_NASC,",
        "CT.CONT_TIPO,",
        "CT.CONT_TEXT,",
        "CT.CONT_OBS,",
        "CT.CONT_CNPJ",
        "FROM CONTATO_CLI CT",
        "WHERE",
        "CT.CONT_CCLI = :CODCLI",
    });
}

QString SqlAtualizaEstoque()
{
    return Junta({
        "UPDATE PA_ITEN SET PAIT_QTDE = :QTDE",
        "WHERE PAIT_CODI = :CODIGO",
        "AND PAIT_COR = :COR",
        "AND PAIT_TAM = :TAM",
    });
}

QString SqlEmpresaExiste()
{
    return Junta({
        "SELECT 1 FROM  EMPRESA E ",
        "WHERE E.EMP_PAT = :EMPRESA",
    });
}

QString SqlEmpresa()
{
    return Junta({
        "SELECT",
        "EMP_NOME,",
        "EMP_ESTADO,",
        "EMP_CEP,",
        "EMP_TELEFONE,",
        "EMP_BAIRRO,",
        "EMP_NUMERO,",
        "EMP_ENDERECO,",
        "EMP_CIDADE,",
        "EMP_EMAIL,",
        "EMP_LOGO,",
        "EMP_PAT",
        "FROM EMPRESA",
    });
}

QString SqlPedido()
{
    return Junta({
        "SELECT",
        "P.PED_NUME,",
        "P.PED_CCLI,",
        "P.PED_DTCA,",
        "P.PED_DTEM,",
        "P.PED_DTEN,",
        "P.PED_CONP,",
        "P.PED_PDESC,",
        "P.PED_CIF,",
        "P.PED_OBSE,",
        "P.PED_TABPRE,",
        "P.PED_DTFAT,",
        "P.PED_NRLOTE,",
        "P.PED_DTSINCRONIZACAO,",
        "P.PED_HRSINCRONIZACAO,",
        "E.CLI_NOME AS NOME,",
        "RG.TABP_DESCRICAO AS DESC_TABELA,",
        "CP.COND_DESCRICAO AS DESC_COND,",
        "CP.COND_NRPAR AS NR_PARCELAS,",
        "CP.COND_NRDIA AS NR_DIAS_INTERVALO,",
        "CP.COND_PRAZOINI AS NR_PRAZO_INICIAL,",
        "CP.COND_TAXA AS NR_TAXA,",
        "CP.COND_DESCMAX AS NR_DESCMAX,",
        "CASE WHEN (P.PED_NRLOTE IS NULL) OR (P.PED_NRLOTE = 0) THEN",
        "'Aberto' else 'Transmitido'",
        "END AS STATUS, ",
        "P.PED_CONFIG, ",
        "E.CLI_NOMCID, ",
        "P.PED_IDFECHADO, ",
        "P.PED_TABPRZ",
        "FROM PEDIDO P ",
        "LEFT JOIN CLIENTE E ON (P.PED_CCLI = E.CLI_CODI)",
        "LEFT JOIN TABPRECO RG ON (P.PED_TABPRE = RG.TABP_REGIAO)",
        "LEFT JOIN CONDICAO CP ON (P.PED_CONP = CP.COND_CODCOND)",
        "WHERE P.PED_NUME = :PEDIDO",
    });
}

QString SqlItensPedido()
{
    return Junta({
        "SELECT",
        "DISTINCT",
        "IT.PEDIT_NUME,",
        "IT.PEDIT_ITEM,",
        "IT.PEDIT_CODI,",
        "IT.PEDIT_QTDE,",
        "IT.PEDIT_COR,",
        "IT.PEDIT_TAM,",
        "IT.PEDIT_PREC,",
        "IT.PEDIT_TIPO,",
        "PR.PROD_DESC,",
        "PI.PAIT_DSCOR,",
        "PR.PROD_COLECAO,",
        "IT.PEDIT_PREC_ORI,",
        "PR.PROD_LINHA,",
        "PR.PROD_DESCLINHA,",
        "IT.PEDIT_DT_ENTREGA,",
        "PI.PAIT_BLOQUEIA_EST,",
        "(COALESCE(PI.PAIT_QTDE,0) - COALESCE(PED_ITEN_OUTROS.QTDE,0)) AS PAIT_QTDE",
        "FROM PED_ITEN IT",
        "LEFT JOIN PRODUTO PR ON PR.PROD_CODI = IT.PEDIT_CODI",
        "LEFT JOIN PA_ITEN PI ON (PI.PAIT_CODI = IT.PEDIT_CODI)",
        "                         AND (PI.PAIT_COR = IT.PEDIT_COR)",
        "                         AND (PI.PAIT_TAM = IT.PEDIT_TAM)",
        "LEFT JOIN (SELECT IT2.PEDIT_CODI, IT2.PEDIT_COR, IT2.PEDIT_TAM, SUM(IT2.PEDIT_QTDE) AS QTDE",
        "           FROM PED_ITEN IT2",
        "           WHERE IT2.PEDIT_NUME <> :PEDIDO",
        "           AND EXISTS (SELECT 1",
        "                       FROM PEDIDO P",
        "                       WHERE P.PED_NUME = IT2.PEDIT_NUME",
        "                       AND ((P.PED_NRLOTE = 0) ",
        "                            OR (P.PED_NRLOTE IS NULL)))",
        "           GROUP BY IT2.PEDIT_CODI, IT2.PEDIT_COR, IT2.PEDIT_TAM) PED_ITEN_OUTROS ON (PI.PAIT_CODI = PED_ITEN_OUTROS.PEDIT_CODI",
        "                                                                                      AND PI.PAIT_COR = PED_ITEN_OUTROS.PEDIT_COR",
        "                                                                                      AND PI.PAIT_TAM = PED_ITEN_OUTROS.PEDIT_TAM)",
        "WHERE",
        "IT.PEDIT_NUME = :PEDIDO",
        "ORDER BY PEDIT_CODI, PAIT_DSCOR, PEDIT_TAM ",
    });
}

QString SqlParcelasCondicao()
{
    return Junta({
        "SELECT",
        "COND_NRPAR",
        "FROM CONDICAO WHERE COND_CODCOND = :CONDICAO",
    });
}

QString SqlTipoCliente()
{
    return Junta({
        "SELECT",
        "CLI_TIPO,",
        "CLI_CNPJ",
        "FROM CLIENTE",
        "WHERE",
        "CLI_CODI = :CODIGO",
    });
}

QString SqlPrazos()
{
    return Junta({
        "SELECT",
        "TABP_PRAZO",
        "FROM TABPRZ",
    });
}

QString SqlValorMinimoRegiao()
{
    return Junta({
        "SELECT",
        "TABP.TABP_REGIAO,",
        "TABP.TABP_VLRMINIMO",
        "FROM TABPRECO TABP",
        "WHERE TABP.TABP_VLRMINIMO > 0",
        "AND TABP.TABP_REGIAO = :REGIAO",
    });
}

QString SqlTamanhosProduto()
{
    return Junta({
        "SELECT",
        "DISTINCT P.PAIT_TAM AS TAM",
        "FROM PA_ITEN P",
        "WHERE P.PAIT_CODI = :PRODUTO",
        "ORDER BY P.PAIT_POS_TAM, P.PAIT_TAM",
    });
}

QString SqlCopiaPedido()
{
    return Junta({
        "SELECT",
        "P.PED_NUME,",
        "P.PED_CCLI,",
        "P.PED_DTCA,",
        "P.PED_DTEM,",
        "P.PED_DTEN,",
        "P.PED_CONP,",
        "P.PED_PDESC,",
        "P.PED_CIF,",
        "P.PED_OBSE,",
        "P.PED_TABPRE,",
        "P.PED_DTFAT,",
        "P.PED_CONFIG,",
        "P.PED_TABPRZ,",
        "P.PED_IDFECHADO",
        "FROM PEDIDO P ",
        "WHERE P.PED_NUME = :PEDIDO",
    });
}

QString SqlCopiaItens()
{
    return Junta({
        "SELECT",
        "IT.PEDIT_NUME,",
        "IT.PEDIT_ITEM,",
        "IT.PEDIT_CODI,",
        "IT.PEDIT_QTDE,",
        "IT.PEDIT_COR,",
        "IT.PEDIT_TAM,",
        "IT.PEDIT_PREC,",
        "IT.PEDIT_PREC_ORI,",
        "IT.PEDIT_TIPO,",
        "PROD.PROD_DT_ENTREGA AS PEDIT_DT_ENTREGA",
        "FROM PED_ITEN IT",
        "LEFT JOIN PRODUTO PROD ON (IT.PEDIT_CODI = PROD.PROD_CODI)",
        "WHERE",
        "IT.PEDIT_NUME = :PEDIDO",
    });
}

QString SqlPedidosEnviar(bool pUmCliente)
{
    QStringList l{
        "SELECT",
        "'N' AS IDSELECIONADO,",
        "PD.PED_NUME,",
        "PD.PED_DTCA,",
        "PD.PED_CCLI,",
        "CL.CLI_CNPJ,",
        "CL.CLI_NOME,",
        "ITENS.QTDTOTAL,",
        "ITENS.VLRTOTAL,",
        "PD.PED_MD5,",
        "CASE WHEN (PD.PED_PDESC) > 0 THEN ITENS.VLRLIQ-((ITENS.VLRLIQ*0.01)*PD.PED_PDESC) ELSE",
        "CASE WHEN (PD.PED_PDESC) = 0 THEN ITENS.VLRLIQ END END AS VLRLIQ",
        "FROM PEDIDO PD",
        "INNER JOIN CLIENTE CL ON (CL.CLI_CODI = PD.PED_CCLI)",
        "LEFT JOIN (SELECT PEDIT_NUME, SUM(COALESCE(PEDIT_QTDE,0)) AS QTDTOTAL,",
        " SUM(COALESCE(PEDIT_QTDE*PEDIT_PREC_ORI,0)) AS VLRTOTAL, SUM((PEDIT_QTDE*PEDIT_PREC)) AS VLRLIQ",
        "FROM PED_ITEN GROUP BY PEDIT_NUME) ITENS",
        " ON (ITENS.PEDIT_NUME = PD.PED_NUME)",
        "WHERE",
        "((PD.PED_NRLOTE = 0) or (PD.PED_NRLOTE IS NULL))",
        "AND (PD.PED_DTCA BETWEEN :DTINI AND :DTFIM)",
        "AND (PD.PED_IDFECHADO = 'S')",
    };
    if (pUmCliente)
        l << "AND (PD.PED_CCLI = :CLIENTE)";
    l << "ORDER BY PD.PED_DTCA, PD.PED_NUME";
    return Junta(l);
}

QString SqlItensEnviar(const QString& pListaPedidos)
{
    return Junta({
        "SELECT",
        "PEDIT_NUME,",
        "PEDIT_ITEM,",
        "PEDIT_CODI,",
        "PEDIT_QTDE,",
        "PEDIT_COR,",
        "PEDIT_TAM,",
        "PEDIT_PREC,",
        "PEDIT_TIPO,",
        "PEDIT_PREC_ORI,",
        "PEDIT_DT_ENTREGA",
        "FROM PED_ITEN",
        "WHERE",
        "PEDIT_NUME IN (" + pListaPedidos + ")",
    });
}

QString SqlPedidosEnvio(const QString& pListaPedidos)
{
    return Junta({
        "SELECT",
        "PED_NUME,",
        "PED_CCLI,",
        "PED_DTCA,",
        "PED_DTEM,",
        "PED_DTEN,",
        "PED_CONP,",
        "PED_PDESC,",
        "PED_CIF,",
        "PED_OBSE,",
        "PED_TABPRE,",
        "PED_DTFAT,",
        "PED_CONFIG,",
        "PED_TABPRZ,",
        "REPLACE(REPLACE(REPLACE(REPLACE(CLI_CNPJ,'.',''),'-',''),'/',''),' ','')  AS CC_CNPJ",
        "FROM PEDIDO",
        "LEFT JOIN CLIENTE ON (CLI_CODI = PED_CCLI)",
        "WHERE",
        "PED_NUME IN (" + pListaPedidos + ")",
    });
}

QString SqlLotePedidos(const QString& pListaPedidos)
{
    return Junta({
        "UPDATE",
        "PEDIDO SET",
        "PED_NRLOTE = :NRLOTE,",
        "PED_DTSINCRONIZACAO = :DATA,",
        "PED_HRSINCRONIZACAO = :HORA",
        "WHERE",
        "PED_NUME IN (" + pListaPedidos + ")",
    });
}

QString SqlPedidosCarga(const QString& pListaPedidos)
{
    return Junta({
        "SELECT",
        "PED_NUME,",
        "PED_CCLI,",
        "PED_DTCA,",
        "PED_DTEM,",
        "PED_DTEN,",
        "PED_CONP,",
        "PED_PDESC,",
        "PED_CIF,",
        "PED_OBSE,",
        "PED_TABPRE,",
        "PED_DTFAT,",
        "PED_CONFIG,",
        "PED_TABPRZ,",
        "PED_MD5,",
        "REPLACE(REPLACE(REPLACE(REPLACE(CLI_CNPJ,'.',''),'-',''),'/',''),' ','')  AS PED_CC_CNPJ,",
        "PEDIT_NUME,",
        "PEDIT_ITEM,",
        "PEDIT_CODI,",
        "PEDIT_QTDE,",
        "PEDIT_COR,",
        "PEDIT_TAM,",
        "PEDIT_PREC,",
        "PEDIT_TIPO,",
        "PEDIT_PREC_ORI,",
        "PEDIT_DT_ENTREGA,",
        "CLI_CODI,",
        "CLI_NOME,",
        "CLI_FANT,",
        "CLI_CNPJ,",
        "CLI_IEST,",
        "CLI_TELE,",
        "CLI_MAIL,",
        "CLI_ENDE,",
        "CLI_NEND,",
        "CLI_COMP,",
        "CLI_BAIR,",
        "CLI_TIPO,",
        "CLI_CEP,",
        "CLI_UF,",
        "CLI_DTCA,",
        "CLI_NOMCID,",
        "CLI_OBSERVACAO",
        "FROM PEDIDO",
        "LEFT JOIN PED_ITEN ON (PEDIT_NUME = PED_NUME)",
        "LEFT JOIN CLIENTE  ON (CLI_CODI   = PED_CCLI)",
        "WHERE",
        "PED_NUME IN (" + pListaPedidos + ")",
    });
}

QString SqlGravaEmpresa(bool pAtualiza)
{
    if (pAtualiza)
        return Junta({
            "UPDATE EMPRESA SET",
            "EMP_NOME     = :EMP_NOME,",
            "EMP_ESTADO   = :EMP_ESTADO,",
            "EMP_CEP      = :EMP_CEP,",
            "EMP_TELEFONE = :EMP_TELEFONE,",
            "EMP_BAIRRO   = :EMP_BAIRRO,",
            "EMP_NUMERO   = :EMP_NUMERO,",
            "EMP_ENDERECO = :EMP_ENDERECO,",
            "EMP_CIDADE   = :EMP_CIDADE,",
            "EMP_EMAIL    = :EMP_EMAIL,",
            "EMP_LOGO     = :EMP_LOGO",
            "WHERE EMP_PAT = :EMP_PAT",
        });
    return Junta({
        "INSERT INTO EMPRESA (",
        "EMP_PAT ,EMP_NOME, EMP_ENDERECO, EMP_BAIRRO, EMP_CIDADE, EMP_ESTADO, EMP_TELEFONE, EMP_EMAIL, EMP_LOGO,",
        "EMP_NUMERO, EMP_CEP) VALUES (",
        ":EMP_PAT ,:EMP_NOME, :EMP_ENDERECO, :EMP_BAIRRO, :EMP_CIDADE, :EMP_ESTADO,",
        ":EMP_TELEFONE, :EMP_EMAIL, :EMP_LOGO, :EMP_NUMERO, :EMP_CEP)",
    });
}

QString SqlConsultaPedidos(const QString& pCodCliente, const QString& pTabela,
                           const QString& pNumero, const QString& pCnpj, const QString& pCidade,
                           bool pSoNaoEnviados, const QDate& pDataDe, const QDate& pDataAte,
                           bool pCrescente)
{
    QStringList l{
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
        "SUM((PI.PEDIT_QTDE*PI.PEDIT_PREC_ORI)) AS VlrTot, SUM((PI.PEDIT_QTDE*PI.PEDIT_PREC)) AS VLRLIQ from",
        "PED_ITEN PI GROUP BY PI.PEDIT_NUME) Itens on (ITENS.PEDIT_NUME = P.PED_NUME)",
        "WHERE P.PED_DTEM >= " + QuotedStr(DataSQL(pDataDe)),
        "AND P.PED_DTEM <= " + QuotedStr(DataSQL(pDataAte)),
    };
    if (Preenchido(pCodCliente))
        l << "AND P.PED_CCLI = " + QuotedStr(pCodCliente);
    if (Preenchido(pTabela))
        l << "AND P.PED_TABPRE = " + QuotedStr(pTabela);
    if (Preenchido(pNumero))
        l << "AND P.PED_NUME = " + QuotedStr(pNumero);
    if (Preenchido(pCidade))
        l << "AND E.CLI_NOMCID LIKE " + QuotedStr("%" + pCidade + "%");
    if (Preenchido(pCnpj)) {
        QString digitos = pCnpj;
        for (const char* c : {".", "-", "/", " "})
            digitos.remove(QLatin1String(c));
        l << "AND REPLACE(REPLACE(REPLACE(REPLACE(E.CLI_CNPJ,'.',''),'-',''),'/',''),' ','')  LIKE " +
                 QuotedStr("%" + digitos + "%");
    }
    if (pSoNaoEnviados)
        l << "AND ((P.PED_NRLOTE = 0) OR (P.PED_NRLOTE IS NULL))";
    l << (pCrescente ? "ORDER BY PED_NUME" : "ORDER BY PED_NUME DESC");
    return Junta(l);
}

QString SqlPedidoImpressao(bool pFechado)
{
    return Junta({
        "SELECT DISTINCT",
        "PD.PED_NUME,",
        "PD.PED_CCLI,",
        "PD.PED_DTEM,",
        "PD.PED_DTEN,",
        "PD.PED_CONP,",
        "PD.PED_PDESC,",
        "PD.PED_CIF,",
        "PD.PED_OBSE,",
        "PD.PED_TABPRE,",
        "PD.PED_NRLOTE,",
        "PD.PED_DTSINCRONIZACAO,",
        "CL.CLI_NOME,",
        "CL.CLI_CNPJ,",
        "CL.CLI_IEST,",
        "CL.CLI_TELE,",
        "CL.CLI_MAIL,",
        "CL.CLI_ENDE,",
        "CL.CLI_NEND,",
        "CL.CLI_COMP,",
        "CL.CLI_BAIR,",
        "CL.CLI_CEP,",
        "CL.CLI_UF,",
        "CL.CLI_NOMCID,",
        "CASE CL.CLI_IDENVIADO ",
        "WHEN 'S' THEN 'TRANSMITIDO'",
        "WHEN 'T' THEN 'NÃO TRANSMITIR'",
        "ELSE 'NÃO TRANSMITIDO' END AS CLI_SITUACAO,",
        "CL.CLI_CODCLIEMP,",
        "CD.COND_DESCRICAO,",
        pFechado ? "'F'AS IDSITUACAO" : "'A'AS IDSITUACAO",
        "FROM PEDIDO PD",
        "LEFT JOIN CLIENTE CL ON CL.CLI_CODI = PD.PED_CCLI",
        "LEFT JOIN CONDICAO CD ON CD.COND_CODCOND = PD.PED_CONP",
        "WHERE",
        "PD.PED_NUME = :PEDIDO",
    });
}

QString SqlCorTamanhoPreco(bool pUmaCelula)
{
    QStringList l{
        "SELECT",
        "DISTINCT P.PAIT_COR AS COR,",
        pUmaCelula ? "P.PAIT_DSCOR AS DSCOR, " : "TRIM(P.PAIT_COR) || ' - ' || P.PAIT_DSCOR AS DSCOR, ",
        "P.PAIT_TAM AS TAM, ",
    };
    if (!pUmaCelula)
        l << "CASE WHEN (TB.PREC_PRECO IS NULL) THEN 0 ELSE TB.PREC_PRECO END AS PRECO,";
    l << "P.PAIT_IDESGOTADO AS ESGOTADO "
      << "FROM PA_ITEN P";
    if (!pUmaCelula)
        l << "LEFT JOIN TABPRE_PRODUTO TB ON (TB.PREC_PRODUTO = P.PAIT_CODI) AND" << kFaixa1
          << QString(kFaixa2) + " AND (TB.PREC_TABELA = :TABELA)";
    l << "WHERE P.PAIT_CODI = :PRODUTO";
    if (pUmaCelula)
        l << "AND P.PAIT_COR = :COR"
          << "AND P.PAIT_TAM = :TAM";
    else
        l << "AND EXISTS (SELECT DISTINCT 1 FROM PA_ITEN P1 WHERE P1.PAIT_CODI = P.PAIT_CODI"
          << "AND P1.PAIT_COR = P.PAIT_COR AND P1.PAIT_IDESGOTADO = 'N')"
          << "ORDER BY P.PAIT_COR";
    return Junta(l);
}

namespace {

QStringList LinhasPrecosTamanhos()
{
    return {
        "SELECT",
        "DISTINCT P.PAIT_TAM AS TAM,",
        "TB.PREC_QTDMAXIMA AS QTDMAXIMA,",
        "TB.PREC_PRECO AS PRECO",
        "FROM PA_ITEN P",
        "INNER JOIN TABPRE_PRODUTO TB ON (TB.PREC_PRODUTO = P.PAIT_CODI) AND",
        kFaixa1,
        kFaixa2,
        "WHERE P.PAIT_CODI = :PRODUTO ",
        "AND TB.PREC_TABELA = :TABELA",
    };
}

} // namespace

QString SqlPrecosTamanhos()
{
    return Junta(LinhasPrecosTamanhos());
}

QString SqlPrecoTamanho()
{
    return Junta(LinhasPrecosTamanhos() << "AND P.PAIT_TAM = :TAM");
}

QString SqlProdutoTabela(const QString& pCodProduto, const QString& pTabela)
{
    QStringList l{
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
        " AND TP.PREC_TABELA = " + QuotedStr(pTabela) + ")",
    };
    if (Preenchido(pCodProduto))
        l << "AND PROD_CODI = " + QuotedStr(pCodProduto);
    return Junta(l);
}

QString SqlCoresDisponiveis(const QString& pCodProduto, const QString& pCor)
{
    QStringList l{
        "SELECT DISTINCT PAIT_CODI, PAIT_COR, PAIT_DSCOR ",
        "FROM PA_ITEN",
        "WHERE PAIT_IDESGOTADO = 'N'",
    };
    if (Preenchido(pCodProduto))
        l << "AND PAIT_CODI = " + QuotedStr(pCodProduto);
    if (Preenchido(pCor))
        l << "AND PAIT_COR = " + QuotedStr(pCor);
    return Junta(l);
}
