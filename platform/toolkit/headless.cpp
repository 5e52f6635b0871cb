#include "platform/toolkit/headless.h"

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>

#include "platform/toolkit/modal_line_reader.h"

namespace toolkit {

namespace {

constexpr std::size_t kMaxPromptLength = 255;

// Asks on the terminal and reads the answer; an answer that never came (end
// of input, Ctrl+C) still ends the prompt's line.
std::optional<std::string> Ask(std::ostream& output, std::istream& input,
                               const std::string& prompt) {
  output << prompt << std::flush;
  std::optional<std::string> answer = ReadLineWhileModal(input);
  if (!answer) output << std::endl;
  return answer;
}

}  // namespace

struct HeadlessBackend::Waiter {
  std::mutex mutex;
  std::condition_variable woken;
  bool pending = false;
};

HeadlessBackend::HeadlessBackend()
    : input(&std::cin),
      output(&std::cout),
      errorOutput(&std::cerr),
      waiter_(std::make_unique<Waiter>()) {}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::Show(TForm& form) {
  shownForm_ = &form;
  shown = true;
}

void HeadlessBackend::CloseWindow(TForm& form) {
  if (shownForm_ != &form) return;
  shownForm_ = nullptr;
  shown = false;
}

void HeadlessBackend::WaitForEvents(int maxMs) {
  std::unique_lock lock(waiter_->mutex);
  waiter_->woken.wait_for(lock, std::chrono::milliseconds(maxMs),
                          [this] { return waiter_->pending; });
  waiter_->pending = false;
}

void HeadlessBackend::Wake() {
  std::lock_guard lock(waiter_->mutex);
  waiter_->pending = true;
  waiter_->woken.notify_one();
}

bool HeadlessBackend::InputQuery(const std::string& title, const std::string& label,
                                 std::string& value) {
  prompts.push_back({title, label, value});
  std::optional<std::string> answer;
  if (promptAnswers.empty() && terminal) {
    answer = Ask(*output, *input, title + " - " + label + " [" + value + "]: ");
    if (answer && answer->empty()) answer.reset();
  } else {
    if (!promptAnswers.empty()) {
      answer = std::move(promptAnswers.front());
      promptAnswers.pop_front();
    }
    Application::Instance().ServeWhileModal();
  }
  if (!answer) return false;
  value = answer->substr(0, kMaxPromptLength);
  return true;
}

void HeadlessBackend::MessageBox(const std::string& caption, const std::string& text,
                                 MessageIcon icon) {
  const Box box{caption, text, icon};
  boxes.push_back(box);
  *output << caption << ": " << text << std::endl;
  if (onMessageBox) onMessageBox(box);
  if (terminal) {
    Ask(*output, *input, "(press Enter) ");
  } else {
    Application::Instance().ServeWhileModal();
  }
}

bool HeadlessBackend::AskYesNo(const std::string& caption, const std::string& text) {
  questions.push_back({caption, text, MessageIcon::None});
  bool yes = true;
  if (!questionAnswers.empty()) {
    yes = questionAnswers.front();
    questionAnswers.pop_front();
  }
  Application::Instance().ServeWhileModal();
  return yes;
}

bool HeadlessBackend::SaveFileName(const std::string& title, std::string& path) {
  return InputQuery(title, "File name", path);
}

void HeadlessBackend::ShowError(const std::string& message) {
  *errorOutput << message << std::endl;
  errors.push_back(message);
}

}  // namespace toolkit
