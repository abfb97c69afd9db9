#include "windows/pedido/regras/GravacaoPedido.h"

#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/fb/FbApi.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/CamposPedido.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QScopeGuard>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace pedido;

namespace {

QString dataSQL(const QDate &d) { return fmt::formatDateTime(QStringLiteral("mm/dd/yyyy"), d); }

// A missing date goes in as NULL: an empty literal would fail the save.
QString dataQuoted(const QDate &d) { return d.isValid() ? QuotedStr(dataSQL(d)) : QStringLiteral("NULL"); }

// Short date and long time; the time is left out at midnight exactly.
QString momentoCompleto(const QDateTime &dt)
{
    QString s = fmt::formatDateTime(QStringLiteral("dd/mm/yyyy"), dt);
    if (dt.time() != QTime(0, 0))
        s += QLatin1Char(' ') + fmt::formatDateTime(QStringLiteral("hh:nn:ss"), dt);
    return s;
}

QString limpaObs(QString obs)
{
    for (QChar ch : {QChar('"'), QChar('\''), QChar(0x00B4), QChar('`')})
        obs.remove(ch);
    return obs;
}

const QString msgAbreFecha = QStringLiteral("Ao fechar o(s) pedido(s), não será mais permitido alterar. Deseja continuar?");
const QString msgFechado = QStringLiteral("Pedido Fechado e Gravando!");

std::unique_ptr<fb::Statement> preparaSelecao(TDMRepres &dm, const QString &sql)
{
    try {
        return std::make_unique<fb::Statement>(dm.XRDtRepres->Attachment(), dm.XRTransaction->Engine(), sql);
    } catch (const fb::Error &e) {
        throw EDatabaseError(e.message());
    }
}

// The statement's parameter names, each once, in the order they first appear.
QStringList nomesDistintos(const fb::Statement &st)
{
    QStringList nomes;
    for (const QString &n : st.paramNames())
        if (!nomes.contains(n, Qt::CaseInsensitive))
            nomes << n;
    return nomes;
}

// The first row for these values, one per name (a name used twice takes its
// value twice); nullopt when there is none.
std::optional<Row> primeiraLinha(fb::Statement &st, const QStringList &nomes, const QStringList &valores)
{
    try {
        for (int i = 0; i < valores.size(); ++i)
            st.setParam(nomes[i], valores[i]);
        st.execute();
        Row r;
        const bool achou = st.fetch(r);
        st.closeCursor();
        return achou ? std::optional<Row>(std::move(r)) : std::nullopt;
    } catch (const fb::Error &e) {
        throw EDatabaseError(e.message());
    }
}

// A check the save runs for lines, prepared once and bound per line where
// the free-text check would prepare a statement per call. Lines of one
// product repeat the same keys: each is asked once a save.
template <typename Resposta>
class PerguntaPorChave {
public:
    PerguntaPorChave(TDMRepres &dm, const QString &sql, std::function<Resposta(const std::optional<Row> &)> le)
        : m_st(preparaSelecao(dm, sql))
        , m_nomes(nomesDistintos(*m_st))
        , m_le(std::move(le))
    {
    }
    Resposta operator()(const QStringList &valores)
    {
        const auto visto = m_vistos.constFind(valores);
        if (visto != m_vistos.cend())
            return *visto;
        const Resposta r = m_le(primeiraLinha(*m_st, m_nomes, valores));
        m_vistos.insert(valores, r);
        return r;
    }

private:
    std::unique_ptr<fb::Statement> m_st;
    QStringList m_nomes;
    std::function<Resposta(const std::optional<Row> &)> m_le;
    QHash<QStringList, Resposta> m_vistos;
};

// Whether a row of the table holds these values in these columns.
PerguntaPorChave<bool> existe(TDMRepres &dm, const QString &tabela, const QStringList &campos, const QString &extra)
{
    QString sql = QStringLiteral("SELECT 1 FROM ") + tabela + QStringLiteral(" WHERE 1=1");
    for (int i = 0; i < campos.size(); ++i)
        sql += QStringLiteral(" AND ") + campos[i] + QStringLiteral(" = :P") + QString::number(i);
    return {dm, sql + extra, [](const std::optional<Row> &r) { return r.has_value(); }};
}

// The three checks every line of a save needs (the product, the product in
// the price table, the available cell), asked in one statement per cell:
// each answer is what its check alone would give. Values: the product, the
// price table, the colour and the size.
struct RespostaLinha {
    bool produto = false, naTabela = false, celula = false;
};

PerguntaPorChave<RespostaLinha> existeLinha(TDMRepres &dm)
{
    const QString sql = QStringLiteral(
        "SELECT"
        " CASE WHEN EXISTS (SELECT 1 FROM PRODUTO WHERE PROD_CODI = :PRODUTO) THEN 1 ELSE 0 END,"
        " CASE WHEN EXISTS (SELECT 1 FROM TABPRE_PRODUTO WHERE PREC_PRODUTO = :PRODUTO AND PREC_TABELA = :TABELA)"
        " THEN 1 ELSE 0 END,"
        " CASE WHEN EXISTS (SELECT 1 FROM PA_ITEN WHERE PAIT_CODI = :PRODUTO AND PAIT_COR = :COR AND PAIT_TAM = :TAM"
        " AND PAIT_IDESGOTADO = 'N') THEN 1 ELSE 0 END"
        " FROM RDB$DATABASE");
    return {dm, sql, [](const std::optional<Row> &r) {
                if (!r || r->size() != 3)
                    return RespostaLinha{};
                return RespostaLinha{(*r)[0].toInt() == 1, (*r)[1].toInt() == 1, (*r)[2].toInt() == 1};
            }};
}

struct Consulta {
    explicit Consulta(TDMRepres &dm) { q.SetDatabase(dm.XRDtRepres); }
    TXRQuery q;
};

void executa(TDMRepres &dm, const QStringList &linhas)
{
    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    for (const QString &l : linhas)
        q.SQL().Add(l);
    q.ExecSQL();
}

QString statusCliente(TDMRepres &dm, const QString &cliente)
{
    QString nome, cidade, status, ende, numero, bairro, cep, cnpj, ie;
    dm.BuscaDadosAdic(cliente, nome, cidade, status, ende, numero, bairro, cep, cnpj, ie);
    return status;
}

} // namespace

