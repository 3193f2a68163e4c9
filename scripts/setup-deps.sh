#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when missing.
# Idempotent; needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev ccache python3 googletest libgtest-dev
  mingw-w64 mingw-w64-tools libwine-dev wine wine64 xvfb x11-utils imagemagick
  tgt libiscsi-bin hyperfine fonts-wine fonts-wqy-microhei msitools wixl fp-utils xdotool libiscsi-dev libcurl4-openssl-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
