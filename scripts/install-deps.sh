#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Lumicomb need, and any named on the
# command line, if any are missing.
set -euo pipefail

# help2man writes the manual pages at build time; dpkg-dev's dpkg-shlibdeps lists the package's
# libraries when the tests make the package.
packages=(g++ cmake ninja-build pkg-config libfreeimage-dev liblcms2-dev libexiv2-dev qt6-base-dev
  libgtest-dev libopencv-dev libjpeg62-turbo-dev libtiff-dev libdeflate-dev help2man dpkg-dev
  "$@")

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
