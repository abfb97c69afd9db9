#include "components/untCpoBusca.h"

#include "components/ConsultaSegundoPlano.h"
#include "components/CpoBuscaDefinicao.h"
#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TfrmCpoBusca> frmCpoBusca;

namespace {

QString parteWhere(const QString &sql, const QStringList &filtro)
{
    if (sql.contains(QLatin1String("WHERE ")))
        return QString();
    if (!filtro.isEmpty())
        return QStringLiteral("WHERE ") + filtro.join(QLatin1Char('\n'));
    return QStringLiteral("WHERE 1 = 1");
}

} // namespace

QString TfrmCpoBusca::NomeTipo(FieldType t)
{
    switch (t) {
    case FieldType::String: return QStringLiteral("ftString");
    case FieldType::SmallInt: return QStringLiteral("ftSmallint");
    case FieldType::Integer: return QStringLiteral("ftInteger");
    case FieldType::LargeInt: return QStringLiteral("ftLargeint");
    case FieldType::Float: return QStringLiteral("ftFloat");
    case FieldType::Bcd: return QStringLiteral("ftBCD");
    case FieldType::Boolean: return QStringLiteral("ftBoolean");
    case FieldType::Date: return QStringLiteral("ftDate");
    case FieldType::Time: return QStringLiteral("ftTime");
    case FieldType::DateTime: return QStringLiteral("ftDateTime");
    case FieldType::Blob: return QStringLiteral("ftBlob");
    case FieldType::Memo: return QStringLiteral("ftMemo");
    case FieldType::Unknown: break;
    }
    return QStringLiteral("ftUnknown");
}

QString TfrmCpoBusca::JuntaSelecao(const QStringList &valores)
{
    QStringList partes;
    for (const QString &v : valores)
        partes << QuotedStr(v);
    const QString t = partes.join(QLatin1Char(','));
    return t.size() >= 2 ? t.mid(1, t.size() - 2) : QString();
}

QStringList TfrmCpoBusca::MontaSQL(const QString &sql, const QStringList &filtro, const QString &coluna,
                                   const QString &tipoColuna, const QString &texto, int tipoBusca,
                                   const QString &ordem, const QString &driver)
{
    if (sql.trimmed().isEmpty())
        return {};
    const QString padrao = tipoBusca == 1 ? QString(QLatin1Char('%') + texto + QLatin1Char('%')) : QString(texto + QLatin1Char('%'));
    QString condicao;
    if (!texto.trimmed().isEmpty()) {
        if (driver != QLatin1String("PG") || tipoColuna == QLatin1String("ftString"))
            condicao = QStringLiteral("AND UPPER(") + coluna + QStringLiteral(") LIKE ") + QuotedStr(padrao);
        else if (tipoColuna == QLatin1String("ftDate") || tipoColuna == QLatin1String("ftDateTime"))
            condicao = QStringLiteral("AND to_char(") + coluna + QStringLiteral(",'DD/MM/YYYY') LIKE ") + QuotedStr(padrao);
        else
            condicao = QStringLiteral("AND UPPER(CAST(") + coluna + QStringLiteral(" AS TEXT)) LIKE ") + QuotedStr(padrao);
    }
    QStringList linhas;
    auto junta = [&linhas](const QString &l) {
        if (!l.isEmpty())
            linhas << l;
    };
    if (!sql.contains(QLatin1String("UNION"))) {
        junta(sql);
        junta(parteWhere(sql, filtro));
        junta(condicao);
        if (!ordem.isEmpty())
            linhas << QStringLiteral(" ORDER BY ") + ordem;
        return linhas;
    }
    const QString separador = sql.trimmed().contains(QLatin1String("UNION ALL")) ? QStringLiteral("UNION ALL")
                                                                                  : QStringLiteral("UNION");
    QStringList partes;
    for (const QString &p : sql.split(separador))
        if (!p.trimmed().isEmpty())
            partes << p;
    for (int i = 0; i < partes.size(); ++i) {
        junta(partes[i]);
        junta(parteWhere(partes[i], filtro));
        junta(condicao);
        if (i + 1 < partes.size())
            linhas << separador;
    }
    return linhas;
}

