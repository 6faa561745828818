"""Whole-process cost of one chart: `tessaloom draw` against a C program that
only reads a raster, encodes it as JPEG and writes it (bench/raster_to_jpeg.c).

Each run is timed from spawn to reaped exit, so start-up, drawing, writing and
tear-down all count; the two programs alternate so both see the same machine.

    python3 bench/process_cost.py BUILD_DIR [RUNS]   (BUILD_DIR holds both programs)
"""

import os
import statistics
import struct
import sys
import tempfile
import time


def run(argv):
    """Wall time in microseconds of one process, spawn to exit; fails loudly."""
    start = time.perf_counter_ns()
    pid = os.posix_spawn(argv[0], argv, os.environ)
    _, status = os.waitpid(pid, 0)
    elapsed = (time.perf_counter_ns() - start) / 1000
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("%s failed" % " ".join(argv))
    return elapsed


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
        for _ in range(20):  # warm the page cache and the CPU
            run(chart)
            run(encode)
        times = {"chart": [], "floor": []}
        for _ in range(runs):
            times["chart"].append(run(chart))
            times["floor"].append(run(encode))
    median = {k: statistics.median(v) for k, v in times.items()}
    mean = {k: statistics.fmean(v) for k, v in times.items()}
    print("tessaloom draw: median %.0f us, mean %.0f us; raster_to_jpeg: median %.0f us, "
          "mean %.0f us; ratio %.2f (medians), %.2f (means); %d runs each"
          % (median["chart"], mean["chart"], median["floor"], mean["floor"],
             median["chart"] / median["floor"], mean["chart"] / mean["floor"], runs))


if __name__ == "__main__":
    main()
