#include "windows/relatorios/untRelEstoque.h"

#include "components/XRDBGrid.h"
#include "components/untCpoPesquisa.h"
#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/AppPaths.h"
#include "platform/DialogService.h"
#include "windows/nucleo/ConsultaServidor.h"
#include "windows/relatorios/regras/RegrasRelatorio.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

using namespace estoque;

namespace {

std::unique_ptr<TXRQuery> consultaLocal(const QString &sql)
{
    auto q = std::make_unique<TXRQuery>();
    q->SetDatabase(DMRepres->XRDtRepres);
    q->SQL().SetText(sql);
    q->Open();
    return q;
}

QLineEdit *novoEdit(const QString &nome, QWidget *pai)
{
    auto *e = new QLineEdit(pai);
    e->setObjectName(nome);
    return e;
}

// The table of an answer, structure and rows, into a window's table.
void substitui(DataSet &destino, const DataSet *origem)
{
    destino.close();
    if (origem) {
        destino.setFieldDefs(origem->fieldDefs());
        destino.open();
        destino.copyRowsFrom(*origem);
        destino.first();
    } else if (destino.fieldCount() > 0) {
        destino.open();
        destino.emptyTable();
    }
}

} // namespace

TfmRelEstoque::TfmRelEstoque(QWidget *dono, IServidorConsultas *servidor, int pausaEsperaMs,
                             std::function<bool(QString &)> verificaInternet)
    : TfmTelaSimples(dono)
    , PausaEsperaMs(pausaEsperaMs)
    , m_servidor(servidor)
    , m_verificaInternet(std::move(verificaInternet))
{
    setObjectName(QStringLiteral("fmRelEstoque"));
    setWindowTitle(Titulo());
    CDSEstoques = new DataSet(this);
    CDSEstoques->setObjectName(QStringLiteral("CDSEstoques"));
    CDSEstoques->setFieldDefs({{QStringLiteral("CODIGO"), FieldType::String, 15},
                               {QStringLiteral("DESCRICAO"), FieldType::String, 100},
                               {QStringLiteral("COR"), FieldType::String, 6},
                               {QStringLiteral("DESC_COR"), FieldType::String, 80},
                               {QStringLiteral("TAM"), FieldType::String, 4},
                               {QStringLiteral("ESTOQUE"), FieldType::Float},
                               {QStringLiteral("POSICAO"), FieldType::Integer}});
    CDSEstoques->open();
    CDSImagens = new DataSet(this);
    CDSImagens->setObjectName(QStringLiteral("CDSImagens"));
    CDSImagens->setFieldDefs({{QStringLiteral("CODIGO"), FieldType::String, 15},
                              {QStringLiteral("IMAGEM"), FieldType::Blob}});
    CDSImagens->open();
    CriaControles();
    FWidthOri = 800;
    FHeigthOri = 500;
    resize(FWidthOri, FHeigthOri);
    FormCreate();

    FsCodigo.clear();
    FsColecao.clear();
    FsDescricao.clear();
    FEmpPat = QStringLiteral("_001");
    if (DMRepres) {
        try {
            const auto q = consultaLocal(SqlEmpresa());
            if (!q->isEmpty()) {
                q->first();
                FEmpPat = q->fieldByName(QStringLiteral("EMP_PAT"))->asString();
            }
        } catch (const std::exception &) {
            // no company row readable: the default suffix stays
        }
    }
}

