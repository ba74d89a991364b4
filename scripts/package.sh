#!/usr/bin/env bash
# Builds every release artefact into dist/ with a SHA256SUMS file:
#   vexa_<version>_amd64.deb              Debian package
#   Vexa-<version>-linux-x86_64.tar.gz    the same files for other distributions
#   Vexa-<version>-windows.zip            the Windows files
#   Vexa-<version>-setup.exe              the Windows installer
# Reproducibly: the same commit gives the same bytes. Every time comes from
# SOURCE_DATE_EPOCH (the last commit's time unless set), archive members are
# sorted with fixed owners, modes and times, and the modules are built in
# release trees of their own (build/package-*) that record no build paths or
# link times. Uncommitted changes are packaged too, but dated by the commit.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

root=$VEXA_ROOT
dist=$root/dist
stage=$root/build/package-stage
# The packaging files the Linux release tree made from packaging/ with the
# identity of cmake/Identity.cmake.
packaging=$root/build/package-linux/packaging
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
unset DESTDIR
umask 022

fail() { echo "package: $*" >&2; exit 1; }

# Fixed modes and times for everything under a staging folder: programs and
# folders 755, everything else 644, every time SOURCE_DATE_EPOCH.
normalize() {
  find "$1" -type d -exec chmod 755 {} +
  find "$1" -type f -perm /111 -exec chmod 755 {} +
  find "$1" -type f ! -perm /111 -exec chmod 644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# Fails when a staged file names the build machine's tree.
check_no_build_paths() { # folder
  local found
  found=$(grep -rlaF "$root" "$1" || true)
  [ -z "$found" ] || fail "these files record the build path $root: $found"
}

build_trees() {
  vexa_setup
  vexa_build package-linux package-win32 package-win64
  source "$packaging/release.env"
  version=$VEXA_VERSION
  deb_name=vexa_${version}_amd64.deb
  tar_top=$VEXA_NAME-$version-linux-x86_64
  win_top=$VEXA_NAME-$version-windows
  setup_name=$VEXA_NAME-$version-setup.exe
}

# cmake --install of the Linux release tree into DESTDIR=$1 under prefix $2.
install_linux() {
  DESTDIR=$1 cmake --install "$root/build/package-linux" --prefix "$2" --strip >/dev/null
}

# The Debian package's dependencies: the libraries the binaries link, as
# dpkg-shlibdeps names their packages, and the fonts the editor draws with.
# It reads the package's name from a control file in debian/ beside the
# package's tree, debian/vexa, and finds that tree by its DEBIAN folder.
debian_depends() { # binaries, relative to $stage
  printf 'Source: vexa\n\nPackage: vexa\nArchitecture: amd64\n' >"$stage/debian/control"
  (cd "$stage" && dpkg-shlibdeps -O "$@") | sed -n 's/^shlibs:Depends=//p' | sed 's/$/, fonts-dejavu-core/'
}

make_deb() {
  local deb=$stage/debian/vexa doc
  install_linux "$deb" /usr
  # The LV2 edition is left out of builds that lack the LV2 headers; a
  # release has every edition.
  [ -f "$deb/usr/lib/lv2/Vexa.lv2/manifest.ttl" ] || fail "the release tree has no LV2 bundle"
  gzip -9n "$deb/usr/share/man/man1/vexa-host.1"
  check_no_build_paths "$deb"
  doc=$deb/usr/share/doc/vexa
  {
    echo "$VEXA_NAME $version, copyright $VEXA_VENDOR, under the MIT licence:"
    echo
    cat "$root/LICENSE"
    echo
    echo
    cat "$root/THIRD-PARTY.txt"
  } >"$doc/copyright"
  # Debian's changelog, for the package tools; the changes themselves are
  # in CHANGELOG.md beside it.
  {
    echo "vexa ($version) unstable; urgency=medium"
    echo
    echo "  * Release $version; see /usr/share/doc/vexa/CHANGELOG.md."
    echo
    echo " -- $(sed -n 's/^Maintainer: //p' "$packaging/debian/control")  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
  } | gzip -9n >"$doc/changelog.gz"

  local depends size
  mkdir -p "$deb/DEBIAN"
  depends=$(cd "$stage" && debian_depends $(find debian/vexa/usr -name '*.so' -o -path '*/bin/*' -type f | sort))
  [ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"
  size=$(du -sk --apparent-size "$deb/usr" | cut -f1)
  sed -e "s|%INSTALLED_SIZE%|$size|" -e "s|%DEPENDS%|$depends|" "$packaging/debian/control" >"$deb/DEBIAN/control"
  (cd "$deb" && find usr -type f | sort | xargs -d '\n' md5sum) >"$deb/DEBIAN/md5sums"
  normalize "$deb"
  dpkg-deb --root-owner-group -Zxz --build "$deb" "$dist/$deb_name" >/dev/null
  echo "== $deb_name: depends on $depends"
  lintian --fail-on error "$dist/$deb_name" || fail "lintian reports errors"
}

make_tar() {
  local top=$stage/linux/$tar_top
  install_linux "" "$top"
  check_no_build_paths "$top"
  cp "$packaging/linux/INSTALL.txt" "$top/INSTALL.txt"
  normalize "$stage/linux"
  tar -C "$stage/linux" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
    --format=gnu -cf - "$tar_top" | gzip -9n >"$dist/$tar_top.tar.gz"
}

# Texts for Windows: CRLF line ends, which every editor there shows.
to_crlf() { sed -i 's/\r*$/\r/' "$@"; }

stage_windows() {
  local top=$stage/windows/$win_top tree
  for tree in package-win32 package-win64; do
    cmake --install "$root/build/$tree" --prefix "$top" --strip >/dev/null
  done
  check_no_build_paths "$top"
  mkdir -p "$top/Presets/VST2" "$top/Presets/VST3"
  cp "$root"/build/package-linux/presets/vst2/*.fxp "$top/Presets/VST2/"
  cp "$root"/build/package-linux/presets/vst3/*.vstpreset "$top/Presets/VST3/"
  cp "$packaging/windows/INSTALL.txt" "$top/INSTALL.txt"
  to_crlf "$top"/*.txt
  normalize "$stage/windows"
}

# A zip archive with sorted members, fixed times and modes.
make_zip() {
  python3 - "$stage/windows" "$win_top" "$dist/$win_top.zip" <<'EOF'
import os, sys, time, zipfile
base, top, out = sys.argv[1:]
# Zip times are local times with a 2-second resolution from 1980 on.
when = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
paths = []
for folder, _, files in os.walk(os.path.join(base, top)):
    paths += [os.path.relpath(os.path.join(folder, f), base) for f in files]
with zipfile.ZipFile(out, "w") as z:
    for path in sorted(paths):
        info = zipfile.ZipInfo(path.replace(os.sep, "/"), when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0
        info.external_attr = 0
        with open(os.path.join(base, path), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
EOF
}

make_setup() {
  local top=$stage/windows/$win_top deletes=$stage/nsis/preset-deletes.nsh f
  mkdir -p "$stage/nsis"
  # The uninstaller removes exactly the preset files the installer wrote.
  {
    for f in "$top"/Presets/VST2/*.fxp; do
      printf '  Delete "$AppDir\\Presets\\%s"\n' "$(basename "$f")"
    done
    for f in "$top"/Presets/VST3/*.vstpreset; do
      printf '  Delete "$Vst3PresetDir\\%s"\n' "$(basename "$f")"
    done
  } >"$deletes"
  makensis -V2 -DIDENTITY="$packaging/windows/Identity.nsh" -DSTAGE="$top" -DOUTFILE="$dist/$setup_name" \
    -DPRESET_DELETES="$deletes" "$root/packaging/windows/Vexa.nsi"
}

build_trees
rm -rf "$stage" "$dist"
mkdir -p "$stage" "$dist"
make_deb
make_tar
stage_windows
make_zip
make_setup
(cd "$dist" && sha256sum "$deb_name" "$tar_top.tar.gz" "$win_top.zip" "$setup_name" >SHA256SUMS)
echo "== $VEXA_NAME $version in $dist (SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH)"
(cd "$dist" && ls -l --time-style=+ | tail -n +2 && cat SHA256SUMS)
