#!/usr/bin/env bash
# A pass over two trees that are already equal: quillet-cli sync against rsync's own
# no-change run (rsync -a SRC/ DST/) on the very same trees.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

FILES=100000
FOLDERS=10000
MAXBYTES=4096
GOAL=0.5

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH [--files N] [--folders N] [--max-bytes N] [common options]
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
    *) usage ;;
    esac
done
check_prereqs
setup_workspace
mapfile -t RSYNC < <(rsync_flags)
# Warm, on the kernel's ext4: half of rsync's time. Cold, or through FUSE: ahead of it.
if ((DROP_CACHES)) || [[ $DRIVE_FS != ext4 ]]; then
    GOAL=1.0
fi

SRC=$LOCAL/tree
DST=$MNT/dest
log "building $FILES files in $FOLDERS folders"
gen files "$SRC" "$FILES" "$FOLDERS" "$MAXBYTES"
# cp carries the times of files and folders, so both tools start from equal trees.
copy_tree "$SRC" "$DST"
sync
pair_drive
add_folder "$SRC" "$DST"

# Neither tool may find work to do, or this is not a no-change pass.
changes=$(rsync "${RSYNC[@]}" --dry-run --itemize-changes "$SRC/" "$DST/" | wc -l)
((changes == 0)) || die "rsync sees $changes changes; the trees are not equal"
quillet_sync
logfile=$XDG_DATA_HOME/Quillet/lastsync.txt
copied=$(grep -c -e ' - Synchronized' -e 'ERROR' "$logfile" || true)
((copied == 0)) || die "quillet-cli copied or failed $copied files on a no-change pass"
# Informational: how many log lines one pass writes (one per compared file).
lines=$(grep -c 'No changes' "$logfile" || true)
note "no-change pass: $lines 'No changes' log lines for $FILES files present on both sides"

rsync_nochange() { rsync "${RSYNC[@]}" "$SRC/" "$DST/"; }

((DROP_CACHES)) || { quillet_sync; rsync_nochange; } # warm-up, untimed
ours=()
anchor=()
for ((r = 0; r < RUNS; r++)); do
    maybe_drop_caches
    t=$(time_once quillet_sync)
    ours+=("$t")
    maybe_drop_caches
    t=$(time_once rsync_nochange)
    anchor+=("$t")
    log "run $((r + 1)): quillet-cli sync ${ours[r]} s, rsync -a ${anchor[r]} s"
done
o=$(median "${ours[@]}")
a=$(median "${anchor[@]}")
rt=$(ratio "$o" "$a")
caches=warm
((DROP_CACHES)) && caches=cold
throttled=''
[[ $THROTTLE != none ]] && throttled=", throttled: $THROTTLE"
result "no-change pass, $FILES files / $FOLDERS folders ($caches, $DRIVE_FS$throttled)" "${o}s" \
    "rsync ${RSYNC[*]} ${a}s" \
    "$rt" "<= $GOAL" "$(met "$rt" "$GOAL")"
note "no-change runs (s): quillet-cli ${ours[*]}; rsync ${RSYNC[*]} ${anchor[*]}"

# Where the time goes: user vs system CPU of one pass.
/usr/bin/time -f 'quillet-cli sync: %e s wall, %U s user, %S s system, %M KiB max RSS' \
    "$CLI" sync 2>"$WORK/time.txt" >/dev/null
note "$(cat "$WORK/time.txt")"
/usr/bin/time -f "rsync ${RSYNC[*]}: %e s wall, %U s user, %S s system, %M KiB max RSS" \
    rsync "${RSYNC[@]}" "$SRC/" "$DST/" 2>"$WORK/time.txt"
note "$(cat "$WORK/time.txt")"
