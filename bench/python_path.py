"""The whole path a Python page takes for chart A (a new object, the
late-bound calls, DrawBarGraph writing a JPEG into a tmpfs folder) beside the
floor: a bare libjpeg-turbo encode and write of chart A's pixels
(BM_BareJpegEncodeChartAToFile in draw_bench), measured in the same run.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/python_path.py <build>/bench/draw_bench
"""

import json
import os
import subprocess
import sys
import tempfile
import time

import tessaloom

MONTHS = ("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")


def draw(folder, name="py.jpg", target=None, fmt=None):
    g = tessaloom.GraphGenerator()
    if target:
        g.OutputTarget = target
    else:
        g.FilePath = folder
    if fmt:
        g.OutputFormat = fmt
    g.FileName = name
    g.ChartTitle = "Monthly sales"
    g.XAxisLabel = "Month"
    g.YAxisLabel = "Units"
    g.HasGridLines(1)
    for i, month in enumerate(MONTHS):
        g.AddData(month, 10.0 + (i * 37) % 50)
    g.DrawBarGraph()
    return g


def best_us(step, repeats=7, count=200):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        for _ in range(count):
            step()
        best = min(best, (time.perf_counter() - start) / count)
    return best * 1e6


def floor_us(draw_bench):
    out = subprocess.run(
        [draw_bench, "--benchmark_filter=BM_BareJpegEncodeChartAToFile$",
         "--benchmark_repetitions=7", "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}
    return min(b["real_time"] * scale[b["time_unit"]] for b in runs)


def main():
    draw_bench = sys.argv[1] if len(sys.argv) > 1 else "build-bench/bench/draw_bench"
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=base) as folder:
        g = tessaloom.GraphGenerator()
        calls = best_us(lambda: setattr(g, "ChartTitle", "Monthly sales"), count=2000)
        # Alternated, best of each, so a busy moment of the machine does not
        # fall on one side only.
        whole, floor = float("inf"), float("inf")
        for _ in range(3):
            floor = min(floor, floor_us(draw_bench))
            whole = min(whole, best_us(lambda: draw(folder), repeats=3))
        memory_png = best_us(lambda: draw(folder, "", "memory", "png"))
    print("python host, chart A to a JPEG file: %8.1f us" % whole)
    print("python host, chart A to memory (PNG): %7.1f us" % memory_png)
    print("one late-bound property put:          %7.2f us" % calls)
    print("bare libjpeg-turbo encode + write:    %7.1f us" % floor)
    print("whole path / floor:                   %7.2fx (goal 1.30x)" % (whole / floor))


if __name__ == "__main__":
    main()