GravacaoPedido::GravacaoPedido(PedidoControlador &ctl, TDMRepres &dm)
    : c(ctl)
    , m_dm(dm)
{
}

bool GravacaoPedido::PedidoEnviado(TDMRepres &dm, const QString &numero)
{
    Consulta k(dm);
    k.q.SQL().Add(QStringLiteral("SELECT PED_NRLOTE, PED_DTSINCRONIZACAO FROM PEDIDO"));
    k.q.SQL().Add(QStringLiteral("WHERE PED_NUME = ") + QuotedStr(numero));
    k.q.Open();
    if (k.q.isEmpty())
        return false;
    k.q.first();
    Field *lote = k.q.fieldByName(QStringLiteral("PED_NRLOTE"));
    return (!lote->isNull() && lote->asInteger() != 0) || !k.q.fieldByName(QStringLiteral("PED_DTSINCRONIZACAO"))->isNull();
}

bool GravacaoPedido::ValidaItens()
{
    DataSet &itens = c.CDSItens;
    itens.postIfEditing();
    const QString tabela = c.tabela.trimmed();

    DataSet l;
    l.cloneCursor(itens);
    // 1. Stock
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo");
        if (codigo.trimmed().isEmpty())
            continue;
        if (txt(l, "BloqueiaEst") == QLatin1String("S") &&
            std::llround(num(l, "QtdeEst")) < std::llround(num(l, "Qtde"))) {
            aviso(QStringLiteral("Item com estoque insuficiente.\r\n\r\nCódigo: ") + codigo + QStringLiteral("\r\nCor: ") +
                  txt(l, "Cor") + QStringLiteral("\r\nTam: ") + txt(l, "Tam"));
            return false;
        }
    }
    // 2. Price table
    auto doItem = existeLinha(m_dm);
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo");
        if (codigo.trimmed().isEmpty())
            continue;
        if (!doItem({codigo, tabela, txt(l, "Cor"), txt(l, "Tam")}).naTabela) {
            aviso(QStringLiteral("Produto ") + codigo + QStringLiteral(" não pertence a Tabela de Preço ") + tabela);
            return false;
        }
    }
    // 3. Same product, colour and size twice: counted in one pass, reported
    // at the first such line
    QHash<QStringList, int> vezes;
    for (l.first(); !l.eof(); l.next())
        ++vezes[QStringList{txt(l, "Codigo"), txt(l, "Cor"), txt(l, "Tam")}];
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo"), cor = txt(l, "Cor"), tam = txt(l, "Tam");
        if (vezes.value(QStringList{codigo, cor, tam}) > 1) {
            aviso(QStringLiteral("Item com Cor e Tam iguais. Favor corrigir: \r\n\r\nCódigo: ") + codigo +
                  QStringLiteral("\r\nCor: ") + cor + QStringLiteral("\r\nTam: ") + tam);
            return false;
        }
    }
    // 4. Prices and discounts
    c.precos.tabela = tabela;
    if (!RecalculaItensGravacao(c.precos, itens, FontePrecosDe(m_dm)))
        return false;
    c.GeraTotais();
    // 5. Required fields
    struct Problema {
        QString codigo;
        bool cor = false, tam = false, qtde = false, preco = false;
    };
    std::vector<Problema> problemas;
    QString mensagem;
    l.cloneCursor(itens);
    auto comCor = existe(m_dm, QStringLiteral("PA_ITEN"), {QStringLiteral("PAIT_CODI"), QStringLiteral("PAIT_COR")},
                         QStringLiteral(" AND PAIT_IDESGOTADO = 'N'"));
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo");
        if (codigo.trimmed().isEmpty())
            continue;
        const QString cor = txt(l, "Cor");
        const RespostaLinha linha = doItem({codigo, tabela, cor, txt(l, "Tam")});
        if (!linha.produto) {
            mensagem = QStringLiteral("Produto Inválido. Impossível Continuar.");
            problemas.clear();
            break;
        }
        const bool tamOk = linha.celula;
        // an available cell of the colour is an available colour
        const bool corOk = tamOk || comCor({codigo, cor});
        const bool qtdeOk = num(l, "Qtde") > 0, precoOk = num(l, "Preco") > 0;
        if (corOk && tamOk && qtdeOk && precoOk)
            continue;
        auto it = std::find_if(problemas.begin(), problemas.end(), [&](const Problema &p) { return p.codigo == codigo; });
        if (it == problemas.end()) {
            problemas.push_back({codigo});
            it = problemas.end() - 1;
        }
        it->cor |= !corOk;
        it->tam |= !tamOk;
        it->qtde |= !qtdeOk;
        it->preco |= !precoOk;
    }
    if (!problemas.empty()) {
        mensagem = QStringLiteral("Obrigatório passar por todos os campos para atualizar os valores.\r\n"
                                  "Houve inconsistência(s) na gravação do(s) produto(s). Favor corrigir os seguintes campos: "
                                  "\r\n\r\n");
        for (size_t i = 0; i < problemas.size(); ++i) {
            const Problema &p = problemas[i];
            if (i > 0)
                mensagem += QStringLiteral("\r\n");
            mensagem += QStringLiteral("Produto: ") + p.codigo + QStringLiteral(" - ");
            if (p.cor)
                mensagem += QStringLiteral("Cor");
            if (p.tam)
                mensagem += QStringLiteral("|Tam");
            if (p.qtde)
                mensagem += QStringLiteral("|Qtde");
            if (p.preco)
                mensagem += QStringLiteral("|Preco");
        }
    }
    if (!mensagem.isEmpty()) {
        aviso(mensagem);
        return false;
    }
    // 6. Delivery window; a bound CONFIG does not hold is no limit.
    Consulta k(m_dm);
    k.q.SQL().SetText(SqlPeriodoEntrega());
    k.q.Open();
    if (!k.q.isEmpty()) {
        k.q.first();
        Field *de = k.q.fieldByName(QStringLiteral("DTDEENTREGA"));
        Field *ate = k.q.fieldByName(QStringLiteral("DTATEENTREGA"));
        if ((!de->isNull() && c.entrega < de->asDate()) || (!ate->isNull() && c.entrega > ate->asDate())) {
            aviso(QStringLiteral("Data de entrega fora do perído definido."));
            c.foco = QStringLiteral("EdtEntrega");
            return false;
        }
    }
    return true;
}

