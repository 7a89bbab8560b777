#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Another package manager at work (as on a freshly booted machine) is waited
# for, up to KESTU_APT_LOCK_WAIT seconds (default 300), rather than failing.
set -euo pipefail
missing=()
for pkg in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

wait_seconds="${KESTU_APT_LOCK_WAIT:-300}"
if ! [[ "$wait_seconds" =~ ^[0-9]+$ ]]; then
  echo "deps.sh: KESTU_APT_LOCK_WAIT must be a number of seconds, not '$wait_seconds'" >&2
  exit 2
fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "installing: ${missing[*]}"
echo "(each apt-get step waits up to ${wait_seconds} s if another package manager holds its lock)"

# apt-get waits for the dpkg lock itself (DPkg::Lock::Timeout). A lock it does
# not wait for (the package lists' lock on some apt versions) fails the step
# with "Could not get lock"; the step is then tried again until its time is up.
apt_get_waiting() {
  local log status deadline=$((SECONDS + wait_seconds))
  log="$(mktemp)"
  while true; do
    status=0
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o "DPkg::Lock::Timeout=$wait_seconds" "$@" \
      2>"$log" || status=$?
    cat "$log" >&2
    if [ "$status" -eq 0 ] || ! grep -q 'Could not get lock' "$log" || [ "$SECONDS" -ge "$deadline" ]; then
      rm -f "$log"
      return "$status"
    fi
    echo "another package manager holds the lock; waiting ($((deadline - SECONDS)) s left)"
    sleep 5
  done
}

apt_get_waiting update -qq
apt_get_waiting install -y -qq --no-install-recommends "${missing[@]}"
