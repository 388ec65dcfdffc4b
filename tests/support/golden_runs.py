"""Golden runs of zandrel-cli check: a set of small damaged downloads, built from scratch, that takes
every stage and option through its paths, and what the program makes of each one, kept so that two
builds can be compared byte for byte (`diff -r before after`).

usage: python3 golden_runs.py ZANDREL_CLI OUTPUT_FOLDER

Each scenario is built twice in a fresh temporary folder of its own: once for a run with --json and
once for a run without it (the path and final status on stdout). For every run OUTPUT_FOLDER/<scenario>/
gets <mode>.args, .exit, .stdout, .stderr, .report (the report file) and .tree (what the folder holds
afterwards: kind, mode, size and SHA-256 of every item). The temporary folder reads <ROOT> (its bytes
in hex <ROOT_HEX>), and the version in the report's header <VERSION>; dates and times, should any
appear, read <DATE> and <TIME>. Scenarios that need what this machine cannot give (a file no one may
read needs a user other than root) are listed as skipped in OUTPUT_FOLDER/index.txt.
"""
import contextlib
import hashlib
import os
import random
import re
import shutil
import stat
import subprocess
import sys
import tempfile

PIECE = 16384
BLOCK = 16384
MARKER = "index.txt"


# ---- bencode, as tests/support/bencode.cpp writes it: dictionary keys in the order given --------

def bint(value):
    return b"i%de" % value


def bstr(text):
    data = text.encode() if isinstance(text, str) else text
    return b"%d:" % len(data) + data


def blist(items):
    return b"l" + b"".join(items) + b"e"


def bdict(items):
    return b"d" + b"".join(bstr(key) + value for key, value in items) + b"e"


def sha1(data):
    return hashlib.sha1(data).digest()


def sha256(data):
    return hashlib.sha256(data).digest()


def pieces_for(stream, piece_length):
    return b"".join(sha1(stream[at:at + piece_length]) for at in range(0, len(stream), piece_length))


def with_announce(info):
    return bdict([("announce", bstr("http://tracker.invalid/announce")), ("info", info)])


def multi_file_torrent(name, files, piece_length, pieces):
    """files: [(path components, length, attr, symlink components)]"""
    dicts = []
    for path, length, attr, symlink in files:
        items = [("attr", bstr(attr))] if attr else []
        items += [("length", bint(length)), ("path", blist([bstr(c) for c in path]))]
        if symlink:
            items.append(("symlink path", blist([bstr(c) for c in symlink])))
        dicts.append(bdict(items))
    return with_announce(bdict([("files", blist(dicts)), ("name", bstr(name)),
                                ("piece length", bint(piece_length)), ("pieces", bstr(pieces))]))


def single_file_torrent(name, data, piece_length=PIECE):
    return with_announce(bdict([("length", bint(len(data))), ("name", bstr(name)),
                                ("piece length", bint(piece_length)), ("pieces", bstr(pieces_for(data, piece_length)))]))


# ---- v2 and hybrid torrents, as tests/support/v2_torrent.cpp builds them -----------------------

def merkle_root(leaves, width, pad):
    level = list(leaves) + [pad] * (width - len(leaves))
    while len(level) > 1:
        level = [sha256(level[i] + level[i + 1]) for i in range(0, len(level), 2)]
    return level[0]


def power_of_two_at_least(n):
    width = 1
    while width < n:
        width *= 2
    return width


def pad_piece_hash(piece_length):
    digest, span = bytes(32), BLOCK
    while span < piece_length:
        digest, span = sha256(digest + digest), span * 2
    return digest


def root_and_layer(data, piece_length):
    blocks = [sha256(data[at:at + BLOCK]) for at in range(0, len(data), BLOCK)]
    per_piece = piece_length // BLOCK
    if len(blocks) <= per_piece:
        return (merkle_root(blocks, power_of_two_at_least(len(blocks)), bytes(32)) if blocks else b""), b""
    pieces = [merkle_root(blocks[at:at + per_piece], per_piece, bytes(32)) for at in range(0, len(blocks), per_piece)]
    return merkle_root(pieces, power_of_two_at_least(len(pieces)), pad_piece_hash(piece_length)), b"".join(pieces)


