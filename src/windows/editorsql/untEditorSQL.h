#pragma once

#include "components/untFormXRSkin.h"

#include <memory>

class DataSet;
class QAction;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class TConsoleSQL;
class TXRDBGrid;

// Maintenance console on the local database: the tables and their fields,
// statements run one after another, the last query's rows, commit and
// rollback of the console's own work, and a history of what was run.
class TfmEditorSQL : public TfmXRSkin {
    Q_OBJECT
public:
    explicit TfmEditorSQL(QWidget *dono = nullptr);
    ~TfmEditorSQL() override;

    QTreeWidget *TreeView;
    QPlainTextEdit *MemoCmd;
    QTabWidget *PageControl;
    QWidget *TsResultado, *TsHistorico;
    TXRDBGrid *DBGrid;
    QPlainTextEdit *MemoHist;
    DataSet *QrySQL;
    QToolBar *ToolBar;
    QAction *AAbrir, *AExecutar, *ACommit, *ARollback, *ALimpar, *AFechar;

    void CarregaEstrutura();
    void ExecutaSQL();
    void AbrirClick();
    void CommitClick();
    void RollbackClick();
    void LimparClick();

protected:
    void FormShow() override;
    void FormClose(TCloseAction &action) override;
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    void CriaControles();
    void CriaBarra();

    std::unique_ptr<TConsoleSQL> m_console;
};

void RegistraJanelaEditorSQL();
