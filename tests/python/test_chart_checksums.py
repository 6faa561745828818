"""The gallery's and edge charts' BMPs against chart_checksums.txt (TESSALOOM_UPDATE_CHECKSUMS=1
rewrites it); other FreeType or fonts than it names skip, but fail in CI (TESSALOOM_CI=1)."""

import hashlib
import os
import pathlib

import pytest

from conftest import data, draw_file

TABLE = pathlib.Path(__file__).with_name("chart_checksums.txt")

KINDS = ["Bar", "3DBar", "StackedBar", "3DStackedBar", "Line", "3DLine", "Pie", "3DPie",
         "BoxWhisker"]
SINGLE = ["Draw%sGraph" % kind for kind in KINDS]
SERIES = ["Draw%sSeriesGraph" % kind for kind in KINDS]
SIDEWAYS = SINGLE[:5] + SINGLE[8:] + SERIES[0:5:2] + SERIES[8:]  # the kinds that lie on their side
MONTHS = [("Jan", 12), ("Feb", 19), ("Mar", 31), ("Apr", 24), ("May", 37), ("Jun", 29)]
TABLE_DATA = (["Q1", "Q2", "Q3", "Q4"], [("North", [32, 45, 28, 51]), ("South", [18, 22, 35, 30]),
                                         ("West", [25, 12, 40, 22])])


def gallery():
    """The charts of `tessaloom demo`, with the same options and data."""
    entries = [(m, False, n % 2 == 0, n % 3 == 0) for n, m in enumerate(SINGLE + SERIES)]
    entries += [(m, True, True, False) for m in SIDEWAYS]
    for method, horizontal, grid, back in entries:
        series = "Series" in method
        calls = [("ChartTitle", method + (" (horizontal)" if horizontal else "")),
                 ("XAxisLabel", "Quarter" if series else "Month"), ("YAxisLabel", "Units sold"),
                 ("SeriesLabel", "2026")]
        calls += [("BackColor", "#F0F4FF"), ("HasBackColor", 1)] if back else []
        calls += [("HasGridLines", 1)] if grid else []
        calls += [("SetHorizontalGraph",)] if horizontal else []
        calls += data(items=TABLE_DATA[0], series=TABLE_DATA[1]) if series else data(MONTHS)
        yield method + ("-horizontal" if horizontal else ""), calls + [(method,)]


