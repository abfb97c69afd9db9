// Pure parts of the two server clients: value reading, conversions, table
// filling and request building. No server involved.
#include "sync/untDMCRemoto.h"
#include "sync/untDMComunicacao.h"

#include <QDate>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::ordered_json;
using C = TDMComunicacao;

namespace {

ordered_json J(const char *text) { return ordered_json::parse(text); }

} // namespace

TEST(SyncValores, KeysReadAsCleanedText)
{
    const struct {
        const char *json;
        bool maiuscula;
        QString esperado;
    } casos[] = {
        {R"({"k":"abc"})", false, "abc"},
        {R"({"k":"abc"})", true, "ABC"},
        {R"({"k":true})", true, "TRUE"},
        {R"({"k":"true"})", true, "TRUE"},
        {R"({"k":null})", false, ""},
        {R"({"k":"null"})", false, "null"}, // a text is not the null literal
        {R"({"k":12})", false, "12"},
        {R"({"k":1234.56})", false, "1234.56"},
        {R"({"k":"ação ç ã"})", false, QString::fromUtf8("ação ç ã")},
        {R"({"k":"diz \"oi\""})", false, "diz \"oi\""}, // no backslash added
        {R"({"k":"c:\\pasta"})", false, "c:\\pasta"},
        {R"({"k":""})", false, ""},
        {R"({"outra":"x"})", false, ""},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(C::LeChave(J(c.json), "k", c.maiuscula), c.esperado);
    }
}

TEST(SyncValores, TrataCampoStripsOneQuoteEachSide)
{
    EXPECT_EQ(C::TrataCampo("\"x\"", false), "x");
    EXPECT_EQ(C::TrataCampo("\"\"x\"\"", false), "\"x\"");
    EXPECT_EQ(C::TrataCampo("null", true), "");
    EXPECT_EQ(C::TrataCampo("NuLL", false), "");
    EXPECT_EQ(C::TrataCampo("\"null\"", false), "null");
}

TEST(SyncValores, ConverteNumeroReplacesOnlyTheFirstPoint)
{
    const struct {
        const char *texto;
        double esperado;
    } casos[] = {
        {"1234.56", 1234.56}, {"1.234.56", 0}, {"12.", 12}, {"", 0},  {"abc", 0},
        {"-3.5", -3.5},       {"7", 7},        {"0.1", 0.1}, {"1e3", 1000}, {"12,5", 12.5},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.texto);
        EXPECT_DOUBLE_EQ(C::ConverteNumero(c.texto), c.esperado);
    }
}

TEST(SyncValores, ConverteDataReadsYearMonthDayPositions)
{
    const QDate hoje = QDate::currentDate();
    EXPECT_EQ(C::ConverteData("2024-12-31"), QDate(2024, 12, 31));
    EXPECT_EQ(C::ConverteData("2024-02-30"), hoje); // not a date
    EXPECT_EQ(C::ConverteData("xxxx-03-04"), QDate(hoje.year(), 3, 4));
    EXPECT_EQ(C::ConverteData("31-12-2024"), hoje);
    EXPECT_EQ(C::ConverteData(""), hoje);
}

TEST(SyncValores, ConverteValorCampoByFieldType)
{
    const QDate hoje = QDate::currentDate();
    EXPECT_EQ(C::ConverteValorCampo(FieldType::Integer, "\"12.9\""), QVariant(qint64(12)));
    EXPECT_EQ(C::ConverteValorCampo(FieldType::SmallInt, "x"), QVariant(qint64(0)));
    EXPECT_DOUBLE_EQ(C::ConverteValorCampo(FieldType::Float, "1234.56").toDouble(), 1234.56);
    EXPECT_DOUBLE_EQ(C::ConverteValorCampo(FieldType::Bcd, "\"\"").toDouble(), 0);
    EXPECT_EQ(C::ConverteValorCampo(FieldType::Date, "\"31/12/2024\""), QVariant(QDate(2024, 12, 31)));
    EXPECT_EQ(C::ConverteValorCampo(FieldType::Date, "\"31/12/2024 10:00\""), QVariant(hoje));
    EXPECT_EQ(C::ConverteValorCampo(FieldType::DateTime, "\"2024-12-31\"").toDateTime().date(), hoje);
    EXPECT_EQ(C::ConverteValorCampo(FieldType::Time, "\"10:20:30\""), QVariant(QTime(10, 20, 30)));
    EXPECT_EQ(C::ConverteValorCampo(FieldType::String, "\"a\\\"b\""), QVariant(QString("a\\\"b")));
    EXPECT_EQ(C::ConverteValorCampo(FieldType::Memo, "null"), QVariant(QString()));
}

TEST(SyncTabelas, KeyBuiltWayMakesFieldsFromTheFirstObjectInKeyOrder)
{
    const QString s250(250, 'a'), s251(251, 'b');
    ordered_json linhas = ordered_json::array();
    linhas.push_back({{"zeta", "1"}, {"obs", s251.toStdString()}, {"curta", s250.toStdString()}, {"n", 5}});
    linhas.push_back({{"curta", "y"}, {"zeta", nullptr}, {"ZETA", "ignorada"}});
    DataSet t;
    C::PreencheChaves(linhas, t, true);
    ASSERT_EQ(t.fieldNames(), (QStringList{"ZETA", "OBS", "CURTA", "N"}));
    EXPECT_EQ(t.fieldDefs()[0].type, FieldType::String);
    EXPECT_EQ(t.fieldDefs()[0].size, 255);
    EXPECT_EQ(t.fieldDefs()[1].type, FieldType::Memo);
    EXPECT_EQ(t.fieldDefs()[2].type, FieldType::String);
    EXPECT_EQ(t.fieldDefs()[2].size, 255);
    ASSERT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.valueAt(0, 1).toString(), s251);
    EXPECT_EQ(t.valueAt(0, 3).toString(), "5");
    EXPECT_EQ(t.valueAt(1, 0).toString(), ""); // null reads as empty text
    EXPECT_EQ(t.valueAt(1, 2).toString(), "y");
    EXPECT_TRUE(t.valueAt(1, 1).isNull());

    DataSet mantidos;
    C::PreencheChaves(linhas, mantidos, false);
    EXPECT_EQ(mantidos.fieldNames(), (QStringList{"zeta", "obs", "curta", "n"}));
}

