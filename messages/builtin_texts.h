#pragma once

#include <array>
#include <cstddef>

namespace zandrel {

enum class TableItemKind { kKey, kKeyless, kSection };

// One item of the language-file layout: a keyed text, the keyless slot, or a section line.
struct TableItem {
  TableItemKind kind;
  const char16_t* key;   // nullptr unless kind is kKey
  const char16_t* text;  // built-in English text, or the section line
};

inline constexpr std::size_t kTableItemCount = 167;  // 160 keys, 1 keyless slot, 6 section lines
inline constexpr std::size_t kSlotCount = 161;

extern const std::array<TableItem, kTableItemCount> kTableItems;

}  // namespace zandrel
