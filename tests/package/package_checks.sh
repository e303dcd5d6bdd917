#!/usr/bin/env bash
# The built package as the desktop and Debian see it: its name and contents,
# the desktop entry (desktop-file-validate), the AppStream metainfo
# (appstreamcli validate --no-net), and lintian. Any error fails the test.
# The programs, shipped and portable, carry no run path: an empty entry in
# one makes the loader look for libraries in the current folder.
# Libraries the program opens itself when first needed, which dpkg-shlibdeps
# cannot see, must be in Depends too; the manual page must name every command
# that --help names.
#   package_checks.sh <deb> <application id> <version> <portable program folder> <source folder>
set -uo pipefail

deb=$1
app_id=$2
version=$3
portable=$4
source=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

[ "$(basename "$deb")" = "zelkor_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "package file name $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = zelkor ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libc6 libqt6core6 libqt6widgets6 libqt6sql6-sqlite qt6-qpa-plugins; do
    grep -q "\\b$dep\\b" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
# Each library opened by name in the source ("LaterLibrary library("asound", 2)"
# opens libasound.so.2) comes from a package that Depends names.
while read -r name major; do
    soname=lib$name.so.$major
    owner=$(dpkg -S "*/$soname" 2>/dev/null | head -n 1 | cut -d: -f1)
    if [ -z "$owner" ]; then
        fail "no installed package holds $soname"
    else
        grep -q "\\b$owner\\b" <<<"$depends" || fail "Depends lacks $owner, for $soname: $depends"
    fi
done < <(grep -rhoE 'LaterLibrary [a-z]+\("[^"]+", [0-9]+\)' "$source/src" | sed -E 's/.*\("([^"]+)", ([0-9]+)\)/\1 \2/' | sort -u)
pass "zelkor $version, depends on $depends"

dpkg -x "$deb" "$work/root" || fail "dpkg -x"
root=$work/root/usr
expected=(
    bin/zelkor lib/zelkor/zelkor lib/zelkor/zelkor.html lib/zelkor/dll/installed
    lib/zelkor/dll/zelkor-helper share/zelkor/zelkor.html
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$app_id.svg" share/man/man1/zelkor.1.gz
    share/doc/zelkor/copyright share/doc/zelkor/changelog.gz share/doc/zelkor/README.md
    share/doc/zelkor/task-file.md "share/dbus-1/interfaces/${app_id}1.xml"
)
for name in guan.dll guan_f.dll res.dll res_f.dll log.dll gua.dll gua_f.dll suo.dll; do
    expected+=("lib/zelkor/dll/$name")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
for path in "${expected[@]}"; do
    [ -e "$root/$path" ] || fail "the package lacks /usr/$path"
done
[ "$(readlink -f "$root/bin/zelkor")" = "$root/lib/zelkor/zelkor" ] || fail "/usr/bin/zelkor leads elsewhere"
[ ! -e "$root/lib/zelkor/dll/zelkor.dll" ] || fail "the package ships a task database"
[ -x "$root/lib/zelkor/zelkor" ] && [ -x "$root/lib/zelkor/dll/guan.dll" ] || fail "programs not executable"
png=$root/share/icons/hicolor/48x48/apps/$app_id.png
file "$png" | grep -q "PNG image data, 48 x 48" || fail "48x48 icon: $(file "$png")"
pass "contents"

for program in "$root/lib/zelkor/zelkor" "$root/lib/zelkor/dll/zelkor-helper" "$portable/zelkor"; do
    paths=$(readelf -d "$program" | grep -E '\((RPATH|RUNPATH)\)')
    [ -z "$paths" ] || fail "$program has a run path: $paths"
done
pass "no run paths"

desktop=$root/share/applications/$app_id.desktop
if out=$(desktop-file-validate "$desktop" 2>&1); then pass "desktop-file-validate"; else fail "desktop-file-validate: $out"; fi
[ -n "$out" ] && echo "$out"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry's icon is not $app_id"
grep -qx "Exec=zelkor" "$desktop" || fail "the desktop entry does not start zelkor"

metainfo=$root/share/metainfo/$app_id.metainfo.xml
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    pass "appstreamcli validate --no-net"
else
    fail "appstreamcli validate: $out"
fi
echo "$out"
grep -q "<id>$app_id</id>" "$metainfo" || fail "AppStream id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "launchable"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version in the metainfo"

man_text=$(zcat "$root/share/man/man1/zelkor.1.gz")
grep -q "zelkor $version" <<<"$man_text" || fail "the manual page does not name version $version"
# Every option and every tasks command of --help, in the page's text without
# the escapes of its markup (\-\-do is --do).
plain_man=$(sed 's/\\//g' <<<"$man_text")
help_text=$("$portable/zelkor" --help)
for word in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help_text" | sort -u) \
            $(grep -oE '(tasks|\|) (list|add|remove|export|import)' <<<"$help_text" | awk '{print "tasks_" $2}'); do
    case $word in
    tasks_*) grep -qw -- "${word#tasks_}" <<<"$plain_man" ;;
    *) grep -qF -- "$word" <<<"$plain_man" ;;
    esac || fail "the manual page does not name ${word/_/ }, which --help names"
done
pass "manual page"

# Errors fail the package; warnings are shown.
if out=$(lintian --fail-on error "$deb" 2>&1); then pass "lintian"; else fail "lintian: $out"; fi
echo "$out"

[ "$failures" -eq 0 ] || exit 1
