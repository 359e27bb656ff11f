#!/usr/bin/env bash
# A no-change pass over a chain of nested folders, present on both sides with a few files at
# every level: depth 10 against depth 20. Such passes take milliseconds, so the start-up cost
# of the program is measured too (a pass over an empty folder) and shown beside the ratio.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

SHALLOW=10
DEEP=20
PER_LEVEL=5
REPEAT=10
GOAL=2.5

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH [--shallow N] [--deep N] [--files-per-level N] [--repeat K]
          [common options]
  --repeat K        passes per timed run, back to back (default 10): one pass takes
                    milliseconds, below the jitter of starting a process
$COMMON_USAGE
USAGE
    exit 2
}

parse_common "$@"
set -- "${REST[@]+"${REST[@]}"}"
while (($#)); do
    case $1 in
    --shallow) SHALLOW=$2; shift 2 ;;
    --deep) DEEP=$2; shift 2 ;;
    --files-per-level) PER_LEVEL=$2; shift 2 ;;
    --repeat) REPEAT=$2; shift 2 ;;
    *) usage ;;
    esac
done
check_prereqs
setup_workspace

# One pairing per tree, each with its own settings, so a pass walks exactly one tree.
prepare() {
    local name=$1 depth=$2
    if ((depth < 0)); then
        mkdir -p "$LOCAL/$name"
    else
        gen chain "$LOCAL/$name" "$depth" "$PER_LEVEL"
    fi
    cp -a "$LOCAL/$name" "$MNT/$name"
    use_config "$name"
    pair_drive
    add_folder "$LOCAL/$name" "$MNT/$name"
    quillet_sync
    local copied
    copied=$(grep -c -e ' - Synchronized' -e 'ERROR' "$XDG_DATA_HOME/Quillet/lastsync.txt" || true)
    ((copied == 0)) || die "the $name trees are not equal"
}
prepare empty -1
prepare shallow "$SHALLOW"
prepare deep "$DEEP"
sync

pass() {
    use_config "$1"
    local k
    for ((k = 0; k < REPEAT; k++)); do quillet_sync; done
}
rsync_pass() {
    local k
    for ((k = 0; k < REPEAT; k++)); do rsync -a "$LOCAL/$1/" "$MNT/$1/"; done
}

declare -A t
if ((!DROP_CACHES)); then
    for n in empty shallow deep; do pass "$n"; rsync_pass "$n"; done
fi
for ((r = 0; r < RUNS; r++)); do
    for n in empty shallow deep; do
        maybe_drop_caches
        t[$n]+="$(time_once pass "$n") "
        maybe_drop_caches
        t[rsync_$n]+="$(time_once rsync_pass "$n") "
    done
done
declare -A med
for k in empty shallow deep rsync_shallow rsync_deep rsync_empty; do
    # shellcheck disable=SC2086 # the list of times is split on purpose
    med[$k]=$(median ${t[$k]})
    note "depth $k runs of $REPEAT passes (s): ${t[$k]}"
done
# Times are per pass: each timed run made REPEAT passes.
ms() { awk -v s="$1" -v k="$REPEAT" 'BEGIN { printf "%.1f ms", s * 1000 / k }'; }
caches=warm
((DROP_CACHES)) && caches=cold
rt=$(ratio "${med[deep]}" "${med[shallow]}")
result "no-change pass, depth $DEEP vs depth $SHALLOW, $PER_LEVEL files a level ($caches)" \
    "$(ms "${med[deep]}")" "depth $SHALLOW $(ms "${med[shallow]}")" "$rt" "<= $GOAL" \
    "$(met "$rt" "$GOAL")"
net=$(awk -v d="${med[deep]}" -v s="${med[shallow]}" -v e="${med[empty]}" \
    'BEGIN { if (s - e > 0) printf "%.2f", (d - e) / (s - e); else print "n/a" }')
note "pass over an empty folder (start-up and settings): $(ms "${med[empty]}");" \
    "depth ratio without it: $net (files and folders grow $(ratio $((DEEP + 1)) $((SHALLOW + 1)))x)"
note "rsync -a no-change: depth $DEEP $(ms "${med[rsync_deep]}"), depth $SHALLOW" \
    "$(ms "${med[rsync_shallow]}"), empty $(ms "${med[rsync_empty]}")"

# Instructions are free of timing jitter: callgrind counts them for one pass of each tree.
if command -v valgrind >/dev/null; then
    declare -A ir
    for n in empty shallow deep; do
        use_config "$n"
        valgrind --tool=callgrind --callgrind-out-file="$WORK/cg.$n" "$CLI" sync \
            >/dev/null 2>&1 || die "the profiled $n pass failed"
        ir[$n]=$(awk '/^summary:/ { print $2 }' "$WORK/cg.$n")
    done
    note "instructions a pass (callgrind): empty ${ir[empty]}, depth $SHALLOW ${ir[shallow]}," \
        "depth $DEEP ${ir[deep]}; ratio $(ratio "${ir[deep]}" "${ir[shallow]}")," \
        "without the empty pass's share $(ratio $((ir[deep] - ir[empty])) $((ir[shallow] - ir[empty])))"
fi
