#include "windows/pedido/regras/RegrasPedido.h"

#include "data/untDMRepres.h"
#include "platform/DataSet.h"
#include "platform/Formats.h"
#include "windows/pedido/regras/CamposPedido.h"

#include <QScopeGuard>

#include <algorithm>
#include <stdexcept>

const QString TituloPedido = QStringLiteral("Cadastro de Pedidos");

using namespace pedido;

namespace {

QString msgAcimaPermitido(double nDescMax)
{
    return QStringLiteral("Desconto do Pedido acima do permitido (máx: ") + fmt::formatFloat(QStringLiteral("0.00"), nDescMax) +
           QStringLiteral("%)");
}

// New money values of one line; applied only once every line passed.
struct NovaLinha {
    double preco, precoOrig, valor, desconto, descontoValor;
};

NovaLinha linhaAtual(DataSet &ds)
{
    return {num(ds, "Preco"), num(ds, "PrecoOrig"), num(ds, "Valor"), num(ds, "Desconto"), num(ds, "DescontoValor")};
}

void aplicaLinhas(DataSet &itens, const std::vector<NovaLinha> &novas)
{
    const LinhasEmLote lote(itens);
    const int pos = itens.recNo();
    size_t i = 0;
    for (itens.first(); !itens.eof() && i < novas.size(); itens.next(), ++i) {
        const NovaLinha &n = novas[i];
        itens.edit();
        poe(itens, "Preco", n.preco);
        poe(itens, "PrecoOrig", n.precoOrig);
        poe(itens, "Valor", n.valor);
        poe(itens, "Desconto", n.desconto);
        poe(itens, "DescontoValor", n.descontoValor);
        itens.post();
    }
    if (pos > 0)
        itens.setRecNo(pos);
}

bool lePercentual(const QString &campo, double &d)
{
    // The joined text reads an empty field as 0 and a sign as garbage.
    return fmt::tryStrToFloat(QStringLiteral("0") + campo, d) && d >= 0 && d < 100;
}

} // namespace

std::vector<FieldDef> CamposItensPedido()
{
    using T = FieldType;
    return {
        {QStringLiteral("Codigo"), T::String, 15},   {QStringLiteral("Descricao"), T::String, 100},
        {QStringLiteral("Cor"), T::String, 6},       {QStringLiteral("DsCor"), T::String, 80},
        {QStringLiteral("Tam"), T::String, 4},       {QStringLiteral("Qtde"), T::Float},
        {QStringLiteral("Preco"), T::Float},         {QStringLiteral("Valor"), T::Float},
        {QStringLiteral("Tipo"), T::String, 1},      {QStringLiteral("Item"), T::Integer},
        {QStringLiteral("Colecao"), T::String, 4},   {QStringLiteral("Desconto"), T::Float},
        {QStringLiteral("DescontoValor"), T::Float}, {QStringLiteral("PrecoOrig"), T::Float},
        {QStringLiteral("Linha"), T::String, 5},     {QStringLiteral("DescLinha"), T::String, 50},
        {QStringLiteral("DtEntrega"), T::Date},      {QStringLiteral("QtdeEst"), T::Integer},
        {QStringLiteral("BloqueiaEst"), T::String, 1},
    };
}

