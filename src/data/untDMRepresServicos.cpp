#include "data/untDMRepres.h"
#include "data/XRQuery.h"

#include "data/UntFuncoes.h"
#include "data/untSelectsRep.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

namespace {


// Invalid dates and times would reach the engine as garbage; they go as NULL.
QVariant dataOuNulo(const QDateTime &dt) { return dt.isValid() ? QVariant(dt.date()) : QVariant(); }
QVariant horaOuNulo(const QDateTime &dt) { return dt.isValid() ? QVariant(dt.time()) : QVariant(); }

QString semPontuacao(QString cnpj)
{
    for (const char c : {' ', '.', '/', '-'})
        cnpj.remove(QLatin1Char(c));
    return cnpj;
}

// The tiers of the size band of the product's cells for the size (UU when
// blank), smallest covering tier first.
QStringList linhasPrecoFaixa(const QString &colunas, const QString &ordem)
{
    return {QStringLiteral("SELECT DISTINCT"),
            colunas,
            QStringLiteral("FROM PA_ITEN P "),
            QStringLiteral("INNER JOIN TABPRE_PRODUTO TP ON (TP.PREC_PRODUTO = P.PAIT_CODI)"),
            QStringLiteral("AND (TP.PREC_FAIXA_TAM = (CASE WHEN ((TRIM(P.PAIT_FAIXA_TAM) IS NULL)"),
            QStringLiteral("OR  (TRIM(P.PAIT_FAIXA_TAM) = ") + QuotedStr(QString()) + QStringLiteral(")) THEN"),
            QuotedStr(QStringLiteral("UU")) + QStringLiteral(" ELSE P.PAIT_FAIXA_TAM END))"),
            QStringLiteral("WHERE P.PAIT_CODI = :PRODUTO"),
            QStringLiteral("AND TP.PREC_TABELA = :TABELA"),
            QStringLiteral("AND P.PAIT_TAM = :TAM"),
            QStringLiteral("AND TP.PREC_QTDMAXIMA >= :QTD"),
            QStringLiteral("ORDER BY ") + ordem};
}

void parametrosPreco(TXRQuery *q, const QString &produto, const QString &tabela, const QString &tam, double qtd)
{
    q->ParamByName(QStringLiteral("PRODUTO"))->SetAsString(produto);
    q->ParamByName(QStringLiteral("TABELA"))->SetAsString(tabela);
    q->ParamByName(QStringLiteral("TAM"))->SetAsString(tam);
    q->ParamByName(QStringLiteral("QTD"))->SetAsFloat(qtd);
}

} // namespace

QString TDMRepres::BuscaCodRep()
{
    PreparaRascunho({QStringLiteral("SELECT CODREP FROM CONFIG")});
    XRQConfig->Open();
    if (XRQConfig->isEmpty())
        return QStringLiteral("-999");
    XRQConfig->first();
    return XRQConfig->fieldByName(QStringLiteral("CODREP"))->asString();
}

int TDMRepres::BuscaNrRefer()
{
    PreparaRascunho({QStringLiteral("SELECT NRREFER FROM CONFIG ")});
    XRQConfig->Open();
    if (XRQConfig->isEmpty())
        return 0;
    XRQConfig->first();
    return XRQConfig->fieldByName(QStringLiteral("NRREFER"))->asInteger();
}

