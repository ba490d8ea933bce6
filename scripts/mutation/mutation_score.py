"""Mutation score of the installer's fast tests: changes the installer's source one small way at
a time, rebuilds the test binaries the changed file feeds, runs them, and reports how many changes
compiled, how many the tests caught, per folder of install/, and every change nothing caught.

Every changed file is put back after each change, on Ctrl-C and on SIGTERM too; a run killed
outright leaves a copy that the next run puts back before it starts."""

import argparse
import json
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from collections import defaultdict
from pathlib import Path

from operators import mutants

SOURCE_DIR = "install"
ONLY_RUN_END_TO_END = {"install/os/real_windows_api.cpp", "install/program/main.cpp"}
DEFAULT_COUNT = 80
DEFAULT_SEED = 13
HARMLESS_LIST = Path(__file__).with_name("harmless.txt")
USED_SEEDS = Path(__file__).with_name("seeds-used.txt")  # every seed measured, with its score
FIXED_SEEDS = {13, 14, 15, 16}
TEST_TIMEOUT_SECONDS = 20
LOG_TEXT_SHARE = 20  # at most one change of log text (of each kind) in this many
LOG_TEXT_OPERATORS = ("log text", "text emptied")


class Interrupted(Exception):
    pass


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          **kwargs)


class Workspace:
    """The source tree and build directory, with the one file currently changed."""

    def __init__(self, root, build):
        self.root, self.build = root, build
        self.state = build / "mutation"
        self.pending = self.state / "pending.json"
        self.state.mkdir(exist_ok=True)

    def change(self, mutant):
        path = self.root / mutant.path
        shutil.copyfile(path, self.state / "original")
        self.pending.write_text(json.dumps({"path": mutant.path}))
        text = path.read_bytes().decode()
        path.write_bytes((text[:mutant.start] + mutant.replacement + text[mutant.end:]).encode())

    def restore(self):
        """Puts the changed file back and drops its objects, so the next build compiles it."""
        if not self.pending.exists():
            return
        relative = json.loads(self.pending.read_text())["path"]
        shutil.copyfile(self.state / "original", self.root / relative)
        inside = relative.split("/", 1)[1]
        for obj in (self.build / SOURCE_DIR / "CMakeFiles").glob("*/" + inside + ".obj"):
            obj.unlink()
        self.pending.unlink()

    def tests_fed_by(self, sources):
        """For each source, the fast tests (no e2e label) whose binaries it is compiled into."""
        listing = run(["ctest", "--test-dir", str(self.build), "-N", "-LE", "e2e"]).stdout
        names = re.findall(r"Test\s+#\d+: (\S+)", listing)
        feeds = defaultdict(list)
        for name in names:
            inputs = run(["ninja", "-C", str(self.build), "-t", "inputs", name]).stdout.split()
            for source in sources:
                if any(i.endswith(source.split("/", 1)[1] + ".obj") for i in inputs):
                    feeds[source].append(name)
        return feeds

    def build_tests(self, tests):
        return run(["ninja", "-C", str(self.build)] + tests).returncode == 0

    def failing_tests(self, tests, jobs, every=False):
        """The tests that fail (or time out); with `every` false it stops at the first, with
        `every` true the failing test cases ("binary:Suite.Case") are named too."""
        pattern = "^(%s)$" % "|".join(tests)
        command = ["ctest", "--test-dir", str(self.build), "-R", pattern, "-j", str(jobs),
                   "--timeout", str(TEST_TIMEOUT_SECONDS)]
        result = run(command + (["--output-on-failure"] if every else ["--stop-on-failure"]))
        failed = set(re.findall(r"^\s*\d+ - (\S+) \(", result.stdout, re.M))
        if every:
            for binary, output in re.findall(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) .*?\n(.*?)(?=^\s*\d+/\d+ Test|\Z)",
                                             result.stdout, re.M | re.S):
                failed |= {binary + ":" + case for case in
                           re.findall(r"^\[  FAILED  \] (\S+?)(?:,| \(|$)", output, re.M)}
        return failed or ({"?"} if result.returncode != 0 else set())


