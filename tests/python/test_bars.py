"""Bar charts end to end: drawn by the script's calls, written as BMP, probed.

The places are computed from the layout of a 500 x 350 chart without titles
or legend; the probes stay away from the axes, ticks and labels, so they test
the bars alone.
"""

import pytest

from conftest import draw_bmp

WHITE, BLACK, GREEN = (255, 255, 255), (0, 0, 0), (0, 255, 0)
FIRST = (135, 44, 86)  # palette position 0, and its darker and lighter shades
FIRST_DARKER, FIRST_LIGHTER = (100, 9, 51), (170, 79, 121)


def draw(g, folder, values, method="DrawBarGraph", horizontal=False, back=None):
    if horizontal:
        g.SetHorizontalGraph()
    if back:
        g.BackColor = back
        g.HasBackColor(1)
    return draw_bmp(g, folder, method, values, labels="ABC")


def check_upright(pixel, left, right, top, bottom, above):
    """A flat bar standing from `bottom` up to `top` (right and bottom exclusive)."""
    cx, cy = (left + right) // 2, (top + bottom) // 2
    assert pixel(cx, cy) == FIRST
    assert pixel(left, cy) == pixel(right - 1, cy) == BLACK
    assert pixel(cx, top) == BLACK
    assert pixel(cx, top - 6) == above


# Values 10, 20, 30 scale to 0..40. Vertical: plot from x 62 and y 300, 428
# wide and 260 high; groups 142 apart, bars 85 wide; 6.25 pixels per unit.
VERTICAL_BARS = [(91, 176, 238), (233, 318, 175), (375, 460, 113)]


@pytest.mark.parametrize("back,above", [(None, WHITE), ("#00FF00", GREEN)])
def test_vertical_bars_stand_on_the_base_line(g, tmp_path, back, above):
    pixel = draw(g, tmp_path, [10, 20, 30], back=back)
    for left, right, top in VERTICAL_BARS:
        check_upright(pixel, left, right, top, 300, above)


def test_negative_values_hang_below_the_zero_line(g, tmp_path):
    # Scale -30..40: the zero line moves to y 187; 250 / 70 pixels per unit
    # counted from zero, so -20 hangs 71 pixels, 10 and 30 stand 35 and 107.
    pixel = draw(g, tmp_path, [-20, 10, 30])
    assert pixel(133, 187 + 35) == FIRST
    assert pixel(133, 187 + 70) == BLACK
    assert pixel(133, 187 + 78) == WHITE
    for left, right, top in [(233, 318, 152), (375, 460, 80)]:
        check_upright(pixel, left, right, top, 187, WHITE)


# Horizontal: plot from x 16 (one 6-pixel label character and 10) and y 309 (the 16-pixel
# label font's cell), 474 x 264; groups 88 apart from the bottom, bars 52 thick. 0..40 gives
# 11.6 pixels per unit; -30..40 gives 6.63, and bars run from the value 0 at x 214 to their
# value (-20 leftward).
@pytest.mark.parametrize(
    "values,bars",
    [
        ([10, 20, 30], [(265, 16, 132), (177, 16, 248), (89, 16, 364)]),
        ([-20, 10, 30], [(265, 214, 82), (177, 214, 281), (89, 214, 413)]),
    ],
)
def test_horizontal_bars_run_from_zero_to_their_value(g, tmp_path, values, bars):
    pixel = draw(g, tmp_path, values, horizontal=True)
    for y, start, end in bars:
        left, right = min(start, end), max(start, end)
        assert pixel((left + right) // 2, y) == FIRST
        assert pixel(left, y) == pixel(right - 1, y) == BLACK
        assert pixel(end + (6 if end > start else -6), y) == WHITE
    if values[0] > 0:  # the bars' top and bottom edges, 52 apart
        assert pixel(64, 239) == pixel(64, 290) == BLACK


def test_3d_bars_have_a_front_a_shaded_side_and_a_lit_top(g, tmp_path):
    # Front plane 415 x 247 after a depth of 13; bars 110 wide from x 76,
    # 6.175 pixels per unit: the first bar's front runs from y 239 to 300.
    pixel = draw(g, tmp_path, [10, 20, 30], method="Draw3DBarGraph")
    assert pixel(131, 270) == FIRST
    assert pixel(76, 270) == FIRST  # faces are outlined in their own colour
    assert pixel(192, 265) == FIRST_DARKER
    assert pixel(135, 232) == FIRST_LIGHTER
    assert pixel(131, 218) == WHITE