bool TDMRepres::AtualizaConfig(int iVersaoServidor, int iVersaoRepres)
{
    bool resultado = true;
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    QStringList linhas = {QStringLiteral("UPDATE CONFIG SET"),
                          QStringLiteral("NRULTCONFIG = :CODIGO,"),
                          QStringLiteral("DTULTSINCRONIZACAO = :DATA,"),
                          QStringLiteral("HRULTSINCRONIZACAO = :HORA,"),
                          QStringLiteral("VLMINIMO = :VLMINIMO,"),
                          QStringLiteral("VLMINIMOPED = :VLMINIMOPED,"),
                          QStringLiteral("DTVALIDADE = :DTVALIDADE,"),
                          QStringLiteral("NRREFER = :NRREFER,"),
                          QStringLiteral("NMREPRESENTANTE = :NMREPRESENTANTE,"),
                          QStringLiteral("IDDIGPRECO = :IDDIGPRECO,"),
                          QStringLiteral("IDCLIEMAILOBR = :IDCLIEMAILOBR,"),
                          QStringLiteral("IDRELESTOQUE = :IDRELESTOQUE,"),
                          QStringLiteral("IDIMGPRODUTO = :IDIMGPRODUTO,"),
                          QStringLiteral("IDBLOQPEDDTSUP = :IDBLOQPEDDTSUP,"),
                          QStringLiteral("OBSERVACAO = :OBSERVACAO")};
    if (iVersaoServidor > 1)
        linhas << QStringLiteral(",DTDEENTREGA = :DTDEENTREGA,") << QStringLiteral("DTATEENTREGA = :DTATEENTREGA");
    if (iVersaoRepres > 2032)
        linhas << QStringLiteral(",IDDIGCOLECAO = :IDDIGCOLECAO");
    if (iVersaoServidor > 3)
        linhas << QStringLiteral(",QTDEMAXITEM = :QTDEMAXITEM");
    linhas << QStringLiteral("WHERE CODREP = :CODREP");

    try {
        for (const QString &l : linhas)
            q.SQL().Add(l);
        q.ParamByName(QStringLiteral("CODIGO"))->SetAsInteger(iConfig);
        q.ParamByName(QStringLiteral("DATA"))->Value = dataOuNulo(dData);
        q.ParamByName(QStringLiteral("HORA"))->Value = horaOuNulo(hHora);
        q.ParamByName(QStringLiteral("DTVALIDADE"))->Value = dataOuNulo(dDtValidade);
        q.ParamByName(QStringLiteral("VLMINIMO"))->SetAsFloat(eVlrMinimo);
        q.ParamByName(QStringLiteral("VLMINIMOPED"))->SetAsFloat(eVlrMinimoPed);
        q.ParamByName(QStringLiteral("NMREPRESENTANTE"))->SetAsString(sNmRep);
        q.ParamByName(QStringLiteral("IDBLOQPEDDTSUP"))->SetAsString(sIdBloq);
        q.ParamByName(QStringLiteral("NRREFER"))->SetAsInteger(iNrRefer);
        q.ParamByName(QStringLiteral("IDDIGPRECO"))->SetAsString(sIdDigPreco);
        q.ParamByName(QStringLiteral("IDCLIEMAILOBR"))->SetAsString(sIdCliEmailObr);
        q.ParamByName(QStringLiteral("IDRELESTOQUE"))->SetAsString(sIdRelEstoque);
        q.ParamByName(QStringLiteral("IDIMGPRODUTO"))->SetAsString(sIdImgProduto);
        // character set NONE: the text is kept in the program's 8-bit code page
        q.ParamByName(QStringLiteral("OBSERVACAO"))->SetAsBlob(toCp1252(sObservacao));
        if (iVersaoServidor > 1) {
            q.ParamByName(QStringLiteral("DTDEENTREGA"))->Value = dataOuNulo(dDtDeEntrega);
            q.ParamByName(QStringLiteral("DTATEENTREGA"))->Value = dataOuNulo(dDtAteEntrega);
        }
        if (iVersaoRepres > 2032)
            q.ParamByName(QStringLiteral("IDDIGCOLECAO"))->SetAsString(sIdDigColecao);
        if (iVersaoServidor > 3)
            q.ParamByName(QStringLiteral("QTDEMAXITEM"))->SetAsFloat(eQtdeMaxItem);
        q.ParamByName(QStringLiteral("CODREP"))->SetAsString(sCodRep);
        q.ExecSQL();
    } catch (const std::exception &e) {
        dialogs().showMessage(MensagemExcecao(e));
        resultado = false;
    }

    const bool temEmail = !sDsEmail.trimmed().isEmpty();
    const bool temFone = !sNrFone.trimmed().isEmpty();
    if (!temEmail && !temFone) {
        XRTransaction->CommitRetaining();
        return resultado;
    }
    try {
        q.SQL().Clear();
        q.SQL().Add(QStringLiteral("UPDATE CONFIG SET"));
        if (temEmail)
            q.SQL().Add(QStringLiteral("DSEMAIL = ") + QuotedStr(sDsEmail) + (temFone ? QStringLiteral(",") : QString()));
        if (temFone)
            q.SQL().Add(QStringLiteral("NRFONE = ") + QuotedStr(sNrFone));
        q.ExecSQL();
    } catch (const std::exception &e) {
        dialogs().showMessage(MensagemExcecao(e));
        resultado = false;
    }
    XRTransaction->CommitRetaining();
    return resultado;
}

