#include "platform/toolkit/modal_line_reader.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <istream>
#include <mutex>
#include <thread>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

namespace {

constexpr auto kServiceInterval = std::chrono::milliseconds(10);

// Keeps SIGINT away from this thread while it lives, so that Ctrl+C reaches
// the reader thread and breaks its read as it would break a plain one.
class InterruptsElsewhere {
 public:
  InterruptsElsewhere() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous_);
  }
  ~InterruptsElsewhere() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  InterruptsElsewhere(const InterruptsElsewhere&) = delete;
  InterruptsElsewhere& operator=(const InterruptsElsewhere&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

std::optional<std::string> ReadLineWhileModal(std::istream& in) {
  struct Reading {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<std::string> line;
  } reading;
  // A tied output stream would be flushed from the reader thread while this
  // one may write to it; the caller has flushed its question already.
  std::ostream* tied = in.tie(nullptr);
  {
    std::jthread reader([&] {
      std::string line;
      std::optional<std::string> result;
      if (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result = std::move(line);
      }
      std::lock_guard lock(reading.mutex);
      reading.line = std::move(result);
      reading.done = true;
      reading.finished.notify_one();
    });
    InterruptsElsewhere interrupts;
    for (;;) {
      Application::Instance().ServeWhileModal();
      std::unique_lock lock(reading.mutex);
      if (reading.finished.wait_for(lock, kServiceInterval, [&] { return reading.done; })) break;
    }
  }
  in.tie(tied);
  return std::move(reading.line);
}

}  // namespace toolkit
