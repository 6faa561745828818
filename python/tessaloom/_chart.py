"""tessaloom.chart(): one call from data to an image, for the common case.

    png = tessaloom.chart("bar", {"Jan": 12, "Feb": 19}, title="Sales")
    png = tessaloom.chart("line", {"Web": [1, 2, 3], "Shop": [4, 5, 6]},
                          categories=["Q1", "Q2", "Q3"])

The second form draws one line (bar set, stack, box) per key, each a legend
entry, with a value per category; on the object the keys are its items and
the categories its series (AddItemToSeries, then AddSeries and AddDataEx for
each category). numpy arrays and pandas Series and DataFrames serve as well
(a DataFrame's columns are its series, its index the categories); neither
is needed.
"""

from collections.abc import Mapping

# Kind (lower case, without blanks, "-" or "_") -> the Draw method's stem.
_KINDS = {"bar": "Bar", "stackedbar": "StackedBar", "line": "Line", "pie": "Pie",
          "boxwhisker": "BoxWhisker"}


def _method(kind, three_d, series):
    key = "".join(c for c in str(kind).lower() if c.isalnum())
    if key.startswith("3d") or key.endswith("3d"):
        key, three_d = key.replace("3d", "", 1), True
    stem = _KINDS.get(key)
    name = "Draw%s%s%sGraph" % ("3D" if three_d else "", stem, "Series" if series else "")
    if stem is None or (three_d and stem == "BoxWhisker"):
        raise ValueError('unknown chart kind %r: use "bar", "stacked bar", "line", "pie" or '
                         '"box whisker"; "3d bar", "3d stacked bar", "3d line" and "3d pie" '
                         "draw in 3D" % (kind,))
    return name


def _is_sequence(value):
    return not isinstance(value, (str, bytes)) and hasattr(value, "__iter__")


def _labels(values):
    return [str(v) for v in values]


def _shape(data, categories):
    """(categories, [(series name, values)], True) for series data, or
    (labels, values, False) for a single set."""
    if hasattr(data, "columns") and hasattr(data, "index"):  # a pandas DataFrame
        names = categories if categories is not None else data.index
        return _labels(names), [(str(c), list(data[c])) for c in data.columns], True
    if hasattr(data, "index") and hasattr(data, "to_numpy"):  # a pandas Series
        labels = data.index if categories is None else categories
        return _labels(labels), list(data.to_numpy()), False
    if isinstance(data, Mapping):
        values = list(data.values())
        if values and all(_is_sequence(v) for v in values):
            first = values[0]
            if categories is None:
                index = getattr(first, "index", None)  # pandas Series values
                categories = index if index is not None else range(1, len(list(first)) + 1)
            return _labels(categories), [(str(k), list(v)) for k, v in data.items()], True
        return _labels(data.keys()), values, False
    if not _is_sequence(data):
        raise TypeError("chart data: a dict, a sequence, a numpy array or a pandas Series or "
                        "DataFrame, not %s" % type(data).__name__)
    items = list(data)
    if categories is None and items and all(_is_sequence(i) and len(i) == 2 for i in items):
        return [str(label) for label, _ in items], [value for _, value in items], False
    if categories is None:
        categories = range(1, len(items) + 1)
    return _labels(categories), items, False


def chart(kind, data, *, categories=None, title=None, format="png", width=None, height=None,
          x_label=None, y_label=None, colors=None, grid=False, horizontal=False, three_d=False,
          style=None, theme=None, show_values=False, value_min=None, value_max=None,
          value_format=None, legend=None, transparent=False, **properties):
    """Draws a chart of `data` and returns the image's bytes.

    kind: "bar", "stacked bar", "line", "pie" or "box whisker"; "3d bar" (or
    three_d=True) for the 3D bar, stacked bar, line and pie. data: a single
    set as {label: value}, [(label, value), ...], a pandas Series, or values
    with `categories` as their labels; or several series as {name: [values]}
    with `categories` (one value per category) or a pandas DataFrame.
    format: "png", "jpeg", "bmp", "svg" or "pdf"; width, height in pixels;
    colors: the series' colours in order; style: "classic" or "smooth";
    theme: "classic", "modern" or "dark"; show_values: value labels;
    value_min, value_max: the value axis's fixed ends (None: from the data);
    value_format: a number format code such as "#,##0.0"; legend: "auto",
    "right", "top", "bottom" or "none"; transparent: no background.
    Other keywords set the object's properties of that name (e.g. Scale=2).

    Raises ValueError with the object's message when nothing was drawn (no
    data, a label too long for the size...) and AutomationError for a value
    the object refuses.
    """
    from . import GraphGenerator

    labels, values, series = _shape(data, categories)
    method = _method(kind, three_d, series)
    g = GraphGenerator()
    g.OutputTarget = "memory"
    g.OutputFormat = format
    settings = {"ChartTitle": title, "GraphWidth": width, "GraphHeight": height,
                "XAxisLabel": x_label, "YAxisLabel": y_label, "RenderStyle": style,
                "Theme": theme, "ValueAxisMin": value_min, "ValueAxisMax": value_max,
                "ValueFormat": value_format, "LegendPosition": legend,
                "ShowValues": show_values or None,
                "TransparentBackground": transparent or None}
    for name, value in list(settings.items()) + list(properties.items()):
        if value is not None:
            setattr(g, name, value)
    for color in colors or ():
        g.AddColor(color)
    if grid:
        g.HasGridLines(1)
    if horizontal:
        g.SetHorizontalGraph()
    if series:
        for name, points in values:
            if len(points) != len(labels):
                raise ValueError("series %r has %d values for %d categories"
                                 % (name, len(points), len(labels)))
            g.AddItemToSeries(name)
        for position, label in enumerate(labels):
            g.AddSeries(label)
            for _, points in values:
                g.AddDataEx(points[position])
    else:
        if len(values) != len(labels):
            raise ValueError("%d values for %d categories" % (len(values), len(labels)))
        for label, value in zip(labels, values):
            g.AddData(label, value)
    getattr(g, method)()
    image = g.ImageData
    if not image:
        raise ValueError("%s drew nothing: %s" % (method, g.LastError or g.ErrorReason))
    return image