bool GravacaoPedido::ValidaValorParcela()
{
    if (c.nVlrMinimo == 0)
        return true;
    Consulta k(m_dm);
    k.q.SQL().SetText(SqlParcelasCondicao());
    // the code is text: as a number '003' would match no condition
    k.q.ParamByName(QStringLiteral("CONDICAO"))->SetAsString(c.condicao.trimmed());
    k.q.Open();
    int n = 0;
    if (!k.q.isEmpty()) {
        k.q.first();
        n = k.q.fieldByName(QStringLiteral("COND_NRPAR"))->asInteger();
    }
    if (n == 0)
        n = 1;
    if (c.totais.liquido / n < c.nVlrMinimo) {
        aviso(QStringLiteral("Valor da Parcela menor que o Valor Mínimo."));
        return false;
    }
    return true;
}

bool GravacaoPedido::ValidaValorMinimoPedido()
{
    if (c.totais.liquido < c.nVlrMinimoPed) {
        aviso(QStringLiteral("Valor Total do Pedido menor que o Valor Mínimo Permitido."));
        return false;
    }
    return true;
}

bool GravacaoPedido::ValidaCnpjCliente(const QString &cliente)
{
    Consulta k(m_dm);
    k.q.SQL().SetText(SqlTipoCliente());
    k.q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(cliente);
    k.q.Open();
    bool ok = false;
    if (!k.q.isEmpty()) {
        k.q.first();
        const QString tipo = txt(k.q, "CLI_TIPO").trimmed(), doc = txt(k.q, "CLI_CNPJ");
        ok = (tipo == QLatin1String("2") && ValidaCNPJ(doc)) || (tipo == QLatin1String("1") && ValidaCPF(doc));
    }
    if (!ok)
        aviso(QStringLiteral("CNPJ/CPF do cliente do pedido inválido."));
    return ok;
}

