"""The command-line tool; registration and creation through the registry; what `cmake --install`
and pip install uses the installed library."""

import os
import pathlib
import re
import shlex
import shutil
import socket
import stat
import subprocess
import sys
import threading
import zipfile

import pytest

import tessaloom
from conftest import (BUILD, CLI, PROGID, ROOT, automation_error, cxx_compiler, image_size,
                      lock_count, needs_cli, run_cli as tool)

pytestmark = needs_cli


# The format follows the extension or --format; "-" is standard output (--alt then on standard
# error). Method names ignore case; --alt's data is UTF-16, as spreadsheets save "Unicode text".
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
    ("drawpiegraph", "-", ["--alt"], b"\x89PNG", None),
    ("DrawPieGraph", "-", ["--format", "jpeg", "--alt"], b"\xff\xd8", None),
])
def test_draw_writes_the_chart_asked_for(tmp_path, method, out, options, magic, size):
    table = "Series" in method  # a header row of items, then a row per series; a quoted comma
    (tmp_path / "d.csv").write_text(",Q1,Q2\nN,10,20\nS,5,40\n" if table
                                    else '"Jan, 1st",3\nFeb,5.5\n',
                                    encoding="utf-16" if "--alt" in options else "utf-8")
    result = tool("draw", method, "d.csv", "-o", out, *options, cwd=tmp_path, binary=True)
    assert result.returncode == 0, result.stderr
    image = result.stdout if out == "-" else (tmp_path / out).read_bytes()
    assert image.startswith(magic) and (size is None or image_size(image) == size)
    if "--alt" in options:
        text = result.stderr if out == "-" else result.stdout
        assert text.decode().startswith("Pie chart, 2 values: Jan, 1st 3, Feb 5.5.")


# A name the component changes is warned about; one it keeps, or whose format --format names, not.
@pytest.mark.parametrize("out,options,written", [
    ("c.gif", [], "c.bmp"), ("chart", [], "bmp"), ("c.gif", ["--format", "png"], None),
    ("c.JPG", [], None),
])
def test_a_changed_output_name_is_warned_about(tmp_path, out, options, written):
    (tmp_path / "d.csv").write_text("Jan,3\n")
    result = tool("draw", "DrawBarGraph", "d.csv", "-o", out, *options, cwd=tmp_path)
    assert result.returncode == 0 and (tmp_path / (written or out)).is_file()
    assert (result.stderr == "") == (written is None)
    assert ("wrote %s, not %s:" % (written, out) in result.stderr) == (written is not None)


# The README's series calls, and its command line reading the CSV with --transpose, draw alike.
def test_the_readme_series_calls_and_transposed_csv_draw_alike(tmp_path, monkeypatch):
    section = (ROOT / "README.md").read_text().split("## Series charts", 1)[1]
    calls = section.split("```python\n", 1)[1].split("```", 1)[0]
    command = section.split("```sh\n", 1)[1].split("```", 1)[0].replace("\\\n", " ")
    shutil.copytree(ROOT / "docs", tmp_path / "docs", ignore=shutil.ignore_patterns("*.md"))
    monkeypatch.chdir(tmp_path)
    exec(calls, {})
    by_calls = (tmp_path / "docs" / "series_chart.png").read_bytes()
    result = tool(*shlex.split(command)[1:], "--alt", cwd=tmp_path)
    assert result.stdout.startswith('Bar chart "Sales by channel", y axis "Orders", 4 series, '
                                    "2 items each: Jan: Web 12, Shop 8; Feb: Web 19, Shop 11;")
    assert (tmp_path / "docs" / "series_chart.png").read_bytes() == by_calls


