#!/usr/bin/env bash
# Builds Quillsweep and starts it under Wine with the user's own Wine environment (prefix, home,
# display). When no display is set, a virtual one is started for the run and its number printed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
"$root/tools/build.sh"

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -dc 0-9 <"$fd_file")"
    rm -f "$fd_file"
    echo "No display was set: running on the virtual display $DISPLAY"
fi
export WINEDEBUG=${WINEDEBUG:--all}
. "$root/tools/wine-env.sh"
qs_wine_fonts "${WINEPREFIX:-$HOME/.wine}"
# Quillsweep runs beside the build's copy of the shipped scripts folder and keeps its
# settings.xml there.
cd "$build"
wine ./Quillsweep.exe
