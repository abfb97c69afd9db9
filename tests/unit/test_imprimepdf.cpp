#include "platform/ImprimePdf.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A PATH holding only a fake "lp" that records its arguments and exits as told.
struct LpFalso
{
    QTemporaryDir dir;
    QByteArray pathAntigo = qgetenv("PATH");

    explicit LpFalso(const QByteArray& corpo)
    {
        QFile f(dir.filePath("lp"));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + corpo);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir.path().toLocal8Bit());
    }
    ~LpFalso() { qputenv("PATH", pathAntigo); }
};

QString CriaPdf(const QTemporaryDir& dir)
{
    const QString nome = dir.filePath("rel.pdf");
    QFile f(nome);
    f.open(QIODevice::WriteOnly);
    f.write("%PDF-1.4\n");
    return nome;
}

}  // namespace

TEST(ImprimePdf, HandsTheFileToLpAndReportsItsFailure)
{
    QTemporaryDir pasta;
    const QString pdf = CriaPdf(pasta);
    {
        LpFalso lp("echo \"$@\" > \"${0%/*}/args\"\nexit 0\n");
        const auto r = impressao::ImprimeComSistema(pdf);
        EXPECT_TRUE(r.ok) << r.mensagem.toStdString();
        QFile args(lp.dir.filePath("args"));
        ASSERT_TRUE(args.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromLocal8Bit(args.readAll()).trimmed(), "-- " + pdf);
    }
    {
        LpFalso lp("echo 'lp: Error - no default destination available.' >&2\nexit 1\n");
        const auto r = impressao::ImprimeComSistema(pdf);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensagem.contains("no default destination available")) << r.mensagem.toStdString();
        EXPECT_TRUE(r.mensagem.contains(pdf)) << r.mensagem.toStdString();
    }
}

TEST(ImprimePdf, InstalledPrinterReceivesTheFileAndMissingFileFails)
{
    QTemporaryDir pasta;
    const QString pdf = CriaPdf(pasta);
    QString recebido;
    auto anterior = impressao::InstalaImpressora([&](const QString& f) {
        recebido = f;
        return impressao::Resultado{true, {}};
    });
    EXPECT_TRUE(impressao::ImprimePdf(pdf).ok);
    EXPECT_EQ(recebido, pdf);
    recebido.clear();
    const auto r = impressao::ImprimePdf(pasta.filePath("nao-existe.pdf"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(recebido.isEmpty());
    impressao::InstalaImpressora(anterior);
}
