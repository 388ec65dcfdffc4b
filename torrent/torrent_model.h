// The torrent model: what a .torrent file says about the download.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "torrent/merkle_tree.h"
#include "torrent/torrent_details.h"

namespace zandrel {

struct TorrentFileEntry {
  QString Name;         // file-name part of the relative path
  QString Dir;          // directory part, ending with the separator, or empty
  int64_t Length = 0;   // bytes
  int64_t PadAfter = 0; // zero bytes of padding files that follow this file in the piece stream
  // A symbolic link the torrent lists (BEP 47): found when a link stands at its path; it holds no
  // bytes, and nothing ever sizes, trims, deletes, repairs or enters it.
  bool IsSymlink = false;
  QString SymlinkTarget; // relative to the download directory, components joined by the separator
  // The relative path exactly as the torrent writes it, where the reader shortened or cleaned a
  // name and the written one is still legal on disk (a client may have kept it); empty otherwise.
  QString AsWritten;
  // BitTorrent v2: the root of the file's hash tree (empty files have none), and where its piece
  // layer starts in TorrentModel::LayerHashes (files of one piece or less have no layer).
  bool HasPiecesRoot = false;
  Sha256Digest PiecesRoot{};
  int64_t LayerAt = 0;

  QString RelativePath() const { return Dir + Name; }
};

using Sha1Digest = std::array<uint8_t, 20>;

struct TorrentModel {
  std::vector<TorrentFileEntry> TorrentFiles;
  std::vector<Sha1Digest> PieceHashes;  // raw digests; shown as 40 upper-case hex digits
  int64_t PieceLength = 0;
  int64_t PiecesSize = 0;               // length of the pieces string in bytes
  int64_t PadBefore = 0;                // padding before the first entry
  // A torrent of one file without a folder of its own: its download directory is the folder the
  // file was saved in, usually shared with other downloads.
  bool SingleFile = false;
  // The torrent's own name, cleaned as a path component: a multi-file download lies in a folder
  // of that name, and the check must not be given the folder above it.
  QString TorrentName;
  // Relative paths of the padding files. Clients that ignore the padding attribute write them as
  // real files of zeros, which they need again when they resume.
  std::vector<QString> PaddingPaths;
  // BitTorrent v2 (a v2-only or hybrid torrent): every file carries its own hash tree. A v2-only
  // torrent has no PieceHashes; its entries stand as if each file were followed by the padding
  // that begins the next one at a piece boundary.
  bool HasV2 = false;
  bool HasV1Pieces = true;
  std::vector<Sha256Digest> LayerHashes;  // every file's piece layer, back to back
  // Why a hybrid torrent's v2 trees cannot be used (it is then checked by its v1 part alone);
  // empty when they can, or when there are none.
  QString V2Problem;
  // What the torrent says beyond its files: name, hashes, trackers, creator.
  TorrentDetails Details;

  // The v1 hashes' count; a v2-only torrent's pieces are those of its files, each file starting
  // a new piece.
  int64_t PieceCount() const;
};

// 40 upper-case hexadecimal digits.
QString HexDigest(const Sha1Digest& digest);
// 64 lower-case hexadecimal digits, as clients show v2 hashes.
QString HexDigest(const Sha256Digest& digest);

}  // namespace zandrel
