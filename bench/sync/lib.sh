# shellcheck shell=bash
# Variables set here are read by the scripts that source this file.
# shellcheck disable=SC2034
# Shared helpers for the sync-engine benchmarks. Sourced, never run.
# Each benchmark owns one temporary workspace: a drive image mounted on a loop device, the
# local trees, and fresh config/data folders so the user's own settings are never touched.

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Defaults a benchmark script may override from its options.
CLI=${QUILLET_CLI:-}
WORK_PARENT=${TMPDIR_BENCH:-/var/tmp}
RUNS=3
DROP_CACHES=0
IMAGE_SIZE=20G
DRIVE_FS=ext4
THROTTLE=none
# The throttle profiles: a USB stick's write and read speed in bytes a second, and writes a
# second (0: no limit on the count).
THROTTLE_WRITE_BPS=$((20 * 1024 * 1024))
THROTTLE_READ_BPS=$((35 * 1024 * 1024))
THROTTLE_WRITE_IOPS=300
BLKIO=/sys/fs/cgroup/blkio

log() { printf '[bench] %s\n' "$*" >&2; }
die() { printf '[bench] error: %s\n' "$*" >&2; exit 1; }

# Options every benchmark understands; returns how many words it consumed (0 = not ours).
common_option() {
    case "$1" in
    --cli) CLI=$2; return 2 ;;
    --work) WORK_PARENT=$2; return 2 ;;
    --runs) RUNS=$2; return 2 ;;
    --drop-caches) DROP_CACHES=1; return 1 ;;
    --image-size) IMAGE_SIZE=$2; return 2 ;;
    --fs) DRIVE_FS=$2; return 2 ;;
    --throttle) THROTTLE=$2; return 2 ;;
    esac
    return 0
}

# shellcheck disable=SC2016 # the text names the variable, it is not expanded
COMMON_USAGE='  --cli PATH        quillet-cli to measure (default: $QUILLET_CLI)
  --work DIR        parent folder for the temporary workspace (default /var/tmp)
  --runs N          timed runs per command; the median is reported (default 3)
  --drop-caches     drop the page cache before every timed run (default: warm caches,
                    after one untimed warm-up run of each command)
  --image-size SIZE size of the sparse drive image (default 20G)
  --fs ext4|exfat   the drive: ext4 through the kernel (default) or exFAT through FUSE
                    (exfat-fuse), where every look at the drive is a round trip
  --throttle none|usb|iops
                    slow the drive'"'"'s loop device to a USB stick: usb is 20 MiB/s write and
                    35 MiB/s read, iops the same and at most 300 writes a second
                    (cgroup v1 block I/O throttle; reset on every exit)'

# Parse the common options out of "$@" into REST (the script-specific ones).
parse_common() {
    REST=()
    while (($#)); do
        local used=0
        common_option "$1" "${2-}" || used=$?
        if ((used == 0)); then
            REST+=("$1")
            shift
        else
            (($# >= used)) || die "option $1 needs a value"
            shift "$used"
        fi
    done
}

check_prereqs() {
    ((EUID == 0)) || die "run as root: the drive is a loop-mounted ext4 image"
    [[ -n $CLI && -x $CLI ]] || die "give the quillet-cli binary with --cli PATH"
    CLI=$(realpath "$CLI")
    [[ -x /usr/bin/time ]] || die "GNU time (/usr/bin/time) is needed"
    command -v rsync >/dev/null || die "rsync is needed"
    command -v mkfs.ext4 >/dev/null || die "mkfs.ext4 (e2fsprogs) is needed"
    case $DRIVE_FS in
    ext4) ;;
    exfat) command -v mount.exfat-fuse >/dev/null && command -v mkfs.exfat >/dev/null ||
        die "exfat-fuse and exfatprogs are needed for --fs exfat" ;;
    *) die "--fs is ext4 or exfat" ;;
    esac
    case $THROTTLE in
    none) ;;
    usb | iops) [[ -w $BLKIO/blkio.throttle.write_bps_device ]] ||
        die "--throttle needs the cgroup v1 block I/O controller at $BLKIO" ;;
    *) die "--throttle is none, usb or iops" ;;
    esac
}

# How trees are copied and compared on the drive. exFAT keeps no owner or permissions:
# rsync -a would set them again on every run, so both sides keep to what exFAT keeps.
rsync_flags() {
    if [[ $DRIVE_FS == exfat ]]; then
        printf '%s\n' -rlt
    else
        printf '%s\n' -a
    fi
}
copy_tree() {
    if [[ $DRIVE_FS == exfat ]]; then
        cp -r --preserve=timestamps "$1" "$2"
    else
        cp -a "$1" "$2"
    fi
}

# Creates WORK, LOCAL (parent of local trees), MNT (the mounted drive) and the config dirs.
# Sets the EXIT trap so the image is unmounted and everything removed, also on failure.
setup_workspace() {
    WORK=$(mktemp -d "$WORK_PARENT/quillet-bench.XXXXXX")
    MNT=$WORK/drive
    LOCAL=$WORK/local
    MOUNTED=0
    trap cleanup_workspace EXIT
    trap 'exit 130' INT TERM
    mkdir -p "$MNT" "$LOCAL"
    use_config main
    truncate -s "$IMAGE_SIZE" "$WORK/drive.img"
    if [[ $DRIVE_FS == exfat ]]; then
        mkfs.exfat "$WORK/drive.img" >/dev/null
    else
        local uuid
        uuid=$(cat /proc/sys/kernel/random/uuid)
        # Inode tables and journal are written now: lazy init would otherwise keep writing
        # in the background and disturb the timings.
        mkfs.ext4 -q -F -U "$uuid" -E lazy_itable_init=0,lazy_journal_init=0 "$WORK/drive.img"
    fi
    LOOP=$(losetup -f --show "$WORK/drive.img")
    if [[ $DRIVE_FS == exfat ]]; then
        mount.exfat-fuse "$LOOP" "$MNT" -o "fsname=$LOOP" >/dev/null 2>&1
    else
        mount "$LOOP" "$MNT"
    fi
    MOUNTED=1
    throttle_on
    log "workspace $WORK, $DRIVE_FS drive mounted at $MNT (throttle: $THROTTLE)"
}

