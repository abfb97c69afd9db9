#include "components/XREditGridPesquisa.h"

#include "data/XRQuery.h"
#include "platform/DataSetModel.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <stdexcept>

// ---------------------------------------------------------------- kept field

qint64 TXREditGridPesquisaField::AsInteger() const
{
    bool ok = false;
    const qint64 v = FValor.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

double TXREditGridPesquisaField::AsFloat() const
{
    double v = 0;
    return fmt::tryStrToFloat(FValor, v) ? v : 0;
}

void TXREditGridPesquisaField::SetAsFloat(double v) { FValor = fmt::floatToStr(v); }

QDate TXREditGridPesquisaField::AsDate() const
{
    QDate d;
    if (!fmt::tryStrToDate(FValor, d))
        throw std::invalid_argument(QStringLiteral("'%1' is not a valid date").arg(FValor).toStdString());
    return d;
}

void TXREditGridPesquisaField::SetAsDate(const QDate &v) { FValor = fmt::formatDate(v); }

// ---------------------------------------------------------------- drop-down grid

TXRDBGridPesquisa::TXRDBGridPesquisa(QWidget *parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("FGridConsulta"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

// ---------------------------------------------------------------- edit

TXRCustomEditGridPesquisa::TXRCustomEditGridPesquisa(QWidget *parent)
    : QLineEdit(parent)
    , FEditLabel(new TXRBoundLabel(parentWidget()))
    , FGridConsulta(new TXRDBGridPesquisa)
    , FQuery(new TXRQuery(this))
    , FDataSource(new DataSetModel(this))
{
    FEditLabel->setObjectName(QStringLiteral("EditLabel"));
    FEditLabel->setBuddy(this);
    FDataSource->readOnly = true;
    FDataSource->setDataSet(FQuery);
    FGridConsulta->setModel(FDataSource);
    FDataSource->bindSelection(FGridConsulta->selectionModel());
    FGridConsulta->hide();
    FGridConsulta->installEventFilter(this);
    FGridConsulta->viewport()->installEventFilter(this);
    // One timer restarted by every key: only the pause after the last one
    // searches, and everything stays on the main thread.
    m_pausa.setSingleShot(true);
    m_pausa.setTimerType(Qt::PreciseTimer);
    m_pausa.setInterval(PausaMs);
    connect(&m_pausa, &QTimer::timeout, this, [this] { PesquisaComAviso(); });
}

bool TXRCustomEditGridPesquisa::PesquisaComAviso()
{
    const bool aberta = FGridConsulta && FGridConsulta->isVisible();
    try {
        MostraGrade();
        return true;
    } catch (const std::exception &e) {
        // a bad search SQL: the user reads the engine's text, and a list
        // that was closed stays closed
        if (!aberta && FGridConsulta)
            FGridConsulta->hide();
        dialogs().messageBox(MensagemExcecao(e), QCoreApplication::applicationName(), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
}

TXRCustomEditGridPesquisa::~TXRCustomEditGridPesquisa()
{
    // the drop-down lives on the window, the label beside the edit: both go with it
    delete FGridConsulta.data();
    delete FEditLabel.data();
}

void TXRCustomEditGridPesquisa::SetSQLConsulta(const QStringList &linhas)
{
    if (linhas.join(u'\n') != FSQLConsulta.join(u'\n'))
        FSQLConsulta = linhas;
}

void TXRCustomEditGridPesquisa::SetGridColumns(const QStringList &campos, const QStringList &titulos)
{
    FDataSource->setColumns(campos, titulos);
}

void TXRCustomEditGridPesquisa::SetLabelPosition(TLabelPosition p)
{
    FLabelPosition = p;
    PosicionaLabel();
}

void TXRCustomEditGridPesquisa::SetLabelSpacing(int v)
{
    FLabelSpacing = v;
    PosicionaLabel();
}

void TXRCustomEditGridPesquisa::PosicionaLabel()
{
    if (!FEditLabel)
        return;
    if (FEditLabel->parentWidget() != parentWidget())
        FEditLabel->setParent(parentWidget());
    FEditLabel->adjustSize();
    const QRect e = geometry();
    const QSize l = FEditLabel->size();
    QPoint p;
    switch (FLabelPosition) {
    case TLabelPosition::Above: p = QPoint(e.left(), e.top() - l.height() - FLabelSpacing); break;
    case TLabelPosition::Below: p = QPoint(e.left(), e.top() + e.height() + FLabelSpacing); break;
    case TLabelPosition::Left:
        p = QPoint(e.left() - l.width() - FLabelSpacing, e.top() + (e.height() - l.height()) / 2);
        break;
    case TLabelPosition::Right:
        p = QPoint(e.left() + e.width() + FLabelSpacing, e.top() + (e.height() - l.height()) / 2);
        break;
    }
    FEditLabel->move(p);
    FEditLabel->setEnabled(isEnabled());
    FEditLabel->setLayoutDirection(layoutDirection());
    if (parentWidget())
        FEditLabel->setVisible(!isHidden());
}

void TXRCustomEditGridPesquisa::PosicionaGrade()
{
    QWidget *janela = window();
    if (!FGridConsulta || janela == this)
        return;
    const QPoint p = mapTo(janela, QPoint(0, 0));
    FGridConsulta->setGeometry(p.x(), p.y() + height(), GridWidth > 0 ? GridWidth : width(), GridHeight);
}

TXREditGridPesquisaField *TXRCustomEditGridPesquisa::FieldByName(const QString &sCampo)
{
    for (const auto &f : FArFields)
        if (f->FCampo.compare(sCampo, Qt::CaseInsensitive) == 0)
            return f.get();
    FArFields.push_back(std::make_unique<TXREditGridPesquisaField>(sCampo));
    return FArFields.back().get();
}

bool TXRCustomEditGridPesquisa::IsEmpty() const
{
    for (const auto &f : FArFields)
        if (!f->FValor.trimmed().isEmpty())
            return false;
    return true;
}

void TXRCustomEditGridPesquisa::Clear()
{
    clear();
    for (const auto &f : FArFields)
        f->FValor.clear();
    FQuery->close();
}

void TXRCustomEditGridPesquisa::SetFieldFormat(const QString &sField, const QString &sDisplayFormat,
                                               const QString &)
{
    // a read-only list: the edit format has nothing to format
    Field *f = FQuery->active() ? FQuery->findField(sField) : nullptr;
    if (f && isNumericType(f->dataType()))
        f->displayFormat = sDisplayFormat;
}

QStringList TXRCustomEditGridPesquisa::AdicionaCondicoes(const QString &texto, const QString &campo,
                                                         const QString &conector)
{
    QString resto = texto;
    resto.replace(u'-', u' ');
    const int palavras = int(resto.count(u' ')) + 1;
    QStringList linhas;
    for (int k = 0; k < palavras; ++k) {
        QString palavra;
        if (k == palavras - 1) {
            palavra = resto;
        } else {
            const int branco = int(resto.indexOf(u' '));
            palavra = branco < 0 ? QString() : resto.left(branco);
            resto = resto.mid(branco + 1).trimmed();
        }
        // typed text goes into the SQL as a literal: quotes doubled
        const QString w = palavra.trimmed().replace(u'\'', QStringLiteral("''"));
        const QString like = QStringLiteral(" (UPPER(") + campo + QStringLiteral(") LIKE UPPER('");
        linhas << (k == 0 ? conector : QStringLiteral("AND")) + QStringLiteral(" (");
        linhas << like + u'%' + w + QStringLiteral("')) OR");
        linhas << like + w + QStringLiteral("%')) OR");
        linhas << like + u'%' + w + QStringLiteral("%'))");
        linhas << QStringLiteral(")");
    }
    return linhas;
}

void TXRCustomEditGridPesquisa::MostraGrade()
{
    m_pausa.stop();
    QWidget *janela = window();
    if (!FGridConsulta || janela == this || janela != QApplication::activeWindow())
        return;
    if (FGridConsulta->parentWidget() != janela)
        FGridConsulta->setParent(janela);
    PosicionaGrade();
    FGridConsulta->show();
    FGridConsulta->raise();
    ExecutaPesquisa();
}

void TXRCustomEditGridPesquisa::ExecutaPesquisa()
{
    FQuery->close();
    FQuery->SetDatabase(Database);
    FQuery->SQL().Clear();
    for (const QString &linha : FSQLConsulta)
        FQuery->SQL().Add(linha);
    if (BeforePesquisa)
        BeforePesquisa(this);
    const QString conector = FQuery->SQL().Text().toUpper().contains(QLatin1String("WHERE")) ? QStringLiteral("AND")
                                                                                             : QStringLiteral("WHERE");
    for (const QString &linha : AdicionaCondicoes(text(), SQLCampoPesquisa, conector))
        FQuery->SQL().Add(linha);
    FQuery->SQL().Add(QStringLiteral("ORDER BY ") + SQLCampoRetorno);
    FQuery->Open();
    FArFields.clear();
    for (int i = 0; i < FQuery->fieldCount(); ++i)
        FArFields.push_back(std::make_unique<TXREditGridPesquisaField>(FQuery->field(i)->fieldName()));
    if (FGridConsulta && FDataSource->rowCount() > 0)
        FGridConsulta->setCurrentIndex(FDataSource->index(0, 0));
    if (AfterPesquisa)
        AfterPesquisa(this);
}

void TXRCustomEditGridPesquisa::ConcluiPesquisa()
{
    m_pausa.stop();
    if (!text().trimmed().isEmpty() && FQuery->active() && !FQuery->isEmpty()) {
        for (int i = 0; i < FQuery->fieldCount(); ++i) {
            const Field *f = FQuery->field(i);
            FieldByName(f->fieldName())->FValor = f->isNull() ? QString() : f->asString();
        }
        if (const Field *r = FQuery->findField(SQLCampoRetorno))
            setText(r->isNull() ? QString() : r->asString());
    }
    FechaGrade();
}

void TXRCustomEditGridPesquisa::FechaGrade()
{
    if (FGridConsulta)
        FGridConsulta->hide();
    if (FechaPesquisa)
        FechaPesquisa(this);
}

void TXRCustomEditGridPesquisa::EscolheLinha()
{
    if (FQuery->active() && !FQuery->isEmpty())
        if (const Field *r = FQuery->findField(SQLCampoRetorno))
            setText(r->isNull() ? QString() : r->asString());
    setFocus(Qt::OtherFocusReason);
    ConcluiPesquisa();
}

void TXRCustomEditGridPesquisa::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        ConcluiPesquisa();
        e->accept();
        focusNextChild(); // Enter moves on like Tab
        return;
    }
    if (e->key() == Qt::Key_Escape)
        ConcluiPesquisa();
    QLineEdit::keyPressEvent(e);
}

void TXRCustomEditGridPesquisa::keyReleaseEvent(QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
        break;
    case Qt::Key_Down:
        if (PesquisaComAviso() && FGridConsulta && FGridConsulta->isVisible()) {
            if (BeforeEnterGrid)
                BeforeEnterGrid(this);
            FFocoNoGrid = true;
            FGridConsulta->setFocus(Qt::OtherFocusReason);
        }
        break;
    default:
        if (!e->isAutoRepeat() || !e->text().isEmpty())
            m_pausa.start();
        break;
    }
    QLineEdit::keyReleaseEvent(e);
}

void TXRCustomEditGridPesquisa::focusInEvent(QFocusEvent *e)
{
    FFocoNoGrid = false;
    FFocoNoEdit = false;
    QLineEdit::focusInEvent(e);
}

void TXRCustomEditGridPesquisa::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    // another window or a pop-up for a while: the edit is not left
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    QWidget *agora = QApplication::focusWidget();
    if (FGridConsulta && agora && (agora == FGridConsulta || FGridConsulta->isAncestorOf(agora))) {
        FFocoNoGrid = true;
        return;
    }
    if (FFocoNoGrid)
        return;
    ConcluiPesquisa();
    if (OnExit)
        OnExit(this);
}

void TXRCustomEditGridPesquisa::moveEvent(QMoveEvent *e)
{
    QLineEdit::moveEvent(e);
    PosicionaLabel();
    if (FGridConsulta && FGridConsulta->isVisible())
        PosicionaGrade();
}

void TXRCustomEditGridPesquisa::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    PosicionaLabel();
    if (FGridConsulta && FGridConsulta->isVisible())
        PosicionaGrade();
}

