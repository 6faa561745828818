"""The late-bound object: lifetime, names, dispatch, conversion, errors, keywords, the stub."""

import ast
import copy
import inspect
import pydoc
import re
import runpy
import subprocess
import sys

import pytest

import tessaloom
from conftest import (CLASSIC, DRAW_METHODS, PROGID, PROPERTY_PUTS, ROOT, automation_error,
                      lock_count, make_calls)

S_OK, TM, OVERFLOW = tessaloom.S_OK, tessaloom.DISP_E_TYPEMISMATCH, tessaloom.DISP_E_OVERFLOW
PNF, PNO = tessaloom.DISP_E_PARAMNOTFOUND, tessaloom.DISP_E_PARAMNOTOPTIONAL
ARG, AUTO = tessaloom.ArgumentError, tessaloom.AutomationError
TEXT_PROPERTIES = [name for name, _, kind, params in CLASSIC if params == [("newVal", 8)]]
# Arguments that every non-drawing method accepts (by VARTYPE: I4, R4, BSTR).
GOOD_ARGUMENTS = {name: tuple({3: 1, 4: 1.5, 8: "x"}[vt] for _, vt in params)
                  for name, _, kind, params in CLASSIC if kind == "method"}


def test_each_live_object_or_bound_method_holds_one_module_lock():
    before = lock_count()
    first, second = tessaloom.GraphGenerator(), tessaloom.CreateObject(PROGID)
    assert copy.deepcopy(first)._native_object is copy.copy(first)._native_object  # the same
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


# The DISPIDs compiled scripts call (names, kinds and parameters: the checked-in stub).
CLASSIC_MEMBERS = """ErrorReason ChartTitle SeriesLabel AddData GraphHeight GraphWidth
    XAxisLabel YAxisLabel DrawPieGraph DrawBarGraph FileName FilePath Draw3DBarGraph Draw3DPieGraph
    ClearData DrawLineGraph Draw3DLineGraph HasGridLines HasBackColor DrawBoxWhiskerGraph AddDataEx
    AddSeries Draw3DBarSeriesGraph DrawBarSeriesGraph AddItemToSeries SetVerticalGraph
    SetHorizontalGraph Draw3DPieSeriesGraph DrawPieSeriesGraph DrawLineSeriesGraph
    Draw3DLineSeriesGraph DrawBoxWhiskerSeriesGraph DrawStackedBarSeriesGraph
    Draw3DStackedBarSeriesGraph DrawStackedBarGraph Draw3DStackedBarGraph
    ClearSeriesData""".split()
DISPIDS = {**dict(zip(CLASSIC_MEMBERS, range(1, 38))), "BackColor": 40, "AddColor": 43,
           "OutputFormat": 50, "OutputTarget": 51, "ImageData": 52, "ImageMimeType": 53,
           "JpegQuality": 54, "LastError": 55, "AltText": 56, "RenderStyle": 57, "Scale": 58,
           "OutputFileName": 59, "Theme": 60, "ShowValues": 61, "ValueAxisMin": 62,
           "ValueAxisMax": 63, "ValueFormat": 64, "LegendPosition": 65,
           "TransparentBackground": 66}


def test_every_member_keeps_its_dispid():
    assert {(m[0], m[1]) for m in tessaloom.members()} == set(DISPIDS.items())


@pytest.mark.parametrize("name", [name for name, _, _, _ in CLASSIC])
@pytest.mark.parametrize("spell", [str, str.swapcase], ids=["as-is", "swapped"])
def test_every_member_is_reachable_by_name_in_any_case(g, tmp_path, name, spell):
    spelled = spell(name)
    if name == "ErrorReason":
        assert getattr(g, spelled) == ""
    elif name in PROPERTY_PUTS:
        setattr(g, spelled, 12 if name in ("GraphWidth", "GraphHeight") else "x")
    elif name in DRAW_METHODS:  # nothing to draw (a series without items is none): no file
        g.FilePath = str(tmp_path)
        g.AddSeries("only a title")
        assert getattr(g, spelled)() == (tessaloom.S_FALSE if "StackedBarSeries" in name else S_OK)
        assert g.LastError == g.ErrorReason == (
            "Series Members name not given or Series not added" if "Series" in name
            else "No data to draw: add values with AddData first")
        assert list(tmp_path.iterdir()) == []
    else:
        result = getattr(g, spelled)(*GOOD_ARGUMENTS[name])
        assert type(result) is int and result == tessaloom.S_OK


