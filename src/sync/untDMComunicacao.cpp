#include "sync/untDMComunicacao.h"

#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/net/Base64.h"
#include "platform/net/HttpClient.h"
#include "sync/untDMRemoto.h"

#include <QRegularExpression>
#include <QUrl>

#include <cmath>

using nlohmann::ordered_json;

TDMComunicacao *DMComunicacao = nullptr;

namespace {

const QDate kDataZero(1899, 12, 30);

QString Pct(const QString &s) { return QString::fromLatin1(QUrl::toPercentEncoding(s)); }

QString Mensagem(const std::exception &e)
{
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

// Local date-time texts: "dd/MM/yyyy[ HH:mm[:ss]]" or a time alone.
bool LeDataHora(const QString &texto, QDateTime &out)
{
    const QString t = texto.trimmed();
    QDate d;
    if (fmt::tryStrToDate(t, d)) {
        out = QDateTime(d, QTime(0, 0));
        return true;
    }
    const int espaco = t.indexOf(' ');
    QTime h;
    if (espaco > 0 && fmt::tryStrToDate(t.left(espaco), d)) {
        const QString resto = t.mid(espaco + 1).trimmed();
        h = QTime::fromString(resto, QStringLiteral("H:mm:ss"));
        if (!h.isValid())
            h = QTime::fromString(resto, QStringLiteral("H:mm"));
        if (h.isValid()) {
            out = QDateTime(d, h);
            return true;
        }
        return false;
    }
    h = QTime::fromString(t, QStringLiteral("H:mm:ss"));
    if (!h.isValid())
        h = QTime::fromString(t, QStringLiteral("H:mm"));
    if (h.isValid()) {
        out = QDateTime(kDataZero, h);
        return true;
    }
    return false;
}

QTime AgoraAoSegundo()
{
    const QTime t = QTime::currentTime();
    return QTime(t.hour(), t.minute(), t.second());
}

// Value of a local column in the order-upload body.
ordered_json ValorJson(const Field &f)
{
    if (f.isNull())
        return nullptr;
    switch (f.dataType()) {
    case FieldType::Integer:
    case FieldType::Float:
    case FieldType::Bcd:
        return f.asFloat();
    case FieldType::Date:
    case FieldType::DateTime:
        return fmt::formatDate(f.asDate()).toStdString();
    default:
        return f.asString().toStdString();
    }
}

QString Prefixo(const QString &nomeMinusculo) { return nomeMinusculo.section('_', 0, 0); }

// Server dates such as "31-12-2024" shown in the local form.
void ConverteDatasLinha(DataSet &t)
{
    if (!t.active() || t.isEmpty())
        return;
    t.edit();
    for (int i = 0; i < t.fieldCount(); ++i) {
        Field *f = t.field(i);
        const QString s = f->asString();
        if (s.size() < 10 || s[2] != '-' || s[5] != '-')
            continue;
        const QDate d = QDate::fromString(s.left(10), QStringLiteral("dd-MM-yyyy"));
        if (!d.isValid())
            continue;
        if (f->dataType() == FieldType::String || f->dataType() == FieldType::Memo)
            f->setValue(fmt::formatDate(d));
        else
            f->setValue(QDateTime(d, QTime(0, 0)));
    }
    t.post();
}

} // namespace

TDMComunicacao::TDMComunicacao(QObject *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("DMComunicacao"));
    DMComunicacao = this;
}

TDMComunicacao::~TDMComunicacao()
{
    if (DMComunicacao == this)
        DMComunicacao = nullptr;
}

// ---------------------------------------------------------------- values

QString TDMComunicacao::TextoValor(const ordered_json &v)
{
    // Strings arrive as their own characters between quotes, nothing escaped.
    if (v.is_string())
        return '"' + QString::fromStdString(v.get<std::string>()) + '"';
    return QString::fromStdString(v.dump());
}

QString TDMComunicacao::TrataCampo(const QString &psCampo, bool bMaiuscula)
{
    QString s = psCampo;
    if (s.startsWith('"'))
        s.remove(0, 1);
    if (s.endsWith('"'))
        s.chop(1);
    if (psCampo.toUpper() == QLatin1String("NULL"))
        return {};
    return bMaiuscula ? s.toUpper() : s;
}

