#include "platform/fb/FbApi.h"

#include "platform/Cp1252.h"

#include <firebird/Interface.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <cstring>

using namespace Firebird;

namespace fb {
namespace {

IMaster *master()
{
    static IMaster *m = fb_get_master_interface();
    return m;
}

IUtil *util() { return master()->getUtilInterface(); }

// Status holder per call; converts engine failures into fb::Error.
class Status {
public:
    Status()
        : m_status(master()->getStatus())
        , m_wrapper(m_status)
    {
    }
    ~Status() { m_status->dispose(); }
    CheckStatusWrapper *operator&() { return &m_wrapper; }
    CheckStatusWrapper *get() { return &m_wrapper; }

    void check()
    {
        if (!(m_wrapper.getState() & IStatus::STATE_ERRORS))
            return;
        raise(&m_wrapper);
    }

    [[noreturn]] static void raise(IStatus *st)
    {
        char buf[4096] = {};
        util()->formatStatus(buf, sizeof(buf) - 1, st);
        std::vector<intptr_t> codes;
        const intptr_t *v = st->getErrors();
        while (v && *v != isc_arg_end) {
            const intptr_t kind = v[0];
            if (kind == isc_arg_gds)
                codes.push_back(v[1]);
            if (kind == isc_arg_cstring)
                v += 3;
            else
                v += 2;
        }
        const int sqlCode = int(isc_sqlcode(reinterpret_cast<const ISC_STATUS *>(st->getErrors())));
        QString text = QString::fromUtf8(buf).trimmed();
        throw Error(text, std::move(codes), sqlCode);
    }

private:
    IStatus *m_status;
    CheckStatusWrapper m_wrapper;
};

// Runs f with a status; engine exceptions become fb::Error.
template <typename F>
auto call(F &&f)
{
    Status st;
    if constexpr (std::is_void_v<decltype(f(st.get()))>) {
        f(st.get());
        st.check();
    } else {
        auto r = f(st.get());
        st.check();
        return r;
    }
}

constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kCharsetUtf8 = 4;

// Bytes of a value of a fixed-size type in a message.
unsigned fixedSize(unsigned type)
{
    switch (type) {
    case SQL_BLOB:
        return sizeof(ISC_QUAD);
    case SQL_BOOLEAN:
        return sizeof(FB_BOOLEAN);
    case SQL_INT64:
        return sizeof(ISC_INT64);
    case SQL_DOUBLE:
        return sizeof(double);
    case SQL_TYPE_DATE:
        return sizeof(ISC_DATE);
    case SQL_TYPE_TIME:
        return sizeof(ISC_TIME);
    case SQL_TIMESTAMP:
        return sizeof(ISC_TIMESTAMP);
    default:
        return 0;
    }
}

unsigned bytesPerChar(unsigned charSet)
{
    switch (charSet & 0xFF) {
    case kCharsetUtf8: return 4;
    case 3: return 3;   // UNICODE_FSS
    case 5: case 6: case 44: case 56: case 57: case 67: case 68: return 2; // multi-byte Asian sets
    default: return 1;
    }
}

QString decodeText(const char *p, unsigned len, unsigned charSet)
{
    (void)charSet; // the attachment speaks UTF8; NONE columns hold what was written
    const QByteArray bytes(p, int(len));
    QString s = QString::fromUtf8(bytes);
    // not UTF-8: bytes of the Windows code page (older data, binary text blobs)
    if (s.contains(QChar::ReplacementCharacter))
        s = fromCp1252(bytes);
    return s;
}

const QDate kFbEpoch(1858, 11, 17);

ISC_DATE encodeDate(const QDate &d) { return ISC_DATE(kFbEpoch.daysTo(d)); }
QDate decodeDate(ISC_DATE d) { return kFbEpoch.addDays(d); }
ISC_TIME encodeTime(const QTime &t) { return ISC_TIME(t.msecsSinceStartOfDay()) * 10; }
QTime decodeTime(ISC_TIME t) { return QTime::fromMSecsSinceStartOfDay(int(t / 10)); }

double pow10(int n)
{
    double r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

StatementType mapType(unsigned t)
{
    switch (t) {
    case isc_info_sql_stmt_select: return StatementType::Select;
    case isc_info_sql_stmt_select_for_upd: return StatementType::SelectForUpdate;
    case isc_info_sql_stmt_insert: return StatementType::Insert;
    case isc_info_sql_stmt_update: return StatementType::Update;
    case isc_info_sql_stmt_delete: return StatementType::Delete;
    case isc_info_sql_stmt_ddl: return StatementType::Ddl;
    case isc_info_sql_stmt_exec_procedure: return StatementType::ExecProcedure;
    case isc_info_sql_stmt_start_trans: return StatementType::StartTransaction;
    case isc_info_sql_stmt_commit: return StatementType::Commit;
    case isc_info_sql_stmt_rollback: return StatementType::Rollback;
    case isc_info_sql_stmt_set_generator: return StatementType::SetGenerator;
    case isc_info_sql_stmt_savepoint: return StatementType::Savepoint;
    default: return StatementType::Other;
    }
}

// Leading keyword, skipping blanks and comments.
QString firstKeyword(const QString &sql)
{
    int i = 0;
    const int n = sql.size();
    for (;;) {
        while (i < n && sql[i].isSpace())
            ++i;
        if (i + 1 < n && sql[i] == '-' && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
            continue;
        }
        if (i + 1 < n && sql[i] == '/' && sql[i + 1] == '*') {
            const int e = sql.indexOf(QLatin1String("*/"), i + 2);
            i = e < 0 ? n : e + 2;
            continue;
        }
        break;
    }
    int j = i;
    while (j < n && (sql[j].isLetter() || sql[j] == '_'))
        ++j;
    return sql.mid(i, j - i).toUpper();
}

} // namespace

// ---------------------------------------------------------------- Error

Error::Error(const QString &message, std::vector<intptr_t> codes, int sqlCode)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_codes(std::move(codes))
    , m_sqlCode(sqlCode)
{
}

intptr_t Error::gdsCode() const { return m_codes.empty() ? 0 : m_codes.front(); }

bool Error::hasCode(intptr_t code) const
{
    return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
}

// ---------------------------------------------------------------- Attachment

QString connectionString(const ConnectParams &p)
{
    const QString host = p.host.trimmed();
    const QString db = p.database.trimmed();
    if (host.isEmpty())
        return db;
    if (p.port > 0)
        return host + '/' + QString::number(p.port) + ':' + db;
    return host + ':' + db;
}

namespace {
IXpbBuilder *makeDpb(CheckStatusWrapper *st, const ConnectParams &p)
{
    IXpbBuilder *dpb = util()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0);
    const QByteArray user = p.user.trimmed().isEmpty() ? QByteArray("SYSDBA") : p.user.trimmed().toUtf8();
    dpb->insertString(st, isc_dpb_user_name, user.constData());
    if (!p.password.isEmpty())
        dpb->insertString(st, isc_dpb_password, p.password.toUtf8().constData());
    dpb->insertString(st, isc_dpb_lc_ctype, p.charset.toUtf8().constData());
    return dpb;
}
} // namespace

Attachment::Attachment(IAttachment *att)
    : m_att(att)
{
}

Attachment::~Attachment()
{
    try {
        detach();
    } catch (...) {
        // a broken connection is gone either way
    }
}

std::unique_ptr<Attachment> Attachment::connect(const ConnectParams &p)
{
    const QByteArray cs = connectionString(p).toUtf8();
    IAttachment *att = call([&](CheckStatusWrapper *st) {
        IXpbBuilder *dpb = makeDpb(st, p);
        if (st->getState() & IStatus::STATE_ERRORS)
            return static_cast<IAttachment *>(nullptr);
        IProvider *prov = master()->getDispatcher();
        IAttachment *a = prov->attachDatabase(st, cs.constData(), dpb->getBufferLength(st), dpb->getBuffer(st));
        prov->release();
        dpb->dispose();
        return a;
    });
    return std::unique_ptr<Attachment>(new Attachment(att));
}

void Attachment::createDatabase(const ConnectParams &p, int pageSize, const QString &defaultCharset)
{
    const QByteArray cs = connectionString(p).toUtf8();
    IAttachment *att = call([&](CheckStatusWrapper *st) {
        IXpbBuilder *dpb = makeDpb(st, p);
        dpb->insertInt(st, isc_dpb_page_size, pageSize);
        dpb->insertString(st, isc_dpb_set_db_charset, defaultCharset.toUtf8().constData());
        dpb->insertInt(st, isc_dpb_sql_dialect, 3);
        IProvider *prov = master()->getDispatcher();
        IAttachment *a = prov->createDatabase(st, cs.constData(), dpb->getBufferLength(st), dpb->getBuffer(st));
        prov->release();
        dpb->dispose();
        return a;
    });
    Attachment holder(att);
    holder.detach();
}

void Attachment::detach()
{
    std::lock_guard lock(m_cancelMutex);
    if (!m_att)
        return;
    IAttachment *att = m_att;
    m_att = nullptr;
    Status st;
    att->detach(st.get());
    if (st.get()->getState() & IStatus::STATE_ERRORS) {
        // detach failed (work still pending); force it away
        Status st2;
        att->release();
    }
}

void Attachment::cancelOperation()
{
    std::lock_guard lock(m_cancelMutex);
    if (!m_att)
        return;
    Status st;
    m_att->cancelOperation(st.get(), fb_cancel_raise);
}

void Attachment::resetCancel()
{
    std::lock_guard lock(m_cancelMutex);
    if (!m_att)
        return;
    Status st;
    m_att->cancelOperation(st.get(), fb_cancel_disable);
    Status st2;
    m_att->cancelOperation(st2.get(), fb_cancel_enable);
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Attachment &att)
    : m_att(att)
{
}

Transaction::~Transaction()
{
    m_prepared.clear();
    if (m_tra) {
        try {
            rollback();
        } catch (...) {
            // nothing to keep from a transaction being thrown away
        }
    }
}

void Transaction::start()
{
    if (m_tra)
        return;
    // read committed, record versions, waiting on locks: the statement
    // watchdog bounds the wait
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                        isc_tpb_rec_version, isc_tpb_wait};
    m_tra = call([&](CheckStatusWrapper *st) {
        return m_att.handle()->startTransaction(st, sizeof(tpb), tpb);
    });
}