void TDMRepres::SetCargaInvalida(const QString &sCodRep)
{
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    q.SQL().Add(QStringLiteral("UPDATE CONFIG SET"));
    q.SQL().Add(QStringLiteral("NRULTCONFIG = :CODIGO"));
    q.SQL().Add(QStringLiteral("WHERE CODREP = :CODREP"));
    q.ParamByName(QStringLiteral("CODIGO"))->SetAsInteger(-1);
    q.ParamByName(QStringLiteral("CODREP"))->SetAsString(sCodRep);
    q.ExecSQL();
    XRTransaction->CommitRetaining();
}

bool TDMRepres::AtualizaLote(const QString &pCodRep, int pNrLote, const QString &pPedidos, const QDateTime &pData,
                             const QDateTime &pHora)
{
    try {
        // each number re-quoted, so the list can only ever be a list of values
        QStringList numeros;
        for (const QString &n : ValoresDaListaSQL(pPedidos))
            numeros << QuotedStr(n);

        TXRQuery pedidos;
        pedidos.SetDatabase(XRDtRepres);
        pedidos.SQL().SetText(SqlLotePedidos(numeros.join(QLatin1Char(','))));
        pedidos.ParamByName(QStringLiteral("DATA"))->Value = dataOuNulo(pData);
        pedidos.ParamByName(QStringLiteral("HORA"))->Value = horaOuNulo(pHora);
        pedidos.ParamByName(QStringLiteral("NRLOTE"))->SetAsInteger(pNrLote);

        TXRQuery config;
        config.SetDatabase(XRDtRepres);
        config.SQL().SetText(SqlLoteConfig());
        config.ParamByName(QStringLiteral("CODREP"))->SetAsString(pCodRep);
        config.ParamByName(QStringLiteral("NRLOTE"))->SetAsInteger(pNrLote);

        // marked orders without the advanced number would let the batch
        // number be used twice: both statements or neither
        SavepointGuard guarda(*XRTransaction, QStringLiteral("SP_ATUALIZALOTE"));
        pedidos.ExecSQL();
        config.ExecSQL();
        // a batch number that did not advance would be handed out again
        if (config.RowsAffected() == 0)
            throw EDatabaseError(QStringLiteral("Representante %1 não encontrado na configuração.").arg(pCodRep));
        guarda.Release();
        XRTransaction->CommitRetaining();
        return true;
    } catch (const std::exception &e) {
        dialogs().showMessage(MensagemExcecao(e));
        return false;
    }
}

void TDMRepres::GravaCodCliEmp(DataSet *pCDSCodigos)
{
    pCDSCodigos->open();
    if (pCDSCodigos->isEmpty()) {
        pCDSCodigos->close();
        return;
    }
    try {
        TXRQuery q;
        q.SetDatabase(XRDtRepres);
        q.SQL().SetText(SqlMarcaClienteEnviado());
        // a failure half-way must not leave some customers marked for the
        // next commit to keep
        SavepointGuard guarda(*XRTransaction, QStringLiteral("SP_GRAVACODCLIEMP"));
        for (pCDSCodigos->first(); !pCDSCodigos->eof(); pCDSCodigos->next()) {
            q.ParamByName(QStringLiteral("CODCLI"))->SetAsString(
                pCDSCodigos->fieldByName(QStringLiteral("CodCliRep"))->asString());
            q.ParamByName(QStringLiteral("CODCLIEMP"))->SetAsString(
                pCDSCodigos->fieldByName(QStringLiteral("CodCli"))->asString());
            q.ExecSQL();
        }
        guarda.Release();
        XRTransaction->CommitRetaining();
    } catch (...) {
        pCDSCodigos->close();
        throw;
    }
    pCDSCodigos->close();
}

