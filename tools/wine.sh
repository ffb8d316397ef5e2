# shellcheck shell=bash
# How Windows programs run under Wine here: the project's own prefixes, the
# release Wine plays, a private X display, and, where the kernel runs no
# 32-bit code, the 32-bit loader under qemu user-mode emulation. Sourced by
# run.sh, test.sh, bench/bench.sh and tools/wine-run.sh.

ENDNOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# --- How 32-bit Windows programs start on this machine -----------------------
#
# native    the kernel runs i386 code: 32-bit programs run in win32 prefixes
#           with Wine's own 32-bit loader.
# emulated  the kernel runs no 32-bit code (IA-32 emulation off): the 32-bit
#           loader runs under qemu-i386 (user mode, 8 or later), in a WoW64
#           prefix booted and served by native 64-bit Wine.
# Decided once per run; the answer is exported so that every script and
# every program the run starts agrees on it.

ENDNOW_QEMU_MIN=8

# The qemu-i386 version, "10.0.2" say, or nothing.
qemu_version() {
  "$1" --version 2>/dev/null | sed -nE '1s/.*version ([0-9]+\.[0-9]+(\.[0-9]+)?).*/\1/p'
}

qemu_usable() {
  local v
  v=$(qemu_version "$1")
  [ -n "$v" ] && [ "${v%%.*}" -ge "$ENDNOW_QEMU_MIN" ]
}

# The URI of the Debian archive this machine already installs its release from.
debian_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  {
    # deb822 files: a stanza's URIs serve its Suites.
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v c="$codename" '
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == c) hit = 1 }
      /^[[:space:]]*$/ { if (hit && uri) print uri; uri = ""; hit = 0 }
      END { if (hit && uri) print uri }'
    # One-line files: deb [options] URI suite components.
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | sed -E 's/\[[^]]*\]//' |
      awk -v c="$codename" '$1 == "deb" && $3 == c { print $2 }'
  } | grep -m1 -E '^(https?|file):'
}

# Debian 12's own qemu-user (7.2) ignores MAP_FIXED_NOREPLACE, so Wine's
# address-space reservation loops and every 32-bit process takes minutes to
# start. The release's backports suite has a current one: its static
# qemu-i386 is fetched through a private apt state under build/, leaving the
# machine's sources and packages as they are. Succeeds only when it is there.
fetch_qemu() {
  local dir=$ENDNOW_ROOT/build/qemu mirror codename apt deb
  mirror=$(debian_mirror)
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  if [ -z "$mirror" ]; then
    echo "no Debian archive for $codename in this machine's apt sources" >&2
    return 1
  fi
  apt=$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$dir/root"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
    "$mirror $codename-backports main" \
    >"$apt/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Architectures::=amd64"
    -o "Acquire::Languages=none" -o "APT::Sandbox::User=root")
  apt-get "${opts[@]}" update -qq >&2 &&
    (cd "$dir" && apt-get "${opts[@]}" download -qq "qemu-user/$codename-backports" >&2) || return 1
  deb=$(find "$dir" -maxdepth 1 -name 'qemu-user_*.deb' | head -1)
  [ -n "$deb" ] || return 1
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$dir/root" ./usr/bin/qemu-i386
  rm -rf "$deb" "$apt"
  [ -x "$dir/root/usr/bin/qemu-i386" ]
}

# A qemu-i386 of at least version 8: the machine's own, or one fetched for the project.
find_qemu() {
  local own=$ENDNOW_ROOT/build/qemu/root/usr/bin/qemu-i386 system
  system=$(command -v qemu-i386 || true)
  if [ -n "$system" ] && qemu_usable "$system"; then
    echo "$system"
    return 0
  fi
  [ -x "$own" ] || fetch_qemu || true
  if [ -x "$own" ] && qemu_usable "$own"; then
    echo "$own"
    return 0
  fi
  if [ -n "$system" ]; then
    echo "qemu-i386 $(qemu_version "$system") at $system is too old:" \
      "Wine needs qemu $ENDNOW_QEMU_MIN or later" >&2
  fi
  echo "no qemu-i386 $ENDNOW_QEMU_MIN or later could be had from the backports suite" >&2
  return 1
}

