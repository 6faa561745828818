"""Pixel probes of the rules only the finished picture shows: pen widths, fills
over and under lines, faces, walls and slices in their colours. The default
500 x 350 layout puts the plot from x 62 on y 300 (horizontal with axis titles:
x 61, y 309), a pie of radius 75 about (219, 180), legend swatches at x 472."""

import math

import pytest

from conftest import data, draw_file, read_bmp

WHITE, BLACK, GREEN = (255, 255, 255), (0, 0, 0), (0, 255, 0)
FIRST, SECOND, THIRD = (135, 44, 86), (243, 243, 170), (152, 152, 255)  # palette 0, 1, 2
DARKER, LIGHTER = (100, 9, 51), (170, 79, 121)  # palette 0 moved 35 either way


def at(degrees, radius=45, cx=219, cy=180):
    """The pixel at an angle counted from the left end downward (on screen)."""
    t = math.radians(degrees)
    return round(cx - radius * math.cos(t)), round(cy + radius * math.sin(t))


SLICES = [(*at(d), c) for d, c in [(20, FIRST), (70, FIRST), (110, SECOND), (160, SECOND),
                                   (200, THIRD), (300, THIRD)]]
SWATCHES = [(478, 166 + 18 * row, c) for row, c in enumerate([FIRST, SECOND, THIRD])]
SWATCHES += [(472, 166, BLACK), (478, 160, BLACK), (478, 174, WHITE)]

GRID, HORIZONTAL = [("HasGridLines", 1)], [("SetHorizontalGraph",)]
BACK = [("BackColor", "#00FF00"), ("HasBackColor", 1)]
TITLES = [("XAxisLabel", "Month"), ("YAxisLabel", "Amount")]

# (method, values, calls before the data, [(x, y, colour)])
CHARTS = {
    "axis lines 2 wide, no grid": ("DrawBarGraph", [12, 30, 21], [], [
        (61, 160, BLACK), (62, 160, BLACK), (60, 160, WHITE), (63, 160, WHITE), (200, 299, BLACK),
        (200, 300, BLACK), (200, 298, WHITE), (200, 301, WHITE), (59, 275, BLACK),
        (200, 275, WHITE)]),
    "background under 1-pixel grid lines": ("DrawBarGraph", [12, 30, 21], GRID + BACK, [
        (70, 160, GREEN), (488, 41, GREEN), (30, 160, WHITE), (200, 38, WHITE), (491, 160, WHITE),
        (200, 275, BLACK), (200, 274, GREEN), (200, 276, GREEN), (62, 160, BLACK)]),
    "the zero line inside the background": ("DrawBarGraph", [-15, 5], BACK, [
        (70, 128, BLACK), (70, 129, BLACK), (70, 127, GREEN), (70, 130, GREEN), (70, 299, GREEN),
        (70, 38, WHITE), (70, 301, WHITE), (62, 60, BLACK), (62, 280, BLACK)]),
    "horizontal axes and grid": ("DrawBarGraph", [12, 30, 21], HORIZONTAL + TITLES + GRID, [
        (60, 130, BLACK), (61, 130, BLACK), (59, 130, WHITE), (300, 309, BLACK), (300, 310, WHITE),
        (102, 130, BLACK), (102, 311, BLACK), (101, 130, WHITE), (103, 130, WHITE)]),
    "3D silhouette, back plane and grid": ("Draw3DBarGraph", [12, 30, 21], GRID + BACK, [
        (74, 52, GREEN), (64, 42, WHITE), (478, 288, GREEN), (489, 299, WHITE), (300, 45, GREEN),
        (75, 150, BLACK), (74, 150, GREEN), (76, 150, GREEN), (480, 263, BLACK),
        (205, 262, GREEN)]),
    "flat bars: fill inside a black outline": ("DrawBarGraph", [10, 20, 30], [], [
        (133, 269, FIRST), (91, 269, BLACK), (175, 269, BLACK), (133, 238, BLACK),
        (133, 232, WHITE), (417, 113, BLACK), (417, 107, WHITE)]),
    "bars below zero": ("DrawBarGraph", [-20, 10, 30], [], [
        (133, 222, FIRST), (133, 257, BLACK), (133, 265, WHITE)]),
    "3D bar faces": ("Draw3DBarGraph", [10, 20, 30], [], [
        (131, 270, FIRST), (76, 270, FIRST), (192, 265, DARKER), (135, 232, LIGHTER),
        (131, 218, WHITE)]),
    "3D ribbon, flat: lighter face": ("Draw3DLineGraph", [10, 20, 30], [], [(263, 176, LIGHTER)]),
    "3D ribbon, steep: darker": ("Draw3DLineGraph", [5, 35, 5, 5], [], [(171, 173, (80, 0, 31))]),
    "line markers with a black rim": ("DrawLineGraph", [10, 20, 30], [], [
        (133, 238, FIRST), (130, 238, BLACK), (133, 240, BLACK), (133, 242, WHITE),
        (417, 113, FIRST)]),
    "pie slices, legend swatches": ("DrawPieGraph", [1, 1, 2], [], SLICES + SWATCHES + [
        (147, 183, FIRST), (141, 183, WHITE), (219, 108, THIRD), (219, 102, WHITE),
        (438, 150, BLACK), (437, 150, WHITE)]),
    # On the walls: halfway between the top's rim and the wall's rim below it.
    "3D pie: slices over walls 35 darker": ("Draw3DPieGraph", [1, 1, 2], [], SLICES + [
        (214, 256, (100, 9, 51)), (259, 246, (208, 208, 135)), (259, 251, WHITE)]),
    "a single value fills the disc": ("Draw3DPieGraph", [0, 0, 7], [], [
        (*at(d), THIRD) for d in (20, 110, 200, 300)]),
    "box whisker": ("DrawBoxWhiskerGraph", [30, 10, 50, 20, 40], [], [
        (200, 200, FIRST), (200, 175, SECOND), (276, 100, FIRST), (200, 93, FIRST),
        (105, 200, BLACK), (100, 200, WHITE), (285, 100, WHITE)]),
    "horizontal box whisker": ("DrawBoxWhiskerGraph", [30, 10, 50, 20, 40], HORIZONTAL, [
        (100, 160, WHITE), (200, 160, FIRST), (240, 160, SECOND), (394, 160, FIRST)]),
}


@pytest.mark.parametrize("name", CHARTS)
def test_pixels(tmp_path, name):
    method, values, calls, probes = CHARTS[name]
    months = zip(("Jan", "Feb", "Mar", "Apr", "May"), values)
    g, path = draw_file(tmp_path, calls + data(months, draw=method))
    assert g.ErrorReason == ""
    pixel = read_bmp(path)[2]
    assert [(x, y, pixel(x, y)) for x, y, _ in probes] == probes
