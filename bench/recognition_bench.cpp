// Reply recognition with a growing buffer of unrecognised text (line noise
// during a dial wait): the cost per received byte should not depend on how
// much is already in the buffer. The whole-buffer search is shown beside it.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "app/ReplyRecognition.h"

namespace {

constexpr std::size_t kBatch = 115;  // 10 ms at 115200 baud

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

struct Dialogue {
  std::string rx, replyText;
  bool flags[replies::kReplyCount] = {};
  replies::ReplyScanner scanner;
  replies::DialogueFields Fields() {
    return {rx, replyText, {&flags[0], &flags[1], &flags[2], &flags[3], &flags[4]}};
  }
};

// The buffer holds state.range(0) bytes; each iteration receives one batch.
// Every 256 batches the buffer is cut back to its starting size (not timed).
void BM_Incremental(benchmark::State& state) {
  const std::string prefill = Noise(std::size_t(state.range(0)), 1);
  const std::string batch = Noise(kBatch, 2);
  Dialogue d;
  replies::Receive(d.Fields(), d.scanner, prefill);
  int n = 0;
  for (auto _ : state) {
    replies::Receive(d.Fields(), d.scanner, batch);
    if (++n % 256 == 0) {
      state.PauseTiming();
      d.rx.clear();
      d.scanner.Reset();
      replies::Receive(d.Fields(), d.scanner, prefill);
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBatch));
}

void BM_WholeBufferSearch(benchmark::State& state) {
  const std::string prefill = Noise(std::size_t(state.range(0)), 1);
  const std::string batch = Noise(kBatch, 2);
  std::string rx = prefill;
  int n = 0;
  for (auto _ : state) {
    rx += batch;
    bool any = false;
    for (std::size_t r = 0; r < replies::kReplyCount; ++r) {
      any |= rx.find(replies::TextOf(replies::Reply(r))) != std::string::npos;
    }
    benchmark::DoNotOptimize(any);
    if (++n % 256 == 0) rx.resize(prefill.size());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBatch));
}

}  // namespace

BENCHMARK(BM_Incremental)->RangeMultiplier(10)->Range(10'000, 1'000'000);
BENCHMARK(BM_WholeBufferSearch)->RangeMultiplier(10)->Range(10'000, 1'000'000);

BENCHMARK_MAIN();
