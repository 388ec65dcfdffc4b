// The torrent a benchmark runs on, read into the engine as the program reads it.
#pragma once

#include <cstdio>
#include <utility>

#include "check/engine_state.h"
#include "torrent/torrent_reader.h"

namespace zandrel {

// False, with a line on stderr, when the torrent cannot be read.
inline bool LoadBenchTorrent(const char* path, EngineState& engine) {
  Result<TorrentModel> read = ReadTorrent(QString::fromLocal8Bit(path), engine.messages);
  if (!read) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return false;
  }
  engine.model = std::move(*read);
  return true;
}

}  // namespace zandrel
