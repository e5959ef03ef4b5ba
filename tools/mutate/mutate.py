#!/usr/bin/env python3
"""Seeded mutants of the game's sources, each built in a scratch copy and
run against the suite: the ones no test notices are printed with their
place in the code.

    tools/mutate/mutate.py --seed S --count N [--timeout SECONDS] [--keep]
    tools/mutate/mutate.py --only "src/core/anim.cpp:88: column 17: 1 -> 0" ...
    tools/mutate/mutate.py --seed 4 --count 120 --skip-drawn 1:71 --skip-drawn 3:85

A mutant is one small change to one line of src/: a comparison flipped or
widened, && and || swapped, a constant one up or down, an arithmetic
operator swapped, a statement removed or a condition negated. They are
drawn with seed S, spread over the files of src/ in turn. The copy is made
once in build-mutate/ (the files git knows, as they are in the working
tree) and built once; each mutant then rebuilds the game and the test
program. The quick stage runs the test program in one process, the slow
tests aside, and stops at the first failure; a mutant it leaves alive gets
the whole suite. A mutant is killed when a test fails or runs past the time
limit. Not counted: a mutant that does not compile, one that compiles to
the same object (code left out on this machine, or folded away), and the
ones listed in tools/mutate/equivalent.txt after a look by hand. Exits 1
when a mutant survived."""

import argparse
import hashlib
import os
import random
import re
import shutil
import signal
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
            yield (line[:m.start()] + new + line[m.end():],
                   "column %d: %s -> %s" % (m.start() + 1, op, new))


def constant_mutants(line, code):
    for m in NUMBER.finditer(code):
        value = int(m.group(1))
        for new in ([value + 1, value - 1] if value > 0 else [1]):
            yield (line[:m.start()] + str(new) + line[m.end():],
                   "column %d: %d -> %d" % (m.start() + 1, value, new))


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


def named(places):
    """The mutants whose places (as printed) are given: a survivor tried
    again after a new test."""
    chosen = []
    for f in sorted({p.split(":")[0] for p in places}):
        chosen += [(f, ) + m for m in mutants_of(f) if place((f, ) + m) in places]
    missing = set(places) - {place(m) for m in chosen}
    if missing:
        sys.exit("mutate: no such mutant: " + "; ".join(sorted(missing)))
    return chosen


