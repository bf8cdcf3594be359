#!/usr/bin/env bash
# Runs the real TRQXConvert on the project's sample in a temp folder and checks what it
# writes, its exit codes and its messages. Arguments: build dir, tests/data dir.
set -euo pipefail
build=$(cd "$1" && pwd)
data=$(cd "$2" && pwd)
program="$build/apps/TRQXConvert"
samples="$data/../../samples/convert"
expected="$data/client/convert"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A work folder with the sample, its registry and a home folder inside it.
prepare() {
  mkdir -p "$1"
  cp -R "$samples/." "$1/"
}

run() {
  local work=$1
  shift
  (cd "$work" && HOME="$work" TRQX_REGISTRY="$work/registry" "$program" "$@")
}

# A good conversion with upload number 7.
work="$tmp/good"
prepare "$work"
set +e
run "$work" --number 7 orders.csv >"$tmp/out" 2>"$tmp/err"
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "conversion exited $rc: $(cat "$tmp/err")"
[ "$(cat "$tmp/out")" = "$work/Upload/TRQX007.inc" ] || fail "stdout was '$(cat "$tmp/out")'"
[ ! -s "$tmp/err" ] || fail "unexpected stderr: $(cat "$tmp/err")"
cmp "$work/Upload/TRQX007.inc" "$expected/TRQX007.inc" || fail "upload file differs"
cache="$work/Upload/Cache/$(date +%m-%d-%y)2-4711.cch"
[ -f "$cache" ] || fail "no cache file $cache"
cmp "$cache" "$expected/basket.cch" || fail "cache file differs"
grep -q 'Current Basket ID,Value,2,' "$work/trqx.cfg" || fail "basket ID not saved"
cmp "$work/trqx.cfg" "$work/Set" || fail "Set backup not refreshed"
for folder in Upload/Temp Upload/Cache; do
  [ -d "$work/$folder" ] || fail "folder $folder not created"
done
[ $(( $(stat -c %s "$work/qxu.log") % 249 )) -eq 0 ] || fail "log file is not whole records"
grep -q 'Basket Settings file updated' "$work/qxu.log" || fail "basket save not logged"

# A missing field format file ends the run with the message on stderr.
work="$tmp/noformat"
prepare "$work"
rm "$work/NVFormat.cfg"
set +e
run "$work" orders.csv >"$tmp/out" 2>"$tmp/err"
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "missing NVFormat.cfg exited $rc"
[ ! -s "$tmp/out" ] || fail "stdout not empty without NVFormat.cfg"
grep -qF "File error, function: NVFormat.cfg, code 2." "$tmp/err" || fail "stderr: $(cat "$tmp/err")"
grep -qF "Program ending, could not read cfg file. Check error log" "$tmp/err" ||
  fail "no message box text: $(cat "$tmp/err")"

# A file that no mapping takes fails with the logged message.
work="$tmp/nomapping"
prepare "$work"
cp "$work/orders.csv" "$work/orders.xyz"
set +e
run "$work" orders.xyz >"$tmp/out" 2>"$tmp/err"
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "unmapped file exited $rc"
grep -qF "No mapping found for selected file, orders.xyz." "$tmp/err" || fail "stderr: $(cat "$tmp/err")"

# Help, and a bad switch.
"$program" --help >"$tmp/out" || fail "--help did not exit 0"
grep -q -- "--number N" "$tmp/out" || fail "--help does not explain --number"
set +e
"$program" --bogus >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "an unknown switch was accepted"
echo "PASS"
