#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

#include "app/settings.h"
#include "platform/file_system.h"
#include "tests/support/test_files.h"

namespace zandrel {
namespace {

using test::Join;
using test::ReadFile;
using test::WriteFile;

class SettingsTest : public ::testing::Test {
 protected:
  // Loads a settings file made of the given lines (CR LF) into fresh defaults.
  Options Load(const std::string& text) {
    WriteFile(path_, text);
    Options options;
    flags_ = {};
    LoadSettings(path_, options, flags_);
    return options;
  }
  std::string Save(const Options& options, bool maximized = false, const QString& language = {}) {
    SaveSettings(path_, options, maximized, language, QStringLiteral("1.0"));
    return ReadFile(path_);
  }

  QTemporaryDir dir_;
  QString path_ = Join(dir_.path(), "zandrel.ini");
  SettingsFlags flags_;
};

TEST_F(SettingsTest, KeysMatchWithoutRegardToCaseButNotWithALeadingSpace) {
  EXPECT_EQ(Load("hashcheck=1\r\n").HashCheck, 1);
  EXPECT_EQ(Load("HASHCHECK=1\r\n").HashCheck, 1);
  EXPECT_EQ(Load(" HashCheck=1\r\n").HashCheck, 0);
  EXPECT_EQ(Load("HashCheck = 1\r\n").HashCheck, 0);
}

TEST_F(SettingsTest, FlagsTakeOnlyZeroOrOne) {
  EXPECT_EQ(Load("HashCheck=2\r\n").HashCheck, 0);
  EXPECT_EQ(Load("OpenReport=-1\r\n").OpenReport, 1);
  EXPECT_EQ(Load("OpenReport=\r\n").OpenReport, 1);
  EXPECT_EQ(Load("HashCheck=1 \r\n").HashCheck, 1);
  EXPECT_EQ(Load("OpenReport=yes\r\n").OpenReport, 0);
  EXPECT_EQ(Load("HashCheck=$1\r\nCreateBackups=%0\r\n").CreateBackups, 0);
}

TEST_F(SettingsTest, NumbersFollowTheirKeyRules) {
  Options o = Load("WindowSizeX=0\r\nWindowSizeY=-1\r\nWindowPositionX=-1200\r\nFontSize=0\r\nFontStyle=-4\r\n");
  EXPECT_EQ(o.WindowSizeX, 0);
  EXPECT_EQ(o.WindowSizeY, 0);
  EXPECT_EQ(o.WindowPositionX, -1200);
  EXPECT_EQ(o.FontSize, 0);
  EXPECT_EQ(o.FontStyle, 0);
  o = Load("WindowSizeY=480\r\nFontSize=\t12pt\r\nFontStyle=$300\r\n");
  EXPECT_EQ(o.WindowSizeY, 480);
  EXPECT_EQ(o.FontSize, 12);
  EXPECT_EQ(o.FontStyle, 768);
}

TEST_F(SettingsTest, TextValuesAreKeptUnchangedAndTheLastValidLineWins) {
  Options o = Load("TorrentDir= /data/with space \r\nTorrentFile=/a.torrent\nTorrentFile=/b.torrent\r"
                   "TorrentFile=\r\nFont=Sans=Serif\r\nFontSize=9\r\n");
  EXPECT_EQ(o.TorrentDir, " /data/with space ");
  EXPECT_EQ(o.TorrentFile, "/b.torrent");
  EXPECT_EQ(o.Font, "Sans=Serif");
  EXPECT_EQ(o.FontSize, 9);
  EXPECT_TRUE(flags_.torrent_changed);
  EXPECT_FALSE(flags_.language_requested);
  Load("Language=Deutsch.lng\r\n");
  EXPECT_TRUE(flags_.language_requested);
}

TEST_F(SettingsTest, MissingOrHostileFilesKeepTheDefaults) {
  Options defaults;
  Options o;
  LoadSettings(Join(dir_.path(), "absent.ini"), o, flags_);
  EXPECT_EQ(o.OpenReport, defaults.OpenReport);
  EXPECT_EQ(o.TorrentZipExe, defaults.TorrentZipExe);
  LoadSettings(dir_.path(), o, flags_);  // a directory
  EXPECT_EQ(o.CreateBackups, 1);

  o = Load(test::RandomBytes(200000, 7));
  EXPECT_TRUE(o.HashCheck == 0 || o.HashCheck == 1);
  EXPECT_EQ(o.TorrentDir, defaults.TorrentDir);

  o = Load(std::string(10 * 1024 * 1024, 'x') + "\r\nHashCheck=1");
  EXPECT_EQ(o.HashCheck, 1);

  // A zero byte ends a line; UTF-16 text gives no key at all.
  o = Load(std::string("HashCheck=1\0LogFoundFiles=1\r\n", 30));
  EXPECT_EQ(o.HashCheck, 1);
  EXPECT_EQ(o.LogFoundFiles, 1);
  o = Load(std::string("H\0a\0s\0h\0C\0h\0e\0c\0k\0=\0001\0", 22));
  EXPECT_EQ(o.HashCheck, 0);
}

TEST_F(SettingsTest, SavesEveryLineInOrder) {
  Options o;
  o.TorrentFile = "/t/a.torrent";
  o.HashCheck = 1;
  o.BackupToTorrentDir = 0;
  o.BackupDir = "/bk/[ZandrelBackup]/";
  o.FontSize = 10;
  o.WindowPositionX = -5;
  o.WindowSizeX = 640;
  o.WindowSizeY = 480;
  EXPECT_EQ(Save(o, false, "Deutsch"),
            ";Zandrel v1.0 Settings File\r\n\r\nTorrentFile=/t/a.torrent\r\nTorrentDir=\r\n"
            "LogFoundFiles=0\r\nHashCheck=1\r\nKeepWindowOnTop=0\r\nOpenReport=1\r\nCheckUnneededFiles=1\r\n"
            "DelUnneededFiles=0\r\nDelOnlyWhenComplete=1\r\nTrimPaddedFiles=0\r\nDeleteWrongSizedFiles=0\r\n"
            "FixMissing=0\r\nCreateBackups=1\r\nBackupToTorrentDir=0\r\nBackupDir=/bk/\r\n"
            "TorrentZipExe=" + kDefaultTorrentZipExe.toStdString() + "\r\nFontSize=10\r\n"
            "WindowPositionX=-5\r\nWindowPositionY=0\r\nWindowSizeX=640\r\nWindowSizeY=480\r\n"
            "Language=Deutsch.lng\r\n");
}

TEST_F(SettingsTest, MaximizedWindowAndBackupToTorrentDirDropLines) {
  Options o;
  o.BackupDir = "/old/backup";
  const std::string text = Save(o, true);
  EXPECT_EQ(text.find("BackupDir="), std::string::npos);
  EXPECT_EQ(text.find("WindowPosition"), std::string::npos);
  EXPECT_EQ(text.find("WindowSize"), std::string::npos);
  EXPECT_EQ(text.find("Language="), std::string::npos);
  EXPECT_NE(text.find("\r\nWindowMaximized=1\r\n"), std::string::npos);

  Options loaded = Load(text);
  EXPECT_EQ(loaded.WindowMaximized, 1);
  EXPECT_EQ(loaded.BackupDir, "");
}

TEST_F(SettingsTest, RoundTripKeepsEveryOption) {
  Options o;
  o.TorrentFile = "/t/ä b.torrent";
  o.TorrentDir = "/dl/Show";
  o.LogFoundFiles = o.HashCheck = o.KeepWindowOnTop = o.DelUnneededFiles = o.TrimPaddedFiles = 1;
  o.DeleteWrongSizedFiles = o.FixMissing = 1;
  o.OpenReport = o.CheckUnneededFiles = o.DelOnlyWhenComplete = o.CreateBackups = o.BackupToTorrentDir = 0;
  o.BackupDir = "/backup";
  o.TorrentZipExe = "/opt/tz";
  o.Font = "DejaVu Sans";
  o.FontSize = 11;
  o.FontStyle = 256 | 512;
  o.WindowPositionX = -1200;
  o.WindowPositionY = 40;
  o.WindowSizeX = 800;
  o.WindowSizeY = 600;
  Save(o);
  Options loaded;
  loaded.WindowSizeX = 1;
  LoadSettings(path_, loaded, flags_);
  EXPECT_EQ(loaded.TorrentFile, o.TorrentFile);
  EXPECT_EQ(loaded.TorrentDir, o.TorrentDir);
  EXPECT_EQ(loaded.LogFoundFiles + loaded.HashCheck + loaded.KeepWindowOnTop + loaded.DelUnneededFiles, 4);
  EXPECT_EQ(loaded.OpenReport + loaded.CheckUnneededFiles + loaded.DelOnlyWhenComplete + loaded.CreateBackups +
                loaded.BackupToTorrentDir,
            0);
  EXPECT_EQ(loaded.BackupDir, o.BackupDir);
  EXPECT_EQ(loaded.TorrentZipExe, o.TorrentZipExe);
  EXPECT_EQ(loaded.Font, o.Font);
  EXPECT_EQ(loaded.FontStyle, 768);
  EXPECT_EQ(loaded.WindowPositionX, -1200);
  EXPECT_EQ(loaded.WindowSizeY, 600);
}

TEST_F(SettingsTest, ValuesWithLineBreaksKeepWhatTheFileHeld) {
  Options o;
  o.TorrentDir = "/dl/Before";
  o.Font = "Sans";
  Save(o, false, "Deutsch");
  for (const char* injected : {"/dl/Show\nWindowMaximized=1\nLanguage=Evil.lng", "/dl/Show\rHashCheck=1",
                               "/dl/Show\r\nHashCheck=1"}) {
    SCOPED_TRACE(injected);
    Options changed = o;
    changed.TorrentDir = QString::fromUtf8(injected);
    changed.TorrentFile = QString::fromUtf8("/t/new.torrent");  // a clean change is still saved
    changed.Font = QString::fromUtf16(u"Sans\0HashCheck=1", 16);
    Save(changed, false, QStringLiteral("Deutsch\nWindowMaximized=1"));
    const Options loaded = Load(ReadFile(path_));
    EXPECT_EQ(loaded.TorrentDir, "/dl/Before");
    EXPECT_EQ(loaded.TorrentFile, "/t/new.torrent");
    EXPECT_EQ(loaded.Font, "Sans");
    EXPECT_EQ(loaded.Language, "Deutsch.lng");
    EXPECT_EQ(loaded.WindowMaximized, 0);
    EXPECT_EQ(loaded.HashCheck, 0);
  }
  // Without an earlier file the key takes its default.
  QFile::remove(path_);
  Options fresh;
  fresh.TorrentZipExe = "/opt/tz\nHashCheck=1";
  const Options loaded = Load(Save(fresh));
  EXPECT_EQ(loaded.TorrentZipExe, kDefaultTorrentZipExe);
  EXPECT_EQ(loaded.HashCheck, 0);
}

TEST_F(SettingsTest, OnlyRegularFilesOfSaneSizeAreRead) {
  const QString fifo = Join(dir_.path(), "fifo.ini");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString device_link = Join(dir_.path(), "device.ini");
  ASSERT_TRUE(QFile::link("/dev/zero", device_link));
  for (const QString& path : {fifo, device_link}) {
    Options o;
    LoadSettings(path, o, flags_);  // returns at once instead of waiting for a writer or forever
    EXPECT_EQ(o.OpenReport, 1);
  }
  EXPECT_EQ(Load("HashCheck=1\r\n" + std::string(17 * 1024 * 1024, 'x')).HashCheck, 0);
}

TEST_F(SettingsTest, SavingReplacesTheFileInsteadOfRewritingIt) {
  Options o;
  o.TorrentDir = "/old";
  Save(o);
  // A second name for the old file keeps the old contents only if the new file was written
  // elsewhere and renamed over the old name.
  const QString old_copy = Join(dir_.path(), "old.ini");
  ASSERT_EQ(::link(QFile::encodeName(path_).constData(), QFile::encodeName(old_copy).constData()), 0);
  o.TorrentDir = "/new";
  Save(o);
  EXPECT_NE(ReadFile(old_copy).find("TorrentDir=/old\r\n"), std::string::npos);
  EXPECT_NE(ReadFile(path_).find("TorrentDir=/new\r\n"), std::string::npos);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
}

TEST(DataFolderTest, PortableOnlyForAFileNamedZandrelIni) {
  QTemporaryDir work, config;
  const QString per_user = Join(config.path(), "Zandrel/");
  DataFolder data = SettleDataFolder(work.path(), per_user);
  EXPECT_FALSE(data.portable);
  EXPECT_EQ(data.folder, per_user);
  EXPECT_EQ(data.settings_path, per_user + "zandrel.ini");
  EXPECT_EQ(data.logs_path, per_user + "logs");
  EXPECT_EQ(FileSize(per_user), -2);
  EXPECT_EQ(FileSize(per_user + "logs"), -1);  // made by the first report, not here

  QTemporaryDir work2, config2;
  QDir(work2.path()).mkdir("zandrel.ini");
  const QString per_user2 = Join(config2.path(), "Zandrel/");
  EXPECT_FALSE(SettleDataFolder(work2.path(), per_user2).portable);

  QTemporaryDir work3, config3;
  WriteFile(Join(work3.path(), "zandrel.ini"), "");
  const QString per_user3 = Join(config3.path(), "Zandrel/");
  data = SettleDataFolder(work3.path(), per_user3);
  EXPECT_TRUE(data.portable);
  EXPECT_EQ(data.folder, work3.path() + "/");
  EXPECT_EQ(data.logs_path, work3.path() + "/logs");
  EXPECT_EQ(FileSize(per_user3), -1);
}

TEST(DataFolderTest, FallsBackToTheWorkingDirectory) {
  QTemporaryDir work, config;
  // A file where the folder should be: it cannot be created.
  WriteFile(Join(config.path(), "Zandrel"), "x");
  const DataFolder data = SettleDataFolder(work.path(), Join(config.path(), "Zandrel/"));
  EXPECT_EQ(data.folder, work.path() + "/");
}

TEST(DataFolderTest, PerUserFolderFollowsXdgConfigHome) {
  QTemporaryDir config;
  const QByteArray old_home = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  EXPECT_EQ(PerUserFolder(), config.path() + "/Zandrel/");
  if (old_home.isNull()) qunsetenv("XDG_CONFIG_HOME");
  else qputenv("XDG_CONFIG_HOME", old_home);
}

}  // namespace
}  // namespace zandrel
