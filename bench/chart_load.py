"""A bounded load test of the chart service: the example site under gunicorn
on 127.0.0.1, a fixed number of chart requests from concurrent client threads.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/chart_load.py [--requests 2000]
        [--clients 20] [--workers 2] [--warmup 100]

The example's hosting setup is written into a temporary folder and switched
on, so every chart passes the same access check as any page of the allowed
site. Every request asks for a chart (no If-None-Match), cycling through a
few kinds and formats. Reports charts per second, p50/p99 latency, errors
(anything but a 200 with the right image; the exit status is 1 when there is
one) and each worker's resident memory after the warm-up and after the run.
gunicorn's sync workers close the connection after each answer, so every
request opens one; the client runs on the same machine and shares its CPUs.
"""

import argparse
import http.client
import itertools
import os
import pathlib
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
EXAMPLE = ROOT / "examples" / "site"
MONTHS = "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec"
# (query, signature of the answer's bytes)
CHARTS = [
    ("method=DrawBarGraph&title=Monthly%20sales&xlabel=Month&ylabel=Units&grid=1&labels=" + MONTHS
     + "&values=12,19,7,25,31,22,18,9,14,27,33,21", b"\x89PNG"),
    ("method=DrawPieGraph&title=Share&labels=North,South,East,West&values=40,25,20,15"
     "&format=jpeg&width=400&height=300", b"\xff\xd8"),
    ("method=DrawLineSeriesGraph&title=Visits&items=Q1,Q2,Q3,Q4"
     "&series=Web:120,150,170,160&series=Shop:80,95,70,110&series=App:30,60,90,140", b"\x89PNG"),
    ("method=Draw3DBarSeriesGraph&items=A,B,C&series=2025:5,7,3&series=2026:6,8,4"
     "&colors=steelblue,%23ff8800&horizontal=1", b"\x89PNG"),
]


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def workers(master, count, deadline):
    """The worker PIDs of a gunicorn master, once ``count`` are running."""
    while time.monotonic() < deadline:
        try:
            with open("/proc/%d/task/%d/children" % (master, master)) as children:
                pids = sorted(int(p) for p in children.read().split())
        except OSError:
            pids = []
        if len(pids) == count:
            return pids
        time.sleep(0.05)
    raise SystemExit("gunicorn did not start %d workers" % count)


def run_clients(port, total, clients):
    """``total`` requests from ``clients`` threads; (latencies in s, errors, seconds)."""
    counter = itertools.count()
    latencies, errors = [], []
    lock = threading.Lock()

    def client():
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        mine, failed = [], []
        while True:
            n = next(counter)
            if n >= total:
                break
            query, signature = CHARTS[n % len(CHARTS)]
            start = time.perf_counter()
            try:
                connection.request("GET", "/allowed/chart?" + query)
                response = connection.getresponse()
                body = response.read()
                if response.status != 200 or not body.startswith(signature):
                    failed.append("%d %r" % (response.status, body[:60]))
            except (OSError, http.client.HTTPException) as error:
                failed.append(repr(error))
                connection.close()
            mine.append(time.perf_counter() - start)
        connection.close()
        with lock:
            latencies.extend(mine)
            errors.extend(failed)

    threads = [threading.Thread(target=client) for _ in range(clients)]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return latencies, errors, time.perf_counter() - start


def percentile(sorted_values, fraction):
    return sorted_values[min(len(sorted_values) - 1, int(fraction * len(sorted_values)))]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--requests", type=int, default=2000)
    parser.add_argument("--clients", type=int, default=20)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--warmup", type=int, default=100)
    args = parser.parse_args()
    sys.path.insert(0, str(EXAMPLE))
    import serve

    with tempfile.TemporaryDirectory(prefix="tessaloom-load-") as folder:
        setup = serve.write_setup(folder)
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(128)
        port = listener.getsockname()[1]
        env = dict(os.environ, TESSALOOM_REGISTRY=setup.registry,
                   TESSALOOM_SITE_ROOT=setup.document_root,
                   PYTHONPATH=os.pathsep.join([str(EXAMPLE), os.environ.get("PYTHONPATH", "")]))
        process = subprocess.Popen(
            [sys.executable, "-m", "gunicorn", "-w", str(args.workers), "--bind",
             "fd://%d" % listener.fileno(), "--backlog", "128", "--log-level", "warning",
             "site_app:app"],
            env=env, pass_fds=[listener.fileno()], start_new_session=True)
        listener.close()
        try:
            pids = workers(process.pid, args.workers, time.monotonic() + 30)
            _, warm_errors, _ = run_clients(port, args.warmup, args.clients)
            before = [rss_kib(p) for p in pids]
            latencies, errors, seconds = run_clients(port, args.requests, args.clients)
            after = [rss_kib(p) for p in pids]
            still = workers(process.pid, args.workers, time.monotonic() + 5)
        finally:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(15)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(15)
    latencies.sort()
    errors = warm_errors + errors
    print("chart_load: %d requests, %d clients, %d gunicorn workers (sync), %s"
          % (args.requests, args.clients, args.workers, "127.0.0.1"))
    print("  charts/s  %.1f  (%.2f s)" % (len(latencies) / seconds, seconds))
    print("  latency   p50 %.1f ms  p99 %.1f ms  max %.1f ms"
          % (percentile(latencies, 0.50) * 1e3, percentile(latencies, 0.99) * 1e3,
             latencies[-1] * 1e3))
    print("  errors    %d" % len(errors))
    for error in errors[:5]:
        print("            %s" % error)
    for pid, b, a in zip(pids, before, after):
        print("  worker %d RSS %d KiB -> %d KiB (%+d KiB)" % (pid, b, a, a - b))
    if still != pids:
        print("  workers were replaced during the run: %s -> %s" % (pids, still))
    return 1 if errors or still != pids else 0


if __name__ == "__main__":
    sys.exit(main())
