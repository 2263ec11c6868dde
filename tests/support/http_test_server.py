#!/usr/bin/env python3
"""Local HTTP, HTTPS and proxy server for the transport tests, on 127.0.0.1 only.

  http_test_server.py start DIR   makes the test certificates (once), starts the server
                                  in the background and writes DIR/ports.txt
  http_test_server.py stop DIR    ends it
  http_test_server.py run DIR     serves in the foreground

Ports (DIR/ports.txt, key=value): http, https (a certificate for 127.0.0.1 issued by
a test CA, DIR/ca.der), https_self (a self-signed one), https_expired (issued by the
test CA, out of date), https_unknown (issued by a CA nobody trusts) and proxy (Basic
user:secret).

It also stands in for the maker's web server (the program reaches it through
VELLUMAR_SERVER=127.0.0.1:<https port>): the hint file, /rensel/check.php (answers the
bytes of DIR/check-answer, or 404 when that file is missing, and writes the query it got
to DIR/check-query.txt), /rensel/view.php, /files/NAME (DIR/files/NAME) and /forum/.
A test chooses the answers by writing those files.
"""
import os
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time

BLOCK = bytes(i % 251 for i in range(1 << 20))
PROXY_USER = b"user:secret"


def pattern(n):
    """The first n bytes of the body every sized route sends (byte i is i % 251)."""
    full, rest = divmod(n, len(BLOCK))
    return [BLOCK] * full + ([BLOCK[:rest]] if rest else [])


