#!/usr/bin/env bash
# The Windows command line against the maker's library as it is built: a
# stand-in OrvexSys.dll in MSVC's ABI beside the program, bound at run
# time, through one whole update; and, without the library, with a file
# that is no library, or without its calls, one line naming the file and
# the call, exit status 8, and not a single call made.
# Usage: tests/windows/check_maker_library.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$build/bin/orvex-updater-cli.exe" "$build/bin/orvex-clock.dll" "$folder/"
cli() { "$build/wine-run" "$folder/orvex-updater-cli.exe" "$@" 2>"$folder/err"; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

expect_refusal() { # what the line must name
    local status=0
    cli --json update --yes --pack scrivet >"$folder/out" || status=$?
    [ $status -eq 8 ] || fail "exit status $status, not 8"
    python3 - "$folder/out" "$1" <<'PY' || fail "the refusal is not one JSON line naming $2"
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
assert len(lines) == 1, lines
event = json.loads(lines[0])
assert event["event"] == "error" and event["code"] == 8, event
assert "OrvexSys.dll" in event["message"] and sys.argv[2] in event["message"], event
print("  " + event["message"])
PY
}

echo "== no OrvexSys.dll beside the program"
expect_refusal "is missing"
echo "== an OrvexSys.dll that is no library"
echo "not a library" >"$folder/OrvexSys.dll"
expect_refusal "could not be loaded (system error"
echo "== an OrvexSys.dll that exports none of its calls"
cp "$build/tests/standin/OrvexSys-noexports.dll" "$folder/OrvexSys.dll"
expect_refusal "LookForOrvexWithSpecifiedPID"

echo "== the stand-in in MSVC's ABI: one whole update"
cp "$build/tests/standin/OrvexSys.dll" "$folder/OrvexSys.dll"
cli --version | tee "$folder/version"
grep -q "the maker's device library, .*OrvexSys.dll" "$folder/version" || fail "--version does not name the maker's library"
status=0
cli --json update --yes --pack scrivet >"$folder/out" || status=$?
[ $status -eq 0 ] || fail "the update ended with exit status $status"
python3 - "$folder/out" <<'PY' || fail "the update did not end updated to 6.01 build 83"
import json, sys
events = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8").read().splitlines()]
results = [e for e in events if e["event"] == "result"]
assert len(results) == 1 and results[0]["outcome"] == "updated", results
assert results[0]["code"] == 0, results
percents = [e["percent"] for e in events if e["event"] == "progress"]
assert percents and percents == sorted(percents) and percents[-1] == 100, percents
print("  updated; progress %s" % " ".join(str(p) for p in percents))
PY
exit $failed
