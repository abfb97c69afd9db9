#include "windows/clientes/regras/RegrasCliente.h"

#include "data/UntFuncoes.h"
#include "data/XRQuery.h"
#include "data/XRTransaction.h"
#include "data/untDMRepres.h"
#include "platform/DataSet.h"

#include <QRegularExpression>

#include <exception>

namespace {

QString texto(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const EDatabaseError *>(&e))
        return db->message();
    return QString::fromUtf8(e.what());
}

// A query on the module's connection.
struct Consulta {
    explicit Consulta(TDMRepres &dm) { q.SetDatabase(dm.XRDtRepres); }
    Consulta &linhas(const QStringList &l)
    {
        for (const QString &s : l)
            q.SQL().Add(s);
        return *this;
    }
    Consulta &param(const QString &nome, const QVariant &v)
    {
        q.ParamByName(nome)->Value = v;
        return *this;
    }
    TXRQuery q;
};

bool existe(TDMRepres &dm, const QStringList &sql, const QString &codigo)
{
    Consulta c(dm);
    c.linhas(sql).param(QStringLiteral("CODIGO"), codigo);
    c.q.Open();
    return !c.q.isEmpty();
}

bool soDigitosVazios(const QString &s)
{
    for (const QChar ch : s)
        if (ch.isDigit())
            return false;
    return true;
}

QVariant dataOuNulo(const QVariant &v)
{
    const QDate d = v.toDate();
    // the zero date of the old toolkit means "no date"
    return d.isValid() && d > QDate(1899, 12, 30) ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate));
}

QString crlf(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace('\r', '\n');
    s.replace('\n', QStringLiteral("\r\n"));
    return s;
}

} // namespace

const QStringList &EstadosCliente()
{
    static const QStringList ufs = QStringLiteral(
        "AC,AL,AP,AM,BA,CE,DF,ES,GO,MA,MG,MT,MS,PA,PB,PE,PI,PR,RJ,RN,RO,RR,RS,SC,SE,SP,TO,EX").split(',');
    return ufs;
}

void PreparaContatos(DataSet &contatos)
{
    contatos.close();
    contatos.setFieldDefs({
        {QStringLiteral("CONT_CCLI"), FieldType::String, 5},
        {QStringLiteral("CONT_ITEM"), FieldType::Integer},
        {QStringLiteral("CONT_NOME"), FieldType::String, 80},
        {QStringLiteral("CONT_FONE"), FieldType::String, 30},
        {QStringLiteral("CONT_MAIL"), FieldType::String, 100},
        {QStringLiteral("CONT_NASC"), FieldType::Date},
        {QStringLiteral("CONT_TIPO"), FieldType::String, 1},
        {QStringLiteral("CONT_TEXT"), FieldType::Memo, 1024},
        {QStringLiteral("CONT_OBS"), FieldType::String, 50},
        {QStringLiteral("CONT_CNPJ"), FieldType::String, 18},
    });
    contatos.beforePost = [](DataSet &d) {
        if (d.fieldByName(QStringLiteral("CONT_NOME"))->asString().trimmed().isEmpty()) {
            d.cancel();
            throw EAbort();
        }
    };
    contatos.open();
}

void PostaContato(DataSet &contatos)
{
    try {
        contatos.postIfEditing();
    } catch (const EAbort &) {
        // the row check dropped a nameless row
    }
}

QString RemoveMascara(const QString &texto)
{
    QString s = texto.trimmed();
    s.remove(QRegularExpression(QStringLiteral("[.\\-/ ]")));
    return s;
}

bool ValidaDocumento(const QString &tipo, const QString &documento)
{
    if (tipo == QLatin1String("1"))
        return ValidaCPF(documento);
    if (tipo == QLatin1String("2"))
        return ValidaCNPJ(documento);
    return false;
}