void CopiaItensPedido(DataSet &query, DataSet &itens)
{
    // grids showing the lines refresh once, not per appended line
    itens.disableControls();
    const auto religa = qScopeGuard([&itens] { itens.enableControls(); });
    itens.emptyTable();
    // a field stands for its column whatever the row: each is looked up once
    auto de = [&query](const char *campo) -> Field * { return query.findField(QLatin1String(campo)); };
    auto para = [&itens](const char *campo) { return itens.fieldByName(QLatin1String(campo)); };
    auto valor = [](Field *f) { return f ? f->value() : QVariant(); };
    auto real = [](Field *f) { return f && !f->isNull() ? f->asFloat() : 0.0; };
    Field *const qtdeDe = de("PEDIT_QTDE"), *const precoDe = de("PEDIT_PREC"), *const precoOriDe = de("PEDIT_PREC_ORI"),
                 *const entregaDe = de("PEDIT_DT_ENTREGA"), *const estoqueDe = de("PAIT_QTDE");
    const std::pair<Field *, Field *> copias[] = {
        {de("PEDIT_ITEM"), para("Item")},         {de("PEDIT_CODI"), para("Codigo")},
        {de("PROD_DESC"), para("Descricao")},     {de("PEDIT_COR"), para("Cor")},
        {de("PEDIT_TAM"), para("Tam")},           {de("PEDIT_TIPO"), para("Tipo")},
        {de("PAIT_DSCOR"), para("DsCor")},        {de("PROD_COLECAO"), para("Colecao")},
        {de("PROD_LINHA"), para("Linha")},        {de("PROD_DESCLINHA"), para("DescLinha")},
        {de("PAIT_BLOQUEIA_EST"), para("BloqueiaEst")},
    };
    Field *const qtde = para("Qtde"), *const precoOrig = para("PrecoOrig"), *const precoPara = para("Preco"),
                 *const valorPara = para("Valor"), *const entrega = para("DtEntrega"), *const desconto = para("Desconto"),
                 *const descontoValor = para("DescontoValor"), *const estoque = para("QtdeEst");
    for (query.first(); !query.eof(); query.next()) {
        const double q = real(qtdeDe);
        const double preco = real(precoDe);
        const double precoOri = real(precoOriDe);
        itens.append();
        for (const auto &[origem, destino] : copias)
            destino->setValue(valor(origem));
        qtde->setAsFloat(q);
        precoOrig->setAsFloat(precoOri != 0 ? precoOri : preco);
        precoPara->setAsFloat(preco);
        valorPara->setAsFloat(preco * q);
        if (entregaDe && !entregaDe->isNull())
            entrega->setValue(entregaDe->asDate());
        desconto->setAsFloat(0);
        descontoValor->setAsFloat(0);
        const double d = fmt::round2(100 - (precoOri != 0 ? preco / precoOri * 100 : 100));
        if (fmt::round2(precoOri) > 0 && d > 0) {
            desconto->setAsFloat(d);
            descontoValor->setAsFloat(fmt::round2(precoOri * q - preco * q));
        }
        estoque->setAsInteger(std::max(0, qRound(real(estoqueDe))));
        itens.post();
    }
    itens.first();
}

double CalculaTaxa(int pnParcelas, int pnDiasInter, int pnPrzInicial, double pnTaxa)
{
    const double prazoMedio = double(2 * pnPrzInicial + (pnParcelas - 1) * pnDiasInter) / 2.0;
    const double taxaDia = pnTaxa / 30.0 * 0.01;
    return fmt::round2(prazoMedio * taxaDia + 1);
}

double DescontoUnificado(const QString &sDescontos)
{
    QString s = sDescontos + QLatin1Char('+');
    double resto = 100;
    while (s.contains(QLatin1Char('+')) && s.size() > 1) {
        const int i = s.indexOf(QLatin1Char('+'));
        const double d = fmt::strToFloat(s.left(i).trimmed());
        resto -= resto / 100 * d;
        s.remove(0, i + 1);
    }
    return fmt::round2(100 - resto);
}

FontePrecos FontePrecosDe(TDMRepres &dm)
{
    FontePrecos f;
    f.preco = [&dm](const QString &c, const QString &t, const QString &tam, double q) {
        return dm.BuscaPreco(c, t, tam, q);
    };
    f.precoOri = [&dm](const QString &c, const QString &t, const QString &tam, double q, double p) {
        return dm.BuscaPrecoOri(c, t, tam, q, p);
    };
    return f;
}

double DescontoDosPrecos(double preco, double precoOrig)
{
    if (fmt::round2(precoOrig) <= 0)
        return 0;
    const double d = 100 - preco / precoOrig * 100;
    return d <= 0.01 ? 0 : fmt::round2(d);
}

double DescontoValorLinha(double qtde, double preco, double precoOrig)
{
    return fmt::round2(qtde * precoOrig - qtde * preco);
}

double PrecoDoDesconto(double precoOrig, double desconto)
{
    return fmt::round2(precoOrig - precoOrig / 100 * desconto);
}

double PrecoLinha(const FontePrecos &f, const QString &codigo, const QString &tabela, const QString &tam,
                  double totalProduto, double nTaxa)
{
    return fmt::round2(f.preco(codigo, tabela, tam, totalProduto) * nTaxa);
}

