#include "sync/untCargas.h"

#include "components/XRDBGrid.h"
#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XREstatisticas.h"
#include "data/XRFuncoesDB.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "sync/EscolhaRetaguarda.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace {

const QString kCaption = QStringLiteral("Verificação de Cargas");
const QString kConcluida = QStringLiteral("Sincronização Concluída");
const QString kPedidoAberto = QStringLiteral("Favor fechar o cadastro de pedido para fazer a sincronização.");

QString mensagemDe(const std::exception &e)
{
    if (const auto *d = dynamic_cast<const EDatabaseError *>(&e))
        return d->message();
    if (const auto *p = dynamic_cast<const EDSRestProtocolError *>(&e))
        return p->message();
    return QString::fromUtf8(e.what());
}

// Whole number of a server text, as the run-time library reads it.
int inteiroEstrito(const QString &texto)
{
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(texto));
    return v;
}

double numeroDe(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    if (v.typeId() != QMetaType::QString)
        return v.toDouble();
    const QString t = v.toString().trimmed();
    bool ok = false;
    const double c = QLocale::c().toDouble(t, &ok);
    if (ok)
        return c;
    double br = 0;
    return fmt::tryStrToFloat(t, br) ? br : 0;
}

QDateTime dataDe(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    const QString t = v.toString().trimmed();
    QDate d;
    if (fmt::tryStrToDate(t, d))
        return QDateTime(d, QTime(0, 0));
    d = QDate::fromString(t.left(10), Qt::ISODate);
    return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
}

QVariant valorDe(const DataSet *ds, const QString &campo)
{
    const Field *f = ds && ds->active() && !ds->isEmpty() ? ds->findField(campo) : nullptr;
    return f ? f->value() : QVariant();
}

QString textoDe(const DataSet *ds, const QString &campo) { return valorDe(ds, campo).toString(); }

// The configuration properties of the local-database module, kept so a
// failed load leaves them as they were.
struct PropriedadesConfig {
    QString sCodRep, sNmRep, sIdBloq, sDsEmail, sNrFone, sIdDigPreco, sIdCliEmailObr, sIdRelEstoque, sIdImgProduto,
        sObservacao, sIdDigColecao;
    int iConfig = 0, iNrRefer = 0;
    QDateTime dData, hHora, dDtValidade, dDtDeEntrega, dDtAteEntrega;
    double eVlrMinimo = 0, eVlrMinimoPed = 0, eQtdeMaxItem = 0;

    template <typename A, typename B>
    static void copia(A &de, B &para)
    {
        para.sCodRep = de.sCodRep;
        para.sNmRep = de.sNmRep;
        para.sIdBloq = de.sIdBloq;
        para.sDsEmail = de.sDsEmail;
        para.sNrFone = de.sNrFone;
        para.sIdDigPreco = de.sIdDigPreco;
        para.sIdCliEmailObr = de.sIdCliEmailObr;
        para.sIdRelEstoque = de.sIdRelEstoque;
        para.sIdImgProduto = de.sIdImgProduto;
        para.sObservacao = de.sObservacao;
        para.sIdDigColecao = de.sIdDigColecao;
        para.iConfig = de.iConfig;
        para.iNrRefer = de.iNrRefer;
        para.dData = de.dData;
        para.hHora = de.hHora;
        para.dDtValidade = de.dDtValidade;
        para.dDtDeEntrega = de.dDtDeEntrega;
        para.dDtAteEntrega = de.dDtAteEntrega;
        para.eVlrMinimo = de.eVlrMinimo;
        para.eVlrMinimoPed = de.eVlrMinimoPed;
        para.eQtdeMaxItem = de.eQtdeMaxItem;
    }
};

