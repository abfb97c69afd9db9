// A full catalogue (50 000 customers with a contact each, 20 000 products,
// 200 000 grid cells, 100 000 price tiers and the small tables) written
// through the load writer into a fresh upgraded database, then the same rows
// through raw prepared INSERTs on the Firebird API in one transaction into
// another fresh copy. Prints rows/s of both, their ratio, the time of a
// reload over the loaded data, and the longest gap between two progress
// calls (the window repaints its bar on each).
//
//     bench_carga [scale]      scale 1 = the full catalogue (default)
#include "TabelaRecebida.h"
#include "TestDb.h"

#include "data/XRDatabase.h"
#include "data/XREstatisticas.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/fb/FbApi.h"
#include "sync/untDMRemoto.h"

#include <firebird/Interface.h>

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <time.h>

using namespace Firebird;

namespace {

std::unique_ptr<DataSet> tabela(const QString &nome, const QStringList &campos) { return TabelaRecebida(nome, campos); }

QString num(int i, int largura) { return QString::number(i).rightJustified(largura, QLatin1Char('0')); }
// Concatenations made plain texts, so they fit in a row of variants.
QVariant V(const QString &s) { return s; }

TListaCDS catalogo(double escala)
{
    const int clientes = int(50000 * escala), produtos = int(20000 * escala), celulas = int(200000 * escala),
              faixas = int(100000 * escala);
    TListaCDS l;
    auto t = tabela("PRODUTO", {"PROD_CODI", "PROD_DESC", "PROD_UNID", "PROD_PESO", "PROD_COLECAO"});
    std::vector<Row> r;
    for (int i = 0; i < produtos; ++i)
        r.push_back({V("P" + num(i, 6)), V("PRODUTO " + QString::number(i)), "UN", QString::number(0.25 + i % 9), "V25"});
    t->setRows(std::move(r));
    l.push_back(std::move(t));

    t = tabela("COLECAO", {"COL_COLECAO", "COL_DESCRICAO"});
    for (int i = 0; i < 20; ++i)
        t->appendRow({V("C" + num(i, 3)), V("Coleção " + QString::number(i))});
    l.push_back(std::move(t));
    t = tabela("CONDICAO", {"COND_CODCOND", "COND_DESCRICAO", "COND_NRPAR", "COND_TAXA"});
    for (int i = 0; i < 30; ++i)
        t->appendRow({V("CD" + num(i, 3)), V("Condição " + QString::number(i)), QString::number(i % 4), "1.5"});
    l.push_back(std::move(t));
    t = tabela("COTAS", {"COT_COLECAO", "COT_PRODUTO", "COT_QTDE", "COT_VALOR"});
    for (int i = 0; i < 100; ++i)
        t->appendRow({"C001", V("P" + num(i, 6)), "10", "99.9"});
    l.push_back(std::move(t));
    t = tabela("TABPRECO", {"TABP_REGIAO", "TABP_DESCRICAO", "TABP_VLRMINIMO"});
    for (int i = 0; i < 10; ++i)
        t->appendRow({V("T" + num(i, 2)), V("Tabela " + QString::number(i)), "100"});
    l.push_back(std::move(t));

    t = tabela("TABPRE_PRODUTO",
               {"PREC_PRODUTO", "PREC_TABELA", "PREC_FAIXA", "PREC_QTDMAXIMA", "PREC_PRECO", "PREC_PRECO_ORI", "PREC_FAIXA_TAM"});
    r.clear();
    for (int i = 0; i < faixas; ++i)
        r.push_back({V("P" + num(i / 5 % std::max(1, produtos), 6)), V("T" + num(i / 5 / std::max(1, produtos), 2)),
                     QString::number(i % 5 + 1), QString::number((i % 5 + 1) * 10), "12.5", "13.75",
                     i % 2 ? QVariant("UU") : QVariant()});
    t->setRows(std::move(r));
    l.push_back(std::move(t));

    t = tabela("CLIENTE", {"CLI_CODI", "CLI_NOME", "CLI_FANT", "CLI_CNPJ", "CLI_TELE", "CLI_MAIL", "CLI_ENDE", "CLI_BAIR",
                           "CLI_CEP", "CLI_UF", "CLI_NOMCID", "CLI_DTCA"});
    r.clear();
    for (int i = 0; i < clientes; ++i) {
        const QString d = num(i, 8);
        r.push_back({V("E" + num(i, 6)), V("CLIENTE " + d), V("FANTASIA " + d),
                     V(d.left(2) + "." + d.mid(2, 3) + "." + d.mid(5, 3) + "/0001-" + num(i % 97, 2)), "11 5555-0000",
                     V("c" + d + "@exemplo.com"), V("RUA " + d), "CENTRO", "01000-000", "SP", "SAO PAULO", "05/01/2024"});
    }
    t->setRows(std::move(r));
    l.push_back(std::move(t));

    t = tabela("CONTATO_CLI", {"CONT_CCLI", "CONT_ITEM", "CONT_NOME", "CONT_FONE", "CONT_MAIL"});
    r.clear();
    for (int i = 0; i < clientes; ++i)
        r.push_back({V("E" + num(i, 6)), "1", V("CONTATO " + QString::number(i)), "11 9999-0000", "x@exemplo.com"});
    t->setRows(std::move(r));
    l.push_back(std::move(t));

    t = tabela("PA_ITEN", {"PAIT_CODI", "PAIT_COR", "PAIT_DSCOR", "PAIT_TAM", "PAIT_IDESGOTADO", "PAIT_QTDE"});
    r.clear();
    for (int i = 0; i < celulas; ++i)
        r.push_back({V("P" + num(i / 10 % std::max(1, produtos), 6)), V("C" + num(i / 10 / std::max(1, produtos), 2)), "COR",
                     num(i % 10, 2), "N", QString::number(i % 50)});
    t->setRows(std::move(r));
    l.push_back(std::move(t));

    t = tabela("TABPRZ", {"TABP_PRAZO", "TABP_DESCRICAO"});
    for (int i = 0; i < 10; ++i)
        t->appendRow({num(i * 15, 3), V(QString::number(i * 15) + " dias")});
    l.push_back(std::move(t));
    return l;
}

qint64 linhas(const TListaCDS &l)
{
    qint64 n = 0;
    for (const auto &t : l)
        n += t->recordCount();
    return n;
}

// CPU seconds of the whole process: the embedded engine works in it too,
// so this leaves out only the waits on the disk and other processes.
double cpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Medida {
    double segundos = 0;
    double cpu = 0;
    double maiorIntervaloMs = 0;
    QString ondeIntervalo; // the table, and whether the gap came before its rows
};

// Every table through GravaDados in one held unit, committed at the end.
Medida carrega(TDMRepres &dm, TClientModule1 &cm, TListaCDS &lista)
{
    QElapsedTimer relogio, intervalo;
    Medida m;
    const double cpu0 = cpu();
    relogio.start();
    intervalo.start();
    {
        RetencaoCommits retencao(*dm.XRTransaction);
        for (auto &t : lista) {
            const bool ok = cm.GravaDados(
                t.get(),
                [&](int pos, int) {
                    const double ms = intervalo.nsecsElapsed() / 1e6;
                    if (ms > m.maiorIntervaloMs) {
                        m.maiorIntervaloMs = ms;
                        m.ondeIntervalo = t->objectName() + (pos == 0 ? " (before its rows)" : " (rows)");
                    }
                    intervalo.restart();
                },
                true);
            if (!ok) {
                std::fprintf(stderr, "load failed on %s: %s\n", qPrintable(t->objectName()),
                             qPrintable(static_cast<DialogRecorder &>(dialogs()).texts().join(" | ")));
                std::exit(1);
            }
        }
    }
    dm.XRTransaction->CommitRetaining();
    m.segundos = relogio.nsecsElapsed() / 1e9;
    m.cpu = cpu() - cpu0;
    return m;
}

// The same rows as plain prepared INSERTs: one statement per table, text
// parameters the engine converts, one message layout for all rows.
Medida brutos(TXRDatabase &db, const TListaCDS &lista)
{
    IMaster *master = fb_get_master_interface();
    ThrowStatusWrapper st(master->getStatus());
    IAttachment *att = db.Attachment().handle();
    fb::Transaction &fbt = db.Transaction()->Engine();
    QElapsedTimer relogio;
    const double cpu0 = cpu();
    relogio.start();
    int codigo = 1;
    for (const auto &t : lista) {
        const int n = t->fieldCount();
        const bool cliente = t->objectName() == QLatin1String("CLIENTE");
        const bool contato = t->objectName() == QLatin1String("CONTATO_CLI");
        const int faixa = t->objectName() == QLatin1String("TABPRE_PRODUTO") ? t->fieldIndex("PREC_FAIXA_TAM") : -1;
        QStringList cols = t->fieldNames(), marcas;
        if (cliente)
            cols << "CLI_CODCLIEMP";
        for (int i = 0; i < cols.size(); ++i)
            marcas << "?";
        const QByteArray sql = ("INSERT INTO " + t->objectName() + " (" + cols.join(',') + ") VALUES (" + marcas.join(',') + ")").toUtf8();
        IStatement *stmt = att->prepare(&st, fbt.handle(), 0, sql.constData(), SQL_DIALECT_V6, 0);
        IMetadataBuilder *b = master->getMetadataBuilder(&st, unsigned(cols.size()));
        for (unsigned i = 0; i < unsigned(cols.size()); ++i) {
            b->setType(&st, i, SQL_VARYING + 1);
            b->setCharSet(&st, i, 4);
            b->setLength(&st, i, 400);
        }
        IMessageMetadata *meta = b->getMetadata(&st);
        b->release();
        std::vector<unsigned char> buf(meta->getMessageLength(&st));
        std::vector<unsigned> off(cols.size()), nul(cols.size());
        for (unsigned i = 0; i < unsigned(cols.size()); ++i) {
            off[i] = meta->getOffset(&st, i);
            nul[i] = meta->getNullOffset(&st, i);
        }
        auto poe = [&](unsigned i, const QVariant &v) {
            auto *flag = reinterpret_cast<short *>(&buf[nul[i]]);
            if (v.isNull() || !v.isValid()) {
                *flag = -1;
                return;
            }
            *flag = 0;
            const QByteArray b8 = v.toString().toUtf8();
            const ISC_USHORT len = ISC_USHORT(b8.size());
            std::memcpy(&buf[off[i]], &len, sizeof len);
            std::memcpy(&buf[off[i]] + sizeof len, b8.constData(), size_t(len));
        };
        for (int r = 0; r < t->recordCount(); ++r) {
            const Row &row = t->rowAt(r);
            for (int c = 0; c < n; ++c)
                poe(unsigned(c), c == faixa && row[size_t(c)].isNull() ? QVariant("UU") : row[size_t(c)]);
            if (cliente) {
                poe(unsigned(t->fieldIndex("CLI_CODI")), num(codigo++, 5));
                poe(unsigned(n), row[size_t(t->fieldIndex("CLI_CODI"))]);
            }
            if (contato)
                poe(unsigned(t->fieldIndex("CONT_CCLI")), num(r + 1, 5));
            stmt->execute(&st, fbt.handle(), meta, buf.data(), nullptr, nullptr);
        }
        meta->release();
        stmt->free(&st);
    }
    fbt.commitRetaining();
    st.dispose();
    Medida m;
    m.segundos = relogio.nsecsElapsed() / 1e9;
    m.cpu = cpu() - cpu0;
    return m;
}

// A fresh copy of the upgraded database, loaded through the writer and
// then loaded again over itself.
struct Carga {
    Medida primeira, recarga;
};
Carga medeCarga(const QString &modelo, TListaCDS &lista)
{
    ScratchInstall inst;
    installTemplate(inst, modelo);
    TDMRepres dm{TDMRepresGanchos{}};
    TClientModule1 cm;
    Carga c;
    c.primeira = carrega(dm, cm, lista);
    QStringList nomes;
    for (const auto &t : lista)
        nomes << t->objectName();
    AtualizaEstatisticas(*dm.XRDtRepres, nomes);
    dm.XRTransaction->CommitRetaining();
    c.recarga = carrega(dm, cm, lista);
    std::printf("after reload: %s customers, %s contacts\n",
                qPrintable(scalar(*dm.XRDtRepres, "SELECT COUNT(*) FROM CLIENTE").toString()),
                qPrintable(scalar(*dm.XRDtRepres, "SELECT COUNT(*) FROM CONTATO_CLI").toString()));
    return c;
}

Medida medeBruto(const QString &modelo, const TListaCDS &lista)
{
    ScratchInstall inst;
    installTemplate(inst, modelo);
    auto db = inst.connect();
    try {
        return brutos(*db, lista);
    } catch (const FbException &e) {
        char texto[2048] = {};
        fb_get_master_interface()->getUtilInterface()->formatStatus(texto, sizeof texto - 1, e.getStatus());
        std::fprintf(stderr, "raw insert failed: %s\n", texto);
        std::exit(1);
    }
}

} // namespace

