#!/usr/bin/env bash
# Installs every package the build, the scripts and the tests need, on Debian
# 12 (a minimal root file system or container image is enough). Idempotent:
# when everything is present it only checks and returns, as any user;
# otherwise it needs root (and goes through sudo when it is there).
# Besides the packages it changes three things on the machine, all listed in
# the README: the i386 architecture, source entries for apt, a German locale.
set -euo pipefail

NATIVE_PKGS=(
  build-essential cmake ninja-build pkg-config                 # compilers, nm, objdump, ctest
  libpng-dev zlib1g-dev libsndfile1-dev libfreetype-dev        # native libraries
  libsamplerate0-dev                                           # the host tool's resampling
  libx11-dev libxtst-dev libxfixes-dev                         # the X11 editor window, its input tests
  fonts-dejavu-core                                            # faces of the Linux text drawing
  libgtest-dev googletest libbenchmark-dev                     # tests, benchmarks
  clang libclang-rt-14-dev                                     # sanitizer build, fuzzers
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64   # Windows builds
  wine wine64 wine32:i386                                      # Windows tests
  xvfb x11-utils                                               # virtual display, xdpyinfo
  dpkg-dev                                                     # dpkg-source for the dependency sources
  file                                                         # the module test
  locales                                                      # locale-gen and the locale definitions
  python3-cairo fonts-inter fontconfig                         # the editor artwork generator, fc-match
  ardour                                                       # a real host: headless sessions, plug-in scanners
  nsis lintian                                                 # the Windows installer, the Debian package's check
  lv2-dev liblilv-dev                                          # the LV2 edition, LV2 hosting in vexa-host
  lilv-utils sordi                                             # lv2info, sord_validate: the bundle's checks
  jalv jackd2                                                  # a GUI host the LV2 edition is tried in
)

# A locale with decimal commas, for the tests that show texts stay
# locale-independent.
LOCALE_LINE='de_DE.UTF-8 UTF-8'
LOCALE_NAME='de_DE.utf8'

# Source entries, needed to obtain the dependency sources for the Windows
# builds. Written from the binary entries, in the format apt uses here.
SRC_SOURCES=/etc/apt/sources.list.d/vexa-src.sources
SRC_LIST=/etc/apt/sources.list.d/vexa-src.list

have_src_lists() {
  ls /var/lib/apt/lists/*_source_Sources* >/dev/null 2>&1
}

# What is missing; checked without root.
missing=()
for p in "${NATIVE_PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
need_arch=0 need_src=0 need_update=0 need_locale_line=0 need_locale=0
dpkg --print-foreign-architectures | grep -qx i386 || need_arch=1
[ -f "$SRC_SOURCES" ] || [ -f "$SRC_LIST" ] || need_src=1
if [ $need_arch -eq 1 ] || [ $need_src -eq 1 ] || ! have_src_lists; then need_update=1; fi
grep -qsx "$LOCALE_LINE" /etc/locale.gen || need_locale_line=1
locale -a 2>/dev/null | grep -ix "$LOCALE_NAME" >/dev/null || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $((need_update + need_locale_line + need_locale)) -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then exec sudo bash "${BASH_SOURCE[0]}"; fi
  echo "setup: the machine needs packages or settings; run this script as root" >&2
  exit 1
fi

if [ $need_arch -eq 1 ]; then
  echo "setup: adding the i386 architecture"
  dpkg --add-architecture i386
fi

if [ $need_src -eq 1 ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources \
      | sed 's/^Types: deb$/Types: deb-src/' > "$SRC_SOURCES"
    echo "setup: wrote $SRC_SOURCES"
  elif [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "$SRC_LIST"
    echo "setup: wrote $SRC_LIST"
  else
    echo "setup: no Debian package sources found to derive source entries from" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The locale is listed in /etc/locale.gen, so that regenerating the locales
# (the locales package does on upgrades) keeps it.
if ! grep -qsx "$LOCALE_LINE" /etc/locale.gen; then
  if grep -qsx "# *$LOCALE_LINE" /etc/locale.gen; then
    sed -i "s/^# *$LOCALE_LINE\$/$LOCALE_LINE/" /etc/locale.gen
  else
    echo "$LOCALE_LINE" >> /etc/locale.gen
  fi
  echo "setup: enabled $LOCALE_LINE in /etc/locale.gen"
fi
if ! locale -a 2>/dev/null | grep -ix "$LOCALE_NAME" >/dev/null; then
  locale-gen --keep-existing
fi
echo "setup: all packages present"
