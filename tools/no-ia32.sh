#!/usr/bin/env bash
# tools/no-ia32.sh [COMMAND...]: runs COMMAND (default ./test.sh) as on a kernel
# without IA-32 emulation, on any machine, without changing the machine.
#
# In a private user and mount namespace it mounts its own binfmt_misc
# (Linux 6.7 or later) and registers, for i386 ELF files, an interpreter that
# no kernel handler accepts: a file of zeros, opened once at registration (the
# F flag, for which it must be executable). Every 32-bit exec in there then
# fails with ENOEXEC, as it does on a kernel whose IA-32 emulation is off, so
# the run takes the emulated path.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# The packages first, and as the clone's owner, out here: in the namespace
# below root is root in name only.
source tools/setup.sh
ensure_tools
as_owner bash tools/no-ia32.sh "$@"
[ $# -gt 0 ] || set -- ./test.sh
zeros=$(mktemp)
trap 'rm -f "$zeros"' EXIT
head -c 4096 /dev/zero >"$zeros" && chmod +x "$zeros"
exec unshare --user --map-root-user --mount bash -c '
  set -e
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  magic="\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00"
  mask="\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
  echo ":endnow-no-ia32:M::$magic:$mask:$0:F" >/proc/sys/fs/binfmt_misc/register
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "32-bit programs still run in here" >&2
    exit 1
  fi
  echo "no-ia32: every 32-bit exec fails here, as on a kernel without IA-32 emulation"
  exec "$@"' "$zeros" "$@"
