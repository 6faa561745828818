"""A bounded load test of the chart service, the same chart requests four ways:
in process (ChartApp called from one thread, one chart at a time, as a sync
worker draws), under gunicorn with one sync worker, with two, and through
nginx in front of two gunicorns of one worker each, all on 127.0.0.1.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/chart_load.py [--requests 1000]
        [--clients 2] [--warmup 50]

The application is the example site's (examples/site), its hosting setup
written into a temporary folder and switched on, so every chart passes the
same access check as any page of the allowed site. Every request asks for a
chart (no If-None-Match), cycling through a few kinds and formats. For each
way: charts per second, p50/p99 latency and the workers' CPU time per chart
(user and system, from /proc; in process, the whole process's), each as a
ratio to in process; the time a chart takes one busy worker against in process
(goal: within 1.5x); errors (anything but a 200 with the right image; the exit
status is 1 when there is one) and each worker's resident memory after the
warm-up and after the run. Served ways get ``--clients`` client threads per
worker, so no worker waits for a request; the clients, nginx and the workers
share the machine's CPUs. gunicorn's sync workers close the connection after
each answer, so every request opens one. Without nginx the last way is left
out.
"""

import argparse
import http.client
import itertools
import os
import pathlib
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import wsgiref.util

ROOT = pathlib.Path(__file__).resolve().parents[1]
EXAMPLE = ROOT / "examples" / "site"
MONTHS = "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec"
PATH = "/allowed/chart"
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
NGINX = shutil.which("nginx", path=os.environ.get("PATH", "") + ":/usr/sbin")


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    """The user and system CPU time the process has used."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def children(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as listed:
            return sorted(int(p) for p in listed.read().split())
    except OSError:
        return []


def gunicorn(workers, env):
    """A gunicorn of ``workers`` sync workers serving the example on a free port;
    (process, port, its worker PIDs once all run)."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(128)
    process = subprocess.Popen(
        [sys.executable, "-m", "gunicorn", "-w", str(workers), "--bind",
         "fd://%d" % listener.fileno(), "--backlog", "128", "--log-level", "error",
         "site_app:app"],
        env=env, pass_fds=[listener.fileno()], start_new_session=True)
    port = listener.getsockname()[1]
    listener.close()
    deadline = time.monotonic() + 30
    while len(children(process.pid)) != workers:
        if time.monotonic() > deadline or process.poll() is not None:
            stop(process)
            raise SystemExit("gunicorn did not start %d workers" % workers)
        time.sleep(0.05)
    return process, port, children(process.pid)


def nginx(folder, backends):
    """nginx on a free port in front of ``backends`` (ports), run as the current user with
    its files in ``folder``; (process, port) once it accepts connections."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    user = "user %s;" % pwd.getpwuid(os.getuid()).pw_name if os.getuid() == 0 else ""
    servers = "".join(" server 127.0.0.1:%d;" % p for p in backends)
    temp = "".join(" %s_temp_path %s;" % (k, k)
                   for k in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
    with open(os.path.join(folder, "nginx.conf"), "w") as conf:
        conf.write("daemon off; pid nginx.pid; error_log stderr; %s events {} http {"
                   " access_log off;%s upstream charts {%s keepalive 16; } server {"
                   " listen 127.0.0.1:%d; location / { proxy_pass http://charts;"
                   " proxy_http_version 1.1; proxy_set_header Connection \"\"; } } }\n"
                   % (user, temp, servers, port))
    process = subprocess.Popen([NGINX, "-p", folder, "-c", "nginx.conf", "-e", "stderr"],
                               start_new_session=True)
    deadline = time.monotonic() + 10
    while True:
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
            return process, port
        except OSError:
            if time.monotonic() > deadline or process.poll() is not None:
                stop(process)
                raise SystemExit("nginx did not start")
            time.sleep(0.05)


def stop(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(15)
    except ProcessLookupError:
        pass
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait(15)


def in_process(app):
    """A request function calling the WSGI ``app`` in this process."""
    def ask(query):
        environ = {"REQUEST_METHOD": "GET", "PATH_INFO": PATH, "QUERY_STRING": query}
        wsgiref.util.setup_testing_defaults(environ)
        answer = []
        result = app(environ, lambda status, headers, exc_info=None: answer.append(status))
        try:
            body = b"".join(result)
        finally:
            getattr(result, "close", lambda: None)()
        return int(answer[0][:3]), body
    return lambda: ask


def over_http(port):
    """A factory of request functions, each with its own connection to ``port``."""
    def connect():
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)

        def ask(query):
            try:
                connection.request("GET", PATH + "?" + query)
                response = connection.getresponse()
                return response.status, response.read()
            except (OSError, http.client.HTTPException):
                connection.close()
                raise
        return ask
    return connect


def run_clients(connect, total, clients):
    """``total`` requests from ``clients`` threads; (latencies in s, errors, seconds)."""
    counter = itertools.count()
    latencies, errors = [], []
    lock = threading.Lock()

    def client():
        ask, mine, failed = connect(), [], []
        for n in itertools.takewhile(lambda n: n < total, counter):
            query, signature = CHARTS[n % len(CHARTS)]
            start = time.perf_counter()
            try:
                status, body = ask(query)
                if status != 200 or not body.startswith(signature):
                    failed.append("%d %r" % (status, body[:60]))
            except (OSError, http.client.HTTPException) as error:
                failed.append(repr(error))
            mine.append(time.perf_counter() - start)
        with lock:
            latencies.extend(mine)
            errors.extend(failed)

    threads = [threading.Thread(target=client) for _ in range(clients)]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return sorted(latencies), errors, time.perf_counter() - start


def percentile(sorted_values, fraction):
    return sorted_values[min(len(sorted_values) - 1, int(fraction * len(sorted_values)))]


def measure(name, connect, workers, pids, args):
    """One way's figures: a dict of name, rate, p50, p99, errors, workers, RSS."""
    clients = 1 if pids == [os.getpid()] else args.clients * workers
    _, warm_errors, _ = run_clients(connect, args.warmup, clients)
    before, cpu = [rss_kib(p) for p in pids], sum(map(cpu_seconds, pids))
    latencies, errors, seconds = run_clients(connect, args.requests, clients)
    cpu = sum(map(cpu_seconds, pids)) - cpu
    after = [rss_kib(p) for p in pids]
    return {"name": name, "rate": len(latencies) / seconds, "p50": percentile(latencies, 0.5),
            "cpu": cpu / len(latencies),
            "p99": percentile(latencies, 0.99), "errors": warm_errors + errors,
            "workers": workers, "clients": clients, "rss": list(zip(pids, before, after))}


