#pragma once

// Generates customers with contacts-free rows for the customer benchmarks:
// names from a small word list so typed prefixes match realistic shares.

#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"

#include <QDate>
#include <QStringList>

#include <random>

inline void GeraClientes(TXRDatabase &db, int n, unsigned semente = 42)
{
    static const QStringList primeiros{"MARIA", "MARCOS", "JOSE", "ANA", "PAULO", "CARLOS", "BEATRIZ", "LUCAS",
                                       "FERNANDA", "RAFAEL", "JULIANA", "PEDRO", "CAMILA", "BRUNO", "LETICIA",
                                       "GUSTAVO", "TATIANA", "RODRIGO", "VANESSA", "EDUARDO"};
    static const QStringList tipos{"MODAS", "CONFECCOES", "BOUTIQUE", "MAGAZINE", "STORE", "ATELIE"};
    static const QStringList cidades{"SAO PAULO", "CAMPINAS", "CURITIBA", "RECIFE", "GOIANIA", "BELEM",
                                     "SALVADOR", "NATAL"};
    static const QStringList ufs{"SP", "SP", "PR", "PE", "GO", "PA", "BA", "RN"};
    std::mt19937 rnd(semente);
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add("INSERT INTO CLIENTE (CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_IEST, CLI_TELE, CLI_MAIL, CLI_ENDE, "
                "CLI_NEND, CLI_BAIR, CLI_CEP, CLI_UF, CLI_NOMCID, CLI_TIPO, CLI_DTCA, CLI_IDENVIADO, CLI_IDSTATUS) "
                "VALUES (:CODI, :NOME, :FANT, :CNPJ, :IEST, :TELE, :MAIL, 'RUA DAS FLORES', :NEND, 'CENTRO', "
                "'01001000', :UF, :CIDADE, '2', :DTCA, 'S', :STATUS)");
    const char *status[] = {"S", "N", "B", ""};
    for (int i = 1; i <= n; ++i) {
        const QString nome = primeiros[int(rnd() % primeiros.size())] + ' ' + tipos[int(rnd() % tipos.size())] + ' '
            + QString::number(i);
        const int c = int(rnd() % cidades.size());
        q.ParamByName("CODI")->SetAsString(QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')));
        q.ParamByName("NOME")->SetAsString(nome + QStringLiteral(" LTDA"));
        q.ParamByName("FANT")->SetAsString(nome);
        q.ParamByName("CNPJ")->SetAsString(QStringLiteral("%1").arg(qint64(11222000000000) + i * 97, 14, 10, QLatin1Char('0')));
        q.ParamByName("IEST")->SetAsString(QString::number(100000 + i));
        q.ParamByName("TELE")->SetAsString(QStringLiteral("(011)9%1").arg(i, 8, 10, QLatin1Char('0')));
        q.ParamByName("MAIL")->SetAsString(QStringLiteral("cliente%1@exemplo.com").arg(i));
        q.ParamByName("NEND")->SetAsString(QString::number(i % 900 + 1));
        q.ParamByName("UF")->SetAsString(ufs[c]);
        q.ParamByName("CIDADE")->SetAsString(cidades[c]);
        q.ParamByName("DTCA")->SetAsDate(QDate(2020, 1, 1).addDays(int(rnd() % 1800)));
        q.ParamByName("STATUS")->SetAsString(QString::fromLatin1(status[rnd() % 4]));
        q.ExecSQL();
    }
    db.Transaction()->Commit();
}