std::optional<TFalhaCliente> ValidaCliente(TDMRepres &dm, TDadosCliente &c, DataSet &contatos,
                                           const QString &emailObrigatorio)
{
    using namespace campo_cliente;
    auto falha = [](int n, const char *msg, const char *campo) {
        return TFalhaCliente{n, QString::fromUtf8(msg), campo ? QString::fromLatin1(campo) : QString()};
    };
    if (c.email.isEmpty() && emailObrigatorio == QLatin1String("S"))
        return falha(1, "Favor informar o Email", Email);
    if (c.nome.trimmed().isEmpty())
        return falha(2, "Nome Inválido. Impossível Continuar.", Nome);
    if (c.fantasia.trimmed().isEmpty())
        return falha(3, "Fantasia Inválida. Impossível Continuar.", Fantasia);
    // the mask's literals alone are no number
    if (soDigitosVazios(c.cnpj))
        return falha(4, "CNPJ Inválido. Impossível Continuar.", Cnpj);
    if (c.inscricao.trimmed().isEmpty())
        return falha(5, "Inscrição Estadual Inválida. Impossível Continuar.", Inscricao);
    if (soDigitosVazios(c.telefone))
        return falha(6, "Telefone Inválido. Impossível Continuar.", Telefone);
    if (c.cep.trimmed().isEmpty())
        return falha(7, "CEP Inválido. Impossível Continuar.", Cep);
    if (c.cidade.trimmed().isEmpty())
        return falha(8, "Cidade Inválida. Impossível Continuar.", Cidade);
    if (c.uf.trimmed().isEmpty())
        return falha(9, "Estado Inválido. Impossível Continuar.", Uf);
    if (c.endereco.trimmed().isEmpty())
        return falha(10, "Endereço Inválido. Impossível Continuar.", Endereco);
    if (c.numero.trimmed().isEmpty())
        return falha(11, "Número Inválido. Impossível Continuar.", Numero);
    if (c.bairro.trimmed().isEmpty())
        return falha(12, "Bairro Inválido. Impossível Continuar.", Bairro);
    if (c.enviado == QLatin1String("S")
        && !existe(dm,
                   {QStringLiteral("SELECT 1 FROM  PEDIDO P"), QStringLiteral("WHERE P.PED_CCLI = :CODIGO"),
                    QStringLiteral("AND P.PED_NRLOTE IS NOT NULL")},
                   c.codigo)) {
        c.enviado = QStringLiteral("N");
        return falha(13, "Cliente não pode ter Status de Transmitido\rPois não há Pedidos transmitidos desse Cliente",
                     nullptr);
    }
    PostaContato(contatos);
    QStringList nomes;
    for (int i = 0; i < contatos.recordCount(); ++i) {
        const QString nome = contatos.valueAt(i, contatos.fieldIndex(QStringLiteral("CONT_NOME"))).toString();
        if (nomes.contains(nome))
            return TFalhaCliente{14, QStringLiteral("Contato ") + nome + QStringLiteral(" já existe."),
                                 QString::fromLatin1(Contatos)};
        nomes << nome;
    }
    return std::nullopt;
}

QString BuscaCnpjDuplicado(TDMRepres &dm, const QString &codigo, const QString &cnpj)
{
    Consulta c(dm);
    c.linhas({QStringLiteral("SELECT CLI_CODI"), QStringLiteral("FROM CLIENTE"),
              QStringLiteral("WHERE CLI_CODI <> :CODIGO"),
              QStringLiteral("AND REPLACE(REPLACE(REPLACE(REPLACE("),
              QStringLiteral("CLI_CNPJ, '.', ''), '-', ''), '/', ''), ' ', '')"),
              QStringLiteral("= :CNPJ")});
    c.param(QStringLiteral("CODIGO"), codigo).param(QStringLiteral("CNPJ"), RemoveMascara(cnpj));
    c.q.Open();
    if (c.q.isEmpty())
        return {};
    c.q.first();
    const QString outro = c.q.fieldByName(QStringLiteral("CLI_CODI"))->asString();
    return outro != codigo ? outro : QString();
}

