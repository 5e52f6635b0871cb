#include "platform/toolkit/toolkit.h"

namespace toolkit {

void TMemo::Append(std::string_view text) {
  // Appending moves the caret to the end, which drops a selection.
  allSelected_ = false;
  std::size_t start = 0;
  for (;;) {
    std::size_t brk = text.find_first_of("\r\n", start);
    std::string line(text.substr(start, brk == std::string_view::npos ? brk : brk - start));
    lines_.push_back(line);
    if (OnLineAdded) OnLineAdded(line);
    if (brk == std::string_view::npos) break;
    start = brk + 1;
    if (text[brk] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

void TMemo::Clear() {
  lines_.clear();
  allSelected_ = false;
  if (OnCleared) OnCleared();
}

void TMemo::SelectAll() { allSelected_ = true; }

void TMemo::CopyToClipboard() {
  // Like the control: with nothing selected the clipboard is left alone.
  if (allSelected_) SetClipboardText(Text());
}

std::string TMemo::Text() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines_[i];
  }
  return text;
}

std::string TMemo::SelectedText() const { return allSelected_ ? Text() : std::string(); }

}  // namespace toolkit
