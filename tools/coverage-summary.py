#!/usr/bin/env python3
"""One screen of coverage: each source file's lines and branches, the files
with the most left to cover first, then the totals.

    tools/coverage-summary.py build-coverage/coverage/summary.json

The input is gcovr's --json-summary."""

import json
import sys


def percent(covered, total):
    return 100.0 * covered / total if total else 100.0


def row(name, lines, lines_total, branches, branches_total):
    return "%-32s %5.1f%% %5d/%-5d %5.1f%% %5d/%-5d" % (
        name, percent(lines, lines_total), lines, lines_total,
        percent(branches, branches_total), branches, branches_total)


def main():
    with open(sys.argv[1]) as f:
        summary = json.load(f)
    files = summary["files"]
    # Most uncovered first: what a reader should look at next.
    files.sort(key=lambda f: -(f["line_total"] - f["line_covered"]
                               + f["branch_total"] - f["branch_covered"]))
    print("%-32s %18s %18s" % ("file", "lines", "branches"))
    for f in files:
        name = f["filename"]
        if name.startswith("src/"):
            name = name[len("src/"):]
        print(row(name, f["line_covered"], f["line_total"],
                  f["branch_covered"], f["branch_total"]))
    print(row("total", summary["line_covered"], summary["line_total"],
              summary["branch_covered"], summary["branch_total"]))


if __name__ == "__main__":
    main()
