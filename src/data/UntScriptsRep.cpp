#include "data/UntScriptsRep.h"

#include "data/UntFuncoes.h"
#include "data/XREstatisticas.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/fb/FbApi.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {


// Dates go into the statements month first, whatever the locale.
QString DataSQL(int ano, int mes, int dia)
{
    return QuotedStr(QDate(ano, mes, dia).toString(QStringLiteral("MM/dd/yyyy")));
}

std::unique_ptr<TXRQuery> NovaConsulta(TDMRepres &dm)
{
    auto q = std::make_unique<TXRQuery>();
    q->SetDatabase(dm.XRDtRepres);
    return q;
}

void Relata(const TPassoAtualizacao &passo, const QString &mensagem)
{
    const QString prefixo = QStringLiteral("Erro na Atualização da Base: ");
    if (passo.erroEmCaixa)
        dialogs().messageBox(prefixo + mensagem, QStringLiteral("Erro"), MsgButtons::Ok, MsgIcon::Warning);
    else
        dialogs().showMessage(prefixo + '\r' + mensagem);
}

// The table a statement writes rows of; empty for others. An index made
// on rows already there is counted by the engine as it is built.
QString TabelaEscrita(const QString &sql)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(?:UPDATE|INSERT\s+INTO|DELETE\s+FROM)\s+("[^"]+"|[A-Za-z_][\w$]*))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch())
        return {};
    QString t = m.captured(1);
    if (t.startsWith(QLatin1Char('"')))
        return t.mid(1, t.size() - 2);
    return t.toUpper();
}

void ExecutaComando(TXRQuery &q, TDMRepres &dm, const TComandoAtualizacao &c)
{
    q.Close();
    q.SQL().Clear();
    if (c.emLinhas) {
        for (const QString &linha : c.linhas)
            q.SQL().Add(linha);
        q.SQL().Add(QString());
    } else if (c.linhas.size() == 1) {
        q.SQL().Add(c.linhas.first());
    } else {
        QString texto;
        ListaParaSQL(c.linhas, texto);
        q.SQL().Add(texto);
    }
    q.ExecSQL();
    dm.XRTransaction->CommitRetaining();
}

// Shorthands for the step table below.
TComandoAtualizacao Cmd(QStringList linhas)
{
    TComandoAtualizacao c;
    c.linhas = std::move(linhas);
    return c;
}

TComandoAtualizacao Linhas(QStringList linhas)
{
    TComandoAtualizacao c = Cmd(std::move(linhas));
    c.emLinhas = true;
    return c;
}

TTesteCatalogo TabelaAusente(const char *tabela)
{
    const QString t = QString::fromLatin1(tabela);
    return [t](TCatalogoBase &cat) { return cat.TabelaAusente(t); };
}

TTesteCatalogo CampoFalta(const char *tabela, const char *campo)
{
    const QString t = QString::fromLatin1(tabela);
    const QString c = QString::fromLatin1(campo);
    return [t, c](TCatalogoBase &cat) { return cat.CampoFalta(t, c); };
}

TTesteCatalogo IndiceAusente(const char *indice)
{
    const QString i = QString::fromLatin1(indice);
    return [i](TCatalogoBase &cat) { return cat.IndiceAusente(i); };
}

// Each statement that changes the structure carries its own guard, so a
// start cut short between two statements of a step completes at the next.
TComandoAtualizacao SeFalta(TComandoAtualizacao c, TTesteCatalogo falta)
{
    c.falta = std::move(falta);
    return c;
}

TComandoAtualizacao Quando(TComandoAtualizacao c, TTesteCatalogo quando)
{
    c.quando = std::move(quando);
    return c;
}

TTesteCatalogo SemTabela(const char *tabela)
{
    const QString t = QString::fromLatin1(tabela);
    return [t](TCatalogoBase &cat) { return !cat.TabelaExiste(t); };
}

TTesteCatalogo SemChave(const char *tabela)
{
    const QString t = QString::fromLatin1(tabela);
    return [t](TCatalogoBase &cat) { return !cat.TemChavePrimaria(t); };
}

TTesteCatalogo ComChave(const char *tabela)
{
    const QString t = QString::fromLatin1(tabela);
    return [t](TCatalogoBase &cat) { return cat.TemChavePrimaria(t); };
}

TTesteCatalogo CampoExiste(const char *tabela, const char *campo)
{
    const QString t = QString::fromLatin1(tabela);
    const QString c = QString::fromLatin1(campo);
    return [t, c](TCatalogoBase &cat) { return !cat.CampoFalta(t, c); };
}

TTesteCatalogo CampoCurto(const char *tabela, const char *campo, int n)
{
    const QString t = QString::fromLatin1(tabela);
    const QString c = QString::fromLatin1(campo);
    return [t, c, n](TCatalogoBase &cat) { return cat.CampoMenor(t, c, n); };
}

TTesteCatalogo Ambos(TTesteCatalogo a, TTesteCatalogo b)
{
    return [a, b](TCatalogoBase &cat) { return a(cat) && b(cat); };
}

// A column added by this statement.
TComandoAtualizacao AddCampo(const char *tabela, const char *campo, QStringList linhas)
{
    TComandoAtualizacao c;
    c.linhas = std::move(linhas);
    c.falta = CampoFalta(tabela, campo);
    return c;
}

