#!/usr/bin/env python3
"""Writes a large multi-file .torrent for the reader benchmark: FILES files in nested directories
and PIECES piece hashes (random bytes; nothing is hashed). The file lengths add up exactly to
PIECES * PIECE_LENGTH, so libtorrent accepts the torrent as consistent.

usage: make_big_torrent.py OUT.torrent FILES PIECES [PIECE_LENGTH]
"""
import random
import sys


def bstr(b):
    return b"%d:%s" % (len(b), b)


def main():
    out, files, pieces = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    piece_length = int(sys.argv[4]) if len(sys.argv) > 4 else 16384
    total = pieces * piece_length
    base, extra = divmod(total, files)
    rng = random.Random(1)
    parts = [b"d8:announce", bstr(b"http://tracker.invalid/announce"), b"4:infod5:filesl"]
    for i in range(files):
        length = base + (1 if i < extra else 0)
        path = (bstr(b"Disc %03d" % (i // 2000)) + bstr(b"Chapter %02d" % (i // 100 % 20)) +
                bstr(b"track_%06d.flac" % i))
        parts.append(b"d6:lengthi%de4:pathl%see" % (length, path))
    parts += [b"e4:name", bstr(b"Big Collection"), b"12:piece lengthi%de" % piece_length,
              b"6:pieces%d:" % (pieces * 20), rng.randbytes(pieces * 20), b"ee"]
    with open(out, "wb") as f:
        f.write(b"".join(parts))


if __name__ == "__main__":
    main()
