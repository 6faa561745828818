"""Charts that once came out wrong, or were reported drawn when they were not."""

import hashlib
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

from conftest import BUILD, CLI, cxx_compiler, data, draw_file, read_bmp

NEGATIVE_BARS = [("AddData", "a", -5), ("AddData", "b", 5), ("DrawBarGraph",), ("ClearData",)]
POSITIVE = [("AddData", "a", 3), ("AddData", "b", 7)]
MEMORY = [("OutputTarget", "memory"), ("OutputFormat", "png")]
HORIZONTAL = [("SetHorizontalGraph",)]

# (calls on a reused object, calls on a fresh one): both must write the same file.
SAME_AS_FRESH = [
    # Each draw's legend is sized by its own texts.
    ([("AddData", "a long legend text", 1), ("DrawPieGraph",), ("ClearData",)] + POSITIVE
     + [("DrawPieGraph",)], POSITIVE + [("DrawPieGraph",)]),
    (NEGATIVE_BARS + POSITIVE + [("DrawBoxWhiskerGraph",)], POSITIVE + [("DrawBoxWhiskerGraph",)]),
    # The 3D line chart is vertical whatever was asked, and keeps the request for later charts.
    (HORIZONTAL + POSITIVE + [("Draw3DLineGraph",)], POSITIVE + [("Draw3DLineGraph",)]),
    (POSITIVE + [("Draw3DLineGraph",)] + HORIZONTAL + [("DrawBarGraph",)],
     HORIZONTAL + POSITIVE + [("DrawBarGraph",)]),
]


@pytest.mark.parametrize("reused,fresh", SAME_AS_FRESH)
def test_a_reused_object_draws_what_a_fresh_one_draws(tmp_path, reused, fresh):
    assert (draw_file(tmp_path, reused, "a.bmp")[1].read_bytes()
            == draw_file(tmp_path, fresh, "b.bmp")[1].read_bytes())


def ink(pixel, xs=range(500), ys=range(350)):
    return {pixel(x, y) for x in xs for y in ys}


def ink_height(pixel, xs, ys):
    """Rows from the first to the last in ys with black ink in columns xs."""
    rows = [y for y in ys if (0, 0, 0) in ink(pixel, xs, [y])]
    return rows[-1] + 1 - rows[0] if rows else 0


# Charts that once came out wrong: (name, calls, what must hold of (object, pixel)). Layout
# faults (bars off the plot, crowded bars or legends, labels over the axis, pie slice
# angles) are properties of every generated chart in layout_properties_test.cpp.
PAST_FAULTS = [
    # === Layout ===
    ("a negative value after a positive one is drawn",
     data(items=["i", "j"], series=[("A", [10, -8])], draw="DrawBarSeriesGraph"),
     lambda g, px: (0xF3, 0xF3, 0xAA) in ink(px)),  # the palette's second colour
    # === Pies ===
    # No room for the pies: the message says what took it.
    ("forty pies", data(items=["i"], series=[("S", [1])] * 40, draw="Draw3DPieSeriesGraph"),
     lambda g, px: g.ErrorReason == "Too many series for the image size" and px is None),
    ("a pie on a small canvas", [("GraphWidth", 150), ("GraphHeight", 120)]
     + data([("a", 1)], draw="DrawPieGraph"),
     lambda g, px: g.ErrorReason == "The image is too small for the pie" and px is None),
    ("a pie with a 10 kB label", data([("x" * 10000, 1)], draw="DrawPieGraph"),
     lambda g, px: (g.ErrorReason, px is None) in [
         ("Labels too long for the image size", True), ("", False)]),
    # === Text ===
    # Devanagari was drawn at 0.69 of the size: its letters stand as tall as Latin capitals.
    ("devanagari-label-at-the-latin-size",
     data([("HEL", 5), ("\u0915\u092e\u0932", 7)], draw="DrawBarGraph"),
     lambda g, p: (lambda latin, devanagari: latin - 1 <= devanagari <= 2 * latin)(
         *(ink_height(p, xs, range(305, 345)) for xs in (range(100, 245), range(255, 495))))),
    # === Data and output ===
    # An empty draw on a reused object hands back no image, and says why.
    ("no stale image after ClearData", MEMORY + POSITIVE + [("DrawBarGraph",), ("ClearData",),
     ("OutputFormat", "svg"), ("DrawBarGraph",)],
     lambda g, px: (g.ImageData, g.ImageMimeType, g.AltText, g.LastError)
     == (b"", "", "", "No data to draw: add values with AddData first")),
    ("no stale image without series", MEMORY + POSITIVE + [("DrawBarGraph",),
     ("DrawBarSeriesGraph",)], lambda g, px: (g.ImageData, g.LastError)
     == (b"", "Series Members name not given or Series not added")),
    # NaN and infinity are refused as 1e39 is, and the pie of 3 and 7 stays whole.
    ("NaN and infinity refused", [("AddData!", "n", float("nan")), ("AddData!", "i", float("inf")),
     ("AddItemToSeries", "x"), ("AddSeries", "s"), ("AddDataEx!", float("-inf"))] + POSITIVE
     + [("DrawPieGraph",)], lambda g, px: g.AltText.startswith("Pie chart, 2 values: a 3, b 7")),
]