TComandoAtualizacao AddIndice(const char *indice, const QString &texto)
{
    TComandoAtualizacao c;
    c.linhas = QStringList{texto};
    c.falta = IndiceAusente(indice);
    return c;
}

TPassoAtualizacao Passo(int numero, TTesteCatalogo teste, std::vector<TComandoAtualizacao> comandos)
{
    TPassoAtualizacao p;
    p.numero = numero;
    p.teste = std::move(teste);
    p.comandos = std::move(comandos);
    return p;
}

TComandoAtualizacao ChaveTabPreProduto()
{
    return SeFalta(Cmd({QStringLiteral("ALTER TABLE TABPRE_PRODUTO ADD CONSTRAINT PK_TABPRE_PRODUTO"),
                QStringLiteral("PRIMARY KEY (PREC_PRODUTO,PREC_TABELA,PREC_FAIXA_TAM,PREC_FAIXA)"),
                QStringLiteral("USING INDEX IDX_TABPRE_PRODUTO;")}),
                   SemChave("TABPRE_PRODUTO"));
}

std::vector<TPassoAtualizacao> MontaPassos()
{
    const QString uu = QuotedStr(QStringLiteral("UU"));
    const QString s = QuotedStr(QStringLiteral("S"));
    const QString n = QuotedStr(QStringLiteral("N"));
    const QString dtDe = DataSQL(2000, 1, 1);
    const QString dtAte = DataSQL(2050, 12, 31);

    std::vector<TPassoAtualizacao> p;
    p.push_back(Passo(
        1, TabelaAusente("EMPRESA"),
        {SeFalta(Cmd({QStringLiteral("CREATE TABLE EMPRESA ("), QStringLiteral("EMP_PAT       VARCHAR(4) NOT NULL,"),
                      QStringLiteral("EMP_NOME      VARCHAR(80),"), QStringLiteral("EMP_ESTADO    VARCHAR(2),"),
                      QStringLiteral("EMP_CEP       VARCHAR(8),"), QStringLiteral("EMP_TELEFONE  VARCHAR(14),"),
                      QStringLiteral("EMP_BAIRRO    VARCHAR(20),"), QStringLiteral("EMP_NUMERO    VARCHAR(5),"),
                      QStringLiteral("EMP_CIDADE    VARCHAR(30),"), QStringLiteral("EMP_EMAIL     VARCHAR(50),"),
                      QStringLiteral("EMP_ENDERECO  VARCHAR(40),"),
                      QStringLiteral("EMP_LOGO      BLOB SEGMENT SIZE 1024)")}),
                 SemTabela("EMPRESA")),
         SeFalta(Cmd({QStringLiteral("ALTER TABLE EMPRESA ADD PRIMARY KEY (EMP_PAT);")}), SemChave("EMPRESA"))}));
    p.push_back(
        Passo(2, CampoFalta("EMPRESA", "EMP_CNPJ"),
              {AddCampo("EMPRESA", "EMP_CNPJ", {QStringLiteral("ALTER TABLE EMPRESA ADD EMP_CNPJ VARCHAR(18);")})}));
    // Firebird 3 refuses writes to the catalogue, so NOT NULL is set by DDL.
    // The column is born with its default: the retained transaction keeps
    // the rows' versions from before the update, and a NULL in them would
    // fail the key.
    p.push_back(Passo(3, CampoFalta("TABPRE_PRODUTO", "PREC_FAIXA_TAM"),
                      // the old key goes only while the table has one: a key of
                      // another name still makes the step fail, as it should
                      {Quando(Cmd({QStringLiteral("ALTER TABLE TABPRE_PRODUTO DROP CONSTRAINT INTEG_20;")}),
                              ComChave("TABPRE_PRODUTO")),
                       AddCampo("TABPRE_PRODUTO", "PREC_FAIXA_TAM",
                                {QStringLiteral("ALTER TABLE TABPRE_PRODUTO ADD PREC_FAIXA_TAM VARCHAR(4) DEFAULT ") +
                                 uu + QStringLiteral(" NOT NULL;")}),
                       Cmd({QStringLiteral("UPDATE TABPRE_PRODUTO SET PREC_FAIXA_TAM = ") + uu + ';'}),
                       Quando(Cmd({QStringLiteral("ALTER TABLE TABPRE_PRODUTO ALTER PREC_FAIXA_TAM SET NOT NULL")}),
                              [](TCatalogoBase &cat) {
                                  return cat.CampoAceitaNulo(QStringLiteral("TABPRE_PRODUTO"),
                                                             QStringLiteral("PREC_FAIXA_TAM"));
                              }),
                       ChaveTabPreProduto()}));
    p.push_back(Passo(4, CampoFalta("PA_ITEN", "PAIT_FAIXA_TAM"),
                      {AddCampo("PA_ITEN", "PAIT_FAIXA_TAM",
                                {QStringLiteral("ALTER TABLE PA_ITEN ADD PAIT_FAIXA_TAM VARCHAR(4);")})}));
    p.push_back(
        Passo(5,
              [](TCatalogoBase &cat) {
                  return cat.CampoMenor(QStringLiteral("TABPRE_PRODUTO"), QStringLiteral("PREC_FAIXA_TAM"), 4);
              },
              {Quando(Cmd({QStringLiteral("ALTER TABLE TABPRE_PRODUTO DROP CONSTRAINT PK_TABPRE_PRODUTO;")}),
                      Ambos(ComChave("TABPRE_PRODUTO"), CampoCurto("TABPRE_PRODUTO", "PREC_FAIXA_TAM", 4))),
               SeFalta(Cmd({QStringLiteral("ALTER TABLE TABPRE_PRODUTO ALTER PREC_FAIXA_TAM TYPE VARCHAR(4);")}),
                       CampoCurto("TABPRE_PRODUTO", "PREC_FAIXA_TAM", 4)),
               ChaveTabPreProduto(),
               SeFalta(Cmd({QStringLiteral("ALTER TABLE PA_ITEN ALTER PAIT_FAIXA_TAM TYPE VARCHAR(4);")}),
                       CampoCurto("PA_ITEN", "PAIT_FAIXA_TAM", 4))}));
    p.push_back(Passo(
        6, CampoFalta("PA_ITEN", "PAIT_POS_TAM"),
        {AddCampo("PA_ITEN", "PAIT_POS_TAM", {QStringLiteral("ALTER TABLE PA_ITEN ADD PAIT_POS_TAM INTEGER;")})}));

    TComandoAtualizacao dropBi0 = Cmd({QStringLiteral("DROP TRIGGER CONTATO_CLI_BI0")});
    dropBi0.quando = [](TCatalogoBase &cat) { return !cat.GatilhoAusente(QStringLiteral("CONTATO_CLI_BI0")); };
    p.push_back(Passo(
        7, [](TCatalogoBase &cat) { return cat.GatilhoAusente(QStringLiteral("CONTATO_CLI_BI1")); },
        {dropBi0,
         Linhas({QStringLiteral("CREATE OR ALTER TRIGGER CONTATO_CLI_BI2 FOR CONTATO_CLI"),
                 QStringLiteral("ACTIVE BEFORE INSERT POSITION 0"), QStringLiteral("AS"), QStringLiteral("BEGIN"),
                 QStringLiteral("  SELECT (COALESCE(MAX(CC.CONT_ITEM),0)+1) FROM CONTATO_CLI CC WHERE"),
                 QStringLiteral("    CC.CONT_CCLI = NEW.CONT_CCLI INTO NEW.CONT_ITEM;"), QStringLiteral("END")})}));
    p.push_back(Passo(
        8, IndiceAusente("IDX_TABPRE_PRODUTO1"),
        {AddIndice("IDX_TABPRE_PRODUTO1",
                   QStringLiteral("CREATE INDEX IDX_TABPRE_PRODUTO1 ON TABPRE_PRODUTO(PREC_PRODUTO,PREC_TABELA);")),
         AddIndice("IDX_PRODUTO1", QStringLiteral("CREATE INDEX IDX_PRODUTO1 ON PRODUTO(PROD_CODI);")),
         AddIndice("IDX_PED_ITEN",
                   QStringLiteral("CREATE INDEX IDX_PED_ITEN ON PED_ITEN(PEDIT_NUME,PEDIT_CODI,PEDIT_COR,PEDIT_TAM);")),
         AddIndice("IDX_PEDIDO", QStringLiteral("CREATE INDEX IDX_PEDIDO ON PEDIDO(PED_NUME);")),
         AddIndice("IDX_PEDIDO1", QStringLiteral("CREATE INDEX IDX_PEDIDO1 ON PEDIDO(PED_CCLI, PED_NUME);")),
         AddIndice("IDX_PA_ITEN1",
                   QStringLiteral("CREATE INDEX IDX_PA_ITEN1 ON PA_ITEN(PAIT_CODI,PAIT_COR,PAIT_TAM);")),
         AddIndice(
             "IDX_PA_ITEN2",
             QStringLiteral("CREATE INDEX IDX_PA_ITEN2 ON PA_ITEN(PAIT_POS_TAM, PAIT_CODI, PAIT_COR, PAIT_TAM);")),
         AddIndice("IDX_CLIENTE1", QStringLiteral("CREATE INDEX IDX_CLIENTE1 ON CLIENTE(CLI_CODI);")),
         AddIndice("IDX_CLIENTE2", QStringLiteral("CREATE INDEX IDX_CLIENTE2 ON CLIENTE(CLI_NOME, CLI_CODI);")),
         AddIndice("IDX_PRODUTO2", QStringLiteral("CREATE INDEX IDX_PRODUTO2 ON PRODUTO(PROD_DESC, PROD_CODI);"))}));
    p.push_back(
        Passo(9, CampoFalta("CLIENTE", "CLI_NRDIAS"),
              {AddCampo("CLIENTE", "CLI_NRDIAS", {QStringLiteral("ALTER TABLE CLIENTE ADD CLI_NRDIAS INTEGER;")})}));
    p.push_back(Passo(10, CampoFalta("CONFIG", "VLMINIMOPED"),
                      {AddCampo("CONFIG", "VLMINIMOPED",
                                {QStringLiteral("ALTER TABLE CONFIG ADD VLMINIMOPED NUMERIC(12,2) DEFAULT 0.0;")})}));
    p.push_back(Passo(
        11, CampoFalta("PEDIDO", "PED_IDFECHADO"),
        {AddCampo("PEDIDO", "PED_IDFECHADO", {QStringLiteral("ALTER TABLE PEDIDO ADD PED_IDFECHADO VARCHAR(1);")}),
         Linhas({QStringLiteral("UPDATE PEDIDO SET"), QStringLiteral("PED_IDFECHADO = ") + s,
                 QStringLiteral("WHERE PED_NRLOTE IS NOT NULL")}),
         Linhas({QStringLiteral("UPDATE PEDIDO SET"), QStringLiteral("PED_IDFECHADO = ") + n,
                 QStringLiteral("WHERE PED_NRLOTE IS NULL")})}));
    p.push_back(Passo(12, CampoFalta("CONFIG", "IDAVISO"),
                      {AddCampo("CONFIG", "IDAVISO", {QStringLiteral("ALTER TABLE CONFIG ADD IDAVISO VARCHAR(1);")})}));
    p.push_back(Passo(13, CampoFalta("CONFIG", "NRREFER"),
                      {AddCampo("CONFIG", "NRREFER", {QStringLiteral("ALTER TABLE CONFIG ADD NRREFER INTEGER;")})}));
    p.push_back(Passo(
        14, CampoFalta("CLIENTE", "CLI_IDSTATUS"),
        {AddCampo("CLIENTE", "CLI_IDSTATUS", {QStringLiteral("ALTER TABLE CLIENTE ADD CLI_IDSTATUS VARCHAR(1);")})}));
    p.push_back(Passo(
        15, CampoFalta("CONTATO_CLI", "CONT_CNPJ"),
        {AddCampo("CONTATO_CLI", "CONT_CNPJ", {QStringLiteral("ALTER TABLE CONTATO_CLI ADD CONT_CNPJ VARCHAR(18);")}),
         Linhas({QStringLiteral("UPDATE CONTATO_CLI SET"),
                 QStringLiteral(
                     "CONT_CNPJ = (SELECT CLI_CNPJ FROM CLIENTE WHERE CLIENTE.CLI_CODI = CONTATO_CLI.CONT_CCLI)")})}));
    p.push_back(Passo(16, CampoFalta("CONFIG", "DSEMAIL"),
                      {AddCampo("CONFIG", "DSEMAIL", {QStringLiteral("ALTER TABLE CONFIG ADD DSEMAIL VARCHAR(100);")}),
                       AddCampo("CONFIG", "NRFONE", {QStringLiteral("ALTER TABLE CONFIG ADD NRFONE VARCHAR(30);")})}));

    TComandoAtualizacao precoOri = Cmd({QStringLiteral("UPDATE TABPRE_PRODUTO SET PREC_PRECO_ORI = PREC_PRECO")});
    precoOri.desligaTempoLimite = true; // copying every price may take long
    p.push_back(
        Passo(17, CampoFalta("TABPRE_PRODUTO", "PREC_PRECO_ORI"),
              {Cmd({QStringLiteral("DELETE FROM PA_ITEN P"),
                    QStringLiteral("WHERE P.RDB$DB_KEY <> (SELECT FIRST 1 P1.RDB$DB_KEY FROM PA_ITEN P1"),
                    QStringLiteral("WHERE P1.PAIT_CODI = P.PAIT_CODI"),
                    QStringLiteral("AND P1.PAIT_COR = P.PAIT_COR AND P1.PAIT_TAM = P.PAIT_TAM)")}),
               // the old key and columns go while the old columns are there; the
               // new key comes once the table has none
               Quando(Cmd({QStringLiteral("ALTER TABLE PA_ITEN DROP CONSTRAINT PK_PA_ITEN")}),
                      Ambos(ComChave("PA_ITEN"), CampoExiste("PA_ITEN", "PAIT_DEPO"))),
               Quando(Cmd({QStringLiteral("ALTER TABLE PA_ITEN DROP PAIT_DEPO,"), QStringLiteral("DROP PAIT_LOTE,"),
                           QStringLiteral("DROP PAIT_QTDE;")}),
                      CampoExiste("PA_ITEN", "PAIT_DEPO")),
               SeFalta(Cmd({QStringLiteral("ALTER TABLE PA_ITEN ADD CONSTRAINT PK_PA_ITEN"),
                            QStringLiteral("PRIMARY KEY (PAIT_CODI, PAIT_COR, PAIT_TAM)"),
                            QStringLiteral("USING INDEX IDX_PA_ITEN;")}),
                       SemChave("PA_ITEN")),
               AddCampo("TABPRE_PRODUTO", "PREC_PRECO_ORI",
                        {QStringLiteral("ALTER TABLE TABPRE_PRODUTO ADD PREC_PRECO_ORI NUMERIC(12,2);")}),
               AddCampo("PED_ITEN", "PEDIT_PREC_ORI",
                        {QStringLiteral("ALTER TABLE PED_ITEN ADD PEDIT_PREC_ORI NUMERIC(13,5);")}),
               precoOri, Cmd({QStringLiteral("UPDATE PED_ITEN SET PEDIT_PREC_ORI = PEDIT_PREC")}),
               AddCampo("CONFIG", "IDDIGPRECO", {QStringLiteral("ALTER TABLE CONFIG ADD IDDIGPRECO VARCHAR(1);")}),
               Cmd({QStringLiteral("UPDATE CONFIG SET IDDIGPRECO = ") + n})}));
    p.push_back(Passo(18, TabelaAusente("CONFIG_IMAGEM"),
                      {SeFalta(Cmd({QStringLiteral("CREATE TABLE CONFIG_IMAGEM ("),
                                    QStringLiteral("  CNFIMG_CONFIG  INTEGER NOT NULL,"),
                                    QStringLiteral("  CNFIMG_IMAGEM  BLOB SUB_TYPE 0 SEGMENT SIZE 4096)")}),
                               SemTabela("CONFIG_IMAGEM"))}));
    p.push_back(
        Passo(19, CampoFalta("CONFIG", "NRCELULAR"),
              {AddCampo("CONFIG", "NRCELULAR", {QStringLiteral("ALTER TABLE CONFIG ADD NRCELULAR VARCHAR(30)")})}));
    p.push_back(Passo(
        20, CampoFalta("CONFIG", "IDCLIEMAILOBR"),
        {AddCampo("CONFIG", "IDCLIEMAILOBR",
                  {QStringLiteral("ALTER TABLE CONFIG ADD IDCLIEMAILOBR VARCHAR(1),"),
                   QStringLiteral(" ADD IDRELESTOQUE VARCHAR(1),"), QStringLiteral(" ADD IDIMGPRODUTO VARCHAR(1),"),
                   QStringLiteral(" ADD DTHRESTOQUE TIMESTAMP;")}),
         Cmd({QStringLiteral("UPDATE CONFIG SET IDCLIEMAILOBR = ") + n + ',',
              QStringLiteral(" IDRELESTOQUE = ") + n + ',', QStringLiteral(" IDIMGPRODUTO = ") + n})}));
    p.push_back(Passo(21, TabelaAusente("PROD_IMAGEM"),
                      {SeFalta(Cmd({QStringLiteral("CREATE TABLE PROD_IMAGEM ("),
                                    QStringLiteral("PROD_CODI    VARCHAR(15) NOT NULL,"),
                                    QStringLiteral("PROD_IMAGEM  BLOB SUB_TYPE 0 SEGMENT SIZE 2048);")}),
                               SemTabela("PROD_IMAGEM")),
                       SeFalta(Cmd({QStringLiteral(
                                   "ALTER TABLE PROD_IMAGEM ADD CONSTRAINT PK_PROD_IMAGEM PRIMARY KEY (PROD_CODI);")}),
                               SemChave("PROD_IMAGEM"))}));
    p.push_back(Passo(22, CampoFalta("PA_ITEN", "PAIT_QTDESTOQUE"),
                      {AddCampo("PA_ITEN", "PAIT_QTDESTOQUE",
                                {QStringLiteral("ALTER TABLE PA_ITEN ADD PAIT_QTDESTOQUE NUMERIC(10,3);")}),
                       Cmd({QStringLiteral("UPDATE PA_ITEN SET PAIT_QTDESTOQUE = 0;")})}));
    p.push_back(Passo(
        23, CampoFalta("CONFIG", "OBSERVACAO"),
        {AddCampo("CONFIG", "OBSERVACAO",
                  {QStringLiteral(
                      "ALTER TABLE CONFIG ADD OBSERVACAO BLOB SUB_TYPE 0 SEGMENT SIZE 1024 CHARACTER SET NONE ")})}));
    // Firebird 3 refuses a NOT NULL column without default on a table with
    // rows; the default is the date the step writes anyway.
    p.push_back(Passo(24, CampoFalta("CONFIG", "DTDEENTREGA"),
                      {AddCampo("CONFIG", "DTDEENTREGA",
                                {QStringLiteral("ALTER TABLE CONFIG ADD DTDEENTREGA DATE DEFAULT ") + dtDe +
                                 QStringLiteral(" NOT NULL")}),
                       Cmd({QStringLiteral("UPDATE CONFIG SET DTDEENTREGA = ") + dtDe,
                            QStringLiteral("WHERE DTDEENTREGA IS NULL")})}));
    p.push_back(Passo(25, CampoFalta("CONFIG", "DTATEENTREGA"),
                      {AddCampo("CONFIG", "DTATEENTREGA",
                                {QStringLiteral("ALTER TABLE CONFIG ADD DTATEENTREGA DATE DEFAULT ") + dtAte +
                                 QStringLiteral(" NOT NULL")}),
                       Cmd({QStringLiteral("UPDATE CONFIG SET DTATEENTREGA = ") + dtAte,
                            QStringLiteral("WHERE DTATEENTREGA IS NULL")})}));
    p.push_back(
        Passo(26, CampoFalta("CONFIG", "IDDIGCOLECAO"),
              {AddCampo("CONFIG", "IDDIGCOLECAO", {QStringLiteral("ALTER TABLE CONFIG ADD IDDIGCOLECAO VARCHAR(1)")}),
               Cmd({QStringLiteral("UPDATE CONFIG SET IDDIGCOLECAO = ") + n})}));
    p.push_back(Passo(
        27, CampoFalta("TABPRZ", "TABP_PRAZO"),
        {SeFalta(Cmd({QStringLiteral("CREATE TABLE TABPRZ ("), QStringLiteral("TABP_PRAZO     VARCHAR(4) NOT NULL,"),
                      QStringLiteral("TABP_DESCRICAO VARCHAR(60))")}),
                 SemTabela("TABPRZ")),
         SeFalta(Cmd({QStringLiteral("ALTER TABLE TABPRZ ADD CONSTRAINT PK_TABPRZ"),
                      QStringLiteral("PRIMARY KEY (TABP_PRAZO)"), QStringLiteral("USING INDEX IDX_TABPRZ;")}),
                 SemChave("TABPRZ")),
         AddCampo("PEDIDO", "PED_TABPRZ", {QStringLiteral("ALTER TABLE PEDIDO ADD PED_TABPRZ VARCHAR(4);")}),
         AddCampo("CONFIG", "QTDEMAXITEM",
                  {QStringLiteral("ALTER TABLE CONFIG ADD QTDEMAXITEM NUMERIC(10,3) DEFAULT 0.0;")})}));
    p.push_back(Passo(28, [](TCatalogoBase &cat) { return !cat.GatilhoAusente(QStringLiteral("CONTATO_CLI_BI2")); },
                      {Cmd({QStringLiteral("DROP TRIGGER CONTATO_CLI_BI2")})}));
    TPassoAtualizacao p29 =
        Passo(29, CampoFalta("TABPRECO", "TABP_VLRMINIMO"),
              {AddCampo("TABPRECO", "TABP_VLRMINIMO",
                        {QStringLiteral("ALTER TABLE TABPRECO ADD TABP_VLRMINIMO NUMERIC(12,2) DEFAULT 0.0;")}),
               Cmd({QStringLiteral("UPDATE TABPRECO SET TABP_VLRMINIMO = 0;")})});
    p29.erroEmCaixa = true;
    p.push_back(p29);
    p.push_back(Passo(30, [](TCatalogoBase &cat) { return !cat.FuncaoDeclarada(QStringLiteral("UDF_MONTH")); },
                      {Cmd({QStringLiteral("DECLARE EXTERNAL FUNCTION UDF_MONTH"), QStringLiteral("TIMESTAMP"),
                            QStringLiteral("RETURNS SMALLINT BY VALUE"),
                            QStringLiteral("ENTRY_POINT 'udf_Month' MODULE_NAME 'tbudf';")})}));
    p.push_back(Passo(31, CampoFalta("CONFIG", "NUMERO"),
                      {AddCampo("CONFIG", "NUMERO", {QStringLiteral("ALTER TABLE CONFIG ADD NUMERO VARCHAR(5);")})}));
    p.push_back(Passo(32, CampoFalta("PRODUTO", "PROD_LINHA"),
                      {AddCampo("PRODUTO", "PROD_LINHA",
                                {QStringLiteral("ALTER TABLE PRODUTO ADD PROD_LINHA VARCHAR(5),"),
                                 QStringLiteral("                    ADD PROD_DESCLINHA VARCHAR(50);")})}));
    p.push_back(Passo(
        33, CampoFalta("PRODUTO_ORDEM", "COD_CONFIG"),
        {SeFalta(
             Cmd({QStringLiteral("CREATE TABLE PRODUTO_ORDEM ("), QStringLiteral("COD_CONFIG INTEGER NOT NULL,"),
                  QStringLiteral("COD_PAITEM VARCHAR(15) CHARACTER SET NONE NOT NULL COLLATE NONE,"),
                  QStringLiteral("COR VARCHAR(6) CHARACTER SET NONE NOT NULL COLLATE NONE,"),
                  QStringLiteral("TAM VARCHAR(4) CHARACTER SET NONE NOT NULL COLLATE NONE,"),
                  QStringLiteral("ORDEM INTEGER NOT NULL,"),
                  QStringLiteral("CONSTRAINT PRODUTO_ORDEM_PK PRIMARY KEY (COD_CONFIG,COD_PAITEM,COR,TAM,ORDEM));")}),
             SemTabela("PRODUTO_ORDEM")),
         AddIndice("IDX_PRODUTO_ORDEM_A",
                   QStringLiteral("CREATE INDEX IDX_PRODUTO_ORDEM_A ON PRODUTO_ORDEM (ORDEM,COD_PAITEM,COR,TAM);")),
         AddIndice("IDX_PRODUTO_ORDEM_B",
                   QStringLiteral("CREATE INDEX IDX_PRODUTO_ORDEM_B ON PRODUTO_ORDEM (COD_PAITEM,COR,TAM);"))}));
    p.push_back(
        Passo(34, CampoFalta("CLIENTE", "CLI_PRZMEDIO"),
              {AddCampo("CLIENTE", "CLI_PRZMEDIO", {QStringLiteral("ALTER TABLE CLIENTE ADD CLI_PRZMEDIO INTEGER;")}),
               Cmd({QStringLiteral("UPDATE CLIENTE SET CLI_PRZMEDIO = 0;")})}));
    p.push_back(
        Passo(35, CampoFalta("PEDIDO", "PED_MD5"),
              {AddCampo("PEDIDO", "PED_MD5", {QStringLiteral("ALTER TABLE PEDIDO ADD PED_MD5 VARCHAR(32);")})}));
    p.push_back(Passo(
        36, CampoFalta("PRODUTO", "PROD_DT_ENTREGA"),
        {AddCampo("PRODUTO", "PROD_DT_ENTREGA", {QStringLiteral("ALTER TABLE PRODUTO ADD PROD_DT_ENTREGA DATE;")})}));
    p.push_back(Passo(37, CampoFalta("PED_ITEN", "PEDIT_DT_ENTREGA"),
                      {AddCampo("PED_ITEN", "PEDIT_DT_ENTREGA",
                                {QStringLiteral("ALTER TABLE PED_ITEN ADD PEDIT_DT_ENTREGA DATE;")})}));
    p.push_back(Passo(38, CampoFalta("PA_ITEN", "PAIT_BLOQUEIA_EST"),
                      {AddCampo("PA_ITEN", "PAIT_BLOQUEIA_EST",
                                {QStringLiteral("ALTER TABLE PA_ITEN ADD PAIT_BLOQUEIA_EST VARCHAR(1);")})}));
    p.push_back(
        Passo(39, CampoFalta("PA_ITEN", "PAIT_QTDE"),
              {AddCampo("PA_ITEN", "PAIT_QTDE", {QStringLiteral("ALTER TABLE PA_ITEN ADD PAIT_QTDE INTEGER;")})}));
    p.push_back(Passo(40, IndiceAusente("IDX_PED_ITEN_PEDIT_CODI"),
                      {AddIndice("IDX_PED_ITEN_PEDIT_CODI",
                                 QStringLiteral("CREATE INDEX IDX_PED_ITEN_PEDIT_CODI ON PED_ITEN(PEDIT_CODI);"))}));
    p.push_back(Passo(41, IndiceAusente("IDX_PED_ITEN_PEDIT_COR"),
                      {AddIndice("IDX_PED_ITEN_PEDIT_COR",
                                 QStringLiteral("CREATE INDEX IDX_PED_ITEN_PEDIT_COR ON PED_ITEN(PEDIT_COR);"))}));
    p.push_back(Passo(42, IndiceAusente("IDX_PED_ITEN_PEDIT_TAM"),
                      {AddIndice("IDX_PED_ITEN_PEDIT_TAM",
                                 QStringLiteral("CREATE INDEX IDX_PED_ITEN_PEDIT_TAM ON PED_ITEN(PEDIT_TAM);"))}));
    // The price look-ups know the product and the size, not the colour: with
    // only the three-column index they walk every cell of the product. The
    // stock of a cell sums the lines of other orders by their cell: by the
    // product alone each line of an order sorts every line of its product.
    p.push_back(Passo(
        43, [](TCatalogoBase &cat) {
            return cat.IndiceAusente(QStringLiteral("IDX_PA_ITEN_CODI_TAM")) ||
                   cat.IndiceAusente(QStringLiteral("IDX_PED_ITEN_CELULA"));
        },
        {AddIndice("IDX_PA_ITEN_CODI_TAM",
                   QStringLiteral("CREATE INDEX IDX_PA_ITEN_CODI_TAM ON PA_ITEN(PAIT_CODI, PAIT_TAM);")),
         AddIndice("IDX_PED_ITEN_CELULA",
                   QStringLiteral("CREATE INDEX IDX_PED_ITEN_CELULA ON PED_ITEN(PEDIT_CODI, PEDIT_COR, PEDIT_TAM);"))}));
    return p;
}

} // namespace

