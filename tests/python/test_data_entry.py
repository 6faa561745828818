"""Odd Python values on their way into the object: every value that converts
is taken without a message; the conversion rules themselves are tested in C++."""

import pytest

import tessaloom
from conftest import TEXT_PROPERTIES

S_OK = tessaloom.S_OK


@pytest.mark.parametrize("value", [-0.0, -(2**63), 3.4028234663852886e38, 1e-60, True, None,
                                   " -3.25 ", "0." + "0" * 350 + "1"])
def test_add_data_and_add_data_ex_accept_any_value_in_float_range(g, value):
    g.AddItemToSeries("item")
    g.AddSeries("series")
    assert g.AddData("Jan", value) == g.AddDataEx(value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", ["", None, "\U0001f600" * (1 << 19), "\udc00\ud800x", "a\x00b",
                                   "|,#;\r\n", 2**40, float("nan")])
def test_texts_accept_any_value_that_reads_as_text(g, value):
    for name in TEXT_PROPERTIES:
        setattr(g, name, value)
    assert g.AddData(value, 1.0) == g.AddItemToSeries(value) == g.AddColor(value) == S_OK
    assert g.ErrorReason == ""


@pytest.mark.parametrize("value", [-(2**31), 2**31 - 1, 12.5, True, None, " 12 ", "1e-400"])
def test_sizes_and_switches_accept_values_that_round_into_int32(g, value):
    for name in ("GraphWidth", "GraphHeight"):
        setattr(g, name, value)
    assert g.HasGridLines(value) == g.HasBackColor(value) == S_OK
    assert g.ErrorReason == ""
