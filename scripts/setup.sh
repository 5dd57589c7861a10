#!/usr/bin/env bash
# Prepares a fresh Debian 12 machine: packages, third-party sources.
# Idempotent: a second run only checks.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# fonts-wine: Wine's own faces (Marlett draws the caption buttons), which
# --no-install-recommends would otherwise leave out; wine-prefix.sh copies
# them into the prefix.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth x11-apps googletest zip unzip dpkg-dev python3
  fcitx-tools fcitx-table-wubi wamerican fonts-wqy-microhei fonts-wine)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Sources of minizip (zlib's contrib) and libpng, through a deb-src list of our
# own so the machine's apt configuration stays untouched.
tp="$root/third_party"
if [ ! -f "$tp/.ready" ]; then
  mkdir -p "$tp/apt/lists/partial" "$tp/apt/sources.list.d" "$tp/src"
  # The same archive the machine installs from, as a source list.
  mirror=$( { grep -hE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true
              grep -hE '^deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
                sed -E 's/\[[^]]*\]//' | awk '{print $2}' || true; } | grep -v -- '-security' | head -n1 || true)
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  [ -n "$mirror" ] && [ -n "$codename" ] || { echo "no Debian archive configured" >&2; exit 1; }
  echo "deb-src $mirror $codename main" > "$tp/apt/sources.list"
  aptopts=(-o "Dir::Etc::SourceList=$tp/apt/sources.list"
           -o "Dir::Etc::SourceParts=$tp/apt/sources.list.d"
           -o "Dir::State::Lists=$tp/apt/lists")
  apt-get "${aptopts[@]}" update -q
  (cd "$tp/src" && rm -rf ./* && apt-get "${aptopts[@]}" source -q zlib libpng1.6)
  zdir=$(find "$tp/src" -maxdepth 1 -type d -name 'zlib-*' | head -n1)
  pdir=$(find "$tp/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)
  [ -f "$zdir/contrib/minizip/unzip.c" ] || { echo "minizip sources missing" >&2; exit 1; }
  [ -f "$pdir/png.c" ] || { echo "libpng sources missing" >&2; exit 1; }
  ln -sfn "$zdir" "$tp/zlib"
  ln -sfn "$pdir" "$tp/libpng"
  touch "$tp/.ready"
fi
echo "setup: ready"
