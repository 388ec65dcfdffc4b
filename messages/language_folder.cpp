#include "messages/language_folder.h"

#include <QDir>

#include "platform/directory_walk.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

const QString kLanguageExtension = QStringLiteral(".lng");

bool HoldsLanguageFile(const QString& dir) { return !ListLanguageFiles(dir).names.isEmpty(); }

bool HasLanguageExtension(const QString& name) { return name.endsWith(kLanguageExtension, Qt::CaseInsensitive); }

// The language folder's own entries; a folder named like a language file counts as found but is
// neither offered nor entered, and neither is a link to one.
class LanguageFileVisitor : public WalkVisitor {
 public:
  explicit LanguageFileVisitor(LanguageListing& listing) : listing_(listing) {}

  bool File(const WalkEntry& entry) override {
    if (!HasLanguageExtension(entry.name)) return true;
    listing_.found_any = true;
    if (FileSize(entry.path) != kDirectorySize) listing_.names << entry.name.chopped(kLanguageExtension.size());
    return true;
  }
  bool Enter(const WalkEntry& folder) override {
    if (HasLanguageExtension(folder.name)) listing_.found_any = true;
    return false;
  }

 private:
  LanguageListing& listing_;
};

}  // namespace

LanguageListing ListLanguageFiles(const QString& lang_dir) {
  LanguageListing listing;
  if (lang_dir.isEmpty()) return listing;
  LanguageFileVisitor visitor(listing);
  WalkDirectory(WithTrailingSeparator(lang_dir), visitor);
  return listing;
}

QStringList LanguageFolders(const QString& working_dir, const QString& program_dir) {
  QStringList folders{QDir(working_dir).filePath(QStringLiteral("lang"))};
  for (const QString& relative : {QStringLiteral("lang"), QStringLiteral("../share/zandrel/lang")}) {
    folders << QDir::cleanPath(QDir(program_dir).filePath(relative));
  }
  return folders;
}

QString LanguageFolder(const QString& working_dir, const QString& program_dir) {
  const QStringList folders = LanguageFolders(working_dir, program_dir);
  for (const QString& folder : folders) {
    if (HoldsLanguageFile(folder)) return folder;
  }
  return folders.first();
}

bool IsRequestedLanguage(const QString& name, const QString& requested_file) {
  return !requested_file.isEmpty() &&
         QString::compare(name + kLanguageExtension, requested_file, Qt::CaseInsensitive) == 0;
}

}  // namespace zandrel
