#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a prefix, home and display of its own.
# Extra arguments go to ctest (for example -R engine). Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
"$root/tools/build.sh"

. "$root/tools/wine-env.sh"
qs_wine_env "$build"
trap qs_wine_stop EXIT
qs_wine_start
set +e
ctest --test-dir "$build" --output-on-failure -j2 "$@"
rc=$?
set -e
exit $rc
