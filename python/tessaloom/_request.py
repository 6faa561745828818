"""The page being served, as the component's hosting access check sees it.

A web host tells the component which page it is serving by making the page's
physical path (CGI's PATH_TRANSLATED) the calling thread's current request:

    with tessaloom.request("/srv/www/shop/report.py"):
        g.DrawBarGraph()    # checked against the site whose folder holds the page

Requests belong to the thread that set them and nest; leaving a block brings
back the one that was in force before it. Where no host has set one, the
process environment serves (a CGI script needs nothing): SCRIPT_FILENAME, else
PATH_TRANSLATED. Page paths are normalised ("." and ".." resolved, repeated
separators dropped) before the component looks up their site.
"""

import os
import threading

from . import _native

# Per thread: [owner, path bytes, native scope] for every block in force,
# innermost last. Python's blocks can end out of order (a generator suspended
# inside one is resumed after its caller's block ended), so the list, not the
# native scopes' own nesting, is the truth.
_threads = threading.local()


def _stack():
    stack = getattr(_threads, "stack", None)
    if stack is None:
        stack = _threads.stack = []
    return stack


def _path_bytes(path):
    """The path as bytes; None for None, or a path no file can have (a NUL
    byte, a lone surrogate that no encoding can write)."""
    if path is None:
        return None
    try:
        raw = os.fsencode(path)  # str (surrogates escaping raw bytes), bytes or path-like
    except UnicodeEncodeError:
        return None
    return None if b"\0" in raw else raw


def current_path_translated():
    """The page path the component takes on this thread: the innermost
    request() in force, else the environment's PATH_TRANSLATED; None with
    neither."""
    raw = _native.current_path_translated()
    return None if raw is None else os.fsdecode(raw)


class request:
    """Context manager: the page at ``path_translated`` (str, bytes or
    path-like) is the calling thread's current request inside the block.

    ``None``, or a path that no file can have (a NUL byte, a lone surrogate),
    makes a request whose page is unknown: the component refuses to draw in
    it as it does outside any page, and the environment does not serve
    either. ``path_translated`` is then None.

    The block must end on the thread that entered it. One object may be
    entered again, also while it is in force.
    """

    __slots__ = ("path_translated", "_raw")

    def __init__(self, path_translated):
        self._raw = _path_bytes(path_translated)
        self.path_translated = None if self._raw is None else os.fsdecode(self._raw)

    def __enter__(self):
        _stack().append([self, self._raw, _native.RequestScope(self._raw)])
        return self

    def __exit__(self, *exc_info):
        stack = _stack()
        index = next((i for i in reversed(range(len(stack))) if stack[i][0] is self), None)
        if index is None:
            raise RuntimeError("tessaloom.request left on a thread that did not enter it")
        above = stack[index + 1 :]
        # Native scopes restore what was current when they began, so the
        # blocks entered later are ended first and entered again afterwards.
        for entry in reversed(above):
            entry[2].leave()
        stack[index][2].leave()
        del stack[index:]
        for entry in above:
            entry[2] = _native.RequestScope(entry[1])
            stack.append(entry)
        return False

    def __repr__(self):
        return "tessaloom.request(%r)" % self.path_translated
