#!/usr/bin/env bash
# A real browser against kelvis serve: headless Chromium submits the run form (a helper page
# posts the form's fields with the form's token to the server, as a person's click would), follows the redirect
# and renders the result page, which must hold the windows table and the plot; then a
# screenshot of the result page. Usage: browser_test.sh KELVIS SOURCE_DIR [SCREENSHOT]
# Exits 77 (skipped) without Chromium.
set -euo pipefail
kelvis=$(realpath "$1") src=$(realpath "$2") shot=${3:-}
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium is not installed: browser test skipped"; exit 77; }
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/data/orbits" "$work/data/out" "$work/profile"
cp "$src/examples/kelvocc_kv1.std" "$work/data/"
read -r year mon day < <(date -u '+%Y %-m %-d')
"$src/scripts/write-orbit-file" "$src/examples/kv1_elements.txt" "$work/data/orbits" "$year" "$mon" "$day"
"$kelvis" serve --listen 127.0.0.1:0 --data "$work/data" 2> "$work/server.log" &
server=$!
for _ in $(seq 50); do grep -q 'listening on' "$work/server.log" && break; sleep 0.1; done
url=$(sed -n 's/.*listening on \(http:[^ ]*\).*/\1/p' "$work/server.log")
start=$(date -u +%Y-%m-%dT00:00:00)
end=$(date -u -d '+2 days' +%Y-%m-%dT00:00:00)
# The token of the server's own form, which a post of the form must carry.
token=$(curl -s "$url" | sed -n 's/.*name="form_token" value="\([0-9a-f]*\)".*/\1/p')
[ -n "$token" ]
cat > "$work/submit.html" <<HTML
<!doctype html><form id="f" method="post" action="${url}runs">
<input name="form_token" value="$token">
<input name="user" value="ann"><input name="source" value="x"><input name="ra_deg" value="0">
<input name="dec_deg" value="0"><input name="known" value="cygx1">
<input name="start" value="$start"><input name="end" value="$end">
<input name="roll_sun" value="45"><input name="neg_roll_sun" value="45">
<input name="roll_moon" value="10"><input name="roll_velocity" value="10">
<input name="earth_margin" value="5"><input name="tag" value="web"></form>
<script>document.getElementById('f').submit()</script>
HTML
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run
       --disable-background-networking --disable-component-update --disable-sync
       --user-data-dir="$work/profile" --virtual-time-budget=20000)
"$browser" "${flags[@]}" --dump-dom "$url" > "$work/form.html" 2>/dev/null
grep -q '<form method="post" action="/runs">' "$work/form.html"
"$browser" "${flags[@]}" --dump-dom "file://$work/submit.html" > "$work/result.html" 2>/dev/null
grep -q '<table id="windows">' "$work/result.html" || { cat "$work/result.html"; exit 1; }
grep -q 'cygx1: visibility windows' "$work/result.html"
id=$(grep -o '/runs/[0-9a-f]\{32\}/files/plot.png' "$work/result.html" | head -1 | cut -d/ -f3)
[ -n "$id" ]
if [ -n "$shot" ]; then
  "$browser" "${flags[@]}" --window-size=1200,1500 --screenshot="$shot" "${url}runs/$id" 2>/dev/null
  [ -s "$shot" ]
fi
echo "browser: form, submission and result page as expected (run $id)"
