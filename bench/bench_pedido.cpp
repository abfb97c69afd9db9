// Saves an order of 500 lines (new, then again over itself) and loads it
// back into a fresh controller, through the order window's own rules, then
// saves it through the order window's confirm button, on a scratch copy of
// the upgraded database. Prints min/median milliseconds, and the saves'
// ratios to a floor measured in the same run: delete the lines, one
// prepared INSERT run once per line, commit.
#include "MedidasBench.h"
#include "TestDb.h"

#include "data/XRDatabase.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/fb/FbApi.h"
#include "windows/pedido/regras/CamposPedido.h"
#include "windows/pedido/regras/GravacaoPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"
#include "windows/pedido/untPedido.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <sched.h>

namespace {

using medidas::mediana;
using medidas::processadores;

constexpr int kLinhas = 500;
constexpr int kRepeticoes = 5;

QString codigo(int i) { return QStringLiteral("B%1").arg(i, 4, 10, QLatin1Char('0')); }
double qtdeDe(int i) { return 1 + i % 7; }
double precoDe(int i) { return 10 + (i % 13) * 0.5; }

QStringList sementes()
{
    QStringList s{
        "UPDATE CONFIG SET NRULTCONFIG = 3, DTVALIDADE = CURRENT_DATE + 30, IDBLOQPEDDTSUP = 'S', "
        "DTDEENTREGA = '2026-01-01', DTATEENTREGA = '2026-12-31'",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS, CLI_NRDIAS, CLI_PRZMEDIO, CLI_NOMCID) "
        "VALUES ('00001', 'Loja Azul', NULL, 10, 60, 'Recife')",
        "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO) VALUES ('SUL', 'Tabela Sul')",
        "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
        "COND_DESCMAX) VALUES ('45', '45 dias', 1, 0, 45, 0, 0)",
    };
    for (int i = 0; i < kLinhas; ++i) {
        const QString p = codigo(i), preco = QString::number(precoDe(i));
        s << QStringLiteral("INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('%1', 'PRODUTO %1')").arg(p)
          << QStringLiteral("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) "
                            "VALUES ('%1', 'AZ', 'M', 'N')")
                 .arg(p)
          << QStringLiteral("INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, "
                            "PREC_PRECO, PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('%1', 'SUL', 1, 999, %2, %2, 'UU')")
                 .arg(p, preco);
    }
    return s;
}

// The header and lines a user would have typed for a new order.
void preencheNovo(PedidoControlador &c)
{
    // the window's per-line hooks are setting up, not what is measured
    pedido::LinhasEmLote lote(c.CDSItens);
    c.LimpaTela();
    c.CDSItens.emptyTable();
    c.numero.clear();
    c.cliente = QStringLiteral("00001");
    c.FIdStatus = QStringLiteral("S");
    c.tabela = QStringLiteral("SUL");
    c.condicao = QStringLiteral("45");
    c.emissao = QDate(2026, 3, 1);
    c.fatura = QDate(2026, 3, 5);
    c.entrega = QDate(2026, 4, 1);
    c.NrConfiguracao = 3;
    c.precos.nTaxa = 1;
    DataSet &d = c.CDSItens;
    for (int i = 0; i < kLinhas; ++i) {
        d.append();
        d.fieldByName(QStringLiteral("Codigo"))->setAsString(codigo(i));
        d.fieldByName(QStringLiteral("Cor"))->setAsString(QStringLiteral("AZ"));
        d.fieldByName(QStringLiteral("Tam"))->setAsString(QStringLiteral("M"));
        d.fieldByName(QStringLiteral("Qtde"))->setAsFloat(qtdeDe(i));
        d.fieldByName(QStringLiteral("Preco"))->setAsFloat(precoDe(i));
        d.fieldByName(QStringLiteral("PrecoOrig"))->setAsFloat(precoDe(i));
        d.fieldByName(QStringLiteral("Valor"))->setAsFloat(qtdeDe(i) * precoDe(i));
        d.fieldByName(QStringLiteral("Tipo"))->setAsString(QStringLiteral("N"));
        d.post();
    }
    c.GeraTotais();
}

struct Passo {
    const char *nome;
    std::vector<double> ms;
};

bool igual(double a, double b) { return std::fabs(a - b) < 0.005; }