// ---------------------------------------------------------------- TCatalogoBase

TCatalogoBase::TCatalogoBase(TDMRepres &dm)
    : m_dm(dm)
{
    try {
        m_tabelas = fb::userTables(dm.XRDtRepres->Attachment(), dm.XRTransaction->Engine());
    } catch (const std::exception &e) {
        m_erroTabelas = MensagemExcecao(e);
    }
}

bool TCatalogoBase::TabelaAusente(const QString &tabela) const
{
    if (!m_erroTabelas.isEmpty())
        throw EDatabaseError(m_erroTabelas);
    return !m_tabelas.contains(tabela, Qt::CaseInsensitive);
}

bool TCatalogoBase::CampoFalta(const QString &tabela, const QString &campo) { return m_dm.CampoExiste(tabela, campo); }

bool TCatalogoBase::CampoMenor(const QString &tabela, const QString &campo, int n)
{
    // characters, not bytes: a multi-byte character set would make every
    // column look long enough
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral(
        "SELECT COALESCE(f.RDB$CHARACTER_LENGTH, f.RDB$FIELD_LENGTH) as Tamanho FROM RDB$RELATION_FIELDS  r"));
    q->SQL().Add(QStringLiteral("LEFT JOIN RDB$FIELDS f ON r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME"));
    q->SQL().Add(QStringLiteral("WHERE r.RDB$RELATION_NAME= :NmTabela and r.RDB$FIELD_NAME = :NmCampo"));
    q->ParamByName(QStringLiteral("NmTabela"))->SetAsString(tabela);
    q->ParamByName(QStringLiteral("NmCampo"))->SetAsString(campo);
    q->Open();
    const bool menor = !q->isEmpty() && q->field(0)->asInteger() < n;
    q->Close();
    return menor;
}

