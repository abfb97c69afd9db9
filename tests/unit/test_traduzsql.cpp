#include "data/XRTraduzSQL.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

struct Caso {
    const char* driver;
    const char* entrada;
    const char* saida;
};

void ConfereCasos(std::initializer_list<Caso> casos)
{
    for (const Caso& c : casos)
        EXPECT_EQ(TraduzSQL(QString::fromUtf8(c.entrada), c.driver), QString::fromUtf8(c.saida))
            << c.driver << ": " << c.entrada;
}

// Runs f on its own thread; a rewrite that loops fails the test instead of
// hanging the run (the stuck thread is left behind).
template <typename F>
bool TerminaEm(std::chrono::seconds limite, F f)
{
    std::packaged_task<void()> tarefa(std::move(f));
    auto fim = tarefa.get_future();
    std::thread(std::move(tarefa)).detach();
    if (fim.wait_for(limite) != std::future_status::ready)
        return false;
    fim.get(); // rethrows a failure of f
    return true;
}

} // namespace

TEST(TraduzSQL, FirebirdFunctionsAndKeywords)
{
    ConfereCasos({
        {"FB", "SELECT A FROM T ORDER BY A DESCENDING\r\n", "SELECT A FROM T ORDER BY A DESC\r\n"},
        {"FB", "SELECT Udf_Len(NOME), udf_trim(X) FROM T",
         "SELECT char_length(NOME), trim(X) FROM T"},
        {"FB", "SELECT UDF_MONTH(P.PED_DTEM), udf_year(P.PED_DTEM) FROM PEDIDO P",
         "SELECT EXTRACT(MONTH FROM P.PED_DTEM), EXTRACT(YEAR FROM P.PED_DTEM) FROM PEDIDO P"},
        {"FB", "SELECT * FROM T WHERE D = '12/31/2023'\r\n",
         "SELECT * FROM T WHERE D = '12/31/2023'\r\n"},
        {"FB", "SELECT XR_BLOB(P.PED_OBSE) FROM PEDIDO P", "SELECT P.PED_OBSE FROM PEDIDO P"},
        {"FB", "SELECT dbms_lob.substr(P.PED_OBSE) FROM PEDIDO P",
         "SELECT P.PED_OBSE FROM PEDIDO P"},
        // dialect-only rewrites stay off on Firebird
        {"FB", "SELECT SUBSTRING(A FROM 1 FOR 2), UDF_DAYSBETWEEN(A, B) FROM T WHERE A = ''",
         "SELECT SUBSTRING(A FROM 1 FOR 2), UDF_DAYSBETWEEN(A, B) FROM T WHERE A = ''"},
    });
}

TEST(TraduzSQL, MacrosOnFirebird)
{
    ConfereCasos({
        {"FB", "FIRST[(SELECT A FROM T ORDER BY A) X, 'E', 10]\r\n",
         "SELECT FIRST 10  A FROM T ORDER BY A\r\n"},
        {"FB", "FIRST[(SELECT\r\nA FROM T)\r\n,'I', 5 ]\r\n", "SELECT FIRST 5  A FROM T\r\n"},
        {"FB", "FIRST[(SELECT\nA FROM T),'I',5]\n", "SELECT FIRST 5  A FROM T\n"},
        {"FB", "SELECT LIST[P.PED_NUME, ', ', P.PED_NUME] FROM PEDIDO P",
         "SELECT LIST(P.PED_NUME, ', ') FROM PEDIDO P"},
        {"FB", "SELECT WEEK_NUMBER[ P.PED_DTEM ] FROM PEDIDO P",
         "SELECT EXTRACT(WEEK FROM P.PED_DTEM) FROM PEDIDO P"},
        {"FB", "SELECT HORA[CAST(X AS TIME),True] FROM T", "SELECT CAST(X AS TIME) FROM T"},
        {"FB", "SELECT HORA[0123456789 P.HORA, False] FROM T", "SELECT P.HORA FROM T"},
        {"FB", "SELECT HORA[0123456789 P.HORA,0] FROM T", "SELECT P.HORA FROM T"},
        {"PG", "SELECT HORA[0123456789 P.HORA,0] FROM T", "SELECT 0123456789 P.HORA FROM T"},
        // identical macros all take the one replacement
        {"FB", "SELECT WEEK_NUMBER[D], WEEK_NUMBER[D] FROM T",
         "SELECT EXTRACT(WEEK FROM D), EXTRACT(WEEK FROM D) FROM T"},
        // a quoted E inside the query is not the mode mark
        {"Ora", "FIRST[(SELECT A FROM T WHERE S = 'E'), 'I', 3]",
         "SELECT A FROM T WHERE ROWNUM <= 3 AND  S = 'E'"},
    });
}

