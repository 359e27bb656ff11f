#!/usr/bin/env bash
# What a program's --help lists has its entry in its manual: each command or argument (a
# term of the manual's lists), each exit status and each option.
#   manual-covers-help.sh PROGRAM MANUAL.scd
set -euo pipefail
program=$1
manual=$2

help=$("$program" --help)
# The first word of each line indented by two, outside the option and argument blocks
# (QCommandLineParser's own, whose options are taken below).
terms=$(awk '/^[^ ].*:$/ { block = $0; next }
             /^  [^ ]/ && block != "Options:" && block != "Arguments:" { sub(/,$/, "", $1); print $1 }' \
  <<<"$help")
[ "$(wc -w <<<"$terms")" -ge 5 ] || {
  echo "$program --help lists too little to check: $terms"
  exit 1
}

missing=0
for term in $terms; do
  if [[ $term =~ ^[0-9]+$ ]]; then
    grep -qxF "*$term*" "$manual" || {
      echo "the manual has no exit status $term"
      missing=1
    }
  elif ! awk -v term="$term" '{ word = $1; sub(/^[*_]/, "", word); sub(/[*_]$/, "", word) }
                               word == term { found = 1 } END { exit !found }' "$manual"; then
    echo "the manual has no entry for $term"
    missing=1
  fi
done
while read -r option; do
  grep -qF -- "*$option*" "$manual" || {
    echo "the manual does not name $option"
    missing=1
  }
done < <(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
[ "$missing" -eq 0 ] && echo "manual: every one of $(wc -w <<<"$terms") entries of the help is in $(basename "$manual")"
exit "$missing"
