"""The page a thread serves as the component sees it: request blocks, and each WSGI request's."""

import asyncio
import concurrent.futures
import os
import pathlib
import threading
import wsgiref.validate

import pytest

import tessaloom
from conftest import PROGID, wsgi_environ
from tessaloom import current_path_translated, request
from tessaloom.wsgi import RequestContext, path_translated

pytestmark = pytest.mark.usefixtures("no_cgi_request")
W = "/srv/www"
COMPONENT_REFUSED = "Please contact your hosting administrator"


def run_in_thread(work):  # on a new thread that ends before this returns
    with concurrent.futures.ThreadPoolExecutor(1) as pool:
        future = pool.submit(work)
    return future.result()


def test_blocks_set_the_request_and_restore_the_outer_one_even_on_exceptions():
    assert current_path_translated() is None
    with request("/srv/outer") as r:
        assert r.path_translated == current_path_translated() == "/srv/outer"
        with pytest.raises(KeyError):
            with request("/srv/inner"):
                with r:  # one object may be entered again, also while in force
                    assert current_path_translated() == "/srv/outer"
                assert current_path_translated() == "/srv/inner"
                raise KeyError("failed page")
        assert current_path_translated() == "/srv/outer"
    assert current_path_translated() is None


def test_a_request_belongs_to_the_thread_that_set_it_and_only_that_thread_leaves_it():
    with pytest.raises(RuntimeError):  # nor one that never entered it
        request("/srv/page").__exit__(None, None, None)
    with request("/srv/main-thread") as r:
        assert run_in_thread(current_path_translated) is None
        run_in_thread(lambda: request("/srv/abandoned").__enter__())  # ends inside its block
        with pytest.raises(RuntimeError):
            run_in_thread(lambda: r.__exit__(None, None, None))
        assert current_path_translated() == "/srv/main-thread"
    assert current_path_translated() is None


def test_blocks_ended_out_of_order_keep_the_later_one_in_force():
    first, second = page("/srv/first"), page("/srv/second")
    assert (next(first), next(second)) == ("/srv/first", "/srv/second")
    first.close()
    assert current_path_translated() == "/srv/second"
    second.close()
    assert current_path_translated() is None


@pytest.mark.parametrize("given,expected", [
    ("/srv/caf\u00e9/p", "/srv/caf\u00e9/p"), (b"/srv/caf\xc3\xa9/p", "/srv/caf\u00e9/p"),
    (b"/srv/latin\xe9/p.py", "/srv/latin\udce9/p.py"),  # not UTF-8: kept as bytes
    (pathlib.PurePosixPath("/srv/www/a/./p.py"), "/srv/www/a/p.py"), ("", ""),
    # No file has such a path: no page, and the CGI variables do not stand in.
    ("/srv/a\0b", None), (b"/srv/a\0b", None), ("/srv/\ud800", None), (None, None),
])
def test_paths_reach_the_component_byte_for_byte_or_serve_no_page(given, expected, monkeypatch):
    monkeypatch.setenv("SCRIPT_FILENAME", "/srv/cgi/p.py")
    with request(given):
        assert current_path_translated() == expected
    with pytest.raises(TypeError):
        request(["/srv"])


@pytest.mark.parametrize("environ,document_root,expected", [
    # The script the server names wins.
    ({"SCRIPT_FILENAME": "/srv/s/./p.py", "PATH_TRANSLATED": "/srv/t/p.py", "DOCUMENT_ROOT": W,
      "PATH_INFO": "/x"}, "/srv/arg", b"/srv/s/p.py"),
    # Else the document root, SCRIPT_NAME and PATH_INFO, one "/" apart.
    ({"DOCUMENT_ROOT": W + "/", "PATH_INFO": "/a/p.py", "SCRIPT_FILENAME": ""}, None,
     b"/srv/www/a/p.py"),
    ({"DOCUMENT_ROOT": W, "SCRIPT_NAME": "/app", "PATH_INFO": "/a", "PATH_TRANSLATED": "/t/a"},
     None, b"/srv/www/app/a"),
    # Each URL part is resolved on its own, as the server maps URLs.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a/../../../etc/passwd"}, None, b"/srv/www/etc/passwd"),
    ({"DOCUMENT_ROOT": W, "SCRIPT_NAME": "/app", "PATH_INFO": "/../b"}, None, b"/srv/www/app/b"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "//a/./b//"}, None, b"/srv/www/a/b"),
    # The middleware's own root serves servers that set none.
    ({"DOCUMENT_ROOT": "", "PATH_INFO": "/a"}, b"/srv/arg", b"/srv/arg/a"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a"}, "/srv/arg", b"/srv/www/a"),
    # Last, PATH_TRANSLATED; empty variables count as absent.
    ({"PATH_TRANSLATED": "/srv/t//x/../p.py", "PATH_INFO": "/p.py"}, None, b"/srv/t/p.py"),
    ({"PATH_INFO": "/a", "SCRIPT_NAME": "/app", "PATH_TRANSLATED": ""}, None, None),
    # URL paths are Latin-1 decoded bytes: UTF-8 URLs and raw bytes both.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/caf\u00c3\u00a9"}, None, b"/srv/www/caf\xc3\xa9"),
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/\u00e9"}, None, b"/srv/www/\xe9"),
    # File paths: PEP 3333 Latin-1 bytes, or CGI's file-system decoding.
    ({"DOCUMENT_ROOT": "/srv/caf\u00c3\u00a9", "PATH_INFO": "/p"}, None, b"/srv/caf\xc3\xa9/p"),
    ({"DOCUMENT_ROOT": "/srv/caf\u00e9", "PATH_INFO": "/p"}, None, b"/srv/caf\xc3\xa9/p"),
    ({"PATH_TRANSLATED": "/srv/\udce9/p"}, None, b"/srv/\xe9/p"),
    ({"PATH_TRANSLATED": "/srv/\u20ac/p"}, None, b"/srv/\xe2\x82\xac/p"),
    # No file's path holds a NUL or a lone surrogate.
    ({"DOCUMENT_ROOT": W, "PATH_INFO": "/a\x00b"}, None, None),
    ({"DOCUMENT_ROOT": "/srv/\ud800", "PATH_TRANSLATED": "/srv/t/p.py"}, None, None),
])
def test_the_page_path_comes_from_the_environ(environ, document_root, expected):
    assert path_translated(environ, document_root) == expected


