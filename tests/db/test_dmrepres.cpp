#include "TestDb.h"

#include "data/untDMRepres.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QByteArray kIniBasico = "[Banco]\r\nBase=REPRESEN.FDB\r\n";

void insereConfig(const ScratchInstall &inst)
{
    auto db = inst.connect();
    execSql(*db, "INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA) VALUES ('001', 'ANA', 'X')");
    db->Transaction()->Commit();
}

struct Registro {
    QStringList eventos;
};

TDMRepresGanchos ganchosQueRegistram(Registro &r, bool salvaConfig = true)
{
    TDMRepresGanchos g;
    g.PosInstalacao = [&r, salvaConfig](TDMRepres &) {
        r.eventos << "posinstalacao";
        return salvaConfig;
    };
    g.AtualizaBase = [&r](TDMRepres &) { r.eventos << "atualizabase"; };
    return g;
}

class DMRepresTest : public ::testing::Test {
protected:
    ScratchInstall inst;
    ScopedDialogRecorder rec;
};

TEST_F(DMRepresTest, StartsConnectedAndGivesStandingQueriesTheirSql)
{
    insereConfig(inst);
    inst.writeFile("XR.ini", kIniBasico);
    Registro r;
    TDMRepres dm(ganchosQueRegistram(r));
    EXPECT_EQ(DMRepres, &dm);
    EXPECT_TRUE(dm.XRDtRepres->Connected());
    EXPECT_EQ(r.eventos, QStringList{"atualizabase"});
    EXPECT_TRUE(dm.XRQSenha->SQL().Text().contains(":USUARIO"));
    EXPECT_TRUE(dm.XRQConfigPed->SQL().Text().contains("FROM CONFIG"));
    EXPECT_TRUE(rec->texts().isEmpty());
}

TEST_F(DMRepresTest, OnlyQuintelIniIsUsedWhenBothExist)
{
    insereConfig(inst);
    inst.writeFile("Quintel.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\nGrade=S\r\n");
    inst.writeFile("XR.ini", "[Banco]\r\nBase=NAO_EXISTE.FDB\r\n");
    const QByteArray xrAntes = inst.readFile("XR.ini");
    {
        TDMRepres dm(TDMRepresGanchos{});
        EXPECT_TRUE(dm.XRDtRepres->Connected());
        EXPECT_EQ(dm.sTpGrade, "S");
        dm.sIdOrdemPedidos = "3";
    }
    IniFile quintel(inst.path("Quintel.ini"));
    EXPECT_EQ(quintel.readString("Banco", "OrdemPedido"), "3");
    EXPECT_EQ(quintel.readString("Banco", "Grade"), "S");
    EXPECT_EQ(quintel.readString("Banco", "CargaCliente"), "N");
    EXPECT_EQ(inst.readFile("XR.ini"), xrAntes);
}

TEST_F(DMRepresTest, EmptyBaseIsWrittenAndOpenedBesideTheExecutable)
{
    insereConfig(inst);
    inst.writeFile("XR.ini", "[Banco]\r\nBase=\r\n");
    TDMRepres dm(TDMRepresGanchos{});
    EXPECT_EQ(IniFile(inst.path("XR.ini")).readString("Banco", "Base"), "REPRESEN.FDB");
    EXPECT_TRUE(dm.XRDtRepres->Connected());
    EXPECT_EQ(dm.XRDtRepres->Database, "REPRESEN.FDB");
}

TEST_F(DMRepresTest, ServerValuesAreSplitAsConfigured)
{
    struct Caso {
        const char *servidor;
        const char *host;
        const char *database;
        const char *databaseName;
    };
    // nothing listens on 127.0.0.1, so each connect fails quickly
    const Caso casos[] = {
        {"127.0.0.1:", "127.0.0.1", "REPRESEN.FDB", "127.0.0.1:REPRESEN.FDB"},
        {"127.0.0.1::", "127.0.0.1", ":REPRESEN.FDB", "127.0.0.1::REPRESEN.FDB"},
        {"127.0.0.1", "127.0.0.1", "REPRESEN.FDB", "127.0.0.1:REPRESEN.FDB"},
    };
    for (const Caso &c : casos) {
        inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\nServidor=" + QByteArray(c.servidor) + "\r\n");
        rec->clear();
        TDMRepres dm(TDMRepresGanchos{});
        EXPECT_FALSE(dm.XRDtRepres->Connected()) << c.servidor;
        EXPECT_EQ(dm.XRDtRepres->HostName, c.host) << c.servidor;
        EXPECT_EQ(dm.XRDtRepres->Database, c.database) << c.servidor;
        EXPECT_EQ(dm.XRDtRepres->DatabaseName(), c.databaseName) << c.servidor;
        EXPECT_EQ(dm.XRDtRepres->Params().value(0), QString("Server=") + c.host);
        ASSERT_EQ(rec->texts().size(), 1) << c.servidor;
        EXPECT_FALSE(rec->texts()[0].isEmpty());
    }
}

