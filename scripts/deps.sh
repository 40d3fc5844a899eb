#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# but only those that are missing. Sourced by run.sh and test.sh.
kavo_install_deps() {
  local packages=(
    g++ clang cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
    libclang-rt-14-dev
    libexpat1-dev
    fonts-dejavu-core fonts-liberation xvfb xauth poppler-utils
    hamradio-files
  )
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
