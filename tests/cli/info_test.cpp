// zandrel-cli info, run as its own process.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel::test {
namespace {

std::string FileDict(const std::vector<std::string>& path, int64_t length, const std::string& attr = "") {
  std::vector<std::string> parts;
  for (const std::string& part : path) parts.push_back(BStr(part));
  std::vector<std::pair<std::string, std::string>> items;
  if (!attr.empty()) items.push_back({"attr", BStr(attr)});
  items.push_back({"length", BInt(length)});
  items.push_back({"path", BList(parts)});
  return BDict(items);
}

std::string Hex(QCryptographicHash::Algorithm algorithm, const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), algorithm).toHex().toStdString();
}

class InfoCommandTest : public ::testing::Test {
 protected:
  QString Torrent(const std::string& bytes, const QString& name = "t.torrent") {
    const QString path = Join(dir_.path(), name);
    WriteFile(path, bytes);
    return path;
  }
  // Three files (one padding file between them), private, with every descriptive key.
  std::string ExampleInfo() const {
    return BDict({{"files", BList({FileDict({"CD1", "a.bin"}, 10), FileDict({".pad", "6"}, 6, "p"),
                                   FileDict({"CD1", "Extras", "b.txt"}, 2000), FileDict({"c.nfo"}, 5)})},
                  {"name", BStr("Album")},
                  {"piece length", BInt(16384)},
                  {"pieces", BStr(std::string(20, 'h'))},
                  {"private", BInt(1)}});
  }
  QString ExampleTorrent() {
    return Torrent(BDict({{"announce", BStr("http://one/announce")},
                          {"announce-list", BList({BList({BStr("http://one/announce"), BStr("udp://two:80")}),
                                                   BList({BStr("http://three/announce")})})},
                          {"comment", BStr("first \"pressing\"")},
                          {"created by", BStr("maker 1.0")},
                          {"creation date", BInt(1700000000)},
                          {"info", ExampleInfo()},
                          {"url-list", BStr("http://seed/album/")}}));
  }
  QTemporaryDir dir_;
};

TEST_F(InfoCommandTest, TextShowsTheDetailsThenTheViewsListing) {
  const CliRun run = RunCli({"info", ExampleTorrent()});
  EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.toStdString(),
            "Name: Album\n"
            "Size: 1.97 KiB (2015 bytes)\n"
            "Files: 3\n"
            "Pieces: 1 of 16.00 KiB (16384 bytes)\n"
            "Meta version: 1\n"
            "Info hash: " + Hex(QCryptographicHash::Sha1, ExampleInfo()) + "\n"
            "Private: yes\n"
            "Created by: maker 1.0\n"
            "Created on: 2023-11-14 22:13:20 UTC\n"
            "Comment: first \"pressing\"\n"
            "Tracker: tier 1 http://one/announce\n"
            "Tracker: tier 1 udp://two:80\n"
            "Tracker: tier 2 http://three/announce\n"
            "Web seed: http://seed/album/\n"
            "\n"
            "Files:\n"
            "c.nfo [Size: 5 bytes]\n"
            "[CD1]\n"
            "   |--- a.bin [Size: 10 bytes]\n"
            "   |--- [Extras]\n"
            "           |--- b.txt [Size: 2000 bytes]\n");
  EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(InfoCommandTest, JsonKeepsTheFileListAndAddsTheDetails) {
  const CliRun run = RunCli({"info", "--json", ExampleTorrent()});
  ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith("{\n  \"piece_length\": 16384,\n  \"pieces\": 1,\n  \"files\": [\n"
                                 "    {\"path\": \"CD1/a.bin\", \"length\": 10},\n"))
      << run.out.toStdString();
  QJsonParseError error;
  const QJsonObject object = QJsonDocument::fromJson(run.out, &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError);
  const QJsonArray files = object["files"].toArray();
  ASSERT_EQ(files.size(), 3) << "padding files are left out";
  EXPECT_EQ(files[1].toObject()["path"].toString(), "CD1/Extras/b.txt");
  EXPECT_EQ(object["name"].toString(), "Album");
  EXPECT_EQ(object["total_size"].toInteger(), 2015);
  EXPECT_EQ(object["file_count"].toInteger(), 3);
  EXPECT_EQ(object["info_hash"].toString().toStdString(), Hex(QCryptographicHash::Sha1, ExampleInfo()));
  EXPECT_TRUE(object["info_hash_v2"].isNull());
  EXPECT_TRUE(object["private"].toBool());
  EXPECT_EQ(object["created_by"].toString(), "maker 1.0");
  EXPECT_EQ(object["creation_date"].toInteger(), 1700000000);
  EXPECT_EQ(object["comment"].toString(), "first \"pressing\"");
  EXPECT_EQ(object["trackers"].toArray().size(), 2);
  EXPECT_EQ(object["trackers"].toArray()[0].toArray()[1].toString(), "udp://two:80");
  EXPECT_EQ(object["web_seeds"].toArray(), QJsonArray({"http://seed/album/"}));

  const std::string link = BDict({{"attr", BStr("l")}, {"length", BInt(0)}, {"path", BList({BStr("link")})},
                                  {"symlink path", BList({BStr("CD1"), BStr("a.bin")})}});
  const QString linked = Torrent(BDict({{"info", BDict({{"files", BList({FileDict({"CD1", "a.bin"}, 10), link})},
                                                        {"name", BStr("T")}, {"piece length", BInt(16384)},
                                                        {"pieces", BStr(std::string(20, 'h'))}})}}),
                                 "link.torrent");
  const CliRun with_link = RunCli({"info", "--json", linked});
  EXPECT_TRUE(with_link.out.contains("    {\"path\": \"link\", \"length\": 0, \"symlink\": \"CD1/a.bin\"}\n"))
      << with_link.out.toStdString();
}

