#!/usr/bin/env bash
# The demonstration behind `make run`: a copy of the sample download is damaged on purpose
# (one file missing, one padded with extra bytes, one stray file) and checked with trimming on.
set -euo pipefail
cli="${1:?usage: demo.sh PATH-TO-zandrel-cli}"
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cp -r "$here/sample/Sample Download" "$work/"
dl="$work/Sample Download"
rm "$dl/Docs/notes.txt"                                   # missing
head -c 5000 /dev/urandom >> "$dl/Media/cover.bin"        # padded with extra bytes
echo "not part of the torrent" > "$dl/Media/stray.txt"    # unneeded

echo "Checking a damaged copy of the sample download in $dl"
echo "  - Docs/notes.txt was removed, Media/cover.bin got 5000 extra bytes, Media/stray.txt was added"
echo
set +e
"$cli" check "$here/sample/Sample Download.torrent" "$dl" --trim-padded-files --hash-check \
  --report "$work/report.log" > "$work/out.txt"
status=$?
set -e
echo "Report ($(sed -n 1p "$work/out.txt")):"
echo
sed 's/\r$//' "$work/report.log" | sed 's/^/  /'
echo
echo "Final status: $(tail -n 1 "$work/out.txt") (exit status $status)"
echo "The old cover.bin is kept in the backup folder:"
find "$dl/[ZandrelBackup]" -type f | sed "s|$work/||; s/^/  /"
