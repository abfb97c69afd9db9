// Customer rules on a database, and the customer window offscreen.
#include "TestDb.h"
#include "test_shell_fixture.h"

#include "components/Enter.h"
#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/clientes/regras/RegrasCliente.h"
#include "windows/clientes/untCliente.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kCnpjValido = QStringLiteral("11.222.000/0001-52");

QString baseClientes()
{
    return upgradedTemplate({
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_TELE, CLI_MAIL, CLI_NOMCID, CLI_UF, CLI_DTCA, "
        "CLI_IDSTATUS) VALUES ('00001', 'LOJA AZUL', 'AZUL MODAS', '45.372.816/0001-84', '(081)3333-1111', "
        "'azul@loja.com', 'RECIFE', 'PE', '2024-03-10', 'S')",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_TELE, CLI_MAIL, CLI_NOMCID, CLI_UF, CLI_DTCA, "
        "CLI_IDSTATUS) VALUES ('00002', 'LOJA D''ORO', 'D''ORO', '11222000000233', '(011)4444-2222', "
        "'d''oro@loja.com', 'SAO PAULO', 'SP', '2023-01-05', 'B')",
        "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_TELE, CLI_MAIL, CLI_NOMCID, CLI_UF, CLI_DTCA) "
        "VALUES ('00003', 'LOJA VERDE', 'VERDE', '', '(041)5555-3333', 'verde@loja.com', 'CURITIBA', 'PR', "
        "'2025-06-01')",
        "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME) VALUES ('00002', 1, 'ZECA')",
        "INSERT INTO CONTATO_CLI (CONT_CCLI, CONT_ITEM, CONT_NOME) VALUES ('00003', 1, 'RITA')",
        "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_NRLOTE) VALUES ('00010', '00001', 4)",
        "INSERT INTO PEDIDO (PED_NUME, PED_CCLI) VALUES ('00011', '00002')",
    });
}

class ClienteDb : public ::testing::Test {
protected:
    static void SetUpTestSuite() { baseClientes(); }
    void SetUp() override
    {
        installTemplate(inst, baseClientes());
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
        ASSERT_TRUE(dm->XRDtRepres->Connected());
        PreparaContatos(contatos);
        rec->clear();
    }
    void TearDown() override { dm.reset(); }

    void sql(const QString &texto) { execSql(*dm->XRDtRepres, texto); }
    QVariant valor(const QString &texto) { return scalar(*dm->XRDtRepres, texto); }
    int conta(const QString &tabela, const QString &onde)
    {
        return valor(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tabela, onde)).toInt();
    }
    void contato(const QString &nome, const QVariant &nasc = {})
    {
        contatos.append();
        contatos.fieldByName(QStringLiteral("CONT_NOME"))->setValue(nome);
        contatos.fieldByName(QStringLiteral("CONT_NASC"))->setValue(nasc);
        contatos.fieldByName(QStringLiteral("CONT_TIPO"))->setValue(QStringLiteral("2"));
        PostaContato(contatos);
    }

    static TDadosCliente valido()
    {
        TDadosCliente c;
        c.codigo = QStringLiteral("00009");
        c.cadastro = QDate(2024, 5, 15);
        c.tipo = QStringLiteral("2");
        c.nome = QStringLiteral("CASA D'ÁGUA LTDA");
        c.fantasia = QStringLiteral("D'ÁGUA");
        c.cnpj = kCnpjValido;
        c.inscricao = QStringLiteral("123456");
        c.telefone = QStringLiteral("(011)91234-5678");
        c.email = QStringLiteral("o'neil@agua.com");
        c.cep = QStringLiteral("01001000");
        c.cidade = QStringLiteral("SAO PAULO");
        c.uf = QStringLiteral("SP");
        c.endereco = QStringLiteral("RUA A");
        c.numero = QStringLiteral("10");
        c.bairro = QStringLiteral("CENTRO");
        c.observacao = QStringLiteral("linha 1\r\nlinha 2");
        c.dias = 7;
        return c;
    }

    ScratchInstall inst;
    ScopedDialogRecorder rec;
    std::unique_ptr<TDMRepres> dm;
    DataSet contatos;
};