QString TDMComunicacao::LeChave(const ordered_json &obj, const char *chave, bool bMaiuscula)
{
    if (!obj.is_object())
        return {};
    const auto it = obj.find(chave);
    if (it == obj.end())
        return {};
    return TrataCampo(TextoValor(*it), bMaiuscula);
}

double TDMComunicacao::ConverteNumero(const QString &texto)
{
    QString s = texto;
    const int ponto = s.indexOf('.');
    if (ponto >= 0)
        s[ponto] = ',';
    if (s.endsWith(','))
        s.chop(1);
    s = s.trimmed();
    static const QRegularExpression numero(QStringLiteral("^[+-]?(\\d+(,\\d*)?|,\\d+)([eE][+-]?\\d+)?$"));
    if (s.isEmpty() || !numero.match(s).hasMatch())
        return 0;
    s.replace(',', '.');
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QDate TDMComunicacao::ConverteData(const QString &texto)
{
    const QDate hoje = QDate::currentDate();
    auto parte = [&texto](int inicio, int tamanho, int padrao) {
        bool ok = false;
        const int n = texto.mid(inicio, tamanho).toInt(&ok);
        return ok ? n : padrao;
    };
    const QDate d(parte(0, 4, hoje.year()), parte(5, 2, hoje.month()), parte(8, 2, hoje.day()));
    return d.isValid() ? d : hoje;
}

QVariant TDMComunicacao::ConverteValorCampo(FieldType tipo, const QString &texto)
{
    const QString t = TrataCampo(texto, false);
    switch (tipo) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
        return qint64(std::trunc(ConverteNumero(t)));
    case FieldType::Float:
    case FieldType::Bcd:
        return ConverteNumero(t);
    case FieldType::Date:
    case FieldType::DateTime: {
        QDate d;
        if (!fmt::tryStrToDate(t.trimmed(), d))
            d = QDate::currentDate();
        if (tipo == FieldType::Date)
            return d;
        return QDateTime(d, QTime(0, 0));
    }
    case FieldType::Time: {
        QDateTime dt;
        if (!LeDataHora(t, dt))
            return QTime::currentTime();
        return dt.time();
    }
    default:
        return t;
    }
}

void TDMComunicacao::PreencheAdaptador(const ordered_json &linhas, DataSet &tabela)
{
    tabela.close();
    std::vector<FieldDef> defs;
    std::vector<std::string> chaves;
    const bool lista = linhas.is_array();
    if (lista) {
        for (const auto &o : linhas) {
            if (!o.is_object())
                continue;
            for (auto it = o.begin(); it != o.end(); ++it) {
                if (std::find(chaves.begin(), chaves.end(), it.key()) == chaves.end()) {
                    chaves.push_back(it.key());
                    defs.push_back({QString::fromStdString(it.key()), FieldType::String, 1, 0, false});
                }
            }
        }
    }
    std::vector<Row> linhasTabela;
    if (lista) {
        for (const auto &o : linhas) {
            if (!o.is_object())
                continue;
            Row r(chaves.size());
            for (size_t c = 0; c < chaves.size(); ++c) {
                const auto it = o.find(chaves[c]);
                if (it == o.end() || it->is_null())
                    continue;
                const QString s = it->is_string() ? QString::fromStdString(it->get<std::string>())
                                                  : QString::fromStdString(it->dump());
                defs[c].size = std::max(defs[c].size, int(s.size()));
                r[c] = s;
            }
            linhasTabela.push_back(std::move(r));
        }
    }
    tabela.setFieldDefs(defs);
    tabela.setRows(std::move(linhasTabela));
    tabela.open();
    tabela.first();
}