# 64-bit Wine starts a 32-bit program with the "wine" loader in its own
# loader's folder, and it finds that folder from its real path. So a private
# folder with a real copy of wine64 and a "wine" that runs the 32-bit loader
# under qemu sends every 32-bit process there, with no binfmt entry and no
# change to the machine. A 32-bit process starts its 32-bit children the same
# way, from the folder of its own loader as qemu reports it: so the 32-bit
# loader runs from a copy in the same folder, under the name "wine".
make_emulated_wine() {
  local qemu=$1 dir=$ENDNOW_ROOT/build/wine/emulated
  mkdir -p "$dir/lib/wine" "$dir/share"
  cp -u /usr/lib/wine/wine64 "$dir/lib/wine/wine64"
  cp -u /usr/lib/wine/wine "$dir/lib/wine/wine32"
  ln -sfn /usr/lib/wine/wineserver "$dir/lib/wine/wineserver"
  ln -sfn /usr/lib/x86_64-linux-gnu "$dir/lib/x86_64-linux-gnu"
  ln -sfn /usr/lib/i386-linux-gnu "$dir/lib/i386-linux-gnu"
  ln -sfn /usr/share/wine "$dir/share/wine"
  # The preloader cannot run under qemu: the loader maps its own address space.
  printf '#!/bin/bash\nWINELOADERNOEXEC=1 exec %q -0 %q %q "$@"\n' \
    "$qemu" "$dir/lib/wine/wine" "$dir/lib/wine/wine32" >"$dir/lib/wine/wine"
  chmod +x "$dir/lib/wine/wine"
  echo "$dir/lib/wine"
}

# Decides how 32-bit programs run, once per run; fails, saying why, when they cannot.
decide_win32() {
  [ -n "${ENDNOW_WIN32:-}" ] && return 0
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export ENDNOW_WIN32=native ENDNOW_WIN32_NOTE="native"
    return 0
  fi
  local qemu bin
  if ! qemu=$(find_qemu); then
    echo "the 32-bit exe cannot be run here: the kernel runs no 32-bit code, and no qemu-i386" \
      "$ENDNOW_QEMU_MIN or later is at hand to emulate it" >&2
    return 1
  fi
  bin=$(make_emulated_wine "$qemu") || return 1
  ENDNOW_WIN32_NOTE="emulated, qemu-i386 $(qemu_version "$qemu")"
  export ENDNOW_WIN32=emulated ENDNOW_WINE_BIN=$bin ENDNOW_WIN32_NOTE
}

# use_wine win32|win64: for programs of that kind exports WINE (runs them),
# WINETOOL (runs Wine's own tools: wineboot, reg, cmd), WINEARCH and
# WINEPREFIX, the project's one prefix of that kind (booted by boot_prefix)
# in the folder ENDNOW_PREFIXES (build/wine, the tests' own, when unset).
use_wine() {
  case ${1:-} in
    win32 | win64) ;;
    *)
      echo "use_wine: say win32 or win64, not '${1:-}'" >&2
      return 1
      ;;
  esac
  decide_win32 || return 1
  unset WINELOADER
  local prefixes=${ENDNOW_PREFIXES:-$ENDNOW_ROOT/build/wine}
  if [ "$ENDNOW_WIN32" = emulated ]; then
    # One WoW64 prefix serves both kinds; never run a 32-bit program with
    # wine64: when the 32-bit side cannot start, it still exits 0.
    export WINEARCH=win64 WINEPREFIX=$prefixes/win64
    WINETOOL=$ENDNOW_WINE_BIN/wine64
    if [ "$1" = win64 ]; then WINE=$WINETOOL; else WINE=$ENDNOW_WINE_BIN/wine; fi
  elif [ "$1" = win64 ]; then
    export WINEARCH=win64 WINEPREFIX=$prefixes/win64
    WINE=/usr/lib/wine/wine64 WINETOOL=/usr/lib/wine/wine64
  else
    export WINEARCH=win32 WINEPREFIX=$prefixes/win32
    WINE=/usr/lib/wine/wine WINETOOL=/usr/lib/wine/wine
  fi
  export WINE WINETOOL WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

