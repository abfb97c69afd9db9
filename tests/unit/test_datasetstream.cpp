#include "platform/DataSetStream.h"

#include "platform/net/Base64.h"
#include "platform/net/ZlibCodec.h"

#include <QtEndian>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <limits>

namespace {

// Little-endian byte builder for hand-made streams.
struct Bytes {
    QByteArray b;
    Bytes &raw(const QByteArray &x) { b += x; return *this; }
    Bytes &u8(quint8 v) { b += char(v); return *this; }
    Bytes &u16(quint16 v) { char c[2]; qToLittleEndian(v, c); b.append(c, 2); return *this; }
    Bytes &u32(quint32 v) { char c[4]; qToLittleEndian(v, c); b.append(c, 4); return *this; }
    Bytes &i32(qint32 v) { return u32(quint32(v)); }
    Bytes &str(const QByteArray &s) { return u32(quint32(s.size())).raw(s); }
    Bytes &field(const QByteArray &name, quint8 type, qint32 size = 0, qint32 scale = 0, quint8 flags = 0)
    {
        return str(name).u8(type).i32(size).i32(scale).u8(flags);
    }
};

Bytes header(quint32 fieldCount) { return Bytes().raw("DSET").u16(1).u32(fieldCount); }

std::vector<FieldDef> allTypeFields()
{
    return {
        {"S", FieldType::String, 40, 0, true},
        {"SI", FieldType::SmallInt, 0, 0, false},
        {"I", FieldType::Integer, 0, 0, false},
        {"L", FieldType::LargeInt, 0, 0, false},
        {"F", FieldType::Float, 0, 0, false},
        {"D2", FieldType::Bcd, 18, 2, false},
        {"D4", FieldType::Bcd, 15, 4, false},
        {"B", FieldType::Boolean, 0, 0, false},
        {"DT", FieldType::Date, 0, 0, false},
        {"TM", FieldType::Time, 0, 0, false},
        {"TS", FieldType::DateTime, 0, 0, false},
        {"BL", FieldType::Blob, 0, 0, false},
        {QString::fromUtf8("DESCRIÇÃO"), FieldType::Memo, 0, 0, false},
    };
}

std::vector<Row> allTypeRows()
{
    return {
        {QString::fromUtf8("Café ☕ 日本 𝄞"), 12, 123456, qint64(9007199254740993LL), 3.14159, 1234.56, -0.0001, true,
            QDate(2024, 2, 29), QTime(23, 59, 59, 999), QDateTime(QDate(1999, 12, 31), QTime(12, 0, 0, 1)),
            QByteArray("\0\1\0\xff", 4), QStringLiteral("linha 1\r\nlinha 2")},
        Row(13),
        {QString(""), -32768, std::numeric_limits<qint32>::min(), std::numeric_limits<qint64>::min(), -1e308,
            -12345678901234.56, -99999999.9999, false, QDate(1, 1, 1), QTime(0, 0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
            QByteArray(""), QString(QString(QChar(0xFEFF)) + QStringLiteral("starts with a BOM"))},
        {QString(1000, QChar('x')), 32767, std::numeric_limits<qint32>::max(), std::numeric_limits<qint64>::max(),
            5e-324, 92233720368547.75, 0.0, true, QDate(9999, 12, 31), QTime(12, 34, 56, 789),
            QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0, 1)), QByteArray(70000, '\0'), QString()},
    };
}

std::unique_ptr<DataSet> makeDataSet(const std::vector<FieldDef> &defs, const std::vector<Row> &rows)
{
    auto ds = std::make_unique<DataSet>();
    ds->setFieldDefs(defs);
    ds->setRows(rows);
    ds->open();
    return ds;
}

int storageType(FieldType t)
{
    switch (t) {
    case FieldType::String:
    case FieldType::Memo: return QMetaType::QString;
    case FieldType::SmallInt:
    case FieldType::Integer: return QMetaType::Int;
    case FieldType::LargeInt: return QMetaType::LongLong;
    case FieldType::Float:
    case FieldType::Bcd: return QMetaType::Double;
    case FieldType::Boolean: return QMetaType::Bool;
    case FieldType::Date: return QMetaType::QDate;
    case FieldType::Time: return QMetaType::QTime;
    case FieldType::DateTime: return QMetaType::QDateTime;
    case FieldType::Blob: return QMetaType::QByteArray;
    case FieldType::Unknown: break;
    }
    return QMetaType::UnknownType;
}

