#include "components/XRUnZip.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <zip.h>

#include <array>
#include <memory>

#include <sys/stat.h>

namespace {

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};

bool ehLink(zip_t *arquivo, zip_uint64_t i)
{
    zip_uint8_t sistema = 0;
    zip_uint32_t atributos = 0;
    if (zip_file_get_external_attributes(arquivo, i, 0, &sistema, &atributos) != 0)
        return false;
    return sistema == ZIP_OPSYS_UNIX && ((atributos >> 16) & S_IFMT) == S_IFLNK;
}

// The entry's last path element; names from the archive never choose the folder.
QString nomeBase(const char *nome)
{
    QString n = QString::fromUtf8(nome);
    n.replace('\\', '/');
    n = n.mid(n.lastIndexOf('/') + 1);
    if (n == QLatin1String(".") || n == QLatin1String(".."))
        return {};
    return n;
}

void extrai(zip_t *arquivo, zip_uint64_t i, const QString &destino)
{
    std::unique_ptr<zip_file_t, EntryCloser> entrada(zip_fopen_index(arquivo, i, 0));
    if (!entrada)
        return;
    QSaveFile saida(destino);
    if (!saida.open(QIODevice::WriteOnly))
        return;
    std::array<char, 64 * 1024> bloco{};
    for (;;) {
        // a checksum mismatch shows as a read error at the entry's end
        const zip_int64_t n = zip_fread(entrada.get(), bloco.data(), bloco.size());
        if (n < 0) {
            saida.cancelWriting();
            break;
        }
        if (n == 0)
            break;
        if (saida.write(bloco.data(), n) != n) {
            saida.cancelWriting();
            break;
        }
    }
    saida.commit();
}

} // namespace

TXRUnZip::TXRUnZip(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("XRUnZip1"));
}

void TXRUnZip::UnZipToDir(const QString &AFileName, const QString &ADir)
{
    int erro = 0;
    std::unique_ptr<zip_t, ZipCloser> arquivo(zip_open(QFile::encodeName(AFileName).constData(), ZIP_RDONLY, &erro));
    if (!arquivo)
        return;
    const QDir pasta(ADir);
    if (!pasta.exists())
        return;
    const zip_int64_t total = zip_get_num_entries(arquivo.get(), 0);
    for (zip_int64_t i = 0; i < total; ++i) {
        const char *nome = zip_get_name(arquivo.get(), zip_uint64_t(i), 0);
        if (!nome || QByteArray(nome).endsWith('/') || ehLink(arquivo.get(), zip_uint64_t(i)))
            continue;
        const QString base = nomeBase(nome);
        if (!base.isEmpty())
            extrai(arquivo.get(), zip_uint64_t(i), pasta.filePath(base));
    }
}