@pytest.mark.parametrize("name,calls,holds", PAST_FAULTS, ids=[row[0] for row in PAST_FAULTS])
def test_a_past_fault_stays_mended(tmp_path, name, calls, holds):
    g, path = draw_file(tmp_path, calls)
    assert holds(g, read_bmp(path)[2] if path.exists() else None), (name, g.ErrorReason)


# In a process of its own, a chart drawn short of descriptors, memory or fonts, then again after.
SHORT_OF = """
import hashlib, os, resource, sys, tempfile, tessaloom
short, style, title, warm = sys.argv[1:]
def draw(width=500, height=350, scale=1, text=title):
    g = tessaloom.GraphGenerator()
    g.OutputTarget, g.OutputFormat, g.RenderStyle, g.ChartTitle = "memory", "png", style, text
    g.GraphWidth, g.GraphHeight, g.Scale = width, height, scale
    g.AddData("a", 5)
    g.DrawBarGraph()
    return g.ErrorReason, hashlib.sha1(g.ImageData or b"").hexdigest()
if warm == "warm":
    draw(text="Title ★")
if short == "descriptors":
    resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))
    held = []
    try:
        while True:
            held.append(os.open(os.devnull, os.O_RDONLY))
    except OSError:
        first = draw()
    list(map(os.close, held))
elif short == "memory":
    limits = resource.getrlimit(resource.RLIMIT_AS)
    resource.setrlimit(resource.RLIMIT_AS, (300 << 20, limits[1]))
    first = draw(2048, 2048, 4)
    resource.setrlimit(resource.RLIMIT_AS, limits)
else:
    os.environ["FONTCONFIG_FILE"] = os.path.join(tempfile.mkdtemp(), "fonts.conf")
    open(os.environ["FONTCONFIG_FILE"], "w").write("<fontconfig></fontconfig>")
    first = draw()
print(*first, draw()[1], sep="\\n")
"""
SCRIPTS = "日本 عربي हिन्दी"
NO_IMAGE = hashlib.sha1(b"").hexdigest()
# (what is short, style, title, whether fallback fonts were started before, the first error)
SHORTAGES = [
    ("descriptors", "classic", SCRIPTS, "cold", "Unable to load the chart fonts"),
    ("descriptors", "classic", SCRIPTS, "warm", "Unable to load the chart fonts"),
    ("descriptors", "smooth", SCRIPTS, "cold", "The smooth style is not available"),
    ("descriptors", "smooth", SCRIPTS, "warm", "Unable to load the chart fonts"),
    # Once aborted inside fontconfig's or Pango's start-up, before the canvas or after it (text
    # that needs fallback faces starts Pango then).
    ("memory", "smooth", SCRIPTS, "cold", "Not enough memory"),
    # Smooth text falls back to the faces the classic style opens by path.
    ("fonts", "smooth", "Title", "cold", ""),
]


