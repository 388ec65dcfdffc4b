#include "tests/hardening/fault_fixture.h"

#include <QDir>

#include <set>

namespace zandrel::test {

FaultFixture::FaultFixture() {
  options_ = EveryFixOption(dl_, bk_);
  QDir().mkpath(dl_);
  QDir().mkpath(bk_);
  WriteFile(root_.path() + "/neighbour/n.bin", RandomBytes(5000, 77));
  WriteFile(bk_ + "/keep.txt", "the backup folder's own file");
}

std::string FaultFixture::Put(const QString& relative, size_t size, uint32_t seed) {
  const std::string bytes = RandomBytes(size, seed);
  PutBytes(relative, bytes);
  return bytes;
}

void FaultFixture::PutBytes(const QString& relative, const std::string& bytes) {
  WriteFile(Dl(relative), bytes);
  originals_[relative] = bytes;
}

void FaultFixture::AddEntry(const QString& relative, int64_t length) {
  engine_.model.TorrentFiles.push_back(EntryFor(relative, length));
}

QStringList FaultFixture::Run(WindowOperations& window) {
  neighbours_before_ = Snapshot(root_.path(), {dl_, bk_ + "/[ZandrelBackup]", report_});
  CheckInputs inputs;
  inputs.torrent_path = root_.path() + "/t.torrent";
  inputs.download_dir = dl_;
  inputs.options = options_;
  inputs.report_path = report_;
  inputs.version = "1.0";
  result_ = RunCheck(engine_, inputs, window);
  return ReadReportLines(report_);
}

QStringList FaultFixture::Run() {
  NullWindow window;
  return Run(window);
}

void FaultFixture::ExpectNoByteLost(const QStringList& extra) const {
  std::multiset<std::string> kept;
  QStringList places = {dl_, bk_ + "/[ZandrelBackup]"};
  places << extra;
  for (const QString& place : places) {
    for (auto& [path, bytes] : FileContents(place)) kept.insert(std::move(bytes));
  }
  for (const auto& [relative, bytes] : originals_) {
    const auto it = kept.find(bytes);
    EXPECT_NE(it, kept.end()) << "the bytes of " << relative.toStdString() << " are gone";
    if (it != kept.end()) kept.erase(it);
  }
}

void FaultFixture::ExpectNeighboursUntouched() const {
  EXPECT_EQ(TreeDiff(neighbours_before_, Snapshot(root_.path(), {dl_, bk_ + "/[ZandrelBackup]", report_})), "");
}

}  // namespace zandrel::test
