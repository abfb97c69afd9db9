#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

namespace {

std::unique_ptr<DataSet> tabela(const std::vector<Row> &rows)
{
    auto ds = std::make_unique<DataSet>();
    ds->setFieldDefs({{"CODIGO", FieldType::Integer}, {"NOME", FieldType::String, 20},
                      {"OBS", FieldType::Memo}, {"SEL", FieldType::String, 1}});
    ds->setRows(rows);
    ds->open();
    return ds;
}

std::unique_ptr<DataSet> clientes()
{
    return tabela({{3, "Caio", "x", "S"}, {1, "Ana", "y", "N"}, {2, "Bia", "z", "X"}, {4, "Ana", "w", "N"}});
}

struct GridFixture : ::testing::Test {
    std::unique_ptr<DataSet> ds = clientes();
    TXRDBGrid grid;
    ScopedDialogRecorder rec;

    void SetUp() override
    {
        grid.SetDataSet(ds.get());
        grid.resize(600, 300);
        grid.show();
        QCoreApplication::processEvents();
    }

    void clicaTitulo(int col, Qt::KeyboardModifiers mods = {})
    {
        QHeaderView *h = grid.horizontalHeader();
        const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, mods, p);
    }

    void clicaCelula(int row, int col)
    {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.Model()->index(row, col)).center());
    }

    QStringList coluna(int f)
    {
        QStringList out;
        for (int i = 0; i < ds->recordCount(); ++i)
            out << ds->valueAt(i, f).toString();
        return out;
    }
};

} // namespace

TEST_F(GridFixture, TitleClicksSortAndShowSignsAndRanks)
{
    grid.SetOrdenacao(true);
    struct Passo {
        int col;
        bool ctrl;
        const char *fields, *desc;
        const char *nomes;
    } passos[] = {
        {1, false, "NOME;", "", "Ana,Ana,Bia,Caio"},
        {1, false, "NOME;", "NOME;", "Caio,Bia,Ana,Ana"}, // repeat alternates
        {1, false, "NOME;", "", "Ana,Ana,Bia,Caio"},
        {0, true, "NOME;CODIGO;", "", "Ana,Ana,Bia,Caio"},
        {0, true, "NOME;CODIGO;", "CODIGO;", "Ana,Ana,Bia,Caio"},
        {0, true, "NOME;CODIGO;", "", "Ana,Ana,Bia,Caio"},
        {2, false, "NOME;CODIGO;", "", "Ana,Ana,Bia,Caio"}, // a memo column never sorts
    };
    for (const Passo &p : passos) {
        clicaTitulo(p.col, p.ctrl ? Qt::ControlModifier : Qt::NoModifier);
        const IndexDef *idx = ds->findIndex(ds->indexName());
        ASSERT_NE(idx, nullptr);
        EXPECT_EQ(idx->fields, QString::fromLatin1(p.fields)) << p.col << p.ctrl;
        EXPECT_EQ(idx->descFields, QString::fromLatin1(p.desc)) << p.col << p.ctrl;
        EXPECT_EQ(coluna(1).join(','), QString::fromLatin1(p.nomes));
    }
    EXPECT_EQ(coluna(0).join(','), "1,4,2,3");
    const TTituloOrdem nome = grid.TituloOrdem(1), codigo = grid.TituloOrdem(0);
    EXPECT_TRUE(nome.Ordenada && !nome.Descendente);
    EXPECT_EQ(nome.Posicao, "0");
    EXPECT_EQ(codigo.Posicao, "1");
    EXPECT_FALSE(grid.TituloOrdem(2).Ordenada);

    // dragging a column between press and release does not sort
    const QString antes = ds->indexName();
    QHeaderView *h = grid.horizontalHeader();
    const QPoint ponto(h->sectionViewportPosition(1) + 5, h->height() / 2);
    QTest::mousePress(h->viewport(), Qt::LeftButton, {}, ponto);
    h->moveSection(1, 0);
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, ponto);
    EXPECT_EQ(ds->indexName(), antes);
    EXPECT_EQ(grid.Column(0)->FieldName, "NOME"); // the column order follows the drag

    grid.LimparOrdenacao();
    EXPECT_TRUE(ds->indexDefs().empty());
    EXPECT_EQ(coluna(0).join(','), "3,1,2,4");
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(GridFixture, NoSortOnAQueryOrWhenSortingIsOff)
{
    clicaTitulo(1);
    EXPECT_TRUE(ds->indexName().isEmpty());

    TXRQuery q;
    q.setFieldDefs(ds->fieldDefs());
    q.setRows({{1, "B", QVariant(), "N"}, {2, "A", QVariant(), "N"}});
    q.DataSet::open();
    grid.SetDataSet(&q);
    grid.SetOrdenacao(true);
    clicaTitulo(1);
    EXPECT_TRUE(q.indexName().isEmpty());
    EXPECT_EQ(q.valueAt(0, 1).toString(), "B");
}

