// The grid's own cell editors: the date edit on date fields and the memo on
// MemoEditor columns, opened, filled and written through the item delegate.
#include "components/XRDBGridEditores.h"

#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "platform/Formats.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QToolButton>

namespace {

QIcon glifoMais(const QFont &base)
{
    QPixmap pm(18, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f = base;
    f.setBold(true);
    f.setPointSizeF(base.pointSizeF() + 2);
    p.setFont(f);
    p.setPen(QColor(0, 0, 0xFF));
    p.drawText(QRect(5, 1, 13, 19), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("+"));
    return QIcon(pm);
}

} // namespace

// ---------------------------------------------------------------- date editor

TXREdtDate::TXREdtDate(QWidget *parent)
    : TXRDateEdit(parent)
{
    setObjectName(QStringLiteral("oData"));
    setFrame(false);
}

void TXREdtDate::focusInEvent(QFocusEvent *e)
{
    TXRDateEdit::focusInEvent(e);
    if (e->reason() == Qt::PopupFocusReason)
        return; // back from the calendar: the caret stays
    deselect();
    setCursorPosition(0);
    m_caretNoInicio = false;
}

void TXREdtDate::keyPressEvent(QKeyEvent *e)
{
    if (m_caretNoInicio) {
        m_caretNoInicio = false;
        deselect();
        setCursorPosition(0);
    }
    TXRDateEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------- memo editor

TXRMemo::TXRMemo(TXRDBGrid *grid, int row, QWidget *parent)
    : QPlainTextEdit(parent)
    , oBtn(new QToolButton(this))
    , FXRGrid(grid)
    , FNrRow(row)
{
    setObjectName(QStringLiteral("oMemo"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    oBtn->setObjectName(QStringLiteral("oBtn"));
    oBtn->setAutoRaise(true);
    oBtn->setFocusPolicy(Qt::NoFocus);
    oBtn->setCursor(Qt::ArrowCursor);
    oBtn->setIcon(glifoMais(font()));
    oBtn->setIconSize(QSize(18, 20));
    setViewportMargins(0, 0, 18, 0);
    connect(oBtn, &QToolButton::clicked, this, &TXRMemo::Expande);
}

void TXRMemo::Expande()
{
    QHeaderView *linhas = FXRGrid->verticalHeader();
    if (m_alturaOriginal == 0)
        m_alturaOriginal = linhas->sectionSize(FNrRow);
    linhas->resizeSection(FNrRow, AlturaExpandida);
    resize(width(), AlturaExpandida);
    oBtn->hide();
    setViewportMargins(0, 0, 0, 0);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (isEnabled())
        setFocus(Qt::OtherFocusReason);
}

void TXRMemo::focusInEvent(QFocusEvent *e)
{
    QPlainTextEdit::focusInEvent(e);
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::Start);
    setTextCursor(c);
}

void TXRMemo::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    oBtn->setGeometry(width() - 18, 0, 18, std::min(height(), 20));
}

// ---------------------------------------------------------------- the grid's side

bool TXRDBGrid::ColunaData(int column) const
{
    if (!m_ds)
        return false;
    const int f = m_model->fieldIndexOfColumn(column);
    return f >= 0 && isDateType(m_ds->field(f)->dataType());
}

QWidget *TXRDBGrid::CriaEditorFlutuante(QWidget *parent, const QModelIndex &index)
{
    if (ColunaData(index.column()))
        return new TXREdtDate(parent);
    const TXRColumn *c = Column(index.column());
    if (c && c->MemoEditor && m_model->fieldIndexOfColumn(index.column()) >= 0) {
        NumeroRow = index.row();
        return new TXRMemo(this, index.row(), parent);
    }
    return nullptr;
}

bool TXRDBGrid::CarregaEditorFlutuante(QWidget *editor, const QModelIndex &index)
{
    const TXRColumn *c = Column(index.column());
    auto aparencia = [&](QWidget *w) {
        if (c && c->Color.isValid()) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Base, c->Color);
            w->setPalette(pal);
        }
        if (c && c->FontColor.isValid()) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Text, c->FontColor);
            w->setPalette(pal);
        }
    };
    if (auto *data = qobject_cast<TXREdtDate *>(editor)) {
        // loaded once: a repaint of the cell must not undo the typing
        if (data->Carregado)
            return true;
        data->Carregado = true;
        aparencia(data);
        const QVariant v = m_model->rawValue(index.row(), index.column());
        QString texto = TXRDateEdit::MascaraVazia();
        if (!v.isNull() && v.isValid()) {
            const QDate d = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
            if (d.isValid())
                texto = fmt::formatDate(d);
        }
        data->setText(texto);
        data->TextoInicial = texto;
        data->setCursorPosition(0);
        return true;
    }
    if (auto *memo = qobject_cast<TXRMemo *>(editor)) {
        if (memo->Carregado)
            return true;
        memo->Carregado = true;
        aparencia(memo);
        memo->setPlainText(m_model->data(index, Qt::EditRole).toString());
        memo->TextoInicial = memo->toPlainText();
        return true;
    }
    return false;
}

std::optional<bool> TXRDBGrid::GravaEditorFlutuante(QWidget *editor, const QModelIndex &index)
{
    if (auto *data = qobject_cast<TXREdtDate *>(editor)) {
        // A query's rows are never written from here, and a text left as it
        // opened writes nothing: passing through keeps a stored time and
        // leaves the record in browse.
        if (data->isReadOnly() || qobject_cast<TXRCustomQuery *>(m_ds.data()) || data->text() == data->TextoInicial)
            return true;
        const QString texto = data->text();
        QDate d;
        if (texto.trimmed().isEmpty() || texto == TXRDateEdit::MascaraVazia())
            return m_model->setData(index, QVariant(), Qt::EditRole);
        if (!fmt::tryStrToDate(texto, d))
            return true; // not a date: the field keeps its value
        const int f = m_model->fieldIndexOfColumn(index.column());
        const bool comHora = f >= 0 && m_ds->field(f)->dataType() == FieldType::DateTime;
        return m_model->setData(index, comHora ? QVariant(QDateTime(d, QTime(0, 0))) : QVariant(d), Qt::EditRole);
    }
    if (auto *memo = qobject_cast<TXRMemo *>(editor)) {
        if (memo->isReadOnly() || memo->toPlainText() == memo->TextoInicial)
            return true;
        return m_model->setData(index, memo->toPlainText(), Qt::EditRole);
    }
    return std::nullopt;
}

void TXRDBGrid::FechaEditorFlutuante(QWidget *editor)
{
    auto *memo = qobject_cast<TXRMemo *>(editor);
    if (!memo)
        return;
    if (memo->AlturaOriginal() > 0 && memo->NrRow() < verticalHeader()->count())
        verticalHeader()->resizeSection(memo->NrRow(), memo->AlturaOriginal());
    NumeroRow = 0;
}

bool TXRDBGrid::TeclaColunaData(QKeyEvent *e)
{
    if (state() == QAbstractItemView::EditingState || !currentIndex().isValid()
        || !ColunaData(currentIndex().column()) || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (e->key() == Qt::Key_Backspace) {
        edit(currentIndex());
        e->accept();
        return true;
    }
    const QString t = e->text();
    if (t.size() != 1 || !t.at(0).isPrint() || t.at(0).isDigit())
        return false; // a digit opens the editor and lands in it
    e->accept();
    return true;
}
