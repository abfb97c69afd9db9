#include "windows/pedido/regras/ItensPedido.h"

#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <QMap>

#include <algorithm>
#include <cmath>

using namespace pedido;

namespace {

constexpr int kTab = Qt::Key_Tab;
constexpr int kCima = Qt::Key_Up;
constexpr int kBaixo = Qt::Key_Down;
constexpr int kF3 = Qt::Key_F3;
constexpr int kF4 = Qt::Key_F4;

} // namespace

ItensPedido::ItensPedido(PedidoControlador &ctl, TDMRepres &dm)
    : c(ctl)
    , m_dm(dm)
    , itens(ctl.CDSItens)
    , m_fonte(FontePrecosDe(dm))
{
    TbItensData.setObjectName(QStringLiteral("TbItensData"));
    TbItensData.setFieldDefs({{QStringLiteral("Data"), FieldType::Date},
                              {QStringLiteral("Qtde"), FieldType::Float},
                              {QStringLiteral("Valor"), FieldType::Float}});
    TbItensData.open();
    TbItensData.fieldByName(QStringLiteral("Valor"))->displayFormat = QStringLiteral("0.00");

    CDSItensGrafico.setObjectName(QStringLiteral("CDSItensGrafico"));
    std::vector<FieldDef> campos;
    for (const FieldDef &f : CamposItensPedido())
        if (f.name != QLatin1String("QtdeEst") && f.name != QLatin1String("BloqueiaEst"))
            campos.push_back(f);
    CDSItensGrafico.setFieldDefs(campos);
    CDSItensGrafico.open();
    ligaEventos(true);
}

ItensPedido::~ItensPedido() { ligaEventos(false); }

void ItensPedido::ligaEventos(bool ligar)
{
    if (ligar) {
        itens.afterPost = [this](DataSet &) { AtualizaGrafico(); };
        itens.afterDelete = [this](DataSet &) { AtualizaGrafico(); };
    } else {
        itens.afterPost = nullptr;
        itens.afterDelete = nullptr;
    }
}

// Posts what was typed and goes on editing the same line.
void ItensPedido::confirma()
{
    itens.postIfEditing();
    itens.edit();
}

void ItensPedido::estoque()
{
    QString bloqueia;
    const int qtde = m_dm.BuscaQtdeEstoque(c.numero, txt(itens, "Codigo"), txt(itens, "Cor"), txt(itens, "Tam"),
                                           bloqueia);
    poe(itens, "QtdeEst", std::max(0, qtde));
    poe(itens, "BloqueiaEst", bloqueia);
}

void ItensPedido::precosDaFaixa(double total)
{
    const QString codigo = txt(itens, "Codigo");
    const QString tam = txt(itens, "Tam");
    const double preco = PrecoLinha(m_fonte, codigo, c.tabela, tam, total, c.precos.nTaxa);
    poe(itens, "Preco", preco);
    poe(itens, "PrecoOrig", PrecoOrigLinha(m_fonte, codigo, c.tabela, tam, total, preco, c.precos.nTaxa));
    if (!c.precos.digPreco) {
        poe(itens, "Desconto", 0.0);
        poe(itens, "DescontoValor", 0.0);
    }
}

ItensPedido::Efeito ItensPedido::Tecla(const QString &campo, int &key, bool somenteLeitura)
{
    Efeito e;
    if (key == Qt::Key_Delete) {
        key = 0; // lines are deleted with their button only
        e.parar = true;
        return e;
    }
    if (key != kTab && key != kCima && key != kBaixo && key != kF3 && key != kF4) {
        e.parar = true;
        return e;
    }
    // a new line nothing was typed into is the grid's to keep or drop;
    // committing it here would store a blank item line
    if (key != kF4 && itens.state() == DataSet::State::Insert && !itens.modified()) {
        e.parar = true;
        return e;
    }
    if (campo == QLatin1String("Codigo"))
        e = teclaCodigo(key, somenteLeitura);
    else if (campo == QLatin1String("Cor"))
        e = teclaCor(key, somenteLeitura);
    else if (campo == QLatin1String("Tam"))
        e = teclaTam(key, somenteLeitura);
    else if (campo == QLatin1String("Qtde"))
        e = teclaQtde(key, somenteLeitura);
    else if (campo == QLatin1String("Preco"))
        e = teclaPreco(key, somenteLeitura);
    else if (campo == QLatin1String("Desconto"))
        e = teclaDesconto(key, somenteLeitura);
    if (!e.parar)
        c.GeraTotais();
    return e;
}

