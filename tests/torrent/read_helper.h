// Reading .torrent bytes through a real file, as the program does.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "messages/message_table.h"
#include "platform/file_system.h"
#include "tests/support/test_files.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"
#include "torrent/torrent_reader.h"

namespace zandrel::test {

struct ReadOutcome {
  int result = 0;
  TorrentModel model;
  PathMap ignore_list;
  QStringList status;  // every status text, in order
};

class TorrentReadHelper {
 public:
  TorrentReadHelper() : messages_(dir_.path()) { messages_.InitMessageTable(); }

  QString Path() const { return Join(dir_.path(), QStringLiteral("t.torrent")); }
  const MessageTable& Messages() const { return messages_; }
  QString Text(QStringView key) const { return messages_.MessageText(key); }

  // Reads the file at path into outcome (its model and ignore list are used as they are).
  void ReadPath(const QString& path, int mode, ReadOutcome& outcome) const {
    outcome.result = ReadTorrent(path, mode, outcome.model, outcome.ignore_list, messages_,
                                 [&outcome](const QString& text) { outcome.status.push_back(text); });
  }
  ReadOutcome Read(const std::string& bytes, int mode = kLoadModel) const {
    Rewrite(bytes);
    ReadOutcome outcome;
    ReadPath(Path(), mode, outcome);
    return outcome;
  }

 private:
  // Overwrites the file in place instead of truncating it first: on file systems that discard
  // freed blocks, truncating costs milliseconds, and the robustness tests write tens of thousands.
  void Rewrite(const std::string& bytes) const {
    QFile file(Path());
    if (!file.open(QIODevice::ReadWrite)) return;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    file.resize(static_cast<qint64>(bytes.size()));
  }

  QTemporaryDir dir_;
  MessageTable messages_;
};

// "dir/sub/b.bin" with the platform's separator.
inline QString NativePath(QString path) { return path.replace(u'/', QChar(kSeparator)); }

inline QString PortablePath(const TorrentFileEntry& entry) {
  return entry.RelativePath().replace(QChar(kSeparator), u'/');
}

}  // namespace zandrel::test
