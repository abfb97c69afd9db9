#include "windows/clientes/untCliente.h"

#include "components/ConsultaSegundoPlano.h"
#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "platform/DataSet.h"
#include "platform/DialogService.h"
#include "windows/nucleo/WindowRegistry.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>

namespace {

class Maiusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

const char *const kMascaraCpf = "999.999.999-99;_";
const char *const kMascaraCnpj = "99.999.999/9999-99;_";
const char *const kMascaraFone = "(999)99999-9999;_";
const QStringList kTiposContato{QStringLiteral("1 - Diretoria"), QStringLiteral("2 - Comercial"),
                                QStringLiteral("3 - Financeiro"), QStringLiteral("4 - NFe"),
                                QStringLiteral("5 - Outro")};

QLineEdit *edicao(const char *nome, QWidget *pai, int maximo, bool maiusculas)
{
    auto *e = new QLineEdit(pai);
    e->setObjectName(QString::fromLatin1(nome));
    if (maximo > 0)
        e->setMaxLength(maximo);
    if (maiusculas)
        e->setValidator(new Maiusculas(e));
    return e;
}

QDateEdit *novaData(const char *nome, QWidget *pai)
{
    auto *d = new QDateEdit(pai);
    d->setObjectName(QString::fromLatin1(nome));
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    d->setCalendarPopup(true);
    return d;
}

QPushButton *botao(const char *nome, const QString &texto, QWidget *pai)
{
    auto *b = new QPushButton(texto, pai);
    b->setObjectName(QString::fromLatin1(nome));
    b->setAutoDefault(false);
    return b;
}

QComboBox *listaUf(const char *nome, QWidget *pai)
{
    auto *c = new QComboBox(pai);
    c->setObjectName(QString::fromLatin1(nome));
    c->addItem(QString());
    c->addItems(EstadosCliente());
    return c;
}

// Text of a mask edit as stored: what the user sees without the blanks.
void poeMascarado(QLineEdit *e, const QString &texto)
{
    e->setInputMask(QString());
    e->setText(texto);
}

// The contact kind picked from its list; the field keeps the digit.
class DelegadoTipo : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *pai, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *c = new QComboBox(pai);
        c->setObjectName(QStringLiteral("CbTipoContato"));
        c->addItems(kTiposContato);
        return c;
    }
    void setEditorData(QWidget *editor, const QModelIndex &i) const override
    {
        auto *c = static_cast<QComboBox *>(editor);
        const QString v = i.data(Qt::EditRole).toString();
        for (int n = 0; n < c->count(); ++n)
            if (!v.isEmpty() && c->itemText(n).startsWith(v))
                c->setCurrentIndex(n);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *m, const QModelIndex &i) const override
    {
        m->setData(i, static_cast<QComboBox *>(editor)->currentText().left(1), Qt::EditRole);
    }
};

// The contact's phone typed into its mask; the literals are kept.
class DelegadoFone : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *pai, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *e = new QLineEdit(pai);
        e->setObjectName(QStringLiteral("EdtFoneContato"));
        e->setInputMask(QStringLiteral("(999)00000-0000;_"));
        return e;
    }
    void setEditorData(QWidget *editor, const QModelIndex &i) const override
    {
        static_cast<QLineEdit *>(editor)->setText(i.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *m, const QModelIndex &i) const override
    {
        m->setData(i, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
    }
};

} // namespace

TfmCliente::TfmCliente(QWidget *dono)
    : TfmTelaSimples(dono)
    , m_contatos(std::make_unique<DataSet>())
    , m_resultado(std::make_unique<DataSet>())
{
    setObjectName(QStringLiteral("fmCliente"));
    setWindowTitle(QStringLiteral("Cadastro do Clientes"));
    PnBotoes->hide(); // this window has its own bars
    CDSContato = m_contatos.get();
    CDSContato->setObjectName(QStringLiteral("CDSContato"));
    PreparaContatos(*CDSContato);

    auto *corpo = new QVBoxLayout(Corpo());
    corpo->setContentsMargins(4, 4, 4, 4);
    PgCliente = new QTabWidget(Corpo());
    PgCliente->setObjectName(QStringLiteral("PgCliente"));
    TsAcesso = new QWidget;
    TsAcesso->setObjectName(QStringLiteral("TsAcesso"));
    TsManutencao = new QWidget;
    TsManutencao->setObjectName(QStringLiteral("TsManutencao"));
    TsContatos = new QWidget;
    TsContatos->setObjectName(QStringLiteral("TsContatos"));
    PgCliente->addTab(TsAcesso, QStringLiteral("Acesso"));
    PgCliente->addTab(TsManutencao, QStringLiteral("Manutenção"));
    PgCliente->addTab(TsContatos, QStringLiteral("Contatos"));
    corpo->addWidget(PgCliente, 1);
    CriaAcesso(TsAcesso);
    CriaManutencao(TsManutencao);
    CriaContatos(TsContatos);
    CriaBarras();
    corpo->addWidget(PnNavegacao);
    corpo->addWidget(PnConfirma);
    PgCliente->setCurrentWidget(TsManutencao);
    Liga();
    ModoConsulta(true);
}

