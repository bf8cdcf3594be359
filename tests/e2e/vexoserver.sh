#!/usr/bin/env bash
# Runs the real VEXOServer --console --start in temp folders, forwarding to two real FTP
# servers (pyftpdlib, primary and backup) on loopback, with the real TRQXSend as its client
# over TCP: delivery, host switching, retries, the serial number and ADMIN rewriting,
# admission, login, the client limit, a cancel and SIGTERM with files queued.
# Arguments: build dir, tests/data dir.
# shellcheck source-path=SCRIPTDIR
# The libraries set NAME_PORT, NAME_OUT and the like through printf -v:
# shellcheck disable=SC2154
set -euo pipefail
build=$(cd "$1" && pwd)
data=$(cd "$2" && pwd)
server_program="$build/apps/VEXOServer"
send_program="$build/apps/TRQXSend"
upload_file="$data/client/convert/TRQX007.inc"
source "$(dirname "$0")/lib/ftp_server.sh"
source "$(dirname "$0")/lib/vexo_server.sh"

login=VEXOServer
password=s3cret
ftp_user=desk
ftp_password=ftp-pw
serial=NV-77
user_uuid=5150
tmp=$(mktemp -d)
send_pids=()

cleanup() {
  local pid
  for pid in "${send_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  vexo_server_stop server
  ftp_server_stop primary
  ftp_server_stop backup
  rm -rf "$tmp"
}
trap cleanup EXIT

# ---- Shared helpers ----

fail() {
  echo "FAIL ($case): $*" >&2
  if [ -n "${server_OUT:-}" ] && [ -e "$server_OUT" ]; then
    sed 's/^/  VEXOServer: /' "$server_OUT" "$server_ERR" >&2
  fi
  exit 1
}

# A host address where nothing listens: an FTP host that is down.
down_host() { echo "127.0.0.1:$(free_port)"; }

# Starts a case: the folder $case_dir with the registry stand-in (serial number and user UUID
# under HKEY_LOCAL_MACHINE), empty FTP folders, and the server in $case_dir/server with the
# settings every case shares followed by the given ones (KEY=VALUE; a later one wins).
start_case() {
  case=$1
  shift
  case_dir="$tmp/$case"
  mkdir -p "$case_dir/server" "$case_dir/registry"
  printf '[Software\\Norvane L.P.\\User Info]\nSerial Number=%s\nUSERUUID=%s\n' "$serial" \
    "$user_uuid" >"$case_dir/registry/HKEY_LOCAL_MACHINE"
  export TRQX_REGISTRY="$case_dir/registry"
  rm -f "$tmp/primary/"* "$tmp/backup/"*
  vexo_server_start server "$case_dir/server" "$server_program" "Login=$login" \
    "CUserSettings.Password=$password" ClientList=127.0.0.1 \
    "PrimaryAddress=127.0.0.1:$primary_PORT" "BackupAddress=127.0.0.1:$backup_PORT" \
    "Username=$ftp_user" "FTPPutSettings.Password=$ftp_password" SessionType=1 \
    RetryInterval=200 "$@" || fail "the server did not start"
}

# Ends a case: SIGTERM ends the server with exit code 0.
end_case() {
  vexo_server_stop server
  [ "$server_RC" -eq 0 ] || fail "the server exited $server_RC on SIGTERM"
}

# Starts TRQXSend against the case's server in the background with the case's login; the
# given options (a later one wins) and files follow. Output in $case_dir/NAME.out.
send_start() {
  local name=$1
  shift
  "$send_program" --host 127.0.0.1 --port "$server_PORT" --login "$login" \
    --password "$password" --timeout 20 "$@" >"$case_dir/$name.out" 2>&1 &
  send_pid=$!
  send_pids+=("$send_pid")
}

# Waits for the TRQXSend started last; rc is its exit code.
send_wait() {
  local pid kept=()
  rc=0
  wait "$send_pid" || rc=$?
  for pid in "${send_pids[@]}"; do
    [ "$pid" = "$send_pid" ] || kept+=("$pid")
  done
  send_pids=("${kept[@]}")
}

send() {
  send_start "$@"
  send_wait
}

expect_rc() {
  [ "$rc" -eq "$1" ] || fail "TRQXSend exited $rc, not $1: $(cat "$2")"
}

# A line of FILE holds TEXT, now or within 5 s.
expect_line() {
  wait_for_line "$1" "$2" 5 || fail "no line holds '$2' in $1"
}

# Exactly N lines of FILE hold TEXT (fixed string).
expect_count() {
  local found
  found=$(grep -cF -- "$3" "$2") || true
  [ "$found" -eq "$1" ] || fail "$found lines hold '$3' in $2, not $1"
}

# Exactly N of TRQXSend's report lines in FILE carry OUTCOME.
expect_reports() {
  local found
  found=$(grep -cE "^report [0-9]+ $2\$" "$3") || true
  [ "$found" -eq "$1" ] || fail "$found reports with outcome $2, not $1: $(cat "$3")"
}

expect_empty_folder() {
  [ -z "$(ls -A "$1")" ] || fail "$1 holds $(ls -A "$1")"
}

