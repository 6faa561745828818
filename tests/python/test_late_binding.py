"""Name lookup, dispatch rules and error reporting of the late-bound object."""

import pytest

import tessaloom
from conftest import (
    DRAW_METHODS,
    GOOD_ARGUMENTS,
    INTERFACE,
    TEXT_PROPERTIES,
    automation_error,
)

_native = tessaloom._native
NAMES = [name for name, _, _, _ in INTERFACE]
PROPERTY_PUTS = [name for name, _, kind, _ in INTERFACE if kind == "propput"]
METHODS = [name for name, _, kind, _ in INTERFACE if kind == "method"]


def native_object():
    hr, obj = _native.create_instance(_native.CLSID_GraphGenerator)
    assert hr == tessaloom.S_OK
    return obj


def test_type_description_lists_the_interface_in_order():
    members = tessaloom.members()
    assert [(m[0], m[1], m[2], [tuple(p) for p in m[3]]) for m in members] == INTERFACE


def test_help_strings_name_each_member_with_two_historic_exceptions():
    exceptions = {
        "HasGridLines": "method SetGridLines",
        "Draw3DBarSeriesGraph": "method Draw3dBarSeriesGraph",
    }
    for name, _, kind, _, help_string in tessaloom.members():
        word = "method" if kind == "method" else "property"
        assert help_string == exceptions.get(name, "%s %s" % (word, name))


def test_dir_lists_every_member(g):
    assert sorted(dir(g)) == sorted(NAMES)


@pytest.mark.parametrize("name,dispid", [(m[0], m[1]) for m in INTERFACE])
def test_every_name_resolves_to_its_dispid_in_any_case(name, dispid):
    obj = native_object()
    for spelling in (name, name.lower(), name.upper(), name.swapcase()):
        assert obj.get_id(spelling.encode("utf-16-le")) == (tessaloom.S_OK, dispid)


@pytest.mark.parametrize("name", NAMES)
@pytest.mark.parametrize(
    "spell", [str, str.lower, str.upper, str.swapcase], ids=["as-is", "lower", "upper", "swapped"]
)
def test_every_member_is_reachable_by_name(g, name, spell):
    spelled = spell(name)
    if name == "ErrorReason":
        assert getattr(g, spelled) == ""
    elif name in PROPERTY_PUTS:
        setattr(g, spelled, 12 if name in ("GraphWidth", "GraphHeight") else "x")
    elif name in DRAW_METHODS:
        # Nothing to draw: S_OK, or S_FALSE for the stacked series kinds.
        assert getattr(g, spelled)() in (tessaloom.S_OK, tessaloom.S_FALSE)
    else:
        assert getattr(g, spelled)(*GOOD_ARGUMENTS[name]) == tessaloom.S_OK


@pytest.mark.parametrize("name", DRAW_METHODS)
def test_reading_a_method_name_does_not_call_it(g, name):
    method = getattr(g, name)  # a series method called now would leave a message
    assert callable(method)
    assert g.ErrorReason == ""


def test_methods_return_s_ok_as_a_plain_int(g):
    result = g.ClearData()
    assert type(result) is int and result == 0


@pytest.mark.parametrize(
    "name",
    [
        "",
        "NoSuchMember",
        "AddData ",
        " AddData",
        "Add_Data",
        "AddDatas",
        "AddDat",
        "Draw3dLineGraph2",
        "SetGridLines",  # only the help string says so
        "newVal",
        "IGraphGenerator",
        "AddDat\u0430",  # Cyrillic a
        "\uff21ddData",  # fullwidth A
        "ChartT\u0131tle",  # dotless i
        "\U0001f600",
        "AddData\x00",
        "AddData\x00Ex",
        "ClearData\x00junk",
    ],
)
def test_unknown_names_raise_unknown_name_error(g, name):
    with pytest.raises(tessaloom.UnknownNameError) as info:
        getattr(g, name)
    assert info.value.hresult == tessaloom.DISP_E_UNKNOWNNAME
    assert isinstance(info.value, AttributeError)


@pytest.mark.parametrize("name", ["\ud800", "AddData\udfff", "\udc00\ud800"])
def test_names_with_lone_surrogates_are_unknown(g, name):
    assert not hasattr(g, name)


def test_unknown_name_behaves_as_a_missing_attribute(g):
    assert not hasattr(g, "NoSuchMember")
    assert getattr(g, "NoSuchMember", "fallback") == "fallback"
    with pytest.raises(tessaloom.UnknownNameError):
        g.NoSuchMember = 1


def test_name_lookup_does_not_depend_on_earlier_calls():
    # U+212A KELVIN SIGN lower-cases to "k" in Unicode but is no ASCII letter.
    lookalike = "Bac\u212acolor"
    fresh = tessaloom.GraphGenerator()
    assert not hasattr(fresh, lookalike)
    used = tessaloom.GraphGenerator()
    used.BackColor = "red"
    assert not hasattr(used, lookalike)


