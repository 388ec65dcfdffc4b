// Torrents made by real creators (mktorrent, transmission-create, libtorrent), and crafted ones
// of unusual layouts (unsorted keys, duplicate paths, symbolic links, legacy names), must come out
// as libtorrent itself reads them. The facts were recorded by tests/fixtures/make_fixtures.sh.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/support/bencode.h"
#include "tests/torrent/read_helper.h"

namespace zandrel {
namespace {

const QString kFixtureDir = QStringLiteral(ZANDREL_SOURCE_DIR "/tests/fixtures/torrents");

QJsonObject LoadFacts() {
  QFile file(kFixtureDir + "/libtorrent_facts.json");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).object();
}

// The model libtorrent's file list stands for: padding is not an entry but the zero bytes after
// the entry before it.
struct Expected {
  std::vector<std::pair<QString, int64_t>> files;
  std::vector<int64_t> pad_after;
  std::vector<bool> symlink;
  int64_t pad_before = 0;
};

Expected FromFacts(const QJsonArray& files) {
  Expected expected;
  for (const QJsonValue& value : files) {
    const QJsonObject file = value.toObject();
    const auto length = static_cast<int64_t>(file["length"].toDouble());
    if (file["pad"].toBool()) {
      (expected.pad_after.empty() ? expected.pad_before : expected.pad_after.back()) += length;
    } else {
      expected.files.emplace_back(file["path"].toString(), length);
      expected.pad_after.push_back(0);
      expected.symlink.push_back(file["symlink"].toBool());
    }
  }
  return expected;
}

QString PiecesDigest(const TorrentModel& model) {
  std::string all;
  for (const Sha1Digest& digest : model.PieceHashes) all.append(reinterpret_cast<const char*>(digest.data()), digest.size());
  return QString::fromLatin1(QByteArray::fromStdString(test::Sha1(all)).toHex().toUpper());
}

TEST(TorrentFixtures, ModelMatchesWhatLibtorrentReports) {
  const QJsonObject facts = LoadFacts();
  ASSERT_GE(facts.size(), 17) << "missing " << kFixtureDir.toStdString() << "/libtorrent_facts.json";
  test::TorrentReadHelper reader;
  for (auto it = facts.begin(); it != facts.end(); ++it) {
    if (!it.key().endsWith(".torrent")) continue;
    SCOPED_TRACE(it.key().toStdString());
    const QJsonObject fact = it.value().toObject();
    test::ReadOutcome out;
    reader.ReadPath(kFixtureDir + "/" + it.key(), test::ReadAs::kModel, out);
    // A v2-only torrent is spaced as libtorrent lays it out: its pad files are the model's padding.
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.model.HasV1Pieces, !fact["v2_only"].toBool());
    const Expected expected = FromFacts(fact["files"].toArray());
    ASSERT_EQ(out.model.TorrentFiles.size(), expected.files.size());
    for (size_t i = 0; i < expected.files.size(); ++i) {
      const TorrentFileEntry& entry = out.model.TorrentFiles[i];
      EXPECT_EQ(test::PortablePath(entry), expected.files[i].first);
      EXPECT_EQ(entry.Length, expected.files[i].second) << entry.Name.toStdString();
      EXPECT_EQ(entry.PadAfter, expected.pad_after[i]) << entry.Name.toStdString();
      EXPECT_EQ(entry.IsSymlink, expected.symlink[i]) << entry.Name.toStdString();
    }
    EXPECT_EQ(out.model.PadBefore, expected.pad_before);
    EXPECT_EQ(out.model.PieceLength, fact["piece_length"].toInt());
    EXPECT_EQ(out.model.PieceCount(), fact["num_pieces"].toInt());
    EXPECT_EQ(PiecesDigest(out.model), fact["piece_hashes_sha1"].toString());
  }
}

// The same fixtures through the ignore list: every path and its directories, no padding.
TEST(TorrentFixtures, IgnoreListHoldsEveryPathAndItsDirectories) {
  test::TorrentReadHelper reader;
  test::ReadOutcome out;
  reader.ReadPath(kFixtureDir + "/hybrid_padded.torrent", test::ReadAs::kIgnoreList, out);
  ASSERT_TRUE(out.ok);
  // The padding files too: clients that ignore the padding attribute write them.
  for (const char* path : {"a.bin", "b", "b/c.bin", "b/d.bin", "e.bin", ".pad"}) {
    EXPECT_TRUE(out.ignore_list.IsPresent(test::NativePath(path))) << path;
  }
  EXPECT_EQ(out.ignore_list.PresentCount(), 9);
}

}  // namespace
}  // namespace zandrel
