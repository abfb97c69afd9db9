// The web view comes from a module loaded on first use: a missing or broken
// module gives the tile a message, and the real one works when loaded after
// the application started (as the program does).
#include "components/NavegadorWeb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// Runs the event loop until the load ends, at most ms.
std::optional<bool> esperaCarga(const std::shared_ptr<std::optional<bool>> &fim, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!fim->has_value() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return *fim;
}

TEST(NavegadorModulo, MissingOrBrokenModuleShowsTheMessageAndLoadsEndFailed)
{
    QTemporaryDir vazia, quebrada;
    ASSERT_TRUE(vazia.isValid() && quebrada.isValid());
    QFile lixo(quebrada.filePath("xr_navegador.so"));
    ASSERT_TRUE(lixo.open(QIODevice::WriteOnly));
    lixo.write("not a library");
    lixo.close();

    for (const QString &pasta : {vazia.path(), quebrada.path()}) {
        SCOPED_TRACE(pasta.toStdString());
        QWidget tile;
        auto fim = std::make_shared<std::optional<bool>>();
        QWidget *v = CriaNavegadorWeb(&tile, "WebCard", [fim](bool ok) { *fim = ok; }, {pasta});
        auto *rotulo = qobject_cast<QLabel *>(v);
        ASSERT_NE(rotulo, nullptr);
        EXPECT_EQ(rotulo->parent(), &tile);
        EXPECT_EQ(rotulo->objectName(), "WebCard");
        EXPECT_EQ(rotulo->text(), QString::fromUtf8(kSemNavegadorWeb));

        CarregaHTML(v, "<p>x</p>", pasta);
        EXPECT_FALSE(fim->has_value()); // never inside the caller
        EXPECT_EQ(esperaCarga(fim, 2000), std::optional<bool>(false));

        // the tile may go first: nothing is called on it afterwards
        CarregaHTML(v, "<p>x</p>", pasta);
    }
    QCoreApplication::processEvents();
}

TEST(NavegadorModulo, ModuleBesideTheProgramLoadsAPageAfterStart)
{
    const QStringList pastas = PastasModuloNavegador();
    ASSERT_FALSE(pastas.isEmpty());
    EXPECT_EQ(pastas.first(), QCoreApplication::applicationDirPath());
    ASSERT_TRUE(QFile::exists(QCoreApplication::applicationDirPath() + "/xr_navegador.so"));

    QWidget tile;
    tile.resize(300, 200);
    tile.show();
    auto fim = std::make_shared<std::optional<bool>>();
    QWidget *v = CriaNavegadorWeb(&tile, "WebGrafico", [fim](bool ok) { *fim = ok; });
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->inherits("QWebEngineView"));
    EXPECT_EQ(v->objectName(), "WebGrafico");
    EXPECT_EQ(v->parent(), &tile);
    QTemporaryDir pasta;
    CarregaHTML(v, "<html><body><p>ok</p></body></html>", pasta.path());
    EXPECT_EQ(esperaCarga(fim, 20000), std::optional<bool>(true));
}

} // namespace
