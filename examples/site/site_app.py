"""The example's web application: every folder under the document root is a
web site whose page draws the site's sales.csv into the site's own folder.

    GET /                  the list of sites
    GET /<site>/           the site's page: draws chart.jpg, shows it or why not
    GET /<site>/chart.jpg  the chart the page drew
    GET /<site>/chart?method=DrawPieGraph&labels=a,b&values=1,2
                           a chart drawn from the query (tessaloom.wsgi.ChartApp)

The application is wrapped in tessaloom.wsgi.RequestContext, so the hosting
access check sees the page's physical path (<root>/<site>) and applies the
settings of the site it belongs to (docs/hosting.md); the chart service's
page is <root>/<site>/chart, in the same site.

For gunicorn, ``site_app:app`` is the application for the document root
named by $TESSALOOM_SITE_ROOT (made on first use):
    gunicorn -w 2 -b 127.0.0.1:8000 --limit-request-line 0 --pythonpath build/python,examples/site \
        -e TESSALOOM_REGISTRY=DIR/registry.reg -e TESSALOOM_SITE_ROOT=DIR/www site_app:app
after ``serve.py --folder DIR --setup-only`` wrote DIR (--limit-request-line 0 lets the chart
service's 16 KiB queries past gunicorn's 4094-byte default; see the README).
"""

import csv
import html
import os
import re

import tessaloom
from tessaloom.wsgi import ChartApp, RequestContext

CHART = "chart.jpg"
SERVICE = "chart"
DATA = "sales.csv"
WIDTH, HEIGHT = 480, 300
_SITE_NAME = re.compile(r"[A-Za-z0-9_-]+\Z")


def make_app(document_root):
    """The WSGI application serving the sites under ``document_root``."""
    root = os.path.abspath(document_root)
    charts = ChartApp(document_root=root)

    def sites(environ, start_response):
        return _respond(root, charts, environ, start_response)

    return RequestContext(sites, document_root=root)


def __getattr__(name):
    # A module attribute for servers that import "module:app"; made when
    # asked for, so that importing the module needs no environment.
    if name != "app":
        raise AttributeError(name)
    root = os.environ.get("TESSALOOM_SITE_ROOT")
    if not root:
        raise RuntimeError("set TESSALOOM_SITE_ROOT to the document root (serve.py --setup-only)")
    return make_app(root)


def draw_chart(folder, title):
    """Draws the folder's sales.csv into folder/chart.jpg; returns ErrorReason
    ("" when the chart was drawn)."""
    g = tessaloom.GraphGenerator()
    g.FilePath = folder
    g.FileName = CHART
    g.ChartTitle = title
    g.XAxisLabel = "Month"
    g.YAxisLabel = "Units"
    g.GraphWidth = WIDTH
    g.GraphHeight = HEIGHT
    g.HasGridLines(1)
    with open(os.path.join(folder, DATA), newline="", encoding="utf-8") as rows:
        for label, value in csv.reader(rows):
            g.AddData(label, float(value))
    g.DrawBarGraph()
    return g.ErrorReason


def _site_names(root):
    return sorted(
        name
        for name in os.listdir(root)
        if _SITE_NAME.match(name) and os.path.isdir(os.path.join(root, name))
    )


def _respond(root, charts, environ, start_response):
    if environ.get("REQUEST_METHOD", "GET") not in ("GET", "HEAD"):
        return _send(start_response, "405 Method Not Allowed", "text/plain", b"GET only\n")
    script = environ.get("SCRIPT_NAME", "")
    parts = environ.get("PATH_INFO", "").split("/")
    if parts in (["", ""], [""]):
        links = "".join(
            '<li><a href="%s/%s/">%s</a></li>' % (html.escape(script), name, name)
            for name in _site_names(root)
        )
        return _page(start_response, "Sites", "<ul>%s</ul>" % links)
    if len(parts) != 3 or parts[0] or not _SITE_NAME.match(parts[1]):
        return _not_found(start_response)
    site, leaf = parts[1], parts[2]
    folder = os.path.join(root, site)
    if not os.path.isfile(os.path.join(folder, DATA)):
        return _not_found(start_response)
    if leaf == "":
        reason = draw_chart(folder, "Sales of " + site)
        if reason:
            body = '<p class="refused">%s</p>' % html.escape(reason)
        else:
            stamp = os.stat(os.path.join(folder, CHART)).st_mtime_ns
            body = '<img src="%s/%s/%s?v=%d" width="%d" height="%d" alt="Sales of %s">' % (
                html.escape(script), site, CHART, stamp, WIDTH, HEIGHT, site)
        return _page(start_response, "Sales of " + site, body)
    if leaf == SERVICE:
        return charts(environ, start_response)
    if leaf == CHART:
        try:
            with open(os.path.join(folder, CHART), "rb") as image:
                data = image.read()
        except FileNotFoundError:
            return _not_found(start_response)
        return _send(start_response, "200 OK", "image/jpeg", data)
    return _not_found(start_response)


def _page(start_response, title, body):
    text = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>" \
           "<body><h1>%s</h1>%s</body></html>\n" % (html.escape(title), html.escape(title), body)
    return _send(start_response, "200 OK", "text/html; charset=utf-8", text.encode("utf-8"))


def _not_found(start_response):
    return _send(start_response, "404 Not Found", "text/plain", b"not found\n")


def _send(start_response, status, content_type, data):
    start_response(status, [("Content-Type", content_type),
                            ("Content-Length", str(len(data))),
                            ("Cache-Control", "no-store")])
    return [data]
