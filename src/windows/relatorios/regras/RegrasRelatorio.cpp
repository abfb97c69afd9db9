#include "windows/relatorios/regras/RegrasRelatorio.h"

#include "platform/Formats.h"

#include <algorithm>

namespace relatorio {

QString SqlRelatorios()
{
    return QStringList{
        QStringLiteral("SELECT REL.CODIGO, REL.DESCRICAO, REL.CODIGOSQL"),
        QStringLiteral("FROM RELATORIO REL"),
        QStringLiteral("WHERE REL.TIPO_REL = 'V'"),
        QStringLiteral("ORDER BY REL.CODIGO"),
    }
        .join('\n');
}

QString SqlParametros()
{
    return QStringList{
        QStringLiteral("SELECT RELPARAM.CAMPO, RELPARAM.COD_CAMPO, RELPARAM.COD_REL, RELPARAM.CPO_COD, "
                       "RELPARAM.CPO_DESC,"),
        QStringLiteral("RELPARAM.EDIT, RELPARAM.LABEL, RELPARAM.TAB_BUSCA, RELPARAM.TIPO, REL.TIPO_REL "),
        QStringLiteral("FROM REL_PARAM RELPARAM"),
        QStringLiteral("LEFT JOIN RELATORIO REL ON (REL.CODIGO = RELPARAM.COD_REL)"),
        QStringLiteral("WHERE REL.TIPO_REL = 'V'"),
    }
        .join('\n');
}

std::optional<int> VersaoServidor(const QString &texto)
{
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

bool VersaoCompativel(const QString &texto)
{
    const auto v = VersaoServidor(texto);
    return v && *v > 4;
}

bool IdentificadorSimples(const QString &nome)
{
    if (nome.isEmpty())
        return false;
    return std::all_of(nome.begin(), nome.end(), [](QChar c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    });
}

QString SqlDoRelatorio(const QString &codigoSql)
{
    QString sql = codigoSql;
    sql.remove('\\');
    sql.replace(QStringLiteral("WHERE"), QStringLiteral("WHERE 1 = 1 AND "), Qt::CaseSensitive);
    return sql;
}

bool TemPesquisa(const TParametroTela &p)
{
    return !p.tabBusca.isEmpty() && IdentificadorSimples(p.tabBusca) && IdentificadorSimples(p.cpoCod)
        && IdentificadorSimples(p.cpoDesc);
}

bool EhParametroCodRep(const QString &campo) { return campo.contains(QLatin1String("CODREP")); }

TLayoutParametros LayoutParametros(const std::vector<TParametroTela> &parametros)
{
    TLayoutParametros r;
    int y = 5;
    for (const TParametroTela &p : parametros) {
        TPosicaoParametro pos;
        pos.topo = y;
        const bool codRep = EhParametroCodRep(p.campo);
        pos.rotulo = p.tipo >= 0 && p.tipo <= 2 && !codRep;
        // numbers and dates get their edit even for a CODREP name
        pos.edit = (p.tipo == 0 && !codRep) || p.tipo == 1 || p.tipo == 2;
        pos.pesquisa = p.tipo == 0 && !codRep && TemPesquisa(p);
        r.itens.push_back(pos);
        if (!codRep)
            y += 30;
    }
    y = std::max(y, 100);
    r.alturaPainel = y + 5;
    r.topoFechar = y - 30;
    r.topoConfirmar = y - 59;
    return r;
}

TValorParametro ValorParametro(const QString &campo, int tipo, TControleValor controle, const QString &texto,
                               const QString &codRep, const QDate &hoje)
{
    TValorParametro v;
    v.campo = campo;
    if (EhParametroCodRep(campo)) {
        v.valor = codRep;
        return v;
    }
    if (tipo < 0 || tipo > 2)
        return v;
    switch (controle) {
    case TControleValor::Nenhum: break;
    case TControleValor::Texto: v.valor = texto; break;
    case TControleValor::Data: {
        QDate d;
        if (!fmt::tryStrToDate(texto.trimmed(), d))
            d = hoje;
        v.valor = fmt::formatDate(d);
        v.tipo = QStringLiteral("ftDate");
        break;
    }
    case TControleValor::Numero: {
        double n = 0;
        if (!fmt::tryStrToFloat(texto.trimmed(), n))
            n = 0;
        v.valor = fmt::floatToStr(n);
        v.tipo = QStringLiteral("ftFloat");
        break;
    }
    }
    return v;
}

bool PrecisaLinhaCodRep(const std::vector<TValorParametro> &valores, const QString &sql)
{
    const bool existe
        = std::any_of(valores.begin(), valores.end(), [](const TValorParametro &v) { return EhParametroCodRep(v.campo); });
    return existe && sql.toUpper().contains(QLatin1String(":CODREP"));
}

} // namespace relatorio
