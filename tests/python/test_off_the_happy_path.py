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
MEMORY = [("OutputTarget", "memory"), ("OutputFormat", "png")]
NO_DATA = "No data to draw: add values with AddData first"
NO_SERIES = "Series Members name not given or Series not added"
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
    assert list(tmp_path.iterdir()) == []  # nor the temporary file opened before the drawing



def drawn(folder, calls):
    """Makes the calls on a fresh object drawing into folder/c.bmp; (object,
    pixel(x, y) of the image, or None when no file was written). A member
    ending in "!" must refuse its value as out of range."""
    g = tessaloom.CreateObject(PROGID)
    g.FilePath, g.FileName = str(folder), "c.bmp"
    for member, *args in calls:
        if member.endswith("!"):
            with pytest.raises(tessaloom.AutomationError, match=r"out of range \(DISP_E_OVERFLOW"):
                getattr(g, member[:-1])(*args)
        elif member[0].isupper() and not member.startswith(("Add", "Draw", "Set", "Clear", "Has")):
            setattr(g, member, *args)
        else:
            getattr(g, member)(*args)
    path = folder / "c.bmp"
    return g, read_bmp(path)[2] if path.exists() else None


# Charts that once came out wrong: (name, calls, what must hold of (object, pixel)).
PAST_FAULTS = [
    # === Layout ===
    # === Legend and margins ===
    # === Pies ===
    # === Text ===
    # === Data and output ===
    # An empty draw on a reused object hands back no image, and says why.
    ("no stale image after ClearData", MEMORY + POSITIVE + [("DrawBarGraph",), ("ClearData",),
     ("OutputFormat", "svg"), ("DrawBarGraph",)],
     lambda g, pixel: (g.ImageData, g.ImageMimeType, g.LastError) == (b"", "", NO_DATA)),
    ("no stale image without series", MEMORY + POSITIVE + [("DrawBarGraph",),
     ("DrawBarSeriesGraph",)], lambda g, pixel: (g.ImageData, g.LastError) == (b"", NO_SERIES)),
    # NaN and infinity are refused as 1e39 is, and the pie of 3 and 7 stays whole.
    ("NaN and infinity refused", [("AddData!", "n", float("nan")), ("AddData!", "i", float("inf")),
     ("AddItemToSeries", "x"), ("AddSeries", "s"), ("AddDataEx!", float("-inf"))] + POSITIVE
     + [("DrawPieGraph",)], lambda g, pixel: g.AltText.startswith("Pie chart, 2 values: a 3, b 7")),
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
charts[0].OutputTarget = "memory"  # a file would fail first, opened before the fonts
charts[0].DrawBarGraph()
print(charts[0].ErrorReason, len(charts[0].ImageData))
for fd in held:
    os.close(fd)
charts[1].DrawBarGraph()
print(charts[1].ErrorReason)
"""


def test_a_draw_without_fonts_says_so_and_a_later_draw_has_its_text(tmp_path):
    result = subprocess.run([sys.executable, "-c", NO_FONTS, str(tmp_path)],
                            capture_output=True, text=True, check=True)
    assert result.stdout.splitlines() == ["Unable to load the chart fonts 0", ""]
    pixel = read_bmp(tmp_path / "second.bmp")[2]
    assert (0, 0, 0) in ink(pixel, range(200, 300), range(10, 36))  # the title's ink
