#include "platform/IniFile.h"

#include "platform/DialogService.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString path(const QString& name = QStringLiteral("XR.ini")) const { return m_dir.filePath(name); }

    void writeBytes(const QByteArray& bytes) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readBytes() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(IniFileTest, ReadsLikeTheWindowsApi)
{
    writeBytes("; settings\r\n"
               "stray line\r\n"
               "[Banco]\r\n"
               "Base=C:\\Dados\\REPRESEN.FDB\r\n"
               "  Servidor = 192.168.0.1:3050 \r\n"
               "Lista=a,b,c\r\n"
               "Expr=x=1;y=2\r\n"
               "Quoted=\"  padded  \"\r\n"
               "Empty=\r\n"
               ";Comentado=sim\r\n"
               "Nota=Configura\xe7\xe3o \x80 \x93ok\x94\r\n"
               "\r\n"
               "[Vazia]\r\n"
               "sem igual\r\n"
               "[Outra]\r\n"
               "Base=outra\r\n"
               "[banco]\r\n"
               "Base=segunda\r\n");
    const IniFile ini(path());

    const struct { const char* section; const char* key; const char* value; } cases[] = {
        {"Banco", "Base", "C:\\Dados\\REPRESEN.FDB"},
        {"BANCO", "base", "C:\\Dados\\REPRESEN.FDB"},
        {"banco", "servidor", "192.168.0.1:3050"},
        {"Banco", "Lista", "a,b,c"},
        {"Banco", "Expr", "x=1;y=2"},
        {"Banco", "Quoted", "  padded  "},
        {"Banco", "Empty", ""},
        {"Banco", "Nota", "Configuração € “ok”"},
        {"Outra", "Base", "outra"},
        {"Banco", "Comentado", "def"},
        {"Banco", "Nada", "def"},
        {"Vazia", "sem igual", "def"},
        {"Nenhuma", "Base", "def"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.readString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("def")),
                  QString::fromUtf8(c.value))
            << c.section << "/" << c.key;
    }

    EXPECT_TRUE(ini.valueExists(QStringLiteral("banco"), QStringLiteral("EMPTY")));
    EXPECT_FALSE(ini.valueExists(QStringLiteral("Banco"), QStringLiteral("Comentado")));
    EXPECT_FALSE(ini.valueExists(QStringLiteral("Banco"), QStringLiteral("Nada")));
    EXPECT_TRUE(ini.sectionExists(QStringLiteral("OUTRA")));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("Vazia"))) << "a header without keys";
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("Nenhuma")));
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndFirstWriteCreatesItWithCrLf)
{
    IniFile ini(path());
    EXPECT_EQ(ini.fileName(), path());
    EXPECT_EQ(ini.readString(QStringLiteral("Banco"), QStringLiteral("Base"), QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("Banco")));
    EXPECT_FALSE(QFile::exists(path())) << "reading never creates the file";

    ini.writeString(QStringLiteral("Banco"), QStringLiteral("Base"), QStringLiteral("REPRESEN.FDB"));
    ini.writeString(QStringLiteral("Banco"), QStringLiteral("Grade"), QStringLiteral("N"));
    EXPECT_EQ(readBytes(), QByteArray("[Banco]\r\nBase=REPRESEN.FDB\r\nGrade=N\r\n"));
}

TEST_F(IniFileTest, WritesChangeOnlyTheirLineAndKeepTheLineStyle)
{
    writeBytes("; keep me\n"
               "[Banco]\n"
               "  BASE = old \n"
               "odd line\n"
               "Grade=S\n"
               "\n"
               "[Outra]\n"
               "x=1\n");
    IniFile ini(path());
    ini.writeString(QStringLiteral("banco"), QStringLiteral("base"), QStringLiteral("D:\\novo\\R.FDB"));
    ini.writeString(QStringLiteral("Banco"), QStringLiteral("Data"), QStringLiteral("10/12/2026"));
    ini.writeString(QStringLiteral("Nova"), QStringLiteral("Chave"), QStringLiteral("a,b"));

    EXPECT_EQ(readBytes(), QByteArray("; keep me\n"
                                      "[Banco]\n"
                                      "BASE=D:\\novo\\R.FDB\n"
                                      "odd line\n"
                                      "Grade=S\n"
                                      "Data=10/12/2026\n"
                                      "\n"
                                      "[Outra]\n"
                                      "x=1\n"
                                      "\n"
                                      "[Nova]\n"
                                      "Chave=a,b\n"));
}

