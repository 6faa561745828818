"""The example web site (examples/site): one site draws, the other is refused."""

import contextlib
import http.client
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import threading

import pytest

from conftest import COMPONENT_REFUSED, EXAMPLE


def get(port, path, headers=()):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    with contextlib.closing(connection):
        connection.request("GET", path, headers=dict(headers))
        response = connection.getresponse()
        return response.status, response.getheader("ETag"), response.read()


@contextlib.contextmanager
def running(args, **options):
    """A server in a process group of its own, ended with the test or after a minute."""
    process = subprocess.Popen(args, start_new_session=True, **options)
    watchdog = threading.Timer(60, os.killpg, (process.pid, signal.SIGKILL))
    watchdog.start()
    try:
        yield process
    finally:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait()  # the watchdog kills a server that does not stop
        watchdog.cancel()


def test_serve_py_writes_the_setup_and_serves_until_stopped(tmp_path):
    env = {name: value for name, value in os.environ.items()
           if name not in ("TESSALOOM_REGISTRY", "PATH_TRANSLATED")}
    with running([sys.executable, str(EXAMPLE / "serve.py"), "--port", "0", "--folder",
                  str(tmp_path)], stdout=subprocess.PIPE, text=True, env=env) as process:
        banner = [process.stdout.readline() for _ in range(4)]
        port = int(re.search(r"http://127\.0\.0\.1:(\d+)/refused/", banner[3]).group(1))
        assert "/allowed/" in banner[2]
        status, _, page = get(port, "/allowed/")
        source = re.search(rb'<img src="([^"]+)" width="480" height="300"', page).group(1)
        assert status == 200 and source.startswith(b"/allowed/chart.jpg?")
        drawn = (tmp_path / "www" / "allowed" / "chart.jpg").read_bytes()
        frame = drawn.index(b"\xff\xc0")  # the JPEG's frame header: height, width
        assert struct.unpack_from(">HH", drawn, frame + 5) == (300, 480)
        assert get(port, source.decode())[::2] == (200, drawn)
        assert get(port, "/refused/")[2].count(COMPONENT_REFUSED.encode()) == 1
        # A URL climbing into the other site is not served.
        assert get(port, "/allowed/../refused/")[0] == 404
        assert get(port, "/refused/../allowed/chart.jpg")[0] == 404
    registry = (tmp_path / "registry.reg").read_text()
    assert '"InstallationPath"="%s"' % (tmp_path / "quillfen") in registry
    assert sorted(os.listdir(tmp_path / "www" / "allowed")) == ["chart.jpg", "sales.csv"]
    assert os.listdir(tmp_path / "www" / "refused") == ["sales.csv"]


CHART_QUERY = "/allowed/chart?method=DrawPieGraph&labels=a,b,c&values=3,2,1"


def longest_query(size=16384):
    """A bar chart of 256 values whose labels fill a query of ``size`` characters."""
    head = "method=DrawBarGraph&values=%s&labels=" % ",".join(["1"] * 256)
    room = size - len(head) - 255
    return head + ",".join("x" * (room // 256 + (i < room % 256)) for i in range(256))


def test_gunicorn_serves_the_sites_and_the_chart_service(hosting):
    # As the README runs it, on a socket bound here so that no other process takes the port.
    pytest.importorskip("gunicorn")
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    port = listener.getsockname()[1]
    env = dict(os.environ, TESSALOOM_SITE_ROOT=hosting.document_root,
               PYTHONPATH=os.pathsep.join([str(EXAMPLE), os.environ.get("PYTHONPATH", "")]))
    with running([sys.executable, "-m", "gunicorn", "-w", "2", "--bind",
                  "fd://%d" % listener.fileno(), "--limit-request-line", "0",
                  "--graceful-timeout", "5", "--log-level", "warning", "site_app:app"],
                 env=env, pass_fds=[listener.fileno()], stderr=subprocess.PIPE) as process:
        listener.close()  # gunicorn holds it now; connections queue until a worker is up
        status, tag, image = get(port, CHART_QUERY)
        assert status == 200 and image.startswith(b"\x89PNG\r\n\x1a\n")
        assert get(port, CHART_QUERY, {"If-None-Match": tag})[:2] == (304, tag)
        status, _, body = get(port, CHART_QUERY.replace("allowed", "refused"))
        assert (status, body.decode().strip()) == (403, COMPONENT_REFUSED)
        # The longest query ChartApp takes reaches it, and the next longer is its own refusal.
        assert get(port, "/allowed/chart?" + longest_query())[0] == 200
        status, _, body = get(port, "/allowed/chart?" + longest_query() + "x")
        assert (status, body) == (400, b"query longer than 16384 characters\n")
    errors = process.stderr.read().decode()
    process.stderr.close()
    assert "Traceback" not in errors, errors
