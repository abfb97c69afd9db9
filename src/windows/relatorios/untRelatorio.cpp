#include "windows/relatorios/untRelatorio.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "windows/nucleo/ConsultaServidor.h"

#include <QDateEdit>
#include <QDoubleValidator>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using namespace relatorio;

namespace {
const int kAlturaEdit = 21;
} // namespace

TfmGeraRel::TfmGeraRel(QWidget *dono, IServidorConsultas *servidor, int pausaEsperaMs)
    : TfmXRSkin(dono)
    , PausaEsperaMs(pausaEsperaMs)
    , m_servidor(servidor)
{
    setObjectName(QStringLiteral("fmGeraRel"));
    setWindowTitle(QStringLiteral("Gerador de Relatório"));
    SetFormStyleMdi(true);
    CDSRelatorio = new DataSet(this);
    CDSRelatorio->setObjectName(QStringLiteral("CDSRelatorio"));
    CDSRelParam = new DataSet(this);
    CDSRelParam->setObjectName(QStringLiteral("CDSRelParam"));
    CDSParametros = new DataSet(this);
    CDSParametros->setObjectName(QStringLiteral("CDSParametros"));
    CDSConsRelatorio = new DataSet(this);
    CDSConsRelatorio->setObjectName(QStringLiteral("CDSConsRelatorio"));
    CriaControles();
}

void TfmGeraRel::CriaControles()
{
    auto *central = new QWidget(this);
    auto *coluna = new QVBoxLayout(central);
    coluna->setContentsMargins(0, 0, 0, 0);
    coluna->setSpacing(0);
    pnGeraRel = new QWidget(central);
    pnGeraRel->setObjectName(QStringLiteral("pnGeraRel"));
    pnGeraRel->setFixedHeight(105);
    btnConfirmar = new QPushButton(QStringLiteral("&Confirmar"), pnGeraRel);
    btnConfirmar->setObjectName(QStringLiteral("btnConfirmar"));
    btnConfirmar->setGeometry(725, 41, 90, 25);
    btnFechar = new QPushButton(QStringLiteral("&Fechar"), pnGeraRel);
    btnFechar->setObjectName(QStringLiteral("btnFechar"));
    btnFechar->setGeometry(725, 70, 90, 25);
    PqImagem = new TPesquisa(pnGeraRel);
    PqImagem->setObjectName(QStringLiteral("PqImagem"));
    PqImagem->setText(QStringLiteral("..."));
    PqImagem->hide();
    DBGrid1 = new TXRDBGrid(central);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetExporta(true);
    DBGrid1->SetOrdenacao(true);
    DBGrid1->SetDataSet(CDSConsRelatorio);
    coluna->addWidget(pnGeraRel);
    coluna->addWidget(DBGrid1, 1);
    setCentralWidget(central);
    resize(900, 600);
    connect(btnConfirmar, &QPushButton::clicked, this, &TfmGeraRel::ExecutaRelatorio);
    connect(btnFechar, &QPushButton::clicked, this, &QWidget::close);
}

void TfmGeraRel::FormShow()
{
    // a plain window: no version in the caption
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMaximized();
}

void TfmGeraRel::FormClose(TCloseAction &action) { action = TCloseAction::Free; }

void TfmGeraRel::PreparaRelatorio(IRelatoriosPrincipal &principal)
{
    if (CDSConsRelatorio->active())
        CDSConsRelatorio->emptyTable();
    const QString filtroCodigo = QuotedStr(principal.RelatorioEscolhido());
    CDSRelatorio->cloneCursor(*principal.TabelaRelatorios());
    CDSRelatorio->setFilter(QStringLiteral("CODIGO = ") + filtroCodigo);
    CDSRelatorio->setFiltered(true);
    LimpaParametros();
    CDSRelParam->cloneCursor(*principal.TabelaParametros());
    CDSRelParam->setFilter(QStringLiteral("COD_REL = ") + filtroCodigo);
    CDSRelParam->setFiltered(true);
    MontaTela();
}

void TfmGeraRel::LimpaParametros()
{
    // deleted now: the next report may use the same names
    for (const QPointer<QWidget> &w : m_controles)
        delete w.data();
    m_controles.clear();
}

