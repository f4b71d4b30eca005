#!/usr/bin/env bash
# frontends/linux/dreieck.xml against the program: the file is well-formed and follows
# the rules xscreensaver-settings applies (root <screensaver>, ids and labels, one menu
# entry without arg-set, switches that begin with a dash and occur once), it offers
# exactly the settings of the program's option table (dreieck_manual --table: each
# construction's no- form, the shades with the default as the entry without a switch,
# the interval's range and default), and every switch it can put on a command line is
# one the program accepts with --root, as XScreenSaver runs it (without a display it
# then ends for want of one): each alone, all at once, and the slider's ends, while the
# values just outside the slider's range are refused with exit code 2; and the
# switches of what it shows draw a picture. The man page made from the same table has
# an entry for every option.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_MANUAL (default
# build/host/dreieck_manual), DREIECK_MANPAGE (default build/host/dreieck.6).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"
bin=${DREIECK_BIN:-$top/build/host/dreieck}
xml=$top/frontends/linux/dreieck.xml
manual=${DREIECK_MANUAL:-$top/build/host/dreieck_manual}
manpage=${DREIECK_MANPAGE:-$top/build/host/dreieck.6}
[ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
[ -x "$manual" ] || { echo "FAIL: no dreieck_manual at $manual (set DREIECK_MANUAL)"; exit 1; }
need_tools xmllint identify man
new_run xmloptions

if xmllint --noout "$xml" 2>"$run/xmllint.err"; then
  pass "dreieck.xml is well-formed"
else
  cat "$run/xmllint.err"
  fail "dreieck.xml is not well-formed"
  exit 1
fi

# xpath EXPRESSION: the string value of the expression.
xpath() { xmllint --xpath "$1" "$xml" 2>/dev/null; }
# values EXPRESSION: the values of a set of attributes, one a line.
values() { xpath "$1" | sed -n 's/^ *[-a-z_]*="\(.*\)"$/\1/p'; }

# The option table: NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES, one option a line.
table=$("$manual" --table)
# row NAME FIELD: one field (1-7) of an option's row.
row() { awk -F'|' -v n="$1" -v f="$2" '$1 == n { print $f }' <<<"$table"; }
read -r -a shades <<<"$(row background 7)"
default_shade=$(row background 6)
# What xscreensaver-settings needs and what the program offers, pinned.
# description | XPath | expected
structure=(
  "root element|name(/*)|screensaver"
  "mode name|string(/screensaver/@name)|dreieck"
  "mode label|string(/screensaver/@_label)|Dreieck"
  "command|string(/screensaver/command/@arg)|--root"
  "checkboxes|count(//boolean)|$(awk -F'|' '$3 == "show"' <<<"$table" | wc -l)"
  "checkboxes with id and label|count(//boolean[@id and @_label])|$(awk -F'|' '$3 == "show"' <<<"$table" | wc -l)"
  "checkboxes that set a switch|count(//boolean[@arg-set])|0"
  "menus|count(//select)|1"
  "background entries|count(//select[@id='background']/option[@_label])|${#shades[@]}"
  "entries without a switch (the default)|count(//select/option[not(@arg-set)])|1"
  "the default entry|string(//select/option[not(@arg-set)]/@id)|$default_shade"
  "sliders|count(//number)|1"
  "slider type|string(//number/@type)|slider"
  "slider switch|string(//number/@arg)|--interval %"
  "slider low|string(//number/@low)|$(row interval 4)"
  "slider high|string(//number/@high)|$(row interval 5)"
  "slider default|string(//number/@default)|$(row interval 6)"
  "slider id and labels|count(//number[@id and @_label and @_low-label and @_high-label])|1"
  "descriptions|count(//_description[normalize-space(.) != ''])|1"
)
for row in "${structure[@]}"; do
  IFS='|' read -r description expression expected <<<"$row"
  expect_eq "$description" "$expected" "$(xpath "$expression")"
done
expect_eq "the switches that turn a construction off, in the cycle's order" \
  "$(awk -F'|' '$3 == "show" { print "--no-" $1 }' <<<"$table" | tr '\n' ' ')" \
  "$(values '//boolean/@arg-unset' | tr '\n' ' ')"
expect_eq "the background entries" \
  "$(printf -- '--background %s\n' "${shades[@]}" | grep -vx -- "--background $default_shade" | sort | tr '\n' '|')" \
  "$(values '//select/option/@arg-set' | sort | tr '\n' '|')"
expect_eq "the command's switch is an option that takes no value" "mode" \
  "$(row "$(xpath 'string(/screensaver/command/@arg)' | sed 's/^--//')" 3)"

# The man page: an entry for each option of the table, with its value.
man -l "$manpage" 2>"$run/man.err" | sed 's/\x1b\[[0-9;]*m//g; s/.\x08//g' >"$run/man.txt"
expect_eq "the man page renders without warnings" "" "$(cat "$run/man.err")"
while IFS='|' read -r name value _; do
  grep -qE -- "^ {7}--$name${value:+ $value}( |\$)" "$run/man.txt" || fail "the man page has no entry for --$name $value"
done <<<"$table"

# The template's table of the constructions follows the option table: a template whose
# rows are in another order, or lack one, makes no man page.
template=$top/frontends/linux/dreieck.6.in
# table rows | the line dreieck_manual refuses it with
templates=(
  "swapped|row 2 of the constructions' table is 'circumcircle', not the construction --incircle"
  "short|row 7 of the constructions' table is '(no row)', not the construction --excircles"
  "longer|row 8 of the constructions' table is 'the triangle', not one more construction"
)
for case in "${templates[@]}"; do
  IFS='|' read -r how expected <<<"$case"
  case $how in
    swapped) awk '/^incircle\t/ { held = $0; next } /^circumcircle\t/ { print; print held; next } { print }' "$template" ;;
    short) grep -v '^three excircles' "$template" ;;
    longer) sed 's/^\.TE$/the triangle\tred\tA\n.TE/' "$template" ;;
  esac >"$run/$how.6.in"
  "$manual" "$run/$how.6.in" "$run/$how.6" 0 2>"$run/$how.err"
  expect_eq "a man template with its constructions $how: exit code" 1 "$?"
  expect_eq "a man template with its constructions $how: the line" \
    "dreieck_manual: $run/$how.6.in: $expected" "$(cat "$run/$how.err")"
