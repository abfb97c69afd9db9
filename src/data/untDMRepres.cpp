#include "data/untDMRepres.h"
#include "data/XREstatisticas.h"
#include "data/XRQuery.h"

#include "data/untSelectsRep.h"
#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "platform/IniFile.h"
#include "platform/fb/FbApi.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

TDMRepres *DMRepres = nullptr;

namespace {
const QString kSecao = QStringLiteral("Banco");
const QString kMsgSemIni = QStringLiteral("Arquivo de configuração de banco (.INI) não encontrado!");

// A settings file that is there but cannot be read must stop the start: its
// keys would read as empty and the default database beside the executable
// would be opened (and upgraded) in place of the one the file names.
void ExigeIniLegivel(const IniFile &arq)
{
    QString motivo;
    if (arq.readable(&motivo))
        return;
    throw std::runtime_error(QStringLiteral("Não foi possível ler o arquivo de configuração \"%1\" (%2). "
                                            "O programa não será iniciado")
                                 .arg(QDir::toNativeSeparators(arq.fileName()), motivo)
                                 .toStdString());
}

// Indexes created on empty tables keep selectivity 0 after the rows
// arrive, and the optimizer then combines the wrong ones. A database
// filled by an older version gets true statistics here, once: a table
// with rows never reads 0 again after its recompute.
void estatisticasVerdadeiras(TXRCustomDatabase &db)
{
    try {
        fb::Attachment &att = db.Attachment();
        fb::Transaction &tra = db.Transaction()->Engine();
        QStringList zeradas;
        {
            fb::Statement q(att, tra,
                            QStringLiteral("SELECT TRIM(I.RDB$RELATION_NAME) FROM RDB$INDICES I "
                                           "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = I.RDB$RELATION_NAME "
                                           "WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0 AND R.RDB$VIEW_BLR IS NULL "
                                           "AND COALESCE(R.RDB$RELATION_TYPE, 0) = 0 "
                                           "GROUP BY I.RDB$RELATION_NAME HAVING MAX(COALESCE(I.RDB$STATISTICS, 0)) = 0"));
            q.execute();
            Row r;
            while (q.fetch(r))
                zeradas << r[0].toString();
        }
        QStringList comLinhas;
        for (const QString &t : zeradas) {
            QString nome = t;
            nome.replace(QLatin1Char('"'), QLatin1String("\"\""));
            fb::Statement q(att, tra, QStringLiteral("SELECT FIRST 1 1 FROM \"") + nome + QLatin1Char('"'));
            q.execute();
            Row r;
            if (q.fetch(r))
                comLinhas << t;
        }
        if (comLinhas.isEmpty())
            return;
        AtualizaEstatisticas(db, comLinhas);
        db.Transaction()->Commit();
    } catch (const std::exception &e) {
        // only slower queries follow: the program goes on
        qWarning("index statistics not recomputed: %s", e.what());
    }
}

} // namespace

TDMRepresGanchos &TDMRepres::GanchosPadrao()
{
    static TDMRepresGanchos g;
    return g;
}

TDMRepres::TDMRepres(QObject *owner)
    : TDMRepres(GanchosPadrao(), owner)
{
}

TDMRepres::TDMRepres(const TDMRepresGanchos &ganchos, QObject *owner)
    : QObject(owner)
    , m_ganchos(ganchos)
{
    setObjectName(QStringLiteral("DMRepres"));
    DMRepres = this;
    CriaComponentes();
    try {
        DataModuleCreate();
    } catch (...) {
        DMRepres = nullptr;
        throw;
    }
}

TDMRepres::~TDMRepres()
{
    DataModuleDestroy();
    if (DMRepres == this)
        DMRepres = nullptr;
}

