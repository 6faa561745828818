"""ChartApp: a WSGI application that draws one chart per request from its query.

Every request is answered on its own: a fresh GraphGenerator draws into
memory, nothing is kept between requests, so the service scales by adding
worker processes and machines. Everything in the query is hostile: its
length, the number of fields, every text and number is bounded before the
component sees it, and a request that breaks a bound gets a 400 with a
one-line message.
"""

import difflib
import hashlib
import json
import math
import os
import re
import urllib.parse

from . import AutomationError, E_INVALIDARG, GraphGenerator, UnknownNameError, __version__
from ._page_path import path_translated
from ._request import request

# The component takes values as 4-byte floats; a larger one would overflow.
_FLOAT32_MAX = 3.4028234663852886e38
# The component keeps at most this many values, items, series and colours.
_COMPONENT_MAX = 256

SINGLE_SET_METHODS = (
    "DrawBarGraph", "Draw3DBarGraph", "DrawPieGraph", "Draw3DPieGraph", "DrawLineGraph",
    "Draw3DLineGraph", "DrawBoxWhiskerGraph", "DrawStackedBarGraph", "Draw3DStackedBarGraph",
)
SERIES_METHODS = (
    "DrawBarSeriesGraph", "Draw3DBarSeriesGraph", "DrawPieSeriesGraph", "Draw3DPieSeriesGraph",
    "DrawLineSeriesGraph", "Draw3DLineSeriesGraph", "DrawBoxWhiskerSeriesGraph",
    "DrawStackedBarSeriesGraph", "Draw3DStackedBarSeriesGraph",
)
DRAW_METHODS = SINGLE_SET_METHODS + SERIES_METHODS

# Parameters that may appear once, and the one that may repeat.
_SINGLE_FIELDS = frozenset((
    "method", "title", "xlabel", "ylabel", "labels", "values", "items", "width", "height",
    "format", "style", "quality", "grid", "horizontal", "colors", "theme", "showvalues", "min",
    "max", "valueformat", "legend", "transparent",
))
_REPEATED_FIELDS = frozenset(("series",))

_NUMBER = re.compile(r"[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]{1,3})?\Z")
_COUNT = re.compile(r"[0-9]{1,6}\Z")
_LENGTH = re.compile(r"[0-9]{1,18}\Z")
_WORD = re.compile(r"[A-Za-z0-9_-]{1,32}\Z")
_COLOR = re.compile(r"(?:#[0-9A-Fa-f]{6}|[A-Za-z]{1,32})\Z")
_FLAGS = {"1": True, "true": True, "yes": True, "on": True,
          "0": False, "false": False, "no": False, "off": False}
# Texts a chart draws: no control characters (a NUL would end the text on
# its way into the component, a line break has no place on a chart).
_CONTROL = re.compile(r"[\x00-\x1f\x7f]")

# How a failed draw is told apart: the hosting restrictions' refusals, and
# the drawing's complaints about what the client asked for (pies that do not
# fit the size); every other failure is the server's.
_REFUSAL_MARKS = ("hosting administrator", "calling request object not found")
_CLIENT_MARKS = ("Too many series for the image size", "The image is too small for the pie",
                 "Labels too long for the image size")
_DEFAULT_STYLE = "classic"

# What drawing a chart costs, in units of about a nanosecond of one core
# (calibrated with bench/chart_cost.py, a quarter over the most any measured
# chart took): a weight per pixel of the image (made, filled, encoded), the
# pixels times the square root of the marks (the values drawn: bars, points,
# slices) times a weight for the chart's shape, and a weight per mark. The
# time grows with both the image and the marks, but less than with their
# product, as marks crowd into the same plot. Smooth charts anti-alias every
# edge and shape every text; 3D charts draw three faces for each bar and
# overlap them; pies fill the disc and label every slice. (classic, smooth).
_PIXEL_WEIGHTS = (15, 22)
_AREA_WEIGHTS = {"flat": (0.6, 0.6), "3d": (0.8, 2.4), "pie": (1.5, 4.2)}
_MARK_WEIGHTS = {"flat": (5000, 35000), "3d": (38000, 50000), "pie": (17000, 82000)}