# Exit codes: 1 when no image was written, 2 when the command line is wrong.
@pytest.mark.parametrize("csv,method,options,code,message", [
    ("Jan,10\nFeb,abc\n", "DrawBarGraph", [], 1, 'line 2: "abc" is not a number'),
    (",Q1\nNorth,inf\n", "DrawBarSeriesGraph", [], 1, 'line 2: "inf" is not a number in range'),
    ("Jan,10,3\n", "DrawBarGraph", [], 1, "line 1: expected label,value"),
    (",Q1,Q2\nNorth,1\n", "DrawBarSeriesGraph", [], 1, "line 2: expected a title and 2 values"),
    ("Jan,1\n", "DrawNothing", [], 1, "no Draw method named DrawNothing; the methods are DrawBar"),
    ("Jan,1\n", "DrawBarGrap", [], 1, "named DrawBarGrap (did you mean DrawBarGraph?)"),
    ("Month,Sales\nJan,1\n", "DrawBarGraph", [], 1, "range; if the first row names the columns"),
    (b"Jan,1\nM\xe4r,2\n", "DrawBarGraph", [], 1, "line 2: the text is not UTF-8"),
    ("Jan,1\n", "DrawBarGraph", ["-o", "missing/x.jpg"], 1, "Invalid File Path"),
    ("", "DrawBarGraph", [], 1, "no data rows"),
    ("\ufeffmonth,units\n", "DrawBarGraph", ["--header"], 1, "no data rows"),
    (",Q1\n", "DrawBarSeriesGraph", [], 1, "no data rows"),
    (",Q1,Q2\nWeb,1\n", "DrawBarSeriesGraph", ["--transpose"], 1,
     "line 2: expected a name and 2 values"),
    (",Jan\nWeb,1\nShop,x\n", "DrawBarSeriesGraph", ["--transpose"], 1, 'line 3: "x" is not'),
    ("Jan,1\n", "DrawBarGraph", ["--width", "abc"], 2, '--width: "abc" is not a positive whole'),
    ("Jan,1\n", "DrawBarGraph", ["--grid=yes"], 2, "--grid takes no value"),
    ("Jan,1\n", "DrawBarGraph", ["--titel"], 2, "option --titel (did you mean --title?)\n'tess"),
    ("Jan,1\n", "DrawPieGraph", ["--quality", "101"], 1, "JpegQuality"),
    ("Jan,1\n", "DrawPieGraph", ["--format", "gif"], 1, "OutputFormat"),
    ("Jan,1\n", "DrawBarGraph", ["--scale", "9"], 1, "Scale must be from 1 to 4"),
    ("Jan,1\n", "DrawBarGraph", ["--theme", "shiny"], 1, "Unknown Theme: use"),
    ("Jan,1\n", "DrawBarGraph", ["--value-max=x"], 1, "ValueAxisMax must be a number"),
])
def test_bad_input_names_the_problem_and_fails(tmp_path, csv, method, options, code, message):
    (tmp_path / "bad.csv").write_bytes(csv if isinstance(csv, bytes) else csv.encode())
    result = tool("draw", method, "bad.csv", "-o", "x.jpg", *options, cwd=tmp_path)
    assert (result.returncode, message in result.stderr) == (code, True), result.stderr
    assert list(tmp_path.iterdir()) == [tmp_path / "bad.csv"]


# A FIFO, socket or /dev/stdout (a file or a pipe) named by -o is written into, never replaced.
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
    result = tool("draw", "DrawBarGraph", "-", "-o", tmp_path / "x.png", "--header", "--colors",
                  "red,rojo", input=rows)
    assert result.returncode == 0 and "44 rows past the 256th were dropped" in result.stderr
    assert 'unknown colour "rojo"' in result.stderr
    assert (tmp_path / "x.png").read_bytes()[:4] == b"\x89PNG"


@pytest.mark.parametrize("args,code,text", [
    (["--version"], 0, "tessaloom 0."), (["-h"], 0, "tessaloom convert"),
    (["draw", "--help"], 0, "--header"), (["convert", "-h"], 0, "FILE.bmp"),
    ([], 2, "no command"), (["drwa"], 2, "command drwa (did you mean draw?)"),
    (["convert"], 2, "convert needs one FILE"), (["serve", "-h"], 0, "--workers N"),
    (["serve", "--port", "70000"], 2, "--port must be from 0 to 65535"),
])
def test_help_version_and_usage_errors(args, code, text):
    result = tool(*args)
    assert result.returncode == code and text in (result.stdout if code == 0 else result.stderr)


