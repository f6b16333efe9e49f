#!/usr/bin/python3
"""The dictionary the benchmarks look words up in: an HTTP server on 127.0.0.1 only.

Prints "port <n>" on standard output once it listens, then logs every request as
"<CLOCK_MONOTONIC ns> <method> <target>" to the log file, so the runner can see from outside
when a program asked for a page. Stops by itself after --max-seconds or --max-requests.

The home page, /home.html?p=<tag>, calls back once it has loaded: its load handler asks for
/loaded?p=<tag> (a beacon), so the log shows when the page was loaded in any program, whatever
its engine, measured the same way for all.

With --connection-delay-ms, every new connection waits that long from its arrival before its
first request is read: a provider far away, whose connection set-up (DNS, TCP, TLS) takes that
long. A connection opened ahead of time has served its wait by the time a request comes. Each
connection's arrival is logged as "<ns> CONNECT <client port>".
"""

import argparse
import html
import http.server
import sys
import threading
import time
import urllib.parse


def result_page(word: str) -> bytes:
    """A dictionary result page of about 30 KB: styles, a search form, senses, examples, a
    short script, as a provider's page would have; the same for every program measured."""
    w = html.escape(word)
    senses = []
    for i in range(1, 81):
        senses.append(
            f"<li class='sense'><span class='pos'>{'noun' if i % 3 else 'verb'}</span> "
            f"<p class='def'>Sense {i} of <b>{w}</b>: a plain-language explanation of the word "
            f"as it is used in context number {i}, with enough text to wrap over two lines.</p>"
            f"<p class='ex'>&ldquo;An example sentence that uses {w} the way sense {i} "
            f"describes.&rdquo;</p></li>")
    related = " ".join(f"<a href='/en/{w[:1]}/{w}{i}.html'>{w}{i}</a>" for i in range(60))
    return (
        "<!DOCTYPE html><html lang='en'><head><meta charset='utf-8'>"
        f"<title>{w} - definition</title><style>"
        "body{font-family:sans-serif;margin:0;color:#222}header{background:#234;color:#fff;"
        "padding:8px 16px}main{display:flex;gap:16px;padding:16px}article{flex:3}"
        "aside{flex:1;font-size:90%}.sense{margin:0 0 12px}.pos{font-style:italic;color:#555}"
        ".def{margin:2px 0}.ex{margin:2px 0 0 16px;color:#666}a{color:#159}"
        "</style></head><body><header><form action='/en/search'><input name='q' "
        f"value='{w}'><button>Look up</button></form></header><main><article>"
        f"<h1>{w}</h1><ol>{''.join(senses)}</ol></article><aside><h2>Related</h2>"
        f"<p>{related}</p></aside></main>"
        "<script>document.querySelectorAll('.sense').forEach(function(s,i){"
        "s.title='sense '+(i+1);});</script></body></html>").encode("utf-8")


def home_page(beacon: str) -> bytes:
    """A small home page whose load handler requests the beacon address. The address is
    absolute: a program may show the page's content under an address of its own."""
    return ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>Home</title></head>"
            "<body><h1>Dictionary</h1><p>Type a word.</p><script>"
            "window.addEventListener('load',function(){"
            f"new Image().src='{beacon}&t='+Date.now();}});"
            "</script></body></html>").encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "BenchDict/1"

    def setup(self):
        super().setup()
        arrived = self.server.arrivals.pop(self.client_address, None)
        if arrived is not None and self.server.connection_delay_ns:
            wait = arrived + self.server.connection_delay_ns - time.monotonic_ns()
            if wait > 0:
                time.sleep(wait / 1e9)

    def do_GET(self):
        received = time.monotonic_ns()
        self.server.log_request_line(received, self.command, self.path)
        path, _, query = self.path.partition("?")
        if path.endswith(".html") and path.count("/") >= 3:
            word = path.rsplit("/", 1)[1][:-len(".html")]
            self.send_body(200, result_page(word))
        elif path == "/home.html":
            tag = urllib.parse.parse_qs(query).get("p", ["-"])[0]
            beacon = f"http://{self.headers.get('Host', '127.0.0.1')}/loaded?" + \
                urllib.parse.urlencode({"p": tag})
            self.send_body(200, home_page(beacon))
        elif path == "/loaded":
            self.send_body(204, b"")
        else:
            self.send_body(404, b"")

    def send_body(self, status: int, body: bytes):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        # Every lookup must reach the server: nothing may come from a cache.
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, log_path: str, max_requests: int, connection_delay_ms: float):
        super().__init__(("127.0.0.1", 0), Handler)
        self.log = open(log_path, "a", buffering=1, encoding="utf-8")
        self.lock = threading.Lock()
        self.requests = 0
        self.max_requests = max_requests
        self.connection_delay_ns = int(connection_delay_ms * 1e6)
        self.arrivals = {}  # client address -> when its connection was accepted

    def get_request(self):
        connection, address = super().get_request()
        arrived = time.monotonic_ns()
        self.arrivals[address] = arrived
        with self.lock:
            self.log.write(f"{arrived} CONNECT {address[1]}\n")
        return connection, address

    def log_request_line(self, ns: int, method: str, target: str):
        with self.lock:
            self.log.write(f"{ns} {method} {target}\n")
            self.requests += 1
            if self.requests >= self.max_requests:
                threading.Thread(target=self.shutdown, daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--log", required=True)
    parser.add_argument("--max-seconds", type=float, default=3600)
    parser.add_argument("--max-requests", type=int, default=20000)
    parser.add_argument("--connection-delay-ms", type=float, default=0.0)
    args = parser.parse_args()
    server = Server(args.log, args.max_requests, args.connection_delay_ms)
    timer = threading.Timer(args.max_seconds, server.shutdown)
    timer.daemon = True
    timer.start()
    print(f"port {server.server_address[1]}", flush=True)
    server.serve_forever(poll_interval=0.5)
    return 0


if __name__ == "__main__":
    sys.exit(main())
