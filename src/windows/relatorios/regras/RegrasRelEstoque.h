#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

// Widget-free rules of the stock report: the server texts and the print
// rows (one per product and colour, the sizes side by side in 8-character
// slots).
namespace estoque {

// The company suffix of the back office's table names: letters, digits
// and "_" only, since it is written into table names.
bool EmpPatValido(const QString &empPat);

QString SqlDeposito(const QString &empPat);

// The price regions as an SQL list: each quoted (quotes doubled), ", ".
QString RegioesSql(const QStringList &regioes);

// The filters of one query. colecao empty: no collection condition at all.
struct TFiltroEstoque {
    QString colecao;
    QString produto;
    QString descricao;
    QString deposito;
};

// Item type "P": products; any other: materials.
QString SqlEstoque(const QString &tipoItem, const QString &empPat, const QString &regioes, const TFiltroEstoque &f);

// One stock row of the answer.
struct TLinhaEstoque {
    QString codigo;
    QString descricao;
    QString cor;
    QString descCor;
    QString tam;
    double estoque = 0;
    int posicao = 0;
};

// One print row.
struct TLinhaImpressao {
    QString codigo;
    QString descricao;
    QString cdCor;
    QString dsCor;
    QString dsTamanho;    // the size header; first row of a product only
    QString dsQuantidade; // the stock of each size in its slot
    double quantidade = 0;
    QByteArray imagem; // first row of a product only; empty: none
};

// Text inserted at the start of 8-character slots of a blank text.
QString TextoEmFaixas(const QStringList &valores, int brancos);

// The product's sizes, in POSICAO order, trimmed, cut to 4, each once.
QStringList TamanhosDoProduto(const std::vector<TLinhaEstoque> &linhas, const QString &codigo);

// The print rows of the stock rows as loaded (grouped by product and
// colour). imagens: product code -> picture; padrao: the picture of
// products without one (empty: none). progresso(i) after each stock row.
std::vector<TLinhaImpressao> LinhasImpressao(const std::vector<TLinhaEstoque> &linhas,
                                             const std::map<QString, QByteArray> &imagens,
                                             const QByteArray &padrao,
                                             const std::function<void(int)> &progresso = {});

} // namespace estoque

namespace estoque {
// "imagem.jpg" in the folder, for products without a picture; empty when
// there is none.
QByteArray ImagemPadrao(const QString &pasta);
} // namespace estoque
