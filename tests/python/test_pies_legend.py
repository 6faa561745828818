"""Pie charts and the legend from the script's data to the pixels of the BMP.

Places follow from the default 500 x 350 layout. The legend of three
3-letter texts spans x 444 to 490 (a box under 50 wide, drawn 6 pixels wider
on each side) and y 135 to 215, rows from y 160 every 18 pixels, swatches
from x 472 to 485. The plot then ends at x 434: one pie is centred at
(219, 180), and the canvas's System font (15 wide, 16 high) gives it the
radius (300 - 3 x 25) / 3 = 75.
"""

import math

import pytest

from conftest import add_series, draw_bmp, read_bmp

PALETTE = [(135, 44, 86), (243, 243, 170), (152, 152, 255)]
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
CX, CY, R = 219, 180, 75
PIES = ["DrawPieGraph", "Draw3DPieGraph"]


def darker(rgb):
    return tuple(max(c - 35, 0) for c in rgb)


def at(cx, cy, radius, degrees):
    """Pixel at an angle counted from the left end downward (on screen)."""
    t = math.radians(degrees)
    return round(cx - radius * math.cos(t)), round(cy + radius * math.sin(t))


def draw(g, folder, method, values):
    return draw_bmp(g, folder, method, values, labels=("Jan", "Feb", "Mar"))


# Values 1, 1, 2: the first slice runs from the left end to the bottom, the
# second from the bottom to the right end, the third over the upper half.
# Probes at 0.6 r, clear of the leader lines at 45, 135 and 270 degrees.
SLICE_PROBES = [(20, 0), (70, 0), (110, 1), (160, 1), (200, 2), (240, 2), (300, 2), (340, 2)]


@pytest.mark.parametrize("method", PIES)
def test_slices_and_legend_swatches_have_their_slot_colours(g, tmp_path, method):
    pixel = draw(g, tmp_path, method, [1, 1, 2])
    for degrees, slot in SLICE_PROBES:
        assert pixel(*at(CX, CY, 0.6 * R, degrees)) == PALETTE[slot], degrees
    # The pie ends at its radius.
    assert pixel(CX - R + 3, CY + 3) == PALETTE[0]
    assert pixel(CX - R - 3, CY + 3) == WHITE
    assert pixel(CX, CY - R + 3) == PALETTE[2]
    assert pixel(CX, CY - R - 3) == WHITE
    for row in range(3):  # swatches in a black outline
        y = 160 + 18 * row
        assert pixel(478, y + 6) == PALETTE[row]
        assert pixel(472, y + 6) == BLACK and pixel(484, y + 6) == BLACK
        assert pixel(478, y) == BLACK and pixel(478, y + 11) == BLACK
        assert pixel(478, y + 14) == WHITE


def test_the_3d_wall_below_the_front_shows_the_slice_darker_and_a_flat_pie_has_none(g, tmp_path):
    # The wall ellipse is the top moved 3 pixels (75 x 0.05) right and down:
    # between the top's rim and the wall's rim the wall colour shows.
    pixel = draw(g, tmp_path, "Draw3DPieGraph", [1, 1, 2])
    # Just left of the bottom: the first slice's wall; lower right: the second's.
    for x, slot in [(CX - 5, 0), (CX + 40, 1)]:
        top_rim = CY + math.sqrt(R * R - (x - CX) ** 2)
        wall_rim = CY + 3 + math.sqrt(R * R - (x - CX - 3) ** 2)
        assert wall_rim - top_rim >= 2.5
        assert pixel(x, round((top_rim + wall_rim) / 2)) == darker(PALETTE[slot])
        assert pixel(x, round(wall_rim) + 3) == WHITE
    g.FileName = "flat.bmp"
    g.DrawPieGraph()
    _, _, flat = read_bmp(tmp_path / "flat.bmp")
    assert flat(CX + 40, round(CY + math.sqrt(R * R - 40 * 40)) + 2) == WHITE


@pytest.mark.parametrize("method", PIES)
def test_a_single_value_fills_the_whole_disc(g, tmp_path, method):
    pixel = draw(g, tmp_path, method, [0, 0, 7])
    for degrees in (20, 110, 200, 300):
        assert pixel(*at(CX, CY, 0.6 * R, degrees)) == PALETTE[2]


def test_legend_box_outline_is_widened_for_short_texts(g, tmp_path):
    pixel = draw(g, tmp_path, "DrawPieGraph", [1, 1, 2])
    assert pixel(438, 150) == BLACK and pixel(495, 150) == BLACK  # left and right edges
    assert pixel(470, 135) == BLACK and pixel(470, 214) == BLACK  # top and bottom edges
    assert pixel(437, 150) == WHITE and pixel(496, 150) == WHITE
    assert pixel(470, 134) == WHITE and pixel(470, 215) == WHITE


def test_series_pies_stand_side_by_side_in_the_same_colours(g, tmp_path):
    # Legend "Q1", "Q2": the plot ends at x 441; two columns of 218 put the
    # centres at 129 and 347, radius (150 - 75) / 3 = 25.
    add_series(g, ("Q1", "Q2"), [("North", (10, 30)), ("South", (30, 10))])
    pixel = draw_bmp(g, tmp_path, "DrawPieSeriesGraph")
    # North: Q1 from 0 to 90 degrees, Q2 the rest; South: Q1 to 270.
    assert pixel(*at(129, 180, 15, 20)) == PALETTE[0]
    assert pixel(*at(129, 180, 15, 150)) == PALETTE[1]
    assert pixel(*at(347, 180, 15, 80)) == PALETTE[0]
    assert pixel(*at(347, 180, 15, 200)) == PALETTE[0]
    assert pixel(*at(347, 180, 15, 300)) == PALETTE[1]
    assert pixel(238, 180) == WHITE  # between the pies
