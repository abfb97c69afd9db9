#include "sync/RegrasEnvio.h"

#include "data/UntFuncoes.h"

#include <QRegularExpression>

#include <algorithm>

QString MontaListaLote(const QStringList &numeros)
{
    QStringList q;
    for (const QString &n : numeros)
        q << QuotedStr(n);
    return q.join(QStringLiteral(", "));
}

QStringList NumerosDaLista(const QString &lista) { return ValoresDaListaSQL(lista); }

namespace {

// Items of the rejected text. Each item is enclosed in double quotes and may
// hold commas of its own, so an item ends only at a quote followed by a comma
// or the end of the text.
QStringList ItensRejeitados(const QString &texto)
{
    QStringList itens;
    const QString t = texto.trimmed();
    if (!t.startsWith('"')) {
        for (const QString &parte : t.split(','))
            if (!parte.trimmed().isEmpty())
                itens << parte.trimmed();
        return itens;
    }
    int i = 0;
    while (i < t.size()) {
        while (i < t.size() && (t[i] == ',' || t[i].isSpace()))
            ++i;
        if (i >= t.size())
            break;
        if (t[i] != '"') {
            const int fim = t.indexOf(',', i);
            itens << t.mid(i, fim < 0 ? -1 : fim - i).trimmed();
            i = fim < 0 ? int(t.size()) : fim;
            continue;
        }
        int fim = i + 1;
        for (;; ++fim) {
            fim = t.indexOf('"', fim);
            if (fim < 0)
                break;
            int j = fim + 1;
            while (j < t.size() && t[j].isSpace())
                ++j;
            if (j >= t.size() || t[j] == ',')
                break;
        }
        if (fim < 0) {
            itens << t.mid(i + 1);
            break;
        }
        itens << t.mid(i + 1, fim - i - 1);
        i = fim + 1;
    }
    return itens;
}

} // namespace

