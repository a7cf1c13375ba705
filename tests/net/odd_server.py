#!/usr/bin/env python3
"""What the updater tests need that nginx never does, on 127.0.0.1 (test_server.sh
starts it): odd_server.py <state folder> <served folder> <test_server.sh>

  /stall/...           accepts, reads the request and then says nothing
  /trickle/<file>      the head and the first 64 KiB of the file, then nothing
  /earlier/<file>      a Range request answered with 206 from 100 bytes before the asked offset
  /later/<file>        ... from 100 bytes after it (a hole: the client must start again)
  /drip/<file>         the head, then a byte every 0.2 s: under any minimum rate
  /hop/<n>/<file>      n redirects (relative ones) before the file
  /control/select/<v>  points <served folder>/selected at variants/<v> (the feed nginx serves)
  /control/stop-nginx, /control/start-nginx  the server gone and back, on the same port
"""
import http.server
import os
import re
import subprocess
import sys
import time

state, root, script = sys.argv[1], sys.argv[2], sys.argv[3]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def shifted(self, name, shift):
        path = os.path.join(root, os.path.normpath(name))
        if not os.path.isfile(path):
            return self.answer(404)
        with open(path, "rb") as f:
            data = f.read()
        asked = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
        if not asked:
            return self.answer(200, data)
        first = min(max(int(asked.group(1)) + shift, 0), len(data) - 1)
        ranged = (("Content-Range", f"bytes {first}-{len(data) - 1}/{len(data)}"),)
        self.answer(206, data[first:], ranged)

    def control(self, command):
        if command.startswith("select/"):
            variant = os.path.basename(command[len("select/"):])
            link = os.path.join(root, "selected")
            os.symlink(os.path.join("variants", variant), link + ".new")
            os.replace(link + ".new", link)
        elif command in ("stop-nginx", "start-nginx"):
            with open(os.path.join(state, "nginx.port")) as f:
                port = f.read().strip()
            subprocess.run(["bash", script, command, state, root, port], check=True)
        else:
            return self.answer(404)
        self.answer(200, b"ok")

    def do_GET(self):
        parts = self.path.lstrip("/").split("/", 1)
        rest = parts[1] if len(parts) > 1 else ""
        if parts[0] == "stall":
            time.sleep(600)  # the client's timeout ends it long before
        elif parts[0] == "trickle":
            path = os.path.join(root, os.path.normpath(rest))
            with open(path, "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[:65536])
            self.wfile.flush()
            time.sleep(600)
        elif parts[0] == "drip":
            with open(os.path.join(root, os.path.normpath(rest)), "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            try:
                for i in range(len(data)):
                    self.wfile.write(data[i:i + 1])
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                pass  # the client gave up, as it should
        elif parts[0] == "hop":
            hops, _, name = rest.partition("/")
            if int(hops) > 0:
                self.answer(302, headers=(("Location", f"../{int(hops) - 1}/{name}"),))
            else:
                self.shifted(name, 0)
        elif parts[0] == "earlier":
            self.shifted(rest, -100)
        elif parts[0] == "later":
            self.shifted(rest, 100)
        elif parts[0] == "control":
            self.control(rest)
        else:
            self.answer(404)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(os.path.join(state, "odd.port.new"), "w") as f:
    f.write(f"{server.server_address[1]}\n")
os.replace(os.path.join(state, "odd.port.new"), os.path.join(state, "odd.port"))
server.serve_forever()