TfmCliente::~TfmCliente()
{
    GridContato->SetDataSet(nullptr);
    GridConsulta->SetDataSet(nullptr);
}

void TfmCliente::CriaManutencao(QWidget *pagina)
{
    auto *l = new QVBoxLayout(pagina);
    PnManutencao = new QWidget(pagina);
    PnManutencao->setObjectName(QStringLiteral("PnManutencao"));
    l->addWidget(PnManutencao, 1);
    auto *g = new QGridLayout(PnManutencao);
    QWidget *p = PnManutencao;

    DBCodigo = edicao("DBCodigo", p, 5, false);
    DBCodigo->setReadOnly(true);
    DBCodigo->setFocusPolicy(Qt::NoFocus);
    DBCodigo->setStyleSheet(QStringLiteral("background: #d4d0c8"));
    DBCadastro = novaData("DBCadastro", p);
    auto *tipo = new QGroupBox(QStringLiteral("Tipo"), p);
    tipo->setObjectName(QStringLiteral("RgTipo"));
    RbFisica = new QRadioButton(QStringLiteral("Física"), tipo);
    RbFisica->setObjectName(QStringLiteral("RbFisica"));
    RbJuridica = new QRadioButton(QStringLiteral("Júridica"), tipo);
    RbJuridica->setObjectName(QStringLiteral("RbJuridica"));
    auto *lt = new QHBoxLayout(tipo);
    lt->addWidget(RbFisica);
    lt->addWidget(RbJuridica);

    DBNome = edicao("DBNome", p, 80, true);
    DBFantasia = edicao("DBFantasia", p, 70, true);
    DBCnpj = edicao("DBCnpj", p, 18, false);
    DBInscricao = edicao("DBInscricao", p, 18, true);
    DBTelefone = edicao("DBTelefone", p, 30, false);
    DBEMail = edicao("DBEMail", p, 100, false);
    DBCep = edicao("DBCep", p, 8, false);
    DBCidade = edicao("DBCidade", p, 50, true);
    CBUf = listaUf("CBUf", p);
    DBEndereco = edicao("DBEndereco", p, 50, true);
    DBNumero = edicao("DBNumero", p, 15, false);
    DBComplemento = edicao("DBComplemento", p, 50, true);
    DBBairro = edicao("DBBairro", p, 35, true);
    DBObservacao = new QPlainTextEdit(p);
    DBObservacao->setObjectName(QStringLiteral("DBObservacao"));
    DBObservacao->setMaximumHeight(70);
    DBDias = edicao("DBDias", p, 9, false);
    DBDias->setValidator(new QIntValidator(0, 999999999, DBDias));
    DBPrzMedio = edicao("DBPrzMedio", p, 9, false);
    DBPrzMedio->setEnabled(false);
    auto *status = new QGroupBox(QStringLiteral("Status de Sincronização"), p);
    status->setObjectName(QStringLiteral("RgStatus"));
    RbNaoTransmitido = new QRadioButton(QStringLiteral("Não Transmitido"), status);
    RbNaoTransmitido->setObjectName(QStringLiteral("RbNaoTransmitido"));
    RbTransmitido = new QRadioButton(QStringLiteral("Transmitido"), status);
    RbTransmitido->setObjectName(QStringLiteral("RbTransmitido"));
    RbNaoTransmitir = new QRadioButton(QStringLiteral("Não Transmitir"), status);
    RbNaoTransmitir->setObjectName(QStringLiteral("RbNaoTransmitir"));
    auto *ls = new QHBoxLayout(status);
    ls->addWidget(RbNaoTransmitido);
    ls->addWidget(RbTransmitido);
    ls->addWidget(RbNaoTransmitir);

    int linha = 0;
    auto poe = [&](const QString &rotulo, QWidget *w, int coluna, int largura = 1) {
        auto *r = new QLabel(rotulo, p);
        r->setBuddy(w);
        g->addWidget(r, linha, coluna * 2);
        g->addWidget(w, linha, coluna * 2 + 1, 1, largura * 2 - 1);
    };
    poe(QStringLiteral("Cliente"), DBCodigo, 0);
    poe(QStringLiteral("Cadastro"), DBCadastro, 1);
    g->addWidget(tipo, linha++, 4, 1, 2);
    poe(QStringLiteral("Razão Social"), DBNome, 0, 3);
    ++linha;
    poe(QStringLiteral("Fantasia"), DBFantasia, 0, 3);
    ++linha;
    poe(QStringLiteral("CNPJ/CPF"), DBCnpj, 0);
    poe(QStringLiteral("Inscrição"), DBInscricao, 1);
    poe(QStringLiteral("Telefone"), DBTelefone, 2);
    ++linha;
    poe(QStringLiteral("E-Mail"), DBEMail, 0, 2);
    poe(QStringLiteral("CEP"), DBCep, 2);
    ++linha;
    poe(QStringLiteral("Cidade"), DBCidade, 0, 2);
    poe(QStringLiteral("UF"), CBUf, 2);
    ++linha;
    poe(QStringLiteral("Endereço"), DBEndereco, 0, 2);
    poe(QStringLiteral("Nr."), DBNumero, 2);
    ++linha;
    poe(QStringLiteral("Complemento"), DBComplemento, 0, 2);
    poe(QStringLiteral("Bairro"), DBBairro, 2);
    ++linha;
    poe(QStringLiteral("Observação"), DBObservacao, 0, 3);
    ++linha;
    poe(QStringLiteral("Dias P/ Entrega"), DBDias, 0);
    poe(QStringLiteral("Prazo Médio"), DBPrzMedio, 1);
    ++linha;
    g->addWidget(status, linha++, 0, 1, 6);
    g->setRowStretch(linha, 1);

    QWidget *ordem[] = {DBCadastro, RbFisica, RbJuridica, DBNome, DBFantasia, DBCnpj, DBInscricao, DBTelefone,
                        DBEMail, DBCep, DBCidade, CBUf, DBEndereco, DBNumero, DBComplemento, DBBairro,
                        DBObservacao, DBDias};
    for (size_t i = 1; i < std::size(ordem); ++i)
        setTabOrder(ordem[i - 1], ordem[i]);
}

