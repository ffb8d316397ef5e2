# shellcheck shell=bash
# Installs what building, formatting and testing need, from Debian's
# packages, when it is missing, and builds the two executables. Sourced by
# run.sh, test.sh and bench/bench.sh.

ENDNOW_PACKAGES=(cmake make g++ googletest libgtest-dev python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 xvfb xdotool x11-utils openbox imagemagick python3-pefile icoutils
  fonts-comic-neue clang-format black shellcheck)

ensure_tools() {
  local missing=() p
  for p in "${ENDNOW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "run as root, or install these packages first: ${missing[*]}" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${missing[@]}" >/dev/null
}

build_win32() {
  cmake --preset win32 >/dev/null && cmake --build --preset win32
}

build_win64() {
  cmake --preset win64 >/dev/null && cmake --build --preset win64
}
