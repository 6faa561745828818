"""Creating GraphGenerator objects and their lifetime."""

import pytest

import tessaloom
from conftest import PROGID, automation_error

lock_count = tessaloom._native.module_lock_count


# None: created; else the refusal's code, which leaves no object (and no lock) behind.
@pytest.mark.parametrize("progid,code", [
    (PROGID, None), ("tessaloom.graphgenerator", None), ("TESSALOOM.GRAPHGENERATOR.1", None),
    ("", tessaloom.CO_E_CLASSSTRING), ("Tessaloom.GraphGenerator.1\x00x", tessaloom.CO_E_CLASSSTRING),
    ("\uff34essaloom.GraphGenerator", tessaloom.CO_E_CLASSSTRING),  # fullwidth T
])
def test_progids_in_any_ascii_case_create_an_object_and_others_are_refused(progid, code):
    before = lock_count()
    if code is None:
        assert tessaloom.CreateObject(progid).ErrorReason == ""
    else:
        assert automation_error(tessaloom.CreateObject, progid).hresult == code
    assert lock_count() == before


def test_each_live_object_or_bound_method_holds_one_module_lock():
    before = lock_count()
    first, second = tessaloom.GraphGenerator(), tessaloom.CreateObject(PROGID)
    assert lock_count() == before + 2
    assert tessaloom._native.can_unload_now() == tessaloom.S_FALSE
    add = first.AddData
    del first, second
    assert lock_count() == before + 1
    assert add("Jan", 1.0) == tessaloom.S_OK
    with pytest.raises(tessaloom.AutomationError):  # a failing call must not leak the object
        add("bad", "abc")
    del add
    assert lock_count() == before
