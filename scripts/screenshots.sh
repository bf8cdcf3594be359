#!/usr/bin/env bash
# Starts each windowed program under Xvfb on the project's samples and saves a PNG of each
# window into docs/: the server's and the client's main windows and event logs after a few
# real uploads, the client's upload progress and status windows, the editors, the download
# converter's progress window and About box. Builds in build/run (Release, with the windows).
# shellcheck source-path=SCRIPTDIR/..
# The libraries set NAME_PORT, NAME_OUT and the like through printf -v:
# shellcheck disable=SC2154
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# The screen tools: a virtual display's windows are found with xdotool, dumped with xwd and
# turned into PNG with ImageMagick.
tools=(xdotool x11-apps imagemagick)
for package in "${tools[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${tools[@]}"
    break
  fi
done
build="$root/build/run"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRQX_WERROR=OFF \
  -DTRQX_BENCH=OFF -DTRQX_GUI=ON >/dev/null
cmake --build "$build" -j2 --target TRQXClient VEXOServer TRQXDownLoad
docs="$root/docs"
mkdir -p "$docs"

work="$build/shots"
rm -rf "$work"
mkdir -p "$work/desk" "$work/server" "$work/ftp" "$work/poll"
cp -R "$root/samples/convert/." "$work/desk/"
export TRQX_REGISTRY="$work/desk/registry"
export HOME="$work"
# shellcheck source=tests/e2e/lib/ftp_server.sh
source "$root/tests/e2e/lib/ftp_server.sh"
# shellcheck source=tests/e2e/lib/vexo_server.sh
source "$root/tests/e2e/lib/vexo_server.sh"

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  ftp_server_stop ftp
}
trap cleanup EXIT

# The virtual display: Xvfb picks a free number and writes it to the descriptor given.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 -u "$display_fd" number
export DISPLAY=":$number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# window_id TITLE [SECONDS]: the id of the visible window named TITLE, waiting for it.
window_id() {
  local tries id
  for ((tries = 0; tries < ${2:-20} * 10; tries++)); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
    [ -n "$id" ] && {
      echo "$id"
      return 0
    }
    sleep 0.1
  done
  echo "screenshots: no window \"$1\" appeared" >&2
  return 1
}

# place TITLE X Y: moves the window named TITLE to X,Y. Without a window manager every window
# opens at the top left, and a window's picture holds whatever covers it.
place() {
  xdotool windowmove --sync "$(window_id "$1")" "$2" "$3" 2>/dev/null ||
    xdotool windowmove "$(window_id "$1")" "$2" "$3"
}

# shot NAME TITLE [SECONDS]: saves the window named TITLE as docs/NAME.png once it has
# painted (SECONDS after it appeared, 0.7 by default).
shot() {
  local id
  id=$(window_id "$2")
  sleep "${3:-0.7}"
  xwd -id "$id" -silent | convert xwd:- "$docs/$1.png"
  echo "== docs/$1.png: $2"
}

# keys TITLE KEY...: types the keys into the window named TITLE.
keys() {
  local id
  id=$(window_id "$1")
  shift
  xdotool windowfocus --sync "$id"
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.4
  done
}

# ---- The server, forwarding to a real FTP host. ----
ftp_server_start ftp "$work/ftp" desk shots-ftp
server_port=$(free_port)
vexo_config "$work/server/VEXOSvr.cfg" "Port=$server_port" CUserSettings.Password=shots \
  ClientList=127.0.0.1 "PrimaryAddress=127.0.0.1:$ftp_PORT" BackupAddress=127.0.0.1:1 \
  Username=desk FTPPutSettings.Password=shots-ftp SessionType=1 InfiniteRetry=FALSE \
  RetryLimit=2 RetryInterval=1000
(cd "$work/server" && exec "$build/apps/VEXOServer" --start >server.out 2>&1) &
pids+=($!)
server_title="Quorvel Upload Server 2.2f"
place "$server_title" 620 0
wait_for_line "$work/server/server.out" "Accept task stared" 20 ||
  wait_for_line "$work/server/qxu.log" "Accept task stared" 20