void TfmCliente::CriaContatos(QWidget *pagina)
{
    auto *l = new QVBoxLayout(pagina);
    GridContato = new TXRDBGrid(pagina);
    GridContato->setObjectName(QStringLiteral("GridContato"));
    GridContato->SetDataSet(CDSContato);
    const std::pair<const char *, const char *> colunas[] = {
        {"CONT_NOME", "Nome"},       {"CONT_FONE", "Telefone"},   {"CONT_MAIL", "E-Mail"},
        {"CONT_NASC", "Data Nasc."}, {"CONT_OBS", "Observação"}, {"CONT_TIPO", "Tipo"},
    };
    for (const auto &[campo, titulo] : colunas)
        GridContato->AddColumn(QString::fromLatin1(campo), QString::fromUtf8(titulo));
    GridContato->LayoutChanged();
    GridContato->setItemDelegateForColumn(1, new DelegadoFone(GridContato));
    GridContato->setItemDelegateForColumn(5, new DelegadoTipo(GridContato));
    MemoContato = new QPlainTextEdit(pagina);
    MemoContato->setObjectName(QStringLiteral("MemoContato"));
    MemoContato->setMaximumHeight(90);
    l->addWidget(GridContato, 1);
    l->addWidget(MemoContato);
}

void TfmCliente::CriaAcesso(QWidget *pagina)
{
    auto *l = new QVBoxLayout(pagina);
    auto *filtros = new QWidget(pagina);
    filtros->setObjectName(QStringLiteral("PnFiltros"));
    auto *g = new QGridLayout(filtros);
    auto *periodo = new QGroupBox(QStringLiteral("Cadastro"), filtros);
    periodo->setObjectName(QStringLiteral("GbPeriodo"));
    EdtDe = novaData("EdtDe", periodo);
    EdtAte = novaData("EdtAte", periodo);
    EdtDe->setDate(QDate(2000, 1, 1));
    EdtAte->setDate(QDate(2050, 12, 31));
    auto *lp = new QHBoxLayout(periodo);
    lp->addWidget(new QLabel(QStringLiteral("De"), periodo));
    lp->addWidget(EdtDe);
    lp->addWidget(new QLabel(QStringLiteral("Até"), periodo));
    lp->addWidget(EdtAte);
    g->addWidget(periodo, 0, 0, 1, 4);

    auto *linhaCodigo = new QWidget(filtros);
    auto *lc = new QHBoxLayout(linhaCodigo);
    lc->setContentsMargins(0, 0, 0, 0);
    lc->setSpacing(2); // F4 finds the button only right beside the edit
    EdtCodCli = edicao("EdtCodCli", linhaCodigo, 5, false);
    EdtCodCli->setMaximumWidth(90);
    PqCliente = new TPesquisa(linhaCodigo);
    PqCliente->setObjectName(QStringLiteral("PqCliente"));
    PqCliente->setText(QStringLiteral("..."));
    PqCliente->setFocusPolicy(Qt::NoFocus);
    LblNomeCli = new QLabel(linhaCodigo);
    LblNomeCli->setObjectName(QStringLiteral("LblNomeCli"));
    lc->addWidget(EdtCodCli);
    lc->addWidget(PqCliente);
    lc->addWidget(LblNomeCli, 1);
    g->addWidget(new QLabel(QStringLiteral("Cliente"), filtros), 1, 0);
    g->addWidget(linhaCodigo, 1, 1, 1, 3);

    EdtCnpjBusca = edicao("EdtCnpjBusca", filtros, 18, false);
    EdtFantasiaBusca = edicao("EdtFantasiaBusca", filtros, 70, true);
    EdtTelefoneBusca = edicao("EdtTelefoneBusca", filtros, 30, false);
    EdtEmailBusca = edicao("EdtEmailBusca", filtros, 100, false);
    EdtCidadeBusca = edicao("EdtCidadeBusca", filtros, 50, true);
    CBUfBusca = listaUf("CBUfBusca", filtros);
    const std::pair<const char *, QWidget *> campos[] = {
        {"CNPJ", EdtCnpjBusca},   {"Fantasia", EdtFantasiaBusca}, {"Telefone", EdtTelefoneBusca},
        {"E-Mail", EdtEmailBusca}, {"Cidade", EdtCidadeBusca},    {"UF", CBUfBusca},
    };
    int n = 0;
    for (const auto &[rotulo, w] : campos) {
        g->addWidget(new QLabel(QString::fromUtf8(rotulo), filtros), 2 + n / 2, (n % 2) * 2);
        g->addWidget(w, 2 + n / 2, (n % 2) * 2 + 1);
        ++n;
    }
    BtnConsultarBusca = botao("BtnConsultarBusca", QStringLiteral("&Consultar"), filtros);
    BtnFecharBusca = botao("BtnFecharBusca", QStringLiteral("&Fechar"), filtros);
    auto *lb = new QHBoxLayout;
    lb->addStretch(1);
    lb->addWidget(BtnConsultarBusca);
    lb->addWidget(BtnFecharBusca);
    g->addLayout(lb, 6, 0, 1, 4);
    l->addWidget(filtros);

    QConsulta = m_resultado.get();
    QConsulta->setObjectName(QStringLiteral("QConsulta"));
    Consulta = new TConsultaSegundoPlano(this);
    Consulta->EntregaPreparada = true;
    Consulta->Pronto = [this](TConsultaSegundoPlano::Resultado &r) {
        CursorEspera(false);
        if (!r.erro.isEmpty()) {
            dialogs().showMessage(r.erro);
            return;
        }
        // the worker built the rows and frees the old ones: the window only swaps them
        QConsulta->close();
        Consulta->Descarta(QConsulta->adoptRows(std::move(r.preparadas)));
        QConsulta->open();
        QConsulta->first();
    };
    connect(Consulta, &TConsultaSegundoPlano::Concluida, this, &TfmCliente::ConsultaConcluida);
    GridConsulta = new TXRDBGrid(pagina);
    GridConsulta->setObjectName(QStringLiteral("GridConsulta"));
    GridConsulta->SetExporta(true);
    GridConsulta->SetOrdenacao(false);
    GridConsulta->SetReadOnly(true);
    GridConsulta->SetRowSelect(true);
    GridConsulta->SetDataSet(QConsulta);
    const std::pair<const char *, const char *> colunas[] = {
        {"CLI_CODI", "Cliente"},   {"CLI_NOME", "Razão Social/Nome do Cliente"}, {"CLI_CNPJ", "CNPJ / CPF"},
        {"CLI_DSSTATUS", "Situação"}, {"CLI_FANT", "Fantasia"},    {"CLI_TELE", "Telefone"},
        {"CLI_MAIL", "E-Mail"},    {"CLI_UF", "UF"},                          {"CLI_NOMCID", "Cidade"},
    };
    for (const auto &[campo, titulo] : colunas)
        GridConsulta->AddColumn(QString::fromLatin1(campo), QString::fromUtf8(titulo));
    GridConsulta->LayoutChanged();
    l->addWidget(GridConsulta, 1);

    PqConsulta = new TPesquisa(this);
    PqConsulta->setObjectName(QStringLiteral("PqConsulta"));
    PqConsulta->hide();
    for (TPesquisa *p : {PqCliente, PqConsulta}) {
        p->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
        p->BuscaSQL = SqlPesquisaClientes();
        p->BuscaCampo = QStringLiteral("CLI_CODI");
    }
}