void TDMComunicacao::PreencheChaves(const ordered_json &linhas, DataSet &tabela, bool nomesMaiusculos)
{
    if (!linhas.is_array())
        return;
    if (tabela.fieldCount() == 0 && !linhas.empty() && linhas[0].is_object()) {
        tabela.close();
        std::vector<FieldDef> defs;
        const auto &primeiro = linhas[0];
        for (auto it = primeiro.begin(); it != primeiro.end(); ++it) {
            const QString nome = QString::fromStdString(it.key());
            const QString valor = TrataCampo(TextoValor(it.value()), false);
            FieldDef d;
            d.name = nomesMaiusculos ? nome.toUpper() : nome;
            if (valor.size() <= 250) {
                d.type = FieldType::String;
                d.size = 255;
            } else {
                d.type = FieldType::Memo;
            }
            defs.push_back(d);
        }
        tabela.setFieldDefs(defs);
    }
    if (!tabela.active())
        tabela.open();
    for (const auto &o : linhas) {
        if (!o.is_object())
            continue;
        tabela.append();
        for (int i = 0; i < tabela.fieldCount(); ++i) {
            Field *f = tabela.field(i);
            const auto it = o.find(f->fieldName().toLower().toStdString());
            if (it != o.end())
                f->setValue(ConverteValorCampo(f->dataType(), TextoValor(*it)));
        }
        tabela.post();
    }
}

// ---------------------------------------------------------------- request core

QString TDMComunicacao::UrlBase(const QString &recurso) const
{
    QString url = DsHost + ':' + QString::number(NrPorta) + '/' + recurso;
    if (!url.contains(QLatin1String("://")))
        url.prepend(QStringLiteral("http://"));
    while (url.endsWith('/'))
        url.chop(1);
    return url;
}

void TDMComunicacao::LimpaParametros()
{
    m_parametros.clear();
    m_corpo.reset();
}

bool TDMComunicacao::FalhaDeConexao(const QString &mensagem)
{
    // curl's texts for a host that could not be reached at all
    static const char *const kTextos[] = {"Couldn't connect", "Could not connect", "Failed to connect",
                                          "Connection refused", "Could not resolve", "Couldn't resolve"};
    for (const char *t : kTextos)
        if (mensagem.contains(QLatin1String(t), Qt::CaseInsensitive))
            return true;
    return false;
}

