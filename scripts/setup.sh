#!/usr/bin/env bash
# Installs every Debian package the project needs; safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          pkg-config libcurl4-openssl-dev python3-pyftpdlib libfreexl-dev python3-xlwt xvfb qt6-base-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${packages[@]}"
fi
