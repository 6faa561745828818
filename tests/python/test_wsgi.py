"""The page a thread serves as the component sees it, and ChartApp, a chart per WSGI request."""

import asyncio
import collections
import concurrent.futures
import contextlib
import http.client
import importlib.util
import io
import itertools
import json
import os
import pathlib
import pwd
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import urllib.request
import wsgiref.validate

import pytest

import tessaloom
from conftest import (CLI, COMPONENT_REFUSED, PROGID, ROOT, needs_cli, wsgi_call as call,
                      wsgi_environ)
from tessaloom import _chart_app, current_path_translated, request
from tessaloom.wsgi import ChartApp, RequestContext, path_translated

pytestmark = pytest.mark.usefixtures("no_cgi_request")
W = "/srv/www"


def run_in_thread(work):  # on a new thread that ends before this returns
    with concurrent.futures.ThreadPoolExecutor(1) as pool:
        future = pool.submit(work)
    return future.result()


def test_blocks_set_the_request_and_restore_the_outer_one_in_the_thread_that_set_it():
    assert current_path_translated() is None
    with request("/srv/outer") as r:
        assert r.path_translated == current_path_translated() == "/srv/outer"
        with pytest.raises(KeyError):
            with request("/srv/inner"):
                with r:  # one object may be entered again, also while in force
                    assert current_path_translated() == "/srv/outer"
                assert current_path_translated() == "/srv/inner"
                raise KeyError("failed page")
        assert current_path_translated() == "/srv/outer"
    assert current_path_translated() is None
    first, second = page("/srv/first"), page("/srv/second")  # ended out of order
    assert (next(first), next(second)) == ("/srv/first", "/srv/second")
    first.close()
    assert current_path_translated() == "/srv/second"
    second.close()
    # Only the thread that entered a request leaves it.
    with pytest.raises(RuntimeError):
        request("/srv/page").__exit__(None, None, None)
    with request("/srv/main-thread") as r:
        assert run_in_thread(current_path_translated) is None
        run_in_thread(lambda: request("/srv/abandoned").__enter__())  # ends inside its block
        with pytest.raises(RuntimeError):
            run_in_thread(lambda: r.__exit__(None, None, None))
        assert current_path_translated() == "/srv/main-thread"
    assert current_path_translated() is None


@pytest.mark.parametrize("given,expected", [
    ("/srv/caf\u00e9/p", "/srv/caf\u00e9/p"), (b"/srv/caf\xc3\xa9/p", "/srv/caf\u00e9/p"),
    (b"/srv/latin\xe9/p.py", "/srv/latin\udce9/p.py"),  # not UTF-8: kept as bytes
    (pathlib.PurePosixPath("/srv/www/a/./p.py"), "/srv/www/a/p.py"), ("", ""),
    # No file has such a path: no page, and the CGI variables do not stand in.
    ("/srv/a\0b", None), (b"/srv/a\0b", None), ("/srv/\ud800", None), (None, None),
])
def test_paths_reach_the_component_byte_for_byte_or_serve_no_page(given, expected, monkeypatch):
    monkeypatch.setenv("SCRIPT_FILENAME", "/srv/cgi/p.py")
    with request(given):
        assert current_path_translated() == expected
    with pytest.raises(TypeError):
        request(["/srv"])


