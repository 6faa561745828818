"""Draw methods from the script's call to the file or bytes: formats, styles, Scale, chart()."""

import importlib.util
import re
import shutil
import subprocess
import xml.etree.ElementTree as ET

import pytest

import tessaloom
from conftest import DRAW_METHODS, SALES, data, image_size, make_calls

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
        assert (getattr(g, method)(), g.ErrorReason, g.LastError, g.ImageMimeType) == (
            tessaloom.S_OK, "", "", mime)
        assert g.ImageData.startswith(magic), fmt
        if fmt in ("png", "bmp"):  # the JPEG's comes from the same canvas
            assert image_size(g.ImageData) == (1000, 700), fmt


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


def test_an_image_too_large_is_refused_and_the_object_stays_usable(g, tmp_path):
    make_calls(g, SALES + [("FilePath", str(tmp_path)), ("FileName", "huge.jpg"),
                           ("GraphWidth", 20000)])
    assert g.DrawBarGraph() == tessaloom.S_OK
    assert g.ErrorReason.startswith("Image size 20000 x 350 is larger than the largest")
    assert list(tmp_path.iterdir()) == []
    g.FileName, g.GraphWidth = "ok.jpg", 400
    g.DrawBarGraph()
    assert (tmp_path / "ok.jpg").exists()


# The format asked for wins over the file name's extension, which names it otherwise.
@pytest.mark.parametrize("fmt,name", [("png", "a.png"), ("JPEG", "a.bmp"), ("bmp", "a.jpg"),
                                      ("", "a.jpg")])
def test_image_data_is_bytes_equal_to_the_file(g, tmp_path, fmt, name):
    magic, mime = FORMATS[fmt.lower() or "jpeg"]
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


np, pd = [importlib.util.find_spec(n) and importlib.import_module(n) for n in ("numpy", "pandas")]
PAIRS = data([("Jan", 12), ("Feb", 19)])
# Series as users mean them: Web and Shop are the legend's entries, Q1 and Q2 the categories.
BY_CHANNEL = data(items=("Web", "Shop"), series=[("Q1", (1, 4)), ("Q2", (2, 5))])
QUARTERS = {"categories": ["Q1", "Q2"]}
# (kind, data, keywords, the object's calls that draw the same image)
CHARTS = [
    ("bar", {"Jan": 12, "Feb": 19}, {}, PAIRS + [("DrawBarGraph",)]),
    ("3D Pie", [("Jan", 12), ("Feb", 19.0)], {}, PAIRS + [("Draw3DPieGraph",)]),
    ("line", (12, 19), {"categories": ("Jan", "Feb"), "grid": True},
     [("HasGridLines", 1)] + PAIRS + [("DrawLineGraph",)]),
    ("line", {"Web": [1, 2], "Shop": (4, 5)}, QUARTERS, BY_CHANNEL + [("DrawLineSeriesGraph",)]),
    ("stacked_bar", {"Web": [1, 2], "Shop": [4, 5]},
     dict(QUARTERS, three_d=True, horizontal=True, title="Sales", colors=["red", "navy"]),
     [("ChartTitle", "Sales"), ("SetHorizontalGraph",), ("AddColor", "red"), ("AddColor", "navy")]
     + BY_CHANNEL + [("Draw3DStackedBarSeriesGraph",)]),
    ("bar", {"Jan": 12, "Feb": 19},
     dict(theme="dark", show_values=True, value_min=-5, value_max=None, value_format="0.0",
          legend="none", transparent=True),
     [("Theme", "dark"), ("ShowValues", True), ("ValueAxisMin", -5), ("ValueFormat", "0.0"),
      ("LegendPosition", "none"), ("TransparentBackground", True)] + PAIRS + [("DrawBarGraph",)]),
] + ([
    ("bar", np.array([12, 19]), {"categories": ["Jan", "Feb"]}, PAIRS + [("DrawBarGraph",)]),
    ("bar", {"Web": np.array([1, 2]), "Shop": np.array([4.0, 5.0])}, QUARTERS,
     BY_CHANNEL + [("DrawBarSeriesGraph",)]),
] if np else []) + ([
    ("pie", pd.Series([12, 19], index=["Jan", "Feb"]), {}, PAIRS + [("DrawPieGraph",)]),
    ("line", pd.DataFrame({"Web": [1, 2], "Shop": [4, 5]}, index=["Q1", "Q2"]), {},
     BY_CHANNEL + [("DrawLineSeriesGraph",)]),
] if pd else [])


@pytest.mark.parametrize("kind,values,keywords,calls", CHARTS)
def test_chart_draws_what_the_objects_calls_draw(g, kind, values, keywords, calls):
    g.OutputTarget, g.OutputFormat = "memory", "png"
    make_calls(g, calls)
    assert tessaloom.chart(kind, values, **keywords) == g.ImageData != b""


@pytest.mark.parametrize("kind,values,keywords,message", [
    ("donut", [1], {}, "unknown chart kind 'donut'"),
    ("bar", {}, {}, "DrawBarGraph drew nothing: No data to draw"),
    ("line", {"Web": [1, 2]}, {"categories": ["Q1"]}, "series 'Web' has 2 values for 1"),
    ("3d box whisker", [1], {}, "unknown chart kind")])
def test_chart_says_what_it_cannot_draw(kind, values, keywords, message):
    with pytest.raises(ValueError, match=message):
        tessaloom.chart(kind, values, **keywords)
