#!/usr/bin/env bash
# The window through the real accessibility bus, as a screen reader reads
# it: a D-Bus session, the AT-SPI bus, a virtual screen, and the Python
# AT-SPI bindings listening while the updater's autopilot runs an update.
# check_screenreader.sh UPDATER AUTOPILOT SOURCE_DIR
set -euo pipefail
updater=$1
autopilot=$2
source_dir=$3
for needed in dbus-run-session Xvfb /usr/libexec/at-spi-bus-launcher; do
    command -v "$needed" >/dev/null || { echo "missing: $needed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "missing: python3-pyatspi"; exit 77; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cat >"$work/scenario.json" <<'JSON'
{"receivers": [{"pid": "1317", "version": 6.01, "build": 81, "running": 2, "restartMs": 1500, "latencyMs": 0}]}
JSON
mkdir -m 700 "$work/session"
export work updater autopilot source_dir
dbus-run-session -- bash -c '
    set -euo pipefail
    trap "kill \$(jobs -p) 2>/dev/null || true" EXIT
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    # Xvfb picks a free display itself and writes its number once it is ready.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" &
    for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
    export DISPLAY=:$(head -n1 "$work/display")
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_RUNTIME_DIR="$work/session" XDG_STATE_HOME="$work/state" \
        XDG_CACHE_HOME="$work/cache" ORVEX_SIM_SCENARIO="$work/scenario.json" LD_PRELOAD="$autopilot" \
        ORVEX_AUTOPILOT_PRESS=1 ORVEX_AUTOPILOT_READ_MS=1500 ORVEX_AUTOPILOT_LOG="$work/autopilot.log" \
        /usr/bin/python3 "$source_dir/tests/screenreader.py" "$updater"
'
