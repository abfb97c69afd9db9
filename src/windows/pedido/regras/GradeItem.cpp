#include "windows/pedido/regras/GradeItem.h"

#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DialogService.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"
#include "windows/pedido/regras/PedidoControlador.h"
#include "windows/pedido/regras/RegrasPedido.h"

#include <cmath>
#include <limits>

using namespace pedido;
using fmt::floatToStr;
using fmt::formatFloat;
using fmt::round2;
using fmt::tryStrToFloat;

namespace {

const QString kEsgotado = QStringLiteral("Esgotado");
const QString kTotal = QStringLiteral("-999");

// A cell's text as a number; text that is not one counts 0.
double numeroCelula(const QString &texto)
{
    double v = 0;
    return tryStrToFloat(texto.trimmed(), v) ? v : 0;
}

QString textoNumero(double v) { return floatToStr(v); }

} // namespace

GradeItem::GradeItem(PedidoControlador &pedido, TDMRepres &dm) : c(pedido), m_dm(dm)
{
    TbItens.setFieldDefs(CamposItensPedido());
    TbItens.open();
    CDSProdutos.setFieldDefs(CamposItensPedido());
    CDSProdutos.open();
}

int GradeItem::linhaDe(const QString &cor) const
{
    for (size_t i = 0; i < linhas.size(); ++i)
        if (linhas[i].cdCor == cor && linhas[i].cdCor != kTotal)
            return int(i);
    return -1;
}

double GradeItem::precoCombo() const
{
    return faixaAtual >= 0 && faixaAtual < int(CDSPrecos.size()) ? CDSPrecos[size_t(faixaAtual)].preco : 0;
}

QString GradeItem::textoCombo(int i) const
{
    const Faixa &f = CDSPrecos[size_t(i)];
    return f.tam + QLatin1Char(';') + formatFloat(QStringLiteral("R$ #,##0.00"), f.preco);
}

QString GradeItem::DescricaoCor(const QString &cdCor, const QString &dsCor)
{
    const QString prefixo = cdCor.trimmed() + QStringLiteral(" - ");
    if (dsCor.startsWith(prefixo))
        return dsCor.mid(prefixo.size());
    const int p = dsCor.indexOf(QStringLiteral(" - "));
    return p >= 0 ? dsCor.mid(p + 3) : dsCor;
}

bool GradeItem::Carregavel(const QString &codigo, const QString &cor, const QString &tam) const
{
    if (codigo.trimmed().isEmpty() || cor.trimmed().isEmpty() || tam.trimmed().isEmpty())
        return false;
    return ExisteRegistro(QStringLiteral("PA_ITEN"), QStringLiteral("PAIT_CODI,PAIT_COR,PAIT_TAM"),
                          QuotedStr(codigo) + QLatin1Char(',') + QuotedStr(cor) + QLatin1Char(',') + QuotedStr(tam));
}

