#!/usr/bin/env bash
# Compares two release folders (dist/ of tools/release.sh, or a published release and a
# rebuild of its commit), file by file and byte by byte.
#
#   tools/compare-release.sh DIR-A DIR-B
#
# Alike: one line, exit code 0. Otherwise the first file that differs (artifacts in
# name order, SHA256SUMS last, as it follows from them) with the first byte where it
# does, and, inside an archive (.zip, .deb, .tar.gz), the member that differs and its
# first differing byte, down to the innermost archive; then every other file that
# differs or is in one folder only; exit code 1. Wrong usage: exit code 2.
set -uo pipefail
export LC_ALL=C

if [ $# -ne 2 ] || [ ! -d "$1" ] || [ ! -d "$2" ]; then
  echo "usage: tools/compare-release.sh DIR-A DIR-B (two folders)" >&2
  exit 2
fi
a=$1 b=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/compare-release.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# first_byte A B: "byte N (offset 0xHEX): 0xAA against 0xBB", or which one ends first.
first_byte() {
  local line n
  line=$(cmp -- "$1" "$2" 2>&1)
  if [[ $line =~ differ:\ (byte|char)\ ([0-9]+) ]]; then
    n=${BASH_REMATCH[2]}
    printf 'byte %d (offset 0x%x): 0x%s against 0x%s' "$n" $((n - 1)) \
      "$(od -An -tx1 -j $((n - 1)) -N1 -- "$1" | tr -d ' ')" "$(od -An -tx1 -j $((n - 1)) -N1 -- "$2" | tr -d ' ')"
  elif [[ $line =~ EOF\ on\ (.*)\ after\ byte\ ([0-9]+) ]]; then
    local shorter=the\ second
    [ "${BASH_REMATCH[1]}" != "$1" ] || shorter=the\ first
    printf 'byte %d: %s ends there (%d against %d bytes)' $((BASH_REMATCH[2] + 1)) "$shorter" \
      "$(stat -c %s -- "$1")" "$(stat -c %s -- "$2")"
  else
    printf '%s' "$line"
  fi
}

# listing FILE: an archive's own records (names, modes, owners, times, order).
listing() {
  case $1 in
    *.zip) zipinfo -v -- "$1" | grep -vE '^(Archive|  There is no file comment|  The zipfile comment)' ;;
    *.deb | *.a) ar tvO -- "$1" 2>/dev/null || ar tv -- "$1" ;;
    *.tar.gz | *.tgz | *.tar.xz | *.tar.zst | *.tar) tar -tvv --full-time --numeric-owner -f "$1" ;;
  esac
}
# unpack FILE DIR: the members of an archive into DIR; false for other files.
unpack() {
  mkdir -p "$2"
  case $1 in
    *.zip) unzip -qq -o -- "$1" -d "$2" ;;
    *.deb) local deb
           deb=$(realpath -- "$1") && (cd "$2" && ar x -- "$deb") ;;
    *.tar.gz | *.tgz | *.tar.xz | *.tar.zst | *.tar) tar -xf "$1" -C "$2" --no-same-owner 2>/dev/null ;;
    *) return 1 ;;
  esac
}

# explain A B LABEL DEPTH: where inside two differing archives the difference lies.
explain() {
  local fa=$1 fb=$2 label=$3 depth=$4 indent
  indent=$(printf '%*s' $((depth * 2)) '')
  [ "$depth" -le 4 ] || return 0
  local ua="$scratch/$depth-a" ub="$scratch/$depth-b"
  rm -rf "$ua" "$ub"
  unpack "$fa" "$ua" 2>/dev/null && unpack "$fb" "$ub" 2>/dev/null || return 0
  local members_a members_b
  members_a=$(cd "$ua" && find . -mindepth 1 | sed 's|^\./||' | sort)
  members_b=$(cd "$ub" && find . -mindepth 1 | sed 's|^\./||' | sort)
  if [ "$members_a" != "$members_b" ]; then
    echo "${indent}in $label: the members differ: $(diff <(echo "$members_a") <(echo "$members_b") | grep '^[<>]' |
      head -3 | sed 's/^</only in the first:/; s/^>/only in the second:/' | paste -sd ';' | sed 's/;/; /g')"
    return 0
  fi
  local member
  while read -r member; do
    if [ ! -f "$ua/$member" ] || [ -L "$ua/$member" ]; then continue; fi
    if ! cmp -s -- "$ua/$member" "$ub/$member"; then
      echo "${indent}in $label: member $member, $(first_byte "$ua/$member" "$ub/$member")"
      # Each level its own copy, as the next level's unpacking reuses the scratch names.
      local next_a next_b
      next_a="$scratch/$depth-next-a-$(basename "$member")"
      next_b="$scratch/$depth-next-b-$(basename "$member")"
      cp -- "$ua/$member" "$next_a"
      cp -- "$ub/$member" "$next_b"
      explain "$next_a" "$next_b" "$member" $((depth + 1))
      return 0
    fi
  done <<<"$members_a"
  # The same members with the same bytes: the archive's own records differ.
  local first
  first=$(diff <(listing "$fa") <(listing "$fb") | grep '^[<>]' | head -2 | paste -sd '|' | sed 's/|/ | /')
  echo "${indent}in $label: the members are alike; the archive's records differ: ${first:-(in bytes its listing does not show)}"
}

files_a=$(cd "$a" && find . -maxdepth 1 -type f | sed 's|^\./||' | sort)
files_b=$(cd "$b" && find . -maxdepth 1 -type f | sed 's|^\./||' | sort)
# Artifacts in name order, then SHA256SUMS.
order=$( (echo "$files_a"; echo "$files_b") | grep -v '^$' | sort -u | grep -vx SHA256SUMS
         (echo "$files_a"; echo "$files_b") | grep -x SHA256SUMS | head -1)

differing=()
first=""
while read -r name; do
  [ -n "$name" ] || continue
  if [ ! -f "$a/$name" ]; then
    differing+=("$name: only in $b")
  elif [ ! -f "$b/$name" ]; then
    differing+=("$name: only in $a")
  elif ! cmp -s -- "$a/$name" "$b/$name"; then
    differing+=("$name: differs at $(first_byte "$a/$name" "$b/$name")")
    if [ -z "$first" ]; then
      first=$name
      echo "compare-release: first difference: $name at $(first_byte "$a/$name" "$b/$name")"
      explain "$a/$name" "$b/$name" "$name" 1
    fi
  fi
done <<<"$order"

if [ "${#differing[@]}" -eq 0 ]; then
  echo "compare-release: alike: $(wc -l <<<"$files_a") files, byte for byte ($a, $b)"
  exit 0
fi
[ -n "$first" ] || echo "compare-release: first difference: ${differing[0]}"
echo "compare-release: ${#differing[@]} of $(wc -l <<<"$order") files differ:"
printf 'compare-release:   %s\n' "${differing[@]}"
exit 1
