"""The late-bound object: creation and lifetime, name lookup, dispatch rules,
argument conversion and error reporting."""

import copy

import pytest

import tessaloom
from conftest import (CLASSIC, DRAW_METHODS, GOOD_ARGUMENTS, PROGID, TEXT_PROPERTIES, add_series,
                      automation_error)

PROPERTY_PUTS = [name for name, _, kind, _ in CLASSIC if kind == "propput"]
S_OK, TM, OVERFLOW = tessaloom.S_OK, tessaloom.DISP_E_TYPEMISMATCH, tessaloom.DISP_E_OVERFLOW

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


# The DISPIDs that compiled scripts call: the classic members numbered from 1, then
# the later ones. Names, kinds and parameters are pinned by the checked-in stub.
DISPIDS = {**dict(zip("""ErrorReason ChartTitle SeriesLabel AddData GraphHeight GraphWidth
    XAxisLabel YAxisLabel DrawPieGraph DrawBarGraph FileName FilePath Draw3DBarGraph Draw3DPieGraph
    ClearData DrawLineGraph Draw3DLineGraph HasGridLines HasBackColor DrawBoxWhiskerGraph AddDataEx
    AddSeries Draw3DBarSeriesGraph DrawBarSeriesGraph AddItemToSeries SetVerticalGraph
    SetHorizontalGraph Draw3DPieSeriesGraph DrawPieSeriesGraph DrawLineSeriesGraph
    Draw3DLineSeriesGraph DrawBoxWhiskerSeriesGraph DrawStackedBarSeriesGraph
    Draw3DStackedBarSeriesGraph DrawStackedBarGraph Draw3DStackedBarGraph ClearSeriesData""".split(),
    range(1, 38))), "BackColor": 40, "AddColor": 43, "OutputFormat": 50, "OutputTarget": 51,
    "ImageData": 52, "ImageMimeType": 53, "JpegQuality": 54, "LastError": 55, "AltText": 56,
    "RenderStyle": 57, "Scale": 58}


def test_every_member_keeps_its_dispid():
    assert {(m[0], m[1]) for m in tessaloom.members()} == set(DISPIDS.items())


@pytest.mark.parametrize("name", [name for name, _, _, _ in CLASSIC])
@pytest.mark.parametrize("spell", [str, str.swapcase], ids=["as-is", "swapped"])
def test_every_member_is_reachable_by_name_in_any_case(g, name, spell):
    spelled = spell(name)
    if name == "ErrorReason":
        assert getattr(g, spelled) == ""
    elif name in PROPERTY_PUTS:
        setattr(g, spelled, 12 if name in ("GraphWidth", "GraphHeight") else "x")
    elif name in DRAW_METHODS:
        # Nothing to draw: S_OK, or S_FALSE for the stacked series kinds.
        assert getattr(g, spelled)() in (tessaloom.S_OK, tessaloom.S_FALSE)
    else:
        result = getattr(g, spelled)(*GOOD_ARGUMENTS[name])
        assert type(result) is int and result == tessaloom.S_OK


# "SetGridLines" is only in a help string; then a Cyrillic a and a dotless i.
@pytest.mark.parametrize("name", ["", "NoSuchMember", "SetGridLines", "AddDat\u0430",
                                  "ChartT\u0131tle", "AddData\x00", "\ud800"])
def test_unknown_names_are_missing_attributes(g, name):
    with pytest.raises(tessaloom.UnknownNameError) as info:
        getattr(g, name)
    assert info.value.hresult == tessaloom.DISP_E_UNKNOWNNAME
    assert isinstance(info.value, AttributeError)
    assert getattr(g, name, "fallback") == "fallback"
    with pytest.raises(tessaloom.UnknownNameError):
        setattr(g, name, 1)


def test_name_lookup_does_not_depend_on_earlier_calls():
    # U+212A KELVIN SIGN lower-cases to "k" in Unicode but is no ASCII letter.
    lookalike = "Bac\u212acolor"
    assert not hasattr(tessaloom.GraphGenerator(), lookalike)
    used = tessaloom.GraphGenerator()
    used.BackColor = "red"
    assert not hasattr(used, lookalike)


# Assigning to a method or the read-only property, and reading a write-only one.
@pytest.mark.parametrize("access,name", [(setattr, "AddData"), (setattr, "ClearData"),
                                         (setattr, "DrawBarGraph"), (setattr, "ErrorReason"),
                                         (getattr, "ChartTitle"), (getattr, "GraphWidth"),
                                         (getattr, "BackColor")])