bool GradeItem::SaiCodigo(const QString &digitado)
{
    if (digitado.trimmed().isEmpty())
        return true;
    if (digitado != FCodigo)
        FDtEntrega = QDate();
    auto produto = [this](const QString &cod) {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(QStringLiteral("SELECT PROD_CODI, PROD_COLECAO, PROD_LINHA, PROD_DESCLINHA, PROD_DT_ENTREGA, "
                                       "PROD_DESC FROM PRODUTO WHERE PROD_CODI = :CODIGO"));
        q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(cod);
        q.Open();
        QVariantList r;
        if (!q.isEmpty()) {
            q.first();
            for (int i = 0; i < 6; ++i)
                r << q.field(i)->value();
        }
        return r;
    };
    QString cod = digitado;
    QVariantList p = produto(cod);
    if (p.isEmpty()) {
        cod = digitado.toUpper();
        p = produto(cod);
    }
    if (p.isEmpty()) {
        aviso(QStringLiteral("Produto Inválido."));
        return false;
    }
    if (!ExisteRegistro(QStringLiteral("TABPRE_PRODUTO"), QStringLiteral("PREC_PRODUTO,PREC_TABELA"),
                        QuotedStr(cod) + QLatin1Char(',') + QuotedStr(FTabelaPreco))) {
        aviso(QStringLiteral("Produto ") + digitado + QStringLiteral(" não pertence a Tabela de Preço ") + FTabelaPreco);
        return false;
    }
    FCodigo = cod;
    if (c.FbDigColecao && !FColecao.trimmed().isEmpty() && p[1].toString() != FColecao) {
        aviso(QStringLiteral("Coleção Inválida."));
        return false;
    }
    FCodLinha = p[2].toString();
    FDesLinha = p[3].toString();
    if (!FDtEntrega.isValid())
        FDtEntrega = p[4].toDate();
    if (FDtEntrega.isValid() && FDtEntrega < c.hoje())
        FDtEntrega = c.hoje();
    dataEntregaMostrada = FDtEntrega;
    CDSProdutos.emptyTable();
    CDSProdutos.copyRowsFrom(c.CDSItens);
    TbItens.emptyTable();
    CarregaProduto();
    return true;
}

void GradeItem::montaGradeProduto()
{
    tamanhos.clear();
    linhas.clear();
    CDSPrecos.clear();
    {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(SqlTamanhosProduto());
        q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(FCodigo);
        q.Open();
        for (q.first(); !q.eof(); q.next())
            tamanhos << txt(q, "TAM");
        if (!m_dm.VerPosicaoTam(FCodigo))
            OrdenaTamanhos(tamanhos);
    }
    {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(SqlPrecosTamanhos());
        q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(FCodigo);
        q.ParamByName(QStringLiteral("TABELA"))->SetAsString(FTabelaPreco);
        q.Open();
        for (q.first(); !q.eof(); q.next())
            CDSPrecos.insert(CDSPrecos.begin(), Faixa{txt(q, "TAM"), int(num(q, "QTDMAXIMA")), num(q, "PRECO")});
    }
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().SetText(SqlCorTamanhoPreco(false));
    q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(FCodigo);
    q.ParamByName(QStringLiteral("TABELA"))->SetAsString(FTabelaPreco);
    q.Open();
    for (q.first(); !q.eof(); q.next()) {
        const QString cor = txt(q, "COR");
        if (linhas.empty() || linhas.back().cdCor != cor) {
            LinhaCor l;
            l.cdCor = cor;
            l.dsCor = txt(q, "DSCOR");
            for (int i = 0; i < tamanhos.size(); ++i)
                l.celulas << QString();
            linhas.push_back(l);
        }
        const int col = colunaDe(txt(q, "TAM"));
        if (txt(q, "ESGOTADO") == QLatin1String("S") && col >= 0)
            linhas.back().celulas[col] = kEsgotado;
    }
    if (!linhas.empty()) {
        LinhaCor t;
        t.cdCor = kTotal;
        t.dsCor = QStringLiteral("TOTAL");
        for (int i = 0; i < tamanhos.size(); ++i)
            t.celulas << QString();
        linhas.push_back(t);
    }
    faixaAtual = CDSPrecos.empty() ? -1 : 0;
}

void GradeItem::acumulaQuantidade(const QString &cor, double qtde, const QString &tam)
{
    const int l = linhaDe(cor);
    const int col = colunaDe(tam);
    if (l < 0 || col < 0 || !temTotal())
        return;
    linhas[size_t(l)].celulas[col] = textoNumero(qtde);
    linhas[size_t(l)].total += qtde;
    LinhaCor &t = linhas.back();
    t.celulas[col] = textoNumero(numeroCelula(t.celulas[col]) + qtde);
    t.total += qtde;
}