void Transaction::startReadOnly()
{
    if (m_tra)
        return;
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                        isc_tpb_rec_version, isc_tpb_wait};
    m_tra = call([&](CheckStatusWrapper *st) {
        return m_att.handle()->startTransaction(st, sizeof(tpb), tpb);
    });
}

void Transaction::ended()
{
    m_prepared.clear();
    m_wrote = false;
}

void Transaction::commit()
{
    m_prepared.clear();
    if (!m_tra)
        return;
    call([&](CheckStatusWrapper *st) { m_tra->commit(st); });
    m_tra = nullptr;
    ended();
}

void Transaction::commitRetaining()
{
    m_prepared.clear();
    if (!m_tra)
        return;
    call([&](CheckStatusWrapper *st) { m_tra->commitRetaining(st); });
    ended();
}

void Transaction::rollback()
{
    ended();
    if (!m_tra)
        return;
    ITransaction *t = m_tra;
    m_tra = nullptr;
    Status st;
    t->rollback(st.get());
    if (st.get()->getState() & IStatus::STATE_ERRORS) {
        t->release();
        Status::raise(st.get());
    }
}

void Transaction::rollbackRetaining()
{
    m_prepared.clear();
    if (!m_tra)
        return;
    call([&](CheckStatusWrapper *st) { m_tra->rollbackRetaining(st); });
    ended();
}

