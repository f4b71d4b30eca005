#!/usr/bin/env bash
# dreieck --picture and --frames, as files: the PNG of a known triangle holds each
# construction's colour where the geometry puts it (positions worked out by hand from
# the triangle A (100,400), B (500,420), C (260,80), not by the drawing code); --step
# shows the cycle up to that step; --scale multiplies the pixels; the SVG is
# well-formed, keeps its labels as text and renders (rsvg-convert) like the PNG; the PDF
# renders (pdftoppm); --frames writes 4 + n pictures; degenerate and far-off triangles
# draw quickly; bad input, and sizes the formats cannot hold, touch no file (exit 2); a
# write that fails, a picture there is no memory for and a signal while it is written
# (SIGKILL too, where the file system has O_TMPFILE; elsewhere SIGTERM, SIGINT, SIGHUP,
# ...) leave the existing file as it was and no temporary file (exit 1, or the
# signal); a replaced file keeps its mode and owner, a new one gets 0666 less the
# umask, a symbolic link is replaced; any name the file system takes works; the file is
# flushed before its rename, the folder after it; --frames leaves only this cycle's
# ticks, and the folder holds one whole cycle when a run is interrupted, fills the disk
# or runs beside others; output that cannot be written (a full disk, a closed standard
# output) is exit 1; names in messages are escaped.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_SANITIZE (1: the memory limit
# is not tried, the sanitizers need the address space), DREIECK_NOTMPFILE (the helper
# that takes O_TMPFILE away; built with cc when not given).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
linux_begin pictures xmllint rsvg-convert pdftoppm pdfinfo compare strace
unset DISPLAY  # pictures need no display
notmpfile=$(helper notmpfile) || exit 1

example=(--size 1024x768 --triangle 100,400,500,420,260,80)
# rmse A B: the root mean square difference of two pictures, a little blurred (a
# renderer smooths what the PNG draws pixel-sharp), 0 to 1.
rmse() {
  convert "$1" -blur 0x1.5 "$run/rmse-a.png" && convert "$2" -blur 0x1.5 "$run/rmse-b.png" &&
    compare -metric RMSE "$run/rmse-a.png" "$run/rmse-b.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/'
}
# picture NAME ARGS...: dreieck --picture RUN/NAME ARGS...; its exit code in $rc.
picture() {
  local name=$1
  shift
  timeout 60 "$bin" --picture "$run/$name" "$@" >"$run/$name.out" 2>"$run/$name.err"
  rc=$?
}
# near COLOUR FILE X Y: the colour is within one pixel of (X, Y).
near() { [ "$(count "$1" "$2" "3x3+$(($3 - 1))+$(($4 - 1))")" -gt 0 ]; }
# along COLOUR FILE X0 Y0 X1 Y1: how many of 20 points between the two ends have the
# colour within one pixel.
along() {
  local n=0 i x y
  for i in $(seq 1 20); do
    x=$(($3 + ($5 - $3) * i / 21)) y=$(($4 + ($6 - $4) * i / 21))
    near "$1" "$2" "$x" "$y" && n=$((n + 1))
  done
  echo "$n"
}
# around COLOUR FILE CX CY R: of 36 points on the circle (centre on the corner of the
# centre pixel, through the middles of the outermost pixels), how many have the colour
# within one pixel; points off the picture do not count.
around() {
  awk -v cx="$3" -v cy="$4" -v r="$5" 'BEGIN {
    for (i = 0; i < 36; i++) {
      a = i * 3.14159265 / 18; x = int(cx + (r - 0.5) * cos(a)); y = int(cy - (r - 0.5) * sin(a))
      if (x >= 1 && y >= 1 && x < 1023 && y < 767) print x, y } }' |
    while read -r x y; do near "$1" "$2" "$x" "$y" && echo hit || echo miss; done | sort | uniq -c |
    awk '{ n[$2] = $1 } END { printf "%d %d\n", n["hit"], n["hit"] + n["miss"] }'
}
# at_least DESCRIPTION HITS OF SHARE: HITS of OF reach SHARE (a fraction in percent).
at_least() {
  if [ "$2" -ge $(($3 * $4 / 100)) ] && [ "$3" -gt 0 ]; then pass "$1 ($2 of $3)"; else fail "$1: $2 of $3"; fi
}