void GradeItem::CarregaProduto()
{
    qtdItem = totValor = 0;
    if (!m_dm.CoresOK(FCodigo)) {
        tamanhos.clear();
        linhas.clear();
        CDSPrecos.clear();
        faixaAtual = -1;
        aviso(QStringLiteral("Item com cores esgotadas."));
        return;
    }
    montaGradeProduto();
    {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(QStringLiteral("SELECT PROD_DESC FROM PRODUTO WHERE PROD_CODI = :CODIGO"));
        q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(FCodigo);
        q.Open();
        descricao = q.isEmpty() ? QString() : (q.first(), txt(q, "PROD_DESC"));
    }
    for (CDSProdutos.first(); !CDSProdutos.eof(); CDSProdutos.next()) {
        const QString cod = txt(CDSProdutos, "Codigo");
        if (cod != FCodigo || !Carregavel(cod, txt(CDSProdutos, "Cor"), txt(CDSProdutos, "Tam")))
            continue;
        TbItens.append();
        for (int i = 0; i < TbItens.fieldCount(); ++i)
            TbItens.field(i)->setValue(CDSProdutos.field(i)->value());
        TbItens.post();
        acumulaQuantidade(txt(CDSProdutos, "Cor"), num(CDSProdutos, "Qtde"), txt(CDSProdutos, "Tam"));
        qtdItem += num(CDSProdutos, "Qtde");
        totValor += num(CDSProdutos, "Valor");
    }
}

double GradeItem::BuscaPreco(const QString &tam, double total)
{
    if (CDSPrecos.empty())
        return 0;
    const Faixa *melhor = nullptr;
    for (const Faixa &f : CDSPrecos)
        if (f.tam == tam && f.qtMaxima >= total && (!melhor || f.qtMaxima < melhor->qtMaxima))
            melhor = &f;
    SelecionaPrecoTamanho(tam);
    return melhor ? round2(melhor->preco * c.precos.nTaxa) : 0;
}

void GradeItem::SelecionaPrecoTamanho(const QString &tam)
{
    for (size_t i = 0; i < CDSPrecos.size(); ++i)
        if (CDSPrecos[i].tam == tam) {
            faixaAtual = int(i);
            return;
        }
}

bool GradeItem::achaLinha(const QString &cor, const QString &tam)
{
    return TbItens.locate({QStringLiteral("Codigo"), QStringLiteral("Cor"), QStringLiteral("Tam")},
                          {FCodigo, cor, tam});
}