double PrecoOrigLinha(const FontePrecos &f, const QString &codigo, const QString &tabela, const QString &tam,
                      double qtde, double preco, double nTaxa)
{
    // without a list price the line's price (which already carries the
    // factor) stands; factoring it again would invent a discount
    const double lista = f.precoOri(codigo, tabela, tam, qtde, 0);
    return lista > 0 ? fmt::round2(lista * nTaxa) : preco;
}

double TotalProduto(DataSet &itens, const QString &codigo)
{
    DataSet c;
    c.cloneCursor(itens);
    double total = 0;
    for (c.first(); !c.eof(); c.next())
        if (txt(c, "Codigo") == codigo)
            total += num(c, "Qtde");
    return total;
}

QHash<QString, double> TotaisPorProduto(DataSet &itens)
{
    DataSet c;
    c.cloneCursor(itens);
    QHash<QString, double> totais;
    for (c.first(); !c.eof(); c.next())
        totais[txt(c, "Codigo")] += num(c, "Qtde");
    return totais;
}

TotaisPedido GeraTotais(DataSet &itens, double descontoPedido)
{
    TotaisPedido t;
    if (itens.active()) {
        DataSet c;
        c.cloneCursor(itens);
        for (c.first(); !c.eof(); c.next()) {
            const double qtde = num(c, "Qtde");
            t.qtde += qtde;
            t.bruto += qtde * num(c, "PrecoOrig");
            t.liquido += fmt::round2(num(c, "Valor"));
            t.desconto += fmt::round2(num(c, "DescontoValor"));
        }
    }
    if (descontoPedido > 0) {
        const double o = fmt::round2(t.liquido * 0.01 * descontoPedido);
        t.desconto += o;
        t.liquido -= o;
    }
    return t;
}

void DescontosPedido::zera()
{
    for (QString &c : campos)
        c = QStringLiteral("0");
    unificado = 0;
}

QString DescontosPedido::texto() const
{
    return QStringLiteral("0") + campos[0] + QStringLiteral("+0") + campos[1] + QStringLiteral("+0") + campos[2] +
           QStringLiteral("+0") + campos[3];
}

ResultadoDesconto CalculaDesconto(DescontosPedido &d, bool condicaoVazia, double nDescMax, const QString &fCampo)
{
    using Foco = ResultadoDesconto::Foco;
    ResultadoDesconto r;
    const int campo = fCampo.toInt();

    // A negative or 100 % discount would give a net value of zero or below.
    for (int i = 0; i < 4; ++i) {
        double v = 0;
        if (!lePercentual(d.campos[size_t(i)], v)) {
            aviso(QStringLiteral("Desconto inválido. Informe um valor entre 0 e 99,99."));
            d.campos[size_t(i)] = QStringLiteral("0");
            d.unificado = std::max(0.0, DescontoUnificado(d.texto()));
            r.aceito = false;
            r.foco = Foco::Campo;
            r.campo = i + 1;
            return r;
        }
    }

    d.unificado = DescontoUnificado(d.texto());
    if (d.unificado > 0 && condicaoVazia) {
        aviso(QStringLiteral("Antes de conceder Desconto do Pedido, deve-se informar a Condição de Pagamento"));
        d.zera();
        r.aceito = false;
        r.foco = Foco::Condicao;
        return r;
    }
    if (nDescMax <= 0 || d.unificado <= nDescMax)
        return r;

    aviso(msgAcimaPermitido(nDescMax));
    r.aceito = false;
    if (campo >= 1 && campo <= 4) {
        d.campos[size_t(campo - 1)] = QStringLiteral("0");
        r.foco = Foco::Campo;
        r.campo = campo;
    } else {
        r.foco = Foco::Unificado;
    }
    d.unificado = std::max(0.0, DescontoUnificado(d.texto()));
    return r;
}

