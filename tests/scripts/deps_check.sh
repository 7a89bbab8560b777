#!/usr/bin/env bash
# Runs scripts/deps.sh against stand-ins for dpkg-query, id, apt-get and sleep:
# it installs only what is missing, passes apt-get its lock wait on every step,
# says that it may wait, retries a step that failed on a lock it could not wait
# for, and stops at once on any other failure.
#   bash deps_check.sh SOURCE_DIR WORK_DIR
set -uo pipefail
src="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work/bin"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# "have" is installed, every other package is not. The package lists' lock is
# busy for the first LOCKED_UPDATES updates; UPDATE_ERROR fails update otherwise.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[ "${@: -1}" = have ] && { printf 'install ok installed'; exit 0; }
exit 1
STUB
cat >"$work/bin/id" <<'STUB'
#!/usr/bin/env bash
echo 0
STUB
cat >"$work/bin/sleep" <<'STUB'
#!/usr/bin/env bash
exit 0
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$CALLS"
if [[ " $* " == *" update "* ]]; then
  n=$(grep -c ' update ' "$CALLS")
  if [ "$n" -le "${LOCKED_UPDATES:-0}" ]; then
    echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 99 (apt-get)" >&2
    exit 100
  fi
  [ -n "${UPDATE_ERROR:-}" ] && { echo "E: $UPDATE_ERROR" >&2; exit 100; }
fi
exit 0
STUB
chmod +x "$work/bin/"*

run() { # run NAME ENV... -- ARGS...
  local name="$1"
  shift
  local envs=()
  while [ "$1" != -- ]; do envs+=("$1"); shift; done
  shift
  export CALLS="$work/$name.calls"
  : >"$CALLS"
  env PATH="$work/bin:$PATH" "${envs[@]}" bash "$src/scripts/deps.sh" "$@" >"$work/$name.out" 2>"$work/$name.err"
  status=$?
}

run busy KESTU_APT_LOCK_WAIT=60 LOCKED_UPDATES=2 -- have need1 need2
[ "$status" -eq 0 ] || fail "busy lock: exit $status: $(cat "$work/busy.err")"
grep -q '^installing: need1 need2$' "$work/busy.out" || fail "busy lock: $(cat "$work/busy.out")"
grep -q 'waits up to 60 s if another package manager holds its lock' "$work/busy.out" || fail "no word of waiting"
[ "$(grep -c 'another package manager holds the lock; waiting' "$work/busy.out")" -eq 2 ] || fail "retries not said"
[ "$(grep -c '^-o DPkg::Lock::Timeout=60 update -qq$' "$CALLS")" -eq 3 ] || fail "updates: $(cat "$CALLS")"
grep -qx -- '-o DPkg::Lock::Timeout=60 install -y -qq --no-install-recommends need1 need2' "$CALLS" ||
  fail "install: $(cat "$CALLS")"
[ "$(wc -l <"$CALLS")" -eq 4 ] || fail "calls: $(cat "$CALLS")"

run nothing -- have
[ "$status" -eq 0 ] && [ ! -s "$CALLS" ] && [ ! -s "$work/nothing.out" ] || fail "installed packages: $(cat "$CALLS")"

# The lock stays busy past the wait: the step fails, nothing is installed.
run stuck KESTU_APT_LOCK_WAIT=0 LOCKED_UPDATES=1000 -- need1
[ "$status" -ne 0 ] || fail "a lock that stays busy succeeded"
grep -q 'Could not get lock' "$work/stuck.err" || fail "apt's message was lost"
grep -q ' install ' "$CALLS" && fail "installed without package lists"
[ "$(wc -l <"$CALLS")" -eq 1 ] || fail "stuck: $(cat "$CALLS")"

# Any other failure stops at once.
run broken UPDATE_ERROR="Temporary failure resolving 'deb.debian.org'" -- need1
[ "$status" -ne 0 ] && [ "$(wc -l <"$CALLS")" -eq 1 ] || fail "other failure: exit $status, $(cat "$CALLS")"
grep -q 'Temporary failure resolving' "$work/broken.err" || fail "the failure was not shown"
grep -q 'waiting (' "$work/broken.out" && fail "waited on a failure that is not a lock"

run badwait KESTU_APT_LOCK_WAIT=soon -- need1
[ "$status" -eq 2 ] && [ ! -s "$CALLS" ] || fail "bad wait: exit $status"
grep -q "KESTU_APT_LOCK_WAIT must be a number of seconds, not 'soon'" "$work/badwait.err" || fail "bad wait not said"
echo "deps.sh checks passed"
