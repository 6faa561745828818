"""Property puts: texts and sizes."""

import pytest

import tessaloom
from conftest import SIZE_PROPERTIES, TEXT_PROPERTIES, automation_error

MEGABYTE = 1 << 20

TEXTS = [
    pytest.param("", id="empty"),
    pytest.param(None, id="none"),
    pytest.param("Sales 2024", id="plain"),
    pytest.param("x" * MEGABYTE, id="1MB"),
    pytest.param("\u00e9\u00df\u4e2d\u6587", id="non-ascii"),
    pytest.param("\U0001f600\U00010348", id="non-bmp"),
    pytest.param("\ud800", id="lone-high-surrogate"),
    pytest.param("\udc00", id="lone-low-surrogate"),
    pytest.param("\udc00\ud800x", id="reversed-pair"),
    pytest.param("a\x00b", id="embedded-nul"),
    pytest.param("C:\\out\\..\\graph.jpg", id="path"),
    pytest.param("|,#;\t\r\n", id="separators"),
    pytest.param("\U0001f600" * (MEGABYTE // 2), id="1MB-non-bmp"),
    pytest.param(12, id="int"),
    pytest.param(-2.5, id="float"),
    pytest.param(float("nan"), id="nan"),
    pytest.param(True, id="bool"),
    pytest.param(2**40, id="int64"),
]


@pytest.mark.parametrize("name", TEXT_PROPERTIES)
@pytest.mark.parametrize("value", TEXTS)
def test_text_properties_accept_any_text(g, name, value):
    setattr(g, name, value)
    assert g.ErrorReason == ""


def test_text_properties_can_be_set_again_and_again(g):
    for name in TEXT_PROPERTIES:
        for value in ("first", "", "x" * 1000, None, "last"):
            setattr(g, name, value)
    assert g.ErrorReason == ""


@pytest.mark.parametrize("name", SIZE_PROPERTIES)
@pytest.mark.parametrize(
    "value",
    [
        0,
        -5,
        1,
        500,
        2**31 - 1,
        -(2**31),
        12.5,
        -0.4,
        2147483647.4,
        -2147483648.5,  # rounds half to even, onto the limit
        True,
        None,
        "12",
        " 12 ",
        "+7",
        "-5",
        "12.5",
        "1e3",
        "2147483647",
        "-2147483648",
        "1e-400",
        "0." + "0" * 350 + "1",  # below the double range: zero
        "0." + "0" * 350 + "1e10",
    ],
)
def test_sizes_accept_any_int32_and_numbers_that_round_into_it(g, name, value):
    setattr(g, name, value)
    assert g.ErrorReason == ""


@pytest.mark.parametrize("name", SIZE_PROPERTIES)
@pytest.mark.parametrize(
    "value",
    [
        2**31,
        -(2**31) - 1,
        2**63,
        10**400,
        1e10,
        -1e10,
        2147483647.5,
        float("inf"),
        float("-inf"),
        float("nan"),
        "2147483648",
        "-2147483649",
        "1e10",
        "1e400",
        "1" + "0" * 350 + "e-1",  # past the double range despite the exponent
        "-" + "9" * 350,
    ],
)
def test_sizes_past_int32_overflow(g, name, value):
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.DISP_E_OVERFLOW
    assert error.argument == 0


@pytest.mark.parametrize("name", SIZE_PROPERTIES)
@pytest.mark.parametrize(
    "value",
    ["abc", "", "   ", "12abc", "1 2", "--5", "inf", "nan", "1e", ".", "\uff11\uff12", "\ud800"],
)
def test_sizes_refuse_text_that_is_no_number(g, name, value):
    error = automation_error(setattr, g, name, value)
    assert error.hresult == tessaloom.DISP_E_TYPEMISMATCH
    assert error.argument == 0


def test_refused_size_leaves_the_object_usable(g):
    with pytest.raises(tessaloom.AutomationError):
        g.GraphWidth = "abc"
    g.GraphWidth = 640
    assert g.AddData("Jan", 1) == 0
    assert g.ErrorReason == ""


def test_reading_error_reason_clears_nothing_and_repeats(g):
    g.ChartTitle = "t"
    assert [g.ErrorReason for _ in range(3)] == ["", "", ""]
    assert g.errorreason == g.ERRORREASON == ""