bool GravacaoPedido::ValidaValorMinimoTabela()
{
    Consulta k(m_dm);
    k.q.SQL().SetText(SqlValorMinimoRegiao());
    k.q.ParamByName(QStringLiteral("REGIAO"))->SetAsString(c.tabela.trimmed());
    k.q.Open();
    if (k.q.isEmpty())
        return true;
    k.q.first();
    const double minimo = fmt::round2(num(k.q, "TABP_VLRMINIMO"));
    if (c.totais.liquido < minimo) {
        aviso(QStringLiteral("Valor do Pedido não atende o valor mínimo.\r\n\r\nTabela de Preço: ") +
              txt(k.q, "TABP_REGIAO") + QStringLiteral("\r\nValor Mínimo: ") + fmt::floatToStr(minimo));
        return false;
    }
    return true;
}

bool GravacaoPedido::ValidaPedido(bool pbFoco, bool pbValores)
{
    if (pbValores && !(ValidaValorParcela() && ValidaValorMinimoPedido() && ValidaCnpjCliente(c.cliente.trimmed()) &&
                       ValidaValorMinimoTabela()))
        return false;
    if (c.condicao.trimmed().isEmpty()) {
        aviso(QStringLiteral("Favor informar a Condição de Pagamento."));
        if (pbFoco)
            c.foco = QStringLiteral("edtCodCond");
        return false;
    }
    if (c.cliente.trimmed().isEmpty()) {
        aviso(QStringLiteral("Favor informar o Cliente."));
        if (pbFoco)
            c.foco = QStringLiteral("edtCodCliente");
        return false;
    }
    return true;
}

