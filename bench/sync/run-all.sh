#!/usr/bin/env bash
# Runs the sync-engine benchmarks one after the other (never at once: they would disturb each
# other's timings) and prints one table of the results at the end.
#
#   run-all.sh --cli PATH [--only LIST] [size options] [common options]
#
#   --only LIST          comma-separated: nochange,firstcopy,replace,memory,depth,profile
#                        (default: nochange,firstcopy,memory,depth; replace needs --baseline)
#   --baseline PATH      replace: the earlier quillet-cli to compare with
#   --files N --folders N                no-change tree (default 100000 / 10000)
#   --copy-files N --big N --big-mib N   first copy (default 10000 small, 4 x 256 MiB)
#   --sparse SIZE                        memory benchmark file (default 4G)
#   --shallow N --deep N                 depth benchmark (default 10 / 20)
#   --profile-files N                    profiled no-change tree (default 5000)
#   --log FILE                           also keep the full output in FILE
#   common: --runs N (3) --drop-caches --work DIR (/var/tmp) --image-size SIZE (20G)
#           --fs ext4|exfat (ext4) --throttle none|usb|iops (none)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

only=nochange,firstcopy,memory,depth
common=()
nochange=()
firstcopy=()
memory=()
depth=()
profile=()
replace=()
logfile=''

usage() { sed -n '2,19s/^# \{0,1\}//p' "$0" >&2; exit 2; }

while (($#)); do
    (($# >= 2)) || [[ $1 == --drop-caches ]] || usage
    case $1 in
    --only) only=$2 ;;
    --files | --folders) nochange+=("$1" "$2") ;;
    --copy-files) firstcopy+=(--files "$2") ;;
    --big | --big-mib) firstcopy+=("$1" "$2") ;;
    --sparse) memory+=(--size "$2") ;;
    --shallow | --deep) depth+=("$1" "$2") ;;
    --profile-files) profile+=(--files "$2" --folders "$(($2 / 10 > 0 ? $2 / 10 : 1))") ;;
    --log) logfile=$2 ;;
    --baseline) replace+=(--baseline "$2") ;;
    --cli | --work | --runs | --image-size | --fs | --throttle) common+=("$1" "$2") ;;
    --drop-caches) common+=("$1"); shift; continue ;;
    *) usage ;;
    esac
    shift 2
done

results=$(mktemp)
trap 'rm -f "$results"' EXIT
[[ -n $logfile ]] && : >"$logfile"

run() {
    local name=$1
    shift
    echo "== $name: $*" >&2
    # Rows and notes on stdout are kept; progress goes to stderr as it happens.
    if [[ -n $logfile ]]; then
        "$@" 2> >(tee -a "$logfile" >&2) | tee -a "$results" "$logfile"
    else
        "$@" | tee -a "$results"
    fi
}

IFS=, read -r -a chosen <<<"$only"
for b in "${chosen[@]}"; do
    case $b in
    nochange) run "$b" "$here/bench-nochange.sh" "${common[@]}" "${nochange[@]}" ;;
    firstcopy) run "$b" "$here/bench-firstcopy.sh" "${common[@]}" "${firstcopy[@]}" ;;
    replace) run "$b" "$here/bench-replace.sh" "${common[@]}" "${replace[@]}" ;;
    memory) run "$b" "$here/bench-memory.sh" "${common[@]}" "${memory[@]}" ;;
    depth) run "$b" "$here/bench-depth.sh" "${common[@]}" "${depth[@]}" ;;
    profile) run "$b" "$here/profile-nochange.sh" "${common[@]}" "${profile[@]}" ;;
    *) echo "unknown benchmark '$b'" >&2; usage ;;
    esac
done

echo
echo "| benchmark | ours | anchor | ratio | goal | met? |"
echo "| --- | --- | --- | --- | --- | --- |"
awk -F'\t' '$1 == "RESULT" { printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }' \
    "$results"
