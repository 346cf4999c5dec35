#pragma once
// The lines of a memo, kept compactly: lines added one by one live back to
// back in one buffer, and a block of lines made by its owner (the rows of a
// table) is asked for one line at a time, when a line is drawn or copied.
// Lines are only ever added, so a line once shown stays as it was until the
// whole memo is cleared.
//
//   TMemoStore store;
//   store.Add("header");
//   store.AddBlock(rows);          // rows->Count() lines, none made yet
//   store.Line(1) == the first of rows

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A block of lines that makes each line when asked. It must give the same
// text for a line every time (the memo is a log); AppendLine may be called
// from the window thread only, in any order.
class TMemoLines {
public:
  virtual ~TMemoLines() = default;
  virtual std::size_t Count() const = 0;
  // Appends line `index` (0-based, below Count()), UTF-8, without "\n".
  virtual void AppendLine(std::size_t index, std::string& out) const = 0;
};

class TMemoStore {
public:
  std::size_t Count() const { return count_; }
  void Clear();
  void Add(std::string_view line);
  // Lines separated by "\n" (none after the last): "a\n\nb" is three lines.
  void AddLines(std::string_view lines);
  void AddBlock(std::shared_ptr<const TMemoLines> block);

  // Appends line `index` (below Count()) to out.
  void AppendLine(std::size_t index, std::string& out) const;
  std::string Line(std::size_t index) const;

private:
  // A run of lines: from the text buffer (block == nullptr; its lines are
  // ends_[text_first ...]) or from a block.
  struct Piece {
    std::size_t first_line;
    std::size_t text_first;
    std::shared_ptr<const TMemoLines> block;
  };
  void PushEnd();

  std::string text_;               // the added lines' bytes, back to back
  std::vector<std::size_t> ends_;  // where each added line ends in text_
  std::vector<Piece> pieces_;
  std::size_t count_ = 0;
};