std::optional<ordered_json> TDMComunicacao::ExecutaRequisicao(const QString &recurso, Verbo verbo)
{
    m_falha = TFalha::Nenhuma;
    m_semResposta = true;
    try {
        HttpRequest req;
        switch (verbo) {
        case Verbo::Get:
        case Verbo::Get1: req.method = HttpMethod::Get; break;
        case Verbo::Post: req.method = HttpMethod::Post; break;
        case Verbo::Put: req.method = HttpMethod::Put; break;
        }
        QString url = UrlBase(recurso);
        QStringList pares;
        for (const auto &[nome, valor] : m_parametros)
            pares << Pct(nome) + '=' + Pct(valor);
        if (!pares.isEmpty())
            url += (url.contains('?') ? '&' : '?') + pares.join('&');
        req.url = url;
        req.timeoutMs = TimeoutMs;
        req.headers = {
            {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
            {"token", kToken},
        };
        if (req.method == HttpMethod::Post || req.method == HttpMethod::Put) {
            req.headers.emplace_back("Access-Control-Allow-Origin", "*");
            req.headers.emplace_back("Access-Control-Allow-Methods", "PUT, POST, GET, DELETE");
            req.headers.emplace_back("Access-Control-Allow-headers", "accept, authorization, origin");
            req.headers.emplace_back("Content-Type", "application/json");
            req.body = QByteArray::fromStdString(m_corpo ? m_corpo->dump() : std::string("[]"));
        }

        const HttpResponse resp = HttpClient().request(req);
        if (resp.status < 200 || resp.status >= 300)
            throw std::runtime_error(QStringLiteral("Erro HTTP %1 do servidor: %2")
                                         .arg(resp.status)
                                         .arg(QString::fromUtf8(resp.body.left(300)).trimmed())
                                         .toStdString());
        if (resp.body.trimmed().isEmpty())
            return std::nullopt;
        auto j = ordered_json::parse(resp.body.begin(), resp.body.end(), nullptr, false);
        if (j.is_discarded())
            throw std::runtime_error("Resposta do servidor inválida (não é JSON).");
        if (!j.is_array())
            throw std::runtime_error("Resposta do servidor inválida (não é uma lista JSON).");
        if (!j.empty() && !j[0].is_object())
            throw std::runtime_error("Resposta do servidor inválida (sem objeto).");
        m_semResposta = false;
        return j;
    } catch (const std::exception &e) {
        const auto *rede = dynamic_cast<const NetError *>(&e);
        m_falha = rede && FalhaDeConexao(rede->message()) ? TFalha::SemConexao : TFalha::Incerta;
        if (verbo != Verbo::Get1)
            dialogs().showMessage(Mensagem(e));
        return std::nullopt;
    }
}

const ordered_json *TDMComunicacao::Objeto(const std::optional<ordered_json> &resposta)
{
    if (!resposta || !resposta->is_array() || resposta->empty() || !(*resposta)[0].is_object())
        return nullptr;
    return &(*resposta)[0];
}

// ---------------------------------------------------------------- operations

bool TDMComunicacao::RetornaConexao(bool pbInicio)
{
    LimpaParametros();
    const auto r = ExecutaRequisicao(QStringLiteral("TesteConexao"), pbInicio ? Verbo::Get1 : Verbo::Get);
    const ordered_json *o = Objeto(r);
    return o && LeChave(*o, "resultado", true) == QLatin1String("TRUE");
}

QString TDMComunicacao::GetVersaoServ()
{
    LimpaParametros();
    const auto r = ExecutaRequisicao(QStringLiteral("GetVersaoServ"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    return o ? LeChave(*o, "resultado") : QString();
}

int TDMComunicacao::ConfereSenha(const QString &psUsuario, const QString &psSenha, const QString &psCodRep)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("usuario"), psUsuario},
                    {QStringLiteral("senha"), psSenha},
                    {QStringLiteral("codrep"), psCodRep}};
    const auto r = ExecutaRequisicao(QStringLiteral("UpdateLogin"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return 4;
    bool ok = false;
    const int codigo = LeChave(*o, "resultado").trimmed().toInt(&ok);
    return ok ? codigo : 4;
}

QDateTime TDMComunicacao::DataServidor(const QString &psTipo)
{
    return RespostaDataServidor(psTipo).value_or(QDateTime(kDataZero, QTime(0, 0)));
}

std::optional<QDateTime> TDMComunicacao::RespostaDataServidor(const QString &psTipo)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("usuario"), psTipo}};
    const auto r = ExecutaRequisicao(QStringLiteral("UpdateDataServidor"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return std::nullopt;
    const QString texto = LeChave(*o, "data");
    if (psTipo == QLatin1String("D")) {
        QDate d;
        if (!fmt::tryStrToDate(texto.trimmed(), d))
            d = QDate::currentDate();
        return QDateTime(d, QTime(0, 0));
    }
    QDateTime dt;
    if (!LeDataHora(texto, dt))
        dt = QDateTime::currentDateTime();
    return dt;
}

void TDMComunicacao::GetCfgDisponivel(int piConfig, const QString &psCodRep, DataSet *poCDSUltSinc,
                                      DataSet *poCDSCfgDisp)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psCodRep}, {QStringLiteral("config"), QString::number(piConfig)}};
    const auto r = ExecutaRequisicao(QStringLiteral("GetCfgDisponivel"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return;
    if (poCDSUltSinc && o->contains("carga")) {
        PreencheAdaptador((*o)["carga"], *poCDSUltSinc);
        poCDSUltSinc->open();
        ConverteDatasLinha(*poCDSUltSinc);
    }
    if (poCDSCfgDisp && o->contains("configuracao") && (*o)["configuracao"].is_object()) {
        poCDSCfgDisp->close();
        poCDSCfgDisp->setFieldDefs({});
        // an empty object offers nothing: no row without columns
        if (!(*o)["configuracao"].empty()) {
            PreencheChaves(ordered_json::array({(*o)["configuracao"]}), *poCDSCfgDisp, false);
            ConverteDatasLinha(*poCDSCfgDisp);
        }
    }
}

bool TDMComunicacao::CarregaTabelas(int piCodigo, const QString &psCodRep, bool pbRecarregaClientes)
{
    try {
        if (!ClientModule1)
            throw std::runtime_error("Módulo de carga não criado.");
        ClientModule1->LimpaLista();
        ClientModule1->oLstCDS = std::make_unique<TListaCDS>();

        LimpaParametros();
        m_parametros = {{QStringLiteral("recarga_cliente"), pbRecarregaClientes ? QStringLiteral("TRUE")
                                                                                 : QStringLiteral("FALSE")},
                        {QStringLiteral("config"), QString::number(piCodigo)},
                        {QStringLiteral("codrep"), psCodRep}};
        const auto r = ExecutaRequisicao(QStringLiteral("CarregaDados"), Verbo::Get);
        const ordered_json *o = Objeto(r);
        if (!o)
            return false; // already reported by the request core

        // The version request reports its own failure; one message is enough.
        LimpaParametros();
        const auto rv = ExecutaRequisicao(QStringLiteral("GetVersaoServ"), Verbo::Get);
        const ordered_json *ov = Objeto(rv);
        if (!ov)
            return false;
        const QString textoVersao = LeChave(*ov, "resultado");
        bool ok = false;
        const int versao = textoVersao.trimmed().toInt(&ok);
        if (!ok)
            throw std::runtime_error(QStringLiteral("'%1' is not a valid integer value").arg(textoVersao).toStdString());

        const int total = versao > 8 ? 12 : 11;
        for (int i = 0; i < total; ++i) {
            const QString nome = TClientModule1::NomeTabelaCarga(i);
            const auto it = o->find(nome.toStdString());
            if (it == o->end() || !it->is_array())
                continue;
            auto tabela = std::make_unique<DataSet>();
            tabela->setObjectName(nome);
            if (nome == QLatin1String("CONFIG_IMAGEM")) {
                tabela->setFieldDefs({{QStringLiteral("CNFIMG_CONFIG"), FieldType::Integer, 0, 0, false},
                                      {QStringLiteral("CNFIMG_IMAGEM"), FieldType::Blob, 0, 0, false}});
                tabela->open();
                if (!it->empty() && (*it)[0].is_object()) {
                    const auto &img = (*it)[0];
                    const QByteArray imagem = base64Decode(LeChave(img, "cnfimg_imagem").toLatin1());
                    tabela->append();
                    tabela->fieldByName(QStringLiteral("CNFIMG_IMAGEM"))->setValue(imagem);
                    tabela->fieldByName(QStringLiteral("CNFIMG_CONFIG"))
                        ->setValue(ConverteValorCampo(FieldType::Integer, LeChave(img, "cnfimg_config")));
                    tabela->post();
                }
            } else {
                PreencheAdaptador(*it, *tabela);
            }
            ClientModule1->oLstCDS->push_back(std::move(tabela));
        }
        return true;
    } catch (const std::exception &e) {
        dialogs().showMessage(Mensagem(e));
        return false;
    }
}

bool TDMComunicacao::GravaDadosEmpresa(int piCodigo)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("config"), QString::number(piCodigo)}};
    const auto r = ExecutaRequisicao(QStringLiteral("DadosEmpresa"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return false;
    try {
        // Decoded before any statement runs, so a bad logo writes nothing.
        const QByteArray logo = base64Decode(LeChave(*o, "emp_logo").toLatin1());
        TXRDatabase *db = DMRepres->XRDtRepres;
        TXRQuery existe;
        existe.SetDatabase(db);
        existe.SQL().SetText(SqlEmpresaExiste());
        existe.ParamByName(QStringLiteral("EMPRESA"))->SetAsString(LeChave(*o, "emp_pat"));
        existe.Open();
        const bool atualiza = !existe.isEmpty();
        existe.Close();

        TXRQuery grava;
        grava.SetDatabase(db);
        grava.SQL().SetText(SqlGravaEmpresa(atualiza));
        for (const auto &p : grava.Params()) {
            const QString chave = p->Name.toLower();
            if (chave == QLatin1String("emp_logo")) {
                if (logo.isEmpty())
                    p->Clear();
                else
                    p->SetAsBlob(logo);
            } else {
                p->SetAsString(LeChave(*o, chave.toLatin1().constData()));
            }
        }
        grava.ExecSQL();
        db->Transaction()->CommitRetaining();
        return true;
    } catch (const std::exception &e) {
        dialogs().showMessage(Mensagem(e));
        return false;
    }
}

QString TDMComunicacao::AtualizaNmRepresentante(const QString &psCodRep)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psCodRep}};
    const auto r = ExecutaRequisicao(QStringLiteral("UpdateNomeRepresentante"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    return o ? LeChave(*o, "nome") : QString();
}

QString TDMComunicacao::AtualizaEmailFone(const QString &psCodRep, QString &psNrFone)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psCodRep}};
    const auto r = ExecutaRequisicao(QStringLiteral("AtualizaEmailFone"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return {};
    psNrFone = LeChave(*o, "fone");
    return LeChave(*o, "email");
}

bool TDMComunicacao::AtualizaConfigRepres(int psConfig, const QString &psRepres)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psRepres}, {QStringLiteral("config"), QString::number(psConfig)}};
    const auto r = ExecutaRequisicao(QStringLiteral("UpdateAtualizaConfigRepres"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    return o && LeChave(*o, "resultado", true) == QLatin1String("TRUE");
}

void TDMComunicacao::PostVersaoRepresen(const QString &psVersao, const QString &psCodRep)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psCodRep}, {QStringLiteral("versao"), psVersao}};
    ExecutaRequisicao(QStringLiteral("PostVersaoRepresen"), Verbo::Get);
}

