#!/bin/sh
# Makes a private sysroot for a Debian architecture from Debian's own
# packages: sysroot.sh ARCH DIR writes DIR/sysroot (and DIR/apt, apt's
# lists and downloads). apt runs with a state of its own, so nothing is
# installed into the system and its package lists stay as they were.
#   - the libraries the game and the tests run with, and everything they
#     need in turn down to the C library, as a fresh machine of ARCH would
#     have them;
#   - the -dev packages the build reads (headers, link names, pkg-config
#     and CMake files) without their dependencies, which would bring in
#     Mesa and much more that is never linked.
set -eu

arch=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)

RUNTIME="libc6 libstdc++6 libsdl1.2debian libsdl-mixer1.2 libmodplug1 zlib1g libbenchmark1debian"
DEV="libsdl1.2-dev libsdl-mixer1.2-dev libmodplug-dev zlib1g-dev libgtest-dev libbenchmark-dev"

root=$dir/sysroot
apt=$dir/apt
stamp=$root/.complete
want="$arch: $RUNTIME / $DEV"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

rm -rf "$root" "$apt/archives"
mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/cache" "$root"
: >"$apt/status"
set -- -q -o APT::Architecture="$arch" -o APT::Architectures="$arch" \
    -o Dir::State::Lists="$apt/lists" -o Dir::State::status="$apt/status" \
    -o Dir::Cache="$apt/cache" -o Dir::Cache::archives="$apt/archives" \
    -o pkgCacheGen::Essential=none -o Debug::NoLocking=1

echo "sysroot $arch: package lists"
apt-get "$@" update >"$apt/update.log" 2>&1 || { cat "$apt/update.log"; exit 1; }
echo "sysroot $arch: downloading"
apt-get "$@" -y --no-install-recommends install --download-only $RUNTIME >"$apt/install.log" 2>&1 ||
    { cat "$apt/install.log"; exit 1; }
(cd "$apt/archives" && apt-get "$@" download $DEV) >"$apt/download.log" 2>&1 ||
    { cat "$apt/download.log"; exit 1; }

echo "sysroot $arch: unpacking $(ls "$apt/archives"/*.deb | wc -l) packages"
for deb in "$apt/archives"/*.deb; do
    dpkg-deb -x "$deb" "$root"
done
# Links that name a path of the target machine (/lib/...) point into the
# sysroot instead.
find "$root" -type l | while read -r link; do
    target=$(readlink "$link")
    case $target in
    /*) ln -sfr "$root$target" "$link" ;;
    esac
done
echo "$want" >"$stamp"
