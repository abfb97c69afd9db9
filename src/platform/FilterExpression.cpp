#include "platform/FilterExpression.h"

#include "platform/Formats.h"

#include <cmath>

namespace {

struct Val {
    enum Kind { Null, Num, Str } kind = Null;
    double n = 0;
    QString s;
};

double dateNumber(const QDateTime &dt)
{
    // days and milliseconds in one ordered number, so dates and date-times compare
    return double(dt.date().toJulianDay()) * 86400000.0 + dt.time().msecsSinceStartOfDay();
}

Val fromStored(const QVariant &v, FieldType type)
{
    Val out;
    if (!v.isValid() || v.isNull())
        return out;
    switch (type) {
    case FieldType::Date:
    case FieldType::DateTime:
        out.kind = Val::Num;
        out.n = v.typeId() == QMetaType::QDate ? dateNumber(QDateTime(v.toDate(), QTime(0, 0)))
                                               : dateNumber(v.toDateTime());
        return out;
    case FieldType::Time:
        out.kind = Val::Num;
        out.n = v.toTime().msecsSinceStartOfDay();
        return out;
    case FieldType::Boolean:
        out.kind = Val::Num;
        out.n = v.toBool() ? 1 : 0;
        return out;
    case FieldType::Blob:
        out.kind = Val::Str;
        out.s = QString::fromUtf8(v.toByteArray());
        return out;
    default:
        if (isNumericType(type)) {
            out.kind = Val::Num;
            out.n = v.toDouble();
        } else {
            out.kind = Val::Str;
            out.s = v.toString();
        }
        return out;
    }
}

int compareVals(const Val &a, const Val &b)
{
    if (a.kind == Val::Num && b.kind == Val::Num)
        return a.n < b.n ? -1 : (a.n > b.n ? 1 : 0);
    const QString sa = a.kind == Val::Num ? QString::number(a.n, 'g', 15) : a.s;
    const QString sb = b.kind == Val::Num ? QString::number(b.n, 'g', 15) : b.s;
    return sa.compare(sb);
}

[[noreturn]] void fail(const QString &what, const QString &text)
{
    throw EDatabaseError(QStringLiteral("Invalid filter expression (%1): %2").arg(what, text));
}

} // namespace

struct FilterExpression::Node {
    virtual ~Node() = default;
    virtual Val value(const Row &row) const = 0;
    virtual bool test(const Row &row) const
    {
        const Val v = value(row);
        return v.kind == Val::Num ? v.n != 0 : (v.kind == Val::Str && !v.s.isEmpty());
    }
    // Set on field references, so literals beside them can take their type.
    FieldType fieldType = FieldType::Unknown;
};

