#include "messages/message_table.h"

#include <QHash>

namespace zandrel {
namespace {

// Slot index of every key under its case-folded spelling, the same folding that the
// case-insensitive key test of language and settings files uses.
const QHash<QString, int>& SlotIndex() {
  static const QHash<QString, int> index = [] {
    QHash<QString, int> map;
    int slot = 0;
    for (const TableItem& item : kTableItems) {
      if (item.kind == TableItemKind::kSection) continue;
      if (item.kind == TableItemKind::kKey) map.insert(QString::fromUtf16(item.key).toCaseFolded(), slot);
      ++slot;
    }
    return map;
  }();
  return index;
}

int KeylessSlot() {
  int slot = 0;
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kKeyless) return slot;
    if (item.kind != TableItemKind::kSection) ++slot;
  }
  return 0;
}

}  // namespace

QString CutToSlotLength(const QString& text) {
  if (text.size() <= kMaxTextLength) return text;
  qsizetype length = kMaxTextLength;
  if (text[length - 1].isHighSurrogate()) --length;
  return text.left(length);
}

int KeySlot(QStringView key) {
  auto it = SlotIndex().constFind(key.toString().toCaseFolded());
  return it == SlotIndex().constEnd() ? -1 : *it;
}

MessageTable::MessageTable(QString lang_dir) : lang_dir_(std::move(lang_dir)) { InitMessageTable(); }

void MessageTable::InitMessageTable() {
  MessageEntry built_in;
  built_in.LanguageName = QStringLiteral("English");
  int slot = 0;
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kSection) continue;
    built_in.texts[slot++] = CutToSlotLength(QString::fromUtf16(item.text));
  }
  entries_ = {built_in, built_in};
  current_ = 0;
}

QString EntryText(const MessageEntry& entry, QStringView key) {
  const int slot = KeySlot(key);
  return slot < 0 ? QString() : entry.texts[slot];
}

QString EntryDeletedText(const MessageEntry& entry) {
  static const int slot = KeylessSlot();
  return entry.texts[slot];
}

QString MessageTable::MessageText(QStringView key) const { return EntryText(CurrentEntry(), key); }

QString MessageTable::DeletedText() const { return EntryDeletedText(CurrentEntry()); }

void MessageTable::RequestLanguage(const QString& file_name) {
  requested_file_ = file_name;
  language_requested_ = !file_name.isEmpty();
}

void MessageTable::UseBuiltInLanguage() {
  current_ = 0;
  requested_file_.clear();
  language_requested_ = false;
  if (window_size_reset_) window_size_reset_();
}

}  // namespace zandrel
