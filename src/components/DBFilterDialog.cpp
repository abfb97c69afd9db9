#include "components/DBFilterDialog.h"

#include "components/XRDBFilterDialog.h"
#include "components/XRDBGrid.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
enum Col { CONDICAO, COLUNA, OPERADOR, VALOR, FIELDNAME };
constexpr int kMaxLinhas = 3;

QString quoted(const QString &v)
{
    QString s = v;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}
} // namespace

struct TFmDBFilterDialog::PainelCtl {
    QWidget *painel = nullptr;
    QComboBox *CbCondicao = nullptr;
    QComboBox *CbColuna = nullptr;
    QComboBox *CbOperador = nullptr;
    QLineEdit *EdValor = nullptr;
    QToolButton *Image1 = nullptr;
    QToolButton *Image2 = nullptr;
};

const QStringList &TFmDBFilterDialog::Operadores()
{
    static const QStringList ops = {
        QStringLiteral("Igual"),          QStringLiteral("Diferente"),   QStringLiteral("Contém"),
        QStringLiteral("Não contém"),     QStringLiteral("Começa com"),  QStringLiteral("Termina com"),
        QStringLiteral("Maior ou igual"), QStringLiteral("Maior"),       QStringLiteral("Menor ou igual"),
        QStringLiteral("Menor")};
    return ops;
}

QString TFmDBFilterDialog::Condicao(const QString &fieldName, FieldType type, int operador, const QString &valor)
{
    const bool upper = isTextType(type);
    const QString F = upper ? QStringLiteral("UPPER(") + fieldName + QLatin1Char(')') : fieldName;
    QString v;
    switch (operador) {
    case 2:
    case 3: v = quoted(QLatin1Char('%') + valor + QLatin1Char('%')); break;
    case 4: v = quoted(valor + QLatin1Char('%')); break;
    case 5: v = quoted(QLatin1Char('%') + valor); break;
    default: v = quoted(valor); break;
    }
    if (upper)
        v = QStringLiteral("UPPER(") + v + QLatin1Char(')');
    static const char *partes[] = {" = ", " <> ", " LIKE ", " LIKE ", " LIKE ", " LIKE ", " >= ", " > ", " <= ", " < "};
    if (operador == 3)
        return QStringLiteral("NOT ") + F + QStringLiteral(" LIKE ") + v;
    return F + QLatin1String(partes[std::clamp(operador, 0, 9)]) + v;
}

TFmDBFilterDialog::TFmDBFilterDialog(QWidget *parent)
    : QDialog(parent)
    , m_tbColunas(std::make_unique<DataSet>())
{
    setObjectName(QStringLiteral("FmDBFilterDialog"));
    setWindowTitle(QStringLiteral("Filtrar dados"));
    resize(576, 192);
    m_tbColunas->setFieldDefs({{QStringLiteral("CONDICAO"), FieldType::String, 2},
                               {QStringLiteral("COLUNA"), FieldType::String, 30},
                               {QStringLiteral("OPERADOR"), FieldType::Integer},
                               {QStringLiteral("VALOR"), FieldType::String, 100},
                               {QStringLiteral("FIELDNAME"), FieldType::String, 30}});
    m_tbColunas->open();
    m_tbColunas->onNewRecord = [](DataSet &t) {
        t.field(CONDICAO)->setValue(QStringLiteral("E"));
        t.field(OPERADOR)->setValue(0);
    };
    m_tbColunas->beforeInsert = [](DataSet &t) {
        // never a fourth condition
        if (t.recordCount() > kMaxLinhas - 1)
            t.deleteRecord();
    };
    m_tbColunas->beforePost = [this](DataSet &t) {
        const QString coluna = t.field(COLUNA)->asString();
        const int i = int(m_titulos.indexOf(coluna));
        if (!coluna.isEmpty() && i >= 0 && i < oListColumns.size())
            t.field(FIELDNAME)->setValue(oListColumns[i]);
    };
    BuildUi();
}

TFmDBFilterDialog::~TFmDBFilterDialog() = default;

