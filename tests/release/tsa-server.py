#!/usr/bin/env python3
"""A local RFC 3161 time-stamping server, so the signing test can exercise
release.sh --timestamp without the network. Each query is answered by
`openssl ts -reply` with a throwaway TSA certificate.

Usage: tsa-server.py <openssl ts config> <port file>
Listens on 127.0.0.1 on a free port and writes the port to <port file> once it
accepts connections. Runs until killed.
"""
import http.server
import os
import subprocess
import sys
import tempfile

config, port_file = sys.argv[1], sys.argv[2]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length)
        with tempfile.TemporaryDirectory() as d:
            qpath, rpath = os.path.join(d, "query"), os.path.join(d, "reply")
            with open(qpath, "wb") as f:
                f.write(query)
            done = subprocess.run(
                ["openssl", "ts", "-reply", "-config", config,
                 "-queryfile", qpath, "-out", rpath],
                capture_output=True)
            if done.returncode != 0:
                sys.stderr.write(done.stderr.decode(errors="replace"))
                self.send_error(500, "openssl ts -reply failed")
                return
            with open(rpath, "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, fmt, *args):
        sys.stderr.write("tsa-server: " + (fmt % args) + "\n")


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(port_file + ".new", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + ".new", port_file)
server.serve_forever()