TEST_F(GridFixture, CheckBoxCellsClickSpaceAndReadOnly)
{
    TXRColumn *sel = grid.AddColumn("SEL", "Sel");
    grid.AddColumn("NOME");
    sel->CheckBox = true;
    sel->ValueChecked = "S";
    sel->ValueUnChecked = "N";
    EXPECT_TRUE(grid.CelulaMarcada(0, 0));
    EXPECT_FALSE(grid.CelulaMarcada(1, 0));
    EXPECT_FALSE(grid.CelulaMarcada(2, 0)); // other text draws unchecked

    clicaCelula(2, 0);
    EXPECT_EQ(ds->valueAt(2, 3).toString(), "S");
    clicaCelula(2, 0);
    EXPECT_EQ(ds->valueAt(2, 3).toString(), "N");

    grid.setFocus();
    grid.setCurrentIndex(grid.Model()->index(1, 0));
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(ds->valueAt(1, 3).toString(), "S");
    EXPECT_EQ(ds->state(), DataSet::State::Browse);

    // a window hook can take the key first
    grid.OnKeyDown = [](TXRDBGrid *, int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Space)
            key = 0;
    };
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(ds->valueAt(1, 3).toString(), "S");
    grid.OnKeyDown = nullptr;

    sel->ReadOnly = true;
    clicaCelula(1, 0);
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(ds->valueAt(1, 3).toString(), "S");
    sel->ReadOnly = false;
    grid.SetReadOnly(true);
    clicaCelula(1, 0);
    EXPECT_EQ(ds->valueAt(1, 3).toString(), "S");
}

TEST_F(GridFixture, CheckAllSetsEveryRowAndRestoresThePosition)
{
    TXRColumn *sel = grid.AddColumn("SEL", "Sel");
    grid.AddColumn("NOME");
    sel->CheckBox = true;
    sel->ValueChecked = "S";
    sel->ValueUnChecked = "N";
    QStringList eventos;
    grid.BeforeCheckAllClick = [&](TXRDBGrid *) { eventos << "antes"; };
    grid.AfterCheckAllClick = [&](TXRDBGrid *) { eventos << "depois"; };
    ds->setRecNo(3);

    clicaTitulo(0);
    EXPECT_EQ(coluna(3).join(','), "S,S,S,S");
    EXPECT_TRUE(sel->CheckTodos());
    EXPECT_EQ(ds->recNo(), 3);
    clicaTitulo(0);
    EXPECT_EQ(coluna(3).join(','), "N,N,N,N");
    EXPECT_EQ(eventos, (QStringList{"antes", "depois", "antes", "depois"}));

    // a record the program refuses is skipped; any other failure reaches the user
    ds->beforePost = [](DataSet &d) {
        if (d.fieldByName("CODIGO")->asInteger() == 1)
            throw EAbort();
    };
    clicaTitulo(0);
    EXPECT_EQ(coluna(3).join(','), "S,N,S,S");
    EXPECT_TRUE(rec->texts().isEmpty());
    ds->beforePost = [](DataSet &d) {
        if (d.fieldByName("CODIGO")->asInteger() == 2)
            throw EDatabaseError("Falha ao gravar");
    };
    clicaTitulo(0);
    EXPECT_EQ(rec->texts(), QStringList{"Falha ao gravar"});
    EXPECT_EQ(ds->recNo(), 3);
    EXPECT_FALSE(ds->controlsDisabled());
}

