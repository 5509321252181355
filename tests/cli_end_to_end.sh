#!/bin/sh
# Drives moxtal-cli from outside on a temporary folder: listing, output form, renames, exit codes.
set -u
CLI=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
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

printf b > "$DIR/b.jpg"; printf a > "$DIR/a.jpg"; printf t > "$DIR/tab${TAB}name.jpg"; : > "$DIR/empty.jpg"
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
check "both files keep their contents" "a|b" "$(cat "$DIR/IMG_001.jpg")|$(cat "$DIR/IMG_002.jpg")"

err=$("$CLI" --pattern '(' "$DIR" 2>&1 >/dev/null; echo "rc=$?")
case $err in *"missing closing parenthesis"*"rc=2") ;; *) check "bad pattern" "message and rc=2" "$err" ;; esac
"$CLI" --help | grep -q "Usage: moxtal-cli" || check "help" "usage" "none"

# Bad input: one line of English naming what was wrong, status 2. Each row: message part, arguments.
mkfifo "$DIR/fifo.csv"
while IFS='|' read -r expected args; do
    expected=$(eval "printf '%s' \"$expected\"")
    err=$(eval "\"\$CLI\" $args" 2>&1 </dev/null; echo "rc=$?")
    case $err in *"$expected"*"rc=2") ;; *) check "bad input: $args" "$expected, rc=2" "$err" ;; esac
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 2 ] || check "one line for: $args" "one line" "$err"
done <<EOF2
--start needs an integer, not 'one'|--start one "\$DIR"
--step needs an integer, not '1x'|--step 1x "\$DIR"
unknown option '--nope' (see moxtal-cli --help)|--nope "\$DIR"
option --pattern needs a value (see moxtal-cli --help)|--pattern
only one FOLDER may be given|"\$DIR" "\$DIR"
no FOLDER given|--rename
--undo takes a log file and nothing else|--undo x.csv "\$DIR"
--undo takes a log file and nothing else|--undo x.csv --rename
--log needs --rename|--log x.csv "\$DIR"
--extension takes lower or upper, not 'title'|--extension title "\$DIR"
--undo takes a log file and nothing else|--undo x.csv --extension lower
--undo-last takes nothing else|--undo-last "\$DIR"
--undo-last takes nothing else|--undo-last --extension upper
folder does not exist: '\$DIR/none'|"\$DIR/none"
not a folder: '\$DIR/keep.txt'|"\$DIR/keep.txt"
the log \$DIR/fifo.csv is not a regular file|--undo "\$DIR/fifo.csv"
EOF2

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

# A folder that cannot be read is an error, not an empty listing. Root reads every folder through
# its capabilities: it runs the program without them (where it may give them up).
mkdir "$DIR/closed"; chmod 000 "$DIR/closed"
AS_USER=""
[ "$(id -u)" -eq 0 ] && AS_USER="setpriv --bounding-set=-dac_override,-dac_read_search"
if $AS_USER sh -c "! ls '$DIR/closed'" >/dev/null 2>&1; then
    err=$($AS_USER "$CLI" "$DIR/closed" 2>&1; echo "rc=$?")
    case $err in *"cannot read folder"*"rc=2") ;; *) check "unreadable folder" "message and rc=2" "$err" ;; esac
else
    echo "unreadable folder check skipped: this user reads every folder"
fi
chmod 755 "$DIR/closed"

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
check "undo leaves the log without the rows it undid" "MoxTal rename log" "$(tr -d '\r' < "$DIR/run.csv")"
out=$("$CLI" --undo "$DIR/run.csv"; echo "rc=$?")
check "second undo has nothing left to do" "rc=0" "$out"
for folder in '/x' './' '../x/'; do
    printf 'MoxTal rename log\r\n"a","%s","b"\r\n' "$folder" > "$DIR/bad.csv"
    err=$("$CLI" --undo "$DIR/bad.csv" 2>&1; echo "rc=$?")
    case $err in *"bad.csv: line 2: the folder must begin and end with"*"rc=2") ;;
        *) check "bad log folder $folder" "message naming line 2, rc=2" "$err" ;; esac
done

# A swap (a->t, b->a, t->b) undone twice: back once, then nothing more.
mkdir "$DIR/swap"; printf 'was b' > "$DIR/swap/a"; printf 'was a' > "$DIR/swap/b"
printf 'MoxTal rename log\r\n"a","%s/swap/","t"\r\n"b","%s/swap/","a"\r\n"t","%s/swap/","b"\r\n' \
    "$DIR" "$DIR" "$DIR" > "$DIR/swap.csv"
