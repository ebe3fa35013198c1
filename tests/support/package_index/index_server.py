#!/usr/bin/env python3
"""A package index for the tests, serving the wheels of one folder over HTTPS.

Usage: index_server.py --root DIR --cert CERT --key KEY

Binds 127.0.0.1 on a free port and prints "PORT <n>" as its first line.
The folder is read again on every request, so wheels added later are served.

  /simple/                         PEP 503 project list
  /simple/<name>/                  links to /files/<wheel>#sha256=...
  /files/<wheel>                   the wheel
  /pypi/web/pypi/<name>/json       PyPI-style JSON record (also /pypi/<name>/json);
                                   an unknown name answers 404 with the body "404"

Files the tests may put into DIR:
  _json/<normalized name>.json     {"info": {...}} merged over the record's info,
                                   "upload_time": "..." for every file, or
                                   "raw": "..." (with "status") served verbatim,
                                   or "raw_hex": "..." for bytes that are no text;
                                   a record may exist without any wheel
  _control.json                    {"delay_seconds": 1.5, "fail_status": 500,
                                    "drop": true, "hang": true,
                                    "trickle_seconds": 0.01, "huge_bytes": 209715200}
                                   applied to every request:
                                   hang             read the request, never answer,
                                                    until the client goes
                                   trickle_seconds  write the answer byte by byte,
                                                    this long apart
                                   huge_bytes       answer 200 with this many bytes
  _requests.log                    written by the server: one "METHOD PATH" a line
Every path also takes "?delay=SECONDS".
"""

import argparse
import hashlib
import html
import http.server
import json
import os
import re
import socket
import ssl
import sys
import threading
import time
import urllib.parse
import zipfile
from email.parser import Parser

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_wheels import normalize, version_key  # noqa: E402

DEFAULT_UPLOAD_TIME = "2024-01-02T03:04:05"


class WheelInfo:
    """What the index needs of one wheel file, read once per file version."""

    def __init__(self, path):
        self.path = path
        self.filename = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        self.size = len(data)
        self.sha256 = hashlib.sha256(data).hexdigest()
        self.md5 = hashlib.md5(data).hexdigest()
        self.blake2b_256 = hashlib.blake2b(data, digest_size=32).hexdigest()
        self.metadata = {}
        self.requires_dist = []
        with zipfile.ZipFile(path) as zf:
            names = [n for n in zf.namelist() if n.endswith(".dist-info/METADATA")]
            if names:
                text = zf.read(names[0]).decode("utf-8", "replace")
                message = Parser().parsestr(text, headersonly=True)
                for key in ("Name", "Version", "Summary", "Home-page", "Author",
                            "Author-email", "License", "Requires-Python"):
                    if message.get(key) is not None:
                        self.metadata[key] = message.get(key)
                self.requires_dist = message.get_all("Requires-Dist") or []
        parts = self.filename[:-len(".whl")].split("-")
        self.name = self.metadata.get("Name", parts[0])
        self.version = self.metadata.get("Version", parts[1] if len(parts) > 1 else "0")
        self.normalized = normalize(self.name)


class Index:
    def __init__(self, root):
        self.root = root
        self.cache = {}
        self.lock = threading.Lock()

    def wheels(self):
        result = []
        with self.lock:
            for entry in sorted(os.listdir(self.root)):
                if not entry.endswith(".whl"):
                    continue
                path = os.path.join(self.root, entry)
                stat = os.stat(path)
                key = (path, stat.st_mtime_ns, stat.st_size)
                if key not in self.cache:
                    self.cache[key] = WheelInfo(path)
                result.append(self.cache[key])
        return result

    def projects(self):
        projects = {}
        for wheel in self.wheels():
            projects.setdefault(wheel.normalized, []).append(wheel)
        return projects

    def side_record(self, normalized):
        path = os.path.join(self.root, "_json", normalized + ".json")
        if not os.path.exists(path):
            return None
        with open(path, encoding="utf-8") as f:
            return json.load(f)

    def control(self):
        path = os.path.join(self.root, "_control.json")
        if not os.path.exists(path):
            return {}
        try:
            with open(path, encoding="utf-8") as f:
                return json.load(f)
        except ValueError:
            return {}


