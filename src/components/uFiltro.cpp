#include "components/uFiltro.h"

#include "components/XRDBGrid.h"
#include "data/XRQuery.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "platform/TeclasData.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QVBoxLayout>

namespace {

bool ehData(const TParamWidget &p)
{
    return p.DataType == TParamWidget::Tipo::Data || p.DataType == TParamWidget::Tipo::DataHora ||
           p.Value.typeId() == QMetaType::QDate || p.Value.typeId() == QMetaType::QDateTime;
}

QString valorComoTexto(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDate: return fmt::formatDate(v.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (dt.time() == QTime(0, 0))
            return fmt::formatDate(dt.date());
        return fmt::formatDateTime(QStringLiteral("dd/mm/yyyy hh:nn:ss"), dt);
    }
    case QMetaType::Double: return fmt::floatToStr(v.toDouble());
    default: return v.toString();
    }
}

// The date (and time) typed in a filter row; invalid when it is none.
QDateTime leData(const QString &texto)
{
    const QString t = texto.trimmed();
    QDate d;
    if (fmt::tryStrToDate(t, d))
        return QDateTime(d, QTime(0, 0));
    return QDateTime::fromString(t, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QPushButton *botao(QWidget *pai, const char *nome, QStyle::StandardPixmap figura, const QString &acessivel)
{
    auto *b = new QPushButton(pai);
    b->setObjectName(QString::fromLatin1(nome));
    b->setFixedSize(50, 30);
    b->setIcon(pai->style()->standardIcon(figura));
    b->setAccessibleName(acessivel);
    return b;
}

} // namespace

TFFiltros::TFFiltros(TXRWidget *widget, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), FWidget(widget)
{
    setObjectName(QStringLiteral("FFiltros"));
    setWindowTitle(QStringLiteral("Filtros"));
    setFixedSize(363, 196);
    CriaControles();
}

TFFiltros::~TFFiltros() = default;

void TFFiltros::CriaControles()
{
    CdsFiltros = new DataSet(this);
    CdsFiltros->setObjectName(QStringLiteral("CdsFiltros"));
    CdsFiltros->setFieldDefs({{QStringLiteral("Parametro"), FieldType::String, 50},
                              {QStringLiteral("Campo"), FieldType::String, 50},
                              {QStringLiteral("Operador"), FieldType::String, 10},
                              {QStringLiteral("Filtro"), FieldType::String, 100}});
    // rows come only from the parameters: the user adds and removes none
    CdsFiltros->beforeInsert = [this](DataSet &) {
        if (!m_preenchendo)
            throw EAbort();
    };
    CdsFiltros->beforeDelete = [](DataSet &) { throw EAbort(); };

    DbgFiltros = new TXRDBGrid(this);
    DbgFiltros->setObjectName(QStringLiteral("DbgFiltros"));
    DbgFiltros->SetDataSet(CdsFiltros);
    const QColor face = palette().color(QPalette::Button);
    TXRColumn *campo = DbgFiltros->AddColumn(QStringLiteral("Campo"), QStringLiteral("Campo"));
    campo->ReadOnly = true;
    campo->Width = 118;
    campo->Color = face;
    TXRColumn *operador = DbgFiltros->AddColumn(QStringLiteral("Operador"), QStringLiteral("Operador"));
    operador->ReadOnly = true;
    operador->Width = 53;
    operador->Alignment = Qt::AlignCenter;
    operador->Color = face;
    TXRColumn *filtro = DbgFiltros->AddColumn(QStringLiteral("Filtro"), QStringLiteral("Filtro"));
    filtro->Width = 156;
    DbgFiltros->LayoutChanged();
    // the cell editor appears as a child of the viewport: its keys pass here
    DbgFiltros->viewport()->installEventFilter(this);

    auto *painel = new QFrame(this);
    painel->setObjectName(QStringLiteral("PnlBotoes"));
    painel->setFixedHeight(32);
    painel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    BtnOK = botao(painel, "BtnOK", QStyle::SP_DialogApplyButton, QStringLiteral("OK"));
    BtnRestaurar = botao(painel, "BtnRestaurar", QStyle::SP_BrowserReload, QStringLiteral("Restaurar"));
    BtnDesistir = botao(painel, "BtnDesistir", QStyle::SP_ArrowBack, QStringLiteral("Desistir"));
    BtnFechar = botao(painel, "BtnFechar", QStyle::SP_DialogCloseButton, QStringLiteral("Fechar"));
    auto *linha = new QHBoxLayout(painel);
    linha->setContentsMargins(1, 1, 1, 1);
    linha->setSpacing(0);
    for (QPushButton *b : {BtnOK, BtnRestaurar, BtnDesistir, BtnFechar}) {
        b->setAutoDefault(false);
        linha->addWidget(b);
    }
    linha->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DbgFiltros, 1);
    layout->addWidget(painel);

    connect(BtnOK, &QPushButton::clicked, this, &TFFiltros::BtnOKClick);
    connect(BtnRestaurar, &QPushButton::clicked, this, &TFFiltros::BtnRestaurarClick);
    connect(BtnDesistir, &QPushButton::clicked, this, &TFFiltros::BtnDesistirClick);
    connect(BtnFechar, &QPushButton::clicked, this, &TFFiltros::BtnFecharClick);
}

