"""Creating GraphGenerator objects and their lifetime."""

import threading

import pytest

import tessaloom
from conftest import PROGID, automation_error

lock_count = tessaloom._native.module_lock_count


@pytest.mark.parametrize("progid", [PROGID, "tessaloom.graphgenerator", "TESSALOOM.GRAPHGENERATOR.1"])
def test_both_progids_create_an_object_in_any_ascii_case(progid):
    reason = tessaloom.CreateObject(progid).ErrorReason
    assert type(reason) is str and reason == ""


@pytest.mark.parametrize(
    "progid",
    [
        "",
        "GraphGenerator",
        "Tessaloom.GraphGenerator.2",
        "Tessaloom.GraphGenerator.1\x00x",
        "\uff34essaloom.GraphGenerator",  # fullwidth T
        "{00000000-0000-0000-0000-000000000000}",
    ],
)
def test_unknown_progid_is_refused_with_classstring_and_creates_nothing(progid):
    before = lock_count()
    assert automation_error(tessaloom.CreateObject, progid).hresult == tessaloom.CO_E_CLASSSTRING
    assert lock_count() == before


def test_each_live_object_holds_one_module_lock_and_blocks_unloading():
    before = lock_count()
    first = tessaloom.GraphGenerator()
    second = tessaloom.CreateObject(PROGID)
    assert lock_count() == before + 2
    assert tessaloom._native.can_unload_now() == tessaloom.S_FALSE
    del first
    assert lock_count() == before + 1
    del second
    assert lock_count() == before
    expected = tessaloom.S_OK if before == 0 else tessaloom.S_FALSE
    assert tessaloom._native.can_unload_now() == expected


def test_a_bound_method_keeps_its_object_alive():
    before = lock_count()
    g = tessaloom.GraphGenerator()
    add = g.AddData
    del g
    assert lock_count() == before + 1
    assert add("Jan", 1.0) == tessaloom.S_OK
    del add
    assert lock_count() == before


def test_many_objects_on_several_threads_at_once():
    threads, per_thread = 8, 50
    before = lock_count()
    start = threading.Barrier(threads)
    failures = []

    def work(n):
        try:
            start.wait()
            for i in range(per_thread):
                g = tessaloom.CreateObject(PROGID) if i % 2 else tessaloom.GraphGenerator()
                g.ChartTitle = "thread %d chart %d" % (n, i)
                g.AddColor("RED")
                for k in range(10):
                    assert g.AddData("p%d" % k, float(k * i)) == 0
                try:
                    g.AddData("bad", "abc")  # a failing call must not leak the object
                except tessaloom.AutomationError:
                    pass
                assert g.ErrorReason == ""
        except BaseException as error:  # reported on the main thread
            failures.append(error)

    workers = [threading.Thread(target=work, args=(n,)) for n in range(threads)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    assert failures == []
    assert lock_count() == before
