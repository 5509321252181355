#!/bin/sh
# The program as a Linux desktop meets it: the desktop entry, the AppStream metadata and the
# manual pages validate; an install holds exactly the designed files; the Debian package carries
# them with the computed dependencies.
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

[ "$failures" -eq 0 ] && echo "desktop integration: all passed"
exit "$failures"
