#!/usr/bin/env bash
# Runs the real TRQXDownLoad --console on the golden download files in a temp folder: a good
# run against today's cache files, then each failure path with its messages and exit code.
# Arguments: build dir, tests/data dir.
set -euo pipefail
program="$1/apps/TRQXDownLoad"
data=$2/download
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
today=$(date +%m-%d-%y)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# An application folder named by the registry, with the golden field format file and mapping,
# settings naming its copy and destination folders, and today's cache files of B1 and B2.
prepare() {
  app="$tmp/$1"
  cache="$app/Upload/Cache"
  mkdir -p "$cache" "$app/registry"
  cp "$data/NVFormat.cfg" "$app/"
  cp "$data/activedw_csv.pfl" "$app/activedw.pfl"
  printf 'COpenNVInternalSettings,2,CopyDir,Value,%s,DownLoad Dest Dir,Value,%s\r\n' \
    "$app/Upload" "$app/reports" >"$app/trqx.cfg"
  cp "$data/03-06-26B1.cch" "$cache/${today}B1.cch"
  cp "$data/03-06-26B2.cch" "$cache/${today}B2.cch"
  grep -v ',B3,' "$data/orders.txt" >"$app/orders.txt"
  printf '[Software\\VEXO_PATH]\nApplicationPath=%s\n' "$app" >"$app/registry/HKEY_CURRENT_USER"
}

# Runs the program on the folder's order file (or the given arguments); checks the exit code
# and that stderr is exactly the given lines.
run() {
  local code=$1 err=$2
  shift 2
  set +e
  TRQX_REGISTRY="$app/registry" "$program" --console "$@" >"$tmp/out" 2>"$tmp/err"
  rc=$?
  set -e
  [ "$rc" -eq "$code" ] || fail "$app: exit code $rc, not $code; stderr: $(cat "$tmp/err")"
  [ "$(cat "$tmp/err")" = "$(printf '%b' "$err")" ] || fail "$app: stderr: $(cat "$tmp/err")"
}

# Every basket converted: the window's texts on stdout, the golden reports.
prepare good
run 0 "" "$app/orders.txt"
grep -qx "Downloading File: $app/orders.txt" "$tmp/out" || fail "no path line"
[ "$(tail -n 2 "$tmp/out")" = "$(printf 'Percent Downloaded: %%100\n- DownLoading Complete -')" ] ||
  fail "no completion: $(cat "$tmp/out")"
for basket in B1 B2; do
  cmp "$app/reports/$basket.$today.rpt" "$data/expected/csv/$basket.03-06-26.rpt"
done

# No order file argument: the open fails with an empty path, the run completes.
prepare noargument
run 2 "Error: Unable to open file "
[ "$(tail -n 1 "$tmp/out")" = "- DownLoading Complete -" ] || fail "no completion without order file"

# Each registry step that fails (no hive, no VEXO_PATH key, no value): its message, no window.
for entry in "|Error Opening 'Software' Registry Key, aborting...,Error code:2" \
  "[Software\\Other]|Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:2" \
  "[Software\\VEXO_PATH]\nOther=1|Error reading Registry information, aborting..."; do
  prepare "registry${#entry}"
  printf "${entry%%|*}\n" >"$app/registry/HKEY_CURRENT_USER"
  [ -n "${entry%%|*}" ] || rm "$app/registry/HKEY_CURRENT_USER"
  run 1 "${entry#*|}" "$app/orders.txt"
  [ ! -s "$tmp/out" ] || fail "a window was shown without the registry entry"
done

# activedw.pfl is missing: the reader's two messages, then the start-up message; an unknown
# mapping class gives the start-up message only.
mapping_call="CTRQXDownLoadDlg::OnInitDialog() Error - call to CActiveDownLoadMappingFile::OpenLoadAndClose"
prepare nomapping
rm "$app/activedw.pfl"
run 1 "Error: Unable to open file $app/activedw.pfl\nCheck to see if a 'Download' mapping was set to 'Active'\nCActiveDownLoadMappingFile::_OpenLoadAndClose() Could not read activedw.pfl file\n$mapping_call" "$app/orders.txt"
prepare unknownclass
sed -i 's/^CDownLoadCSVMapping,/CDownLoadXLSMapping,/' "$app/activedw.pfl"
run 1 "$mapping_call" "$app/orders.txt"

# B1's cache file is yesterday's: B1 is skipped with the path of today's name; a bad cache line
# fails its basket only.
prepare yesterday
mv "$cache/${today}B1.cch" "$cache/$(date -d yesterday +%m-%d-%y)B1.cch"
run 2 "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error opening file $cache/${today}B1.cch" "$app/orders.txt"
[ ! -e "$app/reports/B1.$today.rpt" ] || fail "B1 converted without its cache file"
cmp "$app/reports/B2.$today.rpt" "$data/expected/csv/B2.03-06-26.rpt"
prepare badcache
printf 'HDR,,BALANCED\r\n' >"$cache/${today}B2.cch"
run 2 "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error cache data " "$app/orders.txt"
cmp "$app/reports/B1.$today.rpt" "$data/expected/csv/B1.03-06-26.rpt"

echo "trqxdownload: all checks passed"
