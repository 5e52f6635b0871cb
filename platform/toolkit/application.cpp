#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>

#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "platform/toolkit/toolkit.h"

namespace toolkit {

namespace {

// Everything that gives the main loop work wakes it (window events, posted
// requests, synchronised calls) or is a timer it waits for, except an
// interrupt: a signal handler cannot wake it. So it idles long while no
// interrupt can come (an idle window costs next to nothing), and looks for
// one this often while it can.
constexpr platform::clock::Millis kLongestIdleMs = 1000;
constexpr platform::clock::Millis kInterruptIdleMs = 20;

}  // namespace

struct Application::Queue {
  // Guards the requests, and the backend against a Wake from another thread.
  std::mutex mutex;
  std::deque<std::function<void()>> requests;
  // Work for message processing came since it last looked; ends a Doze.
  bool workArrived = false;
  std::condition_variable arrived;

  // With mutex held.
  void Arrived() {
    workArrived = true;
    arrived.notify_all();
  }
};

Application& Application::Instance() {
  static Application instance;
  return instance;
}

Application::Application() : queue_(std::make_unique<Queue>()) { InstallPlatformHooks(); }

Application::~Application() = default;

void Application::InstallPlatformHooks() {
  platform::SetSynchronizeWakeup([this] { WakeBackend(); });
  // A worker's exception is shown once, on the user-interface thread, unless
  // the filter takes it.
  platform::SetUnhandledExceptionHandler([this](std::exception_ptr error) {
    std::function<bool(std::exception_ptr)> filter;
    {
      std::lock_guard lock(queue_->mutex);
      filter = workerFilter_;
    }
    if (filter && filter(error)) {
      WakeBackend();
      return;
    }
    Post([this, error] { HandleException(error); });
  });
}

void Application::SetWorkerExceptionFilter(std::function<bool(std::exception_ptr)> filter) {
  std::lock_guard lock(queue_->mutex);
  workerFilter_ = std::move(filter);
}

void Application::SetBackend(std::unique_ptr<Backend> backend) {
  std::unique_ptr<Backend> old;
  {
    std::lock_guard lock(queue_->mutex);
    old = std::move(backend_);
    backend_ = std::move(backend);
  }
}

Backend& Application::GetBackend() {
  // Only this thread writes backend_; other threads read it under the lock.
  if (!backend_) {
    std::lock_guard lock(queue_->mutex);
    backend_ = std::make_unique<HeadlessBackend>();
  }
  return *backend_;
}

void Application::WakeBackend() {
  std::lock_guard lock(queue_->mutex);
  queue_->Arrived();
  if (backend_) backend_->Wake();
}

void Application::Doze(std::uint32_t ms) {
  if (platform::clock::IsVirtual()) {
    platform::clock::Sleep(ms);
    return;
  }
  std::unique_lock lock(queue_->mutex);
  queue_->arrived.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return queue_->workArrived; });
}

void Application::ProcessMessages() {
  {
    std::lock_guard lock(queue_->mutex);
    queue_->workArrived = false;  // what came so far is handled below
  }
  GetBackend().PumpEvents();
  RunSynchronizedCalls();
  DeliverDueTicks();
  if (interrupt_.exchange(false) && OnInterrupt) OnInterrupt();
  RunPostedRequests();
}

void Application::ServeWhileModal() {
  try {
    RunSynchronizedCalls();
    DeliverDueTicks();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void Application::RunSynchronizedCalls() {
  if (!platform::clock::IsVirtual()) {
    platform::CheckSynchronize();
    return;
  }
  // In virtual time a worker may still be on its way to its next call; let it
  // get there, so what runs here does not depend on thread timing.
  platform::SettleWorkers();
  while (platform::CheckSynchronize()) platform::SettleWorkers();
}

void Application::DeliverDueTicks() {
  const platform::clock::Millis now = platform::clock::Now();
  // A handler may create or destroy timers: walk a copy and skip those gone.
  const std::vector<TTimer*> timers = timers_;
  for (TTimer* timer : timers) {
    if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end()) {
      timer->DeliverIfDue(now);
    }
  }
}

void Application::RunPostedRequests() {
  // Only what is queued now: requests posted by these wait for the next call.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(queue_->mutex);
    batch.swap(queue_->requests);
  }
  while (!batch.empty()) {
    std::function<void()> request = std::move(batch.front());
    batch.pop_front();
    try {
      request();
    } catch (...) {
      std::lock_guard lock(queue_->mutex);
      queue_->requests.insert(queue_->requests.begin(), std::make_move_iterator(batch.begin()),
                              std::make_move_iterator(batch.end()));
      throw;
    }
  }
}

void Application::Terminate() {
  Post([this] { terminated_ = true; });
}

void Application::Run(TForm& mainForm) {
  GetBackend().Show(mainForm);
  for (;;) {
    try {
      ProcessMessages();
    } catch (...) {
      HandleException(std::current_exception());
    }
    if (terminated_) break;
    GetBackend().WaitForEvents(MillisToNextTick());
  }
  GetBackend().CloseWindow(mainForm);
}

int Application::MillisToNextTick() const {
  const platform::clock::Millis now = platform::clock::Now();
  platform::clock::Millis wait = OnInterrupt ? kInterruptIdleMs : kLongestIdleMs;
  for (const TTimer* timer : timers_) {
    if (timer->Enabled() && timer->Interval() > 0) {
      wait = std::min(wait, std::max<platform::clock::Millis>(0, timer->DueAt() - now));
    }
  }
  return static_cast<int>(wait);
}

void Application::HandleException(std::exception_ptr error) {
  if (!error) return;
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown exception";
  }
  GetBackend().ShowError(message);
}

void Application::Post(std::function<void()> request) {
  std::lock_guard lock(queue_->mutex);
  queue_->requests.push_back(std::move(request));
  queue_->Arrived();
  if (backend_) backend_->Wake();
}

void Application::AddTimer(TTimer* timer) { timers_.push_back(timer); }

void Application::RemoveTimer(TTimer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

void Application::Reset() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(queue_->mutex);
    dropped.swap(queue_->requests);
  }
  terminated_ = false;
  interrupt_.store(false);
  InstallPlatformHooks();
}

bool InputQuery(const std::string& title, const std::string& label, std::string& value) {
  return Application::Instance().GetBackend().InputQuery(title, label, value);
}

void ShowMessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
  Application::Instance().GetBackend().MessageBox(caption, text, icon);
}

void ShowError(const std::string& text) { Application::Instance().GetBackend().ShowError(text); }

bool AskYesNo(const std::string& caption, const std::string& text) {
  return Application::Instance().GetBackend().AskYesNo(caption, text);
}

bool SaveFileName(const std::string& title, std::string& path) {
  return Application::Instance().GetBackend().SaveFileName(title, path);
}

void SetClipboardText(const std::string& text) {
  Application::Instance().GetBackend().SetClipboardText(text);
}

std::string ClipboardText() { return Application::Instance().GetBackend().ClipboardText(); }

}  // namespace toolkit
