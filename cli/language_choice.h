// Which language folder serves `--language NAME`.
#pragma once

#include <QString>

namespace zandrel {

// The first language folder that holds NAME.lng (letter case aside), so that a ./lang with other
// languages does not hide the program's own. Empty with *error set, naming the languages that do
// exist, when none holds it.
QString FolderWithLanguage(const QString& name, const QString& working_dir, const QString& program_dir,
                           QString* error);

}  // namespace zandrel
