#include "data/XRDatabase.h"

#include "data/XRFuncoesDB.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "platform/AppPaths.h"
#include "platform/fb/FbApi.h"

TXRCustomDatabase::TXRCustomDatabase(QObject *owner)
    : QObject(owner)
{
}

TXRCustomDatabase::~TXRCustomDatabase()
{
    try {
        SetConnected(false);
    } catch (...) {
        // teardown never throws
    }
    if (FTransaction && FTransaction != FOwnTransaction)
        FTransaction->SetConnection(nullptr);
}

void TXRCustomDatabase::SetDatabaseName(const QString &text)
{
    FDatabaseName = text;
    if (text.trimmed().isEmpty())
        return;
    const int colon = text.indexOf(':');
    if (colon >= 0 && DriverName != QLatin1String("SQLite")) {
        HostName = text.left(colon);
        Database = text.mid(colon + 1).trimmed();
    } else {
        Database = text;
        HostName.clear();
    }
}

void TXRCustomDatabase::SetGravaLog(bool value)
{
    GravaLog = value;
    if (value) {
        if (!FDadosGravaLog) {
            FDadosGravaLog = std::make_unique<TXRGravaLog>();
            FDadosGravaLog->NmMaquina = NomeMaquina();
            FDadosGravaLog->NrIP = IPLocal();
        } else if (!FDadosGravaLog->NmMaquina.trimmed().isEmpty()) {
            FDadosGravaLog->NmMaquina = NomeMaquina();
            FDadosGravaLog->NrIP = IPLocal();
        }
    } else {
        FDadosGravaLog.reset();
    }
}

bool TXRCustomDatabase::Connected() const { return FAttachment && FAttachment->connected(); }

void TXRCustomDatabase::BuildParams()
{
    FParams.clear();
    if (!HostName.trimmed().isEmpty())
        FParams << QStringLiteral("Server=") + HostName.trimmed();
    FParams << QStringLiteral("Database=") + Database.trimmed();
    if (!User.trimmed().isEmpty())
        FParams << QStringLiteral("User_name=") + User.trimmed();
    if (!Password.trimmed().isEmpty())
        FParams << QStringLiteral("Password=") + Password.trimmed();
    if (Port != 0)
        FParams << QStringLiteral("Port=") + QString::number(Port);
    if (DriverName == QLatin1String("Ora")) {
        FParams << QStringLiteral("AuthMode=NORMAL");
    } else if (DriverName == QLatin1String("FB")) {
        if (!HostName.trimmed().isEmpty())
            FParams << QStringLiteral("Protocol=TCPIP");
        FParams << QStringLiteral("PageSize=4096");
    }
}

void TXRCustomDatabase::SetConnected(bool value)
{
    if (!value) {
        GravaLog = false;
        FLeitor.reset();
        if (FTransaction)
            FTransaction->ConnectionChanged(false);
        if (FAttachment) {
            try {
                FAttachment->detach();
            } catch (...) {
                // a dead connection is closed either way
            }
            FAttachment.reset();
        }
        return;
    }
    if (Connected())
        return;
    BuildParams();
    if (DriverName != QLatin1String("FB"))
        throw EDatabaseError(QStringLiteral("Banco de dados \"%1\" não suportado: este programa acessa somente Firebird.")
                                 .arg(DriverName.isEmpty() ? QStringLiteral("(sem driver)") : DriverName));
    try {
        FAttachment = Conecta();
    } catch (const fb::Error &e) {
        throw EDatabaseError(e.message());
    }
    if (FTransaction)
        FTransaction->ConnectionChanged(true);
}

std::unique_ptr<fb::Attachment> TXRCustomDatabase::Conecta() const
{
    return ConectorLeitor()();
}

std::function<std::unique_ptr<fb::Attachment>()> TXRCustomDatabase::ConectorLeitor() const
{
    fb::ConnectParams p;
    p.host = HostName.trimmed();
    // a local file named without a folder lives beside the program
    p.database = p.host.isEmpty() ? apppaths::resolveBesideExecutable(Database.trimmed()) : Database.trimmed();
    p.user = User.trimmed();
    p.password = Password.trimmed();
    p.port = Port;
    return [p] { return fb::Attachment::connect(p); };
}

std::unique_ptr<fb::Attachment> TXRCustomDatabase::TomaLeitor()
{
    FLeitorEmUso = true;
    return std::move(FLeitor);
}

void TXRCustomDatabase::DevolveLeitor(std::unique_ptr<fb::Attachment> leitor)
{
    FLeitorEmUso = false;
    // the main connection closed meanwhile: the reader goes with it
    if (Connected() && leitor && leitor->connected())
        FLeitor = std::move(leitor);
}

void TXRCustomDatabase::GetDatabase(TXRCustomDatabase *source)
{
    if (!source)
        throw EDatabaseError(QStringLiteral("Conexão pai não existe."));
    if (Connected())
        SetConnected(false);
    DriverName = source->DriverName;
    SetDatabaseName(source->DatabaseName());
    Database = source->Database;
    HostName = source->HostName;
    Port = source->Port;
    User = source->User;
    Password = source->Password;
    try {
        SetConnected(true);
    } catch (const std::exception &e) {
        throw EDatabaseError(QStringLiteral("Erro ao abrir a base ") + '\r' + MensagemExcecao(e));
    }
}

void TXRCustomDatabase::SetTransaction(TXRCustomTransaction *tra)
{
    FTransaction = tra;
    if (tra)
        tra->SetConnection(this);
}

TXRCustomTransaction *TXRCustomDatabase::Transaction()
{
    if (!FTransaction) {
        FOwnTransaction = new TXRTransaction(this);
        SetTransaction(FOwnTransaction);
    }
    return FTransaction;
}

fb::Attachment &TXRCustomDatabase::Attachment() const
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados não está aberta."));
    return *FAttachment;
}
