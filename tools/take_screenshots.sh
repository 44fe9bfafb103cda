#!/usr/bin/env bash
# Takes screenshots from the X screen of a Wine session, as a person sees it
# (a screen copy made inside Wine leaves layered windows out; the X server's
# own picture has them): a Wine program (pose_screens, beside it in
# tools/screenshots, or the demo) poses the driver and waits while each
# picture is taken.
# Needs xwd (x11-apps) and ImageMagick. Usage, after a build of the test tree:
#   tools/take_screenshots.sh [build folder] [set] [script]   (default: build calibration)
# where set is
#   calibration  the calibration dialog and view (README pictures)
#   calibration-144dpi
#                the calibration dialog with the prefix's DPI at 144 (README picture)
#   settings     the settings and application selection dialogs (README pictures)
#   readme       a notification, the demo screen and the virtual panel (README pictures)
#   demo         replays a demo script (default sim/demo/scripts/calibration-set.txt),
#                a picture per step in build/win-*/bin/demo/screens (scripts/run --script)
# ORVANTA_SHOTS_OUT overrides the output folder.
#
# Hand-over: the program writes NAME.ready into the folder ORVANTA_SHOTS names
# (line 1 the part to keep, "WxH+X+Y"; line 2 "check" when the picture only
# serves the program's own check), this script leaves the whole screen there
# as NAME.bmp (24-bit), keeps NAME.png unless it was a check, and writes
# NAME.done.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# Absolute: the Wine server refuses a relative prefix.
export ORVANTA_BUILD=$(realpath -m "${1:-$ROOT/build}")
set_name=${2:-calibration}
source "$ROOT/scripts/env.sh"
choose_wine

winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
out=$ROOT/docs/screenshots
case $set_name in
  calibration) program=pose_screens; names="calibration calibration-view"; args=(calibration) ;;
  calibration-144dpi) program=pose_screens; names="calibration-144dpi"; args=(calibration-144dpi) ;;
  settings) program=pose_screens; names="settings settings-selapp"; args=(settings) ;;
  readme) program=orvanta_demo; names="notification demo virtual-panel"
    args=(--script "$(winpath "$ROOT/sim/demo/scripts/readme.txt")") ;;
  demo) program=orvanta_demo; names=""
    out=$TEST_TREE/bin/demo/screens
    args=(--script "$(winpath "${3:-$ROOT/sim/demo/scripts/calibration-set.txt}")") ;;
  *) echo "unknown set: $set_name" >&2; exit 2 ;;
esac
out=${ORVANTA_SHOTS_OUT:-$out}
wine_env
desktop='HKCU\Control Panel\Desktop'
restore_dpi() { "$WINE_BIN" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 </dev/null || true; }
trap stop_started EXIT
start_xvfb
prepare_prefix
if [ "$set_name" = calibration-144dpi ]; then
  # Wine gives every monitor the system DPI, read from here when a program
  # starts; the prefix is the tests' own, so it goes back to 96 afterwards.
  trap 'restore_dpi; stop_started' EXIT
  "$WINE_BIN" reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 </dev/null
fi

shots=$(mktemp -d)
mkdir -p "$out"
[ "$set_name" = demo ] && rm -f "$out"/*.png "$out"/*.bmp

capture() {  # name
  local name=$1 geometry mode
  geometry=$(sed -n 1p "$shots/$name.ready")
  mode=$(sed -n 2p "$shots/$name.ready")
  xwd -root -display "$DISPLAY" -out "$shots/$name.xwd"
  /usr/bin/convert "$shots/$name.xwd" -type TrueColor "bmp3:$shots/$name.bmp"
  # Cut to the posed part; an 8-bit palette keeps the PNGs small.
  [ "$mode" = check ] || /usr/bin/convert "$shots/$name.xwd" -crop "$geometry" +repage -colors 256 "png8:$out/$name.png"
  rm -f "$shots/$name.xwd"
  touch "$shots/$name.done"
}

ORVANTA_SHOTS=$(winpath "$shots") "$WINE_BIN" "$TEST_TREE/bin/$program.exe" "${args[@]}" &
runner=$!
while kill -0 $runner 2>/dev/null; do
  for ready in "$shots"/*.ready; do
    [ -s "$ready" ] || continue
    name=$(basename "$ready" .ready)
    [ -e "$shots/$name.done" ] || capture "$name"
  done
  sleep 0.05
done
status=0
wait $runner || status=$?
for name in $names; do
  [ -e "$out/$name.png" ] || { echo "no $name pose" >&2; status=1; }
done
rm -rf "$shots"
ls -l "$out"
exit $status
