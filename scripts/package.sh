#!/usr/bin/env bash
# Builds the release files into dist/, from the sources of this tree:
#   Pellowen-VERSION-win64.zip   the Windows programs, the Japanese first read
#                                (はじめにお読みください.txt), the Japanese guide,
#                                the README, the licence and the sample files
#   pellowen_VERSION_amd64.deb   pellowen-batch and pellowen-ntv2 for Debian,
#                                their manual pages, the guide and the samples
#   SHA256SUMS                   the checksums of both
# The version is the CMake project version (CMakeLists.txt). Installs what it
# needs (Debian packages, MinGW-w64) first, as the other scripts do.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh dpkg-dev zip python3
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
cp docs/guide-ja.html docs/dialog.png docs/map.png README.md docs/はじめにお読みください.txt "$z/"
cp LICENSE "$z/LICENSE.txt"
cp examples/* "$z/samples/"
find "$z" -exec touch -h -d "@$stamp" {} +
(cd "$stage" && find "$zipname" -print | LC_ALL=C sort | zip -q -X -@ "../../dist/$zipname.zip")
# The names are UTF-8 and zip does not say so: Explorer on a Japanese Windows
# would read はじめにお読みください.txt as CP932 and show it garbled. Each
# entry whose name is not ASCII gets the UTF-8 flag (bit 11) in its local
# and its central header; nothing else changes.
python3 - "dist/$zipname.zip" <<'PY'
import struct
import sys

path = sys.argv[1]
data = bytearray(open(path, "rb").read())
end = data.rfind(b"PK\x05\x06")
count, _, pos = struct.unpack_from("<HII", data, end + 10)
for _ in range(count):
    assert data[pos:pos + 4] == b"PK\x01\x02"
    name_length, extra_length, comment_length = struct.unpack_from("<HHH", data, pos + 28)
    local = struct.unpack_from("<I", data, pos + 42)[0]
    name = bytes(data[pos + 46:pos + 46 + name_length])
    if any(byte >= 0x80 for byte in name):
        name.decode("utf-8")
        for flags in (pos + 8, local + 6):
            struct.pack_into("<H", data, flags, struct.unpack_from("<H", data, flags)[0] | 0x800)
    pos += 46 + name_length + extra_length + comment_length
open(path, "wb").write(data)
PY

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
install -m 0644 docs/guide-ja.html docs/dialog.png docs/map.png README.md "$doc/"
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
Description: survey point conversion between the Tokyo datum and JGD2000/JGD2011
 Converts the coordinates of survey points on Japan's plane rectangular
 coordinate systems (zones 1 to 19) between the old Tokyo datum and
 JGD2000/JGD2011 (the world geodetic system), in either direction. JGD2011
 is reached with the coordinate correction files of the Geospatial
 Information Authority of Japan (GSI), which correct the areas where the
 crust moved; elsewhere JGD2011 equals JGD2000. The shift to JGD2000 comes
 from the GSI's land grid parameter file (.par) and the sea-area grid
 parameter file (.jhd) of the Japan Coast Guard. Reads SIMA or "name, X, Y"
 text files and writes SIMA or XYBL text files with a conversion log, all in
 CP932.
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