@pytest.mark.skipif(shutil.which("man") is None, reason="man is not installed")
def test_the_manual_page_has_every_command_of_the_help_and_renders_cleanly(tmp_path):
    page = tmp_path / "tessaloom.1"
    run(sys.executable, ROOT / "cmake" / "man_page.py", CLI, page)
    synopses = [line.strip() for line in tool("--help").stdout.splitlines()
                if line.startswith("  tessaloom")]
    rendered = run("man", "--warnings", "-l", page,
                   env=dict(os.environ, MANWIDTH="200", LC_ALL="C"))  # ASCII hyphens
    text = " ".join(rendered.stdout.split())
    assert len(synopses) == 7 and all(s in text for s in synopses), (synopses, text)
    assert "DllRegisterServer" in text and "--value-format CODE" in text
    assert rendered.stderr == "", rendered.stderr


@pytest.mark.skipif(not pathlib.Path(CLI).with_name("tessaloom-full").exists(),
                    reason="the tool is not the static build")
def test_the_static_tool_draws_classic_charts_alone_and_hands_on_the_rest(tmp_path):
    assert "INTERP" not in subprocess.run(["readelf", "-l", CLI], capture_output=True,
                                          text=True, check=True).stdout
    lone = tmp_path / "bin" / "tessaloom"  # without the full tool beside or installed
    lone.parent.mkdir()
    shutil.copy(CLI, lone)
    (tmp_path / "d.csv").write_text("Jan,3\nFeb,5\n")
    draw = ["draw", "DrawBarGraph", "d.csv", "-o"]
    for args, code in [(draw + ["c.png"], 0), (draw + ["c.png", "--smooth"], 1),
                       (draw + ["c.pdf"], 1), (draw + ["c.svg"], 0), (["register"], 1),
                       (draw + ["c.png", "--title", "مبيعات"], 1)]:
        result = subprocess.run([lone, *args], cwd=tmp_path, capture_output=True, text=True)
        assert result.returncode == code, (args, result.stderr)
        assert ("tessaloom-full" in result.stderr) == (code == 1), result.stderr
    # Its own FreeType and fontconfig draw what the shared library draws, fallback faces too;
    # text that needs shaping goes to the full tool, with the data read from standard input.
    full = pathlib.Path(CLI).with_name("tessaloom-full")
    for first, data in [(lone, "中文,31\nΕλλάδα,19\n"), (CLI, "العربية,24\nहिन्दी,37\n")]:
        (tmp_path / "s.csv").write_text(data)
        drawn = [subprocess.run([program, "draw", "DrawBarGraph", source, "-o", "-", "--title",
                                 "销售"], input=data.encode(), cwd=tmp_path, capture_output=True,
                                check=True).stdout
                 for program, source in [(first, "-"), (full, "s.csv")]]
        assert drawn[0] == drawn[1] and drawn[0].startswith(b"\x89PNG"), data


