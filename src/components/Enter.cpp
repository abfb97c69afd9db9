#include "components/Enter.h"

#include "components/untCpoPesquisa.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdlib>
#include <map>

namespace {
std::function<QDate()> &relogio()
{
    static std::function<QDate()> f;
    return f;
}

QDate hoje() { return relogio() ? relogio()() : QDate::currentDate(); }

// The original toolkit's class names and the class a focused widget must
// be, exactly, to match them. Names not here match nothing.
const std::map<QString, QString> &mapaClasses()
{
    static const std::map<QString, QString> m{
        {QStringLiteral("TEDIT"), QStringLiteral("QLineEdit")},
        {QStringLiteral("TMASKEDIT"), QStringLiteral("QLineEdit")},
        {QStringLiteral("TDBEDIT"), QStringLiteral("QLineEdit")},
        {QStringLiteral("TCOMBOBOX"), QStringLiteral("QComboBox")},
        {QStringLiteral("TDBCHECKBOX"), QStringLiteral("QCheckBox")},
        {QStringLiteral("TDATEEDIT"), QStringLiteral("QDateEdit")},
        {QStringLiteral("TDBDATEEDIT"), QStringLiteral("QDateEdit")},
        {QStringLiteral("TGROUPBOX"), QStringLiteral("QGroupBox")},
        {QStringLiteral("TXRDBGRID"), QStringLiteral("TXRDBGrid")},
    };
    return m;
}

// The widget sending a replacement key, so our own filters let it through.
bool g_enviando = false;

void enviaTecla(QWidget *alvo, int tecla, Qt::KeyboardModifiers mods)
{
    g_enviando = true;
    QKeyEvent press(QEvent::KeyPress, tecla, mods);
    QApplication::sendEvent(alvo, &press);
    QKeyEvent release(QEvent::KeyRelease, tecla, mods);
    QApplication::sendEvent(alvo, &release);
    g_enviando = false;
}

QString textoEdit(const QWidget *w, bool &ehEdit)
{
    ehEdit = true;
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (const auto *s = qobject_cast<const QAbstractSpinBox *>(w))
        return s->text();
    ehEdit = false;
    return {};
}
} // namespace

TZVEnter::TZVEnter(QObject *dono)
    : QObject(dono)
{
    setObjectName(QStringLiteral("ZVEnter"));
    AbreBusca = [](TPesquisa *p) { p->AbrePesquisa(); };
    if (qApp)
        qApp->installEventFilter(this);
}

TZVEnter::~TZVEnter()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void TZVEnter::DefineHoje(std::function<QDate()> f) { relogio() = std::move(f); }

