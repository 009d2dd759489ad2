#!/usr/bin/env bash
# Installs the Debian packages a command needs, when they are missing.
#   scripts/deps.sh run    what building and running the Linux program needs
#   scripts/deps.sh test   that, plus the test tools, the Windows cross compiler and Wine, and
#                          what scripts/package and scripts/fuzz need
#   scripts/deps.sh package  what scripts/package needs
#   scripts/deps.sh fuzz     what scripts/fuzz needs (clang brings libFuzzer)
set -euo pipefail

run_packages=(cmake make g++ pkg-config libudev-dev qt6-base-dev fonts-dejavu-core libcli11-dev libtomlplusplus-dev nlohmann-json3-dev)
test_packages=("${run_packages[@]}" libgtest-dev googletest xvfb xauth xdotool imagemagick
               g++-mingw-w64-x86-64 wine wine64)

# Packaging: the cross compiler for the zip, dpkg-shlibdeps (dpkg-dev) and lintian for the .deb.
package_packages=("${run_packages[@]}" g++-mingw-w64-x86-64 dpkg-dev lintian)

case "${1:-test}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${test_packages[@]}" dpkg-dev lintian clang) ;;
  package) wanted=("${package_packages[@]}") ;;
  fuzz) wanted=("${run_packages[@]}" clang) ;;
  *) echo "usage: $0 run|test|package|fuzz" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt=(apt-get)
elif command -v sudo >/dev/null; then
  apt=(sudo apt-get)
else
  echo "These Debian packages are missing and this user cannot install them: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${apt[@]}" update -qq || true
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
