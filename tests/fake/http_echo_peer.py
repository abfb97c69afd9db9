"""Loopback HTTP peer for the HTTP client tests.

Prints its port on the first line of stdout, then serves:
  /redirect      302 to /echo/after-redirect
  /slow          answers after 5 seconds
  /status/<n>    status n with body "status n"
  /big/<n>       n bytes with their Content-Length
  /stream/<n>    n bytes without a length, ended by closing the connection
  anything else  200 with a JSON echo of method, path, headers and body
Every answer carries "X-Peer: echo". The process ends itself after the
number of seconds given as its only argument (default 60).
"""
import base64
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, extra=()):
        self.send_response(status)
        self.send_header("X-Peer", "echo")
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        if self.path == "/redirect":
            self.answer(302, b"moved", [("Location", "/echo/after-redirect")])
        elif self.path == "/slow":
            time.sleep(5)
            self.answer(200, b"late")
        elif self.path.startswith("/big/"):
            self.answer(200, b"x" * int(self.path[len("/big/"):]))
        elif self.path.startswith("/stream/"):
            left = int(self.path[len("/stream/"):])
            self.close_connection = True
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            try:
                while left > 0:
                    n = min(left, 65536)
                    self.wfile.write(b"y" * n)
                    left -= n
            except OSError:
                pass  # the client hung up past its limit
        elif self.path.startswith("/status/"):
            code = int(self.path[len("/status/"):])
            self.answer(code, b"status %d" % code)
        else:
            echo = {
                "method": self.command,
                "path": self.path,
                "headers": [[k, v] for k, v in self.headers.items()],
                "body": base64.b64encode(body).decode("ascii"),
            }
            self.answer(200, json.dumps(echo).encode("utf-8"),
                        [("Content-Type", "application/json")])

    do_GET = do_POST = do_PUT = do_DELETE = handle_any


def main():
    lifetime = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    timer = threading.Timer(lifetime, lambda: os._exit(0))
    timer.daemon = True
    timer.start()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
