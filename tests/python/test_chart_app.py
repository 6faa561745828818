"""tessaloom.wsgi.ChartApp: a chart per request, drawn from the query into memory."""

import io
import pathlib
import struct
import sys
import wsgiref.util
import wsgiref.validate

import pytest

import tessaloom
from tessaloom import _chart_app
from tessaloom.wsgi import ChartApp

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "site"
sys.path.insert(0, str(EXAMPLE))
import serve  # noqa: E402

pytestmark = pytest.mark.usefixtures("no_cgi_request")

BAR = "method=DrawBarGraph&labels=a,b,c&values=1,2,3"
SERIES = "method=DrawBarSeriesGraph&items=a,b&series=X:1,2&series=Y:3,4"


def call(app, query, verb="GET", path="/chart", **extra):
    """Runs the app under the WSGI validator; (status code, headers, body, wsgi.errors text)."""
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


@pytest.fixture(scope="module")
def app():
    return ChartApp()


# A query that breaks a rule, and what the one-line answer says.
BAD_QUERIES = [
    ("", "method missing"),
    ("method=DrawNothing&values=1", "method 'DrawNothing' is not offered"),
    ("method=DrawBarGraph", "values missing"),
    ("method=DrawBarGraph&values=1,x", "'x' is not a number"),
    ("method=DrawBarGraph&values=1,", "'' is not a number"),
    ("method=DrawBarGraph&values=nan", "'nan' is not a number"),
    ("method=DrawBarGraph&values=1e39", "'1e39' is not a number the chart can hold"),
    ("method=DrawBarGraph&values=" + ",".join(["1"] * 257), "more than 256 values"),
    ("method=DrawBarGraph&values=1,2&labels=a", "1 labels for 2 values"),
    ("method=DrawBarGraph&values=1&title=" + "t" * 201, "title longer than 200"),
    ("method=DrawBarGraph&values=1&title=a%0Ab", "title holds a control character"),
    ("method=DrawBarGraph&values=1&labels=%00", "labels holds a control character"),
    ("method=DrawBarGraph&values=1&width=15", "width must be from 16 to 4096"),
    ("method=DrawBarGraph&values=1&height=4097", "height must be from 16 to 4096"),
    ("method=DrawBarGraph&values=1&width=-5", "width must be"),
    ("method=DrawBarGraph&values=1&width=4096&height=4096", "over 4194304 pixels"),
    ("method=DrawBarGraph&values=1&format=gif", "format 'gif' unknown: Unknown OutputFormat"),
    ("method=DrawBarGraph&values=1&style=zigzag", "style 'zigzag'"),
    ("method=DrawBarGraph&values=1&quality=0", "quality must be from 1 to 100"),
    ("method=DrawBarGraph&values=1&quality=101", "quality must be from 1 to 100"),
    ("method=DrawBarGraph&values=1&grid=2", "grid must be 1 or 0"),
    ("method=DrawBarGraph&values=1&colors=red,%23abc", "color '#abc' is neither"),
    ("method=DrawBarGraph&values=1&size=9", "unknown parameter 'size'"),
    ("method=DrawBarGraph&values=1&title=a&title=b", "title given twice"),
    ("method=DrawBarGraph&&values=1", "malformed query"),
    ("method=DrawBarGraph&values=1&title=%FF", "query is not UTF-8"),
    ("method=DrawBarGraph&values=1&title=\u00e9", "query is not percent-encoded"),
    ("method=DrawBarGraph&values=1&title=" + "t" * 16400, "query longer than 16384"),
    ("method=DrawBarGraph&values=1" + "&series=x:1" * 90, "more than 83 query fields"),
    ("method=DrawBarGraph&values=1&items=a", "takes labels and values"),
    ("method=DrawBarSeriesGraph&series=X:1", "items missing"),
    ("method=DrawBarSeriesGraph&items=a", "series missing"),
    ("method=DrawBarSeriesGraph&items=a&series=X", "series must be Name:1,2,3"),
    ("method=DrawBarSeriesGraph&items=a,b&series=X:1", "series 'X' has 1 values for 2 items"),
    ("method=DrawBarSeriesGraph&items=a&series=X:1&values=1", "takes items and series"),
    ("method=DrawBarSeriesGraph&items=a" + "&series=x:1" * 65, "more than 64 series"),
    # The drawing's own complaint about the request: pies need room.
    ("method=DrawPieGraph&values=1,2&width=16&height=16", "does not fit: Too many series"),
]


@pytest.mark.parametrize("query,message", BAD_QUERIES)
def test_a_query_that_cannot_be_drawn_gets_a_400_saying_why(app, query, message):
    status, headers, body, _ = call(app, query)
    assert status == 400
    assert headers["Content-Type"] == "text/plain; charset=utf-8"
    assert headers["Cache-Control"] == "no-store"
    text = body.decode()
    assert message in text
    assert text.endswith("\n") and text.count("\n") == 1


FORMATS = [
    ("", "image/png", b"\x89PNG\r\n\x1a\n"),
    ("&format=png", "image/png", b"\x89PNG\r\n\x1a\n"),
    ("&format=JPEG&quality=40", "image/jpeg", b"\xff\xd8\xff"),
    ("&format=jpg", "image/jpeg", b"\xff\xd8\xff"),
    ("&format=bmp", "image/bmp", b"BM"),
    ("&format=svg", "image/svg+xml", b"<?xml"),
    ("&format=pdf&style=smooth", "application/pdf", b"%PDF-"),
    ("&style=smooth", "image/png", b"\x89PNG\r\n\x1a\n"),
]


