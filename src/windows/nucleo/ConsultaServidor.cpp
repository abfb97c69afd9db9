#include "windows/nucleo/ConsultaServidor.h"

#include "components/untMensagemSkin.h"
#include "platform/DialogService.h"
#include "platform/net/HttpClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

void MostraEspera(const QString &texto, int pausaMs)
{
    TfmMensagem &espera = TfmMensagem::Compartilhada();
    espera.LMensagem->setText(texto);
    espera.show();
    espera.repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (pausaMs <= 0)
        return;
    QEventLoop pausa;
    QTimer::singleShot(pausaMs, &pausa, &QEventLoop::quit);
    pausa.exec(QEventLoop::ExcludeUserInputEvents);
}

void EscondeEspera() { TfmMensagem::Compartilhada().hide(); }

QString TextoExcecao(const std::exception &e)
{
    if (const auto *n = dynamic_cast<const NetError *>(&e))
        return n->message();
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    if (const auto *s = dynamic_cast<const DataSetStreamError *>(&e))
        return s->message();
    return QString::fromUtf8(e.what());
}

std::optional<NamedDataSets> ESelectComMensagem(IServidorConsultas &servidor, const QString &sql, const QString &falha,
                                                const QString &titulo, bool carregaImagens, const QString &tipo,
                                                const QString &chave, const std::optional<QByteArray> &parametros)
{
    QString erroServidor;
    const auto mostra = [&titulo](const QString &texto) {
        dialogs().messageBox(texto, titulo, MsgButtons::Ok, MsgIcon::Information);
    };
    try {
        NamedDataSets lista = servidor.ESelect(sql, erroServidor, carregaImagens, tipo, chave, parametros);
        if (!MembroLista(lista, QStringLiteral("SELECT")) && !erroServidor.isEmpty()) {
            mostra(erroServidor);
            return std::nullopt;
        }
        return lista;
    } catch (const std::exception &e) {
        mostra(erroServidor.isEmpty() ? falha + TextoExcecao(e) : erroServidor);
        return std::nullopt;
    }
}

DataSet *MembroLista(const NamedDataSets &lista, const QString &nome)
{
    for (const auto &[n, ds] : lista)
        if (n.compare(nome, Qt::CaseInsensitive) == 0)
            return ds.get();
    return nullptr;
}