TEST_F(ClienteDb, ChecksInOrderWithMessageAndField)
{
    using F = std::function<void(TDadosCliente &)>;
    const struct {
        int verificacao;
        F muda;
        const char *mensagem;
        const char *campo;
    } casos[] = {
        {1, [](TDadosCliente &c) { c.email.clear(); }, "Favor informar o Email", "DBEMail"},
        {2, [](TDadosCliente &c) { c.nome = "  "; }, "Nome Inválido. Impossível Continuar.", "DBNome"},
        {3, [](TDadosCliente &c) { c.fantasia.clear(); }, "Fantasia Inválida. Impossível Continuar.", "DBFantasia"},
        {4, [](TDadosCliente &c) { c.cnpj = "  .   .   /    -  "; }, "CNPJ Inválido. Impossível Continuar.", "DBCnpj"},
        {5, [](TDadosCliente &c) { c.inscricao = " "; }, "Inscrição Estadual Inválida. Impossível Continuar.",
         "DBInscricao"},
        {6, [](TDadosCliente &c) { c.telefone = "()-"; }, "Telefone Inválido. Impossível Continuar.", "DBTelefone"},
        {7, [](TDadosCliente &c) { c.cep.clear(); }, "CEP Inválido. Impossível Continuar.", "DBCep"},
        {8, [](TDadosCliente &c) { c.cidade.clear(); }, "Cidade Inválida. Impossível Continuar.", "DBCidade"},
        {9, [](TDadosCliente &c) { c.uf.clear(); }, "Estado Inválido. Impossível Continuar.", "CBUf"},
        {10, [](TDadosCliente &c) { c.endereco.clear(); }, "Endereço Inválido. Impossível Continuar.", "DBEndereco"},
        {11, [](TDadosCliente &c) { c.numero.clear(); }, "Número Inválido. Impossível Continuar.", "DBNumero"},
        {12, [](TDadosCliente &c) { c.bairro.clear(); }, "Bairro Inválido. Impossível Continuar.", "DBBairro"},
        {13, [](TDadosCliente &c) { c.enviado = "S"; },
         "Cliente não pode ter Status de Transmitido\rPois não há Pedidos transmitidos desse Cliente", ""},
    };
    {
        TDadosCliente c = valido();
        EXPECT_FALSE(ValidaCliente(*dm, c, contatos, "S").has_value()) << "the valid customer passes";
    }
    for (const auto &k : casos) {
        SCOPED_TRACE(k.verificacao);
        TDadosCliente c = valido();
        k.muda(c);
        const auto falha = ValidaCliente(*dm, c, contatos, "S");
        ASSERT_TRUE(falha.has_value());
        EXPECT_EQ(falha->verificacao, k.verificacao);
        EXPECT_EQ(falha->mensagem, QString::fromUtf8(k.mensagem));
        EXPECT_EQ(falha->campo, QString::fromLatin1(k.campo));
        if (k.verificacao == 13) {
            EXPECT_EQ(c.enviado, "N");
        }
    }
    // e-mail optional when the configuration says so; a sent order allows "Transmitido"
    TDadosCliente c = valido();
    c.email.clear();
    EXPECT_FALSE(ValidaCliente(*dm, c, contatos, "N").has_value());
    c.codigo = "00001";
    c.enviado = "S";
    EXPECT_FALSE(ValidaCliente(*dm, c, contatos, "N").has_value());
    // check 14: the same contact name twice
    contato("ANA");
    contato("BETO");
    contato("ANA");
    const auto falha = ValidaCliente(*dm, c, contatos, "N");
    ASSERT_TRUE(falha.has_value());
    EXPECT_EQ(falha->verificacao, 14);
    EXPECT_EQ(falha->mensagem, QStringLiteral("Contato ANA já existe."));
}

