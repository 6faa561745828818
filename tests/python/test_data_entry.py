"""Data entry, switches, colours and the drawing methods not yet drawing."""

import pytest

import tessaloom
from conftest import DRAW_METHODS, automation_error

MEGABYTE = 1 << 20
S_OK = tessaloom.S_OK

VALUES = [
    0,
    -0.0,
    1,
    -7,
    10.5,
    2**31,
    -(2**63),
    2**64,
    1e38,
    -1e38,
    3.4028234663852886e38,  # largest float
    1e-45,
    1e-60,  # underflows to zero
    float("nan"),
    float("inf"),
    float("-inf"),
    True,
    None,
    "12",
    " -3.25 ",
    "1e38",
    "1e-400",
    "0." + "0" * 350 + "1",
]


@pytest.mark.parametrize("value", VALUES)
def test_add_data_accepts_any_value_in_float_range(g, value):
    assert g.AddData("Jan", value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", VALUES)
def test_add_data_ex_accepts_any_value_in_float_range(g, value):
    g.AddItemToSeries("item")
    g.AddSeries("series")
    assert g.AddDataEx(value) == S_OK


@pytest.mark.parametrize(
    "value",
    [
        1e39,
        -1e39,
        3.4028235677973366e38,  # rounds past the largest float
        1e308,
        2**200,
        "1e39",
        "-1e39",
        "1e400",
        "1" + "0" * 350 + "e-1",
    ],
)
@pytest.mark.parametrize("method,position", [("AddData", 1), ("AddDataEx", 0)])
def test_finite_values_past_the_float_range_overflow(g, method, position, value):
    args = ("Jan", value) if method == "AddData" else (value,)
    error = automation_error(getattr(g, method), *args)
    assert error.hresult == tessaloom.DISP_E_OVERFLOW
    assert error.argument == position


@pytest.mark.parametrize(
    "label",
    ["", None, "Jan", "a,b", "x" * MEGABYTE, "\U0001f600", "\ud800", "a\x00b", 5, 1.5, float("inf")],
)
def test_add_data_accepts_any_label(g, label):
    assert g.AddData(label, 1.0) == S_OK


@pytest.mark.parametrize("calls", [256, 257, 600])
def test_add_data_past_the_store_limit_is_silently_accepted(g, calls):
    assert {g.AddData("p%d" % i, i) for i in range(calls)} == {S_OK}
    assert g.ClearData() == S_OK
    assert {g.AddData("q%d" % i, i) for i in range(calls)} == {S_OK}
    assert g.ErrorReason == ""


SERIES_SCRIPTS = {
    "values-before-any-series": [("AddDataEx", 1), ("AddDataEx", 2)],
    "values-before-any-item": [("AddSeries", "s"), ("AddDataEx", 1)],
    "more-values-than-items": [("AddItemToSeries", "a"), ("AddSeries", "s")]
    + [("AddDataEx", v) for v in range(4)],
    "bars-in-titles-and-names": [("AddItemToSeries", "a|b"), ("AddSeries", "|x|"), ("AddDataEx", 1)],
    "300-items": [("AddItemToSeries", "i%d" % i) for i in range(300)]
    + [("AddSeries", "s")]
    + [("AddDataEx", i) for i in range(300)],
    "300-series": [("AddItemToSeries", "a")]
    + [c for i in range(300) for c in (("AddSeries", "s%d" % i), ("AddDataEx", i))],
    "clear-and-refill": [("AddItemToSeries", "a"), ("AddSeries", "s"), ("ClearSeriesData",)]
    + [("AddDataEx", 1), ("AddItemToSeries", "b"), ("AddSeries", "t"), ("AddDataEx", 2)],
    "clearing-each-half": [("AddData", "x", 1), ("ClearSeriesData",), ("ClearData",)] * 3,
    "huge-texts": [("AddItemToSeries", "i" * MEGABYTE), ("AddSeries", "s" * MEGABYTE)],
}


@pytest.mark.parametrize("script", SERIES_SCRIPTS.values(), ids=SERIES_SCRIPTS.keys())
def test_series_scripts_succeed_without_a_message(g, script):
    for name, *args in script:
        assert getattr(g, name)(*args) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("method", ["HasGridLines", "HasBackColor"])
@pytest.mark.parametrize("value", [0, 1, 2, -1, 2**31 - 1, -(2**31), True, False, 0.4, "1", None])
def test_switches_accept_any_int32(g, method, value):
    assert getattr(g, method)(value) == S_OK


def test_orientation_switches_can_be_flipped_any_number_of_times(g):
    for _ in range(3):
        assert g.SetHorizontalGraph() == S_OK
        assert g.SetVerticalGraph() == S_OK
    assert g.ErrorReason == ""


COLOURS = [
    "#FF0000",
    "##00FF00",
    "#F",
    "#",
    "###",
    "#GG0000",
    "#ff00ff00ff",
    "",
    None,
    "red",
    "Red",
    "RED",
    " red",
    "red ",
    "voilet",
    "nosuchcolour",
    "r#ed",
    "\u00e9\U0001f600",
    "\ud800",
    "#" + "F" * MEGABYTE,
    "c" * MEGABYTE,
    0xFF,
]


@pytest.mark.parametrize("colour", COLOURS)
def test_back_color_accepts_any_text(g, colour):
    g.BackColor = colour
    assert g.ErrorReason == ""


@pytest.mark.parametrize("colour", COLOURS)
def test_add_color_accepts_any_text(g, colour):
    assert g.AddColor(colour) == S_OK
    assert g.ErrorReason == ""


def test_add_color_far_past_the_palette_size(g):
    assert {g.AddColor(("RED", "#00FF00", "x")[i % 3]) for i in range(1000)} == {S_OK}
    assert g.ErrorReason == ""
