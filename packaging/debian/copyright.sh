#!/bin/sh
# copyright.sh LICENSE PACKAGE CONTACT OUT
#
# Writes the machine-readable Debian copyright file from the project's MIT
# LICENSE: its "Copyright (c) ..." line becomes the Copyright field and the
# rest of the text, from "Permission is hereby granted", the Expat licence.
set -eu
in=$1 package=$2 contact=$3 out=$4

holders=$(sed -n 's/^Copyright (c) //p' "$in")
if [ -z "$holders" ] || ! grep -q '^Permission is hereby granted' "$in"; then
  echo "copyright.sh: $in is not the MIT licence text this script reads" >&2
  exit 1
fi

{
  printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
  printf 'Upstream-Name: %s\n' "$package"
  printf 'Upstream-Contact: %s\n\n' "$contact"
  printf 'Files: *\nCopyright: %s\nLicense: Expat\n' "$holders"
  # Continuation lines start with a space; an empty line is written " .".
  sed -n '/^Permission is hereby granted/,$p' "$in" |
    sed -e 's/^$/./' -e 's/^/ /'
} > "$out"