TEST_F(ClienteDb, NamelessContactRowIsDropped)
{
    contato("ANA");
    contato("   ");
    EXPECT_EQ(contatos.recordCount(), 1);
    EXPECT_EQ(contatos.state(), DataSet::State::Browse);
}

TEST_F(ClienteDb, SaveAndReloadKeepEverythingTyped)
{
    TDadosCliente c = valido();
    contato("JOÃO D'ÁVILA");
    contato("MARIA", QDate(1980, 2, 29));
    contatos.first();
    contatos.edit();
    contatos.fieldByName("CONT_TEXT")->setValue(QStringLiteral("nota\r\ncom quebra"));
    contatos.post();
    QString msg;
    ASSERT_TRUE(GravaCliente(*dm, c, contatos, msg)) << msg.toStdString();

    // another connection sees it: committed
    auto db = inst.connect();
    EXPECT_EQ(scalar(*db, "SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00009'").toString(), c.nome);
    EXPECT_EQ(scalar(*db, "SELECT CLI_MAIL FROM CLIENTE WHERE CLI_CODI = '00009'").toString(), c.email);
    EXPECT_EQ(scalar(*db, "SELECT CLI_DTCA FROM CLIENTE WHERE CLI_CODI = '00009'").toDate(), QDate(2024, 5, 15));
    EXPECT_EQ(scalar(*db, "SELECT CLI_PRZMEDIO FROM CLIENTE WHERE CLI_CODI = '00009'").toInt(), 0);
    EXPECT_TRUE(scalar(*db, "SELECT CONT_NASC FROM CONTATO_CLI WHERE CONT_CCLI = '00009' AND CONT_ITEM = 1").isNull());
    EXPECT_EQ(scalar(*db, "SELECT CONT_CNPJ FROM CONTATO_CLI WHERE CONT_ITEM = 2 AND CONT_CCLI = '00009'").toString(),
              kCnpjValido);

    TDadosCliente lido;
    DataSet lidos;
    PreparaContatos(lidos);
    ASSERT_TRUE(CarregaCliente(*dm, "00009", lido, lidos));
    for (const auto &[a, b] : std::vector<std::pair<QString, QString>>{
             {lido.nome, c.nome}, {lido.fantasia, c.fantasia}, {lido.cnpj, c.cnpj}, {lido.email, c.email},
             {lido.telefone, c.telefone}, {lido.observacao, c.observacao}, {lido.tipo, "2"}, {lido.enviado, "N"},
             {lido.uf, "SP"}, {lido.numero, "10"}})
        EXPECT_EQ(a, b);
    EXPECT_EQ(lido.dias.toInt(), 7);
    ASSERT_EQ(lidos.recordCount(), 2);
    lidos.first();
    EXPECT_EQ(lidos.fieldByName("CONT_NOME")->asString(), QStringLiteral("JOÃO D'ÁVILA"));
    EXPECT_TRUE(lidos.fieldByName("CONT_NASC")->isNull());
    EXPECT_EQ(lidos.fieldByName("CONT_TEXT")->asString(), QStringLiteral("nota\r\ncom quebra"));
    lidos.next();
    EXPECT_EQ(lidos.fieldByName("CONT_NASC")->asDate(), QDate(1980, 2, 29));

    // changed later: UPDATE, contacts replaced; an unknown code changes nothing
    c.nome = QStringLiteral("OUTRO NOME");
    c.tipo.clear();
    lidos.first();
    lidos.deleteRecord();
    ASSERT_TRUE(GravaCliente(*dm, c, lidos, msg)) << msg.toStdString();
    EXPECT_EQ(valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00009'").toString(), "OUTRO NOME");
    EXPECT_EQ(valor("SELECT CLI_TIPO FROM CLIENTE WHERE CLI_CODI = '00009'").toString(), "2") << "no type: kept";
    EXPECT_EQ(conta("CONTATO_CLI", "CONT_CCLI = '00009'"), 1);
    TDadosCliente nada = lido;
    EXPECT_FALSE(CarregaCliente(*dm, "99999", nada, lidos));
    EXPECT_EQ(nada.nome, lido.nome);
}

TEST_F(ClienteDb, FailingContactInsertLeavesBothTablesAsBefore)
{
    sql("CREATE EXCEPTION E_TESTE 'contato recusado'");
    sql("CREATE TRIGGER T_TESTE FOR CONTATO_CLI BEFORE INSERT AS BEGIN "
        "IF (NEW.CONT_ITEM = 2) THEN EXCEPTION E_TESTE; END");
    const struct {
        const char *caso;
        QString codigo;
    } casos[] = {{"new customer", "00009"}, {"existing customer", "00003"}};
    for (const auto &k : casos) {
        SCOPED_TRACE(k.caso);
        const int clientes = conta("CLIENTE", "1 = 1");
        const QString nomeAntes = valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '" + k.codigo + "'").toString();
        const int contatosAntes = conta("CONTATO_CLI", "CONT_CCLI = '" + k.codigo + "'");
        TDadosCliente c = valido();
        c.codigo = k.codigo;
        contatos.emptyTable();
        contato("UM");
        contato("DOIS");
        QString msg;
        EXPECT_FALSE(GravaCliente(*dm, c, contatos, msg));
        EXPECT_TRUE(msg.startsWith(QStringLiteral("Problema na inclusão do contato\r\n\r\n"))) << msg.toStdString();
        EXPECT_TRUE(msg.contains("contato recusado"));
        dm->XRTransaction->CommitRetaining(); // a later commit by anyone keeps nothing of it
        EXPECT_EQ(conta("CLIENTE", "1 = 1"), clientes);
        EXPECT_EQ(valor("SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '" + k.codigo + "'").toString(), nomeAntes);
        EXPECT_EQ(conta("CONTATO_CLI", "CONT_CCLI = '" + k.codigo + "'"), contatosAntes);
    }
}

TEST_F(ClienteDb, CommercialReferencesRequiredOnlyForNewCustomers)
{
    sql("UPDATE CONFIG SET NRREFER = 2");
    contato("ANA");
    TDadosCliente c = valido();
    QString msg;
    EXPECT_FALSE(GravaCliente(*dm, c, contatos, msg));
    EXPECT_EQ(msg, QStringLiteral("Cliente deve possuir pelo menos 2 referências comercias\rGravação Cancelada"));
    EXPECT_EQ(conta("CLIENTE", "CLI_CODI = '00009'"), 0);
    c.codigo = "00003";
    EXPECT_TRUE(GravaCliente(*dm, c, contatos, msg)) << msg.toStdString();
}

TEST_F(ClienteDb, DuplicateTaxNumberIgnoresPunctuation)
{
    EXPECT_EQ(BuscaCnpjDuplicado(*dm, "00009", "11.222.000/0002-33"), "00002");
    EXPECT_EQ(BuscaCnpjDuplicado(*dm, "00009", "45372816000184"), "00001");
    EXPECT_EQ(BuscaCnpjDuplicado(*dm, "00001", "45.372.816/0001-84"), "") << "its own number";
    EXPECT_EQ(BuscaCnpjDuplicado(*dm, "00009", kCnpjValido), "");
    EXPECT_TRUE(ValidaDocumento("2", kCnpjValido));
    EXPECT_FALSE(ValidaDocumento("1", kCnpjValido));
    EXPECT_FALSE(ValidaDocumento("", kCnpjValido));
}

TEST_F(ClienteDb, DeleteRefusedWithOrdersAndTakesContactsWithout)
{
    EXPECT_EQ(ExcluiCliente(*dm, "00002"), TExclusaoCliente::ComPedidos);
    EXPECT_EQ(conta("CLIENTE", "CLI_CODI = '00002'"), 1);
    EXPECT_EQ(conta("CONTATO_CLI", "CONT_CCLI = '00002'"), 1);
    EXPECT_EQ(ExcluiCliente(*dm, "00003"), TExclusaoCliente::Excluido);
    auto db = inst.connect();
    EXPECT_EQ(scalar(*db, "SELECT COUNT(*) FROM CLIENTE WHERE CLI_CODI = '00003'").toInt(), 0);
    EXPECT_EQ(scalar(*db, "SELECT COUNT(*) FROM CONTATO_CLI WHERE CONT_CCLI = '00003'").toInt(), 0);
}

TEST_F(ClienteDb, SearchFilters)
{
    using F = std::function<void(TFiltroCliente &)>;
    const struct {
        const char *caso;
        F filtro;
        QStringList codigos;
    } casos[] = {
        {"no filter", [](TFiltroCliente &) {}, {"00001", "00002", "00003"}},
        {"fantasy", [](TFiltroCliente &f) { f.fantasia = "MODA"; }, {"00001"}},
        {"phone", [](TFiltroCliente &f) { f.telefone = "4444"; }, {"00002"}},
        {"e-mail", [](TFiltroCliente &f) { f.email = "verde@"; }, {"00003"}},
        {"city", [](TFiltroCliente &f) { f.cidade = "PAULO"; }, {"00002"}},
        {"code exact", [](TFiltroCliente &f) { f.codigo = "00001"; }, {"00001"}},
        {"code not a prefix", [](TFiltroCliente &f) { f.codigo = "0000"; }, {}},
        {"cnpj exact", [](TFiltroCliente &f) { f.cnpj = "11222000000233"; }, {"00002"}},
        {"cnpj other punctuation", [](TFiltroCliente &f) { f.cnpj = "11.222.000/0002-33"; }, {}},
        {"state", [](TFiltroCliente &f) { f.uf = "PR"; }, {"00003"}},
        {"date range", [](TFiltroCliente &f) { f.de = QDate(2024, 1, 1); f.ate = QDate(2024, 12, 31); }, {"00001"}},
        {"apostrophe", [](TFiltroCliente &f) { f.fantasia = "D'O"; }, {"00002"}},
        {"apostrophe in e-mail", [](TFiltroCliente &f) { f.email = "d'oro"; }, {"00002"}},
    };
    for (const auto &k : casos) {
        SCOPED_TRACE(k.caso);
        TFiltroCliente f;
        k.filtro(f);
        TXRQuery q;
        q.SetDatabase(dm->XRDtRepres);
        PreparaConsultaClientes(q, f);
        q.Open();
        q.setIndexFieldNames("CLI_CODI");
        QStringList achados;
        for (q.first(); !q.eof(); q.next())
            achados << q.fieldByName("CLI_CODI")->asString();
        EXPECT_EQ(achados, k.codigos);
    }
    TXRQuery q;
    q.SetDatabase(dm->XRDtRepres);
    TFiltroCliente f;
    f.codigo = "00002";
    PreparaConsultaClientes(q, f);
    q.Open();
    EXPECT_EQ(q.fieldByName("CLI_DSSTATUS")->asString(), "Bloqueado");
}

// ------------------------------------------------------------------ window

class JanelaCliente : public ClienteDb {
protected:
    void SetUp() override
    {
        ClienteDb::SetUp();
        janela = new TfmCliente;
        janela->show();
        QApplication::setActiveWindow(janela);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete janela;
        ClienteDb::TearDown();
    }
    // The key goes to whatever has the focus, as a user's key would.
    void tecla(int k, const QString &texto = {})
    {
        QWidget *w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        teclaClique(w, k, Qt::NoModifier, texto);
        QApplication::processEvents();
    }
    void escreve(const QString &texto)
    {
        QWidget *w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        digita(w, texto);
        QApplication::processEvents();
    }
    QString foco() const
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }

    TfmCliente *janela = nullptr;
};

