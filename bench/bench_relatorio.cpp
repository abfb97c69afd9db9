// A report answer of 50 000 rows x 10 columns through the generator:
// decoded, shown in its grid and sized by AjustaColunas, against decoding
// alone in the same run. Prints both medians and their ratio (budget: 2).
#include "MedidasBench.h"
#include "components/XRDBGrid.h"
#include "platform/DataSet.h"
#include "platform/DataSetStream.h"
#include "windows/relatorios/untRelatorio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using medidas::mediana;

const int kLinhas = 50000;

QByteArray resposta()
{
    DataSet ds;
    std::vector<FieldDef> defs;
    for (int c = 0; c < 10; ++c)
        defs.push_back({QStringLiteral("COLUNA_%1").arg(c), c % 3 == 2 ? FieldType::Float : FieldType::String, 40});
    ds.setFieldDefs(defs);
    ds.open();
    std::vector<Row> linhas;
    linhas.reserve(kLinhas);
    for (int r = 0; r < kLinhas; ++r) {
        Row l;
        for (int c = 0; c < 10; ++c) {
            if (c % 3 == 2)
                l.push_back(r * 1.25 + c);
            else
                l.push_back(QStringLiteral("Cliente %1 coluna %2").arg(r * 7919 % 100003).arg(c));
        }
        linhas.push_back(std::move(l));
    }
    ds.setRows(std::move(linhas));
    return encodeDataSetList({{QStringLiteral("SELECT"), &ds}});
}

// The server: the encoded answer decoded on each call, as the client does.
class ServidorBench : public IServidorConsultas {
public:
    explicit ServidorBench(QByteArray lista)
        : m_lista(std::move(lista))
    {
    }
    bool EhRest() override { return false; }
    bool RetornaConexao(bool) override { return true; }
    QString GetVersaoServ(bool) override { return QStringLiteral("9"); }
    bool BuscaDadosSQL(const QString &, DataSet *, DataSet *) override { return false; }
    NamedDataSets ESelect(const QString &, QString &, bool, const QString &, const QString &,
                          const std::optional<QByteArray> &) override
    {
        return decodeDataSetList(m_lista);
    }
    int ConfereSenhaDataSnap(const QString &, const QString &, const QString &) override { return 0; }
    QString BuscaTipoItem(int) override { return QStringLiteral("P"); }

private:
    QByteArray m_lista;
};

class PrincipalBench : public IRelatoriosPrincipal {
public:
    PrincipalBench()
    {
        relatorios.setFieldDefs({{QStringLiteral("CODIGO"), FieldType::String, 4},
                                 {QStringLiteral("DESCRICAO"), FieldType::String, 100},
                                 {QStringLiteral("CODIGOSQL"), FieldType::Memo}});
        relatorios.open();
        relatorios.appendRow({QStringLiteral("001"), QStringLiteral("Bench"), QStringLiteral("SELECT * FROM X")});
        parametros.setFieldDefs({{QStringLiteral("CAMPO"), FieldType::String, 30},
                                 {QStringLiteral("COD_REL"), FieldType::String, 4},
                                 {QStringLiteral("TIPO"), FieldType::Integer}});
        parametros.open();
    }
    DataSet *TabelaRelatorios() override { return &relatorios; }
    DataSet *TabelaParametros() override { return &parametros; }
    QString RelatorioEscolhido() const override { return QStringLiteral("001"); }
    DataSet relatorios, parametros;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray lista = resposta();
    ServidorBench servidor(lista);
    PrincipalBench principal;
    TfmGeraRel gerador(nullptr, &servidor, 0);
    gerador.PreparaRelatorio(principal);
    gerador.resize(1200, 800);
    gerador.show();

    const int rodadas = 5;
    std::vector<qint64> decodifica, completo, ajusta;
    QElapsedTimer t;
    // Like the window, which shows the previous answer while the next one is
    // decoded, the floor decodes with its previous answer still held.
    NamedDataSets anterior;
    for (int i = 0; i < rodadas; ++i) {
        t.start();
        NamedDataSets d = decodeDataSetList(lista);
        decodifica.push_back(t.nsecsElapsed());
        if (d.empty() || d.front().second->recordCount() != kLinhas)
            return 1;
        anterior = std::move(d);

        t.start();
        gerador.btnConfirmar->click();
        const qint64 antes = t.nsecsElapsed();
        gerador.AjustaColunas(gerador.DBGrid1);
        ajusta.push_back(t.nsecsElapsed() - antes);
        gerador.grab(); // painted once
        completo.push_back(t.nsecsElapsed());
        if (gerador.CDSConsRelatorio->recordCount() != kLinhas)
            return 1;
    }
    const double msDecodifica = mediana(decodifica) / 1e6;
    const double msCompleto = mediana(completo) / 1e6;
    std::printf("answer: %d rows x 10 columns, %lld bytes\n", kLinhas, static_cast<long long>(lista.size()));
    std::printf("decoding alone:               %8.1f ms (median of %d)\n", msDecodifica, rodadas);
    std::printf("decoded, shown and sized:     %8.1f ms (median of %d)\n", msCompleto, rodadas);
    std::printf("  of which AjustaColunas:     %8.1f ms\n", mediana(ajusta) / 1e6);
    std::printf("ratio: %.2f (budget 2.00)\n", msCompleto / msDecodifica);
    return msCompleto / msDecodifica <= 2.0 ? 0 : 2;
}
