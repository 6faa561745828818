#!/bin/sh
# Whole-process cost of one chart: `tessaloom draw` against a C program that
# only reads a raster, encodes it as JPEG and writes it (bench/raster_to_jpeg.c),
# both run N times in one go, alternating.
#   bench/process_cost.sh BUILD_DIR [N]    BUILD_DIR holds tessaloom and raster_to_jpeg
set -eu
build=${1:?usage: bench/process_cost.sh BUILD_DIR [N]}
n=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'Jan,12\nFeb,19\nMar,31\nApr,24\nMay,37\nJun,29\n' >"$work/data.csv"
"$build/tessaloom" draw DrawBarGraph "$work/data.csv" -o "$work/chart.bmp" --title Sales
# The same chart's pixels as the floor's input.
python3 - "$work/chart.bmp" "$work/chart.ppm" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height = struct.unpack_from("<ii", data, 18)
rows = []
for y in range(height):
    row = data[offset + (height - 1 - y) * width * 4:][:width * 4]
    rows.append(bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i])))
open(sys.argv[2], "wb").write(b"P6 %d %d 255\n" % (width, height) + b"".join(rows))
PY
now() { date +%s%N; }
chart=0
floor=0
i=0
while [ "$i" -lt "$n" ]; do
  t0=$(now)
  "$build/tessaloom" draw DrawBarGraph "$work/data.csv" -o "$work/chart.jpg" --title Sales
  t1=$(now)
  "$build/raster_to_jpeg" "$work/chart.ppm" "$work/floor.jpg"
  t2=$(now)
  chart=$((chart + t1 - t0))
  floor=$((floor + t2 - t1))
  i=$((i + 1))
done
echo "tessaloom draw: $((chart / n / 1000)) us a chart; raster_to_jpeg: $((floor / n / 1000)) us;" \
  "ratio $(awk "BEGIN { printf \"%.2f\", $chart / $floor }")"