TEST_F(DMRepresTest, BlankServerMeansLocalFile)
{
    insereConfig(inst);
    inst.writeFile("XR.ini", "[Banco]\r\nBase=" + inst.dbPath().toUtf8() + "\r\nServidor=   \r\n");
    TDMRepres dm(TDMRepresGanchos{});
    EXPECT_TRUE(dm.XRDtRepres->Connected());
    EXPECT_TRUE(dm.XRDtRepres->HostName.isEmpty());
    EXPECT_EQ(dm.XRDtRepres->Params(), (QStringList{"Database=" + inst.dbPath(), "PageSize=4096"}));
}

TEST_F(DMRepresTest, DriverChoice)
{
    EXPECT_EQ(TDMRepres::TipoDriver("ORACLE", ""), "Ora");
    EXPECT_EQ(TDMRepres::TipoDriver("oracle", "11"), "Ora");
    EXPECT_EQ(TDMRepres::TipoDriver("Oracle", ""), "Ora");
    EXPECT_EQ(TDMRepres::TipoDriver("FIREBIRD", ""), "FB");
    EXPECT_EQ(TDMRepres::TipoDriver("", ""), "FB");
    EXPECT_EQ(TDMRepres::TipoDriver("postgres", ""), "FB");

    inst.writeFile("XR.ini", "[Banco]\r\nBase=REPRESEN.FDB\r\nBanco=oRaClE\r\n");
    Registro r;
    TDMRepres dm(ganchosQueRegistram(r));
    EXPECT_EQ(dm.XRDtRepres->DriverName, "Ora");
    EXPECT_FALSE(dm.XRDtRepres->Connected());
    ASSERT_EQ(rec->texts().size(), 1);
    EXPECT_TRUE(rec->texts()[0].contains("não suportado")) << rec->texts()[0].toStdString();
    EXPECT_TRUE(r.eventos.isEmpty());
}

TEST_F(DMRepresTest, EmptyConfigShowsFirstRunBeforeTheUpgrade)
{
    inst.writeFile("XR.ini", kIniBasico);
    Registro r;
    {
        TDMRepres dm(ganchosQueRegistram(r, true));
        EXPECT_FALSE(dm.XRQSenha->SQL().Text().isEmpty());
    }
    EXPECT_EQ(r.eventos, (QStringList{"posinstalacao", "atualizabase"}));

    Registro semSalvar;
    TDMRepres dm(ganchosQueRegistram(semSalvar, false));
    EXPECT_EQ(semSalvar.eventos, QStringList{"posinstalacao"});
    EXPECT_TRUE(dm.XRQSenha->SQL().Text().isEmpty());
}

TEST_F(DMRepresTest, BackEndIsProbedOncePerRun)
{
    insereConfig(inst);
    inst.writeFile("XR.ini", kIniBasico);
    int chamadas = 0;
    TDMRepresGanchos g;
    g.RetornaConexaoRest = [&chamadas] {
        ++chamadas;
        return true;
    };
    TDMRepres dm(g);
    EXPECT_TRUE(dm.bConexaoRest());
    EXPECT_TRUE(dm.bConexaoRest());
    EXPECT_EQ(chamadas, 1);

    int falhas = 0;
    TDMRepresGanchos h;
    h.RetornaConexaoRest = [&falhas]() -> bool {
        ++falhas;
        throw std::runtime_error("servidor fora do ar");
    };
    TDMRepres outro(h);
    EXPECT_FALSE(outro.bConexaoRest());
    EXPECT_FALSE(outro.bConexaoRest());
    EXPECT_EQ(falhas, 1);
}

TEST_F(DMRepresTest, BadInstallationsGetAClearMessageAndLoseNothing)
{
    struct Caso {
        const char *nome;
        std::function<void(ScratchInstall &)> prepara;
        const char *trecho;
    };
    const Caso casos[] = {
        {"sem ini", [](ScratchInstall &) {}, "Arquivo de configuração de banco (.INI) não encontrado!"},
        {"sem banco",
         [](ScratchInstall &i) {
             QFile::remove(i.dbPath());
             i.writeFile("XR.ini", kIniBasico);
         },
         "REPRESEN.FDB"},
        {"banco corrompido",
         [](ScratchInstall &i) {
             QFile::remove(i.dbPath());
             i.writeFile("REPRESEN.FDB", QByteArray(8192, 'x'));
             i.writeFile("XR.ini", kIniBasico);
         },
         "REPRESEN.FDB"},
    };
    for (const Caso &c : casos) {
        ScratchInstall local;
        c.prepara(local);
        const QByteArray antes = local.readFile("REPRESEN.FDB");
        ScopedDialogRecorder r;
        Registro reg;
        TDMRepres dm(ganchosQueRegistram(reg));
        EXPECT_FALSE(dm.XRDtRepres->Connected()) << c.nome;
        ASSERT_EQ(r->texts().size(), 1) << c.nome;
        EXPECT_TRUE(r->texts()[0].contains(QString::fromUtf8(c.trecho))) << c.nome << ": " << r->texts()[0].toStdString();
        EXPECT_TRUE(reg.eventos.isEmpty()) << c.nome;
        EXPECT_EQ(local.readFile("REPRESEN.FDB"), antes) << c.nome;
    }
}

