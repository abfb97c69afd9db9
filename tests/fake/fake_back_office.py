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

"answers" in the scenario replaces what a resource ("UpdateLogin") or a
method ("TServerMethods1.Login") answers, or injects a fault:
  {"status": 500, "body": <JSON>} / {"raw": "text"} / {"delay": seconds}
  / {"drop": true} / {"times": n}  (only the first n calls)
Anywhere in a body, {"$datasets": [[name, table], ...]} becomes a dataset
list (tables as in dataset_stream.py).

GET /__requests answers every request received so far (method, path,
query, headers, body, and the decoded dataset lists of DataSnap bodies).
"""
import json
import os
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
    "ds_data": "2024-12-31 10:20:30.000",
    "ds_existe": [0, "2024-12-31 00:00:00.000", "1899-12-30 10:20:30.000", False],
    "session": "",
    "answers": {},
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


def rest_answer(resource, query):
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
        return S["sql_rows"]
    if resource == "executaSQLSelect":
        return [{"dados": S["sql_rows"]}]
    return None


def ds(pairs):
    return {"$datasets": pairs}


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
        "BuscaTipoItem": ["G"],
        "ESelect": ["", ds([["SELECT", S["ds_select"]]])],
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
        answer = rest_answer(key, query)
        if answer is None:
            self.send(404, render([{"erro": "recurso desconhecido"}]))
            return
        self.send(200, render(answer))

    do_GET = do_POST = do_PUT = do_DELETE = handle_any


def load_scenario(path):
    if path.endswith(".py"):
        import importlib.util
        spec = importlib.util.spec_from_file_location("scenario_module", path)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        return module.cenario()
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def main():
    S.update(load_scenario(sys.argv[1]))
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
