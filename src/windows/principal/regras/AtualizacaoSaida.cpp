#include "windows/principal/regras/AtualizacaoSaida.h"

#include "data/XRFuncoesDB.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

const QString kPacoteAtualizacao = QStringLiteral("ORVAN ZID.zipVO");

namespace {

const QString kNomePrograma = QStringLiteral("ORVAN ZID");

QString limpa(const QString &caminho) { return QDir::cleanPath(QFileInfo(caminho).absoluteFilePath()); }

bool dentroDe(const QString &caminho, const QString &pasta)
{
    return caminho == pasta || caminho.startsWith(pasta + '/');
}

void registra(const QString &texto)
{
    try {
        GravaLogArquivo(NomeMaquina(), IPLocal(), QString(), texto);
    } catch (...) {
        // the program is ending: nowhere else to tell
    }
}

// A value of a desktop entry's Exec key: quoted, with the characters the
// format reserves escaped, then escaped again as a string value.
QString argumentoExec(const QString &caminho)
{
    QString q;
    for (const QChar c : caminho) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            q += '\\';
        q += c;
    }
    q = '"' + q + '"';
    return q.replace('\\', QStringLiteral("\\\\"));
}

QString valorDesktop(QString v)
{
    return v.replace('\\', QStringLiteral("\\\\")).replace('\n', QStringLiteral("\\n"));
}

} // namespace

TLocalPrograma LocalProgramaAtual()
{
    TLocalPrograma l;
    l.pasta = QDir::cleanPath(apppaths::executableDir());
    l.executavel = QFileInfo(apppaths::executablePath()).fileName();
    l.home = QDir::homePath();
    l.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    l.referencia = runningExecutable();
    return l;
}

std::optional<TMudancaInstalacao> MudancaInstalacao(const TLocalPrograma &local)
{
    const QString pasta = limpa(local.pasta);
    const qsizetype pos = pasta.toUpper().indexOf(QLatin1String("ZIDIRADA"));
    if (pos < 0 || local.home.isEmpty())
        return std::nullopt;
    TMudancaInstalacao m;
    m.sufixo = pasta.mid(pos + 8);
    const QString home = limpa(local.home);
    m.pastaNova = QDir::cleanPath(home + '/' + kNomePrograma + m.sufixo);
    // the suffix comes from a folder name: it must not lead out of home,
    // and neither folder may hold the other
    if (!dentroDe(m.pastaNova, home) || m.pastaNova == home || dentroDe(m.pastaNova, pasta)
        || dentroDe(pasta, m.pastaNova))
        return std::nullopt;
    return m;
}

void MovePasta(const QString &origem, const QString &destino, const SwapFileOps &ops)
{
    QDir().mkpath(destino);
    const QFileInfoList itens = QDir(origem).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &item : itens) {
        const QString alvo = destino + '/' + item.fileName();
        if (item.isDir() && !item.isSymLink()) {
            MovePasta(item.absoluteFilePath(), alvo, ops);
            continue;
        }
        if (QFile::exists(alvo) || QFileInfo(alvo).isSymLink())
            QFile::remove(alvo);
        const bool movido = ops.rename ? ops.rename(item.absoluteFilePath(), alvo)
                                       : QFile::rename(item.absoluteFilePath(), alvo);
        if (movido)
            continue;
        if (!QFile::copy(item.absoluteFilePath(), alvo))
            registra(QStringLiteral("Não foi possível mover %1 para %2").arg(item.absoluteFilePath(), alvo));
    }
}

QByteArray AtalhoDesktop(const QString &nome, const QString &pasta, const QString &executavel)
{
    QString t = QStringLiteral("[Desktop Entry]\nType=Application\n");
    t += QStringLiteral("Name=") + valorDesktop(nome) + '\n';
    t += QStringLiteral("Exec=") + argumentoExec(pasta + '/' + executavel) + '\n';
    t += QStringLiteral("Path=") + valorDesktop(pasta) + '\n';
    t += QStringLiteral("Terminal=false\n");
    return t.toUtf8();
}

namespace {

void AplicaPacote(const TLocalPrograma &local, const QString &nome, const SwapFileOps &ops)
{
    const QString pacote = local.pasta + '/' + kPacoteAtualizacao;
    if (!QFileInfo(pacote).isFile())
        return;
    QString erro;
    if (!replaceExecutable(local.pasta + '/' + nome, pacote, local.referencia, &erro, ops))
        registra(QStringLiteral("Atualização não aplicada: ") + erro);
}

void MoveInstalacao(const TLocalPrograma &local, const TMudancaInstalacao &m, const std::function<void()> &fechaBanco,
                    const SwapFileOps &ops)
{
    if (!QDir().mkpath(m.pastaNova)) {
        registra(QStringLiteral("Não foi possível criar ") + m.pastaNova);
        return;
    }
    if (fechaBanco)
        fechaBanco();
    MovePasta(limpa(local.pasta), m.pastaNova, ops);

    const QString home = limpa(local.home);
    const QString desktop = local.desktop.isEmpty() ? QString() : limpa(local.desktop);
    if (!desktop.isEmpty() && dentroDe(desktop, home)) {
        QFile::remove(desktop + QStringLiteral("/ZIDirada.desktop"));
        QString sufixo = m.sufixo;
        sufixo.replace('/', '-');
        QDir().mkpath(desktop);
        QSaveFile atalho(desktop + '/' + kNomePrograma + sufixo + QStringLiteral(".desktop"));
        if (atalho.open(QIODevice::WriteOnly)) {
            atalho.write(AtalhoDesktop(kNomePrograma + m.sufixo, m.pastaNova, kNomePrograma));
            atalho.setPermissions(atalho.permissions() | QFileDevice::ExeOwner);
            if (!atalho.commit())
                registra(QStringLiteral("Não foi possível criar o atalho ") + atalho.fileName());
        }
    }
    try {
        IniFile(m.pastaNova + QStringLiteral("/XR.ini"))
            .writeString(QStringLiteral("Banco"), QStringLiteral("Base"), m.pastaNova + QStringLiteral("/REPRESEN.FDB"));
    } catch (const std::exception &e) {
        registra(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace

void AplicaAtualizacaoSaida(bool atualizar, bool baixou, const TLocalPrograma &local,
                            const std::function<void()> &fechaBanco, const SwapFileOps &ops)
{
    if (!atualizar && !baixou)
        return;
    const auto mudanca = MudancaInstalacao(local);
    // a former installation's program has another name: the new one takes ours
    AplicaPacote(local, mudanca ? kNomePrograma : local.executavel, ops);
    if (mudanca)
        MoveInstalacao(local, *mudanca, fechaBanco, ops);
}