// While a load writes, closing a window or ending the program waits for
// its end: the request is held back and repeated afterwards. Dialogs
// close as usual, so an error box shown meanwhile can be dismissed.
class AdiaFechamentos : public QObject {
public:
    AdiaFechamentos() { qApp->installEventFilter(this); }
    ~AdiaFechamentos() override
    {
        qApp->removeEventFilter(this);
        for (const QPointer<QWidget> &w : m_janelas)
            if (w)
                QMetaObject::invokeMethod(w.data(), &QWidget::close, Qt::QueuedConnection);
        if (m_sair)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject *alvo, QEvent *evento) override
    {
        if (evento->type() == QEvent::Quit && alvo == qApp) {
            m_sair = true;
            return true;
        }
        if (evento->type() != QEvent::Close)
            return false;
        auto *w = qobject_cast<QWidget *>(alvo);
        if (!w || qobject_cast<QDialog *>(w) || !w->isWindow())
            return false;
        if (!m_janelas.contains(w))
            m_janelas << w;
        evento->ignore();
        return true;
    }

private:
    QList<QPointer<QWidget>> m_janelas;
    bool m_sair = false;
};

// A small "Aguarde..." box while the window talks to the server.
class Aguarde {
public:
    Aguarde()
        : m_rotulo(std::make_unique<QLabel>(QStringLiteral("Aguarde...")))
    {
        m_rotulo->setObjectName(QStringLiteral("fmAguarde"));
        m_rotulo->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
        m_rotulo->setAlignment(Qt::AlignCenter);
        m_rotulo->setMargin(20);
        m_rotulo->show();
        m_rotulo->repaint();
        CursorEspera(true);
    }
    ~Aguarde() { CursorEspera(false); }

private:
    std::unique_ptr<QLabel> m_rotulo;
};

} // namespace

TfmCargas::TfmCargas(QWidget *dono)
    : TfmTelaSimples(dono)
    , CDSUltimo(new DataSet(this))
    , CDSUltSincr(new DataSet(this))
    , CDSCfgDisponivel(new DataSet(this))
{
    setObjectName(QStringLiteral("fmCargas"));
    setWindowTitle(kCaption);
    CDSUltimo->setObjectName(QStringLiteral("CDSUltimo"));
    CDSUltSincr->setObjectName(QStringLiteral("CDSUltSincr"));
    CDSCfgDisponivel->setObjectName(QStringLiteral("CDSCfgDisponivel"));
    GetVersao(m_versao);
    CriaControles();
    FormCreate();
}

TfmCargas::~TfmCargas() = default;

QWidget *CriaJanelaCargas(QWidget *dono) { return new TfmCargas(dono); }

