#!/usr/bin/env bash
# The desktop's files of the station pass their validators and agree with each other and with the
# package: desktop-file-validate, appstreamcli, update-mime-database, the icon sizes, and the one
# version in CMake, debian/changelog and the metainfo's releases. The files are installed with
# `cmake --install --component desktop` into a scratch root first, so the install rules are
# checked on the way.
# Usage: desktop_data_test.sh SOURCE_DIR BINARY_DIR PROJECT_VERSION
set -uo pipefail
src=$1 bin=$2 version=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate appstreamcli update-mime-database; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps installs it)"; exit 1; }
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$bin" --component desktop --prefix "$root/usr" >/dev/null || fail "cmake --install --component desktop"
share=$root/usr/share
desktop=$share/applications/vlk-station.desktop
mime=$share/mime/packages/vlk-station.xml
metainfo=$share/metainfo/org.example.VlkStation.metainfo.xml
for f in "$desktop" "$mime" "$metainfo" "$share/icons/hicolor/scalable/apps/vlk-station.svg" \
         "$share/icons/hicolor/48x48/apps/vlk-station.png" "$share/icons/hicolor/128x128/apps/vlk-station.png" \
         "$root/usr/lib/udev/rules.d/60-vlk-station.rules"; do
  [[ -f $f ]] || fail "not installed: ${f#"$root"}"
done

# The desktop entry: no error and no warning either.
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[[ -z $out ]] || fail "desktop-file-validate says: $out"
grep -qx 'Exec=vlk-station %f' "$desktop" || fail "the entry does not pass the file to the station (Exec=vlk-station %f)"
grep -qx 'Name\[ru\]=Станция ВЛК2.2' "$desktop" || fail "no Russian name"
grep -q '^Comment\[ru\]=' "$desktop" || fail "no Russian comment"
grep -q '^Keywords\[ru\]=' "$desktop" || fail "no Russian keywords"

# The metainfo, alone and in its tree.
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree: $out"
grep -q '<launchable type="desktop-id">vlk-station.desktop</launchable>' "$metainfo" || fail "metainfo launches another entry"
grep -q '<screenshot type="default">' "$metainfo" || fail "metainfo has no default screenshot"

# The MIME type: the database made from the package file knows *.vlk, in Russian too.
mkdir -p "$root/mime/packages"
cp "$mime" "$root/mime/packages/"
out=$(update-mime-database "$root/mime" 2>&1 | grep -v -e "is not in the search path" -e "^set by the XDG" \
      -e "^environment variables" -e "^be able to find it" -e "^directories currently searched" -e "^- " -e "^$")
[[ -z $out ]] || fail "update-mime-database: $out"
grep -qx 'application/x-vlk-configuration:\*.vlk' <(cut -d: -f2- "$root/mime/globs2") \
  || fail "the MIME database has no glob *.vlk for application/x-vlk-configuration"
grep -q 'Конфигурация дорожного контроллера ВЛК2.2' "$root/mime/application/x-vlk-configuration.xml" 2>/dev/null \
  || fail "the MIME type has no Russian comment"
grep -qx 'MimeType=application/x-vlk-configuration;' "$desktop" || fail "the entry does not open application/x-vlk-configuration"
grep -q '<mediatype>application/x-vlk-configuration</mediatype>' "$metainfo" || fail "metainfo does not provide the type"

# The icons are the sizes their folders say.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
for size in 48x48 128x128; do
  got=$(png_size "$share/icons/hicolor/$size/apps/vlk-station.png")
  [[ $got == "$size" ]] || fail "icon in $size is $got"
done
grep -qx 'Icon=vlk-station' "$desktop" || fail "the entry names another icon"

# One version everywhere.
changelog=$(sed -n '1s/^vlk-station (\([^)-]*\).*/\1/p' "$src/debian/changelog")
[[ $changelog == "$version" ]] || fail "debian/changelog says $changelog, CMake says $version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

[[ $failures -eq 0 ]] && echo "desktop files, MIME type, metainfo and icons valid; version $version"
exit $((failures > 0))
