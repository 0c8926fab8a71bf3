#!/usr/bin/env bash
# The Windows packages as school IT meets them, under wine on a virtual
# screen, in a wine prefix made afresh for it, with nothing on the DLL
# path but the package's own folder:
#  - the demonstration MSI of an older version installed silently, then
#    this version's, which replaces it: one entry among the installed
#    programs, with this version;
#  - the installed command line's `status --json` against the simulated
#    receiver, and the installed window started in German, found by its
#    German title, and closed as Windows closes a program;
#  - every DLL the package carries is loaded by them, and everything they
#    load that is not Windows' own comes from the package; its catalogues
#    are exactly the program's;
#  - the MSI removed silently: nothing left in Program Files, no shortcut;
#  - the field packages carry no OrvexSys.dll, and the field zip's command
#    line says so in one line, exit status 8.
# Usage: tests/windows/check_packages.sh BUILD_FOLDER   (after scripts/windows-packages)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
IFS=. read -r major minor patch tweak <<<"$version"
older="$major.$minor.$patch.$((tweak - 1))"
packages="$build/packages"
work=$(mktemp -d)
export WINEPREFIX="$work/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_QPA_PLATFORM
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$root/scripts/windows-packages" "$build" "$older" >/dev/null
demo="$packages/orvex-updater-simulated-$version-x64.msi"
demo_older="$packages/orvex-updater-simulated-$older-x64.msi"
product="Orvex Firmware Updater (simulated receiver)"
wineboot -i >/dev/null 2>&1
program_files=$(winepath -u "$(wine cmd /c 'echo %ProgramW6432%' 2>/dev/null | tr -d '\r')")
installed="$program_files/$product"

entries() { # the installed programs' entries for the product: "name|version" lines
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
        awk -v product="$product" '
            /^HKEY/ { name = ""; version = "" }
            $1 == "DisplayName" { sub(/^[\t ]*DisplayName[\t ]+REG_SZ[\t ]+/, ""); name = $0 }
            $1 == "DisplayVersion" { version = $3 }
            name == product && version != "" { print name "|" version; name = "" }'
}

echo "== $(basename "$demo_older"), then $(basename "$demo"), silently"
wine msiexec /i "$(winepath -w "$demo_older")" /qn || fail "the older MSI did not install"
[ -x "$installed/orvex-updater.exe" ] || fail "nothing installed into $installed"
wine msiexec /i "$(winepath -w "$demo")" /qn || fail "the newer MSI did not install"
msi_version="$major.$minor.$((patch * 1000 + tweak))"
[ "$(entries)" = "$product|$msi_version" ] || fail "installed programs after the upgrade: $(entries | tr '\n' ' ')"
echo "  installed: $(entries)"
shortcut=$(find "$WINEPREFIX/drive_c" -name "$product.lnk" | head -1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"

echo "== the installed command line: status --json"
loaded="$work/loaded"
status=0
WINEDEBUG=+loaddll wine "$(winepath -w "$installed/orvex-updater-cli.exe")" status --json >"$work/status" 2>>"$loaded" || status=$?
[ $status -eq 0 ] || fail "status ended with exit status $status"
python3 - "$work/status" <<'PY' || fail "status --json did not report the simulated receiver"
import json, sys
events = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8").read().splitlines()]
receiver = [e for e in events if e["event"] == "receiver"]
assert len(receiver) == 1 and receiver[0]["pid"] == "1317", events
print("  receiver %s, firmware %s build %s" % (receiver[0]["pid"], receiver[0]["version"], receiver[0]["build"]))
PY

echo "== the installed window, in German: started, then closed"
WINEDEBUG=+loaddll wine "$(winepath -w "$installed/orvex-updater.exe")" x de 2>>"$loaded" &
window_pid=$!
title=""
for _ in $(seq 60); do
    title=$(xdotool search --onlyvisible --class 'orvex-updater\.exe' getwindowname 2>/dev/null | head -1) && [ -n "$title" ] && break
    sleep 1
done
[ "$title" = "Orvex Firmware-Aktualisierung v$version" ] || fail "the window's title is \"$title\""
wine taskkill /im orvex-updater.exe >/dev/null 2>&1 || true
status=0
wait $window_pid || status=$?
[ $status -eq 0 ] || fail "the window ended with exit status $status"
echo "  window \"$title\" closed, exit status $status"

echo "== what the programs load"
(cd "$installed" && find . -iname '*.dll' | sed 's|^\./||') >"$work/carried"
python3 - "$loaded" "$(winepath -w "$installed")" "$work/carried" <<'PY' || fail "the package's DLLs are not what the programs load"
import re, sys
folder = sys.argv[2].lower().rstrip("\\") + "\\"
native, found = set(), set()
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    m = re.search(r'Loaded L"(.*?)" at \S+: (native|builtin)', line)
    if m:
        path = m.group(1).replace("\\\\", "\\").lower()
        # Wine may put its own zlib1 in place of the package's: the
        # program still asked for the one in its folder.
        found.add(path)
        if m.group(2) == "native":
            native.add(path)
outside = sorted(p for p in native if not p.startswith(folder) and not p.endswith(".exe"))
loaded = {p[len(folder):] for p in found if p.startswith(folder) and not p.endswith(".exe")}
carried = {line.strip().replace("/", "\\").lower() for line in open(sys.argv[3]) if line.strip()}
assert not outside, "loaded from outside the package: %s" % outside
assert carried == loaded, "carried, never loaded: %s; loaded, not carried: %s" % (
    sorted(carried - loaded), sorted(loaded - carried))
print("  %d DLLs carried, each loaded, nothing native from elsewhere" % len(carried))
PY
catalogues=$(cd "$installed/Translations" && ls)
expected=$(cd "$root/translations" && ls *.ts | sed 's/\.ts$/.qm/')
[ "$catalogues" = "$expected" ] || fail "catalogues installed: $catalogues"

echo "== removed, silently"
wine msiexec /x "$(winepath -w "$demo")" /qn || fail "the MSI was not removed"
[ ! -e "$installed" ] || fail "left in Program Files: $(cd "$installed" && find . | head)"
[ -z "$(find "$WINEPREFIX/drive_c" -name "$product.lnk")" ] || fail "the shortcut is left"
[ -z "$(entries)" ] || fail "still among the installed programs: $(entries)"

echo "== the field packages: no OrvexSys.dll"
field="$packages/orvex-updater-$version-x64"
msiinfo export "$field.msi" File | grep -qi 'OrvexSys' && fail "the field MSI carries OrvexSys.dll"
unzip -q "$field.zip" -d "$work/field"
[ -z "$(find "$work/field" -iname OrvexSys.dll)" ] || fail "the field zip carries OrvexSys.dll"
status=0
wine "$(winepath -w "$work/field/$(basename "$field")/orvex-updater-cli.exe")" status >/dev/null 2>"$work/err" || status=$?
[ $status -eq 8 ] || fail "the field zip's command line ended with $status, not 8"
grep -q "OrvexSys.dll is missing" "$work/err" || fail "the field zip's command line said: $(cat "$work/err")"
echo "  $(tr -d '\r' <"$work/err")"
exit $failed