TEST_F(JanelaCliente, NewCustomerTypedWithEnterAndSavedWithContacts)
{
    TZVEnter enter;
    enter.ClassList = {"TEdit", "TMaskEdit", "TComboBox", "TDateEdit"};
    EXPECT_FALSE(janela->PnManutencao->isEnabled());
    janela->BtnIncluir->click();
    QApplication::processEvents();
    EXPECT_TRUE(janela->PnManutencao->isEnabled());
    EXPECT_EQ(janela->DBCodigo->text(), "00004");
    EXPECT_TRUE(janela->RbJuridica->isChecked());
    EXPECT_EQ(foco(), "DBNome");
    const std::pair<const char *, QString> campos[] = {
        {"DBNome", "casa nova ltda"}, {"DBFantasia", "casa nova"}, {"DBCnpj", "11222000000152"},
        {"DBInscricao", "isento"},    {"DBTelefone", "01191234567"}, {"DBEMail", "compras@casa.com"},
        {"DBCep", "01001000"},        {"DBCidade", "santos"},
    };
    for (const auto &[nome, texto] : campos) {
        ASSERT_EQ(foco(), nome);
        escreve(texto);
        tecla(Qt::Key_Return);
    }
    ASSERT_EQ(foco(), "CBUf");
    janela->CBUf->setCurrentText("SP");
    tecla(Qt::Key_Return);
    for (const auto &[nome, texto] : {std::pair<const char *, QString>{"DBEndereco", "rua b"},
                                      {"DBNumero", "5"}, {"DBComplemento", "loja 2"}, {"DBBairro", "porto"}}) {
        ASSERT_EQ(foco(), nome);
        escreve(texto);
        tecla(Qt::Key_Return);
    }
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_EQ(janela->DBCnpj->text(), kCnpjValido);

    // two contacts
    for (const char *nome : {"ANA", "BETO"}) {
        janela->CDSContato->append();
        janela->CDSContato->fieldByName("CONT_NOME")->setValue(QString::fromLatin1(nome));
        janela->CDSContato->fieldByName("CONT_FONE")->setValue(QStringLiteral("(011)90000-0000"));
        janela->CDSContato->post();
    }
    janela->BtnConfirmar->click();
    EXPECT_TRUE(rec->texts().isEmpty()) << rec->texts().join('|').toStdString();
    EXPECT_FALSE(janela->EmEdicao());
    auto db = inst.connect();
    EXPECT_EQ(scalar(*db, "SELECT CLI_NOME FROM CLIENTE WHERE CLI_CODI = '00004'").toString(), "CASA NOVA LTDA");
    EXPECT_EQ(scalar(*db, "SELECT CLI_CNPJ FROM CLIENTE WHERE CLI_CODI = '00004'").toString(), kCnpjValido);
    EXPECT_EQ(scalar(*db, "SELECT CLI_TELE FROM CLIENTE WHERE CLI_CODI = '00004'").toString(), "(011)91234-567");
    EXPECT_EQ(scalar(*db, "SELECT CLI_UF || CLI_NOMCID || CLI_BAIR FROM CLIENTE WHERE CLI_CODI = '00004'").toString(),
              "SPSANTOSPORTO");
    EXPECT_EQ(scalar(*db, "SELECT CLI_TIPO || CLI_IDENVIADO FROM CLIENTE WHERE CLI_CODI = '00004'").toString(), "2N");
    EXPECT_EQ(scalar(*db, "SELECT LIST(CONT_NOME, ',') FROM (SELECT CONT_NOME FROM CONTATO_CLI "
                          "WHERE CONT_CCLI = '00004' ORDER BY CONT_ITEM)")
                  .toString(),
              "ANA,BETO");
}

