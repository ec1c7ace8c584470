# Sourced by the set-up scripts: apt-get with a few spaced retries. A mirror in the
# middle of a sync answers "File has unexpected size … Mirror sync in progress?"
# for a while; so do dropped connections. Both pass within minutes.
# TORVANE_APT_WAITS lists the pauses (seconds) before each retry.
apt_waits=(${TORVANE_APT_WAITS:-20 60 120})

# apt_retry WHAT CMD...: runs CMD, retrying after each pause; returns its last status.
apt_retry() {
  local what=$1 rc=0 wait; shift
  "$@" && return 0 || rc=$?
  for wait in "${apt_waits[@]}"; do
    echo "setup: $what failed (exit $rc); the package mirror may be syncing; retrying in ${wait}s" >&2
    sleep "$wait"
    "$@" && return 0 || rc=$?
  done
  echo "setup: $what failed (exit $rc) after ${#apt_waits[@]} retries; giving up" >&2
  return "$rc"
}

# apt_update: an index that still fails after the retries is reported, not fatal:
# apt keeps the lists it had, and an install that truly needs the missing one fails
# on its own with apt's message.
apt_update() {
  apt_retry "apt-get update" apt-get update -qq ||
    echo "setup: going on with the package lists apt has; an install below may fail for that" >&2
}
