#!/usr/bin/env python3
"""Measures how many faults the test suite catches.

Applies a seeded sample of single-line mutants (comparison and logic operator swaps, arithmetic sign
swaps, off-by-one integer constants, boolean flips) to the modules that hold the program's logic (the
standard-C++ ones, the remote control and the screen) one at a time, rebuilds a Release tree with the
tests, runs the suite without the whole-program tests, and prints the kill rate with the mutants that
survived. The screen's mutants are caught by its Qt Test suites too, which ctest runs on the offscreen
platform.

    scripts/mutants.py --count 60 --seed 1            # from the repository root
    scripts/mutants.py --count 60 --seed 1 --list     # only show the sample

A mutant that does not compile is replaced by the next one in the seeded order, so every counted mutant
is a program that builds. The source tree is restored after each mutant, also on Ctrl+C.
"""
import argparse
import os
import pathlib
import random
import re
import subprocess
import sys
import time

MODULES = ["model", "acquisition", "analysis", "files", "recorder", "datalog", "language", "document", "remote",
           "display"]
# Whole-program and install tests start the real program; they are slow and test the shell, not logic.
EXCLUDE_TESTS = "e2e|install"

# (name, pattern, replacement). Patterns are applied at one match position each.
OPERATORS = [
    ("== to !=", r"==", "!="),
    ("!= to ==", r"!=", "=="),
    ("<= to <", r"<=", "<"),
    (">= to >", r">=", ">"),
    # Spaces on both sides: a comparison, not a template argument list or a shift.
    ("< to <=", r"(?<= )<(?= )", "<="),
    ("> to >=", r"(?<= )>(?= )", ">="),
    ("&& to ||", r"&&", "||"),
    ("|| to &&", r"\|\|", "&&"),
    ("+ to -", r"(?<=[\w\)\]] )\+(?= [\w\(])", "-"),
    ("- to +", r"(?<=[\w\)\]] )-(?= [\w\(])", "+"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("constant + 1", r"(?<![\w.])(\d+)(?![\w.])", None),
]

SKIP_LINE = re.compile(r"^\s*(//|#|\*|/\*)|static_assert|template\s*<|std::array<|std::span<|std::vector<")


def candidates(root, modules):
    sites = []
    for module in modules:
        for path in sorted((root / "src" / module).glob("*.cpp")):
            lines = path.read_text().splitlines()
            for number, line in enumerate(lines, 1):
                code = line.split("//")[0]
                if not code.strip() or SKIP_LINE.search(code):
                    continue
                for name, pattern, replacement in OPERATORS:
                    for match in re.finditer(pattern, code):
                        if replacement is None:
                            new = str(int(match.group(1)) + 1)
                        else:
                            new = replacement
                        mutated = code[: match.start()] + new + code[match.end():] + line[len(code):]
                        sites.append((path.relative_to(root), number, name, line, mutated))
    return sites


def replayed(sites, log):
    """The sites whose file and mutated line match the survivors listed in `log`."""
    wanted = []
    for line in log.read_text().splitlines():
        match = re.match(r"\[\d+/\d+\] SURVIVED (\S+?):(\d+): (.+?): (.*)$", line)
        if match:
            wanted.append((match.group(1), int(match.group(2)), match.group(3), match.group(4).strip()))
    chosen = []
    for path, number, name, mutated in wanted:
        found = [s for s in sites if str(s[0]) == path and s[2] == name and s[4].strip() == mutated]
        if found:
            # The same text may stand on several lines: the one nearest the logged line is meant.
            chosen.append(min(found, key=lambda s: abs(s[1] - number)))
        else:
            print(f"not found any more (the line changed): {path}: {name}: {mutated}")
    return chosen


def run(cmd, cwd, timeout=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--build", default="build/mutants")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--list", action="store_true", help="print the sample without running it")
    parser.add_argument("--skip", type=int, default=0,
                        help="start at this position of the seeded order, to finish an interrupted run")
    parser.add_argument("--modules", default=",".join(MODULES),
                        help="comma-separated src/ folders to mutate (default: all the modules above)")
    parser.add_argument("--tests", default="", help="ctest -R pattern: run only these tests (default: all)")
    parser.add_argument("--replay", metavar="LOG",
                        help="run again the mutants a previous run's output lists as SURVIVED, found by their "
                             "file and mutated text, so that lines moved since still count")
    args = parser.parse_args()

    root = pathlib.Path(__file__).resolve().parent.parent
    build = root / args.build
    modules = [m for m in args.modules.split(",") if m]
    sites = candidates(root, modules)
    if args.replay:
        sites = replayed(sites, pathlib.Path(args.replay))
        args.count = len(sites)
    else:
        random.Random(args.seed).shuffle(sites)
        sites = sites[args.skip:]
    print(f"{len(sites)} mutation sites in {', '.join(modules)}; seed {args.seed}")
    select = ["-R", args.tests] if args.tests else []
    if args.list:
        for position, (path, number, name, _, mutated) in enumerate(sites[: args.count], args.skip):
            print(f"{position}: {path}:{number}: {name}: {mutated.strip()}")
        return 0

    if not (build / "build.ninja").exists():
        run(["cmake", "-S", str(root), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
             "-DTARNIX_BUILD_TESTS=ON"], root).check_returncode()
    baseline = run(["cmake", "--build", str(build), "-j", str(args.jobs)], root)
    if baseline.returncode != 0:
        print(baseline.stdout[-3000:])
        return 1
    clean = run(["ctest", "-E", EXCLUDE_TESTS, *select, "-j", str(args.jobs)], build)
    if clean.returncode != 0:
        print("the unmutated suite fails; fix it first\n" + clean.stdout[-3000:])
        return 1

    killed, survived, invalid = 0, [], 0
    started = time.time()
    for path, number, name, original, mutated in sites:
        if killed + len(survived) >= args.count:
            break
        file = root / path
        text = file.read_text()
        lines = text.splitlines(keepends=True)
        ending = "\n" if lines[number - 1].endswith("\n") else ""
        lines[number - 1] = mutated + ending
        try:
            file.write_text("".join(lines))
            built = run(["cmake", "--build", str(build), "-j", str(args.jobs)], root)
            if built.returncode != 0:
                invalid += 1
                continue
            try:
                tests = run(["ctest", "-E", EXCLUDE_TESTS, *select, "-j", str(args.jobs), "--stop-on-failure",
                             "--timeout", "120"], build, timeout=1800)
                caught = tests.returncode != 0
            except subprocess.TimeoutExpired:
                caught = True  # a mutant that hangs the suite is caught by its timeout
        finally:
            file.write_text(text)
        label = f"{path}:{number}: {name}: {mutated.strip()}"
        if caught:
            killed += 1
        else:
            survived.append(label)
        done = killed + len(survived)
        print(f"[{done}/{args.count}] {'killed  ' if caught else 'SURVIVED'} {label}", flush=True)
    # Leave the tree built from the restored sources.
    run(["cmake", "--build", str(build), "-j", str(args.jobs)], root)

    total = killed + len(survived)
    if total == 0:
        print("no mutant ran")
        return 1
    print(f"\nkill rate: {killed}/{total} = {100.0 * killed / total:.1f}% "
          f"({invalid} mutants did not compile and were replaced; {time.time() - started:.0f} s)")
    if survived:
        print("survivors:")
        for label in survived:
            print("  " + label)
    return 0


if __name__ == "__main__":
    sys.exit(main())