def encode_tree(node):
    items = [("", node[""])] if "" in node else []
    items += [(key, encode_tree(child)) for key, child in sorted(node.items()) if key != ""]
    return bdict(items)


def v2_torrent(name, files, piece_length, hybrid=False):
    """files: [(relative path, bytes)] in the order the file tree sorts them."""
    tree, layers, v1_files, stream = {}, [], [], b""
    for index, (path, data) in enumerate(files):
        root, layer = root_and_layer(data, piece_length)
        node = tree
        for component in path.split("/"):
            node = node.setdefault(component, {})
        leaf = [("length", bint(len(data)))] + ([("pieces root", bstr(root))] if root else [])
        node[""] = bdict(leaf)
        if layer:
            layers.append((root, bstr(layer)))
        v1_files.append(bdict([("length", bint(len(data))), ("path", blist([bstr(c) for c in path.split("/")]))]))
        stream += data
        pad = (piece_length - len(stream) % piece_length) % piece_length
        if pad and index + 1 < len(files):
            v1_files.append(bdict([("attr", bstr("p")), ("length", bint(pad)),
                                   ("path", blist([bstr(".pad"), bstr(str(pad))]))]))
            stream += bytes(pad)
    info = [("file tree", encode_tree(tree))]
    if hybrid:
        info.append(("files", blist(v1_files)))
    info += [("meta version", bint(2)), ("name", bstr(name)), ("piece length", bint(piece_length))]
    if hybrid:
        info.append(("pieces", bstr(pieces_for(stream, piece_length))))
    return bdict([("announce", bstr("http://tracker.invalid/announce")), ("info", bdict(info)),
                  ("piece layers", bdict(sorted(layers)))])


# ---- the folder a scenario is built in ----------------------------------------------------------

def rand(size, seed):
    return random.Random(seed).randbytes(size)


def flipped(data, at):
    return data[:at] + bytes([data[at] ^ 0x5A]) + data[at + 1:]


