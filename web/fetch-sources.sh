#!/bin/sh
# Fetches the Debian source packages of the browser build's libraries into
# $1 (apt-get source, with Debian's patches applied). Where apt knows no
# source packages yet, adds a deb-src entry for the archive the machine's
# own deb entries use (its main archive: the security one holds only
# the newest fixes), and updates the lists once.
set -e
dest=$1
packages="libsdl1.2 sdl-mixer1.2 libmodplug zlib"
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

has_sources() {
    apt-get source --print-uris -q $packages >/dev/null 2>&1
}

# The deb stanzas of the deb822 files (and the deb lines of the one-line
# format), turned into deb-src.
add_deb_src() {
    list=/etc/apt/sources.list.d/quenzy-deb-src.sources
    {
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] && [ "$f" != "$list" ] || continue
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /Types: *deb( |\n|$)/ && /debian/ && !/security/ {
                     sub(/Types: *deb/, "Types: deb-src"); print }' "$f"
        done
    } >"$list.new"
    if [ -s "$list.new" ]; then
        $SUDO mv "$list.new" "$list"
    else
        rm -f "$list.new"
    fi
    if [ -f /etc/apt/sources.list ]; then
        sed -n '/security/d; s/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list >/tmp/quenzy-deb-src.list.$$
        if [ -s /tmp/quenzy-deb-src.list.$$ ]; then
            $SUDO mv /tmp/quenzy-deb-src.list.$$ /etc/apt/sources.list.d/quenzy-deb-src.list
        else
            rm -f /tmp/quenzy-deb-src.list.$$
        fi
    fi
    $SUDO apt-get update -q
}

dpkg-query -W -f='${Status}\n' dpkg-dev 2>/dev/null | grep -q 'ok installed\|ok unpacked' ||
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q dpkg-dev
has_sources || add_deb_src
mkdir -p "$dest"
cd "$dest"
apt-get source -q $packages
