#include "windows/pedido/regras/PedidoControlador.h"

#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"

#include <memory>

using namespace pedido;

namespace {

QString texto(DataSet &q, const char *campo)
{
    Field *f = q.findField(QLatin1String(campo));
    return f ? f->asString() : QString();
}

double valorNum(DataSet &q, const char *campo)
{
    Field *f = q.findField(QLatin1String(campo));
    return f && !f->isNull() ? f->asFloat() : 0;
}

QString descricao(const QString &campo, const QString &tabela, const QString &chave, const QString &valor)
{
    if (valor.trimmed().isEmpty())
        return {};
    return BuscaValorCampo(campo, tabela, chave, valor).toString();
}

} // namespace

PedidoControlador::PedidoControlador(TDMRepres *dm)
    : m_dm(dm)
{
    CDSItens.setObjectName(QStringLiteral("CDSItens"));
    CDSItens.setFieldDefs(CamposItensPedido());
    CDSItens.open();
    for (const char *campo : {"Qtde", "Preco", "Valor", "Desconto", "DescontoValor", "PrecoOrig"})
        CDSItens.fieldByName(QLatin1String(campo))->displayFormat = QStringLiteral("0.00");
    LimpaTela();
}

QStringList PedidoControlador::SqlPesquisa(Pesquisa p) const
{
    switch (p) {
    case Pesquisa::Cli:
        return {QStringLiteral(
            "SELECT CLI_NOME, CLI_CODI, CLI_CNPJ, CLI_FANT, CLI_TELE, CLI_MAIL, CLI_UF, CLI_NOMCID FROM CLIENTE")};
    case Pesquisa::Tab:
        return {QStringLiteral("SELECT TABP_REGIAO, TABP_DESCRICAO, TABP_VLRMINIMO FROM TABPRECO")};
    case Pesquisa::Condicao: {
        QStringList l{QStringLiteral("SELECT COND_DESCRICAO, COND_CODCOND"), QStringLiteral("FROM CONDICAO")};
        if (!FCondPrazoMedio.isEmpty())
            l << QStringLiteral("WHERE COND_CODCOND IN (") + FCondPrazoMedio + QLatin1Char(')');
        return l;
    }
    case Pesquisa::Prazo:
        return {QStringLiteral("SELECT TABP_DESCRICAO, TABP_PRAZO FROM TABPRZ")};
    }
    return {};
}

QString PedidoControlador::pesquisa(Pesquisa p)
{
    return abrePesquisa ? abrePesquisa(p) : QString();
}

double PedidoControlador::BuscaConfigPedido()
{
    DtValidade = QDateTime::currentDateTime();
    nVlrMinimoPed = 0;
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().SetText(SqlValoresMinimos());
    q.Open();
    if (q.isEmpty())
        return 0;
    q.first();
    DtValidade = q.fieldByName(QStringLiteral("DTVALIDADE"))->asDateTime();
    bBloqValidade = texto(q, "IDBLOQPEDDTSUP") != QLatin1String("N");
    nVlrMinimoPed = valorNum(q, "VLMINIMOPED");
    return valorNum(q, "VLMINIMO");
}

double PedidoControlador::BuscaQtdeMaxItem()
{
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().SetText(SqlQtdeMaxItem());
    q.Open();
    if (q.isEmpty())
        return 0;
    q.first();
    return valorNum(q, "QTDEMAXITEM");
}

void PedidoControlador::LeConfigPedido()
{
    TXRQuery *q = m_dm->XRQConfigPed;
    q->Close();
    q->Open();
    if (!q->isEmpty()) {
        q->first();
        NrConfiguracao = int(valorNum(*q, "NRULTCONFIG"));
        precos.digPreco = texto(*q, "IDDIGPRECO") == QLatin1String("S");
        FbDigColecao = texto(*q, "IDDIGCOLECAO") == QLatin1String("S");
    }
    q->Close();
}