log "the worked example as a PNG, after every construction"
picture all.png "${example[@]}"
expect_eq "exit code" 0 "$rc"
png=$run/all.png
expect_eq "size" "PNG 1024x768" "$(identify -format '%m %wx%h' "$png")"
# The sides, two pixels wide (points off the medians' and altitudes' ends).
at_least "red side AB" "$(along '#FF0000' "$png" 100 400 500 420)" 20 90
at_least "red side CA" "$(along '#FF0000' "$png" 260 80 100 400)" 20 90
# Medians, solid: A to the middle of BC (380,250), B to the middle of CA (180,240).
at_least "orange median from A" "$(along '#FF8000' "$png" 100 400 380 250)" 20 80
at_least "orange median from B" "$(along '#FF8000' "$png" 500 420 180 240)" 20 80
# The circumcircle, solid, around (306,302), radius 228 (to A); the incircle, solid,
# around (276,298), radius 110.
read -r hits of < <(around '#008000' "$png" 306 302 228)
at_least "green circumcircle" "$hits" "$of" 80
read -r hits of < <(around '#0000FF' "$png" 276 298 110)
at_least "blue incircle" "$hits" "$of" 80
# The nine-point circle, dash-dot-dot (on 15 of 24 steps), around (278,299), radius 114.
read -r hits of < <(around '#FFFF00' "$png" 278 299 114)
at_least "yellow nine-point circle" "$hits" "$of" 45
# Excircle 0 around (706,46), radius 383, dash-dot-dot: the part on the picture.
read -r hits of < <(around '#0080FF' "$png" 706 46 383)
at_least "azure excircle opposite A" "$hits" "$of" 45
# Altitudes, dash-dot (12 of 24): from A to its foot (358,219), from B to (172,256).
at_least "green altitude from A" "$(along '#00FF00' "$png" 100 400 358 219)" 20 40
at_least "green altitude from B" "$(along '#00FF00' "$png" 500 420 172 256)" 20 40
# The Euler line through the centroid (286,300) and circumcentre (306,302): y rises
# one pixel in ten across the picture, two pixels wide.
at_least "cyan Euler line" "$(along '#00FFFF' "$png" 600 331 1000 371)" 20 80
# Label cells, whose smoothed letters come near their colour: "Feuerbachkreis" from
# (398,305), "Schwerpunkt" from (292,306).
ink() { convert "$2" -crop "$3" +repage -fuzz 25% -fill white -opaque "$1" -fill black +opaque white \
  -format '%[fx:int(mean*w*h+0.5)]' info:; }
[ "$(ink '#FFFF00' "$png" 70x12+398+305)" -gt 10 ] && pass "the nine-point label" || fail "no nine-point label"
[ "$(ink '#FF8000' "$png" 60x12+292+306)" -gt 10 ] && pass "the centroid label" || fail "no centroid label"

log "steps"
# step | colours that must show | colours that must not
steps=(
  "0|#FF0000|#FF8000 #0000FF #FFFF00"
  "1|#FF0000 #FF8000|#0000FF #008000"
  "2|#FF8000 #0000FF|#008000 #00FF00"
  "4|#008000 #00FF00|#FFFF00 #00FFFF"
  "6|#FFFF00 #00FFFF|#0080FF"
  "9|#0080FF #00FFFF|"
  "10|#FFFF00|#FF0000 #0080FF #00FFFF"
)
for row in "${steps[@]}"; do
  IFS='|' read -r step shown hidden <<<"$row"
  picture "step-$step.png" "${example[@]}" --step "$step"
  colours=$(histogram "$run/step-$step.png")
  for c in $shown; do [ "$(pixels "$c" "$colours")" -gt 0 ] || fail "step $step: no $c"; done
  for c in $hidden; do expect_eq "step $step: no $c" 0 "$(pixels "$c" "$colours")"; done
done
pass "each step shows what the cycle drew up to it"
picture nomedians.png "${example[@]}" --step 1 --no-medians
colours=$(histogram "$run/nomedians.png")
[ "$(pixels '#0000FF' "$colours")" -gt 0 ] && [ "$(pixels '#FF8000' "$colours")" -eq 0 ] &&
  pass "without medians, step 1 is the incircle's tick" || fail "--no-medians --step 1"
picture white.png "${example[@]}" --background white
expect_eq "white background" "#FFFFFF" "$(dominant "$run/white.png" | cut -d' ' -f1)"
[ "$(count '#808000' "$run/white.png")" -gt 50 ] && pass "the nine-point circle is olive on white" ||
  fail "no olive nine-point circle on white"

