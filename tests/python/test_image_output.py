"""IGraphGenerator2 through late binding: images in memory as bytes, and the
command-line tool's output choices."""

import subprocess

import pytest

import tessaloom
from conftest import CLI, needs_cli


def test_the_new_members_follow_the_classic_ones():
    members = [
        ("OutputFormat", 50, "propget"), ("OutputFormat", 50, "propput"),
        ("OutputTarget", 51, "propget"), ("OutputTarget", 51, "propput"),
        ("ImageData", 52, "propget"), ("ImageMimeType", 53, "propget"),
        ("JpegQuality", 54, "propget"), ("JpegQuality", 54, "propput"),
        ("LastError", 55, "propget"), ("AltText", 56, "propget"),
        ("RenderStyle", 57, "propget"), ("RenderStyle", 57, "propput"),
        ("Scale", 58, "propget"), ("Scale", 58, "propput"),
    ]
    assert [tuple(m[:3]) for m in tessaloom.members()[39:]] == members


@pytest.mark.parametrize(
    "fmt,name,magic,mime",
    [
        ("png", "a.png", b"\x89PNG", "image/png"),
        ("JPEG", "a.bmp", b"\xff\xd8", "image/jpeg"),
        ("bmp", "a.jpg", b"BM", "image/bmp"),
        ("", "a.jpg", b"\xff\xd8", "image/jpeg"),
    ],
)
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


@needs_cli
@pytest.mark.parametrize(
    "out,options,magic",
    [
        ("c.png", [], b"\x89PNG"),
        ("c.JPEG", ["--quality", "20"], b"\xff\xd8"),
        ("c.bmp", [], b"BM"),
        ("-", [], b"\x89PNG"),
        ("-", ["--format", "jpeg"], b"\xff\xd8"),
    ],
)
def test_cli_format_follows_the_extension_and_dash_is_standard_output(tmp_path, out, options, magic):
    (tmp_path / "d.csv").write_text("Jan,3\nFeb,5.5\n")
    target = out if out == "-" else str(tmp_path / out)
    result = subprocess.run(
        [CLI, "draw", "DrawPieGraph", str(tmp_path / "d.csv"), "-o", target, "--alt", *options],
        capture_output=True,
    )
    assert result.returncode == 0, result.stderr
    image = result.stdout if out == "-" else (tmp_path / out).read_bytes()
    assert image.startswith(magic)
    text = result.stderr if out == "-" else result.stdout
    assert text.decode().startswith("Pie chart, 2 values: Jan 3, Feb 5.5.")