done

# Every switch a command line from the settings can hold, as the settings tool writes it.
switches=()
while IFS= read -r line; do switches+=("$line"); done < <(values '//@arg | //@arg-set | //@arg-unset')
duplicates=$(printf '%s\n' "${switches[@]}" | sort | uniq -d)
expect_eq "no switch twice" "" "$duplicates"
for switch in "${switches[@]}"; do
  [ "${switch:0:1}" == - ] || fail "switch does not begin with a dash: $switch"
done

# picture NAME ARGUMENTS...: dreieck writes a 64x48 PNG with them; no display needed.
# Its exit code in $rc; true when it wrote the picture. --interval, which pictures
# refuse, is left out.
picture() {
  local name=$1 words=()
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" == "${slider%% *}" ]; then shift 2; else words+=("$1"); shift; fi
  done
  rm -f "$run/$name.png"
  (unset DISPLAY XSCREENSAVER_WINDOW; exec timeout 30 "$bin" --picture "$run/$name.png" --size 64x48 "${words[@]}") \
    >"$run/$name.out" 2>"$run/$name.err"
  rc=$?
  [ -f "$run/$name.png" ] && [ "$(identify -format '%m %wx%h' "$run/$name.png" 2>/dev/null)" == "PNG 64x48" ]
}
# saver NAME ARGUMENTS...: dreieck --root with them, without a display: its exit code in
# $rc; true when it took them and ended for want of a display.
saver() {
  local name=$1
  shift
  (unset DISPLAY XSCREENSAVER_WINDOW; exec timeout 30 "$bin" --root "$@") >"$run/$name.out" 2>"$run/$name.err"
  rc=$?
  [ "$rc" -eq 1 ] && [ "$(cat "$run/$name.err")" == "dreieck: cannot open the display ''" ]
}

low=$(xpath 'string(//number/@low)')
high=$(xpath 'string(//number/@high)')
default=$(xpath 'string(//number/@default)')
slider=$(xpath 'string(//number/@arg)')
n=0
for switch in "${switches[@]}"; do
  [ "$switch" == "$(xpath 'string(/screensaver/command/@arg)')" ] && continue  # where to draw, not what
  switch=${switch//%/$default}
  # shellcheck disable=SC2206  # a switch with its value is two words, as the settings tool splits it
  words=($switch)
  n=$((n + 1))
  saver "switch-$n" "${words[@]}" && pass "$switch: taken with --root" ||
    fail "$switch: with --root, exit code $rc: $(head -1 "$run/switch-$n.err")"
  if picture "switch-$n" "${words[@]}"; then
    expect_eq "$switch: exit code" 0 "$rc"
  else
    fail "$switch: no 64x48 PNG (exit code $rc: $(head -1 "$run/switch-$n.err"))"
  fi
done
expect_eq "switches tried" 12 "$n"
# The longest line the settings write: every construction off, the last background
# entry and the slider at its low end.
read -r -a all <<<"$(values '//boolean/@arg-unset' | tr '\n' ' ') $(values '//select/option/@arg-set' | tail -1) ${slider//%/$low}"
saver all "${all[@]}" && pass "every switch at once: taken with --root" ||
  fail "every switch at once (${all[*]}): with --root, exit code $rc: $(head -1 "$run/all.err")"
if picture all "${all[@]}"; then
  expect_eq "every switch at once: exit code" 0 "$rc"
else
  fail "every switch at once (${all[*]}): no 64x48 PNG (exit code $rc: $(head -1 "$run/all.err"))"
fi

# The slider's range is the program's: its ends are taken, one beyond them is refused.
# value | exit code (1: taken, and no display)
range=("$low|1" "$high|1" "$default|1" "$((low - 1))|2" "$((high + 1))|2")
for row in "${range[@]}"; do
  IFS='|' read -r value code <<<"$row"
  # shellcheck disable=SC2206
  words=(${slider//%/$value})
  if saver "interval-$value" "${words[@]}"; then taken=yes; else taken=no; fi
  expect_eq "${words[*]}: exit code" "$code" "$rc"
  if [ "$code" -eq 1 ]; then
    expect_eq "${words[*]}: taken" yes "$taken"
  else
    expect_eq "${words[*]}: stdout" "" "$(cat "$run/interval-$value.out")"
    if grep -q -- "--interval" <(head -1 "$run/interval-$value.err"); then
      pass "${words[*]}: the first line on stderr names --interval"
    else
      fail "${words[*]}: the first line on stderr does not name --interval: $(head -1 "$run/interval-$value.err")"
    fi
  fi
done

checks_end