log "scale"
picture scale2.png "${example[@]}" --scale 2
expect_eq "twice the pixels" "2048x1536" "$(identify -format '%wx%h' "$run/scale2.png")"
expect_eq "the same picture, twice as big, as near as pixels go" 1 \
  "$(convert "$run/scale2.png" -sample 50% "$run/scale2-half.png" &&
    "$DREIECK_PIXMATCH" "$png" "$run/scale2-half.png" --colour FF0000 --colour FF8000 --colour 008000 \
      --colour 0000FF --min 0.9 >"$run/scale.pixmatch" && echo 1)"
[ "$(count '#FF8000' "$run/scale2.png" 4x4+478+648)" -ge 4 ] || true

log "a given second gives the same picture as the same second on screen"
picture t1.png --size 640x480 --time "2021-03-04 05:06:07"
picture t2.png --size 640x480 --time "2021-03-04 05:06:07"
expect_eq "the same second, the same picture" 0 "$(compare -metric AE "$run/t1.png" "$run/t2.png" null: 2>&1)"
picture t3.png --size 640x480 --time "2021-03-04 05:06:08"
[ "$(compare -metric AE "$run/t1.png" "$run/t3.png" null: 2>&1)" != 0 ] && pass "the next second, another triangle" ||
  fail "the next second drew the same triangle"

log "SVG"
picture all.svg "${example[@]}"
expect_eq "SVG: exit code" 0 "$rc"
xmllint --noout "$run/all.svg" 2>"$run/xmllint.err" && pass "SVG: well-formed" || fail "SVG: $(head -1 "$run/xmllint.err")"
texts=$(xmllint --xpath '//*[local-name()="text"]/text()' "$run/all.svg" 2>/dev/null | sort | uniq -c |
  awk '{ n = $1; $1 = ""; sub(/^ /, ""); print n "|" $0 }')
# The Euler line's label (at -380,231) and the third excentre's (317,767) lie off the
# picture; the second excentre's starts off it and shows in part.
for label in "1|A" "1|B" "1|C" "1|Schwerpunkt" "1|Inkreismittelpunkt" "1|Umkreismittelpunkt" \
  "1|Höhenschnittpunkt" "1|Feuerbachkreis" "2|Ankreismittelpunkt"; do
  grep -qxF "$label" <<<"$texts" && pass "SVG: text '${label#*|}' (${label%%|*})" || fail "SVG: no text '$label'"
done
expect_eq "SVG: no glyph outlines left" 0 "$(grep -c 'id="glyph' "$run/all.svg")"
expect_eq "SVG: the second excentre's label starts where it is drawn" 1 \
  "$(grep -c 'matrix(1.05403 0 0 1 -66 122)[^>]*>Ankreismittelpunkt<' "$run/all.svg")"
# Each label in its construction's colour. label | fill
fills=("A|#FF0000" "Schwerpunkt|#FF8000" "Inkreismittelpunkt|#0000FF" "Umkreismittelpunkt|#008000"
  "Höhenschnittpunkt|#00FF00" "Feuerbachkreis|#FFFF00" "Ankreismittelpunkt|#0080FF")