void TfmCliente::CriaBarras()
{
    PnNavegacao = new QWidget(Corpo());
    PnNavegacao->setObjectName(QStringLiteral("PnNavegacao"));
    auto *ln = new QHBoxLayout(PnNavegacao);
    ln->setContentsMargins(0, 0, 0, 0);
    BtnIncluir = botao("BtnIncluir", QStringLiteral("Incluir"), PnNavegacao);
    BtnAlterar = botao("BtnAlterar", QStringLiteral("&Alterar"), PnNavegacao);
    BtnExcluir = botao("BtnExcluir", QStringLiteral("&Excluir"), PnNavegacao);
    BtnConsultar = botao("BtnConsultar", QStringLiteral("C&onsultar"), PnNavegacao);
    BtnSair = botao("BtnSair", QStringLiteral("Fechar"), PnNavegacao);
    ln->addStretch(1);
    for (QPushButton *b : {BtnIncluir, BtnAlterar, BtnExcluir, BtnConsultar, BtnSair})
        ln->addWidget(b);

    PnConfirma = new QWidget(Corpo());
    PnConfirma->setObjectName(QStringLiteral("PnConfirma"));
    auto *lc = new QHBoxLayout(PnConfirma);
    lc->setContentsMargins(0, 0, 0, 0);
    BtnConfirmar = botao("BtnConfirmar", QStringLiteral("&Confirmar"), PnConfirma);
    BtnDesistir = botao("BtnDesistir", QStringLiteral("&Desistir"), PnConfirma);
    lc->addStretch(1);
    lc->addWidget(BtnConfirmar);
    lc->addWidget(BtnDesistir);
}

