#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include <functional>

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

// ---------------------------------------------------------------- typing lines into the grid

namespace {

// A window with the grid and a text box beside it, active, the grid focused.
struct EntryFixture : ::testing::Test {
    std::unique_ptr<DataSet> ds = tabela({{1, "Ana", "x", "N"}, {2, "Bia", "y", "N"}});
    QWidget janela;
    TXRDBGrid *grid = new TXRDBGrid(&janela);
    QLineEdit *lado = new QLineEdit(&janela);
    ScopedDialogRecorder rec;
    QStringList teclas; // what OnKeyDown saw: key name and SelectedIndex()

    void SetUp() override
    {
        auto *l = new QHBoxLayout(&janela);
        l->addWidget(grid);
        l->addWidget(lado);
        grid->SetDataSet(ds.get());
        janela.resize(800, 300);
        janela.show();
        QApplication::setActiveWindow(&janela);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
        grid->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(grid->hasFocus());
    }

    void anota(int key) { teclas << QKeySequence(key).toString() + "@" + QString::number(grid->SelectedIndex()); }

    void vaiPara(int row, int col) { grid->setCurrentIndex(grid->Model()->index(row, col)); }

    QWidget *editor() const
    {
        QWidget *w = QApplication::focusWidget();
        return w && w != grid && grid->isAncestorOf(w) ? w : nullptr;
    }

    // Types into the cell: the first key on the grid opens the editor, the rest go to it.
    QLineEdit *digita(const QString &texto)
    {
        QTest::keyClick(grid, texto.at(0).toLatin1());
        auto *e = qobject_cast<QLineEdit *>(editor());
        if (e && texto.size() > 1)
            QTest::keyClicks(e, texto.mid(1));
        return e;
    }

    QModelIndex atual() const { return grid->currentIndex(); }

    void clica(int row, int col)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->Model()->index(row, col)).center());
    }
};

} // namespace

TEST_F(EntryFixture, LineEntryKeysInAnEditorCommitAndReachTheHookOnce)
{
    struct Caso {
        const char *nome;
        Qt::Key key;
        bool engole;
        int linha, coluna; // where the cursor ends, typing at row 0, column 1
        const char *viu;
    } casos[] = {
        {"tab", Qt::Key_Tab, false, 0, 2, "Tab@1"},
        {"tab swallowed", Qt::Key_Tab, true, 0, 1, "Tab@1"},
        {"shift tab", Qt::Key_Backtab, false, 0, 0, "Backtab@1"},
        {"down", Qt::Key_Down, false, 1, 1, "Down@1"},
        {"f3", Qt::Key_F3, false, 0, 1, "F3@1"},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nome);
        ds->setRows({{1, "Ana", "x", "N"}, {2, "Bia", "y", "N"}});
        vaiPara(0, 1);
        QLineEdit *e = digita("abc");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->text(), "abc");
        teclas.clear();
        grid->OnKeyDown = [&](TXRDBGrid *, int &key, Qt::KeyboardModifiers) {
            anota(key);
            if (c.engole && key == c.key)
                key = 0;
        };
        QTest::keyClick(e, c.key);
        grid->OnKeyDown = nullptr;
        EXPECT_EQ(teclas, QStringList{c.viu});
        EXPECT_EQ(editor(), nullptr);
        EXPECT_TRUE(grid->hasFocus());
        EXPECT_EQ(atual().row(), c.linha);
        EXPECT_EQ(atual().column(), c.coluna);
        // the typed text is in the field, posted once the cursor left the row
        const bool editando = ds->state() == DataSet::State::Edit;
        EXPECT_EQ(editando ? ds->fieldByName("NOME")->asString() : ds->valueAt(0, 1).toString(), "abc");
        ds->cancel();
    }

    // an editor opened and left untouched starts no edit
    vaiPara(0, 1);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    QTest::keyClick(editor(), Qt::Key_Tab);
    EXPECT_EQ(ds->state(), DataSet::State::Browse);
    EXPECT_EQ(atual().column(), 2);

    // a value the field refuses keeps the editor with the typed text, and the key goes nowhere
    vaiPara(0, 0);
    QLineEdit *e = digita("x1");
    ASSERT_NE(e, nullptr);
    teclas.clear();
    grid->OnKeyDown = [&](TXRDBGrid *, int &key, Qt::KeyboardModifiers) { anota(key); };
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_TRUE(teclas.isEmpty());
    EXPECT_EQ(editor(), e);
    EXPECT_EQ(e->text(), "x1");
    EXPECT_EQ(atual().column(), 0);
    EXPECT_EQ(rec->texts().size(), 1);
}

TEST_F(EntryFixture, OtherEditorKeysRunTheHookFirstAndOnlyOnce)
{
    vaiPara(0, 1);
    grid->OnKeyDown = [&](TXRDBGrid *, int &key, Qt::KeyboardModifiers) {
        anota(key);
        if (key == Qt::Key_Delete)
            key = 0;
    };
    QLineEdit *e = digita("abc");
    ASSERT_NE(e, nullptr);
    e->setCursorPosition(0);
    QTest::keyClick(e, Qt::Key_Delete);
    EXPECT_EQ(e->text(), "abc"); // the window took the key
    QTest::keyClick(e, Qt::Key_End);
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "ab");
    // Enter travels from the editor up to the grid; the hook still sees it once
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(teclas, (QStringList{"A@1", "B@1", "C@1", "Del@1", "End@1", "Backspace@1", "Return@1"}));
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "ab");
}