TfrmCpoBusca::TfrmCpoBusca(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCpoBusca"));
    setWindowTitle(QStringLiteral("Pesquisa Padrão"));
    setAttribute(Qt::WA_DeleteOnClose);
    QryBusca = new TXRQuery(this);
    QryBusca->setObjectName(QStringLiteral("QryBusca"));
    QryAux = new TXRQuery(this);
    QryAux->setObjectName(QStringLiteral("QryAux"));
    QryDbLocal = new TXRQuery(this);
    QryDbLocal->setObjectName(QStringLiteral("QryDbLocal"));
    QryAcesso = new TXRQuery(this);
    QryAcesso->setObjectName(QStringLiteral("QryAcesso"));
    m_busca = new TConsultaSegundoPlano(this);
    m_busca->Pronto = [this](TConsultaSegundoPlano::Resultado &r) { RecebeBusca(r.campos, r.linhas, r.erro); };
    TbBusca = new DataSet(this);
    TbBusca->setObjectName(QStringLiteral("TbBusca"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TfrmCpoBusca::Timer1Timer);
    BuildUi();
}

TfrmCpoBusca::~TfrmCpoBusca()
{
    delete m_busca; // a search still running is cancelled before the rest goes
}

void TfrmCpoBusca::BuildUi()
{
    setStyleSheet(QStringLiteral("TfrmCpoBusca { background: white; }"));
    auto *root = new QVBoxLayout(this);
    auto *topo = new QHBoxLayout();
    auto *lPor = new QLabel(QStringLiteral("Por"), this);
    lPor->setObjectName(QStringLiteral("lblPor"));
    CbCaption = new QComboBox(this);
    CbCaption->setObjectName(QStringLiteral("CbCaption"));
    CbTipo = new QComboBox(this);
    CbTipo->setObjectName(QStringLiteral("CbTipo"));
    CbTipo->addItems({QStringLiteral("Iniciando"), QStringLiteral("Contendo")});
    auto *lProcurar = new QLabel(QStringLiteral("Procurar"), this);
    lProcurar->setObjectName(QStringLiteral("lblProcurar"));
    EdtBusca = new QLineEdit(this);
    EdtBusca->setObjectName(QStringLiteral("EdtBusca"));
    imgConsulta = new QToolButton(this);
    imgConsulta->setObjectName(QStringLiteral("imgConsulta"));
    imgConsulta->setToolTip(QStringLiteral("Consultar"));
    imgConsulta->setText(QStringLiteral("Consultar"));
    ImgCadastra = new QToolButton(this);
    ImgCadastra->setObjectName(QStringLiteral("ImgCadastra"));
    ImgCadastra->setToolTip(QStringLiteral("Incluir novo"));
    CbChave = new QComboBox(this);
    CbChave->setObjectName(QStringLiteral("CbChave"));
    CbChave->hide();
    CbDataTypes = new QComboBox(this);
    CbDataTypes->setObjectName(QStringLiteral("CbDataTypes"));
    CbDataTypes->hide();
    topo->addWidget(lPor);
    topo->addWidget(CbCaption);
    topo->addWidget(CbTipo);
    topo->addWidget(lProcurar);
    topo->addWidget(EdtBusca, 1);
    topo->addWidget(imgConsulta);
    topo->addWidget(ImgCadastra);
    root->addLayout(topo);

    DBGrid1 = new TXRDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetZebrado(true);
    DBGrid1->Zeb_Cor1 = Qt::white;
    DBGrid1->Zeb_Cor2 = QColor(0xF0, 0xF0, 0xF0);
    DBGrid1->SetOrdenacao(true);
    DBGrid1->SetReadOnly(true);
    root->addWidget(DBGrid1, 1);

    auto *rodape = new QHBoxLayout();
    rodape->addStretch();
    BitBtn2 = new QPushButton(QStringLiteral("Confirmar"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setToolTip(QStringLiteral("Confirmar Consulta"));
    BitBtn2->setAutoDefault(false);
    BitBtn3 = new QPushButton(QStringLiteral("Cancelar"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setToolTip(QStringLiteral("Cancelar Consulta"));
    BitBtn3->setAutoDefault(false);
    rodape->addWidget(BitBtn2);
    rodape->addWidget(BitBtn3);
    root->addLayout(rodape);

    EdtBusca->installEventFilter(this);
    // typed text is upper case
    connect(EdtBusca, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (t != t.toUpper()) {
            const int pos = EdtBusca->cursorPosition();
            EdtBusca->setText(t.toUpper());
            EdtBusca->setCursorPosition(pos);
        }
    });
    connect(imgConsulta, &QToolButton::clicked, this, [this] {
        if (FMultiCel)
            FiltraLocal();
        else
            ExecutaBusca(FSQL, CampoBusca(), EdtBusca->text());
    });
    connect(ImgCadastra, &QToolButton::clicked, this, [this] {
        AbreCadastro(vbpl, vForm);
        close();
    });
    connect(CbCaption, &QComboBox::currentIndexChanged, this, &TfrmCpoBusca::CbCaptionChange);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Confirma(false); });
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    DBGrid1->OnKeyDown = [this](TXRDBGrid *, int &key, Qt::KeyboardModifiers mods) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            key = 0;
            Confirma(true);
        } else if (key == Qt::Key_Delete && (mods & Qt::ControlModifier)) {
            key = 0;
        }
    };
    DBGrid1->OnDblClick = [this](TXRDBGrid *) { Confirma(true); };
    DBGrid1->OnTitleClick = [this](TXRDBGrid *, TXRColumn *c) {
        if (c)
            TituloClick(DBGrid1->IndexOfColumn(c));
    };
}