void GradeItem::ValidaQuantidadeCelula(int linha, int coluna, const QString &valor)
{
    if (valor.isEmpty() || linha < 0 || linha >= int(linhas.size()) || coluna < 0 || coluna >= tamanhos.size())
        return;
    LinhaCor &l = linhas[size_t(linha)];
    if (l.cdCor == kTotal || l.celulas[coluna] == kEsgotado)
        return; // the total row and sold-out cells take nothing
    const QString tam = tamanhos[coluna];
    const double q = numeroCelula(valor);
    double antes = 0;
    if (q != 0) {
        if (achaLinha(l.cdCor, tam)) {
            TbItens.edit();
            if (num(TbItens, "Preco") == 0 && precoCombo() > 0)
                poe(TbItens, "Preco", precoCombo());
            antes = num(TbItens, "Qtde");
        } else {
            const int item = TbItens.recordCount() + 1;
            TbItens.append();
            poe(TbItens, "Item", item);
            poe(TbItens, "Codigo", FCodigo);
            poe(TbItens, "Descricao", descricao);
            poe(TbItens, "Cor", l.cdCor);
            poe(TbItens, "DsCor", DescricaoCor(l.cdCor, l.dsCor));
            poe(TbItens, "Tam", tam);
            poe(TbItens, "Desconto", 0.0);
            poe(TbItens, "Preco", precoCombo() > 0 ? precoCombo() : 0.0);
            if (precoCombo() > 0)
                poe(TbItens, "PrecoOrig", precoCombo());
            poe(TbItens, "DtEntrega", FDtEntrega.isValid() ? QVariant(FDtEntrega) : QVariant());
            QString bloq;
            const int est = m_dm.BuscaQtdeEstoque(FNumeroPedido, FCodigo, l.cdCor, tam, bloq);
            poe(TbItens, "QtdeEst", est);
            poe(TbItens, "BloqueiaEst", bloq);
        }
        poe(TbItens, "Qtde", q);
        poe(TbItens, "Valor", q * num(TbItens, "Preco"));
        poe(TbItens, "Linha", FCodLinha);
        poe(TbItens, "DescLinha", FDesLinha);
        TbItens.post();
        l.celulas[coluna] = textoNumero(q);
        if (c.precos.nTaxa > 0) {
            // the product total picks the tier: every line whose price was
            // not typed follows it, not only the one just changed
            const double total = TotalProduto(TbItens, FCodigo);
            const QVariant atual = TbItens.fieldByName(QStringLiteral("Item"))->value();
            for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
                const bool esta = txt(TbItens, "Cor") == l.cdCor && txt(TbItens, "Tam") == tam;
                if (txt(TbItens, "Codigo") != FCodigo || (!esta && num(TbItens, "Desconto") != 0))
                    continue;
                const double preco = BuscaPreco(txt(TbItens, "Tam"), total);
                // a line already at its price is not posted again: every post re-sorts the table
                if (num(TbItens, "Preco") == preco && num(TbItens, "PrecoOrig") == preco
                    && num(TbItens, "Valor") == num(TbItens, "Qtde") * preco
                    && (round2(preco) <= 0 || (num(TbItens, "Desconto") == 0 && num(TbItens, "DescontoValor") == 0)))
                    continue;
                TbItens.edit();
                poe(TbItens, "Preco", preco);
                poe(TbItens, "PrecoOrig", preco);
                if (round2(preco) > 0) {
                    poe(TbItens, "Desconto", 0.0);
                    poe(TbItens, "DescontoValor", 0.0);
                }
                poe(TbItens, "Valor", num(TbItens, "Qtde") * preco);
                TbItens.post();
            }
            TbItens.locate({QStringLiteral("Item")}, {atual});
            SelecionaPrecoTamanho(tam);
        }
    } else {
        if (achaLinha(l.cdCor, tam)) {
            antes = num(TbItens, "Qtde");
            TbItens.deleteRecord();
        }
        l.celulas[coluna] = textoNumero(0);
    }
    l.total = 0;
    for (const QString &cel : l.celulas)
        l.total += numeroCelula(cel);
    atualizaLinhaTotal(coluna, antes, q);
    TbItens.setIndexFieldNames(QStringLiteral("Tam"));
}

void GradeItem::atualizaLinhaTotal(int coluna, double antes, double depois)
{
    if (!temTotal())
        return;
    LinhaCor &t = linhas.back();
    t.celulas[coluna] = textoNumero(numeroCelula(t.celulas[coluna]) + depois - antes);
    t.total += depois - antes;
    atualizaTotaisItens();
}

void GradeItem::atualizaTotaisItens()
{
    qtdItem = temTotal() ? linhas.back().total : 0;
    totValor = 0;
    for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
        if (txt(TbItens, "Codigo") != FCodigo)
            continue;
        const double valor = num(TbItens, "Qtde") * num(TbItens, "Preco");
        totValor += valor;
        if (num(TbItens, "Valor") == valor)
            continue; // unchanged: no post, which would re-sort the table
        TbItens.edit();
        poe(TbItens, "Valor", valor);
        TbItens.post();
    }
}

