#!/usr/bin/env python3
"""Prints the Markdown table of a zl_bench JSON report.

usage: bench/table.py build/bench/zl_bench.json

Benchmarks are named side/operation/rows; the medians of the repetitions
are compared: window (and window with the Qt view) against the floor at the
same number of rows. The growth column divides the ratio of the times at
32,000 and 1,000 rows by 32, so 1 means linear and less means better.
"""
import json
import sys

SIDES = ("window", "floor", "view")
SMALL, LARGE = 1000, 32000
VIEW_ROWS = 1000
# The report's own order is random when repetitions are interleaved.
ORDER = ("choose_port", "grid_click", "add", "del_first", "up_middle", "down_middle", "file_new", "upload")
UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def base_name(bench):
    """side/op/rows without the repetition and timing suffixes."""
    name = bench.get("run_name") or bench["name"]
    parts = [p for p in name.split("/")
             if not (p.startswith(("repeats:", "min_time:", "iterations:")) or p in ("real_time", "manual_time"))]
    return parts


def medians(report):
    """{(side, op, rows): ms} and {name: ms} for the rest; errors listed."""
    table, other, errors = {}, {}, []
    for b in report["benchmarks"]:
        parts = base_name(b)
        if b.get("error_occurred"):
            errors.append("/".join(parts) + ": " + b.get("error_message", "error"))
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        ms = b["real_time"] * UNIT_MS[b.get("time_unit", "ns")]
        if len(parts) == 3 and parts[0] in SIDES and parts[2].isdigit():
            table[(parts[0], parts[1], int(parts[2]))] = ms
        else:
            other["/".join(parts)] = ms
    return table, other, errors


def fmt(ms):
    if ms is None:
        return "–"
    if ms >= 100:
        return f"{ms:.0f}"
    if ms >= 10:
        return f"{ms:.1f}"
    if ms >= 1:
        return f"{ms:.2f}"
    return f"{ms:.3f}"


def ratio(a, b):
    return "–" if a is None or b is None or b == 0 else f"{a / b:.1f}"


def growth(t, side, op):
    a, b = t.get((side, op, SMALL)), t.get((side, op, LARGE))
    return "–" if a is None or b is None or a == 0 else f"{b / a / (LARGE / SMALL):.2f}"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        report = json.load(f)
    t, other, errors = medians(report)

    ops = [op for op in ORDER if any(k[1] == op for k in t)]
    for (_side, op, _rows) in t:
        if op not in ops:
            ops.append(op)
    rows_of = sorted({r for (s, _o, r) in t if s != "view"})

    ctx = report.get("context", {})
    print(f"Medians of 5 repetitions, wall-clock ms per operation; {ctx.get('date', '')}, "
          f"{ctx.get('num_cpus', '?')} CPUs, load {ctx.get('load_avg', '?')}.")
    for key in ("window_connection", "floor_connection"):
        if key in ctx:
            print(f"{key.replace('_', ' ')}: {ctx[key]}.")
    print()
    print("| operation | rows | window ms | floor ms | window/floor |")
    print("|---|---:|---:|---:|---:|")
    for op in ops:
        for rows in rows_of:
            w, fl = t.get(("window", op, rows)), t.get(("floor", op, rows))
            if w is None and fl is None:
                continue
            print(f"| {op} | {rows:,} | {fmt(w)} | {fmt(fl)} | {ratio(w, fl)} |")
        v = t.get(("view", op, VIEW_ROWS))
        if v is not None:
            fl = t.get(("floor", op, VIEW_ROWS))
            print(f"| {op} + Qt view | {VIEW_ROWS:,} | {fmt(v)} | {fmt(fl)} | {ratio(v, fl)} |")
    print()
    print(f"Growth from {SMALL:,} to {LARGE:,} rows: (time at {LARGE:,} / time at {SMALL:,}) / "
          f"{LARGE // SMALL}; 1 is linear, above 1 worse than linear.")
    print()
    print("| operation | window | floor |")
    print("|---|---:|---:|")
    for op in ops:
        print(f"| {op} | {growth(t, 'window', op)} | {growth(t, 'floor', op)} |")
    if other:
        print()
        print("| other | ms |")
        print("|---|---:|")
        for name, ms in other.items():
            print(f"| {name} | {fmt(ms)} |")
    if errors:
        print()
        print("Failed:")
        for e in errors:
            print(f"- {e}")


if __name__ == "__main__":
    main()
