#include "TestDb.h"

#include "data/XRFuncoesDB.h"
#include "platform/Cp1252.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

QStringList linhas(const QString &arquivo)
{
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
    return fromCp1252(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

TEST(LogArquivo, LineKeepsOneFailurePerLineWithUnambiguousSeparators)
{
    const QDateTime quando(QDate(2026, 3, 9), QTime(14, 5, 7));
    struct Caso {
        QString mensagem;
        QString esperado;
    };
    const Caso casos[] = {
        {"ExecSQL (erro): UPDATE X", "ExecSQL (erro): UPDATE X"},
        {"linha 1\r\nlinha 2\r\n", "linha 1 linha 2"},
        {"a|b||c", QString("a") + QChar(0xDF) + "b" + QChar(0xDF) + QChar(0xDF) + "c"},
        {"  com brancos  ", "com brancos"},
        {"engine\nline two", "engine line two"},
    };
    for (const Caso &c : casos) {
        const QString linha = MontaLinhaLog("10.0.0.1", "fmPedido", "", quando, c.mensagem);
        EXPECT_EQ(linha, "|10.0.0.1|fmPedido||09/03/26 14:05:07|" + c.esperado + "|") << c.mensagem.toStdString();
        EXPECT_EQ(linha.count('|'), 6);
        EXPECT_FALSE(linha.contains('\n'));
    }
}

TEST(LogArquivo, FileNamePerComputerAndDay)
{
    ScratchInstall inst(false);
    const QString hoje = QDate::currentDate().toString("yyyyMMdd");
    EXPECT_EQ(ArquivoLog("PC01"), inst.dir() + "Logs/PC01-" + hoje + ".log");
    EXPECT_EQ(ArquivoLog(""), inst.dir() + "Logs/MaqDesconhecida-" + hoje + ".log");
}

TEST(LogArquivo, TwoFailuresOfOneDayShareTheFile)
{
    ScratchInstall inst(false);
    GravaLogArquivo("PC01", "10.0.0.1", "", "primeira");
    GravaLogArquivo("PC01", "10.0.0.1", "", QString::fromUtf8("segunda ação"));
    const QStringList l = linhas(ArquivoLog("PC01"));
    ASSERT_EQ(l.size(), 2);
    EXPECT_TRUE(l[0].endsWith("|primeira|"));
    EXPECT_TRUE(l[1].endsWith(QString::fromUtf8("|segunda ação|")));
}

TEST(LogArquivo, FallsBackToTheExecutableFolder)
{
    ScratchInstall inst(false);
    inst.writeFile("Logs", "a file where the folder should be");
    GravaLogArquivo("PC01", "10.0.0.1", "", "sem pasta");
    const QString hoje = QDate::currentDate().toString("yyyyMMdd");
    EXPECT_EQ(linhas(inst.path("PC01-" + hoje + ".log")).size(), 1);
}

TEST(LogArquivo, UnwritableFileRaises)
{
    ScratchInstall inst(false);
    QDir().mkpath(inst.dir() + "Logs");
    // a folder in place of the file: no permission trick needed, also as root
    QDir().mkpath(ArquivoLog("PC01"));
    EXPECT_THROW(GravaLogArquivo("PC01", "10.0.0.1", "", "x"), EInOutError);
}

TEST(LogArquivo, ConcurrentWritersNeverInterleave)
{
    ScratchInstall inst(false);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                GravaLogArquivo("PC01", "10.0.0.1", "", QString("t%1 i%2 ").arg(t).arg(i) + QString(200, 'x'));
        });
    for (auto &th : threads)
        th.join();
    const QStringList l = linhas(ArquivoLog("PC01"));
    ASSERT_EQ(l.size(), 200);
    for (const QString &linha : l)
        EXPECT_EQ(linha.count('|'), 6);
}

TEST(LogArquivo, PreencheZeros)
{
    EXPECT_EQ(PreencheZeros(7, 2), "07");
    EXPECT_EQ(PreencheZeros(123, 2), "123");
    EXPECT_EQ(PreencheZeros(-5, 3), "0-5");
    EXPECT_EQ(PreencheZeros(0, 4), "0000");
}

} // namespace
