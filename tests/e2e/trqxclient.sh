#!/usr/bin/env bash
# Runs the real TRQXClient --console in temp folders on the project's sample desk: uploads
# through the real VEXOServer to a real FTP server (pyftpdlib) on loopback, the poll folder
# with both detect methods, a file no mapping takes, a lost and restarted server, a terminal
# program stand-in, and spreadsheets saved in the three text formats.
# Arguments: build dir, tests/data dir.
# shellcheck source-path=SCRIPTDIR
# The libraries set NAME_PORT, NAME_OUT and the like through printf -v:
# shellcheck disable=SC2154
set -euo pipefail
build=$(cd "$1" && pwd)
data=$(cd "$2" && pwd)
client_program="$build/apps/TRQXClient"
server_program="$build/apps/VEXOServer"
samples="$data/../../samples/convert"
source "$(dirname "$0")/lib/ftp_server.sh"
source "$(dirname "$0")/lib/vexo_server.sh"

login=VEXOServer
password=demo
ftp_user=desk
ftp_password=ftp-pw
tmp=$(mktemp -d)
ftp_dir="$tmp/ftp"
client_pid=""
export HOME="$tmp/home" TRQX_REGISTRY="$tmp/registry"

cleanup() {
  if [ -n "$client_pid" ]; then
    kill -KILL "$client_pid" 2>/dev/null || true
    wait "$client_pid" 2>/dev/null || true
  fi
  vexo_server_stop server
  ftp_server_stop ftp
  rm -rf "$tmp"
}
trap cleanup EXIT

# ---- Shared helpers ----

fail() {
  echo "FAIL ($case): $*" >&2
  [ ! -e "$case_dir/client.out" ] || sed 's/^/  TRQXClient: /' "$case_dir/client.out" >&2
  [ ! -s "$case_dir/client.err" ] || sed 's/^/  TRQXClient stderr: /' "$case_dir/client.err" >&2
  [ ! -e "${server_OUT:-}" ] || sed 's/^/  VEXOServer: /' "$server_OUT" "$server_ERR" >&2
  exit 1
}

