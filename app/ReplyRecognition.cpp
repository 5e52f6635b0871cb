#include "app/ReplyRecognition.h"

#include <algorithm>

namespace replies {

namespace {

constexpr std::array<std::string_view, kReplyCount> kTexts = {"OK\r\n", "ERROR\r\n", "CONNECT",
                                                              "Welcome", "NO CARRIER\r\n"};

constexpr std::array<Reply, kReplyCount> kRemovalOrder = {OK, Error, Connect, NoCarrier, Welcome};

}  // namespace

std::string_view TextOf(Reply reply) { return kTexts[reply]; }

void ReplyScanner::Reset() {
  clearBefore_.fill(0);
  knownSize_ = 0;
}

void ReplyScanner::BeforeAppend(const std::string& buffer) {
  if (buffer.size() < knownSize_) Reset();
  knownSize_ = buffer.size();
}

std::size_t ReplyScanner::Find(const std::string& buffer, Reply reply) {
  if (buffer.size() < knownSize_) Reset();
  knownSize_ = buffer.size();
  const std::string_view text = kTexts[reply];
  std::size_t& clear = clearBefore_[reply];
  const std::size_t pos = std::string_view(buffer).find(text, clear);
  if (pos != std::string_view::npos) {
    clear = pos;
  } else if (buffer.size() >= text.size()) {
    // A start closer to the end than the text is long may still complete.
    clear = std::max(clear, buffer.size() - text.size() + 1);
  }
  return pos;
}

void ReplyScanner::DropFront(std::string& buffer, std::size_t n) {
  n = std::min(n, buffer.size());
  buffer.erase(0, n);
  for (std::size_t& clear : clearBefore_) clear = clear > n ? clear - n : 0;
  knownSize_ = buffer.size();
}

void Receive(DialogueFields fields, ReplyScanner& scanner, std::string_view received) {
  std::string& rx = fields.rxBuffer;
  scanner.BeforeAppend(rx);
  rx.append(received);

  bool any = false;
  for (std::size_t r = 0; r < kReplyCount; ++r) {
    bool& flag = *fields.flags[r];
    flag = flag || scanner.Find(rx, Reply(r)) != std::string::npos;
    any = any || flag;
  }
  if (!any) return;

  for (Reply r : kRemovalOrder) {
    if (!*fields.flags[r]) continue;
    const std::size_t pos = scanner.Find(rx, r);
    if (pos == std::string::npos) continue;
    if (r == OK && pos > 0) fields.replyText = rx.substr(0, pos);
    scanner.DropFront(rx, pos + kTexts[r].size());
  }
}

}  // namespace replies