// bench_carga [scale] [raw-first]
int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QApplication app(argc, argv);
    const double escala = argc > 1 ? std::atof(argv[1]) : 1.0;
    const bool brutoPrimeiro = argc > 2 && QByteArray(argv[2]) == "raw-first";
    ScopedDialogRecorder rec;
    const QString modelo = upgradedTemplate();

    {
        // The engine's first databases pay for its start; neither side should.
        TListaCDS aquecimento = catalogo(0.02);
        medeBruto(modelo, aquecimento);
        medeCarga(modelo, aquecimento);
    }
    TListaCDS lista = catalogo(escala);
    const qint64 total = linhas(lista);
    std::printf("catalogue: %lld rows in %zu tables (scale %.2f)\n", static_cast<long long>(total), lista.size(), escala);

    Medida bruto = brutoPrimeiro ? medeBruto(modelo, lista) : Medida{};
    const Carga c = medeCarga(modelo, lista);
    if (!rec->texts().isEmpty()) {
        std::fprintf(stderr, "load reported: %s\n", qPrintable(rec->texts().join(" | ")));
        return 1;
    }
    if (!brutoPrimeiro)
        bruto = medeBruto(modelo, lista);

    const double taxaCarga = total / c.primeira.segundos, taxaBruta = total / bruto.segundos;
    std::printf("load (GravaDados):   %8.2f s  %10.0f rows/s  cpu %6.2f s  %10.0f rows/cpu-s\n", c.primeira.segundos,
                taxaCarga, c.primeira.cpu, total / c.primeira.cpu);
    std::printf("raw prepared INSERT: %8.2f s  %10.0f rows/s  cpu %6.2f s  %10.0f rows/cpu-s  (%s)\n", bruto.segundos,
                taxaBruta, bruto.cpu, total / bruto.cpu, brutoPrimeiro ? "run first" : "run last");
    std::printf("ratio load/raw:      %8.2f wall, %.2f cpu (goal >= 0.65)\n", taxaCarga / taxaBruta,
                bruto.cpu / c.primeira.cpu);
    std::printf("reload over loaded:  %8.2f s  %10.0f rows/s  cpu %6.2f s\n", c.recarga.segundos,
                total / c.recarga.segundos, c.recarga.cpu);
    std::printf("longest progress gap: load %.1f ms, %s; reload %.1f ms, %s\n", c.primeira.maiorIntervaloMs,
                qPrintable(c.primeira.ondeIntervalo), c.recarga.maiorIntervaloMs, qPrintable(c.recarga.ondeIntervalo));
    return 0;
}
