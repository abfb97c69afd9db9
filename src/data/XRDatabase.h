#pragma once

#include "platform/DataSet.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace fb {
class Attachment;
}
class TXRCustomTransaction;

// Machine data for trace lines.
class TXRGravaLog {
public:
    QString NmMaquina;
    QString NrIP;
};

// The connection, described completely by its properties; the engine
// parameters are rebuilt from them at every connect.
class TXRCustomDatabase : public QObject {
    Q_OBJECT
public:
    explicit TXRCustomDatabase(QObject *owner = nullptr);
    ~TXRCustomDatabase() override;

    // server-colon-path or a plain path; splitting sets HostName and Database
    void SetDatabaseName(const QString &text);
    QString DatabaseName() const { return FDatabaseName; }

    QString DriverName; // "FB", "Ora", "PG"
    QString HostName;
    QString Database;
    QString User;
    QString Password;
    QString NmUsuario;
    bool GravaLog = false;
    int Port = 0;
    bool LoginPrompt = false;

    TXRGravaLog *DadosGravaLog() const { return FDadosGravaLog.get(); }
    void SetGravaLog(bool value);

    bool Connected() const;
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // Makes this connection a connected clone of the source.
    void GetDatabase(TXRCustomDatabase *source);

    // Parameters built by the last connect, in order ("Database=...", ...).
    const QStringList &Params() const { return FParams; }

    // The default transaction; one is made on demand when none was set.
    void SetTransaction(TXRCustomTransaction *tra);
    TXRCustomTransaction *Transaction();

    fb::Attachment &Attachment() const; // throws when not connected

    // A second connection to the same database, for a reader on a worker
    // thread: taken (null when none is open yet; the connector makes one
    // on the worker) and given back; one reader at a time.
    bool LeitorLivre() const { return Connected() && !FLeitorEmUso; }
    std::unique_ptr<fb::Attachment> TomaLeitor();
    std::function<std::unique_ptr<fb::Attachment>()> ConectorLeitor() const;
    void DevolveLeitor(std::unique_ptr<fb::Attachment> leitor);

private:
    void BuildParams();
    std::unique_ptr<fb::Attachment> Conecta() const;

    QString FDatabaseName;
    QStringList FParams;
    std::unique_ptr<TXRGravaLog> FDadosGravaLog;
    std::unique_ptr<fb::Attachment> FAttachment;
    std::unique_ptr<fb::Attachment> FLeitor;
    bool FLeitorEmUso = false;
    TXRCustomTransaction *FTransaction = nullptr;
    TXRCustomTransaction *FOwnTransaction = nullptr;
};

class TXRDatabase : public TXRCustomDatabase {
    Q_OBJECT
public:
    using TXRCustomDatabase::TXRCustomDatabase;
};