class BadRequest(Exception):
    """The request cannot be drawn; the text is the client's one-line answer,
    ``status`` its HTTP status line."""

    def __init__(self, message, status="400 Bad Request"):
        super().__init__(message)
        self.status = status


class _Pairs(list):
    """A JSON object as its (key, value) pairs, in order, duplicates kept."""


# The JSON body's fields by the type each takes (the query's other fields
# are lists: labels, items and colors of strings, values of numbers, and
# series).
_JSON_STRINGS = frozenset(("method", "title", "xlabel", "ylabel", "format", "style", "theme",
                           "legend", "valueformat"))
_JSON_INTEGERS = frozenset(("width", "height", "quality"))
_JSON_FLAGS = frozenset(("grid", "horizontal", "showvalues", "transparent"))
_JSON_NUMBERS = frozenset(("min", "max"))
_JSON_NAME_LISTS = frozenset(("labels", "items", "colors"))
_SERIES_SHAPE = "series must be an object of name to values or a list of {name, values}"


def _quoted(text, limit=40):
    """Client text echoed in a message: escaped and cut short."""
    return repr(text if len(text) <= limit else text[:limit] + "...")


class _Chart:
    """A request's chart, parsed and bounded: the parameters that shape the picture."""

    __slots__ = ("method", "title", "xlabel", "ylabel", "labels", "values", "items", "series",
                 "width", "height", "format", "style", "quality", "grid", "horizontal", "colors",
                 "theme", "showvalues", "min", "max", "valueformat", "legend", "transparent")