void TDMRepres::CriaComponentes()
{
    XRDtRepres = new TXRDatabase(this);
    XRDtRepres->setObjectName(QStringLiteral("XRDtRepres"));
    XRDtRepres->LoginPrompt = false;
    XRTransaction = new ::TXRTransaction(this);
    XRTransaction->setObjectName(QStringLiteral("XRTransaction"));
    XRDtRepres->SetTransaction(XRTransaction);

    auto query = [this](const char *nome) {
        auto *q = new TXRQuery(this);
        q->setObjectName(QString::fromLatin1(nome));
        q->SetDatabase(XRDtRepres);
        q->AutoTransacao = true;
        q->TempoLimite = true;
        return q;
    };
    XRQConfig = query("XRQConfig");
    XRQUltSincr = query("XRQUltSincr");
    XRQPedEnviar = query("XRQPedEnviar");
    XRQConfigPed = query("XRQConfigPed");
    XRQSenha = query("XRQSenha");
    XRQEnderecoServ = query("XRQEnderecoServ");
    XRQLog = query("XRQLog");

    CDSCodClientes = new DataSet(this);
    CDSCodClientes->setObjectName(QStringLiteral("CDSCodClientes"));
    CDSCodClientes->setFieldDefs({{QStringLiteral("CodCli"), FieldType::String, 5, 0, false},
                                  {QStringLiteral("CodCliEmp"), FieldType::String, 5, 0, false}});
    Tela = new DataSet(this);
    Tela->setObjectName(QStringLiteral("Tela"));
}

QString TDMRepres::ArquivoIni(const QString &pasta)
{
    QString dir = pasta;
    if (!dir.endsWith('/'))
        dir += '/';
    if (QFileInfo::exists(dir + QStringLiteral("Quintel.ini")))
        return dir + QStringLiteral("Quintel.ini");
    if (QFileInfo::exists(dir + QStringLiteral("XR.ini")))
        return dir + QStringLiteral("XR.ini");
    return QString();
}

QString TDMRepres::TipoDriver(const QString &sBanco, const QString &sVersao)
{
    (void)sVersao; // the server version does not change the driver
    return sBanco.toUpper() == QLatin1String("ORACLE") ? QStringLiteral("Ora") : QStringLiteral("FB");
}

void TDMRepres::DataModuleCreate()
{
    sTpGrade = QStringLiteral("N");
    sIdCargaCliente = QStringLiteral("N");
    sIdOrdemPedidos = QStringLiteral("0");
    sIdCliEmailObr = QStringLiteral("N");
    sIdRelEstoque = QStringLiteral("N");
    sIdImgProduto = QStringLiteral("N");
    FbJaConectou = false;
    FbConexaoRest = false;

    if (!VerificaIni())
        return;
    if (!ConectaBanco(apppaths::executableDir()))
        return;
    if (!VerificaPosInstalacao())
        return;
    if (m_ganchos.AtualizaBase)
        m_ganchos.AtualizaBase(*this);
    estatisticasVerdadeiras(*XRDtRepres);

    XRQUltSincr->SQL().SetText(SqlConfig());
    XRQConfigPed->SQL().SetText(SqlConfig());
    XRQSenha->SQL().SetText(SqlSenha());
    XRQEnderecoServ->SQL().SetText(SqlEnderecoServidor());
}

bool TDMRepres::VerificaIni()
{
    const QString ini = ArquivoIni(apppaths::executableDir());
    if (ini.isEmpty()) {
        dialogs().showMessage(kMsgSemIni);
        return false;
    }
    IniFile arq(ini);
    ExigeIniLegivel(arq);
    if (!arq.readString(kSecao, QStringLiteral("Base")).isEmpty())
        return true;
    try {
        arq.writeString(kSecao, QStringLiteral("Base"), QStringLiteral("REPRESEN.FDB"));
    } catch (const IniFile::SaveError &) {
        // the user has been told; the default is used even when it cannot be stored
    } catch (const std::exception &e) {
        // the default is used even when it cannot be stored
        dialogs().showMessage(QString::fromUtf8(e.what()));
    }
    return true;
}