TEST_F(InfoCommandTest, HybridTorrentShowsBothInfoHashesAndABareOneShowsNulls) {
  const std::string root(32, 'r');
  const std::string tree = BDict({{"caf\xc3\xa9", BDict({{"", BDict({{"length", BInt(9)}, {"pieces root", BStr(root)}})}})}});
  const std::string info = BDict({{"file tree", tree}, {"length", BInt(9)}, {"meta version", BInt(2)},
                                  {"name", BStr("caf\xc3\xa9")}, {"piece length", BInt(16384)},
                                  {"pieces", BStr(std::string(20, 'h'))}});
  const CliRun run = RunCli({"info", "--json", Torrent(BDict({{"info", info}}))});
  ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
  const QJsonObject object = QJsonDocument::fromJson(run.out).object();
  EXPECT_EQ(object["info_hash"].toString().toStdString(), Hex(QCryptographicHash::Sha1, info));
  EXPECT_EQ(object["info_hash_v2"].toString().toStdString(), Hex(QCryptographicHash::Sha256, info));
  EXPECT_EQ(object["name"].toString(), QString::fromUtf8("café"));
  EXPECT_TRUE(object["created_by"].isNull() && object["comment"].isNull() && object["creation_date"].isNull());
  EXPECT_EQ(object["trackers"].toArray().size(), 0);

}

