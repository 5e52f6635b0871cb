// The headless backend: everything in memory. Prompts and message boxes take
// scripted answers (tests) or, in terminal mode, ask on standard input and
// output (the console runner). Errors go to standard error and are recorded.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

class HeadlessBackend : public Backend {
 public:
  struct Prompt {
    std::string title, label, initial;
  };
  struct Box {
    std::string caption, text;
    MessageIcon icon;
  };

  // Answers for the next prompts, in order: a text is OK with that text,
  // nullopt is Cancel. With none left: terminal mode asks, otherwise Cancel.
  std::deque<std::optional<std::string>> promptAnswers;
  // Ask on the terminal when no scripted answer is left.
  bool terminal = false;
  // Called when a message box is shown, before it is answered.
  std::function<void(const Box&)> onMessageBox;

  std::vector<Prompt> prompts;
  std::vector<Box> boxes;
  std::vector<std::string> errors;
  std::string clipboard;
  bool shown = false;

  void Show(TForm& form) override;
  void PumpEvents() override {}
  void WaitForEvents(int maxMs) override;
  void Wake() override;
  bool InputQuery(const std::string& title, const std::string& label,
                  std::string& value) override;
  void MessageBox(const std::string& caption, const std::string& text,
                  MessageIcon icon) override;
  void ShowError(const std::string& message) override;
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::string ClipboardText() override { return clipboard; }

 private:
  struct Waiter;
  std::shared_ptr<Waiter> waiter_;  // created on first use
};

}  // namespace toolkit
