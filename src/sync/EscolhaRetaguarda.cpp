#include "sync/EscolhaRetaguarda.h"

#include "data/untDMRepres.h"
#include "sync/untDMComunicacao.h"
#include "sync/untDMRemoto.h"

#include <stdexcept>

namespace {

TDMComunicacao &Rest()
{
    if (!DMComunicacao)
        throw std::logic_error("DMComunicacao not created");
    return *DMComunicacao;
}

TClientModule1 &Modulo()
{
    if (!ClientModule1)
        throw std::logic_error("ClientModule1 not created");
    return *ClientModule1;
}

class RetaguardaRest final : public IRetaguarda {
public:
    bool EhRest() const override { return true; }
    bool RetornaConexao() override { return Rest().RetornaConexao(false); }
    int ConfereSenha(const QString &u, const QString &s, const QString &c) override { return Rest().ConfereSenha(u, s, c); }
    QString GetVersaoServ() override { return Rest().GetVersaoServ(); }
    QDateTime DataServidor(const QString &t) override { return Rest().DataServidor(t); }
    void GetCfgDisponivel(int i, const QString &c, DataSet *u, DataSet *d) override { Rest().GetCfgDisponivel(i, c, u, d); }
    bool CarregaTabelas(int i, const QString &c, bool r) override { return Rest().CarregaTabelas(i, c, r); }
    bool GravaDadosEmpresa(int i) override { return Rest().GravaDadosEmpresa(i); }
    bool RetornaCodCliRepres(DataSet *t) override { return Rest().RetornaCodCliRepres(t); }
    QString AtualizaNmRepresentante(const QString &c) override { return Rest().AtualizaNmRepresentante(c); }
    QString AtualizaEmailFone(const QString &c, QString &f) override { return Rest().AtualizaEmailFone(c, f); }
    bool AtualizaConfigRepres(int i, const QString &c) override { return Rest().AtualizaConfigRepres(i, c); }
    void InformaVersao(const QString &v, const QString &c) override { Rest().PostVersaoRepresen(v, c); }
    bool ExistePedido(const QString &c, const QString &p, int &l, QDateTime &d, QDateTime &h) override
    {
        return Rest().ExistePedido(c, p, l, d, h);
    }
    TResultadoEnvio EnviaPedidos(const QString &c, const QString &p, int l, QString &r, DataSet *t) override
    {
        return Rest().EnviaPedidos(c, p, l, r, t);
    }
    std::optional<QDateTime> DataServidorEnvio(const QString &t) override
    {
        const QDateTime d = Rest().DataServidor(t);
        if (Rest().UltimaSemResposta())
            return std::nullopt;
        return d;
    }
};

class RetaguardaDataSnap final : public IRetaguarda {
public:
    bool EhRest() const override { return false; }
    bool RetornaConexao() override { return Modulo().RetornaConexao(); }
    int ConfereSenha(const QString &u, const QString &s, const QString &c) override { return Modulo().ConfereSenha(u, s, c); }
    QString GetVersaoServ() override { return Modulo().ServerMethods1Client()->GetVersaoServ(); }
    QDateTime DataServidor(const QString &t) override { return Modulo().ServerMethods1Client()->DataServidor(t); }
    void GetCfgDisponivel(int i, const QString &c, DataSet *u, DataSet *d) override { Modulo().GetCfgDisponivel(i, c, u, d); }
    bool CarregaTabelas(int i, const QString &c, bool r) override { return Modulo().CarregaTabelas(i, c, r); }
    bool GravaDadosEmpresa(int i) override { return Modulo().GravaDadosEmpresa(i); }
    bool RetornaCodCliRepres(DataSet *t) override { return Modulo().RetornaCodCliRepres(t); }
    QString AtualizaNmRepresentante(const QString &c) override
    {
        return Modulo().ServerMethods1Client()->AtualizaNmRepresentante(c);
    }
    QString AtualizaEmailFone(const QString &c, QString &f) override
    {
        return Modulo().ServerMethods1Client()->AtualizaEmailFone(c, f);
    }
    bool AtualizaConfigRepres(int i, const QString &c) override
    {
        return Modulo().ServerMethods1Client()->AtualizaConfigRepres(i, c);
    }
    void InformaVersao(const QString &v, const QString &c) override
    {
        Modulo().ServerMethods1Client()->GetVersaoRepresen(v, c);
    }
    bool ExistePedido(const QString &c, const QString &p, int &l, QDateTime &d, QDateTime &h) override
    {
        return Modulo().ServerMethods1Client()->ExistePedido(c, p, l, d, h);
    }
    TResultadoEnvio EnviaPedidos(const QString &c, const QString &p, int l, QString &r, DataSet *t) override
    {
        return Modulo().EnviaPedidos(c, p, l, r, t);
    }
    std::optional<QDateTime> DataServidorEnvio(const QString &t) override
    {
        try {
            const QDateTime d = Modulo().ServerMethods1Client()->DataServidor(t);
            if (d.isValid())
                return d;
        } catch (const std::exception &) {
        }
        return std::nullopt;
    }
};

} // namespace

IRetaguarda &Retaguarda()
{
    static RetaguardaRest rest;
    static RetaguardaDataSnap dataSnap;
    if (DMRepres && DMRepres->bConexaoRest())
        return rest;
    return dataSnap;
}

std::optional<QDateTime> DataHoraServidor(const QString &sTipo)
{
    if (Retaguarda().EhRest())
        return Rest().RespostaDataServidor(sTipo);
    try {
        const QDateTime dt = Modulo().ServerMethods1Client()->DataServidor(sTipo);
        if (dt.isValid())
            return dt;
    } catch (const std::exception &) {
        // the caller falls back to the local clock and logs it
    }
    return std::nullopt;
}

void InstalaEscolhaRetaguarda()
{
    TDMRepres::GanchosPadrao().RetornaConexaoRest = [] { return DMComunicacao && DMComunicacao->RetornaConexao(true); };
}