void TfmRelEstoque::CriaControles()
{
    QWidget *corpo = Corpo();
    auto *coluna = new QVBoxLayout(corpo);
    auto *filtros = new QGridLayout;
    const auto pesquisa = [corpo](const QString &nome, const QString &sql, const QString &campo) {
        auto *pq = new TPesquisa(corpo);
        pq->setObjectName(nome);
        pq->setText(QStringLiteral("..."));
        pq->setFocusPolicy(Qt::NoFocus);
        pq->BaseDados = DMRepres ? DMRepres->XRDtRepres : nullptr;
        pq->BuscaSQL = QStringList{sql};
        pq->BuscaCampo = campo;
        return pq;
    };
    edtColecao = novoEdit(QStringLiteral("edtColecao"), corpo);
    edtColecao->setMaxLength(4);
    PqColecao = pesquisa(QStringLiteral("PqColecao"), QStringLiteral("SELECT COL_COLECAO, COL_DESCRICAO FROM COLECAO"),
                         QStringLiteral("COL_COLECAO"));
    edtDescColecao = novoEdit(QStringLiteral("edtDescColecao"), corpo);
    edtDescColecao->setEnabled(false);
    edtProduto = novoEdit(QStringLiteral("edtProduto"), corpo);
    PqProduto = pesquisa(QStringLiteral("PqProduto"), QStringLiteral("SELECT PROD_CODI, PROD_DESC FROM PRODUTO"),
                         QStringLiteral("PROD_CODI"));
    edtDescProduto = novoEdit(QStringLiteral("edtDescProduto"), corpo);
    edtDescProduto->setEnabled(false);
    edtDescricao = novoEdit(QStringLiteral("edtDescricao"), corpo);
    filtros->addWidget(new QLabel(QStringLiteral("Coleção"), corpo), 0, 0);
    filtros->addWidget(edtColecao, 0, 1);
    filtros->addWidget(PqColecao, 0, 2);
    filtros->addWidget(edtDescColecao, 0, 3);
    filtros->addWidget(new QLabel(QStringLiteral("Produto"), corpo), 1, 0);
    filtros->addWidget(edtProduto, 1, 1);
    filtros->addWidget(PqProduto, 1, 2);
    filtros->addWidget(edtDescProduto, 1, 3);
    filtros->addWidget(new QLabel(QStringLiteral("Descrição"), corpo), 2, 0);
    filtros->addWidget(edtDescricao, 2, 1, 1, 3);
    filtros->setColumnStretch(3, 1);
    coluna->addLayout(filtros);

    ProgressBar1 = new QProgressBar(corpo);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setValue(0);
    coluna->addWidget(ProgressBar1);
    DBGrid1 = new TXRDBGrid(corpo);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetExporta(true);
    for (const auto &[campo, titulo] : {std::pair{"CODIGO", "Código"}, {"DESCRICAO", "Descrição"}, {"COR", "Cor"},
                                        {"DESC_COR", "Descrição Cor"}, {"TAM", "Tamanho"}, {"ESTOQUE", "Estoque"}})
        DBGrid1->AddColumn(QString::fromLatin1(campo), QString::fromUtf8(titulo));
    DBGrid1->SetDataSet(CDSEstoques);
    coluna->addWidget(DBGrid1, 1);

    btnCarregar = new QPushButton(QStringLiteral("&Carregar"), PnBotoes);
    btnCarregar->setObjectName(QStringLiteral("btnCarregar"));
    btnImprimir = new QPushButton(QStringLiteral("&Imprimir"), PnBotoes);
    btnImprimir->setObjectName(QStringLiteral("btnImprimir"));
    BtnFechar->setText(QStringLiteral("Fechar"));
    if (auto *botoes = qobject_cast<QHBoxLayout *>(PnBotoes->layout())) {
        botoes->insertWidget(0, btnCarregar);
        botoes->insertWidget(1, btnImprimir);
    }
    PnBotoes->show();

    connect(edtColecao, &QLineEdit::textChanged, this, [this](const QString &t) {
        MostraDescricao(edtDescColecao, QStringLiteral("COL_DESCRICAO"), QStringLiteral("COLECAO"),
                        QStringLiteral("COL_COLECAO"), t);
    });
    connect(edtProduto, &QLineEdit::textChanged, this, [this](const QString &t) {
        MostraDescricao(edtDescProduto, QStringLiteral("PROD_DESC"), QStringLiteral("PRODUTO"),
                        QStringLiteral("PROD_CODI"), t);
    });
    connect(edtDescricao, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int pos = edtDescricao->cursorPosition();
        edtDescricao->setText(t.toUpper());
        edtDescricao->setCursorPosition(pos);
    });
    for (QLineEdit *e : {edtColecao, edtProduto, edtDescricao})
        connect(e, &QLineEdit::editingFinished, this, &TfmRelEstoque::TomaFiltros);
    PqColecao->OnFechaPesquisa = [this](TPesquisa *p) {
        edtColecao->setText(p->RetornoPesquisa(QStringLiteral("COL_COLECAO")).toString());
    };
    PqProduto->OnFechaPesquisa = [this](TPesquisa *p) {
        edtProduto->setText(p->RetornoPesquisa(QStringLiteral("PROD_CODI")).toString());
    };
    connect(btnCarregar, &QPushButton::clicked, this, &TfmRelEstoque::CarregaEstoque);
    connect(btnImprimir, &QPushButton::clicked, this, &TfmRelEstoque::MontaRelatorio);
}

