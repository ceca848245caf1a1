#!/usr/bin/env bash
# Checks the Debian package that `cpack -G DEB` made in build directory $1, without installing it: its
# control fields (name, version, architecture, the library dependencies dpkg-shlibdeps found), the files
# it holds, the metadata validators where they are installed (appstreamcli, desktop-file-validate, groff
# for the manual pages), the guide interface library's binary interface and a C client built against it
# with pkg-config, and that the programs it holds start: they are unpacked into a throwaway root
# and run from there. Prints what it checked; exits non-zero on the first failure.
set -euo pipefail

dir=${1:?usage: check-package.sh BUILD-DIRECTORY}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
deb=$dir/lumacurve_${version}_amd64.deb
failures=0

check()
{
    local what=$1
    shift
    if "$@"; then
        echo "package: ok: $what"
    else
        echo "package: FAILED: $what"
        failures=$((failures + 1))
    fi
}

[[ -f $deb ]] || { echo "package: FAILED: $deb was not made"; exit 1; }

# --- control fields ---------------------------------------------------------------------------------
field()
{
    dpkg-deb -f "$deb" "$1"
}
check "Package is lumacurve" test "$(field Package)" = lumacurve
check "Version is the project's version $version" test "$(field Version)" = "$version"
check "Architecture is amd64" test "$(field Architecture)" = amd64
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libqt6printsupport6 libc6 libstdc++6; do
    check "Depends names $library (from dpkg-shlibdeps)" grep -q "\b$library (>= " <<<"$depends"
done
for package in qt6-qpa-plugins fonts-dejavu-core fonts-liberation2; do
    check "Depends names $package" grep -q "\b$package\b" <<<"$depends"
done
check "the description has a summary and a long text" test "$(field Description | wc -l)" -gt 2
check "the shlibs file names liblumatutor.so.1" \
    grep -qx "liblumatutor 1 lumacurve (>= $version)" <(dpkg-deb -I "$deb" shlibs 2>/dev/null)
check "installing and removing runs ldconfig" grep -q ldconfig <(dpkg-deb -I "$deb" postinst 2>/dev/null)

# --- contents ---------------------------------------------------------------------------------------
# Symbolic links are listed as "path -> target": the path is what the package holds.
contents=$(dpkg-deb -c "$deb" | sed 's/ -> .*//' | awk '{print $NF}' | sed 's#^\./#/#')
expected=(
    /usr/bin/lumacurve
    /usr/bin/lcvtool
    /usr/share/applications/lumacurve.desktop
    /usr/share/mime/packages/lumacurve.xml
    /usr/share/icons/hicolor/scalable/apps/lumacurve.svg
    /usr/share/icons/hicolor/scalable/mimetypes/application-x-lumacurve.svg
    /usr/share/man/man1/lumacurve.1.gz
    /usr/share/man/man1/lcvtool.1.gz
    /usr/share/metainfo/org.brenlow.Lumacurve.metainfo.xml
    /usr/share/lumacurve/examples/Trigonometry.lcv
    /usr/share/doc/lumacurve/help/contents.html
    /usr/lib/liblumatutor.so.1.0.0
    /usr/lib/liblumatutor.so.1
    /usr/lib/liblumatutor.so
    /usr/include/lumatutor.h
    /usr/lib/pkgconfig/lumatutor.pc
    /usr/share/dbus-1/services/org.brenlow.Lumacurve.service
)
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/lumacurve.png")
done
for path in "${expected[@]}"; do
    check "holds $path" grep -qx "$path" <<<"$contents"
done
check "holds nothing outside /usr" test -z "$(grep -v '^/usr' <<<"$contents" | grep -vx '/' || true)"

# --- the unpacked files -----------------------------------------------------------------------------
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

# A PNG's width and height are big-endian numbers at bytes 16 and 20.
png_size()
{
    od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'
}
for size in 16 32 48 64 128 256; do
    check "the ${size}px icon is ${size}x${size}" \
        test "$(png_size "$share/icons/hicolor/${size}x${size}/apps/lumacurve.png")" = "${size}x${size}"
