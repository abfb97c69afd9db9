#pragma once

// A representative's database at a chosen scale, for the scale benchmarks.
// Scale 1: 50,000 customers, 20,000 products, 200,000 colour/size cells,
// 120,000 price tiers, 20,000 orders with 200,000 lines, plus one open
// order of 500 lines (number NumeroGrande()) for the load/save/typing runs.
// Written with prepared statements in one transaction per table.

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "platform/fb/FbApi.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <random>

namespace gerabase {

struct Escala {
    int clientes, produtos, pedidos;
    // per product: 2 colours x 5 sizes; 2 tables x 3 tiers; per order 10 lines
    static constexpr int kCores = 2, kTamanhos = 5, kTabelas = 2, kFaixas = 3, kLinhasPedido = 10;
    static constexpr int kLinhasGrande = 500;

    static Escala De(double s)
    {
        return {std::max(50, int(50000 * s)), std::max(kLinhasGrande, int(20000 * s)), std::max(20, int(20000 * s))};
    }
    int celulas() const { return produtos * kCores * kTamanhos; }
    int faixas() const { return produtos * kTabelas * kFaixas; }
    int itens() const { return pedidos * kLinhasPedido; }
};

inline const QStringList &Cores() { static const QStringList c{"AZ", "VD", "PR", "BR", "VM", "AM", "RS", "CZ"}; return c; }
inline const QStringList &DescCores()
{
    static const QStringList c{"AZUL", "VERDE", "PRETO", "BRANCO", "VERMELHO", "AMARELO", "ROSA", "CINZA"};
    return c;
}
inline const QStringList &Tamanhos() { static const QStringList t{"P", "M", "G", "GG", "XG"}; return t; }

inline QString CodProduto(int i) { return QStringLiteral("R%1").arg(i, 6, 10, QLatin1Char('0')); }
inline QString CodCliente(int i) { return QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')); }
inline QString NumPedido(int i) { return QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')); }
inline QString NumeroGrande(const Escala &e) { return NumPedido(e.pedidos + 1); }
// The two colours a product has: neighbours in the list, so every colour is used.
inline QString CorDe(int produto, int k) { return Cores()[(produto + k) % Cores().size()]; }

// A CNPJ with right check digits: 8 digits of root, branch 0001.
inline QString Cnpj(int i)
{
    int d[14];
    const QString raiz = QStringLiteral("%1").arg(10000000 + i * 37 % 89999999, 8, 10, QLatin1Char('0'));
    for (int k = 0; k < 8; ++k)
        d[k] = raiz[k].digitValue();
    d[8] = 0, d[9] = 0, d[10] = 0, d[11] = 1;
    auto digito = [&](int n) {
        static const int pesos[13] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
        int s = 0;
        for (int k = 0; k < n; ++k)
            s += d[k] * pesos[13 - n + k];
        const int r = s % 11;
        return r < 2 ? 0 : 11 - r;
    };
    d[12] = digito(12);
    d[13] = digito(13);
    QString s;
    for (int k : d)
        s += QChar('0' + k);
    return s;
}

// A few cells are sold out; the large order never takes one.
inline bool Esgotado(int produto, int cor, int tam) { return (produto + cor + tam) % 23 == 0; }

inline double PrecoBase(int produto) { return 19.9 + (produto % 40) * 2.5; }

// One statement prepared once on the connection's transaction, values bound by name.
class Insere {
public:
    Insere(TXRDatabase &db, const QString &sql) : m_st(db.Attachment(), db.Transaction()->Engine(), sql) {}
    void operator()(const char *nome, const QVariant &valor) { m_st.setParam(QString::fromLatin1(nome), valor); }
    void executa() { m_st.execute(); }

private:
    fb::Statement m_st;
};

inline void Executa(TXRDatabase &db, const QString &sql)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add(sql);
    q.ExecSQL();
}

inline void GeraCadastros(TXRDatabase &db)
{
    Executa(db, "UPDATE CONFIG SET NRULTCONFIG = 3, DTVALIDADE = CURRENT_DATE + 30, IDBLOQPEDDTSUP = 'N', "
                "DTDEENTREGA = '2025-01-01', DTATEENTREGA = '2027-12-31'");
    Executa(db, "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO, TABP_VLRMINIMO) VALUES ('SUL', 'Tabela Sul', 0)");
    Executa(db, "INSERT INTO TABPRECO (TABP_REGIAO, TABP_DESCRICAO, TABP_VLRMINIMO) VALUES ('NORTE', 'Tabela Norte', 0)");
    Executa(db, "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
                "COND_DESCMAX) VALUES ('306090', '30/60/90', 3, 30, 30, 0, 10)");
    Executa(db, "INSERT INTO CONDICAO (COND_CODCOND, COND_DESCRICAO, COND_NRPAR, COND_NRDIA, COND_PRAZOINI, COND_TAXA, "
                "COND_DESCMAX) VALUES ('45', '45 dias', 1, 0, 45, 0, 5)");
    for (int c = 1; c <= 4; ++c)
        Executa(db, QStringLiteral("INSERT INTO COLECAO (COL_COLECAO, COL_DESCRICAO) VALUES ('%1', 'Coleção %1')")
                        .arg(2020 + c));
    db.Transaction()->Commit();
}

inline void GeraClientes(TXRDatabase &db, const Escala &e, std::mt19937 &rnd)
{
    static const QStringList nomes{"MARIA", "MARCOS", "JOSE", "ANA", "PAULO", "CARLOS", "BEATRIZ", "LUCAS",
                                   "FERNANDA", "RAFAEL", "JULIANA", "PEDRO", "CAMILA", "BRUNO", "LETICIA"};
    static const QStringList tipos{"MODAS", "CONFECCOES", "BOUTIQUE", "MAGAZINE", "STORE", "ATELIE"};
    static const QStringList cidades{"SAO PAULO", "CAMPINAS", "CURITIBA", "RECIFE", "GOIANIA", "BELEM"};
    static const QStringList ufs{"SP", "SP", "PR", "PE", "GO", "PA"};
    Insere q(db, "INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_TELE, CLI_MAIL, CLI_ENDE, CLI_NEND, "
                "CLI_BAIR, CLI_CEP, CLI_UF, CLI_NOMCID, CLI_TIPO, CLI_DTCA, CLI_IDENVIADO, CLI_IDSTATUS, CLI_NRDIAS, "
                "CLI_PRZMEDIO) VALUES (:CODI, :NOME, :FANT, :CNPJ, :TELE, :MAIL, 'RUA DAS FLORES', :NEND, 'CENTRO', "
                "'01001000', :UF, :CIDADE, '2', :DTCA, 'S', 'S', 0, 90)");
    for (int i = 1; i <= e.clientes; ++i) {
        const QString fant = nomes[int(rnd() % nomes.size())] + ' ' + tipos[int(rnd() % tipos.size())] + ' ' +
                             QString::number(i);
        const int c = int(rnd() % cidades.size());
        q("CODI", CodCliente(i));
        q("NOME", QString(fant + QStringLiteral(" LTDA")));
        q("FANT", fant);
        q("CNPJ", Cnpj(i));
        q("TELE", QStringLiteral("(011)9%1").arg(i, 8, 10, QLatin1Char('0')));
        q("MAIL", QStringLiteral("cliente%1@exemplo.com.br").arg(i));
        q("NEND", QString::number(i % 900 + 1));
        q("UF", ufs[c]);
        q("CIDADE", cidades[c]);
        q("DTCA", QDate(2020, 1, 1).addDays(int(rnd() % 1800)));
        q.executa();
    }
    db.Transaction()->Commit();
}

inline void GeraProdutos(TXRDatabase &db, const Escala &e)
{
    Insere p(db, "INSERT INTO PRODUTO (PROD_CODI, PROD_DESC, PROD_UNID, PROD_PESO, PROD_COLECAO, PROD_LINHA, "
                "PROD_DESCLINHA) VALUES (:CODI, :DESC, 'PC', 0.3, :COLECAO, :LINHA, :DESCLINHA)");
    Insere c(db, "INSERT INTO PA_ITEN (PAIT_CODI, PAIT_COR, PAIT_DSCOR, PAIT_TAM, PAIT_IDESGOTADO, PAIT_POS_TAM, "
                "PAIT_QTDE, PAIT_BLOQUEIA_EST) VALUES (:CODI, :COR, :DSCOR, :TAM, :ESGOTADO, :POS, :QTDE, 'N')");
    Insere t(db, "INSERT INTO TABPRE_PRODUTO (PREC_PRODUTO, PREC_TABELA, PREC_FAIXA, PREC_QTDMAXIMA, PREC_PRECO, "
                "PREC_PRECO_ORI, PREC_FAIXA_TAM) VALUES (:CODI, :TABELA, :FAIXA, :MAXIMA, :PRECO, :PRECO_ORI, 'UU')");
    static const char *linhas[] = {"CAM", "CAL", "VES", "BLU", "SAI"};
    static const char *descLinhas[] = {"CAMISETAS", "CALCAS", "VESTIDOS", "BLUSAS", "SAIAS"};
    static const double maximas[Escala::kFaixas] = {12, 60, 99999};
    for (int i = 1; i <= e.produtos; ++i) {
        const QString cod = CodProduto(i);
        const int l = i % 5;
        p("CODI", cod);
        p("DESC", QStringLiteral("%1 MODELO %2").arg(descLinhas[l]).arg(i));
        p("COLECAO", QString::number(2021 + i % 4));
        p("LINHA", linhas[l]);
        p("DESCLINHA", descLinhas[l]);
        p.executa();
        for (int k = 0; k < Escala::kCores; ++k) {
            const QString cor = CorDe(i, k);
            for (int s = 0; s < Escala::kTamanhos; ++s) {
                c("CODI", cod);
                c("COR", cor);
                c("DSCOR", DescCores()[Cores().indexOf(cor)]);
                c("TAM", Tamanhos()[s]);
                c("ESGOTADO", Esgotado(i, k, s) ? QStringLiteral("S") : QStringLiteral("N"));
                c("POS", s + 1);
                c("QTDE", 50 + (i * 7 + s) % 400);
                c.executa();
            }
        }
        for (const char *tabela : {"SUL", "NORTE"}) {
            const double base = PrecoBase(i) * (tabela[0] == 'N' ? 1.08 : 1.0);
            for (int f = 0; f < Escala::kFaixas; ++f) {
                t("CODI", cod);
                t("TABELA", tabela);
                t("FAIXA", f + 1);
                t("MAXIMA", maximas[f]);
                const double preco = qRound64(base * (1.0 - 0.05 * f) * 100) / 100.0;
                t("PRECO", preco);
                t("PRECO_ORI", qRound64(base * 100) / 100.0);
                t.executa();
            }
        }
    }
    db.Transaction()->Commit();
}

// Orders over two years: most sent, some closed, the newest open.
inline void GeraPedidos(TXRDatabase &db, const Escala &e, std::mt19937 &rnd)
{
    Insere p(db, "INSERT INTO PEDIDO (PED_NUME, PED_CCLI, PED_DTCA, PED_DTEM, PED_DTEN, PED_DTFAT, PED_CONP, PED_PDESC, "
                "PED_CIF, PED_OBSE, PED_TABPRE, PED_CONFIG, PED_NRLOTE, PED_DTSINCRONIZACAO, PED_IDFECHADO) VALUES "
                "(:NUME, :CCLI, :DTEM, :DTEM, :DTEN, :DTFAT, :CONP, :PDESC, '1', '', :TABPRE, 3, :LOTE, :DTSINC, "
                ":FECHADO)");
    Insere it(db, "INSERT INTO PED_ITEN (PEDIT_NUME, PEDIT_ITEM, PEDIT_CODI, PEDIT_COR, PEDIT_TAM, PEDIT_QTDE, "
                 "PEDIT_PREC, PEDIT_PREC_ORI, PEDIT_TIPO, PEDIT_DT_ENTREGA) VALUES (:NUME, :ITEM, :CODI, :COR, :TAM, "
                 ":QTDE, :PREC, :PREC_ORI, 'N', :ENTREGA)");
    const QDate inicio(2025, 1, 1);
    auto item = [&](const QString &num, int n, int produto, int cor, int tam, double qtde, const QDate &entrega) {
        it("NUME", num);
        it("ITEM", n);
        it("CODI", CodProduto(produto));
        it("COR", CorDe(produto, cor));
        it("TAM", Tamanhos()[tam]);
        it("QTDE", qtde);
        it("PREC", PrecoBase(produto));
        it("PREC_ORI", PrecoBase(produto));
        it("ENTREGA", entrega);
        it.executa();
    };
    auto cabecalho = [&](const QString &num, int cliente, const QDate &emissao, bool enviado, bool fechado) {
        p("NUME", num);
        p("CCLI", CodCliente(cliente));
        p("DTEM", emissao);
        p("DTEN", emissao.addDays(30));
        p("DTFAT", emissao.addDays(5));
        p("CONP", cliente % 2 ? QStringLiteral("306090") : QStringLiteral("45"));
        p("PDESC", cliente % 5 == 0 ? 3 : 0);
        p("TABPRE", cliente % 3 ? QStringLiteral("SUL") : QStringLiteral("NORTE"));
        if (enviado) {
            p("LOTE", 1 + int(emissao.daysTo(QDate(2027, 1, 1)) / 7));
            p("DTSINC", emissao.addDays(1));
        } else {
            p("LOTE", QVariant());
            p("DTSINC", QVariant());
        }
        p("FECHADO", fechado ? QStringLiteral("S") : QStringLiteral("N"));
        p.executa();
    };
    for (int i = 1; i <= e.pedidos; ++i) {
        const QString num = NumPedido(i);
        const QDate emissao = inicio.addDays(int(qint64(i) * 700 / e.pedidos));
        const int fatia = i * 10 / e.pedidos; // oldest 70 % sent, then 20 % closed, newest open
        cabecalho(num, 1 + int(rnd() % e.clientes), emissao, fatia < 7, fatia < 9);
        for (int n = 1; n <= Escala::kLinhasPedido; ++n)
            item(num, n, 1 + int(rnd() % e.produtos), int(rnd() % Escala::kCores), int(rnd() % Escala::kTamanhos),
                 1 + rnd() % 12, emissao.addDays(30));
    }
    // the large open order: 500 distinct products, one cell each
    const QString grande = NumeroGrande(e);
    cabecalho(grande, 1, QDate(2026, 12, 1), false, false);
    for (int n = 1; n <= Escala::kLinhasGrande; ++n) {
        const int cor = n % Escala::kCores;
        int tam = n % Escala::kTamanhos;
        if (Esgotado(n, cor, tam))
            tam = (tam + 1) % Escala::kTamanhos;
        item(grande, n, n, cor, tam, 1 + n % 7, QDate(2026, 12, 31));
    }
    db.Transaction()->Commit();
}

// Fills an upgraded, empty database (the caller recomputes index statistics
// the way the program does after a load).
inline void GeraBase(TXRDatabase &db, double escala, unsigned semente = 7)
{
    const Escala e = Escala::De(escala);
    std::mt19937 rnd(semente);
    GeraCadastros(db);
    GeraClientes(db, e, rnd);
    GeraProdutos(db, e);
    GeraPedidos(db, e, rnd);
}

} // namespace gerabase
