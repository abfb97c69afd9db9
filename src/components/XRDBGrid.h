#pragma once

#include "platform/DataSet.h"
#include "platform/DataSetModel.h"

#include <QColor>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QAction;
class TXRDBFilterDialog;
class TXRDatabase;
class TXRTable;
class TXRDBGrid;
class TXRDBGridDelegate;

// One grid column bound to a field by name.
class TXRColumn {
public:
    QString FieldName;
    QString Title;
    int Width = 0; // 0 keeps the view's width
    bool Visible = true;
    bool ReadOnly = false;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor Color; // invalid: the grid's colours
    QColor FontColor;

    bool CheckBox = false;
    bool MemoEditor = false;
    bool CheckAll = true;
    QString ValueChecked;
    QString ValueUnChecked;
    // The column's own right-click menu; the grid adds its entries after it.
    QPointer<QMenu> PopupMenu;

    bool CheckTodos() const { return FCheckTodos; }
    bool EscalaCorLigada() const { return FEscalaCor; }

private:
    friend class TXRDBGrid;
    bool FCheckTodos = false;
    bool FEscalaCor = false;
};

// What the title of a column shows about the current sort.
struct TTituloOrdem {
    bool Ordenada = false;
    bool Descendente = false;
    QString Posicao; // 0-based position in the sort, as text
};