class Scene:
    """A scenario's temporary folder: the torrents, the download "Set", the rebuild source "src" and
    the report in "reports"."""

    def __init__(self, root):
        self.root = root
        self.undo = []  # steps that let the folder be removed (attributes, mounts), last first
        self.dl = self.path("Set")
        self.src = self.path("src")
        os.makedirs(self.dl)
        for folder in ("reports", "config", "home"):
            os.makedirs(self.path(folder))

    def path(self, relative):
        return os.path.join(self.root, relative)

    def write(self, relative, data, base=None):
        path = os.path.join(base or self.dl, relative) if isinstance(relative, str) else \
            os.fsencode(base or self.dl) + b"/" + relative
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def link(self, target, relative):
        path = os.path.join(self.dl, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.symlink(target, path)

    def torrent(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)


# The download most scenarios start from: five files whose pieces span file boundaries.
BASE = [("a.bin", 50000), ("Docs/b.bin", 30000), ("Docs/sub/c.txt", 1000), ("d.bin", 20000), ("e.bin", 16384)]
BASE_BYTES = {path: rand(length, i + 1) for i, (path, length) in enumerate(BASE)}


def v1_set(scene, files, name="Set.torrent", torrent_name="Set"):
    """files: [(path, bytes) or (path, length, attr, symlink)]; returns the torrent's path."""
    items, stream = [], b""
    for f in files:
        if len(f) == 2:
            items.append((f[0].split("/"), len(f[1]), "", None))
            stream += f[1]
        else:
            items.append((f[0].split("/"), f[1], f[2], f[3]))
            stream += bytes(f[1]) if "p" in f[2] else b""
    return scene.torrent(name, multi_file_torrent(torrent_name, items, PIECE, pieces_for(stream, PIECE)))


def base_set(scene, skip=(), replace=None):
    """The base torrent, with its files on disk but those in skip, and replace's bytes where given."""
    replace = replace or {}
    for path, _ in BASE:
        if path not in skip:
            scene.write(path, replace.get(path, BASE_BYTES[path]))
    return v1_set(scene, [(path, BASE_BYTES[path]) for path, _ in BASE])


def strays(scene):
    scene.write("stray.txt", b"stray")
    scene.write("junk/a.txt", b"a")
    scene.write("junk/inner/b.txt", b"b")
    os.makedirs(os.path.join(scene.dl, "emptydir"))


PADDED = BASE_BYTES["a.bin"] + b"PADDING" * 10
SHORT_E = BASE_BYTES["e.bin"][:100]


# ---- the scenarios: each builds its folder and returns (torrent, dir, options) ------------------

def all_ok(s):
    return base_set(s), s.dl, []


def all_ok_log_found(s):
    return base_set(s), s.dl, ["--log-found-files", "--hash-check"]


def missing_no_hash(s):
    return base_set(s, skip=("d.bin", "Docs/sub/c.txt")), s.dl, []


def missing_hash(s):
    return base_set(s, skip=("d.bin",)), s.dl, ["--hash-check"]


def trim_with_backups(s):
    return base_set(s, replace={"a.bin": PADDED}), s.dl, ["--trim-padded-files"]


def trim_no_backups(s):
    longer = BASE_BYTES["Docs/b.bin"] + b"tail"
    return base_set(s, replace={"Docs/b.bin": longer}), s.dl, ["--trim-padded-files", "--no-backups", "--hash-check"]


def longer_left_alone(s):
    return base_set(s, replace={"a.bin": PADDED}), s.dl, ["--hash-check"]


def delete_wrong_sized_backups(s):
    return base_set(s, replace={"a.bin": PADDED, "e.bin": SHORT_E}), s.dl, ["--delete-wrong-sized-files"]


def delete_wrong_sized_no_backups(s):
    # Deleting wins over trimming.
    return base_set(s, replace={"a.bin": PADDED}), s.dl, ["--delete-wrong-sized-files", "--no-backups",
                                                          "--trim-padded-files"]


def trim_with_shorter(s):
    replace = {"a.bin": PADDED, "d.bin": BASE_BYTES["d.bin"][:100]}
    return base_set(s, replace=replace), s.dl, ["--trim-padded-files", "--no-backups"]


def shorter_only(s):
    return base_set(s, replace={"e.bin": SHORT_E}), s.dl, ["--trim-padded-files"]


def failed_pieces_v1(s):
    # a.bin's last byte lies in piece 4, which Docs/b.bin shares; d.bin's middle in piece 6.
    replace = {"a.bin": flipped(BASE_BYTES["a.bin"], 49999), "d.bin": flipped(BASE_BYTES["d.bin"], 10000)}
    return base_set(s, replace=replace), s.dl, ["--hash-check"]


def failed_piece_single_file(s):
    data = rand(40000, 21)
    s.write("movie.mkv", flipped(data, 20000))
    return s.torrent("movie.torrent", single_file_torrent("movie.mkv", data)), s.dl, ["--hash-check"]


def partial_file(s):
    # The client's "d.bin.part": its last 5000 bytes not yet there. Only the pieces holding them fail.
    torrent = base_set(s, skip=("d.bin",))
    s.write("d.bin.part", BASE_BYTES["d.bin"][:15000] + bytes(5000))
    s.write("stray.txt", b"stray")
    return torrent, s.dl, ["--hash-check", "--delete-unneeded", "--delete-when-incomplete", "--no-backups"]


def unreadable_link_loop(s):
    # Even the superuser cannot read a link that leads to itself.
    torrent = base_set(s, skip=("Docs/b.bin",), replace={"a.bin": PADDED})
    s.link("b.bin", "Docs/b.bin")
    return torrent, s.dl, ["--hash-check", "--trim-padded-files", "--no-backups"]


def unreadable_mode_000(s):
    torrent = base_set(s)
    os.chmod(os.path.join(s.dl, "e.bin"), 0)
    s.undo.append(lambda: os.chmod(os.path.join(s.dl, "e.bin"), 0o644))
    return torrent, s.dl, ["--hash-check", "--fix-missing"]


def symlink_entries(s):
    a, tail = rand(20000, 31), rand(9000, 32)
    torrent = v1_set(s, [("a.bin", a), ("link_ok", 0, "l", ["a.bin"]), ("link_as_empty_file", 0, "l", ["a.bin"]),
                         ("sub/link_missing", 0, "l", ["..", "a.bin"]), ("tail.bin", tail)])
    s.write("a.bin", a)
    s.write("tail.bin", tail)
    s.link("a.bin", "link_ok")
    s.write("link_as_empty_file", b"")
    return torrent, s.dl, ["--log-found-files", "--hash-check"]


def repair_moved_verified(s):
    torrent = base_set(s, skip=("d.bin",))
    s.write("old/renamed.bin", BASE_BYTES["d.bin"])
    return torrent, s.dl, ["--fix-missing"]


def repair_disproved(s):
    torrent = base_set(s, skip=("d.bin",))
    s.write("old/other.bin", rand(20000, 41))
    return torrent, s.dl, ["--fix-missing", "--hash-check"]


def repair_by_size_alone(s):
    # sample.bin holds no whole piece, and its neighbours are missing: nothing can vouch for it.
    big, sample, tail = rand(2 * PIECE - 500, 51), rand(1000, 52), rand(PIECE - 500, 53)
    torrent = v1_set(s, [("big.bin", big), ("sample.bin", sample), ("tail.bin", tail)])
    s.write("x/c.bin", sample)
    return torrent, s.dl, ["--fix-missing"]


def repair_copied_from_source(s):
    torrent = base_set(s, skip=("e.bin",))
    s.write("deep/e-copy.bin", BASE_BYTES["e.bin"], base=s.src)
    return torrent, s.dl, ["--fix-missing", "--backup-dir", s.src]


def repair_from_backup_folder(s):
    # a.bin holds b.bin's bytes: deleted into the backup folder, found there as b.bin's file.
    a, b = rand(2 * PIECE, 61), rand(4 * PIECE, 62)
    torrent = v1_set(s, [("a.bin", a), ("b.bin", b)])
    s.write("a.bin", b)
    return torrent, s.dl, ["--delete-wrong-sized-files", "--fix-missing", "--hash-check", "--backup-dir", s.dl]


def repair_other_size_stands(s):
    torrent = base_set(s, replace={"a.bin": b"short"})
    s.write("old/a.copy", BASE_BYTES["a.bin"])
    return torrent, s.dl, ["--fix-missing", "--no-backups"]


def empty_files_created(s):
    files = [(p, BASE_BYTES[p]) for p, _ in BASE] + [("empty.txt", b""), ("Docs/empty2", b""), ("newdir/empty3", b"")]
    for path, data in files[:len(BASE)]:
        s.write(path, data)
    return v1_set(s, files), s.dl, ["--fix-missing"]


def unneeded_listed(s):
    torrent = base_set(s)
    strays(s)
    return torrent, s.dl, []


def unneeded_deleted(s):
    torrent = base_set(s)
    strays(s)
    return torrent, s.dl, ["--delete-unneeded", "--no-backups"]


def unneeded_moved_to_backup(s):
    torrent = base_set(s)
    strays(s)
    return torrent, s.dl, ["--delete-unneeded"]


def unneeded_kept_while_incomplete(s):
    torrent = base_set(s, skip=("a.bin",))
    strays(s)
    return torrent, s.dl, ["--delete-unneeded"]


def unneeded_deleted_when_incomplete(s):
    torrent = base_set(s, skip=("a.bin",))
    strays(s)
    return torrent, s.dl, ["--delete-unneeded", "--delete-when-incomplete", "--no-backups"]


def no_unneeded_check(s):
    torrent = base_set(s)
    strays(s)
    return torrent, s.dl, ["--no-check-unneeded"]


def nothing_found(s):
    torrent = v1_set(s, [(p, BASE_BYTES[p]) for p, _ in BASE])
    s.write("holiday.jpg", b"jpeg")
    s.write("misc/readme.txt", b"readme")
    return torrent, s.dl, ["--delete-unneeded", "--no-backups"]


def single_file_unneeded(s):
    data = rand(40000, 21)
    s.write("movie.mkv", data)
    s.write("other-download.iso", b"iso")
    s.write("sub/notes.txt", b"notes")
    return s.torrent("movie.torrent", single_file_torrent("movie.mkv", data)), s.dl, ["--delete-unneeded",
                                                                                      "--no-backups"]


def dry_run_trim_and_unneeded(s):
    torrent = base_set(s, replace={"a.bin": PADDED})
    strays(s)
    return torrent, s.dl, ["--dry-run", "--trim-padded-files", "--delete-unneeded", "--hash-check"]


def dry_run_repair(s):
    files = [(p, BASE_BYTES[p]) for p, _ in BASE] + [("empty.txt", b"")]
    for path, data in files[:len(BASE)]:
        if path not in ("d.bin", "e.bin"):
            s.write(path, data)
    s.write("old/renamed.bin", BASE_BYTES["d.bin"])
    s.write("e-copy.bin", BASE_BYTES["e.bin"], base=s.src)
    return v1_set(s, files), s.dl, ["--dry-run", "--fix-missing", "--backup-dir", s.src, "--hash-check"]


def dry_run_delete_wrong_sized(s):
    torrent = base_set(s, skip=("d.bin",), replace={"a.bin": PADDED, "e.bin": SHORT_E})
    strays(s)
    return torrent, s.dl, ["--dry-run", "--delete-wrong-sized-files", "--no-backups", "--delete-unneeded",
                           "--delete-when-incomplete"]


V2_PIECE = 32768
V2_FILES = [("a.bin", rand(40000, 71)), ("d/b.bin", rand(70000, 72)), ("d/empty", b""), ("small.txt", rand(100, 73))]


def v2_download(s, hybrid=False, skip=(), replace=None):
    replace = replace or {}
    for path, data in V2_FILES:
        if path not in skip:
            s.write(path, replace.get(path, data))
    return s.torrent("V2.torrent", v2_torrent("V2", V2_FILES, V2_PIECE, hybrid))


def v2_ok(s):
    return v2_download(s), s.dl, ["--hash-check", "--log-found-files"]


def v2_failed_piece(s):
    replace = {"d/b.bin": flipped(V2_FILES[1][1], 40000)}
    return v2_download(s, skip=("small.txt",), replace=replace), s.dl, ["--hash-check"]


def hybrid_by_v2(s):
    return v2_download(s, True, replace={"a.bin": flipped(V2_FILES[0][1], 35000)}), s.dl, ["--hash-check", "--v2"]


def hybrid_by_v1(s):
    return v2_download(s, True, replace={"a.bin": flipped(V2_FILES[0][1], 35000)}), s.dl, ["--hash-check"]


def v2_repair_by_root(s):
    # The download is searched before the rebuild source: the wrong candidate is judged first.
    torrent = v2_download(s, skip=("d/b.bin",))
    s.write("old/x.bin", rand(70000, 74))
    s.write("y.bin", V2_FILES[1][1], base=s.src)
    return torrent, s.dl, ["--fix-missing", "--backup-dir", s.src]


def german(s):
    torrent = base_set(s, replace={"a.bin": PADDED, "d.bin": flipped(BASE_BYTES["d.bin"], 5)})
    strays(s)
    return torrent, s.dl, ["--language", "Deutsch", "--trim-padded-files", "--hash-check"]


def ignore_paths(s):
    torrent = base_set(s, replace={"Docs/b.bin": BASE_BYTES["Docs/b.bin"] + b"padding"})
    s.write("keep.txt", b"k")
    s.write("Docs/notes.txt", b"mine")
    s.write("gone.txt", b"g")
    s.write("junk/x.txt", b"x")
    return torrent, s.dl, ["--trim-padded-files", "--delete-unneeded", "--no-backups", "--ignore", "Docs/b.bin",
                           "--ignore", "Docs/notes.txt", "--ignore", "keep.txt"]


def ignore_torrent(s):
    torrent = base_set(s)
    other = s.torrent("other.torrent", multi_file_torrent("Other", [(["Extra", "x.bin"], 1, "", None)], PIECE, sha1(b"x")))
    s.write("Extra/x.bin", b"x")
    s.write("Extra/y.bin", b"y")
    s.write("gone.txt", b"g")
    return torrent, s.dl, ["--delete-unneeded", "--no-backups", "--ignore-torrent", other]


def odd_names(s):
    # Paths that differ in letter case only: the later one is stored as libtorrent stores it. An
    # unneeded name that is not UTF-8 is moved by its bytes.
    readme, upper = b"lower readme", b"UPPER README"
    files = [(p, BASE_BYTES[p]) for p, _ in BASE] + [("Notes/Readme.txt", readme), ("Notes/README.txt", upper)]
    for path, data in files[:len(BASE)]:
        s.write(path, data)
    s.write("Notes/Readme.txt", readme)
    s.write("Notes/README.1.txt", upper)
    s.write(b"caf\xe9.txt", b"user")
    return v1_set(s, files), s.dl, ["--log-found-files", "--delete-unneeded"]


def linked_folder_trim(s):
    # Docs leads out of the download: what lies there is not the run's to trim.
    torrent = v1_set(s, [(p, BASE_BYTES[p]) for p, _ in BASE])
    for path, _ in BASE:
        data = BASE_BYTES[path] + (b"tail" if path == "Docs/b.bin" else b"")
        s.write(path, data, base=s.path("elsewhere") if path.startswith("Docs/") else None)
    s.link(s.path("elsewhere/Docs"), "Docs")
    return torrent, s.dl, ["--trim-padded-files"]


def report_to_stdout(s):
    torrent = base_set(s, skip=("e.bin",))
    strays(s)
    return torrent, s.dl, ["--hash-check"]


def folder_above_refused(s):
    return base_set(s), s.root, ["--delete-unneeded"]


def unreadable_torrent_refused(s):
    return s.torrent("junk.torrent", b"this is not a torrent at all"), s.dl, []


def immutable_unneeded(s):
    torrent = base_set(s)
    path = s.write("stray.txt", b"user's")
    if subprocess.run(["chattr", "+i", path], capture_output=True).returncode != 0:
        raise Skip("chattr +i is refused here")
    s.undo.append(lambda: subprocess.run(["chattr", "-i", path], capture_output=True))
    return torrent, s.dl, ["--delete-unneeded", "--no-backups"]


def disk_too_full_for_trim(s):
    # Room for the first trim's copy, then too little for the second.
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=288k", "tmpfs", s.dl],
                                           capture_output=True).returncode != 0:
        raise Skip("mounting a small tmpfs needs the superuser")
    s.undo.append(lambda: subprocess.run(["umount", s.dl], capture_output=True))
    a, b = rand(2 * PIECE, 81), rand(4 * PIECE, 82)
    torrent = v1_set(s, [("a.bin", a), ("b.bin", b)])
    s.write("a.bin", a + b"p" * 2 * PIECE)
    s.write("b.bin", b + b"p" * 3 * PIECE)
    return torrent, s.dl, ["--trim-padded-files"]


