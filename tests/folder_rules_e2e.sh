#!/bin/sh
# moxtal-cli's preview on a folder that keeps names as exFAT does (quirky_fs: case folded, length in
# UTF-16 units, Windows characters refused, no hard links, no RENAME_NOREPLACE): the rows the pass
# would refuse are the ones the folder's rules refuse. Skips (status 77, saying why) where FUSE
# cannot mount.
# Usage: folder_rules_e2e.sh MOXTAL_CLI QUIRKY_FS
set -u
CLI=$1
FS=${2:-}
skip() {
    echo "SKIP: $1"
    exit 77
}
[ -n "$FS" ] && [ -x "$FS" ] || skip "quirky_fs was not built (libfuse3 was not found)"
[ -r /dev/fuse ] && [ -w /dev/fuse ] || skip "/dev/fuse cannot be opened"
[ "$(id -u)" -eq 0 ] || command -v fusermount3 >/dev/null || skip "no fusermount3 to mount FUSE as a user"

DIR=$(mktemp -d)
MNT="$DIR/mnt"
mkdir "$MNT"
FS_PID=""
mounted() { # something is mounted at MNT
    awk -v m="$MNT" '$5 == m { found = 1 } END { exit !found }' /proc/self/mountinfo
}
unmount_fs() {
    if mounted; then
        fusermount3 -u "$MNT" 2>/dev/null || umount "$MNT" 2>/dev/null
    fi
    [ -n "$FS_PID" ] && kill "$FS_PID" 2>/dev/null && wait "$FS_PID" 2>/dev/null
    FS_PID=""
}
mount_fs() { # TYPE [OPTIONS...]: the server at MNT as fuse.TYPE; skips when it does not come up
    type=$1
    shift
    "$FS" "$MNT" --type "$type" "$@" 2>"$DIR/fs.err" &
    FS_PID=$!
    tries=0
    until awk -v m="$MNT" '$5 == m' /proc/self/mountinfo | grep -q " - fuse\\.$type "; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$FS_PID" 2>/dev/null; then
            unmount_fs
            skip "the FUSE mount did not come up: $(cat "$DIR/fs.err")"
        fi
        sleep 0.1
    done
}
trap 'unmount_fs; rm -rf "$DIR"' EXIT