QString TfmGeraRel::ValorLinha(int linha, const char *campo) const
{
    const int i = CDSRelParam->fieldIndex(QString::fromLatin1(campo));
    return i < 0 ? QString() : CDSRelParam->valueAt(linha, i).toString();
}

void TfmGeraRel::MontaTela()
{
    std::vector<TParametroTela> linhas;
    for (int i = 0; i < CDSRelParam->recordCount(); ++i) {
        TParametroTela p;
        p.campo = ValorLinha(i, "CAMPO");
        bool ok = false;
        p.tipo = ValorLinha(i, "TIPO").trimmed().toInt(&ok);
        if (!ok)
            p.tipo = -1;
        p.tabBusca = ValorLinha(i, "TAB_BUSCA").trimmed();
        p.cpoCod = ValorLinha(i, "CPO_COD").trimmed();
        p.cpoDesc = ValorLinha(i, "CPO_DESC").trimmed();
        linhas.push_back(p);
    }
    const TLayoutParametros layout = LayoutParametros(linhas);
    for (int i = 0; i < int(linhas.size()); ++i)
        CriaParametro(i, layout.itens[std::size_t(i)]);
    pnGeraRel->setFixedHeight(layout.alturaPainel);
    btnFechar->move(btnFechar->x(), layout.topoFechar);
    btnConfirmar->move(btnConfirmar->x(), layout.topoConfirmar);
}

void TfmGeraRel::CriaParametro(int linha, const TPosicaoParametro &pos)
{
    const QString campo = ValorLinha(linha, "CAMPO");
    const int tipo = ValorLinha(linha, "TIPO").trimmed().toInt();
    const auto guarda = [this](QWidget *w) {
        m_controles.emplace_back(w);
        w->show();
        return w;
    };
    if (pos.rotulo) {
        auto *rotulo = new QLabel(ValorLinha(linha, "LABEL"), pnGeraRel);
        rotulo->setObjectName(QStringLiteral("lb_") + campo);
        rotulo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rotulo->setGeometry(kEsquerdaRotulo, pos.topo + 5, 110, 13);
        guarda(rotulo);
    }
    if (!pos.edit)
        return;
    QWidget *controle = nullptr;
    if (tipo == 2) {
        auto *data = new QDateEdit(pnGeraRel);
        data->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        data->setCalendarPopup(true);
        QDate d;
        data->setDate(fmt::tryStrToDate(ValorLinha(linha, "EDIT").trimmed(), d) ? d : QDate::currentDate());
        controle = data;
    } else {
        auto *edit = new QLineEdit(ValorLinha(linha, "EDIT"), pnGeraRel);
        if (tipo == 1) {
            auto *validador = new QDoubleValidator(edit);
            validador->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
            validador->setNotation(QDoubleValidator::StandardNotation);
            edit->setValidator(validador);
            edit->setAlignment(Qt::AlignRight);
        }
        controle = edit;
    }
    controle->setObjectName(campo);
    controle->setGeometry(kEsquerdaEdit, pos.topo, 120, kAlturaEdit);
    controle->setProperty("Tag", ValorLinha(linha, "COD_CAMPO").trimmed().toInt());
    guarda(controle);
    if (!pos.pesquisa)
        return;

    auto *edit = static_cast<QLineEdit *>(controle);
    const QString tabela = ValorLinha(linha, "TAB_BUSCA").trimmed();
    const QString cpoCod = ValorLinha(linha, "CPO_COD").trimmed();
    const QString cpoDesc = ValorLinha(linha, "CPO_DESC").trimmed();
    auto *pq = new TPesquisa(pnGeraRel);
    pq->setObjectName(QStringLiteral("PqPesquisa_") + campo);
    pq->setGeometry(kEsquerdaPesquisa, pos.topo, 25, 24);
    pq->setAutoRaise(true);
    pq->setIcon(PqImagem->icon());
    pq->setText(PqImagem->text());
    pq->setFocusPolicy(Qt::NoFocus);
    pq->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
    pq->BuscaSQL = QStringList{QStringLiteral("SELECT ") + cpoCod + ',' + cpoDesc + QStringLiteral(" FROM ") + tabela};
    pq->BuscaCampo = cpoCod;
    pq->BuscaTipo = 1;
    pq->OnFechaPesquisa = [this](TPesquisa *p) { PesquisaFechaPesquisa(p); };
    guarda(pq);
    auto *desc = new QLineEdit(pnGeraRel);
    desc->setObjectName(QStringLiteral("EdtDesc_") + campo);
    desc->setGeometry(kEsquerdaDescricao, pos.topo, 440, kAlturaEdit);
    desc->setEnabled(false);
    desc->setToolTip(tabela);
    guarda(desc);
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { ParametroExit(edit); });
}

