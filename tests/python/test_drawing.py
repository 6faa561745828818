"""Draw methods from the script's call to the file on disk, or to bytes in memory."""

import pytest

import tessaloom
from conftest import SALES, make_calls, read_bmp


@pytest.mark.parametrize("width,height,horizontal", [(1, 1, 0), (3, 7, 0), (640, 120, 0),
                                                     (4, 350, 1)])
def test_a_bmp_has_the_requested_size_white_inside_a_black_border(g, tmp_path, width, height,
                                                                  horizontal):
    make_calls(g, SALES + [("FilePath", str(tmp_path)), ("FileName", "chart.bmp")])
    g.GraphWidth, g.GraphHeight = width, height
    if horizontal:  # narrower than its margins
        g.SetHorizontalGraph()
    assert g.DrawBarGraph() == tessaloom.S_OK
    w, h, pixel = read_bmp(tmp_path / "chart.bmp")
    assert (w, h) == (width, height)
    if width >= 3 and height >= 3:
        assert pixel(0, 0) == pixel(width - 1, height - 1) == (0, 0, 0)
        assert pixel(1, height - 2) == (255, 255, 255)


def test_an_image_too_large_is_refused_and_the_object_stays_usable(g, tmp_path):
    make_calls(g, SALES + [("FilePath", str(tmp_path)), ("FileName", "huge.jpg")])
    g.GraphWidth = 20000
    assert g.DrawBarGraph() == tessaloom.S_OK
    assert g.ErrorReason.startswith("Image size 20000 x 350 is larger than the largest")
    assert list(tmp_path.iterdir()) == []
    g.FileName, g.GraphWidth = "ok.jpg", 400
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