void TDMComunicacao::AtualizaEstoque(int piCodigo, const std::function<void(int, int)> &pBarraProgresso)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("config"), QString::number(piCodigo)}};
    const auto r = ExecutaRequisicao(QStringLiteral("ProdutoEstoqueZID"), Verbo::Get);
    // The failure was shown; the caller must not go on to report success.
    if (!r)
        throw EAbort();
    try {
        DataSet estoque;
        PreencheAdaptador(*r, estoque);
        const int total = estoque.recordCount();
        if (pBarraProgresso)
            pBarraProgresso(0, total);
        if (total == 0)
            return;

        TXRDatabase *db = DMRepres->XRDtRepres;
        TXRQuery q;
        q.SetDatabase(db);
        q.SQL().SetText(SqlAtualizaEstoque());
        SavepointGuard guarda(*db->Transaction(), QStringLiteral("ATUALIZA_ESTOQUE"));
        estoque.first();
        int n = 0;
        while (!estoque.eof()) {
            ++n;
            const QString qtde = estoque.fieldByName(QStringLiteral("QTDE"))->asString().trimmed();
            bool ok = false;
            qint64 inteiro = qtde.toLongLong(&ok);
            if (!ok) {
                const double v = QLocale::c().toDouble(qtde, &ok);
                if (!ok || !std::isfinite(v))
                    throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(qtde));
                inteiro = qint64(std::trunc(v));
            }
            q.ParamByName(QStringLiteral("QTDE"))->SetAsInteger(inteiro);
            q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(estoque.fieldByName(QStringLiteral("CODIGO"))->asString());
            q.ParamByName(QStringLiteral("COR"))->SetAsString(estoque.fieldByName(QStringLiteral("COR"))->asString());
            q.ParamByName(QStringLiteral("TAM"))->SetAsString(estoque.fieldByName(QStringLiteral("TAM"))->asString());
            q.ExecSQL();
            estoque.next();
            if (pBarraProgresso)
                pBarraProgresso(n, total);
        }
        guarda.Release();
        db->Transaction()->CommitRetaining();
    } catch (const std::exception &e) {
        dialogs().showMessage(Mensagem(e));
        throw EAbort();
    }
}