def file_record(wheel, base_url, upload_time):
    return {
        "comment_text": "",
        "digests": {"blake2b_256": wheel.blake2b_256, "md5": wheel.md5, "sha256": wheel.sha256},
        "downloads": -1,
        "filename": wheel.filename,
        "has_sig": False,
        "md5_digest": wheel.md5,
        "packagetype": "bdist_wheel",
        "python_version": "py3",
        "requires_python": wheel.metadata.get("Requires-Python"),
        "size": wheel.size,
        "upload_time": upload_time,
        "upload_time_iso_8601": upload_time + ".000000Z",
        "url": base_url + "/files/" + urllib.parse.quote(wheel.filename),
        "yanked": False,
        "yanked_reason": None,
    }


def json_record(wheels, side, base_url):
    side = side or {}
    upload_time = side.get("upload_time", DEFAULT_UPLOAD_TIME)
    releases = {}
    for wheel in wheels:
        releases.setdefault(wheel.version, []).append(file_record(wheel, base_url, upload_time))
    ordered = sorted(releases, key=version_key)
    newest = [w for w in wheels if w.version == ordered[-1]] if ordered else []
    meta = newest[0].metadata if newest else {}
    name = meta.get("Name", "")
    info = {
        "author": meta.get("Author", ""),
        "author_email": meta.get("Author-email", ""),
        "bugtrack_url": None,
        "classifiers": [],
        "description": "",
        "description_content_type": None,
        "docs_url": None,
        "download_url": "",
        "downloads": {"last_day": -1, "last_month": -1, "last_week": -1},
        "home_page": meta.get("Home-page", ""),
        "keywords": "",
        "license": meta.get("License"),
        "maintainer": "",
        "maintainer_email": "",
        "name": name,
        "package_url": base_url + "/project/" + name + "/",
        "platform": None,
        "project_url": base_url + "/project/" + name + "/",
        "project_urls": None,
        "release_url": base_url + "/project/" + name + "/" + (ordered[-1] if ordered else "") + "/",
        "requires_dist": list(newest[0].requires_dist) if newest and newest[0].requires_dist
        else None,
        "requires_python": meta.get("Requires-Python", ""),
        "summary": meta.get("Summary", ""),
        "version": ordered[-1] if ordered else "",
        "yanked": False,
        "yanked_reason": None,
    }
    info.update(side.get("info", {}))
    return {
        "info": info,
        "last_serial": 1,
        "releases": {v: releases[v] for v in ordered},
        "urls": releases[ordered[-1]] if ordered else [],
        "vulnerabilities": [],
    }


