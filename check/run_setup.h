// The setup of a check run that both front ends share: what the user asked for becomes a loaded
// engine and the inputs of one run.
#pragma once

#include <QString>
#include <QStringList>

#include "check/run_inputs.h"
#include "check/engine_state.h"
#include "platform/result.h"

namespace zandrel {

// One check as a front end asks for it, before any file has been read.
struct RunRequest {
  QString torrent;
  QString dir;
  RunOptions options;
  QStringList ignore_paths;     // relative paths or bare file names to leave alone
  QStringList ignore_torrents;  // every path of these torrents is left alone
  QString report;               // the report goes here instead of the logs folder when set
  QString language;             // name of a language file, without ".lng"; empty: keep the current
  bool verify_v2 = false;       // a hybrid torrent is verified by its v2 trees, not its v1 pieces
};

// Loads the language, the ignore list and the torrent into the engine, or says why one of them
// cannot be had (the engine may then hold part of them). A failure is worded with engine.messages,
// which by then holds the language the request asked for.
Status PrepareEngine(const RunRequest& request, EngineState& engine);

// The inputs of the run: absolute paths, backups in the download directory unless another folder
// is named, reports in logs_folder unless a report file is named.
CheckInputs MakeInputs(const RunRequest& request, const QString& logs_folder);

}  // namespace zandrel
