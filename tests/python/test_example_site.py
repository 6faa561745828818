"""The example web site (examples/site): one site draws, the other is refused."""

import http.client
import io
import os
import pathlib
import re
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import wsgiref.util

import pytest

import tessaloom
from tessaloom.wsgi import RequestContext

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "site"
sys.path.insert(0, str(EXAMPLE))
import serve  # noqa: E402
import site_app  # noqa: E402

ASK_HOST = "Please contact your hosting administrator, as you are not allowed to use "
COMPONENT_REFUSED = ASK_HOST + "Tessaloom component"
NO_REQUEST = (
    "( Unable to proceed further as calling request object not found. Please free Tessaloom"
    " component from Quillfen Gatehold to make Non Series Graphs method successfull. )"
)


def jpeg_size(data):
    """(width, height) of a JPEG that starts and ends as one must."""
    assert data[:2] == b"\xff\xd8" and data[-2:] == b"\xff\xd9"
    at = 2
    while at + 9 <= len(data):
        assert data[at] == 0xFF, "marker expected at %d" % at
        marker, length = data[at + 1], struct.unpack_from(">H", data, at + 2)[0]
        if marker in (0xC0, 0xC1, 0xC2):  # frame header: precision, height, width
            height, width = struct.unpack_from(">HH", data, at + 5)
            return width, height
        at += 2 + length
    raise AssertionError("no frame header")


@pytest.fixture
def setup(tmp_path, monkeypatch):
    monkeypatch.delenv("PATH_TRANSLATED", raising=False)
    result = serve.write_setup(tmp_path)
    monkeypatch.setenv("TESSALOOM_REGISTRY", result.registry)
    return result


@pytest.fixture
def server(setup):
    """The example served on 127.0.0.1 from a thread that stops by itself
    after a minute, whatever the test does."""
    httpd = serve.make_server(setup.document_root, 0, quiet=True)
    httpd.timeout = 0.2
    stop = threading.Event()
    deadline = time.monotonic() + 60

    def run():
        while not stop.is_set() and time.monotonic() < deadline:
            httpd.handle_request()

    thread = threading.Thread(target=run, daemon=True)
    thread.start()
    try:
        yield httpd.server_port
    finally:
        stop.set()
        thread.join(10)
        httpd.server_close()


def get(port, path):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("GET", path)
        response = connection.getresponse()
        return response.status, response.read()
    finally:
        connection.close()


def files(folder):
    return sorted(p.name for p in pathlib.Path(folder).iterdir())


def test_the_allowed_site_draws_its_chart_into_its_folder_and_shows_it(server, setup):
    status, page = get(server, "/allowed/")
    assert status == 200
    assert ASK_HOST.encode() not in page
    source = re.search(rb'<img src="([^"]+)" width="480" height="300"', page).group(1)
    assert source.startswith(b"/allowed/chart.jpg?")
    drawn = pathlib.Path(setup.document_root, "allowed", "chart.jpg").read_bytes()
    assert jpeg_size(drawn) == (480, 300)
    status, image = get(server, source.decode())
    assert (status, image) == (200, drawn)


def test_a_url_climbing_into_the_other_site_is_not_served(server):
    assert get(server, "/allowed/../refused/")[0] == 404
    assert get(server, "/refused/../allowed/chart.jpg")[0] == 404


def call(app, path_info, **extra):
    """Runs the WSGI application in this thread; (status, body)."""
    environ = {"REQUEST_METHOD": "GET", "SCRIPT_NAME": "", "PATH_INFO": path_info,
               "QUERY_STRING": "", "wsgi.errors": io.StringIO()}
    wsgiref.util.setup_testing_defaults(environ)
    environ.update(extra)
    answer = {}

    def start_response(status, headers, exc_info=None):
        answer["status"] = status
        return lambda data: None

    result = app(environ, start_response)
    try:
        body = b"".join(result)
    finally:
        result.close()
    return answer["status"], body.decode()


def edit(path, old, new):
    text = pathlib.Path(path).read_text()
    assert old in text
    pathlib.Path(path).write_text(text.replace(old, new))


def message(body):
    found = re.search(r'<p class="refused">([^<]*)</p>', body)
    return None if found is None else found.group(1)


# Changes to the example's settings files, and what each site's page then
# says (None: it drew its chart): the files are read afresh at every drawing.
# The access check's own tests cover every rule.
SETTINGS = [
    ("restriction switched off", ("registry.reg", "dword:00000001", "dword:00000000"),
     None, None),
    ("method group missing", ("quillfen/WebSite.ini", "Tessaloom=All", "Tessaloom=Series Graphs"),
     ASK_HOST + "Non Series Graphs method of Tessaloom component", COMPONENT_REFUSED),
    ("component allowed for both", ("quillfen/WebSite.ini", "refused=\n",
                                    "refused=Tessaloom\n[refused]\nTessaloom=all\n"),
     None, None),
]


@pytest.mark.parametrize("change,allowed,refused", [s[1:] for s in SETTINGS],
                         ids=[s[0] for s in SETTINGS])