def report(results, requests):
    base = results[0]
    print("chart_load: %d charts a way, on 127.0.0.1" % requests)
    print("  %-44s %8s %5s %7s %5s %7s %5s %11s %5s" % (
        "", "charts/s", "ratio", "p50 ms", "ratio", "p99 ms", "ratio", "CPU ms/chart", "ratio"))
    for r in results:
        print("  %-44s %8.1f %5.2f %7.2f %5.2f %7.2f %5.2f %11.2f %5.2f"
              % ("%s (%d client%s)" % (r["name"], r["clients"], "s"[:r["clients"] > 1]),
                 r["rate"], r["rate"] / base["rate"], r["p50"] * 1e3, r["p50"] / base["p50"],
                 r["p99"] * 1e3, r["p99"] / base["p99"], r["cpu"] * 1e3, r["cpu"] / base["cpu"]))
    # A chart's time to one worker that is never idle: the time per chart, times the workers.
    one = results[1]["workers"] / results[1]["rate"] * base["rate"]
    print("  goal, one worker within 1.5x of in process per chart: %.2fx in time (%s), %.2fx in"
          " the worker's CPU" % (one, "met" if one <= 1.5 else "missed",
                                 results[1]["cpu"] / base["cpu"]))
    for r in results:
        for pid, b, a in r["rss"]:
            print("  %-44s RSS %d KiB -> %d KiB (%+d KiB)"
                  % ("%s, pid %d" % (r["name"], pid), b, a, a - b))
        for error in r["errors"][:5]:
            print("  %s error: %s" % (r["name"], error))
    print("  errors    %d" % sum(len(r["errors"]) for r in results))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--requests", type=int, default=1000, help="charts a way")
    parser.add_argument("--clients", type=int, default=2, help="client threads per worker")
    parser.add_argument("--warmup", type=int, default=50)
    args = parser.parse_args()
    sys.path.insert(0, str(EXAMPLE))
    import serve

    results, replaced = [], []
    with tempfile.TemporaryDirectory(prefix="tessaloom-load-") as folder:
        setup = serve.write_setup(folder)
        env = dict(os.environ, TESSALOOM_REGISTRY=setup.registry,
                   TESSALOOM_SITE_ROOT=setup.document_root,
                   PYTHONPATH=os.pathsep.join([str(EXAMPLE), os.environ.get("PYTHONPATH", "")]))
        os.environ["TESSALOOM_REGISTRY"] = setup.registry
        import site_app

        results.append(measure("in process", in_process(site_app.make_app(setup.document_root)),
                               1, [os.getpid()], args))
        running = []
        try:
            for workers in (1, 2):
                running.append(gunicorn(workers, env))
                process, port, pids = running[-1]
                results.append(measure("gunicorn, %d worker%s" % (workers, "s"[:workers > 1]),
                                       over_http(port), workers, pids, args))
                if children(process.pid) != pids:
                    replaced.append(results[-1]["name"])
                stop(running.pop()[0])
            if NGINX:
                running += [gunicorn(1, env), gunicorn(1, env)]
                pids = [p for _, _, workers in running for p in workers]
                proxy, port = nginx(folder, [port for _, port, _ in running])
                running.append((proxy, port, []))
                results.append(measure("nginx, 2 gunicorns of 1 worker", over_http(port), 2,
                                       pids, args))
                if [p for process, _, _ in running[:2] for p in children(process.pid)] != pids:
                    replaced.append(results[-1]["name"])
        finally:
            for process, _, _ in running:
                stop(process)
    report(results, args.requests)
    if not NGINX:
        print("  (nginx is not installed: no way through it)")
    for name in replaced:
        print("  workers were replaced during the run: %s" % name)
    return 1 if replaced or any(r["errors"] for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