QString GravacaoPedido::Impressao(const QString &momento) const
{
    return GeraMD5(c.numero + c.cliente + momento + dataSQL(c.emissao) + dataSQL(c.fatura) + dataSQL(c.entrega) +
                   c.tabela + QString::number(c.NrConfiguracao));
}

bool GravacaoPedido::textosGravaveis()
{
    const struct {
        const char *campo, *controle;
        QString texto;
        int maximo;
    } cabecalho[] = {
        {"Número do Pedido", "EdtNumero", c.numero, 5},
        {"Cliente", "edtCodCliente", c.cliente, 5},
        {"Tabela de Preço", "edtCodTab", c.tabela, 10},
        {"Condição de Pagamento", "edtCodCond", c.condicao, 10},
        {"Período", "edtCodPrazo", c.prazo, 4},
        // what the save will store: the quotes it drops do not count
        {"Observação", "EdtObs", limpaObs(c.obs), kMaxObservacao},
    };
    for (const auto &k : cabecalho) {
        if (!TextoAceito(QString::fromUtf8(k.campo), k.texto, k.maximo)) {
            c.foco = QString::fromLatin1(k.controle);
            return false;
        }
    }
    DataSet l;
    l.cloneCursor(c.CDSItens);
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo");
        if (codigo.isEmpty())
            continue; // not saved
        const QString produto = QStringLiteral(" do produto ") + codigo;
        if (!TextoAceito(QStringLiteral("Produto"), codigo, 15) ||
            !TextoAceito(QStringLiteral("Cor") + produto, txt(l, "Cor"), 6) ||
            !TextoAceito(QStringLiteral("Tam") + produto, txt(l, "Tam"), 4))
            return false;
    }
    return true;
}