// F4 asks for the column's look-up (when it has one) and F3 for the grade
// window; true only for Tab, which the column goes on to handle.
bool ItensPedido::soTab(int key, Efeito &e, const QString &pesquisa, const QStringList &sql, bool grade)
{
    if (key == kF4) {
        if (!pesquisa.isEmpty()) {
            e.pesquisa = pesquisa;
            e.sqlPesquisa = sql;
        }
        return false;
    }
    if (key == kF3 && grade) {
        confirma();
        e.grade = true;
        return false;
    }
    return key == kTab;
}

ItensPedido::Efeito ItensPedido::teclaCodigo(int &key, bool somenteLeitura)
{
    Efeito e;
    if (somenteLeitura
        || !soTab(key, e, QStringLiteral("oPqProduto"), {SqlProdutoTabela(QString(), c.tabela)}, true))
        return e;

    confirma();
    QString codigo = txt(itens, "Codigo");
    if (!TextoAceito(QStringLiteral("Produto"), codigo, 15)) {
        poe(itens, "Codigo", QString());
        key = 0;
        e.parar = true;
        return e;
    }
    if (!ExisteRegistro(QStringLiteral("PRODUTO"), QStringLiteral("PROD_CODI"), QuotedStr(codigo))) {
        if (ExisteRegistro(QStringLiteral("PRODUTO"), QStringLiteral("PROD_CODI"), QuotedStr(codigo.toUpper()))) {
            codigo = codigo.toUpper();
            poe(itens, "Codigo", codigo);
        } else {
            aviso(QStringLiteral("Produto Inválido."));
            for (const char *campo : {"Codigo", "Descricao", "Cor", "DsCor", "Tam", "Linha", "DescLinha"})
                poe(itens, campo, QString());
            poe(itens, "Desconto", 0.0);
            key = 0;
            return e; // nothing is looked up for a code just cleared
        }
    }
    if (!codigo.trimmed().isEmpty()
        && !ExisteRegistro(QStringLiteral("TABPRE_PRODUTO"), QStringLiteral("PREC_PRODUTO,PREC_TABELA"),
                           QuotedStr(codigo) + QLatin1Char(',') + QuotedStr(c.tabela))) {
        aviso(QStringLiteral("Produto ") + codigo + QStringLiteral(" não pertence a Tabela de Preço ") + c.tabela);
        poe(itens, "Codigo", QString());
        key = 0;
        e.parar = true;
        return e;
    }

    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().SetText(SqlProdutoTabela(codigo, c.tabela));
    q.Open();
    if (!q.isEmpty()) {
        q.first();
        poe(itens, "Descricao", txt(q, "PROD_DESC"));
        poe(itens, "Linha", txt(q, "PROD_LINHA"));
        poe(itens, "DescLinha", txt(q, "PROD_DESCLINHA"));
        poe(itens, "Colecao", txt(q, "PROD_COLECAO"));
        const Field *entrega = q.fieldByName(QStringLiteral("PROD_DT_ENTREGA"));
        if (!entrega->isNull() && itens.fieldByName(QStringLiteral("DtEntrega"))->isNull())
            poe(itens, "DtEntrega", entrega->asDate());
    }
    const Field *dt = itens.fieldByName(QStringLiteral("DtEntrega"));
    const QDate hoje = c.hoje();
    if (dt->isNull() || hoje > dt->asDate())
        poe(itens, "DtEntrega", hoje);

    if (c.FbDigColecao) {
        if (itens.recordCount() == 1)
            c.FColecao = txt(itens, "Colecao");
        if (!c.FColecao.trimmed().isEmpty() && txt(itens, "Colecao") != c.FColecao) {
            aviso(QStringLiteral("Coleção Inválida."));
            poe(itens, "Codigo", QString());
            key = 0;
            e.parar = true;
            return e;
        }
    }
    estoque();
    return e;
}

