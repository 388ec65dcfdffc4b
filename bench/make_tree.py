#!/usr/bin/env python3
"""Writes a download tree of many small files and a matching .torrent (piece hashes are dummies).

usage: make_tree.py DIR TORRENT FILES FOLDERS [FILE_SIZE]
"""
import os
import sys


def bencode(value):
    if isinstance(value, int):
        return b"i%de" % value
    if isinstance(value, str):
        value = value.encode()
    if isinstance(value, bytes):
        return b"%d:%s" % (len(value), value)
    if isinstance(value, list):
        return b"l" + b"".join(bencode(v) for v in value) + b"e"
    items = sorted((k.encode(), v) for k, v in value.items())
    return b"d" + b"".join(bencode(k) + bencode(v) for k, v in items) + b"e"


def main():
    root, torrent, count, folders = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    size = int(sys.argv[5]) if len(sys.argv) > 5 else 100
    data = b"z" * size
    files = []
    for i in range(count):
        folder = "dir%04d" % (i % folders)
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        name = "file%06d.bin" % i
        with open(os.path.join(root, folder, name), "wb") as f:
            f.write(data)
        files.append({"length": size, "path": [folder, name]})
    total = count * size
    piece_length = 1 << 18
    pieces = b"\0" * 20 * ((total + piece_length - 1) // piece_length)
    info = {"files": files, "name": os.path.basename(root), "piece length": piece_length, "pieces": pieces}
    with open(torrent, "wb") as f:
        f.write(bencode({"info": info}))


main()
