// Lines of a report as the tests expect them, built from the report's layout rules.
#pragma once

#include <QString>
#include <QStringList>

namespace zandrel::test {

// The lines every report starts with: the title, its underline and the file check's heading.
QStringList ReportHeader();
QString FileCheckSummary(int correct, int missing, int entries, int wrong = 0, int trimmed = 0, int padded = 0,
                         int deleted = 0);
QStringList UnneededHeading();
QString UnneededSummary(int files, int dirs, int deleted_files, int deleted_dirs);
QStringList RepairHeading();
QString FixedSummary(int fixed, int total);

}  // namespace zandrel::test
