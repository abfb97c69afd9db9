#include "components/untCpoPesquisa.h"

#include "components/CpoBuscaDefinicao.h"
#include "components/untCpoBusca.h"
#include "data/XRQuery.h"
#include "data/XRTable.h"
#include "platform/DialogService.h"

#include <QComboBox>

TPesquisa::TPesquisa(QWidget *parent)
    : QToolButton(parent)
{
    connect(this, &QToolButton::clicked, this, [this] { AbrePesquisa(); });
}

TPesquisa::~TPesquisa() = default;

TfrmCpoBusca *TPesquisa::CriaPesquisa()
{
    auto *f = new TfrmCpoBusca();
    frmCpoBusca = f;
    m_form = f;
    m_temRetorno = false;
    m_linha.clear();
    m_marcadas.clear();
    f->vTabela = BuscaTabela;
    f->SetDatabase(BaseDados);
    f->VEmpresa = BuscaSufixoEmpresa();
    f->FTable = BuscaTable;
    f->EOnFecha = OnFechaPesquisa;
    f->vChave = BuscaCampo;
    f->fPesquisa = this;
    f->FMultiCel = MultiSelecao;
    f->FWhere = Filtro;
    f->FSQL = BuscaSQL.join(QLatin1Char('\n'));
    f->resize(980, 550);
    QFont fonte = f->font();
    fonte.setFamily(font().family());
    fonte.setPointSize(font().pointSize() > 0 ? font().pointSize() : fonte.pointSize());
    f->setFont(fonte);
    f->CbTipo->setCurrentIndex(BuscaTipo == 1 ? 1 : 0);
    return f;
}

QString TPesquisa::BuscaSufixoEmpresa()
{
    if (!TabelaEmpresa)
        return QString();
    TXRQuery q;
    q.SetDatabase(BaseDados);
    for (const QString &l : SqlSufixoEmpresa(BuscaTabela))
        q.SQL().Add(l);
    q.Open();
    if (q.isEmpty())
        return TabelaEmpresa->fieldByName(QStringLiteral("EMP_PAT"))->asString().trimmed();
    return q.fieldByName(QStringLiteral("ARQUIVO"))->asString().trimmed().right(4);
}

void TPesquisa::AbrePesquisa()
{
    TfrmCpoBusca *f = CriaPesquisa();
    f->exec();
}

void TPesquisa::GuardaRetorno(std::map<QString, QVariant> linha, std::vector<std::map<QString, QVariant>> marcadas)
{
    m_linha = std::move(linha);
    m_marcadas = std::move(marcadas);
    m_temRetorno = true;
}

QVariant TPesquisa::RetornoPesquisa(const QString &Campo)
{
    const QString chave = Campo.trimmed().toUpper();
    if (m_temRetorno) {
        if (MultiSelecao) {
            if (m_marcadas.empty())
                return QString();
            if (m_marcadas.front().count(chave)) {
                QStringList valores;
                for (const auto &l : m_marcadas)
                    valores << l.at(chave).toString();
                return TfrmCpoBusca::JuntaSelecao(valores);
            }
        } else if (auto it = m_linha.find(chave); it != m_linha.end()) {
            return it->second;
        }
    } else if (m_form) {
        // the form is open and nothing is confirmed yet: its current rows
        if (MultiSelecao) {
            if (m_form->TbBusca->active() && m_form->TbBusca->findField(Campo))
                return m_form->ListaSelecao(Campo);
        } else if (Field *f = m_form->QryBusca->active() ? m_form->QryBusca->findField(Campo) : nullptr) {
            return f->value();
        }
    }
    dialogs().showMessage(QStringLiteral("Chave não encontrada na pesquisa!"));
    return QString();
}