void TfmGeraRel::ParametroExit(QLineEdit *edit)
{
    auto *desc = pnGeraRel->findChild<QLineEdit *>(QStringLiteral("EdtDesc_") + edit->objectName());
    if (!desc)
        return;
    // the rows of the report on screen only
    for (int i = 0; i < CDSRelParam->recordCount(); ++i) {
        if (ValorLinha(i, "TAB_BUSCA").trimmed() != desc->toolTip())
            continue;
        TParametroTela p;
        p.tabBusca = ValorLinha(i, "TAB_BUSCA").trimmed();
        p.cpoCod = ValorLinha(i, "CPO_COD").trimmed();
        p.cpoDesc = ValorLinha(i, "CPO_DESC").trimmed();
        QString texto;
        if (TemPesquisa(p)) {
            try {
                texto = BuscaValorCampo(p.cpoDesc, p.tabBusca, p.cpoCod, edit->text()).toString();
            } catch (const std::exception &) {
                // a look-up table missing locally shows no description
                texto.clear();
            }
        }
        desc->setText(texto);
        return;
    }
    desc->clear();
}

void TfmGeraRel::PesquisaFechaPesquisa(QObject *sender)
{
    auto *pq = qobject_cast<TPesquisa *>(sender);
    if (!pq)
        return;
    const QString nome = pq->objectName().mid(pq->objectName().indexOf('_') + 1);
    if (auto *edit = pnGeraRel->findChild<QLineEdit *>(nome))
        edit->setText(pq->RetornoPesquisa(pq->BuscaCampo).toString());
}

void TfmGeraRel::ExecutaRelatorio()
{
    if (!m_servidor)
        return;
    CursorEspera(true);
    DBGrid1->SetDataSet(nullptr);
    const bool rest = m_servidor->EhRest();
    bool respondeu = false;
    {
        const TEsperaVisivel espera;
        // the grid comes back whatever happens below
        struct Religa {
            TfmGeraRel *j;
            ~Religa()
            {
                j->DBGrid1->SetDataSet(j->CDSConsRelatorio);
                CursorEspera(false);
            }
        } religa{this};

        const int iSql = CDSRelatorio->fieldIndex(QStringLiteral("CODIGOSQL"));
        const QString sql
            = SqlDoRelatorio(iSql >= 0 && CDSRelatorio->recordCount() > 0 ? CDSRelatorio->valueAt(0, iSql).toString()
                                                                            : QString());
        if (!CDSParametros->active()) {
            CDSParametros->setFieldDefs({{QStringLiteral("CAMPO"), FieldType::String, 30},
                                         {QStringLiteral("VALOR"), FieldType::String, 30},
                                         {QStringLiteral("TIPO"), FieldType::String, 10}});
            CDSParametros->open();
        }
        CDSParametros->emptyTable();
        const QString codRep = DMRepres ? DMRepres->BuscaCodRep() : QStringLiteral("-999");
        std::vector<TValorParametro> valores;
        for (int i = 0; i < CDSRelParam->recordCount(); ++i) {
            const QString campo = ValorLinha(i, "CAMPO");
            TControleValor controle = TControleValor::Nenhum;
            QString texto;
            if (auto *data = pnGeraRel->findChild<QDateEdit *>(campo)) {
                controle = TControleValor::Data;
                texto = fmt::formatDate(data->date());
            } else if (auto *edit = pnGeraRel->findChild<QLineEdit *>(campo)) {
                controle = qobject_cast<const QDoubleValidator *>(edit->validator()) ? TControleValor::Numero
                                                                                    : TControleValor::Texto;
                texto = edit->text();
            }
            valores.push_back(ValorParametro(campo, ValorLinha(i, "TIPO").trimmed().toInt(), controle, texto, codRep,
                                             QDate::currentDate()));
        }
        if (rest && PrecisaLinhaCodRep(valores, sql))
            valores.push_back({QStringLiteral("CODREP"), codRep, QStringLiteral("ftString")});
        for (const TValorParametro &v : valores)
            CDSParametros->appendRow({v.campo, v.valor, v.tipo});

        MostraEspera(QStringLiteral("Buscando os Dados "), PausaEsperaMs);
        if (rest) {
            if (CDSConsRelatorio->active())
                CDSConsRelatorio->setFieldDefs({});
            CDSConsRelatorio->open();
            respondeu = m_servidor->BuscaDadosSQL(sql, CDSConsRelatorio, CDSParametros);
        } else {
            const auto lista = ESelectComMensagem(
                *m_servidor, sql, QStringLiteral("Problema em buscar os parâmetros."), windowTitle(), false,
                QString(), QString(), encodeDataSetList({{QStringLiteral("PARAMETROS"), CDSParametros}}));
            DataSet *select = lista ? MembroLista(*lista, QStringLiteral("SELECT")) : nullptr;
            if (select) {
                MostraResposta(*select);
                respondeu = true;
            }
        }
        FormataNumeros();
    }
    if (rest && respondeu)
        AjustaColunas(DBGrid1);
}