bool isNullCell(const QVariant &v) { return !v.isValid() || v.isNull(); }

void expectSameContent(const DataSet &got, const std::vector<FieldDef> &defs, const std::vector<Row> &rows)
{
    ASSERT_EQ(got.fieldCount(), int(defs.size()));
    for (size_t c = 0; c < defs.size(); ++c) {
        const FieldDef &g = got.fieldDefs()[c];
        EXPECT_EQ(g.name, defs[c].name);
        EXPECT_EQ(g.type, defs[c].type);
        EXPECT_EQ(g.size, defs[c].size);
        EXPECT_EQ(g.scale, defs[c].scale);
        EXPECT_EQ(g.required, defs[c].required);
    }
    ASSERT_EQ(got.recordCount(), int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < defs.size(); ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << " field " << defs[c].name.toStdString());
            const QVariant want = rows[r][c];
            const QVariant have = got.valueAt(int(r), int(c));
            ASSERT_EQ(isNullCell(have), isNullCell(want));
            if (isNullCell(want))
                continue;
            EXPECT_EQ(have.typeId(), storageType(defs[c].type));
            if (defs[c].type == FieldType::String || defs[c].type == FieldType::Memo)
                EXPECT_EQ(have.toString(), want.toString());
            else
                EXPECT_EQ(have, want) << have.toString().toStdString() << " vs " << want.toString().toStdString();
        }
    }
}

TEST(DataSetStream, RoundTripsEveryFieldType)
{
    const auto defs = allTypeFields();
    const auto rows = allTypeRows();
    const auto source = makeDataSet(defs, rows);

    DataSet decoded;
    decodeDataSet(encodeDataSet(*source), decoded);
    EXPECT_TRUE(decoded.active());
    EXPECT_EQ(decoded.recNo(), 1);
    expectSameContent(decoded, defs, rows);

    // An empty dataset keeps its structure.
    DataSet empty;
    decodeDataSet(encodeDataSet(*makeDataSet(defs, {})), empty);
    expectSameContent(empty, defs, {});
}

TEST(DataSetStream, MatchesTheDocumentedLayout)
{
    const std::vector<FieldDef> defs = {{"ID", FieldType::Integer, 0, 0, true}, {"NOME", FieldType::String, 10, 0, false}};
    const std::vector<Row> rows = {{7, QString::fromUtf8("é")}, {QVariant(), QVariant()}};
    const QByteArray expected = header(2)
                                    .field("ID", 3, 0, 0, 1)
                                    .field("NOME", 1, 10)
                                    .u32(2)
                                    .u8(0x00).i32(7).str("\xc3\xa9")
                                    .u8(0x03)
                                    .b;
    EXPECT_EQ(encodeDataSet(*makeDataSet(defs, rows)).toHex(' '), expected.toHex(' '));
    DataSet decoded;
    decodeDataSet(expected, decoded);
    expectSameContent(decoded, defs, rows);
}

TEST(DataSetStream, EncodeStoresValuesInTheFieldsForm)
{
    const std::vector<FieldDef> defs = {{"D", FieldType::Date}, {"I", FieldType::Integer}, {"N", FieldType::Bcd, 18, 3},
        {"T", FieldType::DateTime}};
    const auto source = makeDataSet(defs, {{QDate(), QStringLiteral(" 42 "), qint64(123456789012345), QDate(2024, 5, 6)}});
    DataSet decoded;
    decodeDataSet(encodeDataSet(*source), decoded);
    EXPECT_TRUE(isNullCell(decoded.valueAt(0, 0))) << "an invalid date is stored as null";
    EXPECT_EQ(decoded.valueAt(0, 1), QVariant(42));
    EXPECT_EQ(decoded.valueAt(0, 2), QVariant(123456789012345.0));
    EXPECT_EQ(decoded.valueAt(0, 3), QVariant(QDateTime(QDate(2024, 5, 6), QTime(0, 0))));
}

