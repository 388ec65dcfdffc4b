// Reading and writing language files, and regenerating them for translators.
#include <QStringView>
#include <algorithm>
#include <vector>

#include "messages/message_table.h"
#include "messages/text.h"
#include "platform/file_system.h"
#include "platform/version.h"

namespace zandrel {
namespace {

// Far above any real language file; keeps a stray huge file from exhausting memory.
constexpr int64_t kMaxLanguageFileBytes = 64 * 1024 * 1024;

const QString kCommentLine = QStringLiteral(";");
const QString kAuthorKey = QStringLiteral("Author");
const QString kEnglishFile = QStringLiteral("English.lng");

// The key of every slot (empty for the keyless slot) and the length of the longest key.
struct SlotKeys {
  std::vector<QString> keys;
  qsizetype longest = 0;
};

const SlotKeys& Keys() {
  static const SlotKeys keys = [] {
    SlotKeys result;
    for (const TableItem& item : kTableItems) {
      if (item.kind == TableItemKind::kSection) continue;
      result.keys.push_back(item.key ? QString::fromUtf16(item.key) : QString());
      result.longest = std::max(result.longest, result.keys.back().size());
    }
    return result;
  }();
  return keys;
}

void WritePass(const MessageEntry& entry, QStringList& lines) {
  lines.append(kCommentLine);
  int slot = 0;
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kSection) {
      lines << kCommentLine << QString::fromUtf16(item.text) << kCommentLine;
      continue;
    }
    const QString& text = entry.texts[slot];
    const QString& key = Keys().keys[slot++];
    if (item.kind == TableItemKind::kKeyless) continue;
    if (text.startsWith(MessageTable::kUntranslatedMark)) {
      lines << MessageTable::kMarkerLine
            << QStringLiteral("; ") + key + u'=' + text.mid(MessageTable::kUntranslatedMark.size());
    } else {
      lines << key + u'=' + text;
    }
  }
}

// Equivalent to trying every line against every key with ValueForKey, but a line is looked up by
// the text before its first "=", so a file of millions of lines costs one lookup per line.
void ReadPass(const QStringList& lines, MessageEntry& entry) {
  const SlotKeys& keys = Keys();
  for (const QString& line : lines) {
    const qsizetype equals = QStringView(line).left(keys.longest + 1).indexOf(u'=');
    if (equals <= 0) continue;
    const int slot = KeySlot(QStringView(line).left(equals));
    if (slot < 0) continue;
    // Only the first characters of a long value can be kept; copy no more than that.
    const QStringView head = QStringView(line).left(equals + 1 + kMaxTextLength + 1);
    const QString value = ValueForKey(head, keys.keys[slot]);
    if (!value.isEmpty()) entry.texts[slot] = CutToSlotLength(value);
  }
}

void MarkPass(MessageEntry& entry) {
  const SlotKeys& keys = Keys();
  for (size_t slot = 0; slot < keys.keys.size(); ++slot) {
    if (keys.keys[slot].isEmpty() || keys.keys[slot] == kAuthorKey) continue;
    entry.texts[slot] = MessageTable::kReferenceMark + entry.texts[slot];
  }
}

void FlagPass(MessageEntry& entry) {
  const SlotKeys& keys = Keys();
  for (size_t slot = 0; slot < keys.keys.size(); ++slot) {
    QString& text = entry.texts[slot];
    if (keys.keys[slot].isEmpty() || !text.startsWith(MessageTable::kReferenceMark)) continue;
    text.replace(0, MessageTable::kReferenceMark.size(), MessageTable::kUntranslatedMark);
  }
}

// A language name or file name must stay inside the language folder.
bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}

QString WithoutExtension(const QString& file_name) {
  const qsizetype dot = file_name.lastIndexOf(u'.');
  return dot < 0 ? file_name : file_name.left(dot);
}

}  // namespace

