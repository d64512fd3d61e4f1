#!/usr/bin/env bash
# Installs the Debian 12 packages that Vantrel needs to build, test and run, if any is missing.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  clang libclang-rt-14-dev llvm
  qt6-base-dev qt6-positioning-dev libqt6positioning6-plugins qt6-sensors-dev qt6-svg-dev
  libplist-dev libgps-dev gpsd
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  desktop-file-utils appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please run as root or install sudo: ${missing[*]} are missing" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
