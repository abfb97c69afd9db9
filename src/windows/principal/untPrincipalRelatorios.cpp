// The main window's reports menu: the definitions downloaded from the
// server and the items that open the report generator.
#include "windows/principal/untPrincipal.h"

#include "platform/DialogService.h"
#include "windows/nucleo/ConsultaServidor.h"
#include "windows/nucleo/WindowRegistry.h"
#include "windows/relatorios/regras/RegrasRelatorio.h"

#include <QAction>
#include <QMenu>

namespace {
const char *const kFormGerador = "TfmGeraRel";
} // namespace

void TfmPrincipal::CriaTabelasRelatorio()
{
    CDSRelatorio = new DataSet(this);
    CDSRelatorio->setObjectName(QStringLiteral("CDSRelatorio"));
    CDSRelParam = new DataSet(this);
    CDSRelParam->setObjectName(QStringLiteral("CDSRelParam"));
}

void TfmPrincipal::ConfirmaSincronizacaoRelatorios()
{
    if (dialogs().messageBox(QStringLiteral("Deseja sincronizar os relatórios com o ERP XR?"), windowTitle(),
                             MsgButtons::YesNo, MsgIcon::Question, 2)
        == MsgResult::No)
        return;
    if (m_ganchos.SincronizaRelatorios)
        m_ganchos.SincronizaRelatorios();
    else
        SincronizaRelatorios();
}

void TfmPrincipal::SincronizaRelatorios()
{
    if (!m_servidorRelatorios)
        return;
    IServidorConsultas &servidor = *m_servidorRelatorios;
    const QString titulo = windowTitle();
    const auto mostra = [&titulo](const QString &texto) {
        dialogs().messageBox(texto, titulo, MsgButtons::Ok, MsgIcon::Information);
    };
    const TEsperaVisivel espera;
    MostraEspera(QStringLiteral("Verificando conexão com o servidor de dados."), PausaEsperaMs);
    const bool rest = servidor.EhRest();
    // the JSON download replaces the tables the generator is showing
    if (rest && BuscaForm(QString::fromLatin1(kFormGerador))) {
        mostra(QStringLiteral("Favor fechar a tela de relatórios antes de sincronizar as informações."));
        return;
    }
    QString versao;
    try {
        if (!servidor.RetornaConexao(rest))
            return;
        versao = servidor.GetVersaoServ(rest);
    } catch (const std::exception &e) {
        mostra(QStringLiteral("Erro de Comunicação: \r\n") + TextoExcecao(e));
        return;
    }
    if (!relatorio::VersaoCompativel(versao)) {
        mostra(QStringLiteral("Versão não compátivel com a atual versão do servidor. Impossível Continuar."));
        return;
    }

    // both tables arrive before either replaces what the menu shows
    MostraEspera(QStringLiteral("Buscando os Relatórios "), PausaEsperaMs);
    FRelatorio.clear();
    DataSet relatorios;
    relatorios.setFieldDefs({{QStringLiteral("CODIGO"), FieldType::String, 4},
                             {QStringLiteral("DESCRICAO"), FieldType::String, 100},
                             {QStringLiteral("CODIGOSQL"), FieldType::Memo}});
    if (!BaixaTabelaRelatorio(relatorio::SqlRelatorios(), relatorios, true,
                              QStringLiteral("Problema em buscar os relatórios.")))
        return;
    MostraEspera(QStringLiteral("Buscando os Parâmetros "), PausaEsperaMs);
    DataSet parametros;
    if (!BaixaTabelaRelatorio(relatorio::SqlParametros(), parametros, false,
                              QStringLiteral("Problema em buscar os parâmetros.")))
        return;

    const auto substitui = [](DataSet &destino, DataSet &origem) {
        destino.close();
        destino.setFieldDefs(origem.fieldDefs());
        destino.open();
        std::vector<Row> linhas;
        for (int i = 0; i < origem.recordCount(); ++i)
            linhas.push_back(origem.rowAt(i));
        destino.setRows(std::move(linhas));
        destino.first();
    };
    substitui(*CDSRelatorio, relatorios);
    substitui(*CDSRelParam, parametros);
    EscondeEspera();
    MontaMenuRelatorios();
}

// One download into destino. definicoes: destino keeps its field
// definitions (JSON); otherwise the answer's fields are taken.
bool TfmPrincipal::BaixaTabelaRelatorio(const QString &sql, DataSet &destino, bool definicoes, const QString &falha)
{
    IServidorConsultas &servidor = *m_servidorRelatorios;
    if (servidor.EhRest()) {
        if (!definicoes)
            destino.setFieldDefs({});
        destino.open();
        return servidor.BuscaDadosSQL(sql, &destino, nullptr);
    }
    const auto lista = ESelectComMensagem(servidor, sql, falha, windowTitle());
    if (!lista)
        return false;
    DataSet *select = MembroLista(*lista, QStringLiteral("SELECT"));
    if (!select) {
        dialogs().messageBox(falha + QStringLiteral(" Resposta sem dados."), windowTitle(), MsgButtons::Ok,
                             MsgIcon::Information);
        return false;
    }
    if (definicoes) {
        destino.open();
        destino.copyRowsFrom(*select);
    } else {
        destino.setFieldDefs(select->fieldDefs());
        destino.open();
        destino.copyRowsFrom(*select);
    }
    return true;
}

void TfmPrincipal::MontaMenuRelatorios()
{
    // the item that asked for this rebuild may still be running its signal
    for (QAction *a : PMenuRelatorio->actions()) {
        PMenuRelatorio->removeAction(a);
        if (a->parent() == PMenuRelatorio)
            a->deleteLater();
    }
    QAction *recarregar = PMenuRelatorio->addAction(QStringLiteral("Recarregar Relatórios"));
    recarregar->setObjectName(QStringLiteral("RecarregarRelatorios"));
    connect(recarregar, &QAction::triggered, this, &TfmPrincipal::ConfirmaSincronizacaoRelatorios,
            Qt::QueuedConnection);
    PMenuRelatorio->addSeparator()->setObjectName(QStringLiteral("N1"));
    const int codigo = CDSRelatorio->fieldIndex(QStringLiteral("CODIGO"));
    const int descricao = CDSRelatorio->fieldIndex(QStringLiteral("DESCRICAO"));
    for (int i = 0; i < CDSRelatorio->recordCount() && codigo >= 0 && descricao >= 0; ++i) {
        const QString cod = CDSRelatorio->valueAt(i, codigo).toString();
        QAction *item = PMenuRelatorio->addAction(cod + QStringLiteral(" - ")
                                                  + CDSRelatorio->valueAt(i, descricao).toString());
        item->setObjectName(QStringLiteral("Item_") + cod);
        connect(item, &QAction::triggered, this, [this, item] { ItemRelatorioClick(item); });
    }
}

void TfmPrincipal::ItemRelatorioClick(QAction *item)
{
    const QString nome = item->objectName();
    FRelatorio = nome.mid(nome.indexOf('_') + 1);
    AbreForm(QString::fromLatin1(kFormGerador));
}