namespace {
// Enough for the look-ups of a window and of a save; texts built with
// values in them would otherwise pile up for the life of a transaction.
constexpr int kMaxPrepared = 64;

bool keepsPrepared(StatementType t)
{
    switch (t) {
    case StatementType::Select:
    case StatementType::SelectForUpdate:
    case StatementType::Insert:
    case StatementType::Update:
    case StatementType::Delete:
    case StatementType::ExecProcedure:
        return true;
    default:
        return false;
    }
}
} // namespace

std::shared_ptr<Statement> Transaction::prepared(const QString &sql)
{
    auto it = m_prepared.find(sql);
    if (it != m_prepared.end()) {
        it->used = ++m_uses;
        return it->st;
    }
    auto st = std::make_shared<Statement>(m_att, *this, sql);
    if (!keepsPrepared(st->type()))
        return st;
    if (m_prepared.size() >= kMaxPrepared) {
        auto oldest = m_prepared.begin();
        for (auto k = m_prepared.begin(); k != m_prepared.end(); ++k)
            if (k->used < oldest->used)
                oldest = k;
        m_prepared.erase(oldest);
    }
    m_prepared.insert(sql, Kept{st, ++m_uses});
    return st;
}

void Transaction::dropPrepared() { m_prepared.clear(); }

