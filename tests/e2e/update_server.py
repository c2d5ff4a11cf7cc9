#!/usr/bin/env python3
"""A stand-in for the maker's web server in the end-to-end tests of the update check.

Serves the files of a folder over plain HTTP on 127.0.0.1: the version file, the changes file
and the updater, at the paths the program asks for (the folder holds them under the same
paths). The driver (update_test.cpp) starts one server per test and talks to it through files:

  ROOT/...              what is served; a missing file answers 404
  PORT_FILE             written (atomically) with the port once the server listens, and removed
                        when the server has stopped
  ROOT/.stop            created by the driver: the server stops within a tenth of a second
  ROOT/.requests.log    one line per request: "METHOD PATH<TAB>User-Agent"

  update_server.py --root DIR --port-file FILE [--slow-path PATH --chunk-bytes N
                   --chunk-delay SECONDS] [--lifetime SECONDS]

--slow-path sends that one path in blocks of --chunk-bytes with --chunk-delay between them
(with its Content-Length), so that a download takes a while and its progress can be watched.
--lifetime ends the server in any case after that many seconds, so that a driver that died
leaves nothing running for long. Files whose names start with "." are never served.
"""

import argparse
import os
import posixpath
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--slow-path", default="")
    parser.add_argument("--chunk-bytes", type=int, default=4096)
    parser.add_argument("--chunk-delay", type=float, default=0.1)
    parser.add_argument("--lifetime", type=float, default=300.0)
    return parser.parse_args(argv)


class Handler(BaseHTTPRequestHandler):
    server_version = "UpdateTestServer/1.0"
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # noqa: A002 (the base class's name)
        pass  # quiet: the request log below is what the tests read

    def record(self):
        agent = self.headers.get("User-Agent", "")
        line = f"{self.command} {self.path}\t{agent}\n"
        with self.server.log_lock:
            with open(os.path.join(self.server.root, ".requests.log"), "a", encoding="utf-8") as f:
                f.write(line)

    def local_file(self):
        """The file under the root for the request's path, or None."""
        path = urllib.parse.urlsplit(self.path).path
        path = posixpath.normpath(urllib.parse.unquote(path))
        parts = [p for p in path.split("/") if p]
        if not parts or any(p in (".", "..") or p.startswith(".") for p in parts):
            return None
        candidate = os.path.join(self.server.root, *parts)
        return candidate if os.path.isfile(candidate) else None

    def do_GET(self):
        self.record()
        file = self.local_file()
        if file is None:
            body = b"not found\n"
            self.send_response(404)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        with open(file, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        slow = self.server.slow_path and urllib.parse.urlsplit(self.path).path == self.server.slow_path
        if not slow:
            self.wfile.write(data)
            return
        step = max(1, self.server.chunk_bytes)
        try:
            for offset in range(0, len(data), step):
                if self.server.stopping.is_set():
                    return
                self.wfile.write(data[offset : offset + step])
                self.wfile.flush()
                time.sleep(self.server.chunk_delay)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up (an aborted download)


def main(argv):
    args = parse_args(argv)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = os.path.abspath(args.root)
    server.slow_path = args.slow_path
    server.chunk_bytes = args.chunk_bytes
    server.chunk_delay = args.chunk_delay
    server.log_lock = threading.Lock()
    server.stopping = threading.Event()

    stop_file = os.path.join(server.root, ".stop")
    deadline = time.monotonic() + args.lifetime

    def watch():
        while not os.path.exists(stop_file) and time.monotonic() < deadline:
            time.sleep(0.05)
        server.stopping.set()
        server.shutdown()

    threading.Thread(target=watch, daemon=True).start()

    port_tmp = args.port_file + ".tmp"
    with open(port_tmp, "w", encoding="ascii") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_tmp, args.port_file)
    try:
        server.serve_forever(poll_interval=0.05)
    finally:
        server.server_close()
        try:
            os.remove(args.port_file)
        except OSError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