@pytest.mark.parametrize("extra,mime,signature", FORMATS)
@pytest.mark.parametrize("chart", [BAR, SERIES])
def test_each_format_answers_with_its_bytes_and_type(app, chart, extra, mime, signature):
    status, headers, body, _ = call(app, chart + extra)
    assert status == 200
    assert headers["Content-Type"] == mime
    assert body.startswith(signature)
    assert headers["Content-Length"] == str(len(body))
    assert headers["Cache-Control"] == "public, max-age=3600"


def test_the_size_asked_for_is_the_size_drawn(app):
    _, _, body, _ = call(app, BAR + "&width=321&height=123")
    assert struct.unpack(">II", body[16:24]) == (321, 123)  # the PNG's IHDR


def etag(app, query):
    status, headers, _, _ = call(app, query)
    assert status == 200
    return headers["ETag"]


# Queries that spell the same chart differently, and queries that change it.
SAME_CHART = [
    "method=drawbargraph&values=1,2,3&labels=a,b,c",
    BAR + "&format=PNG&style=classic&grid=0&width=500",
    BAR + "&quality=20",  # the quality only counts for a JPEG
]
OTHER_CHARTS = [
    "method=DrawBarGraph&labels=a,b,c&values=1,2,4",
    "method=DrawBarGraph&labels=a,b,d&values=1,2,3",
    "method=DrawLineGraph&labels=a,b,c&values=1,2,3",
    BAR + "&title=T",
    BAR + "&grid=1",
    BAR + "&horizontal=1",
    BAR + "&colors=red",
    BAR + "&height=351",
    BAR + "&format=jpeg",
    BAR + "&format=jpeg&quality=20",
]


def test_the_etag_follows_the_picture_and_not_the_spelling(app):
    tag = etag(app, BAR)
    assert tag.startswith('"') and tag.endswith('"') and not tag.startswith("W/")
    assert {etag(app, q) for q in SAME_CHART} == {tag}
    others = [etag(app, q) for q in OTHER_CHARTS]
    assert tag not in others and len(set(others)) == len(OTHER_CHARTS)
    assert etag(app, BAR + "&format=jpg") == etag(app, BAR + "&format=jpeg")


def test_a_new_release_changes_the_etag(app, monkeypatch):
    tag = etag(app, BAR)
    monkeypatch.setattr(_chart_app, "__version__", "99.0.0")
    assert etag(app, BAR) != tag


@pytest.mark.parametrize("header,status", [
    ("@", 304), ("W/@", 304), ('"other", @', 304), ("*", 304),
    ('"other"', 200), ("", 200),
])
def test_if_none_match_answers_304_without_a_body(app, header, status):
    tag = etag(app, BAR)
    code, headers, body, _ = call(app, BAR, HTTP_IF_NONE_MATCH=header.replace("@", tag))
    assert code == status
    assert headers["ETag"] == tag
    assert (body == b"") == (status == 304)


def test_head_answers_the_headers_of_get_without_the_body(app):
    _, get_headers, image, _ = call(app, BAR)
    status, headers, body, _ = call(app, BAR, verb="HEAD")
    assert (status, body) == (200, b"")
    assert headers == get_headers and headers["Content-Length"] == str(len(image))


def test_other_http_methods_are_refused(app):
    status, headers, _, _ = call(app, BAR, verb="POST")
    assert status == 405 and headers["Allow"] == "GET, HEAD"


def test_only_the_methods_offered_are_drawn():
    app = ChartApp(methods=["drawpiegraph"])
    assert call(app, "method=DrawPieGraph&values=1,2")[0] == 200
    assert call(app, BAR)[0] == 400
    with pytest.raises(ValueError):
        ChartApp(methods=["ClearData"])


def test_nothing_carries_over_from_one_request_to_the_next(app):
    plain = "method=DrawBarGraph&values=1,2&format=bmp"
    before = call(app, plain)[2]
    for busy in (SERIES + "&title=T&colors=red,blue&grid=1&horizontal=1&format=bmp",
                 "method=DrawBarGraph&values=9,8,7&labels=x,y,z&width=64&height=64&format=bmp"):
        assert call(app, busy)[0] == 200
        assert call(app, plain)[2] == before


def test_a_component_failure_is_a_500_with_the_detail_in_the_log(app, monkeypatch):
    class Failing:
        def __init__(self):
            object.__setattr__(self, "g", tessaloom.GraphGenerator())

        def __getattr__(self, name):
            if name == "LastError":
                return "Not enough memory to draw the chart"
            return getattr(self.g, name)

        def __setattr__(self, name, value):
            setattr(self.g, name, value)

    monkeypatch.setattr(_chart_app, "GraphGenerator", Failing)
    status, _, body, log = call(app, BAR)
    assert (status, body) == (500, b"the chart could not be drawn\n")
    assert "Not enough memory to draw the chart" in log


@pytest.fixture
def hosting(tmp_path, monkeypatch):
    """The example's hosting setup: site "allowed" may draw, "refused" may not."""
    setup = serve.write_setup(tmp_path)
    monkeypatch.setenv("TESSALOOM_REGISTRY", setup.registry)
    return setup


def test_the_hosting_restrictions_apply_to_the_site_the_url_belongs_to(hosting):
    app = ChartApp(document_root=hosting.document_root)
    assert call(app, BAR, path="/allowed/chart")[0] == 200
    status, _, body, _ = call(app, BAR, path="/refused/chart")
    assert status == 403
    assert body.startswith(b"Please contact your hosting administrator")
    # A URL climbing out of its site stays in the site it climbed from.
    assert call(app, BAR, path="/refused/../allowed/chart")[0] == 200
    assert call(app, BAR, path="/allowed/chart", SCRIPT_NAME="/refused")[0] == 403
    # No page that can be told (no document root): refused as well.
    assert call(ChartApp(), BAR, path="/allowed/chart")[0] == 403
