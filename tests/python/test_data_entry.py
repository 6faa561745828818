"""Data entry, switches and colours as Python values."""

import pytest

import tessaloom

MEGABYTE = 1 << 20
S_OK = tessaloom.S_OK


@pytest.mark.parametrize(
    "value",
    [
        -0.0,
        -(2**63),
        2**64,
        3.4028234663852886e38,  # largest float
        1e-60,  # underflows to zero
        float("nan"),
        float("-inf"),
        True,
        None,
        " -3.25 ",
        "0." + "0" * 350 + "1",
    ],
)
def test_add_data_and_add_data_ex_accept_any_value_in_float_range(g, value):
    g.AddItemToSeries("item")
    g.AddSeries("series")
    assert g.AddData("Jan", value) == S_OK
    assert g.AddDataEx(value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("label", ["", None, "x" * MEGABYTE, "\ud800", "a\x00b", 1.5, float("inf")])
def test_add_data_accepts_any_label(g, label):
    assert g.AddData(label, 1.0) == S_OK


def test_add_data_past_the_store_limit_is_silently_accepted(g):
    assert {g.AddData("p%d" % i, i) for i in range(600)} == {S_OK}
    assert g.ClearData() == S_OK
    assert {g.AddData("q%d" % i, i) for i in range(600)} == {S_OK}
    assert g.ErrorReason == ""


SERIES_SCRIPTS = {
    "values-before-any-series": [("AddDataEx", 1), ("AddDataEx", 2)],
    "values-before-any-item": [("AddSeries", "s"), ("AddDataEx", 1)],
    "more-values-than-items": [("AddItemToSeries", "a"), ("AddSeries", "s")]
    + [("AddDataEx", v) for v in range(4)],
    "300-series": [("AddItemToSeries", "a")]
    + [c for i in range(300) for c in (("AddSeries", "s%d" % i), ("AddDataEx", i))],
    "clear-and-refill": [("AddItemToSeries", "a"), ("AddSeries", "s"), ("ClearSeriesData",)]
    + [("AddDataEx", 1), ("AddItemToSeries", "b"), ("AddSeries", "t"), ("AddDataEx", 2)],
    "huge-texts": [("AddItemToSeries", "i" * MEGABYTE), ("AddSeries", "s" * MEGABYTE)],
}


@pytest.mark.parametrize("script", SERIES_SCRIPTS.values(), ids=SERIES_SCRIPTS.keys())
def test_series_scripts_succeed_without_a_message(g, script):
    for name, *args in script:
        assert getattr(g, name)(*args) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", [2, -1, 2**31 - 1, -(2**31), False, 0.4, "1", None])
def test_switches_accept_any_int32(g, value):
    assert g.HasGridLines(value) == g.HasBackColor(value) == S_OK
    assert g.SetHorizontalGraph() == g.SetVerticalGraph() == S_OK


@pytest.mark.parametrize(
    "colour",
    ["#FF0000", "#GG0000", "", None, "RED", " red", "voilet", "\ud800", "#" + "F" * MEGABYTE, 0xFF],
)
def test_back_color_and_add_color_accept_any_text(g, colour):
    g.BackColor = colour
    assert g.AddColor(colour) == S_OK
    assert g.ErrorReason == ""


def test_add_color_far_past_the_palette_size(g):
    assert {g.AddColor(("RED", "#00FF00", "x")[i % 3]) for i in range(1000)} == {S_OK}
    assert g.ErrorReason == ""
