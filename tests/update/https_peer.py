#!/usr/bin/env python3
"""An HTTPS server on 127.0.0.1 for the update check's tests.

Usage: https_peer.py CERT KEY ROOT. Prints its port on a line of its own, then serves:
files of ROOT by name; /missing (404); /slow (1000 bytes, one every 0.1 s);
/stall (announces 1000 bytes, sends none); /big-announced (announces 2 MiB);
/big (2 MiB without announcing the length); /to-http (a redirect to http://).
"""
import http.server
import os
import ssl
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def head(self, status, length=None, extra=()):
        self.send_response(status)
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def do_GET(self):
        path = self.path.split("?")[0]
        try:
            if path == "/slow":
                self.head(200, 1000)
                for _ in range(1000):
                    self.wfile.write(b";")
                    self.wfile.flush()
                    time.sleep(0.1)
            elif path == "/stall":
                self.head(200, 1000)
                self.wfile.flush()
                time.sleep(30)
            elif path == "/big-announced":
                self.head(200, 2 << 20)
                self.wfile.write(b"x" * 1000)
            elif path == "/big":
                self.head(200)
                for _ in range(64):
                    self.wfile.write(b"x" * 32768)
            elif path == "/to-http":
                self.head(302, 0, [("Location", "http://127.0.0.1:9/RFIDVersionsHF.txt")])
            else:
                name = os.path.join(ROOT, os.path.basename(path))
                if not os.path.isfile(name):
                    self.head(404, 0)
                    return
                with open(name, "rb") as f:
                    body = f.read()
                self.head(200, len(body))
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients that refuse the certificate end their handshake


if __name__ == "__main__":
    cert, key, ROOT = sys.argv[1:4]
    server = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()
