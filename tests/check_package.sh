#!/usr/bin/env bash
# Debian's own validators on what we ship: the desktop entry, the AppStream
# metainfo (warnings fail too) and the .deb. Skipped (77) when the
# validators are missing.
set -euo pipefail
source_dir=$1
build=$2
for tool in desktop-file-validate appstreamcli lintian cpack; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
desktop-file-validate "$source_dir/resources/invalid.orvex.Updater.desktop"
appstreamcli validate --no-net "$source_dir/resources/invalid.orvex.Updater.metainfo.xml"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# lintian leaves its own temporary files behind: keep them in ours.
export TMPDIR="$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
# Tags that are only warnings or notes are listed, errors fail.
status=0
tags=$(lintian --fail-on error --no-tag-display-limit "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$tags" || true
[ $status -eq 0 ] || exit $status
echo "desktop entry, metainfo and $(basename "$deb") pass"
