#include "windows/pedido/untImpressaoPedido.h"

#include "windows/pedido/untPedido.h"

#include "data/UntFuncoes.h"
#include "data/untDMRepres.h"
#include "platform/Cp1252.h"
#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QLineEdit>
#include <QPainter>
#include <QtMath>

namespace {

using namespace bandas;
using impressao_pedido::DadosImpressao;

const QString kInteiro = QStringLiteral("#,##0");
const QString kValor = QStringLiteral("#,##0.00");

QString texto(const QVariantMap &m, const char *campo)
{
    const QVariant v = m.value(QLatin1String(campo));
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return fmt::formatDate(v.toDate());
    if (v.typeId() == QMetaType::QDateTime)
        return fmt::formatDate(v.toDateTime().date());
    if (v.typeId() == QMetaType::QByteArray) // binary text blobs hold Windows-1252
        return fromCp1252(v.toByteArray()).trimmed();
    return v.toString().trimmed();
}

// Non-empty parts joined by " - ".
QString junta(const QVariantMap &m, std::initializer_list<const char *> campos)
{
    QStringList partes;
    for (const char *c : campos)
        if (const QString t = texto(m, c); !t.isEmpty())
            partes << t;
    return partes.join(QStringLiteral(" - "));
}

// Column layout of the item lines (mm inside the margins); sizes and
// quantities share one column in a fixed-pitch font so their slots line up.
constexpr double xSlots = 45, wSlots = 100, xQtde = 145, wQtde = 17, xPreco = 162, wPreco = 18, xValor = 180,
                 wValor = 20, largura = 200;

Banda cabecalhoPagina(const DadosImpressao &d, const QDateTime &em)
{
    Banda b;
    b.alturaMm = 30;
    const QImage logo = QImage::fromData(d.empresa.value(QStringLiteral("EMP_LOGO")).toByteArray());
    if (!logo.isNull())
        b.itens.push_back(Figura({0, 0, 38, 24}, logo));
    const int centro = Qt::AlignHCenter | Qt::AlignVCenter;
    b.itens.push_back(Texto({40, 0, 120, 8}, texto(d.empresa, "EMP_NOME"), Fonte(16, true), centro));
    b.itens.push_back(Texto({40, 8, 120, 8}, QStringLiteral("Emissão de Pedido"), Fonte(16, false, true), centro));
    b.itens.push_back(Texto({40, 17, 120, 5},
                            junta(d.empresa, {"EMP_ENDERECO", "EMP_BAIRRO", "EMP_CIDADE", "EMP_ESTADO"}), Fonte(9),
                            centro));
    b.itens.push_back(Texto({40, 22, 120, 5}, junta(d.empresa, {"EMP_TELEFONE", "EMP_EMAIL"}), Fonte(9), centro));
    const int direita = Qt::AlignRight | Qt::AlignVCenter;
    b.itens.push_back(Texto({162, 0, 38, 4}, fmt::formatDateTime(QStringLiteral("dd/mm/yy"), em), Fonte(9), direita));
    b.itens.push_back(Texto({162, 4, 38, 4}, fmt::formatTime(em.time()), Fonte(9), direita));
    b.itens.push_back(PaginaDeTotal({162, 8, 38, 4}, QStringLiteral("Pág.: "), Fonte(9), direita));
    b.itens.push_back(Texto({162, 12, 38, 4}, QStringLiteral("wEspelhoPF"), Fonte(9), direita));
    b.itens.push_back(Regua(29, 0, largura));
    return b;
}

Banda cabecalhoPedido(const DadosImpressao &d)
{
    const QVariantMap &p = d.pedido;
    const QVariantMap &r = d.representante;
    Banda b;
    b.alturaMm = 44;
    const QFont forte = Fonte(13, true);
    b.itens.push_back(Texto({0, 0, 100, 6}, QStringLiteral("Numero: ") + texto(p, "PED_NUME"), forte));
    b.itens.push_back(Texto({100, 0, 100, 6}, QStringLiteral("Ped. Cliente: ") + texto(p, "PED_CCLI"), forte));
    b.itens.push_back(Texto({0, 6, 100, 6}, QStringLiteral("Emissão: ") + texto(p, "PED_DTEM"), forte));
    b.itens.push_back(Texto({100, 6, 100, 6}, QStringLiteral("Entrega: ") + texto(p, "PED_DTEN"), forte));
    b.itens.push_back(Regua(12.5, 0, largura));
    constexpr double y = 6; // the rest sits below the two bold lines

    const QFont f = Fonte(9);
    const double pdesc = p.value(QStringLiteral("PED_PDESC")).toDouble();
    const bool cif = p.value(QStringLiteral("PED_CIF")).toString().trimmed() == QLatin1String("0");
    b.itens.push_back(Texto({0, y + 8, 100, 5}, QStringLiteral("Condições Pagt: ") + texto(p, "COND_DESCRICAO"), f));
    b.itens.push_back(Texto({100, y + 8, 50, 5}, QStringLiteral("Desconto: ") + fmt::formatFloat(kValor, pdesc) + '%', f));
    b.itens.push_back(Texto({150, y + 8, 50, 5},
                            QStringLiteral("Tipo de Frete: ") + (cif ? QStringLiteral("CIF") : QStringLiteral("FOB")),
                            f));
    b.itens.push_back(Regua(y + 13.5, 0, largura));

    b.itens.push_back(Texto({0, y + 14, 120, 5}, QStringLiteral("Cliente: ") + texto(p, "CLI_NOME"), f));
    b.itens.push_back(Texto({120, y + 14, 80, 5}, QStringLiteral("CNPJ: ") + texto(p, "CLI_CNPJ"), f));
    b.itens.push_back(Texto({0, y + 19, 60, 5}, QStringLiteral("Inscricao: ") + texto(p, "CLI_IEST"), f));
    b.itens.push_back(Texto({60, y + 19, 60, 5}, QStringLiteral("Telefone: ") + texto(p, "CLI_TELE"), f));
    b.itens.push_back(Texto({120, y + 19, 80, 5}, QStringLiteral("e-mail: ") + texto(p, "CLI_MAIL"), f));
    b.itens.push_back(Texto({0, y + 24, 105, 5}, QStringLiteral("Entrega: ") + texto(p, "CLI_ENDE"), f));
    b.itens.push_back(Texto({105, y + 24, 35, 5}, QStringLiteral("CEP: ") + texto(p, "CLI_CEP"), f));
    b.itens.push_back(Texto({140, y + 24, 60, 5}, junta(p, {"CLI_NOMCID", "CLI_UF"}), f));
    b.itens.push_back(Regua(y + 29.5, 0, largura));

    b.itens.push_back(Texto({0, y + 30, 75, 5},
                            QStringLiteral("Representante: ") + texto(r, "CODREP") + QStringLiteral(" - ")
                                + texto(r, "NMREPRESENTANTE"),
                            f));
    b.itens.push_back(Texto({75, y + 30, 55, 5}, QStringLiteral("e-mail: ") + texto(r, "DSEMAIL"), f));
    b.itens.push_back(Texto({130, y + 30, 35, 5}, QStringLiteral("Fone: ") + texto(r, "NRFONE"), f));
    b.itens.push_back(Texto({165, y + 30, 35, 5}, QStringLiteral("Celular: ") + texto(r, "NRCELULAR"), f));
    b.itens.push_back(Regua(y + 35.5, 0, largura));
    return b;
}

Banda cabecalhoProduto()
{
    Banda b;
    b.alturaMm = 9;
    const QFont f = Fonte(8, true);
    const int direita = Qt::AlignRight | Qt::AlignVCenter;
    b.itens.push_back(Campo({0, 0, 30, 4}, QStringLiteral("Codigo"), f));
    b.itens.push_back(Campo({30, 0, 170, 4}, QStringLiteral("Descricao"), f));
    b.itens.push_back(Campo({xSlots, 4, wSlots, 4}, QStringLiteral("DsTamanho"), FonteMono(8)));
    b.itens.push_back(Texto({xQtde, 4, wQtde, 4}, QStringLiteral("Qtde."), f, direita));
    b.itens.push_back(Texto({xPreco, 4, wPreco, 4}, QStringLiteral("Preço"), f, direita));
    b.itens.push_back(Texto({xValor, 4, wValor, 4}, QStringLiteral("Valor"), f, direita));
    b.itens.push_back(Regua(8.5, 0, largura));
    return b;
}

Banda linha()
{
    Banda b;
    b.alturaMm = 4.5;
    const QFont f = Fonte(8);
    const int direita = Qt::AlignRight | Qt::AlignVCenter;
    b.itens.push_back(Campo({0, 0, xSlots, 4}, QStringLiteral("DsCor"), f));
    b.itens.push_back(Campo({xSlots, 0, wSlots, 4}, QStringLiteral("DsQuantidade"), FonteMono(8)));
    b.itens.push_back(Campo({xQtde, 0, wQtde, 4}, QStringLiteral("Quantidade"), f, kInteiro, direita));
    b.itens.push_back(Campo({xPreco, 0, wPreco, 4}, QStringLiteral("Preco"), f, kValor, direita));
    b.itens.push_back(Campo({xValor, 0, wValor, 4}, QStringLiteral("Valor"), f, kValor, direita));
    b.itens.push_back(Regua(4.3, 0, largura, Qt::DotLine));
    return b;
}

Banda rodapeProduto()
{
    Banda b;
    b.alturaMm = 6;
    const QFont f = Fonte(8, true);
    b.itens.push_back(Texto({xSlots, 0, xQtde - xSlots - 2, 5}, QStringLiteral("Total do Produto:"), f,
                            Qt::AlignRight | Qt::AlignVCenter));
    b.itens.push_back(Soma({xQtde, 0, wQtde, 5}, QStringLiteral("Quantidade"), 1, kInteiro, f));
    b.itens.push_back(Soma({xValor, 0, wValor, 5}, QStringLiteral("Valor"), 1, kValor, f));
    b.itens.push_back(Regua(5.5, 0, largura));
    return b;
}

Banda totais(const DadosImpressao &d)
{
    Banda b;
    b.alturaMm = 21;
    const QFont f = Fonte(9, true);
    const int direita = Qt::AlignRight | Qt::AlignVCenter;
    const double pdesc = d.pedido.value(QStringLiteral("PED_PDESC")).toDouble();
    b.itens.push_back(Texto({xSlots, 0, xQtde - xSlots - 2, 5}, QStringLiteral("Totais:"), f, direita));
    b.itens.push_back(Soma({xQtde, 0, wQtde, 5}, QStringLiteral("Quantidade"), -1, kInteiro, f));
    b.itens.push_back(Soma({xValor, 0, wValor, 5}, QStringLiteral("Valor"), -1, kValor, f));
    b.itens.push_back(Texto({xSlots, 5, xValor - xSlots - 2, 5}, QStringLiteral("Desconto:"), f, direita));
    b.itens.push_back(Calculado(
        {xValor, 5, wValor, 5},
        [pdesc](const Contexto &c) {
            return fmt::formatFloat(kValor, impressao_pedido::DescontoImpresso(c.Soma(QStringLiteral("Valor")), pdesc));
        },
        f, direita));
    b.itens.push_back(
        Texto({xSlots, 10, xValor - xSlots - 2, 5}, QStringLiteral("Total Liquido do Pedido:"), f, direita));
    b.itens.push_back(Calculado(
        {xValor, 10, wValor, 5},
        [pdesc](const Contexto &c) {
            const double soma = c.Soma(QStringLiteral("Valor"));
            return fmt::formatFloat(kValor, soma - impressao_pedido::DescontoImpresso(soma, pdesc));
        },
        f, direita));
    const QString obs = texto(d.pedido, "PED_OBSE");
    b.itens.push_back(Memo({0, 16, largura, 5}, [obs](const Contexto &) { return obs; }, Fonte(9)));
    return b;
}

Banda observacaoRepresentante(const DadosImpressao &d)
{
    Banda b;
    const QString obs = texto(d.representante, "OBSERVACAO");
    b.alturaMm = 1;
    b.itens.push_back(Memo({0, 1, largura, 4}, [obs](const Contexto &) { return obs; }, Fonte(9)));
    return b;
}

Banda rodapePagina()
{
    Banda b;
    b.alturaMm = 6;
    b.itens.push_back(Regua(0.5, 0, largura));
    b.itens.push_back(Texto({0, 1, largura, 5}, QStringLiteral("Documento sem valor fiscal"), Fonte(8),
                            Qt::AlignRight | Qt::AlignVCenter));
    return b;
}

// "ABERTO" in large grey letters from the top left to the bottom right.
void marcaAberto(QPainter &p, const QRectF &folha, int)
{
    const double diagonal = std::hypot(folha.width(), folha.height());
    p.translate(folha.center());
    p.rotate(qRadiansToDegrees(std::atan2(folha.height(), folha.width())));
    QFont f = Fonte(10, true);
    f.setPixelSize(qRound(diagonal * 0.17));
    p.setFont(f);
    p.setPen(QColor(205, 205, 205));
    p.drawText(QRectF(-diagonal / 2, -diagonal / 4, diagonal, diagonal / 2), Qt::AlignCenter,
               QStringLiteral("ABERTO"));
}

} // namespace