def test_the_readme_lines_run_on_the_data_the_repository_ships(tmp_path):
    readme = (ROOT / "README.md").read_text()
    block = readme.split("## The command-line tool\n\n```sh\n", 1)[1].split("```", 1)[0]
    (tmp_path / "examples").symlink_to(ROOT / "examples")
    (tmp_path / "out").mkdir()
    for line in block.replace("[DIR]", "gallery").splitlines():  # demo makes its folder
        command = line.split("   #")[0].replace("build/tessaloom", shlex.quote(CLI), 1)
        result = subprocess.run(command, shell=True, cwd=tmp_path, capture_output=True)
        assert result.returncode == 0 and not result.stderr, (line, result.stderr)
    out = tmp_path / "out"
    assert {p.suffix for p in out.iterdir()} == {".jpg", ".bmp", ".JPG", ".png", ".svg"}
    assert (out / "regions.JPG").read_bytes()[:3] == b"\xff\xd8\xff"
    (out / "regions.bmp").unlink()  # and convert turns the JPEG back into a BMP
    result = tool("convert", out / "regions.JPG")
    assert (result.returncode, result.stdout) == (0, "%s\n" % (out / "regions.BMP")), result.stderr
    assert (out / "regions.BMP").read_bytes()[:2] == b"BM"
    images, index = list(tmp_path.glob("gallery/*.jpg")), (tmp_path / "gallery/index.html")
    assert len(images) == 28 and all('src="%s"' % p.name in index.read_text() for p in images)
    # The themes' command lines draw the README's pictures; its chart() call gives a PNG.
    (tmp_path / "docs").mkdir()
    for block in re.findall(r"```sh\n(.*?)```", readme, re.S):
        if "--theme" in block:
            command = block.replace("\\\n", " ").replace("build/tessaloom", shlex.quote(CLI), 1)
            assert subprocess.run(command, shell=True, cwd=tmp_path).returncode == 0, block
    assert {p.name for p in (tmp_path / "docs").iterdir()} == {"modern_chart.png", "theme_dark.png"}
    snippet = re.search(r"```python\n(import tessaloom\npng = .*?)```", readme, re.S).group(1)
    names = {}
    exec(snippet, names)
    assert names["png"].startswith(b"\x89PNG")


UNRELATED = ("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"
             "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32]\n"
             '@="/usr/lib/libother.so"\n')


@pytest.fixture
def registry(tmp_path, monkeypatch):  # a registry file of the test's own, not there yet
    path = tmp_path / "etc" / "registry.reg"
    monkeypatch.setenv("TESSALOOM_REGISTRY", str(path))
    return path


def loaded_library(name):
    """The file of the loaded library whose name starts with `name`."""
    paths = [line.split(maxsplit=5)[-1] for line in open("/proc/self/maps").read().splitlines()]
    return next(os.path.realpath(p) for p in paths if os.path.basename(p).startswith(name))


def server_of(path):
    return re.search(r'InprocServer32\]\r?\n@="([^"]*)"', path.read_text()).group(1)


def test_register_names_this_library_or_the_one_given_and_objects_come_from_it(registry, tmp_path):
    result = tool("register")
    assert result.returncode == 0, result.stderr
    assert "DllRegisterServer" in result.stdout and str(registry) in result.stdout
    server = server_of(registry)
    assert os.path.isabs(server) and os.path.realpath(server) == loaded_library("libtessaloom.so")
    before = lock_count()
    g = tessaloom.CreateObject(PROGID)  # from the very library this module uses, described
    assert (lock_count(), type(g), g.ErrorReason) == (before + 1, tessaloom.IGraphGenerator2, "")
    del g
    assert lock_count() == before
    copy = tmp_path / "copy" / "libtessaloom.so.0"  # a bare LIBRARY names a file here
    copy.parent.mkdir()
    shutil.copy(loaded_library("libtessaloom.so"), copy)
    result = tool("register", "libtessaloom.so.0", cwd=copy.parent)
    assert (result.returncode, server_of(registry)) == (0, str(copy)), result.stderr
    copy.unlink()  # then creating through it fails, and the direct way needs no registry
    error = automation_error(tessaloom.CreateObject, PROGID)
    assert (error.hresult, str(copy) in error.reason) == (tessaloom.CO_E_DLLNOTFOUND, True)
    assert "No such file or directory" in str(error)
    assert tessaloom.GraphGenerator().ErrorReason == ""
    assert tool("unregister").returncode == 0
    assert "[" not in registry.read_text()  # no key left


# A host that found the library by a relative search path and moved registers its real path.
REGISTER_ELSEWHERE = """
import ctypes, os, sys, tessaloom
os.chdir(sys.argv[1])
sys.exit(ctypes.CDLL("libtessaloom.so.0").DllRegisterServer())
"""


