#include "test_pedido_fixture.h"

#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "windows/nucleo/Aplicacao.h"
#include "windows/pedido/regras/GravacaoPedido.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/pedido/untPedido.h"
#include "windows/principal/untPrincipal.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QAction>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>

#include <functional>

namespace {

const QDateTime relogio(QDate(2026, 3, 10), QTime(14, 5, 9));

class GravacaoTest : public PedidoDbTest {
public:
    // the case tables reach these through a reference
    using PedidoDbTest::sql;

    void SetUp() override
    {
        PedidoDbTest::SetUp();
        for (const char *s : {
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P100', 'CAMISA')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P200', 'CALCA')",
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P300', 'SAIA')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P100', 'AZ', 'M', 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P100', 'AZ', 'G', 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P200', 'VD', 'P', 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P300', 'PT', 'U', 'N')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P100', 'SUL', 1, 999, 20, 25, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P200', 'SUL', 1, 999, 10, 10, 'UU')",
                 "UPDATE CONFIG SET DTDEENTREGA = '2026-01-01', DTATEENTREGA = '2026-12-31'",
                 "UPDATE CLIENTE SET CLI_TIPO = '2', CLI_CNPJ = '11.222.333/0001-81' WHERE CLI_CODI = '00001'",
             })
            sql(QString::fromUtf8(s));
        c = std::make_unique<PedidoControlador>(dm.get());
        c->carregaItens = [this](DataSet &q) { CopiaItensPedido(q, c->CDSItens); };
        g = std::make_unique<GravacaoPedido>(*c, *dm);
        g->agora = [] { return relogio; };
        novoPedido();
        rec->clear();
    }
    void TearDown() override
    {
        g.reset();
        c.reset();
        PedidoDbTest::TearDown();
    }

    void novoPedido()
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
        c->nVlrMinimo = 0;
        c->nVlrMinimoPed = 0;
        linha("P200", "VD", "P", 3, 10);
        linha("P100", "AZ", "M", 2, 20, QDate(2026, 4, 2));
    }

    void linha(const char *codigo, const char *cor, const char *tam, double qtde, double preco, QDate entrega = {})
    {
        DataSet &i = c->CDSItens;
        i.append();
        i.fieldByName(QStringLiteral("Codigo"))->setAsString(QString::fromUtf8(codigo));
        i.fieldByName(QStringLiteral("Cor"))->setAsString(QString::fromUtf8(cor));
        i.fieldByName(QStringLiteral("Tam"))->setAsString(QString::fromUtf8(tam));
        i.fieldByName(QStringLiteral("Qtde"))->setAsFloat(qtde);
        i.fieldByName(QStringLiteral("Preco"))->setAsFloat(preco);
        i.fieldByName(QStringLiteral("PrecoOrig"))->setAsFloat(preco);
        i.fieldByName(QStringLiteral("Valor"))->setAsFloat(qtde * preco);
        i.fieldByName(QStringLiteral("Tipo"))->setAsString(QStringLiteral("N"));
        if (entrega.isValid())
            i.fieldByName(QStringLiteral("DtEntrega"))->setValue(entrega);
        i.post();
        c->GeraTotais();
    }

    // Every row of a query as "a|b|c".
    QStringList linhas(const QString &select)
    {
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        q.SQL().Add(select);
        q.Open();
        QStringList r;
        for (q.first(); !q.eof(); q.next()) {
            QStringList v;
            for (int i = 0; i < q.fieldCount(); ++i)
                v << (q.field(i)->isNull() ? QStringLiteral("<null>") : q.field(i)->asString());
            r << v.join(QLatin1Char('|'));
        }
        return r;
    }

    QStringList retrato(const QString &numero)
    {
        return linhas(QStringLiteral("SELECT * FROM PEDIDO WHERE PED_NUME = '%1'").arg(numero)) +
               linhas(QStringLiteral("SELECT * FROM PED_ITEN WHERE PEDIT_NUME = '%1' ORDER BY PEDIT_ITEM").arg(numero));
    }

    int conta(const QString &select) { return scalar(*dm->XRDtRepres, select).toInt(); }

    std::unique_ptr<PedidoControlador> c;
    std::unique_ptr<GravacaoPedido> g;
};

QString md5(const QString &texto)
{
    return QString::fromLatin1(QCryptographicHash::hash(texto.toLatin1(), QCryptographicHash::Md5).toHex().toUpper());
}

