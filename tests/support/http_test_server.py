#!/usr/bin/env python3
"""HTTP(S) server for the tests, standard library only.

Binds 127.0.0.1 port 0, prints "PORT <n>" (flushed) and serves until killed.
With --cert and --key it speaks TLS. Every request it reads is written whole
(request line, header lines exactly as received, blank line, body) to
LOG_DIR/request-NNNNNN.txt before it is answered, so a client that has its
reply can read what the server got.

The query string of the request chooses the reply:
  status=N         status code (200)
  header=LINE      a raw reply header line, repeatable, sent in order
  body=TEXT        the body ("ok")
  size=N           a body of N bytes "x" instead
  echo=1           the body is the recorded request
  chunked=1        chunked transfer coding instead of Content-Length
  hang=1           read the request and never answer (closes after a minute)
  auth=USER:PASS   401 with a Basic challenge unless the request carries them
"""
import argparse
import base64
import os
import socket
import ssl
import sys
import threading
import urllib.parse
from http import HTTPStatus

HEAD_LIMIT = 1 << 20
HANG_SECONDS = 60

counter_lock = threading.Lock()
counter = 0


def record(log_dir, data):
    global counter
    with counter_lock:
        counter += 1
        number = counter
    path = os.path.join(log_dir, "request-%06d.txt" % number)
    with open(path + ".tmp", "wb") as out:
        out.write(data)
    os.replace(path + ".tmp", path)


class Connection:
    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError
        self.buffer += data

    def read_until(self, marker):
        while marker not in self.buffer:
            if len(self.buffer) > HEAD_LIMIT:
                raise EOFError
            self.fill()
        at = self.buffer.index(marker) + len(marker)
        data, self.buffer = self.buffer[:at], self.buffer[at:]
        return data

    def read_exact(self, count):
        while len(self.buffer) < count:
            self.fill()
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def read_chunked(self):
        body = b""
        while True:
            size_line = self.read_until(b"\r\n")
            size = int(size_line.split(b";")[0].strip(), 16)
            if size == 0:
                self.read_until(b"\r\n")
                return body
            body += self.read_exact(size)
            self.read_exact(2)


def header_values(lines, name):
    found = []
    for line in lines:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name.lower():
            found.append(value.strip())
    return found


def body_chunks(query, recorded):
    if "echo" in query:
        yield recorded
    elif "size" in query:
        left = int(query["size"][0])
        while left > 0:
            piece = min(left, 1 << 16)
            yield b"x" * piece
            left -= piece
    else:
        yield query.get("body", ["ok"])[0].encode()


def answer(conn, method, query, lines, recorded):
    status = int(query.get("status", ["200"])[0])
    extra = [line.encode() for line in query.get("header", [])]
    if "auth" in query:
        expected = b"Basic " + base64.b64encode(query["auth"][0].encode())
        if expected not in header_values(lines, b"Authorization"):
            status = 401
            extra = [b'WWW-Authenticate: Basic realm="test"']
            query = {"body": ["auth needed"]}
    try:
        reason = HTTPStatus(status).phrase
    except ValueError:
        reason = "Other"
    chunked = "chunked" in query
    head = [b"HTTP/1.1 %d %s" % (status, reason.encode())] + extra
    chunks = body_chunks(query, recorded)
    if chunked:
        head.append(b"Transfer-Encoding: chunked")
    else:
        chunks = list(chunks)
        head.append(b"Content-Length: %d" % sum(len(c) for c in chunks))
    conn.sock.sendall(b"\r\n".join(head) + b"\r\n\r\n")
    if method == b"HEAD":
        return
    for chunk in chunks:
        if chunked:
            conn.sock.sendall(b"%x\r\n" % len(chunk) + chunk + b"\r\n")
        else:
            conn.sock.sendall(chunk)
    if chunked:
        conn.sock.sendall(b"0\r\n\r\n")


def serve_one(conn, log_dir):
    head = conn.read_until(b"\r\n\r\n")
    lines = head[:-4].split(b"\r\n")
    method, target, _ = (lines[0].split(b" ") + [b"", b""])[:3]
    headers = lines[1:]
    length = header_values(headers, b"Content-Length")
    if b"chunked" in b"".join(header_values(headers, b"Transfer-Encoding")).lower():
        body = conn.read_chunked()
    else:
        body = conn.read_exact(int(length[0])) if length else b""
    recorded = head + body
    record(log_dir, recorded)
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(target.decode("latin-1")).query,
                                  keep_blank_values=True)
    if "hang" in query:
        conn.sock.settimeout(HANG_SECONDS)
        try:
            while conn.sock.recv(65536):
                pass
        except OSError:
            pass
        return False
    answer(conn, method, query, headers, recorded)
    return b"close" not in b"".join(header_values(headers, b"Connection")).lower()


def serve(sock, context, log_dir):
    try:
        sock.settimeout(120)
        if context is not None:
            sock = context.wrap_socket(sock, server_side=True)
        conn = Connection(sock)
        while serve_one(conn, log_dir):
            pass
    except (EOFError, OSError, ValueError, ssl.SSLError):
        pass
    finally:
        try:
            sock.close()
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--log-dir", required=True)
    args = parser.parse_args()
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        sock, _ = listener.accept()
        threading.Thread(target=serve, args=(sock, context, args.log_dir), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
