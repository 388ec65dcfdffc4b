#!/usr/bin/env python3
"""Writes the hash-check bench data set: six large files of random-looking bytes (a 64 MiB random
block, rotated per file) with lengths that are no piece multiples, and small files of 1 to 64 KiB
in 50 folders.

usage: make_hash_data.py ROOT SMALL_FILES LARGE_MIB
"""
import os, random, sys
root, small, large_mib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(7)
block = os.urandom(64 << 20)
os.makedirs(os.path.join(root, "large"))
for i in range(6):
    size = (large_mib << 20) + rng.randrange(1, 3 << 20)
    shift = rng.randrange(len(block))
    rotated = block[shift:] + block[:shift]
    with open(os.path.join(root, "large", "part%d.bin" % i), "wb") as f:
        left = size
        while left:
            n = min(left, len(rotated))
            f.write(rotated[:n])
            left -= n
for i in range(small):
    folder = os.path.join(root, "small", "dir%02d" % (i % 50))
    os.makedirs(folder, exist_ok=True)
    start = rng.randrange(len(block) - 65536)
    with open(os.path.join(folder, "file%05d.dat" % i), "wb") as f:
        f.write(block[start:start + rng.randrange(1024, 65537)])
