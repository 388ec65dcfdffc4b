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
  // A path as a person reads it; when its bytes are not UTF-8 (so that the text cannot name the
  // file), "<key>_bytes" follows with the bytes in hex.
  JsonWriter& Path(const char* key, const QString& path);
  JsonWriter& OptionalPath(const char* key, const std::optional<QString>& path);
  // The same for a list: "<key>_bytes" holds the hex for each item that is not UTF-8, else null.
  JsonWriter& PathArray(const char* key, const std::vector<QString>& paths);

  // The document, ended by a line feed.
  std::string Text() const { return out_ + "\n"; }

 private:
  void Member(const char* key);
  void Raw(const char* key, const std::string& text);
  JsonWriter& Open(const char* key, const char* bracket, bool inline_members);
  JsonWriter& Close(char bracket);

  std::string out_;
  struct Level {
    bool any = false;
    bool inline_members = false;
  };
  std::vector<Level> levels_;  // one per open object or array
};

// A JSON string literal for UTF-8 text: quotes, backslashes and control characters escaped; a
// byte of a name that is not UTF-8 shows as U+FFFD.
std::string JsonQuoted(const QString& text);

// The bytes of a name in lower-case hex when they are not UTF-8; nullopt when they are.
std::optional<std::string> NameBytesHex(const QString& path);

}  // namespace zandrel
