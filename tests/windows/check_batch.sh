#!/usr/bin/env bash
# The Windows command line's batch through the simulated box, under wine:
# every line on standard output one JSON object, each receiver's progress
# from its start, and a summary that counts the box as it is.
# Usage: tests/windows/check_batch.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
ORVEX_SIM_SCENARIO=box ORVEX_SIM_CLOCK=virtual "$build/wine-run" "$build/bin/orvex-updater-cli.exe" \
    batch --pack classic --count 9 --json >"$out" 2>/dev/null || status=$?
python3 - "$out" "$status" <<'PY'
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
events = [json.loads(line) for line in lines]  # fails on anything that is no JSON
assert all(isinstance(e, dict) for e in events), "a line that is no object"
results = [e["outcome"] for e in events if e["event"] == "result"]
summary = events[-1]
assert summary["event"] == "summary", summary
assert summary["handled"] == 9 == len(results), (summary, results)
assert results == ["updated"] * 4 + ["current", "failed"] + ["updated"] * 3, results
assert int(sys.argv[2]) == 1, "exit status %s, not 1 (one update failed)" % sys.argv[2]
print("batch under wine: %d JSON lines, 9 receivers: %s" % (len(events), ", ".join(results)))
PY
