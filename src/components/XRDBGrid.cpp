#include "components/XRDBGrid.h"

#include "components/XRDBFilterDialog.h"
#include "components/XRDBGridEditores.h"
#include "data/XRQuery.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMetaProperty>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace {

const QColor kSelecionada(0xA6, 0xCA, 0xF0); // the platform's sky blue

bool operator_contains(const QStringList &list, const QString &name)
{
    for (const QString &s : list)
        if (s.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isLineEntryKey(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_F3:
    case Qt::Key_F4:
        return true;
    default:
        return false;
    }
}

} // namespace

class TXRDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TXRDBGridDelegate(TXRDBGrid *grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const TXRColumn *col = m_grid->Column(index.column());
        const bool selFocused = (option.state & QStyle::State_Selected) && m_grid->hasFocus();
        const QColor bg = m_grid->CorFundoCelula(index.row(), index.column(), selFocused);
        p->save();
        p->fillRect(option.rect, bg.isValid() ? bg : option.palette.base().color());
        if (col && col->CheckBox) {
            QStyleOptionButton box;
            box.rect = option.rect.adjusted(2, 2, -2, -2);
            const int side = std::min(box.rect.width(), box.rect.height());
            box.rect = QRect(box.rect.center().x() - side / 2, box.rect.center().y() - side / 2, side, side);
            box.state = QStyle::State_Enabled
                | (m_grid->CelulaMarcada(index.row(), index.column()) ? QStyle::State_On : QStyle::State_Off);
            m_grid->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, m_grid);
            p->restore();
            return;
        }
        QString text = index.data(Qt::DisplayRole).toString();
        const QColor fg = m_grid->CorFonteCelula(index.row(), index.column());
        p->setPen(fg.isValid() ? fg : option.palette.text().color());
        const int f = m_grid->Model()->fieldIndexOfColumn(index.column());
        DataSet *ds = m_grid->GetDataSet();
        const bool blob = ds && f >= 0 && ds->field(f)->isBlob();
        if (blob && !text.contains(QStringLiteral("BMB®")) && !text.contains(QLatin1String("JFIF"))) {
            const QRect r = option.rect.adjusted(2, 2, 0, -2);
            text = m_grid->TextoBlob(text.trimmed(), r.width(), option.fontMetrics);
            p->setClipRect(r);
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, text);
        } else {
            const Qt::Alignment a = col ? col->Alignment : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
            p->drawText(option.rect.adjusted(2, 0, -2, 0), int(a), text);
        }
        p->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const TXRColumn *col = m_grid->Column(index.column());
        // check-box cells are never edited as text
        if (m_grid->ReadOnly() || (col && (col->CheckBox || col->ReadOnly)))
            return nullptr;
        if (QWidget *w = m_grid->CriaEditorFlutuante(parent, index))
            return w;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (!m_grid->CarregaEditorFlutuante(editor, index))
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (!m_grid->GravaEditorFlutuante(editor, index))
            QStyledItemDelegate::setModelData(editor, model, index);
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        m_grid->FechaEditorFlutuante(editor);
        QStyledItemDelegate::destroyEditor(editor, index);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *editor = qobject_cast<QWidget *>(object);
        if (!editor)
            return QStyledItemDelegate::eventFilter(object, event);
        // a key already seen by the hook, handed back to the editor below
        if (m_grid->m_keyHookRan)
            return false;
        // the grid takes the focus back while a reset drops the editor: nothing to commit
        if (event->type() == QEvent::FocusOut && m_grid->m_resetting)
            return false;
        if (event->type() != QEvent::KeyPress)
            return QStyledItemDelegate::eventFilter(object, event);
        auto *e = static_cast<QKeyEvent *>(event);
        // Up and Down move between the memo's lines
        const bool linhaDoMemo = (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) && qobject_cast<TXRMemo *>(editor);
        if (isLineEntryKey(e->key()) && !linhaDoMemo) {
            m_grid->EditorKey(editor, e);
            e->accept();
            return true;
        }
        int key = e->key();
        if (!m_grid->RunKeyDown(key, e->modifiers())) {
            e->accept();
            return true;
        }
        if (QStyledItemDelegate::eventFilter(object, event))
            return true;
        // The editor gets the key now; one it ignores travels up to the grid,
        // whose hook must not run a second time for it.
        const QScopedValueRollback guard(m_grid->m_keyHookRan, true);
        QCoreApplication::sendEvent(editor, e);
        e->accept();
        return true;
    }

private:
    TXRDBGrid *m_grid;
};

// ---------------------------------------------------------------- grid

