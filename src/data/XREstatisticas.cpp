#include "data/XREstatisticas.h"

#include "data/XRDatabase.h"
#include "data/XRTransaction.h"
#include "platform/fb/FbApi.h"

namespace {
QString identificador(const QString &nome)
{
    QString t = nome.trimmed();
    t.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}
} // namespace

void AtualizaEstatisticas(TXRCustomDatabase &db, const QStringList &tabelas)
{
    try {
        fb::Attachment &att = db.Attachment();
        fb::Transaction &tra = db.Transaction()->Engine();
        QStringList indices;
        {
            fb::Statement q(att, tra,
                            QStringLiteral("SELECT RDB$INDEX_NAME FROM RDB$INDICES WHERE RDB$RELATION_NAME = ?"));
            for (const QString &t : tabelas) {
                q.setParam(0, t.trimmed().toUpper());
                q.execute();
                Row r;
                while (q.fetch(r))
                    indices << r[0].toString().trimmed();
                q.closeCursor();
            }
        }
        for (const QString &i : indices)
            fb::executeImmediate(att, tra, QStringLiteral("SET STATISTICS INDEX ") + identificador(i));
    } catch (const fb::Error &e) {
        throw EDatabaseError(e.message());
    }
}
