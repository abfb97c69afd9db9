"""Fake back office for the end-to-end tests: both server back-ends on one
loopback port.

    fake_back_office.py SCENARIO LIFETIME_SECONDS [PORT]

Prints its port on the first line of stdout and ends itself after the
lifetime (0: never). PORT 0 or absent takes a free one. The scenario (a
JSON object) sets the answers; see DEFAULTS. A scenario ending in ".py" is
a module whose cenario() returns that object.

"representantes" in the scenario, a list of {"codrep", "usuario", "senha",
"ativo"}, makes the login check what it is given (1 unknown user, 2 wrong
password, 3 other representative, 4 inactive) instead of answering "login".

  JSON API:   /<Resource>[?query]          -> a JSON array
  DataSnap:   /datasnap/rest/<Class>/<Method>/<args...> -> {"result": [...]}

"por_sql", a list of {"contem", "rows", "select", "imagens", "erro"}, picks
the answer of a select by the SQL received: the first entry whose "contem"
is part of the text answers it ("rows" for UpdateCarregaDados and
executaSQLSelect; "select", "imagens" and the error text "erro" for the
DataSnap ESelect); other texts get "sql_rows" / "ds_select". "tipo_item"
is what BuscaTipoItem answers.

"answers" in the scenario replaces what a resource ("UpdateLogin") or a
method ("TServerMethods1.Login") answers, or injects a fault:
  {"status": 500, "body": <JSON>} / {"raw": "text"} / {"delay": seconds}
  / {"drop": true} / {"times": n}  (only the first n calls)
  / {"from": k}  (from the k-th call on)
Anywhere in a body, {"$datasets": [[name, table], ...]} becomes a dataset
list (tables as in dataset_stream.py).

GET /__requests answers every request received so far (method, path,
query, headers, body, and the decoded dataset lists of DataSnap bodies).

Order store (both send back-ends fill it; see the section "order store"):
  "pedidos": [{"codrep", "pedido", "md5", "lote", "data", "hora"}] seeds it;
  "rejeitar": {"00002": "reason"} rejects those numbers ("rejeitados", when
  set, is returned as is instead); "sem_pedido": true answers "SEM PEDIDO";
  "aceita": false accepts nothing; "erp_permitidos": [cnpj] and
  "erp_clientes": {cnpj: codcli} answer the customer checks;
  "apos": {key: fault} strikes after the request was processed (same fault
  forms as "answers"). GET /__store answers the store.
"""
import json
import os
import re
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dataset_stream  # noqa: E402

TOKEN = "d1c0b2e9f4a7d5c8b6e3f0a1c9d2e7b4"

DEFAULTS = {
    "versao": "9",
    "teste_conexao": "TRUE",
    "login": 0,
    "data": "31/12/2024",
    "hora": "10:20:30",
    "nome": "REPRESENTANTE TESTE",
    "email": "rep@exemplo.com",
    "fone": "1199990000",
    "rejeitados": "",
    "codclientes": [],
    "carga": [],
    "configuracao": {},
    "carga_dados": {},
    "empresa": {},
    "estoque": [],
    "existe_pedido": {"resultado": "FALSE"},
    "sql_rows": [],
    "ds_ultsincr": {"fields": [], "rows": []},
    "ds_cfgdisponivel": {"fields": [], "rows": []},
    "ds_carga": [],
    "ds_empresa": {"fields": [], "rows": []},
    "ds_codclientes": {"fields": [], "rows": []},
    "ds_select": {"fields": [], "rows": []},
    "por_sql": [],
    "tipo_item": "G",
    "ds_data": "2024-12-31 10:20:30.000",
    "ds_existe": [0, "2024-12-31 00:00:00.000", "1899-12-30 10:20:30.000", False],
    "session": "",
    "answers": {},
    "pedidos": [],
    "rejeitar": {},
    "sem_pedido": False,
    "aceita": True,
    "erp_permitidos": [],
    "erp_clientes": {},
    "apos": {},
}

LOCK = threading.Lock()
REQUESTS = []
CALLS = {}
S = dict(DEFAULTS)


def login_result(usuario, senha, codrep):
    reps = S.get("representantes")
    if not reps:
        return S["login"]
    for r in reps:
        if r["usuario"].strip().upper() == usuario.strip().upper():
            if r["senha"].strip().upper() != senha.strip().upper():
                return 2
            if r["codrep"].strip() != codrep.strip():
                return 3
            return 0 if r.get("ativo", True) else 4
    return 1


def by_sql(sql):
    """The scenario's entry for a select text, or None."""
    for e in S["por_sql"]:
        if e.get("contem", "") in (sql or ""):
            return e
    return None


def sql_of_body(body):
    try:
        return json.loads(body or "[]")[0]["sql"]
    except (ValueError, LookupError, TypeError):
        return ""


