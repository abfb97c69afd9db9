// Drawing of the web page kinds: the page is built as text and shown in a
// web view the tile keeps.
#include "components/NavegadorWeb.h"
#include "components/XRWidget.h"
#include "components/XRWidgetWeb.h"

#include <QCoreApplication>

TTileWeb TXRWidget::DadosTileWeb() const
{
    TTileWeb t;
    t.Largura = width();
    t.Altura = height();
    t.Caminho = caminho;
    t.Caption = FCaption;
    t.Cor = FColor;
    t.CorFonte = FontColor;
    t.Campo = Field;
    return t;
}

void TXRWidget::MontaWebChart()
{
    MostraPagina(PaginaWebChart(FWebChart, *oCds, DadosTileWeb()));
}

void TXRWidget::MontaWebGauge()
{
    MostraPagina(PaginaWebGauge(FWebGauge, *oCds, DadosTileWeb()));
}

void TXRWidget::MontaWebCard()
{
    if (!oCds->active() || oCds->fieldCount() == 0)
        return;
    FTitle.clear(); // the card shows the caption; TitleOrig keeps the title
    MostraPagina(PaginaWebCard(*oCds, DadosTileWeb()));
}

QRect TXRWidget::AreaNavegador() const
{
    const int m = FKind == TXRKind::wdWebCard ? 1 : 5;
    return QRect(m, 35, std::max(0, width() - 2 * m), std::max(0, height() - 35 - m));
}

void TXRWidget::MostraPagina(const QString &pagina)
{
    if (pagina.isEmpty())
        return;
    if (!oWebBrowser) {
        QPointer<TXRWidget> eu(this);
        oWebBrowser = CriaNavegadorWeb(this, QStringLiteral("Web") + objectName(), [eu](bool ok) {
            if (eu)
                emit eu->PaginaCarregada(ok);
        });
    }
    if (!oWebBrowser)
        return;
    oWebBrowser->setGeometry(AreaNavegador());
    oWebBrowser->show();
    CarregaHTML(oWebBrowser, pagina, caminho);
}

QString TXRWidget::CaminhoPadrao()
{
    return CaminhoArquivosWeb(QCoreApplication::applicationDirPath());
}
