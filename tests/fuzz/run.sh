#!/bin/sh
# Runs one fuzz target from its committed corpus, with a fixed seed.
#
#   run.sh TARGET FUZZER FINDINGS WORK [libFuzzer options...]
#
# TARGET names the corpus (tests/fuzz/corpus/TARGET, only read). New inputs
# the fuzzer finds go to WORK (kept, to go on from next time), or to a
# temporary folder removed afterwards when WORK is "-". An input that
# crashes or fails a check is written to FINDINGS as crash-*, leak-*,
# timeout-* or oom-*. The status is the fuzzer's: 0 when nothing was found.
set -u
target=$1 fuzzer=$2 findings=$3 work=$4
shift 4
corpus=$(dirname "$0")/corpus/$target
# Inputs no bigger than the files are: the user files are read whole, and
# the configuration's scan grows with its length.
case $target in
config) limits=-max_len=1024 ;;
hiscores | testboard) limits=-max_len=256 ;;
savegame) limits=-max_len=16 ;;
*) limits= ;;
esac
mkdir -p "$findings" || exit 1
if [ "$work" = - ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/quenzy-fuzz-corpus-XXXXXX") || exit 1
    trap 'rm -rf "$work"' EXIT
else
    mkdir -p "$work" || exit 1
fi
# Standard error closed: the test board's refusals would flood it; the
# fuzzer's own report and the sanitizers' still get through.
"$fuzzer" -seed=1 -timeout=10 -close_fd_mask=2 -print_final_stats=1 $limits \
    -artifact_prefix="$findings/" "$@" "$work" "$corpus"
