#include "cli/JsonText.h"

#include <nlohmann/json.hpp>

#include <ostream>

std::string JsonString(std::string_view text) {
  return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void TJsonObject::Key(std::string_view key) {
  text_ += text_.empty() ? "{" : ", ";
  text_ += JsonString(key);
  text_ += ": ";
}

TJsonObject& TJsonObject::Text(std::string_view key, std::string_view value) {
  Key(key);
  text_ += JsonString(value);
  return *this;
}

TJsonObject& TJsonObject::Json(std::string_view key, std::string_view json) {
  Key(key);
  text_ += json;
  return *this;
}

TJsonObject& TJsonObject::Number(std::string_view key, std::optional<int32_t> value) {
  Key(key);
  text_ += value ? std::to_string(*value) : std::string("null");
  return *this;
}

void TJsonArray::Add(const TJsonObject& object) {
  out_ << (any_ ? ",\n" : "[\n") << object.Written() << "}";
  any_ = true;
}

void TJsonArray::Close() { out_ << (any_ ? "\n]\n" : "[]\n"); }
