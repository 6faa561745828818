"""WSGI middleware that tells the component which page each request serves.

    from tessaloom.wsgi import RequestContext
    application = RequestContext(application)

Every piece of the application's work for a request (the call, each step
through the response iterable, and its close()) runs with the page's physical
path as the thread's current request (see tessaloom.request), so the hosting
access check finds the web site the page belongs to. The path is the
environ's PATH_TRANSLATED when the server sets one, else DOCUMENT_ROOT joined
with SCRIPT_NAME and PATH_INFO.
"""

import os

from ._request import request

__all__ = ["RequestContext", "path_translated"]


def _file_path_bytes(value):
    """A server-side file path from the environ, as bytes.

    Servers that follow PEP 3333 hand over bytes decoded as Latin-1; CGI
    gateways (wsgiref's CGIHandler) pass the process environment through,
    decoded with the file-system encoding. Latin-1 bytes that are not UTF-8
    text (or text that Latin-1 cannot hold) are taken to be the latter.
    """
    try:
        raw = value.encode("latin-1")
        raw.decode("utf-8")
        return raw
    except UnicodeError:
        return os.fsencode(value)


def _url_path_bytes(value):
    # URL paths are Latin-1 decoded bytes in every server we know of.
    try:
        return value.encode("latin-1")
    except UnicodeEncodeError:
        return value.encode("utf-8", "surrogateescape")


def _url_segments(url_path):
    """The segments of a URL path with ".", ".." and empty ones resolved, so
    that the path cannot climb out of the document root (as a web server
    resolves it before mapping a URL to a file)."""
    segments = []
    for segment in url_path.split(b"/"):
        if segment in (b"", b"."):
            continue
        if segment == b"..":
            if segments:
                segments.pop()
            continue
        segments.append(segment)
    return segments


def path_translated(environ, document_root=None):
    """The physical path of the page ``environ`` asks for, as bytes, or None.

    PATH_TRANSLATED when the environ holds a non-empty one; else the document
    root (the environ's DOCUMENT_ROOT, or ``document_root`` when it has none)
    joined with SCRIPT_NAME and PATH_INFO; None with neither, or when the
    path holds a NUL byte.
    """
    translated = environ.get("PATH_TRANSLATED")
    if translated:
        path = _file_path_bytes(translated)
    else:
        root = environ.get("DOCUMENT_ROOT")
        if root:
            root = _file_path_bytes(root)
        elif document_root:
            root = os.fsencode(document_root)
        else:
            return None
        url_path = _url_path_bytes(environ.get("SCRIPT_NAME", "")) + b"/"
        url_path += _url_path_bytes(environ.get("PATH_INFO", ""))
        segments = _url_segments(url_path)
        path = root.rstrip(b"/") + b"".join(b"/" + s for s in segments) or b"/"
    if b"\0" in path:  # no file has such a name (a URL with %00)
        return None
    return path


class RequestContext:
    """WSGI middleware: runs ``app`` with each request's page as the current
    request of the thread that does the work.

    ``document_root`` (keyword) is where URL paths lead for servers that set
    no DOCUMENT_ROOT, such as wsgiref's simple server; a relative folder is
    taken from the current directory when the middleware is made. A request
    with no path to go on runs as it is.
    """

    def __init__(self, app, *, document_root=None):
        self.app = app
        self.document_root = None if document_root is None else os.path.abspath(document_root)

    def __call__(self, environ, start_response):
        path = path_translated(environ, self.document_root)
        if path is None:
            return self.app(environ, start_response)
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