bool TDMRepres::ConectaBanco(const QString &sPastaExe)
{
    const QString ini = ArquivoIni(sPastaExe);
    if (ini.isEmpty()) {
        dialogs().showMessage(kMsgSemIni);
        return false;
    }
    IniFile arq(ini);
    ExigeIniLegivel(arq);
    const QString sVersao = arq.readString(kSecao, QStringLiteral("versao"));
    const QString sBanco = arq.readString(kSecao, QStringLiteral("Banco"));
    XRDtRepres->DriverName = TipoDriver(sBanco, sVersao);

    QString servidor = arq.readString(kSecao, QStringLiteral("Servidor"));
    const int dois = servidor.indexOf(':');
    if (dois >= 0)
        servidor.remove(dois, 1);
    XRDtRepres->HostName = servidor;
    QString base = arq.readString(kSecao, QStringLiteral("Base"));
    if (base.isEmpty())
        base = QStringLiteral("REPRESEN.FDB");
    XRDtRepres->Database = base;
    XRDtRepres->User = arq.readString(kSecao, QStringLiteral("usuario"));
    XRDtRepres->Password = arq.readString(kSecao, QStringLiteral("senha"));

    sTpGrade = arq.readString(kSecao, QStringLiteral("Grade"), QStringLiteral("N"));
    sIdCargaCliente = arq.readString(kSecao, QStringLiteral("CargaCliente"), QStringLiteral("N"));
    sIdOrdemPedidos = arq.readString(kSecao, QStringLiteral("OrdemPedido"), QStringLiteral("0"));

    if (!XRDtRepres->HostName.trimmed().isEmpty()) {
        XRDtRepres->SetDatabaseName(XRDtRepres->HostName + ':' + XRDtRepres->Database);
    } else {
        XRDtRepres->HostName.clear();
    }

    try {
        XRDtRepres->SetConnected(false);
        XRDtRepres->SetConnected(true);
    } catch (const std::exception &e) {
        dialogs().showMessage(MensagemExcecao(e));
        return false;
    }
    return true;
}

bool TDMRepres::VerificaPosInstalacao()
{
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT COUNT(*) AS NRREG FROM CONFIG"));
    q.Open();
    if (q.fieldByName(QStringLiteral("NRREG"))->asInteger() > 0)
        return true;
    if (!m_ganchos.PosInstalacao)
        return false;
    return m_ganchos.PosInstalacao(*this);
}

bool TDMRepres::bConexaoRest()
{
    if (FbJaConectou)
        return FbConexaoRest;
    FbJaConectou = true;
    try {
        FbConexaoRest = m_ganchos.RetornaConexaoRest ? m_ganchos.RetornaConexaoRest() : false;
    } catch (...) {
        FbConexaoRest = false;
    }
    return FbConexaoRest;
}

void TDMRepres::DataModuleDestroy()
{
    const QString ini = ArquivoIni(apppaths::executableDir());
    if (ini.isEmpty())
        return;
    try {
        IniFile arq(ini);
        arq.writeString(kSecao, QStringLiteral("Grade"), sTpGrade);
        arq.writeString(kSecao, QStringLiteral("CargaCliente"), sIdCargaCliente);
        arq.writeString(kSecao, QStringLiteral("OrdemPedido"), sIdOrdemPedidos);
    } catch (const IniFile::SaveError &) {
        // already logged and shown
    } catch (const std::exception &e) {
        // shutting down: nobody left to tell but the console
        qWarning("Não foi possível gravar o arquivo de configuração: %s", e.what());
    }
}

void TDMRepres::PreparaRascunho(const QStringList &linhas)
{
    XRQConfig->Close();
    XRQConfig->SQL().Clear();
    for (const QString &l : linhas)
        XRQConfig->SQL().Add(l);
}

void TDMRepres::BuscaImagemFundo()
{
    PreparaRascunho({QStringLiteral("SELECT CNFIMG_IMAGEM"), QStringLiteral("FROM CONFIG_IMAGEM")});
    XRQConfig->Open();
    if (!m_janela)
        return;
    m_janela->MostraImagemPadrao(false);
    if (XRQConfig->isEmpty()) {
        m_janela->MostraImagemPadrao(true);
        m_janela->LimpaImagemFundo();
        return;
    }
    XRQConfig->first();
    try {
        if (!m_janela->MostraImagemFundo(XRQConfig->fieldByName(QStringLiteral("CNFIMG_IMAGEM"))->asBytes()))
            m_janela->LimpaImagemFundo();
    } catch (...) {
        m_janela->LimpaImagemFundo();
    }
}

