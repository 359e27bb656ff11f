#!/usr/bin/env bash
# A first copy onto an empty folder of the drive: small files plus a few large ones.
# quillet-cli sync against rsync -a, cp -a, and cp -a followed by sync (the fair anchor: our
# copy is flushed to disk, so must the anchor's be). It also measures what the per-file flush
# costs, by running quillet-cli with fsync turned into a no-op and one sync at the end.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

FILES=10000
FOLDERS=100
MAXBYTES=8192
BIG=4
BIG_MIB=256
GOAL=0.8

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH [--files N] [--folders N] [--max-bytes N] [--big N] [--big-mib N]
          [common options]
$COMMON_USAGE
USAGE
    exit 2
}

parse_common "$@"
set -- "${REST[@]+"${REST[@]}"}"
while (($#)); do
    case $1 in
    --files) FILES=$2; shift 2 ;;
    --folders) FOLDERS=$2; shift 2 ;;
    --max-bytes) MAXBYTES=$2; shift 2 ;;
    --big) BIG=$2; shift 2 ;;
    --big-mib) BIG_MIB=$2; shift 2 ;;
    *) usage ;;
    esac
done
check_prereqs
command -v cc >/dev/null || die "a C compiler is needed for the flush-cost measurement"
setup_workspace
mapfile -t RSYNC < <(rsync_flags)

SRC=$LOCAL/tree
log "building $FILES small files in $FOLDERS folders and $BIG files of $BIG_MIB MiB"
gen files "$SRC/small" "$FILES" "$FOLDERS" "$MAXBYTES"
gen big "$SRC/big" "$BIG" "$BIG_MIB"
total_files=$((FILES + BIG))
cc -shared -fPIC -O2 -o "$WORK/fsync-noop.so" "$BENCH_DIR/fsync-noop.c"

pair_drive
add_folder "$SRC" "$MNT/ours"

# Each command copies into a fresh, empty destination.
fresh() {
    rm -rf "$MNT/ours" "$MNT/anchor"
    mkdir -p "$MNT/ours"
    sync # the deletes are flushed here, not inside the next timing
    maybe_drop_caches
}
c_ours() { quillet_sync; }
c_rsync() { rsync "${RSYNC[@]}" "$SRC/" "$MNT/anchor/"; }
c_rsync_sync() { c_rsync && sync; }
c_cp() { copy_tree "$SRC" "$MNT/anchor"; }
c_cp_sync() { copy_tree "$SRC" "$MNT/anchor" && sync; }
c_ours_noflush() { LD_PRELOAD=$WORK/fsync-noop.so "$CLI" sync >/dev/null; }
c_ours_noflush_sync() { c_ours_noflush && sync; }

check_copy() {
    local diffs
    diffs=$(rsync "${RSYNC[@]}" --dry-run --itemize-changes --omit-dir-times "$SRC/" "$MNT/ours/" |
        wc -l)
    ((diffs == 0)) || die "the copy differs from the source in $diffs entries"
}

if ((!DROP_CACHES)); then
    fresh
    c_cp_sync # warm-up: source in the page cache, image blocks allocated once
    fresh
    c_ours
    check_copy
fi
commands=(c_ours c_rsync c_cp c_cp_sync c_ours_noflush c_ours_noflush_sync)
# On a slow stick only a flushed copy is a fair anchor, rsync's too.
[[ $THROTTLE != none ]] && commands+=(c_rsync_sync)
time_rotated "first copy" fresh : "${commands[@]}"

caches=warm
((DROP_CACHES)) && caches=cold
label="first copy, $FILES small + $BIG x $BIG_MIB MiB ($caches, $DRIVE_FS)"
[[ $THROTTLE != none ]] && label="$label, throttled: $THROTTLE"
throttle_result "$label" "${med[c_ours]}" "$(du -sb --apparent-size "$SRC" | cut -f1)"
rt=$(ratio "${med[c_ours]}" "${med[c_cp_sync]}")
result "$label" "${med[c_ours]}s" "cp -a + sync ${med[c_cp_sync]}s" "$rt" "<= $GOAL" \
    "$(met "$rt" "$GOAL")"
result "$label" "${med[c_ours]}s" "rsync ${RSYNC[*]} ${med[c_rsync]}s" \
    "$(ratio "${med[c_ours]}" "${med[c_rsync]}")" "-" "-"
if [[ $THROTTLE != none ]]; then
    result "$label" "${med[c_ours]}s" "rsync ${RSYNC[*]} + sync ${med[c_rsync_sync]}s" \
        "$(ratio "${med[c_ours]}" "${med[c_rsync_sync]}")" "< 1" \
        "$(met "$(ratio "${med[c_ours]}" "${med[c_rsync_sync]}")" 0.999)"
fi
result "$label" "${med[c_ours]}s" "cp -a ${med[c_cp]}s" \
    "$(ratio "${med[c_ours]}" "${med[c_cp]}")" "-" "-"
rt=$(ratio "${med[c_ours_noflush_sync]}" "${med[c_cp_sync]}")
result "$label, fsync made a no-op + one sync" "${med[c_ours_noflush_sync]}s" \
    "cp -a + sync ${med[c_cp_sync]}s" "$rt" "<= $GOAL" "$(met "$rt" "$GOAL")"
flush=$(awk -v a="${med[c_ours]}" -v b="${med[c_ours_noflush_sync]}" 'BEGIN { printf "%.3f", a - b }')
per=$(awk -v f="$flush" -v n="$total_files" 'BEGIN { printf "%.3f", f * 1000 / n }')
note "per-file flush: $flush s of ${med[c_ours]} s over $total_files files ($per ms a file)," \
    "beyond one flush at the end; without any flush: ${med[c_ours_noflush]} s"

