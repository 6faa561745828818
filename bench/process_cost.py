"""Whole-process cost of one chart: `tessaloom draw` against a C program that
only reads a raster, encodes it as JPEG and writes it (bench/raster_to_jpeg.c),
and the static tool against the one linked to the shared libraries
(`tessaloom-full`, built beside it; the Debian package's tool is linked so).

Each run is timed from spawn to reaped exit, so start-up, drawing, writing and
tear-down all count, and its CPU time (user and system) is read as it is
reaped; the programs alternate so all see the same machine.

    python3 bench/process_cost.py BUILD_DIR [RUNS]   (BUILD_DIR holds both programs)
"""

import os
import statistics
import struct
import sys
import tempfile
import time


def run(argv):
    """Wall and CPU time in microseconds of one process, spawn to exit; fails loudly."""
    start = time.perf_counter_ns()
    pid = os.posix_spawn(argv[0], argv, os.environ)
    _, status, usage = os.wait4(pid, 0)
    elapsed = (time.perf_counter_ns() - start) / 1000
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("%s failed" % " ".join(argv))
    return elapsed, (usage.ru_utime + usage.ru_stime) * 1e6


def bmp_to_ppm(bmp, ppm):
    """The chart's own pixels as the floor's input (32-bit bottom-up BMP to P6)."""
    data = open(bmp, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * width * 4:][:width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::4], row[1::4], row[0::4]
        rows.append(bytes(rgb))
    with open(ppm, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (width, height) + b"".join(rows))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 300
    tool = os.path.join(build, "tessaloom")
    floor = os.path.join(build, "raster_to_jpeg")
    with tempfile.TemporaryDirectory() as work:
        data = os.path.join(work, "data.csv")
        with open(data, "w") as f:
            f.write("Jan,12\nFeb,19\nMar,31\nApr,24\nMay,37\nJun,29\n")
        chart = [tool, "draw", "DrawBarGraph", data, "-o", os.path.join(work, "chart.jpg"),
                 "--title", "Sales"]
        run(chart[:5] + [os.path.join(work, "chart.bmp")] + chart[6:])
        bmp_to_ppm(os.path.join(work, "chart.bmp"), os.path.join(work, "chart.ppm"))
        encode = [floor, os.path.join(work, "chart.ppm"), os.path.join(work, "floor.jpg")]
        commands = {"static tool": chart, "floor": encode}
        full = os.path.join(build, "tessaloom-full")
        if os.path.exists(full):
            commands["shared tool"] = [full] + chart[1:]
        for _ in range(20):  # warm the page cache and the CPU
            for command in commands.values():
                run(command)
        times = {name: [] for name in commands}
        for _ in range(runs):
            for name, command in commands.items():
                times[name].append(run(command))
    wall = {k: statistics.median(t[0] for t in v) for k, v in times.items()}
    cpu = {k: statistics.median(t[1] for t in v) for k, v in times.items()}
    for name in commands:
        print("%-12s median %5.0f us wall, %5.0f us CPU; %.2fx the floor's wall, %.2fx its CPU"
              % (name, wall[name], cpu[name], wall[name] / wall["floor"],
                 cpu[name] / cpu["floor"]))
    if "shared tool" in commands:
        print("the shared tool costs %.2fx the static one's wall time, %.2fx its CPU; %d runs each"
              % (wall["shared tool"] / wall["static tool"],
                 cpu["shared tool"] / cpu["static tool"], runs))


if __name__ == "__main__":
    main()
