// check --json: every kind of entry, piece and unneeded item in one object, which the schema kept in
// docs/ accepts (checked by python3-jsonschema).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "check/run_option_table.h"
#include "tests/cli/cli_support.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::WriteFile;

constexpr int64_t kPiece = 16384;

// Problems the schema validator finds; empty when the document is valid.
std::string SchemaProblems(const QByteArray& json, const QString& dir) {
  const QString instance = Join(dir, "outcome.json");
  WriteFile(instance, json.toStdString());
  QProcess python;
  python.start("python3", {"-c",
                           "import json, sys, jsonschema\n"
                           "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))\n",
                           instance, ZANDREL_SOURCE_DIR "/docs/check.schema.json"});
  if (!python.waitForFinished(60000)) return "python3 did not finish";
  if (python.exitCode() == 0) return "";
  return python.readAllStandardError().right(2000).toStdString();
}

class CheckJsonTest : public ::testing::Test {
 protected:
  CheckJsonTest() {
    // One file per piece range, so each failed piece names one file.
    bytes_ = test::WriteRandomTorrent(torrent_, "Set",
                                      {{"ok.bin", kPiece}, {"gone.bin", 2 * kPiece}, {"padded.bin", kPiece},
                                       {"short.bin", kPiece}, {"corrupt.bin", kPiece}, {"lost.bin", 3 * kPiece}},
                                      kPiece);
    WriteFile(Join(dl_, "ok.bin"), bytes_["ok.bin"]);
    WriteFile(Join(dl_, "moved/renamed.bin"), bytes_["gone.bin"]);
    WriteFile(Join(dl_, "padded.bin"), bytes_["padded.bin"] + "tail");
    WriteFile(Join(dl_, "short.bin"), bytes_["short.bin"].substr(0, 100));
    WriteFile(Join(dl_, "corrupt.bin"), test::RandomBytes(kPiece, 99));
    WriteFile(Join(dl_, "stray.txt"), "x");
  }