void TFmDBFilterDialog::BuildUi()
{
    auto *root = new QVBoxLayout(this);
    auto *grade = new QWidget(this);
    grade->setObjectName(QStringLiteral("DBCtrlGrid1"));
    grade->setStyleSheet(QStringLiteral("background: white;"));
    auto *gl = new QVBoxLayout(grade);
    for (int i = 0; i < kMaxLinhas; ++i) {
        auto p = std::make_unique<PainelCtl>();
        p->painel = new QWidget(grade);
        p->painel->setObjectName(QStringLiteral("Painel%1").arg(i));
        p->painel->setFixedHeight(53);
        auto *hl = new QHBoxLayout(p->painel);
        auto campo = [&](const char *rotulo, QWidget *w, int largura) {
            auto *vl = new QVBoxLayout();
            vl->addWidget(new QLabel(QString::fromUtf8(rotulo), p->painel));
            w->setFixedWidth(largura);
            vl->addWidget(w);
            hl->addLayout(vl);
        };
        p->CbCondicao = new QComboBox(p->painel);
        p->CbCondicao->setObjectName(QStringLiteral("CbCondicao"));
        p->CbCondicao->addItems({QStringLiteral("E"), QStringLiteral("Ou")});
        p->CbColuna = new QComboBox(p->painel);
        p->CbColuna->setObjectName(QStringLiteral("CbColuna"));
        p->CbOperador = new QComboBox(p->painel);
        p->CbOperador->setObjectName(QStringLiteral("CbOperador"));
        p->CbOperador->addItems(Operadores());
        p->EdValor = new QLineEdit(p->painel);
        p->EdValor->setObjectName(QStringLiteral("EdValor"));
        campo("Condição", p->CbCondicao, 51);
        campo("Coluna", p->CbColuna, 153);
        campo("Operador", p->CbOperador, 118);
        campo("Valor", p->EdValor, 150);
        p->Image1 = new QToolButton(p->painel);
        p->Image1->setObjectName(QStringLiteral("Image1"));
        p->Image1->setText(QStringLiteral("+"));
        p->Image1->setCursor(Qt::PointingHandCursor);
        p->Image2 = new QToolButton(p->painel);
        p->Image2->setObjectName(QStringLiteral("Image2"));
        p->Image2->setText(QStringLiteral("-"));
        p->Image2->setCursor(Qt::PointingHandCursor);
        hl->addWidget(p->Image1);
        hl->addWidget(p->Image2);
        gl->addWidget(p->painel);

        connect(p->CbCondicao, &QComboBox::currentIndexChanged, this, [this, i](int idx) {
            GravaCampo(i, QStringLiteral("CONDICAO"), idx == 1 ? QStringLiteral("Ou") : QStringLiteral("E"));
        });
        connect(p->CbColuna, &QComboBox::currentIndexChanged, this, [this, i](int idx) {
            GravaCampo(i, QStringLiteral("COLUNA"), idx >= 0 ? m_titulos.value(idx) : QString());
        });
        connect(p->CbOperador, &QComboBox::currentIndexChanged, this,
                [this, i](int idx) { GravaCampo(i, QStringLiteral("OPERADOR"), idx); });
        connect(p->EdValor, &QLineEdit::textChanged, this,
                [this, i](const QString &t) { GravaCampo(i, QStringLiteral("VALOR"), t); });
        connect(p->Image1, &QToolButton::clicked, this, &TFmDBFilterDialog::Image1Click);
        connect(p->Image2, &QToolButton::clicked, this, [this, i] { Image2Click(i); });
        m_paineis.push_back(std::move(p));
    }
    gl->addStretch();
    root->addWidget(grade, 1);

    auto *rodape = new QWidget(this);
    auto *bl = new QHBoxLayout(rodape);
    bl->addStretch();
    auto *ok = new QPushButton(QStringLiteral("OK"), rodape);
    ok->setObjectName(QStringLiteral("BitBtn2"));
    ok->setToolTip(QStringLiteral("Confirmar Consulta"));
    ok->setAutoDefault(false);
    auto *cancelar = new QPushButton(QStringLiteral("Cancelar"), rodape);
    cancelar->setObjectName(QStringLiteral("BitBtn3"));
    cancelar->setToolTip(QStringLiteral("Cancelar Consulta"));
    cancelar->setAutoDefault(false);
    bl->addWidget(ok);
    bl->addWidget(cancelar);
    root->addWidget(rodape);
    connect(ok, &QPushButton::clicked, this, &TFmDBFilterDialog::BitBtn2Click);
    connect(cancelar, &QPushButton::clicked, this, &TFmDBFilterDialog::BitBtn3Click);
}

