#!/usr/bin/env bash
# Profiles a no-change pass with callgrind on a smaller tree and prints the top functions by
# inclusive and by self cost (instructions). Give it a release build: a debug or sanitized
# build profiles the checks, not the engine.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

FILES=5000
FOLDERS=500
TOP=10
KEEP=''

usage() {
    cat >&2 <<USAGE
usage: $0 --cli PATH [--files N] [--folders N] [--top N] [--keep DIR] [common options]
  --keep DIR        also copy the raw callgrind output into DIR
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
    --top) TOP=$2; shift 2 ;;
    --keep) KEEP=$2; shift 2 ;;
    *) usage ;;
    esac
done
check_prereqs
command -v valgrind >/dev/null || die "valgrind is needed"
setup_workspace

SRC=$LOCAL/tree
gen files "$SRC" "$FILES" "$FOLDERS" 4096
cp -a "$SRC" "$MNT/dest"
pair_drive
add_folder "$SRC" "$MNT/dest"
quillet_sync # warm caches; the profiled pass is a no-change one

out=$WORK/callgrind.out
valgrind --tool=callgrind --callgrind-out-file="$out" "$CLI" sync >/dev/null 2>"$WORK/vg.txt" ||
    die "the profiled pass failed: $(tail -5 "$WORK/vg.txt")"
[[ -n $KEEP ]] && mkdir -p "$KEEP" && cp "$out" "$KEEP/callgrind.nochange.out"

# Keep the table rows only; drop the "???:" of missing line info, the object's path, and the
# start-up frames above main that every function sits under. awk reads to the end (no head),
# so the annotator never dies of a closed pipe.
top() {
    callgrind_annotate "$@" "$out" 2>/dev/null |
        sed -e 's/???://' -e 's/ \[[^]]*\]$//' |
        awk -v n="$TOP" '/file:function/ { on = 1; getline; next }
            on && NF && !/below main|libc-start|libc_start|  0x[0-9a-f]+$/ && shown < n {
                print; shown++ }'
}
echo "== no-change pass over $FILES files: $(awk '/^summary:/ { print $2 }' "$out") instructions =="
echo "== top $TOP functions by inclusive cost (Ir); 'N marks a recursion level =="
top --inclusive=yes
echo "== top $TOP functions by self cost (Ir) =="
top --inclusive=no

# Callgrind counts user-space instructions only; the system calls are counted here.
if command -v strace >/dev/null; then
    strace -f -c -o "$WORK/strace.txt" "$CLI" sync >/dev/null
    echo "== system calls of one pass over $FILES files (strace -c) =="
    head -n 25 "$WORK/strace.txt"
fi