TEST(TraduzSQL, MalformedMacrosStayAsWritten)
{
    ConfereCasos({
        {"FB", "SELECT FIRST[(SELECT 1 FROM T), 'E', 1 FROM X",
         "SELECT FIRST[(SELECT 1 FROM T), 'E', 1 FROM X"},
        {"FB", "LIST[x] LIST[a, ',', b]", "LIST[x] LIST(a, ',')"},
        {"FB", "FIRST[no parens] WEEK_NUMBER[w]", "FIRST[no parens] EXTRACT(WEEK FROM w)"},
        {"XX", "LIST[a, ',', b]", "LIST[a, ',', b]"},
        {"FB", "HORA[x] LIST[", "HORA[x] LIST["},
    });
    EXPECT_THROW(TraduzSQL("SELECT HORA[X, talvez] FROM T", "FB"), std::invalid_argument);
}

TEST(TraduzSQL, DateLiteralsPerDialect)
{
    ConfereCasos({
        {"PG", "WHERE D = '12/31/2023'", "WHERE D = '2023-12-31'"},
        {"Ora", "WHERE D = '12/31/2023'", "WHERE D = '31/12/2023'"},
        {"PG", "WHERE D = ' 01/05/2023 08:05:00 '", "WHERE D = ' 2023-1-5 8:5:0 '"},
        {"Ora", "WHERE D = '01/05/2023 08:05:00'", "WHERE D = '05/01/2023 8:5:0'"},
        {"Ora", "WHERE D = '13/01/2023'", "WHERE D = '13/01/2023'"},
        {"PG", "WHERE D = '13/01/2023'", "WHERE D = '13/01/2023'"},
        {"PG", "WHERE D = '02/29/2023' OR D = '02/29/2024'",
         "WHERE D = '02/29/2023' OR D = '2024-2-29'"},
        {"PG", "WHERE D = '01/01/2023 24:00:00' OR D = '01/01/2023 24:00:01'",
         "WHERE D = '2023-1-1 24:0:0' OR D = '01/01/2023 24:00:01'"},
        {"PG", "WHERE D = '1x/01/2023'", "WHERE D = '1x/01/2023'"},
        // a converted literal is not taken for a date again
        {"Ora", "WHERE A = '01/02/2023' AND B = '02/01/2023'",
         "WHERE A = '02/01/2023' AND B = '01/02/2023'"},
    });
}

TEST(TraduzSQL, DayArithmeticOutsideFirebird)
{
    ConfereCasos({
        {"PG", "SELECT UDF_DAYSBETWEEN('12/31/2023', '01/01/2023') FROM T",
         "SELECT CAST(CAST('2023-12-31' AS DATE)- CAST('2023-1-1' AS DATE) AS INTEGER) FROM T"},
        {"PG", "SELECT udf_dayspan(A.FIM,A.INI) FROM T",
         "SELECT CAST(A.FIM-A.INI AS INTEGER) FROM T"},
        {"Ora", "SELECT UDF_WEEKDAY(P.DT) FROM T",
         "SELECT CAST(TO_CHAR(P.DT, 'D') AS INTEGER)-1 FROM T"},
        {"Ora", "SELECT XR_BLOB(P.OBS) FROM T", "SELECT dbms_lob.substr(P.OBS)  FROM T"},
        {"PG", "SELECT XR_BLOB(COALESCE(P.OBS, P.X)) FROM T", "SELECT COALESCE(P.OBS, P.X) FROM T"},
    });
}