void TfmGeraRel::MostraResposta(DataSet &select)
{
    // the answer is not used again: its rows move over instead of being copied
    DataSet::PreparedRows resposta = select.adoptRows({});
    CDSConsRelatorio->close();
    DataSet::PreparedRows antigas = CDSConsRelatorio->adoptRows(std::move(resposta));
    CDSConsRelatorio->open();
    CDSConsRelatorio->first();
    // the previous answer can be large: it is freed off the main thread
    QThreadPool::globalInstance()->start(
        [velhas = std::make_shared<DataSet::PreparedRows>(std::move(antigas))]() mutable { velhas.reset(); });
}

void TfmGeraRel::FormataNumeros()
{
    for (int i = 0; i < CDSConsRelatorio->fieldCount(); ++i) {
        Field *f = CDSConsRelatorio->field(i);
        if (f->dataType() == FieldType::Float || f->dataType() == FieldType::Bcd)
            f->displayFormat.clear();
    }
}

void TfmGeraRel::AjustaColunas(TXRDBGrid *grid)
{
    DataSet *ds = grid ? grid->GetDataSet() : nullptr;
    if (!ds || !ds->active() || ds->isEmpty() || grid->ColumnCount() == 0)
        return;
    const QFontMetrics fm(font());
    // Widths summed per character from a table: half a million cells are
    // sized in a blink. The widest candidate is then measured as a whole.
    std::array<int, 256> larguraLatin1{};
    for (int c = 0; c < 256; ++c)
        larguraLatin1[std::size_t(c)] = fm.horizontalAdvance(QChar(c));
    const auto estimada = [&](const QString &t) {
        int w = 0;
        for (QChar c : t)
            w += c.unicode() < 256 ? larguraLatin1[c.unicode()] : fm.horizontalAdvance(c);
        return w;
    };
    ds->disableControls();
    for (int c = 0; c < grid->ColumnCount(); ++c) {
        TXRColumn *col = grid->Column(c);
        const int campo = ds->fieldIndex(col->FieldName);
        int largura = fm.horizontalAdvance(col->Title);
        if (campo >= 0) {
            const Field *f = ds->field(campo);
            const FieldType tipo = f->dataType();
            QString maisLarga;
            int maior = -1;
            const bool texto = tipo == FieldType::String || tipo == FieldType::Memo;
            for (int r = 0; r < ds->recordCount(); ++r) {
                const QVariant &v = ds->rowAt(r)[std::size_t(campo)];
                const QString t = (texto ? v.toString() : Field::displayTextOf(v, tipo, f->displayFormat)).trimmed();
                const int w = estimada(t);
                if (w > maior) {
                    maior = w;
                    maisLarga = t;
                }
            }
            largura = std::max(largura, fm.horizontalAdvance(maisLarga));
        }
        col->Width = largura + 15;
    }
    ds->enableControls();
    grid->LayoutChanged();
}
