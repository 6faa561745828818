"""The chart service on a port: ``python3 -m tessaloom.serve [--port N] [--workers N]
[--bind ADDR] [--document-root DIR]`` (``tessaloom serve`` runs this).

ChartApp runs under gunicorn when it is installed (Debian: python3-gunicorn),
with one worker process per core unless told otherwise; else under the
standard library's server, one thread per request, which is for development
only and says so on standard error. Either way the first line on standard
output says where it listens, and SIGTERM or SIGINT stops it cleanly.

The request line is bounded at gunicorn's largest limit, 8190 bytes, and the
query at 8000 characters, so no request line is read unbounded; larger charts
are asked for with POST.
"""

import argparse
import contextlib
import os
import signal
import socket
import socketserver
import struct
import sys
import wsgiref.simple_server

from ._chart_app import ChartApp

# gunicorn reads request lines of at most this many bytes (its largest
# bounded limit); the query keeps room for the method, path and version.
_REQUEST_LINE = 8190
_MAX_QUERY = 8000
_MAX_WORKERS = 64
# Seconds a stopping worker has to finish its requests (the heaviest chart
# admitted takes under a second), after which it is killed: a worker still
# booting when the service is told to stop misses the word and waits for it.
_GRACEFUL_TIMEOUT = 10


def _arguments(argv):
    parser = argparse.ArgumentParser(
        prog="tessaloom serve", description="Serves charts over HTTP: GET /chart?... and POST "
        "/chart with a JSON body (README, Chart service).")
    parser.add_argument("--port", type=int, default=8000, help="TCP port, 0 for any free one")
    parser.add_argument("--bind", default="127.0.0.1", metavar="ADDR",
                        help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="gunicorn worker processes (default: one per core)")
    parser.add_argument("--document-root", metavar="DIR",
                        help="where URL paths lead, for the hosting restrictions")
    args = parser.parse_args(argv)
    if not 0 <= args.port <= 65535:
        parser.error("--port must be from 0 to 65535")
    if not 1 <= args.workers <= _MAX_WORKERS:
        parser.error("--workers must be from 1 to %d" % _MAX_WORKERS)
    if not args.bind or any(c.isspace() or c in "[]/" for c in args.bind):
        parser.error("--bind takes a host name or an IP address")
    return args


def _url(address):
    host, port = address[:2]
    return "http://%s:%d/chart" % ("[%s]" % host if ":" in host else host, port)


def _announce(address, how):
    print("tessaloom serve: charts at %s (%s)" % (_url(address), how), flush=True)


# SO_LINGER with a zero timeout: closing resets the connection and drops what
# is still queued; the default closes it gracefully, delivering the queue.
_RESET_ON_CLOSE = struct.pack("ii", 1, 0)
_CLOSE_GRACEFULLY = struct.pack("ii", 0, 0)


class _Settled:
    """The body of a held response: once the server has queued all of it,
    closing it lets the response go (see _whole_or_nothing)."""

    def __init__(self, body, sock):
        self._body, self._sock = body, sock

    def __iter__(self):
        return iter(self._body)

    def close(self):
        try:
            if hasattr(self._body, "close"):
                self._body.close()
        finally:
            _let_go(self._sock)


def _let_go(sock):
    # Graceful first: a worker killed between the two calls still delivers
    # the whole response, which is queued by now.
    with contextlib.suppress(OSError):
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, _CLOSE_GRACEFULLY)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_CORK, 0)


def _whole_or_nothing(app):
    """ChartApp under gunicorn, whose worker writes a response's headers and
    its body in two calls: a worker killed between them (a crash, the OOM
    killer, SIGKILL) would leave the balancer half a response it can neither
    pass on whole nor retry. Here the response is held in the kernel (TCP_CORK)
    and a death before it is all queued resets the connection with nothing
    sent, which nginx retries on the next backend. A chart that fits one TCP
    segment goes whole or not at all: up to 64 KiB over loopback, as with nginx
    on the service's machine (packaging/nginx); of a larger one, the full
    segments leave as they are written."""

    def held(environ, start_response):
        sock = environ.get("gunicorn.socket")
        try:
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_CORK, 1)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, _RESET_ON_CLOSE)
        except (AttributeError, OSError):  # not TCP (a Unix socket): sent as it comes
            return app(environ, start_response)
        try:
            return _Settled(app(environ, start_response), sock)
        except BaseException:
            _let_go(sock)
            raise

    return held


def _serve_gunicorn(app, args):
    import gunicorn.app.base

    class Service(gunicorn.app.base.BaseApplication):
        def load_config(self):
            host = "[%s]" % args.bind if ":" in args.bind else args.bind
            for name, value in (("bind", "%s:%d" % (host, args.port)),
                                ("workers", args.workers), ("proc_name", "tessaloom"),
                                ("limit_request_line", _REQUEST_LINE),
                                ("graceful_timeout", _GRACEFUL_TIMEOUT),
                                ("when_ready", self.ready)):
                self.cfg.set(name, value)

        def ready(self, server):
            for listener in server.LISTENERS:
                _announce(listener.sock.getsockname(),
                          "gunicorn, %d worker%s" % (args.workers, "s"[:args.workers > 1]))

        def load(self):
            return _whole_or_nothing(app)

    Service().run()
    return 0


class _ThreadingServer(socketserver.ThreadingMixIn, wsgiref.simple_server.WSGIServer):
    daemon_threads = True


class _ThreadingServer6(_ThreadingServer):
    address_family = socket.AF_INET6


def _stop(signum, frame):
    raise SystemExit(0)


def _serve_wsgiref(app, args):
    print("tessaloom serve: warning: gunicorn is not installed; the standard library's server "
          "is for development only (Debian: apt install python3-gunicorn)", file=sys.stderr,
          flush=True)
    kind = _ThreadingServer6 if ":" in args.bind else _ThreadingServer
    try:
        server = wsgiref.simple_server.make_server(args.bind, args.port, app, server_class=kind)
    except OSError as error:
        print("tessaloom serve: cannot listen on %s port %d: %s"
              % (args.bind, args.port, error.strerror or error), file=sys.stderr)
        return 1
    signal.signal(signal.SIGTERM, _stop)
    signal.signal(signal.SIGINT, _stop)
    _announce(server.server_address, "standard library server, for development")
    try:
        server.serve_forever()
    finally:
        server.server_close()
    return 0


def main(argv=None):
    args = _arguments(argv)
    app = ChartApp(document_root=args.document_root, max_query=_MAX_QUERY)
    try:
        import gunicorn.app.base  # noqa: F401
    except ImportError:
        return _serve_wsgiref(app, args)
    return _serve_gunicorn(app, args)


if __name__ == "__main__":
    sys.exit(main())
