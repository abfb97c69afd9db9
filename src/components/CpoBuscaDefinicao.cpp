#include "components/CpoBuscaDefinicao.h"

#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRTransaction.h"
#include "data/XRTraduzSQL.h"
#include "platform/fb/FbApi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTableView>
#include <QToolButton>

namespace {

TCriaTelaCadastro &criaTela()
{
    static TCriaTelaCadastro cria;
    return cria;
}

enum class Trato { Botao, BotaoRapido, Pesquisa, Fonte, GradeSimples, Grade, GradeXR };

struct ClasseVisual {
    const char *classeDaTela; // as the stored forms name it
    const char *nossa;        // the widget class here
    Trato trato;
};

// One row per class of the stored forms; those without a widget class of
// their own here (tab sheets) have none.
constexpr ClasseVisual kClasses[] = {
    {"TBitBtn", "QPushButton", Trato::Botao},
    {"TSpeedButton", "QToolButton", Trato::BotaoRapido},
    {"TPesquisa", "TPesquisa", Trato::Pesquisa},
    {"TLabel", "QLabel", Trato::Fonte},
    {"TEdit", "QLineEdit", Trato::Fonte},
    {"TDBEdit", "QLineEdit", Trato::Fonte},
    {"TDBText", "QLabel", Trato::Fonte},
    {"TComboBox", "QComboBox", Trato::Fonte},
    {"TDBComboBox", "QComboBox", Trato::Fonte},
    {"TMemo", "QPlainTextEdit", Trato::Fonte},
    {"TDBMemo", "QPlainTextEdit", Trato::Fonte},
    {"TRadioGroup", "QRadioButton", Trato::Fonte},
    {"TDBRadioGroup", "QRadioButton", Trato::Fonte},
    {"TCheckBox", "QCheckBox", Trato::Fonte},
    {"TDBCheckBox", "QCheckBox", Trato::Fonte},
    {"TGroupBox", "QGroupBox", Trato::Fonte},
    {"TTabSheet", nullptr, Trato::Fonte},
    {"TPageControl", "QTabWidget", Trato::Fonte},
    {"TXREditGridPesquisa", "TXREditGridPesquisa", Trato::Fonte},
    {"TStringGrid", "QTableWidget", Trato::GradeSimples},
    {"TDBGrid", "QTableView", Trato::Grade},
    {"TXRDBGrid", "TXRDBGrid", Trato::GradeXR},
};

const QColor kCorFonte(0x40, 0x40, 0x40);

void aplicaFonte(QWidget *w)
{
    QFont f = w->font();
    f.setFamily(QStringLiteral("Tahoma"));
    f.setBold(false);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    w->setFont(f);
    QPalette p = w->palette();
    for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(r, kCorFonte);
    w->setPalette(p);
}

void trataBotao(QAbstractButton *b)
{
    aplicaFonte(b);
    // the stored forms' convention: a tagged button loses its picture (the
    // numbered pictures are not kept here) and only the tags for a new
    // record stay usable; our windows carry no tags and keep both
    const QVariant tag = b->property("Tag");
    if (!tag.isValid())
        return;
    b->setIcon(QIcon());
    static const QList<int> liberados{1, 2, 5, 7, 10, 11};
    b->setEnabled(liberados.contains(tag.toInt()));
}

void trata(QWidget *w, Trato t)
{
    switch (t) {
    case Trato::Botao:
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            trataBotao(b);
        break;
    case Trato::BotaoRapido:
        if (auto *b = qobject_cast<QToolButton *>(w)) {
            if (b->width() < 30)
                b->setAutoRaise(true);
            else
                trataBotao(b);
        }
        break;
    case Trato::Pesquisa:
        if (auto *b = qobject_cast<QToolButton *>(w)) {
            if (b->width() < 30)
                b->setAutoRaise(true);
            aplicaFonte(b);
        }
        break;
    case Trato::Fonte: aplicaFonte(w); break;
    case Trato::GradeSimples:
    case Trato::Grade:
    case Trato::GradeXR:
        aplicaFonte(w);
        if (auto *g = qobject_cast<QTableView *>(w)) {
            g->setFrameShadow(QFrame::Plain);
            if (t != Trato::GradeSimples)
                g->setFrameShape(QFrame::NoFrame);
            if (t == Trato::GradeXR)
                aplicaFonte(g->horizontalHeader());
        }
        break;
    }
}

} // namespace

