#!/usr/bin/env bash
# Installs every package the build and the tests need. Idempotent: when all
# packages are present it only checks and returns.
set -euo pipefail

NATIVE_PKGS=(
  build-essential cmake ninja-build pkg-config
  libpng-dev zlib1g-dev libsndfile1-dev libfreetype-dev fonts-dejavu-core
  libx11-dev libxtst-dev libxfixes-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
  wine wine64 wine32:i386 xvfb xauth x11-utils
  dpkg-dev
  python3-cairo fonts-inter fontconfig
)

missing=()
for p in "${NATIVE_PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

have_src_lists() {
  ls /var/lib/apt/lists/*_source_Sources* >/dev/null 2>&1
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

# Source entries, needed to obtain zlib and libpng sources for the Windows builds.
SRC_LIST=/etc/apt/sources.list.d/vexa-src.sources
if [ ! -f "$SRC_LIST" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources \
      | sed 's/^Types: deb$/Types: deb-src/' > "$SRC_LIST"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "${SRC_LIST%.sources}.list"
    touch "$SRC_LIST"
  fi
  need_update=1
fi
if ! have_src_lists; then need_update=1; fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# A locale with decimal commas, for the tests that show texts stay
# locale-independent.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
echo "setup: all packages present"