  QJsonObject Run(const QStringList& options, QByteArray* raw) {
    const test::CliRun run = test::RunCli(QStringList{"check", torrent_, dl_, "--json", "--report", report_} + options);
    *raw = run.out;
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(run.out, &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(object["exit_status"].toInt(), run.exit_code);
    return object;
  }

  QTemporaryDir root_;
  QString dl_ = Join(root_.path(), "Set");
  QString torrent_ = Join(root_.path(), "Set.torrent");
  QString report_ = Join(root_.path(), "report.log");
  test::FileMap bytes_;
};

QJsonObject EntryAt(const QJsonObject& outcome, int i) { return outcome["entries"].toArray()[i].toObject(); }

// Every run switch the command line sets shows in "options", true after its flag unless the flag
// is a "--no-" one, and the other way round by default.
TEST_F(CheckJsonTest, EveryRunSwitchFlagShowsInTheOptions) {
  QByteArray raw;
  QStringList flags;
  for (const RunOptionRow& row : kRunOptionTable) {
    if (row.cli_flag) flags << QString("--") + row.cli_flag;
  }
  const QJsonObject by_default = Run({"--dry-run"}, &raw)["options"].toObject();
  const QJsonObject flagged = Run(QStringList{"--dry-run"} + flags, &raw)["options"].toObject();
  for (const RunOptionRow& row : kRunOptionTable) {
    if (!row.cli_flag) continue;
    ASSERT_NE(row.json_name, nullptr) << row.cli_flag;
    const bool turns_off = QString(row.cli_flag).startsWith("no-");
    EXPECT_EQ(flagged[row.json_name].toBool(), !turns_off) << row.json_name;
    EXPECT_EQ(by_default[row.json_name].toBool(), turns_off) << row.json_name;
  }
}

TEST_F(CheckJsonTest, EveryKindOfOutcomeIsListedAndMatchesTheSchema) {
  QByteArray raw;
  const QJsonObject o = Run({"--hash-check", "--trim-padded-files", "--fix-missing", "--delete-unneeded",
                             "--delete-when-incomplete", "--no-backups"}, &raw);
  EXPECT_EQ(SchemaProblems(raw, root_.path()), "");
  EXPECT_EQ(o["directory"].toString(), dl_);
  EXPECT_EQ(o["report"].toString(), report_);
  EXPECT_TRUE(o["options"].toObject()["fix_missing"].toBool());
  EXPECT_FALSE(o["options"].toObject()["backups"].toBool());

  const QJsonObject ok = EntryAt(o, 0), gone = EntryAt(o, 1), padded = EntryAt(o, 2);
  const QJsonObject shorter = EntryAt(o, 3), corrupt = EntryAt(o, 4), lost = EntryAt(o, 5);
  EXPECT_EQ(ok["status"].toString(), "ok");
  EXPECT_EQ(gone["status"].toString(), "missing");
  EXPECT_TRUE(gone["size_on_disk"].isNull());
  EXPECT_EQ(gone["repair"].toObject()["from"].toString(), Join(dl_, "moved/renamed.bin"));
  EXPECT_EQ(gone["repair"].toObject()["mode"].toString(), "moved");
  EXPECT_TRUE(gone["repair"].toObject()["done"].toBool());
  EXPECT_EQ(padded["status"].toString(), "wrong_size");
  EXPECT_EQ(padded["size_on_disk"].toInteger(), kPiece + 4);
  EXPECT_EQ(padded["action"].toString(), "trimmed");
  EXPECT_EQ(shorter["action"].toString(), "smaller_not_trimmed");
  EXPECT_EQ(shorter["size_on_disk"].toInteger(), 100);
  EXPECT_EQ(corrupt["status"].toString(), "ok");
  EXPECT_TRUE(lost["repair"].isNull());

  const QJsonArray pieces = o["failed_pieces"].toArray();
  ASSERT_EQ(pieces.size(), 7);  // gone 1-2, short 4, corrupt 5, lost 6-8
  EXPECT_EQ(pieces[2].toObject()["index"].toInt(), 4);
  EXPECT_EQ(pieces[2].toObject()["number"].toInt(), 5);
  EXPECT_EQ(pieces[2].toObject()["files"].toArray(), QJsonArray({"short.bin"}));
  const QJsonObject complete = o["completeness"].toObject();
  EXPECT_EQ(complete["files_complete"].toInt(), 2);
  EXPECT_DOUBLE_EQ(complete["files_percent"].toDouble(), 33.3);
  EXPECT_EQ(complete["bytes_complete"].toInteger(), 2 * kPiece);
  EXPECT_EQ(complete["bytes"].toInteger(), 9 * kPiece);
  EXPECT_EQ(complete["pieces_complete"].toInt(), 2);

  const QJsonArray unneeded = o["unneeded"].toArray();
  ASSERT_EQ(unneeded.size(), 2) << raw.toStdString();
  EXPECT_EQ(unneeded[0].toObject()["type"].toString() == "file" ? unneeded[0].toObject()["path"].toString()
                                                                 : unneeded[1].toObject()["path"].toString(),
            Join(dl_, "stray.txt"));
  for (const QJsonValue& item : unneeded) EXPECT_EQ(item.toObject()["action"].toString(), "deleted");
  EXPECT_EQ(o["counters"].toObject()["fixed_files"].toInt(), 1);
  EXPECT_EQ(o["status"].toString(), "Fixed/rebuilt some missing files. Please re-check with SHA-1 integrity check.");
  EXPECT_EQ(o["exit_status"].toInt(), 1);
}

TEST_F(CheckJsonTest, DeletedFilesWithBackupsAndUnneededItemsLeftInPlace) {
  QByteArray raw;
  const QJsonObject o = Run({"--delete-wrong-sized-files"}, &raw);
  EXPECT_EQ(SchemaProblems(raw, root_.path()), "");
  const QJsonObject padded = EntryAt(o, 2);
  EXPECT_EQ(padded["action"].toString(), "deleted");
  EXPECT_EQ(padded["backup_folder"].toString(), Join(dl_, "[ZandrelBackup]/Set/"));
  EXPECT_FALSE(o["completeness"].toObject()["verified_by_hash"].toBool());
  EXPECT_TRUE(o["completeness"].toObject()["pieces"].isNull());
  EXPECT_EQ(o["failed_pieces"].toArray().size(), 0);
  for (const QJsonValue& item : o["unneeded"].toArray()) EXPECT_EQ(item.toObject()["action"].toString(), "reported");
}

// Bytes and pieces where padding lies between the files and the last piece is short: bytes are
// the files' own, and a failed piece takes away the files' bytes it covers, never its padding.
TEST(CheckJsonBytesTest, FailedPiecesCountTheBytesTheyCover) {
  struct File {
    std::string name;
    int64_t length;
    bool padding;
  };
  const struct {
    const char* name;
    std::vector<File> files;
    std::string damaged;  // its last byte is changed
    int64_t bytes_complete, bytes, pieces_complete, pieces;
  } cases[] = {
      // Pieces of 16 bytes: [64, 74) holds 10 of b.bin's bytes.
      {"ShortLastPieceFails", {{"a.bin", 50, false}, {"3", 3, true}, {"b.bin", 21, false}}, "b.bin", 61, 71, 4, 5},
      // [48, 64) holds 2 bytes of a.bin, 3 of padding and 11 of b.bin.
      {"PieceAcrossPaddingFails", {{"a.bin", 50, false}, {"3", 3, true}, {"b.bin", 21, false}}, "a.bin", 58, 71, 4, 5},
      // [16, 27) holds 11 of a.bin's bytes; [0, 16) holds 7 bytes of padding and 9 of a.bin.
      {"PaddingBeforeTheFirstFile", {{"7", 7, true}, {"a.bin", 20, false}}, "a.bin", 9, 20, 1, 2},
  };
  for (const auto& c : cases) {
    QTemporaryDir root;
    const QString dl = Join(root.path(), "dl");
    std::string stream;
    std::vector<test::TorrentFileItem> items;
    for (const File& f : c.files) {
      std::string bytes = f.padding ? std::string(f.length, '\0') : test::RandomBytes(f.length, f.length);
      stream += bytes;
      items.push_back({f.padding ? std::vector<std::string>{".pad", f.name} : std::vector<std::string>{f.name}, f.length,
                       f.padding ? "p" : ""});
      if (f.padding) continue;
      if (f.name == c.damaged) bytes.back() ^= 1;
      WriteFile(Join(dl, QString::fromStdString(f.name)), bytes);
    }
    const QString torrent = Join(root.path(), "t.torrent");
    WriteFile(torrent, test::BuildMultiFileTorrent("T", items, kPiece / 1024, test::PiecesFor(stream, kPiece / 1024)));
    const test::CliRun run =
        test::RunCli({"check", torrent, dl, "--json", "--hash-check", "--report", Join(root.path(), "r.log")});
    const QJsonObject complete = QJsonDocument::fromJson(run.out).object()["completeness"].toObject();
    EXPECT_EQ(complete["bytes_complete"].toInteger(), c.bytes_complete) << c.name;
    EXPECT_EQ(complete["bytes"].toInteger(), c.bytes) << c.name;
    EXPECT_EQ(complete["pieces_complete"].toInteger(), c.pieces_complete) << c.name;
    EXPECT_EQ(complete["pieces"].toInteger(), c.pieces) << c.name;
  }
}

// A name that is not UTF-8 cannot be written as JSON text: the text shows U+FFFD, and its bytes in
// hex beside it name the file exactly (a "?" would name another file).
TEST(CheckJsonNamesTest, PathsThatAreNotUtf8CarryTheirBytes) {
  QTemporaryDir root;
  const QByteArray base = root.path().toUtf8();
  test::WriteNamedFile(base + "/t.torrent", test::BuildSingleFileTorrent("a.bin", 1, kPiece, test::Sha1("a")));
  test::WriteNamedFile(base + "/Set/a.bin", "a");
  test::WriteNamedFile(base + "/Set/bad\xFF\xFE.txt", "stray");
  test::ByteRun request;
  request.args = {"check", base + "/t.torrent", base + "/Set", "--json", "--ignore=k\xFD", "--report", base + "/r\xFC"};
  const test::CliRun run = test::RunBytes(request);
  EXPECT_EQ(SchemaProblems(run.out, root.path()), "");
  const QJsonObject o = QJsonDocument::fromJson(run.out).object();
  const QJsonValue stray = o["unneeded"][0];
  EXPECT_EQ(stray["path"].toString(), root.path() + QString::fromUtf8("/Set/bad\uFFFD\uFFFD.txt"));
  EXPECT_EQ(QByteArray::fromHex(stray["path_bytes"].toString().toLatin1()), base + "/Set/bad\xFF\xFE.txt");
  EXPECT_EQ(QByteArray::fromHex(o["report_bytes"].toString().toLatin1()), base + "/r\xFC");
  EXPECT_EQ(o["options"]["ignore_bytes"], QJsonArray({"6bfd"}));
  for (const QJsonValue& utf8 : {o["directory_bytes"], o["entries"][0]["path_bytes"], o["torrent_bytes"]}) {
    EXPECT_TRUE(utf8.isUndefined());
  }
  test::RemoveNamedTree(base);
}

}  // namespace
}  // namespace zandrel