def sample_order(candidates, seed, count):
    """Every file first once, then the rest at random; changes of log text kept to a few."""
    rng = random.Random(seed)
    by_file = defaultdict(list)
    for m in candidates:
        by_file[m.path].append(m)
    first = []
    for path in sorted(by_file):
        rng.shuffle(by_file[path])
        first.append(by_file[path].pop())
    rest = [m for path in sorted(by_file) for m in by_file[path]]
    rng.shuffle(rest)
    rng.shuffle(first)
    texts_left = {operator: max(1, count // LOG_TEXT_SHARE) for operator in LOG_TEXT_OPERATORS}
    for m in first + rest:
        if m.operator in texts_left:
            if texts_left[m.operator] == 0:
                continue
            texts_left[m.operator] -= 1
        yield m


def read_harmless(path):
    """Changes judged unable to change behaviour: "file | source line | change | reason" rows."""
    harmless = {}
    for row in path.read_text().splitlines() if path.exists() else []:
        if row.strip() and not row.startswith("#"):
            file, line, change, reason = (field.strip() for field in row.split(" | ", 3))
            harmless[(file, line, change)] = reason
    return harmless


def harmless_reason(m, harmless, root):
    line = (root / m.path).read_text().splitlines()[m.line - 1].strip()
    change = m.describe().split(" ", 1)[1]
    return harmless.get((m.path, line, change))


def score_line(label, results, judged):
    compiled, caught = len(results), sum(c for _, c in results)
    kept = [(m, c) for m, c in results if c or id(m) not in judged]
    return "%-10s %8d %7d %5.1f%%   without the harmless: %d/%d %5.1f%%" % (
        label, compiled, caught, 100.0 * caught / max(compiled, 1), caught, len(kept),
        100.0 * caught / max(len(kept), 1))


def report(runs, notes, seconds, out, harmless, root):
    """Per seed, per folder over every distinct change, then every change nothing caught."""
    results = list({id(m): (m, c) for seed in runs for m, c in runs[seed]}.values())
    judged = {id(m): r for m, c in results if not c
              for r in [harmless_reason(m, harmless, root)] if r}
    rows = defaultdict(list)
    for m, caught in results:
        rows[m.path.split("/")[1]].append((m, caught))
    lines = ["%-10s %8s %7s %6s" % ("seed", "compiled", "caught", "score")]
    lines += [score_line(str(seed), runs[seed], judged) for seed in runs]
    lines += ["", "%-10s %8s %7s %6s" % ("folder", "compiled", "caught", "score")]
    lines += [score_line(folder, rows[folder], judged) for folder in sorted(rows)]
    lines.append(score_line("total", results, judged))
    survivors = [m for m, caught in results if not caught]
    lines += notes
    lines.append("\n%d changes nothing caught (%d judged harmless):" % (len(survivors), len(judged)))
    lines += ["  " + m.describe() + ("   [harmless: %s]" % judged[id(m)] if id(m) in judged else "")
              for m in sorted(survivors, key=lambda m: (m.path, m.line))]
    lines.append("\n%.0f s" % seconds)
    text = "\n".join(lines)
    print("\n" + text)
    out.write_text(text + "\n")


def used_seeds():
    rows = USED_SEEDS.read_text().splitlines() if USED_SEEDS.exists() else []
    return {int(row.split()[0]) for row in rows if row.strip() and not row.startswith("#")}


def fresh_seed():
    """A seed no earlier measurement used: drawn from the clock, checked against the list."""
    seed, used = int(time.time()), used_seeds() | set(FIXED_SEEDS)
    while seed in used:
        seed += 1
    return seed


def note_fresh_seed(seed, results, count):
    """Adds a seed beyond the fixed ones to the list with its score: it is never fresh again."""
    caught = sum(c for _, c in results)
    with USED_SEEDS.open("a") as out:
        out.write("%d %s %d/%d of --count %d\n" % (seed, time.strftime("%Y-%m-%d"), caught,
                                                   len(results), count))


def run_change(space, m, tests, args, sole_catches, kills):
    """(m, caught) for one change, or None when it does not compile."""
    space.change(m)
    if not space.build_tests(tests):
        space.restore()
        return None
    failed = space.failing_tests(tests, args.jobs, args.every_test)
    space.restore()
    for level in ({t for t in failed if ":" not in t}, {t for t in failed if ":" in t}):
        if len(level) == 1:
            sole_catches[next(iter(level))] += 1
    kills.append({"change": m.describe(), "failed": sorted(failed)})
    if args.every_test:  # written as it grows, so that a long run can be read before its end
        (space.state / "kills.json").write_text(json.dumps(kills, indent=1) + "\n")
    return m, bool(failed)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build/mingw", help="configured and built tree")
    parser.add_argument("--count", type=int, default=DEFAULT_COUNT, help="compiling changes")
    parser.add_argument("--seed", type=int, nargs="+", default=None,
                        help="one sample of --count changes per seed; a change drawn by several "
                             "seeds runs once (%d unless --fresh is given alone)" % DEFAULT_SEED)
    parser.add_argument("--fresh", action="store_true",
                        help="one more sample on a seed never used before (%s lists them), "
                             "scored beside the others" % USED_SEEDS.name)
    parser.add_argument("--jobs", type=int, default=2, help="tests run at once")
    parser.add_argument("--only", type=Path,
                        help="a file of changes, one a line: the seed, a blank, the change as "
                             "the report names it; only these run, each in its seed's sample (to "
                             "check again what a change of the tests may have moved)")
    parser.add_argument("--every-test", action="store_true",
                        help="run every test on each change and count the changes each test "
                             "alone caught (slower)")
    args = parser.parse_args()
    used = used_seeds()
    if args.seed is None:
        args.seed = [] if args.fresh else [DEFAULT_SEED]
    if args.fresh:
        args.seed.append(fresh_seed())
        print("fresh seed %d" % args.seed[-1], flush=True)
    for seed in set(args.seed) & used:
        print("seed %d was measured before (%s): not a fresh sample" % (seed, USED_SEEDS.name))

    root = Path(run(["git", "rev-parse", "--show-toplevel"]).stdout.strip())
    build = (root / args.build).resolve()
    if not (build / "build.ninja").exists():
        sys.exit("%s is not built: run ./test.sh first" % build)
    def stop(signum, frame):
        raise Interrupted()
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)
    space = Workspace(root, build)
    space.restore()

    sources = sorted(str(p.relative_to(root)) for p in (root / SOURCE_DIR).rglob("*.cpp"))
    sources = [s for s in sources if s not in ONLY_RUN_END_TO_END]
    feeds = space.tests_fed_by(sources)
    all_tests = sorted({t for tests in feeds.values() for t in tests})
    if not space.build_tests(all_tests) or space.failing_tests(all_tests, args.jobs):
        sys.exit("the fast tests fail without any change: fix them first")

    candidates = [m for s in sources if feeds[s] for m in mutants(s, (root / s).read_bytes().decode())]

    runs, outcomes, started, failed_builds = {}, {}, time.time(), 0
    only = None
    if args.only:
        only = defaultdict(set)
        for line in args.only.read_text().splitlines():
            if line.strip():
                seed, change = line.strip().split(" ", 1)
                only[int(seed)].add(change)
    sole_catches, kills = defaultdict(int), []
    try:
        for seed in args.seed:
            runs[seed] = []
            for m in sample_order(candidates, seed, args.count):
                if len(runs[seed]) == args.count:
                    break
                if only is not None:
                    if not only[seed]:
                        break
                    if m.describe() not in only[seed]:
                        continue
                    only[seed].discard(m.describe())
                key = (m.path, m.start, m.end, m.replacement)
                if key not in outcomes:
                    outcomes[key] = run_change(space, m, feeds[m.path], args, sole_catches, kills)
                    if outcomes[key] is None:
                        failed_builds += 1
                if outcomes[key] is None:
                    continue
                runs[seed].append(outcomes[key])
                print("[seed %d %d/%d] %-8s %s" % (seed, len(runs[seed]), args.count,
                                                   "caught" if outcomes[key][1] else "SURVIVED",
                                                   m.describe()), flush=True)
    except (KeyboardInterrupt, Interrupted):
        space.restore()
        print("\ninterrupted: every file is back as it was; the report covers the changes run")
    finally:
        space.restore()
    space.build_tests(all_tests)
    for seed in [] if args.only else [s for s in runs if s not in FIXED_SEEDS | used]:
        note_fresh_seed(seed, runs[seed], args.count)
    print("%d changes did not compile and were skipped" % failed_builds)
    sole = ["changes caught by one test alone: " + ", ".join(
        "%s %d" % (t, sole_catches[t]) for t in all_tests),
        "changes caught by one test case alone: " + ", ".join(
        "%s %d" % (t, n) for t, n in sorted(sole_catches.items()) if ":" in t)] \
        if args.every_test else []
    report(runs, sole, time.time() - started, build / "mutation" / "report.txt",
           read_harmless(HARMLESS_LIST), root)


if __name__ == "__main__":
    main()