# The throttle holds the loop device, whichever file system is on it (FUSE writes reach it
# too). The limits are process-wide for that device, so they must go on every exit.
throttle_on() {
    [[ $THROTTLE == none ]] && return 0
    THROTTLE_DEV=$(lsblk -no MAJ:MIN "$LOOP" | tr -d ' ')
    echo "$THROTTLE_DEV $THROTTLE_WRITE_BPS" >"$BLKIO/blkio.throttle.write_bps_device"
    echo "$THROTTLE_DEV $THROTTLE_READ_BPS" >"$BLKIO/blkio.throttle.read_bps_device"
    if [[ $THROTTLE == iops ]]; then
        echo "$THROTTLE_DEV $THROTTLE_WRITE_IOPS" >"$BLKIO/blkio.throttle.write_iops_device"
    fi
}
throttle_off() {
    [[ -z ${THROTTLE_DEV:-} ]] && return 0
    local file
    for file in write_bps_device read_bps_device write_iops_device; do
        echo "$THROTTLE_DEV 0" >"$BLKIO/blkio.throttle.$file" 2>/dev/null
    done
    THROTTLE_DEV=''
}

# throttle_floor BYTES: the seconds the throttled device needs to take BYTES (none: "-").
throttle_floor() {
    if [[ $THROTTLE == none ]]; then
        echo -
    else
        awk -v b="$1" -v s="$THROTTLE_WRITE_BPS" 'BEGIN { printf "%.3f\n", b / s }'
    fi
}

# throttle_result LABEL SECONDS BYTES: ours against the device's floor, goal 1.1 x.
throttle_result() {
    [[ $THROTTLE == none ]] && return 0
    local floor rt
    floor=$(throttle_floor "$3")
    rt=$(ratio "$2" "$floor")
    result "$1" "${2}s" "device floor ${floor}s ($3 bytes at $((THROTTLE_WRITE_BPS / 1048576)) MiB/s)" \
        "$rt" "<= 1.1" "$(met "$rt" 1.1)"
}

cleanup_workspace() {
    local rc=$?
    set +e
    throttle_off
    if ((${MOUNTED:-0})) && mountpoint -q "$MNT"; then
        umount "$MNT" || { sleep 1; umount "$MNT"; } || umount -l "$MNT"
    fi
    [[ -n ${LOOP:-} ]] && losetup -d "$LOOP"
    [[ -n ${WORK:-} && -d $WORK ]] && rm -rf "$WORK"
    exit "$rc"
}

# Several pairings can share one drive: each gets its own config and data folders.
use_config() {
    export XDG_CONFIG_HOME=$WORK/config-$1
    export XDG_DATA_HOME=$WORK/data-$1
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
}

pair_drive() {
    "$CLI" pair "$MNT" --yes >/dev/null || die "could not pair $MNT"
}

# add_folder LOCAL_TREE DEST: the drive-side folder must exist before it can be added.
add_folder() {
    mkdir -p "$2"
    "$CLI" add-folder "$1" "$2" >/dev/null || die "could not add $1 -> $2"
}

quillet_sync() {
    "$CLI" sync >/dev/null
}

maybe_drop_caches() {
    if ((DROP_CACHES)); then
        sync
        echo 3 >/proc/sys/vm/drop_caches
    fi
}

# time_once CMD...: runs CMD and prints its wall time in seconds; fails if CMD fails.
time_once() {
    local start end
    start=$EPOCHREALTIME
    "$@" || die "command failed: $*"
    end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# time_rotated WHAT PREPARE CHECK COMMAND...: times every COMMAND RUNS times, their order
# rotated from run to run so that none always runs first or last. PREPARE runs before each
# timing and CHECK (given the command; ":" for none) after it. Fills med[COMMAND] with the
# median time in seconds, and notes each command's runs under WHAT.
time_rotated() {
    local what=$1 prepare=$2 check=$3 r i c t
    shift 3
    local commands=("$@")
    local -A times=()
    declare -gA med=()
    for ((r = 0; r < RUNS; r++)); do
        for ((i = 0; i < ${#commands[@]}; i++)); do
            c=${commands[(i + r) % ${#commands[@]}]}
            "$prepare"
            t=$(time_once "$c")
            times[$c]+="$t "
            "$check" "$c"
            log "run $((r + 1)): $c $t s"
        done
    done
    for c in "${commands[@]}"; do
        # shellcheck disable=SC2086 # the list of times is split on purpose
        med[$c]=$(median ${times[$c]})
        note "$what $c runs (s): ${times[$c]}"
    done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f\n", a / b; else print "n/a" }'; }

# met VALUE GOAL: "yes" when VALUE <= GOAL.
met() { awk -v v="$1" -v g="$2" 'BEGIN { print (v != "n/a" && v <= g) ? "yes" : "NO" }'; }

# Result rows go to stdout, tab-separated, so run-all.sh can gather them into one table.
# result BENCHMARK OURS ANCHOR RATIO GOAL MET
result() { printf 'RESULT\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@"; }
# note TEXT: a figure that is context, not a goal.
note() { printf 'NOTE\t%s\n' "$*"; }

# Helpers for the generators.
gen() { "$BENCH_DIR/make-tree.sh" "$@"; }