std::vector<FieldDef> CamposDaConsulta(TXRDatabase &db, const QString &sql)
{
    fb::Statement st(db.Attachment(), db.Transaction()->Engine(), TraduzSQL(sql, db.DriverName));
    std::vector<FieldDef> defs;
    for (const fb::Column &c : st.columns())
        defs.push_back(fb::fieldDefFor(c));
    return defs;
}

QString UsuarioRegistro()
{
    QSettings s(QStringLiteral("Venda"));
    return s.value(QStringLiteral("Parametros/Usuario")).toString();
}

QStringList SqlSufixoEmpresa(const QString &tabela)
{
    return {QStringLiteral(" SELECT ARQUIVO FROM ARQLOCAL WHERE ARQUIVO LIKE ")
            + QuotedStr(tabela.toUpper() + QStringLiteral("_%")) + QStringLiteral(" AND UDF_LEN(ARQUIVO) = (UDF_LEN(")
            + QuotedStr(tabela) + QStringLiteral(")+4) ") + QStringLiteral(" ORDER BY ARQUIVO DESCENDING ")};
}

QStringList SqlArquivoLocal(const QString &nome)
{
    return {QStringLiteral("SELECT ARQUIVO FROM ARQLOCAL WHERE (ARQUIVO LIKE ")
                + QuotedStr(nome.toUpper() + QStringLiteral("_%")),
            QStringLiteral("AND UDF_LEN(ARQUIVO) = (UDF_LEN(") + QuotedStr(nome) + QStringLiteral(")+4)) "),
            QStringLiteral("OR (ARQUIVO = ") + QuotedStr(nome) + QStringLiteral(") "),
            QStringLiteral("ORDER BY ARQUIVO DESCENDING ")};
}

QStringList SqlVerificaAcesso(const QString &classe, const QString &usuario)
{
    return {QStringLiteral("SELECT ACESSO_USUARIOS.NOME, ACESSO_USUARIOS.TIPO, ACESSO_MENU.DESCRICAO "),
            QStringLiteral("FROM ACESSO "),
            QStringLiteral("INNER JOIN ACESSO_USUARIOS ON (ACESSO.USUARIO = ACESSO_USUARIOS.CODIGO) "),
            QStringLiteral("INNER JOIN ACESSO_MENU ON (ACESSO.LOCAL = ACESSO_MENU.NIVEL) "),
            QStringLiteral("WHERE ACESSO_USUARIOS.NOME = ") + QuotedStr(usuario),
            QStringLiteral("AND UPPER(ACESSO_MENU.NOME_FORM) = ") + QuotedStr(classe.toUpper()),
            QStringLiteral("AND ACESSO.ALTERA  = 'Sim'")};
}

QStringList LinhasDoTexto(const QString &texto)
{
    static const QRegularExpression quebra(QStringLiteral("\r\n|\n|\r"));
    QStringList linhas = texto.split(quebra);
    if (!linhas.isEmpty() && linhas.last().isEmpty())
        linhas.removeLast();
    return linhas;
}

void InstalaCriaTelaCadastro(TCriaTelaCadastro cria) { criaTela() = std::move(cria); }

QWidget *CriaTelaCadastro(const QString &classe)
{
    return criaTela() ? criaTela()(classe) : nullptr;
}

void AplicaVisualCadastro(QWidget *form)
{
    QPalette p = form->palette();
    p.setColor(QPalette::Window, Qt::white);
    form->setPalette(p);
    form->setAutoFillBackground(true);
    for (QWidget *w : form->findChildren<QWidget *>()) {
        const QLatin1String nome(w->metaObject()->className());
        for (const ClasseVisual &c : kClasses) {
            if (c.nossa && nome == QLatin1String(c.nossa)) {
                trata(w, c.trato);
                break;
            }
        }
    }
    QApplication::processEvents();
}
