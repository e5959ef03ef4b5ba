#!/bin/sh
# The browser build against the desktop one: each replay script here is
# played natively (as the end-to-end tests run the program) and in headless
# Chromium through tools/web-replay, with the same options; the status and
# every file either run writes (screen dumps, audio.wav, trace.txt, the user
# folder) must be the same, byte for byte.
#   tests/web/run.sh NATIVE_BUILD WEB_BUILD [NAME...]
# plays them all, or only the checks named (legal, play, whole-game, live, ...).
set -u
native=$(cd "$1" && pwd)
export QUENZY_WEB_BUILD=$(cd "$2" && pwd)
shift 2
names=" $* "
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
base=${TMPDIR:-/tmp}
failed=0

# Every regular file below a folder but the inputs, with its checksum.
files() {
    (cd "$1" && find . -path ./data -prune -o -type f ! -name script.txt -print |
        LC_ALL=C sort | xargs -r sha256sum)
}

run_native() { # script dir options...
    script=$1 dir=$2
    shift 2
    mkdir -p "$dir/home"
    ln -s "$native/data" "$dir/data"
    cp "$script" "$dir/script.txt"
    (cd "$dir" && env HOME="$dir/home" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        QUENZY_REPLAY=script.txt QUENZY_TRACE="$dir/trace.txt" QUENZY_DUMP_DIR="$dir" \
        QUENZY_AUDIO_OUT="$dir/audio.wav" "$native/quenzy" "$@" >"$dir/../native.out" 2>&1)
}

# Scripts one after the other on one user folder: natively in one folder,
# in the browser in one browser profile, whose IndexedDB keeps the user
# folder from one page load to the next, as a reload of the page does. Each
# run's files must match: what the runs before it saved came back.
check_reload() { # name script...
    name=$1
    shift
    work=$(mktemp -d "$base/quenzy-web-test-XXXXXX")
    mkdir "$work/home"
    step=0 status=0
    for script in "$@"; do
        step=$((step + 1))
        mkdir "$work/native$step" "$work/web$step"
        mv "$work/home" "$work/native$step/home"
        run_native "$script" "$work/native$step"
        echo $? >"$work/native$step.status"
        rm "$work/native$step/data"
        cp -r "$work/native$step/home" "$work/home"
        QUENZY_WEB_PROFILE="$work/profile" "$root/tools/web-replay" "$script" "$work/web$step" \
            >>"$work/web.out" 2>&1
        echo $? >"$work/web$step.status"
    done
    for n in $(seq 1 $step); do
        compare "$name, run $n of $step" "$work" "native$n" "web$n" || status=1
    done
    finish $status "$work"
}

# Whether the check `name` is to run.
wanted() { # name
    [ "$names" = "  " ] || case $names in *" $1 "*) ;; *) return 1 ;; esac
}

# Test boards (test.bin) for -t, as the native golden tests lay them out:
# a start row of 8 cells then a target row of 8, 10 rows.
board_none() { :; }
board_empty() { head -c 160 /dev/zero >"$1/test.bin"; }
# A lone 1 at (2, 9); the target wants a 1 at (5, 9).
board_lonely() {
    board_empty "$1"
    printf '\001' | dd of="$1/test.bin" bs=1 seek=146 conv=notrunc 2>/dev/null
    printf '\001' | dd of="$1/test.bin" bs=1 seek=157 conv=notrunc 2>/dev/null
}

# The hiscore table the native whole-game tests start from: OXBLURT in
# row 4 (its solve key solves each level), ROW0 ... ROW9 in the others,
# scores 1000 down by 10; as the game stores it: 16-byte rows (the name,
# three zero bytes, the score little-endian) scrambled by a chained XOR
# from 0xA7.
board_oxblurt() {
    mkdir -p "$1/home/.quenzy"
    python3 - "$1/home/.quenzy/hiscores.dat" <<'EOF'
import struct, sys
rows = b''.join(struct.pack('<9s3xi', b'OXBLURT' if r == 4 else b'ROW%d' % r, 1000 - 10 * r)
                for r in range(10))
key, out = 0xA7, bytearray()
for byte in rows:
    key ^= byte
    out.append(key)
open(sys.argv[1], 'wb').write(out)
EOF
}

check() { # name script board options...
    name=$1 script=$2 board=$3
    shift 3
    work=$(mktemp -d "$base/quenzy-web-test-XXXXXX")
    mkdir "$work/native" "$work/web"
    "board_$board" "$work/native"
    "board_$board" "$work/web"
    run_native "$script" "$work/native" "$@"
    echo $? >"$work/native.status"
    "$root/tools/web-replay" "$script" "$work/web" "$@" >"$work/web.out" 2>&1
    echo $? >"$work/web.status"
    compare "$name" "$work" native web
    finish $? "$work"
}