void GradeItem::recalculaLinha()
{
    const double preco = num(TbItens, "Preco");
    const double orig = num(TbItens, "PrecoOrig");
    TbItens.edit();
    if (round2(orig) > 0) {
        const double d = 100 - preco / orig * 100;
        if (d <= 0.01) {
            poe(TbItens, "Desconto", 0.0);
            poe(TbItens, "DescontoValor", 0.0);
        } else {
            poe(TbItens, "Desconto", round2(d));
            poe(TbItens, "DescontoValor", round2(num(TbItens, "Qtde") * orig - num(TbItens, "Qtde") * preco));
        }
    }
    poe(TbItens, "Valor", num(TbItens, "Qtde") * preco);
    TbItens.post();
}

void GradeItem::SaiPreco()
{
    if (TbItens.isEmpty())
        return;
    TbItens.postIfEditing();
    recalculaLinha();
    totValor = 0;
    for (TbItens.first(); !TbItens.eof(); TbItens.next())
        totValor += num(TbItens, "Valor");
}

bool GradeItem::PodeAplicarTodos() const { return c.precos.digPreco || precoCombo() == 0; }

void GradeItem::AplicarTodos()
{
    TbItens.postIfEditing();
    if (TbItens.isEmpty())
        return;
    TbItens.first();
    const double preco = num(TbItens, "Preco");
    qtdItem = totValor = 0;
    for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
        TbItens.edit();
        poe(TbItens, "Preco", preco);
        TbItens.post();
        recalculaLinha();
        qtdItem += num(TbItens, "Qtde");
        totValor += num(TbItens, "Valor");
    }
}

bool GradeItem::EdtEntregaExit(const QDate &data)
{
    FDtEntrega = data;
    QDate produto;
    {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(QStringLiteral("SELECT PROD_DT_ENTREGA FROM PRODUTO WHERE PROD_CODI = :CODIGO"));
        q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(FCodigo);
        q.Open();
        if (!q.isEmpty()) {
            q.first();
            produto = q.field(0)->asDate();
        }
    }
    QDate de, ate;
    {
        TXRQuery q;
        q.SetDatabase(m_dm.XRDtRepres);
        q.SQL().SetText(SqlPeriodoEntrega());
        q.Open();
        if (!q.isEmpty()) {
            q.first();
            de = q.field(0)->asDate();
            ate = q.field(1)->asDate();
        }
    }
    const bool ok = (FDtEntrega.isValid() && de.isValid() && ate.isValid() && de <= FDtEntrega && FDtEntrega <= ate
                     && (!produto.isValid() || FDtEntrega >= produto))
                    || (!produto.isValid() && !FDtEntrega.isValid());
    if (!ok) {
        aviso(QStringLiteral("Data de entrega fora do perído definido."));
        dataEntregaMostrada = produto;
        return false;
    }
    dataEntregaMostrada = FDtEntrega;
    for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
        TbItens.edit();
        poe(TbItens, "DtEntrega", FDtEntrega.isValid() ? QVariant(FDtEntrega) : QVariant());
        TbItens.post();
    }
    TbItens.first();
    return true;
}