void Transaction::execImmediate(const QString &sql)
{
    start();
    const QByteArray text = sql.toUtf8();
    call([&](CheckStatusWrapper *st) {
        m_att.handle()->execute(st, m_tra, 0, text.constData(), SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
    });
}

void Transaction::savepoint(const QString &name) { execImmediate("SAVEPOINT " + name); }
void Transaction::releaseSavepoint(const QString &name) { execImmediate("RELEASE SAVEPOINT " + name); }
void Transaction::rollbackToSavepoint(const QString &name) { execImmediate("ROLLBACK TO SAVEPOINT " + name); }

// ---------------------------------------------------------------- parameters

ParsedSql parseNamedParams(const QString &sql)
{
    ParsedSql out;
    // Procedural bodies use ":variable" themselves.
    const QString kw = firstKeyword(sql);
    if (kw == QLatin1String("CREATE") || kw == QLatin1String("ALTER") || kw == QLatin1String("RECREATE")
        || kw == QLatin1String("EXECUTE")) {
        const QString upper = sql.toUpper();
        if (upper.contains(QLatin1String("TRIGGER")) || upper.contains(QLatin1String("PROCEDURE"))
            || upper.contains(QLatin1String("BLOCK")) || upper.contains(QLatin1String("FUNCTION"))) {
            out.sql = sql;
            return out;
        }
    }
    const int n = sql.size();
    out.sql.reserve(n);
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == '\'' || c == '"') {
            int j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.sql += sql.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            int j = sql.indexOf('\n', i);
            if (j < 0)
                j = n;
            out.sql += sql.mid(i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out.sql += sql.mid(i, j - i);
            i = j;
        } else if (c == ':' && i + 1 < n && (sql[i + 1].isLetter() || sql[i + 1] == '_')) {
            int j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == '_' || sql[j] == '$'))
                ++j;
            out.names << sql.mid(i + 1, j - i - 1);
            out.sql += '?';
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

namespace {
// Index just past a quoted text starting at i, or -1 when it never closes.
int endOfQuoted(const QString &sql, int i)
{
    const QChar q = sql[i];
    const int n = sql.size();
    int j = i + 1;
    while (j < n) {
        if (sql[j] == q) {
            if (j + 1 < n && sql[j + 1] == q) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return -1;
}

bool plainNumber(const QString &t, QVariant &value)
{
    int i = 0;
    const int n = t.size();
    const bool negative = n > 0 && t[0] == '-';
    if (n > 0 && (t[0] == '-' || t[0] == '+'))
        ++i;
    int digits = 0, scale = 0;
    bool point = false;
    qint64 units = 0;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        if (++digits > 18)
            return false;
        units = units * 10 + (c.unicode() - '0');
        if (point)
            ++scale;
    }
    // "5." or ".5" are valid SQL but never written by us: left in the text
    if (digits == 0 || (point && (scale == 0 || t[negative || t[0] == '+' ? 1 : 0] == '.')))
        return false;
    if (negative)
        units = -units;
    if (point)
        value = QVariant::fromValue(Decimal{units, scale});
    else
        value = QVariant::fromValue(qlonglong(units));
    return true;
}

bool plainText(const QString &t, QVariant &value)
{
    if (t.size() < 2 || t[0] != '\'' || endOfQuoted(t, 0) != t.size())
        return false;
    QString inner = t.mid(1, t.size() - 2);
    inner.replace(QLatin1String("''"), QLatin1String("'"));
    // beyond what a parameter of text may carry: stays a literal
    if (inner.toUtf8().size() > 32000)
        return false;
    value = inner;
    return true;
}
} // namespace

std::optional<LiteralParams> insertLiteralsAsParams(const QString &sql)
{
    if (firstKeyword(sql) != QLatin1String("INSERT"))
        return std::nullopt;
    const int n = sql.size();
    int values = -1, depth = 0;
    for (int i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == '\'' || c == '"') {
            const int e = endOfQuoted(sql, i);
            if (e < 0)
                return std::nullopt;
            i = e;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            const int e = sql.indexOf('\n', i);
            i = e < 0 ? n : e;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const int e = sql.indexOf(QLatin1String("*/"), i + 2);
            i = e < 0 ? n : e + 2;
        } else if (c == '?' || (c == ':' && i + 1 < n && (sql[i + 1].isLetter() || sql[i + 1] == '_'))) {
            return std::nullopt; // parameters of its own
        } else if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            --depth;
            ++i;
        } else if (c.isLetter() || c == '_') {
            int j = i;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == '_' || sql[j] == '$'))
                ++j;
            if (values < 0 && depth == 0 && sql.mid(i, j - i).compare(QLatin1String("VALUES"), Qt::CaseInsensitive) == 0)
                values = j;
            i = j;
        } else {
            ++i;
        }
    }
    if (values < 0)
        return std::nullopt;
    int open = values;
    while (open < n && sql[open].isSpace())
        ++open;
    if (open >= n || sql[open] != '(')
        return std::nullopt;
    LiteralParams out;
    out.sql = sql.left(open + 1);
    int start = open + 1;
    depth = 0;
    int i = start;
    auto item = [&](int from, int to) {
        const QString raw = sql.mid(from, to - from);
        const QString t = raw.trimmed();
        QVariant v;
        if (plainText(t, v) || plainNumber(t, v)) {
            out.values << v;
            out.sql += QLatin1Char('?');
        } else {
            out.sql += raw;
        }
    };
    for (;;) {
        if (i >= n)
            return std::nullopt;
        const QChar c = sql[i];
        if (c == '\'' || c == '"') {
            i = endOfQuoted(sql, i);
            if (i < 0)
                return std::nullopt;
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (depth == 0 && (c == ',' || c == ')')) {
            item(start, i);
            out.sql += c;
            start = i + 1;
            if (c == ')')
                break;
        }
        ++i;
    }
    if (out.values.isEmpty())
        return std::nullopt;
    out.sql += sql.mid(start);
    return out;
}

// ---------------------------------------------------------------- columns

