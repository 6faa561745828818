"""The cost of one late-bound call from Python: a method with two arguments
(AddData), a property put (ChartTitle), a method without arguments
(ClearData) and, where the module takes them, AddData with keyword
arguments. Best of several repetitions, in microseconds per call.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/python_calls.py [repetitions]

The machine may be shared: compare two builds in one run of the shell, e.g.
alternating PYTHONPATH between them, and read the best figures.
"""

import sys
import time

import tessaloom


def best_us(step, repeats, count=20000):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        for _ in range(count):
            step()
        best = min(best, (time.perf_counter() - start) / count)
    return best * 1e6


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 9
    g = tessaloom.GraphGenerator()
    cases = [
        ("g.AddData('Jan', 10.5)", lambda: g.AddData("Jan", 10.5)),
        ("g.ChartTitle = 'Sales'", lambda: setattr(g, "ChartTitle", "Sales")),
        ("g.HasGridLines(1)", lambda: g.HasGridLines(1)),
        ("g.ClearData()", lambda: g.ClearData()),
    ]
    try:
        g.AddData(xVal="Jan", yVal=1.0)
        cases.append(("g.AddData(xVal='Jan', yVal=10.5)", lambda: g.AddData(xVal="Jan", yVal=10.5)))
    except TypeError:
        pass  # a module without keyword arguments
    for label, step in cases:
        g.ClearData()  # AddData's list would otherwise grow without end
        print("%-36s %6.3f us" % (label, best_us(step, repeats)))


if __name__ == "__main__":
    main()
