#!/usr/bin/env python3
"""Scripted stand-in for the update server, for the network client's tests.

Product endpoints answer from per-path queues that a test fills at run time through
POST /__control; with an empty queue the default answer is used. Every request to a
non-control path is appended to STATE/requests.jsonl before it is answered, so a test
sees it even when the answer is delayed or the connection is reset.

Control paths (never recorded):
  POST /__control  {"endpoint": PATH, "responses": [ANSWER, ...], "replace": false}
                   {"endpoint": PATH, "default": ANSWER}
  GET  /__requests recorded requests as a JSON list
  POST /__reset    empties queues and records, restores the start defaults
  GET  /__health   "ok"

ANSWER: {"status": 200, "body": TEXT} | {"json": VALUE} | {"status": 302, "location": URL}
        | {"reset": true} | plus optional "delay": SECONDS, "headers": {NAME: VALUE},
        "content_type": TYPE, "cookie": BOOL (Set-Cookie on this answer; default: on 2xx),
        "cut": BYTES (the whole length announced, only BYTES sent, then the connection closed),
        "stall": SECONDS (half the body sent, then nothing for SECONDS, then the connection closed).
"""

import argparse
import json
import os
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote

ENDPOINTS = {
    "/soft/update/search": "GET",
    "/soft/uninstall/getTypeList": "GET",
    "/soft/uninstall/confirmForm": "POST",
}
BUILTIN_DEFAULT = {"status": 200, "body": '{"code":0,"data":[]}'}
ANSWER_KEYS = {"status", "body", "json", "delay", "reset", "location", "headers", "content_type", "cookie", "cut",
               "stall"}


def as_answer(value):
    """A defaults entry: a string is a body, an answer object is kept, any other JSON is the body."""
    if isinstance(value, str):
        return {"status": 200, "body": value}
    if isinstance(value, dict) and value and set(value) <= ANSWER_KEYS:
        return dict(value)
    return {"status": 200, "body": json.dumps(value, separators=(",", ":"))}


def load_defaults(path):
    """Per-endpoint defaults ({"/path": ANSWER, "*": ANSWER}) or one body for every endpoint."""
    if not path:
        return {}
    with open(path, "rb") as f:
        raw = f.read().decode("utf-8")
    try:
        doc = json.loads(raw)
    except ValueError:
        return {"*": {"status": 200, "body": raw}}
    if isinstance(doc, dict) and doc and all(k == "*" or k.startswith("/") for k in doc):
        return {k: as_answer(v) for k, v in doc.items()}
    return {"*": {"status": 200, "body": raw}}


