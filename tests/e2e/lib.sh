# Shared by the end-to-end checks: the project's Wine prefix for the exe under
# test, a private X display, relay traces of the real executable and the
# reading of them. Sourced; expects ROOT (the repository) and EXE (the
# program under test) to be set.

source "$ROOT/tools.sh"

FAILURES=0
PASSES=0

# The exe under test decides which Wine runs it and in which prefix.
EXE_ARCH=$(pe_arch "$EXE")
use_wine "$EXE_ARCH" || exit 1
E2E_DIR=$ROOT/build/e2e/$EXE_ARCH

e2e_cleanup() {
  set_release win10 2>/dev/null || true
  wine_reg 'HKCU\Software\Wine\Debug' RelayInclude REG_SZ "" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap e2e_cleanup EXIT

# scenario NAME WINVER RELAYFUNCS: readies the prefix to pretend to be WINVER
# and to trace the named functions; prints a fresh folder for NAME's traces
# and screenshots.
scenario() {
  local dir=$E2E_DIR/$1
  rm -rf "$dir"
  mkdir -p "$dir"
  boot_prefix
  set_release "$2"
  wine_reg 'HKCU\Software\Wine\Debug' RelayInclude REG_SZ "$3"
  echo "$dir"
}

# run_traced TRACE EXE ARGS...: runs the exe with a relay trace; its exit code.
run_traced() {
  local trace=$1; shift
  WINEDEBUG=+relay,+timestamp,+loaddll,+ver timeout 180 "$WINE" "$@" 2>"$trace"
}

# The thread that loaded EXE (its file name) in the trace.
exe_thread() {
  grep -m1 -E "loaddll:build_module Loaded L\".*\\\\\\\\$2\" at" "$1" | cut -d: -f2
}

# The seconds at which the exe was loaded.
exe_loaded_at() {
  grep -m1 -E "loaddll:build_module Loaded L\".*\\\\\\\\$2\" at" "$1" | cut -d: -f1
}

# The release the exe's process was given: "4.10 platform 1", say.
exe_release() {
  local thread
  thread=$(exe_thread "$1" "$2")
  [ -n "$thread" ] || return 0
  grep -m1 -E "^[0-9.]+:$thread:trace:ver:version_init got " "$1" |
    sed -E 's/.*version_init got ([0-9]+\.[0-9]+ platform [0-9]+).*/\1/'
}

# Calls the exe's own thread made, one a line: "SECONDS dll.Function(args)".
exe_calls() {
  local thread
  thread=$(exe_thread "$1" "$2")
  [ -n "$thread" ] || return 0
  grep -E "^[0-9.]+:$thread:Call [A-Za-z0-9_]+\.[A-Za-z0-9_]+\(" "$1" \
    | sed -E 's/^([0-9.]+):[0-9a-f]+:Call ([^ ]+\(.*\)) ret=[0-9a-f]+$/\1 \2/'
}

pass() { PASSES=$((PASSES + 1)); echo "ok   - $*"; }
fail() { FAILURES=$((FAILURES + 1)); echo "FAIL - $*"; }

# check DESCRIPTION CONDITION...: runs the condition, counts the result.
check() {
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

summary() {
  echo "e2e: $PASSES passed, $FAILURES failed"
  [ "$FAILURES" -eq 0 ]
}
