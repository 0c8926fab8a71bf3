#!/usr/bin/env bash
# The installed tree starts and finds its catalogues: install into a
# staging folder, start the program through PATH, read its debug lines.
set -euo pipefail
build=$1
autopilot=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
log="$stage/log"
# Started through PATH, as a desktop entry starts it, from a folder that
# holds a large file of the program's name; the autopilot notes the window
# title.
mkdir "$stage/work"
truncate -s 600M "$stage/work/orvex-updater"
cd "$stage/work"
PATH="$stage/usr/bin:$PATH" XDG_RUNTIME_DIR="$stage" XDG_STATE_HOME="$stage/state" QT_QPA_PLATFORM=offscreen ORVEX_SIM_SCENARIO=no-receiver \
    LD_PRELOAD="$autopilot" ORVEX_AUTOPILOT_LOG="$stage/autopilot" \
    timeout -s TERM 5 orvex-updater x de >"$log" 2>&1 || true
cat "$stage/autopilot" >>"$log"

expect() {
    grep -qF -- "$1" "$log" || { echo "missing in the installed program's output: $1"; cat "$log"; exit 1; }
}
expect "translations path= \"$stage/usr/lib/orvex-updater/Translations\""
expect 'qm files found= 5'
expect 'installed translator for: "OrvexUpdater_de"'
expect 'CIntroPage::initializePage'
expect '[search] Orvex Firmware-Aktualisierung v1.0.0.6'
test -L "$stage/usr/bin/orvex-updater"
# The command line beside it: no display, Qt Core alone, its man page.
cli="$stage/usr/bin/orvex-updater-cli"
test -x "$cli"
test -f "$stage/usr/share/man/man1/orvex-updater-cli.1.gz"
if ldd "$cli" | grep -qE 'libQt6(Gui|Widgets)'; then echo "the command line links Qt Gui or Widgets"; exit 1; fi
status=0
env -u DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$stage" XDG_STATE_HOME="$stage/state" ORVEX_SIM_SCENARIO=no-receiver     "$cli" status --wait 0 --json >"$stage/cli.json" 2>/dev/null || status=$?
[ "$status" -eq 3 ] || { echo "the installed command line ended with $status, not 3 (no receiver)"; exit 1; }
grep -q '"event":"error"' "$stage/cli.json"
test -f "$stage/usr/share/applications/invalid.orvex.Updater.desktop"
test -f "$stage/usr/share/metainfo/invalid.orvex.Updater.metainfo.xml"
echo "installed tree starts and finds its catalogues"