void TfmCliente::Liga()
{
    connect(BtnIncluir, &QPushButton::clicked, this, &TfmCliente::BtnIncluirClick);
    connect(BtnAlterar, &QPushButton::clicked, this, &TfmCliente::BtnAlterarClick);
    connect(BtnExcluir, &QPushButton::clicked, this, &TfmCliente::BtnExcluirClick);
    connect(BtnDesistir, &QPushButton::clicked, this, &TfmCliente::BtnDesistirClick);
    connect(BtnConfirmar, &QPushButton::clicked, this, &TfmCliente::BtnConfirmarClick);
    connect(BtnSair, &QPushButton::clicked, this, &QWidget::close);
    connect(BtnFecharBusca, &QPushButton::clicked, this, &QWidget::close);
    connect(BtnConsultarBusca, &QPushButton::clicked, this, &TfmCliente::BtnConsultarBuscaClick);
    connect(BtnConsultar, &QPushButton::clicked, this, [this] { PqConsulta->AbrePesquisa(); });
    connect(RbFisica, &QRadioButton::clicked, this, &TfmCliente::TipoClick);
    connect(RbJuridica, &QRadioButton::clicked, this, &TfmCliente::TipoClick);
    connect(PgCliente, &QTabWidget::currentChanged, this, &TfmCliente::TrocaPagina);
    PqConsulta->OnFechaPesquisa = [this](TPesquisa *p) {
        const QString codigo = p->RetornoPesquisa(QStringLiteral("CLI_CODI")).toString();
        if (!codigo.isEmpty())
            CarregaCliente(codigo);
    };
    PqCliente->OnFechaPesquisa = [this](TPesquisa *p) {
        EdtCodCli->setText(p->RetornoPesquisa(QStringLiteral("CLI_CODI")).toString());
    };
    connect(EdtCodCli, &QLineEdit::textChanged, this, [this](const QString &codigo) {
        const QVariant nome = codigo.trimmed().isEmpty()
            ? QVariant()
            : BuscaValorCampo(QStringLiteral("CLI_NOME"), QStringLiteral("CLIENTE"), QStringLiteral("CLI_CODI"), codigo);
        LblNomeCli->setText(nome.toString());
    });
    GridConsulta->OnDblClick = [this](TXRDBGrid *) { GridConsultaDblClick(); };
    GridContato->OnKeyDown = [this](TXRDBGrid *, int &tecla, Qt::KeyboardModifiers) { TeclaContato(tecla); };
    GridContato->OnKeyPress = [this](TXRDBGrid *g, QString &texto) {
        const TXRColumn *c = g->ColunaSelecionada();
        if (c && (c->FieldName == QLatin1String("CONT_NOME") || c->FieldName == QLatin1String("CONT_MAIL")
                  || c->FieldName == QLatin1String("CONT_OBS")))
            texto = texto.toUpper();
    };
    connect(CDSContato, &DataSet::currentChanged, this, [this](int) { MostraTextoContato(); });
    connect(CDSContato, &DataSet::rowsReset, this, [this] { MostraTextoContato(); });
    connect(MemoContato, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_edicao || CDSContato->isEmpty() || !MemoContato->hasFocus())
            return;
        const QString texto = MemoContato->toPlainText();
        Field *f = CDSContato->fieldByName(QStringLiteral("CONT_TEXT"));
        if (f->asString() == texto)
            return;
        if (CDSContato->state() == DataSet::State::Browse)
            CDSContato->edit();
        f->setValue(texto);
        PostaContato(*CDSContato);
    });
    for (QWidget *w : {static_cast<QWidget *>(DBEMail), static_cast<QWidget *>(DBCnpj),
                       static_cast<QWidget *>(DBTelefone)})
        w->installEventFilter(this);
    connect(DBTelefone, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (DBTelefone->inputMask().isEmpty() && t.size() <= 1)
            DBTelefone->setInputMask(QString::fromLatin1(kMascaraFone));
    });
}

