#include "sync/untDMRemoto.h"

#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "components/untFormXRSkin.h"
#include "platform/DialogService.h"
#include "platform/net/HttpClient.h"
#include "sync/untDMComunicacao.h"

#include <nlohmann/json.hpp>

TClientModule1 *ClientModule1 = nullptr;

namespace {

const char *const kTabelasCarga[] = {
    "PRODUTO", "COLECAO",  "CONDICAO", "COTAS",         "TABPRECO", "TABPRE_PRODUTO",
    "CLIENTE", "CONTATO_CLI", "PA_ITEN", "CONFIG_IMAGEM", "TABPRZ",   "PRODUTO_ORDEM",
};

DataSet *PorNome(NamedDataSets &lista, const char *nome)
{
    for (auto &[n, ds] : lista)
        if (n.compare(QLatin1String(nome), Qt::CaseInsensitive) == 0)
            return ds.get();
    return nullptr;
}

} // namespace

void CopiaDataSet(const DataSet &origem, DataSet &destino, bool manterDestino)
{
    if (destino.active())
        destino.close();
    if (!manterDestino || destino.fieldCount() == 0)
        destino.setFieldDefs(origem.fieldDefs());
    else
        destino.emptyTable();
    destino.open();
    std::vector<int> mapa;
    for (const FieldDef &d : destino.fieldDefs())
        mapa.push_back(origem.fieldIndex(d.name));
    const int n = origem.active() ? origem.recordCount() : 0;
    for (int r = 0; r < n; ++r) {
        Row linha(mapa.size());
        for (size_t c = 0; c < mapa.size(); ++c)
            if (mapa[c] >= 0)
                linha[c] = coerceToFieldType(origem.valueAt(r, mapa[c]), destino.fieldDefs()[c].type);
        destino.appendRow(std::move(linha));
    }
    destino.first();
}

TClientModule1::TClientModule1(QObject *owner)
    : QObject(owner)
    , DSRestConnection(new TDSRestConnection(this))
    , CDSCodClientes(new DataSet(this))
{
    setObjectName(QStringLiteral("ClientModule1"));
    CDSCodClientes->setObjectName(QStringLiteral("CDSCodClientes"));
    CDSCodClientes->setFieldDefs({{QStringLiteral("CodCli"), FieldType::String, 5, 0, false},
                                  {QStringLiteral("CodCliEmp"), FieldType::String, 5, 0, false}});
    CDSCodClientes->open();
    // A changed address takes effect at the next call.
    DSRestConnection->AntesDeExecutar = [this](TDSRestConnection &c) {
        c.Host = DsHost;
        c.Port = NrPorta;
    };
    ClientModule1 = this;
}

TClientModule1::~TClientModule1()
{
    LimpaLista();
    if (ClientModule1 == this)
        ClientModule1 = nullptr;
}

TServerMethods1Client *TClientModule1::ServerMethods1Client()
{
    if (!FServerMethods1Client)
        FServerMethods1Client = new TServerMethods1Client(DSRestConnection, this);
    return FServerMethods1Client;
}

TFuncoesGClient *TClientModule1::FuncoesGClient()
{
    if (!FFuncoesGClient)
        FFuncoesGClient = new TFuncoesGClient(DSRestConnection, this);
    return FFuncoesGClient;
}

QString TClientModule1::NomeTabelaCarga(int posicao)
{
    if (posicao < 0 || posicao >= int(std::size(kTabelasCarga)))
        return {};
    return QString::fromLatin1(kTabelasCarga[posicao]);
}

bool TClientModule1::RetornaConexao() { return ServerMethods1Client()->TesteConexao(); }

int TClientModule1::ConfereSenha(const QString &sUsuario, const QString &sSenha, const QString &sCodRep)
{
    return ServerMethods1Client()->Login(sUsuario, sSenha, sCodRep, 0);
}

