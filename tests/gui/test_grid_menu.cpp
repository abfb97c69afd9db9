#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QWindow>

namespace {

std::unique_ptr<DataSet> clientes(bool comLinhas = true)
{
    auto ds = std::make_unique<DataSet>();
    ds->setFieldDefs({{"CODIGO", FieldType::Integer}, {"NOME", FieldType::String, 20},
                      {"CIDADE", FieldType::String, 20}, {"UF", FieldType::String, 2}, {"OBS", FieldType::String, 20}});
    if (comLinhas)
        ds->setRows({{3, "Caio", "Rio", "RJ", "a"}, {1, "Ana", "Lins", "SP", "b"}, {2, "Bia", "Natal", "RN", "c"}});
    ds->open();
    return ds;
}

// Captions as a list; a separator reads "-".
QStringList legendas(const QMenu *m)
{
    QStringList out;
    for (const QAction *a : m->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QAction *acao(const QMenu *m, const QString &legenda)
{
    for (QAction *a : m->actions())
        if (a->text() == legenda)
            return a;
    return nullptr;
}

struct MenuFixture : ::testing::Test {
    std::unique_ptr<DataSet> ds = clientes();
    TXRDBGrid grid;
    ScopedDialogRecorder rec;

    void SetUp() override
    {
        grid.SetDataSet(ds.get());
        grid.resize(700, 300);
        grid.show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        if (QWidget *p = QApplication::activePopupWidget())
            p->close();
    }

    // Right press on a cell; the menu it built.
    QMenu *direito(int coluna, int linha = 0)
    {
        QTest::mousePress(grid.viewport(), Qt::RightButton, {},
                          grid.visualRect(grid.Model()->index(linha, coluna)).center());
        QTest::mouseRelease(grid.viewport(), Qt::RightButton, {},
                            grid.visualRect(grid.Model()->index(linha, coluna)).center());
        return grid.MenuEmUso();
    }
    QMenu *exibir(QMenu *m) { return acao(m, "Exibir coluna")->menu(); }
    QStringList visiveis()
    {
        QStringList out;
        for (int i = 0; i < grid.ColumnCount(); ++i)
            if (grid.Column(i)->Visible)
                out << grid.Column(i)->FieldName;
        return out;
    }
    QStringList ordem()
    {
        QStringList out;
        for (int i = 0; i < grid.ColumnCount(); ++i)
            out << grid.Column(i)->FieldName;
        return out;
    }
};

} // namespace

TEST_F(MenuFixture, FiltrarNeedsTheOptionAndRecordsOrAFilterText)
{
    const struct {
        bool filtrar, linhas;
        const char *filtro;
        bool mostra;
    } casos[] = {{true, true, "", true}, {true, false, "", false}, {true, false, "NOME = 'x'", true},
                 {false, true, "", false}};
    for (const auto &c : casos) {
        auto dados = clientes(c.linhas);
        dados->setFilter(c.filtro);
        grid.SetDataSet(dados.get());
        grid.Filtrar = c.filtrar;
        QMenu *m = direito(0);
        EXPECT_EQ(acao(m, "Filtrar") != nullptr, c.mostra) << c.filtrar << c.linhas << c.filtro;
        if (c.mostra) {
            EXPECT_EQ(legendas(m).front(), "Filtrar");
        }
    }
    grid.SetDataSet(ds.get());
}

TEST_F(MenuFixture, EntriesOfAMemoryTableAndOfAQuery)
{
    grid.SetOrdenacao(true);
    QMenu *m = direito(1);
    EXPECT_EQ(legendas(m), QStringList({"Limpar ordenação", "Escala de cor", "Ocultar coluna", "Exibir coluna", "-",
                                        "Imprimir", "Exportar para", "Importar"}));
    EXPECT_EQ(legendas(acao(m, "Imprimir")->menu()), QStringList({"Retrato", "Paisagem"}));
    EXPECT_EQ(legendas(acao(m, "Exportar para")->menu()), QStringList({"Word", "Excel", "Texto", "XML", "HTML"}));
    for (QAction *a : m->actions())
        EXPECT_EQ(a->property("Tag").toInt(), TXRDBGrid::TagMenuGrade) << a->text().toStdString();
    EXPECT_EQ(m->property("Tag").toInt(), 1);

    // a query shows no sort reset, no colour scale and no import
    TXRQuery q;
    q.setFieldDefs(ds->fieldDefs());
    q.setRows({{1, "B", "x", "SP", ""}});
    q.DataSet::open();
    grid.SetDataSet(&q);
    EXPECT_EQ(legendas(direito(1)),
              QStringList({"Ocultar coluna", "Exibir coluna", "-", "Imprimir", "Exportar para"}));

    // without exports: neither the separator nor the print and export entries
    grid.SetExporta(false);
    EXPECT_EQ(legendas(direito(1)), QStringList({"Ocultar coluna", "Exibir coluna"}));
    grid.SetDataSet(ds.get());
}

TEST_F(MenuFixture, HidingAndShowingColumns)
{
    QMenu *m = direito(1);
    EXPECT_FALSE(acao(m, "Exibir coluna")->isEnabled());
    acao(m, "Ocultar coluna")->trigger();
    EXPECT_EQ(ordem(), QStringList({"CODIGO", "CIDADE", "UF", "OBS", "NOME"}));
    EXPECT_TRUE(grid.isColumnHidden(4));

    // one hidden column: just that column
    m = direito(2);
    EXPECT_TRUE(acao(m, "Exibir coluna")->isEnabled());
    EXPECT_EQ(legendas(exibir(m)), QStringList({"NOME"}));
    EXPECT_EQ(acao(exibir(m), "NOME")->property("Tag").toInt(), 4);

    // two: then "-" and "Todas"
    acao(m, "Ocultar coluna")->trigger();
    EXPECT_EQ(ordem(), QStringList({"CODIGO", "CIDADE", "OBS", "NOME", "UF"}));
    m = direito(0);
    EXPECT_EQ(legendas(exibir(m)), QStringList({"NOME", "UF", "-", "Todas"}));
    EXPECT_EQ(acao(exibir(m), "Todas")->property("Tag").toInt(), TXRDBGrid::TagTodas);

    // a column shown goes where the right press was
    m = direito(1);
    acao(exibir(m), "UF")->trigger();
    EXPECT_EQ(ordem(), QStringList({"CODIGO", "UF", "CIDADE", "OBS", "NOME"}));
    EXPECT_FALSE(grid.isColumnHidden(1));
    EXPECT_EQ(visiveis(), QStringList({"CODIGO", "UF", "CIDADE", "OBS"}));
}

TEST_F(MenuFixture, TodasShowsEveryHiddenColumnWhereverTheyAre)
{
    // hidden columns before the clicked one: a walk by index would skip some
    for (int i : {0, 1, 2})
        grid.Column(i)->Visible = false;
    grid.LayoutChanged();
    QMenu *m = direito(4);
    EXPECT_EQ(grid.iColumnIndex, 4);
    EXPECT_EQ(legendas(exibir(m)), QStringList({"CODIGO", "NOME", "CIDADE", "-", "Todas"}));
    acao(exibir(m), "Todas")->trigger();
    EXPECT_EQ(visiveis().size(), 5);
    for (int i = 0; i < grid.ColumnCount(); ++i)
        EXPECT_FALSE(grid.isColumnHidden(i)) << i;
    QStringList campos = ordem();
    campos.sort();
    EXPECT_EQ(campos, QStringList({"CIDADE", "CODIGO", "NOME", "OBS", "UF"}));
}

TEST_F(MenuFixture, IndicatorColumnDisablesHidingAndKeepsTheLastColumn)
{
    grid.verticalHeader()->show();
    QCoreApplication::processEvents();
    direito(3);
    EXPECT_EQ(grid.iColumnIndex, 3);
    const QHeaderView *v = grid.verticalHeader();
    QTest::mousePress(v->viewport(), Qt::RightButton, {}, QPoint(v->width() / 2, v->sectionViewportPosition(0) + 3));
    QMenu *m = grid.MenuEmUso();
    ASSERT_TRUE(m);
    EXPECT_FALSE(acao(m, "Ocultar coluna")->isEnabled());
    EXPECT_EQ(grid.iColumnIndex, 3);

    // beside the last column: no column either
    grid.resize(900, 300);
    QTest::mousePress(grid.viewport(), Qt::RightButton, {}, QPoint(grid.viewport()->width() - 3, 10));
    EXPECT_FALSE(acao(grid.MenuEmUso(), "Ocultar coluna")->isEnabled());

    // a right press on a title has the title's column
    const QHeaderView *h = grid.horizontalHeader();
    QTest::mousePress(h->viewport(), Qt::RightButton, {}, QPoint(h->sectionViewportPosition(2) + 5, h->height() / 2));
    EXPECT_TRUE(acao(grid.MenuEmUso(), "Ocultar coluna")->isEnabled());
    EXPECT_EQ(grid.iColumnIndex, 2);
}

TEST_F(MenuFixture, LimparOrdenacaoOnlyWhileSorted)
{
    grid.SetOrdenacao(true);
    EXPECT_FALSE(acao(direito(0), "Limpar ordenação")->isEnabled());
    grid.TitleClick(1, false);
    ASSERT_FALSE(ds->indexName().isEmpty());
    QAction *limpar = acao(direito(0), "Limpar ordenação");
    EXPECT_TRUE(limpar->isEnabled());
    limpar->trigger();
    EXPECT_TRUE(ds->indexName().isEmpty());
    EXPECT_EQ(ds->valueAt(0, 1).toString(), "Caio");
    EXPECT_FALSE(acao(direito(0), "Limpar ordenação")->isEnabled());
}

TEST_F(MenuFixture, AColumnsOwnMenuAndAWindowsMenuComeFirst)
{
    QMenu propria;
    propria.addAction("Própria");
    grid.Column(2)->PopupMenu = &propria;
    QMenu *m = direito(2);
    EXPECT_EQ(m, &propria);
    EXPECT_TRUE(propria.isVisible()); // shown at once
    propria.close();
    EXPECT_EQ(legendas(m).mid(0, 4), QStringList({"Própria", "-", "Escala de cor", "Ocultar coluna"}));
    // rebuilt, not repeated
    const QStringList antes = legendas(m);
    direito(2);
    propria.close();
    EXPECT_EQ(legendas(&propria), antes);

    // another column: the grid's own menu, no leading separator
    QMenu *daGrade = direito(0);
    EXPECT_NE(daGrade, &propria);
    EXPECT_EQ(legendas(daGrade).front(), "Escala de cor");
    EXPECT_EQ(direito(1), daGrade); // made once

    QMenu janela;
    janela.addAction("Janela");
    grid.PopupMenu = &janela;
    direito(0);
    direito(1);
    EXPECT_EQ(grid.MenuEmUso(), &janela);
    EXPECT_EQ(legendas(&janela).mid(0, 3), QStringList({"Janela", "-", "Escala de cor"}));
    EXPECT_EQ(legendas(&janela).count("-"), 2);
}

TEST_F(MenuFixture, MenuEntriesRunTheirHandlers)
{
    // colour scale on the right-pressed column
    QMenu *m = direito(0);
    acao(m, "Escala de cor")->trigger();
    EXPECT_TRUE(grid.Column(0)->EscalaCorLigada());

    // an export cancelled in its dialog writes nothing and says nothing
    acao(acao(direito(0), "Exportar para")->menu(), "Texto")->trigger();
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_EQ(rec->entries()[0].kind, "save");
}

TEST_F(MenuFixture, ARealRightClickOpensTheGridsMenu)
{
    // through the window, as the platform delivers it: press, then the context request
    QWindow *w = grid.window()->windowHandle();
    ASSERT_TRUE(w);
    const QPoint p = grid.viewport()->mapTo(grid.window(), grid.visualRect(grid.Model()->index(1, 2)).center());
    QTest::mousePress(w, Qt::RightButton, {}, p);
    QTest::mouseRelease(w, Qt::RightButton, {}, p);
    QCoreApplication::processEvents();
    ASSERT_TRUE(grid.MenuEmUso());
    EXPECT_TRUE(grid.MenuEmUso()->isVisible());
    EXPECT_EQ(grid.iColumnIndex, 2);
    EXPECT_EQ(ds->recNo(), 1); // a right click does not move the record
    grid.MenuEmUso()->close();

    // a window that took the context menu over keeps it
    QMenu *antes = grid.MenuEmUso();
    grid.setContextMenuPolicy(Qt::NoContextMenu);
    grid.Column(0)->Visible = false;
    grid.LayoutChanged();
    QTest::mousePress(w, Qt::RightButton, {}, p);
    QTest::mouseRelease(w, Qt::RightButton, {}, p);
    QCoreApplication::processEvents();
    EXPECT_FALSE(antes->isVisible());
    EXPECT_FALSE(acao(antes, "Exibir coluna")->isEnabled()); // not rebuilt
}