# "SetGridLines" is only in a help string; a Cyrillic a; a dotless i and Kelvin sign fold to ASCII.
@pytest.mark.parametrize("name", ["", "NoSuchMember", "SetGridLines", "AddDat\u0430",
                                  "ChartT\u0131tle", "Bac\u212acolor", "AddData\x00", "\ud800"])
def test_unknown_names_are_missing_attributes(g, name):
    for _ in range(2):  # on a fresh object, then once the members of like names were used
        with pytest.raises(tessaloom.UnknownNameError) as info:
            getattr(g, name)
        assert info.value.hresult == tessaloom.DISP_E_UNKNOWNNAME
        assert getattr(g, name, "fallback") == "fallback"  # an AttributeError
        with pytest.raises(tessaloom.UnknownNameError):
            setattr(g, name, 1)
        g.BackColor = g.ChartTitle = "red"


# Assigning to a method or the read-only property, and reading a write-only one.
@pytest.mark.parametrize("access,name", [(setattr, "AddData"), (setattr, "ErrorReason"),
                                         (getattr, "ChartTitle")])
def test_the_wrong_kind_of_access_is_member_not_found(g, access, name):
    error = automation_error(access, g, name, *([1] if access is setattr else []))
    assert error.hresult == tessaloom.DISP_E_MEMBERNOTFOUND
    assert g.ErrorReason == ""


# Values that convert are taken without a message (the rules: VariantChangeTypeTest); numbers
# may have only __index__ or __float__, as numpy's scalars.
INDEX = type("Index", (), {"__index__": lambda _: 7})()
REAL = type("Real", (), {"__float__": lambda _: 12.5})()
TAKEN = {
    "float": ([-0.0, -(2**63), 3.4028234663852886e38, 1e-60, True, None, " -3.25 ",
               "0." + "0" * 350 + "1", REAL], lambda g, v: [g.AddData("Jan", v), g.AddDataEx(v)]),
    "text": (["", None, "\U0001f600" * (1 << 19), "\udc00\ud800x", "a\x00b", "|,#;\r\n", 2**40,
              float("nan")], lambda g, v: [setattr(g, name, v) for name in TEXT_PROPERTIES]
             + [g.AddData(v, 1.0), g.AddItemToSeries(v), g.AddColor(v)]),
    "int32": ([-(2**31), 2**31 - 1, True, None, INDEX],
              lambda g, v: [setattr(g, "GraphWidth", v), setattr(g, "GraphHeight", v),
                            g.HasGridLines(v), g.HasBackColor(v)]),
}


@pytest.mark.parametrize("kind,value", [(k, v) for k, (values, _) in TAKEN.items() for v in values])
def test_every_value_that_converts_is_taken_without_a_message(g, kind, value):
    make_calls(g, [("AddItemToSeries", "item"), ("AddSeries", "series")])
    assert set(TAKEN[kind][1](g, value)) <= {None, S_OK}
    assert g.ErrorReason == ""


# An axis end is a number, or automatic (read as None) for the values a script or form has for
# "nothing".
@pytest.mark.parametrize("value,read", [(None, None), ("", None), (float("nan"), None),
                                        (" -2.5 ", -2.5)])
def test_an_axis_end_is_a_number_or_automatic(g, value, read):
    g.ValueAxisMax = 7
    g.ValueAxisMax = value
    assert (g.ValueAxisMax, g.LastError) == (read, "")


def test_values_keep_their_worth_on_the_way_in(g):
    # A bool is the automation model's: False 0, True -1; text beyond the basic plane is whole.
    text = "\U0001f601 \U00010400\u00e9"
    make_calls(g, [("OutputTarget", "memory"), ("AddData", "a", False), ("AddData", "b", True),
                   ("AddData", "c", INDEX), ("AddData", "d", REAL), ("AddData", text, 3),
                   ("DrawBarGraph",)])
    assert g.AltText.startswith("Bar chart, 5 values: a 0, b -1, c 7, d 12.5, %s 3." % text)