TEST_F(JanelaCliente, RefusalsLeaveTheWindowEditing)
{
    janela->BtnIncluir->click();
    janela->DBNome->setText("X");
    janela->BtnConfirmar->click();
    ASSERT_EQ(rec->texts(), QStringList{QStringLiteral("Fantasia Inválida. Impossível Continuar.")});
    EXPECT_EQ(rec->entries()[0].title, QStringLiteral("Cadastro do Clientes"));
    EXPECT_TRUE(janela->EmEdicao());
    EXPECT_EQ(QApplication::focusWidget(), janela->DBFantasia);

    // search page refused while editing
    janela->PgCliente->setCurrentWidget(janela->TsAcesso);
    EXPECT_EQ(janela->PgCliente->currentWidget(), janela->TsManutencao);
    janela->BtnDesistirClick();
    EXPECT_FALSE(janela->EmEdicao());
    EXPECT_EQ(janela->DBNome->text(), "X") << "what was typed stays";

    rec->clear();
    janela->DBCodigo->clear();
    janela->BtnAlterar->click();
    EXPECT_EQ(rec->texts(), QStringList{QStringLiteral("Cliente Inválido. Impossível Alterar.")});
}

TEST_F(JanelaCliente, SearchAndLoadAndDelete)
{
    janela->PgCliente->setCurrentWidget(janela->TsAcesso);
    EXPECT_FALSE(janela->PnNavegacao->isVisible());
    janela->EdtCodCli->setText("00002");
    EXPECT_EQ(janela->LblNomeCli->text(), "LOJA D'ORO");
    janela->EdtCodCli->clear();
    // an older search still running is overtaken: only the newest rows show
    janela->BtnConsultarBusca->click();
    janela->EdtFantasiaBusca->setText("D'O");
    janela->BtnConsultarBusca->click();
    QSignalSpy pronta(janela, &TfmCliente::ConsultaConcluida);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !janela->Consultando(); }, 10000));
    EXPECT_EQ(pronta.count(), 1);
    ASSERT_EQ(janela->QConsulta->recordCount(), 1);
    janela->GridConsultaDblClick();
    EXPECT_EQ(janela->PgCliente->currentWidget(), janela->TsManutencao);
    EXPECT_EQ(janela->DBNome->text(), "LOJA D'ORO");
    EXPECT_EQ(janela->CDSContato->recordCount(), 1);

    rec->pushAnswer(MsgResult::Yes);
    janela->BtnExcluir->click();
    EXPECT_EQ(rec->texts(), (QStringList{"Excluir o cliente?", "Cliente possui pedidos. Impossível Excluir."}));
    EXPECT_EQ(conta("CLIENTE", "CLI_CODI = '00002'"), 1);
}

} // namespace