bool GradeItem::Confirmar()
{
    TbItens.postIfEditing();
    if (!EdtEntregaExit(dataEntregaMostrada))
        return false;
    bool excesso = false;
    for (TbItens.first(); !TbItens.eof(); TbItens.next())
        excesso = excesso || (FQtdeMaxGrade > 0 && num(TbItens, "Qtde") > FQtdeMaxGrade);
    for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
        if (txt(TbItens, "BloqueiaEst") == QLatin1String("S") && num(TbItens, "Qtde") > num(TbItens, "QtdeEst")) {
            aviso(QStringLiteral("Item com estoque insuficiente.\r\n\r\nCódigo: ") + txt(TbItens, "Codigo")
                  + QStringLiteral("\r\nCor: ") + txt(TbItens, "Cor") + QStringLiteral("\r\nTam: ")
                  + txt(TbItens, "Tam") + QStringLiteral("\r\n\r\nQtde Item: ") + floatToStr(num(TbItens, "Qtde"))
                  + QStringLiteral("\r\nQtde Estoque: ") + floatToStr(num(TbItens, "QtdeEst")));
            return false;
        }
    }
    if (excesso && !pergunta(QStringLiteral("Existem quantidades superiores a ") + floatToStr(FQtdeMaxGrade)
                             + QStringLiteral(".\r\n\r\nDeseja Continuar?")))
        return false;

    DataSet copia;
    copia.setFieldDefs(CamposItensPedido());
    copia.open();
    DataSet &itens = c.CDSItens;
    itens.postIfEditing();
    // lines of this product the window could not show stay as they were;
    // an untouched line (no code) goes as before
    for (itens.first(); !itens.eof(); itens.next()) {
        const QString cod = txt(itens, "Codigo");
        if (cod.trimmed().isEmpty() || (cod == FCodigo && Carregavel(cod, txt(itens, "Cor"), txt(itens, "Tam"))))
            continue;
        copia.append();
        for (int i = 0; i < copia.fieldCount(); ++i)
            copia.field(i)->setValue(itens.field(i)->value());
        copia.post();
    }
    if (c.FbDigColecao && FColecao.trimmed().isEmpty() && !TbItens.isEmpty()) {
        TbItens.first();
        FColecao = BuscaValorCampo(QStringLiteral("PROD_COLECAO"), QStringLiteral("PRODUTO"),
                                   QStringLiteral("PROD_CODI"), txt(TbItens, "Codigo"))
                       .toString();
    }
    for (TbItens.first(); !TbItens.eof(); TbItens.next()) {
        if (txt(TbItens, "Codigo").trimmed().isEmpty() || txt(TbItens, "Cor").trimmed().isEmpty())
            continue;
        copia.append();
        for (int i = 0; i < copia.fieldCount(); ++i)
            copia.field(i)->setValue(TbItens.field(i)->value());
        copia.post();
    }
    copia.setIndexFieldNames(QStringLiteral("Codigo"));
    itens.setIndexFieldNames(QString());
    itens.emptyTable();
    for (copia.first(); !copia.eof(); copia.next()) {
        itens.append();
        for (int i = 0; i < itens.fieldCount(); ++i)
            itens.field(i)->setValue(copia.field(i)->value());
        itens.post();
    }
    if (itens.isEmpty())
        FColecao.clear();
    c.FColecao = FColecao;
    GeraTotais();
    return true;
}

void GradeItem::GeraTotais() { c.GeraTotais(); }

void GradeItem::escreve(int linha, int coluna, double q) { ValidaQuantidadeCelula(linha, coluna, textoNumero(q)); }

void GradeItem::ZeraGrade()
{
    for (size_t l = 0; l < linhas.size(); ++l) {
        if (linhas[l].cdCor == kTotal || linhas[l].total == 0)
            continue;
        for (int col = 0; col < tamanhos.size(); ++col) {
            const QString cel = linhas[l].celulas[col];
            if (cel.isEmpty() || cel == kEsgotado)
                continue;
            escreve(int(l), col, 0);
            linhas[l].celulas[col].clear();
        }
        linhas[l].total = 0;
    }
    if (temTotal())
        for (QString &cel : linhas.back().celulas)
            cel.clear();
}

