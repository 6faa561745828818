"""Shared fixtures and helpers of the Python tests."""

import io
import os
import pathlib
import re
import struct
import subprocess
import sys
import wsgiref.util
import wsgiref.validate

import pytest

import tessaloom

PROGID = "Tessaloom.GraphGenerator"

# The classic members as the type description gives them: (name, dispid, kind,
# [(parameter, vartype)]).
CLASSIC = [tuple(m[:4]) for m in tessaloom.members() if m[1] < 50]
DRAW_METHODS = [name for name, _, _, _ in CLASSIC if name.startswith("Draw")]
PROPERTY_PUTS = {name for name, _, kind, _, _, _ in tessaloom.members() if kind == "propput"}

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "site"
sys.path.insert(0, str(EXAMPLE))  # the example's serve and site_app modules
CLI = os.environ.get("TESSALOOM_CLI") or str(ROOT / "build" / "tessaloom")
needs_cli = pytest.mark.skipif(not os.path.exists(CLI), reason="command-line tool not built")
BUILD = pathlib.Path(CLI).parent
lock_count = tessaloom._native.module_lock_count
COMPONENT_REFUSED = ("Please contact your hosting administrator, as you are not allowed to use "
                     "Tessaloom component")


def cxx_compiler():
    cache = (BUILD / "CMakeCache.txt").read_text()
    return re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.M).group(1)


def run_cli(*args, cwd=None, input=None, binary=False):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=not binary, cwd=cwd,
                          input=input)


@pytest.fixture
def no_cgi_request(monkeypatch):
    for name in ("PATH_TRANSLATED", "SCRIPT_FILENAME"):
        monkeypatch.delenv(name, raising=False)


@pytest.fixture
def hosting(tmp_path, monkeypatch, no_cgi_request):
    """The example's hosting setup: site "allowed" may draw, "refused" may not."""
    import serve

    setup = serve.write_setup(tmp_path)
    monkeypatch.setenv("TESSALOOM_REGISTRY", setup.registry)
    return setup


def wsgi_environ(path="/chart", query="", verb="GET", **extra):
    environ = {"REQUEST_METHOD": verb, "SCRIPT_NAME": "", "PATH_INFO": path, "QUERY_STRING": query}
    wsgiref.util.setup_testing_defaults(environ)
    return {**environ, **extra}


def wsgi_call(app, query="", path="/chart", verb="GET", lint=True, **extra):
    """Runs app (under the WSGI validator unless ``lint`` is false, for environs it
    refuses); (status code, headers, body, wsgi.errors text)."""
    log = io.StringIO()
    environ = wsgi_environ(path, query, verb, **{"wsgi.errors": log, **extra})
    answer = {}

    def start_response(status, headers, exc_info=None):
        answer["status"], answer["headers"] = status, dict(headers)
        return lambda data: None

    result = (wsgiref.validate.validator(app) if lint else app)(environ, start_response)
    try:
        body = b"".join(result)
    finally:
        getattr(result, "close", lambda: None)()
    return int(answer["status"][:3]), answer["headers"], body, log.getvalue()


@pytest.fixture
def g():  # late-bound, as a script makes it
    return tessaloom.CreateObject(PROGID)


def automation_error(call, *args):
    with pytest.raises(tessaloom.AutomationError) as info:
        call(*args)
    return info.value


def data(points=(), items=(), series=(), draw=None):
    """The calls that add (label, value) points, items and (title, values) series, then draw."""
    calls = [("AddData", label, value) for label, value in points]
    calls += [("AddItemToSeries", item) for item in items]
    for title, values in series:
        calls += [("AddSeries", title)] + [("AddDataEx", v) for v in values]
    return calls + ([(draw,)] if draw else [])


# Data for single-set and series charts alike.
SALES = [("ChartTitle", "Sales")] + data([("Jan", 12), ("Feb", 30), ("Mar", 21)],
                                         items=("Q1", "Q2"), series=[("N", (3, 5)), ("S", (2, 6))])


def make_calls(g, calls):
    """Makes each call (member, *args) on g; a member ending in "!" must refuse it (overflow)."""
    for member, *args in calls:
        if member.endswith("!"):
            with pytest.raises(tessaloom.AutomationError, match=r"out of range \(DISP_E_OVERFLOW"):
                getattr(g, member[:-1])(*args)
        elif member in PROPERTY_PUTS:
            setattr(g, member, *args)
        else:
            getattr(g, member)(*args)
    return g


def draw_file(folder, calls, name="c.bmp"):
    """Makes the calls on a fresh object drawing into folder/name; (object, the file)."""
    g = tessaloom.CreateObject(PROGID)
    g.FilePath, g.FileName = str(folder), name
    return make_calls(g, calls), folder / name


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 32-bit bottom-up BMP."""
    data = path.read_bytes()
    assert data[:2] == b"BM" and struct.unpack_from("<I", data, 2)[0] == len(data)
    offset, width, height, planes, bpp = struct.unpack_from("<I4xiiHH", data, 10)
    assert (planes, bpp) == (1, 32)

    def pixel(x, y):
        at = offset + ((height - 1 - y) * width + x) * 4
        b, g, r, _ = data[at : at + 4]
        return (r, g, b)

    return width, height, pixel


def image_size(image):
    """(width, height) of a PNG's or BMP's bytes."""
    if image.startswith(b"\x89PNG"):
        return struct.unpack(">II", image[16:24])
    width, height = struct.unpack_from("<ii", image, 18)
    return width, abs(height)


def pytest_make_parametrize_id(config, val, argname):
    """Keeps ids of huge texts and numbers short."""
    text = repr(val) if isinstance(val, (str, int, float)) and not isinstance(val, bool) else ""
    return "%s...(%d)" % (text[:20], len(text)) if len(text) > 30 else None
