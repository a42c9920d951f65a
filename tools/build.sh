#!/usr/bin/env bash
# Installs what is missing and builds everything (Release, cross-compiled for Windows x86-64).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
"$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
