#!/bin/sh
# Drives moxtal-cli from outside on a temporary folder: listing, output form, renames, exit codes.
set -u
CLI=$1
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
failures=0
check() { # description expected actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\n  expected: [%s]\n  actual:   [%s]\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}
TAB=$(printf '\t')

printf x > "$DIR/b.jpg"; printf x > "$DIR/a.jpg"; printf x > "$DIR/tab${TAB}name.jpg"; : > "$DIR/empty.jpg"
printf x > "$DIR/keep.txt"

out=$("$CLI" --filter '*.jpg' "$DIR")
check "defaults list every file as Same name" \
"a.jpg${TAB}a.jpg${TAB}Same name
b.jpg${TAB}b.jpg${TAB}Same name
tab\\tname.jpg${TAB}tab\\tname.jpg${TAB}Same name" "$out"

out=$("$CLI" --pattern '^(a|b)$' --replace 'IMG_\\\' --start 1 --filter '*.jpg' --rename "$DIR"; echo "rc=$?")
check "numbered renames" "a.jpg${TAB}IMG_001.jpg${TAB}Replace${TAB}Ok
b.jpg${TAB}IMG_002.jpg${TAB}Replace${TAB}Ok
rc=0" "$out"
check "renamed files on disk" "yes" "$( [ -f "$DIR/IMG_001.jpg" ] && [ -f "$DIR/IMG_002.jpg" ] && [ ! -e "$DIR/a.jpg" ] && echo yes)"

out=$("$CLI" --pattern 'IMG_001' --replace 'IMG_002' --filter 'IMG_001.jpg' --rename "$DIR"; echo "rc=$?")
check "existing target fails" "IMG_001.jpg${TAB}IMG_002.jpg${TAB}Replace${TAB}Failed
rc=1" "$out"

err=$("$CLI" --pattern '(' "$DIR" 2>&1 >/dev/null; echo "rc=$?")
case $err in *"missing closing parenthesis"*"rc=2") ;; *) check "bad pattern" "message and rc=2" "$err" ;; esac
err=$("$CLI" --start 1x "$DIR" 2>&1; echo "rc=$?")
case $err in *"'1x' は整数ではありません"*"rc=2") ;; *) check "non-integer start" "conversion message and rc=2" "$err" ;; esac
out=$("$CLI" "$DIR/none" 2>/dev/null; echo "rc=$?")
check "missing folder" "rc=2" "$out"
out=$("$CLI" "$DIR/keep.txt" 2>/dev/null; echo "rc=$?")
check "not a folder" "rc=2" "$out"
"$CLI" --help | grep -q "Usage: moxtal-cli" || check "help" "usage" "none"

# A pattern that does not compile is refused before the folder is listed, even an empty one.
mkdir "$DIR/empty"
err=$("$CLI" --pattern '(' "$DIR/empty" 2>&1; echo "rc=$?")
case $err in *"missing closing parenthesis"*"rc=2") ;; *) check "bad pattern, empty folder" "message and rc=2" "$err" ;; esac

# A pattern that runs into the match limit ends the job with PCRE2's text and the file's name.
mkdir "$DIR/limit"; printf x > "$DIR/limit/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac.txt"
err=$("$CLI" --pattern '(*LIMIT_MATCH=1000)(a+)+b|c$' "$DIR/limit" 2>&1; echo "rc=$?")
case $err in *"aaaac.txt': match limit exceeded"*"rc=2") ;; *) check "match limit" "message and rc=2" "$err" ;; esac

# A backslash in a name is escaped too, so that a name holding \t reads back unlike one with a TAB.
mkdir "$DIR/slash"; printf x > "$DIR/slash/a\\tb.txt"; printf x > "$DIR/slash/a${TAB}b.txt"
out=$("$CLI" "$DIR/slash")
tabbed='a\tb.txt'; slashed='a\\tb.txt'
check "backslash escaped" "${tabbed}${TAB}${tabbed}${TAB}Same name
${slashed}${TAB}${slashed}${TAB}Same name" "$out"

# A folder that cannot be read is an error, not an empty listing (root reads every folder).
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$DIR/closed"; chmod 000 "$DIR/closed"
    err=$("$CLI" "$DIR/closed" 2>&1; echo "rc=$?")
    chmod 755 "$DIR/closed"
    case $err in *"cannot read folder"*"rc=2") ;; *) check "unreadable folder" "message and rc=2" "$err" ;; esac
fi

# A logged run, then its undo, puts the folder back byte for byte; the undo is done bottom first.
mkdir "$DIR/undo"
for n in 'say "hi"' 'a,b' "line
break" plain; do printf '%s' "$n" > "$DIR/undo/$n.txt"; done
before=$(cd "$DIR/undo" && for f in *; do printf '%s=%s;' "$f" "$(cat "$f")"; done)
out=$("$CLI" --replace 'N_\\\\' --rename --log "$DIR/run.csv" "$DIR/undo" >/dev/null; echo "rc=$?")
check "logged run" "rc=0" "$out"
check "log title with CR LF" "4d6f7854616c2072656e616d65206c6f670d0a" \
    "$(head -c 19 "$DIR/run.csv" | od -An -tx1 | tr -d ' \n')"
grep -q '"say ""hi"".txt",' "$DIR/run.csv" || check "doubled quote in the log" "present" "absent"
out=$("$CLI" --undo "$DIR/run.csv"; echo "rc=$?")
case $out in "say \"hi\".txt${TAB}N_0003.txt${TAB}$DIR/undo/${TAB}Ok"*"a,b.txt${TAB}N_0000.txt${TAB}"*"rc=0") ;;
    *) check "undo output, bottom row first" "the last row first, Ok, rc=0" "$out" ;; esac
after=$(cd "$DIR/undo" && for f in *; do printf '%s=%s;' "$f" "$(cat "$f")"; done)
check "undo restores the folder" "$before" "$after"
out=$("$CLI" --undo "$DIR/run.csv" 2>/dev/null | cut -f4 | sort -u; echo "rc=$?")
check "second undo fails every row" "Failed
rc=0" "$out"
"$CLI" --undo "$DIR/run.csv" >/dev/null 2>&1; check "second undo exit status" "1" "$?"
printf 'MoxTal rename log\r\n"a","/x","b"\r\n' > "$DIR/bad.csv"
err=$("$CLI" --undo "$DIR/bad.csv" 2>&1; echo "rc=$?")
case $err in *"bad.csv: line 2: the folder must end with"*"rc=2") ;; *) check "bad log" "message naming line 2, rc=2" "$err" ;; esac
out=$("$CLI" --log "$DIR/x.csv" "$DIR/undo" 2>/dev/null; echo "rc=$?")
check "--log needs --rename" "rc=2" "$out"

[ "$failures" -eq 0 ] && echo "cli end-to-end: all passed"
exit "$failures"
