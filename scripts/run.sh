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

work="$build/demo"
rm -rf "$work"
mkdir -p "$work"
cp -R "$root/samples/convert/." "$work/"
# The registry stand-in is the sample's; the home folder is the work folder, so the
# settings' home-based default folders stay inside it.
export TRQX_REGISTRY="$work/registry"
export HOME="$work"

# ---- Upload step: TRQXClient sends the sample desk file through VEXOServer to an FTP host. ----
cmake --build "$build" -j2 --target TRQXClient VEXOServer
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
# The client's settings: the sample's, with the server as the upload method.
printf 'COpenNVInternalSettings,9,UUID,Value,4711,PortfolioLogin,Value,JSMITH,PortfolioWS,Value,DESK1,Current Basket ID,Value,1,UploadMethod,Value,1,ServerAddress,Value,127.0.0.1,ServerPort,Value,%s,ClientLogin,Value,VEXOServer,ClientPassword,Value,demo\r\n' \
  "$server_PORT" >"$work/trqx.cfg"
echo "== TRQXClient --console --send orders.csv in $work:"
sent=0
(cd "$work" && "$build/apps/TRQXClient" --console --send orders.csv) || sent=$?
vexo_server_stop server
echo "== VEXOServer's console (stopped with SIGTERM, exit code $server_RC):"
cat "$server_OUT" "$server_ERR"
[ "$sent" -eq 0 ] || { echo "TRQXClient exited $sent: the upload was not delivered" >&2; exit 1; }
for stored in "$ftp_folder"/*; do
  echo "== File as the FTP host stored it, $stored:"
  cat "$stored"
  echo
done
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
