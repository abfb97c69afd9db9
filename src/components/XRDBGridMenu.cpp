// The grid's right-click menu, hiding and showing columns, and the store of
// the visible columns.
#include "components/XRDBGrid.h"

#include "components/XRDBFilterDialog.h"
#include "data/UntFuncoes.h"
#include "data/XRDatabase.h"
#include "data/XRQuery.h"
#include "data/XRTable.h"
#include "data/XRTransaction.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>

#include <algorithm>

namespace {

const char *const kTag = "Tag";

int TagDe(const QObject *o) { return o->property(kTag).toInt(); }

// A menu caption shows "&" only when doubled.
QString Legenda(const QString &texto) { return QString(texto).replace(QLatin1Char('&'), QStringLiteral("&&")); }

} // namespace

// Right presses and context-menu requests on the cells, the titles and the
// row header of one grid.
class TXRDBGridMenuFiltro : public QObject {
public:
    explicit TXRDBGridMenuFiltro(TXRDBGrid *grid)
        : QObject(grid)
        , m_grid(grid)
    {
    }

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (m_grid->contextMenuPolicy() != Qt::DefaultContextMenu)
            return false;
        if (ev->type() == QEvent::MouseButtonPress) {
            auto *me = static_cast<QMouseEvent *>(ev);
            if (me->button() != Qt::RightButton)
                return false;
            // a press beside the columns or on the row header has no column
            int coluna = -1;
            const int x = int(me->position().x());
            if (obj == m_grid->viewport())
                coluna = m_grid->columnAt(x);
            else if (obj == m_grid->horizontalHeader()->viewport())
                coluna = m_grid->horizontalHeader()->logicalIndexAt(x);
            Monta(coluna, me->globalPosition().toPoint());
            return true;
        }
        if (ev->type() == QEvent::ContextMenu) {
            auto *ce = static_cast<QContextMenuEvent *>(ev);
            if (ce->reason() == QContextMenuEvent::Mouse) {
                if (m_grid->m_menuJaAberto) {
                    m_grid->m_menuJaAberto = false;
                } else if (m_grid->m_popupMenuGrid) {
                    m_grid->m_popupMenuGrid->popup(ce->globalPos());
                }
                return true;
            }
            // the menu key: the current cell plays the clicked one
            const QModelIndex atual = m_grid->currentIndex();
            const QRect r = m_grid->visualRect(atual);
            const QPoint pos = m_grid->viewport()->mapToGlobal(atual.isValid() ? r.center() : QPoint(0, 0));
            Monta(atual.isValid() ? atual.column() : -1, pos);
            if (!m_grid->m_menuJaAberto && m_grid->m_popupMenuGrid)
                m_grid->m_popupMenuGrid->popup(pos);
            m_grid->m_menuJaAberto = false;
            return true;
        }
        return false;
    }

private:
    void Monta(int coluna, const QPoint &global)
    {
        m_grid->m_menuJaAberto = false;
        QMenu *menu = nullptr;
        try {
            menu = m_grid->MontaMenu(coluna);
        } catch (const std::exception &e) {
            m_grid->ShowError(e);
            return;
        }
        // a column's own menu opens at once; the grid's opens with the context request
        const TXRColumn *c = m_grid->Column(coluna);
        if (menu && c && c->PopupMenu == menu) {
            m_grid->m_menuJaAberto = true;
            menu->popup(global);
        }
    }

    TXRDBGrid *m_grid;
};

void TXRDBGrid::InstalaMenu()
{
    auto *filtro = new TXRDBGridMenuFiltro(this);
    installEventFilter(filtro);
    viewport()->installEventFilter(filtro);
    horizontalHeader()->viewport()->installEventFilter(filtro);
    verticalHeader()->viewport()->installEventFilter(filtro);
}

void TXRDBGrid::LiberaMenu()
{
    // a window's menu outlives the grid: it keeps only its own entries
    if (m_popupMenuGrid && TagDe(m_popupMenuGrid) != 1)
        RemoveEntradasMenu(m_popupMenuGrid);
    m_popupMenuGrid = nullptr;
}

bool TXRDBGrid::ConjuntoMemoria() const
{
    return m_ds && !qobject_cast<TXRCustomQuery *>(m_ds) && !qobject_cast<TXRCustomTable *>(m_ds);
}

void TXRDBGrid::RemoveEntradasMenu(QMenu *menu)
{
    const QList<QAction *> acoes = menu->actions();
    for (qsizetype i = acoes.size() - 1; i >= 0; --i) {
        QAction *a = acoes[i];
        if (TagDe(a) != TagMenuGrade)
            continue;
        menu->removeAction(a);
        // a submenu owns its own entry
        if (QMenu *sub = a->menu(); sub && sub->parent() == menu)
            delete sub;
        else if (a->parent() == menu)
            delete a;
    }
}

