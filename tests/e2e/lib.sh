# Shared by the end-to-end checks: scratch Wine prefixes, a private X display,
# relay traces of the real executable and the reading of them.
# Sourced; expects ROOT (the repository) and EXE (the program under test) to be set.

source "$ROOT/tools.sh"

E2E_DIR=${E2E_DIR:-$ROOT/build/e2e}
BASE_PREFIX=$E2E_DIR/base
PREFIXES=()
FAILURES=0
PASSES=0

# The exe under test decides which Wine runs it.
use_wine "$(pe_arch "$EXE")"
export WINEDLLOVERRIDES="mscoree,mshtml="
E2E_DIR=$E2E_DIR/$WINEARCH
BASE_PREFIX=$E2E_DIR/base

e2e_cleanup() {
  local p
  for p in "${PREFIXES[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap e2e_cleanup EXIT

# One freshly booted prefix, copied for every scenario: booting costs ~10 s.
make_base_prefix() {
  [ -f "$BASE_PREFIX/system.reg" ] && return 0
  mkdir -p "$E2E_DIR"
  WINEPREFIX=$BASE_PREFIX WINEDEBUG=-all "$WINE" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$BASE_PREFIX wineserver -w
}

# new_prefix NAME WINVER RELAYFUNCS: a scratch copy pretending to be WINVER,
# tracing the named functions.
new_prefix() {
  local prefix=$E2E_DIR/$1
  rm -rf "$prefix"
  cp -a "$BASE_PREFIX" "$prefix"
  PREFIXES+=("$prefix")
  WINEPREFIX=$prefix WINEDEBUG=-all "$WINE" winecfg -v "$2" >/dev/null 2>&1
  WINEPREFIX=$prefix WINEDEBUG=-all "$WINE" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
    /t REG_SZ /d "$3" /f >/dev/null 2>&1
  echo "$prefix"
}

# run_traced PREFIX TRACE EXE ARGS...: runs the exe with a relay trace; its exit code.
run_traced() {
  local prefix=$1 trace=$2; shift 2
  WINEPREFIX=$prefix WINEDEBUG=+relay,+timestamp,+loaddll timeout 120 "$WINE" "$@" 2>"$trace"
}

# The thread that loaded EXE (its file name) in the trace.
exe_thread() {
  grep -m1 -E "loaddll:build_module Loaded L\".*\\\\\\\\$2\" at" "$1" | cut -d: -f2
}

# The seconds at which the exe was loaded.
exe_loaded_at() {
  grep -m1 -E "loaddll:build_module Loaded L\".*\\\\\\\\$2\" at" "$1" | cut -d: -f1
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
