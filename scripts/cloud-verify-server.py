#!/usr/bin/env python3
"""Local cloud verification service for tests and demos (loopback only).

Answers the account form posted to /verify/cloud.aspx for the accounts it is
given: "USER<br/>ADDRESS<br/>PORT<br/>DISK" when the user name and password
match, 403 "Access denied" otherwise.

  cloud-verify-server.py --account alice:secret:10.1.2.3:3260:disk7 [--port N]
      serve until interrupted; prints "listening on 127.0.0.1:PORT".
  cloud-verify-server.py --account ... --run -- COMMAND ARGS...
      serve on a free port while COMMAND runs, with TARNWICK_CLOUD_HOST and
      TW_TEST_HTTP_PORT set for it; exits with COMMAND's exit code.

--drip-account takes the same form; its answer is sent a few bytes at a time.
--test-endpoints adds the paths the HTTP client tests and the benchmark use
(/echo, /chunked, /raw/NAME, /status, /sink).
"""
import argparse
import http.server
import os
import socket
import subprocess
import sys
import threading
import time
import urllib.parse

VERIFY_PATH = "/verify/cloud.aspx"


class Account:
    def __init__(self, text, drip):
        parts = text.split(":", 4)
        if len(parts) != 5:
            raise argparse.ArgumentTypeError("account is USER:PASSWORD:ADDRESS:PORT:DISK")
        self.user, self.password, self.address, self.port, self.disk = parts
        self.drip = drip


RAW_ANSWERS = {
    # Two fields of one name, no Content-Type, no Content-Length: read to close.
    "multi": b"HTTP/1.1 200 OK\r\nX-Multi: first\r\nX-Multi: second\r\nConnection: close\r\n\r\n"
             b"until-close body",
    # Announces 100 bytes and sends 10.
    "cut": b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789",
    "badchunk": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz\r\n",
    "garbage": b"NOT HTTP AT ALL\r\n\r\n",
    "close": b"",
    # The raw answers end their connection, so they say so: a client must not
    # reuse it (WinINet otherwise may, and meets the closed socket).
    "continue": b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created here\r\nContent-Length: 2\r\n"
                b"Connection: close\r\n\r\nok",
    "nocontent": b"HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n",
    "zerolength": b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VerifyService/1.0"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("cloud-verify-server: " + (fmt % args) + "\n")

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        data = b""
        while len(data) < length:
            more = self.rfile.read(length - len(data))
            if not more:
                break
            data += more
        return data

    def answer(self, status, body, content_type="text/html", reason=None, piece=0):
        self.send_response(status, reason)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.flush()
        if piece <= 0:
            self.wfile.write(body)
        else:
            for i in range(0, len(body), piece):
                self.wfile.write(body[i:i + piece])
                self.wfile.flush()
                time.sleep(0.02)

    def echo_text(self, body):
        lines = [self.requestline] + ["%s: %s" % (k, v) for k, v in self.headers.items()]
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body

    def do_GET(self):
        self.do_POST()

    def do_POST(self):
        body = self.read_body()
        url = urllib.parse.urlsplit(self.path)
        path = url.path
        query = dict(urllib.parse.parse_qsl(url.query))
        if path == VERIFY_PATH and self.command == "POST":
            return self.verify(body)
        if not self.server.test_endpoints:
            return self.answer(404, b"Not found")
        if path == "/sink":
            return self.answer(200, b"received %d" % len(body), "text/plain")
        if path == "/echo":
            return self.answer(200, self.echo_text(body), "text/plain",
                               piece=int(query.get("piece", "0")))
        if path == "/status":
            return self.answer(int(query.get("code", "200")), b"status body", "text/plain",
                               reason=query.get("text"))
        if path == "/chunked":
            piece = int(query.get("piece", "7"))
            data = self.echo_text(body)
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(data), piece):
                part = data[i:i + piece]
                self.wfile.write(b"%x;ext=1\r\n" % len(part) + part + b"\r\n")
                self.wfile.flush()
            self.wfile.write(b"0\r\nX-Trailer: yes\r\n\r\n")
            self.wfile.flush()
            return
        if path.startswith("/raw/"):
            name = path[5:]
            if name == "hang":
                time.sleep(float(query.get("seconds", "3")))
                return self.answer(200, b"late")
            self.wfile.write(RAW_ANSWERS[name])
            self.wfile.flush()
            self.close_connection = True
            return
        return self.answer(404, b"Not found")

    def verify(self, body):
        # Form fields arrive URL-encoded in the client's ANSI code page.
        fields = dict(urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True,
                                             encoding=self.server.form_encoding))
        self.server.posts.append(body)
        for account in self.server.accounts:
            if fields.get("UserName") == account.user and fields.get("Password") == account.password:
                text = "%s<br/>%s<br/>%s<br/>%s" % (account.user, account.address, account.port,
                                                    account.disk)
                return self.answer(200, text.encode(self.server.form_encoding), piece=3 if account.drip else 0)
        return self.answer(403, b"Access denied")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--account", action="append", default=[])
    parser.add_argument("--drip-account", action="append", default=[])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--form-encoding", default="cp1252")
    parser.add_argument("--test-endpoints", action="store_true")
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--run", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    server = Server(("127.0.0.1", args.port), Handler)
    server.accounts = [Account(a, False) for a in args.account] + \
                      [Account(a, True) for a in args.drip_account]
    server.form_encoding = args.form_encoding
    server.test_endpoints = args.test_endpoints
    server.verbose = args.verbose
    server.posts = []
    port = server.server_address[1]

    if args.run is None:
        print("listening on 127.0.0.1:%d" % port, flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
        return 0

    command = args.run[1:] if args.run and args.run[0] == "--" else args.run
    if not command:
        parser.error("--run needs a command")
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    env = dict(os.environ)
    env["TARNWICK_CLOUD_HOST"] = "127.0.0.1:%d" % port
    env["TW_TEST_HTTP_PORT"] = str(port)
    try:
        code = subprocess.call(command, env=env)
    finally:
        server.shutdown()
        server.server_close()
    return code


if __name__ == "__main__":
    sys.exit(main())
