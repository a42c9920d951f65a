#!/usr/bin/env bash
# Builds the benchmark programs, makes their data, runs the native references and the programs
# under Wine in the same run, and prints the ratios.
#   bench/run-benchmarks.sh [--quick]
# Also the start-up with a 4,000-entry rule file against the shipped library alone, and Refresh
# All of 400 rule-file entries sharing one profile's folders.
# Full: a tree of 200,000 files in 5,000 folders and a 256 MiB file; --quick: 20,000 files in
# 500 folders and a 32 MiB file. The data lives in build/bench-data and is removed at the end.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
quick=
files=200000 folders=5000 wipe_mib=256 parts=60
if [ "${1:-}" = "--quick" ]; then
    quick=--quick files=20000 folders=500 wipe_mib=32 parts=20
fi

"$root/tools/build.sh" >/dev/null
data="$build/bench-data"
rm -rf "$data"
mkdir -p "$data"
make_tree="$build/bench/make_tree"
cc_bin=$(command -v cc || command -v clang)
"$cc_bin" -O2 -o "$make_tree" "$root/bench/make_tree.c"

. "$root/tools/wine-env.sh"
qs_wine_env "$build"
cleanup() {
    qs_wine_stop
    rm -rf "$data"
}
trap cleanup EXIT
qs_wine_start