"$CLI" --undo "$DIR/swap.csv" >/dev/null; "$CLI" --undo "$DIR/swap.csv" >/dev/null
check "a swap undone twice stays undone" "was a|was b" "$(cat "$DIR/swap/a")|$(cat "$DIR/swap/b")"

# The log under faults. A log that cannot be made, or a file that is no log, stops the pass
# before any rename; a rename onto the log's own path fails instead of replacing it.
mkdir "$DIR/faults"; printf 'the only copy' > "$DIR/faults/report.txt"; printf x > "$DIR/faults/notes.txt"
for log in "$DIR/nowhere/log.csv" "$DIR/faults/notes.txt"; do
    out=$("$CLI" --pattern '^report$' --replace r --rename --log "$log" "$DIR/faults" 2>/dev/null; echo "rc=$?")
    check "refused log $log" "rc=2" "$out"
done
check "nothing renamed before the log" "the only copy|x" "$(cat "$DIR/faults/report.txt")|$(cat "$DIR/faults/notes.txt")"
out=$("$CLI" --pattern '^report$' --replace undo --rename --log "$DIR/faults/undo.txt" "$DIR/faults" 2>/dev/null; echo "rc=$?")
check "a rename onto the log fails" "report.txt${TAB}undo.txt${TAB}Replace${TAB}Failed
rc=1" "$out"
check "the file keeps its content" "the only copy" "$(cat "$DIR/faults/report.txt")"
"$CLI" --pattern '^notes$' --replace n1 --rename --log "$DIR/faults/undo.txt" "$DIR/faults" >/dev/null
"$CLI" --pattern '^n1$' --replace n2 --rename --log "$DIR/faults/undo.txt" "$DIR/faults" >/dev/null
# The failed rename onto the log was written ahead and stays; undo drops it as never carried out.
check "a second run appends to the log" "4" "$(wc -l < "$DIR/faults/undo.txt" | tr -d ' ')"
out=$("$CLI" --undo "$DIR/faults/undo.txt" 2>&1 >/dev/null; echo "rc=$?")
check "both runs undone, newest first" "x" "$(cat "$DIR/faults/notes.txt")"
check "the failed row is dropped, no failure" "moxtal-cli: row 1: 'undo.txt' -> 'report.txt': the file still has its old name: its rename never ran; the row is dropped
rc=0" "$out"

# A reader that goes away, and a full disk: the renames are all in the log; the status says so.
mkdir "$DIR/many"; i=0
while [ $i -lt 20000 ]; do printf x > "$DIR/many/f$i"; i=$((i + 1)); done
rc=$( { "$CLI" --replace 'g\1' --rename --log "$DIR/many.csv" "$DIR/many" 2>/dev/null; echo $? > "$DIR/rc"; } | head -n 2 >/dev/null; cat "$DIR/rc")
check "closed pipe: status 3" "3" "$rc"
check "closed pipe: every rename logged" "20001" "$(wc -l < "$DIR/many.csv" | tr -d ' ')"
if [ -w /dev/full ]; then
    err=$("$CLI" "$DIR/undo" 2>&1 >/dev/full; echo "rc=$?")
    case $err in *"cannot write the output"*"rc=3") ;; *) check "full disk" "message and rc=3" "$err" ;; esac
fi

