#include "platform/data_folder.h"

#include <QStandardPaths>

#include "platform/file_system.h"

namespace zandrel {

QString PerUserFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return WithTrailingSeparator(base) + QStringLiteral("Zandrel") + QChar(kSeparator);
}

DataFolder SettleDataFolder(const QString& working_dir, const QString& per_user_folder) {
  const QString work = WithTrailingSeparator(working_dir);
  DataFolder data;
  if (FileSize(work + kSettingsFileName) >= 0) {
    data.folder = work;
    data.portable = true;
  } else {
    data.folder = CreateDirectories(per_user_folder) ? WithTrailingSeparator(per_user_folder) : work;
  }
  data.settings_path = data.folder + kSettingsFileName;
  data.logs_path = data.folder + kLogsFolderName;
  return data;
}

}  // namespace zandrel