@pytest.mark.parametrize("member,args,hresult,position", [
    ("AddData", ("Jan", "abc"), TM, 1), ("AddDataEx", ("  ",), TM, 0),
    ("HasGridLines", ("yes",), TM, 0), ("AddData", ("Jan", 10**400), OVERFLOW, 1),
    ("AddData", ("Jan", 3.4028235677973366e38), OVERFLOW, 1),  # rounds past the largest float
    ("HasBackColor", (-(2**31) - 1,), OVERFLOW, 0), ("GraphWidth", (2**31,), OVERFLOW, 0),
    ("GraphHeight", (float("nan"),), OVERFLOW, 0)])  # NaN and infinity as data: PAST_FAULTS
def test_arguments_that_do_not_convert_fail_at_their_position(g, member, args, hresult, position):
    error = automation_error(make_calls, g, [(member, *args)])
    assert (error.hresult, error.argument) == (hresult, position)
    assert g.ErrorReason == ""


def test_automation_error_takes_an_unsigned_hresult_and_names_it_or_gives_its_number():
    assert tessaloom.AutomationError(0x80020005, "AddData", 1).hresult == TM
    assert tessaloom.hresult_name(0x80001234) == "0x80001234"


def drawn_values(g):
    g.OutputTarget = "memory"
    g.DrawPieGraph()
    return g.AltText.split(": ")[1].split(".")[0]


# (args, keywords, error class, hresult, what the message says after "AddData: "); without an
# error the chart's text shows what reached which parameter. Parameter names fold case.
@pytest.mark.parametrize("args,keywords,kind,hresult,message", [
    *[(a, k, None, S_OK, "") for a, k in [(("Jan", 3), {}), ((), {"xVal": "Jan", "yVal": 3}),
                                          ((), {"yVal": 3, "xVal": "Jan"}), (("Jan",), {"yVal": 3}),
                                          ((), {"XVAL": "Jan", "yval": 3})]],
    (("Jan",), {"Value": 3}, ARG, PNF,
     "the argument (Value): no parameter of that name (DISP_E_PARAMNOTFOUND)"),
    (("Jan", 3), {"xVal": "Feb"}, ARG, PNF, "the first argument (xVal): no such parameter, or"),
    ((), {"yVal": 3}, ARG, PNO, "the first argument (xVal): missing"),
    (("Jan",), {}, ARG, tessaloom.DISP_E_BADPARAMCOUNT, "the second argument (yVal): missing"),
    (("Jan", "abc"), {}, AUTO, TM, "the second argument (yVal): type mismatch (DISP_E_TYPEMISM"),
    ((), {"xVal": "Jan", "YVAL": "abc"}, AUTO, TM, "the second argument (yVal): type mismatch"),
    (("Jan",), {"yVal": 1e39}, AUTO, OVERFLOW, "the second argument (yVal): out of range"),
    (("Jan", object()), {}, ARG, TM, "the second argument (yVal): cannot pass object through"),
    (("Jan",), {"yVal\0": 3}, ARG, PNF, "the argument (yVal\x00): no parameter of that name"),
])
def test_arguments_reach_their_parameters_or_name_them(g, args, keywords, kind, hresult, message):
    if kind is None:
        assert (g.AddData(*args, **keywords), drawn_values(g)) == (S_OK, "Jan 3")
        return
    error = automation_error(lambda: g.AddData(*args, **keywords))
    assert (type(error), error.hresult) == (kind, hresult)
    assert str(error).startswith("AddData: " + message)
    assert g.ErrorReason == ""


@pytest.mark.parametrize("name,value,message", [
    ("GraphWidth", 2**31, "GraphWidth: the value assigned (newVal): out of range"),
    ("graphheight", "tall", "GraphHeight: the value assigned (newVal): type mismatch"),
    ("ChartTitle", object(), "ChartTitle: the value assigned (newVal): cannot pass object"),
    # A value the object refuses raises with the object's own message.
    ("OutputFormat", "gif", 'OutputFormat: Unknown OutputFormat: use "", "bmp", "jpeg", "png", '),
    ("Scale", 9, "Scale: Scale must be from 1 to 4 (E_INVALIDARG)")])
def test_a_bad_value_for_a_property_says_so(g, name, value, message):
    assert str(automation_error(setattr, g, name, value)).startswith(message)


