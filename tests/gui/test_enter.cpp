// The application-wide keyboard rules, offscreen, on Wednesday 15/05/2024.
#include "test_pedido_fixture.h"
#include "test_shell_fixture.h"

#include "components/Enter.h"
#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

const QDate kHoje(2024, 5, 15);

class Teclado : public ::testing::Test {
protected:
    Teclado()
    {
        TZVEnter::DefineHoje([] { return kHoje; });
        enter = std::make_unique<TZVEnter>();
        enter->ClassList = {"TEdit", "TDateEdit", "TGroupBox"};
        enter->AbreBusca = [this](TPesquisa *p) { abertas << p->objectName(); };
        form.resize(600, 300);
    }
    ~Teclado() override { TZVEnter::DefineHoje({}); }

    void mostra(QWidget *foco)
    {
        form.show();
        QApplication::setActiveWindow(&form);
        foco->setFocus();
        QApplication::processEvents();
    }
    static void tecla(int k, Qt::KeyboardModifiers m = Qt::NoModifier, const QString &t = {})
    {
        teclaClique(QApplication::focusWidget(), k, m, t);
    }
    TPesquisa *pesquisa(const char *nome, QRect onde)
    {
        auto *p = new TPesquisa(&form);
        p->setObjectName(QString::fromLatin1(nome));
        p->setGeometry(onde);
        return p;
    }
    QDateEdit *data(const char *nome, QWidget *pai, QRect onde)
    {
        auto *d = new QDateEdit(pai);
        d->setObjectName(QString::fromLatin1(nome));
        d->setDisplayFormat("dd/MM/yyyy");
        d->setGeometry(onde);
        d->setDate(QDate(2000, 1, 1));
        return d;
    }

    QWidget form;
    std::unique_ptr<TZVEnter> enter;
    QStringList abertas;
};

TEST_F(Teclado, EnterMovesFromAnEditAndBreaksALineInAMemo)
{
    auto *a = new QLineEdit(&form);
    auto *memo = new QPlainTextEdit(&form);
    a->setGeometry(10, 10, 100, 24);
    memo->setGeometry(10, 40, 200, 80);
    mostra(a);
    tecla(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), memo);
    EXPECT_EQ(a->text(), "");
    QTest::keyClicks(memo, "x");
    tecla(Qt::Key_Return);
    QTest::keyClicks(memo, "y");
    EXPECT_EQ(memo->toPlainText(), "x\ny");
}