void MessageTable::RunLanguagePass(LanguagePass mode, MessageEntry& entry, LanguageFile* file) {
  switch (mode) {
    case LanguagePass::kWrite:
      if (file) WritePass(entry, file->lines);
      break;
    case LanguagePass::kRead:
      if (file) ReadPass(file->lines, entry);
      break;
    case LanguagePass::kFlag:
      FlagPass(entry);
      break;
    case LanguagePass::kMark:
      MarkPass(entry);
      break;
  }
}

int MessageTable::SaveLanguageFile(const QString& name) const {
  return WriteLanguageFile(name, CurrentEntry());
}

int MessageTable::WriteLanguageFile(const QString& name, const MessageEntry& entry) const {
  if (!IsPlainFileName(name)) return 0;
  LanguageFile file;
  file.lines << QStringLiteral(";Zandrel v") + VersionText() + QStringLiteral(" Language File")
             << kCommentLine
             << QStringLiteral(
                    ";Do not translate or change anything enclosed in %% - these are values that "
                    "are replaced at runtime.")
             << QStringLiteral(";This file must be saved as a unicode text file.");
  MessageEntry texts = entry;
  RunLanguagePass(LanguagePass::kWrite, texts, &file);
  const QString path = WithTrailingSeparator(lang_dir_) + name + QStringLiteral(".lng");
  return WriteWholeFile(path, EncodeLanguageFile(file)) ? 1 : 0;
}

// The file's bytes, or nullopt when it cannot be read. On a case-sensitive file system a name
// that differs from the file's only in letter case still finds it; *found_name gets the name
// the file really has.
std::optional<QByteArray> MessageTable::ReadLanguageFile(const QString& file_name,
                                                         QString* found_name) const {
  if (!IsPlainFileName(file_name)) return std::nullopt;
  const QString folder = WithTrailingSeparator(lang_dir_);
  QString name = file_name;
  if (FileSize(folder + name) < 0) {
    const auto entries = ListDirectory(lang_dir_);
    for (const DirEntry& entry : entries.value_or(std::vector<DirEntry>())) {
      if (entry.kind == EntryKind::kFile && entry.name.compare(file_name, Qt::CaseInsensitive) == 0) {
        name = entry.name;
        break;
      }
    }
  }
  auto bytes = ReadWholeFile(folder + name, kMaxLanguageFileBytes);
  if (bytes && found_name) *found_name = name;
  return bytes;
}

bool MessageTable::LoadRequestedLanguage() {
  if (!language_requested_ || requested_file_.isEmpty()) return false;
  QString found_name;
  const auto bytes = ReadLanguageFile(requested_file_, &found_name);
  if (!bytes) return false;  // the request stays pending for the next rebuild
  language_requested_ = false;
  MessageEntry& working = entries_[1];
  working.LanguageName = WithoutExtension(found_name);
  LanguageFile file = DecodeLanguageFile(*bytes);
  RunLanguagePass(LanguagePass::kRead, working, &file);
  current_ = 1;
  if (window_size_reset_) window_size_reset_();
  return true;
}

// Works on private copies: the check run may be reading the current entry on its own thread
// meanwhile, and each file starts from the same reference so that nothing of one language
// (its author, say) leaks into the next.
void MessageTable::SaveAllLanguageFiles(const QStringList& language_names) const {
  MessageEntry reference = entries_[0];
  if (const auto english = ReadLanguageFile(kEnglishFile, nullptr)) {
    LanguageFile file = DecodeLanguageFile(*english);
    RunLanguagePass(LanguagePass::kRead, reference, &file);
  }
  for (const QString& name : language_names) {
    if (name.compare(QStringLiteral("english"), Qt::CaseInsensitive) == 0) continue;
    QString found_name;
    const auto bytes = ReadLanguageFile(name + QStringLiteral(".lng"), &found_name);
    if (!bytes) continue;
    MessageEntry texts = reference;
    LanguageFile file = DecodeLanguageFile(*bytes);
    RunLanguagePass(LanguagePass::kMark, texts);
    RunLanguagePass(LanguagePass::kRead, texts, &file);
    RunLanguagePass(LanguagePass::kFlag, texts);
    WriteLanguageFile(WithoutExtension(found_name), texts);
  }
}

}  // namespace zandrel
