#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine (as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
    cmake make dpkg-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest
    wine wine64 fonts-wine
    xvfb xauth imagemagick
    clang libclang-rt-14-dev
    zip nsis
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