bool PedidoControlador::ExisteLinhaProduto()
{
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT DISTINCT 1 FROM PRODUTO"));
    q.SQL().Add(QStringLiteral("WHERE PROD_LINHA IS NOT NULL"));
    q.Open();
    return !q.isEmpty();
}

bool PedidoControlador::TemLinha()
{
    if (!FbLinha)
        FbLinha = m_dm && ExisteLinhaProduto();
    return *FbLinha;
}

void PedidoControlador::LimpaTela()
{
    numero.clear();
    cliente.clear();
    descCliente.clear();
    infNome.clear();
    infCidade.clear();
    infSituacao.clear();
    infEndereco.clear();
    infNumero.clear();
    infBairro.clear();
    infCEP.clear();
    infCNPJ.clear();
    infInscEst.clear();
    tabela.clear();
    descTabela.clear();
    condicao.clear();
    descCondicao.clear();
    prazo.clear();
    descPrazo.clear();
    obs.clear();
    statusPedido.clear();
    lotePedido.clear();
    sincronizacao = QDate();
    descontos.campos = {};
    descontos.unificado = 0;
    emissao = fatura = entrega = QDate(2000, 1, 1);
    cif = 0;
    CDSItens.emptyTable();
    oSLCodigos.clear();
    FColecao.clear();
    bData = bFocoCli = bFocoPrz = FbFechado = false;
    NrDias = 0;
    precos.nTaxa = 1;
    precos.nDescMax = 0;
    m_condAceita.clear();
    GeraTotais();
}

bool PedidoControlador::Incluir()
{
    if (NrConfiguracao < 0) {
        aviso(QStringLiteral("A carga de dados está incompleta. Favor baixar a carga novamente para continuar."));
        return false;
    }
    if (hoje() > DtValidade.date()) {
        if (bBloqValidade) {
            aviso(QStringLiteral("Data Atual é superior a Validade da Carga de Pedidos\rOperação Cancelada"));
            return false;
        }
        if (!pergunta(QStringLiteral("Data Atual é superior a Validade da Carga de Pedidos\rDeseja continuar assim mesmo?")))
            return false;
    }
    LimpaTela();
    emissao = hoje();
    return true;
}

bool PedidoControlador::BuscaPedidos()
{
    FbFechado = false;
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().SetText(SqlPedido());
    q.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(numero.trimmed());
    q.Open();
    if (q.isEmpty())
        return false;
    q.first();

    // Nothing of the order shown before may survive into this one.
    LimpaTela();
    bData = true;
    numero = texto(q, "PED_NUME");
    cliente = texto(q, "PED_CCLI");
    edtCodClienteChange();
    BuscaCondicoesCliente();
    descCliente = texto(q, "NOME");
    tabela = texto(q, "PED_TABPRE");
    descTabela = texto(q, "DESC_TABELA");
    condicao = texto(q, "PED_CONP");
    descCondicao = texto(q, "DESC_COND");
    m_condAceita = condicao;
    precos.nTaxa = CalculaTaxa(int(valorNum(q, "NR_PARCELAS")), int(valorNum(q, "NR_DIAS_INTERVALO")),
                               int(valorNum(q, "NR_PRAZO_INICIAL")), valorNum(q, "NR_TAXA"));
    precos.nDescMax = valorNum(q, "NR_DESCMAX");
    emissao = q.fieldByName(QStringLiteral("PED_DTEM"))->asDate();
    entrega = q.fieldByName(QStringLiteral("PED_DTEN"))->asDate();
    fatura = q.fieldByName(QStringLiteral("PED_DTFAT"))->asDate();
    // The stored unified discount goes into the first field, so leaving any
    // discount field recomputes this order's discount and not another's.
    descontos.unificado = valorNum(q, "PED_PDESC");
    descontos.campos = {fmt::formatFloat(QStringLiteral("0.00"), descontos.unificado), QString(), QString(), QString()};
    obs = texto(q, "PED_OBSE");
    cif = texto(q, "PED_CIF").trimmed().toInt();
    FbFechado = texto(q, "PED_IDFECHADO") == QLatin1String("S");
    statusPedido = texto(q, "STATUS");
    FbEnviado = statusPedido == QLatin1String("Transmitido");
    lotePedido = texto(q, "PED_NRLOTE");
    sincronizacao = q.fieldByName(QStringLiteral("PED_DTSINCRONIZACAO"))->asDate();
    prazo = texto(q, "PED_TABPRZ");
    edtCodPrazoChange();

    TXRQuery itens;
    itens.SetDatabase(m_dm->XRDtRepres);
    itens.SQL().SetText(SqlItensPedido());
    itens.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(numero.trimmed());
    itens.Open();
    if (carregaItens)
        carregaItens(itens);
    GeraTotais();
    return true;
}

