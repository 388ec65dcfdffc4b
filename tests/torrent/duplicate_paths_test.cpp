// Paths a torrent lists more than once, or that meet a folder or another path in another letter
// case: the names they are stored under, for torrents of many such paths and of very deep ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "tests/support/bencode.h"
#include "tests/torrent/read_helper.h"
#include "torrent/duplicate_paths.h"

#if defined(__linux__)
#include <sys/resource.h>
#endif

namespace zandrel {
namespace {

using Renames = std::vector<std::pair<size_t, std::string>>;

struct RenameCase {
  std::string name;
  std::function<std::vector<std::string>()> paths;  // "/" between components
  std::function<Renames()> expected;
};

void PrintTo(const RenameCase& c, std::ostream* out) { *out << c.name; }

std::string DeepFolder(const std::string& first, int depth) {
  std::string path = first + "/";
  for (int i = 1; i < depth; ++i) path += "a/";
  return path;
}

constexpr int kPaddingFiles = 20000;

const RenameCase kCases[] = {
    {"ManyPaddingFilesOfOnePath",
     [] {
       std::vector<std::string> paths = {"a.bin"};
       paths.resize(1 + kPaddingFiles, ".pad/16384");
       return paths;
     },
     [] {
       Renames renames;
       for (int i = 2; i <= kPaddingFiles; ++i) renames.emplace_back(i, ".pad/16384." + std::to_string(i - 1));
       return renames;
     }},
    // One count serves every letter case of a path, and resumes past a number another file took.
    {"NumbersResumeAcrossLetterCase",
     [] { return std::vector<std::string>{"a.txt", "A.TXT", "a.2.txt", "a.txt", "A.txt"}; },
     [] { return Renames{{1, "A.1.TXT"}, {3, "a.3.txt"}, {4, "A.4.txt"}}; }},
    {"FileNamedLikeAFolderOfALaterPath",
     [] { return std::vector<std::string>{"data", "data/x", "Data.1", "DATA/X"}; },
     [] { return Renames{{0, "data.1"}, {2, "Data.1.1"}, {3, "DATA/X.1"}}; }},
    // The same folder of 30,000 levels in another letter case leads to the same file.
    {"DeepPathListedThrice",
     [] {
       return std::vector<std::string>{DeepFolder("a", 30000) + "f", DeepFolder("a", 30000) + "f",
                                       DeepFolder("A", 30000) + "F", DeepFolder("a", 30000) + "g"};
     },
     [] { return Renames{{1, DeepFolder("a", 30000) + "f.1"}, {2, DeepFolder("A", 30000) + "F.2"}}; }},
    // Names alike but for their last bytes are told apart, and one that does collide is renamed.
    {"NamesDifferingInTheirLastBytes",
     [] {
       std::vector<std::string> paths;
       char name[16];
       for (int i = 0; i < 50000; ++i) {
         std::snprintf(name, sizeof name, "d/f%07d", i);
         paths.push_back(name);
       }
       paths.push_back("D/F0049999");
       return paths;
     },
     [] { return Renames{{50000, "D/F0049999.1"}}; }},
    // Each pair on its own, so that no other collision lets the exact comparison hide a letter
    // the fast case-folded hash misses: the first and last letters, every letter at every place of
    // an eight-byte word and in the tail after it, and the characters beside the letters, which
    // do not fold.
    {"FirstLetterFolds", [] { return std::vector<std::string>{"A", "a"}; }, [] { return Renames{{1, "a.1"}}; }},
    {"LastLetterFolds", [] { return std::vector<std::string>{"Z", "z"}; }, [] { return Renames{{1, "z.1"}}; }},
    {"LastLetterFoldsInAWord", [] { return std::vector<std::string>{"zzzzzzzZ", "zzzzzzzz"}; },
     [] { return Renames{{1, "zzzzzzzz.1"}}; }},
    {"LastLetterFoldsInTheTail", [] { return std::vector<std::string>{"zzzzzzzzZ", "zzzzzzzzz"}; },
     [] { return Renames{{1, "zzzzzzzzz.1"}}; }},
    {"EveryLetterFolds",
     [] { return std::vector<std::string>{"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"}; },
     [] { return Renames{{1, "abcdefghijklmnopqrstuvwxyz.1"}}; }},
    {"NothingBesideTheLettersFolds", [] { return std::vector<std::string>{"@[", "`{"}; }, [] { return Renames{}; }},
};

class DuplicatePathsTest : public ::testing::TestWithParam<RenameCase> {};

TEST_P(DuplicatePathsTest, StoredNames) {
  const std::vector<std::string> paths = GetParam().paths();
  const std::vector<std::string_view> views(paths.begin(), paths.end());
  const Renames renames = DuplicatePathRenames(views, '/');
  const Renames expected = GetParam().expected();
  ASSERT_EQ(renames.size(), expected.size());
  for (size_t i = 0; i < renames.size(); ++i) {
    EXPECT_EQ(renames[i].first, expected[i].first) << "rename " << i;
    // Deep paths are compared, not printed.
    EXPECT_TRUE(renames[i].second == expected[i].second) << "rename " << i << ": " << renames[i].second.substr(0, 80);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, DuplicatePathsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RenameCase>& info) { return info.param.name; });

int64_t PeakKilobytes() {
#if defined(__linux__)
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
#else
  return 0;
#endif
}

// A 180 KB torrent that lists a path of 30,000 folders twice: the check reads it in memory of the
// order of its size (the text of every folder of both paths would be some 900 MB), the second
// file under its number. The ignore list would hold that text, so it refuses the torrent.
TEST(DuplicatePathsReadTest, DeepPathListedTwice) {
  std::vector<std::string> path(30000, "a");
  path.push_back("f");
  const std::string torrent =
      test::BuildMultiFileTorrent("T", {{path, 5, ""}, {path, 6, ""}}, 16, std::string(20, 'h'));
  test::TorrentReadHelper reader;
  const int64_t peak_before = PeakKilobytes();
  const test::ReadOutcome loaded = reader.Read(torrent, test::ReadAs::kModel);
  EXPECT_LT(PeakKilobytes() - peak_before, 64 * 1024);
  ASSERT_TRUE(loaded.ok);
  ASSERT_EQ(loaded.model.TorrentFiles.size(), 2u);
  EXPECT_TRUE(loaded.model.TorrentFiles[0].Dir == loaded.model.TorrentFiles[1].Dir);
  EXPECT_EQ(loaded.model.TorrentFiles[0].Name, "f");
  EXPECT_EQ(loaded.model.TorrentFiles[1].Name, "f.1");
  EXPECT_EQ(loaded.model.TorrentFiles[1].Length, 6);

  const test::ReadOutcome ignored = reader.Read(torrent, test::ReadAs::kIgnoreList);
  EXPECT_FALSE(ignored.ok);
  EXPECT_EQ(ignored.failure, reader.Text(u"Status_ProcessTorrentError"));
  EXPECT_EQ(ignored.ignore_list.PresentCount(), 0);
}

}  // namespace
}  // namespace zandrel