# The server's history row for the client's address.
history_row() { printf '\t127.0.0.1\t%s' "$1"; }

spool() { echo "$case_dir/server/Remote/Remote0000000/${ftp_user}vexo$1.inc"; }

copies_of_upload_file() {
  local name
  for name in "$@"; do
    cp "$upload_file" "$case_dir/$name.inc"
  done
}

# ---- Cases ----

case_delivered_to_primary() {
  start_case delivered
  copies_of_upload_file basket
  send client "$case_dir/basket.inc"
  expect_rc 0 "$case_dir/client.out"
  expect_reports 1 1 "$case_dir/client.out"
  # Sent in ASCII mode (CRLF on the wire), stored with the LF line ends it had.
  cmp "$upload_file" "$tmp/primary/${ftp_user}vexo000.inc" || fail "stored file differs"
  expect_empty_folder "$tmp/backup"
  expect_line "$server_OUT" "$(history_row "File ${ftp_user}vexo000.inc received from remote host.")"
  expect_line "$server_OUT" \
    "Remote/Remote0000000/${ftp_user}vexo000.inc successfully sent to FTP server"
  expect_line "$server_OUT" "Primary Good FTP Put Count: 1, Bad FTP Put Count: 0, Retry Count: 0"
  end_case
  [ ! -e "$(spool 000)" ] || fail "the spool file was kept after its delivery"
}

case_switch_to_backup() {
  start_case switch "PrimaryAddress=$(down_host)"
  copies_of_upload_file first second
  send client "$case_dir/first.inc" "$case_dir/second.inc"
  expect_rc 0 "$case_dir/client.out"
  expect_reports 2 1 "$case_dir/client.out"
  cmp "$upload_file" "$tmp/backup/${ftp_user}vexo000.inc" || fail "first file differs"
  cmp "$upload_file" "$tmp/backup/${ftp_user}vexo001.inc" || fail "second file differs"
  expect_count 1 "$server_OUT" "Switching FTP servers."
  expect_count 1 "$server_OUT" "Active FTP Server: Backup"
  # Only the first file tried the primary: the second went to the backup first.
  expect_count 1 "$server_OUT" "Internet exception"
  expect_line "$server_OUT" "Primary Good FTP Put Count: 0, Bad FTP Put Count: 1, Retry Count: 0"
  expect_line "$server_OUT" "Backup Good FTP Put Count: 2, Bad FTP Put Count: 0, Retry Count: 0"
  end_case
}

case_both_down_one_pass() {
  start_case one_pass "PrimaryAddress=$(down_host)" "BackupAddress=$(down_host)" \
    InfiniteRetry=FALSE RetryLimit=0 RetryInterval=100
  copies_of_upload_file basket
  send client "$case_dir/basket.inc"
  expect_rc 3 "$case_dir/client.out"
  expect_reports 1 2 "$case_dir/client.out"
  expect_count 2 "$server_OUT" "Internet exception"
  expect_line "$server_OUT" "Remote/Remote0000000/${ftp_user}vexo000.inc failed on send to FTP server"
  expect_line "$server_OUT" "Primary Good FTP Put Count: 0, Bad FTP Put Count: 1, Retry Count: 0"
  expect_line "$server_OUT" "Backup Good FTP Put Count: 0, Bad FTP Put Count: 1, Retry Count: 0"
  cmp "$upload_file" "$(spool 000)" || fail "the failed file did not stay as it was received"
  end_case
}

# An upload file with an envelope: START-OF-FILE, the lines ADMIN (empty, or ending in a line
# feed), the SN value, the header UUID in its UUID and BASKETID lines, one record, END-OF-FILE.
write_envelope_file() {
  printf 'START-OF-FILE\n%sLOGIN=JSMITH\nSN=%s\nWS=DESK1\nUUID=%s\nBASKETID=2-%s\n%s' \
    "$2" "$3" "$4" "$4" $'IBM,B,1000000,0,MKT,DAY,ORD1\nEND-OF-FILE' >"$1"
}

# Files whose SN line asks for the server's serial number: the server writes its serial
# number over "Server" (padded to the line's length), and the ADMIN line when the header UUID
# is not the terminal user's.
case_server_serial_and_admin() {
  start_case rewrite
  expect_line "$server_OUT" "N.V. Serial Number: $serial"
  local sn
  sn=$(printf '%-10s' "$serial")
  write_envelope_file "$case_dir/other_user.inc" "" "Server    " 4711
  write_envelope_file "$case_dir/same_user.inc" "" "Server    " "$user_uuid"
  write_envelope_file "$case_dir/expected_other.inc" "ADMIN=$user_uuid"$'\n' "$sn" 4711
  write_envelope_file "$case_dir/expected_same.inc" "" "$sn" "$user_uuid"
  send client "$case_dir/other_user.inc" "$case_dir/same_user.inc"
  expect_rc 0 "$case_dir/client.out"
  cmp "$case_dir/expected_other.inc" "$tmp/primary/${ftp_user}vexo000.inc" ||
    fail "another user's file stored as: $(cat "$tmp/primary/${ftp_user}vexo000.inc")"
  cmp "$case_dir/expected_same.inc" "$tmp/primary/${ftp_user}vexo001.inc" ||
    fail "the terminal user's file stored as: $(cat "$tmp/primary/${ftp_user}vexo001.inc")"
  end_case
}