def test_a_host_that_moved_registers_the_library_it_loaded(registry, tmp_path):
    build = pathlib.Path(tessaloom._native.__file__).resolve().parents[2]
    subprocess.run([sys.executable, "-c", REGISTER_ELSEWHERE, str(tmp_path)], cwd=build,
                   env=dict(os.environ, LD_LIBRARY_PATH="."), check=True)
    assert server_of(registry) == str(build / "libtessaloom.so.0")


# A registry file (or none), a ProgID, the refusal's code (None: created; our own ProgIDs, in any
# ASCII case, are created directly where the registry does not name them). No lock left behind.
@pytest.mark.parametrize("text,progid,code", [
    ("not a registry\n", PROGID, tessaloom.REGDB_E_READREGDB),
    (UNRELATED, PROGID + ".1", None), (UNRELATED, "Other", tessaloom.CO_E_CLASSSTRING),
    (None, PROGID, None), (None, "tessaloom.graphgenerator", None),
    (None, "TESSALOOM.GRAPHGENERATOR.1", None), (None, "", tessaloom.CO_E_CLASSSTRING),
    (None, PROGID + ".1\x00x", tessaloom.CO_E_CLASSSTRING),
    (None, "\uff34essaloom.GraphGenerator", tessaloom.CO_E_CLASSSTRING),  # fullwidth T
])
def test_the_registry_file_decides_where_objects_come_from(registry, text, progid, code):
    if text is not None:
        registry.parent.mkdir()
        registry.write_text(text)
    before = lock_count()
    if code is None:
        assert tessaloom.CreateObject(progid).ErrorReason == ""
    else:
        error = automation_error(tessaloom.CreateObject, progid)
        assert (error.hresult, bool(error.reason)) == (code, True)
    assert lock_count() == before


def test_what_cannot_be_registered_is_refused_with_the_reason(registry, tmp_path):
    (tmp_path / "text.so").write_text("no library\n")
    for args, reason in [
        ([tmp_path / "missing.so"], "cannot load .*missing.so: .*No such file or directory"),
        ([tmp_path / "text.so"], "cannot load .*text.so"),
        ([loaded_library("libc.so")], "is not a server: it has no DllRegisterServer"),
        (["a", "b"], r"tessaloom register \[LIBRARY\]"),
    ]:
        result = tool("register", *args)
        assert result.returncode != 0 and re.search(reason, result.stderr), result.stderr
    assert not registry.exists()
    registry.parent.write_text("a file where the folder should be")
    result = tool("register")
    assert result.returncode != 0 and re.search(
        r"DllRegisterServer in .* failed: SELFREG_E_CLASS \(0x80040201\): .*/etc/", result.stderr)


EXAMPLE = ROOT / "examples" / "cpp"


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    if not (BUILD / "CMakeCache.txt").exists():
        pytest.skip("no build tree to install from")
    prefix = tmp_path_factory.mktemp("install") / "prefix"
    run("cmake", "--install", BUILD, "--prefix", prefix)
    return prefix


def registered(prefix, registry):
    """An environment that finds nothing of the build tree, the installed tool registered."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "LD_LIBRARY_PATH", "TESSALOOM_CLI")}
    env["TESSALOOM_REGISTRY"] = str(registry)
    run(prefix / "bin" / "tessaloom", "register", env=env)
    return env


# Draws a pie in both styles into classic.png and smooth.png, then whether every file of
# tessaloom in use lies under argv[1].
DRAW = """import os, sys, tessaloom
for style in ("classic", "smooth"):
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
    g.OutputTarget, g.OutputFormat, g.RenderStyle, g.ChartTitle = "memory", "png", style, "Sales"
    g.AddData("Jan", 3)
    g.DrawPieGraph()
    print(g.ImageData[:4], repr(g.ErrorReason), tessaloom._native.module_lock_count())
    open(style + ".png", "wb").write(g.ImageData)
