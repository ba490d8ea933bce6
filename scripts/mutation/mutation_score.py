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
TEST_TIMEOUT_SECONDS = 60
LOG_TEXT_SHARE = 20  # at most one change of log text in this many


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
        """The tests that fail (or time out); with `every` false it stops at the first."""
        pattern = "^(%s)$" % "|".join(tests)
        command = ["ctest", "--test-dir", str(self.build), "-R", pattern, "-j", str(jobs),
                   "--timeout", str(TEST_TIMEOUT_SECONDS)]
        result = run(command + ([] if every else ["--stop-on-failure"]))
        failed = set(re.findall(r"^\s*\d+ - (\S+) \(", result.stdout, re.M))
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
    texts_left = max(1, count // LOG_TEXT_SHARE)
    for m in first + rest:
        if m.operator == "log text":
            if texts_left == 0:
                continue
            texts_left -= 1
        yield m


def report(results, notes, seconds, out):
    rows = defaultdict(lambda: [0, 0])
    for m, caught in results:
        folder = m.path.split("/")[1]
        rows[folder][0] += 1
        rows[folder][1] += caught
    lines = ["%-10s %8s %7s %6s" % ("folder", "compiled", "caught", "score")]
    for folder in sorted(rows) + ["total"]:
        compiled, caught = ([sum(r[i] for r in rows.values()) for i in (0, 1)]
                            if folder == "total" else rows[folder])
        lines.append("%-10s %8d %7d %5.0f%%" % (folder, compiled, caught,
                                                 100.0 * caught / max(compiled, 1)))
    survivors = [m for m, caught in results if not caught]
    lines += notes
    lines.append("\n%d changes nothing caught:" % len(survivors))
    lines += ["  " + m.describe() for m in sorted(survivors, key=lambda m: (m.path, m.line))]
    lines.append("\n%.0f s" % seconds)
    text = "\n".join(lines)
    print("\n" + text)
    out.write_text(text + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build/mingw", help="configured and built tree")
    parser.add_argument("--count", type=int, default=DEFAULT_COUNT, help="compiling changes")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--jobs", type=int, default=2, help="tests run at once")
    parser.add_argument("--every-test", action="store_true",
                        help="run every test on each change and count the changes each test "
                             "alone caught (slower)")
    args = parser.parse_args()

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

    results, started, failed_builds = [], time.time(), 0
    sole_catches = defaultdict(int)
    try:
        for m in sample_order(candidates, args.seed, args.count):
            if len(results) == args.count:
                break
            tests = feeds[m.path]
            space.change(m)
            if not space.build_tests(tests):
                failed_builds += 1
                space.restore()
                continue
            failed = space.failing_tests(tests, args.jobs, args.every_test)
            space.restore()
            caught = bool(failed)
            results.append((m, caught))
            if len(failed) == 1:
                sole_catches[next(iter(failed))] += 1
            print("[%d/%d] %-8s %s" % (len(results), args.count,
                                       "caught" if caught else "SURVIVED", m.describe()),
                  flush=True)
    except (KeyboardInterrupt, Interrupted):
        space.restore()
        print("\ninterrupted: every file is back as it was; the report covers the changes run")
    finally:
        space.restore()
    space.build_tests(all_tests)
    print("%d changes did not compile and were skipped" % failed_builds)
    sole = ["changes caught by one test alone: " + ", ".join(
        "%s %d" % (t, sole_catches[t]) for t in all_tests)] if args.every_test else []
    report(results, sole, time.time() - started, build / "mutation" / "report.txt")


if __name__ == "__main__":
    main()