void TfmCargas::CriaControles()
{
    auto *layout = new QVBoxLayout(Corpo());
    gbUltimaSincronizacao = new QGroupBox(QStringLiteral("Última Sincronização"), Corpo());
    gbUltimaSincronizacao->setObjectName(QStringLiteral("gbUltimaSincronizacao"));
    auto *grade = new QGridLayout(gbUltimaSincronizacao);
    auto campo = [this, grade](const char *nome, const QString &rotulo, int linha, int coluna) {
        auto *e = new QLineEdit(gbUltimaSincronizacao);
        e->setObjectName(QString::fromLatin1(nome));
        e->setReadOnly(true);
        grade->addWidget(new QLabel(rotulo, gbUltimaSincronizacao), linha, coluna * 2);
        grade->addWidget(e, linha, coluna * 2 + 1);
        return e;
    };
    edtCarga = campo("edtCarga", QStringLiteral("Carga"), 0, 0);
    edtSincronizacao = campo("edtSincronizacao", QStringLiteral("Sincronização"), 0, 1);
    edtHora = campo("edtHora", QStringLiteral("Hora"), 0, 2);
    edtDescricao = new QLineEdit(gbUltimaSincronizacao);
    edtDescricao->setObjectName(QStringLiteral("edtDescricao"));
    edtDescricao->setReadOnly(true);
    grade->addWidget(edtDescricao, 1, 0, 1, 2);
    edtLiberacao = campo("edtLiberacao", QStringLiteral("Liberação"), 1, 1);
    edtValidade = campo("edtValidade", QStringLiteral("Validade"), 1, 2);
    layout->addWidget(gbUltimaSincronizacao);

    grdCfgDisponivel = new TXRDBGrid(Corpo());
    grdCfgDisponivel->setObjectName(QStringLiteral("grdCfgDisponivel"));
    grdCfgDisponivel->SetReadOnly(true);
    layout->addWidget(grdCfgDisponivel, 1);

    chkRecarregarClientes = new QCheckBox(QStringLiteral("Recarregar Clientes"), Corpo());
    chkRecarregarClientes->setObjectName(QStringLiteral("chkRecarregarClientes"));
    layout->addWidget(chkRecarregarClientes);

    auto *botoes = new QHBoxLayout;
    btnSincronizar = new QPushButton(QStringLiteral("&Sincronizar"), Corpo());
    btnSincronizar->setObjectName(QStringLiteral("btnSincronizar"));
    BtnEstoque = new QPushButton(QStringLiteral("Estoque"), Corpo());
    BtnEstoque->setObjectName(QStringLiteral("BtnEstoque"));
    BtFechar = new QPushButton(QStringLiteral("Fechar"), Corpo());
    BtFechar->setObjectName(QStringLiteral("BtFechar"));
    ProgressBar1 = new QProgressBar(Corpo());
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    botoes->addWidget(btnSincronizar);
    botoes->addWidget(BtnEstoque);
    botoes->addWidget(ProgressBar1, 1);
    botoes->addWidget(BtFechar);
    layout->addLayout(botoes);

    connect(btnSincronizar, &QPushButton::clicked, this, &TfmCargas::btnSincronizarClick);
    connect(BtnEstoque, &QPushButton::clicked, this, &TfmCargas::BtnEstoqueClick);
    connect(BtFechar, &QPushButton::clicked, this, &TfmCargas::BtFecharClick);
}

void TfmCargas::FormCreate()
{
    FWidthOri = 562;
    FHeigthOri = 381;
    resize(FWidthOri, FHeigthOri);
    TfmTelaSimples::FormCreate();

    Aguarde aguarde;
    if (ClientModule1)
        ClientModule1->oLstCDS = std::make_unique<TListaCDS>();
    IRetaguarda &ret = Retaguarda();
    try {
        bConexao = ret.RetornaConexao();
    } catch (const std::exception &e) {
        dialogs().showMessage(QStringLiteral("Erro de Comunicação:\r") + mensagemDe(e));
        bConexao = false;
    }
    if (bConexao) {
        try {
            DMRepres->XRQUltSincr->Close();
            DMRepres->XRQUltSincr->Open();
            const int erro = ret.ConfereSenha(textoDe(DMRepres->XRQUltSincr, QStringLiteral("NMUSUARIO")),
                                              textoDe(DMRepres->XRQUltSincr, QStringLiteral("DSSENHA")),
                                              DMRepres->BuscaCodRep());
            if (erro != 0) {
                dialogs().showMessage(TDMRepres::MensErroLogin(erro));
                bConexao = false;
            } else {
                iVersaoServ = inteiroEstrito(ret.GetVersaoServ());
                if (iVersaoServ > 1)
                    ret.InformaVersao(m_versao, DMRepres->BuscaCodRep());
                CarregaUltimaSincronizacao();
                ret.GetCfgDisponivel(valorDe(CDSUltimo, QStringLiteral("NRULTCONFIG")).toInt(),
                                     textoDe(CDSUltimo, QStringLiteral("CODREP")), CDSUltSincr, CDSCfgDisponivel);
            }
        } catch (const std::exception &e) {
            // a version that is no number or a refused call: nothing to load from
            dialogs().showMessage(mensagemDe(e));
            bConexao = false;
        }
    }
    if (CDSCfgDisponivel->fieldCount() > 0 && !CDSCfgDisponivel->active())
        CDSCfgDisponivel->open();
    grdCfgDisponivel->SetDataSet(CDSCfgDisponivel);
    grdCfgDisponivel->ClearColumns();
    grdCfgDisponivel->AddColumn(QStringLiteral("CONF_CODIGO"), QStringLiteral("Configuração"));
    grdCfgDisponivel->AddColumn(QStringLiteral("CONF_DESCRICAO"), QStringLiteral("Descrição"));
    grdCfgDisponivel->AddColumn(QStringLiteral("CONF_DTLIBERACAO"), QStringLiteral("Liberação"));
    grdCfgDisponivel->AddColumn(QStringLiteral("CONF_DTVALIDADE"), QStringLiteral("Validação"));
    grdCfgDisponivel->LayoutChanged();
    MostraUltimaSincronizacao();
    chkRecarregarClientes->setChecked(DMRepres && DMRepres->sIdCargaCliente == QLatin1String("S"));
}