# As check, for a run whose files are too big to leave the page: the
# browser's SHA-256 of each file against the native file's. The native
# trace must also be the golden one, which shows that the run went where
# the golden test's went.
check_digests() { # name script board golden options...
    name=$1 script=$2 board=$3 golden=$4
    shift 4
    work=$(mktemp -d "$base/quenzy-web-test-XXXXXX")
    mkdir "$work/native" "$work/web"
    "board_$board" "$work/native"
    "board_$board" "$work/web"
    run_native "$script" "$work/native" "$@"
    echo $? >"$work/native.status"
    "$root/tools/web-replay" --digests "$script" "$work/web" "$@" >"$work/web.out" 2>&1
    echo $? >"$work/web.status"
    rm "$work/native/data"
    files "$work/native" >"$work/native.sums"
    grep -v '  \./script\.txt$' "$work/web/SHA256SUMS" >"$work/web.sums"
    native_status=$(cat "$work/native.status") web_status=$(cat "$work/web.status")
    status=1
    if ! cmp -s "$golden" "$work/native/trace.txt"; then
        echo "FAIL $name: the native trace is not $golden"
    elif [ "$native_status" != "$web_status" ]; then
        echo "FAIL $name: status $web_status in the browser, $native_status natively"
        cat "$work/web.out"
    elif [ ! -s "$work/native.sums" ] || ! cmp -s "$work/native.sums" "$work/web.sums"; then
        echo "FAIL $name: the digests differ (left native, right browser)"
        diff "$work/native.sums" "$work/web.sums"
        cmp "$work/native/trace.txt" "$work/web/trace.txt"
        cat "$work/web.out"
    else
        echo "ok   $name: status $web_status, $(wc -l <"$work/web.sums") files identical" \
            "($(du -sk "$work/native" | cut -f1) KB, by SHA-256)"
        status=0
    fi
    finish $status "$work"
}

# What the page links to is beside it: the licence, the notice and the
# source, the game's with our SDL drivers and each library's Debian source
# package, every file that source/index.html lists.
check_legal() {
    web=$QUENZY_WEB_BUILD status=0
    for f in LICENSE.txt NOTICE.txt source/index.html; do
        grep -q "href=\"$f\"" "$web/index.html" || { echo "FAIL legal: the page has no link to $f"; status=1; }
        [ -s "$web/$f" ] || { echo "FAIL legal: no $f beside the page"; status=1; }
    done
    for f in $(sed -n 's/.*href="\([^".][^"]*\)".*/\1/p' "$web/source/index.html"); do
        [ -s "$web/source/$f" ] || { echo "FAIL legal: source/index.html lists $f, which is missing"; status=1; }
    done
    for p in libsdl1.2 sdl-mixer1.2 libmodplug zlib; do
        ls "$web/source/$p"_*.dsc >/dev/null 2>&1 || { echo "FAIL legal: no source package of $p"; status=1; }
    done
    tar tzf "$web/source/quenzy-source.tar.gz" | grep -q '^quenzy/web/sdl-drivers/SDL_webvideo.c$' ||
        { echo "FAIL legal: the game's source has no SDL drivers"; status=1; }
    [ $status = 0 ] && echo "ok   legal: the licence, the notice and the source are beside the page"
    [ $status = 0 ] || failed=1
}

# Compares the runs in two folders of `work` and their statuses.
compare() { # name work native web
    what=$1 work=$2
    native_status=$(cat "$work/$3.status") web_status=$(cat "$work/$4.status")
    files "$work/$3" >"$work/$3.sums"
    files "$work/$4" >"$work/$4.sums"
    if [ "$native_status" != "$web_status" ]; then
        echo "FAIL $what: status $web_status in the browser, $native_status natively"
        cat "$work/web.out"
    elif [ ! -s "$work/$3.sums" ] || ! cmp -s "$work/$3.sums" "$work/$4.sums"; then
        echo "FAIL $what: the files differ (left native, right browser)"
        diff "$work/$3.sums" "$work/$4.sums"
        cat "$work/web.out"
    else
        echo "ok   $what: status $web_status, $(wc -l <"$work/$4.sums") files identical"
        return 0
    fi
    return 1
}

# Removes `work` after a pass, keeps it for a look after a failure.
finish() { # status work
    if [ "$1" = 0 ]; then
        rm -rf "$2"
    else
        echo "     kept $2"
        failed=1
    fi
}

wanted legal && check_legal
wanted play && check play "$here/play.txt" none
wanted options && check options "$here/options.txt" none
# The 2x scalers that have a SIMD build of their own in the browser, and
# the video driver's half-size canvas for a doubled frame: play.txt with
# its click where the doubled screen has that pixel.
doubled=$(mktemp "$base/quenzy-web-doubled-XXXXXX")
awk '$3 == "click" { $4 *= 2; $5 *= 2 } { print }' "$here/play.txt" >"$doubled"
wanted zoom && check zoom "$doubled" none -x2
wanted scanlines && check scanlines "$doubled" none -sl2
rm -f "$doubled"
# The native golden replays: the menus and options with a rebinding, the
# pause menu, the level ends.
wanted menus && check menus "$root/tests/golden/menus.txt" none
wanted pause && check pause "$root/tests/golden/pause.txt" empty -t
wanted level-ends && check level-ends "$root/tests/golden/level_ends.txt" lonely -t
# The whole game in one replay: every level, the congratulations page,
# the name entry and the hiscores.
wanted whole-game && check_digests whole-game "$root/tests/e2e/whole_game.txt" oxblurt \
    "$root/tests/golden/whole_game.trace"
wanted reload && check_reload reload "$here/options.txt" "$here/save.txt" "$here/reload.txt"
if wanted live; then node "$here/live.js" "$QUENZY_WEB_BUILD" "$native" || failed=1; fi
if wanted phone; then node "$here/phone.js" "$QUENZY_WEB_BUILD" || failed=1; fi
exit $failed
