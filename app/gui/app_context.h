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

// What the feature windows and tools ask of the program's shell, the main window.
class Shell {
 public:
  virtual ~Shell() = default;
  // The main window, parent of boxes and requesters.
  virtual QWidget* Window() = 0;
  // A step of theirs (a requester, a torrent read, a TorrentZip run) holds the main window until it
  // is released: every control greys out, Check Torrent too, since a check started meanwhile would
  // run on a model or list that the step may replace.
  virtual void HoldWindow(bool held) = 0;
  // Tells the user something on the main window's status line.
  virtual void ShowStatusMessage(const QString& text) = 0;
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
