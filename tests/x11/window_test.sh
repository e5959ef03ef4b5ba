#!/usr/bin/env bash
# The real program in a real X11 window: it reaches the title through the
# intro screens, real key presses move through it, and screenshots of the window are held against
# the frames the game itself dumped at the same moments (the program stops
# itself right after such a dump, so the window still shows that frame).
#
# Usage: window_test.sh QUENZY WIDTH HEIGHT [OPTIONS FOR THE GAME...]
set -uo pipefail

exe=$(realpath "$1") width=$2 height=$3
here=$(cd "$(dirname "$0")" && pwd)
shift 3
limit=180 # seconds any one wait may take: generous, for a slow, busy machine

for tool in Xvfb xdotool xwd xwininfo compare identify; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run make deps" >&2; exit 1; }
done

work=$(mktemp -d /tmp/quenzy-x11-XXXXXX)
xpid='' gpid='' ok=0 expectEnd=0
cleanup() {
    if [ -n "$gpid" ] && kill -0 "$gpid" 2>/dev/null; then
        kill -CONT "$gpid" 2>/dev/null
        kill "$gpid" 2>/dev/null
        # A game that lost its X server may not take the hint.
        for ((i = 0; i < 50; i++)); do kill -0 "$gpid" 2>/dev/null && sleep 0.1; done
        kill -KILL "$gpid" 2>/dev/null
    fi
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    wait 2>/dev/null
    if [ "$ok" = 1 ]; then rm -rf "$work"; else echo "kept $work" >&2; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# waitFor WHAT COMMAND...: polls until COMMAND succeeds; a game that ended
# meanwhile fails at once.
waitFor() {
    local what=$1
    shift
    local i
    for ((i = 0; i < limit * 10; i++)); do
        "$@" && return 0
        if [ -n "$gpid" ] && [ "$expectEnd" = 0 ] && ! kill -0 "$gpid" 2>/dev/null; then
            fail "the game ended while waiting for $what: $(cat "$work/game.log")"
        fi
        sleep 0.1
    done
    fail "no $what after $limit s"
}

# A server of our own, on a display picked at random; one in use makes Xvfb
# exit at once and the next is tried. No reset when a client leaves: the
# game could connect during one and fail.
startServer() {
    local display
    for ((try = 0; try < 20; try++)); do
        display=$((100 + (RANDOM + $$ + try * 37) % 800))
        : >"$work/display"
        Xvfb ":$display" -displayfd 5 -screen 0 800x600x24 -nolisten tcp -noreset \
            5>"$work/display" 2>"$work/xvfb.log" &
        xpid=$!
        while kill -0 "$xpid" 2>/dev/null && ! [ -s "$work/display" ]; do sleep 0.1; done
        if [ -s "$work/display" ]; then
            export DISPLAY=:$display
            return 0
        fi
        wait "$xpid" 2>/dev/null
        xpid=''
    done
    fail "no free display for Xvfb: $(cat "$work/xvfb.log")"
}
startServer
answers() { xwininfo -root >/dev/null 2>&1; }
waitFor "answer from the X server" answers

mkdir "$work/home"
ln -s "$(cd "$(dirname "$exe")" && pwd)/data" "$work/data"
cd "$work" || exit 1
# Under an emulator the game may be of the other byte order than the server
# it shares memory with, a pair no real machine makes (SDL draws shared images
# in the client's order): it connects the way a remote client would, where
# the X library converts.
gameDisplay=$DISPLAY
[ -n "${QUENZY_LAUNCHER:-}" ] && gameDisplay=unix/$DISPLAY
# In a sanitizer build, the leak libX11 leaves at SDL_Init is not ours.
LSAN_OPTIONS=suppressions=$here/lsan.supp:print_suppressions=0 \
HOME=$work/home QUENZY_TRACE=$work/trace.txt QUENZY_DUMP_DIR=$work QUENZY_DUMP_SIGNAL=shot \
    QUENZY_RECORD=$work/recording.txt \
    DISPLAY=$gameDisplay SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ${QUENZY_LAUNCHER:-} "$exe" "$@" >game.log 2>&1 &
gpid=$!

lastState() {
    grep -E ' (title|hiscores|options) ' trace.txt 2>/dev/null | tail -n1 |
        sed -n 's/.* state=\(-\{0,1\}[0-9]*\) .*/\1/p'
}
inState() { [ "$(lastState)" = "$1" ]; }

findWindow() { win=$(xdotool search --name '^Quenzy v1\.00\.2$' 2>/dev/null | head -n1) && [ -n "$win" ]; }
waitFor "game window" findWindow
size=$(xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "${width}x${height}" ] || fail "window is $size, not ${width}x${height}"

focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ]; }
xdotool mousemove 1 1
xdotool windowfocus "$win"
waitFor "keyboard focus" focused