TEST(TraduzSQL, OracleRewrites)
{
    ConfereCasos({
        {"Ora", "UPDATE CLIENTE SET CLI_OBS = ''\r\nWHERE CLI_FANT = '' AND CLI_UF <> ''\r\n",
         "UPDATE CLIENTE SET CLI_OBS = ''\r\nWHERE CLI_FANT  IS NULL  AND CLI_UF  IS NOT NULL "
         "\r\n"},
        {"Ora", "UPDATE CLIENTE SET CLI_OBS=''\nWHERE CLI_FANT=''\n",
         "UPDATE CLIENTE SET CLI_OBS=''\nWHERE CLI_FANT IS NULL \n"},
        {"Ora", "SELECT 1 FROM T WHERE A >= ''", "SELECT 1 FROM T WHERE A  IS NOT NULL "},
        {"Ora", "SELECT current_date, Coalesce(A, 0), char_length(B), ASCII_CHAR(65) FROM T",
         "SELECT sysdate, nvl(A, 0), length(B), CHR(65) FROM T"},
        {"Ora", "SELECT current_time, CURRENT_TIMESTAMP FROM T",
         "SELECT current_timestamp, current_timestamp FROM T"},
        {"Ora", "SELECT SUBSTRING(SUBSTRING(A FROM 1 FOR 5) FROM 2 FOR 2) FROM T",
         "SELECT SUBSTR(SUBSTR(A,1,5),2,2) FROM T"},
        {"Ora", "SELECT POSITION('a' IN NOME), B FROM T", "SELECT INSTR(NOME,'a'), B FROM T"},
        {"Ora", "SELECT POSITION ('a', SUBSTR(N,1,2)) FROM T",
         "SELECT INSTR( SUBSTR(N,1,2),'a') FROM T"},
        {"Ora", "SELECT UDF_NVL(SUM(X)) FROM T", "SELECT NVL(SUM(X),0) FROM T"},
        {"Ora", "SELECT UDF_MINUTESBETWEEN(A.INI, A.FIM) FROM T",
         "SELECT (extract(MINUTE FROM A.INI -  A.FIM )) FROM T"},
        {"Ora", "SELECT UDF_HOUR(A.H), UDF_DAYNAME(A.D), UDF_DAYNAME(A.E) FROM T",
         "SELECT (TO_CHAR((A.H),'HH24')), (TO_CHAR((A.D),'DAY')), (TO_CHAR((A.E),'DAY')) FROM T"},
        {"Ora", "SELECT udf_copy(A, 1, 2), UDF_STRIP(B), UDF_ROUNDDEC(C) FROM T",
         "SELECT substr(A, 1, 2), REPLACE(B), ROUND(C) FROM T"},
        {"Ora",
         "SELECT (A+B) AS TOTAL, CAST((X) AS INTEGER) AS Y, (SELECT 1 FROM R)\r\nas Z, 'CaSa' FROM "
         "T",
         "SELECT (A+B)  TOTAL, CAST((X) AS INTEGER)  Y, (SELECT 1 FROM R)\r\n Z, 'CaSa' FROM T"},
        {"Ora", "FIRST[(SELECT A FROM T), 'I', 5]", "SELECT A FROM T WHERE ROWNUM <= 5"},
        {"Ora", "FIRST[(SELECT A FROM T ORDER BY A), 'I', 5]",
         "SELECT A FROM T  WHERE  ROWNUM <= 5 ORDER BY A"},
        {"Ora", "FIRST[(SELECT A FROM T ORDER BY A), 'E', 5]",
         "SELECT * FROM (SELECT A FROM T ORDER BY A) WHERE ROWNUM <= 5"},
        {"Ora", "WEEK_NUMBER[D]", "TO_CHAR(D,'IW')"},
        {"Ora", "SELECT LIST[DISTINCT P.X, ',', P.X] FROM T",
         "SELECT REGEXP_REPLACE( REGEXP_REPLACE( XMLAGG(XMLELEMENT(E, P.X,',').EXTRACT('//text()') "
         "ORDER BY  P.X).GETCLOBVAL() ,'([^,]+)(,\\1)*(,|$)', '\\1\\3') ,'(,,)','')  FROM T"},
    });
}

