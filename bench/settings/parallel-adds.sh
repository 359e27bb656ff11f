#!/usr/bin/env bash
# Several `quillet-cli add`s at once, round after round, some of them killed with kill -9
# part-way. Counts the adds that printed "Added" and whose item is missing afterwards (it
# must stay 0), and checks after every round that the settings still read. Not a test: run
# by hand, as root (the drive is a loop-mounted ext4 image).
#
#   sudo bench/settings/parallel-adds.sh --cli build-release/bin/quillet-cli \
#        [--rounds 1000] [--parallel 8] [--kills 2] [--seed N] [--work /var/tmp]
set -euo pipefail

CLI=${QUILLET_CLI:-}
ROUNDS=1000
PARALLEL=8
KILLS=2
SEED=$$
WORK_PARENT=/var/tmp
while (($#)); do
    case $1 in
    --cli) CLI=$2; shift 2 ;;
    --rounds) ROUNDS=$2; shift 2 ;;
    --parallel) PARALLEL=$2; shift 2 ;;
    --kills) KILLS=$2; shift 2 ;;
    --seed) SEED=$2; shift 2 ;;
    --work) WORK_PARENT=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 1 ;;
    esac
done
((EUID == 0)) || { echo "run as root: the drive is a loop-mounted ext4 image" >&2; exit 1; }
[[ -n $CLI && -x $CLI ]] || { echo "give quillet-cli with --cli PATH" >&2; exit 1; }
CLI=$(realpath "$CLI")
RANDOM=$SEED

work=$(mktemp -d "$WORK_PARENT/quillet-adds.XXXXXX")
mnt=$work/mnt
cleanup() {
    umount "$mnt" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$mnt" "$work/home" "$work/config" "$work/data" "$work/run" "$work/out"
chmod 700 "$work/run"
# An unusual size and a fresh serial: the tool tells drives apart by both.
truncate -s 61M "$work/drive.img"
mkfs.ext4 -q -F -U "$(cat /proc/sys/kernel/random/uuid)" "$work/drive.img"
mount -o loop "$work/drive.img" "$mnt"
mkdir "$mnt/backup"
# The user's own settings, log and locks are never touched.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_RUNTIME_DIR=$work/run ASAN_OPTIONS=detect_leaks=0
"$CLI" pair "$mnt" >/dev/null

# Reports go to fd 3: bash says "Killed" on stderr for every job that kill -9 ended.
exec 3>&2 2>/dev/null
saved=0 killed=0 lost=0 damaged=0
started=$SECONDS
for ((round = 1; round <= ROUNDS; round++)); do
    # Each round starts from an empty list: a new pairing forgets the last one's.
    "$CLI" pair "$mnt" --yes >/dev/null
    pids=() names=()
    for ((i = 0; i < PARALLEL; i++)); do
        names[i]=$work/home/r$round-$i.txt
        echo "$round $i" >"${names[i]}"
        "$CLI" add "${names[i]}" "$mnt/backup" >"$work/out/$i" 2>&1 &
        pids[i]=$!
    done
    # Up to KILLS of them die at a random moment of their run.
    for ((k = RANDOM % (KILLS + 1); k > 0; k--)); do
        sleep "0.0$((RANDOM % 10))$((RANDOM % 10))"
        if kill -9 "${pids[RANDOM % PARALLEL]}" 2>/dev/null; then killed=$((killed + 1)); fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || true; done
    if ! list=$("$CLI" list 2>&1); then
        damaged=$((damaged + 1))
        echo "round $round: the settings do not read: $list" >&3
        continue
    fi
    for ((i = 0; i < PARALLEL; i++)); do
        grep -q '^Added ' "$work/out/$i" || continue
        saved=$((saved + 1))
        if ! grep -qF "${names[i]}"$'\t' <<<"$list"; then
            lost=$((lost + 1))
            echo "round $round: ${names[i]} was reported added and is missing" >&3
        fi
    done
    ((round % 100)) || echo "round $round: $saved saved, $lost lost, $killed kills" >&3
done
echo "seed $SEED: $ROUNDS rounds of $PARALLEL adds in $((SECONDS - started)) s;" \
    "$saved reported added, $lost of them lost; $killed kill -9s; $damaged rounds with" \
    "unreadable settings"
((lost == 0 && damaged == 0))
