"""Draw methods from the script's call to the file on disk, or to bytes in memory."""

import pytest

import tessaloom
from conftest import SALES, make_calls


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