QWidget *TFmDBFilterDialog::Painel(int i) const
{
    return i >= 0 && i < int(m_paineis.size()) ? m_paineis[size_t(i)]->painel : nullptr;
}

void TFmDBFilterDialog::LimpaColunas()
{
    oListColumns.clear();
    m_titulos.clear();
    m_carregando = true;
    for (auto &p : m_paineis)
        p->CbColuna->clear();
    m_carregando = false;
}

void TFmDBFilterDialog::showEvent(QShowEvent *e)
{
    TbOri.clear();
    for (int i = 0; i < m_tbColunas->recordCount(); ++i)
        TbOri.push_back(m_tbColunas->rowAt(i));
    TXRDBGrid *grid = oDBFilter ? oDBFilter->DBGrid.data() : nullptr;
    if (m_titulos.isEmpty() && grid) {
        for (int c = 0; c < grid->ColumnCount(); ++c) {
            oListColumns << grid->Column(c)->FieldName;
            m_titulos << grid->Column(c)->Title;
        }
        m_carregando = true;
        for (auto &p : m_paineis) {
            p->CbColuna->clear();
            p->CbColuna->addItems(m_titulos);
        }
        m_carregando = false;
    }
    if (m_tbColunas->isEmpty())
        m_tbColunas->append(); // the first panel is always there to type into
    m_tbColunas->post();
    m_tbColunas->first();
    CarregaPaineis();
    QDialog::showEvent(e);
}

void TFmDBFilterDialog::CarregaPaineis()
{
    m_carregando = true;
    const int n = m_tbColunas->recordCount();
    for (int i = 0; i < kMaxLinhas; ++i) {
        PainelCtl &p = *m_paineis[size_t(i)];
        p.painel->setVisible(i < std::max(1, n));
        const Row r = i < n ? m_tbColunas->rowAt(i) : Row(5);
        p.CbCondicao->setEnabled(i > 0);
        p.CbCondicao->setCurrentIndex(r[CONDICAO].toString() == QLatin1String("Ou") ? 1 : 0);
        p.CbColuna->setCurrentIndex(int(m_titulos.indexOf(r[COLUNA].toString())));
        p.CbOperador->setCurrentIndex(r[OPERADOR].isNull() ? -1 : r[OPERADOR].toInt());
        p.EdValor->setText(r[VALOR].toString());
    }
    m_carregando = false;
}

void TFmDBFilterDialog::GravaCampo(int painel, const QString &campo, const QVariant &valor)
{
    if (m_carregando)
        return;
    if (painel >= m_tbColunas->recordCount())
        m_tbColunas->append();
    else
        m_tbColunas->setRecNo(painel + 1);
    m_tbColunas->edit();
    m_tbColunas->fieldByName(campo)->setValue(valor);
    m_tbColunas->post();
}

void TFmDBFilterDialog::Image1Click()
{
    if (m_tbColunas->recordCount() > kMaxLinhas - 1)
        return;
    m_tbColunas->append();
    m_tbColunas->post();
    CarregaPaineis();
}

void TFmDBFilterDialog::Image2Click(int painel)
{
    if (m_tbColunas->isEmpty() || painel >= m_tbColunas->recordCount())
        return;
    m_tbColunas->setRecNo(painel + 1);
    m_tbColunas->deleteRecord();
    if (!m_tbColunas->isEmpty() && m_tbColunas->recNo() == 1) {
        m_tbColunas->edit();
        m_tbColunas->field(CONDICAO)->setValue(QStringLiteral("E"));
        m_tbColunas->post();
    }
    CarregaPaineis();
}