class ChartApp:
    """WSGI application: ``GET <path>?method=DrawBarGraph&labels=a,b&values=1,2``
    answers with the chart's bytes, and so does ``POST <path>`` with the same
    fields in a JSON object (see ``parse_json``).

    Query parameters (each at most once, except ``series``):
      method               one of the Draw methods (names ignore case), limited to ``methods``
      title, xlabel, ylabel
      labels=a,b,c values=1,2,3         single-set charts; labels optional
      items=a,b,c series=Name:1,2,3     series charts; ``series`` repeats, one per series,
                                        each with a value per item
      width, height        pixels, ``min_size``..``max_size`` each, at most ``max_pixels``
                           in all; ``default_size`` when not given
      format               one of ``formats`` (png, jpeg, svg, pdf; bmp when asked for);
                           ``default_format`` when not given
      style                classic (default) or what RenderStyle accepts
      quality              JPEG quality 1-100
      grid, horizontal     1/0, true/false, yes/no, on/off
      colors=red,%23ff8800 colour names or #RRGGBB, one per value (series)
      theme                classic (default), modern or dark
      legend               auto (default), right, top, bottom or none
      min, max             the value axis's fixed ends (numbers); automatic when not given
      valueformat          a number format code, e.g. %23,%23%230.0 for #,##0.0
      showvalues, transparent   value labels, a transparent background; as grid

    A chart whose estimated cost (see ``cost``) is over ``max_cost`` is
    refused before it is drawn, and one whose image is over ``max_bytes`` is
    refused after it; None lifts either bound.

    Answers: 200 with the image, its MIME type, an ETag and Cache-Control; 304
    when If-None-Match names the ETag (nothing drawn); 400 text/plain for a
    query that cannot be drawn (pies too small for the size, a chart over the
    cost or the size of answer this service draws included); 403
    with the component's message when the hosting restrictions refuse the
    page; 405 for methods other than GET, HEAD and POST; 411, 413 and 415 for
    a POST body without a length, over ``max_body`` bytes or not JSON; 412
    for a POST whose If-None-Match names the ETag; 500 when the component
    failed (the detail goes to wsgi.errors).

    The draw runs with the request's page as its current request,
    told from the environ as RequestContext tells it (``document_root`` for
    servers that set no DOCUMENT_ROOT), so the hosting check applies the
    settings of the site the URL belongs to.

    The ETag hashes the normalised chart parameters and the library version:
    equal charts share it, any change of picture or release changes it. A
    304 is answered without drawing, after the hosting check: the Draw
    method is called with no data, which checks and draws nothing.
    """

    def __init__(self, *, methods=DRAW_METHODS, document_root=None,
                 formats=("png", "jpeg", "svg", "pdf"), default_format="png",
                 default_size=(500, 350), min_size=16, max_size=4096, max_pixels=2048 * 2048,
                 max_values=_COMPONENT_MAX, max_series=64, max_text=200, max_query=16384,
                 max_cost=300_000_000, max_bytes=4 * 1024 * 1024, max_age=3600,
                 max_body=65536):
        by_name = {name.lower(): name for name in DRAW_METHODS}
        chosen = []
        for name in methods:
            canonical = by_name.get(str(name).lower())
            if canonical is None:
                raise ValueError("not a Draw method: %r" % (name,))
            chosen.append(canonical)
        if not chosen:
            raise ValueError("no Draw method allowed")
        width, height = default_size
        if not (1 <= min_size <= min(width, height) and max(width, height) <= max_size
                and width * height <= max_pixels):
            raise ValueError("the default size is outside the size limits")
        if not 1 <= max_values <= _COMPONENT_MAX or not 1 <= max_series <= _COMPONENT_MAX:
            raise ValueError("the component keeps at most %d values and series" % _COMPONENT_MAX)
        self._methods = {name.lower(): name for name in chosen}
        self.document_root = None if document_root is None else os.path.abspath(document_root)
        # The formats by the names the object gives them (jpg is jpeg).
        self.formats = frozenset(_format_name(name) for name in formats)
        if _format_name(default_format) not in self.formats:
            raise ValueError("the default format is not one of the formats offered")
        self.default_format = default_format
        self.default_size = (width, height)
        self.min_size, self.max_size, self.max_pixels = min_size, max_size, max_pixels
        self.max_values, self.max_series, self.max_text = max_values, max_series, max_text
        self.max_query, self.max_cost, self.max_bytes = max_query, max_cost, max_bytes
        self.max_body = max_body
        self.cache_control = "public, max-age=%d" % max_age
        # Every single field once, every series, and room for a few that are
        # refused by name rather than counted.
        self._max_fields = len(_SINGLE_FIELDS) + max_series + 4

    def _offer(self, asked):
        """The offered method nearest to a mistyped one, or the list of all offered."""
        near = difflib.get_close_matches(asked.lower()[:64], list(self._methods), n=1, cutoff=0.8)
        if near:
            return "did you mean %s?" % self._methods[near[0]]
        return "the methods are " + ", ".join(sorted(self._methods.values()))

    # The WSGI call.
    def __call__(self, environ, start_response):
        verb = environ.get("REQUEST_METHOD", "GET")
        if verb not in ("GET", "HEAD", "POST"):
            return _text(start_response, "405 Method Not Allowed", "only GET, HEAD and POST",
                         [("Allow", "GET, HEAD, POST")])
        try:
            if verb == "POST":
                chart = self.parse_json(self._body(environ))
            else:
                chart = self.parse(environ.get("QUERY_STRING", ""))
        except BadRequest as error:
            return _text(start_response, error.status, str(error))
        # Only the object's own rules tell which formats and styles it takes,
        # so it is made before the ETag and a 304.
        try:
            g = GraphGenerator()
            _set_output(g, chart, self.formats)
        except BadRequest as error:
            return _text(start_response, "400 Bad Request", str(error))
        except AutomationError as error:
            return self._failed(environ, start_response, str(error))
        tag = self.etag(chart)
        revalidating = _matches(environ.get("HTTP_IF_NONE_MATCH"), tag)
        with request(path_translated(environ, self.document_root)):
            try:
                # Without data the Draw method runs the hosting check alone.
                if not revalidating:
                    _fill(g, chart)
                getattr(g, chart.method)()
                data, message, mime = g.ImageData, g.LastError, g.ImageMimeType
            except AutomationError as error:
                return self._failed(environ, start_response, str(error))
        if message and any(mark in message for mark in _REFUSAL_MARKS):
            return _text(start_response, "403 Forbidden", message)
        if revalidating and verb == "POST":
            # A method other than GET and HEAD is not performed when the tag matches.
            return _text(start_response, "412 Precondition Failed",
                         "If-None-Match names this chart's ETag")
        if revalidating:
            start_response("304 Not Modified",
                           [("ETag", tag), ("Cache-Control", self.cache_control)])
            return []
        if message in _CLIENT_MARKS:
            return _text(start_response, "400 Bad Request", "the chart does not fit: " + message)
        if message or not data:
            return self._failed(environ, start_response, message or "no image")
        if self.max_bytes is not None and len(data) > self.max_bytes:
            # The query's own outcome, the same each time: the client's to change.
            return _text(start_response, "400 Bad Request",
                         "the chart is %d bytes, over the %d this service answers: ask for a "
                         "smaller size or another format" % (len(data), self.max_bytes))
        start_response("200 OK", [
            ("Content-Type", mime),
            ("Content-Length", str(len(data))),
            ("ETag", tag),
            ("Cache-Control", self.cache_control),
            ("X-Content-Type-Options", "nosniff"),
            # An image viewed on its own runs nothing and loads nothing.
            ("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'"),
        ])
        return [] if verb == "HEAD" else [data]

    def _failed(self, environ, start_response, detail):
        errors = environ.get("wsgi.errors")
        if errors is not None:
            errors.write("tessaloom ChartApp: %s\n" % detail)
        return _text(start_response, "500 Internal Server Error", "the chart could not be drawn")

    # Reading a POST body.

    def _body(self, environ):
        """The POST body's bytes: never more than ``max_body`` read."""
        if environ.get("QUERY_STRING"):
            raise BadRequest("a POST takes its chart from the body, not the query")
        kind = environ.get("CONTENT_TYPE", "").split(";")
        charset = [p.strip().lower() for p in kind[1:] if p.strip()]
        if kind[0].strip().lower() != "application/json" or charset not in ([], ["charset=utf-8"]):
            raise BadRequest("Content-Type must be application/json", "415 Unsupported Media Type")
        text = environ.get("CONTENT_LENGTH", "").strip()
        if not text:
            raise BadRequest("Content-Length missing", "411 Length Required")
        length = int(text) if _LENGTH.match(text) else -1
        if length < 0:
            raise BadRequest("Content-Length is not a number of bytes")
        if self.max_body is not None and length > self.max_body:
            raise BadRequest("body longer than %d bytes" % self.max_body, "413 Content Too Large")
        stream, chunks, left = environ["wsgi.input"], [], length
        while left > 0:
            chunk = stream.read(left)
            if not chunk:
                raise BadRequest("body shorter than its Content-Length")
            chunks.append(chunk)
            left -= len(chunk)
        return b"".join(chunks)

    def parse_json(self, body):
        """The chart a JSON body asks for; raises BadRequest.

        The body is one object with the query's fields: texts and words as
        strings, width, height and quality integers, min and max numbers,
        the flags true or false, labels, items and colors arrays of strings,
        values an array of numbers, and series either an object of name to
        values or an array of {"name": ..., "values": [...]}. null is a field
        not given. A chart asked for either way is the same chart, with the
        same ETag."""
        try:
            document = json.loads(body.decode("utf-8"), object_pairs_hook=_Pairs,
                                  parse_constant=_no_constant)
        except UnicodeDecodeError:
            raise BadRequest("body is not UTF-8") from None
        except RecursionError:
            raise BadRequest("body is not JSON: nested too deep") from None
        except ValueError as error:  # also integers of thousands of digits
            raise BadRequest("body is not JSON: %s" % error) from None
        if not isinstance(document, _Pairs):
            raise BadRequest("body must be a JSON object")
        fields, series, seen = {}, [], set()
        for name, value in document:
            if name != "series" and name not in _SINGLE_FIELDS:
                raise BadRequest("unknown parameter %s" % _quoted(name))
            if name in seen:
                raise BadRequest("%s given twice" % name)
            seen.add(name)
            if value is None:
                continue
            if name == "series":
                series = _json_series(value)
            elif name in _JSON_STRINGS:
                fields[name] = _json_typed(name, value, str, "a string")
            elif name in _JSON_INTEGERS:
                fields[name] = str(_json_typed(name, value, int, "an integer"))
            elif name in _JSON_FLAGS:
                fields[name] = "1" if _json_typed(name, value, bool, "true or false") else "0"
            elif name in _JSON_NUMBERS:
                fields[name] = _json_number(name, value)
            elif name in _JSON_NAME_LISTS:
                if not isinstance(value, list) or not all(isinstance(v, str) for v in value):
                    raise BadRequest("%s must be an array of strings" % name)
                fields[name] = value
            else:  # values
                fields[name] = _json_numbers(name, value)
        return self._chart(fields, series)

    # Reading the query.

    def parse(self, query):
        """The chart a query string asks for; raises BadRequest."""
        if len(query) > self.max_query:
            raise BadRequest("query longer than %d characters" % self.max_query)
        if not query.isascii():
            raise BadRequest("query is not percent-encoded")
        try:
            pairs = urllib.parse.parse_qsl(query, keep_blank_values=True, strict_parsing=True,
                                           encoding="utf-8", errors="strict",
                                           max_num_fields=self._max_fields)
        except UnicodeDecodeError:
            raise BadRequest("query is not UTF-8") from None
        except ValueError:
            if query.count("&") >= self._max_fields:
                raise BadRequest("more than %d query fields" % self._max_fields) from None
            raise BadRequest("malformed query") from None
        fields, series = {}, []
        for name, value in pairs:
            if name in _REPEATED_FIELDS:
                series.append(value)
            elif name not in _SINGLE_FIELDS:
                raise BadRequest("unknown parameter %s" % _quoted(name))
            elif name in fields:
                raise BadRequest("%s given twice" % name)
            else:
                fields[name] = value
        return self._chart(fields, series)

    def _chart(self, fields, series):
        chart = _Chart()
        method = fields.get("method")
        if method is None:
            raise BadRequest("method missing")
        chart.method = self._methods.get(method.lower())
        if chart.method is None:
            raise BadRequest("method %s is not offered; %s"
                             % (_quoted(method), self._offer(method)))
        for name in ("title", "xlabel", "ylabel"):
            setattr(chart, name, self._text(name, fields.get(name, "")))
        chart.width = self._size(fields, "width", self.default_size[0])
        chart.height = self._size(fields, "height", self.default_size[1])
        if chart.width * chart.height > self.max_pixels:
            raise BadRequest("width x height over %d pixels" % self.max_pixels)
        chart.format = fields.get("format", self.default_format).lower()
        if not _WORD.match(chart.format):
            raise BadRequest("format %s unknown" % _quoted(chart.format))
        chart.style = fields.get("style", _DEFAULT_STYLE).lower()
        if not _WORD.match(chart.style):
            raise BadRequest("style %s unknown" % _quoted(chart.style))
        chart.quality = None
        if "quality" in fields:
            text = fields["quality"]
            chart.quality = int(text) if _COUNT.match(text) else 0
            if not 1 <= chart.quality <= 100:
                raise BadRequest("quality must be from 1 to 100")
        chart.theme = fields.get("theme", "classic").lower()
        chart.legend = fields.get("legend", "auto").lower()
        for name in ("theme", "legend"):
            if not _WORD.match(getattr(chart, name)):
                raise BadRequest("%s %s unknown" % (name, _quoted(fields[name])))
        for name in ("min", "max"):
            setattr(chart, name, None)
            if name in fields:
                text = fields[name]
                number = float(text) if len(text) <= 40 and _NUMBER.match(text) else math.nan
                if not abs(number) <= _FLOAT32_MAX:  # also false for NaN
                    raise BadRequest("%s: %s is not a number the chart can hold"
                                     % (name, _quoted(text)))
                setattr(chart, name, number)
        chart.valueformat = self._text("valueformat", fields.get("valueformat", ""))
        chart.showvalues = _flag(fields, "showvalues")
        chart.transparent = _flag(fields, "transparent")
        chart.grid = _flag(fields, "grid")
        chart.horizontal = _flag(fields, "horizontal")
        chart.colors = ()
        if fields.get("colors"):
            chart.colors = tuple(_split(fields["colors"]))
            if len(chart.colors) > _COMPONENT_MAX:
                raise BadRequest("more than %d colors" % _COMPONENT_MAX)
            for color in chart.colors:
                if not _COLOR.match(color):
                    raise BadRequest("color %s is neither a name nor #RRGGBB" % _quoted(color))
        if chart.method in SERIES_METHODS:
            self._series_table(chart, fields, series)
        else:
            self._single_set(chart, fields, series)
        cost = self.cost(chart)
        if self.max_cost is not None and cost > self.max_cost:
            less = ["width x height", "values" if chart.values else "series or items"]
            if "3D" in chart.method:
                less.append("a flat chart")
            if chart.style != _DEFAULT_STYLE:
                less.append("the classic style")
            if chart.theme != "classic":
                less.append("the classic theme")
            raise BadRequest("the chart would cost %.1f times what this service draws: ask for "
                             "less of %s" % (cost / self.max_cost, ", ".join(less)))
        return chart

    def cost(self, chart):
        """What drawing ``chart`` is estimated to cost, in the units of
        ``max_cost`` (about a nanosecond of one core each)."""
        marks = len(chart.values) + sum(len(values) for _, values in chart.series)
        shape = "pie" if "Pie" in chart.method else "3d" if "3D" in chart.method else "flat"
        smooth = chart.style != _DEFAULT_STYLE or chart.theme != "classic"
        pixels = chart.width * chart.height
        return (pixels * (_PIXEL_WEIGHTS[smooth] + math.sqrt(marks) * _AREA_WEIGHTS[shape][smooth])
                + marks * _MARK_WEIGHTS[shape][smooth])

    def _single_set(self, chart, fields, series):
        if "items" in fields or series:
            raise BadRequest("%s takes labels and values, not items and series" % chart.method)
        if not fields.get("values"):
            raise BadRequest("values missing")
        chart.values = self._numbers("values", fields["values"])
        chart.labels = ("",) * len(chart.values)
        if "labels" in fields:
            chart.labels = self._names("labels", fields["labels"])
            if len(chart.labels) != len(chart.values):
                raise BadRequest("%d labels for %d values" % (len(chart.labels), len(chart.values)))
        chart.items, chart.series = (), ()

    def _series_table(self, chart, fields, series):
        if "labels" in fields or "values" in fields:
            raise BadRequest("%s takes items and series, not labels and values" % chart.method)
        if not fields.get("items"):
            raise BadRequest("items missing")
        if not series:
            raise BadRequest("series missing")
        if len(series) > self.max_series:
            raise BadRequest("more than %d series" % self.max_series)
        chart.items = self._names("items", fields["items"])
        table = []
        for entry in series:
            if isinstance(entry, str):  # the query's Name:1,2,3
                title, colon, values = entry.rpartition(":")
                if not colon:
                    raise BadRequest("series must be Name:1,2,3")
            else:
                title, values = entry
            title = self._text("series name", title)
            numbers = self._numbers("series %s" % _quoted(title), values)
            if len(numbers) != len(chart.items):
                raise BadRequest("series %s has %d values for %d items"
                                 % (_quoted(title), len(numbers), len(chart.items)))
            table.append((title, numbers))
        chart.series = tuple(table)
        chart.labels, chart.values = (), ()

    def _text(self, name, value):
        if len(value) > self.max_text:
            raise BadRequest("%s longer than %d characters" % (name, self.max_text))
        if _CONTROL.search(value):
            raise BadRequest("%s holds a control character" % name)
        return value

    def _names(self, name, value):
        names = tuple(self._text(name, n) for n in _split(value))
        if len(names) > self.max_values:
            raise BadRequest("more than %d %s" % (self.max_values, name))
        return names

    def _numbers(self, name, value):
        parts = _split(value)
        if len(parts) > self.max_values:
            raise BadRequest("more than %d values in %s" % (self.max_values, name))
        numbers = []
        for part in parts:
            number = float(part) if len(part) <= 40 and _NUMBER.match(part) else math.nan
            if not abs(number) <= _FLOAT32_MAX:  # also false for NaN
                raise BadRequest("%s: %s is not a number the chart can hold"
                                 % (name, _quoted(part)))
            numbers.append(number)
        return tuple(numbers)

    def _size(self, fields, name, default):
        if name not in fields:
            return default
        text = fields[name]
        size = int(text) if _COUNT.match(text) else -1
        if not self.min_size <= size <= self.max_size:
            raise BadRequest("%s must be from %d to %d" % (name, self.min_size, self.max_size))
        return size

    # The validator.

    def etag(self, chart):
        """A strong entity tag: the hash of the normalised parameters and the
        library version (after _set_output normalised the format)."""
        quality = chart.quality if chart.format == "jpeg" else None
        content = repr((
            __version__, chart.method, chart.title, chart.xlabel, chart.ylabel, chart.labels,
            chart.values, chart.items, chart.series, chart.width, chart.height, chart.format,
            chart.style, quality, chart.grid, chart.horizontal, chart.colors, chart.theme,
            chart.showvalues, chart.min, chart.max, chart.valueformat, chart.legend,
            chart.transparent,
        ))
        return '"%s"' % hashlib.sha256(content.encode("utf-8", "surrogatepass")).hexdigest()[:32]


