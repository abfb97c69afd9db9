#pragma once

#include "platform/DataSet.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TXRDatabase;
namespace fb {
class Statement;
class Transaction;
} // namespace fb

// The text of any failure as the user should see it (database, engine or
// run-time errors alike).
QString MensagemExcecao(const std::exception &e);

// A named statement parameter.
class TParam {
public:
    explicit TParam(const QString &name)
        : Name(name)
    {
    }
    QString Name;
    QVariant Value;

    void SetAsString(const QString &v) { Value = v; }
    void SetAsInteger(qint64 v) { Value = v; }
    void SetAsFloat(double v) { Value = v; }
    void SetAsDate(const QDate &v) { Value = v; }
    void SetAsTime(const QTime &v) { Value = v; }
    void SetAsDateTime(const QDateTime &v) { Value = v; }
    void SetAsBlob(const QByteArray &v) { Value = v; }
    void Clear() { Value = QVariant(); }
    bool IsNull() const { return !Value.isValid() || Value.isNull(); }
};

// SQL text kept as lines; its text always ends with a line break.
class TSQLStrings {
public:
    explicit TSQLStrings(std::function<void()> changed)
        : m_changed(std::move(changed))
    {
    }
    void Clear();
    void Add(const QString &line);
    void SetText(const QString &text);
    QString Text() const;
    int Count() const { return int(m_lines.size()); }
    const QStringList &Lines() const { return m_lines; }
    // Whether the last change only added lines to the text.
    bool Acrescentou() const { return m_acrescentou; }

private:
    QStringList m_lines;
    bool m_acrescentou = false;
    std::function<void()> m_changed;
};

// The query every statement of the program goes through.
class TXRCustomQuery : public DataSet {
    Q_OBJECT
public:
    explicit TXRCustomQuery(QObject *owner = nullptr);
    ~TXRCustomQuery() override;

    void SetDatabase(TXRDatabase *db);
    TXRDatabase *Database() const { return FDatabase; }
    // A connection assigned without Database; adopted on activation.
    void SetConnection(TXRDatabase *db) { FConnection = db; }
    TXRDatabase *Connection() const { return FConnection; }

    bool AutoTransacao = true;
    bool TempoLimite = true;
    bool FBloqueiaDelete = true;
    bool FTimeOutOpen = false;
    // Statement time-out in ms; 0 or less means no limit.
    int CommandTimeout = 0;

    TSQLStrings &SQL() { return m_sql; }
    const TSQLStrings &SQL() const { return m_sql; }

    TParam *ParamByName(const QString &name);
    TParam *FindParam(const QString &name);
    const std::vector<std::unique_ptr<TParam>> &Params() const
    {
        ConfereParams();
        return m_params;
    }

    int RowsAffected() const { return m_rowsAffected; }

    void SetActive(bool value);

protected:
    QString Driver() const;
    void RebuildParams();
    TXRDatabase *FDatabase = nullptr;
    TXRDatabase *FConnection = nullptr;
    TSQLStrings m_sql;

private:
    // A text built line by line is parsed once, when its parameters are
    // first asked for, not at every added line.
    void ConfereParams() const;
    void ConstroiParams() const;
    mutable std::vector<std::unique_ptr<TParam>> m_params;
    mutable bool m_paramsPendentes = false;
    mutable QString m_textoNomes; // the last text parsed, and its names
    mutable QStringList m_nomes;

protected:
    int m_rowsAffected = 0;
};

class TXRQuery : public TXRCustomQuery {
    Q_OBJECT
public:
    explicit TXRQuery(QObject *owner = nullptr);
    ~TXRQuery() override;

    void Open();
    // Open for a list a window shows: a query that outlasts a frame is
    // fetched on a worker on a connection of its own while the event loop
    // keeps painting (user input held back until the rows are in). Rows
    // this connection wrote and has not committed are seen only by it:
    // then, or without a second connection, it is a plain Open.
    void AbreSemTravar();
    void Close() { close(); }
    void ExecSQL();
    void TryExecSQL();

    void open() override;
    void deleteRecord() override;

    // Text starting with UPDATE, INSERT or DELETE is not a query.
    static bool EhConsulta(const QString &text);

    // Limits for tests; production values are 60000, 30000 and 1000 ms.
    static void SetTempoLimiteMs(int fbMs, int outrosMs);
    static void SetIntervaloTentativaMs(int ms);

    // The text last sent to the engine (after rewriting).
    QString TextoTraduzido() const { return FSQLAnterior; }

private:
    void Traduz();
    // Time-out of an execution: by driver while TempoLimite is on.
    int TempoLimiteExecucao() const;
    void OpenCursor();
    void Executa(int timeoutMs);
    // The statement for the current text, kept by its transaction, with
    // the values bound; an INSERT of plain literals shares one prepared
    // form whatever its values.
    std::shared_ptr<fb::Statement> Prepara(fb::Transaction &engine, bool literais);
    void RegistraFalha(const QString &mensagem);
    void EnsureDatabase();

    QString FSQLAnterior;
    QString FSQLOriginal;
    bool m_traduzido = false;
};
