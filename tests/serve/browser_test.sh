#!/usr/bin/env bash
# A real browser against kelvis serve: headless Chromium submits the run form (a helper page
# posts the form's fields with the form's token to the server, as a person's click would), follows the redirect
# and renders the result page, which must hold the windows table and the plot; then a
# screenshot of the result page. The sky-map and catalogue forms likewise: their runs answer
# with a page that refreshes itself (meta refresh) until the picture or the files are there.
# Usage: browser_test.sh KELVIS SOURCE_DIR [SCREENSHOT [SKY_FORM_SHOT CATALOGUE_FORM_SHOT]]
# Exits 77 (skipped) without Chromium.
set -euo pipefail
kelvis=$(realpath "$1") src=$(realpath "$2") shot=${3:-} sky_shot=${4:-} cat_shot=${5:-}
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
# The sky-map and catalogue forms: each linked from the main page, each run followed through
# its refreshing page to its result.
grep -q 'href="/sky"' "$work/form.html"
grep -q 'href="/catalogue"' "$work/form.html"
limits='<input name="roll_sun" value="45"><input name="neg_roll_sun" value="45">
<input name="roll_moon" value="10"><input name="roll_velocity" value="10">
<input name="earth_margin" value="5">'
cat > "$work/sky.html" <<HTML
<!doctype html><form id="f" method="post" action="${url}sky">
<input name="form_token" value="$token"><input name="start" value="$start">
<input name="end" value="$end">$limits<input name="nside" value="1"></form>
<script>document.getElementById('f').submit()</script>
HTML
cat > "$work/catalogue.html" <<HTML
<!doctype html><form id="f" method="post" action="${url}catalogue">
<input name="form_token" value="$token"><input name="start" value="$start">
<input name="end" value="$end">$limits
<textarea name="csv">Name,RA,Dec
Cyg X-1,19:58:21.6,+35:12:00
crab,05h34m31.9s,22.014</textarea></form>
<script>document.getElementById('f').submit()</script>
HTML
"$browser" "${flags[@]}" --dump-dom "file://$work/sky.html" > "$work/sky_result.html" 2>/dev/null
grep -q '<img id="skymap"' "$work/sky_result.html" || { cat "$work/sky_result.html"; exit 1; }
"$browser" "${flags[@]}" --dump-dom "file://$work/catalogue.html" > "$work/cat_result.html" 2>/dev/null
grep -q 'catalogue_web' "$work/cat_result.html" ||
  { cat "$work/cat_result.html"; exit 1; }
# A run page while the run is queued or running refreshes itself and holds no script.
pending=$(curl -s -o /dev/null -w '%{redirect_url}' -X POST "${url}sky" \
  --data "form_token=$token&start=$start&end=$end&nside=16")
page=$(curl -s "$pending")
if grep -q 'http-equiv="refresh"' <<< "$page"; then
  grep -q 'id="state"' <<< "$page"
  ! grep -q '<script' <<< "$page"
fi
if [ -n "$sky_shot" ]; then
  "$browser" "${flags[@]}" --window-size=1000,1300 --screenshot="$sky_shot" "${url}sky" 2>/dev/null
  "$browser" "${flags[@]}" --window-size=1000,1300 --screenshot="$cat_shot" "${url}catalogue" \
    2>/dev/null
  [ -s "$sky_shot" ] && [ -s "$cat_shot" ]
fi
echo "browser: forms, submissions, refreshing pages and results as expected (run $id)"