bool CarregaCliente(TDMRepres &dm, const QString &codigo, TDadosCliente &c, DataSet &contatos)
{
    Consulta q(dm);
    q.linhas({QStringLiteral("SELECT C.CLI_CODI, C.CLI_NOME, C.CLI_FANT, C.CLI_CNPJ, C.CLI_IEST, C.CLI_TELE, C.CLI_MAIL,"),
              QStringLiteral("C.CLI_ENDE, C.CLI_NEND, C.CLI_COMP, C.CLI_BAIR, C.CLI_TIPO, C.CLI_CEP, C.CLI_UF, C.CLI_DTCA,"),
              QStringLiteral("C.CLI_IDENVIADO, C.CLI_CODCLIEMP, C.CLI_NOMCID, C.CLI_OBSERVACAO, C.CLI_NRDIAS, "
                             "C.CLI_IDSTATUS, CLI_PRZMEDIO"),
              QStringLiteral("FROM CLIENTE C"), QStringLiteral("WHERE C.CLI_CODI = :CODIGO")});
    q.param(QStringLiteral("CODIGO"), codigo);
    q.q.Open();
    if (q.q.isEmpty())
        return false;
    q.q.first();
    auto s = [&q](const char *f) { return q.q.fieldByName(QString::fromLatin1(f))->asString(); };
    c.codigo = s("CLI_CODI");
    c.nome = s("CLI_NOME");
    c.fantasia = s("CLI_FANT");
    c.cnpj = s("CLI_CNPJ");
    c.inscricao = s("CLI_IEST");
    c.telefone = s("CLI_TELE");
    c.email = s("CLI_MAIL");
    c.endereco = s("CLI_ENDE");
    c.numero = s("CLI_NEND");
    c.complemento = s("CLI_COMP");
    c.bairro = s("CLI_BAIR");
    c.cep = s("CLI_CEP");
    c.uf = s("CLI_UF");
    c.cadastro = q.q.fieldByName(QStringLiteral("CLI_DTCA"))->asDate();
    c.codCliEmp = s("CLI_CODCLIEMP");
    c.cidade = s("CLI_NOMCID");
    c.observacao = crlf(s("CLI_OBSERVACAO"));
    c.dias = q.q.fieldByName(QStringLiteral("CLI_NRDIAS"))->value();
    c.idStatus = s("CLI_IDSTATUS");
    c.przMedio = q.q.fieldByName(QStringLiteral("CLI_PRZMEDIO"))->value();
    // other letters leave the choice shown as it was
    if (const QString t = s("CLI_TIPO"); t == QLatin1String("1") || t == QLatin1String("2"))
        c.tipo = t;
    if (const QString e = s("CLI_IDENVIADO"); e == QLatin1String("N") || e == QLatin1String("S") || e == QLatin1String("T"))
        c.enviado = e;
    q.q.Close();

    Consulta k(dm);
    k.linhas({QStringLiteral("SELECT CL.CONT_CCLI, CL.CONT_ITEM, CL.CONT_NOME, CL.CONT_FONE, CL.CONT_MAIL, CL.CONT_NASC,"),
              QStringLiteral("CL.CONT_TIPO, CL.CONT_TEXT, CL.CONT_OBS, CL.CONT_CNPJ"), QStringLiteral("FROM CONTATO_CLI CL"),
              QStringLiteral("WHERE CL.CONT_CCLI = :CODIGO"), QStringLiteral("ORDER BY CL.CONT_ITEM")});
    k.param(QStringLiteral("CODIGO"), codigo);
    k.q.Open();
    PostaContato(contatos);
    contatos.emptyTable();
    const QStringList campos = contatos.fieldNames();
    for (k.q.first(); !k.q.eof(); k.q.next()) {
        Row r;
        for (const QString &f : campos) {
            const Field *origem = k.q.findField(f);
            r.push_back(origem ? coerceToFieldType(origem->value(), contatos.fieldByName(f)->dataType()) : QVariant());
        }
        contatos.appendRow(std::move(r));
    }
    contatos.first();
    return true;
}

