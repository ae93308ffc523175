#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tarvolin need,
# touching apt only when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config clang-format
  clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libsqlite3-dev libssl-dev libcurl4-openssl-dev libarchive-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  qt6-translations-l10n
  dpkg-dev desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
