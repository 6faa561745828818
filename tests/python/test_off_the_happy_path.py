"""Charts off the happy path: reused objects, negative and crowded data. Each
case once drew a wrong picture or reported success for a chart not drawn."""

import subprocess
import sys

import pytest

import tessaloom
from conftest import PROGID, add_series, read_bmp

def run(g, folder, name, calls):
    """Makes the method calls (name, *args) on g, drawing into folder/name; returns the file."""
    g.FilePath, g.FileName = str(folder), name
    for member, *args in calls:
        getattr(g, member)(*args)
    return (folder / name).read_bytes()


def ink(pixel, xs, ys):
    return {pixel(x, y) for x in xs for y in ys}


NEGATIVE_BARS = [("AddData", "a", -5), ("AddData", "b", 5), ("DrawBarGraph",), ("ClearData",)]
POSITIVE = [("AddData", "a", 3), ("AddData", "b", 7)]
HORIZONTAL = [("SetHorizontalGraph",)]

# (calls on a reused object, calls on a fresh one): both must write the same file.
SAME_AS_FRESH = [
    # Each draw's legend is sized by its own texts.
    ([("AddData", "a long legend text", 1), ("DrawPieGraph",), ("ClearData",)] + POSITIVE
     + [("DrawPieGraph",)], POSITIVE + [("DrawPieGraph",)]),
    (NEGATIVE_BARS + POSITIVE + [("DrawBoxWhiskerGraph",)], POSITIVE + [("DrawBoxWhiskerGraph",)]),
    # The 3D line chart is vertical whatever was asked, and keeps the request for later charts.
    (HORIZONTAL + POSITIVE + [("Draw3DLineGraph",)], POSITIVE + [("Draw3DLineGraph",)]),
    (POSITIVE + [("Draw3DLineGraph",)] + HORIZONTAL + [("DrawBarGraph",)],
     HORIZONTAL + POSITIVE + [("DrawBarGraph",)]),
]


@pytest.mark.parametrize("reused,fresh", SAME_AS_FRESH)
def test_a_reused_object_draws_what_a_fresh_one_draws(g, tmp_path, reused, fresh):
    assert run(g, tmp_path, "a.bmp", reused) == run(
        tessaloom.CreateObject(PROGID), tmp_path, "b.bmp", fresh)


def test_a_negative_value_after_a_positive_one_is_drawn(g, tmp_path):
    add_series(g, ["i", "j"], [("A", [10, -8])])
    run(g, tmp_path, "n.bmp", [("DrawBarSeriesGraph",)])
    palette_1 = (243, 243, 170)
    assert palette_1 in ink(read_bmp(tmp_path / "n.bmp")[2], range(500), range(350))


@pytest.mark.parametrize("method", ["DrawPieSeriesGraph", "Draw3DPieSeriesGraph"])
def test_pies_without_room_are_reported_and_not_written(g, tmp_path, method):
    add_series(g, ["i"], [("S%d" % s, [1]) for s in range(40)])
    g.FilePath, g.FileName = str(tmp_path), "p.bmp"
    assert getattr(g, method)() == tessaloom.S_OK
    assert g.ErrorReason == "Too many series for the image size"
    assert not (tmp_path / "p.bmp").exists()



def drawn(folder, calls):
    """Makes the calls on a fresh object drawing into folder/c.bmp; (object,
    pixel(x, y) of the image, or None when no file was written)."""
    g = tessaloom.CreateObject(PROGID)
    g.FilePath, g.FileName = str(folder), "c.bmp"
    for member, *args in calls:
        if member[0].isupper() and not member.startswith(("Add", "Draw", "Set", "Clear", "Has")):
            setattr(g, member, *args)
        else:
            getattr(g, member)(*args)
    path = folder / "c.bmp"
    return g, read_bmp(path)[2] if path.exists() else None


