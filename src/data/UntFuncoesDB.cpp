#include "data/UntFuncoes.h"

#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <memory>

namespace {

TXRDatabase* conexaoModulo()
{
    if (!DMRepres || !DMRepres->XRDtRepres)
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados não está aberta."));
    return DMRepres->XRDtRepres;
}

std::unique_ptr<TXRQuery> novaConsulta()
{
    auto q = std::make_unique<TXRQuery>();
    q->SetDatabase(conexaoModulo());
    return q;
}

bool ehSeparador(QChar c) { return c == QLatin1Char(',') || c == QLatin1Char(';'); }

// Splits at separators outside single quotes; doubled quotes inside a
// literal toggle twice and so stay inside it.
QStringList separaForaDeAspas(const QString& lista)
{
    QStringList partes;
    QString atual;
    bool emAspas = false;
    for (QChar c : lista) {
        if (c == QLatin1Char('\''))
            emAspas = !emAspas;
        if (!emAspas && ehSeparador(c)) {
            partes << atual;
            atual.clear();
            continue;
        }
        atual += c;
    }
    partes << atual;
    return partes;
}

std::function<void(bool)>& ganchoCursor()
{
    static std::function<void(bool)> g;
    return g;
}

std::function<bool(const QString&)>& ganchoFormAberto()
{
    static std::function<bool(const QString&)> g;
    return g;
}


} // namespace

QStringList ValoresDaListaSQL(const QString& lista)
{
    QStringList valores;
    for (const QString& parte : separaForaDeAspas(lista)) {
        QString v = parte.trimmed();
        if (v.size() >= 2 && v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\''))) {
            v = v.mid(1, v.size() - 2);
            v.replace(QStringLiteral("''"), QStringLiteral("'"));
        }
        valores << v;
    }
    return valores;
}

bool ExisteRegistro(const QString& tabela, const QString& campos, const QString& valores)
{
    try {
        QStringList listaCampos;
        for (const QString& c : separaForaDeAspas(campos))
            listaCampos << c.trimmed();
        const QStringList listaValores = ValoresDaListaSQL(valores);
        if (listaCampos.size() != listaValores.size())
            throw EDatabaseError(QStringLiteral("Número de campos e de valores diferente."));

        // equality on re-quoted values: LIKE would treat "%" and "_" as wildcards
        QString filtro = QStringLiteral(" 1=1 ");
        for (qsizetype i = 0; i < listaCampos.size(); ++i)
            filtro += QStringLiteral(" and ") + listaCampos[i] + QStringLiteral(" = ") + QuotedStr(listaValores[i]);

        auto q = novaConsulta();
        q->SQL().SetText(QStringLiteral("SELECT ") + campos + QStringLiteral(" FROM ") + tabela
                         + QStringLiteral(" WHERE ") + filtro);
        q->Open();
        const bool existe = !q->isEmpty();
        q->Close();
        return existe;
    } catch (const std::exception& e) {
        dialogs().messageBox(QStringLiteral("Erro: ") + MensagemExcecao(e), QStringLiteral("Orvan ZID"), MsgButtons::Ok,
                             MsgIcon::Error);
        return false;
    }
}

QString ProximoCodigo(const QString& tabela, const QString& campo, int largura)
{
    // The text maximum would put "9" above "10"; padding the digits to one
    // width makes the text order the numeric order.
    const QString digitos = QStringLiteral("TRIM(LEADING '0' FROM TRIM(") + campo + QStringLiteral("))");
    auto q = novaConsulta();
    q->SQL().Add(QStringLiteral("SELECT MAX(LPAD(") + digitos + QStringLiteral(", 18, '0')) AS VALOR FROM ") + tabela);
    q->SQL().Add(QStringLiteral("WHERE TRIM(") + campo + QStringLiteral(") SIMILAR TO '[0-9]+'"));
    q->SQL().Add(QStringLiteral("AND CHAR_LENGTH(") + digitos + QStringLiteral(") <= 18"));
    q->Open();
    bool ok = false;
    const qint64 maior = q->fieldByName(QStringLiteral("VALOR"))->asString().toLongLong(&ok);
    q->Close();
    const qint64 proximo = (ok ? maior : 0) + 1;
    return QString::number(proximo).rightJustified(largura, QLatin1Char('0'));
}

QVariant BuscaValorCampo(const QString& campo, const QString& tabela, const QString& campoChave,
                         const QString& valorChave)
{
    auto q = novaConsulta();
    q->SQL().Add(QStringLiteral("SELECT ") + campo + QStringLiteral(" FROM ") + tabela);
    q->SQL().Add(QStringLiteral("WHERE ") + campoChave + QStringLiteral(" = ") + QuotedStr(valorChave));
    q->Open();
    QVariant valor;
    if (!q->isEmpty()) {
        q->first();
        Field* f = q->findField(campo);
        valor = (f ? f : q->field(0))->value();
    }
    q->Close();
    return valor;
}

void CursorEspera(bool espera)
{
    if (ganchoCursor())
        ganchoCursor()(espera);
}

void InstalaCursorEspera(std::function<void(bool)> handler) { ganchoCursor() = std::move(handler); }

bool VerificaInternet(QString& mensagem)
{
    bool conectado = false;
    ifaddrs* lista = nullptr;
    if (getifaddrs(&lista) == 0) {
        for (const ifaddrs* i = lista; i && !conectado; i = i->ifa_next) {
            if (!i->ifa_addr || (i->ifa_flags & IFF_LOOPBACK) || !(i->ifa_flags & IFF_UP)
                || !(i->ifa_flags & IFF_RUNNING))
                continue;
            if (i->ifa_addr->sa_family == AF_INET) {
                conectado = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr != 0;
            } else if (i->ifa_addr->sa_family == AF_INET6) {
                // a link-local address alone reaches no router
                const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr)->sin6_addr;
                conectado = !IN6_IS_ADDR_LINKLOCAL(&a) && !IN6_IS_ADDR_LOOPBACK(&a) && !IN6_IS_ADDR_UNSPECIFIED(&a);
            }
        }
        freeifaddrs(lista);
    }
    mensagem = conectado ? QString() : QStringLiteral("Não há conexão com a Internet");
    return conectado;
}

bool FormAberto(const QString& classe)
{
    if (!ganchoFormAberto())
        return false;
    // "TfmCliente" is the form named "fmCliente"
    const qsizetype t = classe.indexOf(QLatin1Char('T'));
    return ganchoFormAberto()(t < 0 ? classe : classe.mid(t + 1));
}

void InstalaFormAberto(std::function<bool(const QString&)> consulta) { ganchoFormAberto() = std::move(consulta); }