bool TCatalogoBase::GatilhoAusente(const QString &gatilho)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT 1  FROM RDB$TRIGGERS g "));
    q->SQL().Add(QStringLiteral("where TRIM(Upper(g.RDB$TRIGGER_NAME)) = ") + QuotedStr(gatilho));
    q->Open();
    const bool ausente = q->isEmpty();
    q->Close();
    return ausente;
}

bool TCatalogoBase::IndiceAusente(const QString &indice)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT 1 FROM RDB$INDICES  i"));
    q->SQL().Add(QStringLiteral("WHERE i.RDB$INDEX_NAME = :NmIndice"));
    q->ParamByName(QStringLiteral("NmIndice"))->SetAsString(indice);
    q->Open();
    const bool ausente = q->isEmpty();
    q->Close();
    return ausente;
}

bool TCatalogoBase::FuncaoDeclarada(const QString &funcao)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT * FROM RDB$FUNCTIONS udf"));
    q->SQL().Add(QStringLiteral("WHERE udf.RDB$FUNCTION_NAME = :NmUDF"));
    q->ParamByName(QStringLiteral("NmUDF"))->SetAsString(funcao);
    q->Open();
    const bool declarada = !q->isEmpty();
    q->Close();
    return declarada;
}

bool TCatalogoBase::TabelaExiste(const QString &tabela)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT 1 FROM RDB$RELATIONS r WHERE r.RDB$RELATION_NAME = :NmTabela"));
    q->ParamByName(QStringLiteral("NmTabela"))->SetAsString(tabela);
    q->Open();
    const bool existe = !q->isEmpty();
    q->Close();
    return existe;
}