TEST_F(EntryFixture, AHookThatPostsOnTabKeepsTheColumn)
{
    // typing on a new line: posting it resets the view
    vaiPara(1, 0);
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(ds->state(), DataSet::State::Insert);
    QLineEdit *e = digita("7");
    ASSERT_NE(e, nullptr);
    grid->OnKeyDown = [&](TXRDBGrid *g, int &key, Qt::KeyboardModifiers) {
        anota(key);
        if (key == Qt::Key_Tab) {
            g->GetDataSet()->post();
            g->GetDataSet()->edit();
            anota(key);
        }
    };
    QTest::keyClick(e, Qt::Key_Tab);
    EXPECT_EQ(teclas, (QStringList{"Tab@0", "Tab@0"}));
    EXPECT_EQ(ds->recordCount(), 3);
    EXPECT_EQ(ds->valueAt(2, 0).toInt(), 7);
    EXPECT_EQ(atual().row(), 2);
    EXPECT_EQ(atual().column(), 1);
}

TEST_F(EntryFixture, DownAndTabAddLinesAndABlankLineGoesAway)
{
    struct Passo {
        const char *nome;
        std::function<void()> faz;
        int linhas;      // rows in the view
        int linha, coluna; // current cell
        DataSet::State estado;
    } passos[] = {
        {"down on the last row appends", [&] { vaiPara(1, 1); QTest::keyClick(grid, Qt::Key_Down); }, 3, 2, 1,
         DataSet::State::Insert},
        {"a second down does nothing", [&] { QTest::keyClick(grid, Qt::Key_Down); }, 3, 2, 1, DataSet::State::Insert},
        {"tab at the end of a blank line adds none", [&] { vaiPara(2, 3); QTest::keyClick(grid, Qt::Key_Tab); }, 3, 2,
         3, DataSet::State::Insert},
        {"up cancels the blank line", [&] { QTest::keyClick(grid, Qt::Key_Up); }, 2, 1, 3, DataSet::State::Browse},
        {"tab at the last cell posts and appends",
         [&] {
             vaiPara(1, 3);
             ds->edit();
             ds->fieldByName("SEL")->setValue("S");
             QTest::keyClick(grid, Qt::Key_Tab);
         },
         3, 2, 0, DataSet::State::Insert},
        {"a click on another row cancels the blank line",
         [&] {
             clica(0, 1);
             EXPECT_EQ(ds->valueAt(1, 3).toString(), "S");
         },
         2, 0, 1, DataSet::State::Browse},
        {"a typed line stays when down appends the next",
         [&] {
             vaiPara(1, 1);
             QTest::keyClick(grid, Qt::Key_Down);
             QTest::keyClick(digita("Caio"), Qt::Key_Down);
             EXPECT_EQ(ds->valueAt(2, 1).toString(), "Caio");
         },
         4, 3, 1, DataSet::State::Insert},
        {"down on an empty table appends the first line",
         [&] {
             ds->cancel();
             ds->setRows({});
             QTest::keyClick(grid, Qt::Key_Down);
         },
         1, 0, 1, DataSet::State::Insert},
    };
    for (const Passo &p : passos) {
        SCOPED_TRACE(p.nome);
        p.faz();
        EXPECT_EQ(grid->Model()->rowCount(), p.linhas);
        EXPECT_EQ(atual().row(), p.linha);
        EXPECT_EQ(atual().column(), p.coluna);
        EXPECT_EQ(ds->state(), p.estado);
        EXPECT_EQ(ds->recNo(), p.linha + 1);
    }
    ds->cancel();
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(EntryFixture, NoLinesAddedWhereNothingCanBeTyped)
{
    struct Caso {
        const char *nome;
        std::function<void()> prepara;
    } casos[] = {
        {"read-only grid", [&] { grid->SetReadOnly(true); }},
        {"read-only columns",
         [&] {
             for (int i = 0; i < grid->ColumnCount(); ++i)
                 grid->Column(i)->ReadOnly = true;
         }},
        {"check-box and read-only columns",
         [&] {
             for (int i = 0; i < grid->ColumnCount(); ++i)
                 grid->Column(i)->ReadOnly = true;
             grid->Column(1)->ReadOnly = false;
             grid->Column(1)->CheckBox = true;
         }},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nome);
        c.prepara();
        vaiPara(1, 1);
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(ds->state(), DataSet::State::Browse);
        EXPECT_EQ(ds->recordCount(), 2);
        grid->SetReadOnly(false);
        for (int i = 0; i < grid->ColumnCount(); ++i) {
            grid->Column(i)->ReadOnly = false;
            grid->Column(i)->CheckBox = false;
        }
    }
    // one column that takes text is enough, wherever the cursor is
    grid->Column(1)->ReadOnly = true;
    vaiPara(1, 1);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(ds->state(), DataSet::State::Insert);
    ds->cancel();
    grid->Column(1)->ReadOnly = false;

    // a line the program refuses to post stays, with the message, and nothing is appended
    ds->beforePost = [](DataSet &) { throw EDatabaseError("Falta o nome"); };
    vaiPara(1, 1);
    ds->edit();
    ds->fieldByName("NOME")->setValue("");
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(rec->texts(), QStringList{"Falta o nome"});
    EXPECT_EQ(ds->state(), DataSet::State::Edit);
    EXPECT_EQ(grid->Model()->rowCount(), 2);
    EXPECT_EQ(atual().row(), 1);
    ds->beforePost = nullptr;
    ds->cancel();
}

