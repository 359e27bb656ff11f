#!/usr/bin/env bash
# The longest event-loop stall of the main window during a pass that copies one large file
# and many small ones onto an empty drive, and how soon Stop takes effect.
#
#   bench/window/bench-stall.sh --bench PATH --cli PATH [--big-mib N] [--files N]
#                               [--display :N] [common options]
#
# Three timed passes (the median and the worst are reported), then two passes with Stop:
# once while the large file copies (the pass must end when that file is done, before the
# folder row), once a second into the folder row (the walk must end at its next file).
set -euo pipefail
# shellcheck source=bench/sync/lib.sh
source "$(dirname "$0")/../sync/lib.sh"

BENCH=""
BIG_MIB=1024
FILES=10000
FOLDERS=100
MAXBYTES=8192
DISPLAY_NAME=""
IMAGE_SIZE=4G
GOAL_MS=100

usage() {
    sed -n '2,10s/^# \{0,1\}//p' "$0" >&2
    printf '%s\n' "$COMMON_USAGE" >&2
    exit 2
}

parse_common "$@"
set -- "${REST[@]+"${REST[@]}"}"
while (($#)); do
    case $1 in
    --bench) BENCH=$2; shift 2 ;;
    --big-mib) BIG_MIB=$2; shift 2 ;;
    --files) FILES=$2; shift 2 ;;
    --display) DISPLAY_NAME=$2; shift 2 ;;
    *) usage ;;
    esac
done
check_prereqs
[[ -n $BENCH && -x $BENCH ]] || die "give the window_stall_bench binary with --bench PATH"
BENCH=$(realpath "$BENCH")
if [[ -n $DISPLAY_NAME ]]; then
    export DISPLAY=$DISPLAY_NAME
    unset QT_QPA_PLATFORM
else
    export QT_QPA_PLATFORM=offscreen
fi
setup_workspace

SRC=$LOCAL/tree
log "building one file of $BIG_MIB MiB and $FILES small files in $FOLDERS folders"
gen big "$SRC/big" 1 "$BIG_MIB"
gen files "$SRC/small" "$FILES" "$FOLDERS" "$MAXBYTES"

pair_drive
mkdir -p "$MNT/ours/big"
"$CLI" add "$SRC/big/big0.bin" "$MNT/ours/big" >/dev/null || die "could not add the large file"
add_folder "$SRC/small" "$MNT/ours/small"

# Every pass copies onto an empty drive folder.
fresh() {
    rm -rf "$MNT/ours/big/big0.bin" "$MNT/ours/small"
    mkdir -p "$MNT/ours/small"
    sync
    maybe_drop_caches
}

# run_bench ARGS...: prints the program's "key value" lines.
run_bench() {
    fresh
    # Qt's chatter stays out of the figures, but a program that fails says why (most often:
    # no display it could open).
    "$BENCH" "$@" 2>"$WORK/bench-stderr.txt" || {
        cat "$WORK/bench-stderr.txt" >&2
        die "window_stall_bench failed (is there an X display at ${DISPLAY:-nowhere}?)"
    }
}

value() { awk -v k="$1" '$1 == k { print $2 }' <<<"$2"; }

stalls=()
passes=()
for ((run = 1; run <= RUNS; run++)); do
    out=$(run_bench)
    [[ $(value failures "$out") == 0 ]] || die "a copy failed: $out"
    stalls+=("$(value longest_stall_ms "$out")")
    passes+=("$(value pass_seconds "$out")")
    log "run $run: pass $(value pass_seconds "$out") s, longest stall" \
        "$(value longest_stall_ms "$out") ms, p99 $(value p99_gap_ms "$out") ms," \
        "over 100 ms: $(value gaps_over_100ms "$out"), copies $(value copies "$out")," \
        "longest between $(value longest_stall_where "$out")"
done
worst=$(printf '%s\n' "${stalls[@]}" | sort -g | tail -1)
result "window: longest event-loop stall, 1 x ${BIG_MIB} MiB + $FILES files (ms)" \
    "$(median "${stalls[@]}")" "worst $worst" "-" "< $GOAL_MS" "$(met "$worst" "$((GOAL_MS - 1))")"
note "pass times (s): ${passes[*]}; stalls (ms): ${stalls[*]}"

out=$(run_bench --stop-during-copy)
log "stop during the large copy: $(tr '\n' ' ' <<<"$out")"
note "Stop during the large copy: pressed at $(value stop_pressed_ms "$out") ms, pass ended" \
    "$(value stop_to_end_ms "$out") ms later; rows with a status: $(value rows_with_status "$out")" \
    "of 2; stopped $(value stopped "$out")"

out=$(run_bench --stop-in-folder-after 1000)
log "stop in the folder row: $(tr '\n' ' ' <<<"$out")"
note "Stop 1 s into the folder row: pass ended $(value stop_to_end_ms "$out") ms later;" \
    "copies $(value copies "$out") of $((FILES + 1)); stopped $(value stopped "$out")"
