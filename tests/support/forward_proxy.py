#!/usr/bin/env python3
"""Forward proxy for the tests, standard library only.

Binds 127.0.0.1 port 0, prints "PORT <n>" (flushed) and serves until killed.
It tunnels CONNECT requests and forwards plain-HTTP requests in absolute form
(rewritten to origin form, without the Proxy-* header lines). The head of every
request it gets (request line and header lines exactly as received) is written
to LOG_DIR/proxy-NNNNNN.txt before it acts on it.

With --require-auth USER:PASS a request without the matching Basic
Proxy-Authorization is answered with 407.
"""
import argparse
import base64
import os
import socket
import sys
import threading
import urllib.parse

HEAD_LIMIT = 1 << 20

counter_lock = threading.Lock()
counter = 0


def record(log_dir, data):
    global counter
    with counter_lock:
        counter += 1
        number = counter
    path = os.path.join(log_dir, "proxy-%06d.txt" % number)
    with open(path + ".tmp", "wb") as out:
        out.write(data)
    os.replace(path + ".tmp", path)


def read_head(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        if len(data) > HEAD_LIMIT:
            raise EOFError
        more = sock.recv(65536)
        if not more:
            raise EOFError
        data += more
    at = data.index(b"\r\n\r\n") + 4
    return data[:at], data[at:]


def pump(source, sink):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    try:
        sink.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def relay(client, upstream):
    other = threading.Thread(target=pump, args=(upstream, client), daemon=True)
    other.start()
    pump(client, upstream)
    other.join()


def serve(client, log_dir, required):
    upstream = None
    try:
        client.settimeout(120)
        head, rest = read_head(client)
        record(log_dir, head)
        lines = head[:-4].split(b"\r\n")
        method, target, version = (lines[0].split(b" ") + [b"", b""])[:3]
        headers = lines[1:]
        if required is not None:
            given = [line.partition(b":")[2].strip() for line in headers
                     if line.partition(b":")[0].strip().lower() == b"proxy-authorization"]
            if required not in given:
                client.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                               b'Proxy-Authenticate: Basic realm="proxy"\r\n'
                               b"Content-Length: 0\r\nConnection: close\r\n\r\n")
                return
        if method == b"CONNECT":
            host, _, port = target.decode().rpartition(":")
            upstream = socket.create_connection((host, int(port)), timeout=120)
            client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            if rest:
                upstream.sendall(rest)
        else:
            url = urllib.parse.urlsplit(target.decode("latin-1"))
            path = (url.path or "/") + ("?" + url.query if url.query else "")
            kept = [line for line in headers
                    if not line.lower().startswith(b"proxy-")]
            upstream = socket.create_connection((url.hostname, url.port or 80), timeout=120)
            upstream.sendall(b"\r\n".join([method + b" " + path.encode("latin-1") + b" " +
                                           version] + kept) + b"\r\n\r\n" + rest)
        relay(client, upstream)
    except (EOFError, OSError, ValueError):
        pass
    finally:
        for sock in (client, upstream):
            if sock is not None:
                try:
                    sock.close()
                except OSError:
                    pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log-dir", required=True)
    parser.add_argument("--require-auth")
    args = parser.parse_args()
    required = None
    if args.require_auth:
        required = b"Basic " + base64.b64encode(args.require_auth.encode())
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, args.log_dir, required),
                         daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
