"""The page served on localhost, as a static host would serve it, with the page's own
Content-Security-Policy (from its index.html) as a header too. For the tests and benchmarks,
and for scripts/serve-web.sh: python3 -m instruments.site FOLDER PORT."""
import functools
import http.server
import os
import re
import shutil
import sys
import tempfile
import threading


def policy_of(folder):
    """The Content-Security-Policy that the page's index.html declares."""
    with open(os.path.join(folder, "index.html")) as page:
        found = re.search(r'<meta http-equiv="Content-Security-Policy" content="([^"]*)"',
                          page.read())
    return found.group(1) if found else None


class PageHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the folder's files, each with the page's policy, and logs nothing."""
    policy = None

    def end_headers(self):
        if self.policy:
            self.send_header("Content-Security-Policy", self.policy)
        super().end_headers()

    def log_message(self, *args):
        pass


def server_for(folder, port=0):
    handler = type("Handler", (PageHandler,), {"policy": policy_of(folder)})
    return http.server.ThreadingHTTPServer(("127.0.0.1", port),
                                           functools.partial(handler, directory=folder))


def serve(folder):
    """A server for the folder on a free port of localhost, in a thread of its own."""
    server = server_for(folder)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def site_for(program, page_folder):
    """A copy of the page whose spirelle.js and spirelle.wasm are the given build's."""
    folder = os.path.join(tempfile.mkdtemp(prefix="spirelle-site-"), "site")
    shutil.copytree(page_folder, folder)
    stem = os.path.splitext(program)[0]
    shutil.copy(stem + ".js", os.path.join(folder, "spirelle.js"))
    shutil.copy(stem + ".wasm", os.path.join(folder, os.path.basename(stem) + ".wasm"))
    return folder


if __name__ == "__main__":
    folder, port = sys.argv[1], int(sys.argv[2])
    server = server_for(folder, port)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