bool GravaCliente(TDMRepres &dm, const TDadosCliente &c, DataSet &contatos, QString &mensagem)
{
    PostaContato(contatos);
    const bool existente = existe(dm, {QStringLiteral("SELECT 1 FROM CLIENTE WHERE CLI_CODI = :CODIGO")}, c.codigo);
    if (!existente) {
        const int n = dm.BuscaNrRefer();
        if (contatos.recordCount() < n) {
            mensagem = QStringLiteral("Cliente deve possuir pelo menos ") + QString::number(n)
                + QStringLiteral(" referências comercias") + '\r' + QStringLiteral("Gravação Cancelada");
            return false;
        }
    }
    const int dias = c.dias.isNull() ? 0 : c.dias.toInt();
    TXRCustomTransaction &tra = *dm.XRTransaction;
    SavepointGuard guarda(tra, QStringLiteral("GRAVA_CLIENTE"));
    try {
        Consulta q(dm);
        if (existente) {
            q.linhas({QStringLiteral("UPDATE CLIENTE SET"), QStringLiteral("CLI_NOME = :CLI_NOME,"),
                      QStringLiteral("CLI_FANT = :CLI_FANT,"), QStringLiteral("CLI_CNPJ = :CLI_CNPJ,"),
                      QStringLiteral("CLI_IEST = :CLI_IEST,"), QStringLiteral("CLI_TELE = :CLI_TELE,"),
                      QStringLiteral("CLI_MAIL = :CLI_MAIL,"), QStringLiteral("CLI_CEP = :CLI_CEP,"),
                      QStringLiteral("CLI_NOMCID = :CLI_NOMCID,"), QStringLiteral("CLI_UF = :CLI_UF,"),
                      QStringLiteral("CLI_ENDE = :CLI_ENDE,"), QStringLiteral("CLI_NEND = :CLI_NEND,"),
                      QStringLiteral("CLI_COMP = :CLI_COMP,"), QStringLiteral("CLI_BAIR = :CLI_BAIR,"),
                      QStringLiteral("CLI_NRDIAS = :CLI_NRDIAS,"), QStringLiteral("CLI_OBSERVACAO = :CLI_OBSERVACAO,")});
            if (!c.tipo.isEmpty())
                q.linhas({QStringLiteral("CLI_TIPO = :CLI_TIPO,")});
            q.linhas({QStringLiteral("CLI_IDENVIADO = :CLI_IDENVIADO"), QStringLiteral("WHERE CLI_CODI = :CLI_CODI")});
        } else {
            q.linhas({QStringLiteral("INSERT INTO CLIENTE "),
                      QStringLiteral("(CLI_CODI, CLI_NOME, CLI_FANT, CLI_CNPJ, CLI_IEST, CLI_TELE, CLI_MAIL, CLI_ENDE, "
                                     "CLI_NEND, CLI_COMP,"),
                      QStringLiteral("CLI_BAIR, CLI_TIPO, CLI_CEP, CLI_UF, CLI_DTCA, CLI_IDENVIADO, CLI_NOMCID, "
                                     "CLI_OBSERVACAO, CLI_NRDIAS, CLI_PRZMEDIO)"),
                      QStringLiteral("VALUES"),
                      QStringLiteral("(:CLI_CODI, :CLI_NOME, :CLI_FANT, :CLI_CNPJ, :CLI_IEST, :CLI_TELE, :CLI_MAIL, "
                                     ":CLI_ENDE, :CLI_NEND, :CLI_COMP,"),
                      QStringLiteral(":CLI_BAIR, :CLI_TIPO, :CLI_CEP, :CLI_UF, :CLI_DTCA, :CLI_IDENVIADO, :CLI_NOMCID, "
                                     ":CLI_OBSERVACAO, :CLI_NRDIAS, 0)")});
            q.param(QStringLiteral("CLI_DTCA"), c.cadastro.isValid() ? QVariant(c.cadastro) : QVariant());
        }
        const std::pair<const char *, QString> valores[] = {
            {"CLI_CODI", c.codigo},    {"CLI_NOME", c.nome},         {"CLI_FANT", c.fantasia},
            {"CLI_CNPJ", c.cnpj},      {"CLI_IEST", c.inscricao},    {"CLI_TELE", c.telefone},
            {"CLI_MAIL", c.email},     {"CLI_CEP", c.cep},           {"CLI_NOMCID", c.cidade},
            {"CLI_UF", c.uf},          {"CLI_ENDE", c.endereco},     {"CLI_NEND", c.numero},
            {"CLI_COMP", c.complemento}, {"CLI_BAIR", c.bairro},     {"CLI_OBSERVACAO", c.observacao},
            {"CLI_IDENVIADO", c.enviado},
        };
        for (const auto &[nome, valor] : valores)
            q.param(QString::fromLatin1(nome), valor);
        q.param(QStringLiteral("CLI_NRDIAS"), dias);
        if (TParam *t = q.q.FindParam(QStringLiteral("CLI_TIPO")))
            t->Value = c.tipo;
        q.q.ExecSQL();
    } catch (const std::exception &e) {
        mensagem = QStringLiteral("Problema na inclusão/alteração do Cliente.\r\n\r\n") + texto(e);
        return false;
    }

    {
        Consulta d(dm);
        d.linhas({QStringLiteral("DELETE FROM CONTATO_CLI WHERE CONT_CCLI = :CODIGO")});
        d.param(QStringLiteral("CODIGO"), c.codigo);
        try {
            d.q.ExecSQL();
        } catch (const std::exception &e) {
            mensagem = QStringLiteral("Problema na inclusão do contato\r\n\r\n") + texto(e);
            return false;
        }
    }
    auto v = [&contatos](int linha, const char *f) {
        return contatos.valueAt(linha, contatos.fieldIndex(QString::fromLatin1(f)));
    };
    for (int i = 0; i < contatos.recordCount(); ++i) {
        try {
            Consulta k(dm);
            k.linhas({QStringLiteral("INSERT INTO CONTATO_CLI "),
                      QStringLiteral("(CONT_CCLI, CONT_ITEM, CONT_NOME, CONT_FONE, CONT_MAIL, CONT_NASC, CONT_TIPO, "
                                     "CONT_TEXT, CONT_OBS,"),
                      QStringLiteral("CONT_CNPJ)"), QStringLiteral("VALUES"),
                      QStringLiteral("(:CONT_CCLI, :CONT_ITEM, :CONT_NOME, :CONT_FONE, :CONT_MAIL, :CONT_NASC, "
                                     ":CONT_TIPO, :CONT_TEXT, :CONT_OBS, :CONT_CNPJ)")});
            k.param(QStringLiteral("CONT_CCLI"), c.codigo)
                .param(QStringLiteral("CONT_ITEM"), i + 1)
                .param(QStringLiteral("CONT_NOME"), v(i, "CONT_NOME").toString())
                .param(QStringLiteral("CONT_FONE"), v(i, "CONT_FONE").toString())
                .param(QStringLiteral("CONT_MAIL"), v(i, "CONT_MAIL").toString())
                .param(QStringLiteral("CONT_NASC"), dataOuNulo(v(i, "CONT_NASC")))
                .param(QStringLiteral("CONT_TIPO"), v(i, "CONT_TIPO").toString())
                .param(QStringLiteral("CONT_TEXT"), v(i, "CONT_TEXT").toString())
                .param(QStringLiteral("CONT_OBS"), v(i, "CONT_OBS").toString())
                .param(QStringLiteral("CONT_CNPJ"), c.cnpj);
            k.q.ExecSQL();
        } catch (const std::exception &e) {
            mensagem = QStringLiteral("Problema na inclusão do contato\r\n\r\n") + texto(e);
            return false;
        }
    }
    guarda.Release();
    tra.CommitRetaining();
    return true;
}