TEST_F(GravacaoTest, RefusalsShowTheirTextAndWriteNothing)
{
    struct Caso {
        const char *nome;
        std::function<void(GravacaoTest &)> prepara;
        bool fechando;
        QString texto;
    };
    const std::vector<Caso> casos = {
        {"duplicate", [](GravacaoTest &t) { t.linha("P100", "AZ", "M", 1, 20); }, false,
         QStringLiteral("Item com Cor e Tam iguais. Favor corrigir: \r\n\r\nCódigo: P100\r\nCor: AZ\r\nTam: M")},
        {"no lines", [](GravacaoTest &t) { t.c->CDSItens.emptyTable(); }, false,
         QStringLiteral("Pedido sem Itens. Impossível Continuar.")},
        {"blocked customer", [](GravacaoTest &t) { t.c->FIdStatus = QStringLiteral("B"); }, false,
         QStringLiteral("Cliente não está Liberado!\rGravação Cancelada!")},
        {"period", [](GravacaoTest &t) { t.sql(QStringLiteral("INSERT INTO TABPRZ (TABP_PRAZO, TABP_DESCRICAO) VALUES ('30', 'Trinta')")); },
         false, QStringLiteral("Período Inválido.")},
        {"period on close", [](GravacaoTest &t) { t.sql(QStringLiteral("INSERT INTO TABPRZ (TABP_PRAZO, TABP_DESCRICAO) VALUES ('30', 'Trinta')")); },
         true, QStringLiteral("Período Inválido.")},
        {"delivery window", [](GravacaoTest &t) { t.c->entrega = QDate(2027, 1, 10); }, false,
         QStringLiteral("Data de entrega fora do perído definido.")},
        {"not in table", [](GravacaoTest &t) { t.linha("P300", "PT", "U", 1, 5); }, false,
         QStringLiteral("Produto P300 não pertence a Tabela de Preço SUL")},
        {"instalment on close",
         [](GravacaoTest &t) {
             t.c->condicao = QStringLiteral("306090");
             t.c->CDSItens.emptyTable();
             t.linha("P200", "VD", "P", 25, 10);
             t.c->nVlrMinimo = 100;
         },
         true, QStringLiteral("Valor da Parcela menor que o Valor Mínimo.")},
        {"tax number on close",
         [](GravacaoTest &t) { t.sql(QStringLiteral("UPDATE CLIENTE SET CLI_CNPJ = '11222333000100' WHERE CLI_CODI = '00001'")); },
         true, QStringLiteral("CNPJ/CPF do cliente do pedido inválido.")},
        {"close without lines", [](GravacaoTest &t) { t.c->CDSItens.emptyTable(); }, true,
         QStringLiteral("Pedido sem item, impossível fechar.")},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.nome);
        novoPedido();
        k.prepara(*this);
        c->GeraTotais();
        rec->clear();
        rec->pushAnswer(MsgResult::Yes);
        const int antes = conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO"));
        EXPECT_FALSE(k.fechando ? g->FechaPedido() : g->Confirmar());
        EXPECT_TRUE(rec->texts().contains(k.texto)) << rec->texts().join(QStringLiteral(" / ")).toStdString();
        EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO")), antes);
        EXPECT_FALSE(c->FbFechado);
        sql(QStringLiteral("DELETE FROM TABPRZ"));
        sql(QStringLiteral("UPDATE CLIENTE SET CLI_CNPJ = '11.222.333/0001-81' WHERE CLI_CODI = '00001'"));
    }
}

TEST_F(GravacaoTest, LinesWithoutAProductOrAnAvailableCellAreRefused)
{
    const QString campos = QStringLiteral("Obrigatório passar por todos os campos para atualizar os valores.\r\n"
                                          "Houve inconsistência(s) na gravação do(s) produto(s). Favor corrigir os "
                                          "seguintes campos: \r\n\r\n");
    struct Caso {
        const char *nome, *antes, *codigo, *cor, *tam, *depois;
        QString texto;
    };
    const Caso casos[] = {
        {"a product only the price table knows",
         "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
         "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P999', 'SUL', 1, 999, 5, 5, 'UU')",
         "P999", "AZ", "M", "DELETE FROM TABPRE_PRODUTO WHERE PREC_PRODUTO = 'P999'",
         QStringLiteral("Produto Inválido. Impossível Continuar.")},
        {"a sold-out size of an available colour",
         "UPDATE PA_ITEN SET PAIT_IDESGOTADO = 'S' WHERE PAIT_CODI = 'P100' AND PAIT_TAM = 'G'", "P100", "AZ", "G",
         "UPDATE PA_ITEN SET PAIT_IDESGOTADO = 'N'", campos + QStringLiteral("Produto: P100 - |Tam")},
        {"a colour the product lacks", "UPDATE PA_ITEN SET PAIT_IDESGOTADO = 'N'", "P100", "VM", "M",
         "UPDATE PA_ITEN SET PAIT_IDESGOTADO = 'N'", campos + QStringLiteral("Produto: P100 - Cor|Tam")},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.nome);
        novoPedido();
        sql(QString::fromUtf8(k.antes));
        linha(k.codigo, k.cor, k.tam, 1, 20);
        c->GeraTotais();
        rec->clear();
        const int antes = conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO"));
        EXPECT_FALSE(g->Confirmar());
        EXPECT_EQ(rec->texts(), QStringList{k.texto});
        EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO")), antes);
        sql(QString::fromUtf8(k.depois));
    }
}