namespace {
using Node = FilterExpression::Node;
using NodePtr = std::unique_ptr<Node>;

struct Literal : Node {
    Val v;
    Val value(const Row &) const override { return v; }
};

struct FieldRef : Node {
    int column = 0;
    Val value(const Row &row) const override { return fromStored(row[size_t(column)], fieldType); }
};

struct Upper : Node {
    NodePtr arg;
    Val value(const Row &row) const override
    {
        Val v = arg->value(row);
        if (v.kind == Val::Num) {
            v.kind = Val::Str;
            v.s = QString::number(v.n, 'g', 15);
        }
        v.s = v.s.toUpper();
        return v;
    }
};

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

struct Compare : Node {
    Op op = Op::Eq;
    NodePtr l, r;
    Val value(const Row &row) const override
    {
        Val v;
        v.kind = Val::Num;
        v.n = test(row) ? 1 : 0;
        return v;
    }
    bool test(const Row &row) const override
    {
        const Val a = l->value(row);
        if (a.kind == Val::Null)
            return false;
        const Val b = r->value(row);
        if (b.kind == Val::Null)
            return false;
        const int c = compareVals(a, b);
        switch (op) {
        case Op::Eq: return c == 0;
        case Op::Ne: return c != 0;
        case Op::Lt: return c < 0;
        case Op::Gt: return c > 0;
        case Op::Le: return c <= 0;
        case Op::Ge: return c >= 0;
        }
        return false;
    }
};

struct Like : Node {
    NodePtr l, r;
    Val value(const Row &row) const override
    {
        Val v;
        v.kind = Val::Num;
        v.n = test(row) ? 1 : 0;
        return v;
    }
    bool test(const Row &row) const override
    {
        const Val a = l->value(row);
        const Val b = r->value(row);
        if (a.kind == Val::Null || b.kind == Val::Null)
            return false;
        const QString sa = a.kind == Val::Num ? QString::number(a.n, 'g', 15) : a.s;
        const QString sb = b.kind == Val::Num ? QString::number(b.n, 'g', 15) : b.s;
        return likeMatch(sa, sb);
    }
};

struct Logic : Node {
    enum Kind { And, Or, Not } kind = And;
    NodePtr l, r;
    Val value(const Row &row) const override
    {
        Val v;
        v.kind = Val::Num;
        v.n = test(row) ? 1 : 0;
        return v;
    }
    bool test(const Row &row) const override
    {
        switch (kind) {
        case And: return l->test(row) && r->test(row);
        case Or: return l->test(row) || r->test(row);
        case Not: return !l->test(row);
        }
        return false;
    }
};

struct Token {
    enum Kind { End, LParen, RParen, Op, Str, Num, Ident } kind = End;
    QString text;
    int pos = 0;
};

class Parser {
public:
    Parser(const QString &text, const std::vector<FieldDef> &defs)
        : m_text(text)
        , m_defs(defs)
    {
        advance();
    }

    NodePtr parse()
    {
        NodePtr n = parseOr();
        if (m_tok.kind != Token::End)
            fail(QStringLiteral("unexpected '%1' at %2").arg(m_tok.text).arg(m_tok.pos + 1), m_text);
        return n;
    }

private:
    bool isKeyword(const char *kw) const
    {
        return m_tok.kind == Token::Ident && m_tok.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }

