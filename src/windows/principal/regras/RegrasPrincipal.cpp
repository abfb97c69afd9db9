#include "windows/principal/regras/RegrasPrincipal.h"

#include "platform/DialogService.h"
#include "windows/principal/regras/EstadoFTP.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString kMsgPedidoEmEdicao = QStringLiteral("Pedido em edição, deseja cancelar?");
const QString kMsgDownloadEmAndamento
    = QStringLiteral("Download em andamento. Deve-se cancelar o download antes de fechar aplicação.");
const QString kMsgConexaoFTP = QStringLiteral("Está em uma tentativa de conexão com o FTP. Deseja fechar aplicação?");

bool ConfereFechamento(bool pedidoEmEdicao, TEstadoFTP *ftp, const QString &titulo)
{
    if (pedidoEmEdicao
        && dialogs().messageBox(kMsgPedidoEmEdicao, titulo, MsgButtons::YesNo, MsgIcon::Information, 2)
            != MsgResult::Yes)
        return false;
    if (!ftp || !ftp->Conectado())
        return true;
    const auto recusaDownload = [&titulo] {
        dialogs().messageBox(kMsgDownloadEmAndamento, titulo, MsgButtons::Ok, MsgIcon::Information);
        return false;
    };
    if (ftp->DownloadEmAndamento())
        return recusaDownload();
    if (dialogs().messageBox(kMsgConexaoFTP, titulo, MsgButtons::YesNo, MsgIcon::Question, 2) != MsgResult::Yes)
        return false;
    // the download may have started while the question was on screen
    if (ftp->ProgressoLigado())
        return recusaDownload();
    ftp->Encerra();
    return true;
}

bool CodigoAcessoEditorSQL(const QString &resposta)
{
    return !resposta.trimmed().isEmpty() && resposta.toUpper() == QLatin1String("QUERYBOXKEY");
}

std::optional<TRestosInstalacaoAntiga> RestosInstalacaoAntiga(const QString &pastaPrograma,
                                                              const QString &nomeExecutavel, const QString &home)
{
    if (nomeExecutavel != QLatin1String("ORVAN ZID"))
        return std::nullopt;
    const qsizetype zid = pastaPrograma.toUpper().indexOf(QLatin1String("ZID"));
    const QString sufixo = zid >= 0 ? pastaPrograma.mid(zid + 3) : pastaPrograma.mid(2);
    return TRestosInstalacaoAntiga{pastaPrograma + QStringLiteral("/ZIDirada"),
                                   home + QStringLiteral("/ZIDirada") + sufixo};
}

void ApagaRestosInstalacaoAntiga(const TRestosInstalacaoAntiga &restos, const QString &pastaPrograma,
                                 const QString &home)
{
    if (QFileInfo(restos.executavel).isFile())
        QFile::remove(restos.executavel);

    const QString alvo = QDir::cleanPath(QFileInfo(restos.pasta).absoluteFilePath());
    const QString casa = QDir::cleanPath(QFileInfo(home).absoluteFilePath());
    const QString programa = QDir::cleanPath(QFileInfo(pastaPrograma).absoluteFilePath());
    // the folder name is derived from ours: never let it reach outside home
    // or take the running installation with it
    const bool dentroDeCasa = alvo.startsWith(casa + '/');
    const bool levaPrograma = programa == alvo || programa.startsWith(alvo + '/');
    if (!dentroDeCasa || levaPrograma)
        return;
    QDir pasta(alvo);
    if (pasta.exists())
        pasta.removeRecursively();
}
