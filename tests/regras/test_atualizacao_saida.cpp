// Applying a downloaded package and moving a former installation at exit.
#include "data/XRFuncoesDB.h"
#include "platform/AppPaths.h"
#include "platform/ExecutablePackage.h"
#include "platform/IniFile.h"
#include "platform/net/ZlibCodec.h"
#include "windows/principal/regras/AtualizacaoSaida.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray le(const QString &arquivo)
{
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void grava(const QString &arquivo, const QByteArray &conteudo)
{
    QDir().mkpath(QFileInfo(arquivo).absolutePath());
    QFile f(arquivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(conteudo);
}

// Two small executables of this machine: the installed and the published one.
const QByteArray &programaVelho()
{
    static const QByteArray b = le(QStringLiteral("/bin/true"));
    return b;
}
const QByteArray &programaNovo()
{
    static const QByteArray b = le(QStringLiteral("/bin/false"));
    return b;
}

class SaidaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // the log of a failed swap goes beside the "running" program
        apppaths::setExecutableDirOverride(raiz.path());
        ASSERT_FALSE(programaVelho().isEmpty());
        ASSERT_NE(programaVelho(), programaNovo());
        local.home = raiz.path() + QStringLiteral("/home");
        local.desktop = local.home + QStringLiteral("/Desktop");
        local.pasta = local.home + QStringLiteral("/ORVAN ZID");
        local.executavel = QStringLiteral("ORVAN ZID");
        local.referencia = runningExecutable();
        grava(exe(), programaVelho());
        QFile::setPermissions(exe(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                         | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    }
    void TearDown() override { apppaths::setExecutableDirOverride(QString()); }
    QString log() const { return QString::fromLatin1(le(ArquivoLog(NomeMaquina()))); } // written in Windows-1252
    QString exe() const { return local.pasta + '/' + local.executavel; }
    QString pacote() const { return local.pasta + '/' + kPacoteAtualizacao; }
    void publica(const QByteArray &programa) { grava(pacote(), zlibDeflate(programa)); }

    QTemporaryDir raiz;
    TLocalPrograma local;
};

TEST_F(SaidaTest, ADownloadedPackageReplacesTheExecutableKeepingItsModeAndTheOldOne)
{
    const auto modo = QFileInfo(exe()).permissions();
    publica(programaNovo());
    AplicaAtualizacaoSaida(false, true, local, {});
    EXPECT_EQ(le(exe()), programaNovo());
    EXPECT_EQ(QFileInfo(exe()).permissions(), modo);
    EXPECT_EQ(le(exe() + QStringLiteral(".old")), programaVelho());
    EXPECT_FALSE(QFile::exists(pacote()));
    EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".new")));

    // a second update replaces the ".old" of the first
    const QByteArray terceiro = programaVelho() + QByteArray("padding");
    publica(terceiro);
    AplicaAtualizacaoSaida(true, false, local, {});
    EXPECT_EQ(le(exe()), terceiro);
    EXPECT_EQ(le(exe() + QStringLiteral(".old")), programaNovo());
}

TEST_F(SaidaTest, NothingIsSwappedWithoutAFlagOrAPackage)
{
    publica(programaNovo());
    AplicaAtualizacaoSaida(false, false, local, {});
    EXPECT_EQ(le(exe()), programaVelho());
    EXPECT_TRUE(QFile::exists(pacote())) << "a package is left alone without a flag";

    QFile::remove(pacote());
    AplicaAtualizacaoSaida(true, true, local, {});
    EXPECT_EQ(le(exe()), programaVelho());
    EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".old")));
}

TEST_F(SaidaTest, AnUnsoundPackageLeavesTheExecutableAsItWas)
{
    QByteArray corrompido = zlibDeflate(programaNovo());
    corrompido[corrompido.size() / 2] = char(corrompido[corrompido.size() / 2] ^ 0x55);
    const QByteArray completo = zlibDeflate(programaNovo());
    const struct {
        const char *caso;
        QByteArray pacote;
    } casos[] = {
        {"truncated stream", completo.left(completo.size() - 10)},
        {"corrupted byte", corrompido},
        {"bytes after the stream", completo + "xx"},
        {"not an executable", zlibDeflate(QByteArray(4096, 'a'))},
        {"not zlib at all", programaNovo()},
        {"empty", QByteArray()},
    };
    for (const auto &c : casos) {
        SCOPED_TRACE(c.caso);
        grava(pacote(), c.pacote);
        AplicaAtualizacaoSaida(true, true, local, {});
        EXPECT_EQ(le(exe()), programaVelho());
        EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".old")));
        EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".new")));
        QString erro;
        EXPECT_FALSE(verifyExecutablePackage(pacote(), local.referencia, &erro));
        EXPECT_FALSE(erro.isEmpty());
    }
    EXPECT_EQ(log().count(QStringLiteral("Atualização não aplicada")), int(std::size(casos)));
}

TEST_F(SaidaTest, AFailedSecondRenamePutsTheOriginalBack)
{
    publica(programaNovo());
    SwapFileOps ops;
    ops.rename = [](const QString &de, const QString &para) {
        if (de.endsWith(QLatin1String(".new")))
            return false;
        return QFile::rename(de, para);
    };
    AplicaAtualizacaoSaida(true, true, local, {}, ops);
    EXPECT_EQ(le(exe()), programaVelho());
    EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".old")));
    EXPECT_FALSE(QFile::exists(exe() + QStringLiteral(".new")));
    EXPECT_TRUE(QFile::exists(pacote())) << "the package stays for another try";
    EXPECT_TRUE(log().contains(QStringLiteral("Cannot rename"))) << log().toStdString();
}

