"""The smooth style, Scale, SVG and PDF: a smooth chart keeps the classic
layout, every Draw method reaches every format in both styles, documents
open as what they claim to be, and the CLI's switches reach the members.
Places follow test_pixels.py's default 500 x 350 layout: data 10, 20, 30 give
bars from x 91, 233, 375 on the base line y 300, the value axis at x 62; a
single pie of radius 75 about (219, 180)."""

import shutil
import struct
import subprocess
import xml.etree.ElementTree as ET

import pytest

import tessaloom
from conftest import DRAW_METHODS, add_series, automation_error, needs_cli, read_bmp, run_cli

# Each format's first bytes and MIME type.
FORMATS = {"png": (b"\x89PNG", "image/png"), "jpeg": (b"\xff\xd8", "image/jpeg"),
           "bmp": (b"BM", "image/bmp"), "svg": (b"<", "image/svg+xml"),
           "pdf": (b"%PDF-", "application/pdf")}


def feed(g, method):
    g.ChartTitle = "Sales"
    if "Series" in method:
        add_series(g, ("Q1", "Q2", "Q3"), [("North", (3, 5, 4)), ("South", (2, 6, 1))])
    else:
        for label, v in (("Jan", 12), ("Feb", 30), ("Mar", 21)):
            g.AddData(label, v)


def size_of(fmt, data):
    """(width, height) of a PNG's or BMP's bytes (the JPEG's comes from the same canvas)."""
    if fmt == "png":
        return struct.unpack(">II", data[16:24])
    w, h = struct.unpack_from("<ii", data, 18)
    return w, abs(h)


@pytest.mark.parametrize("style", ["classic", "smooth"])
@pytest.mark.parametrize("method", DRAW_METHODS)
def test_every_method_draws_every_format_in_both_styles(g, method, style):
    g.OutputTarget, g.RenderStyle, g.Scale = "memory", style, 2
    feed(g, method)  # the store keeps the data from draw to draw
    for fmt, (magic, mime) in FORMATS.items():
        g.OutputFormat = fmt
        assert getattr(g, method)() == tessaloom.S_OK
        assert (g.ErrorReason, g.LastError) == ("", "")
        data = g.ImageData
        assert data.startswith(magic) and g.ImageMimeType == mime, fmt
        if fmt in ("png", "bmp"):
            assert size_of(fmt, data) == (1000, 700), fmt


@pytest.mark.parametrize("name,value,message", [
    ("RenderStyle", "shiny", 'Unknown RenderStyle: use "classic" or "smooth"'),
    ("Scale", 0, "Scale must be from 1 to 4"), ("Scale", 5, "Scale must be from 1 to 4")])
def test_values_outside_the_set_are_refused_and_kept(g, name, value, message):
    before = getattr(g, name)
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.E_INVALIDARG
    assert (getattr(g, name), g.LastError, g.ErrorReason) == (before, message, message)


def runs(pixel, y, x0, x1, test):
    """[start, end) of the runs of pixels on row y that pass test."""
    found, start = [], None
    for x in range(x0, x1 + 1):
        inside = x < x1 and test(pixel(x, y))
        if inside and start is None:
            start = x
        elif not inside and start is not None:
            found.append((start, x))
            start = None
    return found


def bar_colour(p):
    return abs(p[0] - 135) + abs(p[1] - 44) + abs(p[2] - 86) < 90


def edges(pixel, method):
    """The layout's landmarks in classic pixels: the value axis, the base line and
    the bars' edges, or the pie's rim left, right, above and below its centre."""
    if method == "DrawBarGraph":
        axis = min(range(55, 70), key=lambda x: sum(pixel(x, 280)))
        base = min(range(292, 308), key=lambda y: sum(pixel(80, y)))
        return [axis, base] + [x for r in runs(pixel, 280, 70, 480, bar_colour) for x in r]
    white = (255, 255, 255)
    return [next(x for x in range(219, 100, -1) if pixel(x, 180) == white),
            next(x for x in range(219, 340) if pixel(x, 180) == white),
            next(y for y in range(180, 60, -1) if pixel(219, y) == white),
            next(y for y in range(180, 300) if pixel(219, y) == white)]


@pytest.mark.parametrize("method", ["DrawBarGraph", "DrawPieGraph"])
def test_a_smooth_chart_at_scale_2_keeps_the_classic_layout(g, tmp_path, method):
    for i, value in enumerate((10, 20, 30)):
        g.AddData("L%d" % i, value)
    found = []
    for style, scale in (("classic", 1), ("smooth", 2)):
        g.RenderStyle, g.Scale = style, scale
        g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.bmp", "bmp"
        getattr(g, method)()
        assert g.ErrorReason == ""
        width, _, big = read_bmp(tmp_path / "chart.bmp")
        assert width == 500 * scale

        def pixel(x, y):  # averaged back to classic pixels
            blocks = [big(scale * x + dx, scale * y + dy) for dx in range(scale)
                      for dy in range(scale)]
            return tuple(sum(c[i] for c in blocks) // len(blocks) for i in range(3))

        found.append(edges(pixel, method))
    classic, smooth = found
    assert len(classic) == len(smooth) > 2
    assert all(abs(a - b) <= 1 for a, b in zip(classic, smooth)), (classic, smooth)


def test_svg_is_xml_with_the_title_and_description(g, tmp_path):
    feed(g, "DrawBarGraph")
    g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.svg", "svg"
    g.DrawBarGraph()
    assert g.ErrorReason == ""
    root = ET.parse(tmp_path / "chart.svg").getroot()
    ns = "{http://www.w3.org/2000/svg}"
    assert root.tag == ns + "svg"
    assert "Sales" in [t.text for t in root.iter(ns + "text")]
    assert root.find(ns + "title").text == "Sales"
    assert root.find(ns + "desc").text == g.AltText


def test_pdf_text_extracts(g, tmp_path):
    feed(g, "DrawPieGraph")
    g.ChartTitle = "Ventes \u00e9t\u00e9"
    g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.pdf", "pdf"
    g.DrawPieGraph()
    assert (g.ErrorReason, g.OutputFormat) == ("", "pdf")
    # One page with its title: SmoothSurfaceTest; here the chart's own texts.
    assert shutil.which("pdftotext"), "pdftotext (poppler-utils) is in the [test] packages"
    text = subprocess.run(
        ["pdftotext", tmp_path / "chart.pdf", "-"], capture_output=True, text=True, check=True
    ).stdout
    assert "Ventes \u00e9t\u00e9" in text and "Jan" in text


@needs_cli
@pytest.mark.parametrize(
    "args,name,magic,size",
    [
        (["--smooth", "--scale", "2"], "c.png", b"\x89PNG", (1000, 700)),
        (["--scale=3"], "c.bmp", b"BM", (1500, 1050)),
        (["--smooth"], "c.pdf", b"%PDF-", None),
        (["--format", "PDF"], "c.bin", b"%PDF-", None),
        ([], "c.svg", b"<", None),
    ],
)
def test_the_cli_switches_reach_the_members(tmp_path, args, name, magic, size):
    (tmp_path / "d.csv").write_text("Jan,3\nFeb,5\n")
    out = tmp_path / name
    result = run_cli("draw", "DrawBarGraph", tmp_path / "d.csv", "-o", out, *args)
    assert result.returncode == 0, result.stderr
    data = out.read_bytes()
    assert data.startswith(magic)
    if size:
        assert size_of(name[-3:], data) == size
