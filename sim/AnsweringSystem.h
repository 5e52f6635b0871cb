// The dial-in answering system that test calls reach: once the connection
// is up it greets the caller, and it keeps what the caller sends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

class AnsweringSystem {
 public:
  static constexpr std::string_view kGreeting = "Welcome\r\n";

  void Receive(char c) {
    // Keep only the recent past: a long call must not grow without bound.
    if (received_.size() >= kKeep) received_.erase(0, kKeep / 2);
    received_ += c;
  }
  const std::string& Received() const { return received_; }

 private:
  static constexpr std::size_t kKeep = 64 * 1024;
  std::string received_;
};

}  // namespace sim
