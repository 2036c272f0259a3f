#!/usr/bin/env python3
"""A local RFC 3161 time-stamp authority for the signing tests.

usage: tsa_server.py FOLDER

Makes a key and a self-signed certificate for time stamping in FOLDER (once), listens on a
free port of 127.0.0.1 and writes that port to FOLDER/port when it is ready. Every request
POSTed to /  is answered by `openssl ts -reply`; a request to /fail gets an HTTP 500, as from
an authority that is out of order. The server answers one request at a time and stops by
itself after LIFETIME seconds (default 600) or MAX_REQUESTS requests (default 500).
"""
import http.server
import os
import subprocess
import sys
import tempfile
import time

SUBJECT = "/O=Kitbag Tests/CN=Kitbag Test Time Stamps"

CONFIG = """\
[ tsa ]
default_tsa = tsa_config

[ tsa_config ]
dir = {folder}
serial = $dir/serial
crypto_device = builtin
signer_cert = $dir/tsa-cert.pem
certs = $dir/tsa-cert.pem
signer_key = $dir/tsa-key.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha1
"""


def make_authority(folder):
    key = os.path.join(folder, "tsa-key.pem")
    cert = os.path.join(folder, "tsa-cert.pem")
    if not os.path.exists(cert):
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
             "-subj", SUBJECT, "-keyout", key, "-out", cert,
             "-addext", "basicConstraints=critical,CA:FALSE",
             "-addext", "keyUsage=critical,digitalSignature",
             "-addext", "extendedKeyUsage=critical,timeStamping"],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    with open(os.path.join(folder, "serial"), "w") as serial:
        serial.write("01\n")
    config = os.path.join(folder, "tsa.cnf")
    with open(config, "w") as out:
        out.write(CONFIG.format(folder=folder))
    return config


class Handler(http.server.BaseHTTPRequestHandler):
    config = ""
    folder = ""
    requests = 0

    def do_POST(self):
        Handler.requests += 1
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length) if 0 < length <= 65536 else b""
        if self.path != "/" or not query:
            self.send_error(500, "this authority is out of order")
            return
        with tempfile.TemporaryDirectory(dir=self.folder) as work:
            request = os.path.join(work, "request.tsq")
            reply = os.path.join(work, "reply.tsr")
            with open(request, "wb") as out:
                out.write(query)
            done = subprocess.run(
                ["openssl", "ts", "-reply", "-config", self.config, "-queryfile", request,
                 "-out", reply], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if done.returncode != 0 or not os.path.exists(reply):
                sys.stderr.write(done.stderr.decode(errors="replace"))
                self.send_error(500, "openssl ts -reply failed")
                return
            with open(reply, "rb") as answer:
                body = answer.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        sys.stderr.write("tsa_server: " + format % args + "\n")


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = os.path.abspath(sys.argv[1])
    Handler.config = make_authority(folder)
    Handler.folder = folder
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    server.timeout = 0.5
    deadline = time.monotonic() + float(os.environ.get("LIFETIME", "600"))
    most = int(os.environ.get("MAX_REQUESTS", "500"))
    port = os.path.join(folder, "port")
    with open(port + ".partial", "w") as out:
        out.write(str(server.server_address[1]) + "\n")
    os.replace(port + ".partial", port)
    while time.monotonic() < deadline and Handler.requests < most:
        server.handle_request()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