def _split(value):
    """A list field: the query's comma list, or the JSON body's array as it is."""
    return value.split(",") if isinstance(value, str) else value


def _no_constant(name):
    raise ValueError("%s is not a number JSON allows" % name)


def _unique(pairs, what):
    """A JSON object's pairs; a key given twice is refused, named by ``what``."""
    seen = set()
    for key, _ in pairs:
        if key in seen:
            raise BadRequest("%s given twice" % (what % _quoted(key)))
        seen.add(key)
    return pairs


def _json_typed(name, value, kind, said):
    # bool is an int to Python, not to JSON.
    if not isinstance(value, kind) or (kind is int and isinstance(value, bool)):
        raise BadRequest("%s must be %s" % (name, said))
    return value


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _number_text(value):
    """A JSON number as the query spells it: the same checks follow, the same float results."""
    return repr(value) if isinstance(value, float) else str(value)


def _json_number(name, value):
    if not _is_number(value):
        raise BadRequest("%s must be a number" % name)
    return _number_text(value)


def _json_numbers(name, value):
    if not isinstance(value, list) or not all(map(_is_number, value)):
        raise BadRequest("%s must be an array of numbers" % name)
    return [_number_text(v) for v in value]


def _json_series(value):
    """[(name, [number text, ...])] from an object of name to values or a list of {name, values}."""
    if isinstance(value, _Pairs):
        return [(name, _json_numbers("series %s" % _quoted(name), values))
                for name, values in _unique(value, "series %s")]
    if not isinstance(value, list):
        raise BadRequest(_SERIES_SHAPE)
    series = []
    for entry in value:
        if not isinstance(entry, _Pairs):
            raise BadRequest(_SERIES_SHAPE)
        entry = dict(_unique(entry, "series entry's %s"))
        if entry.keys() != {"name", "values"} or not isinstance(entry["name"], str):
            raise BadRequest(_SERIES_SHAPE)
        series.append((entry["name"],
                       _json_numbers("series %s" % _quoted(entry["name"]), entry["values"])))
    return series