@pytest.mark.parametrize("short,style,title,warm,reason", SHORTAGES)
def test_a_shortage_fails_its_draw_and_no_later_one(g, short, style, title, warm, reason):
    result = subprocess.run([sys.executable, "-c", SHORT_OF, short, style, title, warm],
                            capture_output=True, text=True, check=True)
    error, first, second = result.stdout.splitlines()
    g.OutputTarget, g.OutputFormat, g.RenderStyle, g.ChartTitle = "memory", "png", style, title
    g.AddData("a", 5)
    g.DrawBarGraph()
    healthy = hashlib.sha1(g.ImageData).hexdigest()
    assert error.startswith(reason) and (error == "") == (reason == ""), error
    assert (first, second) == (NO_IMAGE if reason else healthy, healthy)


# Libraries planted in the current folder "{}" leave a mark as they start; a relative
# LD_LIBRARY_PATH asked for its folder to be searched, so only the smooth module is planted.
PLANT = '#include <fcntl.h>\n__attribute__((constructor)) void f(void) { creat("mark", 0600); }'
SMOOTH = ["tessaloom-0/libtessaloom-smooth.so"]
NEEDED = SMOOTH + ["libstdc++.so.6", "libgcc_s.so.1", "libcairo.so.2"]
SMOOTH_CHART_THERE = """
import os, sys, tessaloom
os.chdir(sys.argv[1])
g = tessaloom.GraphGenerator()
g.OutputTarget, g.OutputFormat, g.RenderStyle = "file", "png", "smooth"
g.FilePath, g.FileName = sys.argv[1], "chart.png"
g.AddData("a", 5)
g.DrawBarGraph()
print(g.ErrorReason)
"""
HOSTS = [  # (command, folder it starts in, LD_LIBRARY_PATH, planted)
    ([CLI, "draw", "DrawBarGraph", "-", "-o", "{}/chart.png", "--smooth"], "{}", "", NEEDED),
    ([sys.executable, "-c", SMOOTH_CHART_THERE, "{}"], "{}", "", NEEDED),
    ([sys.executable, "-c", SMOOTH_CHART_THERE, "{}"], str(BUILD), ".", SMOOTH),
]


@pytest.mark.parametrize("command,start,library_path,planted", HOSTS)
def test_nothing_is_loaded_from_the_current_folder(tmp_path, command, start, library_path,
                                                   planted):
    for name in planted:
        (tmp_path / name).parent.mkdir(exist_ok=True)
        subprocess.run([cxx_compiler(), "-x", "c", "-shared", "-fPIC", "-nostdlib", "-", "-o",
                        name], input=PLANT, text=True, cwd=tmp_path, check=True)
    result = subprocess.run([a.replace("{}", str(tmp_path)) for a in command], input="a,5\n",
                            cwd=start.replace("{}", str(tmp_path)), capture_output=True, text=True,
                            env=dict(os.environ, LD_LIBRARY_PATH=library_path))
    assert (result.returncode, result.stdout.strip()) == (0, ""), result.stderr
    assert (tmp_path / "chart.png").exists() and not (tmp_path / "mark").exists()


# A package without its native module, or under a Python it cannot serve, says so on import.
@pytest.mark.parametrize("version,message", [
    (None, "no _native.abi3.so in"), ((3, 8), "needs CPython 3.9 or later on Linux; this is")])
def test_a_module_that_cannot_load_says_why(tmp_path, version, message):
    import tessaloom
    shutil.copytree(os.path.dirname(tessaloom.__file__), tmp_path / "tessaloom",
                    ignore=shutil.ignore_patterns("_native*" if version is None else "-"))
    script = "import sys\nsys.version_info = %r\nimport tessaloom" % (version or (3, 99),)
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                            env=dict(os.environ, PYTHONPATH=str(tmp_path)))
    assert message in result.stderr.splitlines()[-1]


