# shellcheck shell=bash
# dreieck's options as the page's address query, for tools/run-web.sh. Sourced by the
# tools and the tests.

# options_query OPTION...: prints the query (without "?"): "--background white
# --no-excircles" becomes background=white&no-excircles. An option takes one or two
# dashes; its value follows after "=" or as the next word, unless that word is an
# option itself: a word that begins with a dash and a digit is a value (a negative
# number, --triangle -100,400,...), as dreieck reads it. A word that is no option
# stands alone, for the page to refuse. Names and values are percent-encoded but for
# "," and ":".
options_query() {
  local query="" arg name value has_value pair
  while [ $# -gt 0 ]; do
    arg=$1
    shift
    if [[ "$arg" == -* ]] && ! [[ "$arg" =~ ^-[0-9] ]]; then
      name=${arg#-}
      name=${name#-}
      value=""
      has_value=no
      if [[ "$name" == *=* ]]; then
        value=${name#*=}
        name=${name%%=*}
        has_value=yes
      elif [ $# -gt 0 ] && { [[ "$1" != -* ]] || [[ "$1" =~ ^-[0-9] ]]; }; then
        value=$1
        has_value=yes
        shift
      fi
      pair=$(query_encode "$name")
      [ "$has_value" == yes ] && pair+="=$(query_encode "$value")"
    else
      pair=$(query_encode "$arg")
    fi
    query+="${query:+&}$pair"
  done
  echo "$query"
}

# query_encode TEXT: percent-encoded for a query, but for "," and ":".
query_encode() {
  /usr/bin/python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=",:"))' "$1"
}
