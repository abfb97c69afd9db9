// The SQL console on an upgraded embedded database.
#include "TestDb.h"
#include "test_shell_fixture.h"

#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/editorsql/regras/ConsoleSQL.h"
#include "windows/editorsql/untEditorSQL.h"
#include "windows/nucleo/WindowRegistry.h"

#include <QAction>
#include <QPointer>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class EditorSQL : public ::testing::Test {
protected:
    void SetUp() override
    {
        installTemplate(inst, upgradedTemplate());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        fm = std::make_unique<TfmEditorSQL>();
        fm->show();
        rec->clear();
    }
    void TearDown() override
    {
        fm.reset();
        dm.reset();
    }

    void executa(const QString &texto)
    {
        fm->MemoCmd->setPlainText(texto);
        fm->AExecutar->trigger();
    }
    // NMUSUARIO as the module's transaction sees it.
    QString usuarioNoModulo() { return scalar(*dm->XRDtRepres, QStringLiteral("SELECT NMUSUARIO FROM CONFIG")).toString(); }
    // NMUSUARIO as the console sees it.
    QString usuarioNoConsole()
    {
        executa(QStringLiteral("SELECT NMUSUARIO FROM CONFIG"));
        return fm->QrySQL->fieldByName(QStringLiteral("NMUSUARIO"))->asString();
    }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
    std::unique_ptr<TfmEditorSQL> fm;
};

TEST_F(EditorSQL, TreeHoldsTheUserTablesWithTheirFieldsAndTypes)
{
    EXPECT_EQ(fm->windowTitle(), QStringLiteral("Editor SQL"));
    EXPECT_EQ(fm->PageControl->tabText(0), QStringLiteral("Resultado"));
    EXPECT_EQ(fm->PageControl->tabText(1), QStringLiteral("Histórico"));
    QTreeWidgetItem *config = nullptr;
    for (int i = 0; i < fm->TreeView->topLevelItemCount(); ++i) {
        if (fm->TreeView->topLevelItem(i)->text(0).trimmed() == QLatin1String("CONFIG"))
            config = fm->TreeView->topLevelItem(i);
        EXPECT_FALSE(fm->TreeView->topLevelItem(i)->text(0).startsWith(QLatin1String("RDB$")));
    }
    ASSERT_NE(config, nullptr);
    QStringList campos;
    for (int i = 0; i < config->childCount(); ++i)
        campos << config->child(i)->text(0);
    const QRegularExpression codRep(QStringLiteral("^CODREP *     VARCHAR\\(10\\)$"));
    const QRegularExpression porta(QStringLiteral("^NRPORTASERV *     INTEGER *$"));
    const QRegularExpression minimo(QStringLiteral("^VLMINIMOPED *     NUMERIC\\(12,2\\)$"));
    EXPECT_EQ(campos.filter(codRep).size(), 1) << campos.join('\n').toStdString();
    EXPECT_EQ(campos.filter(porta).size(), 1) << campos.join('\n').toStdString();
    EXPECT_EQ(campos.filter(minimo).size(), 1) << campos.join('\n').toStdString();
    EXPECT_TRUE(campos.first().startsWith(QLatin1String("CODREP"))) << "fields in name order";
}

TEST_F(EditorSQL, SemicolonsInsideQuotesAndCommentsDoNotSplitAndBlankPiecesAreSkipped)
{
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'a;b'\n  WHERE CODREP = '001'; -- fim; ok\n;\r\n"));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("a;b"));
    executa(QStringLiteral("/* x; y */ UPDATE CONFIG SET NMUSUARIO = 'c''d;' ;"));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("c'd;"));
}

TEST_F(EditorSQL, EachStatementRunsByItsOwnKindSoQueriesShowTheirRows)
{
    executa(QStringLiteral("SELECT CODREP, NMUSUARIO FROM CONFIG;\nUPDATE CONFIG SET NUMERO = '77'"));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    ASSERT_TRUE(fm->QrySQL->active());
    EXPECT_EQ(fm->QrySQL->recordCount(), 1);
    EXPECT_EQ(fm->QrySQL->fieldByName(QStringLiteral("NMUSUARIO"))->asString(), QStringLiteral("Ana"));
    EXPECT_EQ(fm->DBGrid->model()->rowCount(), 1);

    // words inside a query change nothing; the last query fills the grid
    executa(QStringLiteral("update config set nmusuario = 'Bia';\n"
                           "SELECT 'INSERT' AS X FROM RDB$DATABASE;\n"
                           "select numero, 'DELETE' AS Y from config"));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    EXPECT_EQ(fm->QrySQL->fieldCount(), 2);
    EXPECT_EQ(fm->QrySQL->fieldByName(QStringLiteral("NUMERO"))->asString(), QStringLiteral("77"));
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Bia"));

    // a run without a query leaves no old rows behind
    executa(QStringLiteral("UPDATE CONFIG SET NUMERO = '78'"));
    EXPECT_FALSE(fm->QrySQL->active());
}