void TClientModule1::GetCfgDisponivel(int piConfig, const QString &psCodRep, DataSet *oCDSUltSinc,
                                      DataSet *oCDSCfgDisp)
{
    try {
        NamedDataSets lista = ServerMethods1Client()->GetCfgDisponivel(piConfig, psCodRep);
        DataSet *ult = PorNome(lista, "CDSUltSincr");
        DataSet *cfg = PorNome(lista, "CDSCfgDisponivel");
        if (ult && oCDSUltSinc)
            CopiaDataSet(*ult, *oCDSUltSinc, false);
        if (cfg && oCDSCfgDisp)
            CopiaDataSet(*cfg, *oCDSCfgDisp, false);
    } catch (const EDSRestProtocolError &e) {
        MostraErroServidor(DSRestConnection, QStringLiteral("Erro na Consulta de Cargas"), e);
    }
}

bool TClientModule1::CarregaTabelas(int iCodigo, const QString &sCodRep, bool bRecarregaClientes)
{
    // Tables of an earlier load never mix with this one.
    LimpaLista();
    oLstCDS = std::make_unique<TListaCDS>();
    try {
        NamedDataSets lista = ServerMethods1Client()->CarregaDadosConfig(iCodigo, sCodRep, bRecarregaClientes);
        int pos = 0;
        for (auto &par : lista) {
            std::unique_ptr<DataSet> tabela = std::move(par.second);
            tabela->setParent(nullptr);
            tabela->setObjectName(NomeTabelaCarga(pos++));
            if (!tabela->active())
                tabela->open();
            oLstCDS->push_back(std::move(tabela));
        }
        return true;
    } catch (const EDSRestProtocolError &e) {
        dialogs().showMessage(e.message());
        return false;
    } catch (const DataSetStreamError &e) {
        // A list the client cannot read is the server's fault too.
        dialogs().showMessage(e.message());
        return false;
    }
}

bool TClientModule1::GravaDadosEmpresa(int iCodigo)
{
    NamedDataSets lista = ServerMethods1Client()->DadosEmpresa(iCodigo);
    DataSet *dados = PorNome(lista, "oCDSData");
    if (!dados || !dados->active() || dados->recordCount() == 0)
        return false;
    DataSet empresa;
    CopiaDataSet(*dados, empresa, false);
    empresa.first();

    try {
        TXRDatabase *db = DMRepres->XRDtRepres;
        TXRQuery existe;
        existe.SetDatabase(db);
        existe.SQL().SetText(SqlEmpresaExiste());
        const QString pat = empresa.fieldByName(QStringLiteral("EMP_PAT"))->asString();
        existe.ParamByName(QStringLiteral("EMPRESA"))->SetAsString(pat);
        existe.Open();
        const bool atualiza = !existe.isEmpty();
        existe.Close();

        TXRQuery grava;
        grava.SetDatabase(db);
        grava.SQL().SetText(SqlGravaEmpresa(atualiza));
        for (const char *nome : {"EMP_PAT", "EMP_NOME", "EMP_ENDERECO", "EMP_BAIRRO", "EMP_CIDADE", "EMP_ESTADO",
                                 "EMP_TELEFONE", "EMP_EMAIL", "EMP_NUMERO", "EMP_CEP"}) {
            Field *f = empresa.findField(QString::fromLatin1(nome));
            grava.ParamByName(QString::fromLatin1(nome))->SetAsString(f ? f->asString() : QString());
        }
        Field *logo = empresa.findField(QStringLiteral("EMP_LOGO"));
        if (logo && !logo->isNull())
            grava.ParamByName(QStringLiteral("EMP_LOGO"))->SetAsBlob(logo->asBytes());
        else
            grava.ParamByName(QStringLiteral("EMP_LOGO"))->Clear();
        grava.ExecSQL();
        db->Transaction()->CommitRetaining();
        return true;
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const EDatabaseError *>(&e);
        dialogs().showMessage(db ? db->message() : QString::fromUtf8(e.what()));
        return false;
    }
}

bool TClientModule1::RetornaCodCliRepres(DataSet *oCodClientes)
{
    oCodClientes->close();
    oCodClientes->open(); // the list writer saves an open dataset
    const QByteArray lista = encodeDataSetList({{QString(), oCodClientes}});
    return ServerMethods1Client()->RetornaCodCliRepres(lista);
}

void TClientModule1::LimpaLista() { oLstCDS.reset(); }

