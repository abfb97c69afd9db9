// Rules of the order send that need no server: the rejected-orders text
// and the renumbering.
#include "sync/RegrasEnvio.h"

#include <gtest/gtest.h>

TEST(EnvioRegras, RejectedTextSplitsIntoLinesAndLeavesTheRestOfTheBatch)
{
    const struct {
        const char *texto;
        const char *lote;
        QStringList linhas;
        const char *resta;
        bool ilegivel;
    } casos[] = {
        {"\"Pedido Rejeitado: 00002 - sem estoque\",\"Pedido Rejeitado: 00007 - cliente bloqueado\"",
         "'00002', '00005', '00007'",
         {"Pedido Rejeitado: 00002 - sem estoque", "Pedido Rejeitado: 00007 - cliente bloqueado"}, "'00005'", false},
        {"\"Pedido Rejeitado: 00002 x\"", "'00001', '00002', '00003'", {"Pedido Rejeitado: 00002 x"},
         "'00001', '00003'", false},
        {"\"Pedido Rejeitado: 00001 x\"", "'00001', '00002', '00003'", {"Pedido Rejeitado: 00001 x"},
         "'00002', '00003'", false},
        {"\"Pedido Rejeitado: 00001 x\"", "'00001'", {"Pedido Rejeitado: 00001 x"}, "", false},
        // a comma inside an item stays in its line
        {"\"Pedido Rejeitado: 00002 - preço, prazo\", \"Pedido Rejeitado: 00003 - cor\"", "'00002', '00003', '00004'",
         {"Pedido Rejeitado: 00002 - preço, prazo", "Pedido Rejeitado: 00003 - cor"}, "'00004'", false},
        // no blank, other letter case, number without its zeros
        {"\"Pedido Rejeitado:00002\"", "'00001', '00002'", {"Pedido Rejeitado:00002"}, "'00001'", false},
        {"\"PEDIDO REJEITADO: 2 - motivo\"", "'00001', '00002'", {"PEDIDO REJEITADO: 2 - motivo"}, "'00001'", false},
        // a line that is no rejection removes nothing
        {"\"Aviso: tabela vencida\"", "'00001', '00002'", {"Aviso: tabela vencida"}, "'00001', '00002'", false},
        // a rejection whose order cannot be told keeps the whole batch unmarked
        {"\"Pedido Rejeitado: sem número\"", "'00001', '00002'", {"Pedido Rejeitado: sem número"}, "", true},
        {"\"Pedido Rejeitado: 00009 - motivo\"", "'00001', '00002'", {"Pedido Rejeitado: 00009 - motivo"}, "", true},
        {"\"Rejeitado pelo ERP\"", "'00001'", {"Rejeitado pelo ERP"}, "", true},
        {"SEM PEDIDO", "'00001', '00002'", {"SEM PEDIDO"}, "", false},
        {"", "'00001', '00002'", {}, "'00001', '00002'", false},
    };
    for (const auto &c : casos) {
        QString lote = QString::fromUtf8(c.lote);
        QStringList linhas{"antiga"};
        const TRejeicao r = TrataPedidosRejeitados(QString::fromUtf8(c.texto), lote, linhas);
        EXPECT_EQ(linhas, c.linhas) << c.texto;
        EXPECT_EQ(lote, QString::fromUtf8(c.resta)) << c.texto;
        EXPECT_EQ(r.bNumeroIlegivel, c.ilegivel) << c.texto;
    }
}

TEST(EnvioRegras, RenumberingStartsAboveBothTheServerAndTheLocalNumbers)
{
    const struct {
        std::vector<std::pair<QString, QString>> linhas;
        const char *proximoLocal;
        QStringList marcados;
        QStringList antigos, novos;
    } casos[] = {
        {{{"00012", "00040"}, {"00015", "00040"}}, "00038", {"00012", "00015"}, {"00012", "00015"}, {"00041", "00042"}},
        {{{"00012", "00040"}}, "00050", {"00012"}, {"00012"}, {"00050"}},
        // a number not ticked is skipped without using a number
        {{{"00011", "00040"}, {"00012", "00040"}}, "00001", {"00012"}, {"00012"}, {"00041"}},
        {{{"00012", ""}}, "00013", {"00012"}, {"00012"}, {"00013"}},
        {{}, "00013", {"00012"}, {}, {}},
    };
    for (const auto &c : casos) {
        const TRenumeracao r = CalculaRenumeracao(c.linhas, QString::fromLatin1(c.proximoLocal), c.marcados);
        EXPECT_EQ(r.antigos, c.antigos);
        EXPECT_EQ(r.novos, c.novos);
    }
    TRenumeracao r;
    r.antigos = {"00012", "00015"};
    r.novos = {"00041", "00042"};
    EXPECT_EQ(MensagemRenumerados(r), QStringLiteral("PEDIDOS RENUMERADOS:\r\r\"00012\" renumerado para \"00041\"\r"
                                                     "\"00015\" renumerado para \"00042\"\r"));
    EXPECT_EQ(MensagemRenumerados(TRenumeracao{}), QString());
}

TEST(EnvioRegras, RemoteAndLocalStatementTexts)
{
    EXPECT_EQ(SqlPedidosRenumerar("001", {"00012", "00015"}),
              QStringLiteral("SELECT PED_NUME ENVIADO, (SELECT MAX(PED_NUME) PED_NUME FROM PEDIDO WHERE PED_NUME NOT LIKE "
                             "'%M%' AND PED_CODREP = '001') MAIOR FROM PEDIDO WHERE PED_CODREP = '001' AND PED_NUME IN "
                             "('00012','00015') ORDER BY ENVIADO"));
    EXPECT_EQ(SqlClientesPermitidos("0'1"),
              QStringLiteral("SELECT E.CNPJ FROM ENTIDADE_001 E LEFT JOIN CLI_COM_001 C ON C.CODCLI = E.CODCLI WHERE "
                             "(C.CODREP = '0''1' OR E.CODREP = '0''1') AND E.ATIVO = 'S' AND E.BLOQUEIO = 'N'"));
    EXPECT_EQ(SqlPedidosJaEnviados({"A", "B"}),
              QStringLiteral("SELECT PED_NUME, PED_MD5 FROM PEDIDO WHERE PED_MD5 IN ('A','B')"));
    EXPECT_EQ(MontaListaLote({"00012", "00015"}), QStringLiteral("'00012', '00015'"));
    EXPECT_EQ(VersaoComoNumero(" 17 "), 17);
    EXPECT_EQ(VersaoComoNumero("9a"), 0);
}
