#!/usr/bin/env bash
# The main job: installs what is missing, builds the programs (Release, in build/run) and
# runs them on the project's samples in a fresh work folder, build/run/demo.
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
