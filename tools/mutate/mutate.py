#!/usr/bin/env python3
"""Seeded mutants of the game's sources, each built in a scratch copy and
run against the quick suite: the ones the suite does not notice are printed
with their place in the code.

    tools/mutate/mutate.py --seed S --count N [--timeout SECONDS] [--keep]

A mutant is one small change to one line of src/: a comparison flipped or
widened, && and || swapped, a constant one up or down, an arithmetic
operator swapped, a statement removed or a condition negated. They are
drawn with seed S, spread over the files of src/ in turn. The copy is made
once in build-mutate/ (the files git knows, as they are in the working
tree) and built once;
each mutant then rebuilds only what its change touches. A mutant is killed
when a test fails or the suite runs past the time limit, and not counted
when it does not compile. Exits 1 when a mutant survived."""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

COMPARISONS = {"==": ["!="], "!=": ["=="], "<": ["<=", ">="], "<=": ["<", ">"],
               ">": [">=", "<="], ">=": [">", "<"]}
ARITHMETIC = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["/"]}
LOGICAL = {"&&": ["||"], "||": ["&&"]}

# Binary operators stand between spaces in our formatting; template
# brackets, pointers and unary minus do not.
BINARY = re.compile(r"(?<= )(==|!=|<=|>=|&&|\|\||<|>|\+|-|\*|/|%)(?= )")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CALL_STATEMENT = re.compile(r"^\s*(?!return\b|case\b|else\b|delete\b)[A-Za-z_][\w:.\->\[\]]*"
                            r"(\s*[-+*/|&^]?=\s*.+|\+\+|--|\(.*\));\s*$")
CONDITION = re.compile(r"\b(if|while) \(")


def masked(line):
    """The line with its comment cut and the insides of its string and
    character literals blanked, so no mutant lands in either."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            out.append(c if c == quote else " ")
            if c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))


def closing_paren(text, start):
    depth = 0
    for i in range(start, len(text)):
        depth += {"(": 1, ")": -1}.get(text[i], 0)
        if depth == 0:
            return i
    return -1


def operator_mutants(line, code):
    for m in BINARY.finditer(code):
        op = m.group(1)
        table = COMPARISONS if op in COMPARISONS else LOGICAL if op in LOGICAL else ARITHMETIC
        for new in table[op]:
            yield (line[:m.start()] + new + line[m.end():], "%s -> %s" % (op, new))


def constant_mutants(line, code):
    for m in NUMBER.finditer(code):
        value = int(m.group(1))
        for new in ([value + 1, value - 1] if value > 0 else [1]):
            yield (line[:m.start()] + str(new) + line[m.end():], "%d -> %d" % (value, new))


def statement_mutants(line, code):
    if CALL_STATEMENT.match(code) and code.count("(") == code.count(")"):
        indent = line[:len(line) - len(line.lstrip())]
        yield (indent + ";\n", "statement removed")
    for m in CONDITION.finditer(code):
        open_at = m.end() - 1
        close = closing_paren(code, open_at)
        if close > 0:
            inner = line[open_at + 1:close]
            yield (line[:open_at + 1] + "!(" + inner + ")" + line[close:], "condition negated")


def mutants_of(path):
    """Every mutant of one file: (line number, new line, what changed)."""
    with open(os.path.join(ROOT, path)) as f:
        lines = f.readlines()
    found = []
    in_block_comment = False
    for number, line in enumerate(lines, 1):
        stripped = line.strip()
        if in_block_comment or stripped.startswith("/*"):
            in_block_comment = "*/" not in stripped
            continue
        if stripped.startswith("#") or not stripped:
            continue
        code = masked(line)
        for maker in (operator_mutants, constant_mutants, statement_mutants):
            for new, what in maker(line, code):
                found.append((number, new, what))
    return found


def choose(seed, count):
    """`count` mutants drawn with `seed`, the files of src/ taken in turn."""
    rng = random.Random(seed)
    files = sorted(subprocess.check_output(["git", "-C", ROOT, "ls-files", "src/*.cpp"],
                                           text=True).split())
    pools = {f: mutants_of(f) for f in files}
    files = [f for f in files if pools[f]]
    rng.shuffle(files)
    chosen = []
    while len(chosen) < count and any(pools.values()):
        for f in files:
            if pools[f] and len(chosen) < count:
                number, new, what = pools[f].pop(rng.randrange(len(pools[f])))
                chosen.append((f, number, new, what))
    return chosen


def run(cmd, cwd, limit):
    """The command's exit status, or None when it ran past `limit` seconds."""
    try:
        return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=limit).returncode
    except subprocess.TimeoutExpired:
        return None