bool TFmDBFilterDialog::Valida(DataSet *ds)
{
    const QString aspas = QStringLiteral("\"");
    for (int i = 0; i < m_tbColunas->recordCount(); ++i) {
        const Row &r = m_tbColunas->rowAt(i);
        if (r[COLUNA].toString().isEmpty() || r[OPERADOR].isNull())
            continue;
        const Field *f = ds->findField(r[FIELDNAME].toString());
        if (!f)
            continue;
        const int op = r[OPERADOR].toInt();
        const QString valor = r[VALOR].toString();
        QString msg;
        if (isDateType(f->dataType())) {
            QDate d;
            if (!fmt::tryStrToDate(valor, d))
                msg = QStringLiteral("Data inválida.");
            else if (op >= 2 && op <= 5)
                msg = QStringLiteral("Operador inválido.\rOperadores ") + aspas + QStringLiteral("Contém") + aspas
                    + QStringLiteral(", ") + aspas + QStringLiteral("Não contém") + aspas + QStringLiteral(", ")
                    + aspas + QStringLiteral("Começa com") + aspas + QStringLiteral(" e ") + aspas
                    + QStringLiteral("Termina com") + aspas + QStringLiteral(" inválidos para campos do tipo Data.");
        } else if (isNumericType(f->dataType())) {
            double d = 0;
            if (!fmt::tryStrToFloat(valor, d))
                msg = QStringLiteral("Valor inválido.");
            else if (op >= 2 && op <= 5)
                msg = QStringLiteral("Operador inválido.\rOperadores ") + aspas + QStringLiteral("Contém") + aspas
                    + QStringLiteral(", ") + aspas + QStringLiteral("Não contém") + aspas + QStringLiteral(", ")
                    + aspas + QStringLiteral("Começa com") + aspas + QStringLiteral(" e ") + aspas
                    + QStringLiteral("Termina com") + aspas + QStringLiteral(" inválidos para campos Numéricos.");
        }
        if (!msg.isEmpty()) {
            dialogs().messageBox(msg, windowTitle(), MsgButtons::Ok, MsgIcon::Information);
            return false;
        }
    }
    return true;
}

void TFmDBFilterDialog::BitBtn2Click()
{
    TXRDBGrid *grid = oDBFilter ? oDBFilter->DBGrid.data() : nullptr;
    DataSet *ds = grid ? grid->GetDataSet() : nullptr;
    if (!ds)
        return;
    m_tbColunas->post();
    if (!Valida(ds))
        return;

    QString original = ds->filter().trimmed().isEmpty() ? QStringLiteral("(1=1)") : ds->filter();
    const qsizetype marca = original.indexOf(QLatin1String("AND (3=3)"));
    if (marca >= 0)
        original = original.left(marca);
    // no blank is added in front of the marker on each confirmation
    sFiltrosOriginais = marca >= 0 ? QString(original).remove(QRegularExpression(QStringLiteral("\\s+$"))) : original;

    try {
        ds->setFiltered(false);
        ds->setFilter(QString());
        oDBFilter->Campos.clear();

        // OR joins a condition to the group before it; groups are joined by AND
        QString condicoes;
        bool primeira = true;
        for (int i = 0; i < m_tbColunas->recordCount(); ++i) {
            const Row &r = m_tbColunas->rowAt(i);
            if (r[COLUNA].toString().isEmpty() || r[OPERADOR].isNull())
                continue;
            const QString campo = r[FIELDNAME].toString();
            const Field *f = ds->findField(campo);
            oDBFilter->Campos << QLatin1Char('*') + campo + QLatin1Char('*');
            const QString corpo = Condicao(campo, f ? f->dataType() : FieldType::String, r[OPERADOR].toInt(),
                                           r[VALOR].toString());
            if (primeira)
                condicoes += QStringLiteral("  (") + corpo;
            else if (r[CONDICAO].toString() == QLatin1String("Ou"))
                condicoes += QStringLiteral(" OR ") + corpo;
            else
                condicoes += QStringLiteral(") AND (") + corpo;
            primeira = false;
        }
        if (!primeira) {
            condicoes += QLatin1Char(')');
            const QString filtro = sFiltrosOriginais + QStringLiteral(" AND (3=3) AND ") + condicoes;
            oDBFilter->Colunas = filtro;
            ds->setFilter(filtro);
        } else {
            ds->setFilter(sFiltrosOriginais);
        }
        ds->setFiltered(true);
        ds->first();
    } catch (const EAbort &) {
        return;
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const EDatabaseError *>(&e);
        dialogs().messageBox(db ? db->message() : QString::fromUtf8(e.what()), windowTitle(), MsgButtons::Ok,
                             MsgIcon::Error);
        return;
    }
    if (grid)
        grid->horizontalHeader()->viewport()->update();
    accept();
}

void TFmDBFilterDialog::BitBtn3Click() { reject(); }

void TFmDBFilterDialog::done(int r)
{
    if (r != QDialog::Accepted) {
        m_tbColunas->cancel();
        m_tbColunas->setRows(TbOri);
    }
    QDialog::done(r);
}
