#include "toolkit/MemoStore.h"

#include <algorithm>

void TMemoStore::Clear() {
  // Swapped out, so that a large memo gives its memory back.
  std::string().swap(text_);
  std::vector<std::size_t>().swap(ends_);
  std::vector<Piece>().swap(pieces_);
  count_ = 0;
}

// The line just appended to text_ ends here; a run of added lines grows
// the last piece, anything else starts a new one.
void TMemoStore::PushEnd() {
  if (pieces_.empty() || pieces_.back().block) pieces_.push_back({count_, ends_.size(), nullptr});
  ends_.push_back(text_.size());
  ++count_;
}

void TMemoStore::Add(std::string_view line) {
  text_ += line;
  PushEnd();
}

void TMemoStore::AddLines(std::string_view lines) {
  while (true) {
    const std::size_t nl = lines.find('\n');
    Add(lines.substr(0, nl));
    if (nl == std::string_view::npos) return;
    lines.remove_prefix(nl + 1);
  }
}

void TMemoStore::AddBlock(std::shared_ptr<const TMemoLines> block) {
  if (!block || block->Count() == 0) return;
  const std::size_t n = block->Count();
  pieces_.push_back({count_, 0, std::move(block)});
  count_ += n;
}

void TMemoStore::AppendLine(std::size_t index, std::string& out) const {
  if (index >= count_) return;
  const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), index,
                                      [](std::size_t i, const Piece& p) { return i < p.first_line; });
  const Piece& piece = *(after - 1);
  const std::size_t offset = index - piece.first_line;
  if (piece.block) {
    piece.block->AppendLine(offset, out);
    return;
  }
  const std::size_t k = piece.text_first + offset;
  const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
  out.append(text_, begin, ends_[k] - begin);
}

std::string TMemoStore::Line(std::size_t index) const {
  std::string line;
  AppendLine(index, line);
  return line;
}
