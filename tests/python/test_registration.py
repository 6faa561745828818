"""Server registration with the command-line tool, and creation through the registry."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

import pytest

import tessaloom
from conftest import PROGID, automation_error, needs_cli, run_cli as tool

pytestmark = needs_cli
lock_count = tessaloom._native.module_lock_count

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


def test_register_names_this_modules_library_and_objects_come_from_it(registry):
    result = tool("register")
    assert result.returncode == 0, result.stderr
    assert "DllRegisterServer" in result.stdout and str(registry) in result.stdout
    server = server_of(registry)
    assert os.path.isabs(server) and os.path.realpath(server) == loaded_library("libtessaloom.so")
    before = lock_count()
    g = tessaloom.CreateObject(PROGID)
    assert lock_count() == before + 1  # the very library this module uses
    assert type(g) is tessaloom.IGraphGenerator2  # it answers for the described interface
    g.ChartTitle = "registered"
    assert g.ErrorReason == ""
    del g
    assert lock_count() == before


# A host that found the library through a relative search path and changed folder since
# registers the library's real path, not one read against the new current folder.
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


# A registry file and what creating an object by a ProgID gives: its code, or None when our
# own ProgIDs, which it does not name, are created directly (others: CoCreateInstanceTest).
@pytest.mark.parametrize("text,progid,code", [
    ("not a registry\n", PROGID, tessaloom.REGDB_E_READREGDB),
    (UNRELATED, PROGID + ".1", None), (UNRELATED, "Other", tessaloom.CO_E_CLASSSTRING),
])
def test_the_registry_file_decides_where_objects_come_from(registry, text, progid, code):
    registry.parent.mkdir()
    registry.write_text(text)
    before = lock_count()
    if code is None:
        assert tessaloom.CreateObject(progid).ErrorReason == ""
    else:
        error = automation_error(tessaloom.CreateObject, progid)
        assert (error.hresult, bool(error.reason)) == (code, True)
    assert lock_count() == before


def test_a_library_argument_registers_that_copy_and_a_copy_gone_fails_to_load(registry, tmp_path):
    copy = tmp_path / "copy" / "libtessaloom.so.0"
    copy.parent.mkdir()
    shutil.copy(loaded_library("libtessaloom.so"), copy)
    result = tool("register", "libtessaloom.so.0", cwd=copy.parent)  # a bare name is a file here
    assert result.returncode == 0, result.stderr
    assert server_of(registry) == str(copy)
    copy.unlink()
    error = automation_error(tessaloom.CreateObject, PROGID)
    assert (error.hresult, str(copy) in error.reason) == (tessaloom.CO_E_DLLNOTFOUND, True)
    assert "No such file or directory" in str(error)
    assert tessaloom.GraphGenerator().ErrorReason == ""  # the direct way needs no registry
    assert tool("unregister").returncode == 0
    assert "[" not in registry.read_text()  # no key left


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
