# Sourced (by bash or sh) wherever Wine runs: its environment, kept in one place,
# and run_quiet for the steps whose output is not wanted unless they fail.
# The prefix (WINEPREFIX) is each caller's own choice.
export WINEARCH=win64
# Wine's UI language, which it takes from LC_MESSAGES (scripts/setup.sh makes
# the locale): Chinese unless the caller chose another. LANG stays as it is:
# it sets Wine's code pages too, and cmd's output is read as UTF-8.
export LC_MESSAGES="${TORVANE_WINE_LANG:-zh_CN.UTF-8}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# run_quiet WHAT COMMAND [ARGS...]: runs the command with stdin from /dev/null and
# its output kept aside. On failure says what failed, with the command, its exit
# code and the last lines of its output, and returns that code.
run_quiet() {
  _rq_what=$1
  shift
  _rq_log=$(mktemp "${TMPDIR:-/tmp}/torvane-step.XXXXXX") || return 1
  _rq_rc=0
  "$@" </dev/null >"$_rq_log" 2>&1 || _rq_rc=$?
  if [ "$_rq_rc" -ne 0 ]; then
    echo "$_rq_what failed (exit $_rq_rc): $*" >&2
    tail -n 15 "$_rq_log" | sed 's/^/  | /' >&2
  fi
  rm -f "$_rq_log"
  return "$_rq_rc"
}