bool TfrmCpoBusca::eventFilter(QObject *watched, QEvent *event)
{
    // leaving the text goes to the grid, unless the column choice takes the focus
    if (watched == EdtBusca && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && QApplication::focusWidget() != CbCaption && QApplication::focusWidget() != EdtBusca)
                DBGrid1->setFocus();
        });
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCpoBusca::SetDatabase(TXRDatabase *db)
{
    QryBusca->SetDatabase(db);
    QryAux->SetDatabase(db);
    QryDbLocal->SetDatabase(db);
    QryAcesso->SetDatabase(db);
}

QString TfrmCpoBusca::CampoBusca() const { return CbChave->currentText(); }

DataSet *TfrmCpoBusca::Mostrado() const { return FMultiCel ? TbBusca : static_cast<DataSet *>(QryBusca); }

void TfrmCpoBusca::MostraFalha(const std::exception &e) { MostraFalha(MensagemExcecao(e)); }

void TfrmCpoBusca::MostraFalha(const QString &texto)
{
    dialogs().messageBox(QStringLiteral("A Consulta não pode ser executada.") + QStringLiteral("\r\r") + texto,
                         windowTitle(), MsgButtons::Ok, MsgIcon::Error);
}

void TfrmCpoBusca::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_carregando || CbChave->count() > 0)
        return;
    DBGrid1->Filtrar = true;
    Timer1->start(1000);
    DBGrid1->SetRowSelect(!FMultiCel);
    DBGrid1->SetReadOnly(!FMultiCel);
    EdtBusca->setFocus();
    m_localizaTabela = true; // once the first rows are shown
    CarregaDefinicao();
    if (vChave.isEmpty() && CbChave->count() > 0)
        vChave = CbChave->itemText(0);
}

void TfrmCpoBusca::LocalizaTabela()
{
    if (FTable && FTable->active() && !vChave.isEmpty() && FTable->findField(vChave)) {
        if (Mostrado()->active() && Mostrado()->findField(vChave))
            Mostrado()->locate({vChave}, {FTable->fieldByName(vChave)->value()});
    }
}

