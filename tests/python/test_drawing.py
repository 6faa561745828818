"""Draw methods from the script's call to the file on disk."""

import struct

import pytest

import tessaloom
from conftest import DRAW_METHODS

SINGLE = [m for m in DRAW_METHODS if "Series" not in m]
SERIES = [m for m in DRAW_METHODS if "Series" in m]
STACKED_SERIES = {"DrawStackedBarSeriesGraph", "Draw3DStackedBarSeriesGraph"}
NO_SERIES = "Series Members name not given or Series not added"


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 32-bit bottom-up BMP."""
    data = path.read_bytes()
    assert data[:2] == b"BM"
    size, offset = struct.unpack_from("<I4xI", data, 2)
    assert size == len(data)
    width, height, planes, bpp = struct.unpack_from("<iiHH", data, 18)
    assert (planes, bpp) == (1, 32)

    def pixel(x, y):
        b, g, r, _ = data[offset + ((height - 1 - y) * width + x) * 4 :][:4]
        return (r, g, b)

    return width, height, pixel


def filled(g, folder, name):
    g.FilePath = str(folder)
    g.FileName = name
    g.ChartTitle = "Sales"
    for label, value in [("Jan", 12), ("Feb", 30), ("Mar", 21)]:
        g.AddData(label, value)
    for item in ("Q1", "Q2"):
        g.AddItemToSeries(item)
    for title, values in [("North", (10, 20)), ("South", (5, 40))]:
        g.AddSeries(title)
        for v in values:
            g.AddDataEx(v)
    return g


@pytest.mark.parametrize("method", DRAW_METHODS)
def test_every_draw_method_writes_its_jpeg(g, tmp_path, method):
    filled(g, tmp_path, "chart.jpg")
    assert getattr(g, method)() == tessaloom.S_OK
    assert g.ErrorReason == ""
    data = (tmp_path / "chart.jpg").read_bytes()
    assert data[:3] == b"\xff\xd8\xff" and data[-2:] == b"\xff\xd9"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["chart.jpg"]


@pytest.mark.parametrize("width,height", [(500, 350), (1, 1), (3, 7), (640, 120)])
def test_a_bmp_has_the_requested_size_white_inside_a_black_border(g, tmp_path, width, height):
    filled(g, tmp_path, "chart.bmp")
    g.GraphWidth = width
    g.GraphHeight = height
    assert g.DrawPieGraph() == tessaloom.S_OK
    w, h, pixel = read_bmp(tmp_path / "chart.bmp")
    assert (w, h) == (width, height)
    if width >= 3 and height >= 3:
        assert pixel(0, 0) == pixel(width - 1, height - 1) == (0, 0, 0)
        assert pixel(1, height - 2) == (255, 255, 255)


@pytest.mark.parametrize("method", SINGLE)
def test_no_data_draws_nothing_and_says_nothing(g, tmp_path, method):
    g.FilePath = str(tmp_path)
    assert getattr(g, method)() == tessaloom.S_OK
    assert g.ErrorReason == ""
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("method", SERIES)
def test_series_methods_need_items_and_series(g, tmp_path, method):
    g.FilePath = str(tmp_path)
    g.AddSeries("only a title")
    expected = tessaloom.S_FALSE if method in STACKED_SERIES else tessaloom.S_OK
    assert getattr(g, method)() == expected
    assert g.ErrorReason == NO_SERIES
    assert list(tmp_path.iterdir()) == []


def test_the_same_data_draws_again_into_another_file(g, tmp_path):
    filled(g, tmp_path, "a.jpg")
    g.DrawBarGraph()
    g.FileName = "b.bmp"
    g.DrawLineSeriesGraph()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["a.jpg", "b.bmp"]


@pytest.mark.parametrize(
    "folder,name,message",
    [
        ("does-not-exist", "x.jpg", "Invalid File Path"),
        (None, "", "File Name missing"),
    ],
)
def test_output_failures_are_reported_in_error_reason(g, tmp_path, folder, name, message):
    filled(g, tmp_path, name)
    if folder:
        g.FilePath = str(tmp_path / folder)
    assert g.DrawBarGraph() == tessaloom.S_OK
    assert g.ErrorReason == message


def test_a_canvas_past_the_size_bound_is_refused_with_a_message(g, tmp_path):
    filled(g, tmp_path, "huge.jpg")
    g.GraphWidth = 20000
    assert g.DrawBarGraph() == tessaloom.S_OK
    assert g.ErrorReason.startswith("Image size 20000 x 350 is larger than the largest")
    assert list(tmp_path.iterdir()) == []
    g.GraphWidth = 400  # the object stays usable
    g.DrawBarGraph()
    assert (tmp_path / "huge.jpg").exists()


def test_two_threads_draw_into_one_folder_at_once(tmp_path):
    import threading

    errors = []

    def draw(name):
        g = tessaloom.GraphGenerator()
        filled(g, tmp_path, name)
        for _ in range(20):
            g.DrawPieSeriesGraph()
            if g.ErrorReason:
                errors.append(g.ErrorReason)

    threads = [threading.Thread(target=draw, args=("t%d.jpg" % i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    assert sorted(p.name for p in tmp_path.iterdir()) == ["t0.jpg", "t1.jpg"]


@pytest.mark.parametrize("width", [1, 3, 4])
def test_horizontal_charts_narrower_than_their_margins_still_finish(g, tmp_path, width):
    filled(g, tmp_path, "narrow.bmp")
    g.GraphWidth = width
    g.SetHorizontalGraph()
    assert g.DrawBarGraph() == tessaloom.S_OK
    assert (tmp_path / "narrow.bmp").exists()
