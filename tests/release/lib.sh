# shellcheck shell=bash
# What the release's tests share (after tests/lib/checks.sh): the commands
# docs/release.md gives to verify a release, run as a user runs them.

# verification_commands DOC: the commands of DOC's "Verifying a release", one a line,
# without their comments: the lines of its sh block, then the comparison its text names
# (`cd .. && tools/compare-release.sh ...`).
verification_commands() {
  awk '/^## / { inside = ($0 == "## Verifying a release") }
    inside && /^```sh$/ { block = 1; next }
    inside && /^```$/ { block = 0; next }
    inside && block { sub(/[[:space:]]+#.*$/, ""); print }' "$1"
  awk '/^## / { inside = ($0 == "## Verifying a release") }
    inside && match($0, /`cd \.\. && tools\/compare-release\.sh [^`]*`/) { print substr($0, RSTART + 1, RLENGTH - 2) }' "$1"
}

# verify_release DOC PUBLISHED URL COMMIT [REBUILT]: DOC's verification commands run in
# a folder of their own, $run/verify, one after the other in one shell (a cd holds for
# the next), each checked to succeed, with the words that stand for the release's
# replaced: VERSION by its version (the source archive's name in PUBLISHED), COMMIT by
# what the command before it printed (which must be COMMIT), the repository's address
# by URL, /path/to/the/published/SHA256SUMS and PUBLISHED-FOLDER by PUBLISHED's. Every
# line of `sha256sum -c` must say OK. ./tools/install-deps.sh, which installs packages
# into the machine, is not run (the tests need them installed already). With REBUILT
# (a clone of the commit whose dist/ tools/release.sh has made already) the clone and
# the rebuild are that one's: `git clone` becomes `cd REBUILT`, ./tools/release.sh is
# not run again.
# shellcheck disable=SC2154  # $run: the test's run folder (tests/lib/checks.sh)
verify_release() {
  local doc=$1 published=$2 url=$3 commit=$4 rebuilt=${5:-} version archive line printed="" n=0 rc
  archive=$(cd "$published" && echo dreieck-*.tar.gz)
  version=${archive#dreieck-}
  version=${version%.tar.gz}
  rm -rf "$run/verify" && mkdir -p "$run/verify"
  local commands sums="" file
  commands=$(verification_commands "$doc")
  for file in "$published"/*; do [ "${file##*/}" == SHA256SUMS ] || sums+="${file##*/}: OK"$'\n'; done
  expect_eq "docs: the verification's commands" 7 "$(wc -l <<<"$commands")"
  (
    # A shell's defaults, as a user has them (zcat | git get-tar-commit-id: git reads the
    # header and zcat gets SIGPIPE, which a pipeline's status does not show there).
    set +o pipefail +u
    # The downloads.
    cd "$run/verify" && cp "$published"/* . || exit 1
    while IFS= read -r line; do
      n=$((n + 1))
      line=${line//VERSION/$version}
      line=${line//COMMIT/$printed}
      line=${line//https:\/\/...\/dreieck.git/$url}
      line=${line//\/path\/to\/the\/published\/SHA256SUMS/$published/SHA256SUMS}
      line=${line//PUBLISHED-FOLDER/$published}
      if [[ $line == ./tools/install-deps.sh* ]]; then
        echo "ok: docs, command $n: $line: not run (it installs packages)"
        continue
      fi
      if [ -n "$rebuilt" ] && [[ $line == ./tools/release.sh* ]]; then
        echo "ok: docs, command $n: $line: not run ($rebuilt/dist is its release)"
        continue
      fi
      [ -n "$rebuilt" ] && [[ $line == "git clone "* ]] && line="cd $rebuilt && git checkout -q $printed"
      eval "$line" >"$run/verify-$n.out" 2>&1 </dev/null
      rc=$?
      if [ "$rc" -eq 0 ]; then echo "ok: docs, command $n: $line"; else
        echo "FAIL: docs, command $n: $line: exit code $rc: $(tail -3 "$run/verify-$n.out")"
      fi
      case $line in
        *get-tar-commit-id*)
          printed=$(cat "$run/verify-$n.out")
          expect_eq "docs, command $n: the commit" "$commit" "$printed"
          ;;
        *"sha256sum -c"*)
          expect_eq "docs, command $n: every line OK" "$(printf '%s' "$sums" | sort)" "$(sort "$run/verify-$n.out")"
          ;;
        *"git checkout"*)
          expect_eq "docs, command $n: the commit checked out" "$commit" "$(git rev-parse HEAD)"
          ;;
        *compare-release.sh*)
          expect_eq "docs, command $n: the releases are alike" \
            "compare-release: alike: 5 files, byte for byte ($published, dist)" "$(cat "$run/verify-$n.out")"
          ;;
      esac
    done <<<"$commands"
  ) >"$run/verify.log" 2>&1
  cat "$run/verify.log"
  failures=$((failures + $(grep -c '^FAIL' "$run/verify.log")))
}
