#!/usr/bin/env python3
"""Loopback HTTP fixture server for Velotune's tests.

Serves the files under --root on 127.0.0.1 with an ephemeral port, which it prints as
"PORT <n>" on its first line of output. Canned answers come from <root>/.routes.json, read again
on every request, so a test can change them while the server runs:

  {"/path": {"status": 404, "body": "text", "file": "name-under-root", "content_type": "...",
             "headers": {"X-Name": "value"}, "rate": bytes_per_second, "loop": true,
             "delay": seconds_before_answering, "close_after": bytes_then_drop_connection}}

"loop" with "file" repeats the file forever, paced by "rate", like a live stream; "close_after" then
drops it after that many bytes in all, and "stall_after" stops sending after that many bytes while
keeping the connection open. With --cert and --key the server speaks https. Every request is
appended to --log as one JSON line: method, path, query and headers.
"""
import argparse
import json
import mimetypes
import os
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TYPES = {
    ".wma": "audio/x-ms-wma", ".asf": "video/x-ms-asf", ".asx": "video/x-ms-asf",
    ".mp3": "audio/mpeg", ".aac": "audio/aac", ".ogg": "audio/ogg", ".opus": "audio/ogg",
    ".ra": "audio/x-pn-realaudio", ".rm": "application/vnd.rn-realmedia",
    ".html": "text/html", ".txt": "text/plain", ".exe": "application/octet-stream",
    ".zip": "application/zip", ".wav": "audio/wav",
}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FixtureServer/1.0"

    def log_message(self, fmt, *args):  # keep test output quiet
        pass

    def _log(self):
        parsed = urllib.parse.urlsplit(self.path)
        entry = {"method": self.command, "path": parsed.path, "query": parsed.query,
                 "headers": {k: v for k, v in self.headers.items()}}
        with self.server.log_lock, open(self.server.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")

    def _routes(self):
        try:
            with open(os.path.join(self.server.root, ".routes.json"), encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def _file_path(self, name):
        root = os.path.realpath(self.server.root)
        path = os.path.realpath(os.path.join(root, name.lstrip("/")))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            return None
        return path

    def _send_body(self, data, rate, close_after):
        # Pieces of a tenth of a second, down to single bytes for a server that drips.
        chunk = 4096 if not rate else max(1, min(16384, int(rate) // 10))
        sent = 0
        start = time.monotonic()
        while sent < len(data):
            piece = data[sent:sent + chunk]
            if close_after is not None and sent + len(piece) > close_after:
                piece = piece[:max(0, close_after - sent)]
                self.wfile.write(piece)
                self.wfile.flush()
                self.close_connection = True
                return False
            self.wfile.write(piece)
            self.wfile.flush()
            sent += len(piece)
            if rate:
                ahead = sent / rate - (time.monotonic() - start)
                if ahead > 0:
                    time.sleep(ahead)
        return True

    def _answer(self, head_only):
        self._log()
        parsed = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(parsed.path)
        route = self._routes().get(path)
        if route is None and parsed.query:
            route = self._routes().get(path + "?" + parsed.query)
        route = route or {}
        if route.get("delay"):
            time.sleep(float(route["delay"]))
        status = int(route.get("status", 200))
        name = route.get("file", path if "body" not in route else None)
        data = None
        content_type = route.get("content_type")
        if "body" in route:
            data = route["body"].encode("utf-8")
            content_type = content_type or "text/html"
        elif name is not None:
            file_path = self._file_path(name)
            if file_path is None:
                status, data, content_type = 404, b"Not Found", "text/plain"
            else:
                with open(file_path, "rb") as f:
                    data = f.read()
                ext = os.path.splitext(file_path)[1].lower()
                content_type = content_type or TYPES.get(ext) or \
                    mimetypes.guess_type(file_path)[0] or "application/octet-stream"
        else:
            data = b""
        try:
            self.send_response(status)
            self.send_header("Content-Type", content_type or "application/octet-stream")
            for key, value in route.get("headers", {}).items():
                self.send_header(key, value)
            if route.get("loop"):
                # A live stream: no length, the connection ends when the client goes away.
                self.send_header("Cache-Control", "no-cache")
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True
                if head_only:
                    return
                close_after = route.get("close_after")
                stall_after = route.get("stall_after")
                limit = stall_after if stall_after is not None else close_after
                sent = 0
                while not self.server.stopping:
                    piece = data
                    if limit is not None:
                        piece = data[:max(0, limit - sent)]
                    if piece and not self._send_body(piece, route.get("rate"), None):
                        return
                    sent += len(piece)
                    if limit is not None and sent >= limit:
                        break
                while stall_after is not None and not self.server.stopping:
                    time.sleep(0.1)  # connected, but silent
                return
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if not head_only:
                self._send_body(data, route.get("rate"), route.get("close_after"))
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def do_GET(self):
        self._answer(False)

    def do_HEAD(self):
        self._answer(True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.daemon_threads = True
    server.root = args.root
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.stopping = False
    # A test that dies without stopping the server (a sanitizer's halt, a crash) must not leave
    # it running: it would hold the test runner's output open until the runner's timeout.
    parent = os.getppid()

    def end_with_parent():
        while os.getppid() == parent:
            time.sleep(0.5)
        os._exit(0)

    threading.Thread(target=end_with_parent, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping = True


if __name__ == "__main__":
    sys.exit(main())