TRejeicao TrataPedidosRejeitados(const QString &psTexto, QString &psListaLote, QStringList &plRejeitados)
{
    TRejeicao r;
    plRejeitados.clear();
    if (psTexto.trimmed().isEmpty())
        return r;
    if (psTexto.contains(QLatin1String("SEM PEDIDO"))) {
        psListaLote.clear();
        plRejeitados << psTexto;
        return r;
    }
    plRejeitados = ItensRejeitados(psTexto);
    if (psListaLote.trimmed().isEmpty())
        return r;

    static const QRegularExpression numero(QStringLiteral("Pedido Rejeitado:\\s*(\\d{1,5})"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rejeicao(QStringLiteral("rejeitad"), QRegularExpression::CaseInsensitiveOption);
    const QStringList original = NumerosDaLista(psListaLote);
    QStringList lote = original;
    for (const QString &linha : std::as_const(plRejeitados)) {
        const auto m = numero.match(linha);
        if (!m.hasMatch()) {
            if (rejeicao.match(linha).hasMatch())
                r.bNumeroIlegivel = true;
            continue;
        }
        const QString n = ZerosEsquerda(m.captured(1).toInt(), 5);
        if (!original.contains(n))
            r.bNumeroIlegivel = true;
        lote.removeAll(n);
    }
    psListaLote = r.bNumeroIlegivel ? QString() : MontaListaLote(lote);
    return r;
}

int VersaoComoNumero(const QString &psVersao)
{
    bool ok = false;
    const int v = psVersao.trimmed().toInt(&ok);
    return ok ? v : 0;
}

TRenumeracao CalculaRenumeracao(const std::vector<std::pair<QString, QString>> &linhas,
                                const QString &psProximoLocal, const QStringList &plMarcados)
{
    TRenumeracao r;
    if (linhas.empty())
        return r;
    const int maior = VersaoComoNumero(linhas.front().second);
    int proximo = std::max(maior + 1, VersaoComoNumero(psProximoLocal));
    for (const auto &[enviado, maiorLinha] : linhas) {
        Q_UNUSED(maiorLinha)
        if (!plMarcados.contains(enviado) || r.antigos.contains(enviado))
            continue;
        r.antigos << enviado;
        r.novos << ZerosEsquerda(proximo++, 5);
    }
    return r;
}

QString MensagemRenumerados(const TRenumeracao &r)
{
    if (r.vazia())
        return {};
    QString s = QStringLiteral("PEDIDOS RENUMERADOS:\r\r");
    for (int i = 0; i < r.antigos.size(); ++i)
        s += '"' + r.antigos[i] + QStringLiteral("\" renumerado para \"") + r.novos[i] + QStringLiteral("\"\r");
    return s;
}

namespace {
QString ListaVirgula(const QStringList &valores)
{
    QStringList q;
    for (const QString &v : valores)
        q << QuotedStr(v);
    return q.join(',');
}
} // namespace

QString SqlPedidosJaEnviados(const QStringList &md5)
{
    return QStringLiteral("SELECT PED_NUME, PED_MD5 FROM PEDIDO WHERE PED_MD5 IN (") + ListaVirgula(md5) + ')';
}

QString SqlClientesPermitidos(const QString &psCodRep)
{
    const QString rep = QuotedStr(psCodRep);
    return QStringLiteral("SELECT E.CNPJ FROM ENTIDADE_001 E LEFT JOIN CLI_COM_001 C ON C.CODCLI = E.CODCLI WHERE (C.CODREP = ")
        + rep + QStringLiteral(" OR E.CODREP = ") + rep + ')' + QStringLiteral(" AND E.ATIVO = ") + QuotedStr("S")
        + QStringLiteral(" AND E.BLOQUEIO = ") + QuotedStr("N");
}

QString SqlClienteERP(const QString &psCnpj)
{
    return QStringLiteral("SELECT CODCLI FROM ENTIDADE_001 WHERE CNPJ = ") + QuotedStr(psCnpj);
}

QString SqlPedidosRenumerar(const QString &psCodRep, const QStringList &numeros)
{
    const QString rep = QuotedStr(psCodRep);
    return QStringLiteral("SELECT PED_NUME ENVIADO, (SELECT MAX(PED_NUME) PED_NUME FROM PEDIDO WHERE PED_NUME NOT LIKE ")
        + QuotedStr("%M%") + ' ' + QStringLiteral("AND PED_CODREP = ") + rep + QStringLiteral(") MAIOR ")
        + QStringLiteral("FROM PEDIDO WHERE PED_CODREP = ") + rep + ' ' + QStringLiteral("AND PED_NUME IN (")
        + ListaVirgula(numeros) + QStringLiteral(") ORDER BY ENVIADO");
}

QString SqlDataEntregaItens(const QStringList &numeros)
{
    return QStringLiteral("SELECT 1 FROM PEDIDO INNER JOIN PED_ITEN ON (PED_NUME = PEDIT_NUME) WHERE PED_NUME IN (")
        + ListaVirgula(numeros)
        + QStringLiteral(") AND PEDIT_DT_ENTREGA <> PED_DTEN AND PEDIT_DT_ENTREGA IS NOT NULL ");
}

QString SqlRenumeraPedido(const QString &psAntigo, const QString &psNovo)
{
    return QStringLiteral("UPDATE PEDIDO SET PED_NUME = ") + QuotedStr(psNovo) + QStringLiteral(", PED_OBSE = ")
        + QuotedStr(QStringLiteral("NUMERO ORIGINAL ") + psAntigo + '.')
        + QStringLiteral(" || ASCII_CHAR(13) || COALESCE(PED_OBSE, ") + QuotedStr(QString())
        + QStringLiteral(") WHERE PED_NUME = ") + QuotedStr(psAntigo) + ' ';
}

QString SqlRenumeraItens(const QString &psAntigo, const QString &psNovo)
{
    return QStringLiteral("UPDATE PED_ITEN SET PEDIT_NUME = ") + QuotedStr(psNovo) + QStringLiteral(" WHERE PEDIT_NUME = ")
        + QuotedStr(psAntigo) + ' ';
}
