"""The physical path of the page a WSGI request asks for, as the hosting
access check needs it (see tessaloom.wsgi)."""

import os

from . import _native


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
