#!/usr/bin/env bash
# Runs setup_test.exe in a fresh Wine prefix of its own, with two setup
# programs made from this tree's install layout: the one under test, and the
# same files as the next version (for the upgrade and for refusing the older
# one). Called by ctest; arguments:
#   TREE WINE MAKENSIS NSI VERSION TEST_EXE CMAKE
# The work folder (TREE/setup-test) is removed after a passing run and kept
# for a look after a failing one.
set -euo pipefail
tree=$1 wine=$2 makensis=$3 nsi=$4 version=$5 test_exe=$6 cmake=$7
work=$tree/setup-test
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

rm -rf "$work"
mkdir -p "$work"
"$cmake" --install "$tree" --prefix "$work/dist" --strip >/dev/null
IFS=. read -r major minor patch <<<"$version"
next=$major.$minor.$((patch + 1))
for v in "$version" "$next"; do
  "$makensis" -V2 -DDIST="$work/dist" -DVERSION="$v" -DOUTFILE="$work/Orvanta-$v-setup.exe" "$nsi" >/dev/null
done

export WINEPREFIX=$work/prefix
# Wine would turn the Start-up shortcut into a menu entry of this machine's
# desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
# The installed driver opens the simulated panel by its default name.
unset ORVANTA_PANELSIM_NAME
echo "making a fresh Wine prefix in $WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 </dev/null || true
"$wineserver" -w
"$wineserver" -p >/dev/null 2>&1
# Wine's own services started now, with their output going nowhere (started
# by the test's programs they would hold ctest's output pipe open), and no
# window manager to wait for on the virtual screen.
"$wine" wineboot >/dev/null 2>&1 </dev/null || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true

status=0
ORVANTA_SETUP=$(winpath "$work/Orvanta-$version-setup.exe") ORVANTA_SETUP_VERSION=$version \
ORVANTA_SETUP_NEXT=$(winpath "$work/Orvanta-$next-setup.exe") ORVANTA_SETUP_NEXT_VERSION=$next \
ORVANTA_SETUP_DIST=$(winpath "$work/dist") \
  "$wine" "$test_exe" || status=$?
# Everything still running in this prefix (a driver left by a failed case).
"$wineserver" -k >/dev/null 2>&1 || true
if [ $status -eq 0 ]; then rm -rf "$work"; else echo "kept for a look: $work"; fi
exit $status
