#include "messages/language_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace zandrel {
namespace {

const QString kLanguageExtension = QStringLiteral(".lng");

bool HoldsLanguageFile(const QString& dir) { return !ListLanguageFiles(dir).names.isEmpty(); }

}  // namespace

LanguageListing ListLanguageFiles(const QString& lang_dir) {
  LanguageListing listing;
  if (lang_dir.isEmpty()) return listing;
  QDirIterator it(lang_dir, {QStringLiteral("*") + kLanguageExtension},
                  QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  while (it.hasNext()) {
    it.next();
    listing.found_any = true;
    const QFileInfo info = it.fileInfo();
    if (info.isDir()) continue;
    listing.names << info.fileName().chopped(kLanguageExtension.size());
  }
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
