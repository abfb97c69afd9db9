// Texts a user may type that look like the SQL rewriting's own marks must
// reach the database, the look-up and the filter exactly as typed.

#include "test_pedido_fixture.h"

#include "components/DBFilterDialog.h"
#include "components/XRDBFilterDialog.h"
#include "components/XRDBGrid.h"
#include "components/untCpoBusca.h"
#include "components/untCpoPesquisa.h"
#include "data/XRQuery.h"
#include "windows/pedido/regras/GravacaoPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QStringList kTextos = {
    QStringLiteral("Entregar HORA[manha, sim]"),
    QStringLiteral("ordem descending"),
    QStringLiteral("XR_BLOB(2) caixas"),
    QStringLiteral("LIST[cor, ', ', tam]"),
    QStringLiteral("UDF_UPPER e udf_len(x)"),
    QStringLiteral("semana WEEK_NUMBER[ 3 ]"),
    QStringLiteral("FIRST[(ABCDE' OR 1=1 --) ,1]"),
    QStringLiteral("hora 10:30 :NOME /* nota */"),
    QStringLiteral("12/31/2026"),
};

// Names a rewritten or broken-out search would wrongly find.
const QStringList kIscas = {
    QStringLiteral("ABCDE"),
    QStringLiteral("ordem DESC"),
    QStringLiteral("2 caixas"),
};

class TraduzLiteraisTest : public PedidoDbTest {
protected:
    void SetUp() override
    {
        PedidoDbTest::SetUp();
        for (const char *s : {
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P200', 'CALCA')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P200', 'VD', 'P', 'N')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P200', 'SUL', 1, 999, 10, 10, 'UU')",
                 "UPDATE CONFIG SET DTDEENTREGA = '2026-01-01', DTATEENTREGA = '2026-12-31'",
             })
            sql(QString::fromUtf8(s));
        c = std::make_unique<PedidoControlador>(dm.get());
        c->carregaItens = [this](DataSet &q) { CopiaItensPedido(q, c->CDSItens); };
        g = std::make_unique<GravacaoPedido>(*c, *dm);
        g->agora = [] { return QDateTime(QDate(2026, 3, 10), QTime(14, 5, 9)); };
    }
    void TearDown() override
    {
        g.reset();
        c.reset();
        PedidoDbTest::TearDown();
    }

    void novoPedido(const QString &obs)
    {
        c->LimpaTela();
        c->CDSItens.emptyTable();
        c->numero.clear();
        c->cliente = QStringLiteral("00001");
        c->FIdStatus = QStringLiteral("S");
        c->tabela = QStringLiteral("SUL");
        c->condicao = QStringLiteral("45");
        c->emissao = QDate(2026, 3, 1);
        c->fatura = QDate(2026, 3, 5);
        c->entrega = QDate(2026, 4, 1);
        c->NrConfiguracao = 3;
        c->precos.nTaxa = 1;
        DataSet &i = c->CDSItens;
        i.append();
        i.fieldByName(QStringLiteral("Codigo"))->setAsString(QStringLiteral("P200"));
        i.fieldByName(QStringLiteral("Cor"))->setAsString(QStringLiteral("VD"));
        i.fieldByName(QStringLiteral("Tam"))->setAsString(QStringLiteral("P"));
        i.fieldByName(QStringLiteral("Qtde"))->setAsFloat(3);
        i.fieldByName(QStringLiteral("Preco"))->setAsFloat(10);
        i.fieldByName(QStringLiteral("PrecoOrig"))->setAsFloat(10);
        i.fieldByName(QStringLiteral("Valor"))->setAsFloat(30);
        i.fieldByName(QStringLiteral("Tipo"))->setAsString(QStringLiteral("N"));
        i.post();
        c->GeraTotais();
        c->obs = obs;
    }

    QString obsGravada(const QString &numero)
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().Add(QStringLiteral("SELECT PED_OBSE FROM PEDIDO WHERE PED_NUME = :NUME"));
        q.ParamByName(QStringLiteral("NUME"))->SetAsString(numero);
        q.Open();
        return q.isEmpty() ? QStringLiteral("<no order>") : q.field(0)->asString();
    }

    // Bound, so the fixture does not depend on the rewriting under test.
    void cliente(const QString &codigo, const QString &nome)
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().Add(QStringLiteral("INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_IDSTATUS) VALUES (:CODI, :NOME, 'S')"));
        q.ParamByName(QStringLiteral("CODI"))->SetAsString(codigo);
        q.ParamByName(QStringLiteral("NOME"))->SetAsString(nome);
        q.ExecSQL();
    }

    std::unique_ptr<PedidoControlador> c;
    std::unique_ptr<GravacaoPedido> g;
};

