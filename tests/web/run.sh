#!/bin/sh
# The browser build against the desktop one: each replay script here is
# played natively (as the end-to-end tests run the program) and in headless
# Chromium through tools/web-replay, with the same options; the status and
# every file either run writes (screen dumps, audio.wav, trace.txt, the user
# folder) must be the same, byte for byte.
#   tests/web/run.sh NATIVE_BUILD WEB_BUILD
set -u
native=$(cd "$1" && pwd)
export QUENZY_WEB_BUILD=$(cd "$2" && pwd)
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

# Two scripts, one after the other, on one user folder: natively in one
# folder, in the browser in one profile (the user folder in IndexedDB). The
# second run's files must match: what the first one saved came back.
check_restart() { # name first second
    name=$1
    work=$(mktemp -d "$base/quenzy-web-test-XXXXXX")
    mkdir "$work/native" "$work/native2" "$work/web" "$work/web2"
    run_native "$2" "$work/native"
    rm "$work/native/data"
    mv "$work/native/home" "$work/native2/home"
    run_native "$3" "$work/native2"
    native_status=$?
    profile="$work/profile"
    QUENZY_WEB_PROFILE="$profile" "$root/tools/web-replay" "$2" "$work/web" >"$work/web.out" 2>&1 &&
        QUENZY_WEB_PROFILE="$profile" "$root/tools/web-replay" "$3" "$work/web2" >>"$work/web.out" 2>&1
    web_status=$?
    compare "$name" "$work" native2 web2
}

check() { # name script options...
    name=$1 script=$2
    shift 2
    work=$(mktemp -d "$base/quenzy-web-test-XXXXXX")
    mkdir "$work/native" "$work/web"
    run_native "$script" "$work/native" "$@"
    native_status=$?
    "$root/tools/web-replay" "$script" "$work/web" "$@" >"$work/web.out" 2>&1
    web_status=$?
    compare "$name" "$work" native web
}

# Compares the runs in two folders of `work`; removes `work` when they match.
compare() { # name work native web
    name=$1 work=$2
    files "$work/$3" >"$work/native.sums"
    files "$work/$4" >"$work/web.sums"
    if [ "$native_status" != "$web_status" ]; then
        echo "FAIL $name: status $web_status in the browser, $native_status natively"
        cat "$work/web.out"
    elif [ ! -s "$work/native.sums" ] || ! cmp -s "$work/native.sums" "$work/web.sums"; then
        echo "FAIL $name: the files differ (left native, right browser)"
        diff "$work/native.sums" "$work/web.sums"
        cat "$work/web.out"
    else
        echo "ok   $name: status $web_status, $(wc -l <"$work/web.sums") files identical"
        rm -rf "$work"
        return 0
    fi
    echo "     kept $work"
    failed=1
}

check play "$here/play.txt"
check options "$here/options.txt"
check_restart restart "$here/options.txt" "$here/restart.txt"
node "$here/live.js" "$QUENZY_WEB_BUILD" || failed=1
exit $failed
