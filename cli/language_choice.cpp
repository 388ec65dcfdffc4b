#include "cli/language_choice.h"

#include <QStringList>

#include "messages/language_folder.h"

namespace zandrel {

QString FolderWithLanguage(const QString& name, const QString& working_dir, const QString& program_dir,
                           QString* error) {
  const QString file_name = name + QStringLiteral(".lng");
  QStringList existing;
  for (const QString& folder : LanguageFolders(working_dir, program_dir)) {
    for (const QString& found : ListLanguageFiles(folder).names) {
      if (IsRequestedLanguage(found, file_name)) return folder;
      if (!existing.contains(found, Qt::CaseInsensitive)) existing << found;
    }
  }
  existing.sort(Qt::CaseInsensitive);
  *error = existing.isEmpty()
               ? QStringLiteral("no language file %1: no language files found in ./lang or the program's folder")
                     .arg(file_name)
               : QStringLiteral("no language file %1; the languages are: %2").arg(file_name, existing.join(u", "));
  return QString();
}

}  // namespace zandrel
