"""Property puts: texts and sizes as Python values."""

import pytest

import tessaloom
from conftest import SIZE_PROPERTIES, TEXT_PROPERTIES

MEGABYTE = 1 << 20


@pytest.mark.parametrize(
    "value",
    [
        None,
        "",
        "\U0001f600" * (MEGABYTE // 2),
        "\ud800",  # lone surrogates
        "\udc00\ud800x",
        "a\x00b",
        "|,#;\t\r\n",
        2**40,
        float("nan"),
        True,
    ],
)
def test_text_properties_accept_any_python_value_that_reads_as_text(g, value):
    for name in TEXT_PROPERTIES:
        setattr(g, name, value)
    assert g.ErrorReason == ""


@pytest.mark.parametrize(
    "value",
    [-(2**31), 2**31 - 1, 12.5, -2147483648.5, True, None, " 12 ", "1e-400", "0." + "0" * 350 + "1e10"],
)
def test_sizes_accept_values_that_round_into_int32(g, value):
    for name in SIZE_PROPERTIES:
        setattr(g, name, value)
    assert g.ErrorReason == ""


def test_a_refused_size_leaves_the_object_usable_and_error_reason_empty(g):
    with pytest.raises(tessaloom.AutomationError):
        g.GraphWidth = "abc"
    g.GraphWidth = 640
    assert g.AddData("Jan", 1) == 0
    assert [g.ErrorReason, g.errorreason, g.ERRORREASON] == ["", "", ""]
