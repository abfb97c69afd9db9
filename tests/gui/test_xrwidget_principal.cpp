#include "test_shell_fixture.h"

#include "components/XRWidget.h"
#include "components/XRWidgetGrafico.h"
#include "windows/principal/untPrincipal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace {

bool aguarda(const std::function<bool()> &cond, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

TGanchosPrincipal loginOk()
{
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    return g;
}

// One order of today: two lines of 6 x 46.80 with 5 % discount.
void semeiaPedido(const ScratchInstall &inst, const QStringList &extra = {})
{
    auto db = inst.connect();
    for (const char *s : {
             "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_NOMCID) VALUES ('00001', 'LOJA CENTRAL', 'CURITIBA')",
             "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P1', 'CAMISA')",
             "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P2', 'CALCA')",
             "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTEN, PED_PDESC) VALUES ('00001', '00001', CURRENT_DATE, 5)",
             "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) "
             "VALUES ('00001', 1, 'P1', 6, 46.80)",
             "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC) "
             "VALUES ('00001', 2, 'P2', 6, 46.80)",
         })
        execSql(*db, QString::fromLatin1(s));
    for (const QString &s : extra)
        execSql(*db, s);
    db->Transaction()->Commit();
}

bool todosParados(const TfmPrincipal &fm)
{
    for (const TWidgetPainel &w : fm.Widgets())
        if (w.widget->Trabalhando())
            return false;
    return true;
}

TEST(PainelPrincipal, SevenTilesShowTheSeededOrder)
{
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    semeiaPedido(instalacao.inst);
    TfmPrincipal fm(loginOk());
    fm.resize(1200, 800);
    fm.show();
    for (const TWidgetPainel &w : fm.Widgets()) {
        ASSERT_NE(w.widget, nullptr);
        EXPECT_EQ(w.widget->parentWidget(), fm.MdiArea->viewport());
        EXPECT_EQ(w.widget->objectName(), w.nome);
        // a card is never taller than wide
        QRect esperado = w.retangulo;
        if (w.widget->Kind() == TXRKind::wdGauge)
            esperado.setHeight(std::min(esperado.height(), esperado.width()));
        EXPECT_EQ(w.widget->geometry(), esperado) << w.nome.toStdString();
    }
    ASSERT_TRUE(aguarda([&fm] { return todosParados(fm); }));
    const std::pair<TGrafico, const char *> cartoes[] = {
        {TGrafico::VlrTotPed, "R$: 533,52"}, {TGrafico::QtdeCliComp, "1"}, {TGrafico::MedCliComp, "R$: 533,52"}};
    for (const auto &[g, texto] : cartoes) {
        TXRWidget *w = fm.Widget(g);
        SCOPED_TRACE(w->objectName().toStdString());
        ASSERT_TRUE(w->Rotulo()) << w->toolTip().toStdString();
        EXPECT_EQ(w->Rotulo()->text(), QString::fromUtf8(texto));
    }
    const std::pair<TGrafico, int> graficos[] = {
        {TGrafico::Produto, 2}, {TGrafico::Cliente, 1}, {TGrafico::Cidade, 1}, {TGrafico::Mes, 12}};
    for (const auto &[g, linhas] : graficos) {
        TXRWidget *w = fm.Widget(g);
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->toolTip().toStdString();
        EXPECT_EQ(w->Dados()->recordCount(), linhas);
        EXPECT_EQ(static_cast<TGraficoWidget *>(w->Grafico())->Pontos(0), std::min(linhas, 12));
        EXPECT_TRUE(w->Grafico()->isVisibleTo(w));
    }
    EXPECT_EQ(fm.Widget(TGrafico::Produto)->Dados()->fieldByName(QStringLiteral("VALOR"))->asFloat(), 266.76);

    // the bottom-bar button hides and shows them all
    fm.AlternaWidgets();
    for (const TWidgetPainel &w : fm.Widgets())
        EXPECT_TRUE(w.widget->isHidden());
    fm.AlternaWidgets();
    for (const TWidgetPainel &w : fm.Widgets())
        EXPECT_FALSE(w.widget->isHidden());
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST(PainelPrincipal, ABrokenTextStopsTheBuildingAndExecutesNoTile)
{
    InstalacaoTeste instalacao;
    ScopedDialogRecorder rec;
    semeiaPedido(instalacao.inst, {QStringLiteral("ALTER TABLE CLIENTE DROP CLI_NOMCID")});
    TfmPrincipal fm(loginOk());
    fm.show();
    EXPECT_FALSE(fm.Widget(TGrafico::Produto)->SQL().Text().isEmpty());
    EXPECT_FALSE(fm.Widget(TGrafico::Cliente)->SQL().Text().isEmpty());
    EXPECT_TRUE(fm.Widget(TGrafico::Cidade)->SQL().Text().isEmpty());
    for (const TWidgetPainel &w : fm.Widgets()) {
        EXPECT_FALSE(w.widget->Trabalhando()) << w.nome.toStdString();
        EXPECT_FALSE(w.widget->EstaOcupado()) << w.nome.toStdString();
    }
    EXPECT_TRUE(rec->texts().isEmpty());
}

} // namespace