void TfmRelEstoque::MostraDescricao(QLineEdit *desc, const QString &campo, const QString &tabela,
                                    const QString &chave, const QString &valor)
{
    try {
        desc->setText(BuscaValorCampo(campo, tabela, chave, valor).toString());
    } catch (const std::exception &) {
        desc->clear();
    }
}

// What leaving each filter edit stores; a click on a button always comes
// after it.
void TfmRelEstoque::TomaFiltros()
{
    FsColecao = edtColecao->text().trimmed().isEmpty() ? QString() : edtColecao->text();
    FsCodigo = edtProduto->text().trimmed().isEmpty() ? QString() : edtProduto->text();
    FsDescricao = edtDescricao->text().trimmed();
}

void TfmRelEstoque::CarregaEstoque()
{
    if (!m_servidor || !DMRepres)
        return;
    CursorEspera(true);
    struct Cursor {
        ~Cursor() { CursorEspera(false); }
    } cursor;
    const TEsperaVisivel espera;
    const auto mostra = [this](const QString &texto, const QString &titulo) {
        dialogs().messageBox(texto, titulo, MsgButtons::Ok, MsgIcon::Information);
    };
    MostraEspera(QStringLiteral("Verificando conexão com o servidor de dados."), PausaEsperaMs);
    int versao = 0;
    try {
        if (!m_servidor->RetornaConexao(false))
            return;
        versao = relatorio::VersaoServidor(m_servidor->GetVersaoServ(false)).value_or(0);
    } catch (const std::exception &e) {
        mostra(QStringLiteral("Erro de Comunicação:\r") + TextoExcecao(e), windowTitle());
        return;
    }
    TomaFiltros();
    // a product code wins over the collection
    if (!FsCodigo.isEmpty())
        FsColecao.clear();
    if (FsCodigo.isEmpty() && FsColecao.isEmpty()) {
        EscondeEspera();
        mostra(QStringLiteral("Favor informar uma Coleção ou um Produto"), Titulo());
        return;
    }
    QString mensagem;
    FnrOkConnect = (m_verificaInternet ? m_verificaInternet(mensagem) : VerificaInternet(mensagem)) ? 0 : 9;
    if (FnrOkConnect != 0)
        return;

    QString usuario, senha, codRep;
    {
        TXRQuery *q = DMRepres->XRQUltSincr;
        q->Close();
        q->Open();
        if (!q->isEmpty()) {
            q->first();
            usuario = q->fieldByName(QStringLiteral("NMUSUARIO"))->asString();
            senha = q->fieldByName(QStringLiteral("DSSENHA"))->asString();
            codRep = q->fieldByName(QStringLiteral("CODREP"))->asString();
        }
        q->Close();
    }
    try {
        FnrOkConnect = m_servidor->ConfereSenhaDataSnap(usuario, senha, codRep);
    } catch (const std::exception &e) {
        FnrOkConnect = 9;
        mostra(QStringLiteral("Erro de Comunicação:\r") + TextoExcecao(e), windowTitle());
        return;
    }
    // a refused login queries nothing
    if (FnrOkConnect != 0) {
        EscondeEspera();
        mostra(TDMRepres::MensErroLogin(FnrOkConnect), QStringLiteral("Login"));
        return;
    }
    if (versao <= 4) {
        EscondeEspera();
        mostra(QStringLiteral("Versão não compátivel com a atual versão do servidor. Impossível Continuar."),
               windowTitle());
        return;
    }
    try {
        if (BuscaDeposito()) {
            MostraEspera(QStringLiteral("Consultando o Estoque."), PausaEsperaMs);
            PesquisaEstoque();
        }
    } catch (const std::exception &e) {
        FnrOkConnect = 9;
        EscondeEspera();
        mostra(QStringLiteral("Problema ao buscar os dados do estoque") + TextoExcecao(e), windowTitle());
    }
}

