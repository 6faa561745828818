"""The first chart of a fresh process, in CPU milliseconds (user + system of
the process and its threads, from spawn to reaped exit), for the classic
style, the smooth style and the modern theme:

- `tessaloom draw` per style: the whole command, start-up included (the
  static tool hands smooth and modern charts to the full one);
- a Python host: a process that imports tessaloom and draws one chart, less
  one that only imports it, so what remains is the first chart's own cost
  (loading the smooth module, fonts, cairo and Pango included).

The runs alternate so every variant sees the same machine; medians.

    python3 bench/first_chart.py BUILD_DIR [RUNS]
"""

import os
import statistics
import sys
import tempfile

STYLES = [("classic", []), ("smooth", ["--smooth"]), ("modern", ["--theme", "modern"])]
CHART = ('import tessaloom; tessaloom.chart("bar", {"Jan": 12, "Feb": 30, "Mar": -8, '
         '"Apr": 27, "May": -4, "Jun": 18}, title="Monthly sales"%s)')
PY_ARGS = {"classic": "", "smooth": ', style="smooth"', "modern": ', theme="modern"'}


def cpu_ms(argv, env):
    """CPU time of one process and its threads, spawn to exit; fails loudly."""
    pid = os.posix_spawn(argv[0], argv, env)
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("%s failed" % " ".join(argv))
    return (usage.ru_utime + usage.ru_stime) * 1000


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 40
    tool = os.path.join(build, "tessaloom")
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    python = "/usr/bin/python3"
    with tempfile.TemporaryDirectory() as work:
        data = os.path.join(work, "sales.csv")
        with open(data, "w") as f:
            f.write("Month,Sales\nJan,12\nFeb,30\nMar,-8\nApr,27\nMay,-4\nJun,18\n")
        variants = {}
        for name, flags in STYLES:
            variants["cli " + name] = [tool, "draw", "DrawBarGraph", data, "--header", "--title",
                                       "Monthly sales", "-o", os.path.join(work, "a.png")] + flags
            variants["python " + name] = [python, "-c", CHART % PY_ARGS[name]]
        variants["python import"] = [python, "-c", "import tessaloom"]
        times = {name: [] for name in variants}
        for _ in range(3):  # warm the page cache
            for argv in variants.values():
                cpu_ms(argv, env)
        for _ in range(runs):
            for name, argv in variants.items():
                times[name].append(cpu_ms(argv, env))
    median = {name: statistics.median(t) for name, t in times.items()}
    print("first chart of a fresh process, CPU ms (median of %d)" % runs)
    for name, _ in STYLES:
        print("  tessaloom draw %-8s %6.1f" % (name, median["cli " + name]))
    for name, _ in STYLES:
        print("  python first %-8s %6.1f  (import alone %.1f, this chart %.1f)" % (
            name, median["python " + name], median["python import"],
            median["python " + name] - median["python import"]))
    print("  cli smooth / classic %.1fx, modern / classic %.1fx" % (
        median["cli smooth"] / median["cli classic"], median["cli modern"] / median["cli classic"]))


if __name__ == "__main__":
    main()