// The grid of every list: zebra rows, row highlight, check-box columns with
// a check-all title box, title-click sorting, colour scale, filter marks.
class TXRDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TXRDBGrid(QWidget *parent = nullptr);
    ~TXRDBGrid() override;

    // Data
    void SetDataSet(DataSet *ds);
    DataSet *GetDataSet() const { return m_ds; }
    DataSetModel *Model() const { return m_model; }

    // Columns; without any added, one per field.
    TXRColumn *AddColumn(const QString &fieldName, const QString &title = QString());
    void ClearColumns();
    int ColumnCount() const { return int(m_columns.size()); }
    TXRColumn *Column(int index) const;
    int IndexOfColumn(const TXRColumn *c) const;
    void MoveColumn(int from, int to);
    // Applies column changes (titles, widths, visibility) to the view.
    void LayoutChanged();
    TXRColumn *GetColumn(const QString &aFieldName) const;
    TXRColumn *ColunaSelecionada() const;
    int SelectedIndex() const;
    void SetSelectedIndex(int column);

    // Properties
    bool Filtrar = false;
    TXRDatabase *BaseDados = nullptr;
    TXRTable *Empresa = nullptr;
    bool Zebrado() const { return FZebrado; }
    void SetZebrado(bool v);
    QColor Zeb_Cor1 = QColor(0, 0, 0);
    QColor Zeb_Cor2 = QColor(0, 0, 0);
    bool Exporta() const { return FExporta; }
    void SetExporta(bool v);
    bool Ordenacao() const { return FOrdenacao; }
    void SetOrdenacao(bool v);
    bool DestacarLinha() const { return FDestacarLinha; }
    void SetDestacarLinha(bool v);
    QColor DestL_Cor = QColor(0, 0, 0);
    bool TituloAutomatico = false;
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);
    bool RowSelect() const { return m_rowSelect; }
    void SetRowSelect(bool v);

    std::function<void(TXRDBGrid *)> BeforeCheckAllClick;
    std::function<void(TXRDBGrid *)> AfterCheckAllClick;

    // Window hooks, run before the grid's own handling. Setting key to 0 (or
    // text to empty) stops the grid from handling it.
    std::function<void(TXRDBGrid *, int &key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(TXRDBGrid *, int &key, Qt::KeyboardModifiers)> OnKeyUp;
    std::function<void(TXRDBGrid *, QString &text)> OnKeyPress;
    std::function<void(TXRDBGrid *, TXRColumn *)> OnCellClick;
    std::function<void(TXRDBGrid *, TXRColumn *)> OnTitleClick;
    std::function<void(TXRDBGrid *)> OnDblClick;
    // Focus coming from or going to another widget of the same window; the
    // grid's own cell editor, dialogs, pop-ups and other windows do not count.
    // An inserted line nobody typed into is cancelled before OnExit.
    std::function<void(TXRDBGrid *)> OnEnter;
    std::function<void(TXRDBGrid *)> OnExit;
    // The current column changed; SelectedIndex() already answers the new one.
    std::function<void(TXRDBGrid *, int previousColumn)> OnColExit;
    std::function<void(TXRDBGrid *)> OnColEnter;

    TXRDBFilterDialog *XRFilterDialog() const { return m_filterDialog; }

    // Operations
    void CellClick(int column);
    void TitleClick(int column, bool ctrl);
    static void p_Ordena(DataSet *ds, const TXRColumn *column, bool ctrl);
    void LimparOrdenacao();
    void EscalaCor(int column);
    void VerificaGradeVazia(bool &flag);
    static QString AjustaTitulo(const QString &pTitulo);
    // The wait cursor on (true) or off.
    static void CursorEspera(bool espera);

    // Exports of the whole dataset (the spreadsheet takes the visible
    // columns) and the text import into an in-memory table.
    void ExpDOC();
    void ExpXLS();
    void ExpTXT();
    void ExpXML();
    void ExpHTML();
    void ImportarTXT();

    // Right-click menu, rebuilt at every right press. A window may give the
    // grid a menu of its own: the grid's entries follow the window's.
    QPointer<QMenu> PopupMenu;
    // The menu the last right press built (the column's, the window's or the grid's).
    QMenu *MenuEmUso() const { return m_popupMenuGrid; }
    // Column under the last right press that found one.
    int iColumnIndex = 0;
    void OcultarColuna();
    void ExibirColuna(QAction *sender);
    void FiltrarDados();
    void ExpPDFRetrato() { ExpPDF(false); }
    void ExpPDFPaisagem() { ExpPDF(true); }
    // Prints the rows through a PDF file.
    void ExpPDF(bool pbPaisagem);
    // Stores the visible columns per window, user and grid when the grid has a database.
    void GravaColunas();
    // Each {NAME} in texto becomes the real table name from ARQLOCAL (empty when none).
    QString ResolveTabela(const QString &texto);
    static constexpr int TagMenuGrade = 71501;
    static constexpr int TagTodas = 70045;

    // What painting uses, open to the window and to tests.
    QColor CorFundoCelula(int row, int column, bool selectedFocused) const;
    QColor CorFonteCelula(int row, int column) const;
    bool CelulaMarcada(int row, int column) const;
    TTituloOrdem TituloOrdem(int column) const;
    bool TituloFiltrado(int column) const;
    bool Ordenavel() const;
    QString TextoBlob(const QString &text, int width, const QFontMetrics &fm) const;
    int MouseOverRow() const { return fMouseOverRow; }
    // The grid row of the open memo editor.
    int NumeroRow = 0;

    // Colour of a rank (1-based) among count records, and whether its font
    // turns to the window colour.
    static QColor CorEscala(int rank, int count, bool *fonteClara = nullptr);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

public slots:
    void reset() override;

private:
    friend class TXRDBGridHeader;
    friend class TXRDBGridDelegate;
    // Runs OnKeyDown; false when the key was swallowed.
    bool RunKeyDown(int &key, Qt::KeyboardModifiers mods);
    // A line-entry key typed in a cell editor: the text goes to the field,
    // the editor closes and the grid gets the key as if no editor was open.
    void EditorKey(QWidget *editor, QKeyEvent *e);
    bool CommitEditor(QWidget *editor);
    // The date editor on date fields and the memo on MemoEditor columns
    // (XRDBGridEditores.cpp). Carrega answers false and Grava nothing for
    // any other editor.
    bool ColunaData(int column) const;
    QWidget *CriaEditorFlutuante(QWidget *parent, const QModelIndex &index);
    bool CarregaEditorFlutuante(QWidget *editor, const QModelIndex &index);
    std::optional<bool> GravaEditorFlutuante(QWidget *editor, const QModelIndex &index);
    void FechaEditorFlutuante(QWidget *editor);
    // A key typed on a date cell: a digit opens the editor and lands in it,
    // Backspace opens it, any other character is swallowed.
    bool TeclaColunaData(QKeyEvent *e);
    // Up/Down/Tab rules for adding lines; true when the key was handled.
    bool LineKey(int key, Qt::KeyboardModifiers mods);
    bool CanAddLine() const;
    void AddLine(int column);
    void CancelBlankLine();
    int FirstVisibleColumn() const;
    int LastVisibleColumn() const;
    void FocusChanged(QWidget *now);
    void ColumnChanged();
    void RebuildDefaultColumns();
    void OnDataChanged();
    void CheckAllClick(TXRColumn *column);
    void ToggleCheck(TXRColumn *column);
    void RestoreOptions(bool clear);
    void ApplyTituloAutomatico();
    void ShowError(const std::exception &e) const;
    int RankOf(int column, const QVariant &v) const;
    // The frame every export shares: save dialog, wait cursor, controls off,
    // record number kept. grava gets the chosen name; false when cancelled or failed.
    bool ExecutaExportacao(const std::function<void(const QString &)> &grava, const QString &falha = QString());

    // Right-click menu (XRDBGridMenu.cpp). coluna -1: no column under the mouse.
    friend class TXRDBGridMenuFiltro;
    QMenu *MontaMenu(int coluna);
    void InstalaMenu();
    void LiberaMenu();
    void RemoveEntradasMenu(QMenu *menu);
    bool ConjuntoMemoria() const;
    // Runs a menu handler; its errors reach the user as a message.
    void Executa(const std::function<void()> &acao);
    QPointer<QMenu> m_popupMenuGrid;
    QPointer<QMenu> m_menuCriado;
    bool m_menuJaAberto = false;

    QPointer<DataSet> m_ds;
    DataSetModel *m_model;
    TXRDBFilterDialog *m_filterDialog;
    std::vector<std::unique_ptr<TXRColumn>> m_columns;
    bool m_defaultColumns = true;
    bool FZebrado = false;
    bool FExporta = true;
    bool FOrdenacao = false;
    bool FDestacarLinha = false;
    bool m_readOnly = false;
    bool m_rowSelect = false;
    bool FbEmptyGrid = false;
    std::optional<QAbstractItemView::EditTriggers> oOpcoes;
    int fMouseOverRow = -1;
    bool bMoveuColuna = false;
    bool bMouseDown = false;
    Qt::KeyboardModifiers m_titleModifiers;
    bool m_keyHookRan = false; // OnKeyDown already saw the key being delivered
    bool m_resetting = false;
    bool m_focusInside = false;
    int m_currentColumn = 0;
    QMetaObject::Connection m_focusConn;

    // colour scale: one clone without settings; ranks per column, recomputed after data changes
    std::unique_ptr<DataSet> ogCDS;
    mutable bool m_ranksDirty = true;
    mutable std::vector<std::vector<std::pair<QVariant, int>>> m_ranks;
    mutable int m_rankCount = 0;
};

class TXRDBGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TXRDBGridHeader(TXRDBGrid *grid);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    TXRDBGrid *m_grid;
};
