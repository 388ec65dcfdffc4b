#include "tests/check/unneeded_fixture.h"

#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace zandrel::test {
namespace {

std::vector<std::string> ToStd(const QStringList& lines) {
  std::vector<std::string> out;
  for (const QString& line : lines) out.push_back(line.toStdString());
  return out;
}

}  // namespace

ExpectedReport& ExpectedReport::Then(const QStringList& lines) {
  groups_.push_back({lines, false});
  return *this;
}

ExpectedReport& ExpectedReport::AnyOrder(const QStringList& lines) {
  groups_.push_back({lines, true});
  return *this;
}

void ExpectedReport::Check(const QStringList& actual) const {
  // Sort the actual lines inside each any-order group the same way as the expected ones, then
  // compare the whole lists.
  QStringList expected, arranged;
  qsizetype pos = 0;
  for (const Group& group : groups_) {
    QStringList want = group.lines, got = actual.mid(pos, group.lines.size());
    if (group.any_order) {
      want.sort();
      got.sort();
    }
    expected += want;
    arranged += got;
    pos += group.lines.size();
  }
  arranged += actual.mid(pos);
  EXPECT_EQ(ToStd(arranged), ToStd(expected));
}

QString FileCheckSummary(int correct, int missing, int entries, int wrong, int trimmed, int padded, int deleted) {
  return QString("Correct files: (%1/%3) - Missing files: (%2/%3) - Wrong sized files: (%4) - "
                 "Successfully trimmed files: (%5/%6) - Deleted wrong sized files: (%7/%4)")
      .arg(correct)
      .arg(missing)
      .arg(entries)
      .arg(wrong)
      .arg(trimmed)
      .arg(padded)
      .arg(deleted);
}

QStringList UnneededHeading() { return {"", "Unneeded files check:", ""}; }

QString UnneededSummary(int files, int dirs, int deleted_files, int deleted_dirs) {
  return QString("Unneeded files: (%1) - Unneeded directories: (%2) - Successfully deleted files: (%3/%1) - "
                 "Successfully deleted directories: (%4/%2)")
      .arg(files)
      .arg(dirs)
      .arg(deleted_files)
      .arg(deleted_dirs);
}

QStringList RepairHeading() { return {"", "Attempting to find missing/renamed files:", ""}; }

QString FixedSummary(int fixed, int total) { return QString("Fixed missing files: (%1/%2)").arg(fixed).arg(total); }

std::map<QString, std::string> Snapshot(const QString& dir) {
  std::map<QString, std::string> files;
  QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    const QString relative = QDir(dir).relativeFilePath(info.filePath());
    if (info.isSymLink()) {
      files[relative] = "link to " + info.symLinkTarget().toStdString();
    } else if (info.isFile()) {
      files[relative] = ReadFile(info.filePath());
    } else {
      files[relative] = "directory";
    }
  }
  return files;
}

}  // namespace zandrel::test
