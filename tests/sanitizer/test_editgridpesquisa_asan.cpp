// Drop-down search lifetimes under AddressSanitizer: its list lives on the
// window, so either may go first, with a search pause still running.
#include "TestDb.h"

#include "components/XREditGridPesquisa.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

void espera(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void tecla(QWidget *w, Qt::Key key, const QString &texto = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, texto);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, texto);
    QCoreApplication::sendEvent(w, &release);
}

struct Busca {
    QWidget *janela = new QWidget;
    TXREditGridPesquisa *edit = new TXREditGridPesquisa(janela);

    explicit Busca(TXRDatabase *db)
    {
        edit->Database = db;
        edit->SQLCampoPesquisa = "NOME";
        edit->SQLCampoRetorno = "NOME";
        edit->SetSQLConsulta({"SELECT COD, NOME FROM T_CLI"});
        edit->TimerPesquisa().setInterval(30);
        janela->resize(300, 300);
        janela->show();
        QApplication::setActiveWindow(janela);
        edit->setFocus();
        espera(50);
        tecla(edit, Qt::Key_A, "a");
        espera(200); // the list opens after the pause
        tecla(edit, Qt::Key_N, "n"); // and another pause starts
    }
};

TEST(EditGridPesquisaAsan, WindowOrEditGoesFirstWithTheListOpen)
{
    ScratchInstall inst;
    auto db = inst.connect();
    execSql(*db, "CREATE TABLE T_CLI (COD INTEGER, NOME VARCHAR(40))");
    execSql(*db, "INSERT INTO T_CLI VALUES (1, 'ANA')");

    {
        Busca b(db.get());
        ASSERT_TRUE(b.edit->GridConsulta()->isVisible());
        ASSERT_TRUE(b.edit->TimerPesquisa().isActive());
        delete b.janela; // takes the edit and the list with it
        espera(100);
    }
    {
        Busca b(db.get());
        ASSERT_TRUE(b.edit->GridConsulta()->isVisible());
        delete b.edit; // its list leaves the window with it
        EXPECT_TRUE(b.janela->findChildren<TXRDBGridPesquisa *>().isEmpty());
        espera(100);
        delete b.janela;
    }
    {
        Busca b(db.get());
        delete b.edit->GridConsulta(); // the window dropped the list: the edit goes on without it
        tecla(b.edit, Qt::Key_Down);
        tecla(b.edit, Qt::Key_Escape);
        espera(100);
        delete b.janela;
    }
}

} // namespace