bool GravacaoPedido::GravaPedido()
{
    if (!textosGravaveis())
        return false;
    if (PedidoEnviado(m_dm, c.numero)) {
        aviso(QStringLiteral("Não pode alterar pedido já enviado."));
        return false;
    }
    Consulta existe(m_dm);
    existe.q.SQL().Add(QStringLiteral("SELECT PED_NUME FROM PEDIDO"));
    existe.q.SQL().Add(QStringLiteral("WHERE PED_NUME = ") + QuotedStr(c.numero));
    existe.q.Open();
    const bool atualiza = !existe.q.isEmpty();
    existe.q.Close();

    c.obs = limpaObs(c.obs);
    const QDateTime agoraEm = agora();
    const QString hoje = QuotedStr(dataSQL(agoraEm.date()));
    const QString numero = QuotedStr(c.numero);
    const QString idFechado = QuotedStr(fechado ? QStringLiteral("S") : QStringLiteral("N"));
    DataSet &itens = c.CDSItens;
    itens.postIfEditing();

    TXRCustomTransaction &tra = *m_dm.XRTransaction;
    SavepointGuard guarda(tra, QStringLiteral("GRAVA_PEDIDO"));
    DataSet linhas;
    linhas.cloneCursor(itens);
    if (atualiza) {
        QStringList s{
            QStringLiteral("UPDATE PEDIDO SET "),
            QStringLiteral("PED_CCLI       = ") + QuotedStr(c.cliente),
            QStringLiteral(",PED_DTCA      = ") + hoje,
            QStringLiteral(",PED_DTEM      = ") + dataQuoted(c.emissao),
            QStringLiteral(",PED_DTEN      = ") + dataQuoted(c.entrega),
            QStringLiteral(",PED_DTFAT     = ") + dataQuoted(c.fatura),
            QStringLiteral(",PED_CONP      = ") + QuotedStr(c.condicao),
            QStringLiteral(",PED_PDESC     = ") + FloatParaSQL(c.descontos.unificado),
            QStringLiteral(",PED_CIF       = ") + QString::number(c.cif),
            QStringLiteral(",PED_OBSE      = ") + QuotedStr(c.obs),
            QStringLiteral(",PED_TABPRE    = ") + QuotedStr(c.tabela),
            QStringLiteral(",PED_CONFIG    = ") + QString::number(c.NrConfiguracao),
            QStringLiteral(",PED_IDFECHADO = ") + idFechado,
            QStringLiteral(",PED_TABPRZ    = ") + QuotedStr(c.prazo),
        };
        if (fechado)
            s << QStringLiteral(",PED_MD5    = ") + QuotedStr(Impressao(momentoCompleto(agoraEm)));
        s << QStringLiteral("WHERE PED_NUME = ") + numero;
        executa(m_dm, s);
        executa(m_dm, {QStringLiteral("DELETE FROM PED_ITEN"), QStringLiteral("WHERE PEDIT_NUME = ") + numero});
        linhas.setIndexFieldNames(QStringLiteral("Codigo"));
    } else {
        executa(m_dm, {
                          QStringLiteral("INSERT INTO PEDIDO "),
                          QStringLiteral("(PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_DTFAT, "),
                          QStringLiteral("PED_CONP, PED_PDESC, PED_CIF, PED_OBSE, PED_TABPRE, "),
                          QStringLiteral("PED_CONFIG, PED_IDFECHADO, PED_TABPRZ, PED_MD5) VALUES ("),
                          numero,
                          QStringLiteral(",") + QuotedStr(c.cliente),
                          QStringLiteral(",") + hoje,
                          QStringLiteral(",") + dataQuoted(c.emissao),
                          QStringLiteral(",") + dataQuoted(c.entrega),
                          QStringLiteral(",") + dataQuoted(c.fatura),
                          QStringLiteral(",") + QuotedStr(c.condicao),
                          QStringLiteral(",") + FloatParaSQL(c.descontos.unificado),
                          QStringLiteral(",") + QuotedStr(QString::number(c.cif)),
                          QStringLiteral(",") + QuotedStr(c.obs),
                          QStringLiteral(",") + QuotedStr(c.tabela),
                          QStringLiteral(",") + QString::number(c.NrConfiguracao),
                          QStringLiteral(",") + idFechado,
                          QStringLiteral(",") + QuotedStr(c.prazo),
                          QStringLiteral(",") + QuotedStr(fechado ? Impressao(dataSQL(agoraEm.date())) : QString()),
                          QStringLiteral(")"),
                      });
    }
    const FontePrecos fonte = FontePrecosDe(m_dm);
    int item = 0;
    for (linhas.first(); !linhas.eof(); linhas.next()) {
        ++item;
        const QString codigo = txt(linhas, "Codigo");
        if (codigo.isEmpty())
            continue;
        const double qtde = num(linhas, "Qtde"), preco = num(linhas, "Preco");
        const double precoOri =
            PrecoOrigLinha(fonte, codigo, c.tabela, txt(linhas, "Tam"), qtde, fmt::round2(preco),
                           c.precos.nTaxa);
        const QDate entrega = linhas.fieldByName(QStringLiteral("DtEntrega"))->asDate();
        executa(m_dm, {
                          QStringLiteral("INSERT INTO PED_ITEN "),
                          QStringLiteral("(PEDIT_ITEM, PEDIT_CODI, PEDIT_NUME, PEDIT_QTDE, PEDIT_COR, PEDIT_TAM, PEDIT_PREC,"),
                          QStringLiteral("PEDIT_TIPO, PEDIT_PREC_ORI, PEDIT_DT_ENTREGA) VALUES ("),
                          QString::number(item),
                          QStringLiteral(",") + QuotedStr(codigo),
                          QStringLiteral(",") + numero,
                          QStringLiteral(",") + FloatParaSQL(qtde),
                          QStringLiteral(",") + QuotedStr(txt(linhas, "Cor")),
                          QStringLiteral(",") + QuotedStr(txt(linhas, "Tam")),
                          QStringLiteral(",") + FloatParaSQL(fmt::round2(preco)),
                          QStringLiteral(",") + QuotedStr(txt(linhas, "Tipo")),
                          QStringLiteral(",") + FloatParaSQL(precoOri),
                          entrega.isValid() && entrega > QDate(1899, 12, 30) ? QStringLiteral(",") + QuotedStr(dataSQL(entrega))
                                                                            : QStringLiteral(",NULL"),
                          QStringLiteral(")"),
                      });
    }
    guarda.Release();
    tra.CommitRetaining();
    return true;
}

