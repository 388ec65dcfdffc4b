"""Real .torrent files from Python, written as tests/support/bencode.cpp and v2_torrent.cpp write them:
v1 (single and multi-file, with BEP 47 attributes and link targets), v2-only and hybrid torrents with
their SHA-256 trees and piece layers."""
import hashlib

PIECE = 16384
BLOCK = 16384


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
