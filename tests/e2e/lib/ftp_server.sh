# Shell functions for end-to-end scripts that need a real FTP server (source this file).
#
#   ftp_server_start NAME FOLDER USER PASSWORD [readonly]
#     starts Debian's pyftpdlib on 127.0.0.1 at a port the system picks, serving FOLDER to
#     USER (allowed to store unless "readonly"), and waits up to 10 s for it to listen. Sets
#     NAME_PORT, NAME_PID and NAME_LOG (the server's output). Returns 1 if it did not come up.
#   ftp_server_stop NAME
#     stops it and removes its log. Call it from the script's EXIT trap for every server
#     started, e.g. trap 'ftp_server_stop primary; ftp_server_stop backup; rm -rf "$tmp"' EXIT

ftp_server_start() {
  local name=$1 folder=$2 user=$3 password=$4 write=-w
  [ "${5:-}" = readonly ] && write=
  local log pid port="" tries
  log=$(mktemp)
  /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p 0 $write -d "$folder" -u "$user" -P "$password" \
    >"$log" 2>&1 &
  pid=$!
  printf -v "${name}_PID" '%s' "$pid"
  printf -v "${name}_LOG" '%s' "$log"
  for ((tries = 0; tries < 100; tries++)); do
    port=$(sed -n 's/.*starting FTP server on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log")
    [ -n "$port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  printf -v "${name}_PORT" '%s' "$port"
  if [ -z "$port" ]; then
    echo "pyftpdlib did not start: $(cat "$log")" >&2
    ftp_server_stop "$name"
    return 1
  fi
}

ftp_server_stop() {
  local pid_var="${1}_PID" log_var="${1}_LOG"
  local pid=${!pid_var:-} log=${!log_var:-}
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  [ -z "$log" ] || rm -f "$log"
  printf -v "$pid_var" '%s' ""
  printf -v "$log_var" '%s' ""
}
