#!/bin/sh
# Starts the installed Quenzy from wherever it is called. The game reads its
# data from ./data, so it runs in its own data folder; file names handed to
# it through the environment (a replay, a recording, a trace) are meant from
# the caller's folder and are made absolute before the move.
here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
for var in QUENZY_REPLAY QUENZY_RECORD QUENZY_TRACE QUENZY_DUMP_DIR QUENZY_AUDIO_OUT; do
    eval "value=\${$var:-}"
    case "$value" in
    "" | /*) ;;
    *) eval "$var=\"\$PWD/\$value\""; export "$var" ;;
    esac
done
cd "$prefix/share/quenzy" || exit 1
# QUENZY_LAUNCHER (unset but for a cross build's tests): the emulator, and
# its options, that runs a program built for another machine.
exec ${QUENZY_LAUNCHER:-} "$prefix/lib/quenzy/quenzy" "$@"
