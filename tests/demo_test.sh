#!/usr/bin/env bash
# The demo shows visibility windows on the first day of every month of a year.
# Usage: demo_test.sh KELVIS_BINARY SOURCE_DIR
set -euo pipefail
kelvis=$(realpath "$1") src=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for mon in 01 02 03 04 05 06 07 08 09 10 11 12; do
  KELVIS_BIN=$kelvis KELVIS_DEMO_DIR=$work/demo KELVIS_DEMO_STUB_PDF=1 \
    "$src/scripts/demo" "2027-$mon-01" > "$work/said"
  if ! grep -qE '^ [0-9]{6}  ' "$work/said"; then
    echo "2027-$mon-01: no visibility rows"; cat "$work/said"; exit 1
  fi
  grep -q '^JSON: ' "$work/said"
  plot=$(sed -n 's/^plot: *//p' "$work/said")
  [ -s "$plot" ] || { echo "2027-$mon-01: no plot at '$plot'"; exit 1; }
  head -1 "$work/said"
done

# The README's example runs as written in a copy of examples/ and gives the rows it shows.
cp -r "$src/examples" "$work/examples"
rm -rf "$work/examples/out"
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 0\n' > "$work/bin/enscript"
printf '#!/bin/sh\necho %%PDF > "$2"\n' > "$work/bin/ps2pdfwr"
chmod +x "$work/bin/"*
(cd "$work/examples" && mkdir -p out &&
  echo "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 12 0 0 0 0 45 45 10 10 5 0 r7" |
    PATH="$work/bin:$PATH" "$kelvis" --now 2024-03-09T12:00:00)
report=$work/examples/out/viewanncrabr7_kv1.txt
grep -q 'System(RUN) time in U.T: 2024    3    9   12    0    0    0' "$report"
grep -q '^ 001249  2024  03  10  01  05 17 088	2024  03  10  01  48  00 000          42.715 $' "$report"
echo "README example: as shown"
