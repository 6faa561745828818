"""`cmake --install`: the installed tool, Python module and headers use the installed library."""

import os
import pathlib
import re
import subprocess
import sys

import pytest

from conftest import CLI, ROOT

BUILD = pathlib.Path(CLI).parent

HOST = r"""
#include <cstdio>
#include "tessaloom/tessaloom.h"
int main() {
  using namespace tessaloom;
  ComPtr<IDispatch> object;
  std::string error;
  const HRESULT hr = CreateObjectFromProgID("Tessaloom.GraphGenerator", IID_IDispatch,
                                            object.out(), error);
  std::printf("%08X %ld %s\n", static_cast<unsigned>(hr), ModuleLockCount(), error.c_str());
  return FAILED(hr) ? 1 : 0;
}
"""


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


CMAKE_HOST = """
cmake_minimum_required(VERSION 3.25)
project(host CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(Tessaloom REQUIRED)
add_executable(host host.cpp)
target_link_libraries(host PRIVATE Tessaloom::tessaloom)
set_target_properties(host PROPERTIES BUILD_RPATH "${TESSALOOM_LIB}")
"""


def run(*args, **options):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=True,
                          **options)


def build_with_pkg_config(prefix, folder, compiler):
    env = dict(os.environ, PKG_CONFIG_PATH=str(prefix / "lib" / "pkgconfig"))
    flags = run("pkg-config", "--cflags", "--libs", "tessaloom", env=env).stdout.split()
    run(compiler, "-std=c++17", folder / "host.cpp", *flags, "-Wl,-rpath,%s" % (prefix / "lib"),
        "-o", folder / "host")
    return folder / "host"


def build_with_cmake(prefix, folder, compiler):
    (folder / "CMakeLists.txt").write_text(CMAKE_HOST)
    run("cmake", "-S", folder, "-B", folder / "build", "-DCMAKE_PREFIX_PATH=%s" % prefix,
        "-DCMAKE_CXX_COMPILER=" + compiler, "-DTESSALOOM_LIB=%s" % (prefix / "lib"))
    run("cmake", "--build", folder / "build")
    return folder / "build" / "host"


@pytest.mark.parametrize("build", [build_with_pkg_config, build_with_cmake])
def test_installed_package_files_build_a_cxx17_host(prefix, tmp_path, build):
    cache = (BUILD / "CMakeCache.txt").read_text()
    compiler = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.M).group(1)
    (tmp_path / "host.cpp").write_text(HOST)
    program = build(prefix, tmp_path, compiler)
    result = subprocess.run([str(program)], capture_output=True, text=True,
                            env=registered(prefix, tmp_path / "registry.reg"))
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stdout.startswith("00000000 1 ")


DRAW = """import tessaloom
for style in ("classic", "smooth"):
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
    g.OutputTarget, g.OutputFormat, g.RenderStyle = "memory", "png", style
    g.AddData("Jan", 3)
    g.DrawBarGraph()
    maps = [line.split()[-1] for line in open("/proc/self/maps") if "tessaloom" in line]
    print(all(path.startswith(%r) for path in maps), g.ImageData[:4], repr(g.ErrorReason))
"""


def other_python():
    """A CPython of another version (3.9 or later) than this one, if there is one."""
    here = "python%d.%d" % sys.version_info[:2]
    pyenv = pathlib.Path(os.environ.get("PYENV_ROOT", pathlib.Path.home() / ".pyenv"))
    candidates = sorted(pyenv.glob("versions/3.*/bin/python3.*"), reverse=True)
    candidates += [pathlib.Path("/usr/bin/python3.%d" % minor) for minor in range(20, 8, -1)]
    return next((str(p) for p in candidates if re.fullmatch(r"python3\.(9|[1-9]\d)", p.name)
                 and p.name != here and p.is_file()), None)


# pip wheel . built once, installed into a fresh venv of this CPython and of
# another; pip install . into a venv. Each venv draws with nothing of the tree.
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
        run(python, "-m", "venv", "--without-pip", tmp / "venv", env=env)
        run(*pip, "install", "--no-index", *wheels.glob("tessaloom-*-cp39-abi3-linux_*.whl"),
            env=env)
    else:  # the Debian Python's setuptools and wheel build it
        run(python, "-m", "venv", "--without-pip", "--system-site-packages", tmp / "venv",
            env=env)
        run(*pip, "install", "--no-build-isolation", "--no-index", ROOT, env=env, cwd=ROOT)
    result = run(tmp / "venv" / "bin" / "python", "-c", DRAW % str(tmp / "venv"), env=env, cwd=tmp)
    assert result.stdout.splitlines() == ["True b'\\x89PNG' ''"] * 2
