#pragma once

#include "components/RelatorioBandas.h"
#include "windows/relatorios/regras/RegrasRelEstoque.h"

#include <QDateTime>
#include <QVariantMap>

#include <memory>
#include <vector>

// What the printed stock report shows besides the rows.
struct DadosImpressaoEstoque {
    QVariantMap empresa;     // the company's row (EMP_NOME, EMP_LOGO, ...)
    QDateTime posicao;       // when the stock was last taken (CONFIG.DTHRESTOQUE)
    QDateTime impressoEm;
};

// "Relatório do Estoque": one block per product (its picture at the right,
// the sizes side by side) with a line per colour and the totals.
std::unique_ptr<bandas::Relatorio> MontaRelatorioEstoque(const DadosImpressaoEstoque &dados,
                                                         const std::vector<estoque::TLinhaImpressao> &linhas);