QString PedidoControlador::BuscaNumeroConfig()
{
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().SetText(SqlNumeroConfig());
    q.Open();
    if (q.isEmpty())
        return {};
    q.first();
    return texto(q, "NUMERO");
}

void PedidoControlador::EdtNumeroExit()
{
    foco.clear();
    QString n = BuscaNumeroConfig().trimmed();
    // Tested in the form orders are stored in, so a used number is never
    // handed out as a new one.
    if (!n.isEmpty())
        n = n.rightJustified(5, QLatin1Char('0'));
    if (!n.isEmpty() && !ExisteRegistro(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), Aspas(n))) {
        numero = n;
    } else if (numero.trimmed().isEmpty()) {
        numero = ProximoCodigo(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), 5);
    } else {
        const QString digitado = numero.trimmed();
        if (!ExisteRegistro(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), Aspas(digitado))) {
            aviso(QStringLiteral("Pedido ") + digitado + QStringLiteral(" Inválido."));
            foco = QStringLiteral("EdtNumero");
            LimpaTela();
        }
    }
    if (!numero.trimmed().isEmpty()) {
        numero = numero.trimmed().rightJustified(5, QLatin1Char('0'));
        BuscaPedidos();
    }
}

QString PedidoControlador::DescreveSituacaoCliente(const QString &status)
{
    QString s = status.trimmed();
    QString t;
    if (s.isEmpty()) {
        s = QStringLiteral("S");
        t = QStringLiteral("Liberado");
    } else if (s.startsWith(QLatin1Char('B'))) {
        t = QStringLiteral("Bloqueado");
    } else if (s.startsWith(QLatin1Char('N'))) {
        t = QStringLiteral("Inativo");
    } else if (s.startsWith(QLatin1Char('S'))) {
        t = QStringLiteral("Liberado");
    }
    FIdStatus = s;
    return t;
}

void PedidoControlador::edtCodClienteChange()
{
    QString status;
    NrDias = m_dm->BuscaDadosAdic(cliente.trimmed(), infNome, infCidade, status, infEndereco, infNumero, infBairro,
                                  infCEP, infCNPJ, infInscEst);
    descCliente = infNome;
    infSituacao = DescreveSituacaoCliente(status);
}

bool PedidoControlador::edtCodClienteExit()
{
    foco.clear();
    if (cliente.trimmed().isEmpty()) {
        cliente = pesquisa(Pesquisa::Cli);
        edtCodClienteChange();
    }
    if (!ExisteRegistro(QStringLiteral("CLIENTE"), QStringLiteral("CLI_CODI"), Aspas(cliente.trimmed()))) {
        aviso(QStringLiteral("Cliente não encontrado."));
        foco = QStringLiteral("edtCodCliente");
        return false;
    }
    edtCodClienteChange();
    if (!bData)
        dtDt_EmiExit();
    if (FIdStatus != QLatin1String("S")) {
        aviso(QStringLiteral("Cliente ") + infSituacao + QLatin1Char('.'));
        foco = QStringLiteral("edtCodCliente");
        return false;
    }
    BuscaCondicoesCliente();
    bFocoCli = false;
    return true;
}

