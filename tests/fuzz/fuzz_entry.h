// Entry points shared by the libFuzzer targets and the corpus replay test: each feeds one input to
// one reader of untrusted files, the way the program reads them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zandrel::fuzz {

void FuzzTorrentModel(const uint8_t* data, size_t size);
void FuzzTorrentIgnoreList(const uint8_t* data, size_t size);
// Both modes on one input.
void FuzzTorrent(const uint8_t* data, size_t size);
void FuzzSettings(const uint8_t* data, size_t size);
void FuzzLanguageFile(const uint8_t* data, size_t size);

}  // namespace zandrel::fuzz