@pytest.mark.parametrize("environ,document_root,expected", [
    # The script the server names wins.
    ({"SCRIPT_FILENAME": "/srv/s/./p.py", "PATH_TRANSLATED": "/srv/t/p.py", "DOCUMENT_ROOT": W,
      "PATH_INFO": "/x"}, "/srv/arg", b"/srv/s/p.py"),
    # Else the document root, SCRIPT_NAME and PATH_INFO, one "/" apart.
    ({"DOCUMENT_ROOT": W + "/", "PATH_INFO": "/a/p.py", "SCRIPT_FILENAME": ""}, None,
     b"/srv/www/a/p.py"),
    ({"DOCUMENT_ROOT": W, "SCRIPT_NAME": "/app", "PATH_INFO": "/a", "PATH_TRANSLATED": "/t/a"},
     None, b"/srv/www/app/a"),
    # Each URL part is resolved on its own, as the server maps URLs.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a/../../../etc/passwd"}, None, b"/srv/www/etc/passwd"),
    ({"DOCUMENT_ROOT": W, "SCRIPT_NAME": "/app", "PATH_INFO": "/../b"}, None, b"/srv/www/app/b"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "//a/./b//"}, None, b"/srv/www/a/b"),
    # The middleware's own root serves servers that set none.
    ({"DOCUMENT_ROOT": "", "PATH_INFO": "/a"}, b"/srv/arg", b"/srv/arg/a"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a"}, "/srv/arg", b"/srv/www/a"),
    # Last, PATH_TRANSLATED; empty variables count as absent.
    ({"PATH_TRANSLATED": "/srv/t//x/../p.py", "PATH_INFO": "/p.py"}, None, b"/srv/t/p.py"),
    ({"PATH_INFO": "/a", "SCRIPT_NAME": "/app", "PATH_TRANSLATED": ""}, None, None),
    # URL paths are Latin-1 decoded bytes: UTF-8 URLs and raw bytes both.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/caf\u00c3\u00a9"}, None, b"/srv/www/caf\xc3\xa9"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/\u00e9"}, None, b"/srv/www/\xe9"),
    # File paths: PEP 3333 Latin-1 bytes, or CGI's file-system decoding.
    ({"DOCUMENT_ROOT": "/srv/caf\u00c3\u00a9", "PATH_INFO": "/p"}, None, b"/srv/caf\xc3\xa9/p"),
    ({"DOCUMENT_ROOT": "/srv/caf\u00e9", "PATH_INFO": "/p"}, None, b"/srv/caf\xc3\xa9/p"),
    ({"PATH_TRANSLATED": "/srv/\udce9/p"}, None, b"/srv/\xe9/p"),
    ({"PATH_TRANSLATED": "/srv/\u20ac/p"}, None, b"/srv/\xe2\x82\xac/p"),
    # No file's path holds a NUL or a lone surrogate.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a\x00b"}, None, None),
    ({"DOCUMENT_ROOT": "/srv/\ud800", "PATH_TRANSLATED": "/srv/t/p.py"}, None, None),
])
def test_the_page_path_comes_from_the_environ(environ, document_root, expected):
    assert path_translated(environ, document_root) == expected


def start_response(status, headers, exc_info=None):
    return lambda data: None


class Recorder:
    """An application whose response records the current request at every step."""

    def __init__(self, chunks=(b"a", b"b")):
        self.chunks, self.events = chunks, []

    def __call__(self, environ, start_response):
        self.events.append(("call", current_path_translated()))
        start_response("200 OK", [("Content-Type", "text/plain")])
        return self

    def __iter__(self):
        self.events.append(("iter", current_path_translated()))
        for chunk in self.chunks:
            self.events.append(("next", current_path_translated()))
            yield chunk

    def close(self):
        self.events.append(("close", current_path_translated()))


def test_the_app_runs_inside_the_request_and_the_server_outside_on_any_thread(tmp_path,
                                                                              monkeypatch):
    app, validate = Recorder(), wsgiref.validate.validator  # on both sides of the middleware
    result = validate(RequestContext(validate(app)))(wsgi_environ("/p.py", DOCUMENT_ROOT=W),
                                                     start_response)
    assert [(chunk, current_path_translated()) for chunk in result] == [(b"a", None), (b"b", None)]
    result.close()
    assert app.events == [(e, "/srv/www/p.py") for e in ["call", "iter", "next", "next", "close"]]
    assert current_path_translated() is None
    app = Recorder(chunks=(b"x",))  # a response read on another thread, or closed unread
    result = RequestContext(app, document_root="/srv")(wsgi_environ("/t"), start_response)
    run_in_thread(lambda: (list(result), result.close()))
    assert app.events == [(event, "/srv/t") for event in ["call", "iter", "next", "close"]]
    monkeypatch.chdir(tmp_path)  # a relative root is taken from here, when the middleware is made
    app = Recorder()
    RequestContext(app, document_root="www")(wsgi_environ("/p"), start_response).close()
    assert app.events == [(event, str(tmp_path / "www" / "p")) for event in ["call", "close"]]


def page(path, refusals=None):
    """Enters its request, yields in it (the server runs another page), draws, notes a refusal."""
    with request(path):
        yield current_path_translated()
        if refusals is None:
            return
        g = tessaloom.CreateObject(PROGID)
        g.OutputTarget = "memory"
        g.AddData("a", 1)
        g.DrawBarGraph()
        refusals[path.split("/")[-2]] = g.ErrorReason.startswith(COMPONENT_REFUSED)


def on_threads(pages):
    barrier = threading.Barrier(len(pages))
    with concurrent.futures.ThreadPoolExecutor(len(pages)) as pool:
        list(pool.map(lambda p: (next(p), barrier.wait(), next(p, None)), pages))


def on_tasks(pages):
    async def serve(p):
        next(p)
        await asyncio.sleep(0)
        next(p, None)

    async def main():
        await asyncio.gather(*map(serve, pages))

    asyncio.run(main())


def on_greenlets(pages):
    gevent = pytest.importorskip("gevent")
    gevent.joinall([gevent.spawn(lambda p=p: (next(p), gevent.sleep(0), next(p, None)))
                    for p in pages], raise_error=True)


