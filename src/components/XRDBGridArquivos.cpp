// The grid's exports and text import: the dialogs and the frame around the
// writers of XRDBGridExporta.
#include "components/XRDBGrid.h"
#include "components/XRDBGridExporta.h"

#include "platform/DialogService.h"

#include <QFile>

namespace {

const QString kTitulo = QStringLiteral("ORVAN ERP");
const QString kFalha = QStringLiteral("A exportação não pôde ser concluída.");

void Sucesso()
{
    dialogs().messageBox(QStringLiteral("Exportação concluída com sucesso."), kTitulo, MsgButtons::Ok,
                         MsgIcon::Information);
}

QString Mensagem(const std::exception &e)
{
    if (const auto *x = dynamic_cast<const xrexporta::ErroExportacao *>(&e))
        return x->mensagem();
    if (const auto *db = dynamic_cast<const EDatabaseError *>(&e))
        return db->message();
    return QString::fromUtf8(e.what());
}

} // namespace

bool TXRDBGrid::ExecutaExportacao(const std::function<void(const QString &)> &grava, const QString &falha)
{
    if (!m_ds || !m_ds->active() || m_ds->isEmpty())
        return false;
    const QString nome = dialogs().saveFileName(QStringLiteral("Exportar"), QString());
    if (nome.isEmpty())
        return false;
    CursorEspera(true);
    const int recNo = m_ds->recNo();
    m_ds->disableControls();
    bool ok = true;
    try {
        m_ds->first();
        grava(nome);
    } catch (const std::exception &e) {
        ok = false;
        m_ds->enableControls();
        CursorEspera(false);
        // the office exports name the failure first, then its cause
        dialogs().messageBox(falha.isEmpty() ? Mensagem(e) : falha + QStringLiteral("\r") + Mensagem(e),
                             kTitulo, MsgButtons::Ok, MsgIcon::Error);
    }
    if (recNo > 0 && recNo <= m_ds->recordCount())
        m_ds->setRecNo(recNo);
    if (ok) {
        m_ds->enableControls();
        CursorEspera(false);
        Sucesso();
    }
    return ok;
}

void TXRDBGrid::ExpTXT()
{
    ExecutaExportacao([this](const QString &nome) {
        xrexporta::GravaArquivo(xrexporta::ComExtensao(nome, QStringLiteral(".txt")), xrexporta::ExportaTXT(*m_ds));
    });
}

void TXRDBGrid::ExpXML()
{
    ExecutaExportacao([this](const QString &nome) {
        xrexporta::GravaArquivo(xrexporta::ComExtensao(nome, QStringLiteral(".xml")), xrexporta::ExportaXML(*m_ds));
    });
}

void TXRDBGrid::ExpHTML()
{
    ExecutaExportacao([this](const QString &nome) {
        xrexporta::GravaArquivo(xrexporta::ComExtensao(nome, QStringLiteral(".htm")), xrexporta::ExportaHTML(*m_ds));
    });
}

void TXRDBGrid::ExpDOC()
{
    if (!m_ds || !m_ds->active() || m_ds->isEmpty())
        return;
    if (m_ds->fieldCount() > xrexporta::MaxColunasDOC) {
        dialogs().messageBox(QStringLiteral("A grade possui ") + QString::number(m_ds->fieldCount()) +
                                 QStringLiteral(" colunas.\rÉ possível exportar no máximo 63 colunas para o Word."),
                             kTitulo, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    ExecutaExportacao(
        [this](const QString &nome) {
            xrexporta::GravaArquivo(xrexporta::ComExtensao(nome, QStringLiteral(".doc")), xrexporta::ExportaRTF(*m_ds));
        },
        kFalha);
}

void TXRDBGrid::ExpXLS()
{
    ExecutaExportacao(
        [this](const QString &nome) {
            std::vector<xrexporta::ColunaPlanilha> colunas;
            for (const auto &c : m_columns)
                if (c->Visible)
                    colunas.push_back({c->FieldName, c->Title});
            xrexporta::ExportaXLSX(*m_ds, colunas, xrexporta::ComExtensao(nome, QStringLiteral(".xlsx")),
                                   xrexporta::NomePlanilha(nome));
        },
        kFalha);
}

void TXRDBGrid::ImportarTXT()
{
    if (!m_ds || !m_ds->active())
        return;
    const QString nome = dialogs().openFileName(QStringLiteral("Importar"), QString());
    if (nome.isEmpty())
        return;
    QFile f(nome);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogs().messageBox(QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(nome, f.errorString()),
                             QStringLiteral("Importação de dados"), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const QStringList linhas = xrexporta::LinhasDoArquivo(f.readAll());
    if (!m_ds->isEmpty() &&
        dialogs().messageBox(QStringLiteral("Deseja limpar os dados antes de prosseguir com a importação?"),
                             QStringLiteral("Importação de dados"), MsgButtons::YesNo, MsgIcon::Question,
                             2) == MsgResult::Yes)
        m_ds->emptyTable();
    m_ds->disableControls();
    try {
        xrexporta::ImportaLinhas(*m_ds, linhas);
    } catch (const std::exception &e) {
        m_ds->enableControls();
        dialogs().messageBox(Mensagem(e), QStringLiteral("Importação de dados"), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    m_ds->enableControls();
}
