#pragma once

#include "platform/DataSet.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <QHash>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
} // namespace Firebird

// Thin C++ layer over the Firebird 3 OO API: attachments, transactions,
// prepared statements, cursors and value conversion to and from QVariant.
namespace fb {

// Every engine failure. message() is the engine's formatted text.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message, std::vector<intptr_t> codes = {}, int sqlCode = 0);
    const QString &message() const { return m_message; }
    const std::vector<intptr_t> &codes() const { return m_codes; }
    int sqlCode() const { return m_sqlCode; }
    intptr_t gdsCode() const; // first engine error code, 0 when none
    bool hasCode(intptr_t code) const;

private:
    QString m_message;
    std::vector<intptr_t> m_codes;
    int m_sqlCode = 0;
};

// Text of a statement cut by our watchdog; callers test for it.
inline constexpr const char *kTimeoutText = "Timeout expired";

struct ConnectParams {
    QString host;     // blank: embedded access to a local file
    QString database; // file path (on the host when one is given)
    QString user;     // blank: SYSDBA
    QString password;
    int port = 0;
    QString charset = QStringLiteral("UTF8");
};

// Connection string as the client library expects it.
QString connectionString(const ConnectParams &p);

class Attachment {
public:
    static std::unique_ptr<Attachment> connect(const ConnectParams &p);
    // Creates a new database file (page size, default character set) and
    // leaves it detached.
    static void createDatabase(const ConnectParams &p, int pageSize, const QString &defaultCharset);

    ~Attachment();
    Attachment(const Attachment &) = delete;
    Attachment &operator=(const Attachment &) = delete;

    Firebird::IAttachment *handle() const { return m_att; }
    void detach();
    bool connected() const { return m_att != nullptr; }

    // Interrupts whatever runs on this attachment (any thread may call it).
    void cancelOperation();
    // Clears a cancel request that arrived after the statement had ended.
    void resetCancel();

    std::mutex &cancelMutex() { return m_cancelMutex; }

private:
    explicit Attachment(Firebird::IAttachment *att);
    Firebird::IAttachment *m_att = nullptr;
    std::mutex m_cancelMutex;
};

class Statement;

class Transaction {
public:
    explicit Transaction(Attachment &att);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void start();
    // Read committed and read-only: for readers on a connection of their own.
    void startReadOnly();
    bool active() const { return m_tra != nullptr; }
    void commit();
    void commitRetaining();
    void rollback();
    void rollbackRetaining();
    void savepoint(const QString &name);
    void releaseSavepoint(const QString &name);
    void rollbackToSavepoint(const QString &name);

    Firebird::ITransaction *handle() const { return m_tra; }
    Attachment &attachment() const { return m_att; }

    // The statement kept for this text, prepared on first use. Queries and
    // DML are kept until the transaction ends (commit or rollback, retaining
    // or not) or DDL runs on it; other statements come back unkept.
    std::shared_ptr<Statement> prepared(const QString &sql);
    void dropPrepared();
    int preparedCount() const { return int(m_prepared.size()); }

    // Whether a statement other than a query ran since the last commit or
    // rollback: a reader on another connection would not see its rows.
    bool hasWrites() const { return m_wrote; }
    void markWrite() { m_wrote = true; }

private:
    void execImmediate(const QString &sql);
    void ended();
    Attachment &m_att;
    Firebird::ITransaction *m_tra = nullptr;
    struct Kept {
        std::shared_ptr<Statement> st;
        quint64 used = 0;
    };
    QHash<QString, Kept> m_prepared;
    quint64 m_uses = 0;
    bool m_wrote = false;
};

enum class StatementType {
    Select,
    SelectForUpdate,
    Insert,
    Update,
    Delete,
    Ddl,
    ExecProcedure,
    StartTransaction,
    Commit,
    Rollback,
    SetGenerator,
    Savepoint,
    Other,
};

struct Column {
    QString name;  // alias as the select list gives it
    QString field; // underlying column name
    QString relation;
    unsigned sqlType = 0;
    int subType = 0;
    unsigned length = 0; // bytes
    int scale = 0;
    unsigned charSet = 0;
    bool nullable = true;
};

// The field definition a column is read into.
FieldDef fieldDefFor(const Column &c);

// ":NAME" parameters turned into positional "?" marks. Quoted text,
// quoted identifiers and comments are left alone; a repeated name binds
// to every position where it occurs.
struct ParsedSql {
    QString sql;
    QStringList names; // one entry per "?" in order
};
ParsedSql parseNamedParams(const QString &sql);

// An exact decimal, units x 10^-scale: a number written in SQL text bound
// with the same digits the text had.
struct Decimal {
    qint64 units = 0;
    int scale = 0;
};

// The values of an INSERT ... VALUES list of plain literals ('text', 12,
// -3.50) moved into "?" marks, so statements differing only in their
// values share one prepared form. Items that are not a plain literal stay
// in the text. Nothing when the text is no such INSERT, has parameters of
// its own, or has no literal to move.
struct LiteralParams {
    QString sql;
    QVariantList values;
};
std::optional<LiteralParams> insertLiteralsAsParams(const QString &sql);

class Statement {
public:
    Statement(Attachment &att, Transaction &tra, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    StatementType type() const { return m_type; }
    bool isQuery() const;
    const QStringList &paramNames() const { return m_parsed.names; }
    int paramCount() const { return int(m_parsed.names.size()); }
    void setParam(int index, const QVariant &value);
    // Sets every position bound to the name (case-insensitive); false when unknown.
    bool setParam(const QString &name, const QVariant &value);

    const std::vector<Column> &columns() const { return m_columns; }

    // Runs the statement. For a query, opens the cursor; fetch with fetch().
    // Returns the number of rows changed (0 for queries and DDL).
    unsigned execute();
    bool fetch(Row &row);
    void closeCursor();
    // Reads the remaining rows into the dataset (field defs from columns).
    void fetchAll(DataSet &into);

private:
    void buildInput(std::vector<unsigned char> &buf, Firebird::IMessageMetadata *&meta);
    QVariant readValue(const unsigned char *buf, unsigned index);

    Attachment &m_att;
    Transaction &m_tra;
    ParsedSql m_parsed;
    Firebird::IStatement *m_stmt = nullptr;
    Firebird::IResultSet *m_cursor = nullptr;
    Firebird::IMessageMetadata *m_outMeta = nullptr;
    Firebird::IMessageMetadata *m_inMeta = nullptr;
    std::vector<unsigned char> m_outBuf;
    std::vector<Column> m_columns;
    QVariantList m_params;
    // The input layout of the last execution, reused while the kinds of
    // the values stay the same: (type, length, charset) per parameter, and
    // the layout's (type, offset, null offset) per parameter.
    Firebird::IMessageMetadata *m_inCache = nullptr;
    std::vector<unsigned> m_inDeclared; // (type, length) per parameter, as prepared
    std::vector<unsigned> m_inSig;
    std::vector<unsigned> m_inLayout;
    unsigned m_inLength = 0;
    StatementType m_type = StatementType::Other;
};

// Rows of an executed query, read to the end.
std::vector<Row> fetchRows(Statement &st);
std::vector<FieldDef> fieldDefs(const Statement &st);

// Runs DDL or any statement without result in one call.
void executeImmediate(Attachment &att, Transaction &tra, const QString &sql);

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitScript(const QString &script);

// Names of the user tables (no views, no system tables), trimmed.
QStringList userTables(Attachment &att, Transaction &tra);

} // namespace fb

Q_DECLARE_METATYPE(fb::Decimal)
