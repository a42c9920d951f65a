#!/usr/bin/env bash
# Builds the index file, winapp2.ini and settings fuzz targets natively (clang, libFuzzer, ASan and UBSan) and runs them.
#   fuzz/run.sh [RUNS] [libFuzzer options...]     RUNS defaults to 10000000 executions
# The seed corpus is written by our own generator into the build folder on every run; inputs
# the fuzzer finds go to build/fuzz/corpus, crashes to build/fuzz/artifacts.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_FUZZ_BUILD_DIR:-$root/build/fuzz}
runs=${1:-10000000}
shift || true

"$root/tools/setup.sh"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

rm -rf "$build/seeds"
mkdir -p "$build/seeds" "$build/corpus" "$build/artifacts"
"$build/index_seed_maker" "$build/seeds"
"$build/index_file_fuzz" -runs="$runs" -max_len=65536 -timeout=10 -print_final_stats=1 \
    -dict="$root/fuzz/index.dict" -artifact_prefix="$build/artifacts/" "$@" "$build/corpus" "$build/seeds"

# The winapp2.ini reader and translation, from the hand-written seeds.
mkdir -p "$build/winapp2-corpus"
"$build/winapp2_fuzz" -runs="$runs" -max_len=16384 -timeout=10 -print_final_stats=1 \
    -dict="$root/fuzz/winapp2.dict" -artifact_prefix="$build/artifacts/" "$@" "$build/winapp2-corpus" \
    "$root/fuzz/winapp2-seeds"

# The settings file's pre-parse scan against the XML library (its sources come from the cross
# build's dependencies, so the target exists once the program has been built).
if [ -x "$build/settings_shape_fuzz" ]; then
    mkdir -p "$build/settings-corpus"
    "$build/settings_shape_fuzz" -runs="$runs" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -dict="$root/fuzz/settings.dict" -artifact_prefix="$build/artifacts/" "$@" "$build/settings-corpus" \
        "$root/fuzz/settings-seeds"
fi
