#!/usr/bin/env bash
# The Windows version reading and the version resource, checked without
# Windows: cross-compiled with mingw-w64 together with the generated .rc,
# run under wine. Skipped (77) when the tools are missing.
set -euo pipefail
source_dir=$1
resource=$2
work=$3
for tool in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-windres wine; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
mkdir -p "$work"
cd "$work"
x86_64-w64-mingw32-windres "$resource" -O coff -o resource.o
x86_64-w64-mingw32-g++ -std=c++17 -municode -static -Wall -Wextra -I"$source_dir/app" \
    "$source_dir/tests/windows/versioncheck.cpp" "$source_dir/app/fileversion_win_core.cpp" \
    resource.o -lversion -o versioncheck.exe
x86_64-w64-mingw32-g++ -std=c++17 -municode -static -I"$source_dir/app" \
    "$source_dir/tests/windows/versioncheck.cpp" "$source_dir/app/fileversion_win_core.cpp" \
    -lversion -o bare.exe
echo "no version resource here" > plain.txt

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
run() { wine versioncheck.exe "$1" 2>/dev/null | tr -d '\r'; }
expect() {
    local got
    got=$(run "$1")
    [ "$got" = "[$2]" ] || { echo "$1: expected [$2], got $got"; exit 1; }
    echo "$1: [$2]"
}
expect versioncheck.exe 1.0.0.6
expect bare.exe ""
expect plain.txt ""
expect missing.exe ""
