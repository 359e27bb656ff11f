#!/usr/bin/env bash
# The bash completion of quillet-cli, sourced as bash-completion does, offers what the
# program's --help lists: every command, each command's options, the numbers of the modes
# and refresh choices, and files or folders where a command takes them.
#   completion-offers.sh QUILLET_CLI COMPLETION_FILE
set -uo pipefail
cli=$1
# shellcheck source=completion/quillet-cli
source "$2"

failed=0
# The offers for a command line whose last word is being completed, one a line, sorted.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _quillet_cli
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {
  local wanted=$1
  shift
  local got
  got=$(offers "$@")
  if [ "$got" != "$wanted" ]; then
    echo "completing '$*|': wanted [${wanted//$'\n'/, }], got [${got//$'\n'/, }]"
    failed=1
  fi
}

help=$("$cli" --help) || {
  echo "$cli --help failed"
  exit 1
}
# Each line of the help's command block: the command, then its arguments and options.
usage=$(awk '/^[^ ].*:$/ { block = $0; next } /^  [^ ]/ && block == "Commands:"' <<<"$help" |
  sed -E 's/^  //; s/   .*//')
commands=$(awk '{ print $1 }' <<<"$usage" | sort)
[ "$(wc -l <<<"$commands")" -ge 10 ] || {
  echo "the help lists too few commands: $commands"
  exit 1
}
expect "$commands" quillet-cli ""
while read -r command rest; do
  expect "$(grep -oE -- '--[a-z][a-z-]*' <<<"$rest" | sort -u)" quillet-cli "$command" --
done <<<"$usage"

expect "$(printf '%s\n' add add-folder autostart)" quillet-cli a
expect "$(printf '%s\n' --help --version)" quillet-cli --
expect "status" quillet-cli autostart s
expect "$(printf '%s\n' off on)" quillet-cli same-root o
expect "" quillet-cli same-root on ""

# Numbers: with their meanings while none is typed, bare once one is.
expect "$(printf '%s\n' "0 keep the latest file on both" "1 copy from the PC to the drive" \
  "2 copy from the drive to the PC" "3 as 0, asking before each replacement" \
  "4 as 1, asking before each replacement" "5 as 2, asking before each replacement")" \
  quillet-cli mode ""
expect "3" quillet-cli mode 3
expect "" quillet-cli mode 6
expect "8" quillet-cli refresh 8
[ "$(offers quillet-cli refresh "" | wc -l)" -eq 9 ] || {
  echo "refresh does not offer its nine choices: $(offers quillet-cli refresh "")"
  failed=1
}

# Paths, blanks kept: a file where a file goes, folders only where a folder goes.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir "a folder" other
touch "a file.txt"
expect "$(printf '%s\n' "a file.txt" "a folder")" quillet-cli add "a"
expect "a folder" quillet-cli add "a file.txt" "a"
expect "a folder" quillet-cli add-folder a
expect "$(printf '%s\n' "a folder" other)" quillet-cli --yes pair --same-root ""
expect "" quillet-cli add "a file.txt" "a folder" ""

[ "$failed" -eq 0 ] && echo "completion: ok ($(wc -l <<<"$commands") commands)"
exit "$failed"
