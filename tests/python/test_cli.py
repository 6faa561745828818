"""The command-line tool: draw, convert and demo."""

import pytest

from conftest import needs_cli, run_cli as run

pytestmark = needs_cli


@pytest.mark.parametrize(
    "csv,method,name,options,magic",
    [
        ("Jan,12.5\nFeb,20\n\"Mar, late\",7\n", "DrawBarGraph", "chart.jpg",
         ["--title", "Sales", "--grid", "--colors", "red,#00FF00", "--width", "320", "--height", "200"],
         b"\xff\xd8\xff"),
        (",Q1,Q2\nNorth,10,20\nSouth,5,40\n", "DrawStackedBarSeriesGraph", "series.bmp",
         ["--horizontal"], b"BM"),
    ],
)
def test_draw_writes_a_chart_of_single_values_or_a_series_table(tmp_path, csv, method, name,
                                                                options, magic):
    (tmp_path / "data.csv").write_text(csv)
    result = run("draw", method, tmp_path / "data.csv", "-o", tmp_path / name, *options)
    assert result.returncode == 0, result.stderr
    assert (tmp_path / name).read_bytes()[: len(magic)] == magic


@pytest.mark.parametrize(
    "csv,method,out,message",
    [
        ("Jan,10\nFeb,abc\n", "DrawBarGraph", "x.jpg", "line 2: \"abc\" is not a number"),
        ("Jan,10,3\n", "DrawBarGraph", "x.jpg", "line 1: expected label,value"),
        ("Jan,10\n\"open\n", "DrawPieGraph", "x.jpg", "line 2: unterminated quoted field"),
        (",Q1,Q2\nNorth,1\n", "DrawBarSeriesGraph", "x.jpg", "line 2: expected a title and 2 values"),
        ("Jan,1\n", "DrawNothing", "x.jpg", "no Draw method named DrawNothing"),
        ("Jan,1\n", "DrawBarGraph", "missing/x.jpg", "Invalid File Path"),
    ],
)
def test_bad_input_names_the_problem_and_fails(tmp_path, csv, method, out, message):
    (tmp_path / "bad.csv").write_text(csv)
    result = run("draw", method, tmp_path / "bad.csv", "-o", tmp_path / out)
    assert result.returncode != 0
    assert message in result.stderr
    assert not (tmp_path / out).exists()


def test_convert_turns_a_bmp_into_a_jpeg_and_back(tmp_path):
    (tmp_path / "ok.csv").write_text("Jan,1\nFeb,2\n")
    assert run("draw", "DrawPieGraph", tmp_path / "ok.csv", "-o", tmp_path / "pie.bmp").returncode == 0
    result = run("convert", tmp_path / "pie.bmp")
    assert result.returncode == 0, result.stderr
    jpeg = tmp_path / "pie.JPG"
    assert result.stdout.strip() == str(jpeg)
    assert jpeg.read_bytes()[:3] == b"\xff\xd8\xff"
    (tmp_path / "pie.bmp").unlink()
    assert run("convert", jpeg).returncode == 0
    assert (tmp_path / "pie.BMP").read_bytes()[:2] == b"BM"


def test_demo_draws_a_gallery_with_an_index(tmp_path):
    result = run("demo", tmp_path / "gallery")
    assert result.returncode == 0, result.stderr
    images = sorted(p.name for p in (tmp_path / "gallery").glob("*.jpg"))
    assert len(images) == 28
    index = (tmp_path / "gallery" / "index.html").read_text()
    assert all('src="%s"' % name in index for name in images)
