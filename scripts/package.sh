#!/usr/bin/env bash
# Builds Lumicomb and makes its Debian package, lumicomb_<version>_<arch>.deb, in the top folder;
# install it with `sudo apt install ./lumicomb_*.deb`. With lintian installed, checks it too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
rm -rf build/package
(cd build && cpack -G DEB -B package)
package=$(ls build/package/lumicomb_*.deb)
rm -f lumicomb_*.deb
mv "$package" .
package=$(basename "$package")
if command -v lintian >/dev/null; then
  lintian --info "$package" || true
fi
echo "made $package ($(dpkg-deb -f "$package" Installed-Size) KiB installed)"