# A client that waits on a hanging answer is let go after this long.
HANG_LIMIT_SECONDS = 600
HUGE_CHUNK = b"[" * 65536


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VxTestIndex/1.0"
    trickle_seconds = 0

    def log_message(self, format, *args):
        pass

    def send_body(self, status, body, content_type):
        if isinstance(body, str):
            body = body.encode("utf-8")
        if self.trickle_seconds > 0:
            return self.send_trickled(status, body, content_type)
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_trickled(self, status, body, content_type):
        head = ("HTTP/1.1 %d %s\r\nServer: %s\r\nContent-Type: %s\r\n"
                "Content-Length: %d\r\n\r\n" % (
                    status, self.responses.get(status, ("",))[0], self.server_version,
                    content_type, len(body))).encode("latin-1")
        data = head + (body if self.command != "HEAD" else b"")
        for at in range(len(data)):
            self.wfile.write(data[at:at + 1])
            time.sleep(self.trickle_seconds)

    def hang(self):
        # The answer never comes; the thread waits for the client to give up.
        self.close_connection = True
        try:
            self.connection.settimeout(HANG_LIMIT_SECONDS)
            while self.connection.recv(4096):
                pass
        except (OSError, ssl.SSLError):
            pass

    def send_huge(self, size):
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        try:
            while size > 0:
                chunk = HUGE_CHUNK[:size]
                self.wfile.write(chunk)
                size -= len(chunk)
        except (OSError, ssl.SSLError):
            pass  # the client stopped reading

    def base_url(self):
        return "https://" + (self.headers.get("Host") or "127.0.0.1")

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        index = self.server.index
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        self.server.log_request_line(self.command + " " + self.path)

        control = index.control()
        delay = float(control.get("delay_seconds", 0) or 0)
        if "delay" in query:
            delay = float(query["delay"][0])
        if delay > 0:
            time.sleep(delay)
        if control.get("drop"):
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if control.get("hang"):
            return self.hang()
        if control.get("huge_bytes"):
            return self.send_huge(int(control["huge_bytes"]))
        self.trickle_seconds = float(control.get("trickle_seconds", 0) or 0)
        if control.get("fail_status"):
            self.send_body(int(control["fail_status"]), "error", "text/plain")
            return

        path = urllib.parse.unquote(url.path)
        match = re.match(r"^/pypi/(?:web/pypi/)?([^/]+)/json/?$", path)
        if match:
            return self.serve_json(index, match.group(1))
        if path in ("/simple", "/simple/"):
            return self.serve_simple_root(index)
        match = re.match(r"^/simple/([^/]+)/?$", path)
        if match:
            return self.serve_simple_project(index, match.group(1))
        match = re.match(r"^/files/([^/]+\.whl)$", path)
        if match:
            return self.serve_file(index, match.group(1))
        self.send_body(404, "404", "text/plain")

    def serve_json(self, index, name):
        normalized = normalize(name)
        side = index.side_record(normalized)
        if side is not None and "raw" in side:
            self.send_body(int(side.get("status", 200)), side["raw"], "application/json")
            return
        if side is not None and "raw_hex" in side:
            self.send_body(int(side.get("status", 200)), bytes.fromhex(side["raw_hex"]),
                           "application/json")
            return
        wheels = index.projects().get(normalized, [])
        if not wheels and side is None:
            self.send_body(404, "404", "text/plain")
            return
        record = json_record(wheels, side, self.base_url())
        self.send_body(200, json.dumps(record, ensure_ascii=False, indent=1), "application/json")

    def serve_simple_root(self, index):
        links = "".join('<a href="/simple/%s/">%s</a><br/>\n' % (n, n)
                        for n in sorted(index.projects()))
        page = "<!DOCTYPE html>\n<html><body>\n%s</body></html>\n" % links
        self.send_body(200, page, "text/html")

    def serve_simple_project(self, index, name):
        normalized = normalize(name)
        if name != normalized:
            # PEP 503: non-normalised names redirect to the normalised page.
            self.send_response(301)
            self.send_header("Location", "/simple/%s/" % normalized)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        wheels = index.projects().get(normalized)
        if not wheels:
            self.send_body(404, "404", "text/plain")
            return
        links = []
        for wheel in wheels:
            requires = wheel.metadata.get("Requires-Python")
            attr = ' data-requires-python="%s"' % html.escape(requires) if requires else ""
            links.append('<a href="/files/%s#sha256=%s"%s>%s</a><br/>\n' % (
                urllib.parse.quote(wheel.filename), wheel.sha256, attr, wheel.filename))
        page = ("<!DOCTYPE html>\n<html><head><title>Links for %s</title></head><body>\n"
                "<h1>Links for %s</h1>\n%s</body></html>\n" % (
                    normalized, normalized, "".join(links)))
        self.send_body(200, page, "text/html")

    def serve_file(self, index, filename):
        path = os.path.join(index.root, filename)
        if os.path.basename(filename) != filename or not os.path.isfile(path):
            self.send_body(404, "404", "text/plain")
            return
        with open(path, "rb") as f:
            data = f.read()
        self.send_body(200, data, "application/octet-stream")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, root, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.index = Index(root)
        self.context = context
        self.log_lock = threading.Lock()
        self.log_path = os.path.join(root, "_requests.log")

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the request's own thread, so a client that
        # stalls in it holds up nobody else.
        try:
            secure = self.context.wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError):
            return
        try:
            super().finish_request(secure, client_address)
        finally:
            self.shutdown_request(secure)

    def handle_error(self, request, client_address):
        pass

    def log_request_line(self, line):
        with self.log_lock:
            with open(self.log_path, "a", encoding="utf-8") as f:
                f.write(line + "\n")


def exit_with_parent():
    """A test that dies without stopping its server takes the server along."""
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(1)
    os._exit(0)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args(argv)

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server = Server(os.path.abspath(args.root), context)
    threading.Thread(target=exit_with_parent, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
