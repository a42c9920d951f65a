#!/usr/bin/env bash
# Builds Quillsweep and packages it: build/dist/Quillsweep/ (the program, the companion, the
# scripts folder, README.md and the plugin guide), the portable zip beside it and, with NSIS's
# makensis, a per-user installer build/dist/Quillsweep-<version>-setup.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
"$root/tools/build.sh"
cmake --build "$build" --target dist
version=$(sed -n 's/^project(Quillsweep VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if command -v makensis >/dev/null; then
    makensis -V2 -DVERSION="$version" -DDIST="$build/dist/Quillsweep" -DICON="$root/res/quillsweep.ico" \
        -DOUT="$build/dist/Quillsweep-$version-setup.exe" "$root/tools/installer.nsi"
    echo "Installer: $build/dist/Quillsweep-$version-setup.exe"
fi
echo "Portable zip: $build/dist/Quillsweep-$version-win64.zip"
