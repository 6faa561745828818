"""`cmake --install`: the installed tool, Python module and headers use the installed library."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

import pytest

from conftest import CLI

BUILD = pathlib.Path(CLI).parent

EXAMPLE = pathlib.Path(__file__).parents[2] / "examples" / "cpp"


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    if not (BUILD / "CMakeCache.txt").exists():
        pytest.skip("no build tree to install from")
    prefix = tmp_path_factory.mktemp("install") / "prefix"
    result = subprocess.run(["cmake", "--install", str(BUILD), "--prefix", str(prefix)],
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    return prefix


def registered(prefix, registry):
    """The environment of a process that finds nothing of the build tree, with the
    installed tool's registration in `registry`."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "LD_LIBRARY_PATH", "TESSALOOM_CLI")}
    env["TESSALOOM_REGISTRY"] = str(registry)
    run(prefix / "bin" / "tessaloom", "register", env=env)
    return env


SCRIPT = """import os, tessaloom
g = tessaloom.CreateObject('Tessaloom.GraphGenerator')
maps = open('/proc/self/maps').read().splitlines()
print(tessaloom.__file__)
print(sorted({os.path.realpath(l.split()[-1]) for l in maps if 'libtessaloom.so' in l}))
print(tessaloom._native.module_lock_count(), repr(g.ErrorReason))
"""


def test_installed_tool_and_module_use_the_installed_library(prefix, tmp_path):
    registry = tmp_path / "registry.reg"
    env = registered(prefix, registry)
    server = re.search(r'InprocServer32\]\n@="([^"]*)"', registry.read_text()).group(1)
    library = os.path.realpath(prefix / "lib" / "libtessaloom.so.0")
    assert server == os.path.join(os.path.realpath(prefix / "lib"), "libtessaloom.so.0")
    site = next(prefix.glob("lib/python3*/dist-packages"))
    result = subprocess.run([sys.executable, "-c", SCRIPT], capture_output=True, text=True,
                            env=dict(env, PYTHONPATH=str(site)), cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        str(site / "tessaloom" / "__init__.py"), str([library]), "1 ''"]
    assert (site / "tessaloom" / "__init__.pyi").is_file()  # the types travel with it
    assert (site / "tessaloom" / "py.typed").is_file()


def search_paths(tree):
    """Each entry of the RPATH and RUNPATH of every program and shared library under tree."""
    for path in tree.rglob("*"):
        if path.is_file() and not path.is_symlink():
            with path.open("rb") as file:
                head = file.read(18)
            if head[:4] == b"\x7fELF" and head[16] in (2, 3):  # a program or shared object
                dynamic = run("readelf", "-dW", path).stdout
                for found in re.findall(r"\((?:RPATH|RUNPATH)\).*\[(.*)\]", dynamic):
                    yield from ((path, entry) for entry in found.split(":"))


@pytest.mark.parametrize("tree", ["build", "installed"])
def test_no_search_path_leads_to_the_current_folder(prefix, tree):
    entries = list(search_paths(BUILD if tree == "build" else prefix))
    assert entries  # the full tool's and the Python module's
    assert [(str(path), e) for path, e in entries if not e.startswith(("/", "$ORIGIN"))] == []


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


# The C++ example, built by its own instructions against the installed package (registered, so
# the object comes through the registry) and the build folder (no registry: the library's own
# class); it draws into memory and a file and reads a refusal from LastError.
@pytest.mark.parametrize("tree", ["installed", "build"])
@pytest.mark.parametrize("build", [build_with_pkg_config, build_with_cmake])
def test_the_cxx_example_builds_against_the_package_files(prefix, tmp_path, build, tree):
    cache = (BUILD / "CMakeCache.txt").read_text()
    compiler = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.M).group(1)
    shutil.copytree(EXAMPLE, tmp_path, dirs_exist_ok=True)
    library = prefix / "lib" if tree == "installed" else BUILD
    files = BUILD
    if tree == "installed":
        files = prefix / "lib" / "pkgconfig" if build == build_with_pkg_config else prefix
    program = build(files, library, tmp_path, compiler)
    env = (registered(prefix, tmp_path / "registry.reg") if tree == "installed"
           else dict(os.environ, TESSALOOM_REGISTRY=str(tmp_path / "none.reg")))
    result = subprocess.run([str(program), tmp_path], capture_output=True, text=True, env=env)
    assert result.returncode == 0, result.stdout + result.stderr
    lines = result.stdout.splitlines()
    assert re.fullmatch(r'memory: \d{3,} bytes, image/png, LastError ""', lines[0]), lines
    assert lines[1] == 'file: %s/sales.png, LastError ""' % tmp_path
    assert lines[2].startswith('OutputFormat "gif": refused, LastError "Unknown OutputFormat')
    assert (tmp_path / "sales.png").read_bytes()[:4] == b"\x89PNG"
