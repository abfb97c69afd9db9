#include "windows/pedido/regras/MatrizGrade.h"

#include "data/UntFuncoes.h"
#include "platform/DataSet.h"
#include "platform/Formats.h"

#include <QHash>

#include <algorithm>

namespace {

// Case-insensitive distinct texts in first-seen order, with their index.
struct Distintos {
    QStringList textos;
    QHash<QString, int> indice;

    void junta(const QString &t)
    {
        const QString chave = t.toCaseFolded();
        if (!indice.contains(chave)) {
            indice.insert(chave, int(textos.size()));
            textos.append(t);
        }
    }
    void reindexa(const QStringList &ordem)
    {
        textos = ordem;
        indice.clear();
        for (int i = 0; i < int(textos.size()); ++i)
            indice.insert(textos[i].toCaseFolded(), i);
    }
    int de(const QString &t) const { return indice.value(t.toCaseFolded(), -1); }
};

} // namespace

MatrizGrade MontaMatrizGrade(DataSet &itens)
{
    DataSet l;
    l.cloneCursor(itens);
    Distintos cores, tamanhos;
    for (l.first(); !l.eof(); l.next()) {
        cores.junta(l.fieldByName(QStringLiteral("DsCor"))->asString());
        tamanhos.junta(l.fieldByName(QStringLiteral("Tam"))->asString());
    }

    QStringList ordemCores = cores.textos;
    std::stable_sort(ordemCores.begin(), ordemCores.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    cores.reindexa(ordemCores);
    QStringList ordemTam = tamanhos.textos;
    ordemTam.sort();
    OrdenaTamanhos(ordemTam);
    tamanhos.reindexa(ordemTam);

    MatrizGrade m;
    m.cores = cores.textos;
    m.tamanhos = tamanhos.textos;
    m.qtde.assign(std::size_t(m.cores.size()), std::vector<double>(std::size_t(m.tamanhos.size()), 0.0));
    m.aQtdCor.assign(std::size_t(m.cores.size()), 0.0);
    m.aQtdTam.assign(std::size_t(m.tamanhos.size()), 0.0);
    for (l.first(); !l.eof(); l.next()) {
        const int i = cores.de(l.fieldByName(QStringLiteral("DsCor"))->asString());
        const int j = tamanhos.de(l.fieldByName(QStringLiteral("Tam"))->asString());
        if (i < 0 || j < 0)
            continue;
        const double q = l.fieldByName(QStringLiteral("Qtde"))->asFloat();
        m.qtde[std::size_t(i)][std::size_t(j)] += q;
        m.aQtdCor[std::size_t(i)] += q;
        m.aQtdTam[std::size_t(j)] += q;
        m.total += q;
    }
    return m;
}

QString FormataQtdeGrade(double valor) { return fmt::formatFloat(QStringLiteral("0.###"), valor); }