void TfmCliente::MostraTextoContato()
{
    if (MemoContato->hasFocus())
        return;
    const QString texto = CDSContato->isEmpty() || CDSContato->recNo() == 0
        ? QString()
        : CDSContato->fieldByName(QStringLiteral("CONT_TEXT"))->asString();
    if (MemoContato->toPlainText() != texto)
        MemoContato->setPlainText(texto);
}

void TfmCliente::FormShow()
{
    // not the base window's handler: the caption stays without the version
    ModoConsulta(true);
    BtnIncluir->setFocus();
}

void TfmCliente::FormClose(TCloseAction &action)
{
    TfmTelaSimples::FormClose(action);
    PostaContato(*CDSContato);
    action = TCloseAction::Free;
}

void TfmCliente::ModoConsulta(bool consulta)
{
    m_edicao = !consulta;
    PnManutencao->setEnabled(!consulta);
    PnConfirma->setVisible(!consulta);
    PnNavegacao->setVisible(consulta && PgCliente->currentWidget() != TsAcesso);
    GridContato->SetReadOnly(consulta);
    MemoContato->setReadOnly(consulta);
}

void TfmCliente::TrocaPagina(int)
{
    if (m_trocandoPagina)
        return;
    if (m_edicao) {
        if (PgCliente->currentWidget() == TsAcesso) {
            m_trocandoPagina = true;
            PgCliente->setCurrentWidget(TsManutencao);
            m_trocandoPagina = false;
        }
        return;
    }
    PnNavegacao->setVisible(PgCliente->currentWidget() != TsAcesso);
}

void TfmCliente::Aviso(const QString &texto)
{
    dialogs().messageBox(texto, windowTitle(), MsgButtons::Ok, MsgIcon::Information);
}

QWidget *TfmCliente::CampoPorNome(const QString &nome) const
{
    return nome.isEmpty() ? nullptr : findChild<QWidget *>(nome);
}

void TfmCliente::LimpaTela()
{
    PostaContato(*CDSContato);
    CDSContato->emptyTable();
    for (QLineEdit *e : {DBCodigo, DBNome, DBFantasia, DBInscricao, DBEMail, DBCep, DBCidade, DBEndereco, DBNumero,
                         DBComplemento, DBBairro, DBDias, DBPrzMedio})
        e->clear();
    poeMascarado(DBCnpj, QString());
    poeMascarado(DBTelefone, QString());
    DBObservacao->clear();
    MemoContato->clear();
    CBUf->setCurrentIndex(0);
    RbNaoTransmitido->setChecked(true);
}

void TfmCliente::BtnIncluirClick()
{
    ModoConsulta(false);
    LimpaTela();
    DBCodigo->setText(ProximoCodigo(QStringLiteral("CLIENTE"), QStringLiteral("CLI_CODI"), 5));
    PgCliente->setCurrentWidget(TsManutencao);
    DBNome->setFocus();
    DBCadastro->setDate(QDate::currentDate());
    RbJuridica->setChecked(true);
    TipoClick();
}

void TfmCliente::BtnAlterarClick()
{
    const QString codigo = DBCodigo->text().trimmed();
    if (codigo.isEmpty()
        || BuscaValorCampo(QStringLiteral("CLI_CODI"), QStringLiteral("CLIENTE"), QStringLiteral("CLI_CODI"), codigo)
               .isNull()) {
        Aviso(QStringLiteral("Cliente Inválido. Impossível Alterar."));
        return;
    }
    ModoConsulta(false);
}

void TfmCliente::BtnDesistirClick()
{
    PostaContato(*CDSContato);
    ModoConsulta(true);
}

void TfmCliente::BtnExcluirClick()
{
    if (dialogs().messageBox(QStringLiteral("Excluir o cliente?"), windowTitle(), MsgButtons::YesNo, MsgIcon::Question,
                             2)
        != MsgResult::Yes)
        return;
    switch (ExcluiCliente(*DMRepres, DBCodigo->text())) {
    case TExclusaoCliente::Excluido: LimpaTela(); break;
    case TExclusaoCliente::ComPedidos: Aviso(QStringLiteral("Cliente possui pedidos. Impossível Excluir.")); break;
    case TExclusaoCliente::Falhou: Aviso(QStringLiteral("Problema na exclusão do cliente.")); break;
    }
}

