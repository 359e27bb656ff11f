#!/usr/bin/env bash
# Builds the trees the sync benchmarks run on. Contents are deterministic (fixed seed), so
# every run and every tool sees the same bytes.
#
#   make-tree.sh files  DIR NFILES NFOLDERS MAXBYTES   small files spread over NFOLDERS folders
#   make-tree.sh big    DIR COUNT MIB                  COUNT incompressible files of MIB MiB
#   make-tree.sh sparse DIR NAME SIZE                  one sparse file (holes only), e.g. 4G
#   make-tree.sh chain  DIR DEPTH FILES                a chain of DEPTH nested folders, FILES
#                                                      small files at every level
set -euo pipefail

usage() { sed -n '2,10s/^# \{0,1\}//p' "$0" >&2; exit 2; }

# One text blob to cut the small files from; bash writes it with builtins, so building
# 100,000 files costs no process per file.
make_blob() {
    local max=$1
    BLOB=''
    while ((${#BLOB} < max)); do
        BLOB+="quillet benchmark data $RANDOM $RANDOM $RANDOM abcdefghijklmnopqrstuvwxyz 0123456789
"
    done
}

small_files() {
    local dir=$1 nfiles=$2 nfolders=$3 maxbytes=$4
    ((nfolders >= 1 && nfiles >= 0 && maxbytes >= 1)) || usage
    RANDOM=42
    make_blob "$maxbytes"
    # Folders in two levels (about sqrt(n) wide) so no single directory gets huge.
    local fan=1
    while ((fan * fan < nfolders)); do fan=$((fan + 1)); done
    local f i per extra size folder count=0
    per=$((nfiles / nfolders))
    extra=$((nfiles % nfolders))
    for ((f = 0; f < nfolders; f++)); do
        folder=$dir/d$((f / fan))/s$((f % fan))
        mkdir -p "$folder"
        local n=$per
        ((f < extra)) && n=$((n + 1))
        for ((i = 0; i < n; i++)); do
            size=$(((RANDOM * 32768 + RANDOM) % maxbytes + 1))
            printf '%s' "${BLOB:0:size}" >"$folder/f$i.txt"
            count=$((count + 1))
        done
    done
    echo "$count files in $nfolders folders under $dir" >&2
}

big_files() {
    local dir=$1 count=$2 mib=$3 i
    mkdir -p "$dir"
    for ((i = 0; i < count; i++)); do
        # Random bytes: no file system or device can shortcut zeros.
        head -c "$((mib * 1024 * 1024))" /dev/urandom >"$dir/big$i.bin"
    done
}

sparse_file() {
    mkdir -p "$1"
    truncate -s "$3" "$1/$2"
}

chain() {
    local dir=$1 depth=$2 files=$3 level i path
    RANDOM=7
    make_blob 2048
    path=$dir
    for ((level = 0; level <= depth; level++)); do
        mkdir -p "$path"
        for ((i = 0; i < files; i++)); do
            printf '%s' "${BLOB:0:$((RANDOM % 2048 + 1))}" >"$path/f$i.txt"
        done
        path=$path/level$((level + 1))
    done
}

(($# >= 1)) || usage
kind=$1
shift
case $kind in
files) (($# == 4)) || usage; small_files "$@" ;;
big) (($# == 3)) || usage; big_files "$@" ;;
sparse) (($# == 3)) || usage; sparse_file "$@" ;;
chain) (($# == 3)) || usage; chain "$@" ;;
*) usage ;;
esac
