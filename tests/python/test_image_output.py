"""IGraphGenerator2 through late binding: images in memory as bytes, and the
command-line tool's output choices."""

import pytest

from conftest import needs_cli, run_cli


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


# PNG and BMP by their extensions: see test_cli.py and test_smooth.py.
@needs_cli
@pytest.mark.parametrize("out,options,magic", [
    ("c.JPEG", ["--quality", "20"], b"\xff\xd8"), ("-", [], b"\x89PNG"),
    ("-", ["--format", "jpeg"], b"\xff\xd8")])
def test_cli_format_follows_the_extension_and_dash_is_standard_output(tmp_path, out, options, magic):
    (tmp_path / "d.csv").write_text("Jan,3\nFeb,5.5\n")
    result = run_cli("draw", "DrawPieGraph", "d.csv", "-o", out, "--alt", *options, cwd=tmp_path,
                     binary=True)
    assert result.returncode == 0, result.stderr
    image = result.stdout if out == "-" else (tmp_path / out).read_bytes()
    assert image.startswith(magic)
    text = result.stderr if out == "-" else result.stdout
    assert text.decode().startswith("Pie chart, 2 values: Jan 3, Feb 5.5.")
