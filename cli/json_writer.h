// A small streaming JSON writer: members come out in the order they are written, so the keys a
// script relies on keep their place. Objects and arrays are indented two spaces per level.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zandrel {

class JsonWriter {
 public:
  // Opening an object or array with a key makes it a member of the enclosing object. An inline
  // object keeps its members on one line (for long lists of small records).
  JsonWriter& BeginObject(const char* key = nullptr, bool inline_members = false);
  JsonWriter& EndObject();
  JsonWriter& BeginArray(const char* key = nullptr, bool inline_members = false);
  JsonWriter& EndArray();
  JsonWriter& String(const char* key, const QString& value);
  JsonWriter& Int(const char* key, int64_t value);
  JsonWriter& Double(const char* key, double value, int decimals);
  JsonWriter& Bool(const char* key, bool value);
  JsonWriter& Null(const char* key);
  // Null when there is no value.
  JsonWriter& OptionalString(const char* key, const std::optional<QString>& value);
  JsonWriter& OptionalInt(const char* key, const std::optional<int64_t>& value);
  // An inline array of strings.
  JsonWriter& StringArray(const char* key, const std::vector<QString>& values);

  // The document, ended by a line feed.
  std::string Text() const { return out_ + "\n"; }

 private:
  void Member(const char* key);
  void Raw(const char* key, const std::string& text);
  void Close(char bracket);

  std::string out_;
  struct Level {
    bool any = false;
    bool inline_members = false;
  };
  std::vector<Level> levels_;  // one per open object or array
};

// A JSON string literal for UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonQuoted(const QString& text);

}  // namespace zandrel