class Skip(Exception):
    pass


def needs_other_user(build):
    def guarded(s):
        if os.geteuid() == 0:
            raise Skip("the superuser reads every file")
        return build(s)
    return guarded


# (name, build, modes): "json" runs with --json, "text" without, "stdout" with --report -.
BOTH = ("json", "text")
SCENARIOS = [
    ("all_ok", all_ok, BOTH),
    ("all_ok_log_found_hash", all_ok_log_found, BOTH),
    ("missing_files", missing_no_hash, BOTH),
    ("missing_file_hash", missing_hash, BOTH),
    ("trim_with_backups", trim_with_backups, BOTH),
    ("trim_no_backups_hash", trim_no_backups, BOTH),
    ("longer_left_alone_hash", longer_left_alone, BOTH),
    ("delete_wrong_sized_backups", delete_wrong_sized_backups, BOTH),
    ("delete_wrong_sized_no_backups", delete_wrong_sized_no_backups, BOTH),
    ("trim_with_shorter", trim_with_shorter, BOTH),
    ("shorter_only_trim", shorter_only, BOTH),
    ("failed_pieces_v1", failed_pieces_v1, BOTH),
    ("failed_piece_single_file", failed_piece_single_file, BOTH),
    ("partial_file", partial_file, BOTH),
    ("unreadable_link_loop", unreadable_link_loop, BOTH),
    ("unreadable_mode_000", needs_other_user(unreadable_mode_000), BOTH),
    ("symlink_entries", symlink_entries, BOTH),
    ("repair_moved_verified", repair_moved_verified, BOTH),
    ("repair_disproved", repair_disproved, BOTH),
    ("repair_by_size_alone", repair_by_size_alone, BOTH),
    ("repair_copied_from_source", repair_copied_from_source, BOTH),
    ("repair_from_backup_folder", repair_from_backup_folder, BOTH),
    ("repair_other_size_stands", repair_other_size_stands, BOTH),
    ("empty_files_created", empty_files_created, BOTH),
    ("unneeded_listed", unneeded_listed, BOTH),
    ("unneeded_deleted", unneeded_deleted, BOTH),
    ("unneeded_moved_to_backup", unneeded_moved_to_backup, BOTH),
    ("unneeded_kept_while_incomplete", unneeded_kept_while_incomplete, BOTH),
    ("unneeded_deleted_when_incomplete", unneeded_deleted_when_incomplete, BOTH),
    ("no_unneeded_check", no_unneeded_check, BOTH),
    ("nothing_found", nothing_found, BOTH),
    ("single_file_unneeded", single_file_unneeded, BOTH),
    ("dry_run_trim_and_unneeded", dry_run_trim_and_unneeded, BOTH),
    ("dry_run_repair", dry_run_repair, BOTH),
    ("dry_run_delete_wrong_sized", dry_run_delete_wrong_sized, BOTH),
    ("v2_ok", v2_ok, BOTH),
    ("v2_failed_piece", v2_failed_piece, BOTH),
    ("hybrid_by_v2", hybrid_by_v2, BOTH),
    ("hybrid_by_v1", hybrid_by_v1, BOTH),
    ("v2_repair_by_root", v2_repair_by_root, BOTH),
    ("german", german, BOTH),
    ("ignore_paths", ignore_paths, BOTH),
    ("ignore_torrent", ignore_torrent, BOTH),
    ("odd_names", odd_names, BOTH),
    ("linked_folder_trim", linked_folder_trim, BOTH),
    ("report_to_stdout", report_to_stdout, ("stdout",)),
    ("folder_above_refused", folder_above_refused, BOTH),
    ("unreadable_torrent_refused", unreadable_torrent_refused, ("text",)),
    ("immutable_unneeded", immutable_unneeded, BOTH),
    ("disk_too_full_for_trim", disk_too_full_for_trim, BOTH),
]


