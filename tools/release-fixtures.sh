#!/usr/bin/env bash
# tools/release-fixtures.sh [copy|signed]: what tests/e2e/release.py compares the release with,
# under build/release/ (both when neither is named):
#
# copy    copy/, the tree as it stands (committed or not) at another path; its release, again/,
#         must be the same bytes, its manifests (for ENDNOW_RELEASE_URL, when set) too; then,
#         with the version in its CMakeLists.txt changed to 1.9.0 (ENDNOW_OLD_VERSION), built
#         and released there, without manifests, old/: exes that carry the older version, to
#         upgrade from. The one copy serves both, so the second build only relinks.
#         It builds nothing of the tree's own, so it may run beside the tree's builds.
# signed  signed/, after tools/release.sh: the release signed with a throwaway self-signed
#         certificate (cert.pem).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=build/release
mkdir -p "$out"

if [ "${1:-copy}" = copy ]; then
  rm -rf "$out/copy" "$out/again" "$out/old"
  git clone -q --shared . "$out/copy"
  git ls-files -co --exclude-standard | tar -c --ignore-failed-read -T - | tar -x -C "$out/copy"
  "$out/copy/tools/release.sh"
  mv "$out/copy/dist" "$out/again"
  sed -i -E "s/^(project\(EndNow VERSION )[0-9.]+/\1${ENDNOW_OLD_VERSION:-1.9.0}/" \
    "$out/copy/CMakeLists.txt"
  # Its address, if any, ends in the newer version, which release.sh refuses for this one.
  env -u ENDNOW_RELEASE_URL "$out/copy/tools/release.sh"
  mv "$out/copy/dist" "$out/old"
fi
if [ "${1:-signed}" = signed ]; then
  rm -rf "$out/signed"
  openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=EndNow test" \
    -addext extendedKeyUsage=codeSigning -keyout "$out/key.pem" -out "$out/cert.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$out/key.pem" -in "$out/cert.pem" -passout pass:x \
    -out "$out/sign.pfx"
  SIGN_PFX=$out/sign.pfx SIGN_PASSWORD=x ENDNOW_DIST=$out/signed tools/release.sh
fi
