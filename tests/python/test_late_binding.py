"""Name lookup, dispatch rules and error reporting of the late-bound object."""

import copy

import pytest

import tessaloom
from conftest import DRAW_METHODS, GOOD_ARGUMENTS, INTERFACE, automation_error

NAMES = [name for name, _, _, _ in INTERFACE]
PROPERTY_PUTS = [name for name, _, kind, _ in INTERFACE if kind == "propput"]
METHODS = [name for name, _, kind, _ in INTERFACE if kind == "method"]
TM, OVERFLOW = tessaloom.DISP_E_TYPEMISMATCH, tessaloom.DISP_E_OVERFLOW


# IGraphGenerator2's own members, after the classic ones: name, dispid, what a script may do.
NEW_MEMBERS = [("OutputFormat", 50, "gp"), ("OutputTarget", 51, "gp"), ("ImageData", 52, "g"),
               ("ImageMimeType", 53, "g"), ("JpegQuality", 54, "gp"), ("LastError", 55, "g"),
               ("AltText", 56, "g"), ("RenderStyle", 57, "gp"), ("Scale", 58, "gp")]


def test_the_type_description_lists_the_interface_then_the_new_members():
    members = tessaloom.members()
    assert [(m[0], m[1], m[2], [tuple(p) for p in m[3]]) for m in members[:39]] == INTERFACE
    kinds = {"g": "propget", "p": "propput"}
    assert [tuple(m[:3]) for m in members[39:]] == [
        (name, dispid, kinds[k]) for name, dispid, ks in NEW_MEMBERS for k in ks]


@pytest.mark.parametrize("name", NAMES)
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
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Real:  # and as its floating scalars are
    def __float__(self):
        return 12.5


def test_python_conveniences(g, tmp_path):
    assert "AddData" in g.AddData.__doc__
    twin = copy.copy(g)
    twin.FilePath = str(tmp_path)
    assert copy.deepcopy(g)._native_object is g._native_object
    assert g.AddData("Jan", Real()) == 0 and g.HasGridLines(Index(1)) == 0
    assert g.HasBackColor(True) == 0
    g.FileName = "x.bmp"
    g.DrawBarGraph()
    assert g.ErrorReason == "" and (tmp_path / "x.bmp").exists()


def wrong_counts():
    for name, _, kind, params in INTERFACE:
        if kind == "method":
            good = GOOD_ARGUMENTS.get(name, ())
            for args in ([good[:-1]] if good else []) + [good + ("x",)]:
                yield pytest.param(name, args, id="%s-%d" % (name, len(args)))


@pytest.mark.parametrize("name,args", list(wrong_counts()))
def test_wrong_argument_count_is_badparamcount(g, name, args):
    error = automation_error(getattr(g, name), *args)
    assert error.hresult == tessaloom.DISP_E_BADPARAMCOUNT
    assert error.argument is None
    assert g.ErrorReason == ""


def invoke(g, member, args):
    if member in PROPERTY_PUTS:
        return setattr(g, member, *args)
    return getattr(g, member)(*args)


# Python values on their way to the member's parameter types (the conversion
# table itself is VariantChangeTypeTest's).
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


@pytest.mark.parametrize("dispid", [0, -1, 38, 44, -(2**31)])
def test_invoking_an_unassigned_dispid_is_member_not_found(dispid):
    _native = tessaloom._native
    _, obj = _native.create_instance(_native.CLSID_GraphGenerator)
    with pytest.raises(_native.InvokeError) as info:
        obj.caller()(dispid, _native.DISPATCH_METHOD | _native.DISPATCH_PROPERTYGET, (), None, "x")
    assert info.value.args[0] == tessaloom.DISP_E_MEMBERNOTFOUND


def test_automation_error_carries_signed_hresult_and_names_it():
    error = tessaloom.AutomationError(0x80020005, "AddData", 1)
    assert (error.hresult, error.argument) == (tessaloom.DISP_E_TYPEMISMATCH, 1)
    assert error.hresult == 0x80020005 - 2**32
    assert "DISP_E_TYPEMISMATCH" in str(error) and "AddData" in str(error)
    assert tessaloom.hresult_name(0x800401F3) == "CO_E_CLASSSTRING"
    assert tessaloom.hresult_name(0x80001234) == "0x80001234"  # no name: the number
