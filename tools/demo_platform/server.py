#!/usr/bin/python3
"""A stand-in for the game platform's web pages, for trying the launcher and for its scenarios.

/ct       the login page, sized for the launcher's page rectangle; shows what window.external says
/servers  the server list for a logged-in name; each server links to /play with an auth payload
/play     the game page: calls window.external.EnterGame(), and GotoLogin() on "back to login"

Every request line is written to stdout and, with --log, appended to a file; with --peers each line
also names the local process that made the request (Linux), so that a test can tell its launcher's
requests from those of other programs on the machine.
Python standard library only:
    /usr/bin/python3 tools/demo_platform/server.py [--port 8731] [--log FILE] [--peers]
"""
import argparse
import base64
import html
import http.server
import os
import pathlib
import sys
import time
import urllib.parse

PAGES = pathlib.Path(__file__).resolve().parent / "pages"
UID = "1001"
SERVERS = [("12", "Brevik"), ("13", "Kestrel Ford"), ("7", "Old Harbour")]
SIGN = "abc"


def auth_payload(sid):
    pairs = "uid=%s&sid=%s&time=%d" % (UID, sid, int(time.time()))
    return base64.b64encode(pairs.encode("ascii")).decode("ascii")


def decoded_pairs(auth):
    """The key=value pairs of an auth payload; a payload that is not Base64 yields none."""
    try:
        text = base64.b64decode(auth, validate=True).decode("utf-8")
    except ValueError:
        return {}
    return dict(urllib.parse.parse_qsl(text, keep_blank_values=True))


def peer_processes(client_port, server_port):
    """The ids of the local processes holding the client end of this connection (under Wine the
    program and its Wine server both do), comma-separated, or "?"."""
    inode = None
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table, encoding="ascii") as rows:
                for row in list(rows)[1:]:
                    fields = row.split()
                    local_port = int(fields[1].rsplit(":", 1)[1], 16)
                    remote_port = int(fields[2].rsplit(":", 1)[1], 16)
                    if local_port == client_port and remote_port == server_port:
                        inode = fields[9]
        except OSError:
            continue
    holders = []
    wanted = "socket:[%s]" % inode
    for pid in filter(str.isdigit, os.listdir("/proc")) if inode else ():
        try:
            if any(os.readlink("/proc/%s/fd/%s" % (pid, fd)) == wanted for fd in os.listdir("/proc/%s/fd" % pid)):
                holders.append(pid)
        except OSError:
            continue
    return ",".join(holders) or "?"


def page(name, **fields):
    text = (PAGES / name).read_text(encoding="utf-8")
    for key, value in fields.items():
        text = text.replace("{{%s}}" % key, value)
    return text


class Platform(http.server.BaseHTTPRequestHandler):
    server_version = "DemoPlatform/1.0"
    log_file = None
    name_peers = False

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        if url.path == "/ct":
            self.send_page(page("ct.html"))
        elif url.path == "/servers":
            self.send_page(self.server_list(query.get("user", "").strip()))
        elif url.path == "/play":
            self.send_page(self.game(query.get("auth", "")))
        elif url.path == "/style.css":
            self.send_body((PAGES / "style.css").read_bytes(), "text/css; charset=utf-8")
        elif url.path == "/":
            self.send_response(302)
            self.send_header("Location", "/ct")
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_error(404)

    def server_list(self, user):
        if not user:
            return page("ct.html")
        rows = "\n".join(
            '<li><a href="/play?auth=%s&amp;sign=%s">%s服 <span>%s</span></a></li>'
            % (urllib.parse.quote(auth_payload(sid), safe="="), SIGN, sid, html.escape(name))
            for sid, name in SERVERS)
        return page("servers.html", user=html.escape(user), servers=rows)

    def game(self, auth):
        sid = decoded_pairs(auth).get("sid", "?")
        return page("play.html", sid=html.escape(sid))

    def send_page(self, text):
        self.send_body(text.encode("utf-8"), "text/html; charset=utf-8")

    def send_body(self, body, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def log_request(self, code="-", size="-"):
        line = "%s %s" % (self.requestline, code)
        if self.name_peers:
            line += " pid=%s" % peer_processes(self.client_address[1], self.server.server_address[1])
        print(line, flush=True)
        if self.log_file:
            with open(self.log_file, "a", encoding="utf-8") as log:
                log.write(line + "\n")

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description="demo game platform for the launcher")
    parser.add_argument("--port", type=int, default=8731)
    parser.add_argument("--log", help="also append every request line to this file")
    parser.add_argument("--peers", action="store_true", help="name the local process of every request")
    options = parser.parse_args()
    Platform.log_file = options.log
    Platform.name_peers = options.peers
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), Platform)
    except OSError as error:
        print("demo platform: cannot listen on 127.0.0.1:%d: %s" % (options.port, error.strerror),
              file=sys.stderr)
        return 1
    print("demo platform: http://127.0.0.1:%d/ct" % options.port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
