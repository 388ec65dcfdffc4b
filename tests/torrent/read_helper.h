// Reading .torrent bytes through a real file, as the program does.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <utility>

#include "messages/failure_text.h"
#include "messages/message_table.h"
#include "platform/file_system.h"
#include "tests/support/test_files.h"
#include "torrent/path_map.h"
#include "torrent/torrent_model.h"
#include "torrent/torrent_reader.h"

namespace zandrel::test {

// The reader's two uses: the model, or the paths for the ignore list.
enum class ReadAs { kModel, kIgnoreList };

struct ReadOutcome {
  bool ok = false;
  TorrentModel model;  // the model read; as it was when the read failed
  PathMap ignore_list;
  QString failure;     // the status text of a failed read; empty when it succeeded
};

class TorrentReadHelper {
 public:
  TorrentReadHelper() : messages_(dir_.path()) { messages_.InitMessageTable(); }

  QString Path() const { return Join(dir_.path(), QStringLiteral("t.torrent")); }
  const MessageTable& Messages() const { return messages_; }
  QString Text(QStringView key) const { return messages_.MessageText(key); }

  // Reads the file at path into outcome (its model is replaced only by a successful read; its
  // ignore list is added to).
  void ReadPath(const QString& path, ReadAs as, ReadOutcome& outcome) const {
    Status read;
    if (as == ReadAs::kModel) {
      Result<TorrentModel> model = ReadTorrent(path, messages_);
      if (model) outcome.model = std::move(*model);
      else read = model.Why();
    } else {
      read = AddTorrentPaths(path, outcome.ignore_list);
    }
    outcome.ok = read.Ok();
    outcome.failure = read ? QString() : FailureText(read.Why(), messages_);
  }
  ReadOutcome Read(const std::string& bytes, ReadAs as = ReadAs::kModel) const {
    Rewrite(bytes);
    ReadOutcome outcome;
    ReadPath(Path(), as, outcome);
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
