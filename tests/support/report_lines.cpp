#include "tests/support/report_lines.h"

namespace zandrel::test {

QStringList ReportHeader() {
  const QString title = "Zandrel v1.0 Report file";
  return {title, QString(title.size(), '-'), "", "File check/size check:", ""};
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

}  // namespace zandrel::test