def rest_answer(resource, query, body=""):
    q = dict(query)
    if resource == "TesteConexao":
        return [{"resultado": S["teste_conexao"]}]
    if resource == "GetVersaoServ":
        return [{"resultado": S["versao"]}]
    if resource == "UpdateLogin":
        return [{"resultado": login_result(q.get("usuario", ""), q.get("senha", ""), q.get("codrep", ""))}]
    if resource == "UpdateDataServidor":
        return [{"data": S["data"] if q.get("usuario") == "D" else S["hora"]}]
    if resource == "GetCfgDisponivel":
        return [{"carga": S["carga"], "configuracao": S["configuracao"]}]
    if resource == "CarregaDados":
        return [S["carga_dados"]]
    if resource == "DadosEmpresa":
        return [S["empresa"]]
    if resource == "UpdateNomeRepresentante":
        return [{"nome": S["nome"]}]
    if resource == "AtualizaEmailFone":
        return [{"email": S["email"], "fone": S["fone"]}]
    if resource in ("UpdateAtualizaConfigRepres", "PostVersaoRepresen", "UpdateRetornaCodCliRep"):
        return [{"resultado": "TRUE"}]
    if resource == "ProdutoEstoqueZID":
        return S["estoque"]
    if resource == "ExistePedido":
        return [S["existe_pedido"]]
    if resource == "UpdateEnviaInformacoes":
        return [{"resultado": "TRUE", "pedrejeitados": S["rejeitados"], "CodClientes": S["codclientes"]}]
    if resource == "UpdateCarregaDados":
        e = by_sql(sql_of_body(body))
        return e.get("rows", []) if e else S["sql_rows"]
    if resource == "executaSQLSelect":
        e = by_sql(sql_of_body(body))
        return [{"dados": e.get("rows", []) if e else S["sql_rows"]}]
    return None


def ds(pairs):
    return {"$datasets": pairs}


def eselect_answer(args):
    e = by_sql(args[0] if args else "")
    if e is None:
        return ["", ds([["SELECT", S["ds_select"]]])]
    pairs = []
    if "select" in e:
        pairs.append(["SELECT", e["select"]])
    if "imagens" in e:
        pairs.append(["IMAGENS", e["imagens"]])
    return [e.get("erro", ""), ds(pairs)]


def datasnap_answer(method, args=()):
    name = method.split(".", 1)[1]
    login = S["login"]
    if name == "Login" and len(args) >= 3:
        login = login_result(args[0], args[1], args[2])
    table = {
        "GetVersaoServ": [S["versao"]],
        "TesteConexao": [True],
        "Login": [login],
        "GetCfgDisponivel": [ds([["CDSUltSincr", S["ds_ultsincr"]], ["CDSCfgDisponivel", S["ds_cfgdisponivel"]]])],
        "CarregaDadosConfig": [ds(S["ds_carga"])],
        "RetornaCodCliRepres": [True],
        "DataServidor": [S["ds_data"]],
        "AtualizaConfigRepres": [True],
        "AtualizaNmRepresentante": [S["nome"]],
        "AtualizaEmailFone": [S["fone"], S["email"]],
        "CarregaPedidos": [S["rejeitados"], ds([["", S["ds_codclientes"]]]), True],
        "DadosEmpresa": [ds([["oCDSData", S["ds_empresa"]]])],
        "ExistePedido": S["ds_existe"],
        "SetVersaoRepres": [],
        "GetVersaoRepresen": [],
        "BuscaTipoItem": [S["tipo_item"]],
        "ESelect": eselect_answer(args),
    }
    r = table.get(name)
    return None if r is None else {"result": r}


def render(value):
    """JSON text of value with every $datasets marker made a dataset list."""
    lists = []

    def walk(v):
        if isinstance(v, dict):
            if set(v) == {"$datasets"}:
                lists.append(dataset_stream.encode_list_pairs(v["$datasets"]))
                return "@@DSLIST%d@@" % (len(lists) - 1)
            return {k: walk(x) for k, x in v.items()}
        if isinstance(v, list):
            return [walk(x) for x in v]
        return v

    text = json.dumps(walk(value), ensure_ascii=False)
    for i, t in enumerate(lists):
        text = text.replace('"@@DSLIST%d@@"' % i, t)
    return text.encode("utf-8")


def decode_bodies(body):
    """Dataset lists carried by a DataSnap body, decoded."""
    try:
        pairs = json.loads(body, object_pairs_hook=lambda p: p)
    except ValueError:
        return []
    values = [pairs]
    if isinstance(pairs, list) and pairs and pairs[0][0] == "_parameters":
        values = pairs[0][1]
    out = []
    for v in values:
        if isinstance(v, list) and all(isinstance(p, tuple) for p in v):
            try:
                out.append(dataset_stream.decode_list_pairs(v))
            except dataset_stream.StreamError as e:
                out.append({"error": str(e)})
    return out


