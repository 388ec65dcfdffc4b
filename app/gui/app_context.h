// The program's long-lived state, owned by main() and passed by reference to every window: the
// description's process-wide values without globals.
#pragma once

#include <QString>
#include <QWidget>

#include "app/options.h"
#include "check/engine_state.h"
#include "messages/message_table.h"
#include "platform/data_folder.h"

namespace zandrel {

class Dialogs;

// What the secondary windows and tools need of the main window.
class Shell {
 public:
  virtual ~Shell() = default;
  // The main window, parent of boxes and requesters.
  virtual QWidget* Window() = 0;
  virtual void SetBusyState(bool busy) = 0;
  virtual void SetStatusText(const QString& text) = 0;
  // The Check Torrent button on its own: a TorrentZip run and the ignore window disable it beside
  // the busy state, which leaves it usable as Cancel during a check run.
  virtual void SetCheckButtonEnabled(bool enabled) = 0;
};

struct AppContext {
  AppContext(MessageTable& table, Dialogs& dialog_seam) : messages(table), engine(table), dialogs(dialog_seam) {}

  MessageTable& messages;
  EngineState engine;  // torrent model, ignore list, cancel flag
  Options options;
  DataFolder data_folder;
  Dialogs& dialogs;
  // Set when the torrent path changed since the torrent was last read.
  bool torrent_changed = true;
};

}  // namespace zandrel
