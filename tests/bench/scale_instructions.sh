#!/bin/sh
# Instructions per doubled frame of each scaler at 16 and 24 bits, portable
# and wide build, beside a memcpy of the same 640 x 480 output, counted by
# qemu's user-mode emulator, which cannot time. With -d nochain,exec,in_asm
# it lists every block of guest code it translates and logs every run of a
# block; the sum of the sizes of the blocks run is the instructions executed
# (the same figure as one "Trace" line per instruction with -singlestep, at a
# fraction of the log). A frame's count is that of a run of two frames less
# that of a run of one.
#
#     QUENZY_LAUNCHER="qemu-aarch64 -L SYSROOT" tests/bench/scale_instructions.sh build-arm64
set -eu
[ $# -eq 1 ] || { echo "usage: QUENZY_LAUNCHER=\"qemu-ARCH -L SYSROOT\" $0 BUILD_DIR" >&2; exit 2; }
[ -n "${QUENZY_LAUNCHER:-}" ] || { echo "$0: QUENZY_LAUNCHER names the emulator" >&2; exit 2; }
program=$1/bench/bench_scale_frame
[ -x "$program" ] || { echo "$0: no $program (build the target bench_scale_frame)" >&2; exit 2; }
trace=$(mktemp -d)
trap 'rm -rf "$trace"' EXIT

# instructions OP DEPTH BUILD FRAMES: those of the whole run.
instructions() {
    $QUENZY_LAUNCHER -d nochain,exec,in_asm -D "$trace/log" "$program" "$@" >/dev/null
    awk '
        function key(a) { sub(/^0x/, "", a); sub(/^0+/, "", a); return a }
        /^IN:/ { listing = 1; n = 0; next }
        listing && /^0x[0-9a-f]+:/ { if (n++ == 0) { first = $1; sub(/:$/, "", first) } next }
        listing { if (n) size[key(first)] = n; listing = 0 }
        /^Trace / { split($0, f, "/"); pc = key(f[2]); if (!(pc in size)) lost++; total += size[pc] }
        END { if (lost) { print "a block run without its listing" > "/dev/stderr"; exit 1 }
              print total }' "$trace/log"
    rm -f "$trace/log"
}

# frame OP DEPTH BUILD: one frame's.
frame() {
    echo $(($(instructions "$@" 2) - $(instructions "$@" 1)))
}

builds=portable
if $QUENZY_LAUNCHER "$program" memcpy 16 wide 0 >/dev/null 2>&1; then builds="portable wide"; fi
printf '%-10s %4s %-8s %12s %7s\n' scaler bits build instructions /memcpy
for depth in 16 24; do
    copy=$(frame memcpy $depth portable)
    printf '%-10s %4s %-8s %12d %7s\n' memcpy $depth - "$copy" 1.00
    for scaler in zoom2 Scale2X Scanline2x Bilinear2; do
        for build in $builds; do
            n=$(frame $scaler $depth $build)
            printf '%-10s %4s %-8s %12d %7s\n' $scaler $depth $build "$n" \
                "$(awk "BEGIN { printf \"%.2f\", $n / $copy }")"
        done
    done
done
