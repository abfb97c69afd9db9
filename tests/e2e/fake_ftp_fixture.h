#pragma once

// The fake FTP server of the update tests and a few helpers around it.
#include "PortaLivre.h"
#include "platform/net/ZlibCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace ftpteste {

inline const QString kPacote = QStringLiteral("ORVAN ZID.zipVO");

inline QByteArray le(const QString &arquivo)
{
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the event loop (deferred deletes included) until cond holds.
inline bool esperaAte(const std::function<bool()> &cond, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// A package the worker accepts: a small executable of this machine.
inline QByteArray pacoteValido() { return zlibDeflate(le(QStringLiteral("/bin/false"))); }

class FakeFtp {
public:
    explicit FakeFtp(const QStringList &extra = {})
    {
        m_log = m_logs.path() + QStringLiteral("/comandos.txt");
        m_proc.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{QStringLiteral(XR_TEST_SOURCE_DIR "/tests/fake/fake_ftp.py"), m_raiz.path(),
                                 QStringLiteral("--log"), m_log, QStringLiteral("--lifetime"), QStringLiteral("90")}
                         + extra);
        if (m_proc.waitForStarted(5000) && m_proc.waitForReadyRead(20000))
            porta = m_proc.readLine().trimmed().toInt();
        if (porta == 0)
            ADD_FAILURE() << "fake ftp did not start: " << m_proc.readAllStandardError().toStdString();
    }
    ~FakeFtp()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }
    void publica(const QByteArray &versao, const std::optional<QByteArray> &pacote = std::nullopt) const
    {
        const QString pasta = m_raiz.path() + QStringLiteral("/Atualizacao/Versao/ZEVIVEDE/");
        QDir().mkpath(pasta);
        QFile v(pasta + QStringLiteral("VersaoVO.Txt"));
        v.open(QIODevice::WriteOnly | QIODevice::Truncate);
        v.write(versao);
        QFile::remove(pasta + kPacote);
        if (pacote) {
            QFile p(pasta + kPacote);
            p.open(QIODevice::WriteOnly);
            p.write(*pacote);
        }
    }
    QStringList comandos() const { return QString::fromUtf8(le(m_log)).split('\n', Qt::SkipEmptyParts); }
    int conta(const QString &prefixo) const
    {
        int n = 0;
        for (const QString &c : comandos())
            n += c.startsWith(prefixo) ? 1 : 0;
        return n;
    }
    void limpaLog() const { QFile::remove(m_log); }
    // The server dies, as a dropped network would look to the client.
    void mata()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }

    int porta = 0;

private:
    QTemporaryDir m_raiz;
    QTemporaryDir m_logs;
    QString m_log;
    QProcess m_proc;
};

} // namespace ftpteste