ItensPedido::Efeito ItensPedido::teclaCor(int &key, bool somenteLeitura)
{
    Efeito e;
    const QString produto = txt(itens, "Codigo");
    if (somenteLeitura
        || !soTab(key, e, produto.isEmpty() ? QString() : QStringLiteral("oPqCor"),
                  {SqlCoresDisponiveis(produto, QString())}, true))
        return e;

    confirma();
    const QString codigo = produto;
    const QString cor = txt(itens, "Cor");
    if (!TextoAceito(QStringLiteral("Cor"), cor, 6)) {
        poe(itens, "Cor", QString());
        key = 0;
        return e;
    }
    if (ExisteRegistro(QStringLiteral("PA_ITEN"), QStringLiteral("PAIT_CODI,PAIT_COR"),
                       QuotedStr(codigo) + QLatin1Char(',') + QuotedStr(cor))) {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(SqlCoresDisponiveis(codigo, cor));
        q.Open();
        QString ds;
        if (!q.isEmpty()) {
            q.first();
            ds = txt(q, "PAIT_DSCOR");
        }
        poe(itens, "DsCor", ds);
        estoque();
    } else {
        aviso(QStringLiteral("Cor Inválida."));
        poe(itens, "Cor", QString());
        poe(itens, "DsCor", QString());
        key = 0;
    }
    return e;
}

ItensPedido::Efeito ItensPedido::teclaTam(int &key, bool somenteLeitura)
{
    Efeito e;
    const QString produto = txt(itens, "Codigo");
    if (somenteLeitura
        || !soTab(key, e, produto.isEmpty() ? QString() : QStringLiteral("oPqTam"),
                  {QStringLiteral("SELECT DISTINCT PAIT_TAM "), QStringLiteral("FROM PA_ITEN"),
                   QStringLiteral("WHERE PAIT_CODI = ") + QuotedStr(produto),
                   QStringLiteral("AND PAIT_IDESGOTADO = ") + QuotedStr(QStringLiteral("N")),
                   QStringLiteral("AND PAIT_COR = ") + QuotedStr(txt(itens, "Cor"))},
                  false))
        return e;

    confirma();
    const QString codigo = txt(itens, "Codigo");
    if (!TextoAceito(QStringLiteral("Tam"), txt(itens, "Tam"), 4)) {
        poe(itens, "Tam", QString());
        key = 0;
        e.parar = true;
        return e;
    }
    if (!ExisteRegistro(QStringLiteral("PA_ITEN"), QStringLiteral("PAIT_CODI,PAIT_TAM"),
                        QuotedStr(codigo) + QLatin1Char(',') + QuotedStr(txt(itens, "Tam")))) {
        aviso(QStringLiteral("Tamanho Inválido."));
        poe(itens, "Tam", QString());
        key = 0;
        e.parar = true;
        return e;
    }
    precosDaFaixa(TotalProduto(itens, codigo));
    if (num(itens, "Preco") == 0)
        c.oSLCodigos << codigo;
    estoque();
    return e;
}

ItensPedido::Efeito ItensPedido::teclaQtde(int &key, bool somenteLeitura)
{
    Efeito e;
    if (key != kTab || somenteLeitura)
        return e;
    confirma();
    precosDaFaixa(TotalProduto(itens, txt(itens, "Codigo")));
    poe(itens, "Valor", num(itens, "Qtde") * num(itens, "Preco"));
    itens.post();
    return e;
}

// The two refusals of an item discount; true when one applied.
bool ItensPedido::descontoRecusado(int &key, Efeito &e)
{
    const double desconto = num(itens, "Desconto");
    if (desconto > 0 && c.condicao.trimmed().isEmpty()) {
        aviso(QStringLiteral("Antes de conceder Desconto do Item, deve-se informar a Condição de Pagamento"));
        e.focoCondicao = true;
    } else if (desconto > 0 && c.precos.nDescMax > 0 && desconto > c.precos.nDescMax) {
        aviso(QStringLiteral("Desconto do Item acima do permitido (Máx: ") + fmt::formatFloat(QStringLiteral("0.00"), c.precos.nDescMax)
              + QStringLiteral("%)"));
    } else {
        return false;
    }
    poe(itens, "Desconto", 0.0);
    itens.post();
    key = 0;
    e.parar = true;
    return true;
}