# wine_reg KEY VALUE TYPE DATA: one registry value in the current prefix; says so when it fails.
wine_reg() {
  local out
  out=$(WINEDEBUG=-all "$WINETOOL" reg add "$1" /v "$2" /t "$3" /d "$4" /f 2>&1) && return 0
  echo "could not set $1\\$2 in $WINEPREFIX: $out" >&2
  return 1
}

# The current prefix, on first use: a copy of the pristine one of its kind (build/wine/base/),
# booted once and never run in, so that no prefix starts from another's writes, and the copies
# cost little room (tools/prefix.py). Wine has no Comic Sans MS; Comic Neue is drawn after it and
# about as wide, so the notice's text fits as it does on Windows. No link leads out of a prefix:
# Wine's links from the user's folders to the home would let a program reach the user's files,
# and a walk of the prefix come back into it through the home that holds the clone. A base whose
# boot failed is removed, so that the next run boots it afresh.
boot_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  local bases=$ENDNOW_ROOT/build/wine/base python=/usr/bin/python3
  mkdir -p "$bases" "$(dirname "$WINEPREFIX")"
  (
    flock 9
    export WINEPREFIX=$bases/${WINEPREFIX##*/}
    local wine
    wine=$("$WINETOOL" --version)
    [ "$(cat "$WINEPREFIX/.wine-version" 2>/dev/null)" = "$wine" ] && exit 0
    rm -rf "$WINEPREFIX"
    if ! WINEDEBUG=-all "$WINETOOL" wineboot -i >/dev/null 2>&1 ||
      ! wine_reg 'HKCU\Software\Wine\Fonts\Replacements' 'Comic Sans MS' REG_SZ 'Comic Neue' ||
      ! wineserver -w || ! "$python" "$ENDNOW_ROOT/tools/prefix.py" sandbox "$WINEPREFIX"; then
      echo "the Wine prefix $WINEPREFIX could not be booted" >&2
      wineserver -k 2>/dev/null
      rm -rf "$WINEPREFIX"
      exit 1
    fi
    # Wine's update of a prefix would make the links again: a base is booted afresh instead,
    # when Wine is another version.
    echo disable >"$WINEPREFIX/.update-timestamp"
    echo "$wine" >"$WINEPREFIX/.wine-version"
    "$python" "$ENDNOW_ROOT/tools/prefix.py" share "$bases"
  ) 9>"$bases/.lock" || return 1
  rm -rf "$WINEPREFIX.part"
  "$python" "$ENDNOW_ROOT/tools/prefix.py" copy "$bases/${WINEPREFIX##*/}" "$WINEPREFIX"
}

# set_release NAME: the Windows release the prefix pretends to be (win98, winxp,
# win7, ...). winecfg -v refuses the older ones in a WoW64 prefix; the
# registry value works for all.
set_release() {
  wine_reg 'HKCU\Software\Wine' Version REG_SZ "$1"
}

# A private X display of our own, so windows and message boxes have somewhere
# to go; its process id is exported as XVFB_PID. A Wine session of the
# current prefix that is still alive (a program run by hand on the desktop,
# say) is ended first: Wine's desktop keeps the display the session's first
# program found, and would put this run's windows there.
start_display() {
  local n
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  for n in $(seq 90 120); do
    { [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; } && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    export XVFB_PID=$! DISPLAY=:$n
    for _ in $(seq 50); do
      if [ -e /tmp/.X11-unix/X$n ]; then
        # A run beside this one may have taken the display first: the lock holds its server's pid.
        [ "$(tr -d ' \n' </tmp/.X$n-lock 2>/dev/null)" = "$XVFB_PID" ] && return 0
        break
      fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
  done
  echo "no X display could be started" >&2
  return 1
}