void TXRCustomEditGridPesquisa::showEvent(QShowEvent *e)
{
    QLineEdit::showEvent(e);
    PosicionaLabel();
}

void TXRCustomEditGridPesquisa::hideEvent(QHideEvent *e)
{
    QLineEdit::hideEvent(e);
    if (FEditLabel)
        FEditLabel->hide();
}

void TXRCustomEditGridPesquisa::changeEvent(QEvent *e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::EnabledChange && FEditLabel)
        FEditLabel->setEnabled(isEnabled());
    else if (e->type() == QEvent::LayoutDirectionChange && FEditLabel)
        FEditLabel->setLayoutDirection(layoutDirection());
    else if (e->type() == QEvent::ParentChange)
        PosicionaLabel();
}

bool TXRCustomEditGridPesquisa::eventFilter(QObject *watched, QEvent *event)
{
    if (!FGridConsulta || (watched != FGridConsulta && watched != FGridConsulta->viewport()))
        return QLineEdit::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        EscolheLinha();
        return true;
    case QEvent::KeyPress: {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            EscolheLinha();
            return true;
        }
        if (k->key() == Qt::Key_Up && FGridConsulta->isVisible()
            && (!FGridConsulta->currentIndex().isValid() || FGridConsulta->currentIndex().row() == 0)) {
            FFocoNoEdit = true;
            selectAll();
            setFocus(Qt::OtherFocusReason);
            return true;
        }
        break;
    }
    case QEvent::FocusOut: {
        auto *f = static_cast<QFocusEvent *>(event);
        if (watched != FGridConsulta || f->reason() == Qt::ActiveWindowFocusReason
            || f->reason() == Qt::PopupFocusReason)
            break;
        // back to the edit is moving inside the search, not leaving it
        if (!FFocoNoEdit && QApplication::focusWidget() != this)
            ConcluiPesquisa();
        break;
    }
    default:
        break;
    }
    return QLineEdit::eventFilter(watched, event);
}