# ---- running and normalising --------------------------------------------------------------------

class Normaliser:
    def __init__(self, root, version):
        self.root = os.fsencode(root)
        self.version = version.encode()

    def __call__(self, data):
        data = data.replace(self.root, b"<ROOT>").replace(self.root.hex().encode(), b"<ROOT_HEX>")
        data = re.sub(rb"\b\d{4}-\d{2}-\d{2}\b", b"<DATE>", data)
        data = re.sub(rb"\b\d{2}[:-]\d{2}[:-]\d{2}\b", b"<TIME>", data)
        return data

    def report(self, data):
        # The header names the version, and the rule below it is as long as the header.
        lines = self(data).split(b"\r\n")
        head = b"Zandrel v" + self.version + b" "
        if lines and lines[0].startswith(head):
            old_width = len(lines[0].decode("utf-8", "replace"))
            lines[0] = b"Zandrel v<VERSION> " + lines[0][len(head):]
            if len(lines) > 1 and lines[1] == b"-" * old_width:
                lines[1] = b"-" * len(lines[0].decode("utf-8", "replace"))
        return b"\r\n".join(lines)


def tree_listing(root, normalise):
    """Every item below root but the report folder, in name order: links are listed, never followed."""
    out = []
    root_b = os.fsencode(root)
    for folder, dirs, files in os.walk(root_b):
        dirs.sort()
        if folder == root_b:
            dirs.remove(b"reports")
        for name in sorted(dirs + files):
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root_b).decode("utf-8", "backslashreplace")
            st = os.lstat(path)
            mode = "%04o" % stat.S_IMODE(st.st_mode)
            if stat.S_ISLNK(st.st_mode):
                what = "link -> " + normalise(os.readlink(path)).decode("utf-8", "backslashreplace")
            elif stat.S_ISDIR(st.st_mode):
                what = "dir %s" % mode
            else:
                try:
                    with open(path, "rb") as f:
                        digest = hashlib.sha256(f.read()).hexdigest()[:16]
                except OSError as error:
                    digest = "unreadable (%s)" % error.strerror
                what = "file %s %d %s" % (mode, st.st_size, digest)
            out.append("%s\t%s\n" % (relative, what))
    return "".join(out).encode()


