#!/usr/bin/env bash
# Mutation score of the fast tests (not a test, not run by CI): changes the installer's source one
# small way at a time, rebuilds the test binaries the changed file feeds, runs them, and reports
# per folder of install/ how many changes compiled and how many the tests caught, then every
# change nothing caught. Needs a built tree (./test.sh); leaves the source tree as it was.
# Usage: scripts/mutation-score.sh [--count N] [--seed S...] [--fresh] [--build DIR]
# (80, 13, build/mingw; --fresh without --seed measures the fresh seed alone)
# Several seeds give one sample each, scored apart and together; scripts/mutation/harmless.txt
# lists the changes judged unable to change behaviour, left out of the second score.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
qv_wine_prefix
qv_wine_start
trap 'wineserver -k 2>/dev/null || true' EXIT
PYTHONDONTWRITEBYTECODE=1 python3 scripts/mutation/mutation_score.py "$@"
