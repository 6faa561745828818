"""WSGI hosting: middleware that tells the component which page each request
serves, and a chart service.

    from tessaloom.wsgi import ChartApp, RequestContext
    application = RequestContext(application)
    charts = ChartApp(document_root="/srv/www")   # GET ...?method=DrawBarGraph&values=1,2

Every piece of the application's work for a request (the call, each step
through the response iterable, and its close()) runs with the page's physical
path as its current request (see tessaloom.request), so the hosting
access check finds the web site the page belongs to. The page is the script
the server names in SCRIPT_FILENAME; else the document root joined with
SCRIPT_NAME and PATH_INFO, each resolved on its own so that the URL cannot
climb out of the root nor PATH_INFO out of SCRIPT_NAME; else PATH_TRANSLATED.
A request whose page cannot be told runs with no page, so the component
refuses to draw in it. ChartApp draws inside the same request on its own.
"""

import os

from ._chart_app import BadRequest, ChartApp
from ._page_path import path_translated
from ._request import request

__all__ = ["RequestContext", "ChartApp", "BadRequest", "path_translated"]


class RequestContext:
    """WSGI middleware: runs ``app`` with each request's page as the current
    request of the thread or greenlet that does the work.

    ``document_root`` (keyword) is where URL paths lead for servers that set
    no DOCUMENT_ROOT, such as wsgiref's simple server; a relative folder is
    taken from the current directory when the middleware is made. A request
    whose page cannot be told runs with no page in force: the component
    refuses to draw there, and the process environment does not stand in.
    """

    def __init__(self, app, *, document_root=None):
        self.app = app
        self.document_root = None if document_root is None else os.path.abspath(document_root)

    def __call__(self, environ, start_response):
        path = path_translated(environ, self.document_root)
        with request(path):
            result = self.app(environ, start_response)
        return _ScopedResponse(result, path)


class _ScopedResponse:
    """The application's response iterable, each step run inside the request.

    The scope covers the application's own code only: the server's work
    between two steps (and a step taken on another thread) runs outside it.
    """

    __slots__ = ("_result", "_path", "_iterator")

    def __init__(self, result, path):
        self._result = result
        self._path = path
        self._iterator = None

    def __iter__(self):
        return self

    def __next__(self):
        with request(self._path):
            if self._iterator is None:
                self._iterator = iter(self._result)
            return next(self._iterator)

    def close(self):
        close = getattr(self._result, "close", None)
        if close is not None:
            with request(self._path):
                close()
