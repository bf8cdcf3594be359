# shellcheck shell=bash
# Shell functions for scripts that run the real VEXOServer (source this file).
#
#   free_port
#     prints a TCP port that nothing listens on right now (checked on every IPv4 interface,
#     where the server listens).
#   wait_for_line FILE TEXT [SECONDS] [COUNT]
#     waits (default 10 s) until COUNT lines (default 1) of FILE hold TEXT, a fixed string.
#     Returns 1 if they do not in time.
#   vexo_config FILE [KEY=VALUE]...
#     writes a VEXOSvr.cfg as the server saves it: CUserSettings, then FTPPutSettings, on one
#     record line; every member at the server's default unless a KEY=VALUE names it. KEY is
#     the member's key; "Password" is a member of both objects, so it takes the class name in
#     front ("CUserSettings.Password", "FTPPutSettings.Password"). Booleans are TRUE or FALSE;
#     ClientList takes its addresses separated by blanks. An unknown KEY returns 1.
#   archive_record FILE END TOKEN...
#     writes TOKEN... as one record line of the archive format (quoted where needed), ended
#     by END, as FILE.
#   vexo_server_start NAME FOLDER PROGRAM [KEY=VALUE]...
#     writes FOLDER/VEXOSvr.cfg with the settings given and a free Port, runs
#     "PROGRAM --console --start" in FOLDER with the caller's environment (TRQX_REGISTRY names
#     the registry stand-in) and waits up to 10 s until it accepts clients. When another
#     program takes the port first, it tries again on another, up to 5 times. A Port=N
#     setting fixes the port (to start a server again where its clients look for it); a
#     taken one is then tried again after 0.5 s, up to 5 times. Sets NAME_PORT,
#     NAME_PID, NAME_OUT and NAME_ERR (its stdout and stderr files, VEXOServer.out and
#     VEXOServer.err in FOLDER). Returns 1 if it did not come up.
#   vexo_server_stop NAME [SECONDS]
#     sends SIGTERM, waits up to SECONDS (default 10) for the exit (then SIGKILL) and sets
#     NAME_RC to the exit code. Does nothing when NAME is not running; call it from the
#     script's EXIT trap too.

# Defaults of the settings, in the file's member order (read through namerefs).
# shellcheck disable=SC2034
vexo_user_keys=(Port MaxClients Login Password UsePassword AcceptUnAuthorizedClients AutoRestart
  RestartInterval ClientList)
vexo_user_defaults=(21010 15 VEXOServer "" FALSE FALSE FALSE 150000 "")
vexo_ftp_keys=(PrimaryAddress BackupAddress Password Username ProxyAddress BypassList SessionType
  InfiniteRetry RetryLimit RetryInterval DestDir SourceDir ResetQOnStart PrimaryIsActive)
vexo_ftp_defaults=("" "" "" "" "" "" 0 TRUE 10 20000 "" "" FALSE TRUE)

free_port() {
  /usr/bin/python3 -c 'import socket
s = socket.socket()
s.bind(("", 0))
print(s.getsockname()[1])'
}

wait_for_line() {
  local file=$1 text=$2 tries found
  for ((tries = 0; tries < ${3:-10} * 10; tries++)); do
    found=$(grep -cF -- "$text" "$file" 2>/dev/null) || true
    [ "${found:-0}" -ge "${4:-1}" ] && return 0
    sleep 0.1
  done
  return 1
}

# True while the process runs (a child that has ended but is not yet waited for is a zombie,
# which kill -0 still finds).
vexo_running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# Appends one object's tokens to the caller's arrays tokens and used: the class name, the
# entry count, then Key,Value,value per member (ClientList: Key,Array,count,addresses).
vexo_object_tokens() {
  local class=$1 i key value addresses
  local -n keys=$2 defaults=$3
  tokens+=("$class" "${#keys[@]}")
  for i in "${!keys[@]}"; do
    key=${keys[i]}
    value=${defaults[i]}
    if [[ -v "given[$class.$key]" ]]; then
      value=${given[$class.$key]}
      used[$class.$key]=1
    elif [[ -v "given[$key]" && $key != Password ]]; then
      value=${given[$key]}
      used[$key]=1
    fi
    if [ "$key" = ClientList ]; then
      read -ra addresses <<<"$value"
      tokens+=("$key" Array "${#addresses[@]}" "${addresses[@]}")
    else
      tokens+=("$key" Value "$value")
    fi
  done
}

vexo_config() {
  local file=$1 setting
  shift
  local -A given=() used=()
  local tokens=()
  for setting in "$@"; do
    given[${setting%%=*}]=${setting#*=}
  done
  vexo_object_tokens CUserSettings vexo_user_keys vexo_user_defaults
  vexo_object_tokens FTPPutSettings vexo_ftp_keys vexo_ftp_defaults
  for setting in "${!given[@]}"; do
    if [[ ! -v "used[$setting]" ]]; then
      echo "vexo_config: unknown setting $setting" >&2
      return 1
    fi
  done
  archive_record "$file" $'\r\n\n' "${tokens[@]}"
}

# archive_record FILE END TOKEN...: writes the tokens as one archive record line, ended by
# END. A token holding a comma or a double quote goes between double quotes, its quotes
# doubled.
archive_record() {
  local file=$1 end=$2 token quoted=()
  shift 2
  for token in "$@"; do
    [[ $token == *[,\"]* ]] && token="\"${token//\"/\"\"}\""
    quoted+=("$token")
  done
  (
    IFS=,
    printf '%s%s' "${quoted[*]}" "$end"
  ) >"$file"
}

vexo_server_start() {
  local name=$1 folder=$2 program=$3 attempt tries port pid setting fixed_port=""
  shift 3
  for setting in "$@"; do
    [[ $setting != Port=* ]] || fixed_port=${setting#Port=}
  done
  local out="$folder/VEXOServer.out" err="$folder/VEXOServer.err"
  printf -v "${name}_OUT" '%s' "$out"
  printf -v "${name}_ERR" '%s' "$err"
  for ((attempt = 0; attempt < 5; attempt++)); do
    port=${fixed_port:-$(free_port)}
    vexo_config "$folder/VEXOSvr.cfg" "$@" "Port=$port" || return 1
    (cd "$folder" && exec "$program" --console --start) >"$out" 2>"$err" &
    pid=$!
    printf -v "${name}_PID" '%s' "$pid"
    printf -v "${name}_PORT" '%s' "$port"
    for ((tries = 0; tries < 100; tries++)); do
      grep -qF "Accept task stared, now servicing clients." "$out" && return 0
      grep -qF "Accept task ended in bad state" "$out" && break
      vexo_running "$pid" || break
      sleep 0.1
    done
    vexo_server_stop "$name"
    # Only a listen failure (the port was taken after free_port) is worth another port.
    grep -qF "Accept task ended in bad state" "$out" || break
    [ -z "$fixed_port" ] || sleep 0.5
  done
  echo "VEXOServer did not start; stdout:" >&2
  cat "$out" "$err" >&2
  return 1
}

vexo_server_stop() {
  local pid_var="${1}_PID" seconds=${2:-10} tries rc=0
  local pid=${!pid_var:-}
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for ((tries = 0; tries < seconds * 10; tries++)); do
    vexo_running "$pid" || break
    sleep 0.1
  done
  if vexo_running "$pid"; then
    echo "VEXOServer $pid did not end within $seconds s of SIGTERM; killing it" >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || rc=$?
  printf -v "${1}_RC" '%s' "$rc"
  printf -v "$pid_var" '%s' ""
}