ItensPedido::Efeito ItensPedido::teclaPreco(int &key, bool somenteLeitura)
{
    Efeito e;
    if (key == kTab && !somenteLeitura) {
        confirma();
        const double precoOrig = num(itens, "PrecoOrig");
        const double preco = num(itens, "Preco");
        const double qtde = num(itens, "Qtde");
        if (fmt::round2(precoOrig) > 0) {
            const double d = 100 - preco / precoOrig * 100;
            if (d <= 0.01) {
                poe(itens, "Desconto", 0.0);
                poe(itens, "DescontoValor", 0.0);
            } else {
                if (num(itens, "Desconto") != fmt::round2(d))
                    poe(itens, "Desconto", fmt::round2(d));
                poe(itens, "DescontoValor", DescontoValorLinha(qtde, preco, precoOrig));
            }
        }
        // the value follows the typed price even when its discount is
        // refused, so the line and the totals never contradict each other
        poe(itens, "Valor", qtde * preco);
        if (descontoRecusado(key, e)) {
            e.parar = false;
            return e;
        }
        itens.post();
    }
    e.travaPreco = true;
    return e;
}

ItensPedido::Efeito ItensPedido::teclaDesconto(int &key, bool somenteLeitura)
{
    Efeito e;
    if ((key != kTab && key != kCima && key != kBaixo) || somenteLeitura)
        return e;
    confirma();
    const QString codigo = txt(itens, "Codigo");
    const double total = TotalProduto(itens, codigo);
    confirma();
    if (descontoRecusado(key, e))
        return e;
    const double desconto = num(itens, "Desconto");
    const double qtde = num(itens, "Qtde");
    if (desconto <= 0) {
        const double preco = PrecoLinha(m_fonte, codigo, c.tabela, txt(itens, "Tam"), total, c.precos.nTaxa);
        poe(itens, "Preco", preco);
        poe(itens, "DescontoValor", 0.0);
        poe(itens, "Valor", qtde * preco);
    } else {
        const double precoOrig = num(itens, "PrecoOrig");
        const double preco = PrecoDoDesconto(precoOrig, desconto);
        poe(itens, "Preco", preco);
        poe(itens, "DescontoValor", DescontoValorLinha(qtde, preco, precoOrig));
        poe(itens, "Valor", fmt::round2(qtde * preco));
    }
    itens.post();
    return e;
}

void ItensPedido::FechaPesquisaItem(const QString &nome, const std::function<QVariant(const QString &)> &valor)
{
    itens.postIfEditing();
    itens.edit();
    if (nome == QLatin1String("oPqProduto")) {
        poe(itens, "Codigo", valor(QStringLiteral("PROD_CODI")));
        poe(itens, "Colecao", valor(QStringLiteral("PROD_COLECAO")));
        if (c.TemLinha()) {
            poe(itens, "Linha", valor(QStringLiteral("PROD_LINHA")));
            poe(itens, "DescLinha", valor(QStringLiteral("PROD_DESCLINHA")));
        }
    } else if (nome == QLatin1String("oPqCor")) {
        poe(itens, "Cor", valor(QStringLiteral("PAIT_COR")));
    } else if (nome == QLatin1String("oPqTam")) {
        poe(itens, "Tam", valor(QStringLiteral("PAIT_TAM")));
    }
    itens.post();
}

void ItensPedido::ExcluiItem()
{
    if (itens.isEmpty()) {
        aviso(QStringLiteral("Nenhum item para excluir."));
        return;
    }
    if (!pergunta(QStringLiteral("Deseja excluir o item corrente?")))
        return;
    const QString codigo = txt(itens, "Codigo");
    itens.deleteRecord();
    c.oSLCodigos.removeOne(codigo);
    c.GeraTotais();
}

bool ItensPedido::PodeAbrirGradeGeral()
{
    DataSet l;
    l.cloneCursor(itens);
    for (l.first(); !l.eof(); l.next()) {
        if (txt(l, "Codigo").isEmpty() || txt(l, "Cor").isEmpty() || txt(l, "Tam").isEmpty()) {
            aviso(QStringLiteral("Existem Produtos sem Cor/Tam. Impossível abrir a Grade."));
            return false;
        }
    }
    return true;
}

bool ItensPedido::PrecoLiberado() const
{
    if (c.precos.digPreco)
        return true;
    return itens.active() && !itens.isEmpty() && c.oSLCodigos.contains(txt(itens, "Codigo"));
}