def run_mode(cli, scene, torrent, folder, options, mode, normalise):
    report = scene.path("reports/report.log")
    args = ["check", torrent, folder, "--report", "-" if mode == "stdout" else report] + options
    if mode == "json":
        args.append("--json")
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": scene.path("home"),
           "XDG_CONFIG_HOME": scene.path("config"), "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8", "TZ": "UTC"}
    done = subprocess.run([cli] + args, cwd=scene.root, env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=300)
    files = {"args": " ".join(args).encode() + b"\n", "exit": b"%d\n" % done.returncode,
             "stdout": done.stdout, "stderr": done.stderr}
    files = {key: normalise(value) for key, value in files.items()}
    files["report"] = normalise.report(open(report, "rb").read()) if os.path.exists(report) else b"(no report)\n"
    files["tree"] = tree_listing(scene.root, normalise)
    return files


def run_scenario(cli, version, name, build, mode):
    root = os.path.realpath(tempfile.mkdtemp(prefix="golden-"))
    scene = Scene(root)
    try:
        torrent, folder, options = build(scene)
        return run_mode(cli, scene, torrent, folder, options, mode, Normaliser(root, version))
    finally:
        for step in reversed(scene.undo):
            with contextlib.suppress(Exception):
                step()
        shutil.rmtree(root, ignore_errors=True)


