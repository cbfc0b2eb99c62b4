#!/usr/bin/env bash
# check_package.sh install|deb BUILD_DIR VERSION APP_ID
#
# install: `cmake --install` into a scratch prefix; the programs, the menu entry, the icons,
#          the man pages and the AppStream data are where a desktop looks for them and pass
#          their validators; every program answers --help and --version without a display.
# deb:     `cpack -G DEB` builds the package; its dependencies are Debian's Qt runtime
#          packages; unpacked into a scratch root (dpkg -x), the programs start from there,
#          velmar-ui keeps its Settings.ini in ~/.config/velmar-ui/, and velmar-cli downloads
#          the installed examples into the simulated board.
set -euo pipefail
mode="$1" build="$2" version="$3" id="$4"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is missing (package $2)"; exit 77; }; }
expect_file() { [ -f "$1" ] || fail "missing $1"; }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The width and height of a PNG from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }

# --help and --version of every program, without a display: a program that asked the window
# system for one would abort here.
check_options() {
    local bin="$1" p out
    for p in velmar-ui velmar-cli velmar-sim; do
        out="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$bin/$p" --version 2>&1)" ||
            fail "$p --version exits with $?"
        [ "$out" = "$p $version" ] || fail "$p --version says '$out'"
        out="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$bin/$p" --help 2>&1)" ||
            fail "$p --help exits with $?"
        [[ "$out" =~ ^Usage:\ (.*/)?$p\  ]] || fail "$p --help says '${out%%$'\n'*}'"
    done
}

check_install() {
    need desktop-file-validate desktop-file-utils
    need appstreamcli appstream
    local p="$scratch/prefix" share="$scratch/prefix/share" f
    cmake --install "$build" --prefix "$p" >/dev/null

    # Programs: the three, and no test or benchmark program.
    [ "$(ls "$p/bin" | tr '\n' ' ')" = "velmar-cli velmar-sim velmar-ui " ] ||
        fail "bin holds: $(ls "$p/bin" | tr '\n' ' ')"
    check_options "$p/bin"

    local desktop="$share/applications/$id.desktop"
    expect_file "$desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    grep -qx "Exec=velmar-ui" "$desktop" || fail "the menu entry does not start velmar-ui"
    grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"

    expect_file "$share/icons/hicolor/scalable/apps/$id.svg"
    grep -q "<svg" "$share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"
    for size in 48x48 256x256; do
        f="$share/icons/hicolor/$size/apps/$id.png"
        expect_file "$f"
        if [ -f "$f" ] && [ "$(png_size "$f")" != "$size" ]; then fail "$f is $(png_size "$f")"; fi
    done

    local metainfo="$share/metainfo/$id.metainfo.xml"
    expect_file "$metainfo"
    appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate"
    appstreamcli validate-tree --no-net "$p" || fail "appstreamcli validate-tree"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream release is not $version"

    for page in velmar-ui velmar-cli velmar-sim; do
        f="$share/man/man1/$page.1"
        expect_file "$f"
        if [ -f "$f" ] && command -v groff >/dev/null; then
            local warnings
            warnings="$(groff -man -Tutf8 -ww -z "$f" 2>&1)"
            [ -z "$warnings" ] || fail "$page.1: $warnings"
        fi
    done
    expect_file "$share/doc/velmar/examples/demo-firmware.hex"
    expect_file "$share/doc/velmar/examples/demo-program.vlb"
}

check_deb() {
    need cpack cmake
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log" >&2; fail "cpack"; return; }
    local deb="$scratch/out/velmar_${version}_$(dpkg --print-architecture).deb"
    [ -f "$deb" ] || { fail "no package $deb: $(ls "$scratch/out")"; return; }

    # Dependencies: Qt's runtime libraries as Debian names them, no development package, and
    # every name one that this system knows.
    local depends dep
    depends="$(dpkg-deb -f "$deb" Depends)"
    echo "Depends: $depends"
    for dep in libqt6core6 libqt6gui6 libqt6widgets6; do
        [[ ", $depends," == *", $dep "* ]] || fail "Depends lacks $dep"
    done
    if [[ "$depends" == *-dev* ]]; then fail "Depends names a development package"; fi
    for dep in $(echo "$depends" | tr ',' '\n' | sed 's/(.*)//; s/|.*//' | tr -d ' '); do
        dpkg-query -W "$dep" >/dev/null 2>&1 || apt-cache show "$dep" >/dev/null 2>&1 || fail "unknown package $dep"
    done

    local root="$scratch/root"
    dpkg -x "$deb" "$root"
    local bin="$root/usr/bin"
    for p in velmar-ui velmar-cli velmar-sim; do
        expect_file "$bin/$p"
        # No path into the build tree is left in the programs.
        if readelf -d "$bin/$p" | grep -q "$build"; then fail "$p still looks for libraries in the build tree"; fi
        if ldd "$bin/$p" | grep -q "not found"; then fail "$p lacks a library: $(ldd "$bin/$p" | grep 'not found')"; fi
    done
    expect_file "$root/usr/share/applications/$id.desktop"
    expect_file "$root/usr/share/man/man1/velmar-ui.1"

    local out
    out="$(QT_QPA_PLATFORM=offscreen "$bin/velmar-ui" --version)" || fail "velmar-ui --version exits with $?"
    [ "$out" = "velmar-ui $version" ] || fail "velmar-ui --version says '$out'"
    check_options "$bin"

    # The installed window keeps its settings in the user's folder, even where it could write
    # beside itself (this check may well run as root).
    local home="$scratch/home" config="$scratch/home/.config/velmar-ui"
    mkdir -p "$config"
    printf '[Hauptfenster]\nComPort=SIM\n' >"$config/Settings.ini"
    HOME="$home" XDG_CONFIG_HOME="" QT_QPA_PLATFORM=offscreen "$bin/velmar-ui" >"$scratch/ui.log" 2>&1 &
    local ui=$!
    sleep 2
    kill -TERM "$ui"
    wait "$ui" || fail "velmar-ui ended with $? on SIGTERM: $(cat "$scratch/ui.log")"
    grep -q "^Breite=" "$config/Settings.ini" || fail "velmar-ui did not write $config/Settings.ini"
    grep -qx "ComPort=SIM" "$config/Settings.ini" || fail "velmar-ui lost the stored port"
    if [ -e "$bin/Settings.ini" ]; then fail "velmar-ui wrote Settings.ini into $bin"; fi

    # The examples as installed, into the simulated board.
    local examples="$root/usr/share/doc/velmar/examples"
    HOME="$home" "$bin/velmar-cli" --port SIM --quiet flash "$examples/demo-firmware.hex" ||
        fail "velmar-cli flash of the example firmware ended with $?"
    HOME="$home" "$bin/velmar-cli" --port SIM --quiet awl "$examples/demo-program.vlb" ||
        fail "velmar-cli awl of the example program ended with $?"
}

case "$mode" in
install) check_install ;;
deb) check_deb ;;
*) echo "usage: $0 install|deb BUILD_DIR VERSION APP_ID" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
