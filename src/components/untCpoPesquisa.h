#pragma once

#include <QPointer>
#include <QStringList>
#include <QToolButton>
#include <QVariant>

#include <functional>
#include <map>
#include <vector>

class TXRDatabase;
class TXRTable;
class TfrmCpoBusca;

// The look-up button placed right of an edit; opens the search form.
class TPesquisa : public QToolButton {
    Q_OBJECT
public:
    explicit TPesquisa(QWidget *parent = nullptr);
    ~TPesquisa() override;

    TXRDatabase *BaseDados = nullptr;
    TXRTable *BuscaTable = nullptr;
    TXRDatabase *Conexao = nullptr;
    TXRTable *TabelaEmpresa = nullptr;
    QString BuscaTabela;
    QString BuscaCampo;
    QStringList BuscaSQL;
    QStringList Filtro;
    int LarguraTela = 0;
    int BuscaTipo = 0; // 0 "Iniciando", 1 "Contendo"
    QString FormCadastro;
    QString BplCadastro;
    bool MultiSelecao = false;
    std::function<void(TPesquisa *)> OnFechaPesquisa;

    // The company suffix of BuscaTabela's physical table names: the last
    // four characters of the highest such name in ARQLOCAL, else the
    // company code of TabelaEmpresa; empty without TabelaEmpresa.
    QString BuscaSufixoEmpresa();

    // Opens the form modally and returns when it is closed.
    void AbrePesquisa();
    // Makes and configures the form without showing it (tests show it themselves).
    TfrmCpoBusca *CriaPesquisa();
    // A field of the confirmed row (with MultiSelecao, the quoted list of the
    // ticked rows); "" with a message when there is no such value.
    QVariant RetornoPesquisa(const QString &Campo);

    // Kept by the form at confirmation, so answers outlive it.
    void GuardaRetorno(std::map<QString, QVariant> linha, std::vector<std::map<QString, QVariant>> marcadas);

private:
    std::map<QString, QVariant> m_linha; // keys upper-cased
    std::vector<std::map<QString, QVariant>> m_marcadas;
    bool m_temRetorno = false;
    QPointer<TfrmCpoBusca> m_form;
};
