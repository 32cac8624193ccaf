# A small web server for the web load tests: serves the folder given as its argument on a free
# port of 127.0.0.1, prints the port, and records each request's line and headers.
import base64
import functools
import http.server
import os
import sys

root = sys.argv[1]
PROXY_CREDENTIALS = "Basic " + base64.b64encode(b"walker:s3cret").decode()


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self):
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write(self.requestline + "\n" + str(self.headers) + "\n")

    def answer(self, code, headers):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        self.record()
        if self.path.startswith("http://"):
            if self.headers.get("Proxy-Authorization") != PROXY_CREDENTIALS:
                return self.answer(407, [("Proxy-Authenticate", 'Basic realm="test"')])
            self.path = "/" + self.path.split("/", 3)[3]
        if self.path == "/to-file":
            return self.answer(302, [("Location", "file://" + os.path.join(root, "photo.jpg"))])
        if self.path == "/to-photo":
            return self.answer(302, [("Location", "/photo.jpg")])
        if self.path == "/undeclared":
            # A body whose length only the closed connection tells.
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            with open(os.path.join(root, "photo.jpg"), "rb") as photo:
                self.wfile.write(photo.read())
            self.close_connection = True
            return
        super().do_GET()


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Handler, directory=root))
print(server.server_address[1], flush=True)
server.serve_forever()
