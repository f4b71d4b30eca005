# shellcheck shell=bash
# Reading pixels from pictures and screenshots (ImageMagick). Colours are "#RRGGBB".
# Sourced by the tools and the tests.

# histogram FILE [GEOMETRY]: "N #RRGGBB" for every colour in the picture (or part).
histogram() {
  local crop=()
  [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -format %c histogram:info:- 2>/dev/null |
    awk '{ n = $1; sub(/:/, "", n); for (i = 2; i <= NF; i++) if ($i ~ /^#/) { print n, toupper(substr($i, 1, 7)); break } }'
}
# pixels COLOUR HISTOGRAM: how many pixels of that colour the histogram holds.
pixels() { awk -v c="$1" '$2 == c { n += $1 } END { print n + 0 }' <<<"$2"; }
# count COLOUR FILE [GEOMETRY]: pixels of exactly that colour.
count() { pixels "$1" "$(histogram "$2" "${3:-}")"; }
# dominant FILE: the colour most pixels have, and how many: "#RRGGBB N".
dominant() { histogram "$1" | sort -rn | awk 'NR == 1 { print $2, $1 }'; }
# bbox COLOUR FILE: "WxH+X+Y" around every pixel of that colour.
bbox() {
  convert "$2" -fill black +opaque "$1" -fill white -opaque "$1" -format '%@' info: 2>/dev/null
}
# pixel FILE X Y: "#RRGGBB".
pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | awk 'NR == 2 { print $3 }'
}
