"""The smooth style, Scale, SVG and PDF: a smooth chart keeps the classic
layout, every Draw method reaches every format in both styles, documents
open as what they claim to be, and the CLI's switches reach the members.
Places follow test_pixels.py's default 500 x 350 layout: data 10, 20, 30 give
bars from x 91, 233, 375 on the base line y 300, the value axis at x 62; a
single pie of radius 75 about (219, 180)."""

import re
import shutil
import struct
import subprocess
import xml.etree.ElementTree as ET

import pytest

import tessaloom
from conftest import automation_error, needs_cli, read_bmp, run_cli

SINGLE = [
    "DrawBarGraph", "Draw3DBarGraph", "DrawStackedBarGraph", "Draw3DStackedBarGraph",
    "DrawLineGraph", "Draw3DLineGraph", "DrawPieGraph", "Draw3DPieGraph", "DrawBoxWhiskerGraph",
]
SERIES = [
    "DrawBarSeriesGraph", "Draw3DBarSeriesGraph", "DrawStackedBarSeriesGraph",
    "Draw3DStackedBarSeriesGraph", "DrawLineSeriesGraph", "Draw3DLineSeriesGraph",
    "DrawPieSeriesGraph", "Draw3DPieSeriesGraph", "DrawBoxWhiskerSeriesGraph",
]
MAGIC = {"png": b"\x89PNG", "jpeg": b"\xff\xd8", "bmp": b"BM", "svg": b"<", "pdf": b"%PDF-"}
MIME = {"png": "image/png", "jpeg": "image/jpeg", "bmp": "image/bmp", "svg": "image/svg+xml",
        "pdf": "application/pdf"}


def feed(g, method):
    g.ChartTitle = "Sales"
    if method in SERIES:
        for item in ("Q1", "Q2", "Q3"):
            g.AddItemToSeries(item)
        for title, values in (("North", (3, 5, 4)), ("South", (2, 6, 1))):
            g.AddSeries(title)
            for v in values:
                g.AddDataEx(v)
    else:
        for label, v in (("Jan", 12), ("Feb", 30), ("Mar", 21)):
            g.AddData(label, v)


def size_of(fmt, data):
    """(width, height) of a raster image's bytes."""
    if fmt == "png":
        return struct.unpack(">II", data[16:24])
    if fmt == "bmp":
        w, h = struct.unpack_from("<ii", data, 18)
        return w, abs(h)
    at = 2  # JPEG: walk the segments to the frame header
    while at < len(data):
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2 : at + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = struct.unpack(">HH", data[at + 5 : at + 9])
            return w, h
        at += 2 + length
    raise AssertionError("no JPEG frame header")


@pytest.mark.parametrize("style", ["classic", "smooth"])
@pytest.mark.parametrize("method", SINGLE + SERIES)
def test_every_method_draws_every_format_in_both_styles(g, method, style):
    g.OutputTarget, g.RenderStyle, g.Scale = "memory", style, 2
    feed(g, method)  # the store keeps the data from draw to draw
    for fmt, magic in MAGIC.items():
        g.OutputFormat = fmt
        assert getattr(g, method)() == tessaloom.S_OK
        assert (g.ErrorReason, g.LastError) == ("", "")
        data = g.ImageData
        assert data.startswith(magic) and g.ImageMimeType == MIME[fmt], fmt
        if fmt in ("png", "jpeg", "bmp"):
            assert size_of(fmt, data) == (1000, 700), fmt


@pytest.mark.parametrize(
    "name,value,message",
    [
        ("RenderStyle", "shiny", 'Unknown RenderStyle: use "classic" or "smooth"'),
        ("Scale", 0, "Scale must be from 1 to 4"),
        ("Scale", 5, "Scale must be from 1 to 4"),
    ],
)
def test_values_outside_the_set_are_refused_and_kept(g, name, value, message):
    before = getattr(g, name)
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.E_INVALIDARG
    assert (getattr(g, name), g.LastError, g.ErrorReason) == (before, message, message)


