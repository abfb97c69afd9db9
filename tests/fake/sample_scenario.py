"""Sample catalogue for trying the program without a back office
(scripts/sample-server). Deterministic: the same scenario on every run.

One representative ("001", user DEMO, password DEMO123), one load
configuration with 300 products in colours and sizes, two price tables
with quantity tiers, payment conditions and 40 customers, served through
both back-ends (JSON resources and DataSnap dataset lists).
"""
import random

REPRESENTANTE = {"codrep": "001", "usuario": "DEMO", "senha": "DEMO123", "ativo": True}
CONFIGURACAO = 1

CORES = [("001", "PRETO"), ("002", "BRANCO"), ("003", "AZUL MARINHO"), ("004", "VERMELHO"),
         ("005", "VERDE MUSGO"), ("006", "CINZA MESCLA")]
TAMANHOS = ["P", "M", "G", "GG"]
COLECOES = [("VER1", "VERÃO"), ("INV1", "INVERNO"), ("BAS1", "BÁSICOS")]
LINHAS = [("CAM", "CAMISETAS"), ("CAL", "CALÇAS"), ("BER", "BERMUDAS"), ("JAQ", "JAQUETAS"), ("VES", "VESTIDOS")]
TABELAS = [("VAREJO", "TABELA VAREJO", 300.0, 1.0), ("ATACADO", "TABELA ATACADO", 1500.0, 0.85)]
# quantity tiers: up to 11 pieces, up to 49, any more
FAIXAS = [(1, 11.0, 1.0), (2, 49.0, 0.95), (3, 999999.0, 0.9)]
CONDICOES = [
    ("01", "A VISTA", 1, 0, 0, 0.0, 5.0),
    ("02", "30 DIAS", 1, 30, 30, 1.5, 3.0),
    ("03", "30/60 DIAS", 2, 30, 30, 2.0, 2.0),
    ("04", "30/60/90 DIAS", 3, 30, 30, 2.5, 0.0),
    ("05", "28/56/84/112 DIAS", 4, 28, 28, 3.0, 0.0),
]
PRAZOS = [("P30", "PRAZO MÉDIO 30"), ("P60", "PRAZO MÉDIO 60")]
CIDADES = [("SAO PAULO", "SP", "01001000"), ("CAMPINAS", "SP", "13010000"), ("CURITIBA", "PR", "80010000"),
           ("BELO HORIZONTE", "MG", "30110000"), ("PORTO ALEGRE", "RS", "90010000"),
           ("FLORIANOPOLIS", "SC", "88010000"), ("GOIANIA", "GO", "74003010"), ("RECIFE", "PE", "50010000")]
NOMES = ["BOUTIQUE", "MODAS", "CONFECCOES", "MAGAZINE", "STORE", "ATELIE", "VESTUARIO", "OUTLET"]
SOBRENOMES = ["AURORA", "BELA VISTA", "CENTRAL", "DO VALE", "ESTRELA", "FLOR DE LIS", "GIRASSOL", "HORIZONTE",
              "IPE", "JARDIM", "LUAR", "MARES", "NOVA ERA", "OASIS", "PRIMAVERA", "QUINTAL", "RIO BRANCO",
              "SOL NASCENTE", "TERRA", "UNIAO"]


def _cnpj(base12):
    def digito(nums, pesos):
        s = sum(n * p for n, p in zip(nums, pesos)) % 11
        return 0 if s < 2 else 11 - s
    nums = [int(c) for c in base12]
    d1 = digito(nums, [5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2])
    d2 = digito(nums + [d1], [6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2])
    t = base12 + str(d1) + str(d2)
    return "%s.%s.%s/%s-%s" % (t[0:2], t[2:5], t[5:8], t[8:12], t[12:14])


