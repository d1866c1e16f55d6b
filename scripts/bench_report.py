#!/usr/bin/env python3
"""Runs the benchmark executables given on the command line and prints each case's median beside its
budget from bench/budgets.tsv. Exits non-zero when no benchmark ran, so a broken path is not a pass."""
import json
import os
import pathlib
import subprocess
import sys

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def seconds(text):
    for unit in ("ns", "us", "ms", "s"):
        if text.endswith(unit):
            return float(text[: -len(unit)]) * UNITS[unit]
    raise ValueError(f"no unit in budget {text!r}")


def pretty(value):
    for unit in ("s", "ms", "us", "ns"):
        if abs(value) >= UNITS[unit] or unit == "ns":
            return f"{value / UNITS[unit]:.3g} {unit}"
    return str(value)


def load_budgets(path):
    budgets = {}
    for line in path.read_text().splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        budgets[fields[0]] = (fields[1], fields[2], fields[3] if len(fields) > 3 else None)
    return budgets


def medians(executable, repetitions):
    out = subprocess.run(
        [executable, f"--benchmark_repetitions={repetitions}", "--benchmark_report_aggregates_only=true",
         "--benchmark_format=json"],
        # The display suite paints into an off-screen image; it needs no display.
        check=True, capture_output=True, text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    result, counters = {}, {}
    skip = {"real_time", "cpu_time", "iterations", "repetitions", "repetition_index", "threads"}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = UNITS[b["time_unit"]]
            result[b["run_name"]] = (b["real_time"] * scale, b["cpu_time"] * scale)
            for key, value in b.items():
                if isinstance(value, (int, float)) and key not in skip:
                    counters[b["run_name"].split("/")[0] + ":" + key] = value
    return result, counters


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    budgets = load_budgets(root / "bench" / "budgets.tsv")
    executables = sys.argv[1:]
    if not executables:
        print("no benchmark executables found", file=sys.stderr)
        return 1
    found, counters = {}, {}
    for exe in executables:
        times, values = medians(exe, 5)
        found.update(times)
        counters.update(values)
    print(f"{'case':<50} {'median wall':>12} {'median CPU':>12} {'budget':>10}  verdict")
    over = 0
    for name, (wall, cpu) in sorted(found.items()):
        budget, what, baseline = budgets.get(name.split("/")[0], (None, None, None))
        verdict, shown = "", "-"
        if budget is not None:
            if budget.startswith("+") and baseline in found:
                wall -= found[baseline][0]
                cpu -= found[baseline][1]
                name += f" (over {baseline})"
            # A case whose work is spread over threads has a budget on its latency: "12ms wall".
            on_wall = budget.endswith(" wall")
            limit = seconds(budget.lstrip("+").removesuffix(" wall"))
            shown = budget
            verdict = "ok" if (wall if on_wall else cpu) <= limit else "OVER"
            over += verdict == "OVER"
        print(f"{name:<50} {pretty(wall):>12} {pretty(cpu):>12} {shown:>10}  {verdict}")
    print("wall time includes whatever else the machine is doing; the verdict compares CPU time, or wall")
    print("time for a budget marked wall (a case that spreads its work over threads).")
    # Budgets on a benchmark's counters: "BM_Case:counter" with "<=N" or ">=N" in the counter's unit.
    for name, (budget, what, _) in sorted(budgets.items()):
        if ":" not in name:
            continue
        value = counters.get(name)
        limit = float(budget[2:])
        verdict = "missing" if value is None else "ok" if (value >= limit if budget.startswith(">=") else value <= limit) else "OVER"
        over += verdict != "ok"
        shown = "-" if value is None else f"{value:.4g}"
        print(f"{name:<50} {shown:>12} {'':>12} {budget:>10}  {verdict}  ({what})")
    return 0 if over == 0 else 2


if __name__ == "__main__":
    sys.exit(main())
