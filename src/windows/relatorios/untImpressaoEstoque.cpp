#include "windows/relatorios/untImpressaoEstoque.h"

#include "windows/relatorios/untRelEstoque.h"

#include "data/XRQuery.h"
#include "data/untDMRepres.h"
#include "data/untSelectsRep.h"
#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QHash>
#include <QWidget>

namespace {

using namespace bandas;
using estoque::TLinhaImpressao;

constexpr double largura = 200, xSlots = 40, wSlots = 118, xQtde = 160, wQtde = 20;
const QString kQtde = QStringLiteral("0.0");

QString texto(const QVariantMap &m, const char *campo)
{
    return m.value(QLatin1String(campo)).toString().trimmed();
}

// The sizes and their quantities line up only in a fixed pitch; long texts
// drop to 7 points to stay inside the column.
void textoEmFaixas(Banda &b, double y, const QString &campo)
{
    for (const bool pequeno : {false, true}) {
        b.itens.push_back(Calculado(
            {xSlots, y, wSlots, 5},
            [campo, pequeno](const Contexto &c) {
                const QString t = c.Campo(campo).toString();
                return (t.trimmed().size() > 60) == pequeno ? t : QString();
            },
            FonteMono(pequeno ? 7 : 9)));
    }
}

Banda cabecalhoPagina(const DadosImpressaoEstoque &d)
{
    Banda b;
    b.alturaMm = 30;
    const QImage logo = QImage::fromData(d.empresa.value(QStringLiteral("EMP_LOGO")).toByteArray());
    if (!logo.isNull())
        b.itens.push_back(Figura({0, 0, 38, 24}, logo));
    const int centro = Qt::AlignHCenter | Qt::AlignVCenter;
    b.itens.push_back(Texto({40, 0, 120, 8}, QStringLiteral("Relatório do Estoque"), Fonte(16, true), centro));
    b.itens.push_back(Texto({40, 8, 120, 6},
                            QStringLiteral("Posição do Estoque - ") +
                                fmt::formatDateTime(QStringLiteral("dd/mm/yyyy hh:mm:ss"), d.posicao),
                            Fonte(11), centro));
    b.itens.push_back(Texto({40, 15, 120, 5}, texto(d.empresa, "EMP_NOME"), Fonte(10, true), centro));
    QStringList endereco;
    for (const char *c : {"EMP_ENDERECO", "EMP_BAIRRO", "EMP_CIDADE", "EMP_ESTADO"})
        if (const QString t = texto(d.empresa, c); !t.isEmpty())
            endereco << t;
    b.itens.push_back(Texto({40, 20, 120, 5}, endereco.join(QStringLiteral(" - ")), Fonte(9), centro));
    const int direita = Qt::AlignRight | Qt::AlignVCenter;
    b.itens.push_back(
        Texto({162, 0, 38, 4}, fmt::formatDateTime(QStringLiteral("dd/mm/yy"), d.impressoEm), Fonte(9), direita));
    b.itens.push_back(Texto({162, 4, 38, 4}, fmt::formatTime(d.impressoEm.time()), Fonte(9), direita));
    b.itens.push_back(PaginaDeTotal({162, 8, 38, 4}, QStringLiteral("Pág.: "), Fonte(9), direita));
    b.itens.push_back(Regua(29, 0, largura));
    return b;
}

// The renderer's pictures are fixed per item: the product header's picture
// is swapped by an empty text item drawn just before it, from the product
// of the row being drawn.
Banda cabecalhoProduto(Relatorio *r, const QHash<QString, QImage> &figuras)
{
    Banda b;
    b.alturaMm = 32;
    b.itens.push_back(Regua(0.5, 0, largura));
    const size_t iFigura = b.itens.size() + 1;
    b.itens.push_back(Calculado({0, 0, 0, 0}, [r, figuras, iFigura](const Contexto &c) {
        r->grupos[0].cabecalho.itens[iFigura].figura = figuras.value(c.Campo(QStringLiteral("Codigo")).toString());
        return QString();
    }));
    b.itens.push_back(Figura({xQtde - 20, 1.5, 40, 24}, QImage()));
    b.itens.push_back(Texto({0, 3, 20, 5}, QStringLiteral("Produto:"), Fonte(9, true)));
    b.itens.push_back(Campo({20, 3, 115, 5}, QStringLiteral("Codigo"), Fonte(9)));
    b.itens.push_back(Texto({0, 9, 20, 5}, QStringLiteral("Descrição:"), Fonte(9, true)));
    b.itens.push_back(Campo({20, 9, 115, 5}, QStringLiteral("Descricao"), Fonte(9)));
    textoEmFaixas(b, 26.5, QStringLiteral("DsTamanho"));
    b.itens.push_back(Texto({xQtde, 26.5, wQtde, 5}, QStringLiteral("Qtde."), Fonte(9, true),
                            Qt::AlignRight | Qt::AlignVCenter));
    return b;
}

Banda linha()
{
    Banda b;
    b.alturaMm = 5;
    b.itens.push_back(Campo({0, 0, xSlots - 1, 5}, QStringLiteral("DsCor"), Fonte(8)));
    textoEmFaixas(b, 0, QStringLiteral("DsQuantidade"));
    b.itens.push_back(
        Campo({xQtde, 0, wQtde, 5}, QStringLiteral("Quantidade"), Fonte(9), kQtde, Qt::AlignRight | Qt::AlignVCenter));
    return b;
}

Banda total(const QString &rotulo, int nivel)
{
    Banda b;
    b.alturaMm = 7;
    b.itens.push_back(Regua(0.5, xQtde - 40, 40 + wQtde));
    b.itens.push_back(
        Texto({xSlots, 1, xQtde - xSlots - 2, 5}, rotulo, Fonte(9, true), Qt::AlignRight | Qt::AlignVCenter));
    b.itens.push_back(Soma({xQtde, 1, wQtde, 5}, QStringLiteral("Quantidade"), nivel, kQtde, Fonte(9, true)));
    return b;
}

} // namespace

