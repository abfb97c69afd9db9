#include "windows/principal/regras/Configuracao.h"

#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"

std::optional<TDadosConfig> LeConfig(TXRDatabase &db)
{
    TXRQuery q;
    q.SetDatabase(&db);
    q.SQL().Add(QStringLiteral("SELECT NRCNPJCPF, CODREP, DSHOSTSERV, DSENDERECOSERV, NMUSUARIO, DSSENHA, NRPORTASERV, "
                               "DTVALIDADE,"));
    q.SQL().Add(QStringLiteral("DSEMAIL, NRFONE, NRCELULAR, VLMINIMO, VLMINIMOPED, QTDEMAXITEM, NUMERO"));
    q.SQL().Add(QStringLiteral("FROM CONFIG"));
    q.Open();
    if (q.isEmpty())
        return std::nullopt;
    q.first();
    const auto texto = [&q](const char *campo) { return q.fieldByName(QString::fromLatin1(campo))->asString(); };
    const auto valor = [&q](const char *campo) { return q.fieldByName(QString::fromLatin1(campo))->value(); };
    TDadosConfig d;
    d.cnpjCpf = texto("NRCNPJCPF");
    d.codRep = texto("CODREP");
    d.servidor = texto("DSHOSTSERV");
    d.porta = texto("NRPORTASERV");
    d.endereco = texto("DSENDERECOSERV");
    d.usuario = texto("NMUSUARIO");
    d.senha = texto("DSSENHA");
    d.email = texto("DSEMAIL");
    d.fone = texto("NRFONE");
    d.celular = texto("NRCELULAR");
    d.pedido = texto("NUMERO");
    d.validade = valor("DTVALIDADE");
    d.vlMinimo = valor("VLMINIMO");
    d.vlMinimoPed = valor("VLMINIMOPED");
    d.qtdeMaxItem = valor("QTDEMAXITEM");
    return d;
}

int GravaConfig(TDMRepres &dm, const TDadosConfig &d)
{
    // DTVALIDADE is not written: it only comes from the server's load, and
    // writing back what was shown could undo a load made meanwhile
    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    q.SQL().Add(QStringLiteral("UPDATE CONFIG SET"));
    q.SQL().Add(QStringLiteral("NRCNPJCPF = :NRCNPJCPF,"));
    q.SQL().Add(QStringLiteral("DSHOSTSERV = :DSHOSTSERV,"));
    q.SQL().Add(QStringLiteral("DSENDERECOSERV = :DSENDERECOSERV,"));
    q.SQL().Add(QStringLiteral("NMUSUARIO = :NMUSUARIO,"));
    q.SQL().Add(QStringLiteral("DSSENHA = :DSSENHA,"));
    q.SQL().Add(QStringLiteral("NRPORTASERV = :NRPORTASERV,"));
    q.SQL().Add(QStringLiteral("DSEMAIL = :DSEMAIL,"));
    q.SQL().Add(QStringLiteral("NRFONE = :NRFONE,"));
    q.SQL().Add(QStringLiteral("NRCELULAR = :NRCELULAR,"));
    q.SQL().Add(QStringLiteral("NUMERO = :NUMERO"));
    q.SQL().Add(QStringLiteral("WHERE CODREP = :CODREP"));
    const auto liga = [&q](const char *nome, const QString &v) {
        q.ParamByName(QString::fromLatin1(nome))->SetAsString(v);
    };
    liga("NRCNPJCPF", d.cnpjCpf);
    liga("DSHOSTSERV", d.servidor);
    liga("DSENDERECOSERV", d.endereco);
    liga("NMUSUARIO", d.usuario);
    liga("DSSENHA", d.senha);
    // an integer column: the engine converts the text, and refuses what is
    // not a number
    if (d.porta.trimmed().isEmpty())
        q.ParamByName(QStringLiteral("NRPORTASERV"))->Clear();
    else
        liga("NRPORTASERV", d.porta);
    liga("DSEMAIL", d.email);
    liga("NRFONE", d.fone);
    liga("NRCELULAR", d.celular);
    liga("NUMERO", d.pedido);
    liga("CODREP", d.codRep);

    TXRCustomTransaction &tra = *dm.XRTransaction;
    int linhas = 0;
    try {
        SavepointGuard guarda(tra, QStringLiteral("GRAVA_CONFIG"));
        q.ExecSQL();
        linhas = q.RowsAffected();
        guarda.Release();
    } catch (...) {
        tra.CommitRetaining();
        throw;
    }
    tra.CommitRetaining();
    return linhas;
}

QString EnderecoServidorConfig(const QString &endereco, const QString &host)
{
    return endereco.trimmed().isEmpty() ? host : endereco;
}
