"""The smooth style, Scale, SVG and PDF as a script reaches them: every Draw
method reaches every format in both styles, documents carry the chart's texts.
That a smooth chart keeps the classic pixels is the surfaces' test (C++)."""

import re
import shutil
import subprocess
import xml.etree.ElementTree as ET

import pytest

import tessaloom
from conftest import DRAW_METHODS, SALES, automation_error, data, image_size, make_calls

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
    assert (error.hresult, str(error)) == (tessaloom.E_INVALIDARG,
                                           "%s: %s (E_INVALIDARG)" % (name, message))
    assert (getattr(g, name), g.LastError, g.ErrorReason) == (before, message, message)


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