// As older creators wrote them: keys out of order, in capitals, repeated (the first counts), and a
// legacy-code-page name beside its UTF-8 form. The details agree with what the check reads.
TEST_F(InfoCommandTest, DetailsAreReadAsTheCheckReadsTheTorrent) {
  const std::string info = "d6:pieces20:" + std::string(20, 'h') + "10:name.utf-85:caf\xc3\xa9" +
                           "4:NAME4:caf\xe9" + "6:lengthi9e12:piece lengthi16384e7:privatei1e7:privatei0ee";
  const std::string torrent = "d4:info" + info + "7:Comment5:first7:comment6:second10:created by5:makere";
  const CliRun run = RunCli({"info", "--json", Torrent(torrent)});
  ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
  const QJsonObject object = QJsonDocument::fromJson(run.out).object();
  EXPECT_EQ(object["name"].toString(), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(object["info_hash"].toString().toStdString(), Hex(QCryptographicHash::Sha1, info));
  EXPECT_EQ(object["comment"].toString(), "first");
  EXPECT_EQ(object["created_by"].toString(), "maker");
  EXPECT_TRUE(object["private"].toBool());

  // A name that starts with U+FEFF keeps it, as the file the check looks for does. (Qt's JSON
  // reader would drop it, so the bytes are compared.)
  for (const std::string name : {"\xEF\xBB\xBFmark.bin", "\xEF\xBB\xBF\xEF\xBB\xBF"}) {
    const QString marked = Torrent(BuildSingleFileTorrent(name, 5, 16, std::string(20, 'h')), "marked.torrent");
    const CliRun json = RunCli({"info", "--json", marked});
    ASSERT_EQ(json.exit_code, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains(QByteArray::fromStdString("{\"path\": \"" + name + "\", \"length\": 5}")));
    EXPECT_TRUE(json.out.contains(QByteArray::fromStdString("\"name\": \"" + name + "\",\n"))) << json.out.toStdString();
    EXPECT_TRUE(RunCli({"info", marked}).out.startsWith(QByteArray::fromStdString("Name: " + name + "\n")));
  }
}

TEST_F(InfoCommandTest, EveryErrorNamesThePathAndTheReason) {
  // A v2 file longer than one piece whose layer is missing: nothing could verify it.
  const std::string tree = BDict({{"a", BDict({{"", BDict({{"length", BInt(20000)}, {"pieces root", BStr(std::string(32, 'r'))}})}})}});
  const QString v2_only = Torrent(BDict({{"info", BDict({{"file tree", tree}, {"meta version", BInt(2)},
                                                         {"name", BStr("n")}, {"piece length", BInt(16384)}})}}),
                                  "v2.torrent");
  const QString junk = Torrent("just some text, long enough to be scanned", "junk.torrent");
  const QString missing = Join(dir_.path(), "none.torrent");
  const QString empty = Torrent(BDict({{"info", BDict({{"name", BStr("x")}})}}), "empty.torrent");
  const struct {
    QString path;
    std::string reason;
  } cases[] = {
      {missing, "not found"},
      {dir_.path(), "is a directory"},
      {junk, "Error processing torrent file. (not a .torrent?)"},
      {v2_only,
       "Error processing torrent file: a file's piece layer is missing, has the wrong size or does not lead to its "
       "\"pieces root\"."},
      {empty, "the torrent lists no files"},  // as check refuses it
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli({"info", c.path});
    EXPECT_EQ(run.exit_code, 2) << c.reason;
    EXPECT_EQ(run.err.toStdString(), "zandrel-cli info: " + c.path.toStdString() + ": " + c.reason + "\n");
    EXPECT_TRUE(run.out.isEmpty());
  }
}

TEST_F(InfoCommandTest, UsageErrors) {
  const QString path = ExampleTorrent();
  const struct {
    QStringList args;
    const char* message;
  } cases[] = {
      {{"info"}, "no TORRENT given"},
      {{"info", "--xml", path}, "unknown option '--xml'"},
      {{"info", path, "other"}, "surplus argument 'other'"},
      {{"info", "-x.torrent"}, "unknown option '-x.torrent'"},  // unless after "--", as below
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Usage: zandrel-cli info"));
  }
  QFile::copy(path, Join(dir_.path(), "-x.torrent"));
  EXPECT_EQ(RunCli({"info", "--", "-x.torrent"}, dir_.path()).exit_code, 0);
  const CliRun help = RunCli({"info", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: zandrel-cli info"));
}

// A torrent's author chooses every text info prints: escape sequences that retitle or clear the
// terminal, or line breaks that forge a line, are shown escaped.
TEST_F(InfoCommandTest, ControlCharactersInTheTorrentsTextsAreShownEscaped) {
  const std::string info = BDict({{"length", BInt(5)}, {"name", BStr("evil\x1b]0;owned\x07.bin")},
                                  {"piece length", BInt(16384)}, {"pieces", BStr(std::string(20, 'h'))}});
  const CliRun run = RunCli({"info", Torrent(BDict({{"announce", BStr("http://t/\r\x1b[Kx")},
                                                          {"comment", BStr("fine\nPrivate: yes")},
                                                          {"created by", BStr("\x1b[2J")}, {"info", info},
                                                          {"url-list", BStr("http://s/\xc2\x9b")}}))});
  const QList<QByteArray> lines = run.out.split('\n');
  for (const char* line : {"Name: evil\\x1b]0;owned\\x07.bin", "Private: no", "Created by: \\x1b[2J",
                           "Comment: fine\\nPrivate: yes", "Tracker: tier 1 http://t/\\r\\x1b[Kx", "Web seed: http://s/\\x9b"}) {
    EXPECT_TRUE(lines.contains(line)) << line << "\n" << run.out.toStdString();
  }
  for (const char c : run.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

// As torrent clients read them: any "private" but 0 is private, the older "httpseeds" are web seeds
// too, and the ".utf-8" forms of comment and creator come first.
TEST_F(InfoCommandTest, DetailsAreReadAsClientsReadThem) {
  for (const int64_t flag : {0, 1, 2, -1}) {
    const std::string info = BDict({{"length", BInt(5)}, {"name", BStr("a")}, {"piece length", BInt(16384)},
                                    {"pieces", BStr(std::string(20, 'h'))}, {"private", BInt(flag)}});
    const CliRun run = RunCli({"info", "--json", Torrent(BDict({{"comment", BStr("caf\xe9")},
                                                                      {"comment.utf-8", BStr("caf\xc3\xa9")},
                                                                      {"created by", BStr("x")},
                                                                      {"created by.utf-8", BStr("y")},
                                                                      {"httpseeds", BList({BStr("http://b/"), BStr("http://a/")})},
                                                                      {"info", info}, {"url-list", BStr("http://a/")}}))});
    const QJsonObject object = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(object["private"].toBool(), flag != 0) << flag;
    EXPECT_EQ(object["comment"].toString(), QString::fromUtf8("café"));
    EXPECT_EQ(object["created_by"].toString(), "y");
    EXPECT_EQ(object["web_seeds"].toArray(), QJsonArray({"http://a/", "http://b/"}));
  }
}

}  // namespace
}  // namespace zandrel::test
