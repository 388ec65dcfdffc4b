"""Makes v2-only and hybrid torrents with libtorrent, damaged copies of their data, and libtorrent's
own verdict on every copy, so that a test can hold zandrel-cli's hash check against it.

usage: /usr/bin/python3 lt_v2_cases.py WORK

Writes below WORK (which should be empty):
  src/            the intact data, one folder per data set
  *.torrent       a v2-only and (except for the huge set) a hybrid torrent per data set
  cases/DAMAGE/   a copy of every data set with that damage done (unchanged files are hard links)
  cases.json      {"libtorrent": version, "cases": [case, ...]}, where each case is
                  {"name", "kind" ("v2" | "hybrid"), "torrent", "dir" (the folder to check),
                   "failed": [libtorrent's failed piece indices],
                   "files": [{"path", "pieces", "failed"}] (every file in torrent order, pad files
                   left out; paths relative to "dir")}
"""
import json
import os
import random
import sys
import time

import libtorrent as lt

KIB = 1024
MIB = 1024 * KIB
HUGE = 4 * 1024 * MIB + 12345  # past 4 GiB, so 32-bit offsets would wrap

# name: (piece length, [(relative path, length)], the file damaged, whether it has a hybrid torrent).
# A set with one file and no folder makes a single-file torrent.
SETS = {
    "p16k": (16 * KIB, [("a.bin", 100000), ("tiny.txt", 10), ("empty_first", 0), ("d/one_piece.bin", 16 * KIB), ("d/four.bin", 64 * KIB),
                        ("d/sub/c.bin", 50000), ("d/empty", 0), ("last.bin", 40000)], "a.bin", True),
    "p64k": (64 * KIB, [("small.txt", 1000), ("empty", 0), ("big.bin", 300000), ("d/e.bin", 2 * 64 * KIB + 1)],
             "big.bin", True),
    "p1m": (MIB, [("x.bin", 3 * MIB + MIB // 2), ("y.bin", 20000), ("z/empty", 0), ("z/w.bin", MIB + 1)],
            "x.bin", True),
    "single": (16 * KIB, [("single.bin", 70000)], "single.bin", True),
    "huge": (4 * MIB, [("head.bin", 5000), ("sparse.bin", HUGE), ("tail.bin", 777)], "sparse.bin", False),
}

# Damage done to the set's damaged file; the huge set only gets the ones that need no copy of it.
DAMAGES = ["intact", "flip_first", "flip_middle", "flip_last", "flip_small", "missing", "padded", "truncated"]
HUGE_DAMAGES = ["intact", "flip_last"]
SINGLE_DAMAGES = ["intact", "flip_middle", "truncated", "padded"]


def write_source(root, name):
    piece, files, _, _ = SETS[name]
    rng = random.Random(name)
    for rel, size in files:
        path = os.path.join(root, name, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            if size == HUGE:
                f.truncate(size)  # sparse: zeros that take no disk space
            else:
                f.write(rng.randbytes(size))


def single_file(name):
    files = SETS[name][1]
    return len(files) == 1 and "/" not in files[0][0]


def create(src, name, flags):
    fs = lt.file_storage()
    lt.add_files(fs, os.path.join(src, name if not single_file(name) else os.path.join(name, SETS[name][1][0][0])))
    ct = lt.create_torrent(fs, SETS[name][0], flags)
    ct.set_creator("zandrel v2 agreement test")
    lt.set_piece_hashes(ct, src if not single_file(name) else os.path.join(src, name))
    return lt.bencode(ct.generate())


def flip(path, offset):
    with open(path, "r+b") as f:
        f.seek(offset)
        byte = f.read(1)
        f.seek(offset)
        f.write(bytes([byte[0] ^ 0x5A]))


def damage(path, size, piece, what, small_path):
    """Replaces the hard link at path by a damaged copy of its own (the source stays intact)."""
    if what == "flip_small":
        path, size = small_path
    if what == "intact" or path is None:
        return
    if size == HUGE:
        os.unlink(path)
        with open(path, "wb") as f:
            f.truncate(size)
    else:
        data = open(path, "rb").read()
        os.unlink(path)
        if what == "missing":
            return
        with open(path, "wb") as f:
            f.write(data[: size // 2] if what == "truncated" else data + b"PAD" * 100 if what == "padded" else data)
    pieces = (size + piece - 1) // piece
    offsets = {"flip_first": 7, "flip_middle": (pieces // 2) * piece + 3, "flip_last": size - 1,
               "flip_small": size // 2}
    if what in offsets:
        flip(path, offsets[what])


def damaged_copy(src, cases, name, what):
    piece, files, target, _ = SETS[name]
    root = os.path.join(cases, what, name)
    target_path = None
    small = None
    for rel, size in files:
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.link(os.path.join(src, name, rel), path)
        if rel == target:
            target_path = (path, size)
        elif 0 < size < piece and small is None:
            small = (path, size)
    if what == "flip_small" and small is None:
        return False
    damage(target_path[0], target_path[1], piece, what, small)
    return True


def session():
    return lt.session({"listen_interfaces": "", "enable_dht": False, "enable_lsd": False, "enable_upnp": False,
                       "enable_natpmp": False, "enable_outgoing_utp": False, "enable_incoming_utp": False,
                       "enable_outgoing_tcp": False, "enable_incoming_tcp": False,
                       "alert_mask": lt.alert.category_t.status_notification | lt.alert.category_t.error_notification})


def recheck(ses, checks):
    """checks: [(torrent path, save path)]; returns each one's list of have-flags per piece."""
    handles = []
    for torrent, save_path in checks:
        params = lt.add_torrent_params()
        params.ti = lt.torrent_info(torrent)
        params.save_path = save_path
        # Without resume data, libtorrent checks every piece on disk as it adds the torrent; the
        # session has no network, so nothing is downloaded.
        params.flags &= ~(lt.torrent_flags.paused | lt.torrent_flags.auto_managed)
        handles.append(ses.add_torrent(params))
    checked = set()
    deadline = time.monotonic() + float(os.environ.get("LT_CHECK_SECONDS", "600"))
    while len(checked) < len(handles):
        if time.monotonic() > deadline:
            sys.exit("libtorrent did not finish checking")
        ses.wait_for_alert(1000)
        for alert in ses.pop_alerts():
            if isinstance(alert, lt.torrent_checked_alert):
                checked.add(alert.handle.info_hashes())
            elif isinstance(alert, (lt.file_error_alert, lt.torrent_error_alert)):
                sys.exit("libtorrent: " + alert.message())
    result = [list(h.status(lt.status_flags_t.query_pieces).pieces) for h in handles]
    for h in handles:
        ses.remove_torrent(h)
    return result


def file_verdicts(torrent, name, have):
    fs = lt.torrent_info(torrent).files()
    files = []
    for i in range(fs.num_files()):
        if fs.file_flags(i) & lt.file_storage.flag_pad_file:
            continue
        path = fs.file_path(i).replace(os.sep, "/")
        rel = path.split("/", 1)[1] if not single_file(name) else path
        size = fs.file_size(i)
        if size == 0:
            files.append({"path": rel, "pieces": 0, "failed": 0})
            continue
        first, last = fs.file_offset(i) // fs.piece_length(), (fs.file_offset(i) + size - 1) // fs.piece_length()
        failed = sum(1 for p in range(first, last + 1) if not have[p])
        files.append({"path": rel, "pieces": last - first + 1, "failed": failed})
    return files


def main():
    work = os.path.abspath(sys.argv[1])
    src, cases_dir = os.path.join(work, "src"), os.path.join(work, "cases")
    torrents = {}
    for name, (_, _, _, hybrid) in SETS.items():
        write_source(src, name)
        for kind, flags in (("v2", lt.create_torrent.v2_only), ("hybrid", 0)):
            if kind == "hybrid" and not hybrid:
                continue
            path = os.path.join(work, "%s_%s.torrent" % (name, kind))
            with open(path, "wb") as f:
                f.write(create(src, name, flags))
            torrents[(name, kind)] = path
    cases = []
    for what in DAMAGES:
        checks, meta = [], []
        for (name, kind), torrent in torrents.items():
            if (name == "huge" and what not in HUGE_DAMAGES) or (name == "single" and what not in SINGLE_DAMAGES):
                continue
            if not os.path.isdir(os.path.join(cases_dir, what, name)) and not damaged_copy(src, cases_dir, name, what):
                continue
            save_path = os.path.join(cases_dir, what) if not single_file(name) else os.path.join(cases_dir, what, name)
            directory = save_path if single_file(name) else os.path.join(save_path, name)
            checks.append((torrent, save_path))
            meta.append({"name": "%s_%s_%s" % (name, kind, what), "kind": kind, "torrent": torrent,
                         "dir": directory})
        for case, have, (torrent, _) in zip(meta, recheck(session(), checks), checks):
            case["failed"] = [i for i, ok in enumerate(have) if not ok]
            case["files"] = file_verdicts(torrent, case["name"].split("_")[0], have)
            cases.append(case)
    with open(os.path.join(work, "cases.json"), "w", encoding="utf-8") as f:
        json.dump({"libtorrent": lt.__version__, "cases": cases}, f, indent=1)


if __name__ == "__main__":
    main()