TEST(TraduzSQL, PostgresRewrites)
{
    ConfereCasos({
        {"PG", "SELECT ASCII_CHAR(65), SUBSTRING(A FROM 2 FOR 3) FROM T",
         "SELECT CHR(65), SUBSTR(A,2,3) FROM T"},
        {"PG", "SELECT UDF_NVL(X), udf_copy(A, 1, 2) FROM T",
         "SELECT COALESCE(X,0), SUBSTRING(A, 1, 2) FROM T"},
        {"PG", "SELECT LIST[A, ';', A] FROM T", "SELECT STRING_AGG(A, ';') FROM T"},
        {"PG", "FIRST[(SELECT A FROM T) X, 'E', 5]", "SELECT * FROM (SELECT A FROM T LIMIT 5) X"},
        {"PG", "FIRST[(SELECT A FROM T WHERE B = 1), 'I', 5]",
         "SELECT A FROM T  WHERE  B = 1 LIMIT 5"},
        {"PG", "FIRST[(SELECT A FROM T ORDER BY A), 'I', 5]",
         "SELECT A FROM T  ORDER BY A LIMIT 5"},
    });
}

// Every value a user types reaches the statement as a literal; the rewriting
// must never change it, on any dialect.
TEST(TraduzSQL, UserTextInLiteralsNamesAndCommentsStaysAsTyped)
{
    const char* textos[] = {
        "Entregar HORA[manha, sim]",
        "ordem descending",
        "XR_BLOB(2)",
        "dbms_lob.substr(x)",
        "LIST[a, ',', b]",
        "UDF_LEN(x) udf_trim UDF_DAY(1) UDF_NVL(2) UDF_HOUR(3) udf_copy UDF_DAYSBETWEEN(4, 5)",
        "WEEK_NUMBER[ d ]",
        "FIRST[(SELECT A FROM T) ,'E', 1]",
        "FIRST[(ABCDE' OR 1=1 --) ,1]",
        "SUBSTRING(a FROM 1 FOR 2) POSITION(a IN b) POSITION(c, d)",
        "current_date coalesce char_length ASCII_CHAR",
        "x = '' AND y <> '' and z=''",
        "(a) AS b, (c)as d",
        "SELECT DISTINCT P.* FROM PEDIDO P",
        "pago em 12/31/2023",
        "@/@ 31/12/2023",
        "-- not a comment /* nor this */",
        "\"quoted\" ]] [[ ((( )",
        "linha 1\r\nFIRST[(SELECT\r\nX) ,1]",
    };
    const ColunasTabelaFn colunas = [](const QString&) { return QStringList{"A", "B"}; };
    for (const char* texto : textos) {
        QString lit = QString::fromUtf8(texto);
        lit.replace("'", "''");
        lit = "'" + lit + "'";
        const QStringList sqls = {
            "UPDATE PEDIDO SET PED_OBSE = " + lit + " WHERE PED_NUME = '00001'\r\n",
            "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME) VALUES ('1', " + lit + ")\r\n",
            "SELECT CLI_NOME FROM CLIENTE WHERE UPPER(CLI_NOME) LIKE " + lit + "\r\n",
        };
        for (const QString& sql : sqls)
            for (const char* d : {"FB", "Ora", "PG"})
                EXPECT_EQ(TraduzSQL(sql, d, colunas), sql) << d << ": " << sql.toStdString();
    }

    // The statement text around them is still rewritten.
    ConfereCasos({
        {"FB",
         "SELECT LIST[A, ', ', A] FROM T WHERE OBS = 'LIST[x, '','', y] DESCENDING' ORDER BY A "
         "DESCENDING\r\n",
         "SELECT LIST(A, ', ') FROM T WHERE OBS = 'LIST[x, '','', y] DESCENDING' ORDER BY A DESC\r\n"},
        {"FB", "SELECT LIST[A, ''';''', A] FROM T", "SELECT LIST(A, ''';''') FROM T"},
        {"FB", "SELECT HORA[0123456789 P.HORA, False], 'HORA[x, sim]' FROM T",
         "SELECT P.HORA, 'HORA[x, sim]' FROM T"},
        // a "]" or ")" inside a literal closes nothing
        {"FB", "FIRST[(SELECT A FROM T WHERE N LIKE 'x]'' OR 1=1 --%'), 'I', 5]",
         "SELECT FIRST 5  A FROM T WHERE N LIKE 'x]'' OR 1=1 --%'"},
        {"FB", "SELECT XR_BLOB(COALESCE(P.OBS, ')')) FROM T", "SELECT COALESCE(P.OBS, ')') FROM T"},
        {"PG", "SELECT UDF_DAYSBETWEEN(A, ','), 'UDF_DAYSBETWEEN(1, 2)' FROM T",
         "SELECT CAST(A- CAST(',' AS DATE) AS INTEGER), 'UDF_DAYSBETWEEN(1, 2)' FROM T"},
        // a line comment keeps its line break when the row-limit macro joins lines
        {"FB", "FIRST[(SELECT A -- first, (col\r\nFROM T), 'I', 5]",
         "SELECT FIRST 5  A -- first, (col\r\nFROM T"},
        {"FB", "SELECT A /* DESCENDING */ FROM \"LIST[a,',',b]\" ORDER BY A DESCENDING",
         "SELECT A /* DESCENDING */ FROM \"LIST[a,',',b]\" ORDER BY A DESC"},
        {"FB", "SELECT A -- HORA[x, talvez]\r\nFROM T", "SELECT A -- HORA[x, talvez]\r\nFROM T"},
        // only a literal that is wholly a date is converted
        {"PG", "WHERE D = '12/31/2023' AND OBS = 'pago em 12/31/2023'",
         "WHERE D = '2023-12-31' AND OBS = 'pago em 12/31/2023'"},
        {"Ora", "WHERE D = '12/31/2023' AND OBS = 'a@/@b'", "WHERE D = '31/12/2023' AND OBS = 'a@/@b'"},
        {"Ora", "SELECT 1 FROM T WHERE A = 'b <> '''' c' AND D = ''",
         "SELECT 1 FROM T WHERE A = 'b <> '''' c' AND D  IS NULL "},
        {"Ora", "SELECT (A) AS X, '(B) AS Y' FROM T", "SELECT (A)  X, '(B) AS Y' FROM T"},
    });
}