TEST_F(IniFileTest, KeepsAMissingFinalLineBreak)
{
    writeBytes("[A]\r\nx=1");
    IniFile(path()).writeString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("2"));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nx=1\r\ny=2"));
}

TEST_F(IniFileTest, StoresWindows1252)
{
    IniFile ini(path());
    ini.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("ação € Ω"));
    EXPECT_EQ(readBytes(), QByteArray("[S]\r\nk=a\xe7\xe3o \x80 ?\r\n"));
    EXPECT_EQ(ini.readString(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("ação € ?"));
}

TEST_F(IniFileTest, ObjectsOnTheSamePathSeeEachOthersWrites)
{
    IniFile a(path());
    IniFile b(path());
    a.writeString(QStringLiteral("Banco"), QStringLiteral("Data"), QStringLiteral("01/01/2026"));
    EXPECT_EQ(b.readString(QStringLiteral("Banco"), QStringLiteral("Data")), QStringLiteral("01/01/2026"));
    b.writeString(QStringLiteral("Banco"), QStringLiteral("Data"), QStringLiteral("02/01/2026"));
    EXPECT_EQ(a.readString(QStringLiteral("Banco"), QStringLiteral("Data")), QStringLiteral("02/01/2026"));
}

TEST_F(IniFileTest, RejectsWhatCannotBeWritten)
{
    IniFile nowhere(m_dir.filePath(QStringLiteral("no/such/dir/XR.ini")));
    try {
        nowhere.writeString(QStringLiteral("Banco"), QStringLiteral("Base"), QStringLiteral("x"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(QString::fromStdString(e.what()).indexOf(nowhere.fileName()), -1) << e.what();
    }

    writeBytes("[A]\r\nx=1\r\n");
    IniFile ini(path());
    EXPECT_THROW(ini.writeString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1\r\n[B]")),
                 std::invalid_argument);
    EXPECT_THROW(ini.writeString(QStringLiteral("A"), QString(), QStringLiteral("1")), std::invalid_argument);
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nx=1\r\n"));
}

// Every way a full or failing disk shows itself during a save: the old file
// stays byte for byte, no temporary file is left behind, the failure is
// raised, logged each time and shown to the user only once.
TEST_F(IniFileTest, FailedSaveKeepsTheOldFileAndTellsTheUserOnce)
{
    const QByteArray original("[Banco]\r\nBase=/home/ana/ORVAN ZID/REPRESEN.FDB\r\nGrade=S\r\n");
    struct Caso
    {
        const char* name;
        IniFile::SystemCalls calls;
    };
    const auto writeHalf = [](int fd, const char* data, std::size_t size) -> long {
        if (size > 8)
            return static_cast<long>(::write(fd, data, size / 2));
        errno = ENOSPC;
        return -1;
    };
    const Caso casos[] = {
        {"write refused", {[](int, const char*, std::size_t) -> long { errno = ENOSPC; return -1; }, {}, {}}},
        {"short writes then full", {writeHalf, {}, {}}},
        {"write of nothing", {[](int, const char*, std::size_t) -> long { return 0; }, {}, {}}},
        {"flush to disk fails", {{}, [](int) { errno = EIO; return -1; }, {}}},
        {"close fails", {{}, {}, [](int fd) { ::close(fd); errno = EDQUOT; return -1; }}},
    };
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        logged << m;
    });
    ScopedDialogRecorder rec;
    IniFile::resetFailureNotice();
    for (const Caso& c : casos) {
        writeBytes(original);
        IniFile::setSystemCalls(c.calls);
        IniFile ini(path());
        EXPECT_THROW(ini.writeString(QStringLiteral("Banco"), QStringLiteral("Data"), QStringLiteral("11/12/2026")),
                     IniFile::SaveError)
            << c.name;
        IniFile::setSystemCalls({});
        EXPECT_EQ(readBytes(), original) << c.name;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("XR.ini")}) << c.name;
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged.size(), static_cast<qsizetype>(std::size(casos)));
    for (const QString& line : logged)
        EXPECT_NE(line.indexOf(path()), -1) << line.toStdString();
    const QStringList shown = rec->texts();
    ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Não foi possível gravar o arquivo de configuração")))
        << shown[0].toStdString();

    // the disk has room again: the next save goes through and keeps the mode
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    IniFile(path()).writeString(QStringLiteral("Banco"), QStringLiteral("Data"), QStringLiteral("11/12/2026"));
    EXPECT_EQ(readBytes(), original + "Data=11/12/2026\r\n");
    EXPECT_EQ(QFile::permissions(path()),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    IniFile::resetFailureNotice();
}

} // namespace
