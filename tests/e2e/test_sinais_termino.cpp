// The real program ended by the signals a desktop session or a terminal
// sends: it must leave the way closing the main window does, with exit
// code 0 and its database detached, never running on with a dead connection.
#include "TestDb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace {

// Whether the process has the file open (the database attached).
bool temAberto(qint64 pid, const QString &arquivo)
{
    const QString alvo = QFileInfo(arquivo).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == alvo)
            return true;
    }
    return false;
}

TEST(SinaisTermino, EachSignalEndsTheProgramCleanlyWithExitCodeZero)
{
    const QString programa = QStringLiteral(XR_TEST_BINARY_DIR "/src/ZIDiradaOffline");
    ASSERT_TRUE(QFileInfo::exists(programa)) << programa.toStdString();
    const QString modelo = upgradedTemplate();
    for (const int sinal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(sinal));
        ScratchInstall inst;
        installTemplate(inst, modelo);
        // the program looks for its settings beside itself
        const QString copia = inst.path(QStringLiteral("ZIDiradaOffline"));
        if (::link(QFile::encodeName(programa).constData(), QFile::encodeName(copia).constData()) != 0)
            ASSERT_TRUE(QFile::copy(programa, copia));

        QProcess proc;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(inst.dir());
        proc.start(copia, {});
        ASSERT_TRUE(proc.waitForStarted(10000));
        QElapsedTimer relogio;
        relogio.start();
        while (!temAberto(proc.processId(), inst.dbPath()) && relogio.elapsed() < 30000
               && proc.state() == QProcess::Running)
            QThread::msleep(50);
        ASSERT_TRUE(temAberto(proc.processId(), inst.dbPath())) << "the database was never attached";
        // the program takes the signals over again once the module is made,
        // which follows the attachment closely; the login then waits
        QThread::msleep(2000);

        ::kill(pid_t(proc.processId()), sinal);
        const bool terminou = proc.waitForFinished(15000);
        if (!terminou) {
            proc.kill();
            proc.waitForFinished(5000);
        }
        const QString saida = QString::fromUtf8(proc.readAllStandardError());
        ASSERT_TRUE(terminou) << "still running after the signal\n" << saida.toStdString();
        EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit) << saida.toStdString();
        EXPECT_EQ(proc.exitCode(), 0) << saida.toStdString();
        EXPECT_TRUE(saida.contains(QStringLiteral("Sinal %1 recebido").arg(sinal))) << saida.toStdString();

        // the normal ending ran: settings written back, database detached
        // and attachable by the next start
        EXPECT_TRUE(inst.readFile(QStringLiteral("XR.ini")).contains("OrdemPedido=0"));
        auto db = inst.connect();
        EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM CONFIG")).toInt(), 1);
    }
}

} // namespace
