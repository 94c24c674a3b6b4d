#!/usr/bin/env bash
# One complete run of kelvis under valgrind memcheck: no error and no leak allowed.
# Usage: memcheck.sh KELVIS_BINARY SOURCE_DIR. Exits 77 (skipped) when valgrind is absent.
set -euo pipefail
kelvis=$1 src=$2
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed: memory check skipped (scripts/ensure-packages installs it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/orbits"
cp "$src/examples/kelvocc_kv1.std" "$work/"
year=$(date -u +%Y); mon=$(date -u +%-m); day=$(date -u +%-d)
"$src/scripts/write-orbit-file" "$src/examples/kv1_elements.txt" "$work/orbits" "$year" "$mon" "$day"
cd "$work"
echo "ann crab kv1 83.63 22.01 $year $mon $day 0 0 0 0 $year $mon $day 12 0 0 0 45 45 10 10 5 1 mc" |
  valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
    --suppressions="$src/tests/memcheck.supp" \
    --errors-for-leak-kinds=all --trace-children=no "$kelvis"
grep -q Succesful out/erranncrabmc_kv1.out
