#pragma once
// The system clipboard's text, as UTF-8.

#include <string>
#include <string_view>

std::string ClipboardText();
void SetClipboardText(std::string_view text);
