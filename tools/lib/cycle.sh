# shellcheck shell=bash
# The ticks of one cycle of dreieck. Sourced by the tools and the tests.

# cycle_ticks BIN OPTION...: what each tick of one cycle of BIN shows with these
# options, one a line: the triangle, each construction that is on (in the order of
# BIN --help, whose lines name them; the last of --NAME and --no-NAME counts), two
# quiet ticks, and the erase with the caption.
cycle_ticks() {
  local bin=$1 name what on arg
  shift
  echo "the triangle"
  while IFS='|' read -r name what; do
    on=yes
    for arg in "$@"; do
      [[ "$arg" =~ ^--?$name$ ]] && on=yes
      [[ "$arg" =~ ^--?no-$name$ ]] && on=no
    done
    [ "$on" == yes ] && echo "$what"
  done < <("$bin" --help | awk '
    /^  --\[no-\]/ { name = $1; sub(/^--\[no-\]/, "", name); what = $0; sub(/^ *[^ ]+ */, "", what) }
    /^  --\[no-\]/ && what == "" { next }  # a long name: what it is follows on the next line
    name != "" { if (what == "") { what = $0; sub(/^ */, "", what) }
                 sub(/ \(on\)$/, "", what); print name "|" what; name = "" }')
  printf '%s\n' quiet quiet "the erase with the caption"
}