namespace {

TEST_F(JanelaCliente, LeavingTheTaxNumberChecksDuplicatesAndDigits)
{
    janela->BtnIncluir->click();
    QApplication::processEvents();
    const struct {
        const char *caso;
        QString digitos;
        QStringList textos;
        bool volta; // the focus comes back to the tax number
        QString fica;
    } casos[] = {
        {"duplicate", "45372816000184", {"CNPJ/CPF já cadastrado no cliente código 00001"}, true, ""},
        {"wrong digits, answered No", "11222000000153", {"CNPJ/CPF Inválido. Deseja continuar."}, true,
         "11.222.000/0001-53"},
        {"valid", "11222000000152", {}, false, kCnpjValido},
    };
    for (const auto &k : casos) {
        SCOPED_TRACE(k.caso);
        rec->clear();
        janela->DBCnpj->setFocus();
        janela->TipoClick();
        janela->DBCnpj->setText(k.digitos);
        janela->DBInscricao->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(rec->texts(), k.textos);
        EXPECT_EQ(QApplication::focusWidget() == janela->DBCnpj, k.volta);
        EXPECT_EQ(RemoveMascara(janela->DBCnpj->text()), RemoveMascara(k.fica));
    }
}

} // namespace

#include "windows/nucleo/WindowRegistry.h"
#include "windows/principal/untPrincipal.h"