void ItensPedido::MontaTotalItem()
{
    const QHash<QString, double> totais = TotaisPorProduto(itens);
    DataSet l;
    l.cloneCursor(itens);
    if (c.FbDigColecao && c.FColecao.trimmed().isEmpty()) {
        l.first();
        if (!l.eof())
            c.FColecao = txt(l, "Colecao");
    }
    for (l.first(); !l.eof(); l.next()) {
        const QString codigo = txt(l, "Codigo");
        if (codigo.trimmed().isEmpty())
            continue;
        if (BuscaPrecoFaixa(codigo, c.tabela, txt(l, "Tam"), totais.value(codigo)) == 0)
            c.oSLCodigos << codigo;
    }
}

double ItensPedido::BuscaPrecoFaixa(const QString &produto, const QString &tabela, const QString &tam, double total)
{
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().SetText(SqlPrecoTamanho());
    q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(produto);
    q.ParamByName(QStringLiteral("TABELA"))->SetAsString(tabela);
    q.ParamByName(QStringLiteral("TAM"))->SetAsString(tam);
    q.Open();
    // only the first tier counts, read in ascending order of its maximum
    // whatever order the rows arrive in: a total that reaches it has no
    // price here, even when a later tier covers it, and the price is typed
    double maximo = 0;
    double preco = 0;
    bool primeira = true;
    for (q.first(); !q.eof(); q.next()) {
        const double m = num(q, "QTDMAXIMA"), p = num(q, "PRECO");
        if (primeira || m < maximo || (m == maximo && p < preco)) {
            maximo = m;
            preco = p;
            primeira = false;
        }
    }
    if (std::trunc(total) >= maximo)
        return 0;
    return preco * c.precos.nTaxa;
}

void ItensPedido::CarregaItens(DataSet &query)
{
    ligaEventos(false);
    CDSItensGrafico.emptyTable();
    try {
        CopiaItensPedido(query, itens);
    } catch (...) {
        ligaEventos(true);
        throw;
    }
    AtualizaGrafico();
    ligaEventos(true);
}

void ItensPedido::AtualizaGrafico()
{
    AtualizaGridDataEntrega();
    if (c.TemLinha()) {
        CDSItensGrafico.copyRowsFrom(itens);
    }
    if (aoAtualizarResumo)
        aoAtualizarResumo();
}

void ItensPedido::AtualizaGridDataEntrega()
{
    // read from the stored rows: the item table's cursor and edit stay put
    const int iData = itens.fieldIndex(QStringLiteral("DtEntrega"));
    const int iQtde = itens.fieldIndex(QStringLiteral("Qtde"));
    const int iValor = itens.fieldIndex(QStringLiteral("Valor"));
    QMap<QDate, std::pair<double, double>> porData; // equal dates make one row
    for (int r = 0; r < itens.recordCount(); ++r) {
        const QVariant d = itens.valueAt(r, iData);
        if (d.isNull() || !d.toDate().isValid())
            continue;
        auto &soma = porData[d.toDate()];
        soma.first += itens.valueAt(r, iQtde).toDouble();
        soma.second += itens.valueAt(r, iValor).toDouble();
    }
    std::vector<Row> linhas;
    for (auto i = porData.cbegin(); i != porData.cend(); ++i)
        linhas.push_back({i.key(), i.value().first, i.value().second});
    TbItensData.setRows(std::move(linhas));
    TbItensData.first();
}

std::vector<std::pair<QString, double>> ItensPedido::ValoresPorLinha() const
{
    std::vector<std::pair<QString, double>> r;
    const int iLinha = CDSItensGrafico.fieldIndex(QStringLiteral("DescLinha"));
    const int iValor = CDSItensGrafico.fieldIndex(QStringLiteral("Valor"));
    for (int i = 0; i < CDSItensGrafico.recordCount(); ++i) {
        const QString linha = CDSItensGrafico.valueAt(i, iLinha).toString();
        const double valor = CDSItensGrafico.valueAt(i, iValor).toDouble();
        auto it = std::find_if(r.begin(), r.end(), [&linha](const auto &p) { return p.first == linha; });
        if (it == r.end())
            r.emplace_back(linha, valor);
        else
            it->second += valor;
    }
    return r;
}
