"""The command-line tool: draw, convert and demo."""

import os
import pathlib
import subprocess

import pytest

CLI = os.environ.get("TESSALOOM_CLI") or str(
    pathlib.Path(__file__).resolve().parents[2] / "build" / "tessaloom"
)


def run(*args, cwd=None):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=True, cwd=cwd)


@pytest.fixture(autouse=True)
def need_cli():
    if not os.path.exists(CLI):
        pytest.skip("command-line tool not built")


def test_draw_writes_a_single_set_chart(tmp_path):
    data = tmp_path / "sales.csv"
    data.write_text("Jan,12.5\nFeb,20\n\"Mar, late\",7\n")
    out = tmp_path / "chart.jpg"
    result = run("draw", "DrawBarGraph", data, "-o", out, "--title", "Sales", "--grid",
                 "--colors", "red,#00FF00", "--width", "320", "--height", "200")
    assert result.returncode == 0, result.stderr
    assert out.read_bytes()[:3] == b"\xff\xd8\xff"


def test_draw_reads_a_series_table(tmp_path):
    data = tmp_path / "table.csv"
    data.write_text(",Q1,Q2\nNorth,10,20\nSouth,5,40\n")
    out = tmp_path / "series.bmp"
    result = run("draw", "DrawStackedBarSeriesGraph", data, "-o", out, "--horizontal")
    assert result.returncode == 0, result.stderr
    assert out.read_bytes()[:2] == b"BM"


@pytest.mark.parametrize(
    "csv,method,message",
    [
        ("Jan,10\nFeb,abc\n", "DrawBarGraph", "line 2: \"abc\" is not a number"),
        ("Jan,10,3\n", "DrawBarGraph", "line 1: expected label,value"),
        ("Jan,10\n\"open\n", "DrawPieGraph", "line 2: unterminated quoted field"),
        (",Q1,Q2\nNorth,1\n", "DrawBarSeriesGraph", "line 2: expected a title and 2 values"),
        ("Jan,1\n", "DrawNothing", "no Draw method named DrawNothing"),
    ],
)
def test_bad_input_names_the_problem_and_fails(tmp_path, csv, method, message):
    data = tmp_path / "bad.csv"
    data.write_text(csv)
    result = run("draw", method, data, "-o", tmp_path / "x.jpg")
    assert result.returncode != 0
    assert message in result.stderr
    assert not (tmp_path / "x.jpg").exists()


def test_draw_reports_error_reason_when_the_file_cannot_be_written(tmp_path):
    data = tmp_path / "ok.csv"
    data.write_text("Jan,1\n")
    result = run("draw", "DrawBarGraph", data, "-o", tmp_path / "missing" / "x.jpg")
    assert result.returncode != 0
    assert "Invalid File Path" in result.stderr


def test_convert_turns_a_bmp_into_a_jpeg_and_back(tmp_path):
    data = tmp_path / "ok.csv"
    data.write_text("Jan,1\nFeb,2\n")
    assert run("draw", "DrawPieGraph", data, "-o", tmp_path / "pie.bmp").returncode == 0
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