def test_an_object_without_a_description_takes_keywords_too():
    _, native = tessaloom._native.create_instance(tessaloom._native.CLSID_GraphGenerator)
    g = tessaloom.Dispatch(native)  # asks GetIDsOfNames like any server's object
    assert g.AddData(yVal=3, xVal="Jan") == tessaloom.S_OK
    assert drawn_values(g) == "Jan 3"
    error = automation_error(lambda: g.AddData("Jan", Value=1))
    assert isinstance(error, TypeError) and "(Value)" in str(error)


def test_the_checked_in_stub_and_readme_table_are_the_generated_ones():
    generator = runpy.run_path(str(ROOT / "tools" / "python-stub"))
    text = generator["stub_text"](tessaloom)
    ast.parse(text)
    stub = (ROOT / "python" / "tessaloom" / "__init__.pyi").read_text()
    assert stub == text, "run: PYTHONPATH=<build>/python tools/python-stub"
    readme = (ROOT / "README.md").read_text()
    assert generator["readme_text"](tessaloom, readme) == readme, "run: tools/python-stub"


# A value each choosing property refuses; its refusal lists what it accepts.
REFUSED = {"OutputFormat": "tiff", "OutputTarget": "disk", "RenderStyle": "blurry",
           "JpegQuality": 0, "Scale": 9, "Theme": "shiny", "LegendPosition": "left"}


def test_every_members_help_and_signature_teach_real_names_and_every_accepted_value(g):
    described = {m[0]: m for m in tessaloom.members()}
    shown = " ".join(pydoc.render_doc(tessaloom.GraphGenerator, renderer=pydoc.plaintext)
                     .replace("|", " ").split())
    for name, (_, _, kind, params, text, _) in described.items():
        assert len(text.split()) >= 10 and " ".join(text.split()) in shown, name
        named = re.findall(r"\b(?:Draw|Add|Set|Has|Clear)[A-Z0-9]\w*", text)
        assert set(named) <= set(described), name
        if kind == "propput" or params:  # it takes a value: the help says which
            assert re.search(r'default|any text|finite number|"', text), name
        if kind == "method":  # the signature follows the description
            bound = inspect.signature(getattr(g, name)).bind(*(p for p, _ in params))
            assert list(bound.arguments) == [p for p, _ in params], name
    assert str(inspect.signature(g.AddData)) == "(xVal: str, yVal: float) -> int"
    for name, value in REFUSED.items():
        automation_error(setattr, g, name, value)
        for accepted in re.findall(r'"[^"]*"|\d+ to \d+', g.LastError):
            assert accepted in described[name][4], (name, accepted)


# Lines a type checker must pass (False) or flag (True) with the stub.
TYPED_USES = [
    ('g.ChartTitle = "Sales"', False), ("g.GraphWidth = 300", False),
    ('g.AddData("Jan", 3)', False), ('g.AddData(xVal="Jan", yVal=3.5)', False),
    ("g.HasGridLines(True)", False),
    ("data: bytes = g.ImageData", False), ("quality: int = g.JpegQuality", False),
    ('g.AddData("Jan")', True), ('g.AddData(Label="Jan", yVal=3)', True),
    ('g.GraphWidth = "wide"', True), ('g.ErrorReason = "x"', True),
    ("title: str = g.ChartTitle", True), ("g.DrawBarGraph(1)", True),  # ChartTitle is only set
]


def test_a_type_checker_reads_the_members_from_the_stub(tmp_path):
    pytest.importorskip("mypy")
    source = ["import tessaloom", "g = tessaloom.GraphGenerator()"] + [use for use, _ in TYPED_USES]
    (tmp_path / "use.py").write_text("\n".join(source) + "\n")
    result = subprocess.run([sys.executable, "-m", "mypy", "--no-incremental", "--cache-dir",
                             str(tmp_path / "cache"), "--no-error-summary", "use.py"],
                            capture_output=True, text=True, cwd=tmp_path)
    flagged = {int(m.group(1)) for m in re.finditer(r"^use\.py:(\d+): error", result.stdout, re.M)}
    expected = {number for number, (_, bad) in enumerate(TYPED_USES, start=3) if bad}
    assert flagged == expected, result.stdout