namespace {

TEST_F(ClienteDb, OpenedFromTheSideBar)
{
    RegistraJanelaCliente();
    TGanchosPrincipal g;
    g.Login = [](QWidget *) { return true; };
    auto principal = std::make_unique<TfmPrincipal>(g);
    principal->show();
    QWidget *entrada = principal->findChild<QWidget *>(QStringLiteral("pnlCliente"));
    ASSERT_NE(entrada, nullptr);
    QTest::mouseClick(entrada, Qt::LeftButton);
    auto *j = qobject_cast<TfmCliente *>(BuscaForm(QStringLiteral("TfmCliente")));
    ASSERT_NE(j, nullptr);
    EXPECT_TRUE(j->isVisible());
    EXPECT_EQ(j->PgCliente->currentWidget(), j->TsManutencao);
    EXPECT_FALSE(j->EmEdicao());
    EXPECT_EQ(j->windowTitle(), QStringLiteral("Cadastro do Clientes"));
    j->close();
    QApplication::processEvents();
    principal.reset();
    UnRegisterClass(QStringLiteral("TfmCliente"));
}

} // namespace

namespace {

TEST_F(JanelaCliente, LeavingTheEmail)
{
    janela->BtnIncluir->click();
    QApplication::processEvents();
    const struct {
        const char *caso;
        const char *obrigatorio;
        QString email;
        QStringList textos;
        const char *foco;
    } casos[] = {
        {"required and empty", "S", "", {"Favor informar o Email"}, "DBEMail"},
        {"invalid", "N", "sem-arroba", {QStringLiteral("Email Inválido. Impossível Continuar.")}, "DBEMail"},
        {"empty, not required", "N", "", {}, "DBCep"},
        {"valid goes to CEP", "S", "o'neil@loja.com", {}, "DBCep"},
    };
    for (const auto &k : casos) {
        SCOPED_TRACE(k.caso);
        rec->clear();
        dm->sIdCliEmailObr = QString::fromLatin1(k.obrigatorio);
        janela->DBEMail->setFocus();
        janela->DBEMail->setText(k.email);
        janela->DBNome->setFocus(); // leaving it elsewhere
        QApplication::processEvents();
        EXPECT_EQ(rec->texts(), k.textos);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), k.foco);
    }
}

} // namespace

