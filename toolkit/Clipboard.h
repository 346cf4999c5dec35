#pragma once
// The system clipboard: its text as UTF-8, the formats on offer and their
// bytes, and a table put there as plain text and HTML together.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

std::string ClipboardText();
void SetClipboardText(std::string_view text);

// The MIME types the clipboard offers now ("text/plain", "text/html",
// "application/x-openoffice-sylk;windows_formatname=\"Sylk\"", ...).
std::vector<std::string> ClipboardFormats();

// Calls use with the data of one format, held for the call only (no copy
// is kept). "text/plain" gives the text as UTF-8. Nothing is called when
// the format is not on offer.
void WithClipboardData(std::string_view format, const std::function<void(std::string_view data)>& use);

// Puts a table on the clipboard in several formats at once (MIME type and
// bytes; "text/plain" as UTF-8): a program that pastes takes the one it
// prefers. Throws std::bad_alloc when their copies cannot be had, leaving
// the clipboard as it was.
void SetClipboardFormats(const std::vector<std::pair<std::string_view, std::string_view>>& formats);
