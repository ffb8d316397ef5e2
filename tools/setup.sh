# shellcheck shell=bash
# Installs what building, formatting and testing need, from Debian's
# packages, when it is missing, and builds the executables. Sourced by
# run.sh, test.sh and bench/bench.sh. Root is needed for the installing only.

ENDNOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ENDNOW_PACKAGES=(cmake make g++ googletest libgtest-dev python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 xvfb xdotool x11-utils openbox imagemagick python3-pefile icoutils
  fonts-comic-neue clang-format black shellcheck
  wixl msitools gir1.2-libmsi-1.0 python3-gi osslsigncode openssl python3-yaml)

# The packages of ENDNOW_PACKAGES that are not installed, one a line.
missing_packages() {
  local p
  for p in "${ENDNOW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# Installs the missing packages: as root directly, as anyone else through
# sudo, having said so first. Without sudo it fails, naming the packages.
ensure_tools() {
  local missing as_root=()
  mapfile -t missing < <(missing_packages)
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "missing packages, and no sudo to install them with. As root, run:" \
        "dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]};" \
        "then run this again" >&2
      return 1
    fi
    echo "installing with sudo (it may ask for your password): ${missing[*]}"
    as_root=(sudo)
  else
    echo "installing: ${missing[*]}"
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386 || return 1
  fi
  # A mirror in the middle of a sync fails one suite's list for one architecture for a while (a
  # file of unexpected size). The lists that did arrive can then give the two architectures
  # different versions of a library, which wine32 needs equal: the install is tried once more
  # without the suites whose lists failed.
  local try out unfetched=() parts code
  for try in 1 2 3; do
    out=$("${as_root[@]}" apt-get update -qq 2>&1) && unfetched=() && break
    mapfile -t unfetched < <(sed -nE 's|^E: Failed to fetch .*/dists/([^/]+)/.*|\1|p' <<<"$out" |
      sort -u)
    echo "apt-get update failed (try $try of 3): ${unfetched[*]:-$out}" >&2
    [ "$try" -eq 3 ] || sleep $((try * 10))
  done
  local install=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq
    --no-install-recommends)
  "${install[@]}" "${missing[@]}" >/dev/null && return 0
  [ ${#unfetched[@]} -gt 0 ] || return 1
  echo "installing again without the suites whose lists failed: ${unfetched[*]}" >&2
  parts=$(mktemp -d)
  kept_sources "$parts" "${unfetched[@]}"
  "${install[@]}" -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$parts" \
    "${missing[@]}" >/dev/null
  code=$?
  rm -rf "$parts"
  return $code
}

# kept_sources DIR SUITE...: this machine's apt sources, written into DIR, less the deb822
# stanzas and one-line entries that name one of the suites.
kept_sources() {
  local dir=$1 file
  shift
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] || continue
    awk -v bad=" $* " 'BEGIN { RS = ""; ORS = "\n\n" }
      { if (match($0, /(^|\n)Suites:[^\n]*/)) {
          n = split(substr($0, RSTART, RLENGTH), words, /[ \t\n]+/)
          for (i = 2; i <= n; i++) if (index(bad, " " words[i] " ")) next
        }
        print }' "$file" >"$dir/${file##*/}"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] || continue
    awk -v bad=" $* " '{ line = $0; sub(/\[[^]]*\]/, "", line); split(line, w, " ") }
      !(w[1] ~ /^deb/ && index(bad, " " w[3] " "))' "$file" >"$dir/${file##*/}"
  done
}

# as_owner COMMAND...: run as root in a clone that someone else owns (sudo
# ./test.sh), execs COMMAND as the clone's owner instead, so that build/ and
# the Wine prefixes stay theirs (Wine refuses a prefix its user does not
# own). Returns, doing nothing, for anyone else and in a clone root owns.
as_owner() {
  local uid gid entry name home groups=(--clear-groups)
  uid=$(stat -c %u "$ENDNOW_ROOT")
  [ "$(id -u)" -eq 0 ] && [ "$uid" -ne 0 ] || return 0
  gid=$(stat -c %g "$ENDNOW_ROOT")
  entry=$(getent passwd "$uid" || true)
  name=${entry%%:*}
  if [ -n "$entry" ]; then
    gid=$(cut -d: -f4 <<<"$entry")
    home=$(cut -d: -f6 <<<"$entry")
    groups=(--init-groups)
  fi
  local user=(setpriv --reuid="$uid" --regid="$gid" "${groups[@]}")
  # An owner without a home of their own to write in (nobody, say) gets one under build/.
  if [ -z "${home:-}" ] || ! "${user[@]}" test -w "$home"; then
    home=$ENDNOW_ROOT/build/home
    "${user[@]}" mkdir -p "$home" || return 1
  fi
  echo "running on as ${name:-uid $uid}, who owns $ENDNOW_ROOT"
  exec "${user[@]}" env -u XDG_RUNTIME_DIR -u XDG_CACHE_HOME -u XDG_CONFIG_HOME \
    -u XDG_DATA_HOME HOME="$home" USER="${name:-$uid}" LOGNAME="${name:-$uid}" "$@"
}

build_win32() {
  cmake --preset win32 >/dev/null && cmake --build --preset win32
}

build_win64() {
  cmake --preset win64 >/dev/null && cmake --build --preset win64
}

# Only the 32-bit exe, without the unit suites and GoogleTest: what run.sh runs.
build_exe() {
  cmake --preset win32 >/dev/null && cmake --build --preset win32 --target endnow_checked
}