bool GravacaoPedido::protegido(const std::function<bool()> &passo)
{
    // the save walks every line: grids showing them refresh once, at the end
    c.CDSItens.disableControls();
    const auto religa = qScopeGuard([this] { c.CDSItens.enableControls(); });
    try {
        return passo();
    } catch (const EAbort &) {
        return false;
    } catch (const EDatabaseError &e) {
        dialogs().messageBox(e.message(), TituloPedido, MsgButtons::Ok, MsgIcon::Error);
    } catch (const std::exception &e) {
        dialogs().messageBox(QString::fromLocal8Bit(e.what()), TituloPedido, MsgButtons::Ok, MsgIcon::Error);
    }
    return false;
}

bool GravacaoPedido::periodoOk()
{
    if (c.numero.trimmed().isEmpty())
        c.numero = ProximoCodigo(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), 5);
    if (!c.prazo.trimmed().isEmpty())
        return true;
    Consulta k(m_dm);
    k.q.SQL().SetText(SqlPrazos());
    k.q.Open();
    if (k.q.isEmpty())
        return true;
    aviso(QStringLiteral("Período Inválido."));
    return false;
}

bool GravacaoPedido::Confirmar()
{
    return protegido([this] {
        DataSet &itens = c.CDSItens;
        itens.postIfEditing();
        if (c.vQtdeMaxItem > 0) {
            bool acima = false;
            for (int i = 0; i < itens.recordCount() && !acima; ++i)
                acima = itens.valueAt(i, itens.fieldIndex(QStringLiteral("Qtde"))).toDouble() > c.vQtdeMaxItem;
            if (acima && !pergunta(QStringLiteral("Existem quantidades superiores a ") + fmt::floatToStr(c.vQtdeMaxItem) +
                                   QStringLiteral(".\r\n\r\nDeseja Continuar?")))
                return false;
        }
        if (c.numero.trimmed().isEmpty())
            c.numero = ProximoCodigo(QStringLiteral("PEDIDO"), QStringLiteral("PED_NUME"), 5);
        if (c.FIdStatus != QLatin1String("S")) {
            aviso(QStringLiteral("Cliente não está Liberado!\rGravação Cancelada!"));
            return false;
        }
        if (itens.isEmpty()) {
            aviso(QStringLiteral("Pedido sem Itens. Impossível Continuar."));
            return false;
        }
        if (!textosGravaveis())
            return false;
        if (c.entrega < c.fatura)
            aviso(QStringLiteral("Data de faturamento maior que a data de entrega."));
        if (!periodoOk() || !ValidaItens())
            return false;
        return ValidaPedido(true, false) && GravaPedido();
    });
}

bool GravacaoPedido::fechaCarregado(bool pbFoco)
{
    fechado = true;
    const bool ok = protegido([&] { return ValidaItens() && periodoOk() && ValidaPedido(pbFoco, true) && GravaPedido(); });
    if (ok)
        c.FbFechado = true; // the loaded order is closed from now on
    else
        fechado = false;
    return ok;
}

