#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

#include "messages/language_folder.h"
#include "messages/message_table.h"
#include "platform/native_name.h"
#include "tests/messages/lng_test_util.h"

namespace zandrel {
namespace {

// A language file whose name is not UTF-8 is offered under a name that finds it again, beside
// the ordinary ones; folders named like a language file, and links to them, count as found but are
// not offered.
TEST(LanguageFolder, UndecodableNameIsOfferedAsItIsStored) {
  QTemporaryDir dir;
  const QString lang = test::Join(dir.path(), "lang");
  test::WriteFile(test::Join(lang, "Deutsch.lng"), test::LngBytes({"Menu_Exit=Beenden"}));
  test::WriteFile(test::Join(lang, "Upper.LNG"), test::LngBytes({"Menu_Exit=Exit"}));
  test::WriteFile(test::Join(lang, "notes.txt"), "");
  ASSERT_TRUE(QDir().mkpath(test::Join(lang, "Folder.lng")));
  ASSERT_TRUE(QFile::link(test::Join(lang, "Folder.lng"), test::Join(lang, "Linked.lng")));
  const QByteArray odd = "Fran\xe7" "ais";  // Latin-1, invalid as UTF-8
  const std::string odd_path = (QFile::encodeName(lang) + '/' + odd + ".lng").toStdString();
  {
    std::ofstream file(odd_path, std::ios::binary);
    const std::string bytes = test::LngBytes({"Menu_Exit=Quitter"});
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // QTemporaryDir cannot remove a name it cannot decode.
  struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { std::remove(path.c_str()); }
  } const removal{odd_path};

  const LanguageListing listing = ListLanguageFiles(lang);
  QStringList names = listing.names;
  names.sort();
  const QString odd_name = DecodeName(odd);
  QStringList expected = {"Deutsch", "Upper", odd_name};
  expected.sort();
  EXPECT_EQ(names, expected) << names.join(", ").toStdString();
  EXPECT_TRUE(listing.found_any);

  MessageTable table(lang);
  table.RequestLanguage(odd_name + ".lng");
  ASSERT_TRUE(table.LoadRequestedLanguage());
  EXPECT_EQ(table.MessageText(u"Menu_Exit"), "Quitter");

  const QString only_folder = test::Join(dir.path(), "folders");
  ASSERT_TRUE(QDir().mkpath(test::Join(only_folder, "x.lng")));
  EXPECT_TRUE(ListLanguageFiles(only_folder).found_any);
  EXPECT_TRUE(ListLanguageFiles(only_folder).names.isEmpty());
  EXPECT_FALSE(ListLanguageFiles(test::Join(dir.path(), "none")).found_any);
}

}  // namespace
}  // namespace zandrel