void TfmCargas::FormShow()
{
    TfmTelaSimples::FormShow();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMaximized();
    if (!bConexao) {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    if (!CDSCfgDisponivel->active() || CDSCfgDisponivel->isEmpty()) {
        dialogs().showMessage(QStringLiteral("Sem sincronizações disponíveis."));
        btnSincronizar->setEnabled(false);
    }
}

void TfmCargas::FormClose(TCloseAction &action)
{
    DMRepres->XRQUltSincr->Close();
    CDSUltimo->close();
    CDSCfgDisponivel->close();
    if (ClientModule1)
        ClientModule1->LimpaLista();
    DMRepres->sIdCargaCliente = chkRecarregarClientes->isChecked() ? QStringLiteral("S") : QStringLiteral("N");
    TfmTelaSimples::FormClose(action);
}

void TfmCargas::BtFecharClick() { close(); }

QVariant TfmCargas::ValorConfig(const QString &nome, char tipo) const
{
    const Field *f = CDSCfgDisponivel->active() ? CDSCfgDisponivel->findField(nome) : nullptr;
    if (!f) {
        if (tipo == 'I' || tipo == 'N')
            return 0;
        if (tipo == 'S')
            return QStringLiteral("N");
        return 1;
    }
    const QVariant v = CDSCfgDisponivel->isEmpty() ? QVariant() : f->value();
    switch (tipo) {
    case 'I':
        return int(numeroDe(v));
    case 'N':
        return numeroDe(v);
    case 'S':
        return v.toString();
    default:
        return v;
    }
}

void TfmCargas::CarregaUltimaSincronizacao()
{
    DMRepres->XRQUltSincr->Close();
    DMRepres->XRQUltSincr->Open();
    CopiaDataSet(*DMRepres->XRQUltSincr, *CDSUltimo, false);
    MostraUltimaSincronizacao();
}

void TfmCargas::MostraUltimaSincronizacao()
{
    auto data = [](const QVariant &v) {
        const QDateTime d = dataDe(v);
        return d.isValid() ? fmt::formatDate(d.date()) : v.toString();
    };
    edtCarga->setText(textoDe(CDSUltimo, QStringLiteral("NRULTCONFIG")));
    edtSincronizacao->setText(data(valorDe(CDSUltimo, QStringLiteral("DTULTSINCRONIZACAO"))));
    const QVariant hora = valorDe(CDSUltimo, QStringLiteral("HRULTSINCRONIZACAO"));
    edtHora->setText(hora.typeId() == QMetaType::QTime ? fmt::formatTime(hora.toTime()) : hora.toString());
    edtDescricao->setText(textoDe(CDSUltSincr, QStringLiteral("CONF_DESCRICAO")));
    edtLiberacao->setText(data(valorDe(CDSUltSincr, QStringLiteral("CONF_DTLIBERACAO"))));
    edtValidade->setText(data(valorDe(CDSUltSincr, QStringLiteral("CONF_DTVALIDADE"))));
}

void TfmCargas::Informa(const QString &texto)
{
    dialogs().messageBox(texto, windowTitle(), MsgButtons::Ok, MsgIcon::Information);
}

bool TfmCargas::Confirma()
{
    return dialogs().messageBox(QStringLiteral("Confirma a Sincronização?"), windowTitle(), MsgButtons::YesNo,
                                MsgIcon::Question, 2)
        == MsgResult::Yes;
}

bool TfmCargas::PedidoAberto()
{
    if (!FormAberto(QStringLiteral("TfmPedido")))
        return false;
    Informa(kPedidoAberto);
    return true;
}

void TfmCargas::Progresso(int posicao, int maximo)
{
    ProgressBar1->setMaximum(std::max(1, maximo));
    ProgressBar1->setValue(std::min(posicao, std::max(1, maximo)));
    ProgressBar1->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TfmCargas::GravaTabelasCarga()
{
    if (!ClientModule1 || !ClientModule1->oLstCDS || ClientModule1->oLstCDS->empty())
        return false;
    if (!ClientModule1->CDSCodClientes->active())
        ClientModule1->CDSCodClientes->open();
    const bool normal = chkRecarregarClientes->isChecked();
    for (const auto &tabela : *ClientModule1->oLstCDS) {
        if (!ClientModule1->GravaDados(
                tabela.get(), [this](int p, int m) { Progresso(p, m); }, normal))
            return false;
    }
    return true;
}

void TfmCargas::btnSincronizarClick()
{
    if (m_carregando || PedidoAberto())
        return;
    const QString codigo = textoDe(CDSCfgDisponivel, QStringLiteral("CONF_CODIGO")).trimmed();
    if (textoDe(CDSUltimo, QStringLiteral("NRULTCONFIG")).trimmed() != codigo) {
        TXRQuery q;
        q.SetDatabase(DMRepres->XRDtRepres);
        q.SQL().Add(QStringLiteral("SELECT COUNT(*)"));
        q.SQL().Add(QStringLiteral("FROM PEDIDO P"));
        q.SQL().Add(QStringLiteral("WHERE (P.PED_NRLOTE IS NULL) OR (P.PED_NRLOTE = 0)"));
        q.Open();
        if (q.field(0)->asInteger() > 0) {
            Informa(QStringLiteral("Existem pedidos não enviados. Impossível continuar."));
            return;
        }
    }
    if (!Confirma())
        return;

    ProgressBar1->setMaximum(1);
    ProgressBar1->setValue(0);
    const QString codRep = textoDe(CDSUltimo, QStringLiteral("CODREP"));
    IRetaguarda &ret = Retaguarda();
    try {
        iVersaoServ = inteiroEstrito(ret.GetVersaoServ());
    } catch (const std::exception &e) {
        // no version to gate on: nothing is received or written
        dialogs().showMessage(mensagemDe(e));
        return;
    }
    bool recebidas = false;
    int config = 0;
    try {
        config = inteiroEstrito(codigo);
        recebidas = ret.CarregaTabelas(config, codRep, chkRecarregarClientes->isChecked());
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
    }
    if (!recebidas) {
        Informa(QStringLiteral("Erro na Leitura das Informações do Servidor para Carga"));
        ProgressBar1->setValue(0);
        return;
    }

    if (GravaCarga(codRep, config)) {
        bool confirmada = false;
        try {
            confirmada = ret.AtualizaConfigRepres(config, codRep);
        } catch (const std::exception &e) {
            dialogs().showMessage(mensagemDe(e));
        }
        if (confirmada) {
            CarregaUltimaSincronizacao();
            DMRepres->BuscaImagemFundo();
            Informa(kConcluida);
        } else {
            Informa(QStringLiteral("Erro na Gravação Final da Carga"));
        }
    }
    ProgressBar1->setValue(0);
}

// The server's date or time; without an answer the local clock, and a
// log line saying so, rather than the zero date.
static QDateTime DataHoraServidorOuLocal(const QString &tipo)
{
    const auto dt = DataHoraServidor(tipo);
    if (dt && dt->isValid() && (tipo != QLatin1String("D") || dt->date() != QDate(1899, 12, 30)))
        return *dt;
    const QDateTime agora = QDateTime::currentDateTime();
    const QString linha = QStringLiteral("Data do servidor sem resposta (%1); usada a local %2")
                              .arg(tipo, agora.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    qWarning("%s", qPrintable(linha));
    try {
        GravaLogArquivo(NomeMaquina(), QString(), DMRepres->sCodRep, linha);
    } catch (...) {
        // the log is a courtesy; the load goes on
    }
    return tipo == QLatin1String("D") ? QDateTime(agora.date(), QTime(0, 0)) : agora;
}

bool TfmCargas::GravaConfiguracao(const QString &codRep, int config)
{
    IRetaguarda &ret = Retaguarda();
    const QString nome = ret.AtualizaNmRepresentante(codRep);
    QString email, fone;
    if (textoDe(CDSUltimo, QStringLiteral("NRFONE")).trimmed().isEmpty()) {
        try {
            email = ret.AtualizaEmailFone(codRep, fone);
        } catch (const std::exception &) {
            email.clear();
            fone.clear();
        }
    }
    TDMRepres &dm = *DMRepres;
    dm.sCodRep = codRep;
    dm.sNmRep = nome;
    dm.sIdBloq = textoDe(CDSCfgDisponivel, QStringLiteral("CONF_IDBLOQPEDDTSUP"));
    dm.iConfig = config;
    dm.iNrRefer = ValorConfig(QStringLiteral("CONF_NRREFER"), 'I').toInt();
    dm.dData = DataHoraServidorOuLocal(QStringLiteral("D"));
    dm.hHora = DataHoraServidorOuLocal(QStringLiteral("H"));
    dm.dDtValidade = dataDe(valorDe(CDSCfgDisponivel, QStringLiteral("CONF_DTVALIDADE")));
    dm.eVlrMinimo = numeroDe(valorDe(CDSCfgDisponivel, QStringLiteral("CONF_VLRMINIMO")));
    dm.eVlrMinimoPed = ValorConfig(QStringLiteral("CONF_VLRMINIMOPED"), 'N').toDouble();
    dm.sDsEmail = email;
    dm.sNrFone = fone;
    dm.sIdDigPreco = ValorConfig(QStringLiteral("CONF_IDDIGPRECO"), 'S').toString();
    dm.sIdCliEmailObr = ValorConfig(QStringLiteral("CONF_IDCLIEMAILOBR"), 'S').toString();
    dm.sIdRelEstoque = ValorConfig(QStringLiteral("CONF_IDRELESTOQUE"), 'S').toString();
    dm.sIdImgProduto = ValorConfig(QStringLiteral("CONF_IDIMGPRODUTO"), 'S').toString();
    dm.sObservacao = textoDe(CDSCfgDisponivel, QStringLiteral("CONF_OBSERVACAO"));
    if (iVersaoServ >= 2) {
        dm.dDtDeEntrega = dataDe(valorDe(CDSCfgDisponivel, QStringLiteral("CONF_DTDEENTREGA")));
        dm.dDtAteEntrega = dataDe(valorDe(CDSCfgDisponivel, QStringLiteral("CONF_DTATEENTREGA")));
    }
    QString digitos = m_versao;
    digitos.remove(QLatin1Char('.'));
    const int versaoRepres = digitos.toInt();
    if (versaoRepres >= 2033)
        dm.sIdDigColecao = ValorConfig(QStringLiteral("CONF_IDDIGCOLECAO"), 'S').toString();
    dm.eQtdeMaxItem = iVersaoServ < 4 ? 0 : numeroDe(valorDe(CDSCfgDisponivel, QStringLiteral("CONF_QTDEMAXITEM")));
    return dm.AtualizaConfig(iVersaoServ, versaoRepres);
}

QString TfmCargas::GravaUnidadeCarga(const QString &codRep, int config)
{
    IRetaguarda &ret = Retaguarda();
    // the message of the step an unexpected error interrupts
    QString etapa = QStringLiteral("Erro na Gravação das Informações da Carga");
    try {
        DMRepres->SetCargaInvalida(codRep);
        if (!GravaTabelasCarga())
            return etapa;
        bool ok = false;
        try {
            ok = ret.RetornaCodCliRepres(ClientModule1->CDSCodClientes) && ret.GravaDadosEmpresa(config);
        } catch (const std::exception &e) {
            dialogs().showMessage(mensagemDe(e));
        }
        if (!ok)
            return QStringLiteral("Erro no Retorno dos Códigos dos Cliente no Representante");
        etapa = QStringLiteral("Erro na Gravação Final da Carga");
        return GravaConfiguracao(codRep, config) ? QString() : etapa;
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
        return etapa;
    }
}

bool TfmCargas::GravaCarga(const QString &codRep, int config)
{
    TXRCustomTransaction &tra = *DMRepres->XRTransaction;
    // Work of other windows is not part of the load's unit.
    tra.CommitRetaining();
    PropriedadesConfig anteriores;
    PropriedadesConfig::copia(*DMRepres, anteriores);
    QStringList tabelas;
    if (ClientModule1 && ClientModule1->oLstCDS)
        for (const auto &t : *ClientModule1->oLstCDS)
            tabelas << t->objectName();

    QString falha;
    {
        m_carregando = true;
        AdiaFechamentos adia;
        RetencaoCommits retencao(tra);
        falha = GravaUnidadeCarga(codRep, config);
        m_carregando = false;
        if (!falha.isEmpty()) {
            try {
                tra.RollbackRetaining();
            } catch (const std::exception &e) {
                dialogs().showMessage(mensagemDe(e));
            }
            PropriedadesConfig::copia(anteriores, *DMRepres);
        }
    }
    if (!falha.isEmpty()) {
        Informa(falha);
        return false;
    }
    try {
        tra.CommitRetaining();
    } catch (const std::exception &e) {
        dialogs().showMessage(mensagemDe(e));
        Informa(QStringLiteral("Erro na Gravação Final da Carga"));
        return false;
    }
    try {
        // plans follow the new rows; a failure here costs speed, not data
        AtualizaEstatisticas(*DMRepres->XRDtRepres, tabelas);
        tra.CommitRetaining();
    } catch (const std::exception &e) {
        qWarning("%s", qPrintable(mensagemDe(e)));
    }
    return true;
}

void TfmCargas::BtnEstoqueClick()
{
    if (m_carregando || PedidoAberto())
        return;
    const QString carga = textoDe(CDSUltimo, QStringLiteral("NRULTCONFIG")).trimmed();
    if (carga.isEmpty()) {
        Informa(QStringLiteral("Carga de dados inválida."));
        return;
    }
    if (!Confirma())
        return;
    if (!DMComunicacao)
        return;
    bool escrito = false;
    {
        m_carregando = true;
        AdiaFechamentos adia;
        QElapsedTimer relogio;
        relogio.start();
        try {
            DMComunicacao->AtualizaEstoque(carga.toInt(), [this, &relogio](int p, int m) {
                if (p == 0 || p >= m || relogio.elapsed() >= 50) {
                    relogio.restart();
                    Progresso(p, m);
                }
            });
            escrito = true;
        } catch (const EAbort &) {
            // its error was shown
        } catch (const std::exception &e) {
            dialogs().showMessage(mensagemDe(e));
        }
        m_carregando = false;
    }
    if (!escrito)
        return;
    try {
        AtualizaEstatisticas(*DMRepres->XRDtRepres, {QStringLiteral("PA_ITEN")});
        DMRepres->XRTransaction->CommitRetaining();
    } catch (const std::exception &e) {
        qWarning("%s", qPrintable(mensagemDe(e)));
    }
    Informa(kConcluida);
    ProgressBar1->setValue(0);
}
