#pragma once

#include "components/RelatorioBandas.h"
#include "windows/pedido/regras/RelProdutos.h"

#include <QDateTime>

#include <memory>

class DataSet;

// The order printout "Emissão de Pedido" over the rows of CDSRelProdutos;
// while the order is open every page carries "ABERTO" across it.
std::unique_ptr<bandas::Relatorio> MontaRelatorioPedido(const impressao_pedido::DadosImpressao &dados,
                                                        DataSet &relProdutos, bool fechado,
                                                        const QDateTime &impressoEm);