int falha(const char *oque, const QStringList &dialogos = {})
{
    std::fprintf(stderr, "FAILED: %s\n", oque);
    for (const QString &t : dialogos)
        std::fprintf(stderr, "  dialog: %s\n", qPrintable(t));
    return 1;
}

int contaLinhas(TDMRepres &dm, const QString &numero)
{
    return scalar(*dm.XRDtRepres, QStringLiteral("SELECT COUNT(*) FROM PED_ITEN WHERE PEDIT_NUME = '%1'").arg(numero))
        .toInt();
}

int executa()
{
    const QString modelo = upgradedTemplate(sementes());
    ScratchInstall inst;
    installTemplate(inst, modelo);
    if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed())
        return falha("preparing the scratch database");

    // a save that asks or refuses would otherwise wait on a real dialog
    ScopedDialogRecorder rec;
    TDMRepres dm{TDMRepresGanchos{}};
    if (!dm.XRDtRepres->Connected())
        return falha("connecting to the scratch database");

    double esperado = 0, qtdeEsperada = 0;
    for (int i = 0; i < kLinhas; ++i) {
        esperado += qtdeDe(i) * precoDe(i);
        qtdeEsperada += qtdeDe(i);
    }

    PedidoControlador c(&dm);
    GravacaoPedido g(c, dm);
    Passo insere{"save new (insert)", {}}, atualiza{"save again (update)", {}}, carrega{"load (BuscaPedidos)", {}};
    QStringList numeros;
    QElapsedTimer t;
    for (int r = 0; r < kRepeticoes; ++r) {
        preencheNovo(c);
        rec->clear();
        t.start();
        const bool inseriu = g.Confirmar();
        insere.ms.push_back(t.nsecsElapsed() / 1e6);
        if (!inseriu || !rec->texts().isEmpty())
            return falha("first save", rec->texts());
        const QString numero = c.numero;
        if (numeros.contains(numero))
            return falha("a new order reused an earlier number");
        numeros << numero;
        if (contaLinhas(dm, numero) != kLinhas)
            return falha("first save did not store every line");

        t.start();
        const bool regravou = g.Confirmar();
        atualiza.ms.push_back(t.nsecsElapsed() / 1e6);
        if (!regravou || !rec->texts().isEmpty() || c.numero != numero)
            return falha("second save", rec->texts());
        if (contaLinhas(dm, numero) != kLinhas ||
            scalar(*dm.XRDtRepres, QStringLiteral("SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME = '%1'").arg(numero))
                    .toInt() != 1)
            return falha("second save did not replace the lines of the one order");
        c.GeraTotais();
        const TotaisPedido gravado = c.totais;
        if (!igual(gravado.liquido, esperado) || !igual(gravado.qtde, qtdeEsperada))
            return falha("saved totals differ from the seeded prices");

        PedidoControlador lido(&dm);
        lido.carregaItens = [&lido](DataSet &q) { CopiaItensPedido(q, lido.CDSItens); };
        lido.numero = numero;
        t.start();
        const bool achou = lido.BuscaPedidos();
        carrega.ms.push_back(t.nsecsElapsed() / 1e6);
        if (!achou || lido.CDSItens.recordCount() != kLinhas)
            return falha("load did not bring back every line");
        const TotaisPedido &l = lido.totais;
        if (!igual(l.qtde, gravado.qtde) || !igual(l.bruto, gravado.bruto) || !igual(l.liquido, gravado.liquido) ||
            !igual(l.desconto, gravado.desconto))
            return falha("loaded totals differ from the saved ones");
        if (!rec->texts().isEmpty())
            return falha("load", rec->texts());
    }

    // The floor: the same lines into the same table through one prepared
    // INSERT, in a transaction of its own on the same connection.
    Passo piso{"floor (raw inserts)", {}};
    {
        fb::Attachment &att = dm.XRDtRepres->Attachment();
        const QString numero = QStringLiteral("99999");
        for (int r = 0; r < kRepeticoes; ++r) {
            fb::Transaction tra(att);
            t.start();
            fb::executeImmediate(att, tra, QStringLiteral("DELETE FROM PED_ITEN WHERE PEDIT_NUME = '%1'").arg(numero));
            fb::Statement ins(att, tra,
                              QStringLiteral("INSERT INTO PED_ITEN (PEDIT_ITEM, PEDIT_CODI, PEDIT_NUME, PEDIT_QTDE, "
                                             "PEDIT_COR, PEDIT_TAM, PEDIT_PREC, PEDIT_TIPO, PEDIT_PREC_ORI, "
                                             "PEDIT_DT_ENTREGA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            for (int i = 0; i < kLinhas; ++i) {
                const QVariantList v{i + 1, codigo(i), numero, qtdeDe(i), QStringLiteral("AZ"), QStringLiteral("M"),
                                     precoDe(i), QStringLiteral("N"), precoDe(i), QVariant()};
                for (int k = 0; k < v.size(); ++k)
                    ins.setParam(k, v[k]);
                ins.execute();
            }
            tra.commit();
            piso.ms.push_back(t.nsecsElapsed() / 1e6);
        }
        fb::Transaction tra(att);
        fb::executeImmediate(att, tra, QStringLiteral("DELETE FROM PED_ITEN WHERE PEDIT_NUME = '%1'").arg(numero));
        tra.commit();
    }

    // Through the order window: "Incluir", the lines, "Confirmar" (the save,
    // the list again and the order shown again); then "Alterar", "Confirmar".
    Passo janelaNovo{"window confirm (new)", {}}, janelaAltera{"window confirm (change)", {}};
    {
        auto janela = std::make_unique<TfmPedido>();
        janela->show();
        QApplication::processEvents();
        for (int r = 0; r < kRepeticoes; ++r) {
            rec->clear();
            janela->btnNovoClick();
            PedidoControlador &p = janela->Pedido();
            preencheNovo(p);
            // the header as typed (edits may react to each other: the values first)
            const QString cliente = p.cliente, tabela = p.tabela, condicao = p.condicao;
            const QDate emissao = p.emissao, fatura = p.fatura, entrega = p.entrega;
            janela->EdtNumero->setText(QString());
            janela->edtCodCliente->setText(cliente);
            janela->edtCodTab->setText(tabela);
            janela->edtCodCond->setText(condicao);
            janela->dtDt_Emi->setDate(emissao);
            janela->edtVen_Fatura->setDate(fatura);
            janela->EdtEntrega->setDate(entrega);
            t.start();
            janela->BtnConfirmarClick();
            janelaNovo.ms.push_back(t.nsecsElapsed() / 1e6);
            const QString numero = janela->EdtNumero->text();
            if (!rec->texts().isEmpty() || janela->EmEdicao() || numero.isEmpty() || numeros.contains(numero))
                return falha("window save", rec->texts());
            numeros << numero;
            if (contaLinhas(dm, numero) != kLinhas || janela->CDSItens()->recordCount() != kLinhas)
                return falha("the window's save did not store and show every line");

            janela->btnAlteraClick();
            t.start();
            janela->BtnConfirmarClick();
            janelaAltera.ms.push_back(t.nsecsElapsed() / 1e6);
            if (!rec->texts().isEmpty() || janela->EmEdicao() || janela->EdtNumero->text() != numero ||
                contaLinhas(dm, numero) != kLinhas)
                return falha("window save of the loaded order", rec->texts());
        }
    }

    std::printf("order of %d lines, %d runs each, nproc %d\n", kLinhas, kRepeticoes, processadores());
    std::printf("%-26s %10s %10s %14s\n", "step", "min ms", "median ms", "median/floor");
    const double chao = mediana(piso.ms);
    for (const Passo *p : {&piso, &insere, &atualiza, &carrega, &janelaNovo, &janelaAltera})
        std::printf("%-26s %10.1f %10.1f %14.2f\n", p->nome, *std::min_element(p->ms.begin(), p->ms.end()),
                    mediana(p->ms), mediana(p->ms) / chao);
    std::printf("goals: save without the window <= 3x floor (%.2f, %.2f); through the window <= 4x (%.2f, %.2f)\n",
                mediana(insere.ms) / chao, mediana(atualiza.ms) / chao, mediana(janelaNovo.ms) / chao,
                mediana(janelaAltera.ms) / chao);
    return 0;
}

} // namespace

int main(int argc, char **argv) { return medidas::executaOffscreen(argc, argv, executa); }
