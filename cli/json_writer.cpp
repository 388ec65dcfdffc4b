#include "cli/json_writer.h"

#include <QUtf8StringView>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/native_name.h"

namespace zandrel {

std::string JsonQuoted(const QString& text) {
  const QByteArray utf8 = DisplayName(text).toUtf8();
  std::string out = "\"";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

void JsonWriter::Member(const char* key) {
  if (!levels_.empty()) {
    Level& level = levels_.back();
    if (level.inline_members) {
      if (level.any) out_ += ", ";
    } else {
      out_ += level.any ? ",\n" : "\n";
      out_.append(2 * levels_.size(), ' ');
    }
    level.any = true;
  }
  if (key) out_ += JsonQuoted(QString::fromUtf8(key)) + ": ";
}

void JsonWriter::Raw(const char* key, const std::string& text) {
  Member(key);
  out_ += text;
}

JsonWriter& JsonWriter::Open(const char* key, const char* bracket, bool inline_members) {
  Raw(key, bracket);
  levels_.push_back({false, inline_members});
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.any && !level.inline_members) {
    out_ += '\n';
    out_.append(2 * levels_.size(), ' ');
  }
  out_ += bracket;
  return *this;
}

JsonWriter& JsonWriter::BeginObject(const char* key, bool inline_members) { return Open(key, "{", inline_members); }
JsonWriter& JsonWriter::EndObject() { return Close('}'); }
JsonWriter& JsonWriter::BeginArray(const char* key, bool inline_members) { return Open(key, "[", inline_members); }
JsonWriter& JsonWriter::EndArray() { return Close(']'); }

JsonWriter& JsonWriter::String(const char* key, const QString& value) {
  Raw(key, JsonQuoted(value));
  return *this;
}

JsonWriter& JsonWriter::Int(const char* key, int64_t value) {
  Raw(key, std::to_string(value));
  return *this;
}

// Not printf: under the user's locale it may write a decimal comma, which is no JSON number.
JsonWriter& JsonWriter::Double(const char* key, double value, int decimals) {
  char text[400];  // room for any finite double in fixed notation
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  Raw(key, result.ec == std::errc() && std::isfinite(value) ? std::string(text, result.ptr) : std::string("null"));
  return *this;
}

JsonWriter& JsonWriter::Bool(const char* key, bool value) {
  Raw(key, value ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null(const char* key) {
  Raw(key, "null");
  return *this;
}

JsonWriter& JsonWriter::OptionalString(const char* key, const std::optional<QString>& value) {
  return value ? String(key, *value) : Null(key);
}

JsonWriter& JsonWriter::OptionalInt(const char* key, const std::optional<int64_t>& value) {
  return value ? Int(key, *value) : Null(key);
}

JsonWriter& JsonWriter::StringArray(const char* key, const std::vector<QString>& values) {
  BeginArray(key, true);
  for (const QString& value : values) String(nullptr, value);
  return EndArray();
}

std::optional<std::string> NameBytesHex(const QString& path) {
  const QByteArray bytes = EncodeName(path);
  if (QUtf8StringView(bytes).isValidUtf8()) return std::nullopt;
  return bytes.toHex().toStdString();
}

JsonWriter& JsonWriter::Path(const char* key, const QString& path) {
  String(key, path);
  if (const std::optional<std::string> hex = NameBytesHex(path)) Raw((std::string(key) + "_bytes").c_str(), '"' + *hex + '"');
  return *this;
}

JsonWriter& JsonWriter::OptionalPath(const char* key, const std::optional<QString>& path) {
  return path ? Path(key, *path) : Null(key);
}

JsonWriter& JsonWriter::PathArray(const char* key, const std::vector<QString>& paths) {
  StringArray(key, paths);
  const bool all_utf8 = std::all_of(paths.begin(), paths.end(), [](const QString& p) { return !NameBytesHex(p); });
  if (all_utf8) return *this;
  BeginArray((std::string(key) + "_bytes").c_str(), true);
  for (const QString& path : paths) {
    const std::optional<std::string> hex = NameBytesHex(path);
    Raw(nullptr, hex ? '"' + *hex + '"' : std::string("null"));
  }
  return EndArray();
}

}  // namespace zandrel