# ---------------------------------------------------------------- order store
# Orders as the back office holds them: one entry per distinct order
# (representative, number, fingerprint) with how often it arrived.
STORE = []
APOS_CALLS = {}


def store_seed():
    for p in S["pedidos"]:
        e = {"codrep": p.get("codrep", "001"), "pedido": p["pedido"], "md5": p.get("md5", ""),
             "lote": p.get("lote", 1), "data": p.get("data", S["data"]), "hora": p.get("hora", S["hora"]),
             "vezes": p.get("vezes", 1)}
        STORE.append(e)


def quoted(text):
    return [v.replace("''", "'") for v in re.findall(r"'((?:[^']|'')*)'", text)]


def store_receive(codrep, lote, orders):
    """orders: [(number, md5)]. Returns the rejected text."""
    if S["sem_pedido"]:
        return "SEM PEDIDO"
    rejected = []
    with LOCK:
        for numero, md5 in orders:
            if numero in S["rejeitar"]:
                rejected.append('"Pedido Rejeitado: %s - %s"' % (numero, S["rejeitar"][numero]))
                continue
            for e in STORE:
                if e["codrep"] == codrep and e["pedido"] == numero and e["md5"] == md5:
                    e["vezes"] += 1
                    e["lote"] = lote
                    break
            else:
                STORE.append({"codrep": codrep, "pedido": numero, "md5": md5, "lote": lote,
                              "data": S["data"], "hora": S["hora"], "vezes": 1})
    return S["rejeitados"] or ",".join(rejected)


def store_find(codrep, numero):
    with LOCK:
        for e in STORE:
            if e["codrep"] == codrep and e["pedido"] == numero:
                return dict(e)
    return None


def store_select(sql):
    """Rows of the remote selects the send asks, or None for any other text."""
    if "PED_MD5 IN (" in sql:
        md5s = quoted(sql)
        with LOCK:
            return [{"PED_NUME": e["pedido"], "PED_MD5": e["md5"]} for e in STORE if e["md5"] and e["md5"] in md5s]
    if "ENVIADO" in sql and "MAIOR" in sql:
        m = re.search(r"PED_CODREP = '((?:[^']|'')*)' AND PED_NUME IN \((.*)\)", sql)
        if not m:
            return []
        codrep, numeros = m.group(1), quoted(m.group(2))
        with LOCK:
            mine = [e["pedido"] for e in STORE if e["codrep"] == codrep]
        maior = max([n for n in mine if "M" not in n], default=None)
        return [{"ENVIADO": n, "MAIOR": maior} for n in sorted(set(mine)) if n in numeros]
    if "FROM ENTIDADE_001 E LEFT JOIN" in sql:
        return [{"CNPJ": c} for c in S["erp_permitidos"]]
    if sql.startswith("SELECT CODCLI FROM ENTIDADE_001 WHERE CNPJ ="):
        cnpj = quoted(sql)[0]
        code = S["erp_clientes"].get(cnpj)
        return [] if code is None else [{"CODCLI": code}]
    return None


def store_handle(key, args, query, body, datasets):
    """Answer of a request the store serves, or None."""
    q = dict(query)
    if key == "UpdateEnviaInformacoes":
        try:
            orders = json.loads(body or "[]")
        except ValueError:
            orders = []
        pairs = [(o.get("ped_nume"), o.get("ped_md5") or "") for o in orders if isinstance(o, dict)]
        if not S["aceita"]:
            return [{"resultado": "FALSE", "pedrejeitados": "", "CodClientes": []}]
        text = store_receive(q.get("codrep", ""), int(q.get("lote", "0") or 0), pairs)
        return [{"resultado": "TRUE", "pedrejeitados": text, "CodClientes": S["codclientes"]}]
    if key == "TServerMethods1.CarregaPedidos":
        pairs = []
        for lst in datasets or []:
            for name, table in lst if isinstance(lst, list) else []:
                if name == "PEDIDO":
                    names = [f[0] for f in table["fields"]]
                    for row in table["rows"]:
                        r = dict(zip(names, row))
                        pairs.append((r.get("PED_NUME"), r.get("PED_MD5") or ""))
        if not S["aceita"]:
            return {"result": ["", ds([["", S["ds_codclientes"]]]), False]}
        text = store_receive(args[0] if args else "", int(args[1]) if len(args) > 1 else 0, pairs)
        return {"result": [text, ds([["", S["ds_codclientes"]]]), True]}
    if key == "executaSQLSelect":
        try:
            sql = json.loads(body)[0]["sql"]
        except (ValueError, LookupError, TypeError):
            return None
        rows = store_select(sql)
        return None if rows is None else [{"dados": rows}]
    if key == "ExistePedido":
        e = store_find(q.get("codrep", ""), q.get("pedido", ""))
        if e:
            return [{"resultado": "TRUE", "lote": e["lote"], "datasinc": e["data"], "horasinc": e["hora"]}]
    if key == "TServerMethods1.ExistePedido" and len(args) > 1:
        e = store_find(args[0], args[1])
        if e:
            d, m, y = e["data"].split("/")
            return {"result": [e["lote"], "%s-%s-%s 00:00:00.000" % (y, m, d),
                               "1899-12-30 %s.000" % e["hora"], True]}
    return None