def run(cmd, cwd, limit, env=None):
    """The command's exit status, or None when it ran past `limit` seconds.
    It runs in a process group of its own, killed whole at the end: a game a
    test started may hang on (SDL turns SIGTERM into a quit request that a
    hung game never reads) and would take a core from every mutant after."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=env, start_new_session=True)
    try:
        return proc.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        return None
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()


def make_copy(scratch):
    files = subprocess.check_output(["git", "-C", ROOT, "ls-files"], text=True).split("\n")
    for name in filter(None, files):
        source = os.path.join(ROOT, name)
        if os.path.isfile(source):
            os.makedirs(os.path.dirname(os.path.join(scratch, name)), exist_ok=True)
            shutil.copy2(source, os.path.join(scratch, name))


# What a mutant needs rebuilt: the game and the test program. The data is
# made by a snapshot of the unchanged copy's tools (see prepare), so a
# mutant of code the tools share does not remake the data.
TARGETS = ["quenzy", "quenzy_tests"]
DATA_TOOLS = ["gfxtool", "leveltool", "modtool", "sfxtool", "ova"]


def build(copy, limit, targets=TARGETS):
    return run(["cmake", "--build", "build", "-j2", "--target"] + targets, copy, limit) == 0


def object_of(copy, path):
    for target in ("quenzygame", "quenzy"):
        found = os.path.join(copy, "build", "CMakeFiles", target + ".dir", path + ".o")
        if os.path.exists(found):
            return found
    return None


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def slow_tests(build_dir):
    """The names of the tests labelled slow, as ctest lists them."""
    listing = subprocess.check_output(["ctest", "-N", "-L", "slow"], cwd=build_dir, text=True)
    return re.findall(r"Test +#\d+: (\S+)", listing)


def quick_stage(copy, limit, excluded):
    """The test program in one process, every test but the slow ones,
    stopping at the first failure: most mutants die here in seconds."""
    env = dict(os.environ, QUENZY_LAUNCHER="")
    status = run(["./quenzy_tests", "--gtest_fail_fast", "--gtest_filter=-" + ":".join(excluded)],
                 os.path.join(copy, "build"), limit, env)
    return status == 0


def whole_suite(copy, limit):
    """Every test as ctest runs them, the package test aside (it packages
    the tree, not the build). Each test may take four times the quick
    stage's limit: the longest ones play the whole game, and a busy machine
    must not pass for a killing test."""
    status = run(["ctest", "-j2", "--stop-on-failure", "-E", "^DebianPackage$",
                  "--timeout", str(limit * 4)], os.path.join(copy, "build"), limit * 16)
    return status == 0


def try_mutant(copy, mutant, limit, excluded, unchanged):
    path, number, new, _ = mutant
    target = os.path.join(copy, path)
    if path not in unchanged:
        return "same code"  # not built on this machine
    with open(target) as f:
        original = f.readlines()
    changed = list(original)
    changed[number - 1] = new
    with open(target, "w") as f:
        f.writelines(changed)
    try:
        if not build(copy, limit * 4):
            return "not built"
        if digest(object_of(copy, path)) == unchanged[path]:
            return "same code"
        if not quick_stage(copy, limit, excluded):
            return "killed"
        return "survived" if whole_suite(copy, limit) else "killed by the whole suite"
    finally:
        with open(target, "w") as f:
            f.writelines(original)
        # The restored file must not look older than its object.
        os.utime(target)


def prepare(limit):
    # Inside the tree, so that ccache (CCACHE_BASEDIR) sees the same relative
    # paths as in build/ and the first build of the copy is mostly hits.
    os.makedirs(os.path.join(ROOT, "build-mutate"), exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="copy-", dir=os.path.join(ROOT, "build-mutate"))
    make_copy(scratch)
    if run(["cmake", "-S", ".", "-B", "build"], scratch, 600) != 0 or not build(
            scratch, 3600, DATA_TOOLS):
        sys.exit("mutate: the unchanged copy in %s does not build" % scratch)
    tools = os.path.join(scratch, "tools-unchanged")
    os.makedirs(tools)
    for tool in DATA_TOOLS:
        shutil.copy2(os.path.join(scratch, "build", tool), tools)
    if run(["cmake", "-S", ".", "-B", "build", "-DQUENZY_HOST_TOOLS=" + tools], scratch,
           600) != 0 or not build(scratch, 3600, ["all"]):
        sys.exit("mutate: the unchanged copy in %s does not build" % scratch)
    excluded = slow_tests(os.path.join(scratch, "build"))
    if not quick_stage(scratch, limit * 4, excluded) or not whole_suite(scratch, limit):
        sys.exit("mutate: the suite fails on the unchanged copy in %s" % scratch)
    # Each object as the unchanged sources make it: a mutant that compiles
    # to the same bytes (code another machine's switch leaves out, or a
    # change the compiler folds away) cannot be told apart by any test.
    unchanged = {}
    for path in subprocess.check_output(["git", "-C", ROOT, "ls-files", "src/*.cpp"],
                                        text=True).split():
        found = object_of(scratch, path)
        if found:
            unchanged[path] = digest(found)
    return scratch, excluded, unchanged


def load_equivalent(path):
    """Mutants looked at by hand that cannot change what the game does, one
    "file:line: what" per line (# for comments): left out of the count."""
    if not path:
        return set()
    with open(path) as f:
        return {line.split("#")[0].strip() for line in f} - {""}


def place(mutant):
    return "%s:%d: %s" % (mutant[0], mutant[1], mutant[3])


def report(results, equivalent):
    counted = [r for r in results if r[1] not in ("not built", "same code")
               and place(r[0]) not in equivalent]
    killed = sum(1 for r in counted if r[1].startswith("killed"))
    print("\n%d mutants: %d not built, %d the same code, %d equivalent by hand; "
          "%d counted: %d killed, %d survived (%.1f%% killed)" % (
              len(results), sum(1 for r in results if r[1] == "not built"),
              sum(1 for r in results if r[1] == "same code"),
              sum(1 for r in results if place(r[0]) in equivalent), len(counted), killed,
              len(counted) - killed, 100.0 * killed / len(counted) if counted else 0))
    modules = sorted({r[0][0].split("/")[1] for r in counted})
    for module in modules:
        mine = [r for r in counted if r[0][0].split("/")[1] == module]
        print("  %-9s %3d counted, %3d killed" % (
            module, len(mine), sum(1 for r in mine if r[1].startswith("killed"))))
    for mutant, outcome in results:
        if outcome == "survived" and place(mutant) not in equivalent:
            print("survivor " + place(mutant))
    return 1 if killed < len(counted) else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=10)
    parser.add_argument("--timeout", type=int, default=300,
                        help="seconds the quick stage may take (one test of the whole suite: four times that)")
    parser.add_argument("--equivalent", default=os.path.join(ROOT, "tools", "mutate",
                                                             "equivalent.txt"),
                        help="mutants found equivalent by hand, left out of the count")
    parser.add_argument("--keep", action="store_true", help="keep the scratch copy")
    parser.add_argument("--only", action="append", metavar="PLACE",
                        help="run this mutant, as printed (file:line: what), instead of a draw")
    parser.add_argument("--skip-drawn", action="append", metavar="SEED:N",
                        help="leave out the first N mutants seed SEED draws: ones an earlier run tried")
    args = parser.parse_args()
    mutants = named(args.only) if args.only else choose(args.seed, args.count)
    for earlier in args.skip_drawn or []:
        seed, count = (int(x) for x in earlier.split(":"))
        drawn = {place(m) for m in choose(seed, count)}
        mutants = [m for m in mutants if place(m) not in drawn]
    equivalent = load_equivalent(args.equivalent)
    scratch, excluded, unchanged = prepare(args.timeout)
    results = []
    try:
        for mutant in mutants:
            started = time.time()
            outcome = try_mutant(scratch, mutant, args.timeout, excluded, unchanged)
            results.append((mutant, outcome))
            print("%s: %s (%.0f s)" % (place(mutant), outcome, time.time() - started),
                  flush=True)
    finally:
        if not args.keep:
            shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(report(results, equivalent))


if __name__ == "__main__":
    main()
