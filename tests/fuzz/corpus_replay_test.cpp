// Replays the fuzzers' kept corpus (and the inputs that once crashed them) through the same entry
// points, so every interesting input found while fuzzing stays a regular test.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

#include "tests/fuzz/fuzz_entry.h"

namespace zandrel::fuzz {
namespace {

int Replay(const QString& corpus, void (*entry)(const uint8_t*, size_t)) {
  int count = 0;
  QDirIterator it(QStringLiteral(ZANDREL_SOURCE_DIR "/tests/fuzz/corpus/") + corpus, QDir::Files);
  while (it.hasNext()) {
    QFile file(it.next());
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = file.readAll();
    entry(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    ++count;
  }
  return count;
}

TEST(FuzzCorpus, TorrentReaderInBothModes) {
  EXPECT_GT(Replay("torrent", FuzzTorrentModel), 0);
  Replay("torrent", FuzzTorrentIgnoreList);
}

TEST(FuzzCorpus, SettingsReader) { EXPECT_GT(Replay("settings", FuzzSettings), 0); }

TEST(FuzzCorpus, LanguageFileReader) { EXPECT_GT(Replay("language", FuzzLanguageFile), 0); }

}  // namespace
}  // namespace zandrel::fuzz