# The chart faces' fontconfig configuration (tessaloom-0/fonts/fontconfig.conf beside the
# library) when it is broken: the system's serves and the chart draws. The current folder holds a
# usable one that must never be read, and stays as it was.
OWN_FACES = ('<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir>%s<alias><family>Inter'
             '</family><prefer><family>DejaVu Sans</family></prefer></alias></fontconfig>')
CONFIGS = [  # (what lies at fonts/fontconfig.conf, whether its faces draw the chart)
    (OWN_FACES % "", True),
    (None, False),
    ("<fontconfig><dir>", False),
    ("<fontconfig><dir>/no/such/folder</dir></fontconfig>", False),
    (OWN_FACES % "<cachedir>cache</cachedir>", False),
    (OWN_FACES % '<cachedir prefix="relative">cache</cachedir>', False),
    ("folder", False),
]


def draw_with_faces_config(folder, config, options, env=None):
    """The full tool's chart (the static one reads no faces' configuration), with copies of it
    and the libraries in `folder` and `config` as their faces' configuration, run from a folder
    of its own that holds a usable one."""
    lib, cwd = folder / "lib", folder / "cwd"
    fonts = pathlib.Path("tessaloom-0", "fonts")  # among the library's own files
    (lib / fonts).mkdir(parents=True)
    (cwd / fonts).mkdir(parents=True)
    (cwd / fonts / "fontconfig.conf").write_text(OWN_FACES % "")
    tool = BUILD / "tessaloom-full" if (BUILD / "tessaloom-full").exists() else pathlib.Path(CLI)
    for name in [tool, BUILD / "libtessaloom.so.0"]:
        shutil.copy(name, lib)
    shutil.copy(BUILD / SMOOTH[0], lib / SMOOTH[0])
    if config == "folder":
        (lib / fonts / "fontconfig.conf").mkdir()
    elif config is not None:
        (lib / fonts / "fontconfig.conf").write_text(config)
    result = subprocess.run([str(lib / tool.name), "draw", "DrawBarGraph", "-", "-o",
                             str(folder / "chart.png")] + options, input="a,5\n", cwd=cwd,
                            capture_output=True, text=True,
                            env=dict(os.environ, LD_LIBRARY_PATH=str(lib), **(env or {})))
    assert result.returncode == 0, (config, result.stderr)
    assert sorted(p.name for p in cwd.rglob("*")) == ["fontconfig.conf", "fonts",
                                                      "tessaloom-0"], config
    return (folder / "chart.png").read_bytes()


def test_a_broken_faces_configuration_leaves_the_system_s(tmp_path):
    images = [draw_with_faces_config(tmp_path / str(i), config, ["--theme", "modern"])
              for i, (config, own) in enumerate(CONFIGS)]
    for (config, own), image in zip(CONFIGS, images):  # the second is the system's
        assert image == images[0 if own else 1] and (image == images[0]) == own, config


# A character none of the chart faces has is drawn in a face of the system's configuration
# (here one that adds WenQuanYi), as if the chart faces had included it.
WITH_WQY = OWN_FACES % "<dir>/usr/share/fonts/truetype/wqy</dir>"


@pytest.mark.parametrize("style", [[], ["--smooth"], ["--theme", "modern"]])
def test_a_character_the_chart_faces_lack_finds_a_system_face(tmp_path, style):
    (tmp_path / "system.conf").write_text(WITH_WQY)
    options = style + ["--title", "月"]
    lacking = draw_with_faces_config(tmp_path / "lacking", OWN_FACES % "", options,
                                     {"FONTCONFIG_FILE": str(tmp_path / "system.conf")})
    assert lacking == draw_with_faces_config(tmp_path / "having", WITH_WQY, options)
