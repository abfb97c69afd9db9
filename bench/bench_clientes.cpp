// The customer searches over 50 000 generated customers: the search page's
// "&Consultar" without filters and the customer look-up typed letter by
// letter, each against the same SQL run raw through the platform layer
// (all rows fetched), and the longest main-thread stall seen by a 10 ms
// timer while each runs. Both searches run on a connection of their own,
// so the window's times include the hand-over of the rows.
#include "MedidasBench.h"
#include "GeraClientes.h"
#include "TestDb.h"

#include "components/ConsultaSegundoPlano.h"
#include "components/untCpoBusca.h"
#include "components/untCpoPesquisa.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "windows/clientes/regras/RegrasCliente.h"
#include "windows/clientes/untCliente.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using medidas::mediana;

constexpr int kClientes = 50000;
constexpr int kRepeticoes = 5;

// Longest gap between ticks of a 10 ms timer while the work runs.
class Medidor {
public:
    Medidor()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_maior = std::max(m_maior, m_ultimo.restart());
        });
    }
    void inicia()
    {
        m_maior = 0;
        m_ultimo.start();
        m_timer.start();
    }
    qint64 para()
    {
        m_timer.stop();
        return std::max(m_maior, m_ultimo.elapsed());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_ultimo;
    qint64 m_maior = 0;
};

double cru(TDMRepres &dm, const QStringList &sql, const std::function<void(TXRQuery &)> &params = {})
{
    QElapsedTimer t;
    t.start();
    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    for (const QString &l : sql)
        q.SQL().Add(l);
    if (params)
        params(q);
    q.Open();
    volatile int n = q.recordCount();
    (void)n;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv); // the scratch helpers report through gtest
    ScopedDialogRecorder rec;

    ScratchInstall inst;
    installTemplate(inst, upgradedTemplate());
    QElapsedTimer t;
    t.start();
    {
        auto db = inst.connect();
        GeraClientes(*db, kClientes);
    }
    std::printf("generated %d customers in %lld ms\n", kClientes, t.elapsed());
    TDMRepres dm{TDMRepresGanchos{}};

    // "&Consultar" without filters
    {
        TFiltroCliente f;
        QStringList sql;
        std::vector<std::pair<QString, QVariant>> valores;
        SqlConsultaClientes(f, sql, valores);
        auto binder = [&valores](TXRQuery &q) {
            for (const auto &[n, v] : valores)
                q.ParamByName(n)->Value = v;
        };
        cru(dm, sql, binder); // warm the cache
        TfmCliente janela;
        janela.show();
        // the main thread's share: taking the rows into the window's list
        std::vector<double> entregas;
        auto entrega = janela.Consulta->Pronto;
        janela.Consulta->Pronto = [&entregas, entrega](TConsultaSegundoPlano::Resultado &r) {
            QElapsedTimer te;
            te.start();
            entrega(r);
            entregas.push_back(double(te.nsecsElapsed()) / 1e6);
        };
        // one search first, as the raw query had: both then run on warm connections
        janela.BtnConsultarBusca->click();
        while (janela.Consultando())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        std::vector<double> tCru, tJanela, paradas;
        int linhas = 0;
        for (int r = 0; r < kRepeticoes; ++r) {
            tCru.push_back(cru(dm, sql, binder));
            Medidor m;
            m.inicia();
            QElapsedTimer tj;
            tj.start();
            janela.BtnConsultarBusca->click();
            while (janela.Consultando())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            tJanela.push_back(double(tj.nsecsElapsed()) / 1e6);
            paradas.push_back(double(m.para()));
            linhas = janela.QConsulta->recordCount();
        }
        for (int r = 0; r < kRepeticoes; ++r)
            std::printf("  run %d: raw %.1f ms, window %.1f ms\n", r + 1, tCru[size_t(r)], tJanela[size_t(r)]);
        std::printf("consultar: %d rows; raw %.1f ms, window %.1f ms, ratio %.2f; longest stall %.0f ms "
                    "(rows taken in on the main thread: longest %.1f ms)\n",
                    linhas, mediana(tCru), mediana(tJanela), mediana(tJanela) / mediana(tCru),
                    *std::max_element(paradas.begin(), paradas.end()),
                    *std::max_element(entregas.begin(), entregas.end()));
    }

    // the customer look-up, typed letter by letter ("Iniciando" on the name)
    {
        TPesquisa pq;
        pq.BaseDados = dm.XRDtRepres;
        pq.BuscaSQL = SqlPesquisaClientes();
        pq.BuscaCampo = QStringLiteral("CLI_CODI");
        TfrmCpoBusca *busca = pq.CriaPesquisa();
        Medidor abertura;
        abertura.inicia();
        QElapsedTimer ta;
        ta.start();
        busca->show(); // the first search lists every customer
        busca->AguardaBusca(60000);
        QApplication::processEvents();
        std::printf("look-up opening (every customer, %d rows): %lld ms, longest stall %lld ms\n",
                    busca->QryBusca->recordCount(), ta.elapsed(), abertura.para());
        busca->Timer1->stop();
        const QString texto = QStringLiteral("MARIA");
        double somaJanela = 0, somaCru = 0;
        qint64 maiorParada = 0;
        for (int i = 1; i <= texto.size(); ++i) {
            QTest::keyClick(busca->EdtBusca, texto.at(i - 1).toLatin1());
            Medidor m;
            m.inicia();
            QElapsedTimer tj;
            tj.start();
            busca->Timer1Timer(); // what the form's timer does after a key
            busca->AguardaBusca(60000);
            QApplication::processEvents(); // the grid repaints
            const double j = double(tj.nsecsElapsed()) / 1e6;
            maiorParada = std::max(maiorParada, m.para());
            const double c = cru(dm, busca->QryBusca->SQL().Lines());
            somaJanela += j;
            somaCru += c;
            std::printf("  \"%s\": %d rows, look-up %.1f ms, raw %.1f ms\n", qPrintable(texto.left(i)),
                        busca->QryBusca->recordCount(), j, c);
        }
        std::printf("look-up typed: look-up %.1f ms, raw %.1f ms, ratio %.2f; longest stall %lld ms\n", somaJanela,
                    somaCru, somaJanela / somaCru, maiorParada);
        busca->close();
    }
    return 0;
}
