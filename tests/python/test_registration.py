"""Server registration with the command-line tool, and creation through the registry."""

import os
import pathlib
import re
import shutil

import pytest

import tessaloom
from conftest import PROGID, automation_error, needs_cli, run_cli as tool

pytestmark = needs_cli
lock_count = tessaloom._native.module_lock_count

UNRELATED = (
    "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32]\n"
    '@="/usr/lib/libother.so"\n'
)


@pytest.fixture
def registry(tmp_path, monkeypatch):
    """A registry file of the test's own (not there yet)."""
    path = tmp_path / "etc" / "registry.reg"
    monkeypatch.setenv("TESSALOOM_REGISTRY", str(path))
    return path


def loaded_library(name):
    """The file of the loaded library whose name starts with `name`."""
    for line in pathlib.Path("/proc/self/maps").read_text().splitlines():
        path = line.split(maxsplit=5)[-1]
        if os.path.basename(path).startswith(name):
            return os.path.realpath(path)
    raise AssertionError("%s is not loaded" % name)


def server_of(path):
    return re.search(r'InprocServer32\]\r?\n@="([^"]*)"', path.read_text()).group(1)


def test_register_names_the_library_the_tool_and_this_module_share(registry):
    result = tool("register")
    assert result.returncode == 0, result.stderr
    assert "DllRegisterServer" in result.stdout and str(registry) in result.stdout
    server = server_of(registry)
    assert os.path.isabs(server)
    assert os.path.realpath(server) == loaded_library("libtessaloom.so")


@pytest.mark.parametrize("progid", [PROGID, PROGID + ".1", "TESSALOOM.GRAPHGENERATOR"])
def test_objects_come_from_the_registered_server(registry, progid):
    assert tool("register").returncode == 0
    before = lock_count()
    g = tessaloom.CreateObject(progid)
    assert lock_count() == before + 1  # the very library this module uses
    assert type(g) is tessaloom.IGraphGenerator2  # it answers for the described interface
    g.ChartTitle = "registered"
    assert g.ErrorReason == ""
    del g
    assert lock_count() == before


def test_a_server_that_cannot_be_loaded_fails_with_the_loaders_reason(registry, tmp_path):
    assert tool("register").returncode == 0
    missing = tmp_path / "gone" / "libtessaloom.so.0"
    text = registry.read_text().replace(server_of(registry), str(missing))
    registry.write_text(text)
    error = automation_error(tessaloom.CreateObject, PROGID)
    assert error.hresult == tessaloom.CO_E_DLLNOTFOUND
    assert str(missing) in error.reason
    assert "No such file or directory" in str(error)
    assert tessaloom.GraphGenerator().ErrorReason == ""  # the direct way needs no registry


@pytest.mark.parametrize("text,code", [
    # The ProgID names a class that has no registration of its own.
    ("REGEDIT4\n[HKEY_CLASSES_ROOT\\Tessaloom.GraphGenerator\\CLSID]\n"
     '@="{4F463A34-8A46-437E-8B62-422717E99546}"\n', tessaloom.REGDB_E_CLASSNOTREG),
    ("not a registry\n", tessaloom.REGDB_E_READREGDB),
])
def test_registry_failures_have_their_codes(registry, text, code):
    registry.parent.mkdir()
    registry.write_text(text)
    before = lock_count()
    error = automation_error(tessaloom.CreateObject, PROGID)
    assert (error.hresult, bool(error.reason), lock_count()) == (code, True, before)


# No registry at all: test_late_binding.py.
@pytest.mark.parametrize("text", ["Windows Registry Editor Version 5.00\n", UNRELATED])
def test_own_progids_are_created_directly_when_the_registry_does_not_name_them(registry, text):
    registry.parent.mkdir()
    registry.write_text(text)
    for progid in (PROGID, PROGID + ".1"):
        assert tessaloom.CreateObject(progid).ErrorReason == ""
    assert automation_error(tessaloom.CreateObject, "Other").hresult == tessaloom.CO_E_CLASSSTRING


def test_a_library_argument_registers_that_copy(registry, tmp_path):
    own = loaded_library("libtessaloom.so")
    copy = tmp_path / "copy" / "libtessaloom.so.0"
    copy.parent.mkdir()
    shutil.copy(own, copy)
    result = tool("register", "libtessaloom.so.0", cwd=copy.parent)  # a bare name is a file here
    assert result.returncode == 0, result.stderr
    assert server_of(registry) == str(copy)
    result = tool("unregister", copy)
    assert result.returncode == 0, result.stderr
    assert "[" not in registry.read_text()  # no key left


def test_libraries_that_are_no_servers_are_refused_with_the_reason(registry, tmp_path):
    text = tmp_path / "text.so"
    text.write_text("no library\n")
    libc = loaded_library("libc.so")
    cases = [
        (tmp_path / "missing.so", ["cannot load", "missing.so", "No such file or directory"]),
        (text, ["cannot load", "text.so"]),
        (libc, ["is not a server", "DllRegisterServer"]),
    ]
    for library, messages in cases:
        result = tool("register", library)
        assert result.returncode != 0
        for message in messages:
            assert message in result.stderr, (library, result.stderr)
    assert not registry.exists()
    result = tool("register", "a", "b")
    assert result.returncode != 0 and "tessaloom register [LIBRARY]" in result.stderr


def test_a_registry_that_cannot_be_written_fails_with_the_reason(tmp_path, monkeypatch):
    (tmp_path / "blocker").write_text("a file where the folder should be")
    monkeypatch.setenv("TESSALOOM_REGISTRY", str(tmp_path / "blocker" / "registry.reg"))
    result = tool("register")
    assert result.returncode != 0
    assert re.search(r"DllRegisterServer in .* failed: SELFREG_E_CLASS \(0x80040201\): .*blocker",
                     result.stderr), result.stderr