# ---- The client: server method, a poll folder, a few uploads. ----
printf 'COpenNVInternalSettings,13,UUID,Value,4711,PortfolioLogin,Value,JSMITH,PortfolioWS,Value,DESK1,Current Basket ID,Value,1,UploadMethod,Value,1,ServerAddress,Value,127.0.0.1,ServerPort,Value,%s,ClientLogin,Value,VEXOServer,ClientPassword,Value,shots,ClientAutoRestart,Value,TRUE,ClientAutoRestartInterval,Value,5,Use Poll Flag,Value,TRUE,Poll Directory,Value,%s\r\n' \
  "$server_port" "$work/poll" >"$work/desk/trqx.cfg"
(cd "$work/desk" && exec "$build/apps/TRQXClient" >client.out 2>&1) &
pids+=($!)
client_title="Quorvel File Upload/Download - Version 2.2f"
place "$client_title" 0 0
wait_for_line "$work/desk/qxu.log" "Connection established." 20
# A large basket keeps the upload-progress window up long enough to be seen.
awk 'NR == 1 { print; next } { rows[++n] = $0 }
     END { for (i = 0; i < 1000000; i++) for (r = 1; r <= n; r++) print rows[r] }' \
  "$work/desk/orders.csv" >"$work/big.csv"
for name in growth value; do
  cp "$work/desk/orders.csv" "$work/$name.csv"
  mv "$work/$name.csv" "$work/poll/"
  wait_for_line "$work/desk/qxu.log" "$name.csv" 20
  sleep 1
done
progress_title="TRQXClient Upload/Download: Upload in progress..."
status_title="TRQXClient Upload/Download: File upload status"
place "$status_title" 0 820
mv "$work/big.csv" "$work/poll/"
place "$progress_title" 0 680
shot client-upload-progress "$progress_title" 0.2
shot client-upload-status "$status_title"
for ((tries = 0; tries < 300; tries++)); do
  [ -z "$(ls -A "$work/poll")" ] && break
  sleep 0.1
done
sleep 2
shot client-main "$client_title"
keys "$client_title" alt+s l
place "Event Log" 0 340
shot client-event-log "Event Log"
keys "Event Log" Escape
shot server-main "$server_title"
keys "$server_title" alt+s l
place "Event Log" 0 340
shot server-event-log "Event Log"
keys "Event Log" Escape

# ---- The editors, each opened from its menu and closed again unchanged. ----
# editor NAME TITLE MAIN-TITLE KEY...: opens the editor with the keys in the main window,
# saves it as docs/NAME.png and closes it with Escape.
editor() {
  local name=$1 title=$2 main=$3
  shift 3
  keys "$main" "$@"
  shot "$name" "$title"
  keys "$title" Escape
}
editor client-internal-settings "Internal Settings" "$client_title" alt+u s
editor client-upload-profile "Profile" "$client_title" alt+u p
editor client-download-settings "Download Settings" "$client_title" alt+d s
editor client-download-profile "Download Profile" "$client_title" alt+d p
editor server-ftp-settings "Upload FTP Settings" "$server_title" alt+e Return
editor server-user-setup "User Setup" "$server_title" alt+e Down Return

# ---- The download converter on the sample order file. ----
cat "$root/samples/download/download_fields.cfg" >>"$work/desk/NVFormat.cfg"
cp "$root/samples/download/activedw.pfl" "$root/samples/download/orders.txt" "$work/desk/"
printf '[Software\\VEXO_PATH]\nApplicationPath=%s\n' "$work/desk" \
  >"$TRQX_REGISTRY/HKEY_CURRENT_USER"
"$build/apps/TRQXDownLoad" "$work/desk/orders.txt" >"$work/download.out" 2>&1 &
pids+=($!)
download_title="TRQXDownLoad        Version 2.2f"
place "$download_title" 0 340
shot download-progress "$download_title"
keys "$download_title" alt+a
place "About TRQXDownLoad" 400 340
shot download-about "About TRQXDownLoad"
echo "== Screenshots in $docs"
