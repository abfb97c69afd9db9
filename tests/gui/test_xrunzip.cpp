// The unzip component: flat extraction that never replaces a file with a damaged entry.
#include "components/XRUnZip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

#include <sys/stat.h>

namespace {

QByteArray le(const QString &arquivo)
{
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void grava(const QString &arquivo, const QByteArray &conteudo)
{
    QFile f(arquivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(conteudo);
}

struct Entrada {
    const char *nome;
    QByteArray conteudo;
    bool link = false;
};

// Builds an archive; entries are stored uncompressed so a test can damage one in place.
void criaZip(const QString &arquivo, const std::vector<Entrada> &entradas)
{
    int erro = 0;
    zip_t *z = zip_open(QFile::encodeName(arquivo).constData(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    ASSERT_NE(z, nullptr);
    for (const Entrada &e : entradas) {
        if (QByteArray(e.nome).endsWith('/')) {
            ASSERT_GE(zip_dir_add(z, e.nome, ZIP_FL_ENC_UTF_8), 0);
            continue;
        }
        zip_source_t *s = zip_source_buffer(z, e.conteudo.constData(), zip_uint64_t(e.conteudo.size()), 0);
        const zip_int64_t i = zip_file_add(z, e.nome, s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        ASSERT_GE(i, 0);
        zip_set_file_compression(z, zip_uint64_t(i), ZIP_CM_STORE, 0);
        if (e.link)
            zip_file_set_external_attributes(z, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, zip_uint32_t(S_IFLNK | 0777) << 16);
    }
    ASSERT_EQ(zip_close(z), 0);
}

} // namespace

TEST(XRUnZip, EveryFileLandsFlatInTheFolderReplacingWhatWasThere)
{
    QTemporaryDir raiz;
    const QString destino = raiz.path() + QStringLiteral("/destino");
    QDir().mkpath(destino);
    grava(destino + QStringLiteral("/top.txt"), "old");
    const QString zip = raiz.path() + QStringLiteral("/a.zip");
    criaZip(zip, {{"top.txt", "new top"},
                  {"a/b/c.txt", "deep"},
                  {"pasta/", {}},
                  {"../x", "escaped"},
                  {"link", "/etc/passwd", true}});

    TXRUnZip().UnZipToDir(zip, destino);

    EXPECT_EQ(le(destino + QStringLiteral("/top.txt")), "new top");
    EXPECT_EQ(le(destino + QStringLiteral("/c.txt")), "deep");
    EXPECT_EQ(le(destino + QStringLiteral("/x")), "escaped");
    EXPECT_FALSE(QFile::exists(raiz.path() + QStringLiteral("/x"))) << "nothing lands outside the folder";
    EXPECT_FALSE(QFileInfo::exists(destino + QStringLiteral("/a")));
    EXPECT_FALSE(QFileInfo::exists(destino + QStringLiteral("/pasta")));
    EXPECT_FALSE(QFileInfo::exists(destino + QStringLiteral("/link")));
    EXPECT_EQ(QDir(destino).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 3);
}

TEST(XRUnZip, AMissingDamagedOrCorruptArchiveChangesNothing)
{
    QTemporaryDir raiz;
    const QString destino = raiz.path() + QStringLiteral("/destino");
    QDir().mkpath(destino);
    grava(destino + QStringLiteral("/dado.txt"), "keep me");
    const auto semMudanca = [&] {
        EXPECT_EQ(le(destino + QStringLiteral("/dado.txt")), "keep me");
        EXPECT_EQ(QDir(destino).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 1);
    };

    TXRUnZip unzip;
    EXPECT_NO_THROW(unzip.UnZipToDir(raiz.path() + QStringLiteral("/none.zip"), destino));
    semMudanca();

    const QString lixo = raiz.path() + QStringLiteral("/lixo.zip");
    grava(lixo, QByteArray(3000, 'q'));
    EXPECT_NO_THROW(unzip.UnZipToDir(lixo, destino));
    semMudanca();

    // an entry whose bytes no longer match its checksum
    const QString zip = raiz.path() + QStringLiteral("/dano.zip");
    const QByteArray conteudo(5000, 'A');
    criaZip(zip, {{"dado.txt", conteudo}});
    QByteArray bytes = le(zip);
    const qsizetype pos = bytes.indexOf(conteudo);
    ASSERT_GT(pos, 0);
    bytes[pos + 2500] = 'B';
    grava(zip, bytes);
    EXPECT_NO_THROW(unzip.UnZipToDir(zip, destino));
    semMudanca();
}