done
check "the AppStream release is $version" \
    grep -q "<release version=\"$version\"" "$share/metainfo/org.brenlow.Lumacurve.metainfo.xml"
check "the desktop entry has one main category" \
    test "$(grep '^Categories=' "$share/applications/lumacurve.desktop" | tr ';=' '\n\n' |
        grep -cxE 'AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility')" = 1

if command -v appstreamcli >/dev/null 2>&1; then
    check "appstreamcli validate --no-net" appstreamcli validate --no-net "$share/metainfo/org.brenlow.Lumacurve.metainfo.xml"
else
    echo "package: skipped: appstreamcli is not installed"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
    check "desktop-file-validate" desktop-file-validate "$share/applications/lumacurve.desktop"
else
    echo "package: skipped: desktop-file-validate is not installed"
fi
if command -v groff >/dev/null 2>&1; then
    for page in lumacurve lcvtool; do
        warnings=$(zcat "$share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1 || true)
        check "the manual page $page.1 formats without warnings" test -z "$warnings"
        [[ -z $warnings ]] || echo "$warnings"
    done
else
    echo "package: skipped: groff is not installed"
fi

# --- the guide interface library, as a tutoring program built with pkg-config sees it ---------------------
library=$root/usr/lib/liblumatutor.so.1
check "liblumatutor.so.1 and liblumatutor.so link to the library" \
    test "$(readlink "$library")" = liblumatutor.so.1.0.0 -a "$(readlink "$root/usr/lib/liblumatutor.so")" = liblumatutor.so.1
check "liblumatutor exports the guide functions only" \
    "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../tests/guidelib/check-exports.sh" "$library"
pkgconfig()
{
    PKG_CONFIG_PATH=$root/usr/lib/pkgconfig pkg-config "$@" lumatutor
}
if command -v pkg-config >/dev/null 2>&1 && command -v cc >/dev/null 2>&1; then
    for folder in include lib; do
        check "pkg-config's ${folder}dir is the unpacked tree's /usr/$folder" \
            test "$(realpath -m "$(pkgconfig --variable=${folder}dir)")" = "$(realpath -m "$root/usr/$folder")"
    done
    # shellcheck disable=SC2046 # the flags are words
    check "a C client builds with pkg-config's flags" \
        cc -std=c99 -Wall -Werror -o "$root/client" -x c - $(pkgconfig --cflags --libs) <<'CLIENT'
#include <lumatutor.h>
#include <stdio.h>
int main(void) { printf("%d %d\n", (int)Redraw(), (int)OpenLCVFile("Lines", "1")); return 0; }
CLIENT
    check "the client answers 0 without a running program" \
        test "$(LD_LIBRARY_PATH=$root/usr/lib LUMACURVE_GUIDE_SOCKET=$root/no-program "$root/client")" = "0 0"
else
    echo "package: skipped: pkg-config or a C compiler is not installed"
fi

# --- the programs start from the unpacked tree -------------------------------------------------------
check "lcvtool --version" test "$("$root/usr/bin/lcvtool" --version)" = "lcvtool $version"
check "lumacurve --version without a display" \
    test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/lumacurve" --version)" = "lumacurve $version"
check "lcvtool eval" test "$("$root/usr/bin/lcvtool" eval --set x=3 'x{^{2}' | sed -n 2p)" = "value: 9"
home=$root/home
mkdir -p "$home"
check "lumacurve draws the packaged example off screen" \
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/lumacurve" --screenshot "$root/window.png" "$share/lumacurve/examples/Trigonometry.lcv"
check "the window picture is 1280x800" test "$(png_size "$root/window.png")" = 1280x800

if ((failures > 0)); then
    echo "package: $failures checks failed"
    exit 1
fi
echo "package: every check passed"
