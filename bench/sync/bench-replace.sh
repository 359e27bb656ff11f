#!/usr/bin/env bash
# A pass that replaces many files: every file of an equal tree changes on the PC, then one
# pass carries the changes to the drive. Measured against rsync -a + sync and an earlier
# quillet-cli (--baseline: the build it is to be compared with) on the very same changes.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

FILES=5000
FOLDERS=500
MAXBYTES=4096
BASELINE=''

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH --baseline PATH [--files N] [--folders N] [--max-bytes N] [common options]
$COMMON_USAGE
USAGE
    exit 2
}

parse_common "$@"
set -- "${REST[@]+"${REST[@]}"}"
while (($#)); do
    case $1 in
    --baseline) BASELINE=$2; shift 2 ;;
    --files) FILES=$2; shift 2 ;;
    --folders) FOLDERS=$2; shift 2 ;;
    --max-bytes) MAXBYTES=$2; shift 2 ;;
    *) usage ;;
    esac
done
[[ -n $BASELINE && -x $BASELINE ]] || die "give the quillet-cli to compare with, --baseline PATH"
BASELINE=$(realpath "$BASELINE")
check_prereqs
setup_workspace
mapfile -t RSYNC < <(rsync_flags)

SRC=$LOCAL/tree
# Each command keeps its own copy on the drive, and each build its own settings and record: a
# command that rewrote another's copy behind its record would be an edit on the drive, and the
# pass would rightly keep both versions (the tree would grow by a conflict copy per file).
declare -A DST=([c_ours]=$MNT/dest-ours [c_baseline]=$MNT/dest-baseline [c_rsync]=$MNT/dest-rsync)
log "building $FILES files in $FOLDERS folders"
gen files "$SRC" "$FILES" "$FOLDERS" "$MAXBYTES"
for c in c_ours c_baseline c_rsync; do
    copy_tree "$SRC" "${DST[$c]}"
done
sync
use_config ours
pair_drive
add_folder "$SRC" "${DST[c_ours]}"
use_config baseline
"$BASELINE" pair "$MNT" --yes >/dev/null || die "the earlier build could not pair $MNT"
"$BASELINE" add-folder "$SRC" "${DST[c_baseline]}" >/dev/null || die "the earlier build could not add $SRC"

# Every local file gets new content and a time later than any before, as an edit would.
stamp=$(date +%s)
change_all() {
    stamp=$((stamp + 10))
    find "$SRC" -type f -exec sh -c 'for f; do printf x >>"$f"; done' sh {} +
    find "$SRC" -type f -exec touch -d "@$stamp" {} +
    sync
    maybe_drop_caches
}
c_ours() { use_config ours && "$CLI" sync >/dev/null; }
c_baseline() { use_config baseline && "$BASELINE" sync >/dev/null; }
c_rsync() { rsync "${RSYNC[@]}" "$SRC/" "${DST[c_rsync]}/" && sync; }

check_equal() {
    local diffs count
    # Folder times are not kept in step by the pass (nor compared here).
    diffs=$(rsync "${RSYNC[@]}" --dry-run --itemize-changes --omit-dir-times "$SRC/" "${DST[$1]}/" |
        wc -l)
    ((diffs == 0)) || die "after $1 the drive differs from the PC in $diffs entries"
    count=$(find "$SRC" -type f | wc -l)
    ((count == FILES)) || die "after $1 the PC holds $count files instead of $FILES"
}

if ((!DROP_CACHES)); then
    change_all
    for c in c_ours c_baseline c_rsync; do
        "$c" # warm-up
        check_equal "$c"
    done
fi
time_rotated replace change_all check_equal c_ours c_baseline c_rsync
caches=warm
((DROP_CACHES)) && caches=cold
label="pass replacing $FILES changed files ($caches, $DRIVE_FS)"
[[ $THROTTLE != none ]] && label="$label, throttled: $THROTTLE"
# Every file is written whole again (a temporary copy renamed over the old one).
throttle_result "$label" "${med[c_ours]}" "$(du -sb --apparent-size "$SRC" | cut -f1)"
rt=$(ratio "${med[c_ours]}" "${med[c_rsync]}")
result "$label" "${med[c_ours]}s" "rsync ${RSYNC[*]} + sync ${med[c_rsync]}s" "$rt" "< 1" \
    "$(met "$rt" 0.999)"
result "$label" "${med[c_ours]}s" "earlier build ${med[c_baseline]}s" \
    "$(ratio "${med[c_ours]}" "${med[c_baseline]}")" "-" "-"