QMenu *TXRDBGrid::MontaMenu(int coluna)
{
    TXRColumn *col = Column(coluna);
    if (!col || !col->Visible)
        coluna = -1;
    QMenu *menu = nullptr;
    if (coluna >= 0 && Column(coluna)->PopupMenu)
        menu = Column(coluna)->PopupMenu;
    else if (PopupMenu)
        menu = PopupMenu;
    else if (m_menuCriado)
        menu = m_menuCriado;
    else {
        menu = new QMenu(this);
        menu->setProperty(kTag, 1);
        m_menuCriado = menu;
    }
    RemoveEntradasMenu(menu);

    const auto entrada = [&](QMenu *em, const QString &legenda, void (TXRDBGrid::*acao)()) {
        QAction *a = em->addAction(legenda);
        a->setProperty(kTag, TagMenuGrade);
        if (acao)
            connect(a, &QAction::triggered, this, [this, acao] { Executa([this, acao] { (this->*acao)(); }); });
        return a;
    };
    const auto separador = [&](QMenu *em) { em->addSeparator()->setProperty(kTag, TagMenuGrade); };
    const auto submenu = [&](const QString &legenda) {
        QMenu *sub = new QMenu(legenda, menu);
        menu->addMenu(sub)->setProperty(kTag, TagMenuGrade);
        return sub;
    };

    if (TagDe(menu) != 1 && !menu->actions().isEmpty())
        separador(menu);
    const bool memoria = ConjuntoMemoria();
    if (Filtrar && m_ds && (!m_ds->isEmpty() || !m_ds->filter().isEmpty()))
        entrada(menu, QStringLiteral("Filtrar"), &TXRDBGrid::FiltrarDados);
    QAction *limpar = nullptr;
    if (FOrdenacao && memoria)
        limpar = entrada(menu, QStringLiteral("Limpar ordenação"), &TXRDBGrid::LimparOrdenacao);
    if (memoria) {
        QAction *a = entrada(menu, QStringLiteral("Escala de cor"), nullptr);
        connect(a, &QAction::triggered, this, [this] { Executa([this] { EscalaCor(iColumnIndex); }); });
    }
    QAction *ocultar = entrada(menu, QStringLiteral("Ocultar coluna"), &TXRDBGrid::OcultarColuna);
    QMenu *exibir = submenu(QStringLiteral("Exibir coluna"));
    if (FExporta) {
        separador(menu);
        QMenu *imprimir = submenu(QStringLiteral("Imprimir"));
        entrada(imprimir, QStringLiteral("Retrato"), &TXRDBGrid::ExpPDFRetrato);
        entrada(imprimir, QStringLiteral("Paisagem"), &TXRDBGrid::ExpPDFPaisagem);
        QMenu *exportar = submenu(QStringLiteral("Exportar para"));
        entrada(exportar, QStringLiteral("Word"), &TXRDBGrid::ExpDOC);
        entrada(exportar, QStringLiteral("Excel"), &TXRDBGrid::ExpXLS);
        entrada(exportar, QStringLiteral("Texto"), &TXRDBGrid::ExpTXT);
        entrada(exportar, QStringLiteral("XML"), &TXRDBGrid::ExpXML);
        entrada(exportar, QStringLiteral("HTML"), &TXRDBGrid::ExpHTML);
        if (memoria)
            entrada(menu, QStringLiteral("Importar"), &TXRDBGrid::ImportarTXT);
    }

    if (limpar)
        limpar->setEnabled(!m_ds->indexName().isEmpty() && !m_ds->indexDefs().empty());
    ocultar->setEnabled(coluna >= 0);
    if (coluna >= 0)
        iColumnIndex = coluna;

    for (int i = 0; i < ColumnCount(); ++i) {
        if (Column(i)->Visible)
            continue;
        QAction *a = exibir->addAction(Legenda(Column(i)->Title));
        a->setProperty(kTag, i);
        connect(a, &QAction::triggered, this, [this, a] { Executa([this, a] { ExibirColuna(a); }); });
    }
    const qsizetype ocultas = exibir->actions().size();
    if (ocultas > 1) {
        exibir->addSeparator();
        QAction *todas = exibir->addAction(QStringLiteral("Todas"));
        todas->setProperty(kTag, TagTodas);
        connect(todas, &QAction::triggered, this, [this, todas] { Executa([this, todas] { ExibirColuna(todas); }); });
    }
    exibir->menuAction()->setEnabled(ocultas > 0);

    m_popupMenuGrid = menu;
    return menu;
}

void TXRDBGrid::Executa(const std::function<void()> &acao)
{
    try {
        acao();
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        ShowError(e);
    }
}

void TXRDBGrid::FiltrarDados() { m_filterDialog->Execute(); }

void TXRDBGrid::OcultarColuna()
{
    TXRColumn *c = Column(iColumnIndex);
    if (!c)
        return;
    c->Visible = false;
    MoveColumn(iColumnIndex, ColumnCount() - 1);
    LayoutChanged();
    GravaColunas();
}