void TfrmCpoBusca::CarregaDefinicao()
{
    ImgCadastra->hide();
    TXRDatabase *db = QryAux->Database();
    if (FSQL.trimmed().isEmpty() && (vTabela.trimmed().isEmpty() || !db))
        return;
    m_carregando = true;
    try {
        QString sql = FSQL;
        QStringList titulos;
        const bool gravada = sql.trimmed().isEmpty();
        if (gravada) {
            if (!LeDefinicaoGravada(sql, titulos)) {
                m_carregando = false;
                return; // no definition: an empty form
            }
        }
        // the columns come from preparing the text: its rows are the search's business
        std::vector<FieldDef> defs;
        try {
            if (db)
                defs = CamposDaConsulta(*db, sql);
        } catch (const std::exception &e) {
            throw EDatabaseError(QStringLiteral("Erro XRQuery.Open: ") + MensagemExcecao(e)); // as an opening says it
        }
        CbChave->clear();
        CbCaption->clear();
        CbDataTypes->clear();
        for (const FieldDef &d : defs) {
            CbChave->addItem(d.name);
            CbDataTypes->addItem(NomeTipo(d.type));
        }
        if (gravada)
            CbCaption->addItems(titulos); // captions by position
        else
            for (const FieldDef &d : defs)
                CbCaption->addItem(d.name);
        FSQL = sql;
        CbChave->setCurrentIndex(0);
        CbCaption->setCurrentIndex(0);
        CbDataTypes->setCurrentIndex(0);
    } catch (const std::exception &e) {
        m_carregando = false;
        MostraFalha(e);
        return;
    }
    m_carregando = false;
    ExecutaBusca(FSQL, CbChave->itemText(0), QString());
}

bool TfrmCpoBusca::LeDefinicaoGravada(QString &sql, QStringList &titulos)
{
    const QString usuario = UsuarioRegistro();
    QryAux->close();
    QryAux->SQL().Clear();
    QryAux->SQL().Add(QStringLiteral("SELECT * FROM PESQUISA WHERE PESQ_TAB = ") + QuotedStr(vTabela));
    QryAux->Open();
    if (QryAux->isEmpty()) {
        QryAux->close();
        return false;
    }
    CbChave->clear();
    CbCaption->clear();
    setWindowTitle(QryAux->fieldByName(QStringLiteral("PESQ_DESC"))->asString());
    vForm = QryAux->fieldByName(QStringLiteral("PESQ_FORM"))->asString();
    vbpl = QryAux->fieldByName(QStringLiteral("PESQ_BPL"))->asString();
    titulos = LinhasDoTexto(QryAux->fieldByName(QStringLiteral("PESQ_CAPT"))->asString());
    sql = QryAux->fieldByName(QStringLiteral("PESQ_SQL"))->asString();
    QryAux->close();
    if (!vForm.isEmpty() && VerificaAcesso(vForm, usuario))
        ImgCadastra->show();
    sql = ResolveTabela(sql);
    return true;
}

QString TfrmCpoBusca::ResolveTabela(const QString &sql)
{
    QString texto = sql;
    for (;;) {
        const qsizetype abre = texto.indexOf(QLatin1Char('{'));
        const qsizetype fecha = texto.indexOf(QLatin1Char('}'));
        if (abre < 0 || fecha < 0)
            break;
        if (fecha < abre) {
            texto.remove(fecha, 1); // a stray '}' would never close a name
            continue;
        }
        const QString nome = texto.mid(abre + 1, fecha - abre - 1).trimmed();
        texto.remove(abre, fecha - abre + 1);
        if (nome.isEmpty())
            continue;
        QryDbLocal->close();
        QryDbLocal->SQL().Clear();
        for (const QString &l : SqlArquivoLocal(nome))
            QryDbLocal->SQL().Add(l);
        QryDbLocal->Open();
        const QString troca = QryDbLocal->isEmpty() ? nome + VEmpresa.trimmed()
                                                    : QryDbLocal->fieldByName(QStringLiteral("ARQUIVO"))->asString().trimmed();
        QryDbLocal->close();
        texto.insert(abre, troca);
    }
    return texto;
}

