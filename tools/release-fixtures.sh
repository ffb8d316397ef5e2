#!/usr/bin/env bash
# tools/release-fixtures.sh [OLD]: after tools/release.sh, what tests/e2e/release.py compares
# the release with, under build/release/:
#
# signed/  the release signed with a throwaway self-signed certificate (cert.pem);
# copy/    the tree as it stands (committed or not) at another path; its release, again/, must
#          be the same bytes; then, with the version in its CMakeLists.txt changed to OLD (1.9.0
#          unless given), built and released there, old/: exes that carry the older version, to
#          upgrade from. The one copy serves both, so the second build only relinks.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
old=${1:-1.9.0} out=build/release
rm -rf "$out/signed" "$out/copy" "$out/again" "$out/old"
mkdir -p "$out/copy"

openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=EndNow test" \
  -addext extendedKeyUsage=codeSigning -keyout "$out/key.pem" -out "$out/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$out/key.pem" -in "$out/cert.pem" -passout pass:x \
  -out "$out/sign.pfx"
SIGN_PFX=$out/sign.pfx SIGN_PASSWORD=x ENDNOW_DIST=$out/signed tools/release.sh

git clone -q --shared . "$out/copy"
git ls-files -co --exclude-standard | tar -c --ignore-failed-read -T - | tar -x -C "$out/copy"
"$out/copy/tools/release.sh"
mv "$out/copy/dist" "$out/again"
sed -i -E "s/^(project\(EndNow VERSION )[0-9.]+/\1$old/" "$out/copy/CMakeLists.txt"
"$out/copy/tools/release.sh"
mv "$out/copy/dist" "$out/old"
