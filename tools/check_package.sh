#!/usr/bin/env bash
# Builds the Debian package of the build in $1 and inspects it: every file in
# place, the menu entry and the catalogue entry valid, the programs runnable from
# the unpacked package, the manual pages clean, the web page there, and no error
# from lintian.
#
#   check_package.sh BUILD VERSION APP_ID [--with-qd5run] [--with-python]
#
# --with-qd5run says that the build has the scenario runner, so the package must
# carry it, its manual page and the shipped scenarios; without it those checks
# are skipped. --with-python says the same of the qd5 Python module: it must be
# in Debian python3's folder, import from the unpacked package and register
# its pytest plugin.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "$1")
version=$2
app_id=$3
with_qd5run=0
with_python=0
for option in "${@:4}"; do
    case "$option" in
    --with-qd5run) with_qd5run=1 ;;
    --with-python) with_python=1 ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
    esac
done
python_dir=./usr/lib/python3/dist-packages

work="$build/package-check"
rm -rf "$work"
mkdir -p "$work"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== Building the package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack did not build the package"; }
deb="$work/qd5sim_${version}_amd64.deb"
[[ -f "$deb" ]] || fail "no $(basename "$deb"): $(ls "$work")"

echo "== Control fields"
[[ "$(dpkg-deb -f "$deb" Package)" == qd5sim ]] || fail "package name"
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "version $(dpkg-deb -f "$deb" Version)"
[[ -n "$(dpkg-deb -f "$deb" Maintainer)" ]] || fail "no maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
# Dependencies computed from the binaries name the C library and Qt.
[[ "$depends" == *libc6* && "$depends" == *libqt6widgets6* ]] || fail "dependencies: '$depends'"
if ((with_python)); then
    [[ "$depends" == *"python3 (>="* ]] || fail "no dependency on python3: '$depends'"
fi
echo "Depends: $depends"

echo "== Contents"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
expected=(
    ./usr/bin/qd5sim
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/metainfo/$app_id.metainfo.xml"
    "./usr/share/icons/hicolor/48x48/apps/$app_id.png"
    "./usr/share/icons/hicolor/128x128/apps/$app_id.png"
    "./usr/share/icons/hicolor/256x256/apps/$app_id.png"
    ./usr/share/man/man1/qd5sim.1.gz
    ./usr/share/doc/qd5sim/changelog.gz
    ./usr/share/doc/qd5sim/copyright
    ./usr/share/qd5sim/web/index.html
    ./usr/share/qd5sim/web/app.js
    ./usr/share/qd5sim/web/qd5.js
    ./usr/share/qd5sim/web/sw.js
    ./usr/share/qd5sim/web/manifest.webmanifest
    ./usr/share/qd5sim/web/front.jpg
    ./usr/share/qd5sim/web/front.css
)
if ((with_qd5run)); then
    expected+=(./usr/bin/qd5run ./usr/share/man/man1/qd5run.1.gz)
fi
if ((with_python)); then
    expected+=("$python_dir/qd5/__init__.py" "$python_dir/qd5/pytest_plugin.py"
               "$python_dir/qd5-$version.dist-info/METADATA" "$python_dir/qd5-$version.dist-info/entry_points.txt")
fi
for path in "${expected[@]}"; do
    grep -qxF "$path" <<< "$contents" || fail "$path is not in the package"
done
if ((with_qd5run)); then
    grep -qE '^\./usr/share/qd5sim/scenarios/.*\.yaml$' <<< "$contents" || fail "no scenarios in the package"
else
    ! grep -qE 'qd5run' <<< "$contents" || fail "qd5run is in the package but not in the build"
fi
if ((with_python)); then
    grep -qE '^\./usr/lib/python3/dist-packages/qd5/_qd5\.cpython-[0-9]+-[^/]*\.so$' <<< "$contents" ||
        fail "the compiled module qd5/_qd5 is not in the package"
else
    ! grep -qE 'dist-packages/qd5' <<< "$contents" || fail "the Python module is in the package but not in the build"
fi
echo "${#expected[@]} files in place"

root="$work/root"
dpkg-deb -x "$deb" "$root"

