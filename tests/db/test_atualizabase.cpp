#include "TestDb.h"

#include "data/UntScriptsRep.h"
#include "data/untDMRepres.h"

#include <gtest/gtest.h>

// Readable failure output.
static void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QByteArray kIni = "[Banco]\r\nBase=REPRESEN.FDB\r\n";
const QString kPrefixo = QStringLiteral("Erro na Atualização da Base: ");

// Every row of a query, columns joined by "|".
QStringList linhas(TXRDatabase &db, const QString &sql)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add(sql);
    q.Open();
    QStringList r;
    for (q.first(); !q.eof(); q.next()) {
        QStringList cols;
        for (int i = 0; i < q.fieldCount(); ++i)
            cols << q.field(i)->asString().trimmed();
        r << cols.join('|');
    }
    return r;
}

// Runs DDL and data on the scratch database before the module opens it.
void prepara(const ScratchInstall &inst, const QStringList &comandos)
{
    auto db = inst.connect();
    for (const QString &c : comandos)
        execSql(*db, c);
    db->Transaction()->Commit();
}

const QStringList kConfig = {"INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA) "
                             "VALUES ('001', 'ANA', 'X')"};

std::unique_ptr<TDMRepres> inicia(const ScratchInstall &inst)
{
    inst.writeFile("XR.ini", kIni);
    TDMRepresGanchos g;
    g.AtualizaBase = AtualizaBase;
    return std::make_unique<TDMRepres>(g);
}

// Type of a column as DDL writes it, "" when the column is missing.
QString tipo(TXRDatabase &db, const QString &tabela, const QString &campo)
{
    const QStringList r = linhas(db,
        "SELECT f.RDB$FIELD_TYPE, COALESCE(f.RDB$FIELD_SUB_TYPE, 0), f.RDB$CHARACTER_LENGTH, "
        "COALESCE(f.RDB$FIELD_PRECISION, 0), COALESCE(f.RDB$FIELD_SCALE, 0), "
        "COALESCE(r.RDB$NULL_FLAG, f.RDB$NULL_FLAG, 0), COALESCE(f.RDB$CHARACTER_SET_ID, -1) "
        "FROM RDB$RELATION_FIELDS r JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE "
        "WHERE r.RDB$RELATION_NAME = '"
            + tabela + "' AND r.RDB$FIELD_NAME = '" + campo + "'");
    if (r.isEmpty())
        return QString();
    const QStringList c = r[0].split('|');
    const int t = c[0].toInt(), sub = c[1].toInt(), prec = c[3].toInt(), escala = -c[4].toInt();
    QString s;
    if (t == 37)
        s = QString("VARCHAR(%1)").arg(c[2]) + (c[6] == "0" ? " NONE" : "");
    else if ((t == 8 || t == 16 || t == 7) && sub > 0)
        s = QString("NUMERIC(%1,%2)").arg(prec).arg(escala);
    else if (t == 8)
        s = "INTEGER";
    else if (t == 12)
        s = "DATE";
    else if (t == 35)
        s = "TIMESTAMP";
    else if (t == 261)
        s = QString("BLOB %1").arg(sub);
    else
        s = QString("tipo %1").arg(t);
    return c[5] == "1" ? s + " NOT NULL" : s;
}

// Columns of an index or key, in order.
QString segmentos(TXRDatabase &db, const QString &indice)
{
    return linhas(db,
        "SELECT s.RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS s WHERE "
        "s.RDB$INDEX_NAME = '"
            + indice + "' ORDER BY s.RDB$FIELD_POSITION")
        .join(',');
}