void GradeItem::Sortir()
{
    QString resposta = QStringLiteral("0");
    if (!dialogs().inputQuery(QStringLiteral("Quantidade a sortir"), QStringLiteral("Quantidade:"), resposta))
        return;
    const double n = numeroCelula(resposta);
    if (n == 0)
        return;
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().SetText(QStringLiteral(
        "SELECT PA_ITEN.PAIT_COR AS COR, PA_ITEN.PAIT_TAM AS TAM, SUM(PED_ITEN.PEDIT_QTDE) AS QTDE "
        "FROM PA_ITEN PA_ITEN "
        "LEFT JOIN PED_ITEN PED_ITEN ON (PED_ITEN.PEDIT_CODI = PA_ITEN.PAIT_CODI) AND (PED_ITEN.PEDIT_COR  = "
        "PA_ITEN.PAIT_COR)  AND (PED_ITEN.PEDIT_TAM  = PA_ITEN.PAIT_TAM) "
        "WHERE PA_ITEN.PAIT_CODI = :PRODUTO "
        "GROUP BY PA_ITEN.PAIT_COR, PA_ITEN.PAIT_TAM "
        "ORDER BY 3, 1, 2"));
    q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(FCodigo);
    q.Open();
    if (q.isEmpty())
        return;
    ZeraGrade();
    std::vector<std::pair<int, int>> celulas; // writable cells in list order
    for (q.first(); !q.eof(); q.next()) {
        const int l = linhaDe(txt(q, "COR"));
        const int col = colunaDe(txt(q, "TAM"));
        if (l >= 0 && col >= 0 && linhas[size_t(l)].celulas[col] != kEsgotado)
            celulas.emplace_back(l, col);
    }
    if (celulas.empty())
        return; // a pass would place nothing
    const long long pecas = static_cast<long long>(std::floor(n));
    for (long long posto = 1; posto <= pecas; ++posto) {
        const auto [l, col] = celulas[size_t((posto - 1) % static_cast<long long>(celulas.size()))];
        escreve(l, col, numeroCelula(linhas[size_t(l)].celulas[col]) + 1);
    }
}

void GradeItem::SortirProporcoes()
{
    QString resposta = QStringLiteral("0");
    if (!dialogs().inputQuery(QStringLiteral("Quantidade a sortir"), QStringLiteral("Quantidade:"), resposta))
        return;
    bool inteiro = false;
    const int n = resposta.trimmed().toInt(&inteiro);
    if (!inteiro || n <= 0)
        return;
    QStringList cores;
    for (const LinhaCor &l : linhas)
        if (l.cdCor != kTotal && l.sel == QLatin1String("S"))
            cores << QuotedStr(l.cdCor);
    if (cores.isEmpty()) {
        aviso(QStringLiteral("Selecione alguma cor para sortir."));
        return;
    }
    TXRQuery q;
    q.SetDatabase(m_dm.XRDtRepres);
    q.SQL().SetText(QStringLiteral("SELECT ORDEM, COR, TAM FROM PRODUTO_ORDEM WHERE COD_PAITEM = :PRODUTO AND COR IN (")
                    + cores.join(QLatin1Char(',')) + QStringLiteral(") ORDER BY ORDEM DESC"));
    q.ParamByName(QStringLiteral("PRODUTO"))->SetAsString(FCodigo);
    q.Open();
    if (q.isEmpty()) {
        aviso(QStringLiteral("Core(s) sem ordem de sortimento configurado."));
        return;
    }
    ZeraGrade();
    CarregaProporcoes(n, q);
    for (LinhaCor &l : linhas)
        if (l.cdCor != kTotal)
            l.sel = QStringLiteral("N");
}

void GradeItem::CarregaProporcoes(int n, DataSet &proporcoes)
{
    int posto = 0;
    while (posto < n) {
        int nestaVolta = 0;
        for (proporcoes.first(); !proporcoes.eof() && posto < n; proporcoes.next()) {
            const int l = linhaDe(txt(proporcoes, "COR"));
            const int col = colunaDe(txt(proporcoes, "TAM"));
            const int ordem = proporcoes.fieldByName(QStringLiteral("ORDEM"))->asInteger();
            if (l < 0 || col < 0 || ordem <= 0 || linhas[size_t(l)].celulas[col] == kEsgotado)
                continue;
            const int k = std::min(ordem, n - posto);
            escreve(l, col, int(numeroCelula(linhas[size_t(l)].celulas[col])) + k);
            posto += k;
            nestaVolta += k;
        }
        if (nestaVolta == 0)
            break; // nothing writable: the pieces placed so far stay
    }
}
