// The program's own classes, offscreen, on a generated representative's
// database at several scales (default 0.0625, 0.25 and 1). Each step is
// printed next to a floor measured in the same run on the same database:
//   start to the login window   vs attaching the database and showing a widget
//   order window open + list    vs the list SQL alone, prepared, all rows fetched
//   load of a 500-line order    vs its two statements alone, prepared, all rows
//                               fetched
//   save of it (window, rules)  vs delete + one prepared INSERT x 500 + commit,
//                               on the platform's statement
//   typing a line into it       longest main-thread stall (5 ms timer lateness)
// Usage: bench_escala [scale ...]
#include "MedidasBench.h"
#include "GeraBase.h"
#include "TestDb.h"

#include "components/Enter.h"
#include "components/XRWidget.h"
#include "components/XRWidgetTrabalho.h"
#include "data/UntScriptsRep.h"
#include "data/XREstatisticas.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/fb/FbApi.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/pedido/regras/GravacaoPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/untPedido.h"
#include "windows/principal/untPrincipal.h"

#include "components/XRDBGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <sched.h>

namespace {

using medidas::cargaMaquina;
using medidas::minimo;
using medidas::processadores;

constexpr int kRepeticoes = 3;

struct Falha : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void exige(bool ok, const QString &oque, const QStringList &dialogos = {})
{
    if (!ok)
        throw Falha(QString(oque + (dialogos.isEmpty() ? QString() : " [" + dialogos.join(" | ") + "]"))
                        .toStdString());
}

double ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

// Runs until the condition holds, answering events; false after the limit.
bool espera(const std::function<bool()> &pronto, int limiteMs = 120000)
{
    QElapsedTimer t;
    t.start();
    while (!pronto()) {
        if (t.elapsed() > limiteMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

int contaLinhas(TXRDatabase &db, const QString &numero)
{
    return scalar(db, QStringLiteral("SELECT COUNT(*) FROM PED_ITEN WHERE PEDIT_NUME = '%1'").arg(numero)).toInt();
}

// Prepares a statement of its own, opens it and reads every row; returns how
// many. Its own: the program's statements of the same text, kept by its
// transaction, would spare the floor the prepare the program pays.
int abreTudo(TXRDatabase &db, const QString &sql, const QString &pedido = {})
{
    fb::Statement st(db.Attachment(), db.Transaction()->Engine(), sql);
    if (!pedido.isEmpty())
        st.setParam(QStringLiteral("PEDIDO"), pedido);
    st.execute();
    Row r;
    int n = 0;
    while (st.fetch(r))
        ++n;
    st.closeCursor();
    return n;
}

struct Linha {
    const char *passo;
    double programa, piso;
};

void imprime(double escala, const gerabase::Escala &e, double geracao, const std::vector<Linha> &linhas,
             double travamento)
{
    std::printf("\nscale %g: %d customers, %d products, %d cells, %d tiers, %d orders, %d lines (generated in %.1f s)\n",
                escala, e.clientes, e.produtos, e.celulas(), e.faixas(), e.pedidos, e.itens(), geracao / 1000);
    std::printf("%-34s %11s %11s %7s\n", "step (min of runs)", "program ms", "floor ms", "ratio");
    for (const Linha &l : linhas)
        std::printf("%-34s %11.1f %11.1f %7.2f\n", l.passo, l.programa, l.piso, l.programa / l.piso);
    std::printf("%-34s %11.1f\n", "typing a line: longest stall ms", travamento);
    std::fflush(stdout);
}

// The program's start up to the moment the main window asks for the login.
double inicioAteLogin()
{
    QElapsedTimer t;
    t.start();
    double ate = -1;
    {
        TDMRepres dm;
        TGanchosPrincipal g;
        g.Login = [&](QWidget *) {
            ate = ms(t);
            return false;
        };
        TfmPrincipal principal(g);
        CriaZVEnterPrincipal(&principal);
        principal.show();
        espera([&] { return ate >= 0; }, 30000);
        EncerraTrabalhosWidgets(3000);
    }
    ReiniciaAplicacao();
    exige(ate >= 0, QStringLiteral("the main window never asked for the login"));
    return ate;
}

// A minimal Qt program's part of the same: attach the database, show a window.
double pisoInicio(const ScratchInstall &inst)
{
    QElapsedTimer t;
    t.start();
    auto db = inst.connect();
    QWidget w;
    w.show();
    bool pintou = false;
    QTimer::singleShot(0, &w, [&] { pintou = true; });
    espera([&] { return pintou; });
    const double r = ms(t);
    db->Transaction()->Commit();
    return r;
}

class Medicao {
public:
    Medicao(const ScratchInstall &inst, const gerabase::Escala &e) : m_inst(inst), m_e(e) {}

    std::vector<Linha> linhas;
    double travamento = -1;

    void executa()
    {
        mede("start to login window", [&] { return inicioAteLogin(); }, [&] { return pisoInicio(m_inst); });

        ScopedDialogRecorder rec;
        TDMRepres dm{TDMRepresGanchos{}};
        exige(dm.XRDtRepres->Connected(), QStringLiteral("connecting"));
        TXRDatabase &db = *dm.XRDtRepres;
        const QString grande = gerabase::NumeroGrande(m_e);
        exige(contaLinhas(db, grande) == gerabase::Escala::kLinhasGrande, QStringLiteral("the large order"));

        // The window's list, opened from the side bar as a user does.
        std::vector<double> janela, lista;
        for (int r = 0; r < kRepeticoes; ++r) {
            std::unique_ptr<TfmPrincipal> principal;
            TfmPedido *p = abreJanela(principal);
            int esperado = 0;
            QElapsedTimer t;
            t.start();
            esperado = abreTudo(db, sqlLista(*p));
            lista.push_back(ms(t));
            janela.push_back(m_abertura);
            exige(p->CDSConsulta->recordCount() == esperado,
                  QStringLiteral("the list shows %1 orders, its SQL %2").arg(p->CDSConsulta->recordCount()).arg(esperado));

            if (r == 0)
                medeJanelaPedido(*p, db, grande, rec);
            fecha(principal);
        }
        linhas.push_back({"order window open with its list", minimo(janela), minimo(lista)});
        linhas.insert(linhas.end(), m_daJanela.begin(), m_daJanela.end());
        exige(rec->texts().isEmpty(), QStringLiteral("unexpected messages"), rec->texts());

        // The same save without the window: the rules on a loaded controller.
        std::vector<double> regras, piso;
        for (int r = 0; r < kRepeticoes; ++r) {
            PedidoControlador c(&dm);
            c.carregaItens = [&c](DataSet &q) { CopiaItensPedido(q, c.CDSItens); };
            c.numero = grande;
            exige(c.BuscaPedidos(), QStringLiteral("loading the large order into the rules"));
            GravacaoPedido g(c, dm);
            QElapsedTimer t;
            t.start();
            const bool ok = g.Confirmar();
            regras.push_back(ms(t));
            exige(ok && rec->texts().isEmpty(), QStringLiteral("save without the window"), rec->texts());
            exige(contaLinhas(db, grande) == gerabase::Escala::kLinhasGrande, QStringLiteral("lines after the save"));
            piso.push_back(pisoGravacao(db, grande));
        }
        linhas.push_back({"save of 500 lines, rules only", minimo(regras), minimo(piso)});
    }

private:
    void mede(const char *passo, const std::function<double()> &programa, const std::function<double()> &piso)
    {
        std::vector<double> a, b;
        for (int r = 0; r < kRepeticoes; ++r) {
            b.push_back(piso());
            a.push_back(programa());
        }
        linhas.push_back({passo, minimo(a), minimo(b)});
    }

    TfmPedido *abreJanela(std::unique_ptr<TfmPrincipal> &principal)
    {
        TGanchosPrincipal g;
        g.Login = [](QWidget *) { return true; };
        principal = std::make_unique<TfmPrincipal>(g);
        CriaZVEnterPrincipal(principal.get());
        principal->show();
        QApplication::setActiveWindow(principal.get());
        QCoreApplication::processEvents();
        // The dashboard's tiles read the same tables on their own threads and
        // draw their answers on this one: the window and its floor are timed
        // once every tile is done and drawn.
        exige(espera([&] {
                  const auto tiles = principal->findChildren<TXRWidget *>();
                  return std::none_of(tiles.begin(), tiles.end(), [](TXRWidget *w) { return w->Trabalhando(); });
              }),
              QStringLiteral("the dashboard's tiles never finished"));
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(principal->pnlPedido, Qt::LeftButton);
        auto *p = qobject_cast<TfmPedido *>(BuscaForm(QStringLiteral("TfmPedido")));
        exige(p != nullptr, QStringLiteral("the order window did not open"));
        p->BtnConsultar->click();
        // the list may fill after the window paints: wait until its totals show
        exige(espera([&] { return !p->edtQtdeTotPed->text().isEmpty() && p->CDSConsulta->recordCount() > 0; }),
              QStringLiteral("the order list never filled"));
        m_abertura = ms(t);
        return p;
    }

    static QString sqlLista(TfmPedido &p)
    {
        return SqlConsultaPedidos(p.edtCodCli->text().trimmed(), p.edtCodTabela->text().trimmed(),
                                  p.EdtNum->text().trimmed(), p.EdtCnpj->text().trimmed(), p.edtCidade->text().trimmed(),
                                  p.CBStatus->isChecked(), p.EdtEmiIni->date(), p.EdtEmiFim->date(),
                                  p.RGOrdemCresc->isChecked());
    }

    void fecha(std::unique_ptr<TfmPrincipal> &principal)
    {
        EncerraTrabalhosWidgets(3000);
        principal.reset();
        UnRegisterClass(QStringLiteral("TfmPedido"));
        ReiniciaAplicacao();
        RegistraJanelaPedido();
    }

    // Load, save and typing in the window, on the large order.
    void medeJanelaPedido(TfmPedido &p, TXRDatabase &db, const QString &grande, ScopedDialogRecorder &rec)
    {
        std::vector<double> carga, sqlCarga, gravacao, piso;
        for (int r = 0; r < kRepeticoes; ++r) {
            exige(p.CDSConsulta->locate({QStringLiteral("NUMERO")}, {grande}), QStringLiteral("the large order in the list"));
            // The list just read pushed the order's pages out of the engine's
            // cache: read once untimed, so the window and its floor both find
            // them there, whichever runs first.
            abreTudo(db, SqlPedido(), grande);
            abreTudo(db, SqlItensPedido(), grande);
            QElapsedTimer t;
            t.start();
            p.DBGrid2DblClick();
            exige(espera([&] { return p.CDSItens()->recordCount() == gerabase::Escala::kLinhasGrande; }),
                  QStringLiteral("the large order did not load"), rec->texts());
            carga.push_back(ms(t));
            t.start();
            abreTudo(db, SqlPedido(), grande);
            abreTudo(db, SqlItensPedido(), grande);
            sqlCarga.push_back(ms(t));

            p.btnAlteraClick();
            exige(p.EmEdicao(), QStringLiteral("Alterar did not start editing"), rec->texts());
            t.start();
            p.BtnConfirmar->click();
            gravacao.push_back(ms(t));
            exige(!p.EmEdicao() && rec->texts().isEmpty(), QStringLiteral("the window's save"), rec->texts());
            exige(contaLinhas(db, grande) == gerabase::Escala::kLinhasGrande, QStringLiteral("lines after the save"));
            piso.push_back(pisoGravacao(db, grande));
            p.BtnConsultarClick();
            espera([&] { return p.CDSConsulta->recordCount() > 0; });
        }
        m_daJanela.push_back({"load of a 500-line order", minimo(carga), minimo(sqlCarga)});
        m_daJanela.push_back({"save of 500 lines, window confirm", minimo(gravacao), minimo(piso)});
        travamento = digitaLinha(p, grande, rec);
    }

    // Delete the lines and write them back with one prepared INSERT, commit.
    static double pisoGravacao(TXRDatabase &db, const QString &numero)
    {
        struct Item {
            QVariant v[10];
        };
        std::vector<Item> itens;
        {
            TXRQuery q;
            q.SetDatabase(&db);
            q.SQL().Add("SELECT PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, PEDIT_PREC, PEDIT_PREC_ORI, "
                        "PEDIT_TIPO, PEDIT_DT_ENTREGA, PEDIT_NUME FROM PED_ITEN WHERE PEDIT_NUME = :PEDIDO");
            q.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(numero);
            q.Open();
            for (q.first(); !q.eof(); q.next()) {
                Item it;
                for (int k = 0; k < 10; ++k)
                    it.v[k] = q.field(k)->value();
                itens.push_back(it);
            }
            db.Transaction()->Commit();
        }
        QElapsedTimer t;
        t.start();
        {
            fb::Statement del(db.Attachment(), db.Transaction()->Engine(),
                              QStringLiteral("DELETE FROM PED_ITEN WHERE PEDIT_NUME = :PEDIDO"));
            del.setParam(0, numero);
            del.execute();
            fb::Statement ins(db.Attachment(), db.Transaction()->Engine(),
                              QStringLiteral("INSERT INTO PED_ITEN (PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, "
                                             "PEDIT_QTDE, PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO, PEDIT_DT_ENTREGA, "
                                             "PEDIT_NUME) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            for (const Item &it : itens) {
                for (int k = 0; k < 10; ++k)
                    ins.setParam(k, it.v[k]);
                ins.execute();
            }
        }
        db.Transaction()->Commit();
        return ms(t);
    }

    // Loads the large order, starts editing and types one more line cell by
    // cell; a 5 ms timer records how late the main thread answers.
    double digitaLinha(TfmPedido &p, const QString &grande, ScopedDialogRecorder &rec)
    {
        exige(p.CDSConsulta->locate({QStringLiteral("NUMERO")}, {grande}), QStringLiteral("the large order in the list"));
        p.DBGrid2DblClick();
        p.btnAlteraClick();
        exige(p.EmEdicao(), QStringLiteral("Alterar before typing"), rec->texts());
        QApplication::setActiveWindow(p.window());
        p.XRDBGrid2->setFocus();
        p.CDSItens()->last();
        QCoreApplication::processEvents();

        double pior = 0;
        QElapsedTimer relogio;
        relogio.start();
        qint64 ultimo = relogio.nsecsElapsed();
        QTimer tique;
        tique.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tique, &QTimer::timeout, [&] {
            const qint64 agora = relogio.nsecsElapsed();
            pior = std::max(pior, (agora - ultimo) / 1e6 - 5);
            ultimo = agora;
        });
        tique.start(5);
        auto foco = [] { return QApplication::focusWidget(); };
        auto tecla = [&](int k, QChar ch = {}) {
            QWidget *w = foco();
            exige(w != nullptr, QStringLiteral("no focus while typing"));
            if (ch.isNull())
                QTest::keyClick(w, Qt::Key(k));
            else
                QTest::keyClick(w, ch.toLatin1());
            QTest::qWait(8);
        };
        tecla(Qt::Key_Down); // a new line after the last
        const int produto = gerabase::Escala::kLinhasGrande + 1;
        const QStringList celulas{gerabase::CodProduto(produto), "", gerabase::CorDe(produto, 0), "", "M", "2",
                                  "", "", "", "", ""};
        for (const QString &c : celulas) {
            for (const QChar ch : c)
                tecla(0, ch);
            tecla(Qt::Key_Tab);
        }
        tique.stop();
        exige(rec->texts().isEmpty(), QStringLiteral("typing a line"), rec->texts());
        exige(p.CDSItens()->recordCount() >= gerabase::Escala::kLinhasGrande + 1,
              QStringLiteral("the typed line is not in the order"));
        rec->pushAnswer(MsgResult::Yes);
        p.BtnDesistir->click();
        rec->clear();
        return pior;
    }

    const ScratchInstall &m_inst;
    gerabase::Escala m_e;
    double m_abertura = 0;
    std::vector<Linha> m_daJanela;
};

void escala(double s)
{
    const QString modelo = upgradedTemplate();
    ScratchInstall inst;
    installTemplate(inst, modelo);
    exige(!::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed(),
          QStringLiteral("preparing the scratch database"));
    const gerabase::Escala e = gerabase::Escala::De(s);
    QElapsedTimer t;
    t.start();
    {
        auto db = inst.connect();
        gerabase::GeraBase(*db, s);
        AtualizaEstatisticas(*db, {"CLIENTE", "PRODUTO", "PA_ITEN", "TABPRE_PRODUTO", "PEDIDO", "PED_ITEN"});
        db->Transaction()->Commit();
    }
    const double geracao = ms(t);
    std::printf("scale %g generated in %.1f s\n", s, geracao / 1000);
    std::fflush(stdout);
    Medicao m(inst, e);
    m.executa();
    imprime(s, e, geracao, m.linhas, m.travamento);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstalaAtualizaBase();
    InstalaConsultasJanelas();
    RegistraJanelaPedido();
    std::vector<double> escalas;
    for (int i = 1; i < argc; ++i)
        escalas.push_back(QString::fromLocal8Bit(argv[i]).toDouble());
    if (escalas.empty())
        escalas = {0.0625, 0.25, 1};
    std::printf("nproc %d, load average %.2f at start\n", processadores(), cargaMaquina());
    try {
        for (double s : escalas)
            escala(s);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "FAILED: %s\n", e.what());
        return 1;
    }
    std::printf("load average %.2f at end\n", cargaMaquina());
    return 0;
}