def test_the_wrong_kind_of_access_is_member_not_found(g, access, name):
    error = automation_error(access, g, name, *([1] if access is setattr else []))
    assert error.hresult == tessaloom.DISP_E_MEMBERNOTFOUND
    assert g.ErrorReason == ""


class Index:  # a number as numpy's integer scalars are: it only has __index__
    def __index__(self):
        return 7


class Real:  # and as its floating scalars are
    def __float__(self):
        return 12.5


# Python values on their way to the parameter types (the conversion rules are
# VariantChangeTypeTest's): every value that converts is taken without a message;
# one that does not fails at its position.
@pytest.mark.parametrize("value", [-0.0, -(2**63), 3.4028234663852886e38, 1e-60, True, None,
                                   " -3.25 ", "0." + "0" * 350 + "1", Real()])
def test_add_data_and_add_data_ex_accept_any_value_in_float_range(g, value):
    add_series(g, ["item"], [("series", [])])
    assert g.AddData("Jan", value) == g.AddDataEx(value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", ["", None, "\U0001f600" * (1 << 19), "\udc00\ud800x", "a\x00b",
                                   "|,#;\r\n", 2**40, float("nan")])
def test_texts_accept_any_value_that_reads_as_text(g, value):
    for name in TEXT_PROPERTIES:
        setattr(g, name, value)
    assert g.AddData(value, 1.0) == g.AddItemToSeries(value) == g.AddColor(value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", [-(2**31), 2**31 - 1, 12.5, True, None, " 12 ", "1e-400",
                                   Index()])
def test_sizes_and_switches_accept_values_that_round_into_int32(g, value):
    g.GraphWidth = g.GraphHeight = value
    assert g.HasGridLines(value) == g.HasBackColor(value) == S_OK
    assert g.ErrorReason == ""


def invoke(g, member, args):
    if member in PROPERTY_PUTS:
        return setattr(g, member, *args)
    return getattr(g, member)(*args)


@pytest.mark.parametrize("member,args,hresult,position", [
    ("AddData", ("Jan", "abc"), TM, 1), ("AddDataEx", ("  ",), TM, 0),
    ("HasGridLines", ("yes",), TM, 0), ("AddData", ("Jan", 10**400), OVERFLOW, 1),
    ("AddData", ("Jan", 3.4028235677973366e38), OVERFLOW, 1),  # rounds past the largest float
    ("HasBackColor", (-(2**31) - 1,), OVERFLOW, 0), ("GraphWidth", (2**31,), OVERFLOW, 0),
    ("GraphHeight", (float("nan"),), OVERFLOW, 0), ("AddData", ("Jan", float("nan")), OVERFLOW, 1),
    ("AddDataEx", (float("-inf"),), OVERFLOW, 0)])
def test_arguments_that_do_not_convert_fail_at_their_position(g, member, args, hresult, position):
    error = automation_error(invoke, g, member, args)
    assert (error.hresult, error.argument) == (hresult, position)
    assert g.ErrorReason == ""


def test_python_conveniences(g, tmp_path):
    assert "AddData" in g.AddData.__doc__
    copy.copy(g).FilePath = str(tmp_path)  # a copy is the same object
    assert copy.deepcopy(g)._native_object is g._native_object
    g.FileName = "x.bmp"
    g.AddData("Jan", 1)
    g.DrawBarGraph()
    assert g.ErrorReason == "" and (tmp_path / "x.bmp").exists()


@pytest.mark.parametrize("dispid", [0, -1, 38, 44, -(2**31)])
def test_invoking_an_unassigned_dispid_is_member_not_found(dispid):
    _native = tessaloom._native
    _, obj = _native.create_instance(_native.CLSID_GraphGenerator)
    with pytest.raises(_native.InvokeError) as info:
        obj.caller()(dispid, _native.DISPATCH_METHOD | _native.DISPATCH_PROPERTYGET, (), None, "x")
    assert info.value.args[0] == tessaloom.DISP_E_MEMBERNOTFOUND


def test_automation_error_takes_an_unsigned_hresult_and_names_it_or_gives_its_number():
    assert tessaloom.AutomationError(0x80020005, "AddData", 1).hresult == TM
    assert tessaloom.hresult_name(0x80001234) == "0x80001234"
