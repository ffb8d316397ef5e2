#!/usr/bin/env bash
# tools/release.sh: builds both exes and writes the release into dist/ (docs/release.md):
# a zip of each exe with README.txt and LICENSE.txt, an MSI for each architecture, and
# SHA256SUMS. The same commit gives the same bytes from every clean clone.
#
# SIGN_PFX and SIGN_PASSWORD: sign the exes, then the MSIs, with that PKCS#12 file (SHA-256);
# SIGN_TIMESTAMP_URL adds an RFC 3161 timestamp. Unsigned without them.
# ENDNOW_DIST: another folder for the release. The version is the one the build gives
# (CMakeLists.txt's project()), which the exes carry too.
# ENDNOW_RELEASE_URL: the folder the release is published in, https and ending in the version;
# with it, the package managers' manifests of the files as published go into dist/manifests/
# (tools/manifests.py). --manifests refuses to make a release without them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/setup.sh
ensure_tools

export TZ=UTC LC_ALL=C
# Every time stamp comes from the commit, and none from the clock.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
dist=${ENDNOW_DIST:-dist}
python=/usr/bin/python3

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target endnow_checked >/dev/null
done
version=$(cat build/win32/version.txt)
stage=build/release/$version

# Refused before anything is written: a manifest naming a file where it will not be.
url=${ENDNOW_RELEASE_URL-}
if [ -n "${ENDNOW_RELEASE_URL+set}" ] || [ "${1:-}" = --manifests ]; then
  url=${url%/}/
  [[ $url =~ ^https://[^/?#]+/([^?#]*/)?"$version"/$ ]] || {
    echo "ENDNOW_RELEASE_URL must be the https address of the release's folder, ending in" \
      "$version: '${ENDNOW_RELEASE_URL-}'" >&2
    exit 1
  }
fi

sign() {
  # The password on standard input: on the command line, any user's ps would show it.
  local args=(-pkcs12 "$SIGN_PFX" -readpass - -h sha256 -n EndNow)
  [ -z "${SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$SIGN_TIMESTAMP_URL")
  printf '%s' "$SIGN_PASSWORD" | osslsigncode sign "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}

rm -rf "$dist" "$stage"
mkdir -p "$dist"
for pair in win32:x86 win64:x64; do
  build=${pair%:*} arch=${pair#*:} dir=$stage/${pair#*:}
  mkdir -p "$dir"
  cp "build/$build/endnow.exe" "$dir/"
  [ -z "${SIGN_PFX:-}" ] || sign "$dir/endnow.exe"
  # Notepad before Windows 10 1809 shows a file with bare line feeds as one line.
  sed "s/@VERSION@/$version/; s/\$/\r/" res/README.txt >"$dir/README.txt"
  sed 's/$/\r/' LICENSE >"$dir/LICENSE.txt"
  cp build/win32/res/endnow.ico res/endnow.wxs "$dir/"
  # The CAB inside the MSI keeps each file's time.
  touch -d "@$SOURCE_DATE_EPOCH" "$dir"/*
  files=("$dir/endnow.exe" "$dir/README.txt" "$dir/LICENSE.txt")
  "$python" tools/package.py zip "$dist/endnow-$version-$build.zip" "EndNow-$version" \
    "$SOURCE_DATE_EPOCH" "${files[@]}"

  defines=()
  while read -r define; do defines+=(-D "$define"); done < <(
    "$python" tools/package.py defines "$version" "$arch")
  msi=endnow-$version-$arch.msi
  # An attribute wixl does not know is only a warning: made fatal, it fails the build.
  (cd "$dir" && G_DEBUG=fatal-warnings wixl -a "$arch" "${defines[@]}" -o "$msi" endnow.wxs)
  "$python" tools/package.py finish "$dir/$msi" "$SOURCE_DATE_EPOCH" "$version" "$arch"
  [ -z "${SIGN_PFX:-}" ] || sign "$dir/$msi"
  mv "$dir/$msi" "$dist/"
done
(cd "$dist" && sha256sum -- *.zip *.msi >SHA256SUMS)
# A release whose parts disagree on its version is refused.
"$python" tools/check_release.py . "$dist"
if [ -n "$url" ]; then
  # From the files as they are published: signed, when they are.
  "$python" tools/manifests.py "$dist" "$version" "$url" "$SOURCE_DATE_EPOCH"
  find "$dist/manifests" -type f | sort
else
  echo "no ENDNOW_RELEASE_URL: no package manager's manifest written"
fi
ls -l "$dist"