bool GravacaoPedido::FechaPedido()
{
    if (c.CDSItens.isEmpty()) {
        aviso(QStringLiteral("Pedido sem item, impossível fechar."));
        return false;
    }
    if (c.FIdStatus != QLatin1String("S")) {
        aviso(QStringLiteral("Cliente não está Liberado!\rFechamento Cancelado!"));
        return false;
    }
    if (!protegido([this] { return textosGravaveis() && ValidaItens(); }))
        return false;
    if (!pergunta(QStringLiteral("Ao fechar o pedido, ele não poderá ser mais alterado.\rDeseja fechar o pedido?")))
        return false;
    c.FbFechado = true;
    if (!fechaCarregado(true)) {
        c.FbFechado = false;
        return false;
    }
    aviso(msgFechado);
    return true;
}

bool GravacaoPedido::FechaPedidoLista(const QString &numero, const QString &codCliente)
{
    if (!protegido([&] {
            if (statusCliente(m_dm, codCliente) != QLatin1String("S")) {
                aviso(QStringLiteral("Cliente não está Liberado!"));
                return false;
            }
            c.numero = numero;
            return c.BuscaPedidos();
        }))
        return false;
    if (!pergunta(msgAbreFecha))
        return false;
    if (!fechaCarregado(false))
        return false;
    aviso(msgFechado);
    return true;
}

bool GravacaoPedido::FechaTodos(DataSet &lista)
{
    if (lista.isEmpty()) {
        aviso(QStringLiteral("Nenhum pedido para fechar."));
        return false;
    }
    const int sel = lista.fieldIndex(QStringLiteral("SEL"));
    bool algum = false;
    for (int i = 0; i < lista.recordCount() && !algum; ++i)
        algum = lista.valueAt(i, sel).toString() == QLatin1String("S");
    if (!algum) {
        aviso(QStringLiteral("Favor selecionar pelo menos um ou mais pedidos para fechar. Impossível Continuar."));
        return false;
    }
    if (!pergunta(msgAbreFecha))
        return false;
    bool marca = false;
    for (lista.first(); !lista.eof(); lista.next()) {
        if (txt(lista, "SEL") != QLatin1String("S") || txt(lista, "STATUS").toUpper() != QLatin1String("ABERTO"))
            continue;
        fechado = false;
        const bool carregado = protegido([&] {
            c.numero = txt(lista, "NUMERO");
            if (!c.BuscaPedidos())
                return false;
            if (statusCliente(m_dm, c.cliente) != QLatin1String("S")) {
                aviso(QStringLiteral("Cliente não está Liberado!"));
                return false;
            }
            return true;
        });
        marca = carregado && fechaCarregado(false);
        if (marca) {
            lista.edit();
            lista.fieldByName(QStringLiteral("SEL"))->setAsString(QStringLiteral("N"));
            lista.fieldByName(QStringLiteral("STATUS"))->setAsString(QStringLiteral("Fechado"));
            lista.post();
        }
    }
    return marca;
}

bool GravacaoPedido::ExcluiPedido()
{
    return protegido([this] {
        if (PedidoEnviado(m_dm, c.numero)) {
            aviso(QStringLiteral("Não pode excluir pedido já enviado."));
            return false;
        }
        if (!pergunta(QStringLiteral("Deseja Excluir o Pedido?")))
            return false;
        TXRCustomTransaction &tra = *m_dm.XRTransaction;
        SavepointGuard guarda(tra, QStringLiteral("EXCLUI_PEDIDO"));
        const QString numero = QuotedStr(c.numero);
        executa(m_dm, {QStringLiteral("DELETE FROM PED_ITEN"), QStringLiteral("WHERE PEDIT_NUME = ") + numero});
        executa(m_dm, {QStringLiteral("DELETE FROM PEDIDO"), QStringLiteral("WHERE PED_NUME = ") + numero});
        guarda.Release();
        tra.CommitRetaining();
        return true;
    });
}