bool TfmRelEstoque::BuscaDeposito()
{
    const QString falha = QStringLiteral("Problema ao buscar os dados \r\n\r\n");
    // the suffix is written into table names
    if (!EmpPatValido(FEmpPat)) {
        EscondeEspera();
        dialogs().messageBox(falha + QStringLiteral("Código de empresa inválido: ") + FEmpPat, windowTitle(),
                             MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    const auto lista = ESelectComMensagem(*m_servidor, SqlDeposito(FEmpPat), falha, windowTitle());
    if (!lista)
        return false;
    FDeposito = QStringLiteral("0000");
    if (DataSet *select = MembroLista(*lista, QStringLiteral("SELECT")); select && !select->isEmpty()) {
        select->first();
        if (const Field *f = select->findField(QStringLiteral("CODIGO")))
            FDeposito = f->asString();
    }
    return true;
}

void TfmRelEstoque::PesquisaEstoque()
{
    int nrConfig = 0;
    {
        TXRQuery *q = DMRepres->XRQConfigPed;
        q->Close();
        q->Open();
        if (!q->isEmpty()) {
            q->first();
            nrConfig = q->fieldByName(QStringLiteral("NRULTCONFIG"))->asInteger();
        }
        q->Close();
    }
    const QString tipoItem = m_servidor->BuscaTipoItem(nrConfig);
    QStringList regioes;
    {
        const auto q = consultaLocal(QStringLiteral("SELECT TABP_REGIAO FROM TABPRECO"));
        for (q->first(); !q->eof(); q->next())
            regioes << q->field(0)->asString();
    }
    const bool produtos = tipoItem == QLatin1String("P");
    const QString sql = SqlEstoque(tipoItem, FEmpPat, RegioesSql(regioes), {FsColecao, FsCodigo, FsDescricao, FDeposito});
    const auto lista = ESelectComMensagem(*m_servidor, sql, QStringLiteral("Problema ao buscar os dados do estoque"),
                                          windowTitle(), true,
                                          produtos ? QStringLiteral("PRODUTO") : QStringLiteral("MATERIAL"),
                                          QStringLiteral("CODIGO"));
    if (!lista)
        return;
    DBGrid1->SetDataSet(nullptr);
    substitui(*CDSEstoques, MembroLista(*lista, QStringLiteral("SELECT")));
    substitui(*CDSImagens, MembroLista(*lista, QStringLiteral("IMAGENS")));
    DBGrid1->SetDataSet(CDSEstoques);
}

void TfmRelEstoque::MontaRelatorio()
{
    TomaFiltros();
    if (FsCodigo.isEmpty() && FsColecao.isEmpty() && FsDescricao.isEmpty()) {
        dialogs().messageBox(QStringLiteral("Favor informar uma Coleção, Produto ou uma Descrição"), windowTitle(),
                             MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    CursorEspera(true);
    const auto valor = [this](int linha, const char *campo) {
        const int i = CDSEstoques->fieldIndex(QString::fromLatin1(campo));
        return i < 0 ? QVariant() : CDSEstoques->valueAt(linha, i);
    };
    std::vector<TLinhaEstoque> linhas;
    for (int i = 0; i < CDSEstoques->recordCount(); ++i) {
        TLinhaEstoque l;
        l.codigo = valor(i, "CODIGO").toString();
        l.descricao = valor(i, "DESCRICAO").toString();
        l.cor = valor(i, "COR").toString();
        l.descCor = valor(i, "DESC_COR").toString();
        l.tam = valor(i, "TAM").toString();
        l.estoque = valor(i, "ESTOQUE").toDouble();
        l.posicao = valor(i, "POSICAO").toInt();
        linhas.push_back(l);
    }
    std::map<QString, QByteArray> imagens;
    const int iCodigo = CDSImagens->fieldIndex(QStringLiteral("CODIGO"));
    const int iImagem = CDSImagens->fieldIndex(QStringLiteral("IMAGEM"));
    for (int i = 0; i < CDSImagens->recordCount() && iCodigo >= 0 && iImagem >= 0; ++i) {
        const QString codigo = CDSImagens->valueAt(i, iCodigo).toString();
        if (!imagens.count(codigo))
            imagens[codigo] = CDSImagens->valueAt(i, iImagem).toByteArray();
    }
    ProgressBar1->setRange(0, int(linhas.size()));
    ProgressBar1->setValue(0);
    CDSRelProdutos = LinhasImpressao(linhas, imagens, ImagemPadrao(apppaths::executableDir()),
                                     [this](int n) { ProgressBar1->setValue(n); });
    CursorEspera(false);
    ImprimeRelatorioEstoque(this, CDSRelProdutos);
}