bool TCatalogoBase::TemChavePrimaria(const QString &tabela)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT 1 FROM RDB$RELATION_CONSTRAINTS c WHERE c.RDB$RELATION_NAME = :NmTabela"));
    q->SQL().Add(QStringLiteral("AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"));
    q->ParamByName(QStringLiteral("NmTabela"))->SetAsString(tabela);
    q->Open();
    const bool tem = !q->isEmpty();
    q->Close();
    return tem;
}

bool TCatalogoBase::CampoAceitaNulo(const QString &tabela, const QString &campo)
{
    auto q = NovaConsulta(m_dm);
    q->SQL().Add(QStringLiteral("SELECT COALESCE(r.RDB$NULL_FLAG, f.RDB$NULL_FLAG, 0) FROM RDB$RELATION_FIELDS r"));
    q->SQL().Add(QStringLiteral("LEFT JOIN RDB$FIELDS f ON r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME"));
    q->SQL().Add(QStringLiteral("WHERE r.RDB$RELATION_NAME = :NmTabela and r.RDB$FIELD_NAME = :NmCampo"));
    q->ParamByName(QStringLiteral("NmTabela"))->SetAsString(tabela);
    q->ParamByName(QStringLiteral("NmCampo"))->SetAsString(campo);
    q->Open();
    const bool aceita = !q->isEmpty() && q->field(0)->asInteger() == 0;
    q->Close();
    return aceita;
}

