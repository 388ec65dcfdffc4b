#!/usr/bin/env python3
"""Makes the small sample download and its .torrent that the demonstration checks.

Run once from this folder; the results are checked in, so the demo needs nothing but the build.
"""
import hashlib
import os
import random

PIECE_LENGTH = 16384
ROOT = "Sample Download"
FILES = [
    ("Docs/readme.txt", None),
    ("Docs/notes.txt", None),
    ("Media/clip.bin", 96000),
    ("Media/cover.bin", 40000),
    ("info.nfo", None),
]
TEXTS = {
    "Docs/readme.txt": "A small sample download for the Zandrel demonstration.\n" * 40,
    "Docs/notes.txt": "Every byte of this file is covered by the piece hashes.\n" * 25,
    "info.nfo": "Sample Download\nTwo folders, five files.\n",
}


def bencode(value):
    if isinstance(value, int):
        return b"i%de" % value
    if isinstance(value, str):
        value = value.encode("utf-8")
    if isinstance(value, bytes):
        return b"%d:%s" % (len(value), value)
    if isinstance(value, list):
        return b"l" + b"".join(bencode(v) for v in value) + b"e"
    if isinstance(value, dict):
        items = sorted((k.encode("utf-8"), v) for k, v in value.items())
        return b"d" + b"".join(bencode(k) + bencode(v) for k, v in items) + b"e"
    raise TypeError(value)


def main():
    rng = random.Random(2026)
    stream = b""
    files = []
    for path, size in FILES:
        data = TEXTS[path].encode() if size is None else bytes(rng.getrandbits(8) for _ in range(size))
        full = os.path.join(ROOT, path)
        os.makedirs(os.path.dirname(full) or ".", exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        stream += data
        files.append({"length": len(data), "path": path.split("/")})
    pieces = b"".join(hashlib.sha1(stream[i:i + PIECE_LENGTH]).digest()
                      for i in range(0, len(stream), PIECE_LENGTH))
    torrent = {"announce": "http://tracker.invalid/announce", "created by": "make_sample.py",
               "info": {"files": files, "name": ROOT, "piece length": PIECE_LENGTH, "pieces": pieces}}
    with open("Sample Download.torrent", "wb") as f:
        f.write(bencode(torrent))


if __name__ == "__main__":
    main()
