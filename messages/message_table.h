// The message table: the built-in English entry and the working entry that language files load
// into. Every user-visible text is read through MessageText at the moment of use.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "messages/builtin_texts.h"
#include "messages/language_file.h"

namespace zandrel {

enum class LanguagePass { kWrite = 0, kRead = 1, kFlag = 3, kMark = 4 };

struct MessageEntry {
  QString LanguageName;
  std::array<QString, kSlotCount> texts;
};

inline constexpr int kMaxTextLength = 255;

// A text as a slot holds it: at most kMaxTextLength characters, never ending in half a surrogate
// pair.
QString CutToSlotLength(const QString& text);

// Slot of a key, matched without regard to letter case; -1 for a text that is no key.
int KeySlot(QStringView key);

// The text of a key in an entry; unknown keys give an empty text.
QString EntryText(const MessageEntry& entry, QStringView key);
// The keyless slot that wraps a deleted file's line ("(Deleted) %s%").
QString EntryDeletedText(const MessageEntry& entry);

class MessageTable {
 public:
  // lang_dir is the folder of the language files ("lang" below the working directory in the
  // program; tests point it elsewhere).
  explicit MessageTable(QString lang_dir = QStringLiteral("lang"));

  // Builds both entries from the built-in texts and makes the built-in entry current.
  void InitMessageTable();

  // Current text of a key; unknown keys give an empty text.
  QString MessageText(QStringView key) const;
  // The keyless slot that wraps a deleted file's line ("(Deleted) %s%").
  QString DeletedText() const;

  const MessageEntry& CurrentEntry() const { return entries_[current_]; }
  bool WorkingEntryCurrent() const { return current_ == 1; }
  QString CurrentLanguageName() const { return CurrentEntry().LanguageName; }
  const QString& LangDir() const { return lang_dir_; }

  // One pass over all items in language-file order, changing entry (read, flag and mark passes)
  // or appending the lines of the file to *file (write pass). The read pass takes its lines from
  // *file; the flag and mark passes need no file.
  static void RunLanguagePass(LanguagePass mode, MessageEntry& entry, LanguageFile* file = nullptr);
  // Writes <lang dir>/<name>.lng from the current entry; 1 when written, 0 when it cannot be
  // created (also for a name that would leave the language folder).
  int SaveLanguageFile(const QString& name) const;

  // The requested language (from the settings file or the Language menu).
  void RequestLanguage(const QString& file_name);
  bool LanguageRequested() const { return language_requested_; }
  const QString& RequestedLanguageFile() const { return requested_file_; }
  // Loads the requested language file into the working entry, which becomes current; true when a
  // file was loaded. A file that cannot be read leaves everything as it was, request included.
  bool LoadRequestedLanguage();
  // "<English>": the built-in entry becomes current and the request is cleared.
  void UseBuiltInLanguage();
  // Regenerates <lang dir>/<name>.lng for every name (the Language menu's items except English):
  // keys the file does not translate are written commented out under a marker line, with the
  // text of English.lng as the suggestion. The table itself is not changed.
  void SaveAllLanguageFiles(const QStringList& language_names) const;

  // Called after a successful load so the main window takes its computed size.
  void SetWindowSizeResetHook(std::function<void()> hook) { window_size_reset_ = std::move(hook); }

  static inline const QString kReferenceMark = QStringLiteral("****");
  static inline const QString kUntranslatedMark = QStringLiteral("!!!!");
  static inline const QString kMarkerLine = QStringLiteral("; **** TRANSLATE ME: ");

 private:
  int WriteLanguageFile(const QString& name, const MessageEntry& entry) const;
  std::optional<QByteArray> ReadLanguageFile(const QString& file_name, QString* found_name) const;

  QString lang_dir_;
  std::array<MessageEntry, 2> entries_;
  int current_ = 0;
  bool language_requested_ = false;
  QString requested_file_;
  std::function<void()> window_size_reset_;
};

// The texts current when it was taken. Work on another thread reads these while a language change
// may rewrite the table.
class TextSnapshot {
 public:
  explicit TextSnapshot(const MessageTable& table) : entry_(table.CurrentEntry()) {}
  QString Text(QStringView key) const { return EntryText(entry_, key); }
  QString DeletedText() const { return EntryDeletedText(entry_); }

 private:
  MessageEntry entry_;
};

}  // namespace zandrel