bool TDMRepres::LeClienteCNPJ(const QString &pCNPJ)
{
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT 1 FROM CLIENTE CLI "));
    if (!pCNPJ.trimmed().isEmpty()) {
        q.SQL().Add(QStringLiteral("WHERE "));
        q.SQL().Add(QStringLiteral("REPLACE(REPLACE(REPLACE(REPLACE(CLI.CLI_CNPJ,'.',''),'-',''),'/',''),' ','') = ")
                    + QuotedStr(semPontuacao(pCNPJ)));
    } else {
        q.SQL().Add(QStringLiteral("WHERE 1 = 2 "));
    }
    q.Open();
    return !q.isEmpty();
}

double TDMRepres::BuscaPreco(const QString &pCodProduto, const QString &pTabPreco, const QString &pTam, double pQtd)
{
    PreparaRascunho(linhasPrecoFaixa(QStringLiteral("TP.PREC_QTDMAXIMA,\nTP.PREC_PRECO"),
                                                QStringLiteral("TP.PREC_QTDMAXIMA, TP.PREC_PRECO")));
    parametrosPreco(XRQConfig, pCodProduto, pTabPreco, pTam, pQtd);
    XRQConfig->Open();
    if (XRQConfig->isEmpty())
        return 0;
    XRQConfig->first();
    // a currency value: four decimals
    return fmt::roundTo(XRQConfig->fieldByName(QStringLiteral("PREC_PRECO"))->asFloat(), 4);
}

double TDMRepres::BuscaPrecoOri(const QString &pCodProduto, const QString &pTabPreco, const QString &pTam, double pQtd,
                                double pPreco)
{
    // the smallest list price of all tiers covering the quantity, not the
    // list price of the tier BuscaPreco picks: the order's save prices each
    // line by its own quantity and its price by the product's total, so a
    // tier's list price would invent a discount on a split product. A tier
    // without a list price has none to offer while another tier has one.
    PreparaRascunho(
        linhasPrecoFaixa(QStringLiteral("TP.PREC_PRECO_ORI"), QStringLiteral("TP.PREC_PRECO_ORI NULLS LAST")));
    parametrosPreco(XRQConfig, pCodProduto, pTabPreco, pTam, pQtd);
    XRQConfig->Open();
    double preco = 0;
    if (!XRQConfig->isEmpty()) {
        XRQConfig->first();
        preco = fmt::round2(XRQConfig->fieldByName(QStringLiteral("PREC_PRECO_ORI"))->asFloat());
    }
    if (preco == 0 && pPreco > 0)
        return pPreco;
    return preco;
}

int TDMRepres::BuscaQtdeEstoque(const QString &pNumero, const QString &pCodigo, const QString &pCor,
                                const QString &pTam, QString &sBloqEst)
{
    sBloqEst = QStringLiteral("N");
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT PA.PAIT_CODI, PA.PAIT_COR, PA.PAIT_TAM, COALESCE(PA.PAIT_BLOQUEIA_EST,")
                + QuotedStr(QStringLiteral("N")) + QStringLiteral(") AS PAIT_BLOQUEIA_EST,"));
    q.SQL().Add(QStringLiteral("(COALESCE(MAX(PA.PAIT_QTDE),0) - SUM(COALESCE(PI.PEDIT_QTDE,0))) AS PAIT_QTDE"));
    q.SQL().Add(QStringLiteral("FROM PA_ITEN PA"));
    q.SQL().Add(QStringLiteral("LEFT JOIN PED_ITEN PI ON (PI.PEDIT_CODI = PA.PAIT_CODI)"));
    q.SQL().Add(QStringLiteral("AND (PI.PEDIT_COR = PA.PAIT_COR)"));
    q.SQL().Add(QStringLiteral("AND (PI.PEDIT_TAM = PA.PAIT_TAM)"));
    q.SQL().Add(QStringLiteral("AND (PI.PEDIT_NUME <> ") + QuotedStr(pNumero) + QStringLiteral(")"));
    q.SQL().Add(QStringLiteral("AND EXISTS (SELECT 1 FROM PEDIDO P WHERE P.PED_NUME = PI.PEDIT_NUME"));
    q.SQL().Add(QStringLiteral("AND ((P.PED_NRLOTE = 0) OR (P.PED_NRLOTE IS NULL)))"));
    q.SQL().Add(QStringLiteral("WHERE PA.PAIT_CODI = ") + QuotedStr(pCodigo));
    if (!pCor.trimmed().isEmpty())
        q.SQL().Add(QStringLiteral("AND PA.PAIT_COR = ") + QuotedStr(pCor));
    if (!pTam.trimmed().isEmpty())
        q.SQL().Add(QStringLiteral("AND PA.PAIT_TAM = ") + QuotedStr(pTam));
    q.SQL().Add(QStringLiteral("GROUP BY PA.PAIT_CODI, PA.PAIT_COR, PA.PAIT_TAM, PA.PAIT_BLOQUEIA_EST"));
    q.SQL().Add(QStringLiteral("ORDER BY PA.PAIT_CODI, PA.PAIT_COR, PA.PAIT_TAM, PA.PAIT_BLOQUEIA_EST"));
    q.Open();
    if (q.isEmpty())
        return 0;
    q.first();
    sBloqEst = q.fieldByName(QStringLiteral("PAIT_BLOQUEIA_EST"))->asString();
    const int qtde = q.fieldByName(QStringLiteral("PAIT_QTDE"))->asInteger();
    return qtde < 0 ? 0 : qtde;
}

