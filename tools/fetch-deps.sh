#!/usr/bin/env bash
# Fetches the Debian source packages of the two dependencies (Lua 5.1 and TinyXML, with the
# patches Debian applies) into a folder of the build tree. A private source list keeps the
# system's apt configuration untouched. Idempotent: does nothing when both trees are there.
set -euo pipefail
dest=${1:?usage: fetch-deps.sh DEST}
mkdir -p "$dest"
cd "$dest"
if compgen -G 'lua5.1-*/src/lapi.c' >/dev/null && compgen -G 'tinyxml-*/tinyxml.cpp' >/dev/null; then
    exit 0
fi
mkdir -p apt/sources apt/lists/partial
sed 's/^Types:.*deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >apt/sources/debian.sources
opts=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dest/apt/sources"
      -o "Dir::State::Lists=$dest/apt/lists" -o APT::Sandbox::User=root)
apt-get "${opts[@]}" update >apt/update.log 2>&1 || { cat apt/update.log; exit 1; }
rm -rf lua5.1-* tinyxml-* lua5.1_* tinyxml_*
apt-get "${opts[@]}" source lua5.1 tinyxml >apt/source.log 2>&1 || { cat apt/source.log; exit 1; }
compgen -G 'lua5.1-*/src/lapi.c' >/dev/null && compgen -G 'tinyxml-*/tinyxml.cpp' >/dev/null