bool TfrmCpoBusca::VerificaAcesso(const QString &classe, const QString &usuario)
{
    QryAcesso->close();
    QryAcesso->SQL().Clear();
    for (const QString &l : SqlVerificaAcesso(classe, usuario))
        QryAcesso->SQL().Add(l);
    QryAcesso->Open();
    const bool pode = !QryAcesso->isEmpty();
    QryAcesso->close();
    return pode;
}

void TfrmCpoBusca::AbreCadastro(const QString &pacote, const QString &classe)
{
    Q_UNUSED(pacote); // no run-time packages here: every window is built in
    QWidget *tela = CriaTelaCadastro(classe);
    if (!tela) {
        dialogs().messageBox(QStringLiteral("Não foi possível encontrar a classe da Tela!"), QStringLiteral("Erro"),
                             MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    try {
        tela->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        tela->setGeometry(geometry());
        AplicaVisual(tela);
        tela->show();
    } catch (const std::exception &e) {
        dialogs().messageBox(QStringLiteral("Não foi possível carregar Tela!") + QLatin1Char('\n') + MensagemExcecao(e),
                             QStringLiteral("Erro"), MsgButtons::Ok, MsgIcon::Error);
        delete tela;
    }
}

void TfrmCpoBusca::AplicaVisual(QWidget *form) { AplicaVisualCadastro(form); }

void TfrmCpoBusca::ExecutaBusca(const QString &sql, const QString &ordem, const QString &texto)
{
    QryBusca->setFiltered(false);
    QryBusca->setFilter(QString());
    if (sql.trimmed().isEmpty())
        return;
    TXRDatabase *db = QryBusca->Database();
    const QStringList linhas = MontaSQL(sql, FWhere, CampoBusca(), CbDataTypes->currentText(), texto,
                                        CbTipo->currentIndex(), ordem, db ? db->DriverName : QString());
    if (!db) {
        // nothing to search in: the query says why
        try {
            QryBusca->close();
            QryBusca->SQL().Clear();
            for (const QString &l : linhas)
                QryBusca->SQL().Add(l);
            QryBusca->Open();
        } catch (const std::exception &e) {
            MostraFalha(e);
        }
        return;
    }
    m_linhasPedidas = linhas;
    m_busca->Executa(*db, linhas, {});
}

bool TfrmCpoBusca::Buscando() const { return m_busca->Ocupada(); }

bool TfrmCpoBusca::AguardaBusca(int limiteMs)
{
    if (!Buscando())
        return true;
    QEventLoop laco;
    connect(m_busca, &TConsultaSegundoPlano::Concluida, &laco, &QEventLoop::quit);
    QTimer::singleShot(limiteMs, &laco, &QEventLoop::quit);
    laco.exec();
    return !Buscando();
}

void TfrmCpoBusca::RecebeBusca(std::vector<FieldDef> &campos, std::vector<Row> &linhas, const QString &erro)
{
    if (!erro.isEmpty()) {
        MostraFalha(erro); // the grid keeps what it showed
        return;
    }
    try {
        QryBusca->disableControls();
        try {
            QryBusca->close();
            QryBusca->SQL().Clear();
            for (const QString &l : m_linhasPedidas)
                QryBusca->SQL().Add(l);
            QryBusca->setFieldDefs(campos);
            QryBusca->setRows(std::move(linhas));
            QryBusca->DataSet::open(); // the rows are here already: nothing to run
            QryBusca->first();
        } catch (...) {
            QryBusca->enableControls();
            throw;
        }
        QryBusca->enableControls();
        CriaTabelaSelecao();
        MontaColunas();
        if (std::exchange(m_localizaTabela, false))
            LocalizaTabela();
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        MostraFalha(e);
    }
}

void TfrmCpoBusca::CriaTabelaSelecao()
{
    TbBusca->close();
    std::vector<FieldDef> defs{{QStringLiteral("Sel"), FieldType::Boolean}};
    for (const FieldDef &d : QryBusca->fieldDefs())
        defs.push_back(d);
    TbBusca->setFieldDefs(defs);
    TbBusca->open();
    for (int i = 0; i < QryBusca->fieldCount(); ++i)
        if (QryBusca->fieldDefs()[size_t(i)].type == FieldType::Bcd)
            TbBusca->field(i + 1)->displayFormat = QStringLiteral("#,0.00");
}

void TfrmCpoBusca::MontaColunas()
{
    DBGrid1->SetDataSet(nullptr);
    const std::vector<FieldDef> &defs = QryBusca->fieldDefs();
    const int busca = std::max(0, int(CbChave->currentIndex()));
    DataSet *alvo = FMultiCel ? TbBusca : static_cast<DataSet *>(QryBusca);
    DBGrid1->SetDataSet(alvo);
    const QSignalBlocker block(DBGrid1);
    DBGrid1->ClearColumns();
    int base = 0;
    if (FMultiCel) {
        TXRColumn *sel = DBGrid1->AddColumn(QStringLiteral("Sel"), QStringLiteral("Sel"));
        sel->Width = 20;
        sel->CheckBox = true;
        sel->CheckAll = true;
        sel->ValueChecked = QStringLiteral("True");
        sel->ValueUnChecked = QStringLiteral("False");
        base = 1;
    }
    for (int i = 0; i < int(defs.size()); ++i) {
        if (i >= CbCaption->count()) // a stored definition with fewer captions than columns
            throw EDatabaseError(QStringLiteral("List index out of bounds (%1)").arg(i));
        DBGrid1->AddColumn(defs[size_t(i)].name, CbCaption->itemText(i));
    }
    if (busca < int(defs.size()) && busca > 0) {
        // the search column comes first
        TXRColumn *a = DBGrid1->Column(base);
        TXRColumn *b = DBGrid1->Column(base + busca);
        std::swap(a->FieldName, b->FieldName);
        std::swap(a->Title, b->Title);
        std::swap(a->Alignment, b->Alignment);
        DBGrid1->LayoutChanged();
    }
    if (FMultiCel) {
        std::vector<Row> linhas;
        linhas.reserve(size_t(QryBusca->recordCount()));
        for (int r = 0; r < QryBusca->recordCount(); ++r) {
            Row l{false};
            const Row &o = QryBusca->rowAt(r);
            l.insert(l.end(), o.begin(), o.end());
            linhas.push_back(std::move(l));
        }
        TbBusca->setRows(std::move(linhas));
    }
}

void TfrmCpoBusca::FiltraLocal()
{
    const QString coluna = CampoBusca();
    try {
        TbBusca->setFiltered(false);
        TbBusca->setFilter(QString());
        if (TbBusca->findField(coluna))
            TbBusca->setIndexFieldNames(coluna);
        const QString texto = EdtBusca->text();
        if (texto.isEmpty())
            return;
        const Field *f = TbBusca->findField(coluna);
        if (!f) {
            EdtBusca->clear();
            TbBusca->setFiltered(true);
            return;
        }
        QString filtro = QStringLiteral("1 = 2");
        const QString padrao = CbTipo->currentIndex() == 1 ? QString(QLatin1Char('%') + texto + QLatin1Char('%'))
                                                           : QString(texto + QLatin1Char('%'));
        if (isNumericType(f->dataType())) {
            double n = 0;
            if (fmt::tryStrToFloat(texto, n))
                filtro = f->fieldName() + QStringLiteral(" = ") + QString::number(n, 'g', 15);
        } else if (isDateType(f->dataType())) {
            QDate d;
            if (fmt::tryStrToDate(texto.trimmed(), d))
                filtro = f->fieldName() + QStringLiteral(" = ") + QuotedStr(d.toString(QStringLiteral("yyyy-MM-dd")));
        } else {
            filtro = QStringLiteral("UPPER(") + f->fieldName() + QStringLiteral(") LIKE ") + QuotedStr(padrao);
        }
        TbBusca->setFilter(filtro);
        TbBusca->setFiltered(true);
    } catch (const std::exception &e) {
        MostraFalha(e);
    }
}

void TfrmCpoBusca::Timer1Timer()
{
    if (EdtBusca->text().trimmed() == sTexto.trimmed())
        return;
    sTexto = EdtBusca->text();
    if (FMultiCel)
        FiltraLocal();
    else
        ExecutaBusca(FSQL, CampoBusca(), EdtBusca->text());
}

void TfrmCpoBusca::CbCaptionChange(int index)
{
    if (m_carregando)
        return;
    CbChave->setCurrentIndex(index);
    CbDataTypes->setCurrentIndex(index);
    if (FMultiCel) {
        for (int c = 2; c < DBGrid1->ColumnCount(); ++c)
            if (DBGrid1->Column(c)->FieldName.compare(CbCaption->currentText(), Qt::CaseInsensitive) == 0)
                DBGrid1->MoveColumn(c, 1);
        FiltraLocal();
    } else {
        ExecutaBusca(FSQL, CampoBusca(), EdtBusca->text());
    }
}

void TfrmCpoBusca::TituloClick(int column)
{
    if (FMultiCel) {
        FiltraLocal();
        return;
    }
    const TXRColumn *c = DBGrid1->Column(column);
    if (c)
        ExecutaBusca(FSQL, c->FieldName, EdtBusca->text());
}

QString TfrmCpoBusca::ListaSelecao(const QString &Campo) const
{
    if (!TbBusca->active())
        return QString();
    const int sel = TbBusca->fieldIndex(QStringLiteral("Sel"));
    const int f = TbBusca->fieldIndex(Campo);
    if (f < 0)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(Campo));
    QStringList valores;
    // every ticked row, also those the local filter hides
    DataSet todos;
    todos.cloneCursor(*TbBusca);
    for (int r = 0; r < todos.recordCount(); ++r)
        if (todos.valueAt(r, sel).toBool())
            valores << Field::displayTextOf(todos.valueAt(r, f), todos.fieldDefs()[size_t(f)].type, {});
    return JuntaSelecao(valores);
}

void TfrmCpoBusca::Confirma(bool marcaAtual)
{
    if (m_confirmado)
        return;
    DataSet *ds = Mostrado();
    try {
        if (FMultiCel && marcaAtual && ds->active() && !ds->isEmpty()) {
            ds->edit();
            ds->fieldByName(QStringLiteral("Sel"))->setValue(true);
            ds->post();
        }
        if (FTable && ds->active() && !vChave.isEmpty() && ds->findField(vChave) && FTable->findField(vChave))
            FTable->locate({vChave}, {ds->fieldByName(vChave)->value()});
    } catch (const std::exception &e) {
        MostraFalha(e);
        return;
    }
    m_confirmado = true;
    Timer1->stop();
    if (fPesquisa) {
        std::map<QString, QVariant> linha;
        std::vector<std::map<QString, QVariant>> marcadas;
        if (ds->active() && !ds->isEmpty())
            for (int i = 0; i < ds->fieldCount(); ++i)
                linha[ds->fieldDefs()[size_t(i)].name.toUpper()] = ds->currentValue(i);
        if (FMultiCel && TbBusca->active()) {
            DataSet todos;
            todos.cloneCursor(*TbBusca);
            for (int r = 0; r < todos.recordCount(); ++r) {
                if (!todos.valueAt(r, 0).toBool())
                    continue;
                std::map<QString, QVariant> m;
                for (int i = 1; i < todos.fieldCount(); ++i)
                    m[todos.fieldDefs()[size_t(i)].name.toUpper()] = Field::displayTextOf(
                        todos.valueAt(r, i), todos.fieldDefs()[size_t(i)].type, {});
                marcadas.push_back(std::move(m));
            }
        }
        fPesquisa->GuardaRetorno(std::move(linha), std::move(marcadas));
    }
    if (EOnFecha)
        EOnFecha(fPesquisa);
    accept();
}