def start_response(status, headers, exc_info=None):
    return lambda data: None


class Recorder:
    """An application whose response records the current request at every step."""

    def __init__(self, chunks=(b"a", b"b")):
        self.chunks, self.events = chunks, []

    def __call__(self, environ, start_response):
        self.events.append(("call", current_path_translated()))
        start_response("200 OK", [("Content-Type", "text/plain")])
        return self

    def __iter__(self):
        self.events.append(("iter", current_path_translated()))
        for chunk in self.chunks:
            self.events.append(("next", current_path_translated()))
            yield chunk

    def close(self):
        self.events.append(("close", current_path_translated()))


def test_the_call_every_step_and_close_run_inside_the_request_and_the_server_outside():
    # The validators check the WSGI protocol on both sides of the middleware.
    app = Recorder()
    validate = wsgiref.validate.validator
    result = validate(RequestContext(validate(app)))(wsgi_environ("/p.py", DOCUMENT_ROOT=W),
                                                     start_response)
    assert current_path_translated() is None
    assert [(chunk, current_path_translated()) for chunk in result] == [(b"a", None), (b"b", None)]
    result.close()
    assert app.events == [(event, "/srv/www/p.py")
                          for event in ["call", "iter", "next", "next", "close"]]
    assert current_path_translated() is None


def test_a_response_read_on_another_thread_or_closed_unread_has_the_request(tmp_path, monkeypatch):
    app = Recorder(chunks=(b"x",))
    result = RequestContext(app, document_root="/srv")(wsgi_environ("/t"), start_response)
    run_in_thread(lambda: (list(result), result.close()))
    assert app.events == [(event, "/srv/t") for event in ["call", "iter", "next", "close"]]
    monkeypatch.chdir(tmp_path)  # a relative root is taken from here, when the middleware is made
    app = Recorder()
    RequestContext(app, document_root="www")(wsgi_environ("/p"), start_response).close()
    assert app.events == [(event, str(tmp_path / "www" / "p")) for event in ["call", "close"]]


def page(path, refusals=None):
    """A page: enters its request, yields while in it (where the server runs another page),
    then draws and notes whether its site was refused."""
    with request(path):
        yield current_path_translated()
        if refusals is None:
            return
        g = tessaloom.CreateObject(PROGID)
        g.OutputTarget = "memory"
        g.AddData("a", 1)
        g.DrawBarGraph()
        refusals[path.split("/")[-2]] = g.ErrorReason.startswith(COMPONENT_REFUSED)


def on_threads(pages):
    barrier = threading.Barrier(len(pages))
    with concurrent.futures.ThreadPoolExecutor(len(pages)) as pool:
        list(pool.map(lambda p: (next(p), barrier.wait(), next(p, None)), pages))


def on_tasks(pages):
    async def serve(p):
        next(p)
        await asyncio.sleep(0)
        next(p, None)

    async def main():
        await asyncio.gather(*map(serve, pages))

    asyncio.run(main())


def on_greenlets(pages):
    gevent = pytest.importorskip("gevent")
    gevent.joinall([gevent.spawn(lambda p=p: (next(p), gevent.sleep(0), next(p, None)))
                    for p in pages], raise_error=True)


@pytest.mark.parametrize("run", [on_threads, on_tasks, on_greenlets])
def test_pages_that_take_turns_on_one_thread_each_draw_with_their_own_site_grant(hosting, run):
    refusals = {}  # "allowed" enters its request while "refused" is in its own
    run([page(os.path.join(hosting.document_root, site, "p.py"), refusals)
         for site in ("refused", "allowed")])
    assert refusals == {"refused": True, "allowed": False}
    assert current_path_translated() is None
