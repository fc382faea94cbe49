#!/bin/sh
# changelog.sh CHANGELOG.md PACKAGE VERSION MAINTAINER OUT
#
# Writes the Debian changelog of the native package from the project's
# CHANGELOG.md (headings "## VERSION (YYYY-MM-DD)", "- " items continued by
# lines indented two spaces), compressed as Debian wants it (gzip -9n), to OUT.
# Fails when the newest section is not VERSION, so the package and its
# release notes cannot disagree.
set -eu
in=$1 package=$2 version=$3 maintainer=$4 out=$5

newest=$(sed -n 's/^## \([^ ]*\) (.*$/\1/p' "$in" | head -n 1)
if [ "$newest" != "$version" ]; then
  echo "changelog.sh: the newest section of $in is '$newest', the project is $version" >&2
  exit 1
fi

tmp=$out.tmp
trap 'rm -f "$tmp"' EXIT
awk -v package="$package" -v maintainer="$maintainer" '
  function trailer() {
    if (open) {
      cmd = "date -u -R -d \"" day " 12:00\""
      cmd | getline stamp
      close(cmd)
      printf "\n -- %s  %s\n", maintainer, stamp
    }
  }
  function fail(why) {
    printf "changelog.sh: line %d: %s\n", NR, why > "/dev/stderr"
    bad = 1
    exit 1
  }
  /^## / {
    if (!match($0, /^## [0-9][0-9A-Za-z.+~]* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/))
      fail("a heading must read \"## VERSION (YYYY-MM-DD)\"")
    trailer()
    if (open) printf "\n"
    day = substr($3, 2, 10)
    printf "%s (%s) unstable; urgency=medium\n\n", package, $2
    open = 1
    next
  }
  !open { next }
  /^- / { line = "  * " substr($0, 3) }
  /^  [^ ]/ { line = "    " substr($0, 3) }
  /^$/ { next }
  !/^- / && !/^  [^ ]/ { fail("expected a \"- \" item or a line indented two spaces") }
  {
    if (length(line) > 80) fail("longer than 76 characters")
    print line
  }
  END { if (!bad) trailer() }
' "$in" > "$tmp"
gzip -9n -c "$tmp" > "$out"