namespace {

TEST_F(JanelaCliente, ContactKindFromItsListAndPhoneThroughItsMask)
{
    janela->BtnIncluir->click();
    janela->PgCliente->setCurrentWidget(janela->TsContatos);
    QApplication::processEvents();
    janela->CDSContato->append();
    janela->CDSContato->fieldByName("CONT_NOME")->setValue(QStringLiteral("ANA"));
    janela->CDSContato->post();
    TXRDBGrid *g = janela->GridContato;
    auto *modelo = g->model();

    g->setFocus();
    g->setCurrentIndex(modelo->index(0, 5));
    g->edit(g->currentIndex());
    auto *tipo = g->findChild<QComboBox *>(QStringLiteral("CbTipoContato"));
    ASSERT_NE(tipo, nullptr);
    EXPECT_EQ(tipo->count(), 5);
    tipo->setCurrentIndex(2); // "3 - Financeiro"
    g->itemDelegateForColumn(5)->setModelData(tipo, modelo, g->currentIndex());
    PostaContato(*janela->CDSContato);
    EXPECT_EQ(janela->CDSContato->fieldByName("CONT_TIPO")->asString(), "3");

    g->setCurrentIndex(modelo->index(0, 1));
    g->edit(g->currentIndex());
    auto *fone = g->findChild<QLineEdit *>(QStringLiteral("EdtFoneContato"));
    ASSERT_NE(fone, nullptr);
    QTest::keyClicks(fone, "01198765432");
    g->itemDelegateForColumn(1)->setModelData(fone, modelo, g->currentIndex());
    PostaContato(*janela->CDSContato);
    EXPECT_EQ(janela->CDSContato->fieldByName("CONT_FONE")->asString(), "(011)98765-432");
}

} // namespace
