# shellcheck shell=bash
# The log of a script and the processes it starts: whether a program is installed,
# whether one still runs, waiting until it ends or until something is true while it
# runs, and ending it. Sourced by the tools and the tests; Linux only (it reads /proc).

# log MESSAGE...: "[HH:MM:SS] MESSAGE" on the standard output, or on the file
# descriptor LOG_FD.
log() { echo "[$(date +%H:%M:%S)] $*" >&"${LOG_FD:-1}"; }

# alive PID: the process runs. One that ended but was not reaped yet (a zombie) has
# ended; so has one that never was.
alive() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  # "PID (COMMAND) STATE ...": the command may hold spaces and parentheses.
  stat=${stat##*) }
  [ "${stat:0:1}" != Z ] && [ "${stat:0:1}" != X ]
}

# missing_tool PROGRAM...: the first of the programs that is not installed (not in
# PATH); false when every one is.
missing_tool() {
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null || { echo "$program"; return 0; }
  done
  return 1
}

# now_ms: the time in milliseconds (from bash's clock: no process to start).
now_ms() {
  local us=${EPOCHREALTIME/[.,]/}
  echo $((us / 1000))
}

# wait_end PID [SECONDS]: waits until the process ends, polling every tenth of a
# second, at most SECONDS (whole seconds; without them as long as it takes). True when
# it ended: its exit code is then in $ended_rc (127 when it is not a child of this
# shell, which cannot learn it) and how long the wait took in $ended_tenths (tenths of
# a second, rounded down). False when it still runs.
wait_end() {
  local pid=$1 start deadline=""
  start=$(now_ms)
  [ -n "${2:-}" ] && deadline=$((start + $2 * 1000))
  while alive "$pid"; do
    [ -n "$deadline" ] && [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
  # shellcheck disable=SC2034  # for the caller
  ended_tenths=$((($(now_ms) - start) / 100))
  wait "$pid" 2>/dev/null
  # shellcheck disable=SC2034  # for the caller
  ended_rc=$?
  return 0
}

# wait_until SECONDS PID COMMAND...: runs COMMAND every tenth of a second until it
# succeeds (true). False when SECONDS have passed or the process PID has ended first
# (PID "": no process), after COMMAND failed once more.
wait_until() {
  local deadline pid=$2
  deadline=$(($(now_ms) + $1 * 1000))
  shift 2
  until "$@"; do
    if [ "$(now_ms)" -ge "$deadline" ] || { [ -n "$pid" ] && ! alive "$pid"; }; then
      "$@"
      return
    fi
    sleep 0.1
  done
}

# stop_pid PID [SECONDS]: SIGTERM, and SIGKILL when the process still runs SECONDS
# (default 5) later; reaped when it is a child of this shell.
stop_pid() {
  kill -TERM "$1" 2>/dev/null || return 0
  wait_end "$1" "${2:-5}" && return 0
  kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  return 0
}