int TDMRepres::BuscaDadosAdic(const QString &pCliente, QString &psCliNome, QString &psCidade, QString &psIdStatus,
                              QString &psEndereco, QString &psNumero, QString &psBairro, QString &psCEP,
                              QString &psCNPJ, QString &psInscEst)
{
    psCidade.clear();
    psIdStatus = QStringLiteral("S");
    PreparaRascunho({QStringLiteral("SELECT CLI_NOME, CLI_NRDIAS, CLI_NOMCID, CLI_IDSTATUS, CLI_ENDE, "
                                               "CLI_NEND, CLI_BAIR, CLI_CEP, CLI_CNPJ, CLI_IEST"),
                                QStringLiteral("FROM CLIENTE"),
                                QStringLiteral("WHERE CLI_CODI = ") + QuotedStr(pCliente)});
    XRQConfig->Open();
    if (XRQConfig->isEmpty())
        return 0;
    XRQConfig->first();
    auto texto = [this](const char *campo) { return XRQConfig->fieldByName(QLatin1String(campo))->asString(); };
    psCliNome = texto("CLI_NOME");
    psCidade = texto("CLI_NOMCID");
    psIdStatus = texto("CLI_IDSTATUS");
    psEndereco = texto("CLI_ENDE");
    psNumero = texto("CLI_NEND");
    psBairro = texto("CLI_BAIR");
    psCEP = texto("CLI_CEP");
    psCNPJ = texto("CLI_CNPJ");
    psInscEst = texto("CLI_IEST");
    if (psIdStatus.trimmed().isEmpty())
        psIdStatus = QStringLiteral("S");
    return XRQConfig->fieldByName(QStringLiteral("CLI_NRDIAS"))->asInteger();
}

QString TDMRepres::BuscaEMailCliente(const QString &sCliente)
{
    PreparaRascunho({QStringLiteral("SELECT CLI_MAIL"), QStringLiteral("FROM CLIENTE"),
                                QStringLiteral("WHERE CLI_CODI = ") + QuotedStr(sCliente)});
    XRQConfig->Open();
    if (XRQConfig->isEmpty())
        return QString();
    XRQConfig->first();
    return XRQConfig->fieldByName(QStringLiteral("CLI_MAIL"))->asString();
}

bool TDMRepres::VerPosicaoTam(const QString &sCodigo)
{
    PreparaRascunho({QStringLiteral("SELECT DISTINCT 1"), QStringLiteral("FROM PA_ITEN PI"),
                                QStringLiteral("WHERE PI.PAIT_CODI = ") + QuotedStr(sCodigo),
                                QStringLiteral("AND PI.PAIT_POS_TAM IS NOT NULL")});
    XRQConfig->Open();
    return !XRQConfig->isEmpty();
}

bool TDMRepres::CoresOK(const QString &sProduto)
{
    PreparaRascunho({QStringLiteral("SELECT DISTINCT 1"), QStringLiteral("FROM PA_ITEN P1"),
                                QStringLiteral("WHERE P1.PAIT_CODI = ") + QuotedStr(sProduto),
                                QStringLiteral("AND P1.PAIT_IDESGOTADO = ") + QuotedStr(QStringLiteral("N"))});
    XRQConfig->Open();
    return !XRQConfig->isEmpty();
}