# The splash plays out by itself; the credits wait for a key.
onCredits() { grep -q ' intro screen=opensource' trace.txt 2>/dev/null; }
waitFor "credits" onCredits
xdotool key space
waitFor "title" inState 0

# press KEY STATE: one real key press and release, then the menu state it
# leads to.
press() {
    xdotool key "$1"
    waitFor "state $2 after $1" inState "$2"
}

stopped() { [ "$(awk '{print $3}' "/proc/$gpid/stat" 2>/dev/null)" = T ]; }

# shot N: the game dumps the frame on the window as shot-N.bmp and stops;
# the window's own pixels must be that frame, pixel for pixel.
shot() {
    kill -USR1 "$gpid"
    waitFor "stop after dump $1" stopped
    xwd -id "$win" -silent >"window-$1.xwd" || fail "no screenshot"
    kill -CONT "$gpid"
    local dims diff
    dims=$(identify -format '%wx%h' "xwd:window-$1.xwd")
    [ "$dims" = "${width}x${height}" ] || fail "screenshot $1 is $dims"
    # 1 % covers how the flavours of SDL 1.2 widen 16-bit colours to the
    # window's 24 bits (sdl12-compat's green may be one level off the
    # classic library's); a wrong picture differs by far more.
    diff=$(compare -metric AE -fuzz 1% "xwd:window-$1.xwd" "shot-$1.bmp" null: 2>&1)
    [ "$diff" = 0 ] || fail "screenshot $1 and the game's frame differ in $diff pixels"
}

shot 1
press Return 1
press Down 2
shot 2
# The two moments really differ, so equal pictures above mean something.
diff=$(compare -metric AE shot-1.bmp shot-2.bmp null: 2>&1)
[ "$diff" != 0 ] || fail "the title did not change between the two shots"
press Up 1
press Up 5
expectEnd=1
xdotool key Return
gone() { ! kill -0 "$gpid" 2>/dev/null; }
waitFor "end after EXIT" gone
wait "$gpid"
status=$?
[ "$status" = 0 ] || fail "exit status $status"
grep -q ' menuexit ' trace.txt || fail "no EXIT in the trace"

# The recording holds the keys and the clock as the game read it, stops
# for the screenshots and all: replayed headless from the same empty user
# folder, it takes the same turns at the same times.
grep -q ' clock [0-9]' recording.txt || fail "the recording holds no reading of the clock"
mkdir "$work/replay-home"
HOME=$work/replay-home QUENZY_REPLAY=$work/recording.txt QUENZY_TRACE=$work/replay-trace.txt \
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ${QUENZY_LAUNCHER:-} "$exe" "$@" >replay.log 2>&1 ||
    fail "the replay of the recording ended with status $?: $(cat replay.log)"
cmp -s trace.txt replay-trace.txt ||
    fail "the replay of the recording traced otherwise: $(diff trace.txt replay-trace.txt | head -n 5)"
ok=1
echo "window ${width}x${height}: 2 screenshots equal the game's frames; its recording replays to its trace"