std::unique_ptr<Relatorio> MontaRelatorioPedido(const DadosImpressao &dados, DataSet &relProdutos, bool fechado,
                                                const QDateTime &impressoEm)
{
    auto r = std::make_unique<Relatorio>();
    r->titulo = QStringLiteral("Emissão de Pedido");
    const QString numero = texto(dados.pedido, "PED_NUME");
    r->nomeArquivo = QStringLiteral("Pedido_") + (numero.isEmpty() ? QStringLiteral("novo") : numero);
    r->pagina = QPageSize(QPageSize::A4);
    r->margensMm = QMarginsF(5, 5, 5, 5);
    r->cabecalhoPagina = cabecalhoPagina(dados, impressoEm);
    r->rodapePagina = rodapePagina();
    // the order's own group: its key is not among the rows, so it opens once
    Grupo pedido{QStringLiteral("PED_NUME"), cabecalhoPedido(dados), Banda{}, true};
    r->grupos.push_back(std::move(pedido));
    r->grupos.push_back({QStringLiteral("Codigo"), cabecalhoProduto(), rodapeProduto(), false});
    r->dados = linha();
    r->rodapeDados = totais(dados);
    r->filhoRodape = observacaoRepresentante(dados);
    if (!fechado)
        r->fundo = marcaAberto;
    r->DefineLinhas(relProdutos);
    return r;
}

void TfmPedido::btnImprimeClick()
{
    if (!DMRepres)
        return;
    struct Espera {
        Espera() { CursorEspera(true); }
        ~Espera() { CursorEspera(false); }
    };
    std::unique_ptr<Relatorio> r;
    {
        Espera espera;
        DataSet rel;
        rel.setFieldDefs(impressao_pedido::CamposRelProdutos());
        TDMRepres &dm = *DMRepres;
        impressao_pedido::MontaRelProdutos(
            *CDSItens(), [&dm](const QString &codigo) { return impressao_pedido::TamanhosDoProduto(dm, codigo); },
            rel);
        const QString numero = EdtNumero->text().trimmed();
        const auto dados = impressao_pedido::LeDadosImpressao(dm, numero, Pedido().FbFechado);
        r = MontaRelatorioPedido(dados, rel, Pedido().FbFechado, QDateTime::currentDateTime());
        r->emailPara = dm.BuscaEMailCliente(edtCodCliente->text().trimmed());
        r->emailAssunto = QStringLiteral("Pedido :") + numero;
    }
    r->Visualiza(this);
}