TEST_F(GravacaoTest, InstalmentBelowMinimumStillSavesOpen)
{
    c->condicao = QStringLiteral("306090");
    c->CDSItens.emptyTable();
    linha("P200", "VD", "P", 25, 10);
    c->nVlrMinimo = 100;
    ASSERT_TRUE(g->Confirmar()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME = '%1' AND PED_IDFECHADO = 'N'").arg(c->numero)), 1);
}

TEST_F(GravacaoTest, SavingTwiceKeepsOneOrderAndRewritesItsLines)
{
    c->obs = QStringLiteral("a'b\"c\u00B4d`e");
    c->CDSItens.append();
    c->CDSItens.post(); // a line without a product still counts in the numbering
    ASSERT_TRUE(g->Confirmar()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    const QString numero = c->numero;
    EXPECT_EQ(numero, QStringLiteral("00013"));
    EXPECT_EQ(c->obs, QStringLiteral("abcde"));
    EXPECT_EQ(linhas(QStringLiteral("SELECT PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CIF, PED_OBSE, "
                                    "PED_CONFIG, PED_IDFECHADO, PED_MD5 FROM PEDIDO WHERE PED_NUME = '%1'")
                         .arg(numero)),
              QStringList{QStringLiteral("00001|10/03/2026|01/03/2026|01/04/2026|05/03/2026|0|abcde|3|N|")});
    // entry order for a new order
    EXPECT_EQ(linhas(QStringLiteral("SELECT PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE, PEDIT_PREC, PEDIT_PREC_ORI, "
                                    "PEDIT_DT_ENTREGA FROM PED_ITEN WHERE PEDIT_NUME = '%1' ORDER BY PEDIT_ITEM")
                         .arg(numero)),
              (QStringList{QStringLiteral("1|P200|3|10|10|<null>"), QStringLiteral("2|P100|2|20|25|02/04/2026")}));

    sql(QStringLiteral("UPDATE PEDIDO SET PED_MD5 = 'ANTIGO' WHERE PED_NUME = '%1'").arg(numero));
    ASSERT_TRUE(g->GravaPedido());
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME = '%1'").arg(numero)), 1);
    EXPECT_EQ(scalar(*dm->XRDtRepres, QStringLiteral("SELECT PED_MD5 FROM PEDIDO WHERE PED_NUME = '%1'").arg(numero)).toString(),
              QStringLiteral("ANTIGO"));
    // product-code order for an existing order, the blank line counted
    EXPECT_EQ(linhas(QStringLiteral("SELECT PEDIT_ITEM, PEDIT_CODI FROM PED_ITEN WHERE PEDIT_NUME = '%1' ORDER BY PEDIT_ITEM")
                         .arg(numero)),
              (QStringList{QStringLiteral("2|P100"), QStringLiteral("3|P200")}));
}

TEST_F(GravacaoTest, SavingManyLinesRebuildsTheSummariesOnceWithTheRepricedValues)
{
    c->CDSItens.emptyTable();
    const int n = 60;
    for (int k = 0; k < n; ++k) {
        const QString cor = QStringLiteral("C%1").arg(k, 2, 10, QLatin1Char('0'));
        sql(QStringLiteral("INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) "
                           "VALUES ('P100', '%1', 'M', 'N')").arg(cor));
        linha("P100", cor.toUtf8().constData(), "M", 2, 15); // the table's price is 20
    }
    int rebuilds = 0;
    double somaVista = 0;
    auto contaResumo = [&](DataSet &ds) {
        ++rebuilds;
        somaVista = 0;
        for (int r = 0; r < ds.recordCount(); ++r)
            somaVista += ds.valueAt(r, ds.fieldIndex(QStringLiteral("Valor"))).toDouble();
    };
    c->CDSItens.afterPost = contaResumo;
    c->CDSItens.afterDelete = contaResumo;
    ASSERT_TRUE(g->Confirmar()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_DOUBLE_EQ(somaVista, n * 2 * 20.0); // built after the last line was repriced
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PED_ITEN WHERE PEDIT_NUME = '%1' AND PEDIT_PREC = 20").arg(c->numero)),
              n);
    // the hooks are back: a line typed afterwards rebuilds on its own
    linha("P200", "VD", "P", 1, 10);
    EXPECT_EQ(rebuilds, 2);
}

TEST_F(GravacaoTest, ClosedSaveStoresTheFingerprintOfBothForms)
{
    struct Caso {
        const char *nome;
        bool existente;
        QString momento;
    };
    for (const Caso &k : {Caso{"insert", false, QStringLiteral("03/10/2026")},
                          Caso{"update", true, QStringLiteral("10/03/2026 14:05:09")}}) {
        SCOPED_TRACE(k.nome);
        novoPedido();
        if (k.existente) {
            ASSERT_TRUE(g->Confirmar());
        } else {
            c->numero = QStringLiteral("00050");
        }
        g->fechado = true;
        ASSERT_TRUE(g->GravaPedido());
        const QStringList campos =
            linhas(QStringLiteral("SELECT PED_NUME, PED_CCLI, EXTRACT(MONTH FROM PED_DTEM), EXTRACT(DAY FROM PED_DTEM), "
                                  "PED_TABPRE, PED_CONFIG, PED_MD5, PED_IDFECHADO FROM PEDIDO WHERE PED_NUME = '%1'")
                       .arg(c->numero))
                .value(0)
                .split(QLatin1Char('|'));
        ASSERT_EQ(campos.size(), 8);
        const QString esperado = md5(campos[0] + campos[1] + k.momento +
                                     QStringLiteral("%1/%2/2026").arg(campos[2].toInt(), 2, 10, QLatin1Char('0')).arg(campos[3].toInt(), 2, 10, QLatin1Char('0')) +
                                     QStringLiteral("03/05/2026") + QStringLiteral("04/01/2026") + campos[4] + campos[5]);
        EXPECT_EQ(campos[6], esperado);
        EXPECT_EQ(campos[7], QStringLiteral("S"));
        g->fechado = false;
    }
}

TEST_F(GravacaoTest, SentOrdersAreNeitherSavedNorDeleted)
{
    struct Caso {
        const char *nome;
        QString lote, data;
        bool enviado;
    };
    const std::vector<Caso> casos = {
        {"batch and date", QStringLiteral("7"), QStringLiteral("'2026-01-11'"), true},
        {"batch only", QStringLiteral("5"), QStringLiteral("NULL"), true},
        {"date only", QStringLiteral("NULL"), QStringLiteral("'2026-01-11'"), true},
        {"batch 0", QStringLiteral("0"), QStringLiteral("NULL"), false},
        {"neither", QStringLiteral("NULL"), QStringLiteral("NULL"), false},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.nome);
        sql(QStringLiteral("UPDATE PEDIDO SET PED_NRLOTE = %1, PED_DTSINCRONIZACAO = %2 WHERE PED_NUME = '00012'")
                .arg(k.lote, k.data));
        sql(QStringLiteral("DELETE FROM PED_ITEN WHERE PEDIT_NUME = '00012'"));
        sql(QStringLiteral("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI) VALUES ('00012', 1, 'P200')"));
        const QStringList antes = retrato(QStringLiteral("00012"));
        EXPECT_EQ(GravacaoPedido::PedidoEnviado(*dm, QStringLiteral("00012")), k.enviado);

        c->numero = QStringLiteral("00012");
        rec->clear();
        EXPECT_EQ(g->GravaPedido(), !k.enviado);
        EXPECT_EQ(rec->texts().contains(QStringLiteral("Não pode alterar pedido já enviado.")), k.enviado);
        if (k.enviado) {
            EXPECT_EQ(retrato(QStringLiteral("00012")), antes);
            rec->pushAnswer(MsgResult::Yes);
            EXPECT_FALSE(g->ExcluiPedido());
            EXPECT_EQ(retrato(QStringLiteral("00012")), antes);
        }
    }
}

TEST_F(GravacaoTest, DeleteRemovesTheOrderAndItsLinesOnlyWhenConfirmed)
{
    ASSERT_TRUE(g->Confirmar());
    const QString numero = c->numero;
    const QStringList antes = retrato(numero);
    ASSERT_EQ(antes.size(), 3);

    rec->pushAnswer(MsgResult::No);
    EXPECT_FALSE(g->ExcluiPedido());
    EXPECT_EQ(retrato(numero), antes);

    rec->clear();
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_TRUE(g->ExcluiPedido());
    EXPECT_EQ(rec->texts(), QStringList{QStringLiteral("Deseja Excluir o Pedido?")});
    EXPECT_TRUE(retrato(numero).isEmpty());
}

TEST_F(GravacaoTest, FailureOnASecondLineLeavesTheOrderAsItWas)
{
    ASSERT_TRUE(g->Confirmar());
    const QString numero = c->numero;
    const QStringList antes = retrato(numero);
    sql(QStringLiteral("CREATE EXCEPTION E_TESTE 'linha recusada'"));
    sql(QStringLiteral("CREATE TRIGGER T_TESTE FOR PED_ITEN BEFORE INSERT AS BEGIN "
                       "IF (NEW.PEDIT_ITEM = 2) THEN EXCEPTION E_TESTE; END"));

    // the existing order changes its header and loses its lines first
    c->obs = QStringLiteral("mudou");
    c->cliente = QStringLiteral("00004");
    rec->clear();
    EXPECT_FALSE(g->Confirmar());
    ASSERT_EQ(rec->entries().size(), 1u);
    EXPECT_TRUE(rec->entries()[0].text.contains(QStringLiteral("linha recusada")));
    EXPECT_EQ(rec->entries()[0].icon, MsgIcon::Error);
    EXPECT_EQ(retrato(numero), antes);

    // a later commit elsewhere must not make the half save permanent
    dm->XRTransaction->CommitRetaining();
    EXPECT_EQ(retrato(numero), antes);

    // a new order fails the same way and leaves no row
    novoPedido();
    rec->clear();
    EXPECT_FALSE(g->Confirmar());
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO WHERE PED_NUME = '%1'").arg(c->numero)), 0);
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PED_ITEN WHERE PEDIT_NUME = '%1'").arg(c->numero)), 0);
}

TEST_F(GravacaoTest, ClosingAllTickedOrdersGoesOnPastAFailure)
{
    // three open orders; the second one's customer is blocked
    sql(QStringLiteral("UPDATE CLIENTE SET CLI_TIPO = '2', CLI_CNPJ = '11.222.333/0001-81' WHERE CLI_CODI = '00002'"));
    for (const char *cli : {"00001", "00002", "00001"}) {
        novoPedido();
        ASSERT_TRUE(g->Confirmar());
        sql(QStringLiteral("UPDATE PEDIDO SET PED_CCLI = '%1' WHERE PED_NUME = '%2'").arg(QString::fromLatin1(cli), c->numero));
    }
    DataSet lista;
    lista.setFieldDefs({{QStringLiteral("NUMERO"), FieldType::String, 5},
                        {QStringLiteral("STATUS"), FieldType::String, 20},
                        {QStringLiteral("SEL"), FieldType::String, 1}});
    lista.open();
    for (const char *n : {"00013", "00014", "00015"}) {
        lista.append();
        lista.fieldByName(QStringLiteral("NUMERO"))->setAsString(QString::fromLatin1(n));
        lista.fieldByName(QStringLiteral("STATUS"))->setAsString(QStringLiteral("Aberto"));
        lista.fieldByName(QStringLiteral("SEL"))->setAsString(QStringLiteral("S"));
        lista.post();
    }
    rec->clear();
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_TRUE(g->FechaTodos(lista));
    EXPECT_TRUE(rec->texts().contains(QStringLiteral("Cliente não está Liberado!")));
    EXPECT_EQ(linhas(QStringLiteral("SELECT PED_NUME, PED_IDFECHADO, CHAR_LENGTH(PED_MD5) FROM PEDIDO "
                                    "WHERE PED_NUME IN ('00013', '00014', '00015') ORDER BY PED_NUME")),
              (QStringList{QStringLiteral("00013|S|32"), QStringLiteral("00014|N|0"), QStringLiteral("00015|S|32")}));
    QStringList status;
    for (lista.first(); !lista.eof(); lista.next())
        status << lista.fieldByName(QStringLiteral("STATUS"))->asString() + lista.fieldByName(QStringLiteral("SEL"))->asString();
    EXPECT_EQ(status, (QStringList{QStringLiteral("FechadoN"), QStringLiteral("AbertoS"), QStringLiteral("FechadoN")}));
}

// P500 in two tiers: up to 10 at 10.00 (list 10.00), up to 50 at 9.00
// (list 9.00); condition C5 allows 5 % at most. Two lines of 6 as typed: the
// first priced while the product's total was still 6.
class PedidoDivididoTest : public GravacaoTest {
protected:
    void SetUp() override
    {
        GravacaoTest::SetUp();
        for (const char *s : {
                 "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC) VALUES ('P500', 'BLUSA')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P500', 'AZ', 'M', 'N')",
                 "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_TAM, PAIT_IDESGOTADO) VALUES ('P500', 'AZ', 'G', 'N')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P500', 'SUL', 1, 10, 10, 10, 'UU')",
                 "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                 "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES ('P500', 'SUL', 2, 50, 9, 9, 'UU')",
                 "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, "
                 "COND_TAXA, COND_DESCMAX) VALUES ('C5', 'Cinco', 1, 0, 30, 0, 5)",
             })
            sql(QString::fromUtf8(s));
        c->condicao = QStringLiteral("C5");
        c->precos.nDescMax = 5;
        c->CDSItens.emptyTable();
        linha("P500", "AZ", "M", 6, 10);
        linha("P500", "AZ", "G", 6, 9);
        rec->clear();
    }
};

TEST_F(PedidoDivididoTest, SavedReloadedAndClosedWithoutAnInventedDiscount)
{
    ASSERT_DOUBLE_EQ(c->totais.liquido, 114);
    ASSERT_TRUE(g->Confirmar()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    const QString numero = c->numero;
    EXPECT_EQ(linhas(QStringLiteral("SELECT PEDIT_PREC, PEDIT_PREC_ORI FROM PED_ITEN WHERE PEDIT_NUME = '%1' "
                                    "ORDER BY PEDIT_ITEM")
                         .arg(numero)),
              (QStringList{QStringLiteral("9|9"), QStringLiteral("9|9")}));

    c->LimpaTela();
    c->numero = numero;
    ASSERT_TRUE(c->BuscaPedidos());
    DataSet &i = c->CDSItens;
    for (i.first(); !i.eof(); i.next())
        EXPECT_DOUBLE_EQ(i.fieldByName(QStringLiteral("Desconto"))->asFloat(), 0);
    EXPECT_DOUBLE_EQ(c->totais.bruto, 108);
    EXPECT_DOUBLE_EQ(c->totais.desconto, 0);
    EXPECT_DOUBLE_EQ(c->totais.liquido, 108);

    rec->clear();
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_TRUE(g->FechaPedido()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(linhas(QStringLiteral("SELECT PED_IDFECHADO FROM PEDIDO WHERE PED_NUME = '%1'").arg(numero)),
              QStringList{QStringLiteral("S")});
}

TEST_F(PedidoDivididoTest, ClosingChecksReadTheTotalsOfTheRepricedLines)
{
    c->nVlrMinimoPed = 110; // below what the screen shows, above what is saved
    rec->pushAnswer(MsgResult::Yes);
    EXPECT_FALSE(g->FechaPedido());
    EXPECT_TRUE(rec->texts().contains(QStringLiteral("Valor Total do Pedido menor que o Valor Mínimo Permitido.")))
        << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_DOUBLE_EQ(c->totais.liquido, 108);
    DataSet &i = c->CDSItens;
    for (i.first(); !i.eof(); i.next())
        EXPECT_DOUBLE_EQ(i.fieldByName(QStringLiteral("Valor"))->asFloat(), 54);
    EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO WHERE PED_IDFECHADO = 'S' AND PED_NUME <> '00012'")),
              0);
}

TEST_F(GravacaoTest, InstalmentCountFoundWhateverTheConditionCode)
{
    sql(QStringLiteral("INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, "
                       "COND_TAXA, COND_DESCMAX) VALUES ('003', 'Tres vezes', 3, 30, 30, 0, 0)"));
    sql(QStringLiteral("INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, "
                       "COND_TAXA, COND_DESCMAX) VALUES ('X3', 'Tres vezes', 3, 30, 30, 0, 0)"));
    const struct {
        const char *condicao;
        bool aceito;
    } casos[] = {{"003", false}, {"X3", false}, {"45", true}}; // 563,16 in 3 or in 1 instalment
    for (const auto &k : casos) {
        SCOPED_TRACE(k.condicao);
        novoPedido();
        c->condicao = QString::fromLatin1(k.condicao);
        c->precos.digPreco = true;
        c->CDSItens.emptyTable();
        linha("P200", "VD", "P", 3, 187.72);
        c->nVlrMinimo = 200;
        rec->clear();
        rec->pushAnswer(MsgResult::Yes);
        EXPECT_EQ(g->FechaPedido(), k.aceito);
        EXPECT_EQ(rec->texts().contains(QStringLiteral("Valor da Parcela menor que o Valor Mínimo.")), !k.aceito)
            << rec->texts().join(QStringLiteral(" / ")).toStdString();
    }
}

TEST_F(GravacaoTest, TextTheDatabaseCannotHoldIsRefusedNamingItsField)
{
    struct Caso {
        const char *nome;
        std::function<void(GravacaoTest &)> prepara;
        QString texto, foco;
    };
    const std::vector<Caso> casos = {
        {"outside Windows-1252", [](GravacaoTest &t) { t.c->obs = QStringLiteral("entregar \u2713 cedo"); },
         QStringLiteral("Observação: o caractere \"\u2713\" não pode ser gravado. Remova-o para continuar."),
         QStringLiteral("EdtObs")},
        {"emoji", [](GravacaoTest &t) { t.c->obs = QStringLiteral("ok \U0001F600"); },
         QStringLiteral("Observação: o caractere \"\U0001F600\" não pode ser gravado. Remova-o para continuar."),
         QStringLiteral("EdtObs")},
        {"too long", [](GravacaoTest &t) { t.c->obs = QString(4001, QLatin1Char('a')); },
         QStringLiteral("Observação: o texto tem 4001 caracteres; o máximo é 4000."), QStringLiteral("EdtObs")},
        {"NUL", [](GravacaoTest &t) { t.c->obs = QStringLiteral("antes") + QChar(0) + QStringLiteral("depois"); },
         QStringLiteral("Observação: o texto contém um caractere nulo, que não pode ser gravado."),
         QStringLiteral("EdtObs")},
        {"customer code", [](GravacaoTest &t) { t.c->cliente = QStringLiteral("0\u03A90"); },
         QStringLiteral("Cliente: o caractere \"\u03A9\" não pode ser gravado. Remova-o para continuar."),
         QStringLiteral("edtCodCliente")},
        {"colour of a line",
         [](GravacaoTest &t) {
             t.c->CDSItens.last();
             t.c->CDSItens.edit();
             t.c->CDSItens.fieldByName(QStringLiteral("Cor"))->setAsString(QStringLiteral("A") + QChar(0x81));
             t.c->CDSItens.post();
         },
         QStringLiteral("Cor do produto P100: o caractere \"") + QChar(0x81) +
             QStringLiteral("\" não pode ser gravado. Remova-o para continuar."),
         QString()},
    };
    for (const Caso &k : casos) {
        SCOPED_TRACE(k.nome);
        for (int via = 0; via < 3; ++via) { // save, close, the write itself
            novoPedido();
            k.prepara(*this);
            c->foco.clear();
            rec->clear();
            rec->pushAnswer(MsgResult::Yes);
            const int antes = conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO"));
            EXPECT_FALSE(via == 0 ? g->Confirmar() : via == 1 ? g->FechaPedido() : g->GravaPedido());
            EXPECT_EQ(rec->texts(), QStringList{k.texto}) << via;
            EXPECT_EQ(c->foco, k.foco);
            EXPECT_EQ(conta(QStringLiteral("SELECT COUNT(*) FROM PEDIDO")), antes);
        }
    }
    // the most the column holds, the quotes the save drops not counted
    novoPedido();
    c->obs = QString(3999, QChar(0x00E9)) + QStringLiteral("\u20AC'");
    ASSERT_TRUE(g->Confirmar()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(linhas(QStringLiteral("SELECT PED_OBSE FROM PEDIDO WHERE PED_NUME = '%1'").arg(c->numero)),
              QStringList{QString(3999, QChar(0x00E9)) + QStringLiteral("\u20AC")});
}

class JanelaGravacaoTest : public GravacaoTest {
protected:
    void SetUp() override
    {
        ReiniciaAplicacao();
        GravacaoTest::SetUp();
        sql(QStringLiteral("INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                           "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO) VALUES ('00006', 1, 'P100', 'AZ', 'M', 2, 20, 20, 'N')"));
        janela = AbrePedidoPelaBarra(principal);
        rec->clear();
    }
    void TearDown() override
    {
        FechaPedidoEPrincipal(principal);
        GravacaoTest::TearDown();
        ReiniciaAplicacao();
    }

    std::unique_ptr<TfmPrincipal> principal;
    TfmPedido *janela = nullptr;
};

TEST_F(JanelaGravacaoTest, ConfirmAndDeleteFromTheWindow)
{
    ASSERT_NE(janela, nullptr);
    janela->BtnConsultarClick();
    ASSERT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
    janela->DBGrid2DblClick();
    ASSERT_TRUE(janela->btnAltera->isEnabled());
    QTest::mouseClick(janela->btnAltera, Qt::LeftButton);
    janela->EdtObs->setPlainText(QStringLiteral("entregar 'cedo'"));
    QTest::mouseClick(janela->BtnConfirmar, Qt::LeftButton);
    EXPECT_EQ(rec->texts(), QStringList()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(linhas(QStringLiteral("SELECT PED_OBSE, PED_DTCA, PED_IDFECHADO, PED_MD5 FROM PEDIDO WHERE PED_NUME = '00006'")),
              QStringList{QStringLiteral("entregar cedo|") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")) +
                          QStringLiteral("|N|<null>")});
    EXPECT_EQ(linhas(QStringLiteral("SELECT PEDIT_ITEM, PEDIT_CODI, PEDIT_QTDE FROM PED_ITEN WHERE PEDIT_NUME = '00006'")),
              QStringList{QStringLiteral("1|P100|2")});
    // the saved order is shown again in browse mode
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_EQ(janela->EdtNumero->text(), QStringLiteral("00006"));
    EXPECT_EQ(janela->EdtObs->toPlainText(), QStringLiteral("entregar cedo"));
    ASSERT_TRUE(janela->btnExclui->isEnabled());

    rec->pushAnswer(MsgResult::Yes);
    QTest::mouseClick(janela->btnExclui, Qt::LeftButton);
    EXPECT_EQ(rec->texts(), QStringList{QStringLiteral("Deseja Excluir o Pedido?")});
    EXPECT_TRUE(retrato(QStringLiteral("00006")).isEmpty());
    EXPECT_FALSE(janela->btnExclui->isEnabled());
    EXPECT_FALSE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
}

// The list of all orders is read again when its page is shown, not by
// every save made on the order page.
TEST_F(JanelaGravacaoTest, ASaveListsAgainWhenTheListIsShown)
{
    ASSERT_NE(janela, nullptr);
    janela->PControlCliente->setCurrentWidget(janela->TabAcesso);
    janela->BtnConsultarClick();
    const auto qtdeListada = [&] {
        EXPECT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
        return janela->CDSConsulta->fieldByName(QStringLiteral("QTDTOT"))->asFloat();
    };
    ASSERT_EQ(qtdeListada(), 2);
    janela->DBGrid2DblClick();
    ASSERT_EQ(janela->PControlCliente->currentWidget(), janela->TabManutencao);
    QTest::mouseClick(janela->btnAltera, Qt::LeftButton);
    ASSERT_TRUE(janela->EmEdicao());
    DataSet *itens = janela->CDSItens();
    itens->first();
    itens->edit();
    itens->fieldByName(QStringLiteral("Qtde"))->setAsFloat(5);
    itens->post();
    QTest::mouseClick(janela->BtnConfirmar, Qt::LeftButton);
    ASSERT_EQ(rec->texts(), QStringList()) << rec->texts().join(QStringLiteral(" / ")).toStdString();
    ASSERT_EQ(linhas(QStringLiteral("SELECT PEDIT_QTDE FROM PED_ITEN WHERE PEDIT_NUME = '00006'")),
              QStringList{QStringLiteral("5")});
    EXPECT_EQ(qtdeListada(), 2); // out of sight: not read yet
    janela->PControlCliente->setCurrentWidget(janela->TabAcesso);
    EXPECT_EQ(qtdeListada(), 5);
    EXPECT_EQ(janela->edtQtdeTotPed->text(), QStringLiteral("5,00"));
}

TEST_F(JanelaGravacaoTest, ListEntriesCloseOrders)
{
    struct Caso {
        const char *nome;
        int via; // 0 list row, 1 all ticked, 2 the window's check box
    };
    for (const Caso &k : {Caso{"current row", 0}, Caso{"all ticked", 1}, Caso{"check box", 2}}) {
        SCOPED_TRACE(k.nome);
        sql(QStringLiteral("UPDATE PEDIDO SET PED_IDFECHADO = 'N', PED_MD5 = NULL WHERE PED_NUME = '00006'"));
        // the first close stored the table's list price; start each case from the seeded line
        sql(QStringLiteral("UPDATE PED_ITEN SET PEDIT_PREC = 20, PEDIT_PREC_ORI = 20 WHERE PEDIT_NUME = '00006'"));
        janela->BtnConsultarClick();
        ASSERT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
        if (k.via == 1) {
            janela->CDSConsulta->edit();
            janela->CDSConsulta->fieldByName(QStringLiteral("SEL"))->setAsString(QStringLiteral("S"));
            janela->CDSConsulta->post();
        }
        rec->clear();
        rec->pushAnswer(MsgResult::Yes);
        if (k.via == 2) {
            janela->DBGrid2DblClick();
            QTest::mouseClick(janela->btnAltera, Qt::LeftButton);
            rec->clear();
            rec->pushAnswer(MsgResult::Yes);
            QTest::mouseClick(janela->CBFechado, Qt::LeftButton);
            EXPECT_FALSE(janela->EmEdicao());
        } else {
            (k.via == 1 ? janela->FecharTodososPedidos1 : janela->FechamentodePedido1)->trigger();
        }
        EXPECT_EQ(rec->texts().contains(QStringLiteral("Pedido Fechado e Gravando!")), k.via != 1);
        EXPECT_EQ(linhas(QStringLiteral("SELECT PED_IDFECHADO, CHAR_LENGTH(PED_MD5) FROM PEDIDO WHERE PED_NUME = '00006'")),
                  QStringList{QStringLiteral("S|32")})
            << rec->texts().join(QStringLiteral(" / ")).toStdString();
        EXPECT_TRUE(janela->CDSConsulta->afterScroll != nullptr);
    }
}

} // namespace

namespace {

TEST_F(JanelaGravacaoTest, ClosingTheLoadedOrderLeavesNothingToChangeOrDelete)
{
    janela->BtnConsultarClick();
    ASSERT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
    janela->DBGrid2DblClick();
    QTest::mouseClick(janela->btnAltera, Qt::LeftButton);
    ASSERT_TRUE(janela->EmEdicao());
    rec->clear();
    rec->pushAnswer(MsgResult::Yes);
    QTest::mouseClick(janela->CBFechado, Qt::LeftButton);
    ASSERT_TRUE(rec->texts().contains(QStringLiteral("Pedido Fechado e Gravando!")))
        << rec->texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_TRUE(janela->EdtNumero->text().isEmpty());
    EXPECT_FALSE(janela->btnAltera->isEnabled());
    EXPECT_FALSE(janela->btnExclui->isEnabled());
    EXPECT_TRUE(janela->EdtNumero->isEnabledTo(janela->PnPedidos)); // a new order may be numbered again
}

TEST_F(JanelaGravacaoTest, OrderClosedFromTheListCanNoLongerBeChanged)
{
    for (QAction *via : {janela->FechamentodePedido1, janela->FecharTodososPedidos1}) {
        SCOPED_TRACE(via->objectName().toStdString());
        sql(QStringLiteral("UPDATE PEDIDO SET PED_IDFECHADO = 'N', PED_MD5 = NULL WHERE PED_NUME = '00006'"));
        sql(QStringLiteral("UPDATE PED_ITEN SET PEDIT_PREC = 20, PEDIT_PREC_ORI = 20 WHERE PEDIT_NUME = '00006'"));
        janela->BtnConsultarClick();
        ASSERT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
        janela->DBGrid2DblClick();
        ASSERT_TRUE(janela->btnAltera->isEnabled());
        ASSERT_TRUE(janela->CDSConsulta->locate({QStringLiteral("NUMERO")}, {QStringLiteral("00006")}));
        janela->CDSConsulta->edit();
        janela->CDSConsulta->fieldByName(QStringLiteral("SEL"))->setAsString(QStringLiteral("S"));
        janela->CDSConsulta->post();
        rec->clear();
        rec->pushAnswer(MsgResult::Yes);
        via->trigger();
        ASSERT_EQ(linhas(QStringLiteral("SELECT PED_IDFECHADO FROM PEDIDO WHERE PED_NUME = '00006'")),
                  QStringList{QStringLiteral("S")})
            << rec->texts().join(QStringLiteral(" / ")).toStdString();
        EXPECT_EQ(janela->EdtNumero->text(), QStringLiteral("00006"));
        EXPECT_FALSE(janela->btnAltera->isEnabled());
    }
}

TEST_F(JanelaGravacaoTest, ObservationBoxHoldsWhatTheColumnHolds)
{
    QTest::mouseClick(janela->btnNovo, Qt::LeftButton);
    ASSERT_TRUE(janela->EmEdicao());
    janela->EdtObs->setPlainText(QString(3990, QLatin1Char('a')));
    QTextCursor cur = janela->EdtObs->textCursor();
    cur.setPosition(5);
    janela->EdtObs->setTextCursor(cur);
    janela->EdtObs->insertPlainText(QString(20, QLatin1Char('b'))); // a paste in the middle
    const QString t = janela->EdtObs->toPlainText();
    EXPECT_EQ(t.size(), 4000);
    // what was there stays; the paste is cut
    EXPECT_EQ(t, QString(5, QLatin1Char('a')) + QString(10, QLatin1Char('b')) + QString(3985, QLatin1Char('a')));
    janela->EdtObs->setPlainText(QString(4100, QLatin1Char('c')));
    EXPECT_EQ(janela->EdtObs->toPlainText().size(), 4000);
    rec->pushAnswer(MsgResult::Yes);
    QTest::mouseClick(janela->BtnDesistir, Qt::LeftButton);
}

} // namespace
