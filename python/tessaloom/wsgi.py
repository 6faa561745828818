"""WSGI middleware that tells the component which page each request serves.

    from tessaloom.wsgi import RequestContext
    application = RequestContext(application)

Every piece of the application's work for a request (the call, each step
through the response iterable, and its close()) runs with the page's physical
path as the thread's current request (see tessaloom.request), so the hosting
access check finds the web site the page belongs to. The page is the script
the server names in SCRIPT_FILENAME; else the document root joined with
SCRIPT_NAME and PATH_INFO, each resolved on its own so that the URL cannot
climb out of the root nor PATH_INFO out of SCRIPT_NAME; else PATH_TRANSLATED.
A request whose page cannot be told runs with no page, so the component
refuses to draw in it.
"""

import os

from . import _native
from ._request import request

__all__ = ["RequestContext", "path_translated"]


def _file_path_bytes(value):
    """A server-side file path from the environ, as bytes; None when no
    encoding can write it (a lone surrogate).

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
        pass
    try:
        return os.fsencode(value)
    except UnicodeEncodeError:
        return None


def _url_segments(value):
    """The segments of a URL path with ".", ".." and empty ones resolved
    within the path itself, as a web server resolves a URL before mapping it
    to a file; None when no encoding can write it. URL paths are Latin-1
    decoded bytes in every server we know of."""
    try:
        raw = value.encode("latin-1")
    except UnicodeEncodeError:
        try:
            raw = value.encode("utf-8", "surrogateescape")
        except UnicodeEncodeError:
            return None
    segments = []
    for segment in raw.split(b"/"):
        if segment in (b"", b"."):
            continue
        if segment == b"..":
            if segments:
                segments.pop()
            continue
        segments.append(segment)
    return segments


def _page(environ, document_root):
    script = environ.get("SCRIPT_FILENAME")
    if script:
        return _file_path_bytes(script)
    root = environ.get("DOCUMENT_ROOT")
    if root:
        root = _file_path_bytes(root)
        if root is None:
            return None
    else:
        root = document_root
    if root:
        # Each part on its own: a PATH_INFO of "/../../other" stays inside
        # the application that SCRIPT_NAME names.
        script_name = _url_segments(environ.get("SCRIPT_NAME", ""))
        path_info = _url_segments(environ.get("PATH_INFO", ""))
        if script_name is None or path_info is None:
            return None
        return root + b"".join(b"/" + s for s in script_name + path_info)
    translated = environ.get("PATH_TRANSLATED")
    return _file_path_bytes(translated) if translated else None


def path_translated(environ, document_root=None):
    """The physical path of the page ``environ`` asks for, normalised, as
    bytes; None when it cannot be told.

    SCRIPT_FILENAME when the environ holds a non-empty one (the script the
    server runs); else the document root (the environ's DOCUMENT_ROOT, or
    ``document_root`` when it has none) joined with SCRIPT_NAME and
    PATH_INFO; else PATH_TRANSLATED, which under CGI is the translation of the
    client's PATH_INFO and so comes last. None with none of them, when the
    path holds a NUL byte or a lone surrogate, or when a value is no text.
    """
    if document_root is not None:
        document_root = os.fsencode(document_root)
    try:
        path = _page(environ, document_root)
    except (AttributeError, TypeError):  # a value that is no text breaks the protocol
        return None
    if path is None or b"\0" in path:  # no file has such a name (a URL with %00)
        return None
    return _native.normalize_page_path(path)


class RequestContext:
    """WSGI middleware: runs ``app`` with each request's page as the current
    request of the thread that does the work.

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