QString TFFiltros::OperadorDe(const QString &sql, const QString &nome)
{
    const qsizetype pos = sql.indexOf(u':' + nome, 0, Qt::CaseInsensitive);
    if (pos < 0)
        return {};
    QString operador;
    for (qsizetype i = pos - 1; i >= 0; --i) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            if (operador.isEmpty())
                continue;
            break;
        }
        operador.prepend(c);
    }
    return operador;
}

void TFFiltros::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TFFiltros::FormShow()
{
    bAtualiza = false;
    CdsFiltros->close();
    CdsFiltros->open();
    CdsFiltros->setRows({});
    FParams.clear();
    if (!FWidget)
        return;
    // Showing rows: the values of the last run; else the design values.
    // Captions and types are the design parameters' in both cases.
    if (FWidget->Dados()->active()) {
        for (const auto &q : FWidget->Query()->Params()) {
            TParamWidget p{q->Name, {}, TParamWidget::Tipo::Desconhecido, q->Value};
            for (const TParamWidget &d : FWidget->Params()) {
                if (d.Name.compare(q->Name, Qt::CaseInsensitive) == 0) {
                    p.DataTypeName = d.DataTypeName;
                    p.DataType = d.DataType;
                }
            }
            FParams.push_back(p);
        }
    } else {
        FParams = FWidget->Params();
    }
    const QString sql = FWidget->Query()->SQL().Text();
    const QScopedValueRollback preenchendo(m_preenchendo, true);
    for (const TParamWidget &p : FParams) {
        if (CdsFiltros->locate({QStringLiteral("Parametro")}, {p.Name}))
            continue;
        CdsFiltros->append();
        CdsFiltros->fieldByName(QStringLiteral("Operador"))->setValue(OperadorDe(sql, p.Name));
        CdsFiltros->fieldByName(QStringLiteral("Parametro"))->setValue(p.Name);
        CdsFiltros->fieldByName(QStringLiteral("Campo"))->setValue(p.DataTypeName.isEmpty() ? p.Name : p.DataTypeName);
        CdsFiltros->fieldByName(QStringLiteral("Filtro"))->setValue(valorComoTexto(p.Value));
        CdsFiltros->post();
    }
    CdsFiltros->fieldByName(QStringLiteral("Filtro"))->onValidate = [this](Field &f) { CdsFiltrosFiltroValidate(f); };
    CdsFiltros->first();
}