bool TDMComunicacao::ExistePedido(const QString &psCodRep, const QString &psPedido, int &piNrLote,
                                  QDateTime &pDataSinc, QDateTime &pHoraSinc)
{
    LimpaParametros();
    m_parametros = {{QStringLiteral("codrep"), psCodRep}, {QStringLiteral("pedido"), psPedido}};
    const auto r = ExecutaRequisicao(QStringLiteral("ExistePedido"), Verbo::Get);
    const ordered_json *o = Objeto(r);
    if (!o)
        return false;
    const bool existe = LeChave(*o, "resultado", true) == QLatin1String("TRUE");
    piNrLote = o->contains("lote") ? int(std::trunc(ConverteNumero(LeChave(*o, "lote")))) : 0;
    QDate d;
    pDataSinc = QDateTime(fmt::tryStrToDate(LeChave(*o, "datasinc").trimmed(), d) ? d : QDate::currentDate(),
                          QTime(0, 0));
    QDateTime h;
    pHoraSinc = LeDataHora(LeChave(*o, "horasinc"), h) ? QDateTime(kDataZero, h.time())
                                                       : QDateTime(kDataZero, AgoraAoSegundo());
    return existe;
}

bool TDMComunicacao::RetornaCodCliRepres(DataSet *poCodClientes)
{
    try {
        if (!poCodClientes->active())
            poCodClientes->open();
        if (poCodClientes->recordCount() == 0)
            return true;
        ordered_json corpo = ordered_json::array();
        for (int i = 0; i < poCodClientes->recordCount(); ++i) {
            ordered_json o = ordered_json::object();
            o["CodCliEmp"] = poCodClientes->valueAt(i, poCodClientes->fieldIndex(QStringLiteral("CodCliEmp"))).toString().toStdString();
            o["CodCli"] = poCodClientes->valueAt(i, poCodClientes->fieldIndex(QStringLiteral("CodCli"))).toString().toStdString();
            corpo.push_back(o);
        }
        LimpaParametros();
        m_corpo = corpo;
        const auto r = ExecutaRequisicao(QStringLiteral("UpdateRetornaCodCliRep"), Verbo::Post);
        const ordered_json *o = Objeto(r);
        return o && LeChave(*o, "resultado", true) == QLatin1String("TRUE");
    } catch (...) {
        return false;
    }
}