// ---------------------------------------------------------------- sequence

const std::vector<TPassoAtualizacao> &PassosAtualizaBase()
{
    static const std::vector<TPassoAtualizacao> passos = MontaPassos();
    return passos;
}

void ExecutaPassos(TDMRepres &dm, const std::vector<TPassoAtualizacao> &passos, const TAposComando &aposComando)
{
    auto q = NovaConsulta(dm);
    q->AutoTransacao = true;
    q->TempoLimite = true;
    TCatalogoBase catalogo(dm);
    QStringList escritas;
    for (const TPassoAtualizacao &passo : passos) {
        // a failing test is reported like its step, so the rest still runs
        try {
            const bool pedido = passo.teste(catalogo);
            // a step whose test no longer asks for it may still have been
            // cut short by an earlier start
            if (!pedido
                && std::none_of(passo.comandos.begin(), passo.comandos.end(),
                                [&catalogo](const TComandoAtualizacao &c) { return c.falta && c.falta(catalogo); }))
                continue;
            bool anteriorRodou = false;
            for (size_t i = 0; i < passo.comandos.size(); ++i) {
                const TComandoAtualizacao &c = passo.comandos[i];
                if (c.desligaTempoLimite)
                    q->TempoLimite = false;
                const bool roda = c.falta ? c.falta(catalogo) : c.quando ? c.quando(catalogo) : pedido || anteriorRodou;
                anteriorRodou = roda;
                if (!roda)
                    continue;
                ExecutaComando(*q, dm, c);
                const QString tabela = TabelaEscrita(c.linhas.join(QLatin1Char(' ')));
                if (!tabela.isEmpty() && !escritas.contains(tabela))
                    escritas << tabela;
                if (aposComando)
                    aposComando(passo.numero, int(i));
            }
        } catch (const std::exception &e) {
            // a commit that failed keeps its pending work and would fail
            // every later commit: drop what was not committed
            try {
                dm.XRTransaction->RollbackRetaining();
            } catch (const std::exception &) {
                // nothing pending, or the connection is gone: the next step reports it
            }
            Relata(passo, MensagemExcecao(e));
        }
    }
    if (escritas.isEmpty())
        return;
    // indexes made or filled by the steps plan on their rows from now on
    try {
        AtualizaEstatisticas(*dm.XRDtRepres, escritas);
        dm.XRTransaction->CommitRetaining();
    } catch (const std::exception &e) {
        qWarning("index statistics not recomputed after the upgrade: %s", e.what());
    }
}

void AtualizaBase(TDMRepres &dm) { ExecutaPassos(dm, PassosAtualizaBase()); }

void InstalaAtualizaBase() { TDMRepres::GanchosPadrao().AtualizaBase = AtualizaBase; }