def test_each_site_follows_the_settings(setup, change, allowed, refused):
    edit(pathlib.Path(setup.registry).parent / change[0], change[1], change[2])
    app = site_app.make_app(setup.document_root)
    for site, expected in [("allowed", allowed), ("refused", refused)]:
        status, body = call(app, "/%s/" % site)
        assert status == "200 OK"
        assert message(body) == expected, site
        drawn = pathlib.Path(setup.document_root, site, "chart.jpg").exists()
        assert drawn == (expected is None), site


# Requests through the WSGI middleware that once drew as the allowed site
# from a page of the refused one (or of none); "@" is the document root.
ATTACKS = [
    ("PATH_INFO climbing out of SCRIPT_NAME",
     {"DOCUMENT_ROOT": "@", "SCRIPT_NAME": "/refused/app.py", "PATH_INFO": "/../../allowed/x"},
     COMPONENT_REFUSED),
    ("PATH_TRANSLATED stepping back", {"PATH_TRANSLATED": "@/allowed/../refused/p.py"},
     COMPONENT_REFUSED),
    ("CGI's translation of PATH_INFO", {"SCRIPT_FILENAME": "@/refused/cgi-bin/chart.py",
                                        "PATH_TRANSLATED": "@/allowed/x"}, COMPONENT_REFUSED),
    ("a lone surrogate in PATH_INFO", {"DOCUMENT_ROOT": "@", "PATH_INFO": "/allowed/\ud800"},
     "No data available" + NO_REQUEST),
]


@pytest.mark.parametrize("environ,expected", [a[1:] for a in ATTACKS], ids=[a[0] for a in ATTACKS])
def test_no_request_draws_as_another_site(setup, environ, expected):
    allowed = pathlib.Path(setup.document_root, "allowed")
    reasons = []

    def app(environ, start_response):
        reasons.append(site_app.draw_chart(str(allowed), "Sales"))
        start_response("200 OK", [("Content-Type", "text/plain")])
        return [b""]

    environ = {k: v.replace("@", setup.document_root) for k, v in environ.items()}
    call(RequestContext(app), "/", **environ)
    assert reasons == [expected]
    assert files(allowed) == ["sales.csv"]


def test_serve_py_writes_the_setup_and_serves_until_stopped(tmp_path):
    env = dict(os.environ)
    env.pop("TESSALOOM_REGISTRY", None)
    env.pop("PATH_TRANSLATED", None)
    process = subprocess.Popen(
        [sys.executable, str(EXAMPLE / "serve.py"), "--port", "0", "--folder", str(tmp_path)],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=env)
    watchdog = threading.Timer(60, process.kill)  # the script stops whatever happens here
    watchdog.start()
    try:
        banner = [process.stdout.readline() for _ in range(4)]
        port = int(re.search(r"http://127\.0\.0\.1:(\d+)/refused/", banner[3]).group(1))
        assert "/allowed/" in banner[2]
        status, page = get(port, "/allowed/")
        assert status == 200 and b'<img src="/allowed/chart.jpg' in page
        assert get(port, "/refused/")[1].count(COMPONENT_REFUSED.encode()) == 1
    finally:
        process.terminate()
        process.wait(30)
        watchdog.cancel()
    registry = (tmp_path / "registry.reg").read_text()
    assert '"InstallationPath"="%s"' % (tmp_path / "quillfen") in registry
    assert files(tmp_path / "www" / "allowed") == ["chart.jpg", "sales.csv"]
    assert files(tmp_path / "www" / "refused") == ["sales.csv"]


CHART_QUERY = "/allowed/chart?method=DrawPieGraph&labels=a,b,c&values=3,2,1"


def request(port, path, headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("GET", path, headers=headers or {})
        response = connection.getresponse()
        return response.status, response.getheader("ETag"), response.read()
    finally:
        connection.close()


def test_gunicorn_serves_the_sites_and_the_chart_service(setup):
    """The example as the README runs it: gunicorn, two workers, site_app:app.
    gunicorn takes a socket bound here (fd://), so no port can be taken by
    another process in between; the process group always ends."""
    pytest.importorskip("gunicorn")
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    port = listener.getsockname()[1]
    env = dict(os.environ, TESSALOOM_SITE_ROOT=setup.document_root,
               PYTHONPATH=os.pathsep.join([str(EXAMPLE), os.environ.get("PYTHONPATH", "")]))
    process = subprocess.Popen(
        [sys.executable, "-m", "gunicorn", "-w", "2", "--bind", "fd://%d" % listener.fileno(),
         "--graceful-timeout", "5", "--log-level", "warning", "site_app:app"],
        env=env, pass_fds=[listener.fileno()], start_new_session=True,
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    listener.close()  # gunicorn holds it now; connections queue until a worker is up
    try:
        status, _, page = request(port, "/allowed/")
        assert status == 200 and b'<img src="/allowed/chart.jpg' in page
        status, tag, image = request(port, CHART_QUERY)
        assert status == 200 and image.startswith(b"\x89PNG\r\n\x1a\n")
        assert request(port, CHART_QUERY, {"If-None-Match": tag})[:2] == (304, tag)
        status, _, body = request(port, CHART_QUERY.replace("allowed", "refused"))
        assert (status, body.decode().strip()) == (403, COMPONENT_REFUSED)
    finally:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(10)
    errors = process.stderr.read().decode()
    process.stderr.close()
    assert "Traceback" not in errors, errors
