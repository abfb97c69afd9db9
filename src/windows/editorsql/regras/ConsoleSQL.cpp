#include "windows/editorsql/regras/ConsoleSQL.h"

#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "platform/DataSet.h"
#include "platform/fb/FbApi.h"
#include "platform/fb/FbWatchdog.h"

namespace {
// The statement time-out the program's other writes have.
constexpr int kTempoLimiteMs = 60000;
} // namespace

QStringList LinhasCamposTabela(const QString &tabela)
{
    return {
        QStringLiteral("SELECT R.RDB$FIELD_NAME AS CAMPO,"),
        QStringLiteral("CASE WHEN T.RDB$TYPE_NAME = 'VARYING' THEN 'VARCHAR('||F.RDB$FIELD_LENGTH||')' ELSE"),
        QStringLiteral("CASE WHEN T.RDB$TYPE_NAME = 'LONG' THEN 'INTEGER' ELSE"),
        QStringLiteral("CASE WHEN T.RDB$TYPE_NAME = 'SHORT' THEN 'SMALLINT' ELSE"),
        QStringLiteral("CASE WHEN T.RDB$TYPE_NAME = 'INT64' THEN "
                       "'NUMERIC('||F.RDB$FIELD_PRECISION||','||SUBSTRING(F.RDB$FIELD_SCALE FROM 2 FOR 5)||')' ELSE"),
        QStringLiteral("T.RDB$TYPE_NAME END END END END FIELD_NAME,"),
        QStringLiteral("F.RDB$FIELD_LENGTH AS TAMANHO,"),
        QStringLiteral("F.RDB$FIELD_PRECISION,"),
        QStringLiteral("F.RDB$FIELD_SCALE"),
        QStringLiteral("FROM RDB$RELATION_FIELDS R"),
        QStringLiteral("JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE"),
        QStringLiteral("JOIN RDB$TYPES T ON F.RDB$FIELD_TYPE = T.RDB$TYPE"),
        QStringLiteral("WHERE (R.RDB$RELATION_NAME = ") + Aspas(tabela) + QStringLiteral(" AND "),
        QStringLiteral("(T.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'))"),
        QStringLiteral("ORDER BY R.RDB$FIELD_NAME"),
    };
}

QString TextoNoCampo(const QString &campo, const QString &tipo) { return campo + QStringLiteral("     ") + tipo; }

QString CabecalhoHistorico(const QTime &hora)
{
    return QStringLiteral("-------------------") + hora.toString(QStringLiteral("hh:mm:ss"))
        + QStringLiteral("---------------------");
}

QString MensagemFalhaSQL(const QString &erro)
{
    return QStringLiteral("Problemas no código SQL.\n\n") + erro + '\n';
}

TConsoleSQL::TConsoleSQL(TXRDatabase *db)
    : m_db(db)
{
}

TConsoleSQL::~TConsoleSQL()
{
    if (m_tra && ConexaoMudou())
        (void)m_tra.release(); // its connection went away with it: nothing to call
    // the fb::Transaction rolls back what is still open
}

bool TConsoleSQL::ConexaoMudou() const
{
    return !m_db || !m_db->Connected() || &m_db->Attachment() != m_att;
}

fb::Transaction &TConsoleSQL::Transacao()
{
    if (m_tra && ConexaoMudou())
        (void)m_tra.release();
    if (!m_tra) {
        if (!m_db)
            throw EDatabaseError(QStringLiteral("Consulta sem conexão com o banco de dados."));
        m_att = &m_db->Attachment();
        m_tra = std::make_unique<fb::Transaction>(*m_att);
    }
    m_tra->start();
    return *m_tra;
}

bool TConsoleSQL::EmTransacao() const { return m_tra && !ConexaoMudou() && m_tra->active(); }

void TConsoleSQL::Commit()
{
    if (EmTransacao())
        m_tra->commitRetaining();
}

void TConsoleSQL::Rollback()
{
    if (EmTransacao())
        m_tra->rollback();
}

std::vector<TTabelaEstrutura> TConsoleSQL::Estrutura()
{
    fb::Transaction &tra = Transacao();
    std::vector<TTabelaEstrutura> tabelas;
    {
        fb::Statement st(*m_att, tra,
                         QStringLiteral("SELECT RDB$RELATION_NAME AS TABELA\nFROM RDB$RELATIONS\n"
                                        "where RDB$SYSTEM_FLAG = 0\n"));
        st.execute();
        Row linha;
        while (st.fetch(linha))
            tabelas.push_back({linha[0].toString(), {}});
    }
    for (TTabelaEstrutura &t : tabelas) {
        fb::Statement st(*m_att, tra, LinhasCamposTabela(t.tabela).join('\n'));
        st.execute();
        Row linha;
        while (st.fetch(linha))
            t.campos << TextoNoCampo(linha[0].toString(), linha[1].toString());
    }
    return tabelas;
}

TResultadoConsole TConsoleSQL::Executa(const QString &texto, DataSet &linhas)
{
    TResultadoConsole r;
    linhas.close();
    for (const QString &comando : fb::splitScript(texto)) {
        try {
            Executa(comando, linhas, r);
        } catch (const std::exception &e) {
            r.ok = false;
            r.erro = MensagemExcecao(e);
            break;
        }
        ++r.executados;
    }
    return r;
}

void TConsoleSQL::Executa(const QString &comando, DataSet &linhas, TResultadoConsole &r)
{
    fb::Transaction &tra = Transacao();
    fb::Statement st(*m_att, tra, comando);
    switch (st.type()) {
    // the console's own transaction, never the engine's statement
    case fb::StatementType::Commit: Commit(); return;
    case fb::StatementType::Rollback: Rollback(); return;
    case fb::StatementType::StartTransaction:
        throw EDatabaseError(QStringLiteral("SET TRANSACTION não é aceito no Editor SQL."));
    default: break;
    }
    if (st.isQuery()) {
        st.execute();
        linhas.close();
        st.fetchAll(linhas);
        linhas.open();
        linhas.first();
        r.mostrouLinhas = true;
        return;
    }
    fb::TimeoutGuard guarda(*m_att, kTempoLimiteMs);
    try {
        st.execute();
    } catch (const fb::Error &e) {
        if (guarda.fired())
            throw EDatabaseError(QString::fromLatin1(fb::kTimeoutText) + QStringLiteral(": ") + e.message());
        throw;
    }
}