TAB=$(printf '\t')
failures=0
check() { # description expected actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\n  expected: [%s]\n  actual:   [%s]\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}
fresh() { # the folder holding just the files named
    rm -f "$MNT"/*
    for f in "$@"; do printf '%s' "$f" > "$MNT/$f"; done
}
refused() { # what the preview says the pass would refuse, and its status
    "$CLI" "$@" "$MNT" 2>&1 >/dev/null
    echo "rc=$?"
}
E127=$(i=0; while [ $i -lt 127 ]; do printf 'é'; i=$((i + 1)); done)  # 254 bytes, 127 UTF-16 units
N252=$(printf '%252s' '' | tr ' ' n)

mount_fs exfat --fold-case --utf16-length --windows-names

# The file server keeps names as it says, or the checks below would prove nothing.
fresh a.txt B.txt
check "another spelling finds the file" "a.txt" "$(cat "$MNT/A.TXT" 2>&1)"
check "each keeps its spelling" "B.txt a.txt" "$(cd "$MNT" && echo *)"
touch "$MNT/$E127.txt" 2>/dev/null
check "258 bytes in 131 UTF-16 units" "yes" "$([ -f "$MNT/$E127.txt" ] && echo yes)"
check "256 UTF-16 units refused" "no" "$(touch "$MNT/${N252}n.txt" 2>/dev/null && echo yes || echo no)"
check "a double quote refused" "no" "$(touch "$MNT/say \"hi\".txt" 2>/dev/null && echo yes || echo no)"
check "no hard links" "no" "$(ln "$MNT/a.txt" "$MNT/c.txt" 2>/dev/null && echo yes || echo no)"
fresh a.txt B.txt
mv "$MNT/a.txt" "$MNT/b.txt"
check "a rename onto another file replaces it" "b.txt=a.txt" "$(cd "$MNT" && for f in *; do printf '%s=%s ' "$f" "$(cat "$f")"; done | sed 's/ $//')"

# The preview, with the folder's rules.
fresh B.txt c.txt
check "a new name that another file has in another case" \
"moxtal-cli: row 1 would be refused: 'c.txt' -> 'b.txt': The new name belongs to a file that is not renamed.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --pattern '^c$' --replace b)"
fresh K1.txt K2.txt
check "a chain in the wrong order" \
"moxtal-cli: row 1 would be refused: 'K1.txt' -> 'k2.txt': The new name belongs to a file that row 2 renames later. In the reverse list order this row would succeed: sort the file list the other way before \"Do!\".
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --replace 'k\' --start 2)"
fresh Photo.JPG
check "a file's own name in another case" "rc=0" "$(refused --pattern 'Photo' --replace photo)"
fresh x.txt
check "258 bytes in 131 UTF-16 units" "rc=0" "$(refused --pattern '^x$' --replace "$E127")"
check "256 UTF-16 units" \
"moxtal-cli: row 1 would be refused: 'x.txt' -> '${N252}n.txt': The new name is longer than 255 UTF-16 units.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --pattern '^x$' --replace "${N252}n")"
check "a double quote" \
"moxtal-cli: row 1 would be refused: 'x.txt' -> 'say \"hi\".txt': The new name is not allowed on this file system.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --pattern '^x$' --replace 'say "hi"')"

# The pass on such a folder: case changes carried out through a temporary name, names the file
# system refuses not even tried, and never a file replaced.
listing() { (cd "$MNT" && for f in *; do printf '%s=%s ' "$f" "$(cat "$f")"; done | sed 's/ $//'); }
fresh Photo.JPG README
out=$("$CLI" --pattern '^photo$' --replace photo --rename "$MNT" 2>&1; echo "rc=$?")
check "a case change" "Photo.JPG${TAB}photo.JPG${TAB}Replace${TAB}Ok
rc=0|README=README photo.JPG=Photo.JPG" "$out|$(listing)"
"$CLI" --pattern '^README$' --replace readme --rename --log "$DIR/case.csv" "$MNT" >/dev/null
check "README to readme, logged as one rename" "photo.JPG=Photo.JPG readme=README|2" "$(listing)|$(wc -l < "$DIR/case.csv")"
"$CLI" --undo "$DIR/case.csv" >/dev/null
check "and undone" "README=README photo.JPG=Photo.JPG" "$(listing)"
fresh a.txt B.txt
out=$("$CLI" --pattern '^a$' --replace b --rename "$MNT" 2>&1; echo "rc=$?")
check "a case-insensitive clash fails, nothing replaced" "moxtal-cli: row 1 failed: 'a.txt' -> 'b.txt': File exists
a.txt${TAB}b.txt${TAB}Replace${TAB}Failed
rc=1|B.txt=B.txt a.txt=a.txt" "$out|$(listing)"
fresh s.txt
out=$("$CLI" --pattern '^s$' --replace 'say "hi"' --rename "$MNT" 2>&1; echo "rc=$?")
check "a refused name is not tried, the file stays" "moxtal-cli: row 1 failed: 's.txt' -> 'say \"hi\".txt': the name is not allowed on this file system
s.txt${TAB}say \"hi\".txt${TAB}Replace${TAB}Failed
rc=1|s.txt=s.txt" "$out|$(listing)"
# Two passes at once in one folder: one at a time, the other refused; no file replaced.
fresh
i=0; while [ $i -lt 300 ]; do printf "a$i" > "$MNT/a$i"; printf "b$i" > "$MNT/b$i"; i=$((i + 1)); done
"$CLI" --pattern '^a(.*)' --replace 'x\1' --rename "$MNT" >/dev/null 2>&1 &
first=$!
"$CLI" --pattern '^b(.*)' --replace 'x\1' --rename "$MNT" >/dev/null 2>&1
wait $first
check "two passes at once: all 600 files" "600" "$(ls "$MNT" | wc -l | tr -d ' ')"
check "two passes at once: 600 contents" "600" "$(cat "$MNT"/* | tr 'ab' '\n\n' | grep -c .)"

unmount_fs

# Whether the folder folds case is tried on it, whatever its kind usually does.
mount_fs quirky --fold-case
fresh B.txt c.txt
check "an unknown file server that folds case" \
"moxtal-cli: row 1 would be refused: 'c.txt' -> 'b.txt': The new name belongs to a file that is not renamed.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --pattern '^c$' --replace b)"
fresh x.txt
check "an unknown file server counts bytes" \
"moxtal-cli: row 1 would be refused: 'x.txt' -> '$E127.txt': The new name is longer than 255 bytes.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$(refused --pattern '^x$' --replace "$E127")"
unmount_fs
mount_fs exfat
fresh B.txt c.txt
check "an exFAT that tells case apart" "rc=0" "$(refused --pattern '^c$' --replace b)"
unmount_fs

[ "$failures" -eq 0 ] && echo "folder rules end-to-end: all passed"
exit "$failures"
