#include "TestDb.h"

#include "data/UntScriptsRep.h"
#include "data/XREstatisticas.h"
#include "data/untDMRepres.h"

#include <gtest/gtest.h>

namespace {

// Products and colours enough for every index to see several values.
QStringList linhasDeProdutos()
{
    QStringList s;
    for (int k = 0; k < 12; ++k)
        s << QStringLiteral("INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('E%1', 'ITEM %1')").arg(k)
          << QStringLiteral("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) "
                            "VALUES ('E%1', 'AZ', 'M', 'N')").arg(k);
    return s;
}

QString selecao(const char *funcao, const char *tabela)
{
    return QStringLiteral("SELECT %1(COALESCE(RDB$STATISTICS, 0)) FROM RDB$INDICES WHERE RDB$RELATION_NAME = '%2'")
        .arg(QLatin1String(funcao), QLatin1String(tabela));
}

class EstatisticasTest : public ::testing::Test {
protected:
    ScratchInstall inst;
    ScopedDialogRecorder rec;
};

TEST_F(EstatisticasTest, RowsLoadedIntoAnUpgradedDatabaseGetTrueStatistics)
{
    installTemplate(inst, upgradedTemplate(linhasDeProdutos()));
    auto db = inst.connect();
    ASSERT_GT(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$RELATION_NAME = 'PA_ITEN'")).toInt(), 0);
    // the indexes were made on empty tables
    ASSERT_EQ(scalar(*db, selecao("MAX", "PA_ITEN")).toDouble(), 0);

    AtualizaEstatisticas(*db, {QStringLiteral("pa_iten "), QStringLiteral("NAO_EXISTE")});
    db->Transaction()->Commit();
    EXPECT_GT(scalar(*db, selecao("MIN", "PA_ITEN")).toDouble(), 0);
    // only the tables named
    EXPECT_EQ(scalar(*db, selecao("MAX", "PRODUTO")).toDouble(), 0);
}

TEST_F(EstatisticasTest, StartUpRecomputesTablesWithRowsWhoseStatisticsAreAllZero)
{
    installTemplate(inst, upgradedTemplate(linhasDeProdutos()));
    {
        auto db = inst.connect();
        ASSERT_EQ(scalar(*db, selecao("MAX", "PRODUTO")).toDouble(), 0);
    }
    TDMRepres dm{TDMRepresGanchos{}};
    ASSERT_TRUE(dm.XRDtRepres->Connected());
    TXRDatabase &db = *dm.XRDtRepres;
    for (const char *t : {"PRODUTO", "PA_ITEN"})
        EXPECT_GT(scalar(db, selecao("MIN", t)).toDouble(), 0) << t;
    // an empty table is left alone: its statistics would say nothing
    EXPECT_EQ(scalar(db, selecao("MAX", "PED_ITEN")).toDouble(), 0);
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(EstatisticasTest, UpgradeStepsLeaveTrueStatisticsOnTheTablesTheyFill)
{
    installTemplate(inst, upgradedTemplate());
    TDMRepres dm{TDMRepresGanchos{}};
    ASSERT_TRUE(dm.XRDtRepres->Connected());
    TXRDatabase &db = *dm.XRDtRepres;
    ASSERT_EQ(scalar(db, selecao("MAX", "PA_ITEN")).toDouble(), 0);
    TComandoAtualizacao insere;
    insere.linhas = {QStringLiteral("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO)"),
                     QStringLiteral("SELECT FIRST 40 'U' || ROW_NUMBER() OVER (), 'AZ', 'M', 'N' FROM RDB$TYPES")};
    insere.emLinhas = true;
    TPassoAtualizacao passo;
    passo.numero = 1;
    passo.teste = [](TCatalogoBase &) { return true; };
    passo.comandos = {insere};
    ExecutaPassos(dm, {passo});
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM PA_ITEN").toInt(), 40);
    EXPECT_GT(scalar(db, selecao("MIN", "PA_ITEN")).toDouble(), 0);
    EXPECT_EQ(scalar(db, selecao("MAX", "PRODUTO")).toDouble(), 0);
}

} // namespace
