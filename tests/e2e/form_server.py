"""A web server on the loopback address for the channels test: it serves a
form page that a browser fills with a message and submits, and keeps what
was submitted.

    form_server.py FOLDER

FOLDER holds form.html and message.asc; the server writes its port to
FOLDER/port once it listens, and the submitted field "message" to
FOLDER/posted.txt, exactly as the browser sent it.
"""
import http.server
import os
import sys
import urllib.parse

FOLDER = sys.argv[1]


def write_whole(name, data):
    """Writes a file that appears only once complete."""
    path = os.path.join(FOLDER, name)
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.rename(path + ".part", path)


class Handler(http.server.BaseHTTPRequestHandler):
    PAGES = {
        "/form": ("form.html", "text/html; charset=utf-8"),
        "/message": ("message.asc", "text/plain; charset=utf-8"),
    }

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path not in self.PAGES:
            self.send_error(404)
            return
        name, kind = self.PAGES[self.path]
        with open(os.path.join(FOLDER, name), "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers["Content-Length"])
        form = self.rfile.read(length).decode("ascii")
        fields = urllib.parse.parse_qs(form, keep_blank_values=True, encoding="utf-8")
        write_whole("posted.txt", fields["message"][0].encode("utf-8"))
        self.send_response(204)
        self.end_headers()


with http.server.HTTPServer(("127.0.0.1", 0), Handler) as server:
    write_whole("port", str(server.server_port).encode("ascii"))
    server.serve_forever()
