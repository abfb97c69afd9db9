#!/usr/bin/python3
"""FTP server for the self-update tests, on 127.0.0.1 and a free port.

Usage: fake_ftp.py ROOT [--user U] [--password P] [--rate BYTES_PER_S]
                        [--drop-after N] [--lifetime S] [--log FILE]

ROOT is served read-only to one account; the tests put the version file and
the package under ROOT/Atualizacao/Versao/ZEVIVEDE/ themselves. The chosen
port is printed on the first line of stdout. --rate throttles downloads,
--drop-after closes a download's data connection after N bytes while the
control connection still reports success (what a flaky network can look
like to the client), --log appends every command received, one a line,
with the password masked.
"""
import argparse
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    p = argparse.ArgumentParser()
    p.add_argument("root")
    p.add_argument("--user", default="zvdatualiza")
    p.add_argument("--password", default="orvanzid7351")
    p.add_argument("--rate", type=int, default=0)
    p.add_argument("--drop-after", type=int, default=-1)
    p.add_argument("--lifetime", type=float, default=60.0)
    p.add_argument("--log", default="")
    a = p.parse_args()

    os.makedirs(os.path.join(a.root, "Atualizacao", "Versao", "ZEVIVEDE"), exist_ok=True)
    authorizer = DummyAuthorizer()
    authorizer.add_user(a.user, a.password, a.root, perm="elr")

    class DTP(ThrottledDTPHandler):
        read_limit = a.rate
        write_limit = a.rate
        sent_total = 0

        def send(self, data):
            if a.drop_after >= 0 and self.sent_total + len(data) >= a.drop_after:
                rest = max(0, a.drop_after - self.sent_total)
                if rest:
                    super().send(data[:rest])
                self.sent_total += rest
                # reported as a complete transfer: the client must notice
                # the missing bytes by itself
                self.transfer_finished = True
                self._resp = ("226 Transfer complete.", lambda *x, **k: None)
                self.close()
                return len(data)
            n = super().send(data)
            self.sent_total += n or 0
            return n

    class Handler(FTPHandler):
        authorizer = None
        dtp_handler = DTP
        banner = "fake ftp ready"

        def pre_process_command(self, line, cmd, arg):
            if a.log:
                shown = "PASS ****" if cmd == "PASS" else line
                with open(a.log, "a", encoding="utf-8") as f:
                    f.write(shown + "\n")
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.use_sendfile = False
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    end = time.monotonic() + a.lifetime
    while time.monotonic() < end:
        server.serve_forever(timeout=0.2, blocking=False)
    server.close_all()


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.CRITICAL)
    sys.exit(main())
