"""The page being served, as the component's hosting access check sees it.

A web host tells the component which page it is serving by making the page's
physical path (CGI's PATH_TRANSLATED) the current request of the code that
serves it:

    with tessaloom.request("/srv/www/shop/report.py"):
        g.DrawBarGraph()    # checked against the site whose folder holds the page

Requests belong to the context that set them (a contextvars context: a
thread, an asyncio task, a greenlet) and nest; leaving a block brings back the
one that was in force before it. Every call into the component carries the
page of its caller's context, so pages that take turns on one thread each draw
with their own site's grant. Where no host has set one, the process
environment serves (a CGI script needs nothing): SCRIPT_FILENAME, else
PATH_TRANSLATED. Page paths are normalised ("." and ".." resolved, repeated
separators dropped) before the component looks up their site.
"""

import os

from . import _native

# The blocks in force in this context: a tuple of (page bytes or None, owner),
# innermost last, which the native calls read. Python's blocks can end out of
# order (a generator suspended inside one is resumed after its caller's block
# ended), so a block leaves by taking its own entry out, not by restoring what
# was there when it began.
_blocks = _native.request_variable


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
    """The page path the component takes here: the innermost request() in
    force in this context, else the environment's SCRIPT_FILENAME or
    PATH_TRANSLATED; None with neither."""
    raw = _native.current_path_translated()
    return None if raw is None else os.fsdecode(raw)


class request:
    """Context manager: the page at ``path_translated`` (str, bytes or
    path-like) is the current request inside the block, for the calling
    thread, asyncio task or greenlet (its contextvars context) alone.

    ``None``, or a path that no file can have (a NUL byte, a lone surrogate),
    makes a request whose page is unknown: the component refuses to draw in
    it as it does outside any page, and the environment does not serve
    either. ``path_translated`` is then None.

    The block must end in the context that entered it. One object may be
    entered again, also while it is in force. Code run in a copy of the
    context (a task the block starts, asyncio.to_thread) has the request too.
    """

    __slots__ = ("path_translated", "_raw")

    def __init__(self, path_translated):
        self._raw = _path_bytes(path_translated)
        self.path_translated = None if self._raw is None else os.fsdecode(self._raw)

    def __enter__(self):
        _blocks.set(_blocks.get(()) + ((self._raw, self),))
        return self

    def __exit__(self, *exc_info):
        blocks = _blocks.get(())
        index = next((i for i in reversed(range(len(blocks))) if blocks[i][1] is self), None)
        if index is None:
            raise RuntimeError("tessaloom.request left in a context that did not enter it")
        _blocks.set(blocks[:index] + blocks[index + 1 :])
        return False

    def __repr__(self):
        return "tessaloom.request(%r)" % self.path_translated