const TParamWidget *TFFiltros::ParametroDe(const QString &nome) const
{
    for (const TParamWidget &p : FParams)
        if (p.Name.compare(nome, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

bool TFFiltros::LinhaDeData() const
{
    if (!CdsFiltros->active() || CdsFiltros->isEmpty())
        return false;
    const TParamWidget *p = ParametroDe(CdsFiltros->fieldByName(QStringLiteral("Parametro"))->asString());
    return p && ehData(*p);
}

void TFFiltros::CdsFiltrosFiltroValidate(Field &f)
{
    if (m_preenchendo || !LinhaDeData() || leData(f.value().toString()).isValid())
        return;
    const QWidget *foco = QApplication::focusWidget();
    if (foco && (foco == BtnRestaurar || foco == BtnDesistir || foco == BtnFechar))
        return;
    dialogs().messageBox(QStringLiteral("Data inválida."), windowTitle(), MsgButtons::Ok, MsgIcon::Information);
    throw EAbort();
}

bool TFFiltros::eventFilter(QObject *obj, QEvent *e)
{
    if (obj == DbgFiltros->viewport()) {
        if (e->type() == QEvent::ChildPolished) {
            auto *filho = static_cast<QChildEvent *>(e)->child();
            if (qobject_cast<QLineEdit *>(filho))
                filho->installEventFilter(this);
        }
        return QDialog::eventFilter(obj, e);
    }
    if (e->type() == QEvent::KeyPress && TrataTeclaData(obj, static_cast<QKeyEvent *>(e)))
        return true;
    return QDialog::eventFilter(obj, e);
}

bool TFFiltros::TrataTeclaData(QObject *obj, QKeyEvent *e)
{
    auto *editor = qobject_cast<QLineEdit *>(obj);
    if (!editor || !LinhaDeData())
        return false;
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    QChar tecla;
    if (e->key() == Qt::Key_Delete)
        tecla = u'.';
    else if (e->key() == Qt::Key_Backspace)
        tecla = u'\b';
    else if (e->text().size() == 1 && e->text()[0].isPrint())
        tecla = e->text()[0];
    else
        return false; // moving, Tab, Enter and Esc keep their meaning
    const int inicio = editor->hasSelectedText() ? int(editor->selectionStart()) : editor->cursorPosition();
    const int tamanho = editor->hasSelectedText() ? int(editor->selectedText().size()) : 0;
    const teclas_data::Estado depois = teclas_data::TrataTeclaData({editor->text(), inicio, tamanho}, tecla, Hoje(),
                                                                   teclas_data::Variante::Filtro);
    editor->setText(depois.texto);
    editor->setCursorPosition(depois.cursor);
    return true;
}

void TFFiltros::BtnOKClick()
{
    if (!FWidget)
        return;
    try {
        CdsFiltros->postIfEditing();
    } catch (const EAbort &) {
        return; // the typed value was refused; its message was shown
    }
    // Every date is checked before any value is written, so a bad row
    // leaves the tile query as it was.
    std::vector<std::pair<QString, QVariant>> valores;
    for (int i = 0; i < CdsFiltros->recordCount(); ++i) {
        const QString nome = CdsFiltros->valueAt(i, 0).toString();
        const QString texto = CdsFiltros->valueAt(i, 3).toString();
        const TParamWidget *p = ParametroDe(nome);
        if (p && ehData(*p)) {
            const QDateTime dt = leData(texto);
            if (!dt.isValid()) {
                dialogs().messageBox(QStringLiteral("'%1' is not a valid date").arg(texto),
                                     QCoreApplication::applicationName(), MsgButtons::Ok, MsgIcon::Error);
                return;
            }
            valores.emplace_back(nome, p->DataType == TParamWidget::Tipo::DataHora ? QVariant(dt) : QVariant(dt.date()));
        } else {
            valores.emplace_back(nome, texto);
        }
    }
    for (const auto &[nome, valor] : valores)
        if (TParam *q = FWidget->Query()->FindParam(nome))
            q->Value = valor;
    bAtualiza = true;
    if (isVisible())
        accept();
}

void TFFiltros::BtnRestaurarClick()
{
    if (!FWidget)
        return;
    const QScopedValueRollback preenchendo(m_preenchendo, true);
    CdsFiltros->postIfEditing();
    for (int i = 0; i < CdsFiltros->recordCount(); ++i) {
        CdsFiltros->setRecNo(i + 1);
        const QString nome = CdsFiltros->fieldByName(QStringLiteral("Parametro"))->asString();
        for (const TParamWidget &d : FWidget->Params()) {
            if (d.Name.compare(nome, Qt::CaseInsensitive) == 0) {
                CdsFiltros->edit();
                CdsFiltros->fieldByName(QStringLiteral("Filtro"))->setValue(valorComoTexto(d.Value));
                CdsFiltros->post();
            }
        }
    }
    CdsFiltros->first();
}

void TFFiltros::BtnDesistirClick()
{
    FormShow();
}

void TFFiltros::BtnFecharClick()
{
    reject();
}
