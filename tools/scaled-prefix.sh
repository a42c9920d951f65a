#!/usr/bin/env bash
# Runs a Windows test program under Wine at another display scale: in a prefix of its own beside
# the test prefix (WINEPREFIX, as tools/test.sh sets it), with LogPixels set to DPI, and its own
# wineserver, which is ended afterwards. The prefix is made on the first run and kept for later
# ones; the display, home and trash are the test run's.
#   tools/scaled-prefix.sh DPI PROGRAM [ARGUMENTS...]
set -euo pipefail
dpi=$1
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/wine-env.sh"
export WINEPREFIX="${WINEPREFIX:?the test prefix is not set}-dpi$dpi"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Wine's service processes inherit the standard handles of the first Wine process: it must not be
# one whose output a reader (ctest) waits on.
quiet() { "$@" </dev/null >/dev/null 2>&1; }

mkdir -p "$WINEPREFIX"
qs_wine_fonts "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.scale-$dpi" ]; then
    quiet wineserver -p
    quiet wineboot -i || true
    quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f || true
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    # The scale is read when the server starts: the one that wrote it goes first.
    quiet wineserver -k || true
    quiet wineserver -w || true
    touch "$WINEPREFIX/.scale-$dpi"
fi
trap 'quiet wineserver -k || true; quiet wineserver -w || true' EXIT
quiet wineserver -p
quiet wine cmd /c exit || true
set +e
wine "$@"
exit $?