def series(items, values):
    """The calls of a series chart: the items, then one series per list of values."""
    return ([("AddItemToSeries", item) for item in items]
            + [call for k, v in enumerate(values)
               for call in [("AddSeries", "S%d" % k)] + [("AddDataEx", x) for x in v]])


def colours(pixel, xs=range(500), ys=range(350)):
    return ink(pixel, xs, ys) - {(0, 0, 0), (255, 255, 255)}


def clear_of_axis(pixel, top=50, bottom=300):
    """The 2 columns left of the ticks of a horizontal chart's value axis are
    white over the plot's height."""
    axis = next(x for x in range(2, 500) if pixel(x, top) != (255, 255, 255))
    return ink(pixel, (axis - 4, axis - 3), range(top, bottom)) == {(255, 255, 255)}


LONG_LEGEND = series(["An item name of sixty characters, quite a few more than fit", "B"],
                     [[3, 4], [5, 1]]) + [("DrawBarSeriesGraph",)]
WIDE_LABELS = [("SetHorizontalGraph",), ("AddData", "MAXIMUM", 10), ("AddData", "WWWWWWWW", 5),
               ("DrawBarGraph",)]

# Charts that once came out wrong: (name, calls, what must hold of (object, pixel)).
PAST_FAULTS = [
    # === Layout ===
    # === Legend and margins ===
    # A long legend text left the plot no width: a blank chart reported as drawn.
    ("a long legend text is cut", LONG_LEGEND,
     lambda g, px: (135, 44, 86) in colours(px, range(300), range(300))),
    ("a legend with no room fails", [("GraphWidth", 150)] + LONG_LEGEND,
     lambda g, px: px is None and g.ErrorReason == "The image is too narrow for the chart "
     "and its legend"),
    # 30 items: rows ran off the canvas and those past the palette were all blue.
    ("thirty items, thirty colours", series(["i%d" % i for i in range(30)], [range(30)])
     + [("DrawBarSeriesGraph",)], lambda g, px: len(colours(px)) >= 30),
    # Horizontal category labels ran into the value axis.
    ("wide labels clear the axis", WIDE_LABELS, lambda g, px: clear_of_axis(px)),
    ("wide labels clear the axis and its title", [("XAxisLabel", "X")] + WIDE_LABELS,
     lambda g, px: clear_of_axis(px)),
    # === Pies ===
    # === Text ===
    # === Data and output ===
]


@pytest.mark.parametrize("name,calls,holds", PAST_FAULTS, ids=[row[0] for row in PAST_FAULTS])
def test_a_past_fault_stays_mended(tmp_path, name, calls, holds):
    g, pixel = drawn(tmp_path, calls)
    assert holds(g, pixel), (name, g.ErrorReason)

# In a process of its own: the first draw finds no file descriptor for the fonts.
NO_FONTS = """
import os, resource, sys, tessaloom
resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))
charts = [tessaloom.GraphGenerator() for _ in range(2)]
for g, name in zip(charts, ["first.bmp", "second.bmp"]):
    g.FilePath, g.FileName, g.ChartTitle = sys.argv[1], name, "Title"
    g.AddData("a", 5)
held = []
try:
    while True:
        held.append(os.open(os.devnull, os.O_RDONLY))
except OSError:
    pass
charts[0].DrawBarGraph()
print(charts[0].ErrorReason)
for fd in held:
    os.close(fd)
charts[1].DrawBarGraph()
print(charts[1].ErrorReason)
"""


def test_a_draw_without_fonts_says_so_and_a_later_draw_has_its_text(tmp_path):
    result = subprocess.run([sys.executable, "-c", NO_FONTS, str(tmp_path)],
                            capture_output=True, text=True, check=True)
    assert result.stdout.splitlines() == ["Unable to load the chart fonts", ""]
    assert not (tmp_path / "first.bmp").exists()
    pixel = read_bmp(tmp_path / "second.bmp")[2]
    assert (0, 0, 0) in ink(pixel, range(200, 300), range(10, 36))  # the title's ink
