// zandrel-cli's hash check of v2-only and hybrid torrents made by libtorrent, held against
// libtorrent's own recheck of the same damaged data: the same failed pieces and the same bad files.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <set>
#include <vector>

#include "tests/cli/cli_support.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

constexpr char kPython[] = "/usr/bin/python3";

bool PythonRuns(const QStringList& args, int timeout_ms, QByteArray* err = nullptr) {
  QProcess python;
  python.start(kPython, args);
  const bool done = python.waitForFinished(timeout_ms);
  if (err) *err = python.readAllStandardError().right(3000);
  return done && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

std::vector<int64_t> Indices(const QJsonArray& array) {
  std::vector<int64_t> out;
  for (const QJsonValue& value : array) out.push_back(value.isObject() ? value["index"].toInteger() : value.toInteger());
  return out;
}

// Files with at least one failed piece, from libtorrent's per-file counts or zandrel's "v2_files".
std::set<QString> BadFiles(const QJsonArray& files) {
  std::set<QString> bad;
  for (const QJsonValue& file : files) {
    if (file["failed"].toInteger() > 0) bad.insert(file["path"].toString());
  }
  return bad;
}

// The files a v1 check names under its failed pieces.
std::set<QString> NamedByFailedPieces(const QJsonArray& pieces) {
  std::set<QString> named;
  for (const QJsonValue& piece : pieces) {
    for (const QJsonValue& file : piece["files"].toArray()) named.insert(file.toString());
  }
  return named;
}

// Per file in torrent order, "path pieces failed"; percent is checked against the counts.
std::vector<std::string> Counts(const QJsonArray& files, bool check_percent) {
  std::vector<std::string> out;
  for (const QJsonValue& file : files) {
    const int64_t pieces = file["pieces"].toInteger(), failed = file["failed"].toInteger();
    out.push_back(file["path"].toString().toStdString() + " " + std::to_string(pieces) + " " + std::to_string(failed));
    if (check_percent && pieces > 0) {
      EXPECT_NEAR(file["percent"].toDouble(), 100.0 * static_cast<double>(pieces - failed) / pieces, 0.051)
          << out.back();
    }
  }
  return out;
}

// One zandrel-cli run over a libtorrent case: through the v2 tree (v2) or a hybrid's v1 part.
void ExpectAgreement(const QJsonObject& c, bool v2, const QString& report) {
  const bool hybrid = c["kind"].toString() == "hybrid";
  const std::set<QString> expected_bad = BadFiles(c["files"].toArray());
  QStringList args = {"check", c["torrent"].toString(), c["dir"].toString(), "--hash-check", "--json",
                      "--no-check-unneeded", "--quiet", "--report", report};
  if (hybrid && v2) args << "--v2";
  const test::CliRun run = test::RunCli(args);
  ASSERT_TRUE(run.exit_code == 0 || run.exit_code == 1) << run.exit_code << " " << run.err.toStdString();
  EXPECT_EQ(run.exit_code == 0, c["name"].toString().endsWith("_intact"));
  const QJsonObject outcome = QJsonDocument::fromJson(run.out).object();
  const QJsonArray failed_pieces = outcome["failed_pieces"].toArray();
  EXPECT_EQ(Indices(failed_pieces), Indices(c["failed"].toArray()));
  // An empty file holds no byte of a piece, so it is never named under one.
  EXPECT_EQ(NamedByFailedPieces(failed_pieces), expected_bad);
  if (!v2) {
    EXPECT_FALSE(outcome.contains("v2_files"));
    return;
  }
  for (const QJsonValue& piece : failed_pieces) EXPECT_EQ(piece["files"].toArray().size(), 1);
  EXPECT_EQ(BadFiles(outcome["v2_files"].toArray()), expected_bad);
  EXPECT_EQ(Counts(outcome["v2_files"].toArray(), true), Counts(c["files"].toArray(), false));
}

// Every libtorrent case, checked through the tree the torrent's kind defaults to and, for hybrids,
// once more with --v2: both must see what libtorrent sees.
TEST(V2AgreementTest, FailedPiecesAndBadFilesAgreeWithLibtorrent) {
  if (!PythonRuns({"-c", "import libtorrent"}, 60000)) {
    GTEST_SKIP() << "python3-libtorrent is missing (scripts/install-deps.sh installs it)";
  }
  QTemporaryDir work;
  QByteArray err;
  ASSERT_TRUE(PythonRuns({ZANDREL_SOURCE_DIR "/tests/support/lt_v2_cases.py", work.path()}, 900000, &err))
      << err.toStdString();
  const QJsonArray cases =
      QJsonDocument::fromJson(QByteArray::fromStdString(test::ReadFile(work.path() + "/cases.json")))["cases"].toArray();
  ASSERT_GE(cases.size(), 40);
  for (const QJsonValue& c : cases) {
    const QString name = c["name"].toString();
    const bool hybrid = c["kind"].toString() == "hybrid";
    for (const bool v2 : hybrid ? std::vector<bool>{false, true} : std::vector<bool>{true}) {
      SCOPED_TRACE(name.toStdString() + (hybrid && v2 ? " --v2" : ""));
      ExpectAgreement(c.toObject(), v2, work.path() + "/" + name + ".log");
    }
  }
}

}  // namespace
}  // namespace zandrel
