#!/usr/bin/env bash
# Installs a built tree into a staging folder (DESTDIR) and uses it as a user and an SDK
# user would: checks the layout, builds the README's C example with pkg-config and with
# CMake's find_package(Vorex), runs the installed programs against each other and the
# example against the installed stand-in reader, validates the desktop entry and the
# metainfo, then builds the Debian packages from the same tree (scripts/package) and
# checks their contents and lintian's verdict.
#   install-test.sh BUILD_DIR
# Environment (set by the ctest registration): VOREX_LIBDIR, VOREX_UDEV_RULES_DIR,
# VOREX_VERSION, VOREX_DEB_VERSION.
set -euo pipefail
# Outputs are checked from files: "producer | grep -q" can fail under pipefail when grep
# quits early and the producer gets SIGPIPE.
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
libdir=${VOREX_LIBDIR:?}
udevdir=${VOREX_UDEV_RULES_DIR:?}
version=${VOREX_VERSION:?}
debversion=${VOREX_DEB_VERSION:?}
work=$(mktemp -d)
sim_pid=
cleanup() {
    if [[ -n $sim_pid ]]; then
        kill "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

stage=$work/stage
root=$stage/usr
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log"

# ---- Layout: package, path under /usr ----
id=example.vorex_rfid.VorexProgrammer
expected="
vorex-programmer bin/vorex-programmer
vorex-tools bin/vorexctl
vorex-tools bin/vorex-sim
vorex-programmer share/vorex-programmer/translations/VorexProgrammerEng.qm
vorex-tools share/vorex/scenarios/demo.json
vorex-tools share/vorex/scenarios/variant3.json
vorex-programmer share/applications/$id.desktop
vorex-programmer share/metainfo/$id.metainfo.xml
vorex-programmer share/icons/hicolor/scalable/apps/$id.svg
vorex-programmer share/icons/hicolor/16x16/apps/$id.png
vorex-programmer share/icons/hicolor/48x48/apps/$id.png
vorex-programmer share/icons/hicolor/256x256/apps/$id.png
vorex-tools $udevdir/70-vorex-readers.rules
vorex-tools share/man/man1/vorexctl.1.gz
vorex-tools share/man/man1/vorex-sim.1.gz
vorex-tools share/doc/vorex-tools/copyright
vorex-programmer share/man/man1/vorex-programmer.1.gz
vorex-programmer share/doc/vorex-programmer/manual/index.html
vorex-programmer share/doc/vorex-programmer/manual/main-window.png
vorex-programmer share/doc/vorex-programmer/copyright
libvorex2 $libdir/libvorex.so.2
libvorex2 share/doc/libvorex2/copyright
libvorex-dev $libdir/libvorex.so
libvorex-dev $libdir/libvorex.a
libvorex-dev include/vorex/vorex.h
libvorex-dev include/vorex/vorex_errors.h
libvorex-dev $libdir/pkgconfig/vorex.pc
libvorex-dev $libdir/cmake/Vorex/VorexConfig.cmake
libvorex-dev share/doc/libvorex-dev/copyright
python3-vorex lib/python3/dist-packages/vorex/__init__.py
python3-vorex lib/python3/dist-packages/vorex/binding.py
python3-vorex lib/python3/dist-packages/vorex/py.typed
python3-vorex share/doc/python3-vorex/examples/iso15693_inventory.py
python3-vorex share/doc/python3-vorex/copyright
"
while read -r package path; do
    [[ -z $package ]] && continue
    [[ -e $root/$path ]] || fail "the install lacks /usr/$path"
done <<<"$expected"
soname=$(readelf -d "$root/$libdir/libvorex.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == libvorex.so.2 ]] || fail "libvorex.so has SONAME '$soname'"
MANPATH=$root/share/man man -w vorexctl >/dev/null || fail "man vorexctl finds no page"

# ---- Installed programs: versions, help, the stand-in reader and vorexctl ----
[[ $("$root/bin/vorexctl" --version) == "vorexctl $version" ]] || fail "vorexctl --version"
[[ $("$root/bin/vorex-sim" --version) == "vorex-sim $version" ]] || fail "vorex-sim --version"
# The tools load no Qt library (the update check fetches with libcurl).
for tool in vorexctl vorex-sim; do
    ldd "$root/bin/$tool" >"$work/ldd-$tool.txt"
    if grep -qi 'libqt' "$work/ldd-$tool.txt"; then fail "$tool links Qt: $(cat "$work/ldd-$tool.txt")"; fi
done
# The desktop program answers --version and --help without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[[ $("${nodisplay[@]}" "$root/bin/vorex-programmer" --version) == "vorex-programmer $version" ]] ||
    fail "vorex-programmer --version"
"${nodisplay[@]}" "$root/bin/vorex-programmer" --help >"$work/help.txt" 2>&1 ||
    fail "vorex-programmer --help: $(cat "$work/help.txt")"
grep -q -- '--demo' "$work/help.txt" || fail "vorex-programmer --help: $(cat "$work/help.txt")"
MANPATH=$root/share/man man vorex-programmer 2>/dev/null >"$work/man.txt" || true
grep -q 'manual/index.html' "$work/man.txt" || fail "man vorex-programmer does not name the manual"
"$root/bin/vorexctl" --help >"$work/help.txt" || fail "vorexctl --help"
grep -q '^Usage: vorexctl' "$work/help.txt" || fail "vorexctl --help: $(cat "$work/help.txt")"
# A scenario that exists only in the staged install: found by name beside the program.
cp "$root/share/vorex/scenarios/demo.json" "$root/share/vorex/scenarios/staged-only.json"
mkfifo "$work/sim.out"
"$root/bin/vorex-sim" --scenario staged-only >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
read -r -t 20 port <"$work/sim.out" || fail "vorex-sim printed no port: $(cat "$work/sim.err")"
"$root/bin/vorexctl" --port "$port" --timeout 5000 identify >"$work/identify.txt" ||
    fail "vorexctl identify"
grep -q '^model *VX-B75$' "$work/identify.txt" || fail "identify: $(cat "$work/identify.txt")"

# ---- The README's C example, built against the staged SDK four ways: pkg-config and
# CMake (in a C-only project), each with libvorex.so.2 and with libvorex.a ----
awk '/^## Using the engine from C/ {on = 1} on && /^```c$/ {code = 1; next}
     code && /^```$/ {exit} code {print}' "$src/README.md" >"$work/inventory.c"
[[ -s $work/inventory.c ]] || fail "no C example in README.md"
# The staged vorex.pc first, the system's modules (hidapi-hidraw) after it.
system_pc=$(pkg-config --variable pc_path pkg-config)
export PKG_CONFIG_SYSROOT_DIR=$stage PKG_CONFIG_LIBDIR=$root/$libdir/pkgconfig:$system_pc
[[ $(pkg-config --modversion vorex) == "$version" ]] || fail "vorex.pc is not version $version"
# shellcheck disable=SC2046
cc -Wall -Werror "$work/inventory.c" $(pkg-config --cflags --libs vorex) -o "$work/inventory-pc"
# The static library in place of the shared one; what it needs comes from --static.
pkg-config --static --libs vorex >"$work/static-libs.txt"
# shellcheck disable=SC2046
cc -Wall -Werror "$work/inventory.c" $(pkg-config --cflags vorex) \
    $(sed 's/-lvorex /-l:libvorex.a /' "$work/static-libs.txt") -o "$work/inventory-pc-static" ||
    fail "static link through pkg-config: $(cat "$work/static-libs.txt")"
unset PKG_CONFIG_SYSROOT_DIR PKG_CONFIG_LIBDIR
mkdir "$work/sdk"
cp "$work/inventory.c" "$work/sdk/"
cat >"$work/sdk/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(VorexExample C)
find_package(Vorex ${VOREX_WANTED} EXACT REQUIRED)
add_executable(inventory inventory.c)
target_link_libraries(inventory PRIVATE Vorex::vorex)
add_executable(inventory-static inventory.c)
target_link_libraries(inventory-static PRIVATE Vorex::vorex_static)
CMAKE
cmake -S "$work/sdk" -B "$work/sdk/build" -G Ninja "-DCMAKE_PREFIX_PATH=$root" \
    "-DVOREX_WANTED=$version" \
    >"$work/sdk.log" || fail "find_package(Vorex): $(cat "$work/sdk.log")"
cmake --build "$work/sdk/build" >>"$work/sdk.log" || fail "SDK build: $(cat "$work/sdk.log")"
for example in sdk/build/inventory-static inventory-pc-static; do
    ldd "$work/$example" >"$work/ldd-static.txt"
    grep -q libvorex "$work/ldd-static.txt" && fail "the static $example needs libvorex.so"
done
for example in inventory-pc inventory-pc-static sdk/build/inventory sdk/build/inventory-static; do
    LD_LIBRARY_PATH=$root/$libdir "$work/$example" "$port" >"$work/tags.txt" ||
        fail "$example against the stand-in reader"
    grep -qx E004015012345671 "$work/tags.txt" || fail "$example: $(cat "$work/tags.txt")"
done
LD_LIBRARY_PATH=$root/$libdir ldd "$work/inventory-pc" >"$work/ldd-pc.txt"
grep -q "libvorex.so.2 => $root/" "$work/ldd-pc.txt" ||
    fail "the pkg-config build does not use the staged libvorex.so.2: $(cat "$work/ldd-pc.txt")"
# ---- The Python package from the install, finding the staged library as the system's ----
(cd "$work" && LD_LIBRARY_PATH=$root/$libdir PYTHONPATH=$root/lib/python3/dist-packages \
    PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c "
import sys, vorex
assert vorex.library_path.endswith('libvorex.so.2'), vorex.library_path
with vorex.Reader(sys.argv[1]) as r:
    print(r.device_name, *r.iso15693_inventory(), sep='\\n')
" "$port" >"$work/python.txt" 2>&1) || fail "python3 -c 'import vorex': $(cat "$work/python.txt")"
grep -qx 'E004015012345671 NXP Semiconductors 28 x 4' "$work/python.txt" ||
    fail "the Python package: $(cat "$work/python.txt")"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=

# ---- The desktop program's demo mode from the install ----
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen \
    "$root/bin/vorex-programmer" --demo --screenshot "$work/shots" 2>"$work/demo.log" ||
    fail "vorex-programmer --demo: $(cat "$work/demo.log")"
grep -q '^caption: .*<VX-B75 .*> \[Demo\]$' "$work/demo.log" || fail "demo: $(cat "$work/demo.log")"

# ---- Desktop entry and metainfo ----
desktop=$root/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" ||
    fail "appstreamcli: $(cat "$work/appstream.log")"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -e $root/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no icon named $icon"
while read -r exec; do
    [[ -x $root/bin/${exec%% *} ]] || fail "desktop entry runs '$exec', not installed"
done < <(sed -n 's/^Exec=//p' "$desktop")
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root/share/metainfo/$id.metainfo.xml" || fail "metainfo does not launch $id.desktop"

# ---- Debian packages from this tree: contents and lintian ----
"$src/scripts/package" --build-dir "$build" --out "$work/deb" >"$work/package.log" ||
    fail "scripts/package: $(cat "$work/package.log")"
for package in vorex-programmer vorex-tools libvorex2 libvorex-dev python3-vorex; do
    arch=amd64
    [[ $package == python3-* ]] && arch=all
    deb=$work/deb/${package}_${debversion}_${arch}.deb
    [[ -f $deb ]] || fail "no $deb"
    dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/$package.contents"
    dpkg-deb --field "$deb" Depends >"$work/$package.depends"
done
# The tools need no Qt at all (the update check fetches with libcurl); the desktop
# program brings the tools, and Qt's own GUI library brings its display plugin.
grep -Eq 'libqt6|qt6-' "$work/vorex-tools.depends" &&
    fail "vorex-tools depends on Qt: $(cat "$work/vorex-tools.depends")"
grep -q 'libcurl4' "$work/vorex-tools.depends" ||
    fail "vorex-tools does not depend on libcurl4: $(cat "$work/vorex-tools.depends")"
grep -q "vorex-tools (= $debversion)" "$work/vorex-programmer.depends" ||
    fail "vorex-programmer does not depend on vorex-tools: $(cat "$work/vorex-programmer.depends")"
grep -q 'qt6-qpa-plugins' "$work/vorex-programmer.depends" &&
    fail "vorex-programmer depends on qt6-qpa-plugins"
grep -q 'libhidapi-dev' "$work/libvorex-dev.depends" ||
    fail "libvorex-dev does not depend on libhidapi-dev: $(cat "$work/libvorex-dev.depends")"
while read -r package path; do
    [[ -z $package ]] && continue
    grep -qx "\./usr/$path" "$work/$package.contents" || fail "$package lacks /usr/$path"
done <<<"$expected"
dpkg-deb --fsys-tarfile "$work/deb/libvorex-dev_${debversion}_amd64.deb" |
    tar -xO "./usr/$libdir/pkgconfig/vorex.pc" >"$work/packaged.pc"
grep -qx 'prefix=/usr' "$work/packaged.pc" || fail "the packaged vorex.pc does not name prefix /usr"
# No errors and no warnings; the packages' lintian overrides say why each overridden
# warning is acceptable.
lintian --fail-on error,warning "$work"/deb/*.deb >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
echo "install layout, SDK builds, installed programs, desktop files and packages: ok"