TDadosCliente TfmCliente::LeTela() const
{
    TDadosCliente c;
    c.codigo = DBCodigo->text();
    c.cadastro = DBCadastro->date();
    c.tipo = RbFisica->isChecked() ? QStringLiteral("1") : RbJuridica->isChecked() ? QStringLiteral("2") : QString();
    c.nome = DBNome->text();
    c.fantasia = DBFantasia->text();
    c.cnpj = DBCnpj->text();
    c.inscricao = DBInscricao->text();
    c.telefone = DBTelefone->text();
    c.email = DBEMail->text();
    c.cep = DBCep->text();
    c.cidade = DBCidade->text();
    c.uf = CBUf->currentText();
    c.endereco = DBEndereco->text();
    c.numero = DBNumero->text();
    c.complemento = DBComplemento->text();
    c.bairro = DBBairro->text();
    c.observacao = DBObservacao->toPlainText();
    c.observacao.replace('\n', QStringLiteral("\r\n"));
    c.dias = DBDias->text().trimmed().isEmpty() ? QVariant() : QVariant(DBDias->text().toInt());
    c.enviado = RbTransmitido->isChecked() ? QStringLiteral("S")
        : RbNaoTransmitir->isChecked()     ? QStringLiteral("T")
                                           : QStringLiteral("N");
    return c;
}

void TfmCliente::MostraDados(const TDadosCliente &c)
{
    DBCodigo->setText(c.codigo);
    if (c.cadastro.isValid())
        DBCadastro->setDate(c.cadastro);
    DBNome->setText(c.nome);
    DBFantasia->setText(c.fantasia);
    poeMascarado(DBCnpj, c.cnpj);
    DBInscricao->setText(c.inscricao);
    poeMascarado(DBTelefone, c.telefone);
    DBEMail->setText(c.email);
    DBCep->setText(c.cep);
    DBCidade->setText(c.cidade);
    CBUf->setCurrentIndex(c.uf.isEmpty() ? -1 : CBUf->findText(c.uf));
    DBEndereco->setText(c.endereco);
    DBNumero->setText(c.numero);
    DBComplemento->setText(c.complemento);
    DBBairro->setText(c.bairro);
    QString obs = c.observacao;
    obs.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    DBObservacao->setPlainText(obs);
    DBDias->setText(c.dias.isNull() ? QString() : QString::number(c.dias.toInt()));
    DBPrzMedio->setText(c.przMedio.isNull() ? QString() : QString::number(c.przMedio.toInt()));
    if (c.tipo == QLatin1String("1"))
        RbFisica->setChecked(true);
    else if (c.tipo == QLatin1String("2"))
        RbJuridica->setChecked(true);
    if (c.enviado == QLatin1String("N"))
        RbNaoTransmitido->setChecked(true);
    else if (c.enviado == QLatin1String("S"))
        RbTransmitido->setChecked(true);
    else if (c.enviado == QLatin1String("T"))
        RbNaoTransmitir->setChecked(true);
}

void TfmCliente::CarregaCliente(const QString &codigo)
{
    CursorEspera(true);
    // what the radios show now stays where the row has no such letter
    TDadosCliente c = LeTela();
    c.tipo.clear();
    c.enviado.clear();
    const bool achou = ::CarregaCliente(*DMRepres, codigo, c, *CDSContato);
    if (achou)
        MostraDados(c);
    MostraTextoContato();
    CursorEspera(false);
}

void TfmCliente::BtnConfirmarClick()
{
    TDadosCliente c = LeTela();
    if (const auto falha = ValidaCliente(*DMRepres, c, *CDSContato, DMRepres->sIdCliEmailObr)) {
        if (falha->verificacao == 13)
            RbNaoTransmitido->setChecked(true);
        Aviso(falha->mensagem);
        if (QWidget *w = CampoPorNome(falha->campo)) {
            PgCliente->setCurrentWidget(w == GridContato ? TsContatos : TsManutencao);
            w->setFocus();
        }
        return;
    }
    QString mensagem;
    if (!GravaCliente(*DMRepres, c, *CDSContato, mensagem)) {
        Aviso(mensagem);
        return;
    }
    ModoConsulta(true);
    BtnIncluir->setFocus();
    if (!c.codigo.trimmed().isEmpty())
        CarregaCliente(c.codigo);
}

void TfmCliente::BtnConsultarBuscaClick()
{
    TFiltroCliente f;
    f.de = EdtDe->date();
    f.ate = EdtAte->date();
    f.codigo = EdtCodCli->text();
    f.cnpj = EdtCnpjBusca->text();
    f.fantasia = EdtFantasiaBusca->text();
    f.telefone = EdtTelefoneBusca->text();
    f.email = EdtEmailBusca->text();
    f.cidade = EdtCidadeBusca->text();
    f.uf = CBUfBusca->currentIndex() > 0 ? CBUfBusca->currentText() : QString();
    if (!DMRepres)
        return;
    QStringList sql;
    TConsultaSegundoPlano::Parametros valores;
    SqlConsultaClientes(f, sql, valores);
    CursorEspera(true);
    Consulta->Executa(*DMRepres->XRDtRepres, sql, valores);
}

bool TfmCliente::Consultando() const { return Consulta->Ocupada(); }