void TClientModule1::MostraErroServidor(TDSRestConnection *conexao, const QString &contexto,
                                        const EDSRestProtocolError &erro)
{
    const QByteArray texto = erro.ResponseText().toUtf8();
    const auto j = nlohmann::ordered_json::parse(texto.begin(), texto.end(), nullptr, false);
    QString mensagem = erro.ResponseText();
    if (j.is_object() && !j.empty()) {
        const auto par = j.begin();
        if (par.key() == "SessionExpired")
            conexao->SessionId.clear();
        mensagem = par.value().is_string() ? QString::fromStdString(par.value().get<std::string>())
                                           : QString::fromStdString(par.value().dump());
    }
    dialogs().showMessage(QStringLiteral("%1: %2").arg(contexto, mensagem));
}

// ---------------------------------------------------------------- order send

namespace {

std::unique_ptr<TXRQuery> AbreLocal(const QString &sql)
{
    auto q = std::make_unique<TXRQuery>();
    q->SetDatabase(DMRepres->XRDtRepres);
    q->SQL().SetText(sql);
    q->Open();
    return q;
}

QString MensagemDe(const std::exception &e)
{
    if (const auto *p = dynamic_cast<const EDSRestProtocolError *>(&e))
        return p->message();
    if (const auto *n = dynamic_cast<const NetError *>(&e))
        return n->message();
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

} // namespace

TResultadoEnvio TClientModule1::EnviaPedidos(const QString &sCodRep, const QString &sPedidos, int iNrLote,
                                             QString &sRejeitados, DataSet *oCDSRetClientes)
{
    // The fingerprint travels with the header, so that a batch the server
    // stored without our knowing is recognised when it is sent again.
    QString sqlPedidos = SqlPedidosEnvio(sPedidos);
    sqlPedidos.replace(QLatin1String("PED_TABPRZ, "), QLatin1String("PED_TABPRZ, PED_MD5, "));
    const auto pedidos = AbreLocal(sqlPedidos);
    const auto itens = AbreLocal(SqlItensEnviar(sPedidos));
    const auto clientes = AbreLocal(SqlClientesEnviar());
    const auto contatos = AbreLocal(SqlContatosEnviar());
    const QByteArray lista = encodeDataSetList({{QStringLiteral("PEDIDO"), pedidos.get()},
                                                {QStringLiteral("PED_ITEN"), itens.get()},
                                                {QStringLiteral("CLIENTE"), clientes.get()},
                                                {QStringLiteral("CONTATO_CLI"), contatos.get()}});
    bool enviado = false; // from here on the server may hold the batch
    try {
        QString versao;
        TfmXRSkin::GetVersao(versao);
        ServerMethods1Client()->SetVersaoRepres(versao);
        sRejeitados.clear();
        NamedDataSets codigos;
        enviado = true;
        const bool ok = ServerMethods1Client()->CarregaPedidos(sCodRep, iNrLote, lista, sRejeitados, codigos);
        if (!ok)
            return TResultadoEnvio::Recusado;
        if (codigos.size() != 1) {
            dialogs().showMessage(QStringLiteral("Resposta do servidor inválida: %1 listas de códigos de clientes.")
                                      .arg(codigos.size()));
            return TResultadoEnvio::Incerto;
        }
        if (oCDSRetClientes) {
            DataSet &destino = *oCDSRetClientes;
            DataSet &origem = *codigos.front().second;
            if (!destino.active() || destino.fieldCount() == 0)
                CopiaDataSet(origem, destino, false);
            else
                for (int r = 0; r < origem.recordCount(); ++r) {
                    destino.append();
                    for (int c = 0; c < origem.fieldCount(); ++c)
                        if (Field *f = destino.findField(origem.fieldDefs()[size_t(c)].name))
                            f->setValue(origem.valueAt(r, c));
                    destino.post();
                }
        }
        return TResultadoEnvio::Aceito;
    } catch (const std::exception &e) {
        dialogs().showMessage(MensagemDe(e));
        const auto *rede = dynamic_cast<const NetError *>(&e);
        if (!enviado || (rede && TDMComunicacao::FalhaDeConexao(rede->message())))
            return TResultadoEnvio::Recusado;
        return TResultadoEnvio::Incerto;
    }
}
