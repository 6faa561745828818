"""The smooth style, Scale, SVG and PDF: a smooth chart keeps the classic
layout, every Draw method reaches every format in both styles, documents
carry the chart's texts. Places follow test_pixels.py's default 500 x 350
layout: data 10, 20, 30 give bars from x 91, 233, 375 on the base line y 300,
the value axis at x 62; a single pie of radius 75 about (219, 180)."""

import re
import shutil
import subprocess
import xml.etree.ElementTree as ET

import pytest

import tessaloom
from conftest import DRAW_METHODS, SALES, automation_error, data, image_size, make_calls, read_bmp

# Each format's first bytes and MIME type.
FORMATS = {"png": (b"\x89PNG", "image/png"), "jpeg": (b"\xff\xd8", "image/jpeg"),
           "bmp": (b"BM", "image/bmp"), "svg": (b"<", "image/svg+xml"),
           "pdf": (b"%PDF-", "application/pdf")}


@pytest.mark.parametrize("style", ["classic", "smooth"])
@pytest.mark.parametrize("method", DRAW_METHODS)
def test_every_method_draws_every_format_in_both_styles(g, method, style):
    g.OutputTarget, g.RenderStyle, g.Scale = "memory", style, 2
    make_calls(g, SALES)  # the store keeps the data from draw to draw
    for fmt, (magic, mime) in FORMATS.items():
        g.OutputFormat = fmt
        assert getattr(g, method)() == tessaloom.S_OK
        assert (g.ErrorReason, g.LastError) == ("", "")
        image = g.ImageData
        assert image.startswith(magic) and g.ImageMimeType == mime, fmt
        if fmt in ("png", "bmp"):  # the JPEG's comes from the same canvas
            assert image_size(image) == (1000, 700), fmt


@pytest.mark.parametrize("name,value,message", [
    ("RenderStyle", "shiny", 'Unknown RenderStyle: use "classic" or "smooth"'),
    ("Scale", 0, "Scale must be from 1 to 4"), ("Scale", 5, "Scale must be from 1 to 4")])
def test_values_outside_the_set_are_refused_and_kept(g, name, value, message):
    before = getattr(g, name)
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.E_INVALIDARG
    assert (getattr(g, name), g.LastError, g.ErrorReason) == (before, message, message)


def edges(pixel, method):
    """The layout's landmarks in classic pixels: the value axis, the base line and
    the bars' edges, or the pie's rim left, right, above and below its centre."""
    if method == "DrawBarGraph":
        axis = min(range(55, 70), key=lambda x: sum(pixel(x, 280)))
        base = min(range(292, 308), key=lambda y: sum(pixel(80, y)))
        bar = [sum(abs(a - b) for a, b in zip(pixel(x, 280), (135, 44, 86))) < 90
               for x in range(70, 481)]  # the first palette colour, anti-aliased or not
        return [axis, base] + [70 + i for i in range(1, len(bar)) if bar[i] != bar[i - 1]]
    white = (255, 255, 255)
    return [next(x for x in range(219, 100, -1) if pixel(x, 180) == white),
            next(x for x in range(219, 340) if pixel(x, 180) == white),
            next(y for y in range(180, 60, -1) if pixel(219, y) == white),
            next(y for y in range(180, 300) if pixel(219, y) == white)]


@pytest.mark.parametrize("method", ["DrawBarGraph", "DrawPieGraph"])
def test_a_smooth_chart_at_scale_2_keeps_the_classic_layout(g, tmp_path, method):
    make_calls(g, data([("L0", 10), ("L1", 20), ("L2", 30)]))
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


def test_documents_carry_the_charts_texts_as_text(g, tmp_path):
    make_calls(g, SALES).ChartTitle = title = "Ventes \u00e9t\u00e9"
    g.FilePath, g.FileName, g.OutputFormat = str(tmp_path), "chart.svg", "svg"
    g.DrawPieGraph()
    root = ET.parse(tmp_path / "chart.svg").getroot()
    ns = "{http://www.w3.org/2000/svg}"
    assert title in [t.text for t in root.iter(ns + "text")]
    assert (root.find(ns + "title").text, root.find(ns + "desc").text) == (title, g.AltText)
    g.FileName, g.OutputFormat = "chart.pdf", "pdf"
    g.DrawPieGraph()
    assert g.ErrorReason == "" and shutil.which("pdftotext"), "poppler-utils is a [test] package"
    text = subprocess.run(["pdftotext", tmp_path / "chart.pdf", "-"], capture_output=True,
                          text=True, check=True).stdout
    assert title in text and "Jan" in text


@pytest.mark.parametrize("style", ["classic", "smooth"])
def test_noncharacters_draw_as_the_replacement_character_in_every_format(style):
    # cairo's PDF text refused them (the chart failed), and each surface drew them its own way.
    def drawn(text, fmt):
        g = make_calls(tessaloom.GraphGenerator(), [
            ("OutputTarget", "memory"), ("OutputFormat", fmt), ("RenderStyle", style),
            ("ChartTitle", text)] + data([(text, 1)], draw="DrawBarGraph"))
        assert g.LastError == "", fmt
        return re.sub(rb"/CreationDate \(D:\w+\)", b"", g.ImageData)

    for fmt in ("png", "svg", "pdf"):
        assert drawn("\ufdd0\U0001fffe\U0010ffff", fmt) == drawn("\ufffd" * 3, fmt), fmt
