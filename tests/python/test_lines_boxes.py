"""Line and box-whisker charts from the script's data to the pixels of the BMP.

Places follow from the default 500 x 350 layout: with a two-digit top tick the
plot starts at x 62 and runs 428 pixels wide and 260 high above y 300.
"""

import pytest

from conftest import add_series, draw_bmp

FIRST = (135, 44, 86)  # palette 0: lines, boxes, stems and caps
SECOND = (243, 243, 170)  # palette 1: second line, median lines
WHITE, BLACK = (255, 255, 255), (0, 0, 0)


# Scale 0..40 over 250 pixels; slots 142 wide: centres at 133, 275, 417.
MARKERS = [(133, 238), (275, 175), (417, 113)]


def test_line_markers_are_rimmed_dots_joined_by_one_pixel_segments(g, tmp_path):
    pixel = draw_bmp(g, tmp_path, "DrawLineGraph", [10, 20, 30])
    for x, y in MARKERS:  # dots of the line colour with a black rim
        assert pixel(x, y) == FIRST
        assert pixel(x - 3, y) == BLACK and pixel(x, y + 2) == BLACK
        assert pixel(x, y + 4) == WHITE and pixel(x - 4, y + 2) == WHITE
    # Half-way between the first two markers, one pixel above their centres.
    (x0, y0), (x1, y1) = MARKERS[0], MARKERS[1]
    x, y = (x0 + x1) // 2, (y0 + y1) // 2 - 1
    column = [pixel(x, y + dy) for dy in range(-2, 3)]
    assert column.count(FIRST) == 1  # one pixel thick
    assert pixel(x, y + 10) == WHITE and pixel(x, y - 10) == WHITE


def test_each_line_of_a_series_chart_has_its_own_colour(g, tmp_path):
    add_series(g, ("Q1", "Q2"), [("North", (10, 30)), ("South", (20, 10))])
    pixel = draw_bmp(g, tmp_path, "DrawLineSeriesGraph")

    # The legend narrows the plot, so find the markers along their rows (left
    # of the legend): Q1 is 10 at North, Q2 is 30 at North and 10 at South.
    def run(y, colour):
        return [x for x in range(63, 420) if pixel(x, y) == colour]

    q1_north, q2_south, q2_north = run(238, FIRST), run(238, SECOND), run(113, SECOND)
    assert q1_north and q2_south and q2_north
    assert max(q1_north) < min(q2_south)
    assert min(q1_north) == min(q2_north)  # both on the North centre
    assert run(113, FIRST) == []


# Values 10..50: scale 0..60 over 250 pixels. One box 342 wide centred at
# x 276, from 105 to 447; Q1 15 at y 238, median 30 at 175, Q3 45 at 113,
# maximum 50 at 92. Horizontal: the plot starts at x 5 and runs 485 wide, so 0..60 spans 475 pixels: minimum
# 10 at x 84, Q1 at 123, median at 242, Q3 at 361, maximum at 400. The one box fills 80 per
# cent of the plot height around its middle, so row 160 crosses it above the stem.
BOX_PROBES = [
    (False, "inside the box", 200, 200, FIRST),
    (False, "inside the box above the median", 400, 130, FIRST),
    (False, "the median line", 200, 175, SECOND),
    (False, "the stem above the box", 276, 100, FIRST),
    (False, "inside the upper cap", 200, 93, FIRST),
    (False, "the box outline", 105, 200, BLACK),
    (False, "left of the box", 100, 200, WHITE),
    (False, "beside the stem", 285, 100, WHITE),
    (True, "left of the box, above the stem", 100, 160, WHITE),
    (True, "inside the box", 200, 160, FIRST),
    (True, "the median line", 242, 160, SECOND),
    (True, "right of the box, above the stem", 380, 160, WHITE),
    (True, "inside the right cap", 398, 160, FIRST),
]


@pytest.mark.parametrize("horizontal,what,x,y,colour", BOX_PROBES, ids=[p[1] for p in BOX_PROBES])
def test_box_whisker_pixels(g, tmp_path, horizontal, what, x, y, colour):
    if horizontal:
        g.SetHorizontalGraph()
    assert draw_bmp(g, tmp_path, "DrawBoxWhiskerGraph", [30, 10, 50, 20, 40])(x, y) == colour


# The 3D frame takes a depth of 5 per cent of 260: 13 pixels, leaving a
# front plane 247 high and 415 wide. One line: its ribbon recedes 13 pixels.
@pytest.mark.parametrize(
    "values,x,y,face",
    [
        # Rises from the origin (62, 300) to (201, 239), flatter than 45 degrees.
        ([10, 20, 30], 138, 263, (170, 79, 121)),
        # Rises to (166, 84), steeper than 45 degrees: the darker face.
        ([35, 5, 5, 5], 121, 185, (80, 0, 31)),
    ],
)
def test_3d_line_ribbon_faces(g, tmp_path, values, x, y, face):
    assert draw_bmp(g, tmp_path, "Draw3DLineGraph", values)(x, y) == face
