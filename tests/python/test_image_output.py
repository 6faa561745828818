"""IGraphGenerator2 through late binding: images in memory as bytes, the new
members by name, and their refusals."""

import subprocess

import pytest

import tessaloom
from conftest import CLI, automation_error, needs_cli, run_cli

NEW_MEMBERS = [
    ("OutputFormat", 50, "propget"),
    ("OutputFormat", 50, "propput"),
    ("OutputTarget", 51, "propget"),
    ("OutputTarget", 51, "propput"),
    ("ImageData", 52, "propget"),
    ("ImageMimeType", 53, "propget"),
    ("JpegQuality", 54, "propget"),
    ("JpegQuality", 54, "propput"),
    ("LastError", 55, "propget"),
    ("AltText", 56, "propget"),
    ("RenderStyle", 57, "propget"),
    ("RenderStyle", 57, "propput"),
    ("Scale", 58, "propget"),
    ("Scale", 58, "propput"),
]


def chart(g):
    g.ChartTitle = "Sales"
    for month, value in (("Jan", 3), ("Feb", 5.5)):
        g.AddData(month, value)


def test_the_new_members_follow_the_classic_ones():
    assert [tuple(m[:3]) for m in tessaloom.members()[39:]] == NEW_MEMBERS


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
    chart(g)
    assert g.ImageData == b""
    g.OutputFormat, g.FileName, g.FilePath = fmt, name, str(tmp_path)
    g.DrawBarGraph()
    file_bytes = (tmp_path / name).read_bytes()
    g.OutputTarget = "memory"
    (tmp_path / name).unlink()
    g.DrawBarGraph()
    data = g.ImageData
    assert type(data) is bytes and data.startswith(magic) and data == file_bytes
    assert (g.ImageMimeType, g.LastError, list(tmp_path.iterdir())) == (mime, "", [])


@pytest.mark.parametrize(
    "name,value", [("OutputFormat", "gif"), ("OutputTarget", "disk"), ("JpegQuality", 0)]
)
def test_bad_values_raise_e_invalidarg_and_say_why(g, name, value):
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.E_INVALIDARG
    assert name in g.LastError and g.ErrorReason == g.LastError
    g.ChartTitle = "x"
    assert g.LastError == "" and name in g.ErrorReason


def test_alt_text_describes_the_chart(g):
    chart(g)
    g.OutputTarget = "memory"
    g.DrawPieGraph()
    assert g.AltText == (
        'Pie chart "Sales", 2 values: Jan 3, Feb 5.5. Smallest value 3 (Jan), largest 5.5 (Feb).'
    )


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


@needs_cli
@pytest.mark.parametrize(
    "options,message", [(["--quality", "101"], "JpegQuality"), (["--format", "gif"], "OutputFormat")]
)
def test_cli_bad_quality_or_format_fails_with_the_message(tmp_path, options, message):
    (tmp_path / "d.csv").write_text("Jan,3\n")
    result = run_cli("draw", "DrawPieGraph", tmp_path / "d.csv", "-o", tmp_path / "x.jpg", *options)
    assert result.returncode != 0 and message in result.stderr
    assert list(tmp_path.iterdir()) == [tmp_path / "d.csv"]
