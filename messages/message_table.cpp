#include "messages/message_table.h"

#include <QHash>

namespace zandrel {
namespace {

// Slot index of every key, looked up without regard to case.
const QHash<QString, int>& SlotIndex() {
  static const QHash<QString, int> index = [] {
    QHash<QString, int> map;
    int slot = 0;
    for (const TableItem& item : kTableItems) {
      if (item.kind == TableItemKind::kSection) continue;
      if (item.kind == TableItemKind::kKey) map.insert(QString::fromUtf16(item.key).toLower(), slot);
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

MessageTable::MessageTable(QString lang_dir) : lang_dir_(std::move(lang_dir)) { InitMessageTable(); }

void MessageTable::InitMessageTable() {
  MessageEntry built_in;
  built_in.LanguageName = QStringLiteral("English");
  int slot = 0;
  for (const TableItem& item : kTableItems) {
    if (item.kind == TableItemKind::kSection) continue;
    built_in.texts[slot++] = QString::fromUtf16(item.text).left(kMaxTextLength);
  }
  entries_ = {built_in, built_in};
  current_ = 0;
}

QString MessageTable::MessageText(QStringView key) const {
  auto it = SlotIndex().constFind(key.toString().toLower());
  if (it == SlotIndex().constEnd()) return QString();
  return CurrentEntry().texts[*it];
}

QString MessageTable::DeletedText() const {
  static const int slot = KeylessSlot();
  return CurrentEntry().texts[slot];
}

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
