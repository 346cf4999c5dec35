#pragma once
// JSON written as it goes: one array of flat objects, one object a line,
// so that a million findings never sit in memory as a document. The texts'
// escaping is nlohmann::json's (quotes, backslashes, control characters as
// \u00XX, UTF-8 passed through, bytes that are not UTF-8 as U+FFFD).
//
//   TJsonArray list(out);
//   list.Add(TJsonObject().Text("field", "Ptmin").Number("interval", std::nullopt));
//   list.Close();   // [\n{"field": "Ptmin", "interval": null}\n]\n

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

class TJsonObject {
public:
  TJsonObject& Text(std::string_view key, std::string_view value);
  TJsonObject& Number(std::string_view key, std::optional<int32_t> value);  // null when none
  // A value already written as JSON (JsonString's), for one said many times.
  TJsonObject& Json(std::string_view key, std::string_view json);
  const std::string& Written() const { return text_; }

private:
  void Key(std::string_view key);
  std::string text_;
};

class TJsonArray {
public:
  explicit TJsonArray(std::ostream& out) : out_(out) {}
  void Add(const TJsonObject& object);
  // Writes the end of the array ("[]" when nothing was added).
  void Close();

private:
  std::ostream& out_;
  bool any_ = false;
};

// A text as a JSON string, quotes included.
std::string JsonString(std::string_view text);
