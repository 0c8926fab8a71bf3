#!/usr/bin/env bash
# The Windows-only code, checked without Windows. Every *_win*.cpp file is
# compiled with mingw-w64 against the Qt headers (syntax only: Qt for
# Windows cannot be linked here); the version reading and the version
# resource are cross-compiled whole and run under wine. Skipped (77) when
# the tools are missing.
set -euo pipefail
source_dir=$1
resource=$2
work=$3
qt_includes=$4 # the Qt include folders, separated by ";"

for tool in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-windres wine; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
mkdir -p "$work"
cd "$work"

includes=()
IFS=';' read -ra folders <<<"$qt_includes"
for folder in "${folders[@]}"; do
    # Qt's own folders only: the system's headers are Linux's, not mingw's.
    case "$folder" in */qt6*) [[ "$folder" == */mkspecs/* ]] || includes+=(-I"$folder") ;; esac
done
for folder in app pages wizard simulator simulator/control devicelib; do includes+=(-I"$source_dir/$folder"); done
windows_only=$(cd "$source_dir" && find app pages wizard simulator -name '*_win*.cpp' | sort)
for file in $windows_only; do
    # Qt's Linux headers declare exports the Windows way: no warning about it.
    x86_64-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Wno-attributes "${includes[@]}" \
        "$source_dir/$file"
    echo "$file: compiles for Windows"
done
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