void PedidoControlador::BuscaCondicoesCliente()
{
    FCliPrazoMedio = 0;
    FCondPrazoMedio.clear();
    FCondicoesSel.clear();

    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT CLI_PRZMEDIO"));
    q.SQL().Add(QStringLiteral("FROM CLIENTE"));
    q.SQL().Add(QStringLiteral("WHERE CLI_CODI = ") + Aspas(cliente.trimmed()));
    q.Open();
    if (!q.isEmpty()) {
        q.first();
        FCliPrazoMedio = int(valorNum(q, "CLI_PRZMEDIO"));
    }
    if (FCliPrazoMedio <= 0)
        return;

    TXRQuery c;
    c.SetDatabase(m_dm->XRDtRepres);
    c.SQL().Add(QStringLiteral("SELECT COND_CODCOND, COND_NRPAR, COND_NRDIA, COND_PRAZOINI "));
    c.SQL().Add(QStringLiteral("FROM CONDICAO CD"));
    c.Open();
    QStringList lista;
    for (c.first(); !c.eof(); c.next()) {
        const qint64 parcelas = qint64(valorNum(c, "COND_NRPAR"));
        // Without instalments there is no average term to match.
        if (parcelas <= 0)
            continue;
        const qint64 dias = qint64(valorNum(c, "COND_NRDIA"));
        const qint64 inicio = qint64(valorNum(c, "COND_PRAZOINI"));
        const qint64 soma = parcelas * inicio + dias * parcelas * (parcelas - 1) / 2;
        if (soma / parcelas == FCliPrazoMedio) {
            const QString codigo = texto(c, "COND_CODCOND");
            FCondicoesSel << codigo;
            lista << Aspas(codigo);
        }
    }
    FCondPrazoMedio = lista.join(QLatin1Char(','));
}

void PedidoControlador::edtCodTabChange()
{
    descTabela = descricao(QStringLiteral("TABP_DESCRICAO"), QStringLiteral("TABPRECO"), QStringLiteral("TABP_REGIAO"),
                           tabela.trimmed());
}

bool PedidoControlador::edtCodTabExit()
{
    foco.clear();
    if (tabela.trimmed().isEmpty()) {
        tabela = pesquisa(Pesquisa::Tab);
        edtCodTabChange();
    }
    if (!ExisteRegistro(QStringLiteral("TABPRECO"), QStringLiteral("TABP_REGIAO"), Aspas(tabela.trimmed()))) {
        aviso(QStringLiteral("Tabela não encontrada."));
        foco = QStringLiteral("edtCodTab");
        return false;
    }
    return true;
}

void PedidoControlador::edtCodCondChange()
{
    descCondicao = descricao(QStringLiteral("COND_DESCRICAO"), QStringLiteral("CONDICAO"),
                             QStringLiteral("COND_CODCOND"), condicao.trimmed());
}

