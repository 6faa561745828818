"""What the Python interface tells and takes beyond plain late binding:
keyword arguments as IDispatch named arguments, messages that name the
member and the argument, signatures from the type description, and the
checked-in type stub."""

import ast
import inspect
import re
import runpy
import subprocess
import sys

import pytest

import tessaloom
from conftest import ROOT, automation_error

PNF, PNO = tessaloom.DISP_E_PARAMNOTFOUND, tessaloom.DISP_E_PARAMNOTOPTIONAL
TM, OVERFLOW = tessaloom.DISP_E_TYPEMISMATCH, tessaloom.DISP_E_OVERFLOW
ARG, AUTO = tessaloom.ArgumentError, tessaloom.AutomationError


def drawn_values(g):
    g.OutputTarget = "memory"
    g.DrawPieGraph()
    return g.AltText.split(": ")[1].split(".")[0]


# Each call adds one value; the chart's text shows what reached which parameter.
# Parameter names fold case as member names do.
@pytest.mark.parametrize("args,keywords", [
    (("Jan", 3), {}), ((), {"xVal": "Jan", "yVal": 3}), ((), {"yVal": 3, "xVal": "Jan"}),
    (("Jan",), {"yVal": 3}), ((), {"XVAL": "Jan", "yval": 3})])
def test_keyword_arguments_reach_their_parameters(g, args, keywords):
    assert g.AddData(*args, **keywords) == tessaloom.S_OK
    assert drawn_values(g) == "Jan 3"


def test_a_flag_takes_a_bool_by_keyword(g):
    assert g.HasGridLines(HasGridLines=True) == tessaloom.S_OK
    assert g.hasbackcolor(hasbackcolor=False) == tessaloom.S_OK


# (args, keywords, error class, hresult, what the message says after "AddData: ")
@pytest.mark.parametrize("args,keywords,kind,hresult,message", [
    (("Jan",), {"Value": 3}, ARG, PNF,
     "the argument (Value): no parameter of that name (DISP_E_PARAMNOTFOUND)"),
    (("Jan", 3), {"xVal": "Feb"}, ARG, PNF, "the first argument (xVal): no such parameter, or"),
    ((), {"yVal": 3}, ARG, PNO, "a parameter is missing"),
    (("Jan", "abc"), {}, AUTO, TM, "the second argument (yVal): type mismatch (DISP_E_TYPEMISM"),
    ((), {"xVal": "Jan", "YVAL": "abc"}, AUTO, TM, "the second argument (yVal): type mismatch"),
    (("Jan",), {"yVal": 1e39}, AUTO, OVERFLOW, "the second argument (yVal): out of range"),
    (("Jan", object()), {}, ARG, TM, "the second argument (yVal): cannot pass object through"),
    (("Jan",), {"yVal\0": 3}, ARG, PNF, "the argument (yVal\x00): no parameter of that name"),
])
def test_failures_name_the_member_and_the_argument(g, args, keywords, kind, hresult, message):
    error = automation_error(lambda: g.AddData(*args, **keywords))
    assert (type(error), error.hresult) == (kind, hresult)
    assert str(error).startswith("AddData: " + message)
    assert g.ErrorReason == ""


@pytest.mark.parametrize("name,value,message", [
    ("GraphWidth", 2**31, "GraphWidth: the value assigned (newVal): out of range"),
    ("graphheight", "tall", "GraphHeight: the value assigned (newVal): type mismatch"),
    ("ChartTitle", object(), "ChartTitle: the value assigned (newVal): cannot pass object")])
def test_a_bad_value_for_a_property_says_so(g, name, value, message):
    assert str(automation_error(setattr, g, name, value)).startswith(message)


def test_an_object_without_a_description_takes_keywords_too():
    _, native = tessaloom._native.create_instance(tessaloom._native.CLSID_GraphGenerator)
    g = tessaloom.Dispatch(native)  # asks GetIDsOfNames like any server's object
    assert g.AddData(yVal=3, xVal="Jan") == tessaloom.S_OK
    assert drawn_values(g) == "Jan 3"
    error = automation_error(lambda: g.AddData("Jan", Value=1))
    assert isinstance(error, TypeError) and "(Value)" in str(error)


def test_method_signatures_follow_the_description(g):
    for name, _, kind, params, _, _ in tessaloom.members():
        if kind == "method":
            bound = inspect.signature(getattr(g, name)).bind(*(p for p, _ in params))
            assert list(bound.arguments) == [p for p, _ in params]
    assert str(inspect.signature(g.AddData)) == "(xVal: str, yVal: float) -> int"


def test_the_checked_in_stub_is_the_generated_one():
    generator = runpy.run_path(str(ROOT / "tools" / "python-stub"))
    text = generator["stub_text"](tessaloom)
    ast.parse(text)
    stub = (ROOT / "python" / "tessaloom" / "__init__.pyi").read_text()
    assert stub == text, "run: PYTHONPATH=<build>/python tools/python-stub"


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
    result = subprocess.run(
        [sys.executable, "-m", "mypy", "--no-incremental", "--cache-dir", str(tmp_path / "cache"),
         "--no-error-summary", "use.py"],
        capture_output=True, text=True, cwd=tmp_path)
    flagged = {int(m.group(1)) for m in re.finditer(r"^use\.py:(\d+): error", result.stdout, re.M)}
    expected = {number for number, (_, bad) in enumerate(TYPED_USES, start=3) if bad}
    assert flagged == expected, result.stdout