TEST(MudancaInstalacao, TheTargetFollowsTheFolderNameAndStaysInsideHome)
{
    const struct {
        const char *pasta;
        const char *nova; // empty: no move
    } casos[] = {
        {"/h/u/a/ZIDirada2", "/h/u/ORVAN ZID2"},
        {"/h/u/zidirada", "/h/u/ORVAN ZID"},
        {"/h/u/apps/ZIDIRADA-x/bin", "/h/u/ORVAN ZID-x/bin"},
        {"/h/u/ORVAN ZID", ""},
        {"/opt/ZIDirada7", "/h/u/ORVAN ZID7"},
        {"/h/u/ZIDirada/../../..", ""},
        // the target would hold the source
        {"/h/u/ORVAN ZID/ZIDirada", ""},
    };
    for (const auto &c : casos) {
        TLocalPrograma l;
        l.pasta = QString::fromUtf8(c.pasta);
        l.home = QStringLiteral("/h/u");
        const auto m = MudancaInstalacao(l);
        EXPECT_EQ(m ? m->pastaNova : QString(), QString::fromUtf8(c.nova)) << c.pasta;
    }
}

TEST(MudancaInstalacao, AFormerInstallationMovesWithItsFilesShortcutAndDatabasePath)
{
    QTemporaryDir raiz;
    QTemporaryDir logs;
    apppaths::setExecutableDirOverride(logs.path());
    TLocalPrograma l;
    l.home = raiz.path() + QStringLiteral("/home");
    l.desktop = l.home + QStringLiteral("/Desktop");
    l.pasta = l.home + QStringLiteral("/a/ZIDirada2");
    l.executavel = QStringLiteral("ZIDirada");
    l.referencia = runningExecutable();
    grava(l.pasta + QStringLiteral("/ZIDirada"), programaVelho());
    grava(l.pasta + QStringLiteral("/REPRESEN.FDB"), "db");
    grava(l.pasta + QStringLiteral("/XR.ini"), "[Banco]\r\nBase=C:\\ZIDirada2\\REPRESEN.FDB\r\n");
    grava(l.pasta + QStringLiteral("/Logs/x.log"), "log");
    grava(l.pasta + QStringLiteral("/preso.txt"), "cannot move");
    grava(l.pasta + '/' + kPacoteAtualizacao, zlibDeflate(programaNovo()));
    grava(l.desktop + QStringLiteral("/ZIDirada.desktop"), "[Desktop Entry]\n");

    int fechou = 0;
    SwapFileOps ops;
    ops.rename = [](const QString &de, const QString &para) {
        return !de.endsWith(QLatin1String("preso.txt")) && QFile::rename(de, para);
    };
    AplicaAtualizacaoSaida(false, true, l, [&fechou] { ++fechou; }, ops);

    const QString nova = l.home + QStringLiteral("/ORVAN ZID2");
    EXPECT_EQ(fechou, 1);
    EXPECT_EQ(le(nova + QStringLiteral("/ORVAN ZID")), programaNovo()) << "the package became the new program";
    EXPECT_EQ(le(nova + QStringLiteral("/ZIDirada")), programaVelho());
    EXPECT_EQ(le(nova + QStringLiteral("/REPRESEN.FDB")), "db");
    EXPECT_EQ(le(nova + QStringLiteral("/Logs/x.log")), "log");
    EXPECT_FALSE(QFile::exists(l.pasta + QStringLiteral("/REPRESEN.FDB")));
    EXPECT_EQ(le(nova + QStringLiteral("/preso.txt")), "cannot move");
    EXPECT_TRUE(QFile::exists(l.pasta + QStringLiteral("/preso.txt"))) << "a copied file stays behind";
    EXPECT_EQ(IniFile(nova + QStringLiteral("/XR.ini")).readString(QStringLiteral("Banco"), QStringLiteral("Base")),
              nova + QStringLiteral("/REPRESEN.FDB"));

    EXPECT_FALSE(QFile::exists(l.desktop + QStringLiteral("/ZIDirada.desktop")));
    const QString atalho = QString::fromUtf8(le(l.desktop + QStringLiteral("/ORVAN ZID2.desktop")));
    EXPECT_TRUE(atalho.contains(QStringLiteral("Exec=\"") + nova + QStringLiteral("/ORVAN ZID\"\n"))) << atalho.toStdString();
    EXPECT_TRUE(atalho.contains(QStringLiteral("Path=") + nova + '\n')) << atalho.toStdString();
    apppaths::setExecutableDirOverride(QString());
}

TEST(MudancaInstalacao, ShortcutEscapesWhatTheDesktopFormatReserves)
{
    const QString t = QString::fromUtf8(AtalhoDesktop(QStringLiteral("ORVAN ZID"), QStringLiteral("/h/a$b\"c"),
                                                      QStringLiteral("ORVAN ZID")));
    EXPECT_TRUE(t.contains(QStringLiteral("Exec=\"/h/a\\\\$b\\\\\"c/ORVAN ZID\"\n"))) << t.toStdString();
}

} // namespace
