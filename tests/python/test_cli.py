"""The command-line tool: draw, convert and demo."""

import os
import pathlib
import shutil
import socket
import stat
import subprocess
import threading

import pytest

from conftest import CLI, image_size, needs_cli, run_cli as run

pytestmark = needs_cli


# (method, output, options, first bytes, size): the format follows the extension, or --format;
# "-" is standard output, where the description (--alt) goes to standard error.
@pytest.mark.parametrize("method,out,options,magic,size", [
    ("DrawBarGraph", "c.jpg", ["--title", "Sales", "--grid", "--colors", "red,#00FF00", "--width",
                               "320", "--height", "200"], b"\xff\xd8\xff", None),
    ("DrawStackedBarSeriesGraph", "s.bmp", ["--horizontal"], b"BM", (500, 350)),
    ("DrawBarGraph", "c.png", ["--smooth", "--scale", "2"], b"\x89PNG", (1000, 700)),
    ("DrawBarGraph", "c.bmp", ["--scale=3"], b"BM", (1500, 1050)),
    ("DrawBarGraph", "c.pdf", ["--smooth"], b"%PDF-", None),
    ("DrawBarGraph", "c.bin", ["--format", "PDF"], b"%PDF-", None),
    ("DrawBarGraph", "c.svg", [], b"<", None),
    ("DrawPieGraph", "c.JPEG", ["--quality", "20", "--alt"], b"\xff\xd8", None),
    ("DrawPieGraph", "-", ["--alt"], b"\x89PNG", None),
    ("DrawPieGraph", "-", ["--format", "jpeg", "--alt"], b"\xff\xd8", None),
])
def test_draw_writes_the_chart_asked_for(tmp_path, method, out, options, magic, size):
    table = "Series" in method  # a header row of items, then a row per series; a quoted comma
    (tmp_path / "d.csv").write_text(",Q1,Q2\nN,10,20\nS,5,40\n" if table
                                    else '"Jan, 1st",3\nFeb,5.5\n')
    result = run("draw", method, "d.csv", "-o", out, *options, cwd=tmp_path, binary=True)
    assert result.returncode == 0, result.stderr
    image = result.stdout if out == "-" else (tmp_path / out).read_bytes()
    assert image.startswith(magic) and (size is None or image_size(image) == size)
    if "--alt" in options:
        text = result.stderr if out == "-" else result.stdout
        assert text.decode().startswith("Pie chart, 2 values: Jan, 1st 3, Feb 5.5.")


# Exit codes: 1 when no image was written, 2 when the command line is wrong.
@pytest.mark.parametrize("csv,method,options,code,message", [
    ("Jan,10\nFeb,abc\n", "DrawBarGraph", [], 1, 'line 2: "abc" is not a number'),
    (",Q1\nNorth,inf\n", "DrawBarSeriesGraph", [], 1, 'line 2: "inf" is not a number in range'),
    ("Jan,10,3\n", "DrawBarGraph", [], 1, "line 1: expected label,value"),
    (",Q1,Q2\nNorth,1\n", "DrawBarSeriesGraph", [], 1, "line 2: expected a title and 2 values"),
    ("Jan,1\n", "DrawNothing", [], 1, "no Draw method named DrawNothing"),
    ("Jan,1\n", "DrawBarGraph", ["-o", "missing/x.jpg"], 1, "Invalid File Path"),
    ("", "DrawBarGraph", [], 1, "no data rows"),
    ("\ufeffmonth,units\n", "DrawBarGraph", ["--header"], 1, "no data rows"),
    (",Q1\n", "DrawBarSeriesGraph", [], 1, "no data rows"),
    ("Jan,1\n", "DrawBarGraph", ["--width", "abc"], 2, '--width: "abc" is not a positive whole'),
    ("Jan,1\n", "DrawBarGraph", ["--grid=yes"], 2, "--grid takes no value"),
    ("Jan,1\n", "DrawBarGraph", ["--shiny"], 2, "unknown option --shiny"),
    ("Jan,1\n", "DrawPieGraph", ["--quality", "101"], 1, "JpegQuality"),
    ("Jan,1\n", "DrawPieGraph", ["--format", "gif"], 1, "OutputFormat"),
    ("Jan,1\n", "DrawBarGraph", ["--scale", "9"], 1, "Scale must be from 1 to 4"),
])
def test_bad_input_names_the_problem_and_fails(tmp_path, csv, method, options, code, message):
    (tmp_path / "bad.csv").write_text(csv)
    result = run("draw", method, "bad.csv", "-o", "x.jpg", *options, cwd=tmp_path)
    assert (result.returncode, message in result.stderr) == (code, True), result.stderr
    assert list(tmp_path.iterdir()) == [tmp_path / "bad.csv"]


