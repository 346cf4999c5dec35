#include "forms/DecimalPoints.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/Toolkit.h"

namespace {

// Number of characters of a UTF-8 text.
std::size_t CharCount(std::string_view s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

// Byte length of the UTF-8 sequence that starts with b.
std::size_t SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

void RewriteDecimalPoints(TLabeledEdit& field, int& depth) {
  constexpr int kMaxStepwiseDepth = 16;
  struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) { ++d; }
    ~Depth() { --d; }
  } nesting(depth);

  std::string copy = field.Text();
  if (depth > kMaxStepwiseDepth) {
    std::replace(copy.begin(), copy.end(), '.', ',');
    field.SetText(copy);
    field.SetSelStart(field.GetTextLen());
    return;
  }

  const std::size_t copy_chars = CharCount(copy);
  // What is known of the field's text while its change count stays at seen:
  // its length in characters and whether it equals the copy.
  std::uint64_t seen = field.ChangeCount();
  std::size_t text_chars = copy_chars;
  bool same = false;  // the first step assigns in any case, as every step would
  std::size_t byte = 0;
  for (std::size_t position = 0;; ++position) {
    if (field.ChangeCount() != seen) {
      // A nested handler changed the text: read it again.
      const std::string text = field.Text();
      text_chars = CharCount(text);
      same = text == copy;
      seen = field.ChangeCount();
    }
    if (position >= text_chars) break;
    if (byte < copy.size()) {
      if (copy[byte] == '.') {
        copy[byte] = ',';
        same = false;
      }
      byte += SequenceLength(static_cast<unsigned char>(copy[byte]));
    }
    if (same) continue;  // the assignment would raise nothing; the caret is at the end
    field.SetText(copy);
    // No change: the text was the copy already; one change: the assignment
    // itself, and its nested handler (if any) left the text alone.
    if (field.ChangeCount() - seen <= 1) {
      seen = field.ChangeCount();
      text_chars = copy_chars;
      same = true;
    }
    field.SetSelStart(field.GetTextLen());
  }
}
