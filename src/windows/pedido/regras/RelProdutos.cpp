#include "windows/pedido/regras/RelProdutos.h"

#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/Formats.h"

#include <QHash>

#include <algorithm>
#include <tuple>

namespace impressao_pedido {

namespace {

enum Col { Codigo, Descricao, Valor, Preco, DsTamanho, DsQuantidade, Quantidade, CdCor, DsCor };

struct Distinta {
    QString codigo, descricao, cor, dsCor;
    double preco = 0;
};

QString chave(const QString &codigo, const QString &cor, const QString &tam, double preco)
{
    return codigo + QChar(1) + cor + QChar(1) + tam + QChar(1) + QString::number(preco, 'g', 17);
}

QVariantMap primeiraLinha(TXRQuery &q)
{
    QVariantMap m;
    if (q.isEmpty())
        return m;
    q.first();
    for (int i = 0; i < q.fieldCount(); ++i)
        m.insert(q.field(i)->fieldName().toUpper(), q.field(i)->value());
    return m;
}

} // namespace

std::vector<FieldDef> CamposRelProdutos()
{
    using T = FieldType;
    return {
        {QStringLiteral("Codigo"), T::String, 15},        {QStringLiteral("Descricao"), T::String, 100},
        {QStringLiteral("Valor"), T::Float},              {QStringLiteral("Preco"), T::Float},
        {QStringLiteral("DsTamanho"), T::String, 100},    {QStringLiteral("DsQuantidade"), T::String, 100},
        {QStringLiteral("Quantidade"), T::Float},         {QStringLiteral("CdCor"), T::String, 6},
        {QStringLiteral("DsCor"), T::String, 80},
    };
}

void InsereNoSlot(QString &texto, int k, const QString &valor)
{
    const int pos = 5 * k;
    if (texto.size() < pos)
        texto = texto.leftJustified(pos, QLatin1Char(' '));
    texto.insert(pos, valor);
}

void MontaRelProdutos(DataSet &itens, const TamanhosProduto &tamanhos, DataSet &rel)
{
    if (!rel.active()) {
        if (rel.fieldDefs().empty())
            rel.setFieldDefs(CamposRelProdutos());
        rel.open();
    }
    rel.emptyTable();

    // The lines by product, colour, size and price; repeated lines add up.
    std::vector<Distinta> distintas;
    QHash<QString, std::pair<double, double>> linhas;
    {
        QHash<QString, bool> vistas;
        DataSet c;
        c.cloneCursor(itens);
        const int fCod = c.fieldIndex(QStringLiteral("Codigo")), fDesc = c.fieldIndex(QStringLiteral("Descricao")),
                  fCor = c.fieldIndex(QStringLiteral("Cor")), fDsCor = c.fieldIndex(QStringLiteral("DsCor")),
                  fTam = c.fieldIndex(QStringLiteral("Tam")), fQtde = c.fieldIndex(QStringLiteral("Qtde")),
                  fPreco = c.fieldIndex(QStringLiteral("Preco")), fValor = c.fieldIndex(QStringLiteral("Valor"));
        for (c.first(); !c.eof(); c.next()) {
            Distinta d{c.field(fCod)->asString().trimmed(), c.field(fDesc)->asString(),
                       c.field(fCor)->asString().trimmed(), c.field(fDsCor)->asString(), c.field(fPreco)->asFloat()};
            auto &[q, v] = linhas[chave(d.codigo, d.cor, c.field(fTam)->asString().trimmed(), d.preco)];
            q += c.field(fQtde)->asFloat();
            v += fmt::round2(c.field(fValor)->asFloat());
            const QString k = chave(d.codigo, d.cor, QString(), d.preco);
            if (!vistas.contains(k)) {
                vistas.insert(k, true);
                distintas.push_back(std::move(d));
            }
        }
    }
    std::stable_sort(distintas.begin(), distintas.end(), [](const Distinta &a, const Distinta &b) {
        return std::tie(a.codigo, a.cor, a.preco) < std::tie(b.codigo, b.cor, b.preco);
    });

    std::vector<Row> linhasRel;
    linhasRel.reserve(distintas.size());
    QString produto;
    QStringList tams;
    bool primeira = true;
    for (const Distinta &d : distintas) {
        Row r(9);
        r[Codigo] = d.codigo;
        r[Descricao] = d.descricao;
        r[CdCor] = d.cor;
        r[DsCor] = d.dsCor;
        if (primeira || d.codigo != produto) {
            primeira = false;
            produto = d.codigo;
            tams.clear();
            QString texto(59, QLatin1Char(' '));
            for (const QString &t : tamanhos(d.codigo)) {
                InsereNoSlot(texto, int(tams.size()), t.left(4));
                tams << t.left(4);
            }
            r[DsTamanho] = texto;
        }
        QString qtdes(58, QLatin1Char(' '));
        double total = 0, valor = 0;
        for (int k = 0; k < tams.size(); ++k) {
            const auto it = linhas.constFind(chave(d.codigo, d.cor, tams[k].trimmed(), d.preco));
            const double q = it == linhas.cend() ? 0.0 : it->first;
            InsereNoSlot(qtdes, k, fmt::floatToStr(q));
            total += q;
            valor += it == linhas.cend() ? 0.0 : it->second;
        }
        r[DsQuantidade] = qtdes;
        r[Quantidade] = total;
        r[Preco] = d.preco;
        r[Valor] = valor;
        linhasRel.push_back(std::move(r));
    }
    rel.setRows(std::move(linhasRel));
    rel.first();
}

QStringList TamanhosDoProduto(TDMRepres &dm, const QString &codigo)
{
    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    q.SQL().Add(QStringLiteral("SELECT DISTINCT PI.PAIT_CODI, PI.PAIT_TAM, PI.PAIT_POS_TAM "));
    q.SQL().Add(QStringLiteral("FROM PA_ITEN PI "));
    q.SQL().Add(QStringLiteral("WHERE (PI.PAIT_CODI = :CODIGO)"));
    q.SQL().Add(QStringLiteral("ORDER BY PI.PAIT_POS_TAM "));
    q.ParamByName(QStringLiteral("CODIGO"))->SetAsString(codigo);
    q.Open();
    QStringList tams;
    for (q.first(); !q.eof(); q.next())
        tams << q.fieldByName(QStringLiteral("PAIT_TAM"))->asString().trimmed().left(4);
    return tams;
}

double DescontoImpresso(double somaValor, double percentual) { return fmt::round2(somaValor * percentual * 0.01); }

DadosImpressao LeDadosImpressao(TDMRepres &dm, const QString &numero, bool fechado)
{
    DadosImpressao d;
    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    q.SQL().SetText(SqlEmpresa());
    q.Open();
    d.empresa = primeiraLinha(q);

    q.Close();
    q.SQL().SetText(SqlConfig());
    q.Open();
    d.representante = primeiraLinha(q);

    q.Close();
    q.SQL().SetText(SqlPedidoImpressao(fechado));
    q.ParamByName(QStringLiteral("PEDIDO"))->SetAsString(numero.trimmed());
    q.Open();
    d.pedido = primeiraLinha(q);
    return d;
}

} // namespace impressao_pedido
