"""Axes, grid and background of real charts, probed pixel by pixel.

The layouts follow from the default 500 x 350 canvas:
- vertical, data 12, 30, 21: scale 10..40 in steps of 3, plot from x 62 on the
  base line y 300, 428 wide and 260 high, value ticks 25 pixels apart;
- vertical, data -15, 5: scale -20..10, the zero line (and base line) at y 129;
- horizontal with the labels "Month" and "Amount": plot from x 61 on y 309,
  429 wide and 264 high, value ticks 41 pixels apart;
- 3D bars, data 12, 30, 21: depth 13, the box's silhouette is the hexagon
  (62, 300), (62, 53), (75, 40), (490, 40), (490, 287), (477, 300).
The probes avoid the bars, which stand in the middle of their slots.
"""

from conftest import draw_bmp

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 255, 0)


def chart(g, folder, values, method="DrawBarGraph", horizontal=False, grid=False, back=None):
    if horizontal:
        g.XAxisLabel = "Month"
        g.YAxisLabel = "Amount"
        g.SetHorizontalGraph()
    g.HasGridLines(int(grid))
    if back:
        g.BackColor = back
        g.HasBackColor(1)
    return draw_bmp(g, folder, method, values)


def test_vertical_axis_lines_are_two_pixels_wide(g, tmp_path):
    pixel = chart(g, tmp_path, [12, 30, 21])
    # Left axis at x 62: columns 61 and 62.
    assert pixel(61, 160) == pixel(62, 160) == BLACK
    assert pixel(60, 160) == pixel(63, 160) == WHITE
    # Base line at y 300: rows 299 and 300, here between two bars.
    assert pixel(200, 299) == pixel(200, 300) == BLACK
    assert pixel(200, 298) == pixel(200, 301) == WHITE
    # A value tick reaches 3 pixels left of the axis; no grid lines unless asked.
    assert pixel(59, 275) == BLACK
    assert pixel(200, 275) == pixel(200, 50) == WHITE


def test_back_colour_fills_the_plot_under_one_pixel_grid_lines(g, tmp_path):
    pixel = chart(g, tmp_path, [12, 30, 21], grid=True, back="#00FF00")
    assert pixel(70, 160) == pixel(200, 160) == pixel(488, 41) == GREEN
    # Outside the plot the canvas stays white; the axes are drawn over the fill.
    assert pixel(30, 160) == pixel(200, 38) == pixel(491, 160) == WHITE
    assert pixel(62, 160) == pixel(200, 300) == BLACK
    for y in (275, 250, 50):  # a grid line at each value tick
        assert pixel(200, y) == BLACK
        assert pixel(200, y - 1) == pixel(200, y + 1) == GREEN


def test_negative_values_put_the_base_line_on_the_zero_line_inside_the_fill(g, tmp_path):
    g.ChartTitle = "Profit"
    pixel = chart(g, tmp_path, [-15, 5], back="#00FF00")
    assert pixel(70, 128) == pixel(70, 129) == BLACK
    assert pixel(70, 127) == pixel(70, 130) == GREEN
    # The plot runs from y 40 to 299 around the zero line, with no line at its bottom.
    assert pixel(70, 41) == pixel(70, 299) == pixel(488, 298) == GREEN
    assert pixel(70, 38) == pixel(70, 301) == pixel(200, 20) == WHITE
    # The left axis spans the whole plot height, above and below zero.
    assert pixel(62, 60) == pixel(62, 280) == BLACK


def test_horizontal_axes_and_vertical_grid_lines(g, tmp_path):
    pixel = chart(g, tmp_path, [12, 30, 21], horizontal=True, grid=True)
    # Left axis at x 61, base line at y 309.
    assert pixel(60, 130) == pixel(61, 130) == BLACK
    assert pixel(59, 130) == WHITE
    assert pixel(300, 308) == pixel(300, 309) == BLACK
    assert pixel(300, 307) == pixel(300, 310) == WHITE
    # Value tick 1 at x 102: grid line up the plot, tick below the base line.
    assert pixel(102, 130) == pixel(102, 311) == BLACK
    assert pixel(101, 130) == pixel(103, 130) == WHITE


def test_3d_silhouette_is_the_hexagon_with_its_notches_and_grid_on_the_back_plane(g, tmp_path):
    pixel = chart(g, tmp_path, [12, 30, 21], method="Draw3DBarGraph", grid=True, back="#00FF00")
    # Upper-left notch between the front and back planes, and just outside it.
    assert pixel(74, 52) == GREEN
    assert pixel(64, 42) == WHITE
    # Lower-right notch, and just outside it.
    assert pixel(478, 288) == GREEN
    assert pixel(489, 299) == WHITE
    # Front plane and the part of the back plane above it.
    assert pixel(70, 200) == pixel(300, 45) == GREEN
    # The back plane's left edge is a 1-pixel black line.
    assert pixel(75, 150) == BLACK
    assert pixel(74, 150) == pixel(76, 150) == GREEN
    # Value tick 1 at y 276 runs back to y 263 and across the back plane.
    assert pixel(205, 263) == pixel(480, 263) == BLACK
    assert pixel(205, 262) == pixel(205, 264) == GREEN