bool TZVEnter::ClasseNaLista(const QString &classe) const
{
    for (const QString &c : ClassList)
        if (c.compare(classe, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TZVEnter::ClasseCorresponde(const QWidget *w, const QString &classe)
{
    const auto it = mapaClasses().find(classe.toUpper());
    return w && it != mapaClasses().end()
        && QString::fromLatin1(w->metaObject()->className()).compare(it->second, Qt::CaseInsensitive) == 0;
}

bool TZVEnter::Listado(const QWidget *w) const
{
    // a grid's cell editor belongs to the grid: its keys stay the grid's
    for (const QWidget *p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (qobject_cast<const QAbstractItemView *>(p))
            return false;
    for (const QString &c : ClassList)
        if (ClasseCorresponde(w, c))
            return true;
    return false;
}

bool TZVEnter::eventFilter(QObject *obj, QEvent *event)
{
    bool descartada = false;
    if (event->type() == QEvent::KeyPress && !g_enviando) {
        QWidget *foco = QApplication::focusWidget();
        // a key bubbling up to a parent is not seen a second time
        if (foco && obj == foco)
            descartada = TrataMensagem(foco, static_cast<QKeyEvent *>(event));
    }
    if (OnMessage)
        OnMessage(obj, event);
    return descartada;
}

bool TZVEnter::TrataMensagem(QWidget *foco, QKeyEvent *evento)
{
    if (!foco || !Listado(foco))
        return false;
    const int original = evento->key();
    int tecla = original;
    const bool numpad = evento->modifiers().testFlag(Qt::KeypadModifier);

    if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter)
        tecla = Qt::Key_Tab;
    if (tecla == Qt::Key_Plus && numpad) {
        bool ehEdit = false;
        const QString texto = textoEdit(foco, ehEdit);
        if (!ehEdit || texto.isEmpty())
            tecla = Qt::Key_F4;
    }
    if (tecla == Qt::Key_F4)
        AbrePesquisaAoLado(foco);

    if ((tecla == Qt::Key_H || tecla == Qt::Key_I || tecla == Qt::Key_F)
        && (ClasseCorresponde(foco, QStringLiteral("TDateEdit")) || ClasseCorresponde(foco, QStringLiteral("TDBDateEdit")))) {
        PreencheData(foco, tecla);
        return true;
    }
    if ((tecla == Qt::Key_A || tecla == Qt::Key_M || tecla == Qt::Key_S)
        && ClasseCorresponde(foco, QStringLiteral("TDateEdit"))) {
        PreenchePeriodo(foco, tecla);
        return true;
    }
    if (tecla == original)
        return false;
    // the key is replaced: the original never arrives, the new one does
    enviaTecla(foco, tecla, evento->modifiers() & ~Qt::KeypadModifier);
    return true;
}

void TZVEnter::AbrePesquisaAoLado(QWidget *foco)
{
    QWidget *pai = foco->parentWidget();
    if (!pai)
        return;
    const QRect f = foco->geometry();
    const int direita = f.x() + f.width();
    TPesquisa *escolhida = nullptr;
    // direct children come in creation order: the last candidate wins
    for (TPesquisa *p : pai->findChildren<TPesquisa *>(Qt::FindDirectChildrenOnly)) {
        const QRect g = p->geometry();
        if (std::abs(g.y() - f.y()) < 3 && g.x() < direita + 5 && g.x() + g.width() > direita + 5)
            escolhida = p;
    }
    if (escolhida && AbreBusca)
        AbreBusca(escolhida);
}

void TZVEnter::PreencheData(QWidget *foco, int tecla)
{
    auto *edit = qobject_cast<QDateEdit *>(foco);
    if (!edit)
        return;
    const QDate d = hoje();
    if (tecla == Qt::Key_H)
        edit->setDate(d);
    else if (tecla == Qt::Key_I)
        edit->setDate(QDate(d.year(), d.month(), 1));
    else
        edit->setDate(QDate(d.year(), d.month(), d.daysInMonth()));
}

void TZVEnter::PreenchePeriodo(QWidget *foco, int tecla)
{
    auto *edit = qobject_cast<QDateEdit *>(foco);
    auto *grupo = foco->parentWidget();
    if (!edit || !grupo || !ClasseCorresponde(grupo, QStringLiteral("TGroupBox")))
        return;
    QList<QDateEdit *> datas;
    for (QDateEdit *d : grupo->findChildren<QDateEdit *>(Qt::FindDirectChildrenOnly))
        if (ClasseCorresponde(d, QStringLiteral("TDateEdit")))
            datas << d;
    if (datas.size() != 2)
        return;
    const QDate d = hoje();
    QDate inicio, fim;
    if (tecla == Qt::Key_M) {
        inicio = QDate(d.year(), d.month(), 1);
        fim = QDate(d.year(), d.month(), d.daysInMonth());
    } else if (tecla == Qt::Key_S) {
        inicio = d.addDays(1 - d.dayOfWeek());
        fim = inicio.addDays(6);
    } else {
        inicio = QDate(d.year(), 1, 1);
        fim = QDate(d.year(), 12, 31);
    }
    QDateEdit *primeira = datas[0], *segunda = datas[1];
    if (primeira->x() > segunda->x() || (primeira->x() == segunda->x() && primeira == foco))
        std::swap(primeira, segunda);
    primeira->setDate(inicio);
    segunda->setDate(fim);
}

TZVEnter *CriaZVEnterPrincipal(QObject *dono)
{
    auto *z = new TZVEnter(dono);
    z->ClassList = {QStringLiteral("TMaskEdit"),   QStringLiteral("TEdit"),          QStringLiteral("TDBEdit"),
                    QStringLiteral("TDBCheckBox"), QStringLiteral("TTabbedNoteBook"), QStringLiteral("TDBCheckDocEdit"),
                    QStringLiteral("TZVDBExtEdit"), QStringLiteral("TDBDateEdit"),    QStringLiteral("TComboBox"),
                    QStringLiteral("TCurrencyEdit"), QStringLiteral("TXRDBGrid"),     QStringLiteral("TDateEdit")};
    return z;
}
