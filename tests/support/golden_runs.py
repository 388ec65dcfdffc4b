"""Golden runs of zandrel-cli check: a set of small damaged downloads, built from scratch, that takes
every stage and option through its paths, and what the program makes of each one, kept so that two
builds can be compared byte for byte (`diff -r before after`).

usage: python3 golden_runs.py ZANDREL_CLI OUTPUT_FOLDER

Each scenario is built anew in a fresh temporary folder for each of its runs: one with --json and one
without it (the report path and final status on stdout), or one with --report - (the report on stdout).
For every run OUTPUT_FOLDER/<scenario>/ gets <mode>.args, .exit, .stdout, .stderr, .report (the report
file) and .tree (what the folder holds afterwards: kind, mode, size and SHA-256 of every item). The
temporary folder reads <ROOT> (its bytes in hex <ROOT_HEX>), and the version in the report's header
<VERSION>; dates and times, should any appear, read <DATE> and <TIME>. 00_help keeps the help texts.
Scenarios that need what this machine cannot give (a file no one may read needs a user other than
root) are listed as skipped in OUTPUT_FOLDER/index.txt.

Each scenario also names its expected exit status and a few lines that show it took the path it is
there for; when one does not, everything is still written, the misses are listed on stderr and the
exit status is 1.
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

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from torrent_writer import PIECE, multi_file_torrent, pieces_for, sha1, single_file_torrent, v2_torrent  # noqa: E402

MARKER = "index.txt"


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

    def put(self, relative, data):
        """A file of the download, or of the rebuild source when relative starts with "src/"."""
        if relative.startswith("src/"):
            return self.write(relative[4:], data, base=self.src)
        return self.write(relative, data)

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


# ---- the scenarios ------------------------------------------------------------------------------
# A build makes the scenario's folder and returns the torrent's path (the download is "Set"), or the
# torrent and the folder to check. In options, {root}, {src} and {dl} stand for those folders.

def base(skip=(), replace=None, extra=None, with_strays=False):
    def build(s):
        torrent = base_set(s, skip, replace)
        if with_strays:
            strays(s)
        for path, data in (extra or {}).items():
            s.put(path, data)
        return torrent
    return build


def single_file(damaged):
    def build(s):
        data = rand(40000, 21)
        s.write("movie.mkv", flipped(data, 20000) if damaged else data)
        s.write("other-download.iso", b"iso")
        return s.torrent("movie.torrent", single_file_torrent("movie.mkv", data))
    return build


def unreadable_link_loop(s):
    # Even the superuser cannot read a link that leads to itself.
    torrent = base_set(s, skip=("Docs/b.bin",), replace={"a.bin": PADDED})
    s.link("b.bin", "Docs/b.bin")
    return torrent


def unreadable_mode_000(s):
    if os.geteuid() == 0:
        raise Skip("the superuser reads every file")
    torrent = base_set(s)
    os.chmod(os.path.join(s.dl, "e.bin"), 0)
    s.undo.append(lambda: os.chmod(os.path.join(s.dl, "e.bin"), 0o644))
    return torrent


def symlink_entries(s):
    a, tail = rand(20000, 31), rand(9000, 32)
    torrent = v1_set(s, [("a.bin", a), ("link_ok", 0, "l", ["a.bin"]), ("link_as_empty_file", 0, "l", ["a.bin"]),
                         ("sub/link_missing", 0, "l", ["..", "a.bin"]), ("tail.bin", tail)])
    s.write("a.bin", a)
    s.write("tail.bin", tail)
    s.link("a.bin", "link_ok")
    s.write("link_as_empty_file", b"")
    return torrent


def repair_by_size_alone(s):
    # sample.bin holds no whole piece, and its neighbours are missing: nothing can vouch for it.
    big, sample, tail = rand(2 * PIECE - 500, 51), rand(1000, 52), rand(PIECE - 500, 53)
    s.write("x/c.bin", sample)
    return v1_set(s, [("big.bin", big), ("sample.bin", sample), ("tail.bin", tail)])


def two_files(s, a_bin, b_bin, seeds=(61, 62)):
    """a.bin (2 pieces) and b.bin (4 pieces); a_bin and b_bin make what stands on disk of them."""
    a, b = rand(2 * PIECE, seeds[0]), rand(4 * PIECE, seeds[1])
    for name, make in (("a.bin", a_bin), ("b.bin", b_bin)):
        data = make(a, b)
        if data is not None:
            s.write(name, data)
    return v1_set(s, [("a.bin", a), ("b.bin", b)])


def with_empty_files(missing=(), extra=None):
    def build(s):
        files = [(p, BASE_BYTES[p]) for p, _ in BASE] + [("empty.txt", b""), ("Docs/empty2", b""), ("newdir/empty3", b"")]
        for path, data in files[:len(BASE)]:
            if path not in missing:
                s.write(path, data)
        for path, data in (extra or {}).items():
            s.put(path, data)
        return v1_set(s, files)
    return build


def nothing_found(s):
    s.write("holiday.jpg", b"jpeg")
    s.write("misc/readme.txt", b"readme")
    return v1_set(s, [(p, BASE_BYTES[p]) for p, _ in BASE])


V2_PIECE = 32768
V2_FILES = [("a.bin", rand(40000, 71)), ("d/b.bin", rand(70000, 72)), ("d/empty", b""), ("small.txt", rand(100, 73))]


def v2(hybrid=False, skip=(), replace=None, extra=None):
    def build(s):
        for path, data in V2_FILES:
            if path not in skip:
                s.write(path, (replace or {}).get(path, data))
        for path, data in (extra or {}).items():
            s.put(path, data)
        return s.torrent("V2.torrent", v2_torrent("V2", V2_FILES, V2_PIECE, hybrid))
    return build


def ignore_torrent(s):
    s.torrent("other.torrent", multi_file_torrent("Other", [(["Extra", "x.bin"], 1, "", None)], PIECE, sha1(b"x")))
    for name, data in (("Extra/x.bin", b"x"), ("Extra/y.bin", b"y"), ("gone.txt", b"g")):
        s.write(name, data)
    return base_set(s)


def odd_names(s):
    # Paths that differ in letter case only: the later one is stored as libtorrent stores it. An
    # unneeded name that is not UTF-8 is moved by its bytes.
    readme, upper = b"lower readme", b"UPPER README"
    for path, _ in BASE:
        s.write(path, BASE_BYTES[path])
    s.write("Notes/Readme.txt", readme)
    s.write("Notes/README.1.txt", upper)
    s.write(b"caf\xe9.txt", b"user")
    return v1_set(s, [(p, BASE_BYTES[p]) for p, _ in BASE] + [("Notes/Readme.txt", readme), ("Notes/README.txt", upper)])


def torrent_lists_backup_folder(s):
    # A download once checked here and shared again: the trimmed file's backup would land on a file of
    # the torrent, so the old file cannot be moved and the trim does not happen.
    kept, partial = rand(50, 91), rand(45, 92)
    s.write("[ZandrelBackup]/Set/a.bin", kept)
    s.write("a.bin", partial)
    return v1_set(s, [("[ZandrelBackup]/Set/a.bin", kept), ("a.bin", partial[:40])])


def linked_folder(s):
    # Docs leads out of the download: what lies there is not the run's to trim.
    for path, _ in BASE:
        data = BASE_BYTES[path] + (b"tail" if path == "Docs/b.bin" else b"")
        s.write(path, data, base=s.path("elsewhere") if path.startswith("Docs/") else None)
    s.link(s.path("elsewhere/Docs"), "Docs")
    return v1_set(s, [(p, BASE_BYTES[p]) for p, _ in BASE])


def immutable_stray(s):
    path = s.write("stray.txt", b"user's")
    if subprocess.run(["chattr", "+i", path], capture_output=True).returncode != 0:
        raise Skip("chattr +i is refused here")
    s.undo.append(lambda: subprocess.run(["chattr", "-i", path], capture_output=True))
    return base_set(s)


def mount_tmpfs(s, folder, size):
    os.makedirs(folder, exist_ok=True)
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", folder],
                                           capture_output=True).returncode != 0:
        raise Skip("mounting a tmpfs needs the superuser")
    s.undo.append(lambda: subprocess.run(["umount", folder], capture_output=True))


def small_disk(s):
    # Room for the first trim's copy, then too little for the second.
    mount_tmpfs(s, s.dl, "288k")
    return two_files(s, lambda a, b: a + b"p" * 2 * PIECE, lambda a, b: b + b"p" * 3 * PIECE, (81, 82))


def mount_inside(s):
    # Another file system mounted in the download is neither scanned nor searched for repairs.
    mount_tmpfs(s, os.path.join(s.dl, "mnt"), "64k")
    s.write("mnt/d-copy.bin", BASE_BYTES["d.bin"])
    s.write("stray.txt", b"stray")
    return base_set(s, skip=("d.bin",))


class Skip(Exception):
    pass


BOTH = ("json", "text")
D = "[dry run: not done]"
PART = BASE_BYTES["d.bin"][:15000] + bytes(5000)  # a client's partial file: its last 5000 bytes not there yet
IGNORED = {"keep.txt": b"k", "Docs/notes.txt": b"mine", "gone.txt": b"g", "junk/x.txt": b"x", "kept/x.txt": b"x",
           "kept/mine.txt": b"mine"}

# name, build, options, exit status, witnesses that the run took the path it is here for: text of the
# report, stdout or stderr ("@" is the download folder; "!" first: must not be there); modes: "json"
# runs with --json, "text" without, "stdout" with --report -.
SCENARIOS = [
    ("all_ok", base(), [], 0, ["Torrent check was successful!"]),
    ("all_ok_log_found_hash", base(), ["--log-found-files", "--hash-check"], 0,
     ['File found (OK): "@/e.bin"', "File integrity check passed"]),
    ("missing_files", base(skip=("d.bin", "Docs/sub/c.txt")), [], 1,
     ['File not found: "@/Docs/sub/c.txt"', "Error. Torrent check unsuccessful."]),
    ("missing_file_hash", base(skip=("d.bin",)), ["--hash-check"], 1,
     ['Piece #5 - SHA1 hash failed. This affects the following files:\n"@/Docs/b.bin"\n"@/Docs/sub/c.txt"\n"@/d.bin"']),
    ("trim_with_backups", base(replace={"a.bin": PADDED}), ["--trim-padded-files"], 3,
     ['(Fixed) Wrong file size: "@/a.bin"', 'Moved old file: "@/a.bin" to backup location']),
    ("trim_no_backups_hash", base(replace={"Docs/b.bin": BASE_BYTES["Docs/b.bin"] + b"tail"}),
     ["--trim-padded-files", "--no-backups", "--hash-check"], 3,
     ['(Fixed) Wrong file size: "@/Docs/b.bin"', "!Moved old file", "File integrity check passed"]),
    ("longer_left_alone_hash", base(replace={"a.bin": PADDED}), ["--hash-check"], 1,
     ['Wrong file size: "@/a.bin" wrong: 50070 right: 50000\n', "File integrity check passed"]),
    ("delete_wrong_sized_backups", base(replace={"a.bin": PADDED, "e.bin": SHORT_E}), ["--delete-wrong-sized-files"], 1,
     ['(Deleted) Wrong file size: "@/e.bin"', 'Moved old file: "@/e.bin"', "Wrong sized files deleted."]),
    # Deleting wins over trimming.
    ("delete_wrong_sized_no_backups", base(replace={"a.bin": PADDED}),
     ["--delete-wrong-sized-files", "--no-backups", "--trim-padded-files"], 1, ['(Deleted) Wrong file size: "@/a.bin"']),
    ("trim_with_shorter", base(replace={"a.bin": PADDED, "d.bin": BASE_BYTES["d.bin"][:100]}),
     ["--trim-padded-files", "--no-backups"], 1,
     ["(File is smaller than specified in .torrent)", "trimmed successfully but there were some problems"]),
    ("shorter_only_trim", base(replace={"e.bin": SHORT_E}), ["--trim-padded-files"], 1,
     ["Error. Some file(s) were not trimmed."]),
    # a.bin's last byte lies in piece 4, which Docs/b.bin shares; d.bin's middle in piece 6.
    ("failed_pieces_v1", base(replace={"a.bin": flipped(BASE_BYTES["a.bin"], 49999),
                                       "d.bin": flipped(BASE_BYTES["d.bin"], 10000)}), ["--hash-check"], 1,
     ['Piece #4 - SHA1 hash failed. This affects the following files:\n"@/a.bin"\n"@/Docs/b.bin"\n\n',
      "Torrent is 40.0% complete."]),
    ("failed_piece_single_file", single_file(True), ["--hash-check"], 1, ['Piece #2 - SHA1 hash failed.', '"@/movie.mkv"']),
    ("partial_file", base(skip=("d.bin",), extra={"d.bin.part": PART, "stray.txt": b"stray"}),
     ["--hash-check", "--delete-unneeded", "--delete-when-incomplete", "--no-backups"], 1,
     ['Partial download of this file: "@/d.bin.part"', "Piece #6 - SHA1", "!Piece #5 - SHA1",
      'Deleted unneeded file: "@/stray.txt"', "!d.bin.part\" (Deleted"]),
    ("unreadable_link_loop", unreadable_link_loop, ["--hash-check", "--trim-padded-files", "--no-backups"], 1,
     ["(Too many levels of symbolic links)", "1 file(s) of the torrent could not be read."]),
    ("unreadable_mode_000", unreadable_mode_000, ["--hash-check", "--fix-missing"], 1,
     ['File could not be read: "@/e.bin" (Permission denied)']),
    ("symlink_entries", symlink_entries, ["--log-found-files", "--hash-check"], 1,
     ['File found (OK): "@/link_ok"', 'File found (OK): "@/link_as_empty_file"', 'File not found: "@/sub/link_missing"']),
    ("repair_moved_verified", base(skip=("d.bin",), extra={"old/renamed.bin": BASE_BYTES["d.bin"]}), ["--fix-missing"], 1,
     ['Fixed missing file: "@/old/renamed.bin" to destination: "@/d.bin"', '"mode": "moved", "done": true, "verified": true']),
    ("repair_disproved", base(skip=("d.bin",), extra={"old/other.bin": rand(20000, 41)}), ["--fix-missing", "--hash-check"], 1,
     ["Not used to fix missing file (its pieces do not match)", "Fixed missing files: (0/1)"]),
    ("repair_by_size_alone", repair_by_size_alone, ["--fix-missing"], 1,
     ["Fixed missing file by its size alone", '"verified": false']),
    ("repair_copied_from_source", with_empty_files(missing=("e.bin",), extra={"src/deep/e-copy.bin": BASE_BYTES["e.bin"]}),
     ["--fix-missing", "--backup-dir", "{src}"], 1,
     ['Fixed missing file: "<ROOT>/src/deep/e-copy.bin" to destination: "@/e.bin"', '"mode": "copied"',
      'Created missing empty file: "@/newdir/empty3"', "Fixed missing files: (4/4)"]),
    # a.bin holds b.bin's bytes: deleted into the backup folder, found there as b.bin's file.
    ("repair_from_backup_folder", lambda s: two_files(s, lambda a, b: b, lambda a, b: None),
     ["--delete-wrong-sized-files", "--fix-missing", "--hash-check", "--backup-dir", "{dl}"], 1,
     ['Fixed missing file: "@/[ZandrelBackup]/Set/a.bin" to destination: "@/b.bin"']),
    ("repair_other_size_stands", base(replace={"a.bin": b"short"}, extra={"old/a.copy": BASE_BYTES["a.bin"]}),
     ["--fix-missing", "--no-backups"], 1, ['A file of another size stands at "@/a.bin"']),
    ("unneeded_listed", base(with_strays=True), [], 0,
     ['Unneeded directory: "@/emptydir/"', 'Unneeded file: "@/junk/inner/b.txt"']),
    ("unneeded_deleted", base(with_strays=True), ["--delete-unneeded", "--no-backups"], 0,
     ['Deleted unneeded directory: "@/junk/"', 'Deleted unneeded file: "@/stray.txt"']),
    ("unneeded_moved_to_backup", base(with_strays=True), ["--delete-unneeded"], 0,
     ['Moved unneeded file: "@/stray.txt" to backup location', 'Created directory: "@/[ZandrelBackup]/Set/emptydir/"']),
    ("unneeded_kept_while_incomplete", base(skip=("a.bin",), with_strays=True), ["--delete-unneeded"], 1,
     ['Unneeded file: "@/stray.txt"']),
    ("unneeded_deleted_when_incomplete", base(skip=("a.bin",), with_strays=True),
     ["--delete-unneeded", "--delete-when-incomplete", "--no-backups"], 1, ['Deleted unneeded file: "@/stray.txt"']),
    ("no_unneeded_check", base(with_strays=True), ["--no-check-unneeded"], 0, ["!Unneeded files check:"]),
    # Deleting is allowed although files are missing: only finding none of them keeps it from happening.
    ("nothing_found", nothing_found, ["--delete-unneeded", "--delete-when-incomplete", "--no-backups"], 1,
     ["Unneeded items are only listed: not one file"]),
    ("single_file_unneeded", single_file(False), ["--delete-unneeded", "--no-backups"], 0,
     ["Unneeded items are only listed: the folder of a single-file torrent"]),
    ("dry_run_trim_and_unneeded", base(replace={"a.bin": PADDED}, with_strays=True),
     ["--dry-run", "--trim-padded-files", "--delete-unneeded", "--hash-check"], 1,
     ['(Fixed) Wrong file size: "@/a.bin" wrong: 50070 right: 50000 ' + D,
      'Moved unneeded file: "@/stray.txt" to backup location: "@/[ZandrelBackup]/Set/" ' + D]),
    ("dry_run_repair", with_empty_files(missing=("d.bin", "e.bin"), extra={"old/renamed.bin": BASE_BYTES["d.bin"],
                                                                           "src/e-copy.bin": BASE_BYTES["e.bin"]}),
     ["--dry-run", "--fix-missing", "--backup-dir", "{src}", "--hash-check"], 1,
     ['Created missing empty file: "@/empty.txt" ' + D, 'Fixed missing file: "<ROOT>/src/e-copy.bin" to destination: "@/e.bin" ' + D,
      'Fixed missing file: "@/old/renamed.bin" to destination: "@/d.bin" ' + D]),
    ("dry_run_delete_wrong_sized", base(skip=("d.bin",), replace={"a.bin": PADDED, "e.bin": SHORT_E}, with_strays=True),
     ["--dry-run", "--delete-wrong-sized-files", "--no-backups", "--delete-unneeded", "--delete-when-incomplete"], 1,
     ['(Deleted) Wrong file size: "@/e.bin" wrong: 100 right: 16384 ' + D, 'Deleted unneeded file: "@/stray.txt" ' + D]),
    ("v2_ok", v2(), ["--hash-check", "--log-found-files"], 0, ["Pieces: (6) - Piece size: (32768)", "File integrity check passed"]),
    ("v2_failed_piece", v2(skip=("small.txt",), replace={"d/b.bin": flipped(V2_FILES[1][1], 40000)}), ["--hash-check"], 1,
     ["Piece #4 - SHA256 hash failed. It is piece #2 of the following file", '"v2_files"']),
    ("hybrid_by_v2", v2(True, replace={"a.bin": flipped(V2_FILES[0][1], 35000)}), ["--hash-check", "--v2"], 1,
     ["Piece #2 - SHA256 hash failed", "Error. SHA256 hash check failed"]),
    ("hybrid_by_v1", v2(True, replace={"a.bin": flipped(V2_FILES[0][1], 35000)}), ["--hash-check"], 1,
     ["Piece #2 - SHA1 hash failed"]),
    # The download is searched before the rebuild source: the wrong candidate is judged first.
    ("v2_repair_by_root", v2(skip=("d/b.bin",), extra={"old/x.bin": rand(70000, 74), "src/y.bin": V2_FILES[1][1]}), ["--fix-missing", "--backup-dir", "{src}"], 1,
     ["its hash tree root is not the file's", 'Fixed missing file: "<ROOT>/src/y.bin" to destination: "@/d/b.bin"']),
    ("german", base(replace={"a.bin": PADDED, "d.bin": flipped(BASE_BYTES["d.bin"], 5)}, with_strays=True),
     ["--language", "Deutsch", "--trim-padded-files", "--hash-check"], 1, ["Prüfbericht", "(Behoben)", "Datei(en) gekürzt"]),
    ("ignore_paths", base(replace={"Docs/b.bin": BASE_BYTES["Docs/b.bin"] + b"padding"}, extra=IGNORED),
     ["--trim-padded-files", "--delete-unneeded", "--no-backups", "--ignore", "Docs/b.bin", "--ignore", "Docs/notes.txt",
      "--ignore", "keep.txt", "--ignore", "kept/mine.txt"], 3,
     ['(Fixed) Wrong file size: "@/Docs/b.bin"', '"kept_not_empty"', "!@/keep.txt", "!@/Docs/notes.txt", "!@/kept/mine.txt"]),
    ("ignore_torrent", ignore_torrent, ["--delete-unneeded", "--no-backups", "--ignore-torrent", "{root}/other.torrent"], 0,
     ['Deleted unneeded file: "@/gone.txt"', "!@/Extra"]),
    ("odd_names", odd_names, ["--log-found-files", "--delete-unneeded"], 0,
     ['File found (OK): "@/Notes/README.1.txt"', '"path_bytes": "<ROOT_HEX>']),
    ("torrent_lists_backup_folder", torrent_lists_backup_folder, ["--trim-padded-files", "--delete-unneeded"], 1,
     ['Unable to move old file: "@/a.bin"']),
    ("linked_folder_trim", linked_folder, ["--trim-padded-files"], 1, ['"@/Docs/b.bin" wrong: 30004 right: 30000 (Unable to fix)']),
    ("report_to_stdout", base(skip=("e.bin",), with_strays=True), ["--hash-check"], 1,
     ["Zandrel v<VERSION> Report file", "Error. SHA1 hash check failed"], ("stdout",)),
    ("folder_above_refused", lambda s: (base_set(s), s.root), ["--delete-unneeded"], 2, ["not one file of the torrent is here"]),
    ("unreadable_torrent_refused", lambda s: s.torrent("junk.torrent", b"this is not a torrent"), [], 2,
     ["Error processing torrent file. (not a .torrent?)"], ("text",)),
    ("immutable_unneeded", immutable_stray, ["--delete-unneeded", "--no-backups"], 1,
     ['Unable to delete file: "@/stray.txt"', "Some unneeded files or directories could not be deleted"]),
    ("disk_too_full_for_trim", small_disk, ["--trim-padded-files"], 1,
     ["(Not enough space on drive <ROOT>/Set to trim file)", '(Fixed) Wrong file size: "@/a.bin"']),
    ("other_file_system_inside", mount_inside, ["--fix-missing", "--delete-unneeded", "--delete-when-incomplete"], 1,
     ['Not scanned (another file system is mounted here): "@/mnt/"', "Fixed missing files: (0/1)",
      'Moved unneeded file: "@/stray.txt"']),
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


def run_mode(cli, scene, built, options, mode, normalise):
    torrent, folder = built if isinstance(built, tuple) else (built, scene.dl)
    report = scene.path("reports/report.log")
    options = [o.format(root=scene.root, src=scene.src, dl=scene.dl) for o in options]
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
    if mode == "stdout":
        files["stdout"] = normalise.report(done.stdout)
    files["report"] = normalise.report(open(report, "rb").read()) if os.path.exists(report) else b"(no report)\n"
    files["tree"] = tree_listing(scene.root, normalise)
    return files


def run_scenario(cli, version, build, options, mode):
    root = os.path.realpath(tempfile.mkdtemp(prefix="golden-"))
    scene = Scene(root)
    try:
        return run_mode(cli, scene, build(scene), options, mode, Normaliser(root, version))
    finally:
        for step in reversed(scene.undo):
            with contextlib.suppress(Exception):
                step()
        shutil.rmtree(root, ignore_errors=True)


def missed_witnesses(results, exit_status, witnesses):
    """What shows that a scenario did not take the path it is there for; empty when it did."""
    missed = ["%s run exited %s" % (mode, files["exit"].decode().strip())
              for mode, files in results.items() if files["exit"] != b"%d\n" % exit_status]
    first = next(iter(results.values()))
    text = b"".join(first[key] for key in ("report", "stdout", "stderr")).replace(b"\r\n", b"\n").decode("utf-8", "replace")
    for witness in witnesses:
        wanted = not witness.startswith("!")
        if (witness.lstrip("!").replace("@", "<ROOT>/Set") in text) != wanted:
            missed.append(("missing: " if wanted else "there: ") + witness.lstrip("!"))
    return missed


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
    index, unexpected = [capture_help(cli, out)], []
    for number, (name, build, options, exit_status, witnesses, *modes) in enumerate(SCENARIOS, 1):
        label = "%02d_%s" % (number, name)
        try:
            results = {mode: run_scenario(cli, version, build, options, mode) for mode in (modes[0] if modes else BOTH)}
        except Skip as why:
            index.append("%s\tskipped: %s\n" % (label, why))
            continue
        os.makedirs(os.path.join(out, label))
        for mode, files in results.items():
            for key, data in files.items():
                with open(os.path.join(out, label, "%s.%s" % (mode, key)), "wb") as f:
                    f.write(data)
        exits = ", ".join("%s %s" % (mode, files["exit"].decode().strip()) for mode, files in results.items())
        index.append("%s\texit %s\n" % (label, exits))
        unexpected += ["%s: %s" % (label, miss) for miss in missed_witnesses(results, exit_status, witnesses)]
    with open(os.path.join(out, MARKER), "w") as f:
        f.writelines(index)
    sys.stdout.write("".join(index))
    sys.stdout.flush()
    if unexpected:
        sys.exit("scenarios that did not take the path they are there for:\n  " + "\n  ".join(unexpected))


if __name__ == "__main__":
    main()