def make_copy(scratch):
    files = subprocess.check_output(["git", "-C", ROOT, "ls-files"], text=True).split("\n")
    for name in filter(None, files):
        source = os.path.join(ROOT, name)
        if os.path.isfile(source):
            os.makedirs(os.path.dirname(os.path.join(scratch, name)), exist_ok=True)
            shutil.copy2(source, os.path.join(scratch, name))


def build(copy, limit):
    return run(["cmake", "--build", "build", "-j2"], copy, limit) == 0


def quick_suite(copy, limit):
    status = run(["ctest", "-j2", "-LE", "slow", "--timeout", str(limit), "--stop-on-failure"],
                 os.path.join(copy, "build"), limit * 4)
    return status == 0


def try_mutant(copy, mutant, limit):
    path, number, new, _ = mutant
    target = os.path.join(copy, path)
    with open(target) as f:
        original = f.readlines()
    changed = list(original)
    changed[number - 1] = new
    with open(target, "w") as f:
        f.writelines(changed)
    try:
        if not build(copy, limit * 4):
            return "not built"
        return "survived" if quick_suite(copy, limit) else "killed"
    finally:
        with open(target, "w") as f:
            f.writelines(original)


def prepare(keep, limit):
    # Inside the tree, so that ccache (CCACHE_BASEDIR) sees the same relative
    # paths as in build/ and the first build of the copy is mostly hits.
    os.makedirs(os.path.join(ROOT, "build-mutate"), exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="copy-", dir=os.path.join(ROOT, "build-mutate"))
    make_copy(scratch)
    env_ok = run(["cmake", "-S", ".", "-B", "build"], scratch, 600) == 0
    if not env_ok or not build(scratch, 3600):
        sys.exit("mutate: the unchanged copy in %s does not build" % scratch)
    if not quick_suite(scratch, limit):
        sys.exit("mutate: the quick suite fails on the unchanged copy in %s" % scratch)
    return scratch


def report(results):
    counted = [r for r in results if r[1] != "not built"]
    killed = sum(1 for r in counted if r[1] == "killed")
    print("\n%d mutants, %d built: %d killed, %d survived (%.0f%% killed)" % (
        len(results), len(counted), killed, len(counted) - killed,
        100.0 * killed / len(counted) if counted else 0))
    for (path, number, _, what), outcome in results:
        if outcome == "survived":
            print("survivor %s:%d: %s" % (path, number, what))
    return 1 if killed < len(counted) else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=10)
    parser.add_argument("--timeout", type=int, default=300,
                        help="seconds each test may take (the whole suite: four times that)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch copy")
    args = parser.parse_args()
    mutants = choose(args.seed, args.count)
    scratch = prepare(args.keep, args.timeout)
    results = []
    try:
        for mutant in mutants:
            started = time.time()
            outcome = try_mutant(scratch, mutant, args.timeout)
            results.append((mutant, outcome))
            print("%s:%d: %s: %s (%.0f s)" % (mutant[0], mutant[1], mutant[3], outcome,
                                               time.time() - started), flush=True)
    finally:
        if not args.keep:
            shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(report(results))


if __name__ == "__main__":
    main()