for row in "${fills[@]}"; do
  expect_eq "SVG: '${row%|*}' filled" "${row#*|}" \
    "$(xmllint --xpath "string((//*[local-name()='text'][.='${row%|*}'])[1]/@fill)" "$run/all.svg")"
done
# At --scale 2 the same texts, each at twice the place and size.
picture all2.svg "${example[@]}" --scale 2
# texts FILE: "X Y SIZE TEXT" of each <text>, X, Y and SIZE divided by DIVISOR.
texts() { sed -n 's/.*<text[^>]* transform="matrix([^ ]* 0 0 1 \([^ ]*\) \([^)]*\))"[^>]* font-size="\([^"]*\)"[^>]*>\([^<]*\)<.*/\1 \2 \3 \4/p' "$1" |
  awk -v d="$2" '{ x = $1 / d; y = $2 / d; s = $3 / d; $1 = $2 = $3 = ""; printf "%g %g %g%s\n", x, y, s, $0 }'; }
expect_eq "SVG at scale 2: every label as text, twice as far and as big" "$(texts "$run/all.svg" 1)" \
  "$(texts "$run/all2.svg" 2)"
expect_eq "SVG at scale 2: 10 texts" 10 "$(texts "$run/all2.svg" 2 | wc -l)"
picture euler.svg --size 1024x768 --triangle 300,600,700,500,420,100
grep -q '>Eulersche Gerade</text>' "$run/euler.svg" && pass "SVG: text 'Eulersche Gerade'" ||
  fail "SVG: no Euler line label where it shows"
rsvg-convert -b black "$run/all.svg" -o "$run/svg.png" 2>"$run/rsvg.err" || fail "rsvg-convert: $(cat "$run/rsvg.err")"
expect_eq "SVG renders at its size" "1024x768" "$(identify -format '%wx%h' "$run/svg.png")"
# A renderer smooths what the PNG draws pixel-sharp: compare the two a little blurred.
difference=$(rmse "$png" "$run/svg.png")
log "SVG against PNG: RMSE $difference"
awk -v d="$difference" 'BEGIN { exit !(d < 0.04) }' && pass "SVG renders like the PNG (RMSE $difference)" ||
  fail "SVG and PNG differ: RMSE $difference"

log "PDF"
picture all.pdf "${example[@]}"
expect_eq "PDF: exit code" 0 "$rc"
pdftoppm -r 72 -png -singlefile "$run/all.pdf" "$run/pdf" 2>"$run/pdftoppm.err" || fail "pdftoppm: $(cat "$run/pdftoppm.err")"
expect_eq "PDF: one page of the picture's size" "1024x768" "$(identify -format '%wx%h' "$run/pdf.png")"
difference=$(rmse "$png" "$run/pdf.png")
awk -v d="$difference" 'BEGIN { exit !(d < 0.04) }' && pass "PDF renders like the PNG (RMSE $difference)" ||
  fail "PDF and PNG differ: RMSE $difference"
pdftotext "$run/all.pdf" - 2>/dev/null | grep -q "Feuerbachkreis" && pass "PDF: labels are text" ||
  fail "PDF: no label text"
expect_eq "PDF: its title" "Dreieck" "$(pdfinfo "$run/all.pdf" 2>/dev/null | sed -n 's/^Title: *//p')"
# The smallest page a PDF has.
picture small.pdf --size 3x3
expect_eq "PDF of 3x3: exit code" 0 "$rc"
expect_eq "PDF of 3x3: its page" "3 x 3 pts" "$(pdfinfo "$run/small.pdf" 2>/dev/null | sed -n 's/^Page size: *//p')"

log "frames"
# flags | pictures
frames=("|11" "--no-medians --no-excircles|9" "${triangle_only[*]}|4")
for row in "${frames[@]}"; do
  IFS='|' read -r flags n <<<"$row"
  dir=$run/frames-$n
  # shellcheck disable=SC2086  # the flags are words
  timeout 120 "$bin" --frames "$dir" --size 320x240 --time "2021-03-04 05:06:07" $flags >"$run/frames.out" 2>&1
  expect_eq "frames ($n): exit code" 0 "$?"
  expect_eq "frames ($n): files" "$n" "$(find "$dir" -name 'tick-*.png' | wc -l)"
  expect_eq "frames ($n): says so" "dreieck: wrote $n frames to '$dir'" "$(cat "$run/frames.out")"
  last=$(printf '%s/tick-%02d.png' "$dir" $((n - 1)))
  expect_eq "frames ($n): the last is the erase with the caption" "0" "$(count '#FF0000' "$last")"
done
expect_eq "frames: the quiet ticks change nothing" 0 \
  "$(compare -metric AE "$run/frames-11/tick-07.png" "$run/frames-11/tick-09.png" null: 2>&1)"
# A shorter cycle into the folder of a longer one: only its own ticks stay, and what
# is not a tick is left alone.
touch "$run/frames-11/tick-7.png" "$run/frames-11/tick-100.png" "$run/frames-11/notes.txt"
mkdir "$run/frames-11/tick-50.png"
"$bin" --frames "$run/frames-11" --size 320x240 --time "2021-03-04 05:06:07" "${triangle_only[@]}" >/dev/null 2>&1
expect_eq "frames over a longer cycle: exit code" 0 "$?"
expect_eq "frames over a longer cycle: this cycle's ticks, nothing else removed" \
  "notes.txt tick-00.png tick-01.png tick-02.png tick-03.png tick-100.png tick-50.png tick-7.png" \
  "$(ls "$run/frames-11" | tr '\n' ' ' | sed 's/ $//')"

log "frames: the folder holds one whole cycle"
# A cycle of 300x200, then runs that must leave it whole: one ended while it writes
# (by SIGTERM, and by SIGKILL), one that fills the disk half-way (a file size limit:
# the first ticks of 1024x768 fit, the fourth does not), each where the file system
# makes files without a name and where it does not (notmpfile).
when="2021-03-04 05:06:07"
set=$run/set
"$bin" --frames "$set" --size 300x200 --time "$when" >/dev/null 2>&1 || fail "frames: the first cycle"
sums() { (cd "$1" && find . -mindepth 1 -maxdepth 1 -print0 | sort -z | xargs -0 md5sum); }
before=$(sums "$set")
# files FOLDER [PID]: how many ticks the run has written (files without a name it holds,
# or temporary files beside the ticks).
written() {
  if [ -n "$(find "/proc/$2/fd" -lname "$1/#* (deleted)" 2>/dev/null)" ]; then
    find "/proc/$2/fd" -lname "$1/#* (deleted)" 2>/dev/null | wc -l
  else
    find "$1" -name '.dreieck-*' | wc -l
  fi
}
two_written() { [ "$(written "$set" "$dreieck_pid")" -ge 2 ]; }
# how | file system | exit code | line on stderr
interruptions=(
  "TERM|unnamed|143|"
  "KILL|unnamed|137|"
  "TERM|named|143|"
  "full|unnamed|1|dreieck: cannot write '$set/tick-03.png': File too large"
  "full|named|1|dreieck: cannot write '$set/tick-03.png': File too large"
)
for row in "${interruptions[@]}"; do
  IFS='|' read -r how kind code line <<<"$row"
  env=()
  [ "$kind" == named ] && env=(LD_PRELOAD="$notmpfile")
  name="frames $how, $kind"
  if [ "$how" == full ]; then
    (ulimit -f 12; exec env "${env[@]}" "$bin" --frames "$set" --size 1024x768 --time "$when") >/dev/null 2>"$run/set.err"
    expect_eq "$name: exit code" "$code" "$?"
    expect_eq "$name: one line" "$line" "$(cat "$run/set.err")"
  else
    start set "${env[@]}" -- --frames "$set" --size 6000x6000 --time "$when"
    wait_until 60 "$dreieck_pid" two_written || fail "$name: not two ticks written within 60 s"
    kill -"$how" "$dreieck_pid"
    ended "$dreieck_pid" 30 || fail "$name: still running"
    expect_eq "$name: exit code" "$code" "$ended_rc"
  fi
  expect_eq "$name: the earlier cycle, whole, and nothing else" "$before" "$(sums "$set")"
done
# Six runs into one folder at once, three of eleven ticks and three of four, each of
# its own size: each writes its cycle, and the folder holds one of them whole.
together=()
for i in 0 1 2 3 4 5; do
  flags=()
  [ $((i % 2)) -eq 1 ] && flags=("${triangle_only[@]}")
  "$bin" --frames "$set" --size "$((300 + 10 * i))x200" --time "$when" "${flags[@]}" >"$run/set-$i.out" 2>&1 &
  together+=($!)
  pids+=($!)
done
for pid in "${together[@]}"; do
  ended "$pid" 60 || fail "frames at once: run $pid still runs"
done
for i in 0 1 2 3 4 5; do
  expect_eq "frames at once: run $i says what it wrote" \
    "dreieck: wrote $([ $((i % 2)) -eq 1 ] && echo 4 || echo 11) frames to '$set'" "$(cat "$run/set-$i.out")"
done
sizes=$(identify -format '%wx%h\n' "$set"/tick-*.png | sort -u)
count=$(ls -A "$set" | wc -l)
[ "$(wc -l <<<"$sizes")" -eq 1 ] && { [ "$count" -eq 11 ] || [ "$count" -eq 4 ]; } &&
  [ "$([ "$count" -eq 4 ] && echo 1 || echo 0)" -eq $(((${sizes%%x*} - 300) / 10 % 2)) ] &&
  pass "frames at once: one run's whole cycle ($count ticks of $sizes)" ||
  fail "frames at once: $count files of the sizes $(tr '\n' ' ' <<<"$sizes")"

log "degenerate and far-off triangles"
for corners in 100,100,200,200,300,300 100,100,100,100,300,300 5,5,5,5,5,5 \
  -2000000000,5,2000000000,7,0,-2000000000 2147483647,-2147483648,-2147483648,2147483647,0,0; do
  start=$(date +%s%N)
  picture degenerate.png --size 800x600 --triangle "$corners"
  ms=$((($(date +%s%N) - start) / 1000000))
  expect_eq "triangle $corners: exit code" 0 "$rc"
  [ "$ms" -lt 5000 ] && pass "triangle $corners: drawn in $ms ms" || fail "triangle $corners: took $ms ms"
done

log "bad input touches no file"
mkdir -p "$run/target"
echo keep >"$run/target/existing.png"
# arguments | the line on stderr
bad=(
  "--size 0x10|dreieck: bad value for --size: '0x10' (WxH, 1 to 16384 pixels each)"
  "--size -4x10|dreieck: bad value for --size: '-4x10' (WxH, 1 to 16384 pixels each)"
  "--size 16385x10|dreieck: bad value for --size: '16385x10' (WxH, 1 to 16384 pixels each)"
  "--size 640|dreieck: bad value for --size: '640' (WxH, 1 to 16384 pixels each)"
  "--triangle 1,2,3,4,5|dreieck: bad value for --triangle: '1,2,3,4,5' (six integers AX,AY,BX,BY,CX,CY)"
  "--triangle 1,2,3,4,5,6.5|dreieck: bad value for --triangle: '1,2,3,4,5,6.5' (six integers AX,AY,BX,BY,CX,CY)"
  "--step 11|dreieck: bad value for --step: '11' (0 to 10)"
  "--step -1|dreieck: bad value for --step: '-1' (0 to 10)"
  "--size 8192x8 --scale 4|dreieck: --size 8192x8 --scale 4 is 32768x32 pixels: a PNG picture has at most 32767 pixels a side"
  "--time 2021-04-31T00:00:00Z|dreieck: bad value for --time: '2021-04-31T00:00:00Z' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"
  "--time 2021-12-31T23:60:00Z|dreieck: bad value for --time: '2021-12-31T23:60:00Z' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"
  "--interval 500|dreieck: --interval cannot be combined with --picture: pictures have no time between ticks"
)
for row in "${bad[@]}"; do
  IFS='|' read -r args line <<<"$row"
  # shellcheck disable=SC2086  # the arguments are words
  "$bin" --picture "$run/target/existing.png" $args >/dev/null 2>"$run/bad.err"
  expect_eq "$args: exit code" 2 "$?"
  expect_eq "$args: the problem" "$line" "$(head -1 "$run/bad.err")"
done
"$bin" --picture "$run/target/existing.gif" >/dev/null 2>"$run/bad.err"
expect_eq "unknown extension: exit code" 2 "$?"
expect_eq "unknown extension: the problem" \
  "dreieck: cannot tell the format of '$run/target/existing.gif': name it .png, .svg or .pdf" "$(head -1 "$run/bad.err")"
"$bin" --frames "$run/target/frames" --size 16384x8 --scale 2 >/dev/null 2>"$run/bad.err"
expect_eq "frames too wide: exit code" 2 "$?"
expect_eq "frames too wide: the problem" \
  "dreieck: --size 16384x8 --scale 2 is 32768x16 pixels: a PNG picture has at most 32767 pixels a side" \
  "$(head -1 "$run/bad.err")"
"$bin" --picture "$run/target/existing.pdf" --size 14401x10 >/dev/null 2>"$run/bad.err"
expect_eq "PDF page too wide: exit code" 2 "$?"
expect_eq "PDF page too wide: the problem" \
  "dreieck: --size 14401x10 is a page of 14401x10 points: a PDF page is 3 to 14400 points a side" \
  "$(head -1 "$run/bad.err")"
expect_eq "no file made or changed" "existing.png" "$(ls -A "$run/target")"
expect_eq "the existing file is as it was" keep "$(cat "$run/target/existing.png")"

log "a failing write leaves the existing file as it was"
# A folder the program may not write to: as an unprivileged user (root may write anywhere).
mkdir -p "$run/locked"
echo keep >"$run/locked/picture.png"
chmod 666 "$run/locked/picture.png"
chmod 555 "$run/locked"
chmod 755 "$run"
if command -v runuser >/dev/null && [ "$(id -u)" -eq 0 ]; then
  runuser -u nobody -- "$bin" --picture "$run/locked/picture.png" --size 64x48 >/dev/null 2>"$run/locked.err"
  expect_eq "unwritable folder: exit code" 1 "$?"
  expect_eq "unwritable folder: one line" \
    "dreieck: cannot write '$run/locked/picture.png': its folder takes no new file (Permission denied)" \
    "$(cat "$run/locked.err")"
  # A file its owner keeps from being written, in a folder open to all.
  mkdir -p "$run/open"
  chmod 777 "$run/open"
  echo keep >"$run/open/readonly.png"
  chown nobody "$run/open/readonly.png"
  chmod 444 "$run/open/readonly.png"
  runuser -u nobody -- "$bin" --picture "$run/open/readonly.png" --size 64x48 >/dev/null 2>"$run/readonly.err"
  expect_eq "read-only file: one line" "dreieck: cannot write '$run/open/readonly.png': Permission denied" \
    "$(cat "$run/readonly.err")"
  expect_eq "read-only file: it is as it was" keep "$(cat "$run/open/readonly.png")"
else
  chmod 555 "$run/locked"
  "$bin" --picture "$run/locked/picture.png" --size 64x48 >/dev/null 2>"$run/locked.err"
  expect_eq "unwritable folder: exit code" 1 "$?"
fi
expect_eq "unwritable folder: the file is as it was" keep "$(cat "$run/locked/picture.png")"
expect_eq "unwritable folder: nothing else there" "picture.png" "$(ls -A "$run/locked")"
# A disk that fills up: a file size limit makes the write fail half-way; the signal
# that would end the program there (SIGXFSZ) is ignored, so the write reports it, as a
# full disk does.
echo keep >"$run/full.png"
for kind in png svg pdf; do
  echo keep >"$run/full.$kind"
  (ulimit -f 4; exec "$bin" --picture "$run/full.$kind" "${example[@]}") >/dev/null 2>"$run/full.err"
  expect_eq "$kind, disk full: exit code" 1 "$?"
  expect_eq "$kind, disk full: one line" "dreieck: cannot write '$run/full.$kind': File too large" "$(cat "$run/full.err")"
  expect_eq "$kind, disk full: the file is as it was" keep "$(cat "$run/full.$kind")"
done
expect_eq "disk full: no temporary file left" "" "$(find "$run" -name '.dreieck-*')"
chmod 755 "$run/locked"
if [ "${DREIECK_SANITIZE:-0}" != 1 ]; then
  echo keep >"$run/memory.png"
  (ulimit -v 400000; exec "$bin" --picture "$run/memory.png" --size 16384x16384) >/dev/null 2>"$run/memory.err"
  expect_eq "no memory for the picture: exit code" 1 "$?"
  expect_eq "no memory for the picture: one line" "dreieck: cannot make '$run/memory.png': out of memory" \
    "$(cat "$run/memory.err")"
  expect_eq "no memory for the picture: the file is as it was" keep "$(cat "$run/memory.png")"
fi

log "a signal while a picture is written"
# file system | signal | exit code: the program ends by the signal, the file is as it
# was, and nothing is left beside it. Where the file system makes files without a name
# the picture is one until it is whole, and even SIGKILL leaves nothing; elsewhere
# (notmpfile) a temporary file beside it, which the signals that can be caught remove.
signals=("unnamed|TERM|143" "unnamed|KILL|137"
  "named|TERM|143" "named|INT|130" "named|HUP|129" "named|QUIT|131" "named|USR1|138")
beside() { [ "$(ls -A "$1" | wc -l)" -gt 1 ]; }  # beside FOLDER: a file beside the picture
# unnamed PID FOLDER: the process writes a file without a name in the folder.
unnamed() { [ -n "$(find "/proc/$1/fd" -lname "$2/#* (deleted)" 2>/dev/null)" ]; }
for row in "${signals[@]}"; do
  IFS='|' read -r kind signal code <<<"$row"
  dir=$run/signal-$kind-$signal
  mkdir -p "$dir"
  echo keep >"$dir/picture.png"
  env=()
  [ "$kind" == named ] && env=(LD_PRELOAD="$notmpfile")
  start "signal-$kind-$signal" "${env[@]}" -- --picture "$dir/picture.png" --size 9000x9000 \
    --triangle 1,1,8000,900,4000,8000
  if [ "$kind" == named ]; then
    wait_until 60 "$dreieck_pid" beside "$dir" || fail "$kind SIG$signal: no temporary file to remove"
  else
    wait_until 60 "$dreieck_pid" unnamed "$dreieck_pid" "$dir" || fail "$kind SIG$signal: no file being written"
  fi
  kill -"$signal" "$dreieck_pid"
  ended "$dreieck_pid" 30 || fail "$kind SIG$signal: still running"
  expect_eq "$kind SIG$signal: ends by the signal" "$code" "$ended_rc"
  expect_eq "$kind SIG$signal: the file is as it was" keep "$(cat "$dir/picture.png")"
  expect_eq "$kind SIG$signal: nothing beside it" "picture.png" "$(ls -A "$dir")"
done

log "names, modes and owners"
long=$(printf 'x%.0s' $(seq 1 251)).png  # 255 bytes, the most a name holds here
"$bin" --picture "$run/$long" --size 64x48 2>"$run/long.err"
expect_eq "a name of 255 bytes: exit code" 0 "$?"
expect_eq "a name of 255 bytes: the picture" "PNG 64x48" "$(identify -format '%m %wx%h' "$run/$long")"
# umask | the new file's mode, on either kind of file system
for row in "027|640" "002|664" "077|600"; do
  IFS='|' read -r mask mode <<<"$row"
  for kind in unnamed named; do
    rm -f "$run/new.png"
    env=()
    [ "$kind" == named ] && env=(LD_PRELOAD="$notmpfile")
    (umask "$mask"; exec env "${env[@]}" "$bin" --picture "$run/new.png" --size 64x48)
    expect_eq "a new file, $kind, umask $mask: 0666 less the umask" "$mode" "$(stat -c %a "$run/new.png")"
  done
done
echo keep >"$run/private.png"
chmod 600 "$run/private.png"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$run/private.png"
picture private.png --size 64x48
expect_eq "a replaced file keeps its mode" 600 "$(stat -c %a "$run/private.png")"
[ "$(id -u)" -eq 0 ] && expect_eq "a replaced file keeps its owner" nobody:nogroup "$(stat -c %U:%G "$run/private.png")"
echo keep >"$run/target.png"
ln -s target.png "$run/link.png"
picture link.png --size 64x48
expect_eq "a symbolic link is replaced by the picture" "regular file" "$(stat -c %F "$run/link.png")"
expect_eq "the file it pointed to is as it was" keep "$(cat "$run/target.png")"
# The file reaches the disk before it takes the name, and the name after the rename.
strace -f -e trace=fsync,rename,renameat,renameat2 -o "$run/strace.txt" "$bin" --picture "$run/synced.png" --size 64x48
expect_eq "flushed, renamed, the folder flushed" "fsync rename fsync" \
  "$(grep -oE '(fsync|rename[at2]*)\(' "$run/strace.txt" | sed -E 's/rename[at2]*/rename/' | tr -d '(' | tr '\n' ' ' |
    sed 's/ $//')"
# What is of that name and no regular file is left alone: a FIFO, a folder.
mkfifo "$run/fifo.png"
mkdir "$run/folder.png"
for kind in fifo folder; do
  "$bin" --picture "$run/$kind.png" --size 64x48 2>"$run/$kind.err"
  expect_eq "onto a $kind: exit code" 1 "$?"
  expect_eq "onto a $kind: it is as it was" "$([ $kind = fifo ] && echo fifo || echo directory)" \
    "$(stat -c %F "$run/$kind.png")"
done
expect_eq "onto a FIFO: one line" "dreieck: cannot write '$run/fifo.png': not a regular file" "$(cat "$run/fifo.err")"
# With the standard error closed, what a library says there goes nowhere, least of
# all into the picture.
FONTCONFIG_FILE=/nonexistent "$bin" --picture "$run/closed.pdf" --size 64x48 2>&-
expect_eq "standard error closed: the PDF begins as a PDF" "%PDF-" "$(head -c 5 "$run/closed.pdf")"

log "output"
for args in --help --version "--frames $run/out-frames --size 32x24"; do
  # shellcheck disable=SC2086  # the arguments are words
  "$bin" $args >/dev/full 2>"$run/full.err"
  expect_eq "$args to a full disk: exit code" 1 "$?"
  expect_eq "$args to a full disk: one line" "dreieck: cannot write the output: No space left on device" \
    "$(cat "$run/full.err")"
  # shellcheck disable=SC2086  # the arguments are words
  "$bin" $args >&- 2>"$run/closed.err"
  expect_eq "$args with standard output closed: exit code" 1 "$?"
  expect_eq "$args with standard output closed: one line" \
    "dreieck: cannot write the output: standard output is closed" "$(cat "$run/closed.err")"
done
"$bin" --picture "$run/none/a"$'\n'"b"$'\e'"[2J.png" --size 64x48 2>"$run/escaped.err"
expect_eq "a file name in a message: escaped" \
  "dreieck: cannot write '$run/none/a\x0ab\x1b[2J.png': its folder cannot be opened (No such file or directory)" "$(cat "$run/escaped.err")"

checks_end
