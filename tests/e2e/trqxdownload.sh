#!/usr/bin/env bash
# Runs the real TRQXDownLoad --console on the golden download files in a temp folder: a good
# run against today's cache files, then each failure path with its message and exit code.
# Arguments: build dir, tests/data dir.
set -euo pipefail
build=$1
data=$2/download
program="$build/apps/TRQXDownLoad"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
today=$(date +%m-%d-%y)
yesterday=$(date -d yesterday +%m-%d-%y)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# An application folder named by the registry, with the golden field format file and mapping,
# settings naming its copy and destination folders, and today's cache files of B1 and B2.
prepare() {
  app="$tmp/$1"
  mkdir -p "$app/Upload/Cache" "$app/registry"
  cp "$data/NVFormat.cfg" "$app/"
  cp "$data/activedw_csv.pfl" "$app/activedw.pfl"
  printf 'COpenNVInternalSettings,2,CopyDir,Value,%s,DownLoad Dest Dir,Value,%s\r\n\n' \
    "$app/Upload" "$app/reports" >"$app/trqx.cfg"
  for basket in B1 B2; do
    cp "$data/03-06-26$basket.cch" "$app/Upload/Cache/$today$basket.cch"
  done
  grep -v ',B3,' "$data/orders.txt" >"$app/orders.txt"
  printf '[Software\\VEXO_PATH]\nApplicationPath=%s\n' "$app" >"$app/registry/HKEY_CURRENT_USER"
}

# Runs the program with the folder's registry; sets rc, and out and err hold its output.
run() {
  set +e
  TRQX_REGISTRY="$app/registry" "$program" "$@" >"$tmp/out" 2>"$tmp/err"
  rc=$?
  set -e
}

expect_rc() {
  [ "$rc" -eq "$1" ] || fail "$2: exit code $rc, not $1; stderr: $(cat "$tmp/err")"
}

expect_err() {
  grep -qF -- "$1" "$tmp/err" || fail "stderr lacks '$1': $(cat "$tmp/err")"
}

# Every basket converted: exit 0, the window's texts on stdout, the golden reports.
prepare good
run --console "$app/orders.txt"
expect_rc 0 "good run"
[ ! -s "$tmp/err" ] || fail "good run wrote to stderr: $(cat "$tmp/err")"
grep -qx "Downloading File: $app/orders.txt" "$tmp/out" || fail "no path line"
grep -qx 'Percent Downloaded: %100' "$tmp/out" || fail "no 100 percent"
[ "$(tail -n 1 "$tmp/out")" = "- DownLoading Complete -" ] || fail "no completion text"
for basket in B1 B2; do
  cmp "$app/reports/$basket.$today.rpt" "$data/expected/csv/$basket.03-06-26.rpt" ||
    fail "report $basket differs"
done

# No order file argument: the open fails with an empty path, the run completes, exit 2.
prepare noargument
run --console
expect_rc 2 "no order file"
expect_err "Error: Unable to open file "
grep -qx -- "- DownLoading Complete -" "$tmp/out" || fail "no completion without order file"

# The VEXO_PATH key is missing: its message with code 2, no window.
prepare nokey
printf '[Software\\Other]\nX=1\n' >"$app/registry/HKEY_CURRENT_USER"
run --console "$app/orders.txt"
expect_rc 1 "missing key"
expect_err "Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:2"
[ ! -s "$tmp/out" ] || fail "a window was shown without the registry key"

# activedw.pfl is missing: the reader's two messages, then the start-up message.
prepare nomapping
rm "$app/activedw.pfl"
run --console "$app/orders.txt"
expect_rc 1 "missing activedw.pfl"
expect_err "Error: Unable to open file $app/activedw.pfl"
expect_err "Check to see if a 'Download' mapping was set to 'Active'"
expect_err "CActiveDownLoadMappingFile::_OpenLoadAndClose() Could not read activedw.pfl file"
expect_err "CTRQXDownLoadDlg::OnInitDialog() Error - call to CActiveDownLoadMappingFile::OpenLoadAndClose"

# An unknown mapping class: the start-up message only.
prepare unknownclass
sed -i 's/^CDownLoadCSVMapping,/CDownLoadXLSMapping,/' "$app/activedw.pfl"
run --console "$app/orders.txt"
expect_rc 1 "unknown mapping class"
[ "$(cat "$tmp/err")" = "CTRQXDownLoadDlg::OnInitDialog() Error - call to CActiveDownLoadMappingFile::OpenLoadAndClose" ] ||
  fail "unknown class messages: $(cat "$tmp/err")"

# B1's cache file is yesterday's: B1 is skipped with the path of today's name, B2 converted.
prepare yesterday
mv "$app/Upload/Cache/${today}B1.cch" "$app/Upload/Cache/${yesterday}B1.cch"
run --console "$app/orders.txt"
expect_rc 2 "cache file of another day"
expect_err "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error opening file $app/Upload/Cache/${today}B1.cch"
[ ! -e "$app/reports/B1.$today.rpt" ] || fail "B1 converted without its cache file"
cmp "$app/reports/B2.$today.rpt" "$data/expected/csv/B2.03-06-26.rpt" || fail "B2 not converted"

# A bad cache line fails its basket only.
prepare badcache
printf 'HDR,,BALANCED\r\n' >"$app/Upload/Cache/${today}B2.cch"
run --console "$app/orders.txt"
expect_rc 2 "bad cache line"
[ "$(cat "$tmp/err")" = "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error cache data " ] ||
  fail "bad cache messages: $(cat "$tmp/err")"
[ -e "$app/reports/B1.$today.rpt" ] || fail "B1 not converted beside a bad B2 cache"

echo "trqxdownload: all checks passed"
