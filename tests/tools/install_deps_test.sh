#!/usr/bin/env bash
# tools/install-deps against stand-ins for dpkg-query, sudo and apt-get: every package reads as missing, and
# apt-get behaves as when another package manager holds the lock, unless it is told to wait for the lock.
#   install_deps_test.sh <tools/install-deps>
set -euo pipefail
script=$1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"
calls=$work/apt-get-calls

cat >"$bin/dpkg-query" <<'STUB'
#!/bin/sh
exit 1
STUB
cat >"$bin/sudo" <<'STUB'
#!/bin/sh
exec "$@"
STUB
cat >"$bin/apt-get" <<STUB
#!/bin/sh
echo "\$*" >>"$calls"
case " \$* " in
  *" DPkg::Lock::Timeout=600 "*) exit 0 ;;
esac
echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)" >&2
exit 100
STUB
chmod +x "$bin"/*

fail() { echo "install_deps_test: $*" >&2; echo "--- apt-get calls:" >&2; cat "$calls" >&2 || true; exit 1; }

PATH="$bin:$PATH" "$script" >"$work/out" 2>&1 || fail "install-deps failed: $(cat "$work/out")"
[[ -s $calls ]] || fail "apt-get was never called"
while read -r line; do
  [[ " $line " == *" -o DPkg::Lock::Timeout=600 "* ]] || fail "apt-get called without waiting for the lock: $line"
done <"$calls"
grep -q '^.*install ' "$calls" || fail "nothing was installed"
echo "install_deps_test: passed"
