#include "windows/editorsql/untEditorSQL.h"

#include "components/XRDBGrid.h"
#include "data/untDMRepres.h"
#include "platform/Cp1252.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/editorsql/regras/ConsoleSQL.h"
#include "windows/nucleo/WindowRegistry.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStringDecoder>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// A script saved by another editor may be in the Windows code page.
QString textoDoArquivo(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texto = utf8.decode(bytes);
    return utf8.hasError() ? fromCp1252(bytes) : texto;
}
} // namespace

TfmEditorSQL::TfmEditorSQL(QWidget *dono)
    : TfmXRSkin(dono)
    , m_console(std::make_unique<TConsoleSQL>(DMRepres ? DMRepres->XRDtRepres : nullptr))
{
    setObjectName(QStringLiteral("fmEditorSQL"));
    setWindowTitle(QStringLiteral("Editor SQL"));
    SetFormStyleMdi(true);
    CriaControles();
    CriaBarra();
    CarregaEstrutura();
}

TfmEditorSQL::~TfmEditorSQL() = default;

void TfmEditorSQL::CriaControles()
{
    auto *divisao = new QSplitter(Qt::Horizontal, this);
    TreeView = new QTreeWidget(divisao);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto *direita = new QSplitter(Qt::Vertical, divisao);
    MemoCmd = new QPlainTextEdit(direita);
    MemoCmd->setObjectName(QStringLiteral("MemoCmd"));
    MemoCmd->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoCmd->installEventFilter(this);

    PageControl = new QTabWidget(direita);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    TsResultado = new QWidget(PageControl);
    TsResultado->setObjectName(QStringLiteral("TsResultado"));
    auto *resultado = new QVBoxLayout(TsResultado);
    resultado->setContentsMargins(0, 0, 0, 0);
    QrySQL = new DataSet(this);
    QrySQL->setObjectName(QStringLiteral("QrySQL"));
    DBGrid = new TXRDBGrid(TsResultado);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->SetReadOnly(true);
    DBGrid->SetExporta(true);
    DBGrid->SetOrdenacao(false);
    DBGrid->SetDataSet(QrySQL);
    resultado->addWidget(DBGrid);
    TsHistorico = new QWidget(PageControl);
    TsHistorico->setObjectName(QStringLiteral("TsHistorico"));
    auto *historico = new QVBoxLayout(TsHistorico);
    historico->setContentsMargins(0, 0, 0, 0);
    MemoHist = new QPlainTextEdit(TsHistorico);
    MemoHist->setObjectName(QStringLiteral("MemoHist"));
    MemoHist->setReadOnly(true);
    MemoHist->setLineWrapMode(QPlainTextEdit::NoWrap);
    historico->addWidget(MemoHist);
    PageControl->addTab(TsResultado, QStringLiteral("Resultado"));
    PageControl->addTab(TsHistorico, QStringLiteral("Histórico"));

    divisao->setStretchFactor(1, 1);
    divisao->setSizes({185, 800});
    setCentralWidget(divisao);
}

void TfmEditorSQL::CriaBarra()
{
    ToolBar = addToolBar(QStringLiteral("Ferramentas"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    const auto acao = [this](const char *nome, const QString &texto, const QString &dica, auto metodo) {
        QAction *a = ToolBar->addAction(texto);
        a->setObjectName(QString::fromLatin1(nome));
        a->setToolTip(dica);
        connect(a, &QAction::triggered, this, metodo);
        return a;
    };
    AAbrir = acao("AAbrir", QStringLiteral("Abrir"), QStringLiteral("Abrir arquivo de comandos"),
                  &TfmEditorSQL::AbrirClick);
    AExecutar = acao("AExecutar", QStringLiteral("Executar"), QStringLiteral("Executar (F9)"),
                     &TfmEditorSQL::ExecutaSQL);
    ACommit = acao("ACommit", QStringLiteral("Commit"), QStringLiteral("Confirmar as alterações"),
                   &TfmEditorSQL::CommitClick);
    ARollback = acao("ARollback", QStringLiteral("Rollback"), QStringLiteral("Desfazer as alterações"),
                     &TfmEditorSQL::RollbackClick);
    ALimpar = acao("ALimpar", QStringLiteral("Limpar"), QStringLiteral("Limpar os comandos"),
                   &TfmEditorSQL::LimparClick);
    AFechar = acao("AFechar", QStringLiteral("Fechar"), QStringLiteral("Fechar"), &QWidget::close);
}

void TfmEditorSQL::CarregaEstrutura()
{
    TreeView->clear();
    if (!DMRepres)
        return;
    for (const TTabelaEstrutura &t : m_console->Estrutura()) {
        auto *raiz = new QTreeWidgetItem(TreeView, QStringList{t.tabela});
        for (const QString &campo : t.campos)
            new QTreeWidgetItem(raiz, QStringList{campo});
    }
}

void TfmEditorSQL::ExecutaSQL()
{
    const QString texto = MemoCmd->toPlainText();
    const TResultadoConsole r = m_console->Executa(texto, *QrySQL);
    if (!r.ok)
        dialogs().messageBox(MensagemFalhaSQL(r.erro), windowTitle(), MsgButtons::Ok, MsgIcon::Information);
    const QString cabecalho = CabecalhoHistorico(QTime::currentTime());
    // appending to an empty memo would fill its first line, not add one
    if (MemoHist->document()->isEmpty()) {
        MemoHist->setPlainText(QStringLiteral("\n") + cabecalho + '\n' + texto);
    } else {
        MemoHist->appendPlainText(QString());
        MemoHist->appendPlainText(cabecalho);
        MemoHist->appendPlainText(texto);
    }
}

void TfmEditorSQL::AbrirClick()
{
    const QString nome = dialogs().openFileName(QStringLiteral("Abrir"),
                                                QStringLiteral("Comandos SQL (*.sql);;Todos os arquivos (*)"));
    if (nome.isEmpty())
        return;
    QFile arquivo(nome);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QString(QStringLiteral("Não foi possível abrir o arquivo ") + nome + QStringLiteral(": ")
                    + arquivo.errorString())
                .toStdString());
    QString texto = textoDoArquivo(arquivo.readAll());
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (texto.endsWith('\n'))
        texto.chop(1);
    MemoCmd->appendPlainText(texto);
}

void TfmEditorSQL::FormShow()
{
    // a plain window: the caption keeps no version
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMaximized();
}

void TfmEditorSQL::CommitClick() { m_console->Commit(); }

void TfmEditorSQL::RollbackClick()
{
    QrySQL->close();
    m_console->Rollback();
}

void TfmEditorSQL::LimparClick() { MemoCmd->clear(); }

void TfmEditorSQL::FormClose(TCloseAction &action)
{
    action = TCloseAction::Free;
    // what was not committed goes with the window
    try {
        m_console->Rollback();
    } catch (const std::exception &e) {
        qWarning("Editor SQL: rollback ao fechar falhou: %s", e.what());
    }
}

bool TfmEditorSQL::eventFilter(QObject *obj, QEvent *event)
{
    if (obj == MemoCmd && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F9) {
        ExecutaSQL();
        return true;
    }
    return TfmXRSkin::eventFilter(obj, event);
}

void RegistraJanelaEditorSQL()
{
    RegisterClass(QStringLiteral("TfmEditorSQL"), [](QWidget *dono) {
        auto *j = new TfmEditorSQL(dono);
        j->setWindowState(Qt::WindowMaximized);
        return j;
    });
}
