#!/bin/sh
# Turns a UTF-8 language text into the file the program reads: UTF-16
# little-endian with a byte-order mark, every line ended by CR LF.
set -e
src=$1
out=$2
mkdir -p "$(dirname "$out")"
{
  printf '\377\376'
  sed -e 's/\r$//' -e 's/$/\r/' "$src" | iconv -f UTF-8 -t UTF-16LE
} > "$out.tmp"
mv "$out.tmp" "$out"
