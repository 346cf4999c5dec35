#pragma once
// Tests compare failures by their messages: "" or no messages for success.

#include <string>
#include <vector>

#include "case/Status.h"

template <class T>
std::string MessageOf(const TResult<T>& result) {
  return result.Ok() ? std::string() : result.Error().message;
}

// The messages a window shows one box each: the details where there are
// several, else the message.
template <class T>
std::vector<std::string> MessagesOf(const TResult<T>& result) {
  if (result.Ok()) return {};
  if (!result.Error().details.empty()) return result.Error().details;
  return {result.Error().message};
}

// "" and *out set on success, else the message and *out unchanged.
template <class T>
std::string MessageOf(TResult<T>&& result, T* out) {
  if (!result) return result.Error().message;
  *out = std::move(result).Value();
  return std::string();
}
