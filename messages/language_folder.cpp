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

QString LanguageFolder(const QString& working_dir, const QString& program_dir) {
  const QString local = QDir(working_dir).filePath(QStringLiteral("lang"));
  if (HoldsLanguageFile(local)) return local;
  for (const QString& relative : {QStringLiteral("lang"), QStringLiteral("../share/zandrel/lang")}) {
    const QString candidate = QDir::cleanPath(QDir(program_dir).filePath(relative));
    if (HoldsLanguageFile(candidate)) return candidate;
  }
  return local;
}

bool IsRequestedLanguage(const QString& name, const QString& requested_file) {
  return !requested_file.isEmpty() &&
         QString::compare(name + kLanguageExtension, requested_file, Qt::CaseInsensitive) == 0;
}

}  // namespace zandrel
