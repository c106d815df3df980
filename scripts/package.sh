#!/usr/bin/env bash
# Builds the release files into dist/, from the sources of this tree:
#   Pellowen-VERSION-win64.zip   the Windows programs, the Japanese guide, the
#                                README, the licence and the sample files
#   pellowen_VERSION_amd64.deb   pellowen-batch and pellowen-ntv2 for Debian,
#                                their manual pages, the guide and the samples
#   SHA256SUMS                   the checksums of both
# The version is the CMake project version (CMakeLists.txt). Installs what it
# needs (Debian packages, MinGW-w64) first, as the other scripts do.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh dpkg-dev zip
bash scripts/ensure-windows-tools.sh
jobs=$(nproc)

# The same builds as scripts/test.sh; only the programs shipped are built.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$jobs" --target pellowen-batch pellowen-ntv2
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build/windows -j "$jobs" --target Pellowen pellowen-batch pellowen-ntv2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
[ -n "$version" ] || { echo "package.sh: no project version in build/release" >&2; exit 1; }

# Every file of the archives gets the time of the last commit, when there is
# one, so that two builds of one commit differ only where the compilers do.
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
stage=build/package
rm -rf "$stage" dist
mkdir -p "$stage" dist
umask 022

# ---- Windows zip ----
zipname=Pellowen-$version-win64
z=$stage/$zipname
mkdir -p "$z/samples"
cp build/windows/frontend/dialog/Pellowen.exe build/windows/cli/pellowen-batch.exe \
   build/windows/tools/pellowen-ntv2.exe "$z/"
x86_64-w64-mingw32-strip "$z"/*.exe
cp docs/guide-ja.html docs/dialog.png README.md "$z/"
cp LICENSE "$z/LICENSE.txt"
cp examples/* "$z/samples/"
find "$z" -exec touch -h -d "@$stamp" {} +
(cd "$stage" && find "$zipname" -print | LC_ALL=C sort | zip -q -X -@ "../../dist/$zipname.zip")

# ---- Debian package ----
debname=pellowen_${version}_amd64
d=$stage/$debname
doc=$d/usr/share/doc/pellowen
mkdir -p "$d/DEBIAN" "$d/usr/bin" "$d/usr/share/man/man1" "$doc/examples"
install -m 0755 build/release/cli/pellowen-batch build/release/tools/pellowen-ntv2 "$d/usr/bin/"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$d"/usr/bin/*
for page in pellowen-batch pellowen-ntv2; do
  sed "s/@VERSION@/$version/g" "docs/man/$page.1.in" | gzip -9n >"$d/usr/share/man/man1/$page.1.gz"
done
install -m 0644 docs/guide-ja.html docs/dialog.png README.md "$doc/"
install -m 0644 examples/* "$doc/examples/"
{
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Pellowen"
  echo
  echo "Files: *"
  echo "License: MIT"
  echo
  cat LICENSE
} >"$doc/copyright"

# The libraries the programs link, as Debian dependencies.
shlibs=$(mktemp -d)
mkdir "$shlibs/debian"
printf 'Source: pellowen\n\nPackage: pellowen\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O -e"$OLDPWD/$d/usr/bin/pellowen-batch" -e"$OLDPWD/$d/usr/bin/pellowen-ntv2" 2>/dev/null |
          sed -n 's/^shlibs:Depends=//p')
rm -rf "$shlibs"
[ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

cat >"$d/DEBIAN/control" <<CONTROL
Package: pellowen
Version: $version
Architecture: amd64
Maintainer: Pellowen developers <pellowen@users.invalid>
Installed-Size: $(du -sk --exclude=DEBIAN "$d" | cut -f1)
Depends: $depends
Section: science
Priority: optional
Description: survey point conversion between the Tokyo datum and JGD2000
 Converts the coordinates of survey points on Japan's plane rectangular
 coordinate systems (zones 1 to 19) between the old Tokyo datum and JGD2000,
 in either direction, with the land grid parameter file (.par) of the
 Geospatial Information Authority of Japan and the sea-area grid parameter
 file (.jhd) of the Japan Coast Guard; with the GSI's coordinate correction
 files it goes on to JGD2011. Reads SIMA or "name, X, Y" text files and
 writes SIMA or XYBL text files with a conversion log, all in CP932.
 .
 pellowen-batch runs one conversion, or many files in one run;
 pellowen-ntv2 writes a grid parameter file or a correction file as an NTv2
 grid shift file.
 The guide in Japanese and synthetic sample files are in
 /usr/share/doc/pellowen.
CONTROL
find "$d" -exec touch -h -d "@$stamp" {} +
dpkg-deb --root-owner-group -Zxz --build "$d" "dist/$debname.deb" >/dev/null

(cd dist && sha256sum "$zipname.zip" "$debname.deb" >SHA256SUMS)
echo "dist/:"
ls -l dist