// A settings file that is there but cannot be read stops the start with a
// message naming it: no database is opened, upgraded or written, and the
// file is not rewritten.
TEST_F(DMRepresTest, UnreadableIniRefusesToStartAndOpensNoDatabase)
{
    struct Caso {
        const char *nome;
        std::function<void(ScratchInstall &)> prepara;
    };
    std::vector<Caso> casos = {
        {"pasta no lugar do arquivo", [](ScratchInstall &i) { QDir(i.dir()).mkdir("XR.ini"); }},
    };
    if (::geteuid() != 0) // permissions do not stop the super-user
        casos.push_back({"sem permissão de leitura", [](ScratchInstall &i) {
                             i.writeFile("XR.ini", kIniBasico);
                             QFile::setPermissions(i.path("XR.ini"), QFileDevice::WriteOwner);
                         }});
    for (const Caso &c : casos) {
        ScratchInstall local;
        insereConfig(local);
        c.prepara(local);
        const QByteArray banco = local.readFile("REPRESEN.FDB");
        ScopedDialogRecorder r;
        Registro reg;
        try {
            TDMRepres dm(ganchosQueRegistram(reg));
            ADD_FAILURE() << c.nome << ": started";
        } catch (const std::runtime_error &e) {
            const QString texto = QString::fromUtf8(e.what());
            EXPECT_TRUE(texto.startsWith("Não foi possível ler o arquivo de configuração")) << texto.toStdString();
            EXPECT_TRUE(texto.contains(local.path("XR.ini"))) << texto.toStdString();
        }
        EXPECT_EQ(DMRepres, nullptr) << c.nome;
        EXPECT_TRUE(reg.eventos.isEmpty()) << c.nome;
        EXPECT_EQ(r->texts(), QStringList()) << c.nome;
        EXPECT_EQ(local.readFile("REPRESEN.FDB"), banco) << c.nome;
        QFile::setPermissions(local.path("XR.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_TRUE(QFileInfo(local.path("XR.ini")).isDir() || local.readFile("XR.ini") == kIniBasico) << c.nome;
    }
}

class JanelaFalsa : public IJanelaPrincipalRepres {
public:
    bool padrao = true;
    bool fundo = false;
    bool relatorio = true;
    void MostraImagemPadrao(bool v) override { padrao = v; }
    bool MostraImagemFundo(const QByteArray &jpeg) override
    {
        fundo = jpeg.startsWith("\xFF\xD8");
        return fundo;
    }
    void LimpaImagemFundo() override { fundo = false; }
    void EscondeRelatorio() override { relatorio = false; }
};

TEST_F(DMRepresTest, BackgroundPictureAndReportSwitch)
{
    insereConfig(inst);
    {
        auto db = inst.connect();
        execSql(*db, "CREATE TABLE CONFIG_IMAGEM (CNFIMG_CONFIG INTEGER NOT NULL, CNFIMG_IMAGEM BLOB SUB_TYPE 0)");
        execSql(*db, "ALTER TABLE CONFIG ADD IDCLIEMAILOBR VARCHAR(1), ADD IDRELESTOQUE VARCHAR(1), ADD IDIMGPRODUTO VARCHAR(1)");
        db->Transaction()->Commit();
    }
    inst.writeFile("XR.ini", kIniBasico);
    TDMRepres dm(TDMRepresGanchos{});
    JanelaFalsa janela;
    dm.SetJanelaPrincipal(&janela);

    dm.BuscaImagemFundo();
    EXPECT_TRUE(janela.padrao);
    EXPECT_FALSE(janela.fundo);

    execSql(*dm.XRDtRepres, "INSERT INTO CONFIG_IMAGEM VALUES (1, 'nao e jpeg')");
    dm.BuscaImagemFundo();
    EXPECT_FALSE(janela.padrao);
    EXPECT_FALSE(janela.fundo);

    const struct {
        const char *valor;
        bool visivel;
    } casos[] = {{"S", true}, {"s", false}, {"N", false}, {"", false}};
    for (const auto &c : casos) {
        execSql(*dm.XRDtRepres, QString("UPDATE CONFIG SET IDRELESTOQUE = '%1'").arg(c.valor));
        janela.relatorio = true;
        dm.BuscaConfigAcesso();
        EXPECT_EQ(janela.relatorio, c.visivel) << c.valor;
        EXPECT_EQ(dm.sIdRelEstoque, c.valor);
    }
}

} // namespace
