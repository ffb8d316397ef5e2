# Installs what building and testing need, from Debian's packages, when it is
# missing. Sourced by run.sh and test.sh.

ENDNOW_PACKAGES=(cmake make g++ googletest libgtest-dev python3 clang libclang-rt-14-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick python3-pefile icoutils)

ensure_tools() {
  local missing=() p
  for p in "${ENDNOW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "run as root, or install these packages first: ${missing[*]}" >&2
    return 1
  fi
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_win32() {
  cmake --preset win32 >/dev/null && cmake --build --preset win32
}

build_win64() {
  cmake --preset win64 >/dev/null && cmake --build --preset win64
}

# Some kernels run no 32-bit user code at all (IA-32 emulation off): there
# 32-bit Wine cannot start, and only 64-bit programs can be run.
can_run_win32() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# use_wine win32|win64: picks Wine's loader for that kind of program; "$WINE"
# then runs programs, and "$WINE" wineboot / winecfg / reg Wine's own tools.
use_wine() {
  export WINEARCH=$1
  if [ "$1" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
  else
    WINE=/usr/lib/wine/wine
    unset WINELOADER
  fi
}

# pe_arch EXE: win32 or win64, from the machine field of its PE header.
pe_arch() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  if [ "$machine" = 8664 ]; then echo win64; else echo win32; fi
}

XVFB_PID=
# A private X display of our own, so windows and message boxes have somewhere to go.
start_display() {
  local n
  for n in $(seq 90 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
  done
  echo "no X display could be started" >&2
  return 1
}

