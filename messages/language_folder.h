// The language files the Language menu offers, and where the program finds them.
#pragma once

#include <QString>
#include <QStringList>

namespace zandrel {

struct LanguageListing {
  QStringList names;       // file names without ".lng", in the order the listing returns them
  bool found_any = false;  // any entry matched "*.lng", files or not
};

// Files matching "*.lng" (in any letter case) in lang_dir, their names kept byte for byte (see
// platform/native_name.h); folders of that name, and links to one, are skipped but still count as
// found.
LanguageListing ListLanguageFiles(const QString& lang_dir);

// Where language files are looked for, in this order: "lang" in the working directory, "lang"
// beside the executable, share/zandrel/lang of an installed program.
QStringList LanguageFolders(const QString& working_dir, const QString& program_dir);

// "lang" in the working directory when it holds a language file; otherwise the program's own
// folder: "lang" beside the executable, or share/zandrel/lang of an installed program.
QString LanguageFolder(const QString& working_dir, const QString& program_dir);

// Whether `name` (a menu item's text) is the requested language file, ignoring letter case.
bool IsRequestedLanguage(const QString& name, const QString& requested_file);

}  // namespace zandrel
