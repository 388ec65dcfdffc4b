// The screenshot program's registry: each shots_<area>.cpp registers named shots that build a
// window, put it into the state worth showing and return the picture to save.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

#include "app/gui/app_context.h"

namespace zandrel::shots {

// What every shot gets: a fresh context (message table with the run's language loaded, default
// options with the run's font, data folder in a temporary folder) and a folder of its own for
// files it wants to show (torrents, downloads).
struct ShotSetup {
  AppContext& context;
  QString work_dir;   // empty temporary folder, ends without a separator
  QString language;   // "" for the built-in English texts, else the language file's name
  int font_size = 0;  // 0 for the default font, else points
};

using ShotFunction = std::function<QImage(ShotSetup&)>;

struct Shot {
  QString name;  // the PNG file's base name
  ShotFunction make;
};

// Adds a shot; returns true so that it can initialise a static.
bool RegisterShot(const QString& name, ShotFunction make);
// Every registered shot, sorted by name.
std::vector<Shot> RegisteredShots();

}  // namespace zandrel::shots

// Defines and registers a shot: ZANDREL_SHOT(main_window) { ... return GrabWidget(window); }
#define ZANDREL_SHOT(name)                                                                        \
  static QImage Shot_##name(::zandrel::shots::ShotSetup& setup);                                  \
  [[maybe_unused]] static const bool shot_registered_##name =                                    \
      ::zandrel::shots::RegisterShot(QStringLiteral(#name), &Shot_##name);                        \
  static QImage Shot_##name([[maybe_unused]] ::zandrel::shots::ShotSetup& setup)
