"""Creating GraphGenerator objects and their lifetime."""

import threading

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
    del add
    assert lock_count() == before


def test_many_objects_on_several_threads_at_once():
    before = lock_count()
    start = threading.Barrier(8)
    failures = []

    def work(n):
        try:
            start.wait()
            for i in range(50):
                g = tessaloom.CreateObject(PROGID) if i % 2 else tessaloom.GraphGenerator()
                g.ChartTitle = "thread %d chart %d" % (n, i)
                assert g.AddData("p", float(i)) == 0
                with pytest.raises(tessaloom.AutomationError):  # must not leak the object
                    g.AddData("bad", "abc")
                assert g.ErrorReason == ""
        except BaseException as error:  # reported on the main thread
            failures.append(error)

    workers = [threading.Thread(target=work, args=(n,)) for n in range(8)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    assert failures == []
    assert lock_count() == before
