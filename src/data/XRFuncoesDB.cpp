#include "data/XRFuncoesDB.h"

#include "platform/AppPaths.h"
#include "platform/Cp1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSysInfo>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace {
QMutex g_logMutex;
std::function<QString()> g_formAtivo;

QString pastaLog()
{
    const QString base = apppaths::executableDir();
    const QString logs = base + QStringLiteral("Logs/");
    if (QDir().mkpath(logs))
        return logs;
    return base;
}
} // namespace

void DefineProvedorFormAtivo(std::function<QString()> provedor)
{
    QMutexLocker lock(&g_logMutex);
    g_formAtivo = std::move(provedor);
}

QString ArquivoLog(const QString &sNmMaquina)
{
    const QString data = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    const QString prefixo = sNmMaquina.isEmpty() ? QStringLiteral("MaqDesconhecida") : sNmMaquina;
    const QString nome = prefixo + '-' + data + QStringLiteral(".log");
    return pastaLog() + nome;
}

QString MontaLinhaLog(const QString &sNrIP, const QString &sNmForm, const QString &sUsuario,
                      const QDateTime &quando, const QString &sMensagem)
{
    QString msg = sMensagem;
    msg.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    // engine messages break lines with LF alone; one failure stays one line
    msg.replace('\n', ' ');
    msg.replace('\r', ' ');
    msg.replace('|', QChar(0x00DF));
    msg = msg.trimmed();
    return '|' + sNrIP + '|' + sNmForm + '|' + sUsuario + '|'
        + quando.toString(QStringLiteral("dd/MM/yy HH:mm:ss")) + '|' + msg + '|';
}

void GravaLogArquivo(const QString &sNmMaquina, const QString &sNrIP, const QString &sUsuario,
                     const QString &sMensagem)
{
    std::function<QString()> provedor;
    {
        QMutexLocker lock(&g_logMutex);
        provedor = g_formAtivo;
    }
    const QString form = provedor ? provedor() : QString();
    const QString linha = MontaLinhaLog(sNrIP, form, sUsuario, QDateTime::currentDateTime(), sMensagem);

    QMutexLocker lock(&g_logMutex);
    const QString caminho = ArquivoLog(sNmMaquina);
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        throw EInOutError(QStringLiteral("I/O error writing %1: %2").arg(caminho, f.errorString()));
    // the log is an 8-bit file in the Windows code page
    QByteArray bytes = toCp1252(linha);
    bytes += "\r\n";
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw EInOutError(QStringLiteral("I/O error writing %1: %2").arg(caminho, f.errorString()));
}

QString NomeMaquina()
{
    return QSysInfo::machineHostName().left(15);
}

QString IPLocal()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return QStringLiteral("127.0.0.1");
    QString found;
    for (ifaddrs *a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        if (a->ifa_flags & IFF_LOOPBACK)
            continue;
        char buf[INET_ADDRSTRLEN] = {};
        const auto *sin = reinterpret_cast<const sockaddr_in *>(a->ifa_addr);
        if (inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf)) {
            found = QString::fromLatin1(buf);
            break;
        }
    }
    freeifaddrs(list);
    return found.isEmpty() ? QStringLiteral("127.0.0.1") : found;
}

QString PreencheZeros(int iNumero, int iTamanho)
{
    QString s = QString::number(iNumero).trimmed();
    while (s.size() < iTamanho)
        s.prepend('0');
    return s;
}
