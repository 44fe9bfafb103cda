#!/usr/bin/env bash
# Takes the README's screenshots of the driver's dialogs from the X screen of
# a Wine session, as a person sees it: a Wine test program poses the delivered
# driver and waits while each picture is taken.
# Needs xwd (x11-apps) and ImageMagick. Usage, after a build of the test tree:
#   tools/take_screenshots.sh [build folder] [set]     (default: build calibration)
# where set is "calibration" (the calibration dialog and view) or "settings"
# (the settings and application selection dialogs).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export ORVANTA_BUILD=${1:-$ROOT/build}
case ${2:-calibration} in
  calibration) program=e2e_calibration; names="calibration calibration-view" ;;
  settings) program=e2e_settings; names="settings settings-selapp" ;;
  *) echo "unknown set: $2" >&2; exit 2 ;;
esac
source "$ROOT/scripts/env.sh"
choose_wine
wine_env
trap stop_started EXIT
start_xvfb
prepare_prefix

shots=$(mktemp -d)
out=${ORVANTA_SHOTS_OUT:-$ROOT/docs/screenshots}
mkdir -p "$out"
ORVANTA_SHOTS="Z:${shots//\//\\}" "$WINE_BIN" "$TEST_TREE/bin/$program.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='*DISABLED_ScreensForTheReadme' &
runner=$!
for name in $names; do
  for _ in $(seq 600); do [ -e "$shots/$name.ready" ] && break; sleep 0.1; done
  [ -e "$shots/$name.ready" ] || { echo "no $name pose" >&2; exit 1; }
  # Cut to the posed window; an 8-bit palette keeps the PNGs small.
  geometry=$(cat "$shots/$name.ready")
  xwd -root -display "$DISPLAY" | /usr/bin/convert xwd:- -crop "$geometry" +repage -colors 256 "png8:$out/$name.png"
  touch "$shots/$name.done"
done
wait $runner
rm -rf "$shots"
ls -l "$out"