FieldDef fieldDefFor(const Column &c)
{
    FieldDef d;
    d.name = c.name;
    d.required = !c.nullable;
    const unsigned t = c.sqlType & ~1u;
    switch (t) {
    case SQL_TEXT:
    case SQL_VARYING:
        if ((c.charSet & 0xFF) == kCharsetOctets) {
            d.type = FieldType::Blob;
            d.size = int(c.length);
        } else {
            d.type = FieldType::String;
            d.size = int(c.length / bytesPerChar(c.charSet));
        }
        break;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (c.scale < 0) {
            d.scale = -c.scale;
            // two to fifteen decimals read as plain doubles
            d.type = (d.scale >= 2 && d.scale <= 15) ? FieldType::Float : FieldType::Bcd;
        } else if (t == SQL_SHORT) {
            d.type = FieldType::SmallInt;
        } else if (t == SQL_LONG) {
            d.type = FieldType::Integer;
        } else {
            d.type = FieldType::LargeInt;
        }
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        d.type = FieldType::Float;
        break;
    case SQL_TIMESTAMP:
        d.type = FieldType::DateTime;
        break;
    case SQL_TYPE_DATE:
        d.type = FieldType::Date;
        break;
    case SQL_TYPE_TIME:
        d.type = FieldType::Time;
        break;
    case SQL_BOOLEAN:
        d.type = FieldType::Boolean;
        break;
    case SQL_BLOB:
        d.type = c.subType == 1 ? FieldType::Memo : FieldType::Blob;
        break;
    default:
        d.type = FieldType::Unknown;
        break;
    }
    return d;
}

// ---------------------------------------------------------------- Statement

Statement::Statement(Attachment &att, Transaction &tra, const QString &sql)
    : m_att(att)
    , m_tra(tra)
    , m_parsed(parseNamedParams(sql))
{
    if (!att.handle())
        throw Error(QStringLiteral("Database is not connected"));
    tra.start();
    const QByteArray text = m_parsed.sql.toUtf8();
    m_stmt = call([&](CheckStatusWrapper *st) {
        return att.handle()->prepare(st, tra.handle(), 0, text.constData(), SQL_DIALECT_V6,
                                     IStatement::PREPARE_PREFETCH_METADATA);
    });
    m_type = mapType(call([&](CheckStatusWrapper *st) { return m_stmt->getType(st); }));
    m_inMeta = call([&](CheckStatusWrapper *st) { return m_stmt->getInputMetadata(st); });
    m_outMeta = call([&](CheckStatusWrapper *st) { return m_stmt->getOutputMetadata(st); });
    const unsigned inCount = call([&](CheckStatusWrapper *st) { return m_inMeta->getCount(st); });
    // Positional "?" written by callers count as unnamed parameters.
    while (unsigned(m_parsed.names.size()) < inCount)
        m_parsed.names << QString();
    for (unsigned i = 0; i < inCount; ++i) {
        m_params << QVariant();
        Status st;
        m_inDeclared.push_back(m_inMeta->getType(st.get(), i) & ~1u);
        m_inDeclared.push_back(m_inMeta->getLength(st.get(), i));
        st.check();
    }

    const unsigned outCount = call([&](CheckStatusWrapper *st) { return m_outMeta->getCount(st); });
    for (unsigned i = 0; i < outCount; ++i) {
        Column c;
        Status st;
        c.name = QString::fromUtf8(m_outMeta->getAlias(st.get(), i));
        c.field = QString::fromUtf8(m_outMeta->getField(st.get(), i));
        c.relation = QString::fromUtf8(m_outMeta->getRelation(st.get(), i));
        c.sqlType = m_outMeta->getType(st.get(), i);
        c.subType = m_outMeta->getSubType(st.get(), i);
        c.length = m_outMeta->getLength(st.get(), i);
        c.scale = m_outMeta->getScale(st.get(), i);
        c.charSet = m_outMeta->getCharSet(st.get(), i);
        c.nullable = m_outMeta->isNullable(st.get(), i);
        st.check();
        if (c.name.isEmpty())
            c.name = c.field;
        m_columns.push_back(c);
    }
    if (outCount > 0)
        m_outBuf.assign(call([&](CheckStatusWrapper *st) { return m_outMeta->getMessageLength(st); }), 0);
}

Statement::~Statement()
{
    closeCursor();
    Status st;
    if (m_stmt)
        m_stmt->free(st.get());
    if (m_inMeta)
        m_inMeta->release();
    if (m_inCache)
        m_inCache->release();
    if (m_outMeta)
        m_outMeta->release();
}

bool Statement::isQuery() const
{
    return m_type == StatementType::Select || m_type == StatementType::SelectForUpdate;
}

void Statement::setParam(int index, const QVariant &value)
{
    if (index < 0 || index >= m_params.size())
        throw Error(QStringLiteral("Parameter index %1 out of range").arg(index));
    m_params[index] = value;
}