    void advance()
    {
        const int n = int(m_text.size());
        while (m_pos < n && m_text[m_pos].isSpace())
            ++m_pos;
        m_tok = Token();
        m_tok.pos = m_pos;
        if (m_pos >= n)
            return;
        const QChar c = m_text[m_pos];
        if (c == '(' || c == ')') {
            m_tok.kind = c == '(' ? Token::LParen : Token::RParen;
            m_tok.text = c;
            ++m_pos;
        } else if (c == '\'') {
            QString s;
            ++m_pos;
            for (;;) {
                if (m_pos >= n)
                    fail(QStringLiteral("unterminated text at %1").arg(m_tok.pos + 1), m_text);
                if (m_text[m_pos] == '\'') {
                    if (m_pos + 1 < n && m_text[m_pos + 1] == '\'') {
                        s += '\'';
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                s += m_text[m_pos++];
            }
            m_tok.kind = Token::Str;
            m_tok.text = s;
        } else if (c == '"' || c == '[') {
            const QChar close = c == '"' ? QChar('"') : QChar(']');
            const int end = int(m_text.indexOf(close, m_pos + 1));
            if (end < 0)
                fail(QStringLiteral("unterminated name at %1").arg(m_pos + 1), m_text);
            m_tok.kind = Token::Ident;
            m_tok.text = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
        } else if (c.isDigit() || (c == '.' && m_pos + 1 < n && m_text[m_pos + 1].isDigit())) {
            const int start = m_pos;
            while (m_pos < n && (m_text[m_pos].isDigit() || m_text[m_pos] == '.'))
                ++m_pos;
            m_tok.kind = Token::Num;
            m_tok.text = m_text.mid(start, m_pos - start);
        } else if (c.isLetter() || c == '_') {
            const int start = m_pos;
            while (m_pos < n && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == '_' || m_text[m_pos] == '$'))
                ++m_pos;
            m_tok.kind = Token::Ident;
            m_tok.text = m_text.mid(start, m_pos - start);
        } else {
            static const char *ops[] = {"<>", "!=", "<=", ">=", "=", "<", ">", "-"};
            for (const char *op : ops) {
                const QLatin1String o(op);
                if (QStringView(m_text).mid(m_pos).startsWith(o)) {
                    m_tok.kind = Token::Op;
                    m_tok.text = o;
                    m_pos += int(o.size());
                    return;
                }
            }
            fail(QStringLiteral("unexpected '%1' at %2").arg(c).arg(m_pos + 1), m_text);
        }
    }

    NodePtr logic(Logic::Kind kind, NodePtr l, NodePtr r)
    {
        auto n = std::make_unique<Logic>();
        n->kind = kind;
        n->l = std::move(l);
        n->r = std::move(r);
        return n;
    }

    NodePtr parseOr()
    {
        NodePtr l = parseAnd();
        while (isKeyword("OR")) {
            advance();
            l = logic(Logic::Or, std::move(l), parseAnd());
        }
        return l;
    }

    NodePtr parseAnd()
    {
        NodePtr l = parseNot();
        while (isKeyword("AND")) {
            advance();
            l = logic(Logic::And, std::move(l), parseNot());
        }
        return l;
    }

    NodePtr parseNot()
    {
        if (isKeyword("NOT")) {
            advance();
            return logic(Logic::Not, parseNot(), nullptr);
        }
        return parseComparison();
    }

    NodePtr parseComparison()
    {
        NodePtr l = parsePrimary();
        bool negate = false;
        if (isKeyword("NOT")) {
            advance();
            if (!isKeyword("LIKE"))
                fail(QStringLiteral("LIKE expected at %1").arg(m_tok.pos + 1), m_text);
            negate = true;
        }
        if (isKeyword("LIKE")) {
            advance();
            auto n = std::make_unique<Like>();
            n->l = std::move(l);
            n->r = parsePrimary();
            NodePtr like = std::move(n);
            return negate ? logic(Logic::Not, std::move(like), nullptr) : std::move(like);
        }
        if (m_tok.kind == Token::Op && m_tok.text != QLatin1String("-")) {
            const QString t = m_tok.text;
            Op op = Op::Eq;
            if (t == QLatin1String("<>") || t == QLatin1String("!="))
                op = Op::Ne;
            else if (t == QLatin1String("<"))
                op = Op::Lt;
            else if (t == QLatin1String(">"))
                op = Op::Gt;
            else if (t == QLatin1String("<="))
                op = Op::Le;
            else if (t == QLatin1String(">="))
                op = Op::Ge;
            advance();
            auto n = std::make_unique<Compare>();
            n->op = op;
            n->l = std::move(l);
            n->r = parsePrimary();
            typeLiteral(*n->l, *n->r);
            typeLiteral(*n->r, *n->l);
            return n;
        }
        return l;
    }

    // A quoted text beside a numeric, date or boolean field is read as that type.
    void typeLiteral(const Node &fieldSide, Node &other)
    {
        auto *lit = dynamic_cast<Literal *>(&other);
        const FieldType t = fieldSide.fieldType;
        if (!lit || lit->v.kind != Val::Str || t == FieldType::Unknown || isTextType(t))
            return;
        const QString s = lit->v.s.trimmed();
        bool ok = false;
        double n = 0;
        if (isNumericType(t)) {
            if (s.contains(','))
                ok = fmt::tryStrToFloat(s, n);
            else
                n = s.toDouble(&ok);
        } else if (isDateType(t)) {
            static const char *forms[] = {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "dd/MM/yyyy",
                                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"};
            for (const char *f : forms) {
                const QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
                if (dt.isValid()) {
                    n = dateNumber(dt);
                    ok = true;
                    break;
                }
            }
            QDate d;
            if (!ok && fmt::tryStrToDate(s, d)) {
                n = dateNumber(QDateTime(d, QTime(0, 0)));
                ok = true;
            }
        } else if (t == FieldType::Boolean) {
            const QString u = s.toUpper();
            ok = true;
            if (u == QLatin1String("TRUE") || u == QLatin1String("S") || u == QLatin1String("1"))
                n = 1;
            else if (u == QLatin1String("FALSE") || u == QLatin1String("N") || u == QLatin1String("0"))
                n = 0;
            else
                ok = false;
        } else if (t == FieldType::Time) {
            const QTime tm = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
            ok = tm.isValid();
            n = tm.msecsSinceStartOfDay();
        }
        if (!ok)
            fail(QStringLiteral("'%1' is not a valid %2 value").arg(lit->v.s, fieldTypeName(t)), m_text);
        lit->v.kind = Val::Num;
        lit->v.n = n;
    }

    NodePtr parsePrimary()
    {
        if (m_tok.kind == Token::LParen) {
            advance();
            NodePtr n = parseOr();
            expect(Token::RParen, ")");
            return n;
        }
        if (m_tok.kind == Token::Str) {
            auto n = std::make_unique<Literal>();
            n->v.kind = Val::Str;
            n->v.s = m_tok.text;
            advance();
            return n;
        }
        if (m_tok.kind == Token::Num || (m_tok.kind == Token::Op && m_tok.text == QLatin1String("-"))) {
            const bool neg = m_tok.kind == Token::Op;
            if (neg) {
                advance();
                if (m_tok.kind != Token::Num)
                    fail(QStringLiteral("number expected at %1").arg(m_tok.pos + 1), m_text);
            }
            bool ok = false;
            const double d = m_tok.text.toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("bad number '%1'").arg(m_tok.text), m_text);
            auto n = std::make_unique<Literal>();
            n->v.kind = Val::Num;
            n->v.n = neg ? -d : d;
            advance();
            return n;
        }
        if (m_tok.kind == Token::Ident) {
            if (isKeyword("UPPER")) {
                advance();
                expect(Token::LParen, "(");
                auto n = std::make_unique<Upper>();
                n->arg = parseOr();
                expect(Token::RParen, ")");
                return n;
            }
            if (isKeyword("AND") || isKeyword("OR") || isKeyword("NOT") || isKeyword("LIKE"))
                fail(QStringLiteral("unexpected '%1' at %2").arg(m_tok.text).arg(m_tok.pos + 1), m_text);
            for (size_t i = 0; i < m_defs.size(); ++i) {
                if (m_defs[i].name.compare(m_tok.text, Qt::CaseInsensitive) == 0) {
                    auto n = std::make_unique<FieldRef>();
                    n->column = int(i);
                    n->fieldType = m_defs[i].type;
                    advance();
                    return n;
                }
            }
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(m_tok.text));
        }
        if (m_tok.kind == Token::End)
            fail(QStringLiteral("unexpected end"), m_text);
        fail(QStringLiteral("unexpected '%1' at %2").arg(m_tok.text).arg(m_tok.pos + 1), m_text);
    }

    void expect(Token::Kind kind, const char *what)
    {
        if (m_tok.kind != kind)
            fail(QStringLiteral("'%1' expected at %2").arg(QLatin1String(what)).arg(m_tok.pos + 1), m_text);
        advance();
    }

    const QString &m_text;
    const std::vector<FieldDef> &m_defs;
    int m_pos = 0;
    Token m_tok;
};

} // namespace

FilterExpression::~FilterExpression() = default;

std::shared_ptr<const FilterExpression> FilterExpression::compile(const QString &text,
                                                                  const std::vector<FieldDef> &defs)
{
    std::shared_ptr<FilterExpression> e(new FilterExpression());
    Parser p(text, defs);
    e->m_root = p.parse();
    return e;
}

bool FilterExpression::matches(const Row &row) const { return m_root->test(row); }

bool likeMatch(const QString &text, const QString &pattern)
{
    // iterative matcher with one backtrack point for the last '%'
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    const qsizetype tn = text.size(), pn = pattern.size();
    while (t < tn) {
        if (p < pn && (pattern[p] == '_' || (pattern[p] != '%' && pattern[p] == text[t]))) {
            ++t;
            ++p;
        } else if (p < pn && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pn && pattern[p] == '%')
        ++p;
    return p == pn;
}