@pytest.mark.parametrize("name", METHODS + ["ErrorReason"])
def test_assigning_to_a_method_or_the_read_only_property_is_member_not_found(g, name):
    error = automation_error(setattr, g, name, 1)
    assert error.hresult == tessaloom.DISP_E_MEMBERNOTFOUND
    assert g.ErrorReason == ""


@pytest.mark.parametrize("name", PROPERTY_PUTS)
@pytest.mark.parametrize("args", [(), ("x",), (1,)])
def test_calling_a_write_only_property_is_member_not_found(g, name, args):
    error = automation_error(getattr(g, name), *args)
    assert error.hresult == tessaloom.DISP_E_MEMBERNOTFOUND


def wrong_counts():
    for name, _, kind, params in INTERFACE:
        if kind != "method":
            continue
        good = GOOD_ARGUMENTS.get(name, ())
        for args in [good[:k] for k in range(len(params))] + [good + ("x",), good + (1, 2)]:
            yield pytest.param(name, args, id="%s-%d" % (name, len(args)))


@pytest.mark.parametrize("name,args", list(wrong_counts()))
def test_wrong_argument_count_is_badparamcount(g, name, args):
    error = automation_error(getattr(g, name), *args)
    assert error.hresult == tessaloom.DISP_E_BADPARAMCOUNT
    assert error.argument is None
    assert g.ErrorReason == ""


def invoke(g, member, args):
    if member in PROPERTY_PUTS:
        setattr(g, member, *args)
        return None
    return getattr(g, member)(*args)


@pytest.mark.parametrize(
    "member,args,position",
    [
        ("AddData", ("Jan", "abc"), 1),
        ("AddData", ("Jan", ""), 1),
        ("AddData", ("Jan", "1.5x"), 1),
        ("AddData", ("Jan", "inf"), 1),
        ("AddData", ("Jan", "nan"), 1),
        ("AddDataEx", ("abc",), 0),
        ("AddDataEx", ("  ",), 0),
        ("HasGridLines", ("yes",), 0),
        ("HasBackColor", ("1.0.0",), 0),
        ("GraphWidth", ("abc",), 0),
        ("GraphHeight", ("12px",), 0),
    ],
)
def test_uncoercible_argument_is_typemismatch_at_its_position(g, member, args, position):
    error = automation_error(invoke, g, member, args)
    assert error.hresult == tessaloom.DISP_E_TYPEMISMATCH
    assert error.argument == position
    assert g.ErrorReason == ""


@pytest.mark.parametrize(
    "member,args,position",
    [
        ("AddData", ("Jan", 1e39), 1),
        ("AddData", ("Jan", 10**400), 1),
        ("AddDataEx", (-1e39,), 0),
        ("HasGridLines", (2**31,), 0),
        ("HasBackColor", (-(2**31) - 1,), 0),
        ("GraphWidth", (2**31,), 0),
        ("GraphHeight", (10**400,), 0),
    ],
)
def test_out_of_range_argument_is_overflow_at_its_position(g, member, args, position):
    error = automation_error(invoke, g, member, args)
    assert error.hresult == tessaloom.DISP_E_OVERFLOW
    assert error.argument == position


@pytest.mark.parametrize("dispid", [0, -1, -3, 38, 39, 41, 42, 44, 1000, 2**31 - 1, -(2**31)])
def test_invoking_an_unassigned_dispid_is_member_not_found(dispid):
    obj = native_object()
    flags = _native.DISPATCH_METHOD | _native.DISPATCH_PROPERTYGET
    hr, _, _ = obj.invoke(dispid, flags, ())
    assert hr == tessaloom.DISP_E_MEMBERNOTFOUND


@pytest.mark.parametrize("name", TEXT_PROPERTIES)
def test_a_null_value_is_no_text(name):
    # VT_NULL cannot become text; a Python None travels as VT_EMPTY instead.
    obj = native_object()
    _, dispid = obj.get_id(name.encode("utf-16-le"))
    hr, _, arg = obj.invoke(dispid, _native.DISPATCH_PROPERTYPUT, (("n",),))
    assert (hr, arg) == (tessaloom.DISP_E_TYPEMISMATCH, 0)


def test_automation_error_carries_signed_hresult_and_names_it():
    error = tessaloom.AutomationError(0x80020005, "AddData", 1)
    assert error.hresult == 0x80020005 - 2**32 == tessaloom.DISP_E_TYPEMISMATCH
    assert error.argument == 1
    assert "DISP_E_TYPEMISMATCH" in str(error) and "AddData" in str(error)


@pytest.mark.parametrize(
    "code,name",
    [
        (0x80020003, "DISP_E_MEMBERNOTFOUND"),
        (0x80020003 - 2**32, "DISP_E_MEMBERNOTFOUND"),
        (0x8002000E, "DISP_E_BADPARAMCOUNT"),
        (0x800401F3, "CO_E_CLASSSTRING"),
        (0x80004001, "E_NOTIMPL"),
        (0x80001234, "0x80001234"),
        (1, "0x00000001"),
    ],
)
def test_hresult_names(code, name):
    assert tessaloom.hresult_name(code) == name
