// The dataset-list codec against the fake back office's own implementation,
// in both directions.
#include "platform/DataSetStream.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// Runs the fake's codec; empty text when it fails.
QByteArray codecPython(const char *modo, const QByteArray &entrada, QByteArray *erro = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(XR_TEST_SOURCE_DIR "/tests/fake/dataset_stream.py"), QString::fromLatin1(modo)});
    if (!p.waitForStarted(5000))
        return {};
    p.write(entrada);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(2000);
        return {};
    }
    if (erro)
        *erro = p.readAllStandardError();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

const std::vector<FieldDef> kCampos = {
    {"S", FieldType::String, 10},   {"SI", FieldType::SmallInt},     {"I", FieldType::Integer, 0, 0, true},
    {"L", FieldType::LargeInt},     {"F", FieldType::Float},         {"B", FieldType::Bcd, 15, 2},
    {"BO", FieldType::Boolean},     {"D", FieldType::Date},          {"T", FieldType::Time},
    {"DT", FieldType::DateTime},    {"BL", FieldType::Blob},         {"M", FieldType::Memo},
};

// The same row as the fake writes it.
const char *const kLinhaJson = R"(["ação \"x\"", -3, 2147483647, 9007199254740993, 1.5, "12.34", true, "2024-02-29",
    "23:59:59.999", "1969-12-31 23:00:00.000", {"b64": "AP8="}, "linha\nlinha"])";

Row linhaCpp()
{
    return {QString::fromUtf8("ação \"x\""), -3, 2147483647, qint64(9007199254740993LL), 1.5, 12.34, true,
            QDate(2024, 2, 29), QTime(23, 59, 59, 999), QDateTime(QDate(1969, 12, 31), QTime(23, 0)),
            QByteArray("\x00\xff", 2), QString("linha\nlinha")};
}

} // namespace

TEST(SyncCodec, CppListsReadInPython)
{
    std::vector<std::unique_ptr<DataSet>> dono;
    std::vector<std::pair<QString, const DataSet *>> lista;
    auto novo = [&](const QString &nome, std::vector<FieldDef> campos, std::vector<Row> linhas) {
        auto ds = std::make_unique<DataSet>();
        ds->setFieldDefs(campos);
        ds->open();
        for (auto &l : linhas)
            ds->appendRow(l);
        lista.emplace_back(nome, ds.get());
        dono.push_back(std::move(ds));
    };
    novo("TODOS", kCampos, {linhaCpp(), Row(kCampos.size())});
    novo("", kCampos, {});
    novo("", {}, {});
    for (int i = 3; i < 12; ++i)
        novo(QStringLiteral("T%1").arg(i), {{"N", FieldType::Integer}}, {{i}});

    QByteArray erro;
    const QByteArray saida = codecPython("decode", encodeDataSetList(lista), &erro);
    ASSERT_FALSE(saida.isEmpty()) << erro.toStdString();
    const json j = json::parse(saida.toStdString());
    ASSERT_EQ(j.size(), 12u);
    for (size_t i = 0; i < 12; ++i)
        EXPECT_EQ(j[i][0], lista[i].first.toStdString());

    const json &todos = j[0][1];
    ASSERT_EQ(todos["fields"].size(), kCampos.size());
    for (size_t c = 0; c < kCampos.size(); ++c) {
        EXPECT_EQ(todos["fields"][c][0], kCampos[c].name.toStdString());
        EXPECT_EQ(todos["fields"][c][1], fieldTypeName(kCampos[c].type).toStdString());
    }
    EXPECT_EQ(todos["fields"][2][4], true);
    EXPECT_EQ(todos["fields"][5][3], 2);
    EXPECT_EQ(todos["rows"][0], json::parse(kLinhaJson));
    EXPECT_EQ(todos["rows"][1], json(std::vector<json>(kCampos.size(), nullptr)));
    EXPECT_EQ(j[1][1]["rows"], json::array());
    EXPECT_EQ(j[2][1]["fields"], json::array());
    EXPECT_EQ(j[11][1]["rows"], json::parse("[[11]]"));
}

