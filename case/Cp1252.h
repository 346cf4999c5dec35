#pragma once
// Windows-1252, the single-byte code page of a Portuguese desktop.

#include <optional>
#include <string>
#include <string_view>

// UTF-8 to Windows-1252. std::nullopt when the text is not valid UTF-8 or
// holds a character the code page does not have.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);