// Everything the upgrade may touch: columns with their formats, keys,
// indexes, triggers and functions.
QStringList catalogo(TXRDatabase &db)
{
    QStringList s;
    s << linhas(db,
        "SELECT r.RDB$RELATION_NAME, r.RDB$FORMAT FROM RDB$RELATIONS r "
        "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1");
    s << linhas(db,
        "SELECT r.RDB$RELATION_NAME, r.RDB$FIELD_NAME, "
        "r.RDB$FIELD_SOURCE, r.RDB$FIELD_POSITION, "
        "r.RDB$NULL_FLAG, f.RDB$FIELD_TYPE, f.RDB$FIELD_LENGTH, "
        "f.RDB$FIELD_SCALE "
        "FROM RDB$RELATION_FIELDS r JOIN RDB$FIELDS f ON "
        "f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE "
        "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1, 2");
    s << linhas(db,
        "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, "
        "i.RDB$INDEX_INACTIVE, "
        "s.RDB$FIELD_NAME, s.RDB$FIELD_POSITION FROM RDB$INDICES i "
        "JOIN RDB$INDEX_SEGMENTS s ON s.RDB$INDEX_NAME = i.RDB$INDEX_NAME "
        "WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1, 6");
    s << linhas(db,
        "SELECT c.RDB$CONSTRAINT_NAME, c.RDB$CONSTRAINT_TYPE, "
        "c.RDB$RELATION_NAME, c.RDB$INDEX_NAME "
        "FROM RDB$RELATION_CONSTRAINTS c ORDER BY 1");
    s << linhas(db,
        "SELECT 'T', RDB$TRIGGER_NAME FROM RDB$TRIGGERS WHERE "
        "COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
    s << linhas(db,
        "SELECT 'F', RDB$FUNCTION_NAME, RDB$MODULE_NAME, "
        "RDB$ENTRYPOINT FROM RDB$FUNCTIONS "
        "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
    return s;
}

QStringList gatilhos(TXRDatabase &db)
{
    return linhas(db,
        "SELECT RDB$TRIGGER_NAME FROM RDB$TRIGGERS WHERE "
        "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1");
}

// Rows in the tables the data steps rewrite, so their effect shows.
const QStringList kDados = {
    "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_CNPJ) VALUES ('00001', "
    "'LOJA', '11.222.333/0001-81')",
    "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME) VALUES "
    "('00001', 1, 'BIA')",
    "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_NRLOTE) VALUES ('00001', "
    "'00001', 3)",
    "INSERT INTO PEDIDO (PED_NUME, PED_CCLI) VALUES ('00002', '00001')",
    "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_PREC) "
    "VALUES ('00001', 1, 'P1', 12.5)",
    "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, "
    "PREC_QTDMAXIMA, PREC_PRECO) "
    "VALUES ('P1', 'T1', 1, 10, 7.25)",
    "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('T1', 'SUL')",
    "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_DEPO, PAIT_LOTE, "
    "PAIT_QTDE) "
    "VALUES ('P1', 'AZ', 'M', '1', 'L1', 5)",
};

class AtualizaBaseTest : public ::testing::Test {
protected:
    ScratchInstall inst;
    ScopedDialogRecorder rec;
};

TEST_F(AtualizaBaseTest, ShippedDatabaseReachesTheFullSchemaAndASecondStartChangesNothing)
{
    prepara(inst, kConfig + kDados);
    QStringList antes;
    {
        auto dm = inicia(inst);
        TXRDatabase &db = *dm->XRDtRepres;
        EXPECT_EQ(rec->texts(), QStringList());

        struct Coluna {
            const char *tabela, *campo, *tipo;
        };
        const Coluna colunas[] = {
            {"EMPRESA", "EMP_PAT", "VARCHAR(4) NOT NULL"},
            {"EMPRESA", "EMP_NOME", "VARCHAR(80)"},
            {"EMPRESA", "EMP_ESTADO", "VARCHAR(2)"},
            {"EMPRESA", "EMP_CEP", "VARCHAR(8)"},
            {"EMPRESA", "EMP_TELEFONE", "VARCHAR(14)"},
            {"EMPRESA", "EMP_BAIRRO", "VARCHAR(20)"},
            {"EMPRESA", "EMP_NUMERO", "VARCHAR(5)"},
            {"EMPRESA", "EMP_CIDADE", "VARCHAR(30)"},
            {"EMPRESA", "EMP_EMAIL", "VARCHAR(50)"},
            {"EMPRESA", "EMP_ENDERECO", "VARCHAR(40)"},
            {"EMPRESA", "EMP_LOGO", "BLOB 0"},
            {"EMPRESA", "EMP_CNPJ", "VARCHAR(18)"},
            {"CONFIG", "VLMINIMOPED", "NUMERIC(12,2)"},
            {"CONFIG", "QTDEMAXITEM", "NUMERIC(10,3)"},
            {"CONFIG", "DTDEENTREGA", "DATE NOT NULL"},
            {"CONFIG", "DTATEENTREGA", "DATE NOT NULL"},
            {"CONFIG", "IDDIGPRECO", "VARCHAR(1)"},
            {"CONFIG", "IDDIGCOLECAO", "VARCHAR(1)"},
            {"CONFIG", "IDCLIEMAILOBR", "VARCHAR(1)"},
            {"CONFIG", "IDRELESTOQUE", "VARCHAR(1)"},
            {"CONFIG", "IDIMGPRODUTO", "VARCHAR(1)"},
            {"CONFIG", "DTHRESTOQUE", "TIMESTAMP"},
            {"CONFIG", "IDAVISO", "VARCHAR(1)"},
            {"CONFIG", "DSEMAIL", "VARCHAR(100)"},
            {"CONFIG", "NRFONE", "VARCHAR(30)"},
            {"CONFIG", "NRCELULAR", "VARCHAR(30)"},
            {"CONFIG", "NUMERO", "VARCHAR(5)"},
            {"CONFIG", "NRREFER", "INTEGER"},
            // the engine turns a blob given a character set into a text blob
            {"CONFIG", "OBSERVACAO", "BLOB 1"},
            {"CONFIG_IMAGEM", "CNFIMG_CONFIG", "INTEGER NOT NULL"},
            {"CONFIG_IMAGEM", "CNFIMG_IMAGEM", "BLOB 0"},
            {"CLIENTE", "CLI_NRDIAS", "INTEGER"},
            {"CLIENTE", "CLI_IDSTATUS", "VARCHAR(1)"},
            {"CLIENTE", "CLI_PRZMEDIO", "INTEGER"},
            {"CONTATO_CLI", "CONT_CNPJ", "VARCHAR(18)"},
            {"PEDIDO", "PED_IDFECHADO", "VARCHAR(1)"},
            {"PEDIDO", "PED_TABPRZ", "VARCHAR(4)"},
            {"PEDIDO", "PED_MD5", "VARCHAR(32)"},
            {"PED_ITEN", "PEDIT_PREC_ORI", "NUMERIC(13,5)"},
            {"PED_ITEN", "PEDIT_DT_ENTREGA", "DATE"},
            {"PRODUTO", "PROD_LINHA", "VARCHAR(5)"},
            {"PRODUTO", "PROD_DESCLINHA", "VARCHAR(50)"},
            {"PRODUTO", "PROD_DT_ENTREGA", "DATE"},
            {"PA_ITEN", "PAIT_FAIXA_TAM", "VARCHAR(4)"},
            {"PA_ITEN", "PAIT_POS_TAM", "INTEGER"},
            {"PA_ITEN", "PAIT_QTDE", "INTEGER"},
            {"PA_ITEN", "PAIT_BLOQUEIA_EST", "VARCHAR(1)"},
            {"PA_ITEN", "PAIT_QTDESTOQUE", "NUMERIC(10,3)"},
            {"PA_ITEN", "PAIT_DEPO", ""},
            {"PA_ITEN", "PAIT_LOTE", ""},
            {"TABPRE_PRODUTO", "PREC_FAIXA_TAM", "VARCHAR(4) NOT NULL"},
            {"TABPRE_PRODUTO", "PREC_PRECO_ORI", "NUMERIC(12,2)"},
            {"TABPRECO", "TABP_VLRMINIMO", "NUMERIC(12,2)"},
            {"TABPRZ", "TABP_PRAZO", "VARCHAR(4) NOT NULL"},
            {"TABPRZ", "TABP_DESCRICAO", "VARCHAR(60)"},
            {"PRODUTO_ORDEM", "COD_CONFIG", "INTEGER NOT NULL"},
            {"PRODUTO_ORDEM", "COD_PAITEM", "VARCHAR(15) NONE NOT NULL"},
            {"PRODUTO_ORDEM", "COR", "VARCHAR(6) NONE NOT NULL"},
            {"PRODUTO_ORDEM", "TAM", "VARCHAR(4) NONE NOT NULL"},
            {"PRODUTO_ORDEM", "ORDEM", "INTEGER NOT NULL"},
            {"PROD_IMAGEM", "PROD_CODI", "VARCHAR(15) NOT NULL"},
            {"PROD_IMAGEM", "PROD_IMAGEM", "BLOB 0"},
        };
        for (const Coluna &c : colunas)
            EXPECT_EQ(tipo(db, c.tabela, c.campo), c.tipo) << c.tabela << "." << c.campo;

        struct Indice {
            const char *nome, *colunas;
        };
        const Indice indices[] = {
            {"IDX_TABPRE_PRODUTO", "PREC_PRODUTO,PREC_TABELA,PREC_FAIXA_TAM,PREC_FAIXA"},
            {"IDX_PA_ITEN", "PAIT_CODI,PAIT_COR,PAIT_TAM"},
            {"IDX_TABPRZ", "TABP_PRAZO"},
            {"IDX_TABPRE_PRODUTO1", "PREC_PRODUTO,PREC_TABELA"},
            {"IDX_PRODUTO1", "PROD_CODI"},
            {"IDX_PRODUTO2", "PROD_DESC,PROD_CODI"},
            {"IDX_PED_ITEN", "PEDIT_NUME,PEDIT_CODI,PEDIT_COR,PEDIT_TAM"},
            {"IDX_PED_ITEN_PEDIT_CODI", "PEDIT_CODI"},
            {"IDX_PED_ITEN_PEDIT_COR", "PEDIT_COR"},
            {"IDX_PED_ITEN_PEDIT_TAM", "PEDIT_TAM"},
            {"IDX_PEDIDO", "PED_NUME"},
            {"IDX_PEDIDO1", "PED_CCLI,PED_NUME"},
            {"IDX_PA_ITEN1", "PAIT_CODI,PAIT_COR,PAIT_TAM"},
            {"IDX_PA_ITEN2", "PAIT_POS_TAM,PAIT_CODI,PAIT_COR,PAIT_TAM"},
            {"IDX_PA_ITEN_CODI_TAM", "PAIT_CODI,PAIT_TAM"},
            {"IDX_PED_ITEN_CELULA", "PEDIT_CODI,PEDIT_COR,PEDIT_TAM"},
            {"IDX_CLIENTE1", "CLI_CODI"},
            {"IDX_CLIENTE2", "CLI_NOME,CLI_CODI"},
            {"IDX_PRODUTO_ORDEM_A", "ORDEM,COD_PAITEM,COR,TAM"},
            {"IDX_PRODUTO_ORDEM_B", "COD_PAITEM,COR,TAM"},
        };
        for (const Indice &i : indices)
            EXPECT_EQ(segmentos(db, i.nome), i.colunas) << i.nome;

        const QStringList chaves = linhas(db,
            "SELECT c.RDB$RELATION_NAME, c.RDB$CONSTRAINT_NAME, "
            "c.RDB$INDEX_NAME FROM RDB$RELATION_CONSTRAINTS c "
            "WHERE c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND "
            "c.RDB$RELATION_NAME IN "
            "('TABPRE_PRODUTO', 'PA_ITEN', 'TABPRZ', 'PRODUTO_ORDEM', "
            "'PROD_IMAGEM') ORDER BY 1");
        EXPECT_EQ(chaves,
            (QStringList{"PA_ITEN|PK_PA_ITEN|IDX_PA_ITEN", "PRODUTO_ORDEM|PRODUTO_ORDEM_PK|PRODUTO_ORDEM_PK",
                "PROD_IMAGEM|PK_PROD_IMAGEM|PK_PROD_IMAGEM", "TABPRE_PRODUTO|PK_TABPRE_PRODUTO|IDX_TABPRE_PRODUTO",
                "TABPRZ|PK_TABPRZ|IDX_TABPRZ"}));
        EXPECT_EQ(segmentos(db, "PRODUTO_ORDEM_PK"), "COD_CONFIG,COD_PAITEM,COR,TAM,ORDEM");
        EXPECT_EQ(linhas(db,
                      "SELECT s.RDB$FIELD_NAME FROM "
                      "RDB$RELATION_CONSTRAINTS c JOIN RDB$INDEX_SEGMENTS s "
                      "ON s.RDB$INDEX_NAME = c.RDB$INDEX_NAME WHERE "
                      "c.RDB$RELATION_NAME = 'EMPRESA' "
                      "AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"),
            QStringList{"EMP_PAT"});

        EXPECT_EQ(gatilhos(db), QStringList());
        EXPECT_EQ(linhas(db,
                      "SELECT RDB$MODULE_NAME, RDB$ENTRYPOINT FROM RDB$FUNCTIONS "
                      "WHERE RDB$FUNCTION_NAME = 'UDF_MONTH'"),
            QStringList{"tbudf|udf_Month"});

        // what the data steps wrote into existing rows
        EXPECT_EQ(linhas(db,
                      "SELECT CAST(DTDEENTREGA AS VARCHAR(10)), "
                      "CAST(DTATEENTREGA AS VARCHAR(10)), "
                      "IDDIGPRECO, IDDIGCOLECAO, IDCLIEMAILOBR, "
                      "IDRELESTOQUE, IDIMGPRODUTO FROM CONFIG"),
            QStringList{"2000-01-01|2050-12-31|N|N|N|N|N"});
        EXPECT_EQ(
            linhas(db, "SELECT PED_NUME, PED_IDFECHADO FROM PEDIDO ORDER BY 1"), (QStringList{"00001|S", "00002|N"}));
        EXPECT_EQ(linhas(db, "SELECT CONT_CNPJ FROM CONTATO_CLI"), QStringList{"11.222.333/0001-81"});
        EXPECT_EQ(linhas(db,
                      "SELECT PREC_FAIXA_TAM, CAST(PREC_PRECO_ORI AS "
                      "VARCHAR(20)) FROM TABPRE_PRODUTO"),
            QStringList{"UU|7.25"});
        EXPECT_EQ(scalar(db, "SELECT PEDIT_PREC_ORI FROM PED_ITEN").toDouble(), 12.5);
        EXPECT_EQ(linhas(db, "SELECT PAIT_QTDESTOQUE, COALESCE(PAIT_QTDE, -1) FROM PA_ITEN"), QStringList{"0|-1"});
        EXPECT_EQ(scalar(db, "SELECT CLI_PRZMEDIO FROM CLIENTE").toInt(), 0);
        EXPECT_EQ(scalar(db, "SELECT TABP_VLRMINIMO FROM TABPRECO").toDouble(), 0.0);
        antes = catalogo(db);
    }
    rec->clear();
    auto dm = inicia(inst);
    EXPECT_EQ(rec->texts(), QStringList());
    EXPECT_EQ(catalogo(*dm->XRDtRepres), antes);
}

TEST_F(AtualizaBaseTest, DuplicateGridCellsAreReducedToOne)
{
    prepara(inst,
        kConfig
            + QStringList{
                "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, "
                "PAIT_DEPO, PAIT_LOTE) VALUES ('P1','AZ','M','1','L1')",
                "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, "
                "PAIT_DEPO, PAIT_LOTE) VALUES ('P1','AZ','M','2','L1')",
                "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, "
                "PAIT_DEPO, PAIT_LOTE) VALUES ('P1','AZ','M','1','L2')",
                "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, "
                "PAIT_DEPO, PAIT_LOTE) VALUES ('P1','AZ','G','1','L1')",
            });
    auto dm = inicia(inst);
    EXPECT_EQ(rec->texts(), QStringList());
    EXPECT_EQ(linhas(*dm->XRDtRepres,
                  "SELECT PAIT_TAM, COUNT(*) FROM PA_ITEN "
                  "GROUP BY PAIT_TAM ORDER BY 1"),
        (QStringList{"G|1", "M|1"}));
    EXPECT_EQ(segmentos(*dm->XRDtRepres, "IDX_PA_ITEN"), "PAIT_CODI,PAIT_COR,PAIT_TAM");
}

TEST_F(AtualizaBaseTest, NarrowSizeBandIsWidenedAndTheKeyRebuilt)
{
    // measured in characters: in UTF8 two characters take eight bytes
    for (const QString &charset : {QString(), QString(" CHARACTER SET UTF8")}) {
        ScratchInstall local;
        ScopedDialogRecorder r;
        prepara(local,
            kConfig
                + QStringList{
                    "ALTER TABLE TABPRE_PRODUTO DROP CONSTRAINT INTEG_20",
                    "ALTER TABLE TABPRE_PRODUTO ADD PREC_FAIXA_TAM VARCHAR(2)" + charset + " DEFAULT 'UU' NOT NULL",
                    "ALTER TABLE TABPRE_PRODUTO ADD CONSTRAINT PK_TABPRE_PRODUTO "
                    "PRIMARY KEY "
                    "(PREC_PRODUTO,PREC_TABELA,PREC_FAIXA_TAM,PREC_FAIXA) USING "
                    "INDEX IDX_TABPRE_PRODUTO",
                    "ALTER TABLE PA_ITEN ADD PAIT_FAIXA_TAM VARCHAR(2)" + charset,
                    "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, "
                    "PREC_FAIXA, PREC_FAIXA_TAM, PREC_PRECO) "
                    "VALUES ('P1', 'T1', 1, 'AB', 3)",
                });
        auto dm = inicia(local);
        TXRDatabase &db = *dm->XRDtRepres;
        const std::string caso = charset.toStdString();
        EXPECT_EQ(r->texts(), QStringList()) << caso;
        auto caracteres = [&db](const char *tabela, const char *campo) {
            return scalar(db,
                QString("SELECT f.RDB$CHARACTER_LENGTH FROM "
                        "RDB$RELATION_FIELDS r JOIN RDB$FIELDS f "
                        "ON f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE "
                        "WHERE r.RDB$RELATION_NAME = '%1' "
                        "AND r.RDB$FIELD_NAME = '%2'")
                    .arg(tabela, campo))
                .toInt();
        };
        EXPECT_EQ(caracteres("TABPRE_PRODUTO", "PREC_FAIXA_TAM"), 4) << caso;
        EXPECT_EQ(caracteres("PA_ITEN", "PAIT_FAIXA_TAM"), 4) << caso;
        EXPECT_EQ(segmentos(db, "IDX_TABPRE_PRODUTO"), "PREC_PRODUTO,PREC_TABELA,PREC_FAIXA_TAM,PREC_FAIXA") << caso;
        EXPECT_EQ(scalar(db,
                      "SELECT RDB$INDEX_NAME FROM RDB$RELATION_CONSTRAINTS "
                      "WHERE RDB$CONSTRAINT_NAME = 'PK_TABPRE_PRODUTO'")
                      .toString()
                      .trimmed(),
            "IDX_TABPRE_PRODUTO")
            << caso;
        execSql(db,
            "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, "
            "PREC_FAIXA, PREC_FAIXA_TAM) "
            "VALUES ('P1', 'T1', 1, 'ABCD')");
        EXPECT_EQ(linhas(db, "SELECT PREC_FAIXA_TAM FROM TABPRE_PRODUTO ORDER BY 1"), (QStringList{"AB", "ABCD"}))
            << caso;
    }
}

TEST_F(AtualizaBaseTest, ContactTriggersEndAsTheirStartingStateRequires)
{
    const QString bi0 = "CREATE TRIGGER CONTATO_CLI_BI0 FOR CONTATO_CLI ACTIVE "
                        "BEFORE INSERT POSITION 0 AS BEGIN END";
    const QString bi1 = "CREATE TRIGGER CONTATO_CLI_BI1 FOR CONTATO_CLI ACTIVE "
                        "BEFORE INSERT POSITION 1 AS BEGIN END";
    struct Caso {
        const char *nome;
        QStringList ddl;
        QStringList depois;
    };
    const Caso casos[] = {
        {"nenhum", {}, {}},
        {"BI1 e BI0", {bi0, bi1}, {"CONTATO_CLI_BI0", "CONTATO_CLI_BI1"}},
        {"so BI1", {bi1}, {"CONTATO_CLI_BI1"}},
        {"so BI0", {bi0}, {}},
    };
    for (const Caso &c : casos) {
        ScratchInstall local;
        ScopedDialogRecorder r;
        prepara(local, kConfig + c.ddl);
        for (int partida = 1; partida <= 2; ++partida) {
            auto dm = inicia(local);
            EXPECT_EQ(gatilhos(*dm->XRDtRepres), c.depois) << c.nome << " partida " << partida;
        }
        EXPECT_EQ(r->texts(), QStringList()) << c.nome;
    }
}

TEST_F(AtualizaBaseTest, StepThatFailsAtItsFirstStatementIsReportedAtEveryStart)
{
    prepara(inst,
        kConfig
            + QStringList{"ALTER TABLE TABPRE_PRODUTO DROP CONSTRAINT INTEG_20",
                "ALTER TABLE TABPRE_PRODUTO ADD CONSTRAINT PK_ANTIGA "
                "PRIMARY KEY (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA)"});
    for (int partida = 1; partida <= 2; ++partida) {
        rec->clear();
        auto dm = inicia(inst);
        const auto entradas = rec->entries();
        ASSERT_EQ(entradas.size(), 1u) << "partida " << partida;
        EXPECT_EQ(entradas[0].kind, "message");
        EXPECT_TRUE(entradas[0].text.startsWith(kPrefixo + '\r')) << entradas[0].text.toStdString();
        EXPECT_TRUE(entradas[0].text.contains("INTEG_20")) << entradas[0].text.toStdString();
        EXPECT_EQ(tipo(*dm->XRDtRepres, "TABPRE_PRODUTO", "PREC_FAIXA_TAM"), "");
        // the steps after it still ran
        EXPECT_EQ(segmentos(*dm->XRDtRepres, "IDX_PED_ITEN_PEDIT_TAM"), "PEDIT_TAM");
    }
}

TEST_F(AtualizaBaseTest, FailuresAreReportedInTheStyleOfTheirStep)
{
    struct Caso {
        const char *tabela, *linha, *coluna;
        const char *tipo; // "box" only for the price-table step
    };
    const Caso casos[] = {
        {"TABPRECO", "INSERT INTO TABPRECO (TABP_REGIAO) VALUES ('T1')", "TABP_VLRMINIMO", "box"},
        {"CLIENTE", "INSERT INTO CLIENTE (CLI_CODI) VALUES ('00001')", "CLI_PRZMEDIO", "message"},
    };
    for (const Caso &c : casos) {
        ScratchInstall local;
        ScopedDialogRecorder r;
        // an update trigger makes the step's second statement fail
        prepara(local,
            kConfig
                + QStringList{c.linha, "CREATE EXCEPTION E_BLOQUEIO 'bloqueado pelo teste'",
                    QString("CREATE TRIGGER BLOQUEIA FOR %1 ACTIVE BEFORE UPDATE AS "
                            "BEGIN EXCEPTION E_BLOQUEIO; END")
                        .arg(c.tabela)});
        {
            auto dm = inicia(local);
            const auto entradas = r->entries();
            ASSERT_EQ(entradas.size(), 1u) << c.tabela;
            const DialogEntry &e = entradas[0];
            EXPECT_EQ(e.kind, c.tipo) << c.tabela;
            EXPECT_TRUE(e.text.contains("bloqueado pelo teste")) << e.text.toStdString();
            if (e.kind == "box") {
                EXPECT_TRUE(e.text.startsWith(kPrefixo)) << e.text.toStdString();
                EXPECT_NE(e.text.mid(kPrefixo.size(), 1), "\r");
                EXPECT_EQ(e.title, "Erro");
                EXPECT_EQ(e.buttons, MsgButtons::Ok);
                EXPECT_EQ(e.icon, MsgIcon::Warning);
            } else {
                EXPECT_TRUE(e.text.startsWith(kPrefixo + '\r')) << e.text.toStdString();
            }
            // the statement before the failure stays; the sequence went on
            EXPECT_NE(tipo(*dm->XRDtRepres, c.tabela, c.coluna), "") << c.tabela;
            EXPECT_EQ(segmentos(*dm->XRDtRepres, "IDX_PED_ITEN_PEDIT_TAM"), "PEDIT_TAM") << c.tabela;
        }
        // the column it looks for is there now, so the step is not retried
        r->clear();
        auto dm = inicia(local);
        EXPECT_EQ(r->texts(), QStringList()) << c.tabela;
    }
}

TEST_F(AtualizaBaseTest, FailingCatalogueTestSkipsOnlyItsStep)
{
    prepara(inst, kConfig);
    inst.writeFile("XR.ini", kIni);
    TDMRepres dm{TDMRepresGanchos{}};
    std::vector<TPassoAtualizacao> passos = PassosAtualizaBase();
    ASSERT_EQ(passos[1].numero, 2);
    passos[1].teste = [&dm](TCatalogoBase &) {
        TXRQuery q;
        q.SetDatabase(dm.XRDtRepres);
        q.SQL().Add("SELECT 1 FROM TABELA_QUE_NAO_EXISTE");
        q.Open();
        return true;
    };
    ExecutaPassos(dm, passos);
    const auto entradas = rec->entries();
    ASSERT_EQ(entradas.size(), 1u);
    EXPECT_EQ(entradas[0].kind, "message");
    EXPECT_TRUE(entradas[0].text.startsWith(kPrefixo + "\rErro XRQuery.Open: ")) << entradas[0].text.toStdString();
    TXRDatabase &db = *dm.XRDtRepres;
    EXPECT_EQ(tipo(db, "EMPRESA", "EMP_PAT"), "VARCHAR(4) NOT NULL");
    EXPECT_EQ(tipo(db, "EMPRESA", "EMP_CNPJ"), "");
    EXPECT_EQ(segmentos(db, "IDX_PED_ITEN_PEDIT_TAM"), "PEDIT_TAM");
}

TEST_F(AtualizaBaseTest, InstalledHookServesModulesMadeWithDefaultHooks)
{
    prepara(inst, kConfig);
    inst.writeFile("XR.ini", kIni);
    const TDMRepresGanchos guardados = TDMRepres::GanchosPadrao();
    InstalaAtualizaBase();
    {
        TDMRepres dm;
        EXPECT_EQ(tipo(*dm.XRDtRepres, "EMPRESA", "EMP_CNPJ"), "VARCHAR(18)");
    }
    TDMRepres::GanchosPadrao() = guardados;
}

TEST_F(AtualizaBaseTest, StepWhoseCommitFailsDoesNotSpoilTheNextOnes)
{
    // a key over a column that old row versions still hold as NULL is
    // refused only when the transaction commits
    prepara(inst, kConfig + QStringList{"INSERT INTO COTAS (COT_COLECAO) VALUES ('C1')"});
    inst.writeFile("XR.ini", kIni);
    TDMRepres dm{TDMRepresGanchos{}};
    auto cmd = [](const char *sql) {
        TComandoAtualizacao c;
        c.linhas = QStringList{sql};
        return c;
    };
    auto sempre = [](TCatalogoBase &) { return true; };
    TPassoAtualizacao falha;
    falha.numero = 1;
    falha.teste = sempre;
    falha.comandos = {cmd("ALTER TABLE COTAS ADD COT_CHAVE VARCHAR(4)"), cmd("UPDATE COTAS SET COT_CHAVE = 'X'"),
        cmd("ALTER TABLE COTAS ALTER COT_CHAVE SET NOT NULL"),
        cmd("ALTER TABLE COTAS ADD CONSTRAINT PK_COTAS PRIMARY KEY (COT_CHAVE)"),
        cmd("ALTER TABLE COTAS ADD COT_DEPOIS INTEGER")};
    TPassoAtualizacao seguinte;
    seguinte.numero = 2;
    seguinte.teste = sempre;
    seguinte.comandos = {cmd("ALTER TABLE COLECAO ADD COL_NOVA INTEGER")};

    ExecutaPassos(dm, {falha, seguinte});
    const QStringList textos = rec->texts();
    ASSERT_EQ(textos.size(), 1) << textos.join('\n').toStdString();
    EXPECT_TRUE(textos[0].startsWith(kPrefixo + '\r')) << textos[0].toStdString();
    TXRDatabase &db = *dm.XRDtRepres;
    EXPECT_EQ(tipo(db, "COTAS", "COT_CHAVE"), "VARCHAR(4) NOT NULL");
    EXPECT_EQ(tipo(db, "COTAS", "COT_DEPOIS"), "");
    EXPECT_EQ(scalar(db,
                  "SELECT COUNT(*) FROM RDB$RELATION_CONSTRAINTS WHERE "
                  "RDB$RELATION_NAME = 'COTAS' "
                  "AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'")
                  .toInt(),
        0);
    EXPECT_EQ(tipo(db, "COLECAO", "COL_NOVA"), "INTEGER");
}

// A start killed between two statements of a step (here: the sequence cut
// short right after a statement's commit) must be completed by the next
// start, whatever statement it stopped after: no message, and the whole
// catalogue as a clean upgrade leaves it.
struct Interrompido {
};

TEST_F(AtualizaBaseTest, UpgradeCutShortAfterAnyStatementCompletesAtTheNextStart)
{
    prepara(inst, kConfig + kDados);
    inst.writeFile("XR.ini", kIni);
    std::vector<std::pair<int, int>> executados; // step, statement
    QStringList limpo;
    {
        TDMRepres dm{TDMRepresGanchos{}};
        ExecutaPassos(dm, PassosAtualizaBase(), [&executados](int p, int c) { executados.emplace_back(p, c); });
        limpo = catalogo(*dm.XRDtRepres);
    }
    ASSERT_EQ(rec->texts(), QStringList());

    int cortes = 0;
    for (size_t k = 0; k + 1 < executados.size(); ++k) {
        // a cut after a step's last statement is a cut between steps
        if (executados[k].first != executados[k + 1].first)
            continue;
        ++cortes;
        SCOPED_TRACE(QString("passo %1, depois do comando %2")
                         .arg(executados[k].first)
                         .arg(executados[k].second + 1)
                         .toStdString());
        ScratchInstall local;
        ScopedDialogRecorder r;
        prepara(local, kConfig + kDados);
        local.writeFile("XR.ini", kIni);
        {
            TDMRepres dm{TDMRepresGanchos{}};
            size_t feitos = 0;
            try {
                ExecutaPassos(dm, PassosAtualizaBase(), [&feitos, k](int, int) {
                    if (feitos++ == k)
                        throw Interrompido{};
                });
                ADD_FAILURE() << "not cut short";
            } catch (const Interrompido &) {
            }
        }
        auto dm = inicia(local);
        EXPECT_EQ(r->texts(), QStringList());
        EXPECT_EQ(catalogo(*dm->XRDtRepres), limpo);
    }
    EXPECT_GT(cortes, 30);
}

} // namespace
