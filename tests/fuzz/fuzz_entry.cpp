#include "tests/fuzz/fuzz_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/settings.h"
#include "messages/message_table.h"
#include "torrent/torrent_reader.h"

namespace zandrel::fuzz {
namespace {

// Inputs go through real files, as in the program; a RAM-backed folder keeps that cheap.
const QString& ScratchDir() {
  static QTemporaryDir dir(QFileInfo::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/zandrel-fuzz-XXXXXX")
                                                    : QDir::tempPath() + QStringLiteral("/zandrel-fuzz-XXXXXX"));
  static const QString path = dir.path();
  return path;
}

QString WriteInput(const QString& name, const uint8_t* data, size_t size) {
  const QString path = ScratchDir() + u'/' + name;
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  return path;
}

}  // namespace

void FuzzTorrentModel(const uint8_t* data, size_t size) {
  static MessageTable messages(ScratchDir());
  const Result<TorrentModel> read = ReadTorrent(WriteInput(QStringLiteral("input.torrent"), data, size), messages);
  if (!read) return;
  // Every entry the reader lets through must stay inside the download directory.
  for (const TorrentFileEntry& entry : read->TorrentFiles) {
    const QString relative = entry.Dir + entry.Name;
    if (relative.startsWith(u'/') || relative.split(u'/').contains(QStringLiteral("..")) || entry.Name.isEmpty())
      __builtin_trap();
  }
}

void FuzzTorrentIgnoreList(const uint8_t* data, size_t size) {
  PathMap ignore_list;
  (void)AddTorrentPaths(WriteInput(QStringLiteral("input.torrent"), data, size), ignore_list);
}

void FuzzTorrent(const uint8_t* data, size_t size) {
  FuzzTorrentModel(data, size);
  FuzzTorrentIgnoreList(data, size);
}

void FuzzSettings(const uint8_t* data, size_t size) {
  Options options;
  SettingsFlags flags;
  ApplySettingsText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), options, flags);
  if (options.HashCheck != 0 && options.HashCheck != 1) __builtin_trap();
  if (options.WindowSizeX < 0 || options.FontSize < 0) __builtin_trap();
}

void FuzzLanguageFile(const uint8_t* data, size_t size) {
  WriteInput(QStringLiteral("Fuzz.lng"), data, size);
  MessageTable messages(ScratchDir());
  messages.RequestLanguage(QStringLiteral("Fuzz.lng"));
  messages.LoadRequestedLanguage();
  for (const char16_t* key : {u"Author", u"Log_Header", u"Req_SaveTorrentList2"}) {
    if (messages.MessageText(key).size() > kMaxTextLength) __builtin_trap();
  }
}

}  // namespace zandrel::fuzz
