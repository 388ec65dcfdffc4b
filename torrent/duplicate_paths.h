// Torrents may list one path twice, a file where another entry has a folder, or names that differ
// only in letter case. Clients built on libtorrent store such a later file under a new name, so
// that is where the check must look for it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zandrel {

// paths are relative paths (UTF-8, components joined by separator), in torrent order. A file whose
// path equals, ignoring ASCII letter case, that of an earlier file or of any folder of the torrent
// is renamed: ".1", ".2", ... goes before the extension of its last component ("readme.1.txt",
// "data.1"), the first number that gives a free path. Folders are never renamed. Returns the new
// path of each renamed file, by index, in order.
std::vector<std::pair<size_t, std::string>> DuplicatePathRenames(const std::vector<std::string_view>& paths,
                                                                char separator);

}  // namespace zandrel