void TDMRepres::BuscaConfigAcesso()
{
    PreparaRascunho({QStringLiteral("SELECT IDCLIEMAILOBR, IDRELESTOQUE, IDIMGPRODUTO"), QStringLiteral("FROM CONFIG")});
    XRQConfig->Open();
    if (!XRQConfig->isEmpty()) {
        XRQConfig->first();
        sIdCliEmailObr = XRQConfig->fieldByName(QStringLiteral("IDCLIEMAILOBR"))->asString();
        sIdRelEstoque = XRQConfig->fieldByName(QStringLiteral("IDRELESTOQUE"))->asString();
        sIdImgProduto = XRQConfig->fieldByName(QStringLiteral("IDIMGPRODUTO"))->asString();
    }
    if (m_janela && sIdRelEstoque != QLatin1String("S"))
        m_janela->EscondeRelatorio();
}

int TDMRepres::ConfereSenha(const QString &pUsuario, const QString &pSenha)
{
    const QString senha = pSenha.trimmed().toUpper();
    XRQSenha->Close();
    XRQSenha->ParamByName(QStringLiteral("USUARIO"))->SetAsString(pUsuario.trimmed());
    XRQSenha->Open();
    int resposta = 1;
    if (!XRQSenha->isEmpty()) {
        resposta = XRQSenha->fieldByName(QStringLiteral("DSSENHA"))->asString().toUpper() == senha ? 0 : 2;
    } else {
        // the user name matches without regard to letter case through the first row
        TXRQuery q;
        q.SetDatabase(XRDtRepres);
        q.SQL().Add(QStringLiteral("SELECT NMUSUARIO, DSSENHA FROM CONFIG"));
        q.Open();
        if (!q.isEmpty()
            && q.fieldByName(QStringLiteral("NMUSUARIO"))->asString().toUpper() == pUsuario.trimmed().toUpper())
            resposta = q.fieldByName(QStringLiteral("DSSENHA"))->asString().toUpper() == senha ? 0 : 2;
    }
    XRQSenha->Close();
    return resposta;
}

QString TDMRepres::MensErroLogin(int pErro)
{
    switch (pErro) {
    case 1: return QStringLiteral("Usuário inválido!");
    case 2: return QStringLiteral("Senha inválida!");
    case 3:
        return QStringLiteral("Problema no acesso do Representante!") + '\r'
            + QStringLiteral("Usuário não pertence ao Representante!");
    case 4:
        return QStringLiteral("Problema no acesso do Representante!") + '\r' + QStringLiteral("     ")
            + QStringLiteral("Usuário não está Ativo!") + '\r' + QStringLiteral("Favor entrar em contato com a Empresa!");
    default: return QStringLiteral("Erro desconhecido");
    }
}

QString TDMRepres::BuscaNomeRep()
{
    TXRQuery q;
    q.SetDatabase(XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT NMUSUARIO FROM CONFIG "));
    q.Open();
    return q.isEmpty() ? QString() : q.fieldByName(QStringLiteral("NMUSUARIO"))->asString();
}

bool TDMRepres::CampoExiste(const QString &pTabela, const QString &pCampo)
{
    PreparaRascunho({QStringLiteral("SELECT 1 FROM RDB$RELATION_FIELDS  r"),
                     QStringLiteral("WHERE r.RDB$RELATION_NAME= :NmTabela"),
                     QStringLiteral("and r.RDB$FIELD_NAME = :NmCampo")});
    XRQConfig->ParamByName(QStringLiteral("NmTabela"))->SetAsString(pTabela);
    XRQConfig->ParamByName(QStringLiteral("NmCampo"))->SetAsString(pCampo);
    XRQConfig->Open();
    const bool falta = XRQConfig->isEmpty();
    XRQConfig->Close();
    return falta;
}