TEST(SyncTabelas, AdapterWayTakesEveryKeyAsText)
{
    DataSet t;
    t.setFieldDefs({{"VELHO", FieldType::Integer}});
    t.open();
    t.appendRow({1});
    C::PreencheAdaptador(J(R"([{"CODIGO":"P1","QTDE":5},{"COR":"01","CODIGO":null}])"), t);
    ASSERT_EQ(t.fieldNames(), (QStringList{"CODIGO", "QTDE", "COR"}));
    ASSERT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.valueAt(0, 1).toString(), "5");
    EXPECT_TRUE(t.valueAt(1, 0).isNull());
    EXPECT_EQ(t.valueAt(1, 2).toString(), "01");
}

TEST(SyncRequisicoes, ReportParametersBecomeAnEncodedQuery)
{
    DataSet p;
    p.setFieldDefs({{"CAMPO", FieldType::String, 30}, {"VALOR", FieldType::String, 60}, {"TIPO", FieldType::String, 20}});
    p.open();
    p.appendRow({" Campo ", "31/12/2024", "ftDate"});
    p.appendRow({"semdata", "32/13/2024", "ftDate"});
    p.appendRow({"vazio", "", "ftString"});
    p.appendRow({"Nome", "A&B=C ç", "ftString"});
    EXPECT_EQ(C::MontaParametrosSQL(&p), "campo=2024-12-31&nome=A%26B%3DC%20%C3%A7");
    EXPECT_EQ(C::MontaParametrosSQL(nullptr), "");
}

TEST(SyncRequisicoes, JsonBaseUrlGetsSchemeAndLosesTrailingSlashes)
{
    TDMComunicacao dm;
    dm.DsHost = "servidor.local";
    dm.NrPorta = 8080;
    EXPECT_EQ(dm.UrlBase("TesteConexao"), "http://servidor.local:8080/TesteConexao");
    EXPECT_EQ(dm.UrlBase(""), "http://servidor.local:8080");
    dm.DsHost = "https://s";
    EXPECT_EQ(dm.UrlBase("a/"), "https://s:8080/a");
}

TEST(SyncRequisicoes, DataSnapPathAndBodyForms)
{
    TDSRestConnection c;
    c.Host = "h";
    c.Port = 8181;
    const QByteArray lista = R"({"":"QUJD","":"REVG"})";
    const struct {
        const char *verbo;
        const char *metodo;
        std::vector<TDSParam> entradas;
        QString url;
        QByteArray corpo;
    } casos[] = {
        {"GET", "Login", {TDSParam::Str("ana maria"), TDSParam::Str("s/e?h"), TDSParam::Str(""), TDSParam::Int(0)},
         "http://h:8181/datasnap/rest/TServerMethods1/Login/ana%20maria/s%2Fe%3Fh//0", ""},
        {"GET", "CarregaDadosConfig", {TDSParam::Int(7), TDSParam::Str("001"), TDSParam::Bool(true)},
         "http://h:8181/datasnap/rest/TServerMethods1/CarregaDadosConfig/7/001/true", ""},
        {"POST", "\"RetornaCodCliRepres\"", {TDSParam::List(lista)},
         "http://h:8181/datasnap/rest/TServerMethods1/%22RetornaCodCliRepres%22", R"({"":"QUJD","":"REVG"})"},
        {"POST", "\"CarregaPedidos\"", {TDSParam::Str("001"), TDSParam::Int(5), TDSParam::List(lista)},
         "http://h:8181/datasnap/rest/TServerMethods1/%22CarregaPedidos%22/001/5", R"({"":"QUJD","":"REVG"})"},
        {"POST", "\"X\"", {TDSParam::Str("a"), TDSParam::List(std::nullopt), TDSParam::Str("b")},
         "http://h:8181/datasnap/rest/TServerMethods1/%22X%22/a", R"({"_parameters":[null,"b"]})"},
    };
    for (const auto &cs : casos) {
        SCOPED_TRACE(cs.metodo);
        QByteArray corpo;
        EXPECT_EQ(c.UrlDe(cs.verbo, "TServerMethods1", cs.metodo, cs.entradas, &corpo), cs.url);
        EXPECT_EQ(corpo, cs.corpo);
    }
}

TEST(SyncRequisicoes, DataSnapDateTimesInBothWireForms)
{
    EXPECT_EQ(DSLeDataHora(J(R"("2024-12-31 10:20:30.000")")), QDateTime(QDate(2024, 12, 31), QTime(10, 20, 30)));
    EXPECT_EQ(DSLeDataHora(J(R"("2024-12-31T10:20:30")")), QDateTime(QDate(2024, 12, 31), QTime(10, 20, 30)));
    EXPECT_EQ(DSLeDataHora(J("45657.5")), QDateTime(QDate(2024, 12, 31), QTime(12, 0)));
    EXPECT_FALSE(DSLeDataHora(J(R"("ontem")")).isValid());
}
