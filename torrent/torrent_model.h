// The torrent model: what a .torrent file says about the download.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

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

  int64_t PieceCount() const { return PiecesSize / 20; }
};

// 40 upper-case hexadecimal digits.
QString HexDigest(const Sha1Digest& digest);

}  // namespace zandrel