@pytest.mark.parametrize("run", [on_threads, on_tasks, on_greenlets])
def test_pages_that_take_turns_on_one_thread_each_draw_with_their_own_site_grant(hosting, run):
    refusals = {}  # "allowed" enters its request while "refused" is in its own
    run([page(os.path.join(hosting.document_root, site, "p.py"), refusals)
         for site in ("refused", "allowed")])
    assert refusals == {"refused": True, "allowed": False}
    assert current_path_translated() is None


BAR = "method=DrawBarGraph&labels=a,b,c&values=1,2,3"


@pytest.fixture(scope="module")
def app():
    return ChartApp()


# A query that breaks a rule, and what the one-line answer says.
ONE = "method=DrawBarGraph&values=1"
TABLE = "method=DrawBarSeriesGraph&items=a"
# The heaviest chart the query limits allow: 64 series of 100 items in 3D, smooth, 2048 x 2048.
HEAVIEST = ("method=Draw3DBarSeriesGraph&items=" + ",".join("i%d" % i for i in range(100))
            + "".join("&series=S%d:" % s + ",".join(["7"] * 100) for s in range(64))
            + "&width=2048&height=2048&style=smooth")
BAD_QUERIES = [
    ("", "method missing"),
    ("method=DrawNothing&values=1", "'DrawNothing' is not offered; the methods are Draw3DBarGraph"),
    ("method=drawbargrap&values=1", "'drawbargrap' is not offered; did you mean DrawBarGraph?"),
    ("method=DrawBarGraph", "values missing"), (ONE + ",x", "'x' is not a number"),
    (ONE + ",", "'' is not a number"), ("method=DrawBarGraph&values=nan", "'nan' is not a number"),
    ("method=DrawBarGraph&values=1e39", "'1e39' is not a number the chart can hold"),
    ("method=DrawBarGraph&values=" + ",".join(["1"] * 257), "more than 256 values"),
    (ONE + ",2&labels=a", "1 labels for 2 values"),
    (ONE + "&title=" + "t" * 201, "title longer than 200"),
    (ONE + "&title=a%0Ab", "title holds a control character"),
    (ONE + "&labels=%7F", "labels holds a control character"),
    (ONE + "&width=15", "width must be from 16 to 4096"),
    (ONE + "&height=4097", "height must be from 16 to 4096"), (ONE + "&width=99x", "width must be"),
    (ONE + "&width=4096&height=4096", "over 4194304 pixels"),
    (ONE + "&format=gif", "format 'gif' unknown: Unknown OutputFormat"),
    (ONE + "&format=bmp", "format 'bmp' is not offered"), (ONE + "&style=zigzag", "style 'zigzag'"),
    (ONE + "&theme=shiny", "theme 'shiny' refused: Unknown Theme"),
    (ONE + "&legend=left", "legend 'left' refused: Unknown LegendPosition"),
    (ONE + "&max=1e39", "max: '1e39' is not a number the chart can hold"),
    (ONE + "&grid=2", "grid must be 1 or 0"), (ONE + "&quality=0", "quality must be from 1 to 100"),
    (ONE + "&quality=101", "quality must"), (ONE + "&colors=red,%23abc", "color '#abc' is neither"),
    (ONE + "&size=9", "unknown parameter 'size'"), (ONE + "&title=a&title=b", "title given twice"),
    ("method=DrawBarGraph&&values=1", "malformed query"), (ONE + "&title=%FF", "is not UTF-8"),
    (ONE + "&title=\u00e9", "query is not percent-encoded"),
    (ONE + "&title=" + "t" * 16400, "query longer than 16384"),
    (ONE + "&series=x:1" * 90, "more than 90 query fields"), (ONE + "&items=a", "takes labels and"),
    ("method=DrawBarSeriesGraph&series=X:1", "items missing"), (TABLE, "series missing"),
    (TABLE + "&series=X", "series must be Name:1,2,3"),
    (TABLE + ",b&series=X:1", "series 'X' has 1 values for 2 items"),
    (TABLE + "&series=X:1&values=1", "takes items and series"),
    (TABLE + "&series=x:1" * 65, "more than 64 series"),
    # The drawing's own complaint about the request: pies need room.
    ("method=DrawPieGraph&values=1,2&width=16&height=16", "does not fit: The image is too small"),
    # Refused before drawing, naming what to ask less of.
    (HEAVIEST, "ask for less of width x height, series or items, a flat chart, the classic style"),
]


def post(app, chart, content_type="application/json", **extra):
    """POSTs ``chart`` (an object for json.dumps, or the body's bytes)."""
    body = chart if isinstance(chart, bytes) else json.dumps(chart).encode()
    return call(app, verb="POST", **{"wsgi.input": io.BytesIO(body), "CONTENT_TYPE": content_type,
                                     "CONTENT_LENGTH": str(len(body)), **extra})


