#!/usr/bin/env bash
# The main job: installs what is missing, builds the programs (Release, in build/run) and
# runs them on the project's samples in a fresh work folder, build/run/demo.
# shellcheck source-path=SCRIPTDIR/..
# The libraries set NAME_PORT, NAME_OUT and the like through printf -v:
# shellcheck disable=SC2154
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build/run"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRQX_WERROR=OFF \
  -DTRQX_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target TRQXConvert

work="$build/demo"
rm -rf "$work"
mkdir -p "$work"
cp -R "$root/samples/convert/." "$work/"
# The registry stand-in is the sample's; the home folder is the work folder, so the
# settings' home-based default folders stay inside it.
export TRQX_REGISTRY="$work/registry"
export HOME="$work"

echo "== Converting $work/orders.csv with TRQXConvert"
upload=$(cd "$work" && "$build/apps/TRQXConvert" orders.csv)
echo "== Upload file $upload:"
cat "$upload"
echo
for cache in "$work"/Upload/Cache/*.cch; do
  [ -e "$cache" ] || continue
  echo "== Basket cache file $cache:"
  cat "$cache"
done

# ---- Download step: the download converter's part of the job goes below this line. ----
cmake --build "$build" -j2 --target TRQXDownLoad
# The converter finds its program files through the registry: here the work folder, where the
# upload left trqx.cfg (with its copy folder, and so the cache folder) and NVFormat.cfg. The
# sample's download fields join the field format file; the sample order file names the basket
# that the upload wrote.
cat "$root/samples/download/download_fields.cfg" >>"$work/NVFormat.cfg"
cp "$root/samples/download/activedw.pfl" "$root/samples/download/orders.txt" "$work/"
printf '[Software\\VEXO_PATH]\nApplicationPath=%s\n' "$work" >"$TRQX_REGISTRY/HKEY_CURRENT_USER"
echo "== Downloading $work/orders.txt with TRQXDownLoad"
"$build/apps/TRQXDownLoad" --console "$work/orders.txt"
for report in "$work"/nvx/vexofiles/*.rpt; do
  [ -e "$report" ] || continue
  echo "== Report file $report:"
  cat "$report"
done

# ---- Server step: the upload server on loopback, between TRQXSend and a real FTP host. ----
cmake --build "$build" -j2 --target VEXOServer TRQXSend
# shellcheck source=tests/e2e/lib/ftp_server.sh
source "$root/tests/e2e/lib/ftp_server.sh"
# shellcheck source=tests/e2e/lib/vexo_server.sh
source "$root/tests/e2e/lib/vexo_server.sh"
ftp_folder="$work/ftp"
server="$work/server"
mkdir -p "$ftp_folder" "$server"
trap 'vexo_server_stop server; ftp_server_stop ftp' EXIT
ftp_server_start ftp "$ftp_folder" desk demo-ftp
echo "== FTP host (pyftpdlib) on 127.0.0.1:$ftp_PORT, storing into $ftp_folder"
# The server reads the serial number from the sample's registry stand-in (TRQX_REGISTRY above).
# Its working folder is $server: VEXOSvr.cfg, qxu.log and the clients' Remote/ folders.
vexo_server_start server "$server" "$build/apps/VEXOServer" CUserSettings.Password=demo \
  ClientList=127.0.0.1 "PrimaryAddress=127.0.0.1:$ftp_PORT" Username=desk \
  FTPPutSettings.Password=demo-ftp SessionType=1 InfiniteRetry=FALSE RetryLimit=2 \
  RetryInterval=1000
echo "== VEXOServer --console --start listening on port $server_PORT in $server, with VEXOSvr.cfg:"
cat "$server/VEXOSvr.cfg"
echo "== Sending $upload with TRQXSend; its delivery report:"
sent=0
"$build/apps/TRQXSend" --host 127.0.0.1 --port "$server_PORT" --login VEXOServer --password demo \
  --timeout 60 "$upload" || sent=$?
vexo_server_stop server
echo "== VEXOServer's console (stopped with SIGTERM, exit code $server_RC):"
cat "$server_OUT" "$server_ERR"
[ "$sent" -eq 0 ] || { echo "TRQXSend exited $sent: the upload was not delivered" >&2; exit 1; }
for stored in "$ftp_folder"/*; do
  echo "== File as the FTP host stored it, $stored:"
  cat "$stored"
  echo
done
