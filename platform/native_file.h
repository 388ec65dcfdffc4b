// Opening a QFile by a name that need not be UTF-8: QFile itself would encode the name lossily
// and open another file, or none.
#pragma once

#include <QFile>
#include <QString>

namespace zandrel {

// Opens `file` on `path` (a name as DecodeName gives it) with one of the modes ReadOnly,
// WriteOnly | Truncate, WriteOnly | Append or WriteOnly | NewOnly; false when that fails, with
// errno telling why.
bool OpenNamedFile(QFile& file, const QString& path, QIODevice::OpenMode mode);

// The absolute, cleaned form of `path`, relative to the working folder, naming what the system
// would open: "." is dropped, and ".." steps up from where the path so far leads (through links),
// as the kernel resolves it; other links stay as written. No byte of either is lost (QFileInfo
// would replace those that are not UTF-8).
QString AbsoluteName(const QString& path);

}  // namespace zandrel