TEST(DataSetStream, EncodeRejectsWhatItCannotStore)
{
    const auto one = [](FieldDef f, QVariant v) { return makeDataSet({f}, {{v}}); };
    const struct {
        const char *name;
        std::function<std::unique_ptr<DataSet>()> make;
    } cases[] = {
        {"closed", [] { auto ds = std::make_unique<DataSet>(); ds->setFieldDefs({{"A"}}); return ds; }},
        {"small int overflow", [&] { return one({"A", FieldType::SmallInt}, 40000); }},
        {"integer overflow", [&] { return one({"A", FieldType::Integer}, qint64(1) << 31); }},
        {"integer from text", [&] { return one({"A", FieldType::Integer}, QStringLiteral("abc")); }},
        {"fraction in an integer", [&] { return one({"A", FieldType::Integer}, 2.5); }},
        {"float from text", [&] { return one({"A", FieldType::Float}, QStringLiteral("abc")); }},
        {"decimal overflow", [&] { return one({"A", FieldType::Bcd, 18, 4}, 1e16); }},
        {"whole decimal overflow", [&] { return one({"A", FieldType::Bcd, 18, 4}, qint64(1) << 62); }},
        {"decimal scale 19", [&] { return one({"A", FieldType::Bcd, 18, 19}, 1.0); }},
        {"unknown type", [&] { return one({"A", FieldType::Unknown}, 1); }},
        {"rows without fields", [] { auto ds = makeDataSet({}, {}); ds->appendRow({}); return ds; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto ds = c.make();
        EXPECT_THROW(encodeDataSet(*ds), DataSetStreamError);
    }
}

TEST(DataSetStream, DecodeRejectsMalformedStreamsAndKeepsTheTarget)
{
    QByteArray tooManyCells = header(64).b;
    for (int i = 0; i < 64; ++i)
        tooManyCells += Bytes().field("I", 3).b;
    const quint32 manyRows = (1u << 19) + 1;
    tooManyCells += Bytes().u32(manyRows).b + QByteArray(qsizetype(manyRows) * 8, '\xff');

    const struct {
        const char *name;
        QByteArray stream;
    } cases[] = {
        {"empty", {}},
        {"wrong magic", Bytes().raw("DSEX").u16(1).u32(0).u32(0).b},
        {"unknown version", Bytes().raw("DSET").u16(2).u32(0).u32(0).b},
        {"unknown type code", header(1).field("X", 99).u32(0).b},
        {"type code zero", header(1).field("X", 0).u32(0).b},
        {"missing row count", header(1).field("I", 3).b},
        {"field count beyond data", header(0xffffffff).field("I", 3).u32(0).b},
        {"name length beyond data", header(1).u32(0x7fffffff).raw("X").b},
        {"row count beyond data", header(1).field("I", 3).u32(0xffffffff).u8(0).i32(1).b},
        {"string length beyond data", header(1).field("S", 1).u32(1).u8(0).u32(1000).raw("abc").b},
        {"truncated value", header(1).field("L", 4).u32(1).u8(0).raw("1234").b},
        {"invalid UTF-8 value", header(1).field("S", 1).u32(1).u8(0).str("\xc3").b},
        {"invalid UTF-8 name", header(1).field("\xff", 1).u32(0).b},
        {"boolean 2", header(1).field("B", 7).u32(1).u8(0).u8(2).b},
        {"time past midnight", header(1).field("T", 9).u32(1).u8(0).i32(86400000).b},
        {"negative time", header(1).field("T", 10).u32(1).u8(0).i32(0).i32(-1).b},
        {"stray null bit", header(1).field("I", 3).u32(1).u8(0x02).i32(0).b},
        {"trailing byte", header(1).field("I", 3).u32(1).u8(0).i32(0).u8(0).b},
        {"rows without fields", header(0).u32(3).b},
        {"negative size", header(1).field("S", 1, -1).u32(0).b},
        {"scale 19", header(1).field("D", 6, 18, 19).u32(0).b},
        {"unknown flags", header(1).field("S", 1, 0, 0, 0x80).u32(0).b},
        {"too many cells", tooManyCells},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto target = makeDataSet({{"KEEP", FieldType::Integer}}, {{1}});
        try {
            decodeDataSet(c.stream, *target);
            ADD_FAILURE() << "accepted";
        } catch (const DataSetStreamError &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_EQ(target->fieldNames(), QStringList{"KEEP"});
        EXPECT_EQ(target->recordCount(), 1);
    }
}

TEST(DataSetStream, DamagedStreamsNeverCrash)
{
    const QByteArray good = encodeDataSet(*makeDataSet(allTypeFields(), {allTypeRows()[0], allTypeRows()[1]}));
    DataSet target;
    for (qsizetype n = 0; n < good.size(); ++n)
        ASSERT_THROW(decodeDataSet(good.left(n), target), DataSetStreamError) << "prefix of " << n;
    int rejected = 0;
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (const quint8 mask : {0x01, 0x80, 0xff}) {
            QByteArray bad = good;
            bad[i] = char(quint8(bad[i]) ^ mask);
            try {
                decodeDataSet(bad, target);
            } catch (const DataSetStreamError &) {
                ++rejected;
            }
        }
    }
    EXPECT_GT(rejected, 0);
}

// ---------------------------------------------------------------- lists

TEST(DataSetList, RoundTripsInOrderKeepingRepeatedNames)
{
    const auto a = makeDataSet(allTypeFields(), allTypeRows());
    const auto b = makeDataSet({{"X", FieldType::Integer}}, {{1}, {2}});
    const auto c = makeDataSet({{"Y", FieldType::String, 5}}, {});
    const QByteArray json = encodeDataSetList({{"CDSUltSincr", a.get()}, {"", b.get()}, {"", c.get()}});

    const NamedDataSets list = decodeDataSetList(json);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].first, "CDSUltSincr");
    EXPECT_EQ(list[1].first, "");
    EXPECT_EQ(list[2].first, "");
    expectSameContent(*list[0].second, allTypeFields(), allTypeRows());
    expectSameContent(*list[1].second, {{"X", FieldType::Integer}}, {{1}, {2}});
    expectSameContent(*list[2].second, {{"Y", FieldType::String, 5}}, {});
}