TXRDBGrid::TXRDBGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new DataSetModel(this))
    , m_filterDialog(new TXRDBFilterDialog(this))
{
    m_filterDialog->DBGrid = this;
    setHorizontalHeader(new TXRDBGridHeader(this));
    setItemDelegate(new TXRDBGridDelegate(this));
    setModel(m_model);
    m_model->bindSelection(selectionModel());
    m_model->cancelsBlankInsert = true;
    // after the model has moved the dataset to the new row
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ColumnChanged(); });
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        m_focusConn = connect(app, &QApplication::focusChanged, this,
                              [this](QWidget *, QWidget *now) { FocusChanged(now); });
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &DataSetModel::errorRaised, this,
            [this](const QString &m) { ShowError(EDatabaseError(m)); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        try {
            CellClick(i.column());
        } catch (const EAbort &) {
        } catch (const std::exception &e) {
            ShowError(e);
        }
    });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
        bMoveuColuna = true;
        if (from >= 0 && from < int(m_columns.size()) && to >= 0 && to < int(m_columns.size())) {
            // the view's visual order becomes the column order
            QSignalBlocker block(horizontalHeader());
            horizontalHeader()->moveSection(to, from);
            MoveColumn(from, to);
            try {
                GravaColunas();
            } catch (const std::exception &e) {
                ShowError(e);
            }
        }
    });
    InstalaMenu();
}

TXRDBGrid::~TXRDBGrid()
{
    // children losing the focus while this grid is half destroyed must not reach it
    disconnect(m_focusConn);
    LiberaMenu();
}

void TXRDBGrid::ShowError(const std::exception &e) const
{
    const auto *db = dynamic_cast<const EDatabaseError *>(&e);
    dialogs().messageBox(db ? db->message() : QString::fromUtf8(e.what()), QCoreApplication::applicationName(),
                         MsgButtons::Ok, MsgIcon::Error);
}

void TXRDBGrid::SetDataSet(DataSet *ds)
{
    if (m_ds)
        disconnect(m_ds, nullptr, this, nullptr);
    m_ds = ds;
    ogCDS.reset();
    for (auto &c : m_columns)
        c->FEscalaCor = false;
    m_model->setDataSet(ds);
    if (ds) {
        connect(ds, &DataSet::structureChanged, this, [this] {
            if (m_defaultColumns)
                RebuildDefaultColumns();
            OnDataChanged();
        });
        connect(ds, &DataSet::rowsReset, this, &TXRDBGrid::OnDataChanged);
        connect(ds, &DataSet::rowChanged, this, [this] { m_ranksDirty = true; });
        connect(ds, &DataSet::stateChanged, this, &TXRDBGrid::OnDataChanged);
    }
    if (m_defaultColumns)
        RebuildDefaultColumns();
    else
        LayoutChanged();
    OnDataChanged();
}

void TXRDBGrid::OnDataChanged()
{
    m_ranksDirty = true;
    if (!m_ds)
        return;
    // empty grid: a cancelled first insert into a dialog-filtered table drops the filter
    if (m_ds->active() && m_ds->isEmpty() && !qobject_cast<TXRCustomQuery *>(m_ds)
        && !qobject_cast<TXRCustomTable *>(m_ds)) {
        if (m_ds->state() == DataSet::State::Insert)
            FbEmptyGrid = true;
        else if (FbEmptyGrid && m_ds->state() == DataSet::State::Browse)
            VerificaGradeVazia(FbEmptyGrid);
    }
    if (m_ds->active() && m_ds->recNo() <= 1 && TituloAutomatico)
        ApplyTituloAutomatico();
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void TXRDBGrid::RebuildDefaultColumns()
{
    m_columns.clear();
    if (m_ds)
        for (const FieldDef &d : m_ds->fieldDefs()) {
            auto c = std::make_unique<TXRColumn>();
            c->FieldName = d.name;
            const Field *f = m_ds->findField(d.name);
            c->Title = f && !f->displayLabel.isEmpty() ? f->displayLabel : d.name;
            c->Visible = !f || f->visible;
            if (isNumericType(d.type))
                c->Alignment = Qt::AlignRight | Qt::AlignVCenter;
            m_columns.push_back(std::move(c));
        }
    LayoutChanged();
}

TXRColumn *TXRDBGrid::AddColumn(const QString &fieldName, const QString &title)
{
    if (m_defaultColumns) {
        m_columns.clear();
        m_defaultColumns = false;
    }
    auto c = std::make_unique<TXRColumn>();
    c->FieldName = fieldName;
    c->Title = title.isEmpty() ? fieldName : title;
    if (m_ds)
        if (const Field *f = m_ds->findField(fieldName); f && isNumericType(f->dataType()))
            c->Alignment = Qt::AlignRight | Qt::AlignVCenter;
    m_columns.push_back(std::move(c));
    LayoutChanged();
    return m_columns.back().get();
}

void TXRDBGrid::ClearColumns()
{
    m_columns.clear();
    m_defaultColumns = true;
    RebuildDefaultColumns();
}

TXRColumn *TXRDBGrid::Column(int index) const
{
    return index >= 0 && index < int(m_columns.size()) ? m_columns[size_t(index)].get() : nullptr;
}

int TXRDBGrid::IndexOfColumn(const TXRColumn *c) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].get() == c)
            return int(i);
    return -1;
}