# The preview tells which rows the pass would refuse; sorted the other way, the shift succeeds.
mkdir "$DIR/shift"; for n in 1 2 3; do printf "photo $n" > "$DIR/shift/photo_00$n.jpg"; done
err=$("$CLI" --replace 'photo_\\\' --start 2 "$DIR/shift" 2>&1 >/dev/null; echo "rc=$?")
check "preview names the refused rows" "moxtal-cli: row 1 would be refused: 'photo_001.jpg' -> 'photo_002.jpg': The new name belongs to a file that row 2 renames later. In the reverse list order this row would succeed: sort the file list the other way before \"Do!\".
moxtal-cli: row 2 would be refused: 'photo_002.jpg' -> 'photo_003.jpg': The new name belongs to a file that row 3 renames later. In the reverse list order this row would succeed: sort the file list the other way before \"Do!\".
moxtal-cli: 2 rows of the rename pass would be refused
rc=1" "$err"
out=$("$CLI" --replace 'photo_\\\' --start 4 --step -1 --sort name --rename "$DIR/shift" 2>&1; echo "rc=$?")
check "sorted Z to A, the shift succeeds" "photo_003.jpg${TAB}photo_004.jpg${TAB}Replace${TAB}Ok
photo_002.jpg${TAB}photo_003.jpg${TAB}Replace${TAB}Ok
photo_001.jpg${TAB}photo_002.jpg${TAB}Replace${TAB}Ok
rc=0" "$out"
check "shifted contents" "photo 1|photo 3" "$(cat "$DIR/shift/photo_002.jpg")|$(cat "$DIR/shift/photo_004.jpg")"
mkdir "$DIR/sizes"; printf xxx > "$DIR/sizes/a"; printf x > "$DIR/sizes/b"; printf xx > "$DIR/sizes/c"
check "--sort size --reverse: smallest first" "b c a" "$("$CLI" --sort size --reverse "$DIR/sizes" | cut -f1 | tr '\n' ' ' | sed 's/ $//')"
out=$("$CLI" --sort colour "$DIR/sizes" 2>&1; echo "rc=$?")
check "unknown sort key" "moxtal-cli: --sort takes name, size or date, not 'colour' (see moxtal-cli --help)
rc=2" "$out"

# --extension converts the extension alone, after the job; a row the job found invalid stays so and
# says why on standard error, without changing the status. Rows: options, standard output, then
# standard error and the status.
mkdir "$DIR/ext"; printf i > "$DIR/ext/IMG_0001.JPG"; printf t > "$DIR/ext/a.tar.GZ"
printf s > "$DIR/ext/10 - Non, je ne regrette rien.MP3"
song='10 - Non, je ne regrette rien.MP3'
invalid="moxtal-cli: row 1, Invalid name: '$song' -> 'Non, je ne regrette rien.MP3': The new name holds \",\", which a new name may not hold (none of <>|*/:?;,)."
while IFS='|' read -r args expected_out expected_err; do
    out=$(eval "\"\$CLI\" $args \"\$DIR/ext\"" 2>"$DIR/ext.err"); rc=$?
    check "--extension: $args" "$(printf "$expected_out")" "$out"
    check "--extension, stderr and status: $args" "$(printf "$expected_err")" "$(cat "$DIR/ext.err"; echo "rc=$rc")"
done <<EOF2
--pattern '^(10 - )?(.*)' --replace '\\2' --extension lower|$song\tNon, je ne regrette rien.MP3\tInvalid name\nIMG_0001.JPG\tIMG_0001.jpg\tReplace\na.tar.GZ\ta.tar.gz\tReplace|$invalid\nrc=0
--filter 'IMG*' --extension lower --rename|IMG_0001.JPG\tIMG_0001.jpg\tReplace\tOk|rc=0
--filter 'IMG*' --extension lower|IMG_0001.jpg\tIMG_0001.jpg\tSame name|rc=0
--filter 'IMG*' --extension upper|IMG_0001.jpg\tIMG_0001.JPG\tReplace|rc=0
EOF2
check "--extension renamed on disk" "i|$song" "$(cat "$DIR/ext/IMG_0001.jpg")|$(ls "$DIR/ext" | grep '^10')"
# The preview checks the converted names: x.JPG cannot become x.jpg beside an x.jpg.
mkdir "$DIR/ext2"; printf 1 > "$DIR/ext2/x.JPG"; printf 2 > "$DIR/ext2/x.jpg"
err=$("$CLI" --extension lower "$DIR/ext2" 2>&1 >/dev/null; echo "rc=$?")
check "--extension before the preview" "moxtal-cli: row 1 would be refused: 'x.JPG' -> 'x.jpg': The new name belongs to a file that is not renamed.
moxtal-cli: 1 row of the rename pass would be refused
rc=1" "$err"

# A relative FOLDER is the working folder's; the log holds it absolute, so --undo works from anywhere.
mkdir -p "$DIR/rel/photos"; printf r > "$DIR/rel/photos/r.txt"
out=$(cd "$DIR/rel" && "$CLI" --replace 'moved' --rename --log ../rel.csv photos; echo "rc=$?")
check "relative folder" "r.txt${TAB}moved.txt${TAB}Replace${TAB}Ok
rc=0" "$out"
grep -q "\"$DIR/rel/photos/\"" "$DIR/rel.csv" || check "log folder absolute" "$DIR/rel/photos/" "$(cat "$DIR/rel.csv")"
out=$(cd / && "$CLI" --undo "$DIR/rel.csv" >/dev/null; echo "rc=$?")
check "undo from another folder" "rc=0|r" "$out|$(cat "$DIR/rel/photos/r.txt")"

# Names with CR and LF, and more output than one 64 KiB piece: every line reads back.
mkdir "$DIR/long"; i=0
while [ $i -lt 3000 ]; do printf x > "$DIR/long/name_with_a_long_stem_to_fill_the_output_$i"; i=$((i + 1)); done
printf x > "$DIR/long/$(printf 'cr\rlf\nname')"
"$CLI" "$DIR/long" > "$DIR/long.out"
check "lines beyond 64 KiB" "3001" "$(wc -l < "$DIR/long.out" | tr -d ' ')"
[ "$(wc -c < "$DIR/long.out")" -gt 65536 ] || check "output size" "over 64 KiB" "$(wc -c < "$DIR/long.out")"
grep -q "^cr\\\\rlf\\\\nname${TAB}" "$DIR/long.out" || check "CR and LF escaped" 'cr\rlf\nname' "$(head -c 200 "$DIR/long.out")"

# A name holding terminal control bytes is printed escaped.
mkdir "$DIR/esc"; printf x > "$DIR/esc/$(printf 'a\033[2Jb')"
check "control bytes escaped" 'a\x1B[2Jb' "$("$CLI" "$DIR/esc" | cut -f1)"

# Undo renames only the file the pass renamed: a stranger that took the new name stays, the row
# fails with the reason and the status says so.
mkdir "$DIR/who"; printf REAL > "$DIR/who/c.txt"
"$CLI" --pattern '^c$' --replace x_c --rename --log "$DIR/who.csv" "$DIR/who" >/dev/null
mv "$DIR/who/x_c.txt" "$DIR/who/z.txt"; printf NEW > "$DIR/who/x_c.txt"
out=$("$CLI" --undo "$DIR/who.csv" 2>&1 >/dev/null; echo "rc=$?")
check "a stranger under the new name stays" "moxtal-cli: row 1: 'x_c.txt' -> 'c.txt' failed: the file under the new name is not the one that was renamed
rc=1|NEW|REAL" "$out|$(cat "$DIR/who/x_c.txt")|$(cat "$DIR/who/z.txt")"
out=$("$CLI" --undo "$DIR/none.csv" 2>&1; echo "rc=$?")
check "undo of a missing log" "moxtal-cli: cannot open the log $DIR/none.csv: No such file or directory
rc=2" "$out"

# A log or a folder in use by another pass is refused at once, nothing renamed.
mkdir "$DIR/busy"; printf b > "$DIR/busy/b.txt"
out=$(flock "$DIR/busy.csv" "$CLI" --replace moved --rename --log "$DIR/busy.csv" "$DIR/busy" 2>&1; echo "rc=$?")
check "log in use" "moxtal-cli: the log $DIR/busy.csv is in use by another rename pass or undo; nothing was renamed
rc=2|b" "$out|$(cat "$DIR/busy/b.txt")"
out=$(flock "$DIR/busy" "$CLI" --replace moved --rename "$DIR/busy" 2>&1; echo "rc=$?")
check "folder in use" "moxtal-cli: another Mox-Tal pass is renaming in '$DIR/busy'; nothing was renamed
rc=2|b" "$out|$(cat "$DIR/busy/b.txt")"

# kill -9 in the middle of a pass: every rename it did is in its log, and undo puts all back.
mkdir "$DIR/kill"; i=0
while [ $i -lt 5000 ]; do printf "$i" > "$DIR/kill/f$i"; i=$((i + 1)); done
for rows in 50 600 2500; do
    "$CLI" --replace 'k\1' --rename --log "$DIR/kill.csv" "$DIR/kill" >/dev/null 2>&1 &
    pid=$!
    while [ "$( { wc -l < "$DIR/kill.csv"; } 2>/dev/null || echo 0)" -lt "$rows" ] && kill -0 $pid 2>/dev/null; do :; done
    kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
    "$CLI" --undo "$DIR/kill.csv" >/dev/null 2>&1
    check "killed after $rows rows, undone: files" "5000" "$(ls "$DIR/kill" | grep -c '^f')"
    check "killed after $rows rows, undone: contents" "4999" "$(cat "$DIR/kill/f4999")"
    rm -f "$DIR/kill.csv"
done

# A full disk under the log: the pass stops before the rename whose row could not be written,
# the log keeps only whole rows, undo takes them all, and a later pass appends to that log.
mkdir "$DIR/full" "$DIR/full/files" "$DIR/full/logs"; i=0
while [ $i -lt 400 ]; do printf x > "$DIR/full/files/f$i"; i=$((i + 1)); done
if unshare -m true 2>/dev/null; then
    out=$(unshare -m sh -c '
        mount -t tmpfs -o size=8k tmpfs "$1/full/logs" || exit 77
        "$2" --replace "g\\1" --rename --log "$1/full/logs/l.csv" "$1/full/files" >/dev/null 2>&1; echo "rc=$?"
        cp "$1/full/logs/l.csv" "$1/full/l.csv"' sh "$DIR" "$CLI" 2>&1 || true)
    if [ -z "${out##*rc=2*}" ]; then
        renamed=$(ls "$DIR/full/files" | grep -c '^g')
        check "full disk: the log holds every rename, whole" "$renamed" "$(($(wc -l < "$DIR/full/l.csv") - 1))"
        "$CLI" --undo "$DIR/full/l.csv" >/dev/null 2>&1
        check "full disk: all undone" "400" "$(ls "$DIR/full/files" | grep -c '^f')"
    else
        echo "full disk check skipped: no tmpfs could be mounted ($out)"
    fi
fi
mkdir -p "$DIR/torn"; printf t > "$DIR/torn/t.txt"
printf 'MoxTal rename log\r\n"t.txt","%s/torn/","u.txt"\r\n"f1090.txt","/media/stick/d1/",' "$DIR" > "$DIR/torn.csv"
printf u > "$DIR/torn/u.txt"; rm "$DIR/torn/t.txt"
out=$("$CLI" --undo "$DIR/torn.csv" 2>&1 >/dev/null; echo "rc=$?")
check "torn tail: whole rows undone" "moxtal-cli: $DIR/torn.csv: line 3: the log ends in a torn row (a crash or a full disk); the whole rows before it are undone
rc=0|u|MoxTal rename log" "$out|$(cat "$DIR/torn/t.txt")|$(tr -d '\r' < "$DIR/torn.csv")"
printf '"half' >> "$DIR/torn.csv"
out=$("$CLI" --replace v --rename --log "$DIR/torn.csv" "$DIR/torn" 2>&1 >/dev/null; echo "rc=$?")
check "torn tail cut before appending" "moxtal-cli: the log $DIR/torn.csv ended in a torn row at line 2 (a crash or a full disk); that tail was cut off
rc=0" "$out"

# --undo-last takes the window's journal: the newest pass file that still holds a rename, then the
# one before; the direct renames' file is not a pass; nothing left is status 2.
mkdir -p "$DIR/last" "$DIR/state/moxtal"; printf p > "$DIR/last/p.txt"; printf s > "$DIR/last/s.txt"
J="$DIR/state/moxtal"
"$CLI" --pattern '^p$' --replace q --rename --log "$J/pass-20261209T235959Z-001.csv" "$DIR/last" >/dev/null
"$CLI" --pattern '^q$' --replace r --rename --log "$J/pass-20261210T093012Z-001.csv" "$DIR/last" >/dev/null
"$CLI" --pattern '^s$' --replace t --rename --log "$J/direct-renames.csv" "$DIR/last" >/dev/null
for step in "q.txt${TAB}r.txt${TAB}$DIR/last/${TAB}Ok|pass-20261210T093012Z-001.csv|rc=0|q.txt t.txt" \
            "p.txt${TAB}q.txt${TAB}$DIR/last/${TAB}Ok|pass-20261209T235959Z-001.csv|rc=0|p.txt t.txt" \
            "|nothing to undo: no pass file in the journal '$J/' holds a rename|rc=2|p.txt t.txt"; do
    out=$(XDG_STATE_HOME="$DIR/state" "$CLI" --undo-last 2>"$DIR/err"); rc=$?
    err=$(cat "$DIR/err")
    files=$(ls "$DIR/last" | tr '\n' ' ' | sed 's/ $//')
    expected_err=${step#*|}; expected_err=${expected_err%%|*}
    case $err in "moxtal-cli: "*"$expected_err"*) err=$expected_err ;; esac
    check "--undo-last: $step" "$step" "$out|$err|rc=$rc|$files"
done

[ "$failures" -eq 0 ] && echo "cli end-to-end: all passed"
exit "$failures"
