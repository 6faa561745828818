"""`cmake --install`: the installed tool, Python module and headers use the installed library."""

import os
import pathlib
import re
import subprocess
import sys

import pytest

CLI = os.environ.get("TESSALOOM_CLI") or str(
    pathlib.Path(__file__).resolve().parents[2] / "build" / "tessaloom"
)
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


def clean_env(registry):
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "LD_LIBRARY_PATH", "TESSALOOM_CLI")}
    env["TESSALOOM_REGISTRY"] = str(registry)
    return env


def test_installed_tool_registers_the_installed_library(prefix, tmp_path):
    registry = tmp_path / "registry.reg"
    result = subprocess.run([str(prefix / "bin" / "tessaloom"), "register"], capture_output=True,
                            text=True, env=clean_env(registry), cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    server = re.search(r'InprocServer32\]\n@="([^"]*)"', registry.read_text()).group(1)
    assert server == os.path.join(os.path.realpath(prefix / "lib"), "libtessaloom.so.0")


def test_installed_module_creates_objects_from_the_installed_library(prefix, tmp_path):
    site = next(prefix.glob("lib/python3*/dist-packages"))
    registry = tmp_path / "registry.reg"
    subprocess.run([str(prefix / "bin" / "tessaloom"), "register"], check=True,
                   capture_output=True, env=clean_env(registry))
    script = (
        "import os, tessaloom\n"
        "g = tessaloom.CreateObject('Tessaloom.GraphGenerator')\n"
        "g.ChartTitle = 'installed'\n"
        "maps = open('/proc/self/maps').read()\n"
        "libs = {l.split()[-1] for l in maps.splitlines() if 'libtessaloom.so' in l}\n"
        "print(tessaloom.__file__)\n"
        "print(sorted(os.path.realpath(p) for p in libs))\n"
        "print(tessaloom._native.module_lock_count(), repr(g.ErrorReason))\n"
    )
    env = clean_env(registry)
    env["PYTHONPATH"] = str(site)
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                            env=env, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    module, libs, counts = result.stdout.splitlines()
    assert module == str(site / "tessaloom" / "__init__.py")
    assert libs == str([os.path.realpath(prefix / "lib" / "libtessaloom.so.0")])
    assert counts == "1 ''"


def test_installed_headers_build_a_host(prefix, tmp_path):
    cache = (BUILD / "CMakeCache.txt").read_text()
    compiler = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.M).group(1)
    source = tmp_path / "host.cpp"
    source.write_text(HOST)
    program = tmp_path / "host"
    lib = prefix / "lib"
    build = subprocess.run(
        [compiler, "-std=c++20", "-I%s" % (prefix / "include" / "tessaloom"), str(source),
         "-L%s" % lib, "-ltessaloom", "-Wl,-rpath,%s" % lib, "-o", str(program)],
        capture_output=True, text=True)
    assert build.returncode == 0, build.stderr
    registry = tmp_path / "registry.reg"
    subprocess.run([str(prefix / "bin" / "tessaloom"), "register"], check=True,
                   capture_output=True, env=clean_env(registry))
    result = subprocess.run([str(program)], capture_output=True, text=True,
                            env=clean_env(registry))
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stdout.startswith("00000000 1 ")