def _tabelas():
    rnd = random.Random(20240515)
    produtos, pa_iten, precos, ordem = [], [], [], []
    for i in range(1, 301):
        codigo = "P%04d" % i
        linha = LINHAS[i % len(LINHAS)]
        colecao = COLECOES[i % len(COLECOES)][0]
        produtos.append({"PROD_CODI": codigo, "PROD_DESC": "%s MODELO %03d" % (linha[1][:-1], i),
                         "PROD_UNID": "PC", "PROD_PESO": round(0.2 + (i % 7) * 0.1, 3), "PROD_COLECAO": colecao,
                         "PROD_LINHA": linha[0], "PROD_DESCLINHA": linha[1]})
        cores = rnd.sample(CORES, 3)
        n = 0
        for cor, dscor in cores:
            for pos, tam in enumerate(TAMANHOS, 1):
                n += 1
                pa_iten.append({"PAIT_CODI": codigo, "PAIT_COR": cor, "PAIT_DSCOR": dscor, "PAIT_TAM": tam,
                                "PAIT_IDESGOTADO": "N", "PAIT_FAIXA_TAM": "UU", "PAIT_POS_TAM": pos,
                                "PAIT_QTDESTOQUE": float(rnd.randint(0, 120)), "PAIT_BLOQUEIA_EST": "N",
                                "PAIT_QTDE": 0})
                ordem.append({"COD_CONFIG": CONFIGURACAO, "COD_PAITEM": codigo, "COR": cor, "TAM": tam,
                              "ORDEM": n})
        base = round(29.9 + rnd.randint(0, 200) * 0.5, 2)
        for tabela, _, _, fator in TABELAS:
            for faixa, maxima, desconto in FAIXAS:
                preco = round(base * fator * desconto, 2)
                precos.append({"PREC_PRODUTO": codigo, "PREC_TABELA": tabela, "PREC_FAIXA": faixa,
                               "PREC_QTDMAXIMA": maxima, "PREC_PRECO": preco, "PREC_FAIXA_TAM": "UU",
                               "PREC_PRECO_ORI": preco})
    clientes, contatos = [], []
    for i in range(1, 41):
        cidade, uf, cep = CIDADES[i % len(CIDADES)]
        fant = "%s %s" % (NOMES[i % len(NOMES)], SOBRENOMES[i % len(SOBRENOMES)])
        clientes.append({
            "CLI_CODI": "%05d" % (1000 + i), "CLI_NOME": "%s COMERCIO DE ROUPAS LTDA" % fant, "CLI_FANT": fant,
            "CLI_CNPJ": _cnpj("%08d0001" % (11222000 + i * 37)), "CLI_IEST": "%012d" % (110000000000 + i * 7919),
            "CLI_TELE": "(011)9%04d-%04d" % (3000 + i, 1000 + i), "CLI_MAIL": "contato%02d@exemplo.com.br" % i,
            "CLI_ENDE": "RUA DAS FLORES", "CLI_NEND": str(10 + i), "CLI_COMP": "", "CLI_BAIR": "CENTRO",
            "CLI_TIPO": "2", "CLI_CEP": cep, "CLI_UF": uf, "CLI_NOMCID": cidade, "CLI_DTCA": "2024-01-%02d" % (1 + i % 28),
            "CLI_IDENVIADO": "S", "CLI_OBSERVACAO": "", "CLI_NRDIAS": 0, "CLI_IDSTATUS": "S" if i % 10 else "B",
            "CLI_PRZMEDIO": 30})
        contatos.append({"CONT_CCLI": "%05d" % (1000 + i), "CONT_ITEM": 1, "CONT_NOME": "COMPRADOR %02d" % i,
                         "CONT_FONE": "(011)98888-%04d" % i, "CONT_MAIL": "compras%02d@exemplo.com.br" % i,
                         "CONT_TIPO": "2", "CONT_OBS": ""})
    return {
        "PRODUTO": produtos,
        "COLECAO": [{"COL_COLECAO": c, "COL_DESCRICAO": d} for c, d in COLECOES],
        "CONDICAO": [{"COND_CODCOND": c, "COND_DESCRICAO": d, "COND_NRPAR": n, "COND_NRDIA": dia,
                      "COND_PRAZOINI": ini, "COND_TAXA": taxa, "COND_DESCMAX": dm}
                     for c, d, n, dia, ini, taxa, dm in CONDICOES],
        "COTAS": [],
        "TABPRECO": [{"TABP_REGIAO": t, "TABP_DESCRICAO": d, "TABP_VLRMINIMO": m} for t, d, m, _ in TABELAS],
        "TABPRE_PRODUTO": precos,
        "CLIENTE": clientes,
        "CONTATO_CLI": contatos,
        "PA_ITEN": pa_iten,
        "CONFIG_IMAGEM": [],
        "TABPRZ": [{"TABP_PRAZO": p, "TABP_DESCRICAO": d} for p, d in PRAZOS],
        "PRODUTO_ORDEM": ordem,
    }


def _tipo(coluna, valores):
    """Dataset field of a column, from its values."""
    if any(isinstance(v, float) for v in valores):
        return [coluna, "Float"]
    if valores and all(isinstance(v, int) and not isinstance(v, bool) for v in valores):
        return [coluna, "Integer"]
    if coluna in ("CLI_DTCA",):
        return [coluna, "Date"]
    return [coluna, "String", max([len(str(v)) for v in valores] + [1])]


def _dataset(linhas):
    if not linhas:
        return {"fields": [], "rows": []}
    colunas = list(linhas[0])
    campos = [_tipo(c, [r.get(c) for r in linhas if r.get(c) is not None]) for c in colunas]
    return {"fields": campos, "rows": [[r.get(c) for c in colunas] for r in linhas]}


def cenario():
    tabelas = _tabelas()
    descricao = "COLEÇÃO DEMONSTRAÇÃO"
    return {
        "versao": "9",
        "representantes": [REPRESENTANTE],
        "nome": "REPRESENTANTE DEMONSTRAÇÃO",
        "email": "demo@exemplo.com.br",
        "fone": "(011)3333-4444",
        # JSON back-end
        "carga": [],
        "configuracao": {"conf_codigo": CONFIGURACAO, "conf_descricao": descricao, "conf_dtvalidade": "31-12-2030"},
        "carga_dados": tabelas,
        "empresa": {"emp_pat": "001", "emp_nome": "EMPRESA DEMONSTRAÇÃO LTDA", "emp_estado": "SP",
                    "emp_cidade": "SAO PAULO", "emp_email": "vendas@exemplo.com.br"},
        # DataSnap back-end
        "ds_cfgdisponivel": {"fields": [["CONF_CODIGO", "Integer"], ["CONF_DESCRICAO", "String", 60],
                                        ["CONF_DTVALIDADE", "Date"]],
                             "rows": [[CONFIGURACAO, descricao, "2030-12-31"]]},
        "ds_ultsincr": {"fields": [["CONF_DESCRICAO", "String", 60], ["CONF_DTLIBERACAO", "Date"]], "rows": []},
        "ds_carga": [[nome, _dataset(linhas)] for nome, linhas in tabelas.items()],
        "ds_empresa": {"fields": [["EMP_PAT", "String", 4], ["EMP_NOME", "String", 80], ["EMP_ESTADO", "String", 2]],
                       "rows": [["001", "EMPRESA DEMONSTRAÇÃO LTDA", "SP"]]},
    }


if __name__ == "__main__":
    import json
    import sys
    json.dump(cenario(), sys.stdout, ensure_ascii=False, indent=1)