TEST_F(Teclado, EnterInAGridCellEditorKeepsTheGridsBehaviour)
{
    enter->ClassList << "TXRDBGrid";
    DataSet ds;
    ds.setFieldDefs({{"A", FieldType::String, 10}, {"B", FieldType::String, 10}});
    ds.open();
    ds.appendRow({"x", "y"});
    auto *grade = new TXRDBGrid(&form);
    grade->setGeometry(10, 10, 300, 150);
    grade->SetDataSet(&ds);
    auto *depois = new QLineEdit(&form);
    depois->setGeometry(10, 200, 100, 24);
    mostra(grade);
    grade->setCurrentIndex(grade->model()->index(0, 0));
    grade->edit(grade->currentIndex());
    QApplication::processEvents();
    QWidget *editor = QApplication::focusWidget();
    ASSERT_NE(editor, grade);
    ASSERT_TRUE(grade->isAncestorOf(editor));
    QTest::keyClicks(editor, "z");
    tecla(Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_NE(QApplication::focusWidget(), depois) << "the focus stays in the grid";
    EXPECT_TRUE(ds.fieldByName("A")->asString().endsWith("z")) << "the grid took the typed text";
    // on the grid itself, Enter moves on like Tab
    grade->setFocus();
    QApplication::processEvents();
    tecla(Qt::Key_Return);
    EXPECT_TRUE(QApplication::focusWidget() == depois || grade->currentIndex().column() == 1);
    grade->SetDataSet(nullptr);
}

TEST_F(Teclado, PlusAndF4OpenTheLookUpBesideTheEdit)
{
    auto *e = new QLineEdit(&form);
    e->setGeometry(10, 10, 100, 24);
    pesquisa("PqLonge", {300, 10, 24, 24});  // starts too far right
    pesquisa("PqPrimeira", {112, 11, 24, 24});
    pesquisa("PqOutraLinha", {112, 40, 24, 24});
    pesquisa("PqSegunda", {108, 12, 24, 24});
    mostra(e);

    tecla(Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(abertas, QStringList{"PqSegunda"}) << "the later of the two beside it";
    EXPECT_EQ(e->text(), "");
    abertas.clear();
    tecla(Qt::Key_F4);
    EXPECT_EQ(abertas, QStringList{"PqSegunda"});
    abertas.clear();
    e->setText("12");
    tecla(Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_TRUE(abertas.isEmpty());
    EXPECT_EQ(e->text(), "12+");
}

TEST_F(Teclado, LettersFillDateEdits)
{
    auto *d = data("Data", &form, {10, 10, 120, 24});
    mostra(d);
    const std::pair<int, QDate> casos[] = {
        {Qt::Key_H, kHoje}, {Qt::Key_I, QDate(2024, 5, 1)}, {Qt::Key_F, QDate(2024, 5, 31)}};
    for (const auto &[k, esperada] : casos) {
        d->setDate(QDate(2000, 1, 1));
        tecla(k, Qt::NoModifier, QString(QChar(k).toLower()));
        EXPECT_EQ(d->date(), esperada) << char(k);
    }
    // M outside a group box: swallowed, nothing changes
    d->setDate(QDate(2000, 1, 1));
    tecla(Qt::Key_M, Qt::NoModifier, "m");
    EXPECT_EQ(d->date(), QDate(2000, 1, 1));
}

TEST_F(Teclado, PeriodLettersFillBothDateEditsOfAGroupBox)
{
    auto *grupo = new QGroupBox(&form);
    grupo->setGeometry(0, 0, 400, 100);
    auto *direita = data("Fim", grupo, {200, 20, 120, 24});
    auto *esquerda = data("Inicio", grupo, {20, 20, 120, 24});
    mostra(esquerda);
    const struct {
        int tecla;
        QDate de, ate;
    } casos[] = {
        {Qt::Key_M, {2024, 5, 1}, {2024, 5, 31}},
        {Qt::Key_S, {2024, 5, 13}, {2024, 5, 19}},
        {Qt::Key_A, {2024, 1, 1}, {2024, 12, 31}},
    };
    for (const auto &c : casos) {
        tecla(c.tecla, Qt::NoModifier, QString(QChar(c.tecla).toLower()));
        EXPECT_EQ(esquerda->date(), c.de) << char(c.tecla);
        EXPECT_EQ(direita->date(), c.ate) << char(c.tecla);
    }
    // the same left edge: the edit without the focus takes the start
    direita->move(20, 60);
    direita->setFocus();
    QApplication::processEvents();
    tecla(Qt::Key_M, Qt::NoModifier, "m");
    EXPECT_EQ(esquerda->date(), QDate(2024, 5, 1));
    EXPECT_EQ(direita->date(), QDate(2024, 5, 31));
}

TEST_F(Teclado, DestroyingTheSecondInstanceLeavesTheFirstWorking)
{
    auto *a = new QLineEdit(&form);
    auto *b = new QLineEdit(&form);
    a->setGeometry(10, 10, 100, 24);
    b->setGeometry(10, 40, 100, 24);
    {
        TZVEnter segunda;
        segunda.ClassList = {"TEdit"};
        mostra(a);
        tecla(Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), b) << "one move, not two";
    }
    mostra(a);
    tecla(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), b);
    enter.reset();
    mostra(a);
    tecla(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), a) << "no instance, no rule";
}

// The order window with the handler the program installs.
class TecladoPedido : public PedidoDbTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        PedidoDbTest::SetUp();
        janela = AbrePedidoPelaBarra(principal);
        ASSERT_NE(janela, nullptr);
        QApplication::setActiveWindow(principal.get());
        rec->clear();
    }
    void TearDown() override
    {
        FechaPedidoEPrincipal(principal);
        PedidoDbTest::TearDown();
        ReiniciaAplicacao();
    }
    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

TEST_F(TecladoPedido, EnterAfterIncluirAndF4InTheCustomerField)
{
    janela->btnNovo->click();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), janela->EdtNumero);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), janela->edtCodCliente);

    bool aberta = false;
    QTimer::singleShot(0, [&aberta] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->inherits("TfrmCpoBusca")) {
                aberta = true;
                w->close();
            }
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
    EXPECT_TRUE(aberta) << janela->edtCodCliente->geometry().y() << " " << janela->PqCli->geometry().y() << " "
                        << janela->edtCodCliente->geometry().right() << " " << janela->PqCli->geometry().x() << " "
                        << (janela->PqCli->parentWidget() == janela->edtCodCliente->parentWidget());
}

} // namespace
