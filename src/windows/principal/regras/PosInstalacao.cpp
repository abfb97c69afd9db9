#include "windows/principal/regras/PosInstalacao.h"

#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"

#include <QDate>

#include <exception>

QString MensagemCamposFaltando(const QStringList &nomes)
{
    if (nomes.isEmpty())
        return {};
    if (nomes.size() == 1)
        return QStringLiteral("Favor preencher o seguinte campo: ") + nomes.first();
    QString texto = QStringLiteral("Favor preencher os seguintes campos: \r");
    for (const QString &n : nomes)
        texto += n + '\r';
    return texto;
}

int PortaComoInteiro(const QString &porta)
{
    bool ok = false;
    const int n = porta.trimmed().toInt(&ok);
    return ok ? n : 0;
}

bool GravaConfigPosInstal(TDMRepres &dm, const TDadosPosInstal &d, QString &erro)
{
    // CampoExiste answers true when the column is missing
    const bool comDe = !dm.CampoExiste(QStringLiteral("CONFIG"), QStringLiteral("DTDEENTREGA"));
    const bool comAte = !dm.CampoExiste(QStringLiteral("CONFIG"), QStringLiteral("DTATEENTREGA"));

    TXRQuery q;
    q.SetDatabase(dm.XRDtRepres);
    q.SQL().Add(QStringLiteral("INSERT INTO CONFIG"));
    q.SQL().Add(QStringLiteral("(CODREP, NMUSUARIO, DSENDERECOSERV, DSHOSTSERV, DSSENHA, NRPORTASERV, VLMINIMO "));
    if (comDe)
        q.SQL().Add(QStringLiteral(",DTDEENTREGA "));
    if (comAte)
        q.SQL().Add(QStringLiteral(",DTATEENTREGA "));
    q.SQL().Add(QStringLiteral(")"));
    q.SQL().Add(QStringLiteral("VALUES"));
    q.SQL().Add(QStringLiteral("(:CODREP, :NMUSUARIO, :DSENDERECOSERV, :DSHOSTSERV, :DSSENHA, :NRPORTASERV, 0"));
    if (comDe)
        q.SQL().Add(QStringLiteral(",:DTDEENTREGA"));
    if (comAte)
        q.SQL().Add(QStringLiteral(",:DTATEENTREGA"));
    q.SQL().Add(QStringLiteral(")"));
    q.ParamByName(QStringLiteral("CODREP"))->SetAsString(d.codRep);
    q.ParamByName(QStringLiteral("NMUSUARIO"))->SetAsString(d.usuario);
    q.ParamByName(QStringLiteral("DSENDERECOSERV"))->SetAsString(d.servidor);
    q.ParamByName(QStringLiteral("DSHOSTSERV"))->SetAsString(d.servidor);
    q.ParamByName(QStringLiteral("DSSENHA"))->SetAsString(d.senha);
    // stored as typed: the engine converts the text to the column's type
    q.ParamByName(QStringLiteral("NRPORTASERV"))->SetAsString(d.porta);
    if (comDe)
        q.ParamByName(QStringLiteral("DTDEENTREGA"))->SetAsDate(QDate(2000, 1, 1));
    if (comAte)
        q.ParamByName(QStringLiteral("DTATEENTREGA"))->SetAsDate(QDate(2050, 12, 31));

    TXRCustomTransaction &tra = *dm.XRTransaction;
    try {
        SavepointGuard guarda(tra, QStringLiteral("POS_INSTALACAO"));
        q.ExecSQL();
        guarda.Release();
        tra.CommitRetaining();
        return true;
    } catch (const EDatabaseError &e) {
        erro = e.message();
    } catch (const std::exception &e) {
        erro = QString::fromUtf8(e.what());
    }
    return false;
}