def capture_help(cli, out):
    """The help texts name every option: a table of switches that is rebuilt shows there first."""
    folder = os.path.join(out, "00_help")
    os.makedirs(folder)
    for name, args in (("help", ["--help"]), ("check_help", ["check", "--help"])):
        done = subprocess.run([cli] + args, capture_output=True, timeout=60, stdin=subprocess.DEVNULL)
        for key, data in (("exit", b"%d\n" % done.returncode), ("stdout", done.stdout), ("stderr", done.stderr)):
            with open(os.path.join(folder, "%s.%s" % (name, key)), "wb") as f:
                f.write(data)
    return "00_help\tzandrel-cli --help, check --help\n"


def cli_version(cli):
    out = subprocess.run([cli, "--version"], capture_output=True, text=True, timeout=60).stdout.split()
    return out[-1] if out else ""


def prepare_output(out):
    if os.path.isdir(out) and os.listdir(out):
        if not os.path.exists(os.path.join(out, MARKER)):
            sys.exit("%s is not empty and holds no earlier golden runs; not writing there" % out)
        shutil.rmtree(out)
    os.makedirs(out, exist_ok=True)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    cli, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    version = cli_version(cli)
    if not version:
        sys.exit("%s --version says nothing" % cli)
    prepare_output(out)
    os.umask(0o022)
    index = [capture_help(cli, out)]
    for number, (name, build, modes) in enumerate(SCENARIOS, 1):
        folder = os.path.join(out, "%02d_%s" % (number, name))
        try:
            results = {mode: run_scenario(cli, version, name, build, mode) for mode in modes}
        except Skip as why:
            index.append("%02d_%s\tskipped: %s\n" % (number, name, why))
            continue
        os.makedirs(folder)
        for mode, files in results.items():
            for key, data in files.items():
                with open(os.path.join(folder, "%s.%s" % (mode, key)), "wb") as f:
                    f.write(data)
        exits = ", ".join("%s %s" % (mode, files["exit"].decode().strip()) for mode, files in results.items())
        index.append("%02d_%s\texit %s\n" % (number, name, exits))
    with open(os.path.join(out, MARKER), "w") as f:
        f.writelines(index)
    sys.stdout.write("".join(index))


if __name__ == "__main__":
    main()
