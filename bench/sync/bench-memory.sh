#!/usr/bin/env bash
# Peak memory (max RSS, from GNU time -v) while quillet-cli copies one large sparse file to the
# drive, beside cp -a and rsync -a copying the same file. Memory does not vary from run to run
# the way time does, so each tool copies once unless --runs asks for more (the median is kept).
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

SIZE=4G
GOAL_KIB=$((32 * 1024))
RUNS_SET=0

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH [--size SIZE] [common options]
$COMMON_USAGE
USAGE
    exit 2
}

for arg in "$@"; do [[ $arg == --runs ]] && RUNS_SET=1; done
parse_common "$@"
set -- "${REST[@]+"${REST[@]}"}"
while (($#)); do
    case $1 in
    --size) SIZE=$2; shift 2 ;;
    *) usage ;;
    esac
done
((RUNS_SET)) || RUNS=1
check_prereqs
setup_workspace

SRC=$LOCAL/tree
gen sparse "$SRC" sparse.bin "$SIZE"
pair_drive
add_folder "$SRC" "$MNT/ours"

fresh() {
    rm -rf "$MNT/ours" "$MNT/anchor"
    mkdir -p "$MNT/ours"
    sync
    maybe_drop_caches
}
# max_rss CMD...: runs CMD under GNU time and prints its max RSS in KiB.
max_rss() {
    /usr/bin/time -v -o "$WORK/time.txt" "$@" >/dev/null || die "command failed: $*"
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time.txt"
}
wall() { awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$WORK/time.txt"; }

declare -A rss
for ((r = 0; r < RUNS; r++)); do
    fresh
    rss[ours]+="$(max_rss "$CLI" sync) "
    ours_wall=$(wall)
    ours_used=$(du -k "$MNT/ours/sparse.bin" | cut -f1)
    fresh
    rss[cp]+="$(max_rss cp -a "$SRC/sparse.bin" "$MNT/anchor") "
    fresh
    rss[rsync]+="$(max_rss rsync -a "$SRC/sparse.bin" "$MNT/anchor") "
done
# Baseline: the same program starting up and reading its settings, without copying anything.
base=$(max_rss "$CLI" status)

declare -A med
for k in ours cp rsync; do
    # shellcheck disable=SC2086 # the list of figures is split on purpose
    med[$k]=$(median ${rss[$k]})
done
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
result "peak memory, copying a $SIZE sparse file" "$(mib "${med[ours]}")" \
    "cp -a $(mib "${med[cp]}")" "$(ratio "${med[ours]}" "${med[cp]}")" "<= 32 MiB" \
    "$(met "${med[ours]}" "$GOAL_KIB")"
note "max RSS: rsync -a $(mib "${med[rsync]}"); quillet-cli status (no copy) $(mib "$base")"
note "quillet-cli copy of the $SIZE sparse file: $ours_wall wall, $((ours_used / 1024)) MiB" \
    "allocated on the drive (the source allocates none)"