def _flag(fields, name):
    text = fields.get(name, "0").lower()
    if text not in _FLAGS:
        raise BadRequest("%s must be 1 or 0" % name)
    return _FLAGS[text]


def _format_name(name):
    """The name GraphGenerator gives an image format; ValueError when it has none."""
    g = GraphGenerator()
    try:
        g.OutputFormat = name
        known = bool(name)  # the empty name takes the format from a file's name
    except AutomationError:
        known = False
    if not known:
        raise ValueError("not an image format: %r" % (name,))
    return g.OutputFormat


def _set_output(g, chart, formats):
    """Memory output in the asked format, one of ``formats``, and style; the
    format as the object names it (an alias such as jpg becomes jpeg) goes
    back into ``chart``."""
    g.OutputTarget = "memory"
    try:
        g.OutputFormat = chart.format
    except AutomationError as error:
        if error.hresult != E_INVALIDARG:
            raise
        raise BadRequest("format %s unknown: %s" % (_quoted(chart.format), g.LastError)) from None
    if g.OutputFormat not in formats:
        raise BadRequest("format %s is not offered" % _quoted(chart.format))
    chart.format = g.OutputFormat
    if chart.style != _DEFAULT_STYLE:
        try:
            g.RenderStyle = chart.style
        except UnknownNameError:
            raise BadRequest("style %s is not offered" % _quoted(chart.style)) from None
        except AutomationError as error:
            if error.hresult != E_INVALIDARG:
                raise
            raise BadRequest("style %s unknown: %s" % (_quoted(chart.style), g.LastError)) from None
    if chart.quality is not None:
        g.JpegQuality = chart.quality
    # The chart options the object checks itself; the object's words for a refusal.
    options = (("Theme", "theme", chart.theme), ("LegendPosition", "legend", chart.legend),
               ("ValueFormat", "valueformat", chart.valueformat),
               ("ValueAxisMin", "min", chart.min), ("ValueAxisMax", "max", chart.max),
               ("ShowValues", "showvalues", chart.showvalues),
               ("TransparentBackground", "transparent", chart.transparent))
    for member, field, value in options:
        try:
            setattr(g, member, value)
        except AutomationError as error:
            if error.hresult != E_INVALIDARG:
                raise
            raise BadRequest("%s %s refused: %s" % (field, _quoted(str(value)), g.LastError)) \
                from None


