#include "tests/check/unneeded_fixture.h"

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

}  // namespace zandrel::test
