"""What one chart-service request costs: time and peak memory of drawing a
request through ChartApp, each in a process of its own, beside the cost
ChartApp's model gives it. These are the numbers the model is calibrated by
(the weights in python/tessaloom/_chart_app.py).

Each child first draws a small chart in the same style and format, so fonts,
the smooth module and the encoders are loaded, but not the request's own
texts (as a client that varies them each time sees it); then it times the
request (wall and CPU time) and reads how far the process's peak resident
memory rose (getrusage ru_maxrss). Each request runs in --runs children: the
least times (the machine may be shared; CPU time is the steadier under load)
and the most memory are shown.

    PYTHONPATH=build/python python3 bench/chart_cost.py [--set shapes|heaviest]
        [--limits default|off] [--runs N] [QUERY ...]

--set shapes (the default) measures a spread of requests with the service's
bounds lifted (--limits off), the issue's worst case among them; --set
heaviest the heaviest request of every Draw method and style that the
default max_cost admits at 2048 x 2048, 1024 x 1024 and the default size.
"""

import argparse
import json
import subprocess
import sys

CHILD = r"""
import json, resource, sys, time, wsgiref.util
from tessaloom.wsgi import ChartApp, BadRequest

query, limits = sys.argv[1], sys.argv[2]
app = ChartApp() if limits == "default" else ChartApp(max_cost=None, max_bytes=None)

def call(q):
    environ = {"REQUEST_METHOD": "GET", "PATH_INFO": "/chart", "QUERY_STRING": q}
    wsgiref.util.setup_testing_defaults(environ)
    status = []
    body = b"".join(app(environ, lambda s, h, e=None: status.append(s)))
    return status[0], body

fields = dict(p.split("=", 1) for p in query.split("&") if not p.startswith("series="))
call("method=DrawBarGraph&values=1,2&format=%s&style=%s"
     % (fields.get("format", "png"), fields.get("style", "classic")))
try:
    cost = app.cost(app.parse(query))
except BadRequest as error:
    cost = str(error)
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
start, cpu = time.perf_counter(), time.process_time()
status, body = call(query)
seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(json.dumps({"status": status, "seconds": seconds, "cpu": cpu,
                  "peak_mb": (after - before) / 1024, "bytes": len(body), "cost": cost,
                  "answer": body[:120].decode("latin-1") if status[:3] != "200" else ""}))
"""

SIZES = {"big": "&width=2048&height=2048", "mid": "&width=1024&height=1024", "default": ""}
SMOOTH = "&style=smooth"


def series(method, count, items, extra=""):
    """A series chart; short names and one-digit values, so 64 series of 100
    items fit in the 16 KiB query."""
    names = ",".join("i%d" % i for i in range(items))
    rows = "".join("&series=S%d:%s" % (s, ",".join(str((s + i) % 9 + 1) for i in range(items)))
                   for s in range(count))
    return "method=%s&items=%s%s%s" % (method, names, rows, extra)


def single(method, count, extra=""):
    """A single-set chart of `count` labelled values."""
    return "method=%s&values=%s&labels=%s%s" % (
        method, ",".join(str(i % 9 + 1) for i in range(count)),
        ",".join("L%d" % i for i in range(count)), extra)


SHAPES = [
    single("DrawBarGraph", 3),
    single("DrawBarGraph", 3, SIZES["big"]),
    single("DrawBarGraph", 3, SIZES["big"] + SMOOTH),
    single("DrawBarGraph", 3, SIZES["big"] + "&format=jpeg&quality=100"),
    single("Draw3DPieGraph", 256, SIZES["big"] + SMOOTH),
    series("DrawBarSeriesGraph", 8, 20),
    series("DrawBarSeriesGraph", 64, 100, SIZES["big"]),
    series("DrawLineSeriesGraph", 64, 100, SIZES["big"] + SMOOTH),
    series("Draw3DBarSeriesGraph", 64, 100, SIZES["big"]),
    series("Draw3DBarSeriesGraph", 64, 100, SIZES["big"] + SMOOTH),  # the worst case
    series("Draw3DBarSeriesGraph", 64, 100, SIZES["big"] + "&format=pdf"),
    series("Draw3DBarSeriesGraph", 64, 100, SIZES["mid"] + SMOOTH),
    series("Draw3DBarSeriesGraph", 64, 100, SMOOTH),
    series("Draw3DLineSeriesGraph", 64, 100, SIZES["big"] + SMOOTH),
    series("Draw3DPieSeriesGraph", 4, 100, SIZES["big"] + SMOOTH),
]


def heaviest():
    """The heaviest request the default bounds admit, for every method, style
    and size: as many series of (up to) 100 items, or values, as fit."""
    from tessaloom._chart_app import SERIES_METHODS, SINGLE_SET_METHODS
    from tessaloom.wsgi import BadRequest, ChartApp
    app = ChartApp()

    def admitted(query):
        try:
            app.parse(query)
            return True
        except BadRequest:
            return False

    found = []
    for size in SIZES.values():
        for style in ("", SMOOTH):
            for method in SERIES_METHODS:
                shapes = [series(method, count, 100, size + style) for count in range(64, 0, -1)]
                shapes += [series(method, 1, items, size + style) for items in range(99, 0, -1)]
                found += [next(q for q in shapes if admitted(q))]
            for method in SINGLE_SET_METHODS:
                found += [next(single(method, n, size + style) for n in range(256, 0, -1)
                               if admitted(single(method, n, size + style)))]
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--set", choices=("shapes", "heaviest"), default="shapes")
    parser.add_argument("--limits", choices=("default", "off"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("queries", nargs="*")
    args = parser.parse_args()
    queries = args.queries or (heaviest() if args.set == "heaviest" else SHAPES)
    limits = args.limits or ("default" if args.set == "heaviest" else "off")
    print("%-6s %8s %8s %8s %10s %9s  %s" % ("status", "seconds", "cpu", "peak MB", "bytes",
                                             "cost", "request"))
    for query in queries:
        rows = [json.loads(subprocess.run([sys.executable, "-c", CHILD, query, limits],
                                          capture_output=True, text=True, check=True).stdout)
                for _ in range(args.runs)]
        row = min(rows, key=lambda r: r["cpu"])
        row["seconds"] = min(r["seconds"] for r in rows)
        row["peak_mb"] = max(r["peak_mb"] for r in rows)
        fields = dict(p.split("=", 1) for p in query.split("&") if not p.startswith("series="))
        marks = (query.count("&series=") * len(fields["items"].split(",")) if "items" in fields
                 else len(fields["values"].split(",")))
        shown = "%s %s %sx%s %d marks %s" % (
            fields["method"], fields.get("style", "classic"), fields.get("width", "500"),
            fields.get("height", "350"), marks, fields.get("format", "png"))
        cost = row["cost"] if isinstance(row["cost"], str) else "%.3g" % row["cost"]
        print("%-6s %8.3f %8.3f %8.1f %10d %9s  %s %s" % (
            row["status"][:3], row["seconds"], row["cpu"], row["peak_mb"], row["bytes"],
            cost[:9], shown, row["answer"].strip()))


if __name__ == "__main__":
    main()
