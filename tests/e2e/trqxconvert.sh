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
  work="$tmp/$1"
  mkdir -p "$work"
  cp -R "$samples/." "$work/"
}

# Runs the program in a work folder; sets rc, keeps stdout and stderr in $tmp/out and $tmp/err.
run() {
  local work=$1
  shift
  set +e
  (cd "$work" && HOME="$work" TRQX_REGISTRY="$work/registry" "$program" "$@") >"$tmp/out" 2>"$tmp/err"
  rc=$?
  set -e
}

# A good conversion with upload number 7.
prepare good
run "$work" --number 7 orders.csv
[ "$rc" -eq 0 ] || fail "conversion exited $rc: $(cat "$tmp/err")"
[ "$(cat "$tmp/out")" = "$work/Upload/TRQX007.inc" ] || fail "stdout was '$(cat "$tmp/out")'"
[ ! -s "$tmp/err" ] || fail "unexpected stderr: $(cat "$tmp/err")"
cmp "$work/Upload/TRQX007.inc" "$expected/TRQX007.inc" || fail "upload file differs"
cache="$work/Upload/Cache/$(date +%m-%d-%y)2-4711.cch"
cmp "$cache" "$expected/basket.cch" || fail "cache file differs"
grep -q 'Current Basket ID,Value,2,' "$work/trqx.cfg" || fail "basket ID not saved"
cmp "$work/trqx.cfg" "$work/Set" || fail "Set backup not refreshed"
[ -d "$work/Upload/Temp" ] || fail "folder Upload/Temp not created"
[ $(( $(stat -c %s "$work/qxu.log") % 249 )) -eq 0 ] || fail "log file is not whole records"
grep -q 'Basket Settings file updated' "$work/qxu.log" || fail "basket save not logged"

# A missing field format file ends the run with the message on stderr.
prepare noformat
rm "$work/NVFormat.cfg"
run "$work" orders.csv
[ "$rc" -eq 1 ] || fail "missing NVFormat.cfg exited $rc"
[ ! -s "$tmp/out" ] || fail "stdout not empty without NVFormat.cfg"
grep -qF "File error, function: NVFormat.cfg, code 2." "$tmp/err" || fail "stderr: $(cat "$tmp/err")"
grep -qF "Program ending, could not read cfg file. Check error log" "$tmp/err" ||
  fail "no message box text: $(cat "$tmp/err")"

# A file that no mapping takes fails with the logged message.
prepare nomapping
cp "$work/orders.csv" "$work/orders.xyz"
run "$work" orders.xyz
[ "$rc" -eq 1 ] || fail "unmapped file exited $rc"
grep -qF "No mapping found for selected file, orders.xyz." "$tmp/err" || fail "stderr: $(cat "$tmp/err")"

# Help, and a bad switch.
"$program" --help >"$tmp/out" || fail "--help did not exit 0"
grep -q -- "--number N" "$tmp/out" || fail "--help does not explain --number"
"$program" --bogus >/dev/null 2>&1 && fail "an unknown switch was accepted"
echo "PASS"
