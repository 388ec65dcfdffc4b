// What the About window says and where its link leads.
#pragma once

#include <QString>
#include <array>

#include "app/about_layout.h"

namespace zandrel {

// Program name, version, what it does and the copyright line. These stay in
// English: they are the program's own texts, not part of the language files.
std::array<QString, kAboutLineCount> AboutTexts();

// The README shipped with the program: <prefix>/share/doc/zandrel/README.md beside an installed
// program's bin folder, or the copy the build puts at the same place in the build folder; empty
// when neither exists.
QString ShippedReadmePath(const QString& program_dir);

}  // namespace zandrel
