"""Draw methods from the script's call to the file on disk, or to bytes in memory."""

import pytest

import tessaloom
from conftest import DRAW_METHODS, add_series, read_bmp

STACKED_SERIES = {"DrawStackedBarSeriesGraph", "Draw3DStackedBarSeriesGraph"}


def filled(g, folder, name):
    g.FilePath, g.FileName, g.ChartTitle = str(folder), name, "Sales"
    for label, value in [("Jan", 12), ("Feb", 30), ("Mar", 21)]:
        g.AddData(label, value)
    add_series(g, ("Q1", "Q2"), [("North", (10, 20)), ("South", (5, 40))])
    return g


@pytest.mark.parametrize("width,height,horizontal", [(1, 1, 0), (3, 7, 0), (640, 120, 0),
                                                     (4, 350, 1)])
def test_a_bmp_has_the_requested_size_white_inside_a_black_border(g, tmp_path, width, height,
                                                                  horizontal):
    filled(g, tmp_path, "chart.bmp")
    g.GraphWidth, g.GraphHeight = width, height
    if horizontal:  # narrower than its margins
        g.SetHorizontalGraph()
    assert g.DrawBarGraph() == tessaloom.S_OK
    w, h, pixel = read_bmp(tmp_path / "chart.bmp")
    assert (w, h) == (width, height)
    if width >= 3 and height >= 3:
        assert pixel(0, 0) == pixel(width - 1, height - 1) == (0, 0, 0)
        assert pixel(1, height - 2) == (255, 255, 255)


@pytest.mark.parametrize("method", DRAW_METHODS)
def test_without_data_nothing_is_drawn_and_the_reason_is_given(g, tmp_path, method):
    g.FilePath = str(tmp_path)
    g.AddSeries("only a title")  # no items: still no series chart
    expected = tessaloom.S_FALSE if method in STACKED_SERIES else tessaloom.S_OK
    assert getattr(g, method)() == expected
    assert g.LastError == g.ErrorReason == (
        "Series Members name not given or Series not added" if "Series" in method
        else "No data to draw: add values with AddData first")
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("folder,name,width,message", [
    ("does-not-exist", "x.jpg", 400, "Invalid File Path"), (None, "", 400, "File Name missing"),
    (None, "huge.jpg", 20000, "Image size 20000 x 350 is larger than the largest"),
])
def test_output_failures_are_reported_in_error_reason(g, tmp_path, folder, name, width, message):
    filled(g, tmp_path / (folder or ""), name)
    g.GraphWidth = width
    assert g.DrawBarGraph() == tessaloom.S_OK and g.ErrorReason.startswith(message)
    assert list(tmp_path.iterdir()) == []
    g.FilePath, g.FileName, g.GraphWidth = str(tmp_path), "ok.jpg", 400  # the object stays usable
    g.DrawBarGraph()
    assert (tmp_path / "ok.jpg").exists()


@pytest.mark.parametrize("fmt,name,magic,mime", [
    ("png", "a.png", b"\x89PNG", "image/png"), ("JPEG", "a.bmp", b"\xff\xd8", "image/jpeg"),
    ("bmp", "a.jpg", b"BM", "image/bmp"), ("", "a.jpg", b"\xff\xd8", "image/jpeg")])
def test_image_data_is_bytes_equal_to_the_file(g, tmp_path, fmt, name, magic, mime):
    g.AddData("Jan", 3)
    assert g.ImageData == b""
    g.OutputFormat, g.FileName, g.FilePath = fmt, name, str(tmp_path)
    g.DrawBarGraph()
    file_bytes = (tmp_path / name).read_bytes()
    g.OutputTarget, g.FilePath = "memory", str(tmp_path / "none")  # no folder needed
    (tmp_path / name).unlink()
    g.DrawBarGraph()
    data = g.ImageData
    assert type(data) is bytes and data.startswith(magic) and data == file_bytes
    assert (g.ImageMimeType, g.LastError, list(tmp_path.iterdir())) == (mime, "", [])