# A JSON body that breaks a rule: (body, environ, status, what the answer says).
BAR_JSON = {"method": "DrawBarGraph", "values": [1]}
SERIES_JSON = {"method": "DrawBarSeriesGraph", "items": ["a"]}
BAD_BODIES = [
    (b"{", {}, 400, "body is not JSON: Expecting property name"),
    (b"[1]", {}, 400, "body must be a JSON object"), (b"\xff", {}, 400, "body is not UTF-8"),
    (b'{"values": [NaN]}', {}, 400, "NaN is not a number JSON allows"),
    (b"[" * 65536, {}, 400, "nested too deep"), (b"9" * 5000, {}, 400, "body is not JSON"),
    (b'{"method": "DrawBarGraph", "values": [1], "values": [2]}', {}, 400, "values given twice"),
    ({**BAR_JSON, "size": 9}, {}, 400, "unknown parameter 'size'"),
    ({"method": 1}, {}, 400, "method must be a string"),
    ({**BAR_JSON, "width": "500"}, {}, 400, "width must be an integer"),
    ({**BAR_JSON, "width": True}, {}, 400, "width must be an integer"),
    ({**BAR_JSON, "width": 15}, {}, 400, "width must be from 16 to 4096"),
    ({**BAR_JSON, "grid": 1}, {}, 400, "grid must be true or false"),
    ({**BAR_JSON, "min": "0"}, {}, 400, "min must be a number"),
    ({**BAR_JSON, "values": ["1"]}, {}, 400, "values must be an array of numbers"),
    ({**BAR_JSON, "values": [True]}, {}, 400, "values must be an array of numbers"),
    ({**BAR_JSON, "values": 1}, {}, 400, "values must be an array of numbers"),
    ({**BAR_JSON, "values": []}, {}, 400, "values missing"),
    ({**BAR_JSON, "values": [1e39]}, {}, 400, "'1e+39' is not a number the chart can hold"),
    ({**BAR_JSON, "values": [1, 2], "labels": ["a,b"]}, {}, 400, "1 labels for 2 values"),
    ({**BAR_JSON, "labels": [1]}, {}, 400, "labels must be an array of strings"),
    ({**BAR_JSON, "labels": ["a\nb"]}, {}, 400, "labels holds a control character"),
    ({**BAR_JSON, "colors": ["#abc"]}, {}, 400, "color '#abc' is neither"),
    (b'{"series": {"X": [1], "X": [2]}}', {}, 400, "series 'X' given twice"),
    ({**SERIES_JSON, "series": "X:1"}, {}, 400, "series must be an object of name to values"),
    ({**SERIES_JSON, "series": [{"name": "X"}]}, {}, 400, "or a list of {name, values}"),
    ({**SERIES_JSON, "series": [["X", [1]]]}, {}, 400, "or a list of {name, values}"),
    ({**SERIES_JSON, "series": {"X": [1, 2]}}, {}, 400, "series 'X' has 2 values for 1 items"),
    ({**SERIES_JSON, "series": [{"name": "X", "values": [1]}] * 65}, {}, 400, "more than 64"),
    ({**SERIES_JSON, "series": {}}, {}, 400, "series missing"),
    # What the request says of its body.
    (BAR_JSON, {"CONTENT_TYPE": "text/plain"}, 415, "Content-Type must be application/json"),
    (BAR_JSON, {"CONTENT_TYPE": "application/json; charset=latin-1"}, 415, "must be"),
    (BAR_JSON, {"CONTENT_LENGTH": ""}, 411, "Content-Length missing"),
    *[(BAR_JSON, {"CONTENT_LENGTH": n, "lint": False}, 400, "not a number of bytes")
      for n in ("-1", "1e3", "\u00b2")],
    (BAR_JSON, {"CONTENT_LENGTH": "65537"}, 413, "body longer than 65536 bytes"),
    (BAR_JSON, {"CONTENT_LENGTH": "99"}, 400, "body shorter than its Content-Length"),
    (BAR_JSON, {"QUERY_STRING": ONE}, 400, "a POST takes its chart from the body, not the query"),
]


@pytest.mark.parametrize("request_,message", [((q,), m) for q, m in BAD_QUERIES] + [
    ((body, environ, status), m) for body, environ, status, m in BAD_BODIES])
def test_a_request_that_cannot_be_drawn_gets_a_400_saying_why(app, request_, message):
    if len(request_) == 1:
        (status, headers, body, _), expected = call(app, request_[0]), 400
    else:
        chart, environ, expected = request_
        status, headers, body, _ = post(app, chart, **environ)
    assert (status, headers["Content-Type"], headers["Cache-Control"]) == (
        expected, "text/plain; charset=utf-8", "no-store")
    assert message in body.decode() and body.count(b"\n") == 1 and body.endswith(b"\n")