bool Statement::setParam(const QString &name, const QVariant &value)
{
    bool found = false;
    for (int i = 0; i < m_parsed.names.size(); ++i) {
        if (m_parsed.names[i].compare(name, Qt::CaseInsensitive) == 0) {
            m_params[i] = value;
            found = true;
        }
    }
    return found;
}

void Statement::buildInput(std::vector<unsigned char> &buf, IMessageMetadata *&meta)
{
    const unsigned count = unsigned(m_params.size());
    meta = nullptr;
    if (count == 0)
        return;
    // Each value travels in its own natural type; the engine converts to
    // the parameter's declared type. Texts take at least the declared
    // length, so a statement run row after row with values of the same
    // kinds reuses one message layout instead of building it per row.
    std::vector<QByteArray> texts(count);
    std::vector<unsigned> sig(size_t(count) * 3);
    for (unsigned i = 0; i < count; ++i) {
        const QVariant &v = m_params[int(i)];
        unsigned *d = &sig[size_t(i) * 3];
        const unsigned declared = m_inDeclared[size_t(i) * 2];
        if (!v.isValid() || v.isNull()) {
            d[0] = 0; // keep the declared type, flagged null
        } else if (declared == SQL_BLOB) {
            d[0] = SQL_BLOB + 1;
        } else if (v.metaType() == QMetaType::fromType<Decimal>()) {
            d[0] = SQL_INT64 + 1;
            d[1] = unsigned(v.value<Decimal>().scale);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
                d[0] = SQL_BOOLEAN + 1;
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                d[0] = SQL_INT64 + 1;
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                d[0] = SQL_DOUBLE + 1;
                break;
            case QMetaType::QDate:
                d[0] = SQL_TYPE_DATE + 1;
                break;
            case QMetaType::QTime:
                d[0] = SQL_TYPE_TIME + 1;
                break;
            case QMetaType::QDateTime:
                d[0] = SQL_TIMESTAMP + 1;
                break;
            case QMetaType::QByteArray:
                texts[i] = v.toByteArray();
                d[0] = SQL_VARYING + 1;
                d[1] = kCharsetOctets;
                break;
            default:
                texts[i] = v.toString().toUtf8();
                d[0] = SQL_VARYING + 1;
                d[1] = kCharsetUtf8;
                break;
            }
            if (d[0] == SQL_VARYING + 1) {
                const unsigned atLeast = declared == SQL_VARYING || declared == SQL_TEXT
                    ? m_inDeclared[size_t(i) * 2 + 1]
                    : 1u;
                d[2] = std::max(atLeast, unsigned(texts[i].size()));
            }
        }
    }
    if (!m_inCache || sig != m_inSig) {
        IMetadataBuilder *b = call([&](CheckStatusWrapper *st) { return m_inMeta->getBuilder(st); });
        for (unsigned i = 0; i < count; ++i) {
            const unsigned *d = &sig[size_t(i) * 3];
            Status st;
            if (d[0] != 0) {
                b->setType(st.get(), i, d[0]);
                if (d[0] == SQL_VARYING + 1) {
                    b->setCharSet(st.get(), i, d[1]);
                    b->setLength(st.get(), i, d[2]);
                } else {
                    b->setLength(st.get(), i, fixedSize(d[0] & ~1u));
                    if (d[0] == SQL_INT64 + 1 || d[0] == SQL_DOUBLE + 1)
                        b->setScale(st.get(), i, d[0] == SQL_INT64 + 1 ? -int(d[1]) : 0);
                }
            }
            st.check();
        }
        IMessageMetadata *built = nullptr;
        try {
            built = call([&](CheckStatusWrapper *st) { return b->getMetadata(st); });
        } catch (...) {
            b->release();
            throw;
        }
        b->release();
        if (m_inCache)
            m_inCache->release();
        m_inCache = built;
        m_inSig = std::move(sig);
        m_inLayout.assign(size_t(count) * 3, 0);
        for (unsigned i = 0; i < count; ++i) {
            Status st;
            m_inLayout[size_t(i) * 3] = m_inCache->getType(st.get(), i) & ~1u;
            m_inLayout[size_t(i) * 3 + 1] = m_inCache->getOffset(st.get(), i);
            m_inLayout[size_t(i) * 3 + 2] = m_inCache->getNullOffset(st.get(), i);
            st.check();
        }
        m_inLength = call([&](CheckStatusWrapper *st) { return m_inCache->getMessageLength(st); });
    }
    meta = m_inCache;
    meta->addRef();
    buf.assign(m_inLength, 0);
    for (unsigned i = 0; i < count; ++i) {
        const QVariant &v = m_params[int(i)];
        const unsigned type = m_inLayout[size_t(i) * 3];
        const unsigned off = m_inLayout[size_t(i) * 3 + 1];
        const unsigned nullOff = m_inLayout[size_t(i) * 3 + 2];
        auto *nullFlag = reinterpret_cast<short *>(&buf[nullOff]);
        unsigned char *p = &buf[off];
        if (!v.isValid() || v.isNull()) {
            *nullFlag = -1;
            continue;
        }
        *nullFlag = 0;
        switch (type) {
        case SQL_BOOLEAN:
            *p = v.toBool() ? FB_TRUE : FB_FALSE;
            break;
        case SQL_INT64: {
            const ISC_INT64 x =
                v.metaType() == QMetaType::fromType<Decimal>() ? v.value<Decimal>().units : v.toLongLong();
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case SQL_DOUBLE: {
            const double x = v.toDouble();
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case SQL_TYPE_DATE: {
            const ISC_DATE x = encodeDate(v.toDate());
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case SQL_TYPE_TIME: {
            const ISC_TIME x = encodeTime(v.toTime());
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case SQL_TIMESTAMP: {
            ISC_TIMESTAMP x;
            const QDateTime dt = v.toDateTime();
            x.timestamp_date = encodeDate(dt.date());
            x.timestamp_time = encodeTime(dt.time());
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case SQL_VARYING: {
            const QByteArray &t = texts[i];
            const ISC_USHORT len = ISC_USHORT(t.size());
            std::memcpy(p, &len, sizeof len);
            std::memcpy(p + sizeof len, t.constData(), size_t(t.size()));
            break;
        }
        case SQL_BLOB: {
            const QByteArray data = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
            ISC_QUAD id{};
            IBlob *blob = call([&](CheckStatusWrapper *s) {
                return m_att.handle()->createBlob(s, m_tra.handle(), &id, 0, nullptr);
            });
            for (qsizetype pos = 0; pos < data.size(); pos += 32768) {
                const unsigned chunk = unsigned(std::min<qsizetype>(32768, data.size() - pos));
                call([&](CheckStatusWrapper *s) { blob->putSegment(s, chunk, data.constData() + pos); });
            }
            call([&](CheckStatusWrapper *s) { blob->close(s); });
            std::memcpy(p, &id, sizeof id);
            break;
        }
        default: {
            // declared numeric of another width reached here only when null
            *nullFlag = -1;
            break;
        }
        }
    }
}

unsigned Statement::execute()
{
    closeCursor();
    m_tra.start();
    std::vector<unsigned char> inBuf;
    IMessageMetadata *inMeta = nullptr;
    buildInput(inBuf, inMeta);
    struct MetaRelease {
        IMessageMetadata *m;
        ~MetaRelease()
        {
            if (m)
                m->release();
        }
    } rel{inMeta};
    void *inPtr = inBuf.empty() ? nullptr : inBuf.data();
    if (m_type == StatementType::Ddl)
        m_tra.dropPrepared(); // what is kept may name what this changes
    if (!isQuery())
        m_tra.markWrite();
    if (isQuery()) {
        m_cursor = call([&](CheckStatusWrapper *st) {
            return m_stmt->openCursor(st, m_tra.handle(), inMeta, inPtr, m_outMeta, 0);
        });
        return 0;
    }
    void *outPtr = m_outBuf.empty() ? nullptr : m_outBuf.data();
    call([&](CheckStatusWrapper *st) {
        m_stmt->execute(st, m_tra.handle(), inMeta, inPtr, m_outBuf.empty() ? nullptr : m_outMeta, outPtr);
    });
    if (m_type == StatementType::Insert || m_type == StatementType::Update || m_type == StatementType::Delete) {
        return unsigned(call([&](CheckStatusWrapper *st) { return m_stmt->getAffectedRecords(st); }));
    }
    return 0;
}

QVariant Statement::readValue(const unsigned char *buf, unsigned index)
{
    Status st;
    const unsigned off = m_outMeta->getOffset(st.get(), index);
    const unsigned nullOff = m_outMeta->getNullOffset(st.get(), index);
    st.check();
    const Column &c = m_columns[index];
    if (*reinterpret_cast<const short *>(buf + nullOff))
        return QVariant();
    const unsigned char *p = buf + off;
    const unsigned type = c.sqlType & ~1u;
    switch (type) {
    case SQL_TEXT: {
        if ((c.charSet & 0xFF) == kCharsetOctets)
            return QByteArray(reinterpret_cast<const char *>(p), int(c.length));
        QString s = decodeText(reinterpret_cast<const char *>(p), c.length, c.charSet);
        // fixed-width text arrives padded
        while (!s.isEmpty() && s.back() == ' ')
            s.chop(1);
        return s;
    }
    case SQL_VARYING: {
        ISC_USHORT len;
        std::memcpy(&len, p, sizeof len);
        if ((c.charSet & 0xFF) == kCharsetOctets)
            return QByteArray(reinterpret_cast<const char *>(p + sizeof len), len);
        return decodeText(reinterpret_cast<const char *>(p + sizeof len), len, c.charSet);
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        qint64 v = 0;
        if (type == SQL_SHORT) {
            ISC_SHORT x;
            std::memcpy(&x, p, sizeof x);
            v = x;
        } else if (type == SQL_LONG) {
            ISC_LONG x;
            std::memcpy(&x, p, sizeof x);
            v = x;
        } else {
            ISC_INT64 x;
            std::memcpy(&x, p, sizeof x);
            v = x;
        }
        if (c.scale < 0)
            return double(v) / pow10(-c.scale);
        if (type == SQL_INT64)
            return v;
        return int(v);
    }
    case SQL_FLOAT: {
        float x;
        std::memcpy(&x, p, sizeof x);
        return double(x);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double x;
        std::memcpy(&x, p, sizeof x);
        return x;
    }
    case SQL_TYPE_DATE: {
        ISC_DATE x;
        std::memcpy(&x, p, sizeof x);
        return decodeDate(x);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME x;
        std::memcpy(&x, p, sizeof x);
        return decodeTime(x);
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP x;
        std::memcpy(&x, p, sizeof x);
        return QDateTime(decodeDate(x.timestamp_date), decodeTime(x.timestamp_time));
    }
    case SQL_BOOLEAN:
        return *p != FB_FALSE;
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, p, sizeof id);
        IBlob *blob = call([&](CheckStatusWrapper *s) {
            return m_att.handle()->openBlob(s, m_tra.handle(), &id, 0, nullptr);
        });
        QByteArray data;
        char chunk[32768];
        for (;;) {
            Status s;
            unsigned got = 0;
            const int r = blob->getSegment(s.get(), sizeof chunk, chunk, &got);
            if (r == IStatus::RESULT_OK || r == IStatus::RESULT_SEGMENT) {
                data.append(chunk, int(got));
                continue;
            }
            if (r == IStatus::RESULT_NO_DATA)
                break;
            Status cl;
            blob->close(cl.get());
            s.check();
            break;
        }
        call([&](CheckStatusWrapper *s) { blob->close(s); });
        if (c.subType == 1)
            return decodeText(data.constData(), unsigned(data.size()), c.charSet);
        return data;
    }
    default:
        return QVariant();
    }
}

bool Statement::fetch(Row &row)
{
    if (!m_cursor)
        return false;
    const int r = call([&](CheckStatusWrapper *st) { return m_cursor->fetchNext(st, m_outBuf.data()); });
    if (r != IStatus::RESULT_OK) {
        closeCursor();
        return false;
    }
    row.resize(m_columns.size());
    for (unsigned i = 0; i < m_columns.size(); ++i)
        row[i] = readValue(m_outBuf.data(), i);
    return true;
}

void Statement::closeCursor()
{
    if (!m_cursor)
        return;
    IResultSet *c = m_cursor;
    m_cursor = nullptr;
    Status st;
    c->close(st.get());
    if (st.get()->getState() & IStatus::STATE_ERRORS)
        c->release();
}

std::vector<FieldDef> fieldDefs(const Statement &st)
{
    std::vector<FieldDef> defs;
    defs.reserve(st.columns().size());
    for (const Column &c : st.columns())
        defs.push_back(fieldDefFor(c));
    return defs;
}

std::vector<Row> fetchRows(Statement &st)
{
    std::vector<Row> rows;
    Row row;
    while (st.fetch(row))
        rows.push_back(std::move(row));
    return rows;
}

void Statement::fetchAll(DataSet &into)
{
    into.setFieldDefs(fieldDefs(*this));
    into.setRows(fetchRows(*this));
}

void executeImmediate(Attachment &att, Transaction &tra, const QString &sql)
{
    Statement st(att, tra, sql);
    st.execute();
}

QStringList splitScript(const QString &script)
{
    QStringList out;
    QString cur;
    const int n = script.size();
    int i = 0;
    while (i < n) {
        const QChar c = script[i];
        if (c == '\'' || c == '"') {
            int j = i + 1;
            while (j < n && script[j] != c)
                ++j;
            cur += script.mid(i, j + 1 - i);
            i = j + 1;
        } else if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            int j = script.indexOf('\n', i);
            i = j < 0 ? n : j;
        } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            int j = script.indexOf(QLatin1String("*/"), i + 2);
            i = j < 0 ? n : j + 2;
        } else if (c == ';') {
            if (!cur.trimmed().isEmpty())
                out << cur.trimmed();
            cur.clear();
            ++i;
        } else {
            cur += c;
            ++i;
        }
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

QStringList userTables(Attachment &att, Transaction &tra)
{
    Statement st(att, tra,
                 QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                                "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL "
                                "ORDER BY RDB$RELATION_NAME"));
    st.execute();
    QStringList names;
    Row row;
    while (st.fetch(row))
        names << row[0].toString();
    return names;
}

} // namespace fb
