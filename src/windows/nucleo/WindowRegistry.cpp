#include "windows/nucleo/WindowRegistry.h"

#include "components/CpoBuscaDefinicao.h"
#include "components/untFormXRSkin.h"
#include "data/UntFuncoes.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <map>

namespace {
struct TRegistro {
    TFabricaJanela fabrica;
    TPreparaJanela prepara;
};

std::map<QString, TRegistro> &registro()
{
    static std::map<QString, TRegistro> r;
    return r;
}

struct TPrincipal {
    QWidget *dono = nullptr;
    TAdicionaFilhoMdi adicionaFilho;
};

TPrincipal &principal()
{
    static TPrincipal p;
    return p;
}
} // namespace

void DefineJanelaPrincipal(QWidget *dono, TAdicionaFilhoMdi adicionaFilho)
{
    principal() = TPrincipal{dono, std::move(adicionaFilho)};
}

QWidget *JanelaPrincipal() { return principal().dono; }

void RegisterClass(const QString &classe, TFabricaJanela fabrica, TPreparaJanela prepara)
{
    registro()[classe] = TRegistro{std::move(fabrica), std::move(prepara)};
}

void UnRegisterClass(const QString &classe) { registro().erase(classe); }

bool ClasseRegistrada(const QString &classe) { return registro().count(classe) > 0; }

QString NomeDaClasse(const QString &classe)
{
    const qsizetype t = classe.indexOf('T');
    return classe.mid(t + 1);
}

QWidget *BuscaForm(const QString &classe)
{
    const QString nome = NomeDaClasse(classe);
    const QList<QWidget *> forms = FormsAbertos();
    for (QWidget *f : forms) {
        if (f->objectName() == nome)
            return f;
    }
    return nullptr;
}

QWidget *AbreForm(const QString &classe)
{
    auto it = registro().find(classe);
    QWidget *janela = BuscaForm(classe);
    if (!janela) {
        if (it == registro().end() || !it->second.fabrica) {
            qWarning("AbreForm: janela não registrada: %s", qPrintable(classe));
            return nullptr;
        }
        janela = it->second.fabrica(principal().dono);
        if (!janela)
            return nullptr;
        if (principal().adicionaFilho && TfmXRSkin::EhFilhoMdi(janela))
            principal().adicionaFilho(janela);
    }
    if (it != registro().end() && it->second.prepara)
        it->second.prepara(janela);

    if (auto *sub = qobject_cast<QMdiSubWindow *>(janela->parentWidget())) {
        janela->show();
        sub->show();
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        sub->raise();
    } else {
        janela->show();
        janela->raise();
        janela->activateWindow();
    }
    return janela;
}

void InstalaConsultasJanelas()
{
    InstalaFormAberto([](const QString &nomeComponente) {
        return BuscaForm(QStringLiteral("T") + nomeComponente) != nullptr;
    });
    InstalaCursorEspera([](bool espera) {
        if (espera)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    // "Incluir novo" of a stored search: a new window of the class, shown by the search form
    InstalaCriaTelaCadastro([](const QString &classe) -> QWidget * {
        auto it = registro().find(classe);
        if (it == registro().end() || !it->second.fabrica)
            return nullptr;
        QWidget *janela = it->second.fabrica(principal().dono);
        if (janela && it->second.prepara)
            it->second.prepara(janela);
        return janela;
    });
}
