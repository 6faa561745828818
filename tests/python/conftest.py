"""Shared fixtures and helpers of the Python tests."""

import io
import os
import pathlib
import struct
import subprocess
import sys
import wsgiref.util
import wsgiref.validate

import pytest

import tessaloom

PROGID = "Tessaloom.GraphGenerator"

# The interface as a script sees it: (name, dispid, kind, [(param, vartype)]).
VT_I4, VT_R4, VT_BSTR = 3, 4, 8
TEXT_PUT, INT_PUT = [("newVal", VT_BSTR)], [("newVal", VT_I4)]
INTERFACE = [
    ("ErrorReason", 1, "propget", []), ("ChartTitle", 2, "propput", TEXT_PUT),
    ("SeriesLabel", 3, "propput", TEXT_PUT),
    ("AddData", 4, "method", [("xVal", VT_BSTR), ("yVal", VT_R4)]),
    ("GraphHeight", 5, "propput", INT_PUT), ("GraphWidth", 6, "propput", INT_PUT),
    ("XAxisLabel", 7, "propput", TEXT_PUT), ("YAxisLabel", 8, "propput", TEXT_PUT),
    ("DrawPieGraph", 9, "method", []), ("DrawBarGraph", 10, "method", []),
    ("FileName", 11, "propput", TEXT_PUT), ("FilePath", 12, "propput", TEXT_PUT),
    ("Draw3DBarGraph", 13, "method", []), ("Draw3DPieGraph", 14, "method", []),
    ("ClearData", 15, "method", []), ("DrawLineGraph", 16, "method", []),
    ("Draw3DLineGraph", 17, "method", []),
    ("HasGridLines", 18, "method", [("HasGridLines", VT_I4)]),
    ("HasBackColor", 19, "method", [("HasBackColor", VT_I4)]),
    ("DrawBoxWhiskerGraph", 20, "method", []), ("AddDataEx", 21, "method", [("yData", VT_R4)]),
    ("AddSeries", 22, "method", [("sSeriesTitle", VT_BSTR)]),
    ("Draw3DBarSeriesGraph", 23, "method", []), ("DrawBarSeriesGraph", 24, "method", []),
    ("AddItemToSeries", 25, "method", [("ItemName", VT_BSTR)]),
    ("SetVerticalGraph", 26, "method", []), ("SetHorizontalGraph", 27, "method", []),
    ("Draw3DPieSeriesGraph", 28, "method", []), ("DrawPieSeriesGraph", 29, "method", []),
    ("DrawLineSeriesGraph", 30, "method", []), ("Draw3DLineSeriesGraph", 31, "method", []),
    ("DrawBoxWhiskerSeriesGraph", 32, "method", []),
    ("DrawStackedBarSeriesGraph", 33, "method", []),
    ("Draw3DStackedBarSeriesGraph", 34, "method", []), ("DrawStackedBarGraph", 35, "method", []),
    ("Draw3DStackedBarGraph", 36, "method", []), ("ClearSeriesData", 37, "method", []),
    ("BackColor", 40, "propput", TEXT_PUT), ("AddColor", 43, "method", [("Color", VT_BSTR)]),
]

DRAW_METHODS = [name for name, _, _, _ in INTERFACE if name.startswith("Draw")]
TEXT_PROPERTIES = [name for name, _, kind, params in INTERFACE if params == TEXT_PUT]
# Arguments that every non-drawing method accepts.
GOOD_ARGUMENTS = {
    name: tuple({VT_BSTR: "x", VT_R4: 1.5, VT_I4: 1}[vt] for _, vt in params)
    for name, _, kind, params in INTERFACE
    if kind == "method" and name not in DRAW_METHODS
}


ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "site"
sys.path.insert(0, str(EXAMPLE))  # the example's serve and site_app modules
CLI = os.environ.get("TESSALOOM_CLI") or str(ROOT / "build" / "tessaloom")
needs_cli = pytest.mark.skipif(not os.path.exists(CLI), reason="command-line tool not built")


def run_cli(*args, cwd=None, input=None, binary=False):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=not binary, cwd=cwd,
                          input=input)


@pytest.fixture
def no_cgi_request(monkeypatch):
    monkeypatch.delenv("PATH_TRANSLATED", raising=False)
    monkeypatch.delenv("SCRIPT_FILENAME", raising=False)


@pytest.fixture
def hosting(tmp_path, monkeypatch, no_cgi_request):
    """The example's hosting setup: site "allowed" may draw, "refused" may not."""
    import serve

    setup = serve.write_setup(tmp_path)
    monkeypatch.setenv("TESSALOOM_REGISTRY", setup.registry)
    return setup


def wsgi_call(app, query="", path="/chart", verb="GET", **extra):
    """Runs app under the WSGI validator in this thread; (status code,
    headers, body, wsgi.errors text)."""
    log = io.StringIO()
    environ = {"REQUEST_METHOD": verb, "SCRIPT_NAME": "", "PATH_INFO": path,
               "QUERY_STRING": query, "wsgi.errors": log}
    wsgiref.util.setup_testing_defaults(environ)
    environ.update(extra)
    answer = {}

    def start_response(status, headers, exc_info=None):
        answer["status"], answer["headers"] = status, dict(headers)
        return lambda data: None

    result = wsgiref.validate.validator(app)(environ, start_response)
    try:
        body = b"".join(result)
    finally:
        result.close()
    return int(answer["status"][:3]), answer["headers"], body, log.getvalue()


@pytest.fixture
def g():  # late-bound, as a script makes it
    return tessaloom.CreateObject(PROGID)


def automation_error(call, *args):
    """Runs call(*args) and returns the AutomationError it must raise."""
    with pytest.raises(tessaloom.AutomationError) as info:
        call(*args)
    return info.value


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


def add_series(g, items, series):
    """Items, then each (title, values) series of a series chart."""
    for item in items:
        g.AddItemToSeries(item)
    for title, values in series:
        g.AddSeries(title)
        for v in values:
            g.AddDataEx(v)


def pytest_make_parametrize_id(config, val, argname):
    """Keeps ids of huge texts and numbers short; escapes control characters."""
    if isinstance(val, tuple):
        return "(%s)" % ",".join(pytest_make_parametrize_id(config, v, argname) or "?" for v in val)
    if isinstance(val, (str, int, float)) and not isinstance(val, bool):
        plain = isinstance(val, str) and val.isascii() and val.isidentifier()
        text = val if plain else repr(val)
        return text if len(text) <= 30 else "%s...(%d)" % (text[:20], len(text))
    return None