TEST_F(EditorSQL, TheFirstFailureStopsTheRunWithItsMessage)
{
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Um';\nSELECT * FROM NAO_EXISTE;\n"
                           "UPDATE CONFIG SET NMUSUARIO = 'Dois'"));
    const auto entradas = rec->entries();
    ASSERT_EQ(entradas.size(), 1u);
    EXPECT_TRUE(entradas[0].text.startsWith(QStringLiteral("Problemas no código SQL.\n\n"))) << entradas[0].text.toStdString();
    EXPECT_TRUE(entradas[0].text.endsWith('\n'));
    EXPECT_TRUE(entradas[0].text.contains(QLatin1String("NAO_EXISTE"))) << entradas[0].text.toStdString();
    EXPECT_EQ(entradas[0].title, QStringLiteral("Editor SQL"));
    EXPECT_EQ(entradas[0].icon, MsgIcon::Information);
    rec->clear();
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Um"));
}

TEST_F(EditorSQL, HistoryKeepsEveryRunWithItsTimeAlsoAfterAFailure)
{
    executa(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    executa(QStringLiteral("SELECT X\nFROM NADA"));
    const QStringList linhas = fm->MemoHist->toPlainText().split('\n');
    ASSERT_EQ(linhas.size(), 7) << fm->MemoHist->toPlainText().toStdString();
    const QRegularExpression cabecalho(QStringLiteral("^-{19}\\d\\d:\\d\\d:\\d\\d-{21}$"));
    EXPECT_EQ(linhas[0], QString());
    EXPECT_TRUE(cabecalho.match(linhas[1]).hasMatch()) << linhas[1].toStdString();
    EXPECT_EQ(linhas[2], QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    EXPECT_EQ(linhas[3], QString());
    EXPECT_TRUE(cabecalho.match(linhas[4]).hasMatch());
    EXPECT_EQ(linhas.mid(5), (QStringList{QStringLiteral("SELECT X"), QStringLiteral("FROM NADA")}));

    fm->ALimpar->trigger();
    EXPECT_TRUE(fm->MemoCmd->toPlainText().isEmpty());
    EXPECT_EQ(fm->MemoHist->toPlainText().split('\n').size(), 7);
}

TEST_F(EditorSQL, F9InTheMemoRunsAndAFileIsAppended)
{
    inst.writeFile(QStringLiteral("script.sql"), "UPDATE CONFIG SET NMUSUARIO = 'Arquivo\xe7';\r\nSELECT 2 FROM RDB$DATABASE;\r\n");
    fm->MemoCmd->setPlainText(QStringLiteral("-- antes"));
    rec->pushFile(inst.path(QStringLiteral("script.sql")));
    fm->AAbrir->trigger();
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].kind, QStringLiteral("open"));
    rec->clear();
    EXPECT_EQ(fm->MemoCmd->toPlainText(),
              QStringLiteral("-- antes\nUPDATE CONFIG SET NMUSUARIO = 'Arquivoç';\nSELECT 2 FROM RDB$DATABASE;"));
    teclaClique(fm->MemoCmd, Qt::Key_F9);
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();
    EXPECT_EQ(fm->QrySQL->recordCount(), 1);
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Arquivoç"));
}

TEST_F(EditorSQL, RollbackUndoesAndCommitKeepsTheConsolesWorkOnly)
{
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Desfeito'"));
    fm->ARollback->trigger();
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Ana"));
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Ana"));

    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Mantido'"));
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Ana")) << "not committed yet";
    fm->ACommit->trigger();
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Mantido"));

    // typed as SQL they are the same buttons
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Digitado'; ROLLBACK;"));
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Mantido"));
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Confirmado'; COMMIT"));
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Confirmado"));
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('\n').toStdString();

    // the console's rollback leaves the module's pending work alone
    TXRQuery q;
    q.SetDatabase(dm->XRDtRepres);
    q.SQL().Add(QStringLiteral("UPDATE CONFIG SET NRFONE = '(81)1111-2222'"));
    q.ExecSQL();
    fm->ARollback->trigger();
    EXPECT_EQ(scalar(*dm->XRDtRepres, QStringLiteral("SELECT NRFONE FROM CONFIG")).toString(),
              QStringLiteral("(81)1111-2222"));
}

TEST_F(EditorSQL, AnotherWindowsCommitKeepsNothingOfTheConsoleAndClosingDropsIt)
{
    executa(QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Pendente'"));
    dm->XRTransaction->CommitRetaining();
    dm->XRTransaction->Commit();
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Ana"));
    EXPECT_EQ(usuarioNoConsole(), QStringLiteral("Pendente"));
    QPointer<TfmEditorSQL> janela(fm.release()); // freed by its close
    janela->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(janela.isNull());
    EXPECT_EQ(usuarioNoModulo(), QStringLiteral("Ana"));
    // nothing of the console's is left holding the row
    execSql(*dm->XRDtRepres, QStringLiteral("UPDATE CONFIG SET NMUSUARIO = 'Depois'"));
    auto outra = inst.connect();
    EXPECT_EQ(scalar(*outra, QStringLiteral("SELECT NMUSUARIO FROM CONFIG")).toString(), QStringLiteral("Depois"));
}

TEST(EditorSQLRegistro, OpensByClassNameAsAMaximisedWindow)
{
    ScratchInstall inst;
    installTemplate(inst, upgradedTemplate());
    TDMRepres dm{TDMRepresGanchos{}};
    RegistraJanelaEditorSQL();
    QWidget *janela = AbreForm(QStringLiteral("TfmEditorSQL"));
    ASSERT_NE(janela, nullptr);
    EXPECT_EQ(BuscaForm(QStringLiteral("TfmEditorSQL")), janela);
    EXPECT_TRUE(janela->isMaximized());
    delete janela;
    UnRegisterClass(QStringLiteral("TfmEditorSQL"));
}

} // namespace
