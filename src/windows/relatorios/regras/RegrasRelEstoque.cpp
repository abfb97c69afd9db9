#include "windows/relatorios/regras/RegrasRelEstoque.h"

#include "data/UntFuncoes.h"
#include "data/untSelectsRep.h"
#include "platform/Formats.h"

#include <algorithm>

namespace estoque {

bool EmpPatValido(const QString &empPat)
{
    return std::all_of(empPat.begin(), empPat.end(), [](QChar c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

namespace {
QString junta(const QStringList &linhas)
{
    QString r;
    ListaParaSQL(linhas, r);
    return r;
}
} // namespace

QString SqlDeposito(const QString &empPat)
{
    return junta({QStringLiteral("SELECT CODIGO FROM DEPOSITO") + empPat, QStringLiteral("WHERE PRIORIDADE = 1")});
}

QString RegioesSql(const QStringList &regioes)
{
    QStringList q;
    for (const QString &r : regioes)
        q << QuotedStr(r);
    return q.join(QStringLiteral(", "));
}

QString SqlEstoque(const QString &tipoItem, const QString &empPat, const QString &regioes, const TFiltroEstoque &f)
{
    const QString &s = empPat;
    QStringList l;
    if (tipoItem == QLatin1String("P")) {
        l << QStringLiteral("SELECT") << QStringLiteral("PI.CODIGO,") << QStringLiteral("PR.DESCRICAO,")
          << QStringLiteral("PI.COR,") << QStringLiteral("CR.DESCRICAO AS DESC_COR,") << QStringLiteral("PI.TAM,")
          << QStringLiteral("FI.POSICAO AS POSICAO,") << QStringLiteral("SUM(PI.QUANTIDADE) AS ESTOQUE")
          << QStringLiteral("FROM PA_ITEN") + s + QStringLiteral(" PI ")
          << QStringLiteral("INNER JOIN PRODUTO") + s + QStringLiteral(" PR ON (PR.CODIGO = PI.CODIGO)")
          << QStringLiteral("LEFT JOIN CADCOR") + s + QStringLiteral(" CR ON (CR.COR = PI.COR)")
          << QStringLiteral("LEFT JOIN (SELECT DISTINCT PR1.CODIGO, FI1.POSICAO, FI1.TAMANHO FROM FAIXA_ITEN") + s
                + QStringLiteral(" FI1 ")
          << QStringLiteral("INNER JOIN PRODUTO") + s + QStringLiteral(" PR1 ON (PR1.FAIXA = FI1.FAIXA)) AS FI")
          << QStringLiteral("ON (PI.CODIGO = FI.CODIGO) AND (PI.TAM = FI.TAMANHO)") << QStringLiteral("WHERE EXISTS")
          << QStringLiteral("(SELECT DISTINCT 1 FROM PRODUTO") + s + QStringLiteral(" PR ")
          << QStringLiteral("INNER JOIN TABPRECO") + s + QStringLiteral(" TP ")
          << QStringLiteral("ON (TP.REGIAO IN (") + regioes + QStringLiteral(")) AND (TP.CODIGO = PR.CODIGO)")
          << QStringLiteral("WHERE PR.CODIGO = PI.CODIGO");
        // a product-only search must not require an empty collection
        if (!f.colecao.isEmpty())
            l << QStringLiteral("AND PR.COLECAO = ") + QuotedStr(f.colecao);
        l << QStringLiteral("AND TP.TIPO = 'P'") << QStringLiteral("AND PR.ATIVO = 'S')")
          << QStringLiteral("AND PI.ATIVO = 'S'") << QStringLiteral("AND PI.DEPOSITO = ") + QuotedStr(f.deposito);
        if (!f.colecao.trimmed().isEmpty())
            l << QStringLiteral("AND PR.COLECAO = ") + QuotedStr(f.colecao);
        if (!f.produto.trimmed().isEmpty())
            l << QStringLiteral("AND PR.CODIGO = ") + QuotedStr(f.produto);
        if (!f.descricao.trimmed().isEmpty())
            l << QStringLiteral("AND PR.DESCRICAO LIKE UPPER (") + QuotedStr('%' + f.descricao + '%') + ')';
        l << QStringLiteral("GROUP BY PI.CODIGO, PR.DESCRICAO, PI.COR, CR.DESCRICAO, PI.TAM, FI.POSICAO")
          << QStringLiteral("HAVING SUM(PI.QUANTIDADE) > 0");
        return junta(l);
    }
    l << QStringLiteral("SELECT") << QStringLiteral("MI.CODIGO,") << QStringLiteral("MAT.DESCRICAO,")
      << QStringLiteral("MI.COR,") << QStringLiteral("CR.DESCRICAO AS DESC_COR,") << QStringLiteral("'0' AS TAM,")
      << QStringLiteral("1 AS POSICAO,") << QStringLiteral("SUM(MI.QUANTIDADE) AS ESTOQUE")
      << QStringLiteral("FROM MAT_ITEN") + s + QStringLiteral(" MI ")
      << QStringLiteral("INNER JOIN MATERIAL") + s + QStringLiteral(" MAT ON (MAT.CODIGO = MI.CODIGO)")
      << QStringLiteral("LEFT JOIN CADCOR") + s + QStringLiteral(" CR ON (CR.COR = MI.COR)")
      << QStringLiteral("WHERE EXISTS") << QStringLiteral("(SELECT DISTINCT 1 FROM MATERIAL") + s + QStringLiteral(" MT ")
      << QStringLiteral("INNER JOIN TABPRECO") + s + QStringLiteral(" TP ")
      << QStringLiteral("ON (TP.REGIAO IN (") + regioes + QStringLiteral(")) AND (TP.CODIGO = MT.CODIGO)")
      << QStringLiteral("WHERE MT.CODIGO = MI.CODIGO");
    if (!f.colecao.isEmpty())
        l << QStringLiteral("AND MT.GRUPO = ") + QuotedStr(f.colecao);
    l << QStringLiteral("AND TP.TIPO = 'M'") << QStringLiteral("AND MT.ATIVO = 'S')")
      << QStringLiteral("AND MI.DEPOSITO = ") + QuotedStr(f.deposito)
      << QStringLiteral("GROUP BY MI.CODIGO, MAT.DESCRICAO, MI.COR, CR.DESCRICAO")
      << QStringLiteral("HAVING SUM(MI.QUANTIDADE) > 0");
    return junta(l);
}

QString TextoEmFaixas(const QStringList &valores, int brancos)
{
    QString t(brancos, ' ');
    for (int i = 0; i < valores.size(); ++i) {
        const int inicio = i * 8;
        if (t.size() < inicio)
            t.append(QString(inicio - t.size(), ' '));
        t.insert(inicio, valores[i]);
    }
    return t;
}

QStringList TamanhosDoProduto(const std::vector<TLinhaEstoque> &linhas, const QString &codigo)
{
    std::vector<const TLinhaEstoque *> doProduto;
    for (const TLinhaEstoque &l : linhas)
        if (l.codigo == codigo)
            doProduto.push_back(&l);
    std::stable_sort(doProduto.begin(), doProduto.end(),
                     [](const TLinhaEstoque *a, const TLinhaEstoque *b) { return a->posicao < b->posicao; });
    QStringList r;
    for (const TLinhaEstoque *l : doProduto) {
        const QString t = l->tam.trimmed().left(4);
        if (!r.contains(t))
            r << t;
    }
    return r;
}

std::vector<TLinhaImpressao> LinhasImpressao(const std::vector<TLinhaEstoque> &linhas,
                                             const std::map<QString, QByteArray> &imagens, const QByteArray &padrao,
                                             const std::function<void(int)> &progresso)
{
    std::vector<TLinhaImpressao> r;
    QStringList tamanhos;
    QString cabecalho;
    QByteArray imagem;
    const TLinhaEstoque *anterior = nullptr;
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        const TLinhaEstoque &l = linhas[i];
        const bool novoProduto = !anterior || anterior->codigo != l.codigo;
        if (novoProduto) {
            tamanhos = TamanhosDoProduto(linhas, l.codigo);
            cabecalho = TextoEmFaixas(tamanhos, 59);
            const auto it = imagens.find(l.codigo);
            imagem = it != imagens.end() && !it->second.isEmpty() ? it->second : padrao;
        }
        if (novoProduto || anterior->cor != l.cor) {
            TLinhaImpressao p;
            p.codigo = l.codigo;
            p.descricao = l.descricao;
            p.cdCor = l.cor;
            p.dsCor = l.descCor;
            if (novoProduto) {
                p.dsTamanho = cabecalho;
                p.imagem = imagem;
            }
            QStringList quantidades;
            for (const QString &tam : tamanhos) {
                double qtde = 0;
                for (const TLinhaEstoque &c : linhas) {
                    // the size as the header shows it, cut to 4
                    if (c.codigo == l.codigo && c.cor == l.cor && c.tam.trimmed().left(4) == tam) {
                        qtde = c.estoque;
                        break;
                    }
                }
                quantidades << fmt::floatToStr(qtde);
                p.quantidade += qtde;
            }
            p.dsQuantidade = TextoEmFaixas(quantidades, 58);
            r.push_back(std::move(p));
        }
        anterior = &l;
        if (progresso)
            progresso(int(i) + 1);
    }
    return r;
}

} // namespace estoque

#include <QDir>
#include <QFile>

namespace estoque {
QByteArray ImagemPadrao(const QString &pasta)
{
    QFile f(QDir(pasta).filePath(QStringLiteral("imagem.jpg")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
} // namespace estoque