ordered_json TDMComunicacao::MontaCorpoPedidos(const QString &psPedidos)
{
    TXRDatabase *db = DMRepres->XRDtRepres;
    TXRQuery q;
    q.SetDatabase(db);
    // Ordered, so the items of one order are never split across two objects.
    q.SQL().SetText(SqlPedidosCarga(psPedidos) + QStringLiteral(" ORDER BY PED_NUME, PEDIT_ITEM"));
    q.Open();
    TXRQuery contatos;
    contatos.SetDatabase(db);
    contatos.SQL().SetText(SqlContatosCliente());

    std::vector<QString> nomes;
    for (int i = 0; i < q.fieldCount(); ++i)
        nomes.push_back(q.field(i)->fieldName().toLower());

    ordered_json corpo = ordered_json::array();
    std::optional<ordered_json> pedido;
    ordered_json itens = ordered_json::array();
    QString anterior;
    for (q.first(); !q.eof(); q.next()) {
        const QString numero = q.fieldByName(QStringLiteral("PED_NUME"))->asString();
        if (!pedido || numero != anterior) {
            if (pedido) {
                (*pedido)["itens"] = itens;
                corpo.push_back(std::move(*pedido));
            }
            pedido = ordered_json::object();
            ordered_json cliente = ordered_json::object();
            for (int i = 0; i < q.fieldCount(); ++i) {
                const QString p = Prefixo(nomes[size_t(i)]);
                if (p == QLatin1String("ped"))
                    (*pedido)[nomes[size_t(i)].toStdString()] = ValorJson(*q.field(i));
                else if (p == QLatin1String("cli"))
                    cliente[nomes[size_t(i)].toStdString()] = ValorJson(*q.field(i));
            }
            ordered_json listaContatos = ordered_json::array();
            contatos.Close();
            contatos.ParamByName(QStringLiteral("CODCLI"))->SetAsString(q.fieldByName(QStringLiteral("CLI_CODI"))->asString());
            contatos.Open();
            for (contatos.first(); !contatos.eof(); contatos.next()) {
                ordered_json c = ordered_json::object();
                for (int i = 0; i < contatos.fieldCount(); ++i)
                    c[contatos.field(i)->fieldName().toLower().toStdString()] = ValorJson(*contatos.field(i));
                listaContatos.push_back(std::move(c));
            }
            contatos.Close();
            cliente["contatos"] = std::move(listaContatos);
            (*pedido)["cliente"] = std::move(cliente);
            itens = ordered_json::array();
        }
        ordered_json item = ordered_json::object();
        for (int i = 0; i < q.fieldCount(); ++i)
            if (Prefixo(nomes[size_t(i)]) == QLatin1String("pedit"))
                item[nomes[size_t(i)].toStdString()] = ValorJson(*q.field(i));
        itens.push_back(std::move(item));
        anterior = numero;
    }
    if (pedido) {
        (*pedido)["itens"] = itens;
        corpo.push_back(std::move(*pedido));
    }
    q.Close();
    return corpo;
}

