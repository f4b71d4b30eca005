#!/usr/bin/env bash
# The release notes, NEWS.md: one section per version, newest first, headed
# "## VERSION (YYYY-MM-DD)" with the day of its release.
#
#   tools/news.sh entry NEWS.md VERSION
#       prints the section of VERSION (without its heading); exit code 4 and one line
#       when there is none, its heading names no day, or it says nothing (an HTML
#       comment says nothing)
#   tools/news.sh debian-changelog NEWS.md VERSION MAINTAINER OUT
#       writes OUT (gzip -9n when it ends in .gz; whole or not at all): every dated
#       section that says something as an entry of a Debian changelog, newest first,
#       for the package
#       "dreieck". When VERSION has no dated section the first entry is VERSION
#       UNRELEASED, saying so, so that a build between releases still gets a changelog.
#
# Both refuse a NEWS.md with a heading whose day does not exist ("## 1.2 (2027-02-30)")
# or a heading line inside a fenced code block (which Markdown shows as code, not as a
# heading), with one line naming it and exit code 4.
#
# Exit codes: 0 done, 2 wrong usage, 4 no entry for VERSION (entry only) or a NEWS.md
# refused, 1 anything else (an unreadable NEWS.md, OUT not writable).
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: tools/news.sh entry NEWS.md VERSION | debian-changelog NEWS.md VERSION MAINTAINER OUT" >&2
  exit 2
}
[ $# -ge 3 ] || usage
command=$1 news=$2 version=$3
[ -r "$news" ] || { echo "news: cannot read $news" >&2; exit 1; }
if ! [[ $version =~ ^[0-9]+(\.[0-9]+)*$ ]]; then
  echo "news: '$version' is no version (digits and dots)" >&2
  exit 2
fi

# refused: what makes NEWS.md unfit, one line ("line N: ..."), or nothing: a heading
# line in a fenced code block (``` or ~~~), a heading's day that is no day of the
# calendar.
refused() {
  awk '
    function days(y, m) {
      if (m == 2) return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0 ? 29 : 28
      return m == 4 || m == 6 || m == 9 || m == 11 ? 30 : 31
    }
    fence == "" && /^ ? ? ?(```|~~~)/ { match($0, /(```|~~~)/); fence = substr($0, RSTART, 3); opened = NR; next }
    fence != "" && /^ ? ? ?(```|~~~)/ { match($0, /(```|~~~)/); if (substr($0, RSTART, 3) == fence) fence = ""; next }
    fence != "" && /^## / {
      printf "line %d: the heading \"%s\" is inside the fenced code block of line %d\n", NR, $0, opened; exit
    }
    /^## / && match($0, /^## [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)[[:space:]]*$/) {
      y = substr($3, 2, 4) + 0; m = substr($3, 7, 2) + 0; d = substr($3, 10, 2) + 0
      if (m < 1 || m > 12 || d < 1 || d > days(y, m)) {
        printf "line %d: the heading \"%s\" names a day that does not exist\n", NR, $0; exit
      }
    }' "$news"
}
problem=$(refused)
if [ -n "$problem" ]; then
  echo "news: $news $problem" >&2
  exit 4
fi

# sections: one line per "## " heading: "VERSION<TAB>DAY" (DAY empty when the heading
# names none in the form "(YYYY-MM-DD)").
sections() {
  awk '/^## / {
         v = $2; day = ""
         if (match($0, /^## [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)[[:space:]]*$/))
           day = substr($3, 2, 10)
         print v "\t" day
       }' "$news"
}

# body VERSION: the lines of its section, without the heading, the HTML comments
# (<!-- ... -->, over lines too; not in code blocks) and the blank lines around them.
body() {
  awk -v want="$1" '
    /^## / { inside = ($2 == want); next }
    /^ ? ? ?(```|~~~)/ { code = !code }
    !code {
      rest = $0; $0 = ""
      while (rest != "") {
        if (comment) {
          at = index(rest, "-->"); if (at == 0) rest = ""; else { rest = substr(rest, at + 3); comment = 0 }
        } else {
          at = index(rest, "<!--"); if (at == 0) { $0 = $0 rest; rest = "" }
          else { $0 = $0 substr(rest, 1, at - 1); rest = substr(rest, at + 4); comment = 1 }
        }
      }
    }
    inside { lines[++n] = $0 }
    END {
      first = 1; while (first <= n && lines[first] ~ /^[[:space:]]*$/) first++
      last = n; while (last >= first && lines[last] ~ /^[[:space:]]*$/) last--
      for (i = first; i <= last; i++) print lines[i]
    }' "$news"
}

day_of() {  # VERSION -> YYYY-MM-DD, or nothing
  sections | awk -F '\t' -v want="$1" '$1 == want { print $2; exit }'
}

case $command in
  entry)
    [ $# -eq 3 ] || usage
    if ! sections | cut -f1 | grep -qxF "$version"; then
      echo "news: $news has no entry for version $version: add a section '## $version (YYYY-MM-DD)' saying what it brings" >&2
      exit 4
    fi
    if [ -z "$(day_of "$version")" ]; then
      echo "news: the heading of $version in $news names no day: write it as '## $version (YYYY-MM-DD)'" >&2
      exit 4
    fi
    if [ -z "$(body "$version" | tr -d '[:space:]')" ]; then
      echo "news: the entry for $version in $news says nothing" >&2
      exit 4
    fi
    body "$version"
    ;;
  debian-changelog)
    [ $# -eq 5 ] || usage
    maintainer=$4 out=$5
    # entry VERSION DISTRIBUTION DAY: one entry; Markdown paragraphs and "- " items
    # become "* " items, "### Heading" becomes "[ Heading ]", continuation lines are
    # indented under their item.
    entry() {
      echo "dreieck ($1) $2; urgency=medium"
      echo
      awk '
        /^[[:space:]]*$/ { if (!blank && started) print ""; blank = 1; item = 0; next }
        /^### / { sub(/^### /, ""); print "  [ " $0 " ]"; blank = 0; item = 0; started = 1; next }
        /^- / { sub(/^- /, ""); print "  * " $0; item = 1; blank = 0; started = 1; next }
        {
          sub(/^[[:space:]]+/, "")
          if (item) print "    " $0
          else { print "  * " $0; item = 1 }
          blank = 0; started = 1
        }'
      echo
      echo " -- $maintainer  $(date -u -R -d "$3 00:00:00 UTC")"
    }
    tmp=$(mktemp "$out.XXXXXX")
    trap 'rm -f "$tmp" "$tmp.text"' EXIT
    {
      newest=$(sections | awk -F '\t' '$2 != "" { print $2; exit }')
      if [ -z "$(day_of "$version")" ]; then
        echo "Not released: $(basename "$news") has no dated entry for $version yet." |
          entry "$version" UNRELEASED "${newest:-1970-01-01}"
        echo
      fi
      first=1
      while IFS=$'\t' read -r v day; do
        [ -n "$day" ] || continue
        [ -n "$(body "$v" | tr -d '[:space:]')" ] || continue
        [ "$first" -eq 1 ] || echo
        first=0
        body "$v" | entry "$v" stable "$day"
      done < <(sections)
    } >"$tmp.text"
    if [[ $out == *.gz ]]; then
      gzip -9 -n -c "$tmp.text" >"$tmp"
      rm -f "$tmp.text"
    else
      mv "$tmp.text" "$tmp"
    fi
    chmod 644 "$tmp"
    mv "$tmp" "$out"
    trap - EXIT
    ;;
  *) usage ;;
esac