echo "== Menu entry and catalogue entry"
desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Name=Nuva QD-5 Simulator' "$desktop" || fail "menu entry name"
grep -qx 'Exec=qd5sim' "$desktop" || fail "menu entry program"
grep -qx "Icon=$app_id" "$desktop" || fail "menu entry icon"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"
grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "catalogue entry release is not $version"
for size in 48 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    kind=$(file "$icon")
    [[ "$kind" == *"PNG image data, $size x $size, 8-bit/color RGBA"* ]] || fail "icon $kind"
done

echo "== Programs from the unpacked package"
qd5sim="$root/usr/bin/qd5sim"
[[ -x "$qd5sim" ]] || fail "qd5sim is not executable"
kind=$(file "$qd5sim")
[[ "$kind" == *"ELF 64-bit"*", stripped"* ]] || fail "$kind"
missing=$(ldd "$qd5sim" | grep 'not found' || true)
[[ -z "$missing" ]] || fail "qd5sim needs libraries that are not installed: $missing"
echo "qd5sim: stripped, every library found"
if ((with_qd5run)); then
    qd5run="$root/usr/bin/qd5run"
    printed=$("$qd5run" --version)
    [[ "$(grep -m1 -oE '[0-9]+\.[0-9]+\.[0-9]+' <<< "$printed")" == "$version" ]] ||
        fail "qd5run --version printed '$printed', not $version"
    scenarios=$(find "$root/usr/share/qd5sim/scenarios" -name '*.yaml' | sort)
    scenario=${scenarios%%$'\n'*}
    "$qd5run" --out "$work/qd5run-out" "$scenario" || fail "qd5run $(basename "$scenario")"
    echo "qd5run: version $version, $(basename "$scenario") passes"
else
    echo "qd5run is not built: skipping its --version and scenario checks"
fi

echo "== The Python module from the unpacked package"
if ((with_python)); then
    module=$(find "$root/usr/lib/python3/dist-packages/qd5" -name '_qd5.*.so')
    missing=$(ldd "$module" | grep 'not found' || true)
    [[ -z "$missing" ]] || fail "the module needs libraries that are not installed: $missing"
    # Away from the build tree, so that only the unpacked module can be found.
    (cd "$work" && PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import sys
import qd5
dev = qd5.Instrument()
dev.set(ch1=216, ch2=156, ch3=2048, volts=1440)
dev.power_on()
dev.press("knob")
dev.wait_for(text="MAIN MENU", timeout=2)
assert qd5.__file__.startswith(sys.argv[1]), qd5.__file__
' "$root" 2>&1) || fail "the unpacked module does not run"
    # Read whole first: grep -q would stop reading, and pipefail count the broken pipe.
    options=$(cd "$work" && PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -m pytest --help 2>&1) ||
        fail "pytest --help fails with the package's module: $options"
    grep -q -- '--qd5-update' <<< "$options" || fail "pytest does not load the qd5 plugin from the package"
    echo "qd5: imports, runs the instrument, pytest loads its plugin"
else
    echo "the Python module is not built: skipping its checks"
fi

echo "== Manual pages"
pages=("$root/usr/share/man/man1/qd5sim.1.gz")
if ((with_qd5run)); then
    pages+=("$root/usr/share/man/man1/qd5run.1.gz")
else
    # Not packaged yet, but the page is written: it must render cleanly too.
    pages+=("$build/packaging/qd5run.1")
fi
for page in "${pages[@]}"; do
    ! zcat -f "$page" | grep -q '@[A-Z_]*@' || fail "$page has an unfilled placeholder"
    warnings=$(MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 > "$work/page.txt")
    [[ -z "$warnings" ]] || fail "$page: $warnings"
    # The terminal rendering makes bold by overstriking: drop the struck characters.
    rendered=$(sed 's/.\x08//g' "$work/page.txt")
    grep -qx 'NAME' <<< "$rendered" || fail "$page renders without a NAME section"
    warnings=$(zcat -f "$page" | groff -ww -man -z 2>&1)
    [[ -z "$warnings" ]] || fail "$page: $warnings"
done
echo "${#pages[@]} manual pages render without warnings"

echo "== lintian"
# Any error fails the check; warnings and notes are shown for the record.
lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors"; }
grep -v 'root privileges' "$work/lintian.log" || true
echo "lintian: no errors"

rm -rf "$root"
echo "Package $(basename "$deb") passes"
