"""tessaloom.wsgi.ChartApp: a chart per request, drawn from the query into memory."""

import pytest

import tessaloom
from conftest import wsgi_call as call
from tessaloom import _chart_app
from tessaloom.wsgi import ChartApp

pytestmark = pytest.mark.usefixtures("no_cgi_request")

BAR = "method=DrawBarGraph&labels=a,b,c&values=1,2,3"
SERIES = "method=DrawBarSeriesGraph&items=a,b&series=X:1,2&series=Y:3,4"


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
    ("", "method missing"), ("method=DrawNothing&values=1", "method 'DrawNothing' is not offered"),
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
    (ONE + "&grid=2", "grid must be 1 or 0"), (ONE + "&quality=0", "quality must be from 1 to 100"),
    (ONE + "&quality=101", "quality must"), (ONE + "&colors=red,%23abc", "color '#abc' is neither"),
    (ONE + "&size=9", "unknown parameter 'size'"), (ONE + "&title=a&title=b", "title given twice"),
    ("method=DrawBarGraph&&values=1", "malformed query"), (ONE + "&title=%FF", "is not UTF-8"),
    (ONE + "&title=\u00e9", "query is not percent-encoded"),
    (ONE + "&title=" + "t" * 16400, "query longer than 16384"),
    (ONE + "&series=x:1" * 90, "more than 83 query fields"), (ONE + "&items=a", "takes labels and"),
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


@pytest.mark.parametrize("query,message", BAD_QUERIES)
def test_a_query_that_cannot_be_drawn_gets_a_400_saying_why(app, query, message):
    status, headers, body, _ = call(app, query)
    assert status == 400
    assert headers["Content-Type"] == "text/plain; charset=utf-8"
    assert headers["Cache-Control"] == "no-store"
    assert message in body.decode() and body.count(b"\n") == 1 and body.endswith(b"\n")


# The size asked for is the size drawn, up to the pixel limit (the PNG's IHDR).
@pytest.mark.parametrize("extra,mime,signature", [
    ("&width=2048&height=2048", "image/png", b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x08\0\0\0\x08\0"),
    *[(q, "image/jpeg", b"\xff\xd8\xff") for q in ("&format=JPEG&quality=40", "&format=jpg")],
    ("&format=pdf&style=smooth", "application/pdf", b"%PDF-")])
def test_each_format_answers_with_its_bytes_and_type(app, extra, mime, signature):
    status, headers, body, _ = call(app, BAR + extra)
    assert (status, headers["Content-Type"]) == (200, mime) and body.startswith(signature)
    assert headers["Content-Length"] == str(len(body))
    assert headers["Cache-Control"] == "public, max-age=3600"


def etag(app, query):
    return call(app, query)[1]["ETag"]  # only a 200 has one


# Queries that spell the same chart differently, and queries that change it.
SAME_CHART = ["method=drawbargraph&values=1,2,3&labels=a,b,c",
              BAR + "&format=PNG&style=classic&grid=0&width=500",
              BAR + "&quality=20"]  # the quality only counts for a JPEG
OTHER_CHARTS = [BAR.replace("3", "4"), BAR.replace("c", "d"), BAR.replace("Bar", "Line")] + [
    BAR + extra for extra in ["&title=T", "&grid=1", "&horizontal=1", "&colors=red", "&height=351",
                              "&format=jpeg", "&format=jpeg&quality=20"]]


def test_the_etag_follows_the_picture_and_the_release_not_the_spelling(app, monkeypatch):
    tag = etag(app, BAR)
    assert tag.startswith('"') and tag.endswith('"') and not tag.startswith("W/")
    assert {etag(app, q) for q in SAME_CHART} == {tag}
    others = [etag(app, q) for q in OTHER_CHARTS]
    assert tag not in others and len(set(others)) == len(OTHER_CHARTS)
    assert etag(app, BAR + "&format=jpg") == etag(app, BAR + "&format=jpeg")
    monkeypatch.setattr(_chart_app, "__version__", "99.0.0")
    assert etag(app, BAR) != tag


@pytest.mark.parametrize("header,status", [
    ("@", 304), ("W/@", 304), ('"other", @', 304), ("*", 304), ('"other"', 200), ("", 200)])
def test_if_none_match_answers_304_without_a_body(app, header, status):
    tag = etag(app, BAR)
    code, headers, body, _ = call(app, BAR, HTTP_IF_NONE_MATCH=header.replace("@", tag))
    assert (code, headers["ETag"], body == b"") == (status, tag, status == 304)


def test_head_answers_the_headers_of_get_without_the_body_and_others_are_refused(app):
    _, get_headers, image, _ = call(app, BAR)
    status, headers, body, _ = call(app, BAR, verb="HEAD")
    assert (status, body, headers) == (200, b"", get_headers)
    assert headers["Content-Length"] == str(len(image))
    status, headers, _, _ = call(app, BAR, verb="POST")
    assert status == 405 and headers["Allow"] == "GET, HEAD"


@pytest.mark.parametrize("options", [dict(methods=["ClearData"]), dict(formats=["gif"]),
                                     dict(formats=["bmp"]), dict(formats=[""])])
def test_an_offer_the_service_cannot_keep_is_refused(options):
    with pytest.raises(ValueError):
        ChartApp(**options)


def test_the_methods_formats_and_size_of_answer_offered_are_the_applications_choice():
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


def test_nothing_carries_over_from_one_request_to_the_next(app):
    plain = "method=DrawBarGraph&values=1,2"
    before = call(app, plain)[2]
    for busy in (SERIES + "&title=T&colors=red,blue&grid=1&horizontal=1",
                 "method=DrawBarGraph&values=9,8,7&labels=x,y,z&width=64&height=64"):
        assert call(app, busy)[0] == 200
        assert call(app, plain)[2] == before


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
    assert status == 403 and body.startswith(b"Please contact your hosting administrator")
    # A URL climbing out of its site stays in the site it climbed from.
    assert call(app, BAR, path="/refused/../allowed/chart")[0] == 200
    assert call(app, BAR, path="/allowed/chart", SCRIPT_NAME="/refused")[0] == 403
    # No page that can be told (no document root): refused as well.
    assert call(ChartApp(), BAR, path="/allowed/chart")[0] == 403
