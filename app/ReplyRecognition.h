// Recognition of the modem's replies in the receive buffer.
//
// A reply counts wherever it stands in the buffer. Searching the whole buffer
// after every batch would make a long stream of unrecognised text (line noise
// during a 50 s dial wait) cost more with every batch, so a ReplyScanner
// remembers, per reply, how far the buffer is known to hold no occurrence and
// searches only from there: a reply can only newly occur where it overlaps the
// bytes just added. The outcome is exactly that of a whole-buffer search.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace replies {

// In the order their flags are evaluated.
enum Reply : std::size_t { OK, Error, Connect, Welcome, NoCarrier, kReplyCount };

// The text of each reply, exact and case-sensitive.
std::string_view TextOf(Reply reply);

// Where the scanned part of the buffer ends, per reply. It stays valid while
// the buffer only grows at its end or loses text at its front through
// DropFront; a buffer found shorter than last seen (text removed elsewhere,
// or emptied) is scanned afresh.
class ReplyScanner {
 public:
  // Forgets everything scanned.
  void Reset();
  // Call before appending to the buffer.
  void BeforeAppend(const std::string& buffer);
  // Position of the first occurrence of the reply, or npos.
  std::size_t Find(const std::string& buffer, Reply reply);
  // Removes the first n characters of the buffer.
  void DropFront(std::string& buffer, std::size_t n);

 private:
  // No occurrence of reply r starts before clearBefore_[r].
  std::array<std::size_t, kReplyCount> clearBefore_{};
  std::size_t knownSize_ = 0;
};

// The dialogue fields that recognition reads and writes.
struct DialogueFields {
  std::string& rxBuffer;
  std::string& replyText;
  std::array<bool*, kReplyCount> flags;  // indexed by Reply
};

// Appends the received characters to rxBuffer, raises the flag of every
// reply that occurs in it, then removes, in the order OK, ERROR, CONNECT,
// NO CARRIER, Welcome, the buffer up to and including the first occurrence of
// each reply whose flag is set. The text in front of a removed "OK" becomes
// replyText when there is any.
void Receive(DialogueFields fields, ReplyScanner& scanner, std::string_view received);

}  // namespace replies