bool PedidoControlador::edtCodCondExit()
{
    foco.clear();
    const QString campo = QStringLiteral("edtCodCond");
    if (!condicao.trimmed().isEmpty() &&
        !ExisteRegistro(QStringLiteral("CONDICAO"), QStringLiteral("COND_CODCOND"), Aspas(condicao.trimmed()))) {
        aviso(QStringLiteral("Condição de Pagamento Inválida."));
        foco = campo;
        bFocoCond = false;
        return false;
    }
    if (condicao.trimmed().isEmpty()) {
        condicao = pesquisa(Pesquisa::Condicao);
        edtCodCondChange();
        if (condicao.trimmed().isEmpty())
            return false;
    }
    const QString codigo = condicao.trimmed();
    if (!FCondicoesSel.isEmpty() && FCliPrazoMedio >= 1 && !FCondicoesSel.contains(codigo)) {
        aviso(QStringLiteral("Cond. Pagto ") + codigo + QStringLiteral(" não pertence ao cliente. "));
        foco = campo;
        return false;
    }
    // a table refused here takes the focus, as when its own field is left
    edtCodTabExit();

    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT COND_CODCOND AS CODIGO,  COND_DESCRICAO AS DESCRICAO, "));
    q.SQL().Add(QStringLiteral("COND_NRPAR AS NR_PARCELAS, COND_NRDIA AS NR_DIAS_INTERVALO, "));
    q.SQL().Add(QStringLiteral("COND_PRAZOINI AS NR_PRAZO_INICIAL, COND_TAXA AS NR_TAXA, "));
    q.SQL().Add(QStringLiteral("COND_DESCMAX AS NR_DESCMAX "));
    q.SQL().Add(QStringLiteral("FROM CONDICAO "));
    q.SQL().Add(QStringLiteral("WHERE COND_CODCOND = ") + Aspas(codigo));
    q.Open();
    if (!q.isEmpty()) {
        q.first();
        CondicaoPreco c;
        c.parcelas = int(valorNum(q, "NR_PARCELAS"));
        c.diasIntervalo = int(valorNum(q, "NR_DIAS_INTERVALO"));
        c.prazoInicial = int(valorNum(q, "NR_PRAZO_INICIAL"));
        c.taxa = valorNum(q, "NR_TAXA");
        c.descMax = valorNum(q, "NR_DESCMAX");
        precos.tabela = tabela.trimmed();
        if (!AplicaCondicao(precos, descontos, CDSItens, FontePrecosDe(*m_dm), c)) {
            // The lines keep the prices of the condition they were priced with.
            condicao = m_condAceita;
            edtCodCondChange();
            foco = campo;
            GeraTotais();
            return false;
        }
        m_condAceita = codigo;
        GeraTotais();
    }
    bFocoCond = false;
    return true;
}

void PedidoControlador::edtCodPrazoChange()
{
    descPrazo = descricao(QStringLiteral("TABP_DESCRICAO"), QStringLiteral("TABPRZ"), QStringLiteral("TABP_PRAZO"),
                          prazo.trimmed());
}

bool PedidoControlador::edtCodPrazoExit()
{
    foco.clear();
    TXRQuery q;
    q.SetDatabase(m_dm->XRDtRepres);
    q.SQL().SetText(SqlPrazos());
    q.Open();
    if (q.isEmpty())
        return true;
    if (prazo.trimmed().isEmpty()) {
        prazo = pesquisa(Pesquisa::Prazo);
        edtCodPrazoChange();
    }
    if (!ExisteRegistro(QStringLiteral("TABPRZ"), QStringLiteral("TABP_PRAZO"), Aspas(prazo.trimmed()))) {
        aviso(QStringLiteral("Período não encontrado."));
        foco = QStringLiteral("edtCodPrazo");
        return false;
    }
    return true;
}

void PedidoControlador::dtDt_EmiExit()
{
    if (bData)
        return;
    fatura = emissao;
    entrega = emissao.addDays(NrDias);
}

bool PedidoControlador::confereData(QDate data, const QString &campo)
{
    const QDate hj = hoje();
    if (data < hj) {
        aviso(QStringLiteral("Data digitada é menor que a atual."));
        foco = campo;
        return false;
    }
    if (data > hj.addDays(365) &&
        !pergunta(QStringLiteral("Data digitada é maior que um ano da atual\r      Confirma a data digitada?"))) {
        foco = campo;
        return false;
    }
    return true;
}

bool PedidoControlador::edtVen_FaturaExit()
{
    foco.clear();
    if (!bData && !confereData(fatura, QStringLiteral("edtVen_Fatura")))
        return false;
    if (entrega < fatura) {
        entrega = fatura;
        foco = QStringLiteral("EdtEntrega");
    }
    return true;
}

bool PedidoControlador::EdtEntregaExit()
{
    foco.clear();
    return bData || confereData(entrega, QStringLiteral("EdtEntrega"));
}

ResultadoDesconto PedidoControlador::SaiDesconto(const QString &campo)
{
    FCampo = campo;
    const ResultadoDesconto r = CalculaDesconto(descontos, condicao.trimmed().isEmpty(), precos.nDescMax, FCampo);
    GeraTotais();
    return r;
}

void PedidoControlador::GeraTotais()
{
    totais = ::GeraTotais(CDSItens, descontos.unificado);
}