void TXRDBGrid::ExibirColuna(QAction *sender)
{
    if (!sender || ColumnCount() == 0)
        return;
    const int destino = std::clamp(iColumnIndex, 0, ColumnCount() - 1);
    const int tag = TagDe(sender);
    if (tag == TagTodas) {
        // the hidden columns are taken first: moving one shifts the indexes of the others
        std::vector<TXRColumn *> ocultas;
        for (const auto &c : m_columns)
            if (!c->Visible)
                ocultas.push_back(c.get());
        int n = 0;
        for (TXRColumn *c : ocultas) {
            c->Visible = true;
            MoveColumn(IndexOfColumn(c), std::min(destino + n, ColumnCount() - 1));
            ++n;
        }
    } else {
        TXRColumn *c = Column(tag);
        if (!c)
            return;
        c->Visible = true;
        MoveColumn(tag, destino);
    }
    LayoutChanged();
    GravaColunas();
}

void TXRDBGrid::GravaColunas()
{
    const QString usuario =
        QSettings(QStringLiteral("Venda"), QStringLiteral("Parametros")).value(QStringLiteral("Usuario")).toString();
    if (!BaseDados || usuario.isEmpty())
        return;
    const QString tabela = ResolveTabela(QStringLiteral("{OPCOES_USUARIO}"));
    if (tabela.trimmed().isEmpty())
        return;
    QString valor;
    for (const auto &c : m_columns)
        if (c->Visible)
            valor += c->FieldName + QLatin1Char(',');
    valor = valor.left(1024);
    const QString tela = QuotedStr(QString::fromLatin1(window()->metaObject()->className()));
    const QString componente = QuotedStr(objectName());

    TXRQuery q;
    q.SetDatabase(BaseDados);
    TXRCustomTransaction &tra = *BaseDados->Transaction();
    // the old layout goes only when the new one is written
    SavepointGuard guarda(tra, QStringLiteral("SP_GRAVACOLUNAS"));
    q.SQL().Add(QStringLiteral("DELETE FROM ") + tabela);
    q.SQL().Add(QStringLiteral("WHERE TELA     = ") + tela);
    q.SQL().Add(QStringLiteral("AND USUARIO    = ") + QuotedStr(usuario));
    q.SQL().Add(QStringLiteral("AND COMPONENTE = ") + componente);
    q.ExecSQL();
    q.SQL().Clear();
    q.SQL().Add(QStringLiteral("INSERT INTO ") + tabela + QStringLiteral(" (TELA, USUARIO, COMPONENTE, VALOR) VALUES ( "));
    q.SQL().Add(tela + QLatin1Char(','));
    q.SQL().Add(QuotedStr(usuario) + QLatin1Char(','));
    q.SQL().Add(componente + QLatin1Char(','));
    q.SQL().Add(QuotedStr(valor) + QLatin1Char(')'));
    q.ExecSQL();
    guarda.Release();
    tra.Commit();
}

QString TXRDBGrid::ResolveTabela(const QString &texto)
{
    QString r = texto;
    qsizetype de = 0;
    for (;;) {
        const qsizetype a = r.indexOf(QLatin1Char('{'), de);
        if (a < 0)
            break;
        // only a closing brace after the opening one marks a name
        const qsizetype b = r.indexOf(QLatin1Char('}'), a + 1);
        if (b < 0)
            break;
        const QString nome = r.mid(a + 1, b - a - 1).trimmed();
        r.remove(a, b - a + 1);
        QString real;
        if (!nome.isEmpty() && BaseDados) {
            TXRQuery QryDbLocal;
            QryDbLocal.SetDatabase(BaseDados);
            QryDbLocal.SQL().Add(QStringLiteral("SELECT ARQUIVO FROM ARQLOCAL"));
            QryDbLocal.SQL().Add(QStringLiteral("WHERE (ARQUIVO LIKE ") + QuotedStr(nome.toUpper() + QStringLiteral("_%")));
            QryDbLocal.SQL().Add(QStringLiteral("AND UDF_LEN(ARQUIVO) = (UDF_LEN(") + QuotedStr(nome) +
                                 QStringLiteral(")+4)) "));
            QryDbLocal.SQL().Add(QStringLiteral("OR (ARQUIVO = ") + QuotedStr(nome) + QStringLiteral(") "));
            QryDbLocal.SQL().Add(QStringLiteral("ORDER BY ARQUIVO DESCENDING "));
            QryDbLocal.Open();
            if (!QryDbLocal.isEmpty())
                real = QryDbLocal.fieldByName(QStringLiteral("ARQUIVO"))->asString().trimmed();
            QryDbLocal.Close();
        }
        r.insert(a, real);
        de = a + real.size();
    }
    return r;
}