TEST_F(GridFixture, ColourScaleByRank)
{
    struct Caso {
        std::vector<int> valores;
        std::vector<QColor> esperado;
    } casos[] = {
        {{50, 10, 40, 20, 30},
         {QColor(255, 0, 0), QColor(255, 255, 153), QColor(255, 102, 0), QColor(255, 255, 51), QColor(255, 204, 0)}},
        {{1, 2, 2, 3, 4}, // a tie takes the rank of the first record holding the value
         {QColor(255, 255, 153), QColor(255, 255, 51), QColor(255, 255, 51), QColor(255, 102, 0), QColor(255, 0, 0)}},
        {{1, 2, 3, 4}, {QColor(255, 255, 128), QColor(255, 255, 0), QColor(255, 127, 0), QColor(255, 0, 0)}},
    };
    for (const Caso &c : casos) {
        std::vector<Row> rows;
        for (int v : c.valores)
            rows.push_back({v, "n", QVariant(), "N"});
        ds->setRows(rows);
        grid.ClearColumns();
        grid.EscalaCor(0);
        for (size_t i = 0; i < c.valores.size(); ++i)
            EXPECT_EQ(grid.CorFundoCelula(int(i), 0, false), c.esperado[i]) << c.valores[i];
        EXPECT_EQ(grid.CorFonteCelula(0, 0), QColor());
    }
    // a changed value is ranked again
    ds->first();
    ds->edit();
    ds->fieldByName("CODIGO")->setValue(9);
    ds->post();
    EXPECT_EQ(grid.CorFundoCelula(0, 0, false), QColor(255, 0, 0));

    grid.EscalaCor(2); // memo: no scale
    EXPECT_FALSE(grid.Column(2)->EscalaCorLigada());
}

TEST_F(GridFixture, ZebraAndSelectionColours)
{
    grid.SetZebrado(true);
    grid.Zeb_Cor1 = Qt::white;
    grid.Zeb_Cor2 = QColor(0xF0, 0xF0, 0xF0);
    EXPECT_EQ(grid.CorFundoCelula(0, 1, false), QColor(Qt::white));
    EXPECT_EQ(grid.CorFundoCelula(1, 1, false), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(grid.CorFundoCelula(1, 1, true), QColor(0xA6, 0xCA, 0xF0));
}

TEST(Grid, AjustaTitulo)
{
    const std::pair<QString, QString> casos[] = {
        {"CLI_NOME", "Cli Nome"}, {"NUMERO", "Numero"}, {"PED_NUME", "Ped Nume"}, {"Qtd. Peças", "Qtd. Peças"},
        {"", ""},                 {"A__B", "A  B"},     {"_X_", " X "},        {"x", "X"},
    };
    for (const auto &[de, para] : casos)
        EXPECT_EQ(TXRDBGrid::AjustaTitulo(de), para) << de.toStdString();
}

TEST_F(GridFixture, GetColumnAndAutomaticTitles)
{
    EXPECT_EQ(grid.GetColumn("nome"), grid.Column(1));
    EXPECT_EQ(grid.GetColumn("XPTO"), nullptr);
    grid.TituloAutomatico = true;
    ds->setRows({{1, "a", QVariant(), "N"}});
    EXPECT_EQ(grid.Column(0)->Title, "Codigo");
    EXPECT_EQ(grid.Model()->headerData(1, Qt::Horizontal).toString(), "Nome");
}

TEST(Grid, LongBlobTextIsCutToTheCell)
{
    TXRDBGrid grid;
    const QFontMetrics fm = grid.fontMetrics();
    const QString longo = QString(200, QChar('m'));
    struct Caso {
        QString texto;
        int largura;
        bool cortado;
    } casos[] = {{"curto", 200, false}, {longo, 15, false}, {longo, 120, true}, {"W" + QString(80, 'i'), 60, true}};
    for (const Caso &c : casos) {
        const QString t = grid.TextoBlob(c.texto, c.largura, fm);
        if (!c.cortado) {
            EXPECT_EQ(t, c.texto);
            continue;
        }
        EXPECT_TRUE(t.endsWith("...")) << t.toStdString();
        EXPECT_LE(fm.horizontalAdvance(t), c.largura) << t.toStdString();
        EXPECT_TRUE(c.texto.startsWith(t.chopped(3)));
    }
}
