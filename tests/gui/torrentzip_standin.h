// Reading what the TorrentZip stand-in (tests/standin) recorded, and the logs it writes.
#pragma once

#include <QDir>
#include <QList>
#include <QStringList>
#include <string>

#include "tests/support/test_files.h"

namespace zandrel::test {

inline const QString kStandin = QStringLiteral(ZANDREL_TORRENTZIP_STANDIN);

// The arguments of every call, in call order, from the record the stand-in keeps in its working
// directory (so a record in the logs folder also proves where it ran).
inline QList<QStringList> StandinCalls(const QString& logs) {
  const std::string bytes = ReadFile(logs + QStringLiteral("/standin-calls.rec"));
  QList<QStringList> calls;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t count_end = bytes.find('\n', pos);
    const int count = std::stoi(bytes.substr(pos, count_end - pos));
    pos = count_end + 1;
    QStringList args;
    for (int i = 0; i < count; ++i) {
      const size_t colon = bytes.find(':', pos);
      const size_t length = std::stoul(bytes.substr(pos, colon - pos));
      args.push_back(QString::fromStdString(bytes.substr(colon + 1, length)));
      pos = colon + 1 + length + 1;
    }
    calls.push_back(args);
  }
  return calls;
}

// What the combined log holds for a zip's log: its three lines, each now ended by CR LF, and the
// empty line after it.
inline std::string MergedLog(const std::string& zip_name) {
  return "TorrentZip " + zip_name + "\r\nstatus\r\ndone\r\n\r\n";
}

// Zip files (empty; only the tool would look inside) of the given names in a folder.
inline QStringList WriteZips(const QString& folder, const QStringList& names) {
  QStringList paths;
  for (const QString& name : names) {
    paths.push_back(Join(folder, name));
    WriteFile(paths.back(), "PK");
  }
  return paths;
}

// Names in a folder, sorted (listings are unsorted).
inline QStringList Names(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
}

}  // namespace zandrel::test