# A device, FIFO or socket named by -o is written into (PNG unless the name or --format says
# otherwise), never replaced by a file; /dev/stdout writes to standard output, file or pipe.
@pytest.mark.parametrize("kind", ["fifo", "socket", "stdout pipe", "stdout file"])
def test_a_stream_named_by_the_output_is_written_into(tmp_path, kind):
    (tmp_path / "d.csv").write_text("Jan,3\n")
    target, got = tmp_path / kind, []
    if kind == "fifo":
        os.mkfifo(target)
        reader = threading.Thread(target=lambda: got.append(target.read_bytes()))
    elif kind == "socket":
        server = socket.socket(socket.AF_UNIX)
        server.bind(str(target))
        server.listen(1)
        reader = threading.Thread(
            target=lambda: got.append(server.accept()[0].makefile("rb").read()))
    else:
        target, reader = "/dev/stdout", threading.Thread(target=lambda: None)
    reader.start()
    with open(tmp_path / "out", "wb") as out:
        result = subprocess.run([CLI, "draw", "DrawBarGraph", "d.csv", "-o", target, "--alt"],
                                cwd=tmp_path, stdout=out if kind == "stdout file" else
                                subprocess.PIPE, stderr=subprocess.PIPE)
    reader.join(10)
    image = got[0] if got else result.stdout or (tmp_path / "out").read_bytes()
    assert (result.returncode, image[:4]) == (0, b"\x89PNG"), result.stderr
    assert result.stderr.startswith(b"Bar chart, 1 value")
    assert not stat.S_ISREG(os.lstat(target).st_mode)  # no file put in its place
    assert {p.name for p in tmp_path.iterdir()} <= {"d.csv", "out", kind}


def test_data_from_standard_input_with_a_byte_order_mark_header_and_too_many_rows(tmp_path):
    rows = "\ufeffmonth,units\n" + "".join("m%d,%d\n" % (i, i) for i in range(300))
    result = run("draw", "DrawBarGraph", "-", "-o", tmp_path / "x.png", "--header", "--colors",
                 "red,rojo", input=rows)
    assert result.returncode == 0, result.stderr
    assert "44 rows past the 256th were dropped" in result.stderr
    assert 'unknown colour "rojo"' in result.stderr
    assert (tmp_path / "x.png").read_bytes()[:4] == b"\x89PNG"


@pytest.mark.parametrize("args,code,text", [
    (["--version"], 0, "tessaloom 0."), (["-h"], 0, "tessaloom convert"),
    (["draw", "--help"], 0, "--header"), (["convert", "-h"], 0, "FILE.bmp"),
    ([], 2, "no command"), (["paint"], 2, "unknown command paint"),
    (["convert"], 2, "convert needs one FILE"),
])
def test_help_version_and_usage_errors(args, code, text):
    result = run(*args)
    assert result.returncode == code
    assert text in (result.stdout if code == 0 else result.stderr)


def test_convert_turns_a_bmp_into_a_jpeg_and_back(tmp_path):
    (tmp_path / "ok.csv").write_text("Jan,1\nFeb,2\n")
    assert run("draw", "DrawPieGraph", "ok.csv", "-o", "pie.bmp", cwd=tmp_path).returncode == 0
    result = run("convert", tmp_path / "pie.bmp")
    jpeg = tmp_path / "pie.JPG"
    assert (result.returncode, result.stdout.strip()) == (0, str(jpeg)), result.stderr
    assert jpeg.read_bytes()[:3] == b"\xff\xd8\xff"
    (tmp_path / "pie.bmp").unlink()
    assert run("convert", jpeg).returncode == 0
    assert (tmp_path / "pie.BMP").read_bytes()[:2] == b"BM"


def test_demo_draws_a_gallery_with_an_index(tmp_path):
    gallery = tmp_path / "gallery"  # made by the command
    assert run("demo", gallery).returncode == 0
    images = sorted(p.name for p in gallery.glob("*.jpg"))
    index = (gallery / "index.html").read_text()
    assert len(images) == 28 and all('src="%s"' % name in index for name in images)


@pytest.mark.skipif(not pathlib.Path(CLI).with_name("tessaloom-full").exists(),
                    reason="the tool is not the static build")
def test_the_static_tool_draws_classic_charts_alone_and_hands_on_the_rest(tmp_path):
    # No dynamic loader (PT_INTERP), no shared library to map.
    assert "INTERP" not in subprocess.run(["readelf", "-l", CLI], capture_output=True,
                                          text=True, check=True).stdout
    lone = tmp_path / "bin" / "tessaloom"  # without the full tool beside or installed
    lone.parent.mkdir()
    shutil.copy(CLI, lone)
    (tmp_path / "d.csv").write_text("Jan,3\nFeb,5\n")
    draw = ["draw", "DrawBarGraph", "d.csv", "-o"]
    for args, code in [(draw + ["c.png"], 0), (draw + ["c.png", "--smooth"], 1),
                       (draw + ["c.pdf"], 1), (draw + ["c.svg"], 0), (["register"], 1),
                       (draw + ["c.png", "--title", "\u0645\u0628\u064a\u0639\u0627\u062a"], 1)]:
        result = subprocess.run([lone, *args], cwd=tmp_path, capture_output=True, text=True)
        assert result.returncode == code, (args, result.stderr)
        assert ("tessaloom-full" in result.stderr) == (code == 1), result.stderr
    # Its own FreeType and fontconfig draw what the shared library draws, fallback faces too;
    # text that needs shaping goes to the full tool, with the data read from standard input.
    full = pathlib.Path(CLI).with_name("tessaloom-full")
    for tool, data in [(lone, "\u4e2d\u6587,31\n\u0395\u03bb\u03bb\u03ac\u03b4\u03b1,19\n"),
                       (CLI, "\u0627\u0644\u0639\u0631\u0628\u064a\u0629,24\n"
                             "\u0939\u093f\u0928\u094d\u0926\u0940,37\n")]:
        (tmp_path / "s.csv").write_text(data)
        drawn = [subprocess.run([program, "draw", "DrawBarGraph", source, "-o", "-", "--title",
                                 "\u9500\u552e"], input=data.encode(), cwd=tmp_path,
                                capture_output=True, check=True).stdout
                 for program, source in [(tool, "-"), (full, "s.csv")]]
        assert drawn[0] == drawn[1] and drawn[0].startswith(b"\x89PNG"), data
