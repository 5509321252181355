#!/bin/sh
# The program as a Linux desktop meets it: the desktop entry, the AppStream metadata and the
# manual pages validate; an install holds exactly the designed files; the Debian package carries
# them with the computed dependencies; the running window carries the class its entry names.
set -u
SOURCE=$1
BUILD=$2
VERSION=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }

desktop-file-validate "$SOURCE/data/org.moxtal.Moxtal.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$SOURCE/data/org.moxtal.Moxtal.metainfo.xml" >"$WORK/as.log" 2>&1 ||
    { cat "$WORK/as.log"; fail "appstreamcli validate"; }
for page in moxtal.1 moxtal-cli.1; do
    MANWIDTH=80 man --warnings -l "$SOURCE/man/$page" >"$WORK/man.out" 2>"$WORK/man.err"
    [ -s "$WORK/man.err" ] && { cat "$WORK/man.err"; fail "man -l $page warns"; }
    grep -q "SYNOPSIS" "$WORK/man.out" || fail "man -l $page renders nothing"
done

expected="./usr/bin/moxtal
./usr/bin/moxtal-cli
./usr/share/applications/org.moxtal.Moxtal.desktop
./usr/share/doc/moxtal/changelog.gz
./usr/share/doc/moxtal/copyright
./usr/share/icons/hicolor/scalable/apps/org.moxtal.Moxtal.svg
./usr/share/man/man1/moxtal-cli.1.gz
./usr/share/man/man1/moxtal.1.gz
./usr/share/metainfo/org.moxtal.Moxtal.metainfo.xml"
DESTDIR="$WORK/root" cmake --install "$BUILD" --prefix /usr >/dev/null || fail "cmake --install"
installed=$(cd "$WORK/root" && find . -type f -o -type l | sort)
[ "$installed" = "$expected" ] || fail "installed files:
$installed"

if (cd "$BUILD" && cpack -G DEB -B "$WORK/package" >"$WORK/cpack.log" 2>&1); then
    deb=$(ls "$WORK"/package/moxtal_*.deb)
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    [ "$files" = "$expected" ] || fail "package files:
$files"
    depends=$(dpkg-deb -f "$deb" Depends)
    for need in libqt6widgets6 libpcre2-8-0 fonts-vlgothic adwaita-icon-theme libqt6svg6; do
        case $depends in *"$need"*) ;; *) fail "Depends lacks $need: $depends" ;; esac
    done
    recommends=$(dpkg-deb -f "$deb" Recommends)
    case $recommends in *qt6-wayland*) ;; *) fail "Recommends lacks qt6-wayland: $recommends" ;; esac
    [ "$(dpkg-deb -f "$deb" Package)" = "moxtal" ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Version)" = "$VERSION" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
    # Debian's own checker: no error and no warning.
    lintian --no-tag-display-limit "$deb" >"$WORK/lintian.log" 2>&1
    grep -E '^[EW]: ' "$WORK/lintian.log" && fail "lintian"
else
    cat "$WORK/cpack.log"; fail "cpack -G DEB"
fi

# One version everywhere: the programs, the manual pages, the AppStream release.
[ "$("$BUILD/app/moxtal" --version)" = "Mox-Tal $VERSION" ] || fail "moxtal --version"
[ "$("$BUILD/cli/moxtal-cli" --version)" = "moxtal-cli (Mox-Tal) $VERSION" ] || fail "moxtal-cli --version"
for page in moxtal.1 moxtal-cli.1; do
    grep -q "\"Mox-Tal $VERSION\"" "$SOURCE/man/$page" || fail "$page is not of version $VERSION"
done
grep -q "<release version=\"$VERSION\"" "$SOURCE/data/org.moxtal.Moxtal.metainfo.xml" || fail "metainfo release"

# The running window belongs to its menu entry: the class part of its WM_CLASS is the installed
# entry's StartupWMClass. Run in a subshell of its own, which ends Xvfb and the program it started;
# it exits 77 where it cannot run.
window_class() (
    command -v xprop >/dev/null 2>&1 || { echo "skipped: xprop is not installed (x11-utils)"; exit 77; }
    XPID=""; MPID=""
    trap '[ -n "$MPID" ] && kill "$MPID" 2>/dev/null; [ -n "$XPID" ] && kill "$XPID" 2>/dev/null' EXIT
    . "$SOURCE/tests/xvfb_display.sh"
    # A copy in a scratch folder keeps its main.cfg there.
    mkdir -p "$WORK/app" "$WORK/data"
    cp "$WORK/root/usr/bin/moxtal" "$WORK/app/moxtal"
    QT_QPA_PLATFORM=xcb "$WORK/app/moxtal" "$WORK/data" >"$WORK/moxtal.log" 2>&1 &
    MPID=$!
    i=0
    until xprop -name 'Mox-Tal' WM_CLASS >"$WORK/wmclass" 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 100 ] && { cat "$WORK/moxtal.log" >&2; exit 1; }
        sleep 0.1
    done
    # WM_CLASS(STRING) = "moxtal", "Mox-Tal(Moxtal)": the class is the second string.
    sed -n 's/^WM_CLASS([A-Z_]*) = "[^"]*", "\(.*\)"$/\1/p' "$WORK/wmclass"
)
entry_class=$(sed -n 's/^StartupWMClass=//p' "$WORK/root/usr/share/applications/org.moxtal.Moxtal.desktop")
[ -n "$entry_class" ] || fail "the desktop entry has no StartupWMClass"
window_skipped=0
window=$(window_class)
case $? in
    0) [ "$window" = "$entry_class" ] || fail "the window's class \"$window\" is not the entry's \"$entry_class\"" ;;
    77) window_skipped=1; echo "$window" ;;
    *) fail "no main window to read WM_CLASS from" ;;
esac

[ "$failures" -eq 0 ] || exit "$failures"
[ "$window_skipped" -eq 1 ] && exit 77
echo "desktop integration: all passed"
