#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <span>
#include <vector>

#include "check/engine_state.h"
#include "check/run_option_table.h"
#include "messages/text.h"
#include "platform/file_system.h"
#include "platform/native_name.h"

namespace zandrel {
namespace {

// A settings file is a few hundred bytes; anything far larger is not one of ours.
constexpr int64_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

enum class KeyType { kText, kFlag, kPositive, kPosition, kSize };

struct SettingsKey {
  const char16_t* key;
  KeyType type;
  QString Options::*text = nullptr;
  int Options::*flag = nullptr;
  int64_t Options::*number = nullptr;
};

// The keys in the order the file lists them: a line is tested against every key in this order.
// The run's switches stand together, with the window's "keep on top" after the hash check.
std::vector<SettingsKey> Keys() {
  std::vector<SettingsKey> keys = {{u"TorrentFile", KeyType::kText, &Options::TorrentFile},
                                   {u"TorrentDir", KeyType::kText, &Options::TorrentDir}};
  for (const RunOptionRow& row : kRunOptionTable) {
    keys.push_back({row.settings_key, KeyType::kFlag, nullptr, row.member});
    if (row.member == &RunFlags::HashCheck) {
      keys.push_back({u"KeepWindowOnTop", KeyType::kFlag, nullptr, &Options::KeepWindowOnTop});
    }
  }
  keys.insert(keys.end(), {
      {u"BackupToTorrentDir", KeyType::kFlag, nullptr, &Options::BackupToTorrentDir},
      {u"BackupDir", KeyType::kText, &Options::BackupDir},
      {u"TorrentZipExe", KeyType::kText, &Options::TorrentZipExe},
      {u"Font", KeyType::kText, &Options::Font},
      {u"FontSize", KeyType::kPositive, nullptr, nullptr, &Options::FontSize},
      {u"FontStyle", KeyType::kPositive, nullptr, nullptr, &Options::FontStyle},
      {u"WindowPositionX", KeyType::kPosition, nullptr, nullptr, &Options::WindowPositionX},
      {u"WindowPositionY", KeyType::kPosition, nullptr, nullptr, &Options::WindowPositionY},
      {u"WindowSizeX", KeyType::kSize, nullptr, nullptr, &Options::WindowSizeX},
      {u"WindowSizeY", KeyType::kSize, nullptr, nullptr, &Options::WindowSizeY},
      {u"WindowMaximized", KeyType::kFlag, nullptr, &Options::WindowMaximized},
      {u"Language", KeyType::kText, &Options::Language},
  });
  return keys;
}

void ApplyValue(const SettingsKey& key, const QString& value, Options& options, SettingsFlags& flags) {
  if (key.type == KeyType::kText) {
    options.*key.text = value;
    if (key.text == &Options::TorrentFile) flags.torrent_changed = true;
    if (key.text == &Options::Language) flags.language_requested = true;
    return;
  }
  const int64_t number = ParseInteger(value);
  switch (key.type) {
    case KeyType::kFlag:
      if (number == 0 || number == 1) options.*key.flag = static_cast<int>(number);
      break;
    case KeyType::kPositive:
      if (number > 0) options.*key.number = number;
      break;
    case KeyType::kPosition:
      options.*key.number = number;
      break;
    case KeyType::kSize:
      if (number > -1) options.*key.number = number;
      break;
    case KeyType::kText:
      break;
  }
}

void ApplyLine(QStringView line, std::span<const SettingsKey> keys, Options& options, SettingsFlags& flags) {
  for (const SettingsKey& key : keys) {
    const QString value = ValueForKey(line, QStringView(key.key));
    if (!value.isEmpty()) ApplyValue(key, value, options, flags);
  }
}

// Any character that ends a line for the reader.
bool HasLineBreak(const QString& value) {
  return value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(0));
}

QString WithoutBackupMarker(const QString& dir) {
  const QString marker_end = kBackupMarker + QChar(kSeparator);
  return dir.endsWith(marker_end) ? dir.chopped(marker_end.size()) : dir;
}

}  // namespace

void ApplySettingsText(const QByteArray& bytes, Options& options, SettingsFlags& flags) {
  // A line ends at CR, LF, CR LF, a zero byte or the end of the file.
  const std::vector<SettingsKey> keys = Keys();
  qsizetype start = 0;
  for (qsizetype i = 0; i <= bytes.size(); ++i) {
    const bool end = i == bytes.size();
    if (!end && bytes[i] != '\r' && bytes[i] != '\n' && bytes[i] != '\0') continue;
    // Paths are kept byte for byte: a name that is not UTF-8 comes back as it went in.
    const QString line = DecodeName(QByteArrayView(bytes.constData() + start, i - start));
    ApplyLine(line, keys, options, flags);
    if (!end && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

void LoadSettings(const QString& path, Options& options, SettingsFlags& flags) {
  const auto bytes = ReadWholeFile(path, kMaxSettingsFileBytes);
  if (bytes) ApplySettingsText(*bytes, options, flags);
}

void SaveSettings(const QString& path, const Options& options, bool window_maximized,
                  const QString& current_language, const QString& version) {
  // A value with a line break would end its line early and inject the rest as further keys; such
  // a key keeps what the file held before (or its default).
  Options previous;
  SettingsFlags unused;
  LoadSettings(path, previous, unused);
  Options o = options;
  const std::vector<SettingsKey> keys = Keys();
  for (const SettingsKey& key : keys) {
    if (key.type == KeyType::kText && HasLineBreak(o.*key.text)) o.*key.text = previous.*key.text;
  }
  QString language_line;
  if (HasLineBreak(current_language)) {
    language_line = previous.Language;
  } else if (!current_language.isEmpty()) {
    language_line = current_language + QStringLiteral(".lng");
  }
  QString text;
  auto line = [&text](const QString& s) { text += s + QStringLiteral("\r\n"); };
  line(QStringLiteral(";Zandrel v") + version + QStringLiteral(" Settings File"));
  line(QString());
  line(QStringLiteral("TorrentFile=") + o.TorrentFile);
  line(QStringLiteral("TorrentDir=") + o.TorrentDir);
  // The switch of every check box, in the order of the keys.
  for (const SettingsKey& key : keys) {
    if (key.type != KeyType::kFlag || key.flag == &Options::WindowMaximized) continue;
    line(QString::fromUtf16(key.key) + u'=' + QString::number(o.*key.flag));
  }
  if (o.BackupToTorrentDir == 0) line(QStringLiteral("BackupDir=") + WithoutBackupMarker(o.BackupDir));
  line(QStringLiteral("TorrentZipExe=") + o.TorrentZipExe);
  if (!o.Font.isEmpty()) line(QStringLiteral("Font=") + o.Font);
  if (o.FontSize != 0) line(QStringLiteral("FontSize=") + QString::number(o.FontSize));
  if (o.FontStyle != 0) line(QStringLiteral("FontStyle=") + QString::number(o.FontStyle));
  if (window_maximized) {
    line(QStringLiteral("WindowMaximized=1"));
  } else {
    line(QStringLiteral("WindowPositionX=") + QString::number(o.WindowPositionX));
    line(QStringLiteral("WindowPositionY=") + QString::number(o.WindowPositionY));
    line(QStringLiteral("WindowSizeX=") + QString::number(o.WindowSizeX));
    line(QStringLiteral("WindowSizeY=") + QString::number(o.WindowSizeY));
  }
  if (!language_line.isEmpty()) line(QStringLiteral("Language=") + language_line);
  // Through a temporary file renamed over the old one: a crash while writing keeps the old file.
  WriteWholeFile(path, EncodeName(text));
}

}  // namespace zandrel
