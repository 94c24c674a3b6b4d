#!/usr/bin/env bash
# A real browser against kelvis serve: headless Chromium submits the run form (a helper page
# posts the form's fields with the form's token to the server, as a person's click would), follows the redirect
# and renders the result page, which must hold the windows table and the plot; then a
# screenshot of the result page. The sky-map and catalogue forms likewise (the catalogue as a
# file chosen in the form): their runs answer with a page that refreshes itself (meta
# refresh) until the picture or the files are there. With one worker, a long sky map keeps a
# catalogue queued: the queued page and the running page with its sources done are checked.
# Usage: browser_test.sh KELVIS SOURCE_DIR [SCREENSHOT [SKY_FORM_SHOT CATALOGUE_FORM_SHOT
#        [RUNNING_PAGE_SHOT]]]
# Exits 77 (skipped) without Chromium.
set -euo pipefail
kelvis=$(realpath "$1") src=$(realpath "$2") shot=${3:-} sky_shot=${4:-} cat_shot=${5:-}
running_shot=${6:-}
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium is not installed: browser test skipped"; exit 77; }
work=$(mktemp -d)
# The server and its runs: the batch processes (its children) first, so that a long run does
# not hold the server's drain.
stop_server() {
  kill -KILL $(cat /proc/"$server"/task/*/children 2>/dev/null) 2>/dev/null || true
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap 'stop_server; rm -rf "$work"' EXIT
mkdir -p "$work/data/orbits" "$work/data/out" "$work/profile"
cp "$src/examples/kelvocc_kv1.std" "$work/data/"
read -r year mon day < <(date -u '+%Y %-m %-d')
"$src/scripts/write-orbit-file" "$src/examples/kv1_elements.txt" "$work/data/orbits" "$year" "$mon" "$day"
"$kelvis" serve --listen 127.0.0.1:0 --data "$work/data" --workers 1 --run-timeout 60 \
  2> "$work/server.log" &
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
# The catalogue as a file chosen in the form (set as a person's choice of a file would be),
# the pasted text beside it not used.
cat > "$work/catalogue.html" <<HTML
<!doctype html><form id="f" method="post" action="${url}catalogue" enctype="multipart/form-data">
<input name="form_token" value="$token"><input name="start" value="$start">
<input name="end" value="$end">$limits
<textarea name="csv">name,ra,dec
unused,1,1</textarea><input type="file" name="csv_file" id="file"></form>
<script>
const t = new DataTransfer();
t.items.add(new File(['Name,RA,Dec\\nCyg X-1,19:58:21.6,+35:12:00\\ncrab,05h34m31.9s,22.014\\n'],
                     'sources.csv', {type: 'text/csv'}));
document.getElementById('file').files = t.files;
document.getElementById('f').submit();
</script>
HTML
"$browser" "${flags[@]}" --dump-dom "file://$work/sky.html" > "$work/sky_result.html" 2>/dev/null
grep -q '<img id="skymap"' "$work/sky_result.html" || { cat "$work/sky_result.html"; exit 1; }
"$browser" "${flags[@]}" --dump-dom "file://$work/catalogue.html" > "$work/cat_result.html" 2>/dev/null
grep -q 'catalogue_web' "$work/cat_result.html" ||
  { cat "$work/cat_result.html"; exit 1; }
cat_id=$(grep -o '/runs/[0-9a-f]\{32\}/files/' "$work/cat_result.html" | head -1 | cut -d/ -f3)
cat_doc=$(curl -s "${url}api/v1/runs/$cat_id")
grep -q '"name": "Cyg X-1"' <<< "$cat_doc" && grep -q '"name": "crab"' <<< "$cat_doc" &&
  ! grep -q 'unused' <<< "$cat_doc" || { echo "$cat_doc"; exit 1; }
# One worker: a sky map of 200 days runs while a catalogue waits. The queued page and the
# running page refresh themselves and hold no script; the running one tells its sources done.
long_end=$(date -u -d '+200 days' +%Y-%m-%dT00:00:00)
running=$(curl -s -o /dev/null -w '%{redirect_url}' -X POST "${url}sky" \
  --data "form_token=$token&start=$start&end=$long_end&nside=16")
queued=$(curl -s -o /dev/null -w '%{redirect_url}' -X POST "${url}catalogue" \
  --data "form_token=$token&start=$start&end=$end" --data-urlencode $'csv=name,ra,dec\nx,1,1')
page=$(curl -s "$queued")
grep -q 'id="state">queued<' <<< "$page" || { echo "$page"; exit 1; }
for _ in $(seq 100); do
  page=$(curl -s "$running")
  grep -q 'sources done' <<< "$page" && break
  sleep 0.2
done
grep -q 'id="state">running<' <<< "$page" || { echo "$page"; exit 1; }
grep -q 'of 3072 sources done' <<< "$page"
api_state=$(curl -s "${url}api/v1/${running#"$url"}")
grep -q '"state":"running"' <<< "$api_state" && grep -q '"sources_total":3072' <<< "$api_state" ||
  { echo "$api_state"; exit 1; }
for p in "$page" "$(curl -s "$queued")"; do
  grep -q 'http-equiv="refresh"' <<< "$p"
  if grep -q '<script' <<< "$p"; then echo "a script in a run page: $p"; exit 1; fi
done
if [ -n "$running_shot" ]; then
  "$browser" "${flags[@]/--virtual-time-budget=20000/--virtual-time-budget=500}" \
    --window-size=900,400 --screenshot="$running_shot" "$running" 2>/dev/null
  [ -s "$running_shot" ]
fi
if [ -n "$sky_shot" ]; then
  "$browser" "${flags[@]}" --window-size=1000,1300 --screenshot="$sky_shot" "${url}sky" 2>/dev/null
  "$browser" "${flags[@]}" --window-size=1000,1300 --screenshot="$cat_shot" "${url}catalogue" \
    2>/dev/null
  [ -s "$sky_shot" ] && [ -s "$cat_shot" ]
fi
echo "browser: forms, submissions, refreshing pages and results as expected (run $id)"