def downscaled(pixel2):
    """pixel(x, y) of a Scale 2 image averaged back to classic pixels."""

    def pixel(x, y):
        blocks = [pixel2(2 * x + dx, 2 * y + dy) for dx in (0, 1) for dy in (0, 1)]
        return tuple(sum(c[i] for c in blocks) // 4 for i in range(3))

    return pixel


def dark(p):
    return sum(p) < 3 * 128


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
    """The layout's landmarks in one image: axis, base line, bars or pie rim."""
    if method == "DrawBarGraph":
        axis = min(range(55, 70), key=lambda x: sum(pixel(x, 280)))
        base = min(range(292, 308), key=lambda y: sum(pixel(80, y)))
        return [axis, base] + [x for run in runs(pixel, 280, 70, 480, bar_colour) for x in run]
    # The pie: its rim left and right of the centre on the centre's row,
    # and above and below it on the centre's column.
    white = lambda p: p == (255, 255, 255)  # noqa: E731
    left = next(x for x in range(219, 100, -1) if white(pixel(x, 180)))
    right = next(x for x in range(219, 340) if white(pixel(x, 180)))
    top = next(y for y in range(180, 60, -1) if white(pixel(219, y)))
    bottom = next(y for y in range(180, 300) if white(pixel(219, y)))
    return [left, right, top, bottom]


@pytest.mark.parametrize("method", ["DrawBarGraph", "DrawPieGraph"])
def test_a_smooth_chart_at_scale_2_keeps_the_classic_layout(g, tmp_path, method):
    values = (10, 20, 30)
    found = []
    for style, scale in (("classic", 1), ("smooth", 2)):
        g.RenderStyle, g.Scale = style, scale
        g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.bmp", "bmp"
        if style == "classic":
            for i, value in enumerate(values):
                g.AddData("L%d" % i, value)
        getattr(g, method)()
        assert g.ErrorReason == ""
        width, _, pixel = read_bmp(tmp_path / "chart.bmp")
        found.append(edges(pixel if scale == 1 else downscaled(pixel), method))
        assert width == 500 * scale
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


def test_pdf_is_one_page_and_its_text_extracts(g, tmp_path):
    feed(g, "DrawPieGraph")
    g.ChartTitle = "Ventes \u00e9t\u00e9"
    g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.pdf", "pdf"
    g.DrawPieGraph()
    assert (g.ErrorReason, g.OutputFormat) == ("", "pdf")
    data = (tmp_path / "chart.pdf").read_bytes()
    assert data.startswith(b"%PDF-")
    assert shutil.which("pdftotext"), "pdftotext (poppler-utils) is in the [test] packages"
    info = subprocess.run(["pdfinfo", tmp_path / "chart.pdf"], capture_output=True, text=True)
    assert re.search(r"^Pages: +1$", info.stdout, re.M), info.stdout
    text = subprocess.run(
        ["pdftotext", tmp_path / "chart.pdf", "-"], capture_output=True, text=True, check=True
    ).stdout
    assert "Ventes \u00e9t\u00e9" in text and "Jan" in text


def test_a_document_format_keeps_the_name_as_given(g, tmp_path):
    feed(g, "DrawBarGraph")
    g.FilePath, g.FileName = str(tmp_path), "chart.svg"
    g.DrawBarGraph()  # no OutputFormat: the classic name rule, a BMP
    assert sorted(p.name for p in tmp_path.iterdir()) == ["chart.bmp"]
    g.OutputFormat, g.FileName = "pdf", "report.bin"
    g.DrawBarGraph()
    assert (tmp_path / "report.bin").read_bytes().startswith(b"%PDF-")


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


@needs_cli
def test_the_cli_refuses_a_scale_out_of_range(tmp_path):
    (tmp_path / "d.csv").write_text("Jan,3\n")
    result = run_cli("draw", "DrawBarGraph", tmp_path / "d.csv", "-o", tmp_path / "c.png",
                     "--scale", "9")
    assert result.returncode != 0 and "Scale must be from 1 to 4" in result.stderr