bool TDMComunicacao::CarregaPedidos(const QString &psCodRep, const QString &psPedidos, int piNrLote,
                                    QString &psLPedRejeitados, DataSet *poCDSCodCliente)
{
    return EnviaPedidos(psCodRep, psPedidos, piNrLote, psLPedRejeitados, poCDSCodCliente) == TResultadoEnvio::Aceito;
}

TResultadoEnvio TDMComunicacao::EnviaPedidos(const QString &psCodRep, const QString &psPedidos, int piNrLote,
                                             QString &psLPedRejeitados, DataSet *poCDSCodCliente)
{
    ordered_json corpo = MontaCorpoPedidos(psPedidos);
    LimpaParametros();
    m_corpo = std::move(corpo);
    const QString recurso = QStringLiteral("UpdateEnviaInformacoes?lote=") + QString::number(piNrLote)
        + QStringLiteral("&codrep=") + Pct(psCodRep.trimmed());
    const auto r = ExecutaRequisicao(recurso, Verbo::Post);
    const ordered_json *o = Objeto(r);
    if (!o)
        // only an upload that never reached the server surely stored nothing
        return m_falha == TFalha::SemConexao ? TResultadoEnvio::Recusado : TResultadoEnvio::Incerto;
    const bool aceito = LeChave(*o, "resultado", true) == QLatin1String("TRUE");
    psLPedRejeitados = LeChave(*o, "pedrejeitados");
    const auto it = o->find("CodClientes");
    if (poCDSCodCliente && it != o->end() && it->is_array())
        PreencheAdaptador(*it, *poCDSCodCliente);
    return aceito ? TResultadoEnvio::Aceito : TResultadoEnvio::Recusado;
}

QString TDMComunicacao::MontaParametrosSQL(DataSet *poParametros)
{
    if (!poParametros)
        return {};
    if (!poParametros->active())
        poParametros->open();
    QStringList pares;
    for (poParametros->first(); !poParametros->eof(); poParametros->next()) {
        QString valor = poParametros->fieldByName(QStringLiteral("VALOR"))->asString();
        if (poParametros->fieldByName(QStringLiteral("TIPO"))->asString() == QLatin1String("ftDate")) {
            QDate d;
            valor = fmt::tryStrToDate(valor.trimmed(), d) ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString();
        }
        if (!valor.isEmpty())
            pares << Pct(poParametros->fieldByName(QStringLiteral("CAMPO"))->asString().trimmed().toLower()) + '='
                    + Pct(valor);
    }
    return pares.join('&');
}

void TDMComunicacao::BuscaDadosSQL(const QString &psSQL, DataSet *poResultado, DataSet *poParametros)
{
    if (poResultado->active())
        poResultado->emptyTable();
    QString sql = psSQL;
    sql.replace(QLatin1String("\r\n"), QLatin1String(" "));
    sql.replace('\r', ' ');
    sql.replace('\n', ' ');
    const QString consulta = MontaParametrosSQL(poParametros);

    LimpaParametros();
    m_corpo = ordered_json::array({ordered_json{{"sql", sql.toStdString()}}});
    const QString recurso = QStringLiteral("UpdateCarregaDados") + (consulta.isEmpty() ? QString() : '?' + consulta);
    const auto r = ExecutaRequisicao(recurso, Verbo::Post);
    if (!r)
        return;
    PreencheChaves(*r, *poResultado, true);
}

std::optional<ordered_json> TDMComunicacao::ExecutaSqlSelect(const QString &sBaseDados, const QString &sSQL)
{
    LimpaParametros();
    ordered_json o = ordered_json::object();
    o["baseDados"] = sBaseDados.toStdString();
    o["sql"] = sSQL.toStdString();
    m_corpo = ordered_json::array({o});
    const auto r = ExecutaRequisicao(QStringLiteral("executaSQLSelect"), Verbo::Post);
    const ordered_json *obj = Objeto(r);
    if (!obj)
        return std::nullopt;
    return *obj;
}