# Writes a trqx.cfg as the client saves it: one COpenNVInternalSettings record line ending
# in CRLF, the settings in the order given (a later KEY=VALUE replaces an earlier one).
client_config() {
  local file=$1 setting key
  shift
  local -A values=()
  local order=() tokens=()
  for setting in "$@"; do
    key=${setting%%=*}
    [[ -v "values[$key]" ]] || order+=("$key")
    values[$key]=${setting#*=}
  done
  tokens=(COpenNVInternalSettings "${#order[@]}")
  for key in "${order[@]}"; do
    tokens+=("$key" Value "${values[$key]}")
  done
  archive_record "$file" $'\r\n' "${tokens[@]}"
}

# Starts a case: $case_dir/work holds the sample desk and a trqx.cfg with the server method
# and the running server's port, then the given settings (KEY=VALUE); $poll is its empty
# poll folder; the FTP folder is emptied.
start_case() {
  case=$1
  shift
  case_dir="$tmp/$case"
  work="$case_dir/work"
  poll="$case_dir/poll"
  mkdir -p "$work" "$poll"
  cp "$samples/NVFormat.cfg" "$samples/qxu.pfl" "$samples/orders.csv" "$work/"
  printf 'N\nO\n' >"$work/exchange.cfg"
  printf 'MKT\nLMT\n' >"$work/ordertype.cfg"
  printf 'NONE\n' >"$work/reason.cfg"
  client_config "$work/trqx.cfg" UUID=4711 PortfolioLogin=JSMITH PortfolioWS=DESK1 \
    "Current Basket ID=1" UploadMethod=1 ServerAddress=127.0.0.1 "ServerPort=${server_PORT:-0}" \
    "ClientLogin=$login" "ClientPassword=$password" "Poll Directory=$poll" \
    ClientAutoRestartInterval=1 "$@"
  rm -f "$ftp_dir/"*
}

# Runs TRQXClient --console --send FILE... in the work folder; rc is its exit code.
client_send() {
  local file sends=()
  for file in "$@"; do
    sends+=(--send "$file")
  done
  rc=0
  (cd "$work" && exec timeout 30 "$client_program" --console "${sends[@]}") \
    >"$case_dir/client.out" 2>"$case_dir/client.err" </dev/null || rc=$?
}

# Starts TRQXClient --console in the work folder, with no command on its input.
client_start() {
  (cd "$work" && exec "$client_program" --console) \
    >"$case_dir/client.out" 2>"$case_dir/client.err" </dev/null &
  client_pid=$!
}

# SIGTERM ends the client with exit code 0.
client_stop() {
  local tries rc=0
  kill -TERM "$client_pid" 2>/dev/null || true
  for ((tries = 0; tries < 100; tries++)); do
    vexo_running "$client_pid" || break
    sleep 0.1
  done
  vexo_running "$client_pid" && kill -KILL "$client_pid"
  wait "$client_pid" || rc=$?
  client_pid=""
  [ "$rc" -eq 0 ] || fail "TRQXClient exited $rc on SIGTERM"
}

expect_rc() {
  [ "$rc" -eq "$1" ] || fail "TRQXClient exited $rc, not $1"
}

# A line of the client's output holds TEXT (COUNT lines, default 1), now or within SECONDS.
expect_line() {
  wait_for_line "$case_dir/client.out" "$1" "${2:-10}" "${3:-1}" ||
    fail "not ${3:-1} line(s) of the client's output hold '$1'"
}

expect_log() {
  grep -qF -- "$1" "$work/qxu.log" || fail "qxu.log holds no '$1'"
}

# Waits up to 15 s until FOLDER holds COUNT entries.
expect_files() {
  local tries
  for ((tries = 0; tries < 150; tries++)); do
    [ "$(find "$1" -mindepth 1 | wc -l)" -eq "$2" ] && return 0
    sleep 0.1
  done
  fail "$1 holds $(find "$1" -mindepth 1 | wc -l) entries, not $2: $(ls -A "$1")"
}

# The records of an upload file: what the server forwards unchanged (it rewrites SN and
# may add ADMIN).
records() { grep -v -e '^SN=' -e '^ADMIN=' "$1"; }

# ---- Cases ----

case_send() {
  start_case send
  client_send "$work/orders.csv"
  expect_rc 0
  expect_files "$ftp_dir" 1
  cmp <(records "$work/Upload/TRQX000.inc") <(records "$ftp_dir/${ftp_user}vexo000.inc") ||
    fail "the forwarded file differs from the upload file"
  expect_line "$(printf 'History row 1: sent\t%s' "$work/orders.csv")"
  expect_log "Uploading file"
}

# Ten desk files moved into the poll folder at once go one at a time: each upload ends (its
# sent row) before the next file is converted.
case_poll() {
  local name=$1 method=$2 i order
  start_case "$name" "Use Poll Flag=TRUE" "Detect Method=$method" "Timer Interval=1" \
    ClientAutoRestart=TRUE
  client_start
  expect_line "Connection established."
  mkdir "$case_dir/drop"
  for i in 0 1 2 3 4 5 6 7 8 9; do
    sed "s/ORD/D${i}ORD/" "$samples/orders.csv" >"$case_dir/drop/desk$i.csv"
  done
  mv "$case_dir/drop/"* "$poll/"
  expect_files "$ftp_dir" 10
  expect_files "$poll" 0
  expect_line "History row 10: sent" 10
  order=$(grep -oE 'Uploading file|History row [0-9]+: sent' "$case_dir/client.out" |
    cut -c1-9 | uniq -c | awk '$1 != 1' | wc -l)
  [ "$order" -eq 0 ] || fail "a file was converted before the last upload had ended"
  for i in 0 1 2 3 4 5 6 7 8 9; do
    grep -qh "D${i}ORD1" "$ftp_dir/"* || fail "desk$i.csv did not reach the FTP host"
  done
  client_stop
}

case_no_mapping() {
  start_case no_mapping "Use Poll Flag=TRUE" "Detect Method=0" ClientAutoRestart=TRUE
  client_start
  expect_line "Connection established."
  # A folder inside the poll folder is not entered, nor removed.
  mkdir "$poll/sub"
  cp "$samples/orders.csv" "$poll/sub/"
  cp "$samples/orders.csv" "$poll/stray.txt"
  expect_files "$poll" 2
  expect_line "$(printf 'History row 1: failed\t%s' "$work/Upload/Temp/stray.txt")"
  expect_line "No mapping found for selected file"
  expect_log "No mapping found for selected file"
  expect_files "$ftp_dir" 0
  [ -e "$poll/sub/orders.csv" ] || fail "a file inside a folder of the poll folder was taken"
  client_stop
}

# The server goes away and comes back on the same port: the client reconnects by itself,
# and a file polled after that goes over the new connection.
case_server_restart() {
  start_case restart ClientAutoRestart=TRUE ClientAutoRestartInterval=1 "Use Poll Flag=TRUE"
  client_start
  expect_line "Connection established."
  local port=$server_PORT
  vexo_server_stop server
  [ "$server_RC" -eq 0 ] || fail "the server exited $server_RC on SIGTERM"
  expect_line "Connection to server is down."
  start_server "Port=$port"
  expect_line "Connection established." 15 2
  cp "$samples/orders.csv" "$poll/after_restart.csv"
  expect_files "$ftp_dir" 1
  expect_files "$poll" 0
  client_stop
}

# A terminal program stand-in in a folder whose path holds blanks: it records its arguments
# and exits with the code the case gives it.
terminal_case() {
  local exit_code=$1
  shift
  start_case "$@"
  terminal="$case_dir/terminal program"
  mkdir -p "$terminal"
  cat >"$terminal/openfl" <<STANDIN
#!/bin/sh
printf '%s\n' "\$@" >"\$(dirname "\$0")/args"
exit $exit_code
STANDIN
  chmod +x "$terminal/openfl"
  client_config "$work/trqx.cfg" UUID=4711 PortfolioLogin=JSMITH PortfolioWS=DESK1 \
    "Current Basket ID=1" UploadMethod=0 "InvokePath=$terminal" InvokeName=openfl \
    ProfileName=@Profile.qvu "${extra_settings[@]}"
}

expect_terminal_args() {
  printf -- '-P\n%s\n-S\n%s\n' "$terminal/@Profile.qvu" "$work/Upload/$1" >"$case_dir/expected"
  diff "$case_dir/expected" "$terminal/args" >&2 || fail "the terminal program got other arguments"
}

case_terminal() {
  extra_settings=()
  terminal_case 0 terminal_sent
  client_send "$work/orders.csv"
  expect_rc 0
  expect_terminal_args TRQX000.inc
  expect_line "$(printf 'History row 1: sent\t%s' "$work/orders.csv")"
  expect_log "Open Norvane upload completed successfully."

  terminal_case 3 terminal_failed
  client_send "$work/orders.csv"
  expect_rc 1
  expect_terminal_args TRQX000.inc
  expect_log "Open Norvane complete unsuccessfully with exit code 3."
  ! grep -q '^History row' "$case_dir/client.out" || fail "a failed File Send added a row"
}

# The spreadsheet saved as comma, tab and space-padded text, each taken by its own mapping
# of a profile that has one for each: by the .csv default extension (Format 0), by the .txt
# one (a copy with Format 1) and by the given extension dat (a fixed-field mapping).
case_spreadsheet() {
  local format extension line grid
  for format in 0 1 2; do
    extension=$(echo csv txt dat | cut -d' ' -f$((format + 1)))
    extra_settings=("Excel File Format=$format")
    terminal_case 0 "sheet_$extension"
    cp "$data/upload/NVFormat.cfg" "$data/client/sheet/orders.xls" "$work/"
    line=$(head -n1 "$data/upload/qxu.pfl")
    grid=${line#*,CGridMapping,}
    grid="CGridMapping,${grid%%,CFixedMapping,*}"
    line="${line/#UserProfile,9,/UserProfile,10,},${grid/,Format,Value,0,/,Format,Value,1,}"
    printf '%s\n\n' "$line" >"$work/qxu.pfl"
    client_send orders.xls
    expect_rc 0
    cmp "$work/Upload/Temp/orders.$extension" "$data/client/sheet/orders.$extension.expected" ||
      fail "the spreadsheet's text copy differs"
    expect_terminal_args TRQX000.inc
    expect_line "$(printf 'History row 1: sent\t%s' "$work/Upload/Temp/orders.$extension")"
  done
}

start_server() {
  vexo_server_start server "$tmp/server" "$server_program" "Login=$login" \
    "CUserSettings.Password=$password" ClientList=127.0.0.1 \
    "PrimaryAddress=127.0.0.1:$ftp_PORT" "Username=$ftp_user" \
    "FTPPutSettings.Password=$ftp_password" SessionType=1 RetryInterval=200 "$@" ||
    fail "the server did not start"
}

case=setup
case_dir="$tmp"
mkdir -p "$ftp_dir" "$HOME" "$tmp/server" "$TRQX_REGISTRY"
cp "$samples/registry/"* "$TRQX_REGISTRY/"
ftp_server_start ftp "$ftp_dir" "$ftp_user" "$ftp_password" || fail "no FTP host"
start_server

case_send
case_poll poll_notify 0
case_poll poll_timer 1
case_no_mapping
case_server_restart
case_terminal
case_spreadsheet
vexo_server_stop server
[ "$server_RC" -eq 0 ] || fail "the server exited $server_RC on SIGTERM"
echo "trqxclient: all checks passed"