# The size asked for is the size drawn, up to the pixel limit (the PNG's IHDR).
@pytest.mark.parametrize("extra,mime,signature", [
    ("&width=2048&height=2048", "image/png", b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x08\0\0\0\x08\0"),
    *[(q, "image/jpeg", b"\xff\xd8\xff") for q in ("&format=JPEG&quality=40", "&format=jpg")],
    ("&format=pdf&style=smooth", "application/pdf", b"%PDF-")])
def test_each_format_answers_with_its_bytes_and_type(app, extra, mime, signature):
    status, headers, body, _ = call(app, BAR + extra)
    assert (status, headers["Content-Type"], body[:len(signature)]) == (200, mime, signature)
    assert (headers["Content-Length"], headers["Cache-Control"]) == (str(len(body)),
                                                                     "public, max-age=3600")


def etag(app, query):  # only a 200 has one
    return (call(app, query) if isinstance(query, str) else post(app, query))[1]["ETag"]


# Requests that spell the same chart differently, and requests that change it.
SAME_CHART = ["method=drawbargraph&values=1,2,3&labels=a,b,c",
              BAR + "&format=PNG&style=classic&grid=0&width=500",
              BAR + "&quality=20",  # the quality only counts for a JPEG
              {"method": "DrawBarGraph", "labels": ["a", "b", "c"], "values": [1, 2.0, 3e0],
               "grid": False, "title": None}]
SERIES = "method=DrawLineSeriesGraph&items=Q1,Q2&series=Web:1,2&series=Shop:3,4&min=0&showvalues=1"
SAME_SERIES = [SERIES, {"method": "DrawLineSeriesGraph", "items": ["Q1", "Q2"], "min": 0,
                        "series": {"Web": [1, 2], "Shop": [3, 4]}, "showvalues": True},
               {"method": "DrawLineSeriesGraph", "items": ["Q1", "Q2"], "min": 0.0,
                "series": [{"name": "Web", "values": [1, 2]}, {"values": [3, 4], "name": "Shop"}],
                "showvalues": True}]
OTHER_CHARTS = [BAR.replace("3", "4"), BAR.replace("c", "d"), BAR.replace("Bar", "Line")] + [
    BAR + extra for extra in ["&title=T", "&grid=1", "&horizontal=1", "&colors=red", "&height=351",
                              "&format=jpeg", "&format=jpeg&quality=20"]] + [
    {"method": "DrawBarGraph", "labels": ["a,b", "c", "d"], "values": [1, 2, 3]}]


def test_the_etag_the_304_and_head_follow_the_picture_and_the_release(app, monkeypatch):
    get_headers = call(app, BAR)[1]
    tag = get_headers["ETag"]
    assert tag.startswith('"') and tag.endswith('"') and not tag.startswith("W/")
    assert {etag(app, q) for q in SAME_CHART} == {tag}
    assert post(app, SAME_CHART[-1])[2] == call(app, BAR)[2]
    assert len({etag(app, q) for q in SAME_SERIES}) == 1
    others = [etag(app, q) for q in OTHER_CHARTS]
    assert tag not in others and len(set(others)) == len(OTHER_CHARTS)
    assert etag(app, BAR + "&format=jpg") == etag(app, BAR + "&format=jpeg")
    for header, status in [("@", 304), ("W/@", 304), ('"other", @', 304), ("*", 304),
                           ('"other"', 200), ("", 200)]:  # If-None-Match: 304 without a body
        code, headers, body, _ = call(app, BAR, HTTP_IF_NONE_MATCH=header.replace("@", tag))
        assert (code, headers["ETag"], body == b"") == (status, tag, status == 304), header
    # A POST naming the tag is not performed.
    assert post(app, SAME_CHART[-1], HTTP_IF_NONE_MATCH=tag)[0] == 412
    # HEAD answers GET's headers without the body; other verbs are refused.
    assert call(app, BAR, verb="HEAD")[:3] == (200, get_headers, b"")
    status, headers, _, _ = call(app, BAR, verb="PUT")
    assert (status, headers["Allow"]) == (405, "GET, HEAD, POST")
    monkeypatch.setattr(_chart_app, "__version__", "99.0.0")
    assert etag(app, BAR) != tag


def test_the_methods_formats_and_size_of_answer_offered_are_the_applications_choice():
    for options in [dict(methods=["ClearData"]), dict(formats=["gif"]), dict(formats=["bmp"]),
                    dict(formats=[""])]:
        with pytest.raises(ValueError):  # an offer the service cannot keep
            ChartApp(**options)
    app = ChartApp(methods=["drawpiegraph", "DrawBarGraph"], formats=["png", "BMP"])
    assert call(app, "method=DrawPieGraph&values=1,2")[0] == 200
    assert call(app, BAR.replace("Bar", "Line"))[0] == 400
    bmp = call(app, BAR + "&format=bmp&width=64&height=64")
    assert (bmp[0], bmp[2][:2], len(bmp[2])) == (200, b"BM", 64 * 64 * 4 + 54)
    # An answer over max_bytes is refused whole, never cut; one of max_bytes is answered.
    size = len(call(ChartApp(), BAR)[2])
    assert call(ChartApp(max_bytes=size), BAR)[:3:2] == (200, call(ChartApp(), BAR)[2])
    status, headers, body, _ = call(ChartApp(max_bytes=size - 1), BAR)
    assert (status, headers["Cache-Control"]) == (400, "no-store")
    assert b"bytes, over the %d this service answers" % (size - 1) in body
    assert ChartApp(max_cost=None).parse(HEAVIEST).method == "Draw3DBarSeriesGraph"


def test_a_component_failure_is_a_500_with_the_detail_in_the_log(app, monkeypatch):
    def failing():  # a GraphGenerator whose draw ends with a message
        g = tessaloom.GraphGenerator()
        return type("Failing", (type(g),), {"LastError": "Out of memory"})(g._native_object)

    monkeypatch.setattr(_chart_app, "GraphGenerator", failing)
    status, _, body, log = call(app, BAR)
    assert (status, body) == (500, b"the chart could not be drawn\n")
    assert "Out of memory" in log


def test_the_hosting_restrictions_apply_to_the_site_the_url_belongs_to(hosting):
    app = ChartApp(document_root=hosting.document_root)
    status, headers, _, _ = call(app, BAR, path="/allowed/chart")
    assert status == 200
    assert call(app, BAR, path="/allowed/chart", HTTP_IF_NONE_MATCH=headers["ETag"])[0] == 304
    # A refused site may not even revalidate an image it holds.
    status, _, body, _ = call(app, BAR, path="/refused/chart", HTTP_IF_NONE_MATCH=headers["ETag"])
    assert status == 403 and body.startswith(COMPONENT_REFUSED.encode())
    # A URL climbing out of its site stays in the site it climbed from.
    assert call(app, BAR, path="/refused/../allowed/chart")[0] == 200
    assert call(app, BAR, path="/allowed/chart", SCRIPT_NAME="/refused")[0] == 403
    # No page that can be told (no document root): refused as well.
    assert call(ChartApp(), BAR, path="/allowed/chart")[0] == 403


@contextlib.contextmanager
def running(command, tmp_path, env=None, port=None):
    """Runs a server until the block ends, then stops it with SIGTERM. Yields the URL its
    first line names (or, given ``port``, /chart there once it accepts connections) and a
    list that gets the server's standard error once it stopped."""
    server = subprocess.Popen(command, cwd=tmp_path, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True)
    watchdog, log = threading.Timer(60, server.kill), []
    watchdog.start()
    try:
        if port is None:
            url = re.search(r"http://127\.0\.0\.1:[0-9]+/chart", server.stdout.readline())
            assert url, "no URL"
            url = url.group(0)
        else:
            url = "http://127.0.0.1:%d/chart" % port
            while server.poll() is None:
                with contextlib.suppress(OSError):
                    socket.create_connection(("127.0.0.1", port), 1).close()
                    break
                time.sleep(0.05)
        yield url, log
    finally:
        server.send_signal(signal.SIGTERM)
        log.append(server.communicate(timeout=30)[1])
        watchdog.cancel()
    assert server.returncode == 0, log[0]


UNIT = ROOT / "packaging" / "systemd" / "tessaloom-charts.service"


@needs_cli
@pytest.mark.parametrize("server", ["unit", "wsgiref"])
def test_serve_answers_get_and_post_where_it_says_and_stops_on_sigterm(server, tmp_path):
    env = dict(os.environ)
    # The systemd unit's command line, on any free port, under gunicorn.
    command = re.search(r"^ExecStart=(.*)$", UNIT.read_text(), re.M).group(1).split()
    command = [os.path.abspath(CLI), *command[1:command.index("--port") + 1], "0",
               *command[command.index("--port") + 2:]]
    if server == "unit" and importlib.util.find_spec("gunicorn") is None:
        pytest.skip("gunicorn is not installed")
    if server == "wsgiref":  # a gunicorn that cannot be imported
        (tmp_path / "gunicorn").mkdir()
        (tmp_path / "gunicorn" / "__init__.py").write_text("raise ImportError\n")
        env["PYTHONPATH"] = "%s:%s" % (tmp_path, env.get("PYTHONPATH", ""))
    with running(command, tmp_path, env) as (url, log):
        got = urllib.request.urlopen(url + "?" + BAR, timeout=30)
        posted = urllib.request.urlopen(urllib.request.Request(
            url, json.dumps(SAME_CHART[-1]).encode(), {"Content-Type": "application/json"}),
            timeout=30)
        assert (posted.read(), posted.headers["ETag"]) == (got.read(), got.headers["ETag"])
    assert ("for development" in log[0]) == (server == "wsgiref")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


NGINX = shutil.which("nginx", path=os.environ.get("PATH", "") + ":/usr/sbin")


def behind_nginx(tmp_path, backends, cache=False):
    """The packaged nginx site in front of ``backends`` (host:port) on a free port, run as the
    current user with its files in tmp_path, its cache lines switched on when ``cache``, and
    X-Upstream naming the backends each request went to: ``running``'s context and the URL."""
    site = (ROOT / "packaging" / "nginx" / "tessaloom-charts").read_text()
    port = free_port()
    site = site.replace("listen 80;", "listen 127.0.0.1:%d;" % port).replace(
        "listen [::]:80;", "").replace("server 127.0.0.1:8000;",
                                       "".join("server %s;" % b for b in backends))
    site = site.replace("location = /chart {", "location = /chart { add_header X-Upstream "
                        "$upstream_addr always;").replace("/var/lib/nginx/", "")
    if cache:
        site = re.sub(r"^(\s*)# (.*)  # cache$", r"\1\2", site, flags=re.M)
    (tmp_path / "site").write_text(site)
    user = "user %s;" % pwd.getpwuid(os.getuid()).pw_name if os.getuid() == 0 else ""
    (tmp_path / "nginx.conf").write_text(
        "daemon off; pid nginx.pid; error_log stderr; %s events {} http { access_log off;" % user
        + "".join(" %s_temp_path %s;" % (k, k)
                  for k in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        + " include site; }\n")
    return (running([NGINX, "-p", tmp_path, "-c", "nginx.conf", "-e", "stderr"], tmp_path,
                    port=port), "http://127.0.0.1:%d/chart" % port)


@needs_cli
@pytest.mark.skipif(shutil.which("node") is None, reason="node is not installed")
def test_the_node_client_in_the_deployment_guide_gets_its_chart_direct_and_through_nginx(
        tmp_path):
    guide = (ROOT / "docs" / "deploy.md").read_text()
    (tmp_path / "chart.mjs").write_text(guide.split("```js\n", 1)[1].split("```", 1)[0])
    with running([os.path.abspath(CLI), "serve", "--port", "0"], tmp_path) as (url, _):
        charts, proxied = [url], contextlib.nullcontext((None, None))
        if NGINX:  # the site, on free ports, before the service
            proxied, proxy_url = behind_nginx(tmp_path, [url.split("/")[2]])
            charts.append(proxy_url)
        with proxied:
            images = []
            for n, chart in enumerate(charts):
                result = subprocess.run(["node", "chart.mjs", chart, "c%d.png" % n], cwd=tmp_path,
                                        capture_output=True, text=True, timeout=60)
                assert result.returncode == 0, result.stderr
                assert "image/png, ETag" in result.stdout
                images.append((tmp_path / ("c%d.png" % n)).read_bytes())
    assert images[0].startswith(b"\x89PNG") and images.count(images[0]) == len(charts)


def decodes(image, size):
    """Whether image is a whole PNG of that size (PIL decodes it, where installed)."""
    if image[:8] != b"\x89PNG\r\n\x1a\n" or image[12:16] != b"IHDR":
        return False
    try:
        import PIL.Image
    except ImportError:
        return struct.unpack(">II", image[16:24]) == size
    with contextlib.suppress(OSError, SyntaxError):
        with PIL.Image.open(io.BytesIO(image)) as picture:
            picture.load()
            return picture.size == size
    return False


def load(url, total, threads, sizes, midway=lambda: None):
    """GETs of BAR in each of ``sizes`` from several threads, ``midway`` called after a third;
    [(size, status, image or error, X-Upstream, X-Cache-Status, sent after midway returned)]."""
    counter, answers, passed = itertools.count(), [], threading.Event()
    host, port = url.split("/")[2].split(":")

    def client():
        connection = http.client.HTTPConnection(host, int(port), timeout=20)
        for n in itertools.takewhile(lambda n: n < total, counter):
            if n == total // 3:
                midway()
                passed.set()
            size, after = sizes[n % len(sizes)], passed.is_set()
            try:
                connection.request("GET", "/chart?%s&width=%d&height=%d" % (BAR, *size))
                r = connection.getresponse()
                answers.append((size, r.status, r.read(), r.headers["X-Upstream"],
                                r.headers["X-Cache-Status"], after))
            except (OSError, http.client.HTTPException) as error:
                answers.append((size, None, repr(error), None, None, after))
                connection.close()
        connection.close()

    pool = [threading.Thread(target=client) for _ in range(threads)]
    for thread in pool:
        thread.start()
    for thread in pool:
        thread.join()
    return answers


def end_sessions(processes):
    for process in processes:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(process.pid, signal.SIGKILL)


# A service whose answers are written as gunicorn's worker writes them, the headers first and
# the body in a second call, with time between them for the test to kill it.
SLOW_BODY = """
import pathlib, sys, time
from tessaloom import serve
def app(environ, start_response):
    start_response("200 OK", [("Content-Type", "image/png"), ("Content-Length", "4")])
    yield b""  # the headers are written now
    pathlib.Path(sys.argv[1]).touch()
    time.sleep(30)
    yield b"\\x89PNG"
serve._serve_gunicorn(app, serve._arguments(["--port", "0", "--workers", "1"]))
"""


@pytest.mark.skipif(importlib.util.find_spec("gunicorn") is None, reason="needs gunicorn")
def test_a_worker_killed_between_headers_and_body_resets_the_connection_with_nothing_sent(
        tmp_path):
    # A half response cannot be retried by a balancer; a reset before any byte can.
    written = tmp_path / "headers-written"
    with subprocess.Popen([sys.executable, "-c", SLOW_BODY, str(written)], text=True,
                          stdout=subprocess.PIPE, start_new_session=True) as service:
        try:
            host, port = re.search(r"//([0-9.]+):([0-9]+)/", service.stdout.readline()).groups()
            with socket.create_connection((host, int(port)), timeout=20) as client:
                client.sendall(b"GET /chart HTTP/1.1\r\nHost: x\r\n\r\n")
                deadline = time.monotonic() + 20
                while not written.exists() and time.monotonic() < deadline:
                    time.sleep(0.01)
                os.killpg(service.pid, signal.SIGKILL)
                with pytest.raises(ConnectionResetError):
                    assert client.recv(4096) == b"", "the headers were sent"
        finally:
            end_sessions([service])


@needs_cli
def test_behind_nginx_charts_survive_a_dead_backend_and_repeated_ones_come_from_its_cache(
        tmp_path):
    if not NGINX or importlib.util.find_spec("gunicorn") is None:  # CI has both
        assert os.environ.get("TESSALOOM_CI") != "1", "tools/install-deps test installs them"
        pytest.skip("the scale-out test needs nginx and gunicorn")
    sizes = [(300 + 20 * n, 200) for n in range(4)]
    with contextlib.ExitStack() as stack:  # three services of one gunicorn worker each
        logs = [stack.enter_context(open(tmp_path / ("backend%d.log" % n), "w")) for n in range(3)]
        services = [stack.enter_context(subprocess.Popen(
            [CLI, "serve", "--port", "0", "--workers", "1"], cwd=tmp_path, text=True,
            stdout=subprocess.PIPE, stderr=log, start_new_session=True)) for log in logs]
        watchdog = threading.Timer(60, end_sessions, [services])
        stack.callback(end_sessions, services)  # master and worker, however the test ends
        stack.callback(watchdog.cancel)
        watchdog.start()
        backends = [re.search(r"127\.0\.0\.1:[0-9]+", s.stdout.readline()).group(0)
                    for s in services]
        proxied, url = behind_nginx(tmp_path, backends)
        with proxied:  # the first backend is killed a third of the way through
            answers = load(url, 300, 6, sizes, lambda: os.killpg(services[0].pid, signal.SIGKILL))
        failed = [a[:2] + (a[2][:80],) for a in answers if a[1] != 200 or not decodes(a[2], a[0])]
        assert len(answers) == 300 and not failed, failed
        # Each survivor drew charts asked for after the kill, the dead one none; what was sent
        # to it was passed on to the next backend (its X-Upstream names both).
        after = collections.Counter(a[3].split(", ")[-1] for a in answers if a[5])
        assert set(after) == set(backends[1:]) and any(", " in a[3] for a in answers), after
        proxied, url = behind_nginx(tmp_path, backends[1:], cache=True)
        with proxied:
            answers = load(url, 300, 6, sizes)
        assert all(a[1] == 200 and decodes(a[2], a[0]) for a in answers)
        # Each chart was drawn once, its repeats answered from the cache with the same bytes.
        drawn = sorted(a[0] for a in answers if a[4] != "HIT")
        assert drawn == sizes and not any(a[3] for a in answers if a[4] == "HIT")
        assert len({(a[0], a[2]) for a in answers}) == len(sizes)