def apos_fault(key):
    """The fault that strikes after the request was processed, if any."""
    fault = S["apos"].get(key)
    if not fault:
        return None
    with LOCK:
        APOS_CALLS[key] = APOS_CALLS.get(key, 0) + 1
        calls = APOS_CALLS[key]
    if "times" in fault and calls > fault["times"]:
        return None
    if calls < fault.get("from", 1):
        return None
    return fault


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Content-Type", "application/json; charset=utf-8")
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        parsed = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(parsed.path)
        query = urllib.parse.parse_qsl(parsed.query, keep_blank_values=True)
        if path == "/__requests":
            with LOCK:
                self.send(200, json.dumps(REQUESTS).encode("utf-8"))
            return
        if path == "/__store":
            with LOCK:
                self.send(200, json.dumps(STORE).encode("utf-8"))
            return

        datasnap = path.startswith("/datasnap/rest/")
        if datasnap:
            pieces = parsed.path[len("/datasnap/rest/"):].split("/")
            pieces = [urllib.parse.unquote(p) for p in pieces]
            key = pieces[0] + "." + pieces[1].strip('"') if len(pieces) > 1 else pieces[0]
            args = pieces[2:]
        else:
            key = path.strip("/")
            args = []
        record = {
            "method": self.command, "path": path, "rawpath": self.path, "key": key,
            "args": args, "query": query,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": body.decode("utf-8", "replace"),
        }
        if datasnap and body:
            record["datasets"] = decode_bodies(body.decode("utf-8", "replace"))
        with LOCK:
            REQUESTS.append(record)
            CALLS[key] = CALLS.get(key, 0) + 1
            calls = CALLS[key]

        override = S["answers"].get(key)
        if override and "times" in override and calls > override["times"]:
            override = None
        if override and calls < override.get("from", 1):
            override = None
        if override and override.get("delay"):
            time.sleep(override["delay"])
        if override and override.get("drop"):
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        if override and "raw" in override:
            self.send(override.get("status", 200), override["raw"].encode("utf-8"))
            return
        if override and "body" in override:
            self.send(override.get("status", 200), render(override["body"]))
            return
        if override and "status" in override:
            self.send(override["status"], b"")
            return

        if datasnap or self.headers.get("token") == S.get("token", TOKEN):
            stored = store_handle(key, args, query, record["body"], record.get("datasets"))
            fault = apos_fault(key)
            if fault:
                if fault.get("delay"):
                    time.sleep(fault["delay"])
                if fault.get("drop"):
                    self.connection.shutdown(socket.SHUT_RDWR)
                    self.close_connection = True
                    return
                if "raw" in fault:
                    self.send(fault.get("status", 200), fault["raw"].encode("utf-8"))
                    return
                if "status" in fault:
                    self.send(fault["status"], b"")
                    return
            if stored is not None:
                extra = [("Pragma", "dssession=" + S["session"])] if datasnap and S["session"] else []
                self.send(200, render(stored), extra)
                return

        if datasnap:
            answer = datasnap_answer(key, args)
            if answer is None:
                self.send(404, render({"error": "unknown method " + key}))
                return
            extra = [("Pragma", "dssession=" + S["session"])] if S["session"] else []
            self.send(200, render(answer), extra)
            return
        if self.headers.get("token") != S.get("token", TOKEN):
            self.send(401, render([{"erro": "token inválido"}]))
            return
        answer = rest_answer(key, query, record["body"])
        if answer is None:
            self.send(404, render([{"erro": "recurso desconhecido"}]))
            return
        self.send(200, render(answer))

    do_GET = do_POST = do_PUT = do_DELETE = handle_any


def load_scenario(path):
    if path.endswith(".py"):
        import runpy
        return runpy.run_path(path)["cenario"]()
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def main():
    S.update(load_scenario(sys.argv[1]))
    store_seed()
    lifetime = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0
    port = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    if lifetime > 0:
        timer = threading.Timer(lifetime, lambda: os._exit(0))
        timer.daemon = True
        timer.start()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
