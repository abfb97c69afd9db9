#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Statement texts of the local database, one clause per line, joined with
// ListaParaSQL. Values given by callers are quoted with QuotedStr; names with
// a leading colon are parameters the caller fills.

// Appends each line and one blank to resultado (not cleared first).
void ListaParaSQL(const QStringList& lista, QString& resultado);

// Configuration row
QString SqlConfig();
QString SqlSenha();
QString SqlEnderecoServidor();
QString SqlValoresMinimos();
QString SqlPeriodoEntrega();
QString SqlQtdeMaxItem();
QString SqlNumeroConfig();
QString SqlLoteConfig();

// Sending orders and customers. pListaPedidos: quoted order numbers separated
// by commas, inserted as given.
QString SqlPedidosEnviar(bool pUmCliente);
QString SqlItensEnviar(const QString& pListaPedidos);
QString SqlPedidosEnvio(const QString& pListaPedidos);
QString SqlClientesEnviar();
QString SqlContatosEnviar();
QString SqlLotePedidos(const QString& pListaPedidos);
QString SqlMarcaClienteEnviado();
QString SqlPedidosCarga(const QString& pListaPedidos);
QString SqlContatosCliente();
QString SqlAtualizaEstoque();

// Company record
QString SqlEmpresaExiste();
QString SqlGravaEmpresa(bool pAtualiza);
QString SqlEmpresa();

// Order list and loading
QString SqlConsultaPedidos(const QString& pCodCliente, const QString& pTabela,
                           const QString& pNumero, const QString& pCnpj, const QString& pCidade,
                           bool pSoNaoEnviados, const QDate& pDataDe, const QDate& pDataAte,
                           bool pCrescente);
QString SqlPedido();
QString SqlItensPedido();

// Order header checks and printing
QString SqlParcelasCondicao();
QString SqlTipoCliente();
QString SqlPrazos();
QString SqlValorMinimoRegiao();
QString SqlPedidoImpressao(bool pFechado);

// Products, colours, sizes and prices
QString SqlTamanhosProduto();
QString SqlCorTamanhoPreco(bool pUmaCelula);
QString SqlPrecosTamanhos();
QString SqlPrecoTamanho();
QString SqlProdutoTabela(const QString& pCodProduto, const QString& pTabela);
QString SqlCoresDisponiveis(const QString& pCodProduto, const QString& pCor);

// Order copy
QString SqlCopiaPedido();
QString SqlCopiaItens();