TEST(DataSetList, ValuesAreBase64OfTheDefaultZlibStream)
{
    const auto a = makeDataSet({{"X", FieldType::Integer}}, {{1}});
    const auto b = makeDataSet({{QString::fromUtf8("AÇÃO \"x\""), FieldType::Memo}}, {{QStringLiteral("t")}});
    const QByteArray json = encodeDataSetList({{QString::fromUtf8("Ação \"1\""), a.get()}, {"B", b.get()}});
    EXPECT_FALSE(json.contains('\n'));

    const auto parsed = nlohmann::ordered_json::parse(json.toStdString());
    ASSERT_TRUE(parsed.is_object());
    std::vector<std::string> keys;
    for (const auto &[k, v] : parsed.items())
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"Ação \"1\"", "B"}));
    const QByteArray value = QByteArray::fromStdString(parsed["B"].get<std::string>());
    EXPECT_EQ(value, base64Encode(zlibDeflate(encodeDataSet(*b))));

    const NamedDataSets fromObject = decodeDataSetList(parsed);
    ASSERT_EQ(fromObject.size(), 2u);
    EXPECT_EQ(fromObject[0].first, QString::fromUtf8("Ação \"1\""));
    EXPECT_EQ(fromObject[1].second->valueAt(0, 0), QVariant(QStringLiteral("t")));
}