void TfmCliente::GridConsultaDblClick()
{
    if (!QConsulta->active() || QConsulta->isEmpty())
        return;
    const QString codigo = QConsulta->fieldByName(QStringLiteral("CLI_CODI"))->asString();
    CarregaCliente(codigo);
    PgCliente->setCurrentWidget(TsManutencao);
    ModoConsulta(true);
}

void TfmCliente::TipoClick()
{
    const QString texto = DBCnpj->text();
    DBCnpj->setInputMask(QString::fromLatin1(RbFisica->isChecked() ? kMascaraCpf : kMascaraCnpj));
    if (!RemoveMascara(texto).isEmpty())
        DBCnpj->setText(RemoveMascara(texto));
}

bool TfmCliente::eventFilter(QObject *obj, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && obj == DBTelefone && DBTelefone->text().isEmpty())
        DBTelefone->setInputMask(QString::fromLatin1(kMascaraFone));
    if (event->type() == QEvent::FocusOut && m_edicao) {
        const auto razao = static_cast<QFocusEvent *>(event)->reason();
        if (razao != Qt::PopupFocusReason && razao != Qt::ActiveWindowFocusReason) {
            // checked once the focus has arrived where it was going
            QPointer<TfmCliente> eu(this);
            if (obj == DBEMail)
                QTimer::singleShot(0, this, [eu] {
                    if (eu && eu->m_edicao)
                        eu->SaiEmail();
                });
            else if (obj == DBCnpj)
                QTimer::singleShot(0, this, [eu] {
                    if (eu && eu->m_edicao)
                        eu->SaiCnpj();
                });
        }
    }
    return TfmTelaSimples::eventFilter(obj, event);
}

bool TfmCliente::SaiEmail()
{
    const QString email = DBEMail->text();
    if (email.isEmpty() && DMRepres && DMRepres->sIdCliEmailObr == QLatin1String("S")) {
        Aviso(QStringLiteral("Favor informar o Email"));
        DBEMail->setFocus();
        return false;
    }
    if (ValidaEmail(email)) {
        if (QApplication::focusWidget() == DBEMail || !isAncestorOf(QApplication::focusWidget()))
            return true;
        DBCep->setFocus();
        return true;
    }
    Aviso(QStringLiteral("Email Inválido. Impossível Continuar."));
    DBEMail->setFocus();
    return false;
}

bool TfmCliente::SaiCnpj()
{
    const QString texto = DBCnpj->text();
    // nothing typed: the save's own check refuses it
    if (RemoveMascara(texto).isEmpty())
        return true;
    const QString outro = BuscaCnpjDuplicado(*DMRepres, DBCodigo->text(), texto);
    if (!outro.isEmpty()) {
        Aviso(QStringLiteral("CNPJ/CPF já cadastrado no cliente código ") + outro);
        DBCnpj->clear();
        DBCnpj->setFocus();
        return false;
    }
    const QString tipo = RbFisica->isChecked() ? QStringLiteral("1") : RbJuridica->isChecked() ? QStringLiteral("2") : QString();
    if (ValidaDocumento(tipo, texto) || QApplication::focusWidget() == BtnConfirmar)
        return true;
    if (dialogs().messageBox(QStringLiteral("CNPJ/CPF Inválido. Deseja continuar."), windowTitle(), MsgButtons::YesNo,
                             MsgIcon::Question, 2)
        == MsgResult::Yes)
        return true;
    DBCnpj->setFocus();
    return false;
}

void TfmCliente::TeclaContato(int &tecla)
{
    if (tecla != Qt::Key_Tab || !m_edicao)
        return;
    const TXRColumn *c = GridContato->ColunaSelecionada();
    if (!c)
        return;
    if (c->FieldName != QLatin1String("CONT_NOME") && c->FieldName != QLatin1String("CONT_MAIL"))
        return;
    const bool editando = CDSContato->state() == DataSet::State::Edit || CDSContato->state() == DataSet::State::Insert;
    if (editando) {
        PostaContato(*CDSContato);
        if (!CDSContato->isEmpty())
            CDSContato->edit();
    }
    if (c->FieldName == QLatin1String("CONT_MAIL") && !CDSContato->isEmpty()
        && !ValidaEmail(CDSContato->fieldByName(QStringLiteral("CONT_MAIL"))->asString())) {
        Aviso(QStringLiteral("E-Mail Inválido. Impossível Continuar."));
        if (CDSContato->state() == DataSet::State::Browse)
            CDSContato->edit();
        CDSContato->fieldByName(QStringLiteral("CONT_MAIL"))->setValue(QString());
        tecla = 0;
    }
}

void RegistraJanelaCliente()
{
    RegisterClass(QStringLiteral("TfmCliente"), [](QWidget *dono) {
        auto *j = new TfmCliente(dono);
        j->setWindowState(Qt::WindowMaximized);
        return j;
    });
}
