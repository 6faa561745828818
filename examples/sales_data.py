"""Feeds a GraphGenerator the way a page script does and draws two charts.

Run from the repository root after building:
    PYTHONPATH=build/python /usr/bin/python3 examples/sales_data.py [FOLDER]
"""

import os
import sys

import tessaloom


def main():
    folder = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "out")
    os.makedirs(folder, exist_ok=True)
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
    g.FilePath = folder
    g.ChartTitle = "Quarterly sales"
    g.XAxisLabel = "Month"
    g.YAxisLabel = "Units"
    g.GraphWidth = 640
    g.GraphHeight = 400
    g.FileName = "sales.jpg"
    g.HasGridLines(1)
    g.BackColor = "#F0F0FF"
    g.HasBackColor(1)

    # A single set of labelled points.
    for month, units in [("Jan", 12.5), ("Feb", 20), ("Mar", 17.25), ("Apr", -3)]:
        g.AddData(month, units)

    # A table of named items by named series.
    for quarter in ("Q1", "Q2", "Q3", "Q4"):
        g.AddItemToSeries(quarter)
    for region, values in [("North", [10, 20, 30, 25]), ("South", [5, 40, 12, 18])]:
        g.AddSeries(region)
        for v in values:
            g.AddDataEx(v)
    g.AddColor("forestgreen")
    g.AddColor("#3399FF")

    g.DrawBarGraph()  # the single set, into sales.jpg
    g.FileName = "regions.bmp"
    g.DrawBarSeriesGraph()  # the table, with this draw's colours
    print("charts in %s; ErrorReason: %r" % (folder, g.ErrorReason))


if __name__ == "__main__":
    main()