class State:
    def __init__(self, state_dir, files_dir, defaults):
        self.lock = threading.Lock()
        self.log_path = os.path.join(state_dir, "requests.jsonl")
        self.files_dir = os.path.realpath(files_dir) if files_dir else None
        self.start_defaults = defaults
        self.reset()

    def reset(self):
        with self.lock:
            self.queues = {}
            self.defaults = dict(self.start_defaults)
            self.records = []
            self.seq = 0
            self.session = 0
            open(self.log_path, "w").close()

    def record(self, entry):
        with self.lock:
            self.seq += 1
            entry = dict(seq=self.seq, time=round(time.time(), 3), **entry)
            self.records.append(entry)
            with open(self.log_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry, ensure_ascii=False) + "\n")
            return entry

    def next_answer(self, path):
        """The queued answer for PATH, or None when its queue is empty."""
        with self.lock:
            queue = self.queues.get(path)
            return queue.pop(0) if queue else None

    def default_answer(self, path):
        with self.lock:
            return dict(self.defaults.get(path) or self.defaults.get("*") or BUILTIN_DEFAULT)

    def next_session(self):
        with self.lock:
            self.session += 1
            return self.session


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    state = None  # set in main

    def version_string(self):
        return "qy-update-standin"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), fmt % args))

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_PUT(self):
        self.dispatch()

    def do_DELETE(self):
        self.dispatch()

    def read_body(self):
        length = self.headers.get("Content-Length")
        if length is not None:
            return self.rfile.read(int(length)) if int(length) > 0 else b""
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            data = b""
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        return b""

    def dispatch(self):
        path, sep, query = self.path.partition("?")
        body = self.read_body()
        if path.startswith("/__"):
            self.control(path, body)
            return
        self.state.record({
            "method": self.command,
            "path": path,
            "query": query if sep else None,
            "body": body.decode("utf-8", errors="replace"),
            "cookie": self.headers.get("Cookie"),
            "headers": {k: v for k, v in self.headers.items()},
        })
        answer = self.state.next_answer(path)
        if answer is None:
            answer = self.fallback(path)
        elif not set(answer) & {"status", "body", "json", "reset", "location"}:
            # Only a delay or extra headers: the usual answer, late or decorated.
            answer = {**self.fallback(path), **answer}
        try:
            self.answer(answer)
        except (BrokenPipeError, ConnectionResetError):
            # The client gave up first (a delayed answer past its time-out): expected here.
            self.close_connection = True
            self.log_message("client closed before the answer to %s", path)

    def fallback(self, path):
        if path in ENDPOINTS:
            if self.command != ENDPOINTS[path]:
                return {"status": 405, "body": "method not allowed\n", "content_type": "text/plain",
                        "headers": {"Allow": ENDPOINTS[path]}}
            return self.state.default_answer(path)
        if path.startswith("/files/") and self.command in ("GET", "HEAD"):
            return self.file_answer(unquote(path[len("/files/"):]))
        return {"status": 404, "body": "not found\n", "content_type": "text/plain"}

    def file_answer(self, name):
        root = self.state.files_dir
        if not root:
            return {"status": 404, "body": "no files folder\n", "content_type": "text/plain"}
        full = os.path.realpath(os.path.join(root, name))
        if not full.startswith(root + os.sep) or not os.path.isfile(full):
            return {"status": 404, "body": "not found\n", "content_type": "text/plain"}
        return {"status": 200, "file": full, "content_type": "application/octet-stream"}

    def answer(self, a):
        if a.get("delay"):
            time.sleep(float(a["delay"]))
        if a.get("reset"):
            self.abort()
            return
        status = int(a.get("status", 200))
        if "json" in a:
            data = json.dumps(a["json"], separators=(",", ":")).encode("utf-8")
        else:
            data = str(a.get("body", "")).encode("utf-8")
        ctype = a.get("content_type", "application/json; charset=utf-8")
        self.send_response(status)
        if "file" in a:
            size = os.path.getsize(a["file"])
        else:
            size = len(data)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(size))
        if a.get("location"):
            self.send_header("Location", a["location"])
        if a.get("cookie", 200 <= status < 300):
            self.send_header("Set-Cookie", "qysession=%d; Path=/" % self.state.next_session())
        for k, v in (a.get("headers") or {}).items():
            self.send_header(k, str(v))
        self.end_headers()
        if self.command == "HEAD":
            return
        if "cut" in a or "stall" in a:
            if "file" in a:
                with open(a["file"], "rb") as f:
                    data = f.read()
            sent = int(a["cut"]) if "cut" in a else len(data) // 2
            self.wfile.write(data[:sent])
            self.wfile.flush()
            if a.get("stall"):
                time.sleep(float(a["stall"]))
            self.close_connection = True
            return
        if "file" in a:
            with open(a["file"], "rb") as f:
                while True:
                    chunk = f.read(1 << 16)
                    if not chunk:
                        break
                    self.wfile.write(chunk)
        else:
            self.wfile.write(data)

    def abort(self):
        # Linger 0 turns the close into a RST: the client sees a reset, not a clean end.
        self.close_connection = True
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.rfile.close()  # drops the makefile reference so close() is immediate
        self.connection.close()

    def control(self, path, body):
        if path == "/__health":
            self.reply_json(200, "ok")
        elif path == "/__requests" and self.command == "GET":
            with self.state.lock:
                records = list(self.state.records)
            self.reply_json(200, records)
        elif path == "/__reset" and self.command == "POST":
            self.state.reset()
            self.reply_json(200, {"ok": True})
        elif path == "/__control" and self.command == "POST":
            try:
                doc = json.loads(body.decode("utf-8"))
                endpoint = doc["endpoint"]
                if not isinstance(endpoint, str) or not endpoint.startswith("/"):
                    raise ValueError("endpoint must be a path")
                responses = [as_answer(r) for r in doc.get("responses", [])]
            except (ValueError, KeyError, TypeError) as e:
                self.reply_json(400, {"error": str(e)})
                return
            with self.state.lock:
                queue = self.state.queues.setdefault(endpoint, [])
                if doc.get("replace"):
                    queue.clear()
                queue.extend(responses)
                if "default" in doc:
                    self.state.defaults[endpoint] = as_answer(doc["default"])
                queued = len(queue)
            self.reply_json(200, {"ok": True, "queued": queued})
        else:
            self.reply_json(404, {"error": "unknown control path"})

    def reply_json(self, status, value):
        data = json.dumps(value, ensure_ascii=False).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False  # port 0 picks a fresh one; no stealing a busy port


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0, help="0 picks a free one")
    p.add_argument("--state", required=True, help="folder for requests.jsonl")
    p.add_argument("--files", help="folder served under /files/")
    p.add_argument("--defaults", help="JSON file with the default answers")
    args = p.parse_args()

    Handler.state = State(args.state, args.files, load_defaults(args.defaults))
    server = Server(("127.0.0.1", args.port), Handler)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