TEST(SyncCodec, PythonListsReadInCpp)
{
    json campos = json::array();
    for (const auto &c : kCampos)
        campos.push_back({c.name.toStdString(), fieldTypeName(c.type).toStdString(), c.size, c.scale, c.required});
    json pares = json::array();
    pares.push_back(json::array({"TODOS", {{"fields", campos}, {"rows", {json::parse(kLinhaJson), json(std::vector<json>(12, nullptr))}}}}));
    pares.push_back(json::array({"", {{"fields", campos}, {"rows", json::array()}}}));
    for (int i = 2; i < 12; ++i)
        pares.push_back(json::array({"", {{"fields", json::parse(R"([["N","Integer"]])")}, {"rows", {{i}}}}}));

    QByteArray erro;
    const QByteArray texto = codecPython("encode", QByteArray::fromStdString(pares.dump()), &erro);
    ASSERT_FALSE(texto.isEmpty()) << erro.toStdString();
    const NamedDataSets lista = decodeDataSetList(texto);
    ASSERT_EQ(lista.size(), 12u);
    EXPECT_EQ(lista[0].first, "TODOS");
    for (size_t i = 1; i < 12; ++i)
        EXPECT_EQ(lista[i].first, "");

    const DataSet &todos = *lista[0].second;
    ASSERT_EQ(todos.fieldCount(), int(kCampos.size()));
    for (int c = 0; c < todos.fieldCount(); ++c) {
        EXPECT_EQ(todos.fieldDefs()[size_t(c)].name, kCampos[size_t(c)].name);
        EXPECT_EQ(todos.fieldDefs()[size_t(c)].type, kCampos[size_t(c)].type);
    }
    ASSERT_EQ(todos.recordCount(), 2);
    const Row esperado = linhaCpp();
    for (size_t c = 0; c < esperado.size(); ++c) {
        SCOPED_TRACE(kCampos[c].name.toStdString());
        if (kCampos[c].type == FieldType::Float || kCampos[c].type == FieldType::Bcd)
            EXPECT_DOUBLE_EQ(todos.valueAt(0, int(c)).toDouble(), esperado[c].toDouble());
        else
            EXPECT_EQ(todos.valueAt(0, int(c)), esperado[c]);
        EXPECT_TRUE(todos.valueAt(1, int(c)).isNull());
    }
    EXPECT_EQ(lista[1].second->recordCount(), 0);
    EXPECT_EQ(lista[11].second->valueAt(0, 0).toInt(), 11);
}

TEST(SyncCodec, PythonRejectsDamagedLists)
{
    DataSet ds;
    ds.setFieldDefs({{"N", FieldType::Integer}});
    ds.open();
    ds.appendRow({1});
    const QByteArray bom = encodeDataSetList({{"A", &ds}});
    const json j = json::parse(bom.toStdString());
    const std::string b64 = j["A"];
    const struct {
        const char *caso;
        QByteArray texto;
    } casos[] = {
        {"not JSON", "{"},
        {"not an object", "[1]"},
        {"not Base64", R"({"A":"@@@@"})"},
        {"not zlib", R"({"A":"QUJD"})"},
        {"truncated", QByteArray::fromStdString(R"({"A":")" + b64.substr(0, b64.size() - 8) + R"("})")},
        {"member not a string", R"({"A":1})"},
    };
    ASSERT_FALSE(codecPython("decode", bom).isEmpty());
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        QByteArray erro;
        EXPECT_TRUE(codecPython("decode", c.texto, &erro).isEmpty());
        EXPECT_TRUE(erro.startsWith("error:")) << erro.toStdString();
        EXPECT_THROW(decodeDataSetList(c.texto), DataSetStreamError);
    }
}
