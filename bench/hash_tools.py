#!/usr/bin/env python3
"""Helpers of hash_ratios.sh.

  hash_tools.py v2torrent DATA OUT PIECE_BITS   a v2-only torrent of the folder DATA, made by
                                                libtorrent (/usr/bin/python3, python3-libtorrent)
  hash_tools.py evict PATH...                   drops every file below each PATH from the page
                                                cache (written pages are flushed first); needs no
                                                privilege
  hash_tools.py split DIR N PREFIX              the files below DIR in N lists of about equal
                                                bytes, PREFIX0 .. PREFIX<N-1>, NUL-separated, for
                                                N readers in parallel
"""
import os
import sys


def files_below(path):
    if os.path.isfile(path):
        yield path
        return
    for folder, dirs, names in os.walk(path):
        dirs.sort()
        for name in sorted(names):
            yield os.path.join(folder, name)


def v2torrent(data, out, bits):
    import libtorrent as lt
    fs = lt.file_storage()
    lt.add_files(fs, data)
    ct = lt.create_torrent(fs, 1 << int(bits), lt.create_torrent.v2_only)
    lt.set_piece_hashes(ct, os.path.dirname(os.path.abspath(data)))
    with open(out, "wb") as f:
        f.write(lt.bencode(ct.generate()))


def evict(paths):
    for path in paths:
        for name in files_below(path):
            fd = os.open(name, os.O_RDONLY)
            try:
                os.fsync(fd)  # dirty pages stay cached whatever the advice
                os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            finally:
                os.close(fd)


def split(root, count, prefix):
    lists = [[] for _ in range(int(count))]
    loads = [0] * len(lists)
    sized = sorted(((os.path.getsize(n), n) for n in files_below(root)), reverse=True)
    for size, name in sized:
        i = loads.index(min(loads))
        lists[i].append(name)
        loads[i] += size
    for i, names in enumerate(lists):
        with open("%s%d" % (prefix, i), "wb") as f:
            f.write(b"".join(os.fsencode(n) + b"\0" for n in sorted(names)))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    {"v2torrent": lambda: v2torrent(*args), "evict": lambda: evict(args), "split": lambda: split(*args)}[command]()
