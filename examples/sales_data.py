"""Feeds a GraphGenerator the way a page script does and reports the outcome.

Run from the repository root after building:
    PYTHONPATH=build/python /usr/bin/python3 examples/sales_data.py
"""

import tessaloom


def main():
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
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

    print("members:", len(tessaloom.members()))
    print("ErrorReason: %r" % g.ErrorReason)
    try:
        g.DrawBarSeriesGraph()
    except tessaloom.AutomationError as e:
        print("DrawBarSeriesGraph:", e, "(drawing is not in this build yet)")


if __name__ == "__main__":
    main()
