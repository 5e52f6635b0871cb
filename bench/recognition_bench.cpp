// Reply recognition with a growing buffer of unrecognised text (line noise
// during a dial wait): the cost per received byte should not depend on how
// much is already in the buffer. The whole-buffer search is shown beside it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "app/ReplyRecognition.h"
#include "measures.h"

namespace bench {

namespace {

constexpr std::size_t kBatch = 115;  // 10 ms at 115200 baud
constexpr int kBatches = 2000;

std::string Noise(std::size_t n, std::uint32_t seed) {
  // Letters of the replies, but never a whole reply.
  static const char alphabet[] = "OKERCNTWlcomeAI \r\n0123456789";
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
  std::string s(n, ' ');
  for (char& c : s) c = alphabet[pick(rng)];
  for (std::size_t r = 0; r < replies::kReplyCount; ++r) {
    if (s.find(replies::TextOf(replies::Reply(r))) != std::string::npos) return Noise(n, seed + 1);
  }
  return s;
}

// Nanoseconds per received byte for kBatches batches arriving on top of a
// buffer that already holds `fill` bytes; the best of a few rounds, since
// other programs share the machine. Receiver(prefill) makes a fresh state
// and returns the function that takes one batch.
template <typename Receiver>
double CostPerByte(std::size_t fill, Receiver receiver) {
  const std::string prefill = Noise(fill, 1);
  const std::string batch = Noise(kBatch, 2);
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    auto receive = receiver(prefill);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBatches; ++i) receive(batch);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / double(kBatches * kBatch));
  }
  return best;
}

struct Dialogue {
  std::string rx, replyText;
  bool flags[replies::kReplyCount] = {};
  replies::ReplyScanner scanner;
};

double Incremental(std::size_t fill) {
  return CostPerByte(fill, [](const std::string& prefill) {
    auto d = std::make_shared<Dialogue>();
    auto receive = [d](const std::string& bytes) {
      replies::Receive({d->rx,
                        d->replyText,
                        {&d->flags[0], &d->flags[1], &d->flags[2], &d->flags[3], &d->flags[4]}},
                       d->scanner, bytes);
    };
    receive(prefill);
    return receive;
  });
}

double WholeBuffer(std::size_t fill) {
  return CostPerByte(fill, [](const std::string& prefill) {
    return [rx = prefill](const std::string& bytes) mutable {
      rx += bytes;
      bool any = false;
      for (std::size_t r = 0; r < replies::kReplyCount; ++r)
        any = any || rx.find(replies::TextOf(replies::Reply(r))) != std::string::npos;
      return any;
    };
  });
}

std::string Nanos(double ns) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ns/byte", ns);
  return text;
}

}  // namespace

std::vector<Row> RecognitionUnderFlood() {
  std::vector<Row> rows;
  for (std::size_t fill : {10'000u, 100'000u, 1'000'000u}) {
    const std::string size = std::to_string(fill / 1000) + " kB";
    rows.push_back({"Recognition, " + size + " unrecognised", Nanos(Incremental(fill)), "flat"});
    rows.push_back({"  whole-buffer search, " + size, Nanos(WholeBuffer(fill)), ""});
  }
  return rows;
}

}  // namespace bench