used = [line.split()[-1] for line in open("/proc/self/maps") if "tessaloom" in line]
print(all(os.path.realpath(p).startswith(os.path.realpath(sys.argv[1]) + "/")
          for p in used + [tessaloom.__file__]))
"""
DRAWN = ["b'\\x89PNG' '' 1"] * 2 + ["True"]


def test_installed_tool_and_module_use_the_installed_library(prefix, tmp_path):
    registry = tmp_path / "registry.reg"
    env = registered(prefix, registry)
    library = os.path.realpath(prefix / "lib" / "libtessaloom.so.0")
    assert server_of(registry) == os.path.join(os.path.dirname(library), "libtessaloom.so.0")
    site = next(prefix.glob("lib/python3*/dist-packages"))
    drawn = run(sys.executable, "-c", DRAW, prefix, env=dict(env, PYTHONPATH=str(site)),
                cwd=tmp_path)
    assert drawn.stdout.splitlines() == DRAWN
    assert all((site / "tessaloom" / name).is_file() for name in ("__init__.pyi", "py.typed"))


@pytest.mark.parametrize("tree", ["build", "installed"])
def test_no_search_path_leads_to_the_current_folder(prefix, tree):  # no relative RUNPATH
    entries = []
    for path in (BUILD if tree == "build" else prefix).rglob("*"):
        if path.is_file() and not path.is_symlink():
            with path.open("rb") as file:
                head = file.read(18)
            if head[:4] == b"\x7fELF" and head[16] in (2, 3):  # a program or shared object
                dynamic = run("readelf", "-dW", path).stdout
                for found in re.findall(r"\((?:RPATH|RUNPATH)\).*\[(.*)\]", dynamic):
                    entries += [(str(path), entry) for entry in found.split(":")]
    assert entries  # the full tool's and the Python module's
    assert [(path, e) for path, e in entries if not e.startswith(("/", "$ORIGIN"))] == []


def run(*args, **options):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=True,
                          **options)


def build_with_pkg_config(files, library, folder, compiler):
    env = dict(os.environ, PKG_CONFIG_PATH=str(files))
    flags = run("pkg-config", "--cflags", "--libs", "tessaloom", env=env).stdout.split()
    run(compiler, "-std=c++17", folder / "chart.cpp", *flags, "-Wl,-rpath,%s" % library,
        "-o", folder / "chart")
    return folder / "chart"


def build_with_cmake(files, library, folder, compiler):
    run("cmake", "-S", folder, "-B", folder / "build", "-DCMAKE_PREFIX_PATH=%s" % files,
        "-DCMAKE_CXX_COMPILER=" + compiler, "-DCMAKE_BUILD_RPATH=%s" % library)
    run("cmake", "--build", folder / "build")
    return folder / "build" / "chart"


# The C++ example built as it says against the installed package (registered) and the build
# folder (no registry); it draws into memory and a file and reads a refusal from LastError.
@pytest.mark.parametrize("tree", ["installed", "build"])
@pytest.mark.parametrize("build", [build_with_pkg_config, build_with_cmake])
def test_the_cxx_example_builds_against_the_package_files(prefix, tmp_path, build, tree):
    shutil.copytree(EXAMPLE, tmp_path, dirs_exist_ok=True)
    if tree == "installed":
        files = prefix / "lib" / "pkgconfig" if build == build_with_pkg_config else prefix
        env, library = registered(prefix, tmp_path / "registry.reg"), prefix / "lib"
    else:
        files, library = BUILD, BUILD
        env = dict(os.environ, TESSALOOM_REGISTRY=str(tmp_path / "none.reg"))
    program = build(files, library, tmp_path, cxx_compiler())
    result = subprocess.run([str(program), tmp_path], capture_output=True, text=True, env=env)
    assert result.returncode == 0, result.stdout + result.stderr
    lines = result.stdout.splitlines()
    assert re.fullmatch(r'memory: \d{3,} bytes, image/png, LastError ""', lines[0]), lines
    assert lines[1] == 'file: %s/sales.png, LastError ""' % tmp_path
    assert lines[2].startswith('OutputFormat "gif": refused, LastError "Unknown OutputFormat')
    assert (tmp_path / "sales.png").read_bytes()[:4] == b"\x89PNG"


def other_python():
    """A CPython of another version (3.9 or later) than this one, if there is one."""
    here = "python%d.%d" % sys.version_info[:2]
    pyenv = pathlib.Path(os.environ.get("PYENV_ROOT", pathlib.Path.home() / ".pyenv"))
    candidates = sorted(pyenv.glob("versions/3.*/bin/python3.*"), reverse=True)
    candidates += [pathlib.Path("/usr/bin/python3.%d" % minor) for minor in range(20, 8, -1)]
    return next((str(p) for p in candidates if re.fullmatch(r"python3\.(9|[1-9]\d)", p.name)
                 and p.name != here and p.is_file()), None)


# pip wheel . built once, installed into a fresh venv of this CPython and of
# another; pip install . into a venv. Each venv draws with nothing of the tree
# and, where a mount namespace can hide them, none of the system's fonts: its
# classic chart is the build tree's, byte for byte.
@pytest.mark.parametrize("python,how", [(sys.executable, "wheel"), (other_python(), "wheel"),
                                        (sys.executable, "pip install .")])
def test_pip_builds_a_package_any_venv_draws_with(python, how, tmp_path_factory):
    if python is None or not (BUILD / "CMakeCache.txt").exists():
        pytest.skip("no other CPython, or no build tree")
    tmp = tmp_path_factory.mktemp("venv")
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "TESSALOOM_CLI")}
    env.update(TESSALOOM_BUILD_DIR=str(BUILD), TESSALOOM_REGISTRY=str(tmp / "none.reg"))
    # This pip installs into the venv, which then needs none of its own.
    pip = [sys.executable, "-m", "pip", "-q", "--python", tmp / "venv" / "bin" / "python"]
    if how == "wheel":
        wheels = tmp_path_factory.getbasetemp() / "wheel"
        if not wheels.exists():
            run(sys.executable, "-m", "pip", "-q", "wheel", "--no-build-isolation", "--no-deps",
                "-w", wheels, ROOT, env=env, cwd=ROOT)
        wheel = zipfile.ZipFile(next(wheels.glob("*.whl")))
        assert {"tessaloom/tessaloom-0/" + name for name in [
            "libtessaloom-smooth.so", "fonts/LiberationSerif-Bold.ttf", "fonts/vgasys.fon",
            "fonts/licences/fonts-wine.copyright"]} <= set(wheel.namelist())
        run(python, "-m", "venv", "--without-pip", tmp / "venv", env=env)
        run(*pip, "install", "--no-index", *wheels.glob("tessaloom-*-cp39-abi3-linux_*.whl"),
            env=env)
    else:  # the Debian Python's setuptools and wheel build it
        run(python, "-m", "venv", "--without-pip", "--system-site-packages", tmp / "venv",
            env=env)
        run(*pip, "install", "--no-build-isolation", "--no-index", ROOT, env=env, cwd=ROOT)
    hide = "mount -t tmpfs none /usr/share/fonts && mount -t tmpfs none /usr/share/wine && "
    hidden = ["unshare", "-rm", "sh", "-c", hide + 'exec "$@"', "sh"]
    if subprocess.run(hidden + ["test", "!", "-e", "/usr/share/wine/fonts"]).returncode:
        hidden = []  # no mount namespace here: the system's fonts stay in reach
    drawn = run(*hidden, tmp / "venv" / "bin" / "python", "-c", DRAW, tmp / "venv", env=env,
                cwd=tmp)
    assert drawn.stdout.splitlines() == DRAWN
    g = tessaloom.CreateObject(PROGID)
    g.OutputTarget, g.OutputFormat, g.ChartTitle = "memory", "png", "Sales"
    g.AddData("Jan", 3)
    g.DrawPieGraph()
    assert (tmp / "classic.png").read_bytes() == g.ImageData