def make_certificates(d):
    if os.path.exists(os.path.join(d, "ca.der")):
        return
    def ssl_cmd(*args):
        subprocess.run(["openssl", *args], check=True, cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(d, "ext.cnf"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
    ssl_cmd("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
            "-subj", "/CN=Vellumar Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    ssl_cmd("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1")
    ssl_cmd("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "server.pem", "-days", "30", "-extfile", "ext.cnf")
    ssl_cmd("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "expired.pem", "-days", "-1", "-extfile", "ext.cnf")
    ssl_cmd("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other-ca.key", "-out", "other-ca.pem",
            "-days", "30", "-subj", "/CN=Vellumar Unknown CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    ssl_cmd("x509", "-req", "-in", "server.csr", "-CA", "other-ca.pem", "-CAkey", "other-ca.key", "-CAcreateserial",
            "-out", "unknown.pem", "-days", "30", "-extfile", "ext.cnf")
    ssl_cmd("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "self.key", "-out", "self.pem", "-days", "30",
            "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1")
    ssl_cmd("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der.tmp")
    os.replace(os.path.join(d, "ca.der.tmp"), os.path.join(d, "ca.der"))


REVOCATION_LOCK = threading.Lock()
REVOCATION_ROUND = [0]


def make_revocation_certificates(d, http_port):
    """Certificates of the test CA that name a revocation list: one revoked in the list the
    plain server hands out, one whose list lies on a closed port. Made again for every
    connection to the revoked server, each naming its list at an address of its own, since
    a client keeps the lists it fetched (and Wine misreads a kept one)."""
    REVOCATION_ROUND[0] += 1
    nonce = f"{os.getpid()}-{REVOCATION_ROUND[0]}"
    def ssl_cmd(*args):
        subprocess.run(["openssl", *args], check=True, cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(d, "crl-ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test\n[test]\ndatabase = crl-index.txt\ndefault_md = sha256\n"
                "default_crl_days = 30\ncrlnumber = crl-number\n")
    with open(os.path.join(d, "crl-index.txt"), "w"):
        pass
    with open(os.path.join(d, "crl-number"), "w") as f:
        f.write("01\n")
    for name, url in (("revoked", f"http://127.0.0.1:{http_port}/crl/{nonce}/test-ca.crl"),
                      ("offline", "http://127.0.0.1:9/crl/test-ca.crl")):
        with open(os.path.join(d, f"{name}.cnf"), "w") as f:
            f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                    f"crlDistributionPoints=URI:{url}\n")
        ssl_cmd("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", f"{name}.pem", "-days", "30", "-extfile", f"{name}.cnf")
    ssl_cmd("ca", "-config", "crl-ca.cnf", "-keyfile", "ca.key", "-cert", "ca.pem", "-revoke", "revoked.pem")
    ssl_cmd("ca", "-config", "crl-ca.cnf", "-keyfile", "ca.key", "-cert", "ca.pem", "-gencrl", "-out", "test-ca.crl.pem")
    ssl_cmd("crl", "-in", "test-ca.crl.pem", "-outform", "DER", "-out", "test-ca.crl")


def read_head(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(4096)
        if not chunk:
            return None, b""
        data += chunk
        if len(data) > 65536:
            return None, b""
    head, _, rest = data.partition(b"\r\n\r\n")
    return head.decode("latin-1"), rest


def answer(sock, status, body=b"", headers=()):
    head = f"HTTP/1.1 {status}\r\n" + "".join(f"{k}: {v}\r\n" for k, v in headers)
    head += f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n"
    sock.sendall(head.encode("latin-1") + body)


class Origin:
    """The routes of the origin servers, over plain sockets and TLS alike."""

    def __init__(self, ports, folder):
        self.ports = ports
        self.folder = folder

    def maker_file(self, name):
        try:
            with open(os.path.join(self.folder, name), "rb") as f:
                return f.read()
        except OSError:
            return None

    def serve(self, sock, head):
        line = head.split("\r\n")[0]
        parts = line.split(" ")
        path = parts[1] if len(parts) > 1 else "/"
        if path.startswith("http://"):
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        seg = path.split("?")[0].strip("/").split("/")
        name, arg = seg[0], seg[1] if len(seg) > 1 else ""
        if name == "len":
            n = int(arg)
            sock.sendall(f"HTTP/1.1 200 OK\r\nContent-Length: {n}\r\nConnection: close\r\n\r\n".encode())
            for block in pattern(n):
                sock.sendall(block)
        elif name == "chunked":
            n = int(arg)
            sock.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n")
            data = b"".join(pattern(n))
            size, pos = 1, 0
            while pos < len(data):
                piece = data[pos:pos + size]
                sock.sendall(b"%x;ext=1\r\n" % len(piece) + piece + b"\r\n")
                pos += len(piece)
                size = size * 3 + 7
            sock.sendall(b"0\r\nTrailer: yes\r\n\r\n")
        elif name == "abrupt":
            # A close-delimited body whose TLS connection ends without close_notify.
            sock.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
            for block in pattern(int(arg)):
                sock.sendall(block)
            return "abrupt"
        elif name == "close":
            sock.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
            for block in pattern(int(arg)):
                sock.sendall(block)
        elif name == "status":
            answer(sock, f"{arg} Not Found", b"<html>not here</html>")
        elif name == "redirect":
            n = int(arg)
            if n > 0:
                answer(sock, "302 Found", headers=[("Location", f"/redirect/{n - 1}")])
            else:
                answer(sock, "200 OK", b"end of the chain")
        elif name == "relative":
            if path.startswith("/relative/a/b"):
                answer(sock, "301 Moved Permanently", headers=[("Location", "../c/target?x=1")])
            else:
                answer(sock, "200 OK", path.encode())
        elif name == "to-http":
            answer(sock, "302 Found", headers=[("Location", f"http://127.0.0.1:{self.ports['http']}/len/10")])
        elif name == "stall":
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n")
            sock.settimeout(30)
            try:
                sock.recv(1)  # until the client gives up
            except OSError:
                pass
        elif name == "drip":
            # One body byte every arg milliseconds: never idle, never done.
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n")
            try:
                for _ in range(100000):
                    time.sleep(int(arg) / 1000)
                    sock.sendall(b"x")
            except OSError:
                pass
        elif name == "hugelength":
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000\r\n\r\nsome")
        elif name == "hugeheader":
            sock.sendall(b"HTTP/1.1 200 OK\r\n" + b"X-Filler: " + b"a" * 70000 + b"\r\n\r\nbody")
        elif name == "crl":
            answer(sock, "200 OK", self.maker_file("test-ca.crl") or b"", headers=[("Content-Type", "application/pkix-crl")])
        elif path == "/vellumar/vellumar.ini":
            answer(sock, "200 OK", b"[errors]\r\n1062=https://hint.example/wlan-service\r\n")
        elif path.split("?")[0] == "/rensel/check.php":
            query = path.partition("?")[2]
            tmp = os.path.join(self.folder, "check-query.txt.tmp")
            with open(tmp, "w") as f:
                f.write(query)
            os.replace(tmp, os.path.join(self.folder, "check-query.txt"))
            body = self.maker_file("check-answer")
            if body is None:
                answer(sock, "404 Not Found", b"<html><body>Not Found</body></html>")
            else:
                answer(sock, "200 OK", body, headers=[("Content-Type", "text/html")])
        elif path.split("?")[0] == "/rensel/view.php":
            answer(sock, "200 OK", b"<html><body>Vellumar: the newest version</body></html>")
        elif name == "files" and arg and "/" not in arg and not arg.startswith("."):
            body = self.maker_file(os.path.join("files", arg))
            if body is None:
                answer(sock, "404 Not Found", b"<html><body>Not Found</body></html>")
            else:
                answer(sock, "200 OK", body, headers=[("Content-Type", "application/octet-stream")])
        elif name == "forum":
            answer(sock, "200 OK", b"<html><body>Forums</body></html>")
        elif name == "slow":
            # A sized body sent in twenty pieces over about two seconds (download progress).
            n = int(arg)
            sock.sendall(f"HTTP/1.1 200 OK\r\nContent-Length: {n}\r\nConnection: close\r\n\r\n".encode())
            data = b"".join(pattern(n))
            step = max(1, (n + 19) // 20)
            for pos in range(0, n, step):
                sock.sendall(data[pos:pos + step])
                time.sleep(0.1)
        elif name == "echo":
            answer(sock, "200 OK", head.encode("latin-1"))
        else:
            answer(sock, "404 Not Found", b"unknown")


class Proxy:
    def __init__(self, origin):
        self.origin = origin
        self.lock = threading.Lock()
        self.counts = {"connect": 0, "get": 0, "denied": 0}

    def count(self, key):
        with self.lock:
            self.counts[key] += 1

    def serve(self, sock, head, rest):
        import base64
        lines = head.split("\r\n")
        method, target = lines[0].split(" ")[:2]
        if method == "GET" and target == "/stats":
            with self.lock:
                text = " ".join(f"{k}={v}" for k, v in sorted(self.counts.items()))
            return answer(sock, "200 OK", text.encode())
        auth = [l.split(":", 1)[1].strip() for l in lines[1:] if l.lower().startswith("proxy-authorization:")]
        if not auth or auth[0] != "Basic " + base64.b64encode(PROXY_USER).decode():
            self.count("denied")
            return answer(sock, "407 Proxy Authentication Required", b"denied",
                          headers=[("Proxy-Authenticate", 'Basic realm="test"')])
        if method == "CONNECT":
            self.count("connect")
            host, port = target.rsplit(":", 1)
            upstream = socket.create_connection((host, int(port)))
            sock.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            if rest:
                upstream.sendall(rest)
            self.pipe(sock, upstream)
        else:
            self.count("get")
            self.origin.serve(sock, head)

    @staticmethod
    def pipe(a, b):
        def copy(src, dst):
            try:
                while True:
                    data = src.recv(65536)
                    if not data:
                        break
                    dst.sendall(data)
            except OSError:
                pass
            for s in (dst,):
                try:
                    s.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
        t = threading.Thread(target=copy, args=(b, a), daemon=True)
        t.start()
        copy(a, b)
        t.join()
        b.close()


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def drip_handshake(sock):
    """A TLS server that answers the client's hello one byte every half second: never
    idle, never done, and no certificate ever seen."""
    try:
        sock.settimeout(10)
        sock.recv(4096)  # the client's hello
        record = b"\x16\x03\x03\x40\x00" + bytes(0x4000)
        for b in record[:120]:
            time.sleep(0.5)
            sock.sendall(bytes([b]))
    except OSError:
        pass
    finally:
        sock.close()


def make_handler(kind, origin, proxy, contexts):
    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            sock = self.request
            if kind == "https_drip":
                drip_handshake(sock)
                return
            try:
                if kind == "https_revoked":
                    with REVOCATION_LOCK:
                        make_revocation_certificates(origin.folder, origin.ports["http"])
                        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                        ctx.load_cert_chain(os.path.join(origin.folder, "revoked.pem"),
                                            os.path.join(origin.folder, "server.key"))
                    sock = ctx.wrap_socket(sock, server_side=True)
                elif kind in contexts:
                    sock = contexts[kind].wrap_socket(sock, server_side=True)
                head, rest = read_head(sock)
                if head is None:
                    return
                if kind == "proxy":
                    proxy.serve(sock, head, rest)
                elif origin.serve(sock, head) == "abrupt" and isinstance(sock, ssl.SSLSocket):
                    raw = socket.socket(fileno=sock.detach())
                    raw.close()
                    return
            except (OSError, ssl.SSLError, ValueError):
                pass
            finally:
                try:
                    if isinstance(sock, ssl.SSLSocket):
                        sock.settimeout(2)
                        sock.unwrap()  # close_notify ends a close-delimited body cleanly
                except (OSError, ssl.SSLError, ValueError):
                    pass
                try:
                    sock.close()
                except OSError:
                    pass
    return Handler


def run(d):
    make_certificates(d)
    contexts = {}
    ports = {}
    os.makedirs(os.path.join(d, "files"), exist_ok=True)
    origin = Origin(ports, d)
    proxy = Proxy(origin)
    servers = []
    for kind in ("http", "https", "https_self", "https_expired", "https_unknown", "https_drip", "https_revoked",
                 "https_offline", "proxy"):
        srv = Server(("127.0.0.1", 0), make_handler(kind, origin, proxy, contexts))
        ports[kind] = srv.server_address[1]
        servers.append(srv)
    make_revocation_certificates(d, ports["http"])
    for kind, cert, key in (("https", "server.pem", "server.key"), ("https_self", "self.pem", "self.key"),
                            ("https_expired", "expired.pem", "server.key"), ("https_unknown", "unknown.pem", "server.key"),
                            ("https_revoked", "revoked.pem", "server.key"), ("https_offline", "offline.pem", "server.key")):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(d, cert), os.path.join(d, key))
        contexts[kind] = ctx
    for srv in servers:
        threading.Thread(target=srv.serve_forever, daemon=True).start()
    tmp = os.path.join(d, "ports.txt.tmp")
    with open(tmp, "w") as f:
        f.write("".join(f"{k}={v}\n" for k, v in ports.items()))
        f.write(f"pid={os.getpid()}\n")
    os.replace(tmp, os.path.join(d, "ports.txt"))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        time.sleep(3600)


def read_ports(d):
    try:
        with open(os.path.join(d, "ports.txt")) as f:
            return dict(line.strip().split("=", 1) for line in f if "=" in line)
    except OSError:
        return {}


def stop(d):
    pid = read_ports(d).get("pid")
    if pid:
        try:
            os.kill(int(pid), signal.SIGTERM)
        except (ProcessLookupError, ValueError):
            pass
    try:
        os.remove(os.path.join(d, "ports.txt"))
    except OSError:
        pass


def start(d):
    os.makedirs(d, exist_ok=True)
    stop(d)
    # A fresh test CA and certificates at every start, so none is ever out of date.
    try:
        os.remove(os.path.join(d, "ca.der"))
    except OSError:
        pass
    make_certificates(d)
    log = open(os.path.join(d, "server.log"), "w")
    subprocess.Popen([sys.executable, os.path.abspath(__file__), "run", d], stdout=log, stderr=log,
                     stdin=subprocess.DEVNULL, start_new_session=True)
    for _ in range(100):
        if read_ports(d).get("pid"):
            return 0
        time.sleep(0.1)
    print("test server did not start; see", os.path.join(d, "server.log"), file=sys.stderr)
    return 1


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "run"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    command, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    if command == "run":
        run(folder)
    elif command == "stop":
        stop(folder)
    else:
        sys.exit(start(folder))