TEST(TraduzSQL, ExpandeAsteriscoListsTheAliasColumns)
{
    const QString sql = "SELECT DISTINCT P.*, C.CLI_NOME, X.* FROM PEDIDO P\r\n"
                        "JOIN CLIENTE C ON C.CLI_CODI = P.PED_CCLI\r\n";
    const QList<TBaseAlias> aliases = ListaAliases(sql);
    ASSERT_EQ(aliases.size(), 2);
    EXPECT_EQ(aliases[0].Alias, "P");
    EXPECT_EQ(aliases[0].NmBase, "PEDIDO");
    EXPECT_EQ(aliases[1].Alias, "C");
    EXPECT_EQ(aliases[1].NmBase, "CLIENTE");

    QStringList pedidas;
    const ColunasTabelaFn colunas = [&pedidas](const QString& tabela) {
        pedidas << tabela;
        return tabela == "PEDIDO" ? QStringList{"PED_NUME ", "PED_CCLI"} : QStringList{};
    };
    EXPECT_EQ(ExpandeAsterisco(sql, colunas),
              "SELECT DISTINCT P.PED_NUME, P.PED_CCLI , C.CLI_NOME, X.* FROM PEDIDO P\r\n"
              "JOIN CLIENTE C ON C.CLI_CODI = P.PED_CCLI\r\n");
    EXPECT_EQ(pedidas, QStringList{"PEDIDO"});
    // Without DISTINCT or GROUP BY nothing is asked.
    EXPECT_EQ(ExpandeAsterisco("SELECT P.* FROM PEDIDO P", colunas), "SELECT P.* FROM PEDIDO P");
    EXPECT_EQ(pedidas.size(), 1);
    // The whole Oracle path hands the callback through.
    EXPECT_EQ(TraduzSQL("SELECT DISTINCT P.* FROM PEDIDO P", "Ora", colunas),
              "SELECT DISTINCT P.PED_NUME, P.PED_CCLI  FROM PEDIDO P");
}