case_unauthorised_client() {
  start_case unauthorised ClientList=127.0.0.2
  copies_of_upload_file basket
  send client "$case_dir/basket.inc"
  expect_rc 1 "$case_dir/client.out"
  expect_line "$server_OUT" "$(history_row "Remote host rejected, invalid client.")"
  expect_line "$server_OUT" "Remote host rejected, invalid client 127.0.0.1."
  [ ! -e "$case_dir/server/Remote" ] || fail "a session folder was made for a rejected client"
  end_case
}

case_bad_login() {
  start_case bad_login
  copies_of_upload_file basket
  send client --password wrong "$case_dir/basket.inc"
  expect_rc 1 "$case_dir/client.out"
  expect_line "$server_OUT" "Bad login, closing remote host."
  expect_empty_folder "$tmp/primary"
  end_case
}

case_too_many_clients() {
  # Both hosts down, retrying without end: the first client stays, waiting for its report.
  start_case too_many MaxClients=1 "PrimaryAddress=$(down_host)" "BackupAddress=$(down_host)"
  copies_of_upload_file basket
  send_start first --timeout 2 "$case_dir/basket.inc"
  local first=$send_pid
  expect_line "$server_OUT" "$(history_row "File ${ftp_user}vexo000.inc received from remote host.")"
  send second "$case_dir/basket.inc"
  expect_rc 1 "$case_dir/second.out"
  expect_line "$server_OUT" "$(history_row "Remote host rejected, too many clients.")"
  expect_line "$server_OUT" "Failed to accept client 127.0.0.1, too many clients."
  send_pid=$first
  send_wait
  expect_rc 2 "$case_dir/first.out"
  end_case
}

case_cancel_with_queued_files() {
  # The first file retries for five passes (about 2.5 s); the other two wait in the queue.
  start_case cancel "PrimaryAddress=$(down_host)" "BackupAddress=$(down_host)" \
    InfiniteRetry=FALSE RetryLimit=4 RetryInterval=500
  copies_of_upload_file one two three
  send client --cancel-after 3 "$case_dir/one.inc" "$case_dir/two.inc" "$case_dir/three.inc"
  # One report for the withdrawn files, which TRQXSend takes for every file without one.
  expect_rc 3 "$case_dir/client.out"
  expect_reports 1 3 "$case_dir/client.out"
  expect_line "$case_dir/client.out" "report 0 3"
  expect_count 1 "$server_OUT" "Cancel request received from remote host."
  expect_count 1 "$server_OUT" "Received file upload cancel request from remote host."
  # The file being forwarded still runs its five passes of two puts, alone.
  expect_line "$server_OUT" "Remote/Remote0000000/${ftp_user}vexo000.inc failed on send to FTP server"
  expect_count 10 "$server_OUT" "Internet exception"
  expect_count 1 "$server_OUT" "failed on send to FTP server"
  cmp "$upload_file" "$(spool 001)" || fail "a withdrawn file did not stay"
  cmp "$upload_file" "$(spool 002)" || fail "a withdrawn file did not stay"
  end_case
}

case_sigterm_with_queued_files() {
  start_case sigterm "PrimaryAddress=$(down_host)" "BackupAddress=$(down_host)"
  copies_of_upload_file one two three
  send_start client "$case_dir/one.inc" "$case_dir/two.inc" "$case_dir/three.inc"
  expect_line "$case_dir/client.out" "acknowledged 3"
  # The server closes the session once the reports have gone out; when TRQXSend closes at the
  # same moment, each side's Close ends the other at once, so no close grace is waited out.
  vexo_server_stop server 20
  [ "$server_RC" -eq 0 ] || fail "the server exited $server_RC on SIGTERM"
  expect_line "$server_OUT" "FTP task ended in good state."
  expect_line "$server_OUT" "VEXO Server system ending."
  send_wait
  # The file being forwarded failed (upload 1); the two queued were withdrawn, each reported
  # with 6 and upload number 0, which TRQXSend takes for every file still without a report.
  expect_reports 1 2 "$case_dir/client.out"
  expect_line "$case_dir/client.out" "report 1 2"
  expect_line "$case_dir/client.out" "report 0 6"
  expect_rc 3 "$case_dir/client.out"
}

case=setup
mkdir -p "$tmp/primary" "$tmp/backup"
ftp_server_start primary "$tmp/primary" "$ftp_user" "$ftp_password" || fail "no primary FTP host"
ftp_server_start backup "$tmp/backup" "$ftp_user" "$ftp_password" || fail "no backup FTP host"

case_delivered_to_primary
case_switch_to_backup
case_both_down_one_pass
case_server_serial_and_admin
case_unauthorised_client
case_bad_login
case_too_many_clients
case_cancel_with_queued_files
case_sigterm_with_queued_files
echo "vexoserver: all checks passed"