TEST(DataSetList, DecodeNamesWhatIsWrong)
{
    const auto ds = makeDataSet({{"X", FieldType::Integer}}, {{1}});
    const QByteArray stream = encodeDataSet(*ds);
    const auto member = [](const QByteArray &value) -> QByteArray { return "{\"a\":\"" + value + "\"}"; };
    const std::pair<QByteArray, const char *> cases[] = {
        {"", "not valid JSON"},
        {"{", "not valid JSON"},
        {member(base64Encode(zlibDeflate(stream))) + " x", "not valid JSON"},
        {"[]", "not a JSON object"},
        {"\"x\"", "not a JSON object"},
        {"{\"a\":1}", "'a' is not a string"},
        {"{\"a\":null}", "'a' is not a string"},
        {"{\"a\":{\"b\":\"c\"}}", "'a' is not a string"},
        {"{\"a\":[\"c\"]}", "'a' is not a string"},
        {member("@@@@"), "not valid Base64"},
        {member("aGVsbG8="), "not a valid zlib stream"},
        {member(base64Encode(zlibDeflate(stream).chopped(3))), "not a valid zlib stream"},
        {member(base64Encode(zlibDeflate("garbage"))), "Not a dataset stream"},
        {member(base64Encode(zlibDeflate(stream.chopped(1)))), "truncated"},
        {QByteArray("{\"ok\":\"" + base64Encode(zlibDeflate(stream)) + "\",\"bad\":\"!\"}"), "Dataset 2 ('bad')"},
    };
    for (const auto &[json, phrase] : cases) {
        SCOPED_TRACE(json.left(80).toStdString());
        try {
            decodeDataSetList(json);
            ADD_FAILURE() << "accepted";
        } catch (const DataSetStreamError &e) {
            EXPECT_TRUE(e.message().contains(QLatin1String(phrase))) << e.what();
        }
    }

    const std::pair<nlohmann::ordered_json, const char *> objects[] = {
        {nlohmann::ordered_json::array(), "not a JSON object"},
        {{{"a", 1}}, "'a' is not a string"},
        {{{"a", "!"}}, "not valid Base64"},
    };
    for (const auto &[object, phrase] : objects) {
        try {
            decodeDataSetList(object);
            ADD_FAILURE() << "accepted " << object.dump();
        } catch (const DataSetStreamError &e) {
            EXPECT_TRUE(e.message().contains(QLatin1String(phrase))) << e.what();
        }
    }
}

} // namespace

namespace {

QByteArray listOf(const std::vector<const DataSet *> &members)
{
    std::vector<std::pair<QString, const DataSet *>> named;
    for (const DataSet *ds : members)
        named.emplace_back(QStringLiteral("T%1").arg(named.size()), ds);
    return encodeDataSetList(named);
}

} // namespace

// A small answer must not grow into gigabytes: the limits hold for the whole
// list, not for each dataset alone, and field definitions count as cells.
TEST(DataSetList, WholeListIsBoundedOnceInflatedAndDecoded)
{
    std::vector<Row> rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({QString(1000, QChar('a' + i))});
    const auto wide = makeDataSet({{"S", FieldType::String, 1000, 0, false}}, rows);
    const qint64 streamBytes = encodeDataSet(*wide).size();
    const qint64 wideCells = 1 * (5 + 1);
    std::vector<FieldDef> manyFields;
    for (int i = 0; i < 20; ++i)
        manyFields.push_back({QStringLiteral("F%1").arg(i), FieldType::Integer, 0, 0, false});
    const auto noRows = makeDataSet(manyFields, {});
    const QByteArray three = listOf({wide.get(), wide.get(), wide.get()});
    const QByteArray fieldsOnly = listOf({noRows.get()});

    const struct {
        const char *name;
        QByteArray json;
        DataSetListLimits limits;
        const char *refusal; // nullptr: accepted
    } cases[] = {
        {"bytes of the whole list", three, {3 * streamBytes - 1, kMaxDataSetCells}, "MiB descompactados"},
        {"bytes just enough", three, {3 * streamBytes, kMaxDataSetCells}, nullptr},
        {"cells of the whole list", three, {kMaxDataSetStreamBytes, 3 * wideCells - 1}, "células"},
        {"cells just enough", three, {kMaxDataSetStreamBytes, 3 * wideCells}, nullptr},
        {"fields without rows", fieldsOnly, {kMaxDataSetStreamBytes, 19}, "células"},
        {"fields just enough", fieldsOnly, {kMaxDataSetStreamBytes, 20}, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool fromObject : {false, true}) {
            try {
                const NamedDataSets list = fromObject
                    ? decodeDataSetList(nlohmann::ordered_json::parse(c.json.toStdString()), c.limits)
                    : decodeDataSetList(c.json, c.limits);
                EXPECT_EQ(c.refusal, nullptr) << "accepted";
                EXPECT_FALSE(list.empty());
            } catch (const DataSetTooLarge &e) {
                ASSERT_NE(c.refusal, nullptr) << e.what();
                EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.refusal))) << e.what();
                EXPECT_TRUE(e.message().startsWith(QStringLiteral("Os dados enviados pelo servidor passam do limite")))
                    << e.what();
            }
        }
    }
}
