#!/usr/bin/env python3
"""Local download host for the online tests.

Serves the files under --root on 127.0.0.1 (HTTP, or HTTPS with --cert/--key) and prints the port it
listens on as the first line of its standard output. A few names behave specially so tests can meet
the failures a real host shows:
  *HOLD*    sends nothing and holds the connection (idle time-outs)
  *MOVED*   redirects to "moved-elsewhere.png" in the same folder
  *STAGED*  answers 1000 announced bytes: 250 at once, the rest once the file "release" exists in --root
  *UNSIZED* answers its file without announcing the size, ending the body by closing the connection
Missing files get a 404 page; an empty file is answered with status 200 and no body.
"""
import argparse
import http.server
import os
import posixpath
import ssl
import sys
import time
import urllib.parse

HOLD_LIMIT_S = 30.0
POLL_S = 0.01


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        name = posixpath.basename(path)
        if "HOLD" in name:
            self.hold()
        elif "MOVED" in name:
            self.redirect(posixpath.join(posixpath.dirname(path), "moved-elsewhere.png"))
        elif "STAGED" in name:
            self.staged()
        else:
            self.serve(path, announce_size="UNSIZED" not in name)

    def hold(self):
        deadline = time.monotonic() + HOLD_LIMIT_S
        while time.monotonic() < deadline:
            time.sleep(POLL_S * 10)
        self.close_connection = True

    def redirect(self, target):
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def staged(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", "1000")
        self.end_headers()
        self.wfile.write(bytes(range(250)))
        self.wfile.flush()
        release = os.path.join(self.server.root, "release")
        deadline = time.monotonic() + HOLD_LIMIT_S
        while not os.path.exists(release) and time.monotonic() < deadline:
            time.sleep(POLL_S)
        self.wfile.write(bytes(i % 256 for i in range(250, 1000)))
        self.wfile.flush()

    def serve(self, path, announce_size):
        local = os.path.normpath(os.path.join(self.server.root, path.lstrip("/")))
        if not local.startswith(self.server.root + os.sep) or not os.path.isfile(local):
            self.send_error(404, "Not Found")
            return
        with open(local, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if announce_size:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.close_connection = True
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)


class QuietServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients hang up on purpose (time-outs, size bounds, refused certificates).
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    server = QuietServer(("127.0.0.1", 0), Handler)
    server.root = os.path.realpath(args.root)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