def _fill(g, chart):
    g.ChartTitle = chart.title
    g.XAxisLabel = chart.xlabel
    g.YAxisLabel = chart.ylabel
    g.GraphWidth = chart.width
    g.GraphHeight = chart.height
    if chart.grid:
        g.HasGridLines(1)
    if chart.horizontal:
        g.SetHorizontalGraph()
    for color in chart.colors:
        g.AddColor(color)
    for label, value in zip(chart.labels, chart.values):
        g.AddData(label, value)
    for item in chart.items:
        g.AddItemToSeries(item)
    for title, values in chart.series:
        g.AddSeries(title)
        for value in values:
            g.AddDataEx(value)


def _matches(header, tag):
    """Whether an If-None-Match header names ``tag`` (weak comparison, as
    RFC 9110 asks for If-None-Match) or is "*"."""
    if not header or len(header) > 8192:
        return False
    for candidate in header.split(","):
        candidate = candidate.strip()
        if candidate == "*" or candidate.removeprefix("W/") == tag:
            return True
    return False


def _text(start_response, status, message, extra=()):
    body = (message + "\n").encode("utf-8", "replace")
    start_response(status, [("Content-Type", "text/plain; charset=utf-8"),
                            ("Content-Length", str(len(body))),
                            ("Cache-Control", "no-store"),
                            ("X-Content-Type-Options", "nosniff"), *extra])
    return [body]