bool AplicaCondicao(PrecosPedido &p, DescontosPedido &d, DataSet &itens, const FontePrecos &f,
                    const CondicaoPreco &c)
{
    const double taxa = CalculaTaxa(c.parcelas, c.diasIntervalo, c.prazoInicial, c.taxa);
    if (taxa != p.nTaxa && !p.digPreco && itens.active() && !itens.isEmpty()) {
        itens.postIfEditing();
        std::vector<NovaLinha> novas;
        const QHash<QString, double> totais = TotaisPorProduto(itens);
        DataSet l;
        l.cloneCursor(itens);
        for (l.first(); !l.eof(); l.next()) {
            NovaLinha n = linhaAtual(l);
            const QString codigo = txt(l, "Codigo");
            const QString tam = txt(l, "Tam");
            const double total = totais.value(codigo);
            const double preco = PrecoLinha(f, codigo, p.tabela, tam, total, taxa);
            if (preco > 0) {
                n.preco = preco;
                n.precoOrig = PrecoOrigLinha(f, codigo, p.tabela, tam, total, preco, taxa);
            }
            const double qtde = num(l, "Qtde");
            n.valor = qtde * n.preco;
            if (n.desconto > 0 && fmt::round2(n.precoOrig) > 0) {
                const double dp = DescontoDosPrecos(n.preco, n.precoOrig);
                if (dp == 0) {
                    n.desconto = 0;
                    n.descontoValor = 0;
                } else if (dp != n.desconto) {
                    n.desconto = dp;
                    n.descontoValor = DescontoValorLinha(qtde, n.preco, n.precoOrig);
                }
            }
            // an amount never outlives its discount
            if (n.desconto <= 0)
                n.descontoValor = 0;
            // The new condition's limit is the one the order will be held to.
            if (n.desconto > 0 && c.descMax > 0 && n.desconto > c.descMax) {
                aviso(msgAcimaPermitido(c.descMax));
                return false;
            }
            novas.push_back(n);
        }
        aplicaLinhas(itens, novas);
    }
    p.nTaxa = taxa;
    p.nDescMax = c.descMax;
    if (p.nDescMax != 0 && d.unificado > p.nDescMax) {
        aviso(QStringLiteral("Desconto do Pedido maior que Desconto máximo da Condição (máx: ") +
              fmt::formatFloat(QStringLiteral("0.00"), p.nDescMax) + QStringLiteral("%)") + QLatin1Char('\r') +
              QStringLiteral("Desconto do Pedido será zerado"));
        d.zera();
    }
    return true;
}

bool RecalculaItensGravacao(const PrecosPedido &p, DataSet &itens, const FontePrecos &f)
{
    if (!itens.active() || itens.isEmpty())
        return true;
    itens.postIfEditing();
    std::vector<NovaLinha> novas;
    const QHash<QString, double> totais = TotaisPorProduto(itens);
    DataSet l;
    l.cloneCursor(itens);
    for (l.first(); !l.eof(); l.next()) {
        NovaLinha n = linhaAtual(l);
        const double qtde = num(l, "Qtde");
        bool confere = true;
        if (p.digPreco) {
            confere = fmt::round2(n.precoOrig) > 0;
            if (confere) {
                const double dp = DescontoDosPrecos(n.preco, n.precoOrig);
                if (dp > 0 && dp != n.desconto) {
                    n.desconto = dp;
                    n.descontoValor = DescontoValorLinha(qtde, n.preco, n.precoOrig);
                }
            }
        } else {
            const QString codigo = txt(l, "Codigo");
            const double preco = PrecoLinha(f, codigo, p.tabela, txt(l, "Tam"), totais.value(codigo), p.nTaxa);
            if (preco <= 0 && n.preco > 0)
                n.precoOrig = n.preco;
            if (preco > 0)
                n.preco = preco;
            if (n.desconto > 0) {
                n.preco = PrecoDoDesconto(n.precoOrig, n.desconto);
                n.descontoValor = DescontoValorLinha(qtde, n.preco, n.precoOrig);
            }
        }
        if (confere && n.desconto > 0 && p.nDescMax > 0 && n.desconto > p.nDescMax) {
            aviso(msgAcimaPermitido(p.nDescMax));
            return false;
        }
        // the value follows the price the line is stored with, so the
        // checks after this one read the totals that are saved and sent
        n.valor = qtde * n.preco;
        novas.push_back(n);
    }
    aplicaLinhas(itens, novas);
    return true;
}