// The save drops quote marks from an observation on purpose; nothing else.
QString semAspas(QString s)
{
    for (QChar ch : {QChar('"'), QChar('\''), QChar(0x00B4), QChar('`')})
        s.remove(ch);
    return s;
}

} // namespace

TEST_F(TraduzLiteraisTest, OrderObservationIsStoredAsTypedOnInsertAndUpdate)
{
    for (const QString &texto : kTextos) {
        SCOPED_TRACE(texto.toStdString());
        novoPedido(texto);
        rec->clear();
        if (!g->Confirmar()) {
            ADD_FAILURE() << "not saved: " << rec->texts().join(QStringLiteral(" / ")).toStdString();
            continue;
        }
        EXPECT_EQ(obsGravada(c->numero), semAspas(texto));

        c->obs = texto + QStringLiteral(" 2");
        EXPECT_TRUE(g->GravaPedido()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
        EXPECT_EQ(obsGravada(c->numero), semAspas(texto) + QStringLiteral(" 2"));
    }
}

TEST_F(TraduzLiteraisTest, CustomerLookUpFindsOnlyTheTypedName)
{
    int codigo = 100;
    for (const QString &nome : kTextos + kIscas)
        cliente(QString::number(codigo++), nome);
    dm->XRDtRepres->Transaction()->CommitRetaining(); // the look-up reads on a connection of its own

    TPesquisa botao;
    botao.BaseDados = dm->XRDtRepres;
    botao.BuscaSQL = c->SqlPesquisa(PedidoControlador::Pesquisa::Cli);
    TfrmCpoBusca *f = botao.CriaPesquisa();
    f->show();
    ASSERT_TRUE(f->AguardaBusca());
    ASSERT_EQ(f->CampoBusca(), QStringLiteral("CLI_NOME"));
    for (const QString &texto : kTextos) {
        SCOPED_TRACE(texto.toStdString());
        rec->clear();
        f->EdtBusca->clear();
        QTest::keyClicks(f->EdtBusca, texto); // typed, so upper-cased as the user sees it
        f->Timer1Timer();
        EXPECT_TRUE(f->AguardaBusca());
        if (!rec->texts().isEmpty() || !f->QryBusca->active()) {
            ADD_FAILURE() << "search failed: " << rec->texts().join(QStringLiteral(" / ")).toStdString();
            continue;
        }
        QStringList achados;
        for (f->QryBusca->first(); !f->QryBusca->eof(); f->QryBusca->next())
            achados << f->QryBusca->fieldByName(QStringLiteral("CLI_NOME"))->asString();
        EXPECT_EQ(achados, QStringList{texto}) << f->QryBusca->SQL().Text().toStdString();
    }
    f->close();
}

TEST(TraduzLiteraisFiltro, FilterDialogKeepsOnlyTheRowsWithTheTypedText)
{
    ScopedDialogRecorder rec;
    DataSet ds;
    ds.setFieldDefs({{"NOME", FieldType::String, 100}});
    std::vector<Row> linhas;
    for (const QString &nome : kTextos + kIscas)
        linhas.push_back({nome});
    ds.setRows(linhas);
    ds.open();
    TXRDBGrid grid;
    grid.Filtrar = true;
    grid.SetDataSet(&ds);
    TFmDBFilterDialog *form = grid.XRFilterDialog()->Form();
    QWidget *painel = form->Painel(0);
    for (const QString &texto : kTextos) {
        for (int operador : {0, 2, 4}) { // equal, contains, starts with
            SCOPED_TRACE(texto.toStdString() + " / " + std::to_string(operador));
            form->show();
            painel->findChild<QComboBox *>("CbColuna")->setCurrentIndex(0);
            painel->findChild<QComboBox *>("CbOperador")->setCurrentIndex(operador);
            painel->findChild<QLineEdit *>("EdValor")->setText(texto);
            form->findChild<QPushButton *>("BitBtn2")->click();
            ASSERT_TRUE(ds.filtered()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
            QStringList achados;
            for (int i = 0; i < ds.recordCount(); ++i)
                achados << ds.valueAt(i, 0).toString();
            EXPECT_EQ(achados, QStringList{texto}) << ds.filter().toStdString();
        }
    }
    form->hide();
}