TEST(TraduzSQL, TextHelpers)
{
    struct Paren {
        const char* texto;
        qsizetype inicio;
        qsizetype fecha;
    };
    for (const Paren& c : {Paren{"(a)", 0, 2}, Paren{"(a(b)c)d", 0, 6}, Paren{"x(a(b(c))d)", 1, 10},
                           Paren{"(a(b)", 0, -1}, Paren{"(", 0, -1}, Paren{"", 0, -1},
                           Paren{"(a, ')')", 0, 7}, Paren{"(a, '(') )", 0, 7}, Paren{"(a /* ) */)", 0, 10}})
        EXPECT_EQ(FechaParentese(c.texto, c.inicio), c.fecha) << c.texto;

    EXPECT_EQ(UltimaPalavra("SELECT DISTINCT A,P"), "P");
    EXPECT_EQ(UltimaPalavra("SELECT X"), "X");
    EXPECT_EQ(UltimaPalavra("X"), "X");
    EXPECT_EQ(ContaOcorrencias('/', "12/31/2023"), 2);

    EXPECT_TRUE(ValidaData("12/31/2023"));
    EXPECT_TRUE(ValidaData("02/29/2000"));
    EXPECT_FALSE(ValidaData("02/29/1900"));
    EXPECT_FALSE(ValidaData("00/10/2023"));
    EXPECT_FALSE(ValidaData("04/31/2023"));
    EXPECT_FALSE(ValidaData("12/31/0000"));
    EXPECT_FALSE(ValidaData("-1/31/2023"));
    EXPECT_FALSE(ValidaData("12/31"));
    EXPECT_TRUE(ValidaDataHora("12/31/2023 23:59:59"));
    EXPECT_TRUE(ValidaDataHora("12/31/2023 24:00:00"));
    EXPECT_FALSE(ValidaDataHora("12/31/2023 23:60:00"));
    EXPECT_FALSE(ValidaDataHora("12/31/2023 25:00:00"));
}

TEST(TraduzSQL, HostileInputEndsOnEveryDialect)
{
    const char* entradas[] = {
        "",
        "'",
        "''",
        "'''",
        "FIRST[",
        "FIRST[(SELECT 1)",
        "FIRST[]",
        "FIRST[)(]",
        "FIRST[(x),'E',]",
        "LIST[",
        "LIST[,]",
        "LIST[a,'b]",
        "LIST[a]",
        "WEEK_NUMBER[",
        "HORA[x]",
        "]]][[[",
        "SUBSTRING(",
        "SUBSTRING(a FROM",
        "SUBSTRINGING(a FROM 1 FOR 2)",
        "SUBSTRING SUBSTRING",
        "POSITION(",
        "POSITION('a' IN",
        "POSITION(a)",
        "POSITION(POSITION(a IN b) IN c)",
        "UDF_NVL(",
        "UDF_NVL",
        "UDF_MINUTESBETWEEN(a)",
        "UDF_MINUTESBETWEEN",
        "UDF_HOUR(",
        "UDF_HOUR",
        "XR_BLOB(",
        "XR_BLOB",
        "XR_BLOB XR_BLOB(",
        "dbms_lob.substr(",
        "UDF_DAYSBETWEEN(",
        "UDF_WEEKDAY(",
        "UDF_WEEKDAY",
        "SELECT DISTINCT X.* FROM",
        ".*",
        "SELECT DISTINCT (X).* FROM T X",
        "SELECT DISTINCT .*.*.* FROM T T",
        "AS",
        "))AS((",
        "= ''",
        "= '' = ''",
        "<= ''>= ''",
        "UPDATE SET WHERE",
        "UPDATE SET WHERE = ''",
        "'12/31/2023",
        "@/@'",
        "ß AS (x) AS y",
        "SELECT ' AS '' AS ''' FROM T",
        "--",
        "/*",
        "*/ /* FIRST[(x) ,1]",
        "\"",
        "\"LIST[\"\"",
        "FIRST[(SELECT 1 -- ,1]",
        "FIRST[('), ']",
        "LIST[a, '', b] LIST[a, ''', b]",
        "UDF_DAYSBETWEEN(')', '(')",
        "XR_BLOB(')'",
        "POSITION(' IN ', ',')",
        "'12/31/2023'''",
    };
    const ColunasTabelaFn colunas = [](const QString&) { return QStringList{"A", "B"}; };
    // Captured by value: a stuck thread must not outlive what it reads.
    const bool terminou = TerminaEm(std::chrono::seconds(20), [entradas, colunas] {
        for (const char* e : entradas)
            for (const char* d : {"FB", "Ora", "PG", "XX"})
                for (const char* fim : {"", "\r\n", "\n"})
                    TraduzSQL(QString::fromUtf8(e) + fim, d, colunas);
    });
    EXPECT_TRUE(terminou);
}