TEST_F(EntryFixture, EnterAndExitOnlyBetweenWidgetsOfTheWindow)
{
    QStringList eventos;
    grid->OnEnter = [&](TXRDBGrid *) { eventos << "enter"; };
    grid->OnExit = [&](TXRDBGrid *g) { eventos << "exit:" + QString::number(g->Model()->rowCount()); };
    lado->setFocus();
    grid->setFocus();
    EXPECT_EQ(eventos, (QStringList{"exit:2", "enter"}));
    eventos.clear();
    vaiPara(0, 1);
    ASSERT_NE(digita("Nova"), nullptr); // the grid's own editor is still the grid
    QTest::keyClick(editor(), Qt::Key_Return);
    QCoreApplication::processEvents();

    // another window taking the focus and giving it back is no exit
    QWidget outra;
    auto *campo = new QLineEdit(&outra);
    outra.show();
    QApplication::setActiveWindow(&outra);
    campo->setFocus();
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(&janela);
    grid->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(eventos.isEmpty());

    // an appended line nobody typed into is gone before OnExit runs; a typed one stays
    vaiPara(1, 1);
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(ds->state(), DataSet::State::Insert);
    lado->setFocus();
    EXPECT_EQ(eventos, (QStringList{"exit:2"}));
    EXPECT_EQ(ds->state(), DataSet::State::Browse);
    EXPECT_EQ(grid->Model()->rowCount(), 2);

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(digita("Caio"), Qt::Key_Return);
    QCoreApplication::processEvents();
    lado->setFocus();
    EXPECT_EQ(eventos, (QStringList{"exit:2", "enter", "exit:3"}));
    EXPECT_EQ(ds->state(), DataSet::State::Insert);
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "Caio");
    EXPECT_EQ(ds->valueAt(0, 1).toString(), "Nova");

    // a reset dropping an open editor leaves the focus in the grid, not on the next widget
    QWidget::setTabOrder(lado, grid);
    grid->setFocus();
    eventos.clear();
    grid->OnKeyDown = [&](TXRDBGrid *g, int &key, Qt::KeyboardModifiers) {
        anota(key);
        if (key == Qt::Key_F5) {
            key = 0;
            g->GetDataSet()->cancel();
        }
    };
    QLineEdit *e = digita("Dora");
    ASSERT_NE(e, nullptr);
    teclas.clear();
    QTest::keyClick(e, Qt::Key_F5);
    QCoreApplication::processEvents();
    EXPECT_EQ(teclas, QStringList{"F5@1"}); // no stray Tab from the editor hiding
    EXPECT_EQ(atual().column(), 1);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_TRUE(eventos.isEmpty());
    EXPECT_EQ(grid->Model()->rowCount(), 2);
    // the dropped editor's text went nowhere
    EXPECT_EQ(ds->state(), DataSet::State::Browse);
    EXPECT_EQ(ds->valueAt(1, 1).toString(), "Bia");
}

TEST_F(EntryFixture, ColumnExitThenEnterWithTheNewColumnCurrent)
{
    QStringList eventos;
    grid->OnColExit = [&](TXRDBGrid *g, int anterior) {
        eventos << QString("exit %1 now %2").arg(anterior).arg(g->SelectedIndex());
    };
    grid->OnColEnter = [&](TXRDBGrid *g) { eventos << QString("enter %1").arg(g->SelectedIndex()); };
    vaiPara(0, 0);
    eventos.clear();
    QTest::keyClick(grid, Qt::Key_Right);
    clica(1, 3);
    clica(0, 3);          // same column, other row: nothing
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(eventos, (QStringList{"exit 0 now 1", "enter 1", "exit 1 now 3", "enter 3"}));

    // a hook that posts (resetting the view) neither loops nor loses the column
    eventos.clear();
    grid->OnColExit = [&](TXRDBGrid *g, int anterior) {
        eventos << QString("exit %1").arg(anterior);
        g->GetDataSet()->append();
        g->GetDataSet()->fieldByName("NOME")->setValue("Davi");
        g->GetDataSet()->post();
    };
    vaiPara(0, 3);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(eventos, (QStringList{"exit 3", "enter 2"}));
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(atual().row(), ds->recNo() - 1);
    EXPECT_EQ(ds->recordCount(), 3);
}