void TXRDBGrid::MoveColumn(int from, int to)
{
    if (from == to || !Column(from) || !Column(to))
        return;
    auto c = std::move(m_columns[size_t(from)]);
    m_columns.erase(m_columns.begin() + from);
    m_columns.insert(m_columns.begin() + to, std::move(c));
    m_defaultColumns = false;
    LayoutChanged();
}

void TXRDBGrid::LayoutChanged()
{
    QStringList fields, titles;
    for (const auto &c : m_columns) {
        fields << c->FieldName;
        titles << c->Title;
    }
    const QModelIndex cur = currentIndex();
    m_model->setColumns(fields, titles);
    for (int i = 0; i < int(m_columns.size()); ++i) {
        setColumnHidden(i, !m_columns[size_t(i)]->Visible);
        if (m_columns[size_t(i)]->Width > 0)
            setColumnWidth(i, m_columns[size_t(i)]->Width);
    }
    m_ranks.clear();
    m_ranksDirty = true;
    if (m_ds && m_ds->recNo() > 0)
        setCurrentIndex(m_model->index(m_ds->recNo() - 1, cur.isValid() ? std::min(cur.column(), ColumnCount() - 1) : 0));
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

TXRColumn *TXRDBGrid::GetColumn(const QString &aFieldName) const
{
    for (const auto &c : m_columns)
        if (c->FieldName.compare(aFieldName, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

int TXRDBGrid::SelectedIndex() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : 0;
}

void TXRDBGrid::SetSelectedIndex(int column)
{
    if (!Column(column))
        return;
    const int row = currentIndex().isValid() ? currentIndex().row() : (m_ds ? m_ds->recNo() - 1 : 0);
    setCurrentIndex(m_model->index(std::max(0, row), column));
}

TXRColumn *TXRDBGrid::ColunaSelecionada() const
{
    TXRColumn *c = Column(SelectedIndex());
    return c && m_ds && m_ds->findField(c->FieldName) ? c : nullptr;
}

void TXRDBGrid::SetZebrado(bool v)
{
    FZebrado = v;
    viewport()->update();
}
void TXRDBGrid::SetExporta(bool v) { FExporta = v; }
void TXRDBGrid::SetOrdenacao(bool v)
{
    FOrdenacao = v;
    horizontalHeader()->viewport()->update();
}
void TXRDBGrid::SetDestacarLinha(bool v)
{
    FDestacarLinha = v;
    setMouseTracking(v);
    viewport()->update();
}
void TXRDBGrid::SetReadOnly(bool v)
{
    m_readOnly = v;
    m_model->readOnly = v;
}
void TXRDBGrid::SetRowSelect(bool v)
{
    m_rowSelect = v;
    setSelectionBehavior(v ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

// ---------------------------------------------------------------- painting rules

bool TXRDBGrid::Ordenavel() const
{
    return FOrdenacao && m_ds && !qobject_cast<TXRCustomQuery *>(m_ds) && !qobject_cast<TXRCustomTable *>(m_ds);
}

QColor TXRDBGrid::CorEscala(int rank, int count, bool *fonteClara)
{
    const double step = count == 0 ? 1.0 : 510.0 / count;
    const int v = int(std::nearbyint(255.0 - rank * step)); // half to even
    if (fonteClara)
        *fonteClara = v < -255;
    if (v >= 0)
        return QColor(255, 255, std::min(v, 255));
    if (v >= -255)
        return QColor(255, 255 + v, 0);
    return QColor(255, 0, 0);
}

int TXRDBGrid::RankOf(int column, const QVariant &v) const
{
    if (!ogCDS || !ogCDS->active())
        return 0;
    if (m_ranksDirty) {
        m_ranks.assign(m_columns.size(), {});
        m_rankCount = ogCDS->recordCount();
        m_ranksDirty = false;
    }
    if (column >= int(m_ranks.size()))
        m_ranks.resize(m_columns.size());
    auto &ranks = m_ranks[size_t(column)];
    if (ranks.empty() && m_rankCount > 0) {
        const int f = ogCDS->fieldIndex(m_columns[size_t(column)]->FieldName);
        if (f < 0)
            return 0;
        std::vector<QVariant> values;
        values.reserve(size_t(m_rankCount));
        for (int i = 0; i < m_rankCount; ++i)
            values.push_back(ogCDS->valueAt(i, f));
        std::stable_sort(values.begin(), values.end(),
                         [](const QVariant &a, const QVariant &b) { return compareFieldValues(a, b) < 0; });
        // a value's rank is the record number of its first holder in that order
        for (size_t i = 0; i < values.size(); ++i)
            if (i == 0 || compareFieldValues(values[i - 1], values[i]) != 0)
                ranks.emplace_back(values[i], int(i) + 1);
    }
    auto it = std::lower_bound(ranks.begin(), ranks.end(), v,
                               [](const std::pair<QVariant, int> &p, const QVariant &x) {
                                   return compareFieldValues(p.first, x) < 0;
                               });
    if (it == ranks.end() || compareFieldValues(it->first, v) != 0)
        return 0;
    return it->second;
}

QColor TXRDBGrid::CorFundoCelula(int row, int column, bool selectedFocused) const
{
    QColor brush = Column(column) && Column(column)->Color.isValid() ? Column(column)->Color : palette().base().color();
    if (selectedFocused)
        brush = kSelecionada;
    if (FZebrado && !qobject_cast<TXRCustomTable *>(m_ds))
        brush = selectedFocused ? kSelecionada : ((row + 1) % 2 == 1 ? Zeb_Cor1 : Zeb_Cor2);
    if (FDestacarLinha && !selectedFocused && row + 1 == fMouseOverRow)
        brush = DestL_Cor;
    const TXRColumn *c = Column(column);
    if (c && c->FEscalaCor && m_ds && ogCDS && !ogCDS->isEmpty()) {
        const int f = m_model->fieldIndexOfColumn(column);
        if (f >= 0) {
            const int r = RankOf(column, m_model->rawValue(row, column));
            if (r > 0)
                brush = CorEscala(r, m_rankCount);
        }
    }
    return brush;
}

QColor TXRDBGrid::CorFonteCelula(int row, int column) const
{
    const TXRColumn *c = Column(column);
    if (c && c->FEscalaCor && ogCDS && !ogCDS->isEmpty()) {
        const int r = RankOf(column, m_model->rawValue(row, column));
        bool clara = false;
        if (r > 0) {
            CorEscala(r, m_rankCount, &clara);
            if (clara)
                return palette().base().color();
        }
    }
    return c && c->FontColor.isValid() ? c->FontColor : QColor();
}

bool TXRDBGrid::CelulaMarcada(int row, int column) const
{
    const TXRColumn *c = Column(column);
    if (!c || !m_ds)
        return false;
    const int f = m_ds->fieldIndex(c->FieldName);
    if (f < 0)
        return false;
    const QVariant v = m_model->rawValue(row, column);
    return Field::displayTextOf(v, m_ds->fieldDefs()[size_t(f)].type, {}) == c->ValueChecked;
}

QString TXRDBGrid::TextoBlob(const QString &text, int width, const QFontMetrics &fm) const
{
    QString t = text;
    if (width > 20 && fm.horizontalAdvance(t) > width && !t.isEmpty()) {
        const int first = fm.horizontalAdvance(t.left(1));
        const int n = first > 0 ? width / first : 0;
        if (n > 0)
            t = t.left(n + 5) + QStringLiteral("...");
        while (fm.horizontalAdvance(t) > width && t.size() > 3) {
            t.chop(std::min<qsizetype>(4, t.size()));
            t += QStringLiteral("...");
            if (t == QLatin1String("..."))
                break;
        }
    }
    return t;
}

TTituloOrdem TXRDBGrid::TituloOrdem(int column) const
{
    TTituloOrdem out;
    const TXRColumn *c = Column(column);
    if (!c || !Ordenavel() || (c->CheckAll && c->CheckBox))
        return out;
    const IndexDef *idx = m_ds->indexName().trimmed().isEmpty() ? nullptr : m_ds->findIndex(m_ds->indexName());
    if (!idx)
        return out;
    const QStringList fields = idx->fields.split(';', Qt::SkipEmptyParts);
    const QStringList desc = idx->descFields.split(';', Qt::SkipEmptyParts);
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].trimmed().compare(c->FieldName, Qt::CaseInsensitive) == 0) {
            out.Ordenada = true;
            out.Descendente = operator_contains(desc, c->FieldName);
            out.Posicao = QString::number(i);
            break;
        }
    }
    return out;
}

bool TXRDBGrid::TituloFiltrado(int column) const
{
    const TXRColumn *c = Column(column);
    if (!c || !Filtrar || !m_ds || !m_ds->filtered() || m_filterDialog->Colunas.isEmpty())
        return false;
    return m_ds->filter().contains(m_filterDialog->Colunas) && m_filterDialog->Colunas.contains(c->FieldName)
        && m_filterDialog->Campos.contains(QLatin1Char('*') + c->FieldName + QLatin1Char('*'));
}

// ---------------------------------------------------------------- titles

QString TXRDBGrid::AjustaTitulo(const QString &pTitulo)
{
    if (pTitulo.trimmed().isEmpty() || pTitulo.contains(QLatin1Char(' ')))
        return pTitulo;
    auto palavra = [](const QString &s) -> QString { return s.left(1).toUpper() + s.mid(1).toLower(); };
    if (!pTitulo.contains(QLatin1Char('_')))
        return palavra(pTitulo);
    QStringList partes;
    for (const QString &p : pTitulo.split(QLatin1Char('_')))
        partes << palavra(p);
    return partes.join(QLatin1Char(' '));
}

void TXRDBGrid::CursorEspera(bool espera)
{
    if (espera)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

void TXRDBGrid::ApplyTituloAutomatico()
{
    bool mudou = false;
    for (auto &c : m_columns) {
        const QString t = AjustaTitulo(c->Title);
        mudou = mudou || t != c->Title;
        c->Title = t;
    }
    if (mudou) {
        QStringList fields, titles;
        for (const auto &c : m_columns) {
            fields << c->FieldName;
            titles << c->Title;
        }
        m_model->setColumns(fields, titles);
    }
}

// ---------------------------------------------------------------- clicks and keys

void TXRDBGrid::CellClick(int column)
{
    TXRColumn *c = Column(column);
    if (OnCellClick)
        OnCellClick(this, c);
    if (!m_ds || !m_ds->active() || !c || !c->CheckBox || m_rowSelect || m_readOnly)
        return;
    TXRColumn *sel = ColunaSelecionada();
    if (sel && sel->ReadOnly)
        return;
    ToggleCheck(c);
}

void TXRDBGrid::ToggleCheck(TXRColumn *c)
{
    Field *f = m_ds->fieldByName(c->FieldName);
    if (f->readOnly)
        return;
    m_ds->edit();
    f->setValue(f->asString() == c->ValueChecked ? c->ValueUnChecked : c->ValueChecked);
    if (m_ds->state() == DataSet::State::Edit || m_ds->state() == DataSet::State::Insert)
        m_ds->post();
}

void TXRDBGrid::TitleClick(int column, bool ctrl)
{
    TXRColumn *c = Column(column);
    if (OnTitleClick)
        OnTitleClick(this, c);
    if (!c || !m_ds)
        return;
    if (m_ds->active() && !c->ReadOnly && c->CheckBox && c->CheckAll && !bMoveuColuna && !m_rowSelect) {
        CheckAllClick(c);
        return;
    }
    const Field *f = m_ds->findField(c->FieldName);
    if (!Ordenavel() || bMoveuColuna || !f || f->isBlob() || !m_ds->active())
        return;
    CursorEspera(true);
    try {
        p_Ordena(m_ds, c, ctrl);
    } catch (...) {
        CursorEspera(false);
        throw;
    }
    CursorEspera(false);
    horizontalHeader()->viewport()->update();
}

void TXRDBGrid::CheckAllClick(TXRColumn *c)
{
    // a query has no way to write rows back
    if (qobject_cast<TXRCustomQuery *>(m_ds))
        return;
    const int recNo = m_ds->recNo();
    c->FCheckTodos = !c->FCheckTodos;
    const QString valor = c->FCheckTodos ? c->ValueChecked : c->ValueUnChecked;
    CursorEspera(true);
    m_ds->disableControls();
    auto restaura = [&] {
        CursorEspera(false);
        m_ds->enableControls();
        if (recNo > 0 && recNo <= m_ds->recordCount())
            m_ds->setRecNo(recNo);
        horizontalHeader()->viewport()->update();
    };
    try {
        if (BeforeCheckAllClick)
            BeforeCheckAllClick(this);
        Field *f = m_ds->fieldByName(c->FieldName);
        for (m_ds->first(); !m_ds->eof(); m_ds->next()) {
            try {
                m_ds->edit();
                f->setValue(valor);
                if (m_ds->state() == DataSet::State::Edit || m_ds->state() == DataSet::State::Insert)
                    m_ds->post();
            } catch (const EAbort &) {
                m_ds->cancel(); // a record the program refuses is skipped
            }
        }
        if (AfterCheckAllClick)
            AfterCheckAllClick(this);
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

void TXRDBGrid::p_Ordena(DataSet *ds, const TXRColumn *column, bool ctrl)
{
    if (!ds || !ds->active())
        return;
    const QString campo = column->FieldName;
    const QString nome = QStringLiteral("INDICE") + QTime::currentTime().toString(QStringLiteral("ss_zzz"));
    QString F, D;
    if (!ds->indexName().isEmpty() && !ds->indexDefs().empty()) {
        if (const IndexDef *atual = ds->findIndex(ds->indexName())) {
            F = atual->fields;
            D = atual->descFields;
        }
    }
    ds->setIndexName(QString());
    ds->deleteIndexes();
    const QString item = campo + QLatin1Char(';');
    if (ctrl) {
        const QStringList fl = F.split(';', Qt::SkipEmptyParts);
        const QStringList dl = D.split(';', Qt::SkipEmptyParts);
        if (!operator_contains(fl, campo)) {
            F += item;
        } else if (!operator_contains(dl, campo)) {
            D += item;
        } else if (D.startsWith(item, Qt::CaseInsensitive)) {
            D = D.mid(D.indexOf(QLatin1Char(';')) + 1);
        } else {
            D.replace(QLatin1Char(';') + item, QStringLiteral(";"), Qt::CaseInsensitive);
        }
    } else if (F.compare(item, Qt::CaseInsensitive) != 0) {
        F = item;
        D.clear();
    } else {
        D = D.isEmpty() ? item : QString();
    }
    ds->addIndex(nome, F, D);
    ds->setIndexName(nome);
    ds->first();
}

void TXRDBGrid::LimparOrdenacao()
{
    if (!m_ds || !m_ds->active())
        return;
    m_ds->setIndexName(QString());
    m_ds->deleteIndexes();
    LayoutChanged();
}

void TXRDBGrid::EscalaCor(int column)
{
    TXRColumn *c = Column(column);
    if (!c || !m_ds || !m_ds->active() || c->CheckBox)
        return;
    const Field *f = m_ds->findField(c->FieldName);
    if (!f || f->isBlob())
        return;
    if (!ogCDS)
        ogCDS = std::make_unique<DataSet>();
    ogCDS->cloneCursor(*m_ds, false);
    c->FEscalaCor = !c->FEscalaCor;
    m_ranksDirty = true;
    LayoutChanged();
}

void TXRDBGrid::VerificaGradeVazia(bool &flag)
{
    if (flag && Filtrar && m_ds && m_ds->filtered() && !m_filterDialog->Colunas.trimmed().isEmpty())
        m_filterDialog->EmptyFilter();
    flag = false;
}

void TXRDBGrid::RestoreOptions(bool clear)
{
    if (!oOpcoes)
        return;
    setEditTriggers(*oOpcoes);
    if (clear)
        oOpcoes.reset();
}

bool TXRDBGrid::RunKeyDown(int &key, Qt::KeyboardModifiers mods)
{
    if (!OnKeyDown)
        return true;
    try {
        OnKeyDown(this, key, mods);
    } catch (const EAbort &) {
        key = 0;
    } catch (const std::exception &ex) {
        ShowError(ex);
        key = 0;
    }
    return key != 0;
}

void TXRDBGrid::keyPressEvent(QKeyEvent *e)
{
    int key = e->key();
    if (!m_keyHookRan && !RunKeyDown(key, e->modifiers()))
        return;
    if (OnKeyPress && !e->text().isEmpty()) {
        QString text = e->text();
        OnKeyPress(this, text);
        if (text.isEmpty())
            return;
    }
    TXRColumn *c = Column(SelectedIndex());
    if (c && c->CheckBox && m_ds && m_ds->active() && !m_readOnly && !m_rowSelect) {
        if (!oOpcoes)
            oOpcoes = editTriggers();
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        if (key == Qt::Key_Space) {
            try {
                CellClick(SelectedIndex());
            } catch (const EAbort &) {
            } catch (const std::exception &ex) {
                ShowError(ex);
            }
            return;
        }
    }
    if (TeclaColunaData(e))
        return;
    if (LineKey(key, e->modifiers())) {
        e->accept();
        return;
    }
    // a key that opens a cell editor is handed to it: the hook has seen it
    const QScopedValueRollback guard(m_keyHookRan, true);
    QTableView::keyPressEvent(e);
}

void TXRDBGrid::EditorKey(QWidget *editor, QKeyEvent *e)
{
    // a value the field refuses keeps the editor open with the typed text
    if (!CommitEditor(editor))
        return;
    QKeyEvent key(QEvent::KeyPress, e->key(), e->modifiers(), e->text(), e->isAutoRepeat(), e->count());
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(this, &key);
}

bool TXRDBGrid::CommitEditor(QWidget *editor)
{
    QModelIndex index = indexAt(editor->geometry().center());
    if (!index.isValid())
        index = currentIndex();
    if (const std::optional<bool> gravou = GravaEditorFlutuante(editor, index))
        return *gravou;
    const QByteArray prop = editor->metaObject()->userProperty().name();
    if (!index.isValid() || prop.isEmpty()) {
        commitData(editor);
        return true;
    }
    const QVariant value = editor->property(prop.constData());
    // an editor opened and left untouched does not start an edit
    if (value == m_model->data(index, Qt::EditRole))
        return true;
    return m_model->setData(index, value, Qt::EditRole);
}

bool TXRDBGrid::CanAddLine() const
{
    if (m_readOnly || !m_ds || !m_ds->active())
        return false;
    // a new line only where something could be typed into it: a list of
    // read-only and check-box columns never grows blank rows
    for (int column = 0; column < ColumnCount(); ++column) {
        const TXRColumn *c = Column(column);
        const int f = m_model->fieldIndexOfColumn(column);
        if (c && c->Visible && !isColumnHidden(column) && !c->ReadOnly && !c->CheckBox && f >= 0
            && !m_ds->field(f)->readOnly)
            return true;
    }
    return false;
}

bool TXRDBGrid::LineKey(int key, Qt::KeyboardModifiers mods)
{
    if (m_readOnly || !m_ds || !m_ds->active()
        || (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const bool blank = m_ds->state() == DataSet::State::Insert && !m_ds->modified();
    const bool lastRow = m_ds->recNo() >= m_model->rowCount();
    try {
        switch (key) {
        case Qt::Key_Up: {
            if (!blank)
                return false;
            const int column = SelectedIndex();
            const int previous = m_ds->recNo() - 1;
            m_ds->cancel();
            if (previous >= 1 && previous <= m_ds->recordCount())
                m_ds->setRecNo(previous);
            if (m_ds->recNo() > 0)
                setCurrentIndex(m_model->index(m_ds->recNo() - 1, column));
            return true;
        }
        case Qt::Key_Down:
            if (blank)
                return true;
            if (!lastRow || !CanAddLine())
                return false;
            // an empty grid has no current cell but remembers its column
            AddLine(currentIndex().isValid() ? SelectedIndex() : m_model->lastColumn());
            return true;
        case Qt::Key_Tab:
            if (m_model->rowCount() == 0 || !lastRow || SelectedIndex() != LastVisibleColumn())
                return false;
            if (blank)
                return true;
            if (!CanAddLine())
                return false;
            AddLine(FirstVisibleColumn());
            return true;
        default:
            return false;
        }
    } catch (const EAbort &) {
    } catch (const std::exception &ex) {
        ShowError(ex);
    }
    return true;
}

void TXRDBGrid::AddLine(int column)
{
    m_ds->append(); // posts the line being typed first
    setCurrentIndex(m_model->index(m_ds->recNo() - 1, column));
}

void TXRDBGrid::CancelBlankLine()
{
    if (!m_readOnly && m_ds && m_ds->state() == DataSet::State::Insert && !m_ds->modified())
        m_ds->cancel();
}

int TXRDBGrid::FirstVisibleColumn() const
{
    const QHeaderView *h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v)
        if (!isColumnHidden(h->logicalIndex(v)))
            return h->logicalIndex(v);
    return 0;
}

int TXRDBGrid::LastVisibleColumn() const
{
    const QHeaderView *h = horizontalHeader();
    for (int v = h->count() - 1; v >= 0; --v)
        if (!isColumnHidden(h->logicalIndex(v)))
            return h->logicalIndex(v);
    return 0;
}

void TXRDBGrid::FocusChanged(QWidget *now)
{
    // no focus widget: the window itself lost the focus
    if (!now)
        return;
    if (now == this || isAncestorOf(now)) {
        if (m_focusInside)
            return;
        m_focusInside = true;
        try {
            if (OnEnter)
                OnEnter(this);
        } catch (const EAbort &) {
        } catch (const std::exception &ex) {
            ShowError(ex);
        }
        return;
    }
    // a dialog, pop-up or another window holds the focus for a while; the grid is not left
    if (!m_focusInside || now->window() != window())
        return;
    m_focusInside = false;
    try {
        CancelBlankLine();
        if (OnExit)
            OnExit(this);
    } catch (const EAbort &) {
    } catch (const std::exception &ex) {
        ShowError(ex);
    }
}

void TXRDBGrid::ColumnChanged()
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || cur.column() == m_currentColumn)
        return;
    const int previous = m_currentColumn;
    // set first: a hook that resets the model comes back here with nothing new
    m_currentColumn = cur.column();
    try {
        if (OnColExit)
            OnColExit(this, previous);
        if (OnColEnter)
            OnColEnter(this);
    } catch (const EAbort &) {
    } catch (const std::exception &ex) {
        ShowError(ex);
    }
}

void TXRDBGrid::reset()
{
    // The reset drops any cell editor; taking the focus back first keeps it
    // from wandering to the next widget of the window when the editor hides.
    QWidget *fw = QApplication::focusWidget();
    if (fw && fw != this && isAncestorOf(fw)) {
        const QScopedValueRollback guard(m_resetting, true);
        setFocus(Qt::OtherFocusReason);
    }
    QTableView::reset();
}

void TXRDBGrid::keyReleaseEvent(QKeyEvent *e)
{
    int key = e->key();
    if (OnKeyUp) {
        OnKeyUp(this, key, e->modifiers());
        if (key == 0)
            return;
    }
    TXRColumn *c = Column(SelectedIndex());
    if (c && c->CheckBox && m_ds && m_ds->active() && !m_readOnly && !m_rowSelect)
        RestoreOptions(true);
    QTableView::keyReleaseEvent(e);
}

void TXRDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (previous.isValid() && current.column() != previous.column())
        RestoreOptions(false);
    QTableView::currentChanged(current, previous);
}

void TXRDBGrid::focusOutEvent(QFocusEvent *e)
{
    RestoreOptions(false);
    QTableView::focusOutEvent(e);
}

void TXRDBGrid::mouseMoveEvent(QMouseEvent *e)
{
    QTableView::mouseMoveEvent(e);
    if (!FDestacarLinha)
        return;
    const int row = rowAt(int(e->position().y()));
    const int novo = row < 0 ? -1 : row + 1;
    if (novo != fMouseOverRow) {
        fMouseOverRow = novo;
        viewport()->update();
    }
}

void TXRDBGrid::leaveEvent(QEvent *e)
{
    QTableView::leaveEvent(e);
    if (FDestacarLinha && fMouseOverRow != -1) {
        fMouseOverRow = -1;
        viewport()->update();
    }
}

void TXRDBGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (OnDblClick) {
        OnDblClick(this);
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
}

// ---------------------------------------------------------------- header

TXRDBGridHeader::TXRDBGridHeader(TXRDBGrid *grid)
    : QHeaderView(Qt::Horizontal, grid)
    , m_grid(grid)
{
    setSectionsClickable(true);
}

void TXRDBGridHeader::mousePressEvent(QMouseEvent *e)
{
    m_grid->bMouseDown = true;
    m_grid->bMoveuColuna = false;
    m_grid->m_titleModifiers = e->modifiers();
    QHeaderView::mousePressEvent(e);
}

void TXRDBGridHeader::mouseReleaseEvent(QMouseEvent *e)
{
    if (!m_grid->bMouseDown) {
        QHeaderView::mouseReleaseEvent(e);
        return;
    }
    m_grid->bMouseDown = false;
    const int section = logicalIndexAt(e->position().toPoint());
    const bool moved = m_grid->bMoveuColuna;
    QHeaderView::mouseReleaseEvent(e);
    if (section < 0 || moved || e->button() != Qt::LeftButton)
        return;
    try {
        m_grid->TitleClick(section, m_grid->m_titleModifiers.testFlag(Qt::ControlModifier));
    } catch (const EAbort &) {
    } catch (const std::exception &ex) {
        m_grid->ShowError(ex);
    }
}

void TXRDBGridHeader::paintSection(QPainter *p, const QRect &rect, int logicalIndex) const
{
    QHeaderView::paintSection(p, rect, logicalIndex);
    const int h = height();
    const QColor sombra = palette().color(QPalette::Dark);
    const QColor janela = palette().color(QPalette::Base);
    p->save();
    if (m_grid->Ordenavel() && visualIndex(logicalIndex) == 0) {
        // sortable-grid sign in the first title cell
        const int x0 = rect.left();
        p->setPen(sombra);
        p->drawLine(x0 + 6, 0, x0 + 2, h / 2 - 1);
        p->drawLine(x0 + 2, h / 2 - 1, x0 + 9, h / 2 - 1);
        p->setPen(janela);
        p->drawLine(x0 + 9, h / 2 - 1, x0 + 6, 0);
        p->setPen(sombra);
        p->drawLine(x0 + 2, h / 2 + 1, x0 + 6, h - 1);
        p->setPen(janela);
        p->drawLine(x0 + 6, h - 1, x0 + 9, h / 2 + 1);
        p->setPen(sombra);
        p->drawLine(x0 + 9, h / 2 + 1, x0 + 2, h / 2 + 1);
    }
    const TXRColumn *c = m_grid->Column(logicalIndex);
    const int R = rect.right() + 1;
    bool seta = false;
    if (c && c->CheckAll && c->CheckBox) {
        QStyleOptionButton box;
        box.rect = QRect(R - 14, 1, 13, std::min(13, h - 1));
        box.state = QStyle::State_Enabled | (c->CheckTodos() ? QStyle::State_On : QStyle::State_Off);
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, this);
    } else {
        const TTituloOrdem o = m_grid->TituloOrdem(logicalIndex);
        if (o.Ordenada) {
            seta = true;
            const int x = R - 17, y = 4;
            if (!o.Descendente) {
                p->setPen(janela);
                p->drawLine(x + 4, y + 1, x + 8, y + 8);
                p->setPen(sombra);
                p->drawLine(x + 8, y + 8, x, y + 8);
                p->drawLine(x, y + 8, x + 4, y);
            } else {
                p->setPen(sombra);
                p->drawLine(x + 4, y + 8, x, y);
                p->drawLine(x, y, x + 8, y);
                p->setPen(janela);
                p->drawLine(x + 8, y, x + 4, y + 8);
            }
            p->setPen(palette().color(QPalette::ButtonText));
            const int tx = o.Posicao.size() == 1 ? x + 10 : x + 6;
            p->drawText(QPoint(tx, y - 5 + fontMetrics().ascent()), o.Posicao);
        }
    }
    if (m_grid->TituloFiltrado(logicalIndex)) {
        const int d = seta ? R - 28 : R - 17;
        const QPoint pts[] = {{d + 3, 11}, {d + 3, 8}, {d, 4}, {d + 8, 4}, {d + 5, 8}, {d + 5, 11}, {d + 3, 11}};
        p->setPen(sombra);
        p->setBrush(sombra);
        p->drawPolygon(pts, 7);
    }
    p->restore();
}