TEST(TraduzSQL, RandomTokenSoupEndsRejectsOnlyBadFlagsAndPassesWholeAsALiteral)
{
    const char* tokens[] = {
        "FIRST[",
        "LIST[",
        "HORA[",
        "WEEK_NUMBER[",
        "]",
        "(",
        ")",
        "'",
        ",",
        " ",
        "\r\n",
        "\n",
        "SELECT",
        " FROM ",
        " FOR ",
        " IN ",
        " WHERE ",
        "GROUP BY",
        "ORDER BY",
        "DISTINCT",
        "SUBSTRING",
        "POSITION(",
        "POSITION (",
        "UDF_NVL",
        "UDF_MINUTESBETWEEN",
        "UDF_HOUR",
        "UDF_DAYSBETWEEN",
        "UDF_WEEKDAY",
        "UDF_",
        "XR_BLOB",
        "dbms_lob.substr",
        ".*",
        "AS",
        "= ''",
        "<>''",
        "12/31/2023",
        "'E'",
        "'I'",
        "1",
        "x",
        "ß",
        "@/@",
        "DESCENDING",
        "True",
        "--",
        "/*",
        "*/",
        "\"",
        "''",
    };
    const int nTokens = int(std::size(tokens));
    const ColunasTabelaFn colunas = [](const QString&) { return QStringList{"A", "B"}; };
    const bool terminou = TerminaEm(std::chrono::seconds(60), [tokens, nTokens, colunas] {
        std::mt19937 gerador(20240601);
        std::uniform_int_distribution<int> tamanho(0, 30), escolha(0, nTokens - 1);
        for (int i = 0; i < 3000; ++i) {
            QString sql;
            for (int n = tamanho(gerador); n > 0; --n)
                sql += QString::fromUtf8(tokens[escolha(gerador)]);
            // The same soup typed by a user arrives as a literal and must pass whole.
            const QString literal =
                "UPDATE T SET A = '" + QString(sql).replace("'", "''") + "' WHERE B = 1\r\n";
            for (const char* d : {"FB", "Ora", "PG"}) {
                try {
                    TraduzSQL(sql, d, colunas);
                } catch (const std::invalid_argument&) {
                    // only a HORA[ flag that is not a Boolean may be refused
                    EXPECT_TRUE(sql.contains("HORA[")) << sql.toStdString();
                }
                if (!ValidaData(sql.trimmed())) { // a literal that is wholly a date is converted
                    EXPECT_EQ(TraduzSQL(literal, d, colunas).toStdString(), literal.toStdString()) << d;
                }
            }
        }
    });
    EXPECT_TRUE(terminou);
}