std::unique_ptr<Relatorio> MontaRelatorioEstoque(const DadosImpressaoEstoque &dados,
                                                 const std::vector<TLinhaImpressao> &linhas)
{
    DataSet rel;
    using T = FieldType;
    rel.setFieldDefs({{QStringLiteral("Codigo"), T::String, 15},
                      {QStringLiteral("Descricao"), T::String, 100},
                      {QStringLiteral("CdCor"), T::String, 6},
                      {QStringLiteral("DsCor"), T::String, 80},
                      {QStringLiteral("DsTamanho"), T::String, 100},
                      {QStringLiteral("DsQuantidade"), T::String, 100},
                      {QStringLiteral("Quantidade"), T::Float}});
    rel.open();
    std::vector<Row> linhasRel;
    QHash<QString, QImage> figuras;
    for (const TLinhaImpressao &l : linhas) {
        linhasRel.push_back({l.codigo, l.descricao, l.cdCor, l.dsCor, l.dsTamanho, l.dsQuantidade, l.quantidade});
        if (!l.imagem.isEmpty() && !figuras.contains(l.codigo))
            if (const QImage img = QImage::fromData(l.imagem); !img.isNull())
                figuras.insert(l.codigo, Figura({}, img).figura);
    }
    rel.setRows(std::move(linhasRel));
    rel.first();

    auto r = std::make_unique<Relatorio>();
    r->titulo = QStringLiteral("Relatório do Estoque");
    r->nomeArquivo = QStringLiteral("Estoque");
    r->pagina = QPageSize(QPageSize::A4);
    r->margensMm = QMarginsF(5, 5, 5, 5);
    r->cabecalhoPagina = cabecalhoPagina(dados);
    r->grupos.push_back(
        {QStringLiteral("Codigo"), cabecalhoProduto(r.get(), figuras), total(QStringLiteral("Total do Produto:"), 0), false});
    r->dados = linha();
    r->rodapeDados = total(QStringLiteral("Total Geral:"), -1);
    r->DefineLinhas(rel);
    return r;
}

void ImprimeRelatorioEstoque(QWidget *janela, const std::vector<TLinhaImpressao> &linhas)
{
    DadosImpressaoEstoque d;
    d.impressoEm = QDateTime::currentDateTime();
    if (DMRepres) {
        TXRQuery q;
        q.SetDatabase(DMRepres->XRDtRepres);
        q.SQL().SetText(SqlEmpresa());
        q.Open();
        if (!q.isEmpty()) {
            q.first();
            for (int i = 0; i < q.fieldCount(); ++i)
                d.empresa.insert(q.field(i)->fieldName().toUpper(), q.field(i)->value());
        }
        q.Close();
        q.SQL().SetText(SqlConfig());
        q.Open();
        if (!q.isEmpty())
            d.posicao = q.fieldByName(QStringLiteral("DTHRESTOQUE"))->value().toDateTime();
    }
    MontaRelatorioEstoque(d, linhas)->Visualiza(janela);
}
