// The long-lived state a check run works on, owned by the front end (window or command line) and
// passed by reference: it outlives every run.
#pragma once

#include <atomic>
#include <vector>

#include "messages/message_table.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"

namespace zandrel {

inline const QString kBackupMarker = QStringLiteral("[ZandrelBackup]");

struct EngineState {
  explicit EngineState(MessageTable& table) : messages(table) {}

  MessageTable& messages;
  TorrentModel model;
  PathMap ignore_list;
  // Set by the front end to stop a run; every long operation polls it.
  std::atomic<int> cancel_flag{0};
};

}  // namespace zandrel