TExclusaoCliente ExcluiCliente(TDMRepres &dm, const QString &codigo)
{
    // the next new customer would take this code and inherit the orders
    if (existe(dm, {QStringLiteral("SELECT 1 FROM PEDIDO WHERE PED_CCLI = :CODIGO")}, codigo))
        return TExclusaoCliente::ComPedidos;
    TXRCustomTransaction &tra = *dm.XRTransaction;
    bool ok = false;
    {
        SavepointGuard guarda(tra, QStringLiteral("EXCLUI_CLIENTE"));
        try {
            for (const char *sql : {"DELETE FROM CONTATO_CLI WHERE CONT_CCLI = :CODIGO",
                                    "DELETE FROM CLIENTE WHERE CLI_CODI = :CODIGO"}) {
                Consulta d(dm);
                d.linhas({QString::fromLatin1(sql)}).param(QStringLiteral("CODIGO"), codigo);
                d.q.ExecSQL();
            }
            guarda.Release();
            ok = true;
        } catch (const std::exception &) {
            ok = false;
        }
    }
    tra.CommitRetaining();
    return ok ? TExclusaoCliente::Excluido : TExclusaoCliente::Falhou;
}

void SqlConsultaClientes(const TFiltroCliente &f, QStringList &sql, std::vector<std::pair<QString, QVariant>> &valores)
{
    sql = QStringList{
        QStringLiteral("SELECT C.CLI_CODI, C.CLI_NOME, C.CLI_FANT, C.CLI_CNPJ, C.CLI_IEST, C.CLI_TELE, C.CLI_MAIL, C.CLI_ENDE,"),
        QStringLiteral("C.CLI_NEND, C.CLI_COMP, C.CLI_BAIR, C.CLI_TIPO, C.CLI_CEP, C.CLI_UF, C.CLI_DTCA, C.CLI_IDENVIADO, "),
        QStringLiteral("C.CLI_CODCLIEMP, C.CLI_NOMCID, C.CLI_OBSERVACAO, C.CLI_NRDIAS, C.CLI_IDSTATUS,"),
        QStringLiteral("CASE WHEN CLI_IDSTATUS = 'S' THEN 'Ativo' ELSE "),
        QStringLiteral("CASE WHEN CLI_IDSTATUS = 'N' THEN 'Inativo' ELSE "),
        QStringLiteral("CASE WHEN CLI_IDSTATUS = 'B' THEN 'Bloqueado' ELSE "),
        QStringLiteral("'Sem Status' END END END CLI_DSSTATUS "),
        QStringLiteral("FROM CLIENTE C"),
        QStringLiteral("WHERE C.CLI_DTCA >= :DTDE"),
        QStringLiteral("AND C.CLI_DTCA <= :DTATE"),
    };
    valores = {{QStringLiteral("DTDE"), f.de}, {QStringLiteral("DTATE"), f.ate}};
    auto filtro = [&](const QString &valor, const char *linha, const char *param, bool contendo) {
        if (valor.trimmed().isEmpty())
            return;
        sql << QString::fromLatin1(linha);
        valores.emplace_back(QString::fromLatin1(param), contendo ? '%' + valor + '%' : valor);
    };
    filtro(f.codigo, "AND C.CLI_CODI = :CODIGO", "CODIGO", false);
    filtro(f.cnpj, "AND C.CLI_CNPJ = :CNPJ", "CNPJ", false);
    filtro(f.fantasia, "AND C.CLI_FANT LIKE :FANTASIA", "FANTASIA", true);
    filtro(f.telefone, "AND C.CLI_TELE LIKE :TELEFONE", "TELEFONE", true);
    filtro(f.email, "AND C.CLI_MAIL LIKE :EMAIL", "EMAIL", true);
    filtro(f.cidade, "AND C.CLI_NOMCID LIKE :CIDADE", "CIDADE", true);
    filtro(f.uf, "AND C.CLI_UF = :UF", "UF", false);
}

void PreparaConsultaClientes(TXRQuery &q, const TFiltroCliente &f)
{
    QStringList sql;
    std::vector<std::pair<QString, QVariant>> valores;
    SqlConsultaClientes(f, sql, valores);
    q.Close();
    q.SQL().Clear();
    for (const QString &l : sql)
        q.SQL().Add(l);
    for (const auto &[nome, valor] : valores)
        q.ParamByName(nome)->Value = valor;
}

QStringList SqlPesquisaClientes()
{
    return {QStringLiteral("SELECT CLI_NOME, CLI_CODI, CLI_CNPJ, CLI_FANT, CLI_TELE, CLI_MAIL, CLI_UF, CLI_NOMCID FROM CLIENTE")};
}
