// Tile lifetimes under AddressSanitizer: a tile destroyed while its job is
// blocked, and a job re-run for an Execute that came during the first.
#include "TestDb.h"

#include "components/XRWidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>

namespace {

bool aguarda(const std::function<bool()> &cond, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

TEST(XRWidgetAsan, DestroyedWhileItsJobIsBlockedThenReleased)
{
    ScratchInstall inst;
    auto db = inst.connect();
    auto inicios = std::make_shared<std::atomic<int>>(0);
    auto libera = std::make_shared<QSemaphore>();
    for (int rodada = 0; rodada < 3; ++rodada) {
        auto *w = new TXRWidget;
        w->SetDataBase(db.get());
        w->SetKind(TXRKind::wdChart);
        TSeriesItem &s = w->Chart().Series().Add();
        s.FieldX = QStringLiteral("N");
        s.FieldY = QStringLiteral("N");
        w->SQL().SetText(QStringLiteral("SELECT 1 AS N FROM RDB$DATABASE"));
        w->AoIniciarTrabalho = [inicios, libera] {
            ++*inicios;
            libera->acquire();
        };
        w->Execute();
        w->Execute(); // pending when the tile goes
        ASSERT_TRUE(aguarda([&] { return *inicios == rodada + 1; }));
        delete w;
        libera->release();
        ASSERT_TRUE(PoolWidgets()->waitForDone(20000));
        aguarda([] { return false; }, 30);
    }
    EXPECT_EQ(*inicios, 3);
}

TEST(XRWidgetAsan, PendingExecuteRunsOnceMoreAndDraws)
{
    ScratchInstall inst;
    auto db = inst.connect();
    std::atomic<int> inicios{0};
    QSemaphore libera;
    TXRWidget w;
    w.SetDataBase(db.get());
    w.SetKind(TXRKind::wdGrid);
    w.SQL().SetText(QStringLiteral("SELECT CAST(:N AS INTEGER) AS N FROM RDB$DATABASE"));
    w.AoIniciarTrabalho = [&] {
        ++inicios;
        libera.acquire();
    };
    w.Execute({{QStringLiteral("N"), {}, {}, 1}});
    ASSERT_TRUE(aguarda([&] { return inicios == 1; }));
    w.Execute({{QStringLiteral("N"), {}, {}, 2}});
    libera.release(2);
    ASSERT_TRUE(aguarda([&w] { return !w.Trabalhando(); }));
    EXPECT_EQ(inicios, 2);
    EXPECT_EQ(w.Dados()->valueAt(0, 0).toInt(), 2);
    PoolWidgets()->waitForDone(20000);
}

} // namespace