winpath() { echo "Z:${1//\//\\}"; }
now() { date +%s.%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
result() { sed -n "s/^RESULT.*$1=\([0-9.]*\).*/\1/p"; }
wine_run() { wine "$build/bench/$1.exe" $quick "${@:2}" </dev/null 2>&1; }
# Runs a benchmark program, shows what it prints and keeps all of it, RESULT line too, in $out.
run_bench() {
    out=$(wine_run "$@")
    echo "$out" | grep -v '^RESULT'
}
# A new tree of $files files in $folders folders (further arguments: make_tree's, such as parts).
fresh_tree() {
    rm -rf "$data/tree"
    "$make_tree" "$data/tree" "$files" "$folders" "$@" >/dev/null
    sync
}

echo "== Load at the start: $(uptime)"
echo
echo "== Folder size: GetFolderSize with recursion from a plugin ($files files, $folders folders)"
fresh_tree
du -s -B1 "$data/tree" >/dev/null # warm the cache like the Wine program does
du_best=
for _ in 1 2 3; do
    t0=$(now)
    du_bytes=$(du -s -B1 "$data/tree" | cut -f1)
    t=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
    if [ -z "$du_best" ] || awk -v a="$t" -v b="$du_best" 'BEGIN { exit !(a < b) }'; then du_best=$t; fi
done
run_bench bench_folder_size "$(winpath "$data/tree")"
size_host=$(echo "$out" | result host)
size_plain=$(echo "$out" | result plain)
size_nt=$(echo "$out" | result nt)
size_cancel=$(echo "$out" | result cancel)
size_out=$out
printf 'native du -s -B1: %.3f s (%s bytes)\n' "$du_best" "$du_bytes"

echo
echo "== Job: MeasureFiles with a folder wildcard and an exclude list, against GetFolderSize over the same folders"
fresh_tree "$parts"
run_bench bench_job "$(winpath "$data/tree")"
job_folders=$(echo "$out" | result folders)
job_job=$(echo "$out" | result job)

echo
echo "== Refresh: Refresh All of 400 rule-file entries sharing the folders of one profile ($files files, $folders folders)"
# The entries name second-level folders of the tree whole and, mostly, folders inside them; the
# pass with its listing cache, and again listing every folder live, against one plain walk of the
# folders they name together. (--quick: a tenth of the profile, where the rows' own cost outweighs
# the listing; the goal is for the full profile.)
fresh_tree
run_bench bench_refresh "$(winpath "$data/tree")"
refresh_plain=$(echo "$out" | result plain)
refresh_cached=$(echo "$out" | result cached)
refresh_live=$(echo "$out" | result live)
refresh_bytes=$(echo "$out" | result bytes)
refresh_heap=$(echo "$out" | result heap)
refresh_entries=$(echo "$out" | result entries)

echo
echo "== Delete: DeleteFolderContent of the whole tree"
# Deleting under Wine is a chain of round trips to the wineserver, so its speed drifts with the
# load of the machine far more than a walk does. The tree is made of identical parts that the
# contenders under Wine delete in turns within one run (host, plain nt, plain find, and the nt loop
# with the host's check against deleting through a link), so that each gets a fifth of the same
# work under the same conditions; native rm -rf gets the last fifth.
fresh_tree "$parts"
sleep 5
run_bench bench_delete turns "$(winpath "$data/tree")"
del_host=$(echo "$out" | result host)
del_nt=$(echo "$out" | result nt)
del_find=$(echo "$out" | result find)
del_guarded=$(echo "$out" | result guarded)
t0=$(now)
rm -rf "$data"/tree/part*
del_rm=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
rm -rf "$data/tree"
printf 'native rm -rf: %.3f s for the other fifth\n' "$del_rm"
del_plain=$(awk -v a="$del_nt" -v b="$del_find" 'BEGIN { print (a < b) ? a : b }')

echo
echo "== Wipe: one $wipe_mib MiB file, 3 passes (9 overwrites)"
make_file() { dd if=/dev/urandom of="$1" bs=1M count="$wipe_mib" status=none; sync; }
make_file "$data/wipe.bin"
run_bench bench_wipe wipe "$(winpath "$data/wipe.bin")"
wipe_host=$(echo "$out" | result wipe)

make_file "$data/dd.bin"
t0=$(now)
for _ in 1 2 3 4 5 6 7 8 9; do
    dd if=/dev/zero of="$data/dd.bin" bs=64K count=$((wipe_mib * 16)) oflag=direct conv=notrunc status=none
done
wipe_dd=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
rm -f "$data/dd.bin"
printf 'native dd oflag=direct bs=64K, 9 x %s MiB: %.3f s\n' "$wipe_mib" "$wipe_dd"

make_file "$data/shred.bin"
t0=$(now)
shred -n 9 -u "$data/shred.bin"
wipe_shred=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { print b - a }')
printf 'native shred -n 9 -u: %.3f s\n' "$wipe_shred"

# Whether unbuffered writes under Wine reach the device: writes that do cannot return faster
# than dd's direct writes of the same size; the pages left dirty or under writeback are shown too.
pending() { awk '/^(Dirty|Writeback):/ { kb += $2 } END { print kb }' /proc/meminfo; }
sync
pending_before=$(pending)
probe=$(wine_run bench_wipe unbuffered "$(winpath "$data/probe.bin")" "$wipe_mib")
pending_mib=$((($(pending) - pending_before) / 1024))
echo "$probe"
rm -f "$data/probe.bin"
probe_rate=$(echo "$probe" | sed -n 's/.*(\([0-9.]*\) MiB\/s).*/\1/p')
dd_rate=$(awk -v s="$wipe_dd" -v m="$wipe_mib" 'BEGIN { print 9 * m / s }')
honoured=$(awk -v p="$probe_rate" -v d="$dd_rate" 'BEGIN { print (p > 2 * d) ? "no" : "yes" }')
printf 'unbuffered writes ran at %s MiB/s against %.0f MiB/s of direct writes; dirty or writeback pages grew by %s MiB: honoured under Wine: %s\n' \
    "$probe_rate" "$dd_rate" "$pending_mib" "$honoured"

echo
echo "== Load while the figures were taken (other builds share the processors)"
uptime

echo
echo "== Ratios (lower is better for times; throughput ratio higher is better)"
echo "folder size: host / fastest plain walk = $(ratio "$size_host" "$size_plain"); host / du = $(ratio "$size_host" "$du_best")"
echo "             host on $(nproc) processors (automatic) / plain one-thread native-query walk = $(ratio "$size_host" "$size_nt") (goal <= 0.6)"
for k in 1 2 4 8; do
    echo "             host on $k thread(s) / that walk = $(ratio "$(echo "$size_out" | result "host$k")" "$size_nt")"
done
echo "             (the plain walk on 2 threads with no checks / the one-thread one = $(ratio "$(echo "$size_out" | result nt2)" "$size_nt"))"
echo "             (the same with subfolders opened relative to their parents = $(ratio "$(echo "$size_out" | result nt2rel)" "$size_nt"); every folder listed on its own, 2 processes / 1 = $(ratio "$(echo "$size_out" | result proc2)" "$(echo "$size_out" | result proc1)"))"
printf '             a cancelled walk returned within %.1f ms (goal <= 100)\n' "$(awk -v s="$size_cancel" 'BEGIN { print s * 1000 }')"
echo "job:         MeasureFiles with a wildcard and excludes / GetFolderSize over the same folders = $(ratio "$job_job" "$job_folders") (goal <= 1.1)"
echo "refresh:     Refresh All of 400 entries with the listing cache / plain walk of the folders they name = $(ratio "$refresh_cached" "$refresh_plain") (goal <= 1.5); listing live / that walk = $(ratio "$refresh_live" "$refresh_plain")"
echo "             listing cache: $refresh_entries entries at its peak, $refresh_bytes bytes each as it accounts them, $refresh_heap as the heap held them (goal about 100)"
echo "delete:      host / fastest plain loop = $(ratio "$del_host" "$del_plain"); host / rm -rf = $(ratio "$del_host" "$del_rm")"
echo "             host / plain one-thread loop with the same link check = $(ratio "$del_host" "$del_guarded") (goal <= 0.8); that loop / fastest plain loop = $(ratio "$del_guarded" "$del_plain")"
echo "wipe:        throughput host / dd = $(ratio "$wipe_dd" "$wipe_host") (goal >= 0.9); host / shred = $(ratio "$wipe_shred" "$wipe_host")"

echo
echo "== Registry: RegKeyDeleteValues and RegKeyDeleteKeys, matching entries listed after as many others"
wine_run bench_registry | grep -v '^RESULT'

echo
echo "== Start-up: launch to an idle main window, shipped library plus a 4,000-entry winapp2.ini vs the library alone"
run_bench bench_startup
echo "start-up:    with 4,000 rule entries / library alone = $(echo "$out" | result ratio) (goal <= 2)"