NEGATIVE = data([("a", -20), ("b", 10), ("c", 30)])
H = [("SetHorizontalGraph",)]
EDGES = {
    "negative-bars": NEGATIVE + [("DrawBarGraph",)],
    "negative-bars-horizontal": H + NEGATIVE + [("DrawBarGraph",)],
    "negative-lines": NEGATIVE + [("HasGridLines", 1), ("DrawLineGraph",)],
    "negative-lines-horizontal": H + NEGATIVE + [("DrawLineGraph",)],
    "negative-stack": data([("a", -45), ("b", 45), ("c", 20)], draw="Draw3DStackedBarGraph"),
    "crowded-bars": data(items=["i%d" % i for i in range(30)], draw="DrawBarSeriesGraph",
                         series=[("S%d" % s, [5 + s] * 30) for s in range(8)]),
    "reused-after-negative": NEGATIVE + [("BackColor", "tan"), ("HasBackColor", 1),
                                         ("DrawBarGraph",), ("ClearData",)]
    + data([("a", 3), ("b", 7)], draw="DrawStackedBarGraph"),
    "long-labels": [("ChartTitle", "Quarterly units sold by region, " * 3),
                    ("XAxisLabel", "Regions of the northern sales territory"),
                    ("YAxisLabel", "Units sold in the quarter, in thousands " * 2)]
    + H + data([("North-north-east", 5), ("South", 9)], draw="DrawBarGraph"),
    "tall-canvas": [("GraphWidth", 300), ("GraphHeight", 520), ("XAxisLabel", "Month " * 9)]
    + data(MONTHS, draw="Draw3DBarGraph"),
    "tiny-and-steep": data([("a", 0.01), ("b", 1000), ("c", 0.5), ("d", 600)])
    + [("AddColor", "red"), ("Draw3DLineGraph",)],
    "tiny-bars": data([("a", 0.01), ("b", 1000), ("c", 2)], draw="DrawBarGraph"),
    "crowded-pie": data([("s%d" % i, 1) for i in range(12)] + [("big", 40)], draw="Draw3DPieGraph"),
    "crowded-flat-pie": data([("s%d" % i, 1 + i % 2) for i in range(14)], draw="DrawPieGraph"),
    "sliver-pie": data([("a", 1000), ("b", 0.01), ("c", 500)], draw="DrawPieGraph"),
    "long-legend": data(items=["A long legend entry", "B"], series=[("S", [3, 4]), ("T", [5, 1])],
                        draw="Draw3DBarSeriesGraph"),
    "box-whisker-negative": data(items="abcde", draw="DrawBoxWhiskerSeriesGraph",
                                 series=[("S", [-20, -10, 0, 10, 20]), ("T", [-5, 5, 15, 25, 35])]),
    "box-whisker-even": data([(str(i), v) for i, v in enumerate([4, 8, 15, 16, 23, 42, 7, 1])],
                             draw="DrawBoxWhiskerGraph"),
}
SALES = data([("Jan", 12), ("Feb", 30), ("Mar", -8), ("Apr", 27), ("May", -4), ("Jun", 18)])
MODERN = {
    "modern-sales": [("Theme", "modern"), ("ShowValues", True), ("ChartTitle", "Monthly sales")]
    + SALES + [("DrawBarGraph",)],
    "dark-channels": [("Theme", "dark"), ("ValueFormat", "#,##0.0")]
    + data(items=TABLE_DATA[0], series=TABLE_DATA[1], draw="DrawLineSeriesGraph"),
    "modern-pie": [("Theme", "modern")] + data(MONTHS, draw="DrawPieGraph"),
    "modern-stacked-horizontal": [("Theme", "modern"), ("SetHorizontalGraph",)]
    + data(items=TABLE_DATA[0], series=TABLE_DATA[1], draw="DrawStackedBarSeriesGraph"),
    "dark-3d-bars": [("Theme", "dark")] + data(MONTHS, draw="Draw3DBarGraph"),
}
CHARTS = dict(gallery(), **EDGES, **MODERN)


def text_environment():
    """The FreeType library and the font files this process has mapped."""
    found = set()
    for line in pathlib.Path("/proc/self/maps").read_text().splitlines():
        file = pathlib.Path(line.split(maxsplit=5)[-1])
        if file.name.startswith("libfreetype"):
            found.add(file.name)
        elif file.suffix in (".ttf", ".otf", ".ttc", ".fon"):
            found.add("%s %s" % (file.name, hashlib.sha256(file.read_bytes()).hexdigest()[:12]))
    return "drawn with: " + "; ".join(sorted(found))


def test_charts_match_their_checksums(tmp_path):
    drawn = {}
    for name, calls in CHARTS.items():
        g, path = draw_file(tmp_path, calls, name + ".bmp")
        assert g.ErrorReason == "", name
        drawn[name] = hashlib.sha256(path.read_bytes()).hexdigest()
    environment = "# " + text_environment()
    if os.environ.get("TESSALOOM_UPDATE_CHECKSUMS") == "1":
        header = ["# SHA-256 of each chart's BMP, see test_chart_checksums.py.", environment]
        TABLE.write_text("\n".join(header + ["%s  %s" % (drawn[n], n) for n in drawn]) + "\n")
    lines = TABLE.read_text().splitlines()
    if environment not in lines:
        why = "the table was %s; this run was %s" % (lines[1][2:], environment[2:])
        if os.environ.get("TESSALOOM_CI") == "1":
            pytest.fail(why)
        pytest.skip(why)
    expected = dict(reversed(line.split()) for line in lines if not line.startswith("#"))
    changed = [name for name in CHARTS if drawn[name] != expected.get(name)]
    assert not changed, "charts that differ from chart_checksums.txt: %s" % changed
