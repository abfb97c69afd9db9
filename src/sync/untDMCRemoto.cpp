#include "sync/untDMCRemoto.h"

#include "platform/net/HttpClient.h"

#include <QUrl>

using nlohmann::ordered_json;

EDSRestProtocolError::EDSRestProtocolError(int status, const QString &responseText, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_status(status)
    , m_response(responseText)
    , m_message(message)
{
}

TDSParam TDSParam::Str(const QString &v)
{
    TDSParam p;
    p.tipo = Tipo::Texto;
    p.texto = v;
    return p;
}

TDSParam TDSParam::Int(qint64 v)
{
    TDSParam p;
    p.tipo = Tipo::Inteiro;
    p.inteiro = v;
    return p;
}

TDSParam TDSParam::Bool(bool v)
{
    TDSParam p;
    p.tipo = Tipo::Logico;
    p.logico = v;
    return p;
}

TDSParam TDSParam::List(std::optional<QByteArray> v)
{
    TDSParam p;
    p.tipo = Tipo::Lista;
    p.lista = std::move(v);
    return p;
}

namespace {

QString TextoDoCaminho(const TDSParam &p)
{
    switch (p.tipo) {
    case TDSParam::Tipo::Texto: return p.texto;
    case TDSParam::Tipo::Inteiro: return QString::number(p.inteiro);
    case TDSParam::Tipo::Logico: return p.logico ? QStringLiteral("true") : QStringLiteral("false");
    case TDSParam::Tipo::Lista: break;
    }
    return {};
}

// Lists travel as their own text so members that share a name survive.
QByteArray JsonDe(const TDSParam &p)
{
    switch (p.tipo) {
    case TDSParam::Tipo::Texto: return QByteArray::fromStdString(ordered_json(p.texto.toStdString()).dump());
    case TDSParam::Tipo::Inteiro: return QByteArray::number(p.inteiro);
    case TDSParam::Tipo::Logico: return p.logico ? "true" : "false";
    case TDSParam::Tipo::Lista: return p.lista ? *p.lista : QByteArray("null");
    }
    return "null";
}

QString MensagemDaResposta(int status, const QByteArray &corpo)
{
    const auto j = ordered_json::parse(corpo.begin(), corpo.end(), nullptr, false);
    if (j.is_object() && !j.empty()) {
        const auto &v = j.begin().value();
        return v.is_string() ? QString::fromStdString(v.get<std::string>()) : QString::fromStdString(v.dump());
    }
    if (!corpo.trimmed().isEmpty())
        return QString::fromUtf8(corpo);
    return QStringLiteral("HTTP %1").arg(status);
}

QString SessaoDoPragma(const QByteArray &pragma)
{
    for (const QByteArray &parte : pragma.split(',')) {
        const QByteArray t = parte.trimmed();
        if (t.toLower().startsWith("dssession="))
            return QString::fromUtf8(t.mid(10));
    }
    return {};
}

// End of the JSON value starting at pos in text already known to be JSON.
qsizetype FimValor(const QByteArray &t, qsizetype pos)
{
    int nivel = 0;
    bool texto = false;
    for (qsizetype i = pos; i < t.size(); ++i) {
        const char c = t[i];
        if (texto) {
            if (c == '\\')
                ++i;
            else if (c == '"') {
                texto = false;
                if (nivel == 0)
                    return i + 1;
            }
            continue;
        }
        if (c == '"')
            texto = true;
        else if (c == '{' || c == '[')
            ++nivel;
        else if (c == '}' || c == ']') {
            if (nivel == 0)
                return i;
            if (--nivel == 0)
                return i + 1;
        } else if (nivel == 0 && (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'))
            return i;
    }
    return t.size();
}

qsizetype PulaBrancos(const QByteArray &t, qsizetype i)
{
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\r' || t[i] == '\n'))
        ++i;
    return i;
}

// The elements of the answer's "result" array as their own JSON texts, so a
// dataset list keeps members that share a name.
std::optional<std::vector<QByteArray>> ElementosResult(const QByteArray &corpo)
{
    if (!ordered_json::accept(corpo.begin(), corpo.end()))
        return std::nullopt;
    qsizetype i = PulaBrancos(corpo, 0);
    if (i >= corpo.size() || corpo[i] != '{')
        return std::nullopt;
    ++i;
    while (true) {
        i = PulaBrancos(corpo, i);
        if (i >= corpo.size() || corpo[i] == '}')
            return std::nullopt;
        const qsizetype fimChave = FimValor(corpo, i);
        const auto chave = ordered_json::parse(corpo.mid(i, fimChave - i).toStdString());
        i = PulaBrancos(corpo, fimChave) + 1; // past ':'
        i = PulaBrancos(corpo, i);
        const qsizetype fim = FimValor(corpo, i);
        if (chave == "result" && corpo[i] == '[') {
            std::vector<QByteArray> elementos;
            qsizetype j = PulaBrancos(corpo, i + 1);
            while (j < fim - 1 && corpo[j] != ']') {
                const qsizetype f = FimValor(corpo, j);
                elementos.push_back(corpo.mid(j, f - j));
                j = PulaBrancos(corpo, f);
                if (j < corpo.size() && corpo[j] == ',')
                    j = PulaBrancos(corpo, j + 1);
            }
            return elementos;
        }
        i = PulaBrancos(corpo, fim);
        if (i < corpo.size() && corpo[i] == ',')
            ++i;
    }
}

} // namespace

TDSRestConnection::TDSRestConnection(QObject *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("DSRestConnection"));
}

QString TDSRestConnection::UrlDe(const QString &verbo, const QString &classe, const QString &metodo,
                                 const std::vector<TDSParam> &entradas, QByteArray *corpo) const
{
    QString url = QStringLiteral("http://") + Host + ':' + QString::number(Port) + QStringLiteral("/datasnap/rest/")
        + QString::fromLatin1(QUrl::toPercentEncoding(classe)) + '/'
        + QString::fromLatin1(QUrl::toPercentEncoding(metodo));
    const bool post = verbo == QLatin1String("POST");
    QList<QByteArray> doCorpo;
    bool noCorpo = false;
    for (const TDSParam &p : entradas) {
        if (post && (noCorpo || p.tipo == TDSParam::Tipo::Lista)) {
            noCorpo = true;
            doCorpo.push_back(JsonDe(p));
            continue;
        }
        url += '/' + QString::fromLatin1(QUrl::toPercentEncoding(TextoDoCaminho(p)));
    }
    if (corpo) {
        corpo->clear();
        if (doCorpo.size() == 1)
            *corpo = doCorpo.front();
        else if (doCorpo.size() > 1)
            *corpo = "{\"_parameters\":[" + doCorpo.join(',') + "]}";
    }
    return url;
}

TDSResultado TDSRestConnection::Executa(const QString &verbo, const QString &classe, const QString &metodo,
                                        const std::vector<TDSParam> &entradas)
{
    if (AntesDeExecutar)
        AntesDeExecutar(*this);
    HttpRequest req;
    req.method = verbo == QLatin1String("POST") ? HttpMethod::Post : HttpMethod::Get;
    req.url = UrlDe(verbo, classe, metodo, entradas, &req.body);
    req.timeoutMs = TimeoutMs;
    req.headers = {
        {"Accept", "application/JSON"},
        {"Content-Type", "text/plain;charset=UTF-8"},
        {"If-Modified-Since", "Mon, 1 Oct 1990 05:00:00 GMT"},
    };
    if (!SessionId.isEmpty())
        req.headers.emplace_back("Pragma", "dssession=" + SessionId.toUtf8());

    const HttpResponse resp = HttpClient().request(req);
    const QString sessao = SessaoDoPragma(resp.header("Pragma"));
    if (!sessao.isEmpty())
        SessionId = sessao;
    if (resp.status < 200 || resp.status >= 300)
        throw EDSRestProtocolError(resp.status, QString::fromUtf8(resp.body), MensagemDaResposta(resp.status, resp.body));

    if (auto elementos = ElementosResult(resp.body))
        return *elementos;
    const auto j = ordered_json::parse(resp.body.begin(), resp.body.end(), nullptr, false);
    if (j.is_object() && (j.contains("error") || j.contains("SessionExpired")))
        throw EDSRestProtocolError(resp.status, QString::fromUtf8(resp.body), MensagemDaResposta(resp.status, resp.body));
    throw EDSRestProtocolError(resp.status, QString::fromUtf8(resp.body),
                               QStringLiteral("Resposta inválida do servidor: %1")
                                   .arg(QString::fromUtf8(resp.body.left(200))));
}

QDateTime DSLeDataHora(const ordered_json &v)
{
    if (v.is_number()) {
        const double dias = v.get<double>();
        const qint64 ms = qint64(dias * 86400000.0 + (dias >= 0 ? 0.5 : -0.5));
        const qint64 d = ms / 86400000;
        return QDateTime(QDate(1899, 12, 30).addDays(d), QTime(0, 0).addMSecs(int(ms - d * 86400000)));
    }
    if (!v.is_string())
        return {};
    QString t = QString::fromStdString(v.get<std::string>()).trimmed();
    t.replace('T', ' ');
    for (const char *f : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
        const QDateTime d = QDateTime::fromString(t, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    return {};
}

namespace {

// Output parameters and result, by position; a missing one is a broken answer.
ordered_json Saida(const TDSResultado &resultado, size_t i)
{
    if (i >= resultado.size())
        throw EDSRestProtocolError(200, QString(), QStringLiteral("Resposta incompleta do servidor"));
    return ordered_json::parse(resultado[i].toStdString());
}

QString Texto(const ordered_json &v)
{
    if (v.is_string())
        return QString::fromStdString(v.get<std::string>());
    if (v.is_null())
        return {};
    return QString::fromStdString(v.dump());
}

bool Logico(const ordered_json &v)
{
    if (v.is_boolean())
        return v.get<bool>();
    return Texto(v).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

qint64 Inteiro(const ordered_json &v)
{
    if (v.is_number())
        return v.get<qint64>();
    bool ok = false;
    const qint64 n = Texto(v).trimmed().toLongLong(&ok);
    if (!ok)
        throw EDSRestProtocolError(200, QString::fromStdString(v.dump()),
                                   QStringLiteral("Valor inteiro inválido na resposta do servidor"));
    return n;
}

// Decoded from the member's own text: names may repeat.
NamedDataSets Lista(const TDSResultado &resultado, size_t i)
{
    if (i >= resultado.size())
        throw EDSRestProtocolError(200, QString(), QStringLiteral("Resposta incompleta do servidor"));
    if (resultado[i].trimmed() == "null")
        return {};
    return decodeDataSetList(resultado[i]);
}

QByteArray ListaDe(const QByteArray &json)
{
    const QByteArray t = json.trimmed();
    if (!t.startsWith('{') || !ordered_json::accept(t.begin(), t.end()))
        throw DataSetStreamError(QStringLiteral("Dataset list is not a JSON object"));
    return t;
}

} // namespace

TServerMethods1Client::TServerMethods1Client(TDSRestConnection *conexao, QObject *owner)
    : QObject(owner)
    , m_conexao(conexao)
{
}

TDSResultado TServerMethods1Client::Chama(const char *verbo, const char *metodo, const std::vector<TDSParam> &entradas)
{
    return m_conexao->Executa(QString::fromLatin1(verbo), QStringLiteral("TServerMethods1"), QString::fromLatin1(metodo),
                              entradas);
}

QString TServerMethods1Client::GetVersaoServ() { return Texto(Saida(Chama("GET", "GetVersaoServ", {}), 0)); }

bool TServerMethods1Client::TesteConexao() { return Logico(Saida(Chama("GET", "TesteConexao", {}), 0)); }

int TServerMethods1Client::Login(const QString &pUsuario, const QString &pSenha, const QString &pCodRep, int iTipo)
{
    const auto r = Chama("GET", "Login",
                         {TDSParam::Str(pUsuario), TDSParam::Str(pSenha), TDSParam::Str(pCodRep), TDSParam::Int(iTipo)});
    return int(Inteiro(Saida(r, 0)));
}

NamedDataSets TServerMethods1Client::GetCfgDisponivel(int piConfig, const QString &psCodRep)
{
    return Lista(Chama("GET", "GetCfgDisponivel", {TDSParam::Int(piConfig), TDSParam::Str(psCodRep)}), 0);
}

NamedDataSets TServerMethods1Client::CarregaDadosConfig(int piConfig, const QString &psCodRep, bool pbRecargaClientes)
{
    const auto r = Chama("GET", "CarregaDadosConfig",
                         {TDSParam::Int(piConfig), TDSParam::Str(psCodRep), TDSParam::Bool(pbRecargaClientes)});
    return Lista(r, 0);
}

bool TServerMethods1Client::RetornaCodCliRepres(const QByteArray &poCDSCodigos)
{
    return Logico(Saida(Chama("POST", "\"RetornaCodCliRepres\"", {TDSParam::List(ListaDe(poCDSCodigos))}), 0));
}

QDateTime TServerMethods1Client::DataServidor(const QString &pTipo)
{
    return DSLeDataHora(Saida(Chama("GET", "DataServidor", {TDSParam::Str(pTipo)}), 0));
}

bool TServerMethods1Client::AtualizaConfigRepres(int pConfig, const QString &pRepres)
{
    return Logico(Saida(Chama("GET", "AtualizaConfigRepres", {TDSParam::Int(pConfig), TDSParam::Str(pRepres)}), 0));
}

QString TServerMethods1Client::AtualizaNmRepresentante(const QString &pCodRep)
{
    return Texto(Saida(Chama("GET", "AtualizaNmRepresentante", {TDSParam::Str(pCodRep)}), 0));
}

QString TServerMethods1Client::AtualizaEmailFone(const QString &pCodRep, QString &pNrFone)
{
    const auto r = Chama("GET", "AtualizaEmailFone", {TDSParam::Str(pCodRep)});
    const QString email = Texto(Saida(r, 1));
    pNrFone = Texto(Saida(r, 0));
    return email;
}

bool TServerMethods1Client::CarregaPedidos(const QString &sCodRep, int iNrLote, const QByteArray &oCDSList,
                                           QString &sLPedRejeitados, NamedDataSets &oCDSCodCliente)
{
    const auto r = Chama("POST", "\"CarregaPedidos\"",
                         {TDSParam::Str(sCodRep), TDSParam::Int(iNrLote), TDSParam::List(ListaDe(oCDSList))});
    const bool ok = Logico(Saida(r, 2));
    NamedDataSets codigos = Lista(r, 1);
    sLPedRejeitados = Texto(Saida(r, 0));
    oCDSCodCliente = std::move(codigos);
    return ok;
}

NamedDataSets TServerMethods1Client::DadosEmpresa(int pNrConfig)
{
    return Lista(Chama("GET", "DadosEmpresa", {TDSParam::Int(pNrConfig)}), 0);
}

bool TServerMethods1Client::ExistePedido(const QString &sCodRep, const QString &sPedido, int &piNrLote,
                                         QDateTime &pDataSinc, QDateTime &pHoraSinc)
{
    const auto r = Chama("GET", "ExistePedido", {TDSParam::Str(sCodRep), TDSParam::Str(sPedido)});
    const bool existe = Logico(Saida(r, 3));
    const int lote = int(Inteiro(Saida(r, 0)));
    pDataSinc = DSLeDataHora(Saida(r, 1));
    pHoraSinc = DSLeDataHora(Saida(r, 2));
    piNrLote = lote;
    return existe;
}

void TServerMethods1Client::SetVersaoRepres(const QString &psVersao)
{
    Chama("GET", "SetVersaoRepres", {TDSParam::Str(psVersao)});
}

void TServerMethods1Client::GetVersaoRepresen(const QString &psVersao, const QString &psCodRep)
{
    Chama("GET", "GetVersaoRepresen", {TDSParam::Str(psVersao), TDSParam::Str(psCodRep)});
}

TFuncoesGClient::TFuncoesGClient(TDSRestConnection *conexao, QObject *owner)
    : QObject(owner)
    , m_conexao(conexao)
{
}

QString TFuncoesGClient::BuscaTipoItem(int iConfig)
{
    const auto r = m_conexao->Executa(QStringLiteral("GET"), QStringLiteral("TFuncoesG"), QStringLiteral("BuscaTipoItem"),
                                      {TDSParam::Int(iConfig)});
    return Texto(Saida(r, 0));
}

NamedDataSets TFuncoesGClient::ESelect(const QString &sSQL, QString &sMsgERRO, bool bCarregaImagens, const QString &sTipo,
                                       const QString &sChave, const std::optional<QByteArray> &oCDSParametros)
{
    std::optional<QByteArray> parametros;
    if (oCDSParametros)
        parametros = ListaDe(*oCDSParametros);
    const auto r = m_conexao->Executa(QStringLiteral("POST"), QStringLiteral("TFuncoesG"), QStringLiteral("\"ESelect\""),
                                      {TDSParam::Str(sSQL), TDSParam::Bool(bCarregaImagens), TDSParam::Str(sTipo),
                                       TDSParam::Str(sChave), TDSParam::List(parametros)});
    NamedDataSets lista = Lista(r, 1);
    sMsgERRO = Texto(Saida(r, 0));
    return lista;
}
