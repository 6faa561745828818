"""tessaloom.request: the page a thread is serving, as the component sees it."""

import concurrent.futures
import pathlib

import pytest

from tessaloom import current_path_translated, request


pytestmark = pytest.mark.usefixtures("no_cgi_request")


def run_in_thread(work):
    """Runs work() on a new thread that ends before this returns its result or raises."""
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

        def other_thread():
            with request("/srv/other-thread"):
                return current_path_translated()

        assert run_in_thread(other_thread) == "/srv/other-thread"
        run_in_thread(lambda: request("/srv/abandoned").__enter__())  # ends inside its block
        with pytest.raises(RuntimeError):
            run_in_thread(lambda: r.__exit__(None, None, None))
        assert current_path_translated() == "/srv/main-thread"
    assert current_path_translated() is None


def test_blocks_ended_out_of_order_keep_the_later_one_in_force():
    def page(path):  # suspended inside its block until closed
        with request(path):
            yield current_path_translated()

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
